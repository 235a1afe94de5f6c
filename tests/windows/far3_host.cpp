// Far 3's services over the simulated 1.70 host, for the real qmate3.dll.
#include "far3_host.hpp"
#include "../../src/host/keys.hpp"
#include "platform.hpp"

#include <cstring>
#include <map>

Far3SimRecord Far3Sim;

namespace {

const unsigned DialogCodePage = 866;
const unsigned Utf8Page = 65001;

// What the services hand out: valid until the next call of the same service.
struct Far3SimBuffersRecord {
  std::wstring LineText, LineEol, FileName;
  std::wstring Missing;
};
Far3SimBuffersRecord Buffers;

std::wstring Wide(unsigned CodePage, const char *Text, std::size_t Length) {
  return WideFromCodePage(CodePage, std::string(Text ? Text : "", Text ? Length : 0));
}

std::wstring InterfaceWide(const char *Text) {
  return Wide(DialogCodePage, Text, Text ? std::strlen(Text) : 0);
}

std::string InterfaceBytes(const wchar_t *Text) {
  return CodePageFromWide(DialogCodePage, Text ? std::wstring(Text) : std::wstring());
}

// Line Index (-1: the cursor line) of the simulated editor as bytes.
EditorGetString ByteLine(std::intptr_t Index) {
  EditorGetString Line;
  std::memset(&Line, 0, sizeof(Line));
  Line.StringNumber = static_cast<int>(Index);
  SimEditorControl(ECTL_GETSTRING, &Line);
  return Line;
}

std::string LineBytes(std::intptr_t Index) {
  EditorGetString Line = ByteLine(Index);
  return std::string(Line.StringText ? Line.StringText : "",
                     Line.StringText ? static_cast<std::size_t>(Line.StringLength) : 0);
}

// A column between the bytes of line Index and its characters.
std::intptr_t CharColumn(std::intptr_t Index, std::intptr_t Column) {
  if (Column <= 0 || Far3Sim.StoreCodePage != Utf8Page)
    return Column;
  std::string Bytes = LineBytes(Index);
  std::size_t Within = static_cast<std::size_t>(Column) < Bytes.size()
                           ? static_cast<std::size_t>(Column)
                           : Bytes.size();
  return static_cast<std::intptr_t>(WideFromCodePage(Utf8Page, Bytes.substr(0, Within)).size() +
                                    (static_cast<std::size_t>(Column) - Within));
}

std::intptr_t ByteColumn(std::intptr_t Index, std::intptr_t Column) {
  if (Column <= 0 || Far3Sim.StoreCodePage != Utf8Page)
    return Column;
  std::wstring Text = WideFromCodePage(Utf8Page, LineBytes(Index));
  std::size_t Within = static_cast<std::size_t>(Column) < Text.size()
                           ? static_cast<std::size_t>(Column)
                           : Text.size();
  return static_cast<std::intptr_t>(CodePageFromWide(Utf8Page, Text.substr(0, Within)).size() +
                                    (static_cast<std::size_t>(Column) - Within));
}

// The console key event as the 1.70 key code the simulated editor takes (either Ctrl and
// either Alt key: 0x4 and 0x1 are the right-hand ones).
int KeyCode(const Far3::KeyInputRecord &Input) {
  int Code;
  switch (Input.VirtualKeyCode) {
  case 0x23: // VK_END
    Code = KEY_END;
    break;
  case 0x24: // VK_HOME
    Code = KEY_HOME;
    break;
  case 0x25: // VK_LEFT
    Code = KEY_LEFT;
    break;
  case 0x26: // VK_UP
    Code = KEY_UP;
    break;
  case 0x27: // VK_RIGHT
    Code = KEY_RIGHT;
    break;
  case 0x28: // VK_DOWN
    Code = KEY_DOWN;
    break;
  default:
    Code = Input.VirtualKeyCode;
    break;
  }
  if (Input.ControlKeyState & (Far3::LeftCtrlPressed | 0x4))
    Code |= KEY_CTRL;
  if (Input.ControlKeyState & Far3::ShiftPressed)
    Code |= KEY_SHIFT;
  if (Input.ControlKeyState & (Far3::LeftAltPressed | 0x1))
    Code |= KEY_ALT;
  return Code;
}

std::intptr_t WINAPI EditorControl(std::intptr_t, int Command, std::intptr_t Param1, void *Param2) {
  switch (Command) {
  case ECTL_GETINFO: {
    Far3::EditorInfo *Out = static_cast<Far3::EditorInfo *>(Param2);
    EditorInfo In;
    SimEditorControl(ECTL_GETINFO, &In);
    std::size_t Size = Out->StructSize;
    std::memset(Out, 0, sizeof(*Out));
    Out->StructSize = Size;
    Out->EditorID = In.EditorID;
    Out->WindowSizeX = In.WindowSizeX;
    Out->WindowSizeY = In.WindowSizeY;
    Out->TotalLines = In.TotalLines;
    Out->CurLine = In.CurLine;
    Out->CurPos = CharColumn(In.CurLine, In.CurPos);
    Out->CurTabPos = In.CurTabPos;
    Out->TopScreenLine = In.TopScreenLine;
    Out->LeftPos = In.LeftPos;
    Out->Overtype = In.Overtype;
    Out->BlockType = In.BlockType;
    Out->BlockStartLine = In.BlockStartLine;
    Out->Options = In.Options;
    Out->TabSize = In.TabSize;
    Out->CurState = In.CurState;
    Out->CodePage = Far3Sim.ReportedCodePage;
    return 1;
  }
  case ECTL_GETSTRING: {
    Far3::EditorGetString *Out = static_cast<Far3::EditorGetString *>(Param2);
    EditorGetString In = ByteLine(Out->StringNumber);
    Buffers.LineText = Wide(Far3Sim.StoreCodePage, In.StringText,
                            In.StringText ? static_cast<std::size_t>(In.StringLength) : 0);
    Buffers.LineEol = InterfaceWide(In.StringEOL);
    Out->StringText = Buffers.LineText.c_str();
    Out->StringLength = static_cast<std::intptr_t>(Buffers.LineText.size());
    Out->StringEOL = Buffers.LineEol.c_str();
    std::intptr_t Line = Out->StringNumber;
    Out->SelStart = CharColumn(Line, In.SelStart);
    Out->SelEnd = CharColumn(Line, In.SelEnd);
    return 1;
  }
  case ECTL_SETSTRING: {
    const Far3::EditorSetString *In = static_cast<const Far3::EditorSetString *>(Param2);
    std::string Text =
        CodePageFromWide(Far3Sim.StoreCodePage,
                         std::wstring(In->StringText, static_cast<std::size_t>(In->StringLength)));
    std::string Eol = InterfaceBytes(In->StringEOL);
    EditorSetString Out;
    Out.StringNumber = static_cast<int>(In->StringNumber);
    Out.StringText = Text.c_str();
    Out.StringEOL = In->StringEOL ? Eol.c_str() : nullptr;
    Out.StringLength = static_cast<int>(Text.size());
    return SimEditorControl(ECTL_SETSTRING, &Out);
  }
  case ECTL_SETPOSITION: {
    const Far3::EditorSetPosition *In = static_cast<const Far3::EditorSetPosition *>(Param2);
    EditorSetPosition Out;
    Out.CurLine = static_cast<int>(In->CurLine);
    Out.CurPos = static_cast<int>(ByteColumn(In->CurLine, In->CurPos));
    Out.CurTabPos = static_cast<int>(In->CurTabPos);
    Out.TopScreenLine = static_cast<int>(In->TopScreenLine);
    Out.LeftPos = static_cast<int>(In->LeftPos);
    Out.Overtype = static_cast<int>(In->Overtype);
    return SimEditorControl(ECTL_SETPOSITION, &Out);
  }
  case ECTL_INSERTSTRING:
  case ECTL_DELETESTRING:
    return SimEditorControl(Command, nullptr);
  case Far3::EctlProcessInput: {
    int Code = KeyCode(*static_cast<const Far3::KeyInputRecord *>(Param2));
    return SimEditorControl(ECTL_PROCESSKEY, reinterpret_cast<void *>(std::intptr_t(Code)));
  }
  case Far3::EctlGetFileName: {
    Buffers.FileName = WideFromCodePage(0, SimHost.Editor.FileName);
    std::intptr_t Needed = static_cast<std::intptr_t>(Buffers.FileName.size()) + 1;
    if (Param2 && Param1 > 0) {
      std::size_t Copy = static_cast<std::size_t>(Param1 < Needed ? Param1 : Needed) - 1;
      std::memcpy(Param2, Buffers.FileName.c_str(), Copy * sizeof(wchar_t));
      static_cast<wchar_t *>(Param2)[Copy] = 0;
    }
    return Needed;
  }
  default:
    return 0;
  }
}

std::intptr_t WINAPI Menu(const Far3::Uuid *, const Far3::Uuid *, std::intptr_t X, std::intptr_t Y,
                          std::intptr_t MaxHeight, std::uint64_t Flags, const wchar_t *Title,
                          const wchar_t *Bottom, const wchar_t *HelpTopic, const Far3::Key *,
                          std::intptr_t *, const Far3::MenuItem *Item, std::size_t ItemsNumber) {
  std::vector<std::wstring> Wides;
  std::vector<FarMenuItem> Items(ItemsNumber);
  for (std::size_t I = 0; I < ItemsNumber; ++I) {
    Wides.push_back(Item[I].Text ? Item[I].Text : L"");
    std::memset(&Items[I], 0, sizeof(Items[I]));
    std::string Text = InterfaceBytes(Item[I].Text);
    std::strncpy(Items[I].Text, Text.c_str(), sizeof(Items[I].Text) - 1);
    Items[I].Selected = (Item[I].Flags & Far3::MenuItemSelected) ? 1 : 0;
    Items[I].Checked = (Item[I].Flags & Far3::MenuItemChecked) ? 1 : 0;
    Items[I].Separator = (Item[I].Flags & Far3::MenuItemSeparator) ? 1 : 0;
  }
  Far3Sim.MenuItems.push_back(Wides);
  std::string NarrowTitle = InterfaceBytes(Title), NarrowBottom = InterfaceBytes(Bottom),
              NarrowHelp = InterfaceBytes(HelpTopic);
  return SimMenu(7, static_cast<int>(X), static_cast<int>(Y), static_cast<int>(MaxHeight),
                 static_cast<DWORD>(Flags), Title ? NarrowTitle.c_str() : nullptr,
                 Bottom ? NarrowBottom.c_str() : nullptr, HelpTopic ? NarrowHelp.c_str() : nullptr,
                 nullptr, nullptr, Items.data(), static_cast<int>(Items.size()));
}

std::intptr_t WINAPI Message(const Far3::Uuid *, const Far3::Uuid *, std::uint64_t Flags,
                             const wchar_t *HelpTopic, const wchar_t *const *Items,
                             std::size_t ItemsNumber, std::intptr_t ButtonsNumber) {
  std::vector<std::string> Texts;
  std::wstring Joined;
  for (std::size_t I = 0; I < ItemsNumber; ++I) {
    Texts.push_back(InterfaceBytes(Items[I]));
    Joined += (I ? L" | " : L"") + std::wstring(Items[I] ? Items[I] : L"");
  }
  Far3Sim.MessageTexts.push_back(Joined);
  std::vector<const char *> Pointers;
  for (const std::string &Text : Texts)
    Pointers.push_back(Text.c_str());
  std::string Help = InterfaceBytes(HelpTopic);
  return SimMessage(7, static_cast<DWORD>(Flags), HelpTopic ? Help.c_str() : nullptr,
                    Pointers.data(), static_cast<int>(Pointers.size()),
                    static_cast<int>(ButtonsNumber));
}

const wchar_t *WINAPI GetMsg(const Far3::Uuid *, std::intptr_t MsgId) {
  if (MsgId < 0 || MsgId >= static_cast<std::intptr_t>(Far3Sim.LanguageTexts.size())) {
    Buffers.Missing = L"<missing message " + std::to_wstring(MsgId) + L">";
    return Buffers.Missing.c_str();
  }
  return Far3Sim.LanguageTexts[static_cast<std::size_t>(MsgId)].c_str();
}

void WINAPI Text(std::intptr_t X, std::intptr_t Y, const Far3::Color *Colour, const wchar_t *Str) {
  if (!Str)
    return;
  int Attribute =
      Colour ? static_cast<int>((Colour->Foreground & 0xF) | ((Colour->Background & 0xF) << 4))
             : 0x07;
  SimText(static_cast<int>(X), static_cast<int>(Y), Attribute, InterfaceBytes(Str).c_str());
}

// A Far 3 dialog played by the simulated 1.70 dialog engine. While it runs, the plug-in's
// procedure sees the record as the handle, and messages go on to the simulated dialog;
// afterwards the items' final texts answer for it until it is freed.
struct Far3SimDialogRecord {
  std::vector<FarDialogItem> Items;
  Far3::DialogProc Proc;
  void *Param;
  int X1, Y1, X2, Y2;
  std::string HelpTopic;
  HANDLE Running = nullptr;
  std::vector<std::wstring> Texts; // handed out by DM_GETCONSTTEXTPTR
};

Far3SimDialogRecord *Current = nullptr;

DialogParam WINAPI Trampoline(HANDLE Dlg, int Msg, int Param1, DialogParam Param2) {
  Far3SimDialogRecord *D = Current;
  D->Running = Dlg;
  int Far3Msg = Msg == DN_CLOSE ? Far3::DnClose : Msg;
  void *Pointer = Msg == DN_DRAWDLGITEM ? nullptr : reinterpret_cast<void *>(std::intptr_t(Param2));
  return static_cast<DialogParam>(D->Proc(D, Far3Msg, Param1, Pointer));
}

Far3::Handle WINAPI DialogInit(const Far3::Uuid *, const Far3::Uuid *, std::intptr_t X1,
                               std::intptr_t Y1, std::intptr_t X2, std::intptr_t Y2,
                               const wchar_t *HelpTopic, const Far3::DialogItem *Item,
                               std::size_t ItemsNumber, std::intptr_t, std::uint64_t,
                               Far3::DialogProc Proc, void *Param) {
  Far3SimDialogRecord *D = new Far3SimDialogRecord;
  D->Proc = Proc;
  D->Param = Param;
  D->X1 = static_cast<int>(X1);
  D->Y1 = static_cast<int>(Y1);
  D->X2 = static_cast<int>(X2);
  D->Y2 = static_cast<int>(Y2);
  D->HelpTopic = InterfaceBytes(HelpTopic);
  D->Items.resize(ItemsNumber);
  D->Texts.resize(ItemsNumber);
  for (std::size_t I = 0; I < ItemsNumber; ++I) {
    const Far3::DialogItem &In = Item[I];
    FarDialogItem &Out = D->Items[I];
    std::memset(&Out, 0, sizeof(Out));
    Out.Type = In.Type;
    Out.X1 = static_cast<int>(In.X1);
    Out.Y1 = static_cast<int>(In.Y1);
    Out.X2 = static_cast<int>(In.X2);
    Out.Y2 = static_cast<int>(In.Y2);
    Out.Selected = static_cast<int>(In.Param);
    Out.Flags = static_cast<DWORD>(In.Flags);
    Out.Focus = (In.Flags & Far3::DialogItemFocus) ? 1 : 0;
    Out.DefaultButton = (In.Flags & Far3::DialogItemDefaultButton) ? 1 : 0;
    std::string Text = InterfaceBytes(In.Data);
    std::strncpy(Out.Data, Text.c_str(), sizeof(Out.Data) - 1);
  }
  return D;
}

std::intptr_t WINAPI DialogRun(Far3::Handle Dlg) {
  Far3SimDialogRecord *D = static_cast<Far3SimDialogRecord *>(Dlg);
  Far3SimDialogRecord *Outer = Current;
  Current = D;
  SimHost.DialogTextCut = SimTextCutFar3;
  int Result = SimDialogEx(7, D->X1, D->Y1, D->X2, D->Y2, D->HelpTopic.c_str(), D->Items.data(),
                           static_cast<int>(D->Items.size()), 0, 0, Trampoline,
                           static_cast<DialogParam>(reinterpret_cast<std::intptr_t>(D->Param)));
  SimHost.DialogTextCut = SimTextWhole;
  D->Running = nullptr;
  Current = Outer;
  return Result;
}

void WINAPI DialogFree(Far3::Handle Dlg) {
  delete static_cast<Far3SimDialogRecord *>(Dlg);
}

DialogParam ToSim(void *Pointer) {
  return static_cast<DialogParam>(reinterpret_cast<std::intptr_t>(Pointer));
}

std::intptr_t WINAPI SendDlgMessage(Far3::Handle Dlg, std::intptr_t Msg, std::intptr_t Param1,
                                    void *Param2) {
  Far3SimDialogRecord *D = static_cast<Far3SimDialogRecord *>(Dlg);
  const int Item = static_cast<int>(Param1);
  const bool IsItem = Param1 >= 0 && static_cast<std::size_t>(Param1) < D->Items.size();
  if (Msg == Far3::DmGetConstTextPtr) {
    if (!IsItem)
      return 0;
    std::string Text;
    if (D->Running) {
      char Buffer[sizeof(FarDialogItem::Data)];
      FarDialogItemData Data{static_cast<int>(sizeof(Buffer)) - 1, Buffer};
      Buffer[0] = 0;
      SimSendDlgMessage(D->Running, DM_GETTEXT, Item, ToSim(&Data));
      Text = Buffer;
    } else {
      Text = D->Items[static_cast<std::size_t>(Item)].Data;
    }
    D->Texts[static_cast<std::size_t>(Item)] = InterfaceWide(Text.c_str());
    return reinterpret_cast<std::intptr_t>(D->Texts[static_cast<std::size_t>(Item)].c_str());
  }
  if (!D->Running)
    return 0;
  switch (Msg) {
  case DM_SETTEXT: {
    const Far3::DialogItemData *In = static_cast<const Far3::DialogItemData *>(Param2);
    std::string Text = InterfaceBytes(In->PtrData);
    FarDialogItemData Data{static_cast<int>(Text.size()), &Text[0]};
    return SimSendDlgMessage(D->Running, DM_SETTEXT, Item, ToSim(&Data));
  }
  case DM_GETDLGITEM: {
    Far3::GetDialogItem *Get = static_cast<Far3::GetDialogItem *>(Param2);
    FarDialogItem Sim;
    std::memset(&Sim, 0, sizeof(Sim));
    if (!SimSendDlgMessage(D->Running, DM_GETDLGITEM, Item, ToSim(&Sim)))
      return 0;
    std::wstring Text = InterfaceWide(Sim.Data);
    std::size_t Size = sizeof(Far3::DialogItem) + (Text.size() + 1) * sizeof(wchar_t);
    if (!Get || !Get->Item)
      return static_cast<std::intptr_t>(Size);
    if (Get->Size < Size)
      return 0;
    Far3::DialogItem &Out = *Get->Item;
    std::memset(&Out, 0, sizeof(Out));
    Out.Type = Sim.Type;
    Out.X1 = Sim.X1;
    Out.Y1 = Sim.Y1;
    Out.X2 = Sim.X2;
    Out.Y2 = Sim.Y2;
    Out.Flags = Sim.Flags;
    wchar_t *Data = reinterpret_cast<wchar_t *>(&Out + 1);
    std::memcpy(Data, Text.c_str(), (Text.size() + 1) * sizeof(wchar_t));
    Out.Data = Data;
    return static_cast<std::intptr_t>(Size);
  }
  default:
    return SimSendDlgMessage(D->Running, static_cast<int>(Msg), Item, ToSim(Param2));
  }
}

std::intptr_t WINAPI DefDlgProc(Far3::Handle Dlg, std::intptr_t Msg, std::intptr_t Param1,
                                void *Param2) {
  Far3SimDialogRecord *D = static_cast<Far3SimDialogRecord *>(Dlg);
  int SimMsg = Msg == Far3::DnClose ? DN_CLOSE : static_cast<int>(Msg);
  return SimDefDlgProc(D ? D->Running : nullptr, SimMsg, static_cast<int>(Param1), ToSim(Param2));
}

} // namespace

void Far3SimReset() {
  SimReset();
  Far3Sim.StoreCodePage = 866;
  Far3Sim.ReportedCodePage = 866;
  Far3Sim.MenuItems.clear();
  Far3Sim.MessageTexts.clear();
}

bool Far3SimLoadLanguage(const std::string &Bytes) {
  if (Bytes.compare(0, 3, "\xEF\xBB\xBF") != 0)
    return false;
  std::vector<std::string> Saved = SimHost.LanguageTexts;
  // The simulated host's reader parses the lines; its texts come back as UTF-8.
  if (!SimLoadLanguage(Bytes.substr(3)))
    return false;
  Far3Sim.LanguageTexts.clear();
  for (const std::string &Text : SimHost.LanguageTexts)
    Far3Sim.LanguageTexts.push_back(WideFromCodePage(Utf8Page, Text));
  SimHost.LanguageTexts = Saved;
  return true;
}

Far3::PluginStartupInfo Far3SimStartupInfo(const std::wstring &ModulePath) {
  Far3::PluginStartupInfo Info;
  std::memset(&Info, 0, sizeof(Info));
  Info.StructSize = sizeof(Info);
  Info.ModuleName = ModulePath.c_str();
  Info.Menu = Menu;
  Info.Message = Message;
  Info.GetMsg = GetMsg;
  Info.Text = Text;
  Info.EditorControl = EditorControl;
  Info.DialogInit = DialogInit;
  Info.DialogRun = DialogRun;
  Info.DialogFree = DialogFree;
  Info.SendDlgMessage = SendDlgMessage;
  Info.DefDlgProc = DefDlgProc;
  return Info;
}
