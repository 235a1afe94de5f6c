// The settings dialog's number reading and its cleaning of a field that loses focus, on
// arbitrary field texts: FieldNumber against its rule, the dialog procedure against a
// host that serves the texts, and whole dialogs played through the simulated host.
#include "../src/host/session.hpp"
#include "../src/settings/dialog.hpp"
#include "../src/settings/settings.hpp"
#include "fuzz_host.hpp"

#include <climits>
#include <cstdint>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

// The number reading of the fields: blanks skipped, then a decimal number with an optional
// sign that fits 32 bits, or one to eight hexadecimal digits after "$", "x", "X", "0x" or
// "0X", reaching the end of the text; anything else reads as 0.
bool ReferenceRead(const std::string &Text, int &Out) {
  Out = 0;
  std::size_t I = 0;
  while (I < Text.size() && Text[I] == ' ')
    ++I;
  std::string R = Text.substr(I);
  auto IsHex = [](char C) {
    return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
  };
  std::size_t HexStart = std::string::npos;
  if (R.size() >= 2 && R[0] == '0' && (R[1] == 'x' || R[1] == 'X'))
    HexStart = 2;
  else if (!R.empty() && (R[0] == '$' || R[0] == 'x' || R[0] == 'X'))
    HexStart = 1;
  if (HexStart != std::string::npos) {
    std::string D = R.substr(HexStart);
    bool Ok = !D.empty() && D.size() <= 8;
    for (char C : D)
      Ok = Ok && IsHex(C);
    if (Ok) {
      Out = static_cast<int>(static_cast<uint32_t>(std::stoul(D, nullptr, 16)));
      return true;
    }
  }
  std::size_t J = (!R.empty() && (R[0] == '+' || R[0] == '-')) ? 1 : 0;
  if (J >= R.size())
    return false;
  long long Value = 0;
  for (std::size_t K = J; K < R.size(); ++K) {
    if (R[K] < '0' || R[K] > '9')
      return false;
    Value = Value * 10 + (R[K] - '0');
    if (Value > 2147483648LL)
      return false;
  }
  if (R[0] == '-')
    Value = -Value;
  if (Value > INT_MAX || Value < INT_MIN)
    return false;
  Out = static_cast<int>(Value);
  return true;
}

int ReferenceNumber(const std::string &Text) {
  int Value;
  ReferenceRead(Text, Value);
  return Value;
}

// A host that serves one text per item and records what the dialog procedure writes back.
struct FakeDialogRecord {
  std::string Texts[20];
  int SetItem = -1;
  std::string SetText;
  int SetLength = 0;
  SmallRect Rect{0, 0, 74, 19};
  FarDialogItem Preview;
};
FakeDialogRecord Fake;

long WINAPI FakeSend(HANDLE, int Msg, int Param1, long Param2) {
  if (Param1 < 0 || Param1 >= 20)
    return 0;
  if (Msg == DM_GETTEXT) {
    FarDialogItemData *D = reinterpret_cast<FarDialogItemData *>(Param2);
    const std::string &T = Fake.Texts[Param1];
    std::size_t N = T.size();
    if (D->PtrLength > 0 && static_cast<std::size_t>(D->PtrLength) < N)
      N = static_cast<std::size_t>(D->PtrLength);
    std::memcpy(D->PtrData, T.data(), N);
    D->PtrData[N] = 0;
    return static_cast<long>(N);
  }
  if (Msg == DM_SETTEXT) {
    const FarDialogItemData *D = reinterpret_cast<const FarDialogItemData *>(Param2);
    Fake.SetItem = Param1;
    Fake.SetText = D->PtrData ? D->PtrData : "";
    Fake.SetLength = D->PtrLength;
    Fake.Texts[Param1] = Fake.SetText;
    return 1;
  }
  if (Msg == DM_GETDLGRECT) {
    std::memcpy(reinterpret_cast<void *>(Param2), &Fake.Rect, sizeof(Fake.Rect));
    return 1;
  }
  if (Msg == DM_GETDLGITEM) {
    std::memcpy(reinterpret_cast<void *>(Param2), &Fake.Preview, sizeof(Fake.Preview));
    return 1;
  }
  return 0;
}

long WINAPI FakeDefault(HANDLE, int, int, long) {
  return 0;
}

void Check(bool Ok, const std::string &What) {
  if (!Ok)
    FuzzFail(What);
}

int AnySetting(FuzzedDataProvider &P) {
  switch (P.ConsumeIntegralInRange(0, 4)) {
  case 0:
    return INT_MIN;
  case 1:
    return INT_MAX;
  case 2:
    return P.ConsumeIntegral<int>();
  default:
    return P.ConsumeIntegralInRange(-12, 120);
  }
}

void FocusLoss(FuzzedDataProvider &P) {
  static const int Fields[] = {2, 4, 6, 8, 10, 12, 14};
  for (std::string &T : Fake.Texts) {
    T = P.ConsumeRandomLengthString(19);
    T = T.substr(0, T.find('\0'));
  }
  Fake.Rect = {P.ConsumeIntegral<short>(), P.ConsumeIntegral<short>(), 74, 19};
  std::memset(&Fake.Preview, 0, sizeof(Fake.Preview));
  Fake.Preview.X1 = P.ConsumeBool() ? 38 : P.ConsumeIntegral<int>();
  Fake.Preview.Y1 = P.ConsumeBool() ? 2 : P.ConsumeIntegral<int>();
  Fake.Preview.X2 = P.ConsumeBool() ? 71 : P.ConsumeIntegral<int>();
  int Item = P.ConsumeIntegralInRange(-2, 21);
  std::string Text = Fake.Texts[Item >= 0 && Item < 20 ? Item : 0];
  Fake.SetItem = -1;
  HostServices.SendDlgMessage = FakeSend;
  HostServices.DefDlgProc = FakeDefault;
  long Reply = SettingsDlgProc(reinterpret_cast<HANDLE>(1), DN_KILLFOCUS, Item, 0);
  bool IsField = false;
  for (int F : Fields)
    IsField = IsField || F == Item;
  if (!IsField) {
    Check(Fake.SetItem == -1, "a focus loss of item " + std::to_string(Item) + " wrote a text");
    return;
  }
  Check(Reply == -1, "a number field's focus loss did not let the focus move");
  Check(Fake.SetItem == Item, "a number field's focus loss did not write the field back");
  int Value = ReferenceNumber(Text);
  if (Value < 0 && Item <= 10)
    Value = 0;
  Check(Fake.SetText == std::to_string(Value), "the field text '" + Text + "' was cleaned to '" +
                                                   Fake.SetText + "', not '" +
                                                   std::to_string(Value) + "'");
  Check(Fake.SetLength == static_cast<int>(Fake.SetText.size()) + 1,
        "DM_SETTEXT was not given the text's length plus one");
  // The preview is drawn on request as well.
  SettingsDlgProc(reinterpret_cast<HANDLE>(1), DN_DRAWDLGITEM, 19, 0);
}

void WholeDialog(FuzzedDataProvider &P) {
  PluginSettingsRecord Start{AnySetting(P), AnySetting(P), AnySetting(P), AnySetting(P),
                             AnySetting(P), AnySetting(P), AnySetting(P)};
  std::vector<SimDialogAction> Script;
  int Steps = P.ConsumeIntegralInRange(0, 12);
  for (int I = 0; I < Steps; ++I) {
    SimDialogAction A{SimDialogAction::Next, "", 0, 0};
    A.What = static_cast<SimDialogAction::Kind>(P.ConsumeIntegralInRange(0, 7));
    if (A.What == SimDialogAction::Type)
      A.Text = P.ConsumeRandomLengthString(6);
    A.Item = P.ConsumeIntegralInRange(-2, 22);
    A.Y = P.ConsumeIntegralInRange(-5, 30);
    if (A.What == SimDialogAction::Move)
      A.Item = P.ConsumeIntegralInRange(-5, 90);
    Script.push_back(A);
  }
  if (P.ConsumeBool())
    Script.push_back({SimDialogAction::Ok, "", 0, 0});
  SimReset();
  HostServices.SendDlgMessage = SimSendDlgMessage;
  HostServices.DefDlgProc = SimDefDlgProc;
  SimHost.DialogScripts.push_back(Script);
  PluginSettings = Start;
  int Result = Configure(0);
  Check(Result == 0 || Result == 1, "Configure returned " + std::to_string(Result));
  const PluginSettingsRecord &S = PluginSettings;
  if (Result == 0) {
    Check(std::memcmp(&S, &Start, sizeof(S)) == 0, "a cancelled dialog changed the settings");
    return;
  }
  if (SimHost.Dialogs.empty())
    return;
  const std::vector<FarDialogItem> &Items = SimHost.Dialogs.back().FinalItems;
  if (Items.size() < 15)
    return;
  const int Values[7] = {S.GlobalTab, S.MainTab,  S.FuncTab,     S.TextFuncTab,
                         S.Tab,       S.Comments, S.SplitLineTab};
  for (int F = 0; F < 7; ++F) {
    std::string Text(Items[static_cast<std::size_t>(2 + 2 * F)].Data);
    int Want;
    if (ReferenceRead(Text, Want))
      Check(Values[F] == Want,
            "OK stored " + std::to_string(Values[F]) + " for the field text '" + Text + "'");
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  FuzzStartPlugin(FuzzFolder("dialog"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  FuzzedDataProvider P(Data, Size);
  int Mode = P.ConsumeIntegralInRange(0, 2);
  if (Mode == 0) {
    std::string Text = P.ConsumeRemainingBytesAsString();
    Text = Text.substr(0, Text.find('\0'));
    Check(FieldNumber(Text.c_str()) == ReferenceNumber(Text),
          "FieldNumber(\"" + Text + "\") is " + std::to_string(FieldNumber(Text.c_str())) +
              ", not " + std::to_string(ReferenceNumber(Text)));
  } else if (Mode == 1) {
    FocusLoss(P);
  } else {
    WholeDialog(P);
  }
  return 0;
}
