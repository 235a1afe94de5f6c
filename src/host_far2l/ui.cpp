// Texts, menus, message boxes, screen text and dialogs: the plug-in's 8-bit texts become
// far2l's wide ones and back.
#include "../host/codepages.hpp"
#include "../host/session.hpp"
#include "../host/wide_dialogs.hpp"
#include "bridge.hpp"

#include <cstring>
#include <map>
#include <vector>

namespace {

// The texts handed out by GetMsg, kept for the library's lifetime: the plug-in holds on to
// them (the menu title, say), and a text's address tells the navigator's menu apart.
std::map<int, std::string> MessageTexts;

// A dialog open now: its 1.70 procedure, and its items: the plug-in's, then those the layer
// added.
struct OpenDialogRecord {
  FARWINDOWPROC Proc;
  int Items;
  int Added;
};
// Innermost last.
std::vector<OpenDialogRecord> OpenDialogs;

const Far2l::PluginStartupInfo &Far() {
  return Far2lBridge.Far;
}

std::wstring Ui(const char *Text) {
  return WideFrom(InterfaceCodePage, Text ? Text : "");
}

// A wide text or null, kept in Storage.
const wchar_t *UiOrNull(const char *Text, std::wstring &Storage) {
  if (!Text)
    return nullptr;
  Storage = Ui(Text);
  return Storage.c_str();
}

const char *WINAPI BridgeGetMsg(int, int MsgId) {
  const wchar_t *Text = Far().GetMsg ? Far().GetMsg(Far().ModuleNumber, MsgId) : nullptr;
  std::string Bytes = Text ? BytesFrom(InterfaceCodePage, Text, std::wcslen(Text)) : std::string();
  // An unchanged text keeps its address: the plug-in may still hold the one handed out before.
  std::string &Slot = MessageTexts[MsgId];
  if (Slot != Bytes)
    Slot = Bytes;
  return Slot.c_str();
}

int WINAPI BridgeMenu(int, int X, int Y, int MaxHeight, DWORD Flags, const char *Title,
                      const char *Bottom, const char *HelpTopic, const int *BreakKeys,
                      int *BreakCode, const FarMenuItem *Item, int ItemsNumber) {
  if (!Far().Menu)
    return -1;
  // The procedure navigator lists lines of the file: its entries are in the file's code page.
  auto Navigator = MessageTexts.find(MsgMenuProcedures);
  bool FileText = Navigator != MessageTexts.end() && Title == Navigator->second.c_str();
  unsigned CodePage = FileText ? Far2lBridge.LineCodePage : InterfaceCodePage;
  std::vector<std::wstring> Texts(static_cast<std::size_t>(ItemsNumber > 0 ? ItemsNumber : 0));
  std::vector<Far2l::FarMenuItem> Items(Texts.size());
  for (std::size_t I = 0; I < Items.size(); ++I) {
    const FarMenuItem &From = Item[I];
    std::size_t Length = strnlen(From.Text, sizeof(From.Text));
    Texts[I] = WideFrom(CodePage, std::string(From.Text, Length).c_str());
    Items[I].Text = Texts[I].c_str();
    Items[I].Selected = From.Selected;
    Items[I].Checked = From.Checked;
    Items[I].Separator = From.Separator;
  }
  std::wstring TitleText, BottomText, Help;
  return Far().Menu(Far().ModuleNumber, X, Y, MaxHeight, Flags, UiOrNull(Title, TitleText),
                    UiOrNull(Bottom, BottomText), UiOrNull(HelpTopic, Help), BreakKeys, BreakCode,
                    Items.data(), ItemsNumber);
}

int WINAPI BridgeMessage(int, DWORD Flags, const char *HelpTopic, const char *const *Items,
                         int ItemsNumber, int ButtonsNumber) {
  if (!Far().Message)
    return -1;
  std::vector<std::wstring> Texts;
  for (int I = 0; I < ItemsNumber; ++I)
    Texts.push_back(Ui(Items[I]));
  std::vector<const wchar_t *> Pointers;
  for (const std::wstring &Text : Texts)
    Pointers.push_back(Text.c_str());
  std::wstring Help;
  return static_cast<int>(Far().Message(Far().ModuleNumber, Flags, UiOrNull(HelpTopic, Help),
                                        Pointers.data(), ItemsNumber, ButtonsNumber));
}

void WINAPI BridgeText(int X, int Y, int Color, const char *Str) {
  if (!Far().Text)
    return;
  std::wstring Text;
  Far().Text(X, Y, static_cast<std::uint64_t>(static_cast<unsigned>(Color)), UiOrNull(Str, Text));
}

// An item's text in the plug-in's form, at most Capacity - 1 bytes and a terminating zero.
int CopyItemText(void *Dlg, int Item, char *Out, std::size_t Capacity) {
  std::string Bytes;
  Far2l::IntPtr Size = Far().SendDlgMessage(Dlg, Far2l::DM_GETTEXT, Item, 0);
  if (Size > 0) {
    std::vector<wchar_t> Wide(static_cast<std::size_t>(Size) + 2, 0);
    Far2l::FarDialogItemData Data{static_cast<std::size_t>(Size) + 1, Wide.data()};
    Far().SendDlgMessage(Dlg, Far2l::DM_GETTEXT, Item, reinterpret_cast<Far2l::IntPtr>(&Data));
    Bytes = BytesFrom(InterfaceCodePage, Wide.data(), std::wcslen(Wide.data()));
  }
  std::size_t Length = Bytes.size() < Capacity ? Bytes.size() : Capacity - 1;
  std::memcpy(Out, Bytes.data(), Length);
  Out[Length] = 0;
  return static_cast<int>(Length);
}

long WINAPI BridgeSendDlgMessage(HANDLE Dlg, int Msg, int Param1, long Param2) {
  if (!Far().SendDlgMessage)
    return 0;
  switch (Msg) {
  case DM_GETTEXT: {
    auto *Data = reinterpret_cast<FarDialogItemData *>(Param2);
    if (!Data || !Data->PtrData)
      return Far().SendDlgMessage(Dlg, Far2l::DM_GETTEXT, Param1, 0);
    std::size_t Capacity = Data->PtrLength > 0 ? static_cast<std::size_t>(Data->PtrLength) : 512;
    return CopyItemText(Dlg, Param1, Data->PtrData, Capacity + 1);
  }
  case DM_SETTEXT: {
    auto *Data = reinterpret_cast<const FarDialogItemData *>(Param2);
    std::wstring Text = Ui(Data ? Data->PtrData : "");
    return Far().SendDlgMessage(Dlg, Far2l::DM_SETTEXTPTR, Param1,
                                reinterpret_cast<Far2l::IntPtr>(Text.c_str()));
  }
  case DM_GETDLGITEM: {
    auto *Item = reinterpret_cast<FarDialogItem *>(Param2);
    if (!Item)
      return 0;
    Far2l::FarDialogItem F;
    std::memset(&F, 0, sizeof(F));
    long Result = Far().SendDlgMessage(Dlg, Far2l::DM_GETDLGITEMSHORT, Param1,
                                       reinterpret_cast<Far2l::IntPtr>(&F));
    std::memset(Item, 0, sizeof(*Item));
    Item->Type = F.Type;
    Item->X1 = F.X1;
    Item->Y1 = F.Y1;
    Item->X2 = F.X2;
    Item->Y2 = F.Y2;
    Item->Focus = F.Focus;
    Item->Selected = F.Param.Selected;
    Item->Flags = F.Flags;
    Item->DefaultButton = F.DefaultButton;
    CopyItemText(Dlg, Param1, Item->Data, sizeof(Item->Data));
    return Result;
  }
  default:
    // Numbers, and the dialog rectangle (the same four shorts in both interfaces).
    return Far().SendDlgMessage(Dlg, Msg, Param1, Param2);
  }
}

long WINAPI BridgeDefDlgProc(HANDLE Dlg, int Msg, int Param1, long Param2) {
  return Far().DefDlgProc ? Far().DefDlgProc(Dlg, Msg, Param1, Param2) : 0;
}

// far2l's dialog procedure: the plug-in's own, with far2l's parameters unchanged. A record
// far2l hands over (the item being drawn, say) reaches the plug-in only to be handed back to
// the default procedure.
Far2l::IntPtr DialogProcBridge(void *Dlg, int Msg, int Param1, Far2l::IntPtr Param2) {
  // The items the layer added are unknown to the plug-in.
  const OpenDialogRecord *Open = OpenDialogs.empty() ? nullptr : &OpenDialogs.back();
  if (!Open || !Open->Proc || (Param1 >= Open->Items && Param1 < Open->Items + Open->Added))
    return BridgeDefDlgProc(Dlg, Msg, Param1, static_cast<long>(Param2));
  long Reply = Open->Proc(Dlg, Msg, Param1, static_cast<long>(Param2));
  // far2l paints a user control with blanks after asking the plug-in to draw it, where 1.70
  // leaves the plug-in's drawing as it stands: a user control drawn is not painted again.
  auto *Item = reinterpret_cast<const Far2l::FarDialogItem *>(Param2);
  if (Msg == DN_DRAWDLGITEM && Item && Item->Type == DI_USERCONTROL)
    return 0;
  return Reply;
}

int WINAPI BridgeDialogEx(int, int X1, int Y1, int X2, int Y2, const char *HelpTopic,
                          FarDialogItem *Item, int ItemsNumber, DWORD, DWORD Flags,
                          FARWINDOWPROC DlgProc, long Param) {
  if (!Far().DialogInit || !Far().DialogRun || !Far().DialogFree || ItemsNumber <= 0)
    return -1;
  std::size_t Count = static_cast<std::size_t>(ItemsNumber);
  const std::vector<FarDialogItem> Laid =
      WideHostDialogItems(Item, ItemsNumber, DialogWidth(X1, X2));
  std::vector<std::wstring> Texts(Laid.size());
  std::vector<Far2l::FarDialogItem> Items(Laid.size());
  for (std::size_t I = 0; I < Laid.size(); ++I) {
    const FarDialogItem &From = Laid[I];
    Far2l::FarDialogItem &To = Items[I];
    std::memset(&To, 0, sizeof(To));
    To.Type = From.Type;
    To.X1 = From.X1;
    To.Y1 = From.Y1;
    To.X2 = From.X2;
    To.Y2 = From.Y2;
    To.Focus = From.Focus;
    To.Param.Selected = From.Selected;
    To.Flags = From.Flags;
    To.DefaultButton = From.DefaultButton;
    Texts[I] = Ui(std::string(From.Data, strnlen(From.Data, sizeof(From.Data))).c_str());
    To.PtrData = Texts[I].c_str();
  }
  std::wstring Help;
  OpenDialogs.push_back({DlgProc, ItemsNumber, static_cast<int>(Items.size() - Count)});
  void *Dlg =
      Far().DialogInit(Far().ModuleNumber, X1, Y1, X2, Y2, UiOrNull(HelpTopic, Help), Items.data(),
                       static_cast<unsigned>(Items.size()), 0, Flags, DialogProcBridge, Param);
  int Result = -1;
  if (Dlg && Dlg != INVALID_HANDLE_VALUE) {
    Result = Far().DialogRun(Dlg);
    // The texts as the dialog closed with them, read before the dialog is freed; a text the
    // dialog left as it was keeps the plug-in's own (the layout may have cut it).
    for (std::size_t I = 0; I < Count; ++I) {
      char Now[sizeof(Item[I].Data)] = {};
      CopyItemText(Dlg, static_cast<int>(I), Now, sizeof(Now));
      if (std::strncmp(Now, Laid[I].Data, sizeof(Now)) != 0)
        std::memcpy(Item[I].Data, Now, sizeof(Now));
    }
    Far().DialogFree(Dlg);
  }
  OpenDialogs.pop_back();
  return Result;
}

} // namespace

std::wstring WideFrom(unsigned CodePage, const char *Text) {
  std::wstring Wide;
  BytesToWide(CodePage, Text, std::strlen(Text), Wide);
  return Wide;
}

std::string BytesFrom(unsigned CodePage, const wchar_t *Text, std::size_t Length) {
  std::string Bytes;
  WideToBytes(CodePage, Text, Length, Bytes);
  return Bytes;
}

PluginStartupInfo Far2lServiceTable(const std::string &ModuleName) {
  PluginStartupInfo Info;
  std::memset(&Info, 0, sizeof(Info));
  Info.StructSize = sizeof(Info);
  std::size_t Length = ModuleName.size() < sizeof(Info.ModuleName) - 1
                           ? ModuleName.size()
                           : sizeof(Info.ModuleName) - 1;
  std::memcpy(Info.ModuleName, ModuleName.data(), Length);
  Info.Menu = BridgeMenu;
  Info.Message = BridgeMessage;
  Info.GetMsg = BridgeGetMsg;
  Info.Text = BridgeText;
  Info.EditorControl = BridgeEditorControl;
  Info.DialogEx = BridgeDialogEx;
  Info.SendDlgMessage = BridgeSendDlgMessage;
  Info.DefDlgProc = BridgeDefDlgProc;
  return Info;
}
