// The 1.70 services over Far 3's: the editor's lines between UTF-16 and the engine's code page
// (cursor and selection columns with them), menus, message boxes, texts by number and screen
// text between UTF-16 and the interface code page, and the 1.70 key codes as console input.
#include "bridge.hpp"
#include "../host/keys.hpp"
#include "../host/session.hpp"
#include "encoding.hpp"

#include <windows.h>
#undef DefDlgProc // the 1.70 service of that name, not the Windows macro

#include <cstring>
#include <map>
#include <vector>

Far3BridgeRecord Far3Bridge;

// {960532EE-CC83-4E24-9324-8F91893E39F7}
const Far3::Uuid PluginGuid = {
    0x960532ee, 0xcc83, 0x4e24, {0x93, 0x24, 0x8f, 0x91, 0x89, 0x3e, 0x39, 0xf7}};

namespace {

// The menus and message boxes the plug-in shows, as Far 3 tells them apart.
const Far3::Uuid MenuGuid = {
    0xff8d70ba, 0xc7b9, 0x4777, {0x80, 0xb0, 0x79, 0xf5, 0x0d, 0x4c, 0x24, 0x0e}};
const Far3::Uuid MessageGuid = {
    0xfeaf4ae7, 0x955b, 0x408e, {0x9c, 0x81, 0x25, 0x78, 0x6a, 0x3a, 0xfc, 0x16}};

// What the translated services hand out: valid until the next call of the same service, as
// the 1.70 host's own buffers are.
struct BridgeBuffersRecord {
  std::map<int, std::string> Messages; // by number, so that earlier texts stay in place
  std::string LineText, LineEol;
  std::string FileName;
};
BridgeBuffersRecord Buffers;

std::intptr_t Editor(int Command, void *Param2, std::intptr_t Param1 = 0) {
  return Far3Bridge.Far.EditorControl(Far3::CurrentEditor, Command, Param1, Param2);
}

// Line Index (-1: the cursor line) as the editor holds it.
Far3::EditorGetString WideLine(std::intptr_t Index) {
  Far3::EditorGetString Line;
  std::memset(&Line, 0, sizeof(Line));
  Line.StructSize = sizeof(Line);
  Line.StringNumber = Index;
  Editor(ECTL_GETSTRING, &Line);
  return Line;
}

std::wstring WideText(const Far3::EditorGetString &Line) {
  if (!Line.StringText || Line.StringLength <= 0)
    return std::wstring();
  return std::wstring(Line.StringText, static_cast<std::size_t>(Line.StringLength));
}

unsigned PageInUse() {
  return Far3Bridge.EditorCodePage ? Far3Bridge.EditorCodePage : InterfaceCodePage;
}

// The module's path for the engine's 8-bit file calls: in the system's ANSI code page, or
// its short form when the long one has characters outside it.
std::string AnsiPath(const wchar_t *Path) {
  std::string Bytes;
  if (!Path || EncodeText(CP_ACP, Path, std::wcslen(Path), Bytes))
    return Bytes;
  wchar_t Short[MAX_PATH];
  DWORD Length = GetShortPathNameW(Path, Short, MAX_PATH);
  if (Length == 0 || Length >= MAX_PATH || !EncodeText(CP_ACP, Short, Length, Bytes))
    EncodeText(CP_ACP, Path, std::wcslen(Path), Bytes); // with substitutes: the best there is
  return Bytes;
}

std::string FileNameOfEditor() {
  std::intptr_t Size = Editor(Far3::EctlGetFileName, nullptr, 0);
  if (Size <= 0)
    return std::string();
  std::vector<wchar_t> Name(static_cast<std::size_t>(Size) + 1, 0);
  Editor(Far3::EctlGetFileName, Name.data(), Size);
  return AnsiPath(Name.data());
}

void GetInfo(EditorInfo &Out) {
  Far3::EditorInfo In;
  std::memset(&In, 0, sizeof(In));
  In.StructSize = sizeof(In);
  Editor(ECTL_GETINFO, &In);
  std::memset(&Out, 0, sizeof(Out));
  Buffers.FileName = FileNameOfEditor();
  Out.EditorID = static_cast<int>(In.EditorID);
  Out.FileName = Buffers.FileName.c_str();
  Out.WindowSizeX = static_cast<int>(In.WindowSizeX);
  Out.WindowSizeY = static_cast<int>(In.WindowSizeY);
  Out.TotalLines = static_cast<int>(In.TotalLines);
  Out.CurLine = static_cast<int>(In.CurLine);
  // The engine takes the cursor's position as a column: where a marked block is indented to
  // and where the cursor goes back to. Far's position counts characters, as 1.70's does.
  Out.CurPos = static_cast<int>(In.CurPos);
  Out.CurTabPos = static_cast<int>(In.CurTabPos);
  Out.TopScreenLine = static_cast<int>(In.TopScreenLine);
  Out.LeftPos = static_cast<int>(In.LeftPos);
  Out.Overtype = static_cast<int>(In.Overtype);
  Out.BlockType = static_cast<int>(In.BlockType);
  Out.BlockStartLine = static_cast<int>(In.BlockStartLine);
  Out.TableNum = -1;
  Out.Options = static_cast<DWORD>(In.Options);
  Out.TabSize = static_cast<int>(In.TabSize);
  Out.BookMarkCount = static_cast<int>(In.BookmarkCount);
  Out.CurState = static_cast<DWORD>(In.CurState);
}

void GetString(EditorGetString &Out) {
  Far3::EditorGetString In = WideLine(Out.StringNumber);
  std::wstring Text = WideText(In);
  // Every line was checked to come through when the plug-in was opened.
  EncodeText(PageInUse(), Text.data(), Text.size(), Buffers.LineText);
  const wchar_t *Eol = In.StringEOL ? In.StringEOL : L"";
  EncodeText(PageInUse(), Eol, std::wcslen(Eol), Buffers.LineEol);
  Out.StringText = Buffers.LineText.c_str();
  Out.StringLength = static_cast<int>(Buffers.LineText.size());
  Out.StringEOL = Buffers.LineEol.c_str();
  Out.SelStart = static_cast<int>(In.SelStart < 0 ? In.SelStart
                                                  : EncodedLength(PageInUse(), Text, In.SelStart));
  Out.SelEnd =
      static_cast<int>(In.SelEnd < 0 ? In.SelEnd : EncodedLength(PageInUse(), Text, In.SelEnd));
}

void SetString(const EditorSetString &In) {
  std::wstring Text, Eol;
  if (In.StringText && In.StringLength > 0)
    DecodeText(PageInUse(), In.StringText, static_cast<std::size_t>(In.StringLength), Text);
  if (In.StringEOL)
    DecodeText(PageInUse(), In.StringEOL, std::strlen(In.StringEOL), Eol);
  Far3::EditorSetString Out;
  Out.StructSize = sizeof(Out);
  Out.StringNumber = In.StringNumber;
  Out.StringLength = static_cast<std::intptr_t>(Text.size());
  Out.StringText = Text.c_str();
  Out.StringEOL = In.StringEOL ? Eol.c_str() : nullptr;
  Editor(ECTL_SETSTRING, &Out);
}

void SetPosition(const EditorSetPosition &In) {
  Far3::EditorSetPosition Out;
  Out.StructSize = sizeof(Out);
  Out.CurLine = In.CurLine;
  Out.CurPos = In.CurPos;
  Out.CurTabPos = In.CurTabPos;
  Out.TopScreenLine = In.TopScreenLine;
  Out.LeftPos = In.LeftPos;
  Out.Overtype = In.Overtype;
  Editor(ECTL_SETPOSITION, &Out);
}

// A 1.70 key code as the console key event Far 3 takes.
void ProcessKey(int Code) {
  Far3::KeyInputRecord Input;
  std::memset(&Input, 0, sizeof(Input));
  Input.EventType = Far3::KeyEventType;
  Input.KeyDown = 1;
  Input.RepeatCount = 1;
  const int Base = Code & 0xFFFFFF;
  switch (Base) {
  case KEY_END:
    Input.VirtualKeyCode = VK_END;
    break;
  case KEY_HOME:
    Input.VirtualKeyCode = VK_HOME;
    break;
  case KEY_LEFT:
    Input.VirtualKeyCode = VK_LEFT;
    break;
  case KEY_UP:
    Input.VirtualKeyCode = VK_UP;
    break;
  case KEY_RIGHT:
    Input.VirtualKeyCode = VK_RIGHT;
    break;
  case KEY_DOWN:
    Input.VirtualKeyCode = VK_DOWN;
    break;
  default:
    Input.VirtualKeyCode = static_cast<std::uint16_t>(Base);
    Input.UnicodeChar = static_cast<wchar_t>(Base);
    break;
  }
  if (Base >= KEY_END && Base <= KEY_DOWN)
    Input.ControlKeyState |= Far3::EnhancedKey;
  if (Code & KEY_CTRL)
    Input.ControlKeyState |= Far3::LeftCtrlPressed;
  if (Code & KEY_SHIFT)
    Input.ControlKeyState |= Far3::ShiftPressed;
  if (Code & KEY_ALT)
    Input.ControlKeyState |= Far3::LeftAltPressed;
  Editor(Far3::EctlProcessInput, &Input);
}

int WINAPI BridgeEditorControl(int Command, void *Param) {
  switch (Command) {
  case ECTL_GETINFO:
    GetInfo(*static_cast<EditorInfo *>(Param));
    return 1;
  case ECTL_GETSTRING:
    GetString(*static_cast<EditorGetString *>(Param));
    return 1;
  case ECTL_SETSTRING:
    SetString(*static_cast<const EditorSetString *>(Param));
    return 1;
  case ECTL_SETPOSITION:
    SetPosition(*static_cast<const EditorSetPosition *>(Param));
    return 1;
  case ECTL_INSERTSTRING:
  case ECTL_DELETESTRING:
    return static_cast<int>(Editor(Command, nullptr));
  case ECTL_PROCESSKEY:
    ProcessKey(static_cast<int>(reinterpret_cast<std::intptr_t>(Param)));
    return 1;
  default:
    return 0;
  }
}

const char *WINAPI BridgeGetMsg(int, int MsgId) {
  std::string &Text = Buffers.Messages[MsgId];
  std::string Now = InterfaceBytes(Far3Text(MsgId));
  if (Now != Text)
    Text = Now;
  return Text.c_str();
}

// The procedure list's entries are lines of the file: they are in the editor's code page,
// where every other menu text is in the interface one.
bool ListsFileLines(const char *Title) {
  return Far3Bridge.EditorCodePage && Title &&
         std::strcmp(Title, BridgeGetMsg(0, MsgMenuProcedures)) == 0;
}

int WINAPI BridgeMenu(int, int X, int Y, int MaxHeight, DWORD Flags, const char *Title,
                      const char *Bottom, const char *HelpTopic, const int *, int *,
                      const FarMenuItem *Item, int ItemsNumber) {
  const bool FileLines = ListsFileLines(Title);
  std::vector<std::wstring> Texts(static_cast<std::size_t>(ItemsNumber > 0 ? ItemsNumber : 0));
  std::vector<Far3::MenuItem> Items(Texts.size());
  for (std::size_t I = 0; I < Items.size(); ++I) {
    const FarMenuItem &In = Item[I];
    std::size_t Length = strnlen(In.Text, sizeof(In.Text));
    if (!FileLines || !DecodeText(Far3Bridge.EditorCodePage, In.Text, Length, Texts[I]))
      Texts[I] = InterfaceWide(std::string(In.Text, Length).c_str());
    std::memset(&Items[I], 0, sizeof(Items[I]));
    Items[I].Text = Texts[I].c_str();
    Items[I].Flags = (In.Selected ? Far3::MenuItemSelected : 0) |
                     (In.Checked ? Far3::MenuItemChecked : 0) |
                     (In.Separator ? Far3::MenuItemSeparator : 0);
  }
  std::wstring WideTitle = InterfaceWide(Title), WideBottom = InterfaceWide(Bottom),
               WideHelp = InterfaceWide(HelpTopic);
  return static_cast<int>(Far3Bridge.Far.Menu(
      &PluginGuid, &MenuGuid, X, Y, MaxHeight, Flags, Title ? WideTitle.c_str() : nullptr,
      Bottom ? WideBottom.c_str() : nullptr, HelpTopic ? WideHelp.c_str() : nullptr, nullptr,
      nullptr, Items.data(), Items.size()));
}

int WINAPI BridgeMessage(int, DWORD Flags, const char *HelpTopic, const char *const *Items,
                         int ItemsNumber, int ButtonsNumber) {
  std::vector<std::wstring> Texts;
  for (int I = 0; I < ItemsNumber; ++I)
    Texts.push_back(InterfaceWide(Items[I]));
  std::vector<const wchar_t *> Pointers;
  for (const std::wstring &Text : Texts)
    Pointers.push_back(Text.c_str());
  std::uint64_t Far3Flags = Flags & (FMSG_WARNING | FMSG_ERRORTYPE | FMSG_KEEPBACKGROUND);
  if (Flags & FMSG_LEFTALIGN)
    Far3Flags |= Far3::MessageLeftAlign;
  std::wstring Help = InterfaceWide(HelpTopic);
  return static_cast<int>(Far3Bridge.Far.Message(&PluginGuid, &MessageGuid, Far3Flags,
                                                 HelpTopic ? Help.c_str() : nullptr,
                                                 Pointers.data(), Pointers.size(), ButtonsNumber));
}

// A console attribute (background in the high four bits) as Far 3's colour record.
void WINAPI BridgeText(int X, int Y, int Colour, const char *Str) {
  Far3::Color Color;
  std::memset(&Color, 0, sizeof(Color));
  Color.Flags = Far3::ColorForegroundIndex | Far3::ColorBackgroundIndex;
  Color.Foreground = Far3::ColorOpaque | static_cast<std::uint32_t>(Colour & 0xF);
  Color.Background = Far3::ColorOpaque | static_cast<std::uint32_t>((Colour >> 4) & 0xF);
  std::wstring Text = InterfaceWide(Str);
  Far3Bridge.Far.Text(X, Y, &Color, Str ? Text.c_str() : nullptr);
}

} // namespace

std::wstring InterfaceWide(const char *Text) {
  std::wstring Wide;
  if (Text)
    DecodeText(InterfaceCodePage, Text, std::strlen(Text), Wide);
  return Wide;
}

std::string InterfaceBytes(const wchar_t *Text) {
  std::string Bytes;
  if (Text)
    EncodeText(InterfaceCodePage, Text, std::wcslen(Text), Bytes);
  return Bytes;
}

const wchar_t *Far3Text(int Id) {
  const wchar_t *Text = Far3Bridge.Far.GetMsg ? Far3Bridge.Far.GetMsg(&PluginGuid, Id) : nullptr;
  return Text ? Text : L"";
}

void ShowFar3Notice(int Title, const std::wstring &Text) {
  const wchar_t *Items[] = {Far3Text(Title), Text.c_str(), Far3Text(MsgOk)};
  Far3Bridge.Far.Message(&PluginGuid, &MessageGuid, FMSG_WARNING, L"Contents", Items, 3, 1);
}

unsigned EngineCodePage(std::uintptr_t CodePage) {
  // The engine reads a byte below 0x80 as that ASCII character: a file in a code page with
  // longer characters (UTF-16, or one whose second bytes may look like ASCII) is handed over
  // as UTF-8, whose every byte of a longer character is 0x80 or above.
  if (CodePage <= 0xFFFF && IsSingleByteCodePage(static_cast<unsigned>(CodePage)))
    return static_cast<unsigned>(CodePage);
  return Utf8CodePage;
}

void MakeServiceTable(const Far3::PluginStartupInfo &Far, PluginStartupInfo &Table) {
  std::memset(&Far3Bridge.Far, 0, sizeof(Far3Bridge.Far));
  std::memcpy(&Far3Bridge.Far, &Far,
              Far.StructSize < sizeof(Far3Bridge.Far) ? Far.StructSize : sizeof(Far3Bridge.Far));
  std::memset(&Table, 0, sizeof(Table));
  Table.StructSize = sizeof(Table);
  std::string Module = AnsiPath(Far.ModuleName);
  std::strncpy(Table.ModuleName, Module.c_str(), sizeof(Table.ModuleName) - 1);
  Table.Menu = BridgeMenu;
  Table.Message = BridgeMessage;
  Table.GetMsg = BridgeGetMsg;
  Table.Text = BridgeText;
  Table.EditorControl = BridgeEditorControl;
  Table.DialogEx = BridgeDialogEx;
  Table.SendDlgMessage = BridgeSendDlgMessage;
  Table.DefDlgProc = BridgeDefDlgProc;
}
