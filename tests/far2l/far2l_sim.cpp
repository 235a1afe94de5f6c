// far2l's services over the simulated host: wide texts and far2l's records in, the simulated
// host's 8-bit services underneath.
#include "far2l_sim.hpp"
#include "../../sim/sim.hpp"
#include "../../src/host/codepages.hpp"

#include <cstring>
#include <deque>
#include <map>
#include <vector>

Far2lSimRecord Far2lSim;

namespace {

const unsigned InterfacePage = 866; // the simulated screen's characters (437's box drawing)

std::wstring Wide(unsigned CodePage, const std::string &Bytes) {
  std::wstring Out;
  BytesToWide(CodePage, Bytes.data(), Bytes.size(), Out);
  return Out;
}

std::string Bytes(unsigned CodePage, const wchar_t *Text, std::size_t Length) {
  std::string Out;
  WideToBytes(CodePage, Text, Length, Out);
  return Out;
}

std::string Bytes(unsigned CodePage, const wchar_t *Text) {
  return Text ? Bytes(CodePage, Text, std::wcslen(Text)) : std::string();
}

std::wstring LineText, LineEol, FileName;
std::map<int, std::wstring> Messages;

// Character column of byte column Offset of Bytes, and back.
int CharColumn(const std::string &Text, int Offset) {
  if (Offset <= 0 || Far2lSim.TextCodePage != CodePageUtf8)
    return Offset;
  int Inside = Offset < static_cast<int>(Text.size()) ? Offset : static_cast<int>(Text.size());
  return static_cast<int>(
             Wide(CodePageUtf8, Text.substr(0, static_cast<std::size_t>(Inside))).size()) +
         (Offset - Inside);
}

int ByteColumn(const std::wstring &Text, int Column) {
  if (Column <= 0 || Far2lSim.TextCodePage != CodePageUtf8)
    return Column;
  int Inside = Column < static_cast<int>(Text.size()) ? Column : static_cast<int>(Text.size());
  return static_cast<int>(
             Bytes(CodePageUtf8, Text.data(), static_cast<std::size_t>(Inside)).size()) +
         (Column - Inside);
}

std::string SimLineOrCurrent(int Index) {
  return SimLineText(Index < 0 ? SimHost.Editor.CurLine : Index);
}

unsigned CodePageOfName(const std::string &Name) {
  if (Name.find("-utf8.") != std::string::npos)
    return CodePageUtf8;
  if (Name.find("-866.") != std::string::npos)
    return CodePageOem866;
  if (Name.find("-1251.") != std::string::npos)
    return CodePageCyrillic1251;
  return CodePageWestern1252;
}

int EditorControl(int Command, void *Param) {
  switch (Command) {
  case Far2l::ECTL_GETINFO: {
    if (Far2lSim.ByFileName)
      Far2lSim.TextCodePage = Far2lSim.ReportedCodePage = CodePageOfName(SimHost.Editor.FileName);
    EditorInfo Own;
    SimEditorControl(ECTL_GETINFO, &Own);
    auto *Info = static_cast<Far2l::EditorInfo *>(Param);
    std::memset(Info, 0, sizeof(*Info));
    Info->EditorID = Own.EditorID;
    Info->WindowSizeX = Own.WindowSizeX;
    Info->WindowSizeY = Own.WindowSizeY;
    Info->TotalLines = Own.TotalLines;
    Info->CurLine = Own.CurLine;
    Info->CurPos = CharColumn(SimLineOrCurrent(Own.CurLine), Own.CurPos);
    Info->CurTabPos = Own.CurTabPos;
    Info->TopScreenLine = Own.TopScreenLine;
    Info->LeftPos = Own.LeftPos;
    Info->Overtype = Own.Overtype;
    Info->BlockType = Own.BlockType;
    Info->BlockStartLine = Own.BlockStartLine;
    Info->TabSize = Own.TabSize;
    Info->CodePage = Far2lSim.ReportedCodePage;
    return 1;
  }
  case Far2l::ECTL_GETFILENAME:
    FileName = Wide(CodePageUtf8, SimHost.Editor.FileName);
    if (Param)
      std::wcscpy(static_cast<wchar_t *>(Param), FileName.c_str());
    return static_cast<int>(FileName.size()) + 1;
  case Far2l::ECTL_GETSTRING: {
    auto *Line = static_cast<Far2l::EditorGetString *>(Param);
    EditorGetString Own;
    std::memset(&Own, 0, sizeof(Own));
    Own.StringNumber = Line->StringNumber;
    if (!SimEditorControl(ECTL_GETSTRING, &Own))
      return 0;
    std::string Text(Own.StringText, static_cast<std::size_t>(Own.StringLength));
    LineText = Wide(Far2lSim.TextCodePage, Text);
    LineEol = Wide(CodePageUtf8, Own.StringEOL ? Own.StringEOL : "");
    Line->StringText = LineText.c_str();
    Line->StringEOL = LineEol.c_str();
    Line->StringLength = static_cast<int>(LineText.size());
    Line->SelStart = Own.SelStart < 0 ? Own.SelStart : CharColumn(Text, Own.SelStart);
    Line->SelEnd = Own.SelEnd < 0 ? Own.SelEnd : CharColumn(Text, Own.SelEnd);
    return 1;
  }
  case Far2l::ECTL_SETSTRING: {
    auto *Line = static_cast<const Far2l::EditorSetString *>(Param);
    std::string Text = Bytes(Far2lSim.TextCodePage, Line->StringText,
                             static_cast<std::size_t>(Line->StringLength));
    std::string Eol = Bytes(CodePageUtf8, Line->StringEOL);
    EditorSetString Own;
    Own.StringNumber = Line->StringNumber;
    Own.StringText = Text.c_str();
    Own.StringEOL = Line->StringEOL ? Eol.c_str() : nullptr;
    Own.StringLength = static_cast<int>(Text.size());
    return SimEditorControl(ECTL_SETSTRING, &Own);
  }
  case Far2l::ECTL_SETPOSITION: {
    auto *Move = static_cast<const Far2l::EditorSetPosition *>(Param);
    EditorSetPosition Own{Move->CurLine,       Move->CurPos,  Move->CurTabPos,
                          Move->TopScreenLine, Move->LeftPos, Move->Overtype};
    if (Move->CurPos > 0 && Far2lSim.TextCodePage == CodePageUtf8)
      Own.CurPos = ByteColumn(Wide(CodePageUtf8, SimLineOrCurrent(Move->CurLine)), Move->CurPos);
    return SimEditorControl(ECTL_SETPOSITION, &Own);
  }
  case Far2l::ECTL_INSERTSTRING:
    return SimEditorControl(ECTL_INSERTSTRING, Param);
  case Far2l::ECTL_DELETESTRING:
    return SimEditorControl(ECTL_DELETESTRING, Param);
  case Far2l::ECTL_REDRAW:
    return SimEditorControl(ECTL_REDRAW, Param);
  case Far2l::ECTL_PROCESSKEY: {
    // far2l's key code as the simulated editor (1.70's numbering) takes it.
    std::uint32_t Key = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(Param));
    std::uint32_t Base = Key & 0x003FFFFF;
    std::uint32_t Own =
        Base >= Far2l::EXTENDED_KEY_BASE ? Base - Far2l::EXTENDED_KEY_BASE + 0x100 : Base;
    if (Key & Far2l::KEY_CTRL)
      Own |= 0x01000000;
    if (Key & Far2l::KEY_ALT)
      Own |= 0x02000000;
    if (Key & Far2l::KEY_SHIFT)
      Own |= 0x04000000;
    return SimEditorControl(ECTL_PROCESSKEY, reinterpret_cast<void *>(std::uintptr_t(Own)));
  }
  default:
    return 0;
  }
}

const wchar_t *GetMsg(Far2l::IntPtr, int MsgId) {
  std::wstring &Slot = Messages[MsgId];
  Slot = Wide(CodePageUtf8, SimGetMsg(0, MsgId));
  return Slot.c_str();
}

int Menu(Far2l::IntPtr, int X, int Y, int MaxHeight, Far2l::Dword Flags, const wchar_t *Title,
         const wchar_t *Bottom, const wchar_t *HelpTopic, const int *BreakKeys, int *BreakCode,
         const Far2l::FarMenuItem *Item, int ItemsNumber) {
  // Entries in the file's code page, as the native tool prints the navigator's.
  std::vector<FarMenuItem> Items(static_cast<std::size_t>(ItemsNumber));
  for (int I = 0; I < ItemsNumber; ++I) {
    FarMenuItem &Own = Items[static_cast<std::size_t>(I)];
    std::memset(&Own, 0, sizeof(Own));
    std::string Text = Bytes(Far2lSim.TextCodePage, Item[I].Text);
    std::strncpy(Own.Text, Text.c_str(), sizeof(Own.Text) - 1);
    Own.Selected = Item[I].Selected;
    Own.Checked = Item[I].Checked;
    Own.Separator = Item[I].Separator;
  }
  std::string TitleText = Bytes(CodePageUtf8, Title);
  std::string BottomText = Bytes(CodePageUtf8, Bottom);
  std::string Help = Bytes(CodePageUtf8, HelpTopic);
  return SimMenu(0, X, Y, MaxHeight, Flags, TitleText.c_str(),
                 Bottom ? BottomText.c_str() : nullptr, Help.c_str(), BreakKeys, BreakCode,
                 Items.data(), ItemsNumber);
}

Far2l::IntPtr Message(Far2l::IntPtr, Far2l::Dword Flags, const wchar_t *HelpTopic,
                      const wchar_t *const *Items, int ItemsNumber, int ButtonsNumber) {
  std::vector<std::string> Texts;
  for (int I = 0; I < ItemsNumber; ++I)
    Texts.push_back(Bytes(CodePageUtf8, Items[I]));
  std::vector<const char *> Pointers;
  for (const std::string &Text : Texts)
    Pointers.push_back(Text.c_str());
  std::string Help = Bytes(CodePageUtf8, HelpTopic);
  return SimMessage(0, Flags, Help.c_str(), Pointers.data(), ItemsNumber, ButtonsNumber);
}

void Text(int X, int Y, std::uint64_t Color, const wchar_t *Str) {
  if (!Str)
    return;
  SimText(X, Y, static_cast<int>(Color), Bytes(InterfacePage, Str).c_str());
}

// A dialog between DialogInit and DialogFree: the simulated dialog's handle while it runs,
// its items as it closed with them afterwards.
struct DialogRecord {
  int X1, Y1, X2, Y2;
  std::string Help;
  Far2l::Dword Flags;
  Far2l::FarWindowProc Proc;
  Far2l::IntPtr Param;
  std::vector<FarDialogItem> Items;
  HANDLE Live = nullptr;
};
std::deque<DialogRecord> Dialogs;
std::vector<DialogRecord *> Running;

// As far2l paints a user control: blanks over its area once the plug-in was asked to draw it,
// unless the plug-in's answer was 0.
void PaintUserControl(HANDLE Live, const FarDialogItem &Item) {
  SmallRect Rect;
  SimSendDlgMessage(Live, DM_GETDLGRECT, 0, reinterpret_cast<long>(&Rect));
  std::string Blanks(static_cast<std::size_t>(Item.X2 - Item.X1 + 1), ' ');
  for (int Y = Item.Y1; Y <= Item.Y2; ++Y)
    SimText(Rect.Left + Item.X1, Rect.Top + Y, 0x07, Blanks.c_str());
}

long WINAPI DialogProc(HANDLE Live, int Msg, int Param1, long Param2) {
  DialogRecord *D = Running.back();
  D->Live = Live;
  if (Msg != DN_DRAWDLGITEM || Param1 < 0 || Param1 >= static_cast<int>(D->Items.size()))
    return static_cast<long>(D->Proc(D, Msg, Param1, Param2));
  // far2l hands the item being drawn in its own form.
  FarDialogItem Own;
  SimSendDlgMessage(Live, DM_GETDLGITEM, Param1, reinterpret_cast<long>(&Own));
  Far2l::FarDialogItem Item;
  std::memset(&Item, 0, sizeof(Item));
  Item.Type = Own.Type;
  Item.X1 = Own.X1;
  Item.Y1 = Own.Y1;
  Item.X2 = Own.X2;
  Item.Y2 = Own.Y2;
  Item.Flags = Own.Flags;
  long Reply = static_cast<long>(D->Proc(D, Msg, Param1, reinterpret_cast<long>(&Item)));
  if (Reply && Own.Type == DI_USERCONTROL)
    PaintUserControl(Live, Own);
  return Reply;
}

void *DialogInit(Far2l::IntPtr, int X1, int Y1, int X2, int Y2, const wchar_t *HelpTopic,
                 Far2l::FarDialogItem *Item, unsigned ItemsNumber, Far2l::Dword, Far2l::Dword Flags,
                 Far2l::FarWindowProc DlgProc, Far2l::IntPtr Param) {
  Dialogs.emplace_back();
  DialogRecord &D = Dialogs.back();
  D.X1 = X1;
  D.Y1 = Y1;
  D.X2 = X2;
  D.Y2 = Y2;
  D.Help = Bytes(CodePageUtf8, HelpTopic);
  D.Flags = Flags;
  D.Proc = DlgProc;
  D.Param = Param;
  for (unsigned I = 0; I < ItemsNumber; ++I) {
    const Far2l::FarDialogItem &From = Item[I];
    FarDialogItem Own;
    std::memset(&Own, 0, sizeof(Own));
    Own.Type = From.Type;
    Own.X1 = From.X1;
    Own.Y1 = From.Y1;
    Own.X2 = From.X2;
    Own.Y2 = From.Y2;
    Own.Focus = From.Focus;
    Own.Selected = From.Param.Selected;
    Own.Flags = From.Flags;
    Own.DefaultButton = From.DefaultButton;
    std::strncpy(Own.Data, Bytes(InterfacePage, From.PtrData).c_str(), sizeof(Own.Data) - 1);
    D.Items.push_back(Own);
  }
  return &D;
}

int DialogRun(void *Dlg) {
  DialogRecord *D = static_cast<DialogRecord *>(Dlg);
  Running.push_back(D);
  SimHost.DialogTextCut = SimTextCutFar2l;
  int Result = SimDialogEx(0, D->X1, D->Y1, D->X2, D->Y2, D->Help.c_str(), D->Items.data(),
                           static_cast<int>(D->Items.size()), 0, D->Flags, DialogProc,
                           static_cast<long>(D->Param));
  SimHost.DialogTextCut = SimTextWhole;
  Running.pop_back();
  D->Live = nullptr;
  if (!SimHost.Dialogs.empty())
    D->Items = SimHost.Dialogs.back().FinalItems;
  return Result;
}

void DialogFree(void *) {}

Far2l::IntPtr SendDlgMessage(void *Dlg, int Msg, int Param1, Far2l::IntPtr Param2) {
  DialogRecord *D = static_cast<DialogRecord *>(Dlg);
  bool IsItem = Param1 >= 0 && Param1 < static_cast<int>(D->Items.size());
  switch (Msg) {
  case Far2l::DM_GETTEXT: {
    std::string Text;
    if (D->Live) {
      char Buffer[sizeof(FarDialogItem::Data)];
      FarDialogItemData Own{0, Buffer};
      SimSendDlgMessage(D->Live, DM_GETTEXT, Param1, reinterpret_cast<long>(&Own));
      Text = Buffer;
    } else if (IsItem) {
      Text = D->Items[static_cast<std::size_t>(Param1)].Data;
    }
    std::wstring Wide = ::Wide(InterfacePage, Text);
    auto *Out = reinterpret_cast<Far2l::FarDialogItemData *>(Param2);
    if (!Out || !Out->PtrData)
      return static_cast<Far2l::IntPtr>(Wide.size());
    std::size_t Length = Wide.size();
    if (Out->PtrLength > 0 && Out->PtrLength < Length)
      Length = Out->PtrLength;
    std::wmemcpy(Out->PtrData, Wide.data(), Length);
    Out->PtrData[Length] = 0;
    return static_cast<Far2l::IntPtr>(Length);
  }
  case Far2l::DM_SETTEXTPTR: {
    std::string Text = Bytes(InterfacePage, reinterpret_cast<const wchar_t *>(Param2));
    FarDialogItemData Own{static_cast<int>(Text.size()), &Text[0]};
    return D->Live ? SimSendDlgMessage(D->Live, DM_SETTEXT, Param1, reinterpret_cast<long>(&Own))
                   : 0;
  }
  case Far2l::DM_GETDLGITEMSHORT: {
    FarDialogItem Own;
    if (!D->Live ||
        !SimSendDlgMessage(D->Live, DM_GETDLGITEM, Param1, reinterpret_cast<long>(&Own)))
      return 0;
    auto *Out = reinterpret_cast<Far2l::FarDialogItem *>(Param2);
    std::memset(Out, 0, sizeof(*Out));
    Out->Type = Own.Type;
    Out->X1 = Own.X1;
    Out->Y1 = Own.Y1;
    Out->X2 = Own.X2;
    Out->Y2 = Own.Y2;
    Out->Focus = Own.Focus;
    Out->Param.Selected = Own.Selected;
    Out->Flags = Own.Flags;
    Out->DefaultButton = Own.DefaultButton;
    return 1;
  }
  case Far2l::DM_GETDLGITEM:
  case Far2l::DM_SETTEXT:
    return 0; // records of far2l's own form, which the plug-in is not to send
  default:
    return D->Live ? SimSendDlgMessage(D->Live, Msg, Param1, static_cast<long>(Param2)) : 0;
  }
}

Far2l::IntPtr DefDlgProc(void *Dlg, int Msg, int Param1, Far2l::IntPtr Param2) {
  DialogRecord *D = static_cast<DialogRecord *>(Dlg);
  return SimDefDlgProc(D->Live, Msg, Param1, static_cast<long>(Param2));
}

std::wstring ModuleName;

} // namespace

Far2l::PluginStartupInfo Far2lSimStartupInfo(const std::string &ModulePath) {
  Far2l::PluginStartupInfo Info;
  std::memset(&Info, 0, sizeof(Info));
  Info.StructSize = sizeof(Info);
  ModuleName = Wide(CodePageUtf8, ModulePath);
  Info.ModuleName = ModuleName.c_str();
  Info.ModuleNumber = 0x7E57;
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
