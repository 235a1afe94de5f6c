// The editor service: 1.70 editor commands on far2l's wide editor. Line texts pass through the
// file's code page, and columns given in bytes of a UTF-8 line become character columns.
#include "../host/codepages.hpp"
#include "../host/keys.hpp"
#include "../host/session.hpp"
#include "bridge.hpp"

#include <cstring>
#include <vector>

Far2lBridgeRecord Far2lBridge;

namespace {

// The line last read, in the form handed to the plug-in (valid until the next read).
std::string LineText;
std::string LineEol;
std::string FileName;

int Far(int Command, void *Param) {
  return Far2lBridge.Far.EditorControl ? Far2lBridge.Far.EditorControl(Command, Param) : 0;
}

bool GetWideLine(int Index, Far2l::EditorGetString &Line) {
  std::memset(&Line, 0, sizeof(Line));
  Line.StringNumber = Index;
  return Far(Far2l::ECTL_GETSTRING, &Line) != 0;
}

bool MultiByteLines() {
  return Far2lBridge.LineCodePage == CodePageUtf8;
}

// The byte offset of character Column of a line: past its end, one byte per column.
int ByteColumn(const Far2l::EditorGetString &Line, int Column) {
  if (Column <= 0 || !MultiByteLines())
    return Column;
  int Inside = Column < Line.StringLength ? Column : Line.StringLength;
  std::string Bytes = BytesFrom(CodePageUtf8, Line.StringText, static_cast<std::size_t>(Inside));
  return static_cast<int>(Bytes.size()) + (Column - Inside);
}

int GetInfo(EditorInfo *Info) {
  Far2l::EditorInfo F;
  std::memset(&F, 0, sizeof(F));
  if (!Far(Far2l::ECTL_GETINFO, &F))
    return 0;
  Far2lBridge.LineCodePage = IsKnownCodePage(F.CodePage) ? F.CodePage : CodePageUtf8;
  int Size = Far(Far2l::ECTL_GETFILENAME, nullptr);
  std::vector<wchar_t> Name(static_cast<std::size_t>(Size > 0 ? Size : 0) + 1, 0);
  if (Size > 0)
    Far(Far2l::ECTL_GETFILENAME, Name.data());
  FileName = BytesFrom(CodePageUtf8, Name.data(), std::wcslen(Name.data()));
  std::memset(Info, 0, sizeof(*Info));
  Info->EditorID = F.EditorID;
  Info->FileName = FileName.c_str();
  Info->WindowSizeX = F.WindowSizeX;
  Info->WindowSizeY = F.WindowSizeY;
  Info->TotalLines = F.TotalLines;
  Info->CurLine = F.CurLine;
  // The engine takes the cursor's position as a column: where a marked block is indented to
  // and where the cursor goes back to. far2l's position counts characters, as 1.70's does.
  Info->CurPos = F.CurPos;
  Info->CurTabPos = F.CurTabPos;
  Info->TopScreenLine = F.TopScreenLine;
  Info->LeftPos = F.LeftPos;
  Info->Overtype = F.Overtype;
  Info->BlockType = F.BlockType;
  Info->BlockStartLine = F.BlockStartLine;
  Info->Options = F.Options;
  Info->TabSize = F.TabSize;
  Info->BookMarkCount = F.BookMarkCount;
  Info->CurState = F.CurState;
  return 1;
}

int GetString(EditorGetString *Read) {
  Far2l::EditorGetString Line;
  if (!GetWideLine(Read->StringNumber, Line))
    return 0;
  unsigned CodePage = Far2lBridge.LineCodePage;
  std::size_t Length = Line.StringLength > 0 ? static_cast<std::size_t>(Line.StringLength) : 0;
  LineText = BytesFrom(CodePage, Line.StringText, Line.StringText ? Length : 0);
  const wchar_t *Eol = Line.StringEOL ? Line.StringEOL : L"";
  LineEol = BytesFrom(CodePage, Eol, std::wcslen(Eol));
  Read->StringText = LineText.c_str();
  Read->StringEOL = LineEol.c_str();
  Read->StringLength = static_cast<int>(LineText.size());
  Read->SelStart = Line.SelStart < 0 ? Line.SelStart : ByteColumn(Line, Line.SelStart);
  Read->SelEnd = Line.SelEnd < 0 ? Line.SelEnd : ByteColumn(Line, Line.SelEnd);
  return 1;
}

int SetString(const EditorSetString *Write) {
  unsigned CodePage = Far2lBridge.LineCodePage;
  std::string Bytes(Write->StringText ? Write->StringText : "",
                    Write->StringText && Write->StringLength > 0
                        ? static_cast<std::size_t>(Write->StringLength)
                        : 0);
  std::wstring Text;
  BytesToWide(CodePage, Bytes.data(), Bytes.size(), Text);
  std::wstring Eol = WideFrom(CodePage, Write->StringEOL ? Write->StringEOL : "");
  Far2l::EditorSetString F;
  F.StringNumber = Write->StringNumber;
  F.StringText = Text.c_str();
  F.StringEOL = Write->StringEOL ? Eol.c_str() : nullptr;
  F.StringLength = static_cast<int>(Text.size());
  return Far(Far2l::ECTL_SETSTRING, &F);
}

int SetPosition(const EditorSetPosition *Move) {
  Far2l::EditorSetPosition F;
  F.CurLine = Move->CurLine;
  F.CurPos = Move->CurPos;
  F.CurTabPos = Move->CurTabPos;
  F.TopScreenLine = Move->TopScreenLine;
  F.LeftPos = Move->LeftPos;
  F.Overtype = Move->Overtype;
  return Far(Far2l::ECTL_SETPOSITION, &F);
}

// A 1.70 key code as far2l numbers it: the modifiers move to far2l's bits, and a key from
// 0x100 up (a virtual key plus 0x100) moves to far2l's range of such keys.
std::uint32_t FarKey(std::intptr_t Key) {
  std::uint32_t K = static_cast<std::uint32_t>(Key);
  std::uint32_t Base = K & 0x00FFFFFF;
  std::uint32_t Out = Base >= 0x100 ? Far2l::EXTENDED_KEY_BASE + (Base - 0x100) : Base;
  if (K & KEY_CTRL)
    Out |= Far2l::KEY_CTRL;
  if (K & KEY_ALT)
    Out |= Far2l::KEY_ALT;
  if (K & KEY_SHIFT)
    Out |= Far2l::KEY_SHIFT;
  return Out;
}

} // namespace

int WINAPI BridgeEditorControl(int Command, void *Param) {
  switch (Command) {
  case ECTL_GETINFO:
    return Param ? GetInfo(static_cast<EditorInfo *>(Param)) : 0;
  case ECTL_GETSTRING:
    return Param ? GetString(static_cast<EditorGetString *>(Param)) : 0;
  case ECTL_SETSTRING:
    return Param ? SetString(static_cast<const EditorSetString *>(Param)) : 0;
  case ECTL_SETPOSITION:
    return Param ? SetPosition(static_cast<const EditorSetPosition *>(Param)) : 0;
  case ECTL_INSERTSTRING:
    return Far(Far2l::ECTL_INSERTSTRING, Param);
  case ECTL_DELETESTRING:
    return Far(Far2l::ECTL_DELETESTRING, Param);
  case ECTL_REDRAW:
    return Far(Far2l::ECTL_REDRAW, Param);
  case ECTL_PROCESSKEY: {
    std::uintptr_t Key = FarKey(reinterpret_cast<std::intptr_t>(Param));
    return Far(Far2l::ECTL_PROCESSKEY, reinterpret_cast<void *>(Key));
  }
  default:
    return 0;
  }
}

bool LinesFitCodePage() {
  EditorInfo Info;
  if (!GetInfo(&Info))
    return true;
  for (int Index = 0; Index < Info.TotalLines; ++Index) {
    Far2l::EditorGetString Line;
    if (!GetWideLine(Index, Line))
      continue;
    std::size_t Length =
        Line.StringText && Line.StringLength > 0 ? static_cast<std::size_t>(Line.StringLength) : 0;
    if (!RoundTrips(Far2lBridge.LineCodePage, Line.StringText, Length)) {
      // The language file's text with the line's number and the code page put in.
      std::string Text = MsgText(MsgOutsideCodePage);
      const std::string Fields[2][2] = {{"%line", std::to_string(Index + 1)},
                                        {"%codepage", std::to_string(Far2lBridge.LineCodePage)}};
      for (const auto &Field : Fields) {
        std::size_t At = Text.find(Field[0]);
        if (At != std::string::npos)
          Text.replace(At, Field[0].size(), Field[1]);
      }
      ShowMessage(FMSG_WARNING, "Contents",
                  {{MsgErrorTitle, nullptr}, {0, Text.c_str()}, {MsgOk, nullptr}}, 1);
      return false;
    }
  }
  return true;
}
