// The simulated editor: lines with their own ends of line, a cursor and screen position, a
// stream or column block kept per line as the host reports it, and the editor commands.
//
// Line texts live in one store: the file's bytes as loaded, then each text written since,
// appended. A line is an offset and a length into it, so loading a file copies nothing, a
// split shares bytes, and the loaded bytes stay intact for telling whether anything changed.
#include "../src/host/keys.hpp"
#include "sim.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>

PER_THREAD SimHostRecord SimHost;

namespace {

// Views of string literals: their sizes come free and their data is zero-terminated.
constexpr std::string_view EolTexts[5] = {"", "\r", "\n", "\r\n", "\r\r\n"};

SimEditorRecord &Ed() {
  return SimHost.Editor;
}
int Total() {
  return static_cast<int>(Ed().Lines.size());
}
SimLineSlot &LineAt(int Index) {
  return Ed().Lines[static_cast<std::size_t>(Index)];
}
const char *BytesOf(const SimLineSlot &L) {
  return Ed().Store.data() + L.Offset;
}
std::size_t TextLength(const SimLineSlot &L) {
  return static_cast<std::size_t>(L.Indent) + L.Length;
}
// The bytes line L takes in the saved text, with its end of line.
std::size_t SavedLength(const SimLineSlot &L) {
  return TextLength(L) + EolTexts[L.Eol].size();
}
std::string TextCopy(const SimLineSlot &L) {
  std::string Text(L.Indent, ' ');
  Text.append(BytesOf(L), L.Length);
  return Text;
}
bool TextEquals(const SimLineSlot &L, const char *Text, std::size_t Length) {
  if (TextLength(L) != Length)
    return false;
  for (std::size_t I = 0; I < L.Indent; ++I)
    if (Text[I] != ' ')
      return false;
  return std::memcmp(BytesOf(L), Text + L.Indent, L.Length) == 0;
}

std::uint8_t EolKindOf(const char *Eol) {
  if (!Eol || !*Eol)
    return SimEolNone;
  if (Eol[0] == '\n')
    return SimEolLf;
  if (Eol[0] != '\r')
    return SimEolNone;
  if (Eol[1] == '\n')
    return SimEolCrLf;
  return Eol[1] == '\r' && Eol[2] == '\n' ? SimEolCrCrLf : SimEolCr;
}

// The end of line a new line gets when the line it came from has none.
std::uint8_t DefaultEol() {
  for (std::size_t I = 0; I < Ed().Lines.size(); ++I)
    if (Ed().Lines[I].Eol != SimEolNone)
      return Ed().Lines[I].Eol;
  return SimEolCrLf;
}

// Moves the texts still in use behind the loaded bytes, dropping those no line uses.
void CompactStore() {
  SimEditorRecord &E = Ed();
  std::string Fresh;
  Fresh.reserve(E.LoadedSize + 2 * E.LiveBytes + (1u << 16));
  Fresh.append(E.Store, 0, E.LoadedSize);
  for (std::size_t I = 0; I < E.Lines.size(); ++I) {
    SimLineSlot &L = E.Lines[I];
    if (L.Offset + L.Length <= E.LoadedSize)
      continue;
    std::size_t At = Fresh.size();
    Fresh.append(E.Store, L.Offset, L.Length);
    L.Offset = static_cast<std::uint32_t>(At);
  }
  E.Store.swap(Fresh);
  E.LiveBytes = E.Store.size() - E.LoadedSize;
}

// Gives line L the text Text: its leading spaces become the line's Indent, and the rest
// takes the line's own bytes when it fits there (and they may be written over), or else is
// appended to the store.
void StoreText(SimLineSlot &L, const char *Text, std::size_t Length) {
  SimEditorRecord &E = Ed();
  if (TextEquals(L, Text, Length))
    return;
  const std::size_t MostSpaces = Length < SimMostIndent ? Length : SimMostIndent;
  std::size_t Spaces = 0;
  while (Spaces < MostSpaces && Text[Spaces] == ' ')
    ++Spaces;
  const char *Rest = Text + Spaces;
  std::size_t RestLength = Length - Spaces;
  bool Appended = L.Offset >= E.LoadedSize;
  // A line that keeps its bytes and only changes its leading blanks, or loses trailing ones
  // (as a re-indented line mostly does), points at the bytes it already has.
  std::size_t Lead = 0;
  while (Lead < L.Length && (BytesOf(L)[Lead] == ' ' || BytesOf(L)[Lead] == '\t'))
    ++Lead;
  if (RestLength <= L.Length - Lead && std::memcmp(BytesOf(L) + Lead, Rest, RestLength) == 0) {
    if (Appended)
      E.LiveBytes -= L.Length - RestLength;
    L.Offset += static_cast<std::uint32_t>(Lead);
    L.Length = static_cast<std::uint32_t>(RestLength);
    L.Indent = static_cast<std::uint16_t>(Spaces);
    return;
  }
  if (RestLength <= L.Length && (Appended || !E.KeepLoaded)) {
    std::memmove(&E.Store[L.Offset], Rest, RestLength);
    if (Appended)
      E.LiveBytes -= L.Length - RestLength;
    L.Length = static_cast<std::uint32_t>(RestLength);
    L.Indent = static_cast<std::uint16_t>(Spaces);
    return;
  }
  if (Appended)
    E.LiveBytes -= L.Length < E.LiveBytes ? L.Length : E.LiveBytes;
  if (E.Store.size() + RestLength > E.Store.capacity() &&
      E.Store.size() - E.LoadedSize > 2 * E.LiveBytes + (1u << 20)) {
    // The old texts are mostly garbage: keep only the live ones before growing.
    L.Length = 0;
    L.Offset = 0;
    CompactStore();
  }
  L.Offset = static_cast<std::uint32_t>(E.Store.size());
  L.Length = static_cast<std::uint32_t>(RestLength);
  L.Indent = static_cast<std::uint16_t>(Spaces);
  E.Store.append(Rest, RestLength);
  E.LiveBytes += RestLength;
}

int TabPosOf(const SimLineSlot &L, int Pos) {
  std::string Text = TextCopy(L);
  int Within = Pos < static_cast<int>(Text.size()) ? Pos : static_cast<int>(Text.size());
  int Col = 0;
  for (int I = 0; I < Within; ++I) {
    if (Text[static_cast<std::size_t>(I)] == '\t')
      Col += Ed().TabSize - Col % Ed().TabSize;
    else
      ++Col;
  }
  // Past the end of the line every column is one character wide.
  long long Beyond = static_cast<long long>(Col) + (Pos - Within);
  return Beyond > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(Beyond);
}

int PosOfTabPos(const SimLineSlot &L, int TabPos) {
  std::string Text = TextCopy(L);
  int Col = 0;
  int I = 0;
  while (Col < TabPos && I < static_cast<int>(Text.size())) {
    int Next = Col + 1;
    if (Text[static_cast<std::size_t>(I)] == '\t')
      Next = Col + Ed().TabSize - Col % Ed().TabSize;
    if (Next > TabPos)
      return I;
    Col = Next;
    ++I;
  }
  return I + (TabPos - Col);
}

// Keeps the cursor line on the screen, as the editor scrolls when the cursor leaves it.
void KeepCursorVisible() {
  SimEditorRecord &E = Ed();
  int Rows = E.WindowSizeY > 0 ? E.WindowSizeY : 1;
  if (E.CurLine < E.TopScreenLine)
    E.TopScreenLine = E.CurLine;
  else if (E.CurLine >= E.TopScreenLine + Rows)
    E.TopScreenLine = E.CurLine - Rows + 1;
}

int BlockStartLine() {
  if (Ed().BlockType == BTYPE_NONE)
    return 0;
  for (int I = 0; I < Total(); ++I)
    if (LineAt(I).SelStart >= 0)
      return I;
  return 0;
}

bool IsBlank(char C) {
  return C == ' ' || C == '\t';
}

// The editor's word delimiters (a zero byte too: the host looks the character up in a C
// string); blanks are no delimiters but are tested on their own.
bool IsWordDelimiter(char C) {
  return std::strchr("~!%^&*()+|{}:\"<>?`-=\\[];',./", C) != nullptr;
}

// Ctrl+Right: one step right, then on to the first place where a word ends at a delimiter or
// a word starts after a blank (or to the line's end). At the end of a line the cursor goes to
// the start of the next one.
void WordRight() {
  SimEditorRecord &E = Ed();
  std::string Line = TextCopy(LineAt(E.CurLine));
  const char *Text = Line.data();
  int Len = static_cast<int>(Line.size());
  if (E.CurPos >= Len) {
    if (E.CurLine + 1 >= Total())
      return;
    ++E.CurLine;
    E.CurPos = 0;
  } else {
    int P = E.CurPos + 1;
    while (P < Len && !(IsWordDelimiter(Text[P]) && !IsWordDelimiter(Text[P - 1])) &&
           !(!IsBlank(Text[P]) && IsBlank(Text[P - 1])))
      ++P;
    E.CurPos = P;
  }
  KeepCursorVisible();
}

// Ctrl+Shift+Right: past the blanks and delimiters at the cursor, then past the word that
// follows, extending a stream selection over them; it stops at the line's end and does
// nothing there.
void SelectWordRight() {
  SimEditorRecord &E = Ed();
  int FromLine = E.CurLine;
  int FromPos = E.CurPos;
  std::string Line = TextCopy(LineAt(E.CurLine));
  const char *Text = Line.data();
  int Len = static_cast<int>(Line.size());
  int P = E.CurPos;
  while (P < Len && (IsBlank(Text[P]) || IsWordDelimiter(Text[P])))
    ++P;
  while (P < Len && !IsBlank(Text[P]) && !IsWordDelimiter(Text[P]))
    ++P;
  if (P <= FromPos)
    return;
  E.CurPos = P;
  KeepCursorVisible();
  // Extend the stream selection that ends at the old cursor, or start one there.
  SimLineSlot &From = LineAt(FromLine);
  bool Extends = E.BlockType == BTYPE_STREAM && From.SelStart >= 0 &&
                 (From.SelEnd == FromPos || (From.SelEnd == -1 && FromPos == 0));
  if (!Extends) {
    for (int I = 0; I < Total(); ++I) {
      LineAt(I).SelStart = -1;
      LineAt(I).SelEnd = 0;
    }
    From.SelStart = FromPos;
  }
  E.BlockType = BTYPE_STREAM;
  From.SelEnd = E.CurPos;
}

} // namespace

SimLineSpan SimSplitLine(const char *Data, std::size_t Size, std::size_t Start) {
  const char *From = Data + Start;
  const void *Lf = std::memchr(From, '\n', Size - Start);
  std::size_t At = Lf ? static_cast<std::size_t>(static_cast<const char *>(Lf) - Data) : Size;
  if (const void *Cr = std::memchr(From, '\r', At - Start))
    At = static_cast<std::size_t>(static_cast<const char *>(Cr) - Data);
  if (At == Size)
    return {Size, Size, SimEolNone};
  std::size_t Next = At;
  while (Next < Size && Next - At < 16 && (Data[Next] == '\r' || Data[Next] == '\n')) {
    ++Next;
    const std::string_view Run(Data + At, Next - At);
    if (Run == "\n" || Run == "\r\n" || Run == "\r\r\n")
      break;
  }
  std::size_t TextEnd = Next - 1;
  if (Data[TextEnd] == '\r')
    return {TextEnd, Next, SimEolCr};
  std::uint8_t Eol = SimEolLf;
  for (int Cr = 0; Cr < 2 && TextEnd > Start && Data[TextEnd - 1] == '\r'; ++Cr) {
    --TextEnd;
    Eol = Cr == 0 ? SimEolCrLf : SimEolCrCrLf;
  }
  return {TextEnd, Next, Eol};
}

void SimReset() {
  std::vector<std::string> Texts = std::move(SimHost.LanguageTexts);
  SimHost = SimHostRecord();
  SimHost.LanguageTexts = std::move(Texts);
  SimClearScreen();
}

namespace {

// Splits the store's bytes from Base on into the editor's lines.
void SplitStore(std::size_t Base) {
  SimEditorRecord &E = Ed();
  // Room for a rewrite of every line without moving the store; pages never written to
  // cost no memory.
  E.Store.reserve(2 * E.Store.size() + (1u << 16));
  const std::string &S = E.Store;
  // Every line but the last ends in a CR or a LF: room for as many lines as they number.
  const std::size_t Count =
      1 + static_cast<std::size_t>(std::count(S.begin() + Base, S.end(), '\n') +
                                   std::count(S.begin() + Base, S.end(), '\r'));
  std::vector<SimLineSlot> &Items = E.Lines.Items;
  Items.clear();
  // Room for the empty lines a command may insert, so the line table is not moved then.
  Items.reserve(Count + Count / 4 + 64);
  std::size_t Start = Base;
  for (SimLineSpan Line = SimSplitLine(S.data(), S.size(), Start); Line.Eol != SimEolNone;
       Line = SimSplitLine(S.data(), S.size(), Start)) {
    SimLineSlot L;
    L.Offset = static_cast<std::uint32_t>(Start);
    L.Length = static_cast<std::uint32_t>(Line.TextEnd - Start);
    L.Eol = Line.Eol;
    Items.push_back(L);
    Start = Line.Next;
  }
  SimLineSlot Last;
  Last.Offset = static_cast<std::uint32_t>(Start);
  Last.Length = static_cast<std::uint32_t>(S.size() - Start);
  Items.push_back(Last);
  E.Lines.GapStart = E.Lines.GapEnd = Items.size();
  E.TextSize = S.size() - Base;
  E.CurLine = E.CurPos = E.TopScreenLine = E.LeftPos = 0;
  E.BlockType = BTYPE_NONE;
}

} // namespace

void SimLoadText(std::string Bytes, const std::string &FileName) {
  SimEditorRecord &E = Ed();
  E.FileName = FileName;
  E.Store = std::move(Bytes);
  E.LoadedSize = E.Store.size();
  E.LiveBytes = 0;
  SplitStore(0);
}

void SimLoadEditedText(std::string Bytes, const std::string &Text, const std::string &FileName) {
  SimEditorRecord &E = Ed();
  E.FileName = FileName;
  E.Store = std::move(Bytes);
  E.LoadedSize = E.Store.size();
  E.Store += Text;
  E.LiveBytes = Text.size();
  SplitStore(E.LoadedSize);
}

bool SimEmitText(bool (*Emit)(void *Context, const char *Data, std::size_t Size), void *Context) {
  // The lines are gathered in pieces of at most 64 KiB, so Emit is called once per piece
  // rather than up to three times per line; a longer line goes out on its own.
  const std::size_t PieceSize = 1u << 16;
  std::vector<char> Piece(PieceSize);
  std::size_t Used = 0;
  for (std::size_t I = 0; I < Ed().Lines.size(); ++I) {
    const SimLineSlot &L = Ed().Lines[I];
    const std::string_view Eol = EolTexts[L.Eol];
    const std::size_t Size = SavedLength(L);
    if (Used + Size > PieceSize) {
      if (Used > 0 && !Emit(Context, Piece.data(), Used))
        return false;
      Used = 0;
      if (Size > PieceSize) {
        std::string Line = TextCopy(L);
        Line.append(Eol);
        if (!Emit(Context, Line.data(), Line.size()))
          return false;
        continue;
      }
    }
    char *At = Piece.data() + Used;
    std::memset(At, ' ', L.Indent);
    std::memcpy(At + L.Indent, BytesOf(L), L.Length);
    std::memcpy(At + L.Indent + L.Length, Eol.data(), Eol.size());
    Used += Size;
  }
  return Used == 0 || Emit(Context, Piece.data(), Used);
}

std::string SimSaveText() {
  std::string Out;
  Out.reserve(Ed().LiveBytes + Ed().LoadedSize + 2 * Ed().Lines.size());
  SimEmitText(
      [](void *Context, const char *Data, std::size_t Size) {
        static_cast<std::string *>(Context)->append(Data, Size);
        return true;
      },
      &Out);
  return Out;
}

bool SimTextUnchanged() {
  struct Cursor {
    const std::string *Loaded;
    std::size_t At;
  } C{&Ed().Store, 0};
  bool Same = SimEmitText(
      [](void *Context, const char *Data, std::size_t Size) {
        Cursor &K = *static_cast<Cursor *>(Context);
        if (K.At + Size > Ed().LoadedSize || std::memcmp(K.Loaded->data() + K.At, Data, Size))
          return false;
        K.At += Size;
        return true;
      },
      &C);
  return Same && C.At == Ed().LoadedSize;
}

const char *SimLoadedBytes() {
  return Ed().Store.data();
}

int SimSavedLineCount() {
  int Count = Total();
  // A lone CR ends no line of the saved text as it is split (at LFs).
  for (int I = 0; I + 1 < Count; ++I)
    if (LineAt(I).Eol == SimEolNone || LineAt(I).Eol == SimEolCr)
      return -1;
  const SimLineSlot &Last = LineAt(Count - 1);
  return Last.Eol == SimEolNone && TextLength(Last) == 0 ? Count - 1 : Count;
}

const char *SimLineBytes(int Index, std::size_t &Indent, std::size_t &Length, SimEolKind &Eol) {
  const SimLineSlot &L = LineAt(Index);
  Indent = L.Indent;
  Length = L.Length;
  Eol = static_cast<SimEolKind>(L.Eol);
  return BytesOf(L);
}

void SimAppendSavedLine(int Index, std::string &Out) {
  const SimLineSlot &L = LineAt(Index);
  Out.append(L.Indent, ' ');
  Out.append(BytesOf(L), L.Length);
  Out.append(EolTexts[L.Eol]);
}

std::size_t SimTextSize() {
  return Ed().TextSize;
}

std::size_t SimLoadedSize() {
  return Ed().LoadedSize;
}

std::string SimLoadedText() {
  return Ed().Store.substr(0, Ed().LoadedSize);
}

int SimLineCount() {
  return Total();
}

std::string SimLineText(int Index) {
  return TextCopy(LineAt(Index));
}

SimLine SimLineAt(int Index) {
  const SimLineSlot &L = LineAt(Index);
  SimLine Line;
  Line.Text = TextCopy(L);
  Line.Eol = std::string(EolTexts[L.Eol]);
  Line.SelStart = L.SelStart;
  Line.SelEnd = L.SelEnd;
  return Line;
}

void SimSetCursor(int Line, int Pos) {
  SimEditorRecord &E = Ed();
  E.CurLine = Line < 0 ? 0 : (Line >= Total() ? Total() - 1 : Line);
  E.CurPos = Pos < 0 ? 0 : Pos;
  E.TopScreenLine = E.CurLine;
  E.LeftPos = 0;
}

void SimUnmark() {
  for (int I = 0; I < Total(); ++I) {
    LineAt(I).SelStart = -1;
    LineAt(I).SelEnd = 0;
  }
  Ed().BlockType = BTYPE_NONE;
}

void SimMarkLines(int First, int Last) {
  SimUnmark();
  if (First < 0 || First >= Total() || Last < First)
    return;
  if (Last >= Total())
    Last = Total() - 1;
  for (int I = First; I <= Last; ++I) {
    LineAt(I).SelStart = 0;
    LineAt(I).SelEnd = -1;
  }
  if (Last + 1 < Total()) {
    LineAt(Last + 1).SelStart = 0;
    LineAt(Last + 1).SelEnd = 0;
  }
  Ed().BlockType = BTYPE_STREAM;
}

void SimMarkStream(int Line1, int Col1, int Line2, int Col2) {
  SimUnmark();
  if (Line1 < 0 || Line2 >= Total() || Line2 < Line1)
    return;
  for (int I = Line1; I <= Line2; ++I) {
    SimLineSlot &L = LineAt(I);
    int Len = static_cast<int>(TextLength(L));
    L.SelStart = I == Line1 ? Col1 : 0;
    if (I == Line2)
      L.SelEnd = Col2 > Len ? -1 : Col2;
    else
      L.SelEnd = -1;
  }
  Ed().BlockType = BTYPE_STREAM;
}

void SimMarkColumn(int Line1, int Line2, int Col1, int Col2) {
  SimUnmark();
  if (Line1 < 0 || Line2 >= Total() || Line2 < Line1)
    return;
  for (int I = Line1; I <= Line2; ++I) {
    LineAt(I).SelStart = Col1;
    LineAt(I).SelEnd = Col2;
  }
  Ed().BlockType = BTYPE_COLUMN;
}

int WINAPI SimEditorControl(int Command, void *Param) {
  SimEditorRecord &E = Ed();
  if (E.RecordCommands)
    E.Commands.push_back(Command);
  switch (Command) {
  case ECTL_GETINFO: {
    EditorInfo *Info = static_cast<EditorInfo *>(Param);
    std::memset(Info, 0, sizeof(EditorInfo));
    Info->FileName = E.FileName.c_str();
    Info->WindowSizeX = E.WindowSizeX;
    Info->WindowSizeY = E.WindowSizeY;
    Info->TotalLines = Total();
    Info->CurLine = E.CurLine;
    Info->CurPos = E.CurPos;
    Info->CurTabPos = TabPosOf(LineAt(E.CurLine), E.CurPos);
    Info->TopScreenLine = E.TopScreenLine;
    Info->LeftPos = E.LeftPos;
    Info->Overtype = E.Overtype;
    Info->BlockType = E.BlockType;
    Info->BlockStartLine = BlockStartLine();
    Info->TabSize = E.TabSize;
    return 1;
  }
  case ECTL_SETPOSITION: {
    const EditorSetPosition *P = static_cast<const EditorSetPosition *>(Param);
    if (P->CurLine >= 0)
      E.CurLine = P->CurLine >= Total() ? Total() - 1 : P->CurLine;
    if (P->CurPos >= 0)
      E.CurPos = P->CurPos;
    if (P->CurTabPos >= 0)
      E.CurPos = PosOfTabPos(LineAt(E.CurLine), P->CurTabPos);
    if (P->TopScreenLine >= 0 && P->TopScreenLine <= E.CurLine)
      E.TopScreenLine = P->TopScreenLine;
    if (P->LeftPos >= 0)
      E.LeftPos = P->LeftPos;
    if (P->Overtype >= 0)
      E.Overtype = P->Overtype;
    KeepCursorVisible();
    return 1;
  }
  case ECTL_GETSTRING: {
    EditorGetString *G = static_cast<EditorGetString *>(Param);
    int Index = G->StringNumber < 0 ? E.CurLine : G->StringNumber;
    if (Index >= Total())
      return 0;
    const SimLineSlot &L = LineAt(Index);
    // A zero-terminated copy, valid until the next editor call, as the host's buffer is.
    E.Scratch.clear();
    if (L.Indent > 0)
      E.Scratch.append(L.Indent, ' ');
    E.Scratch.append(BytesOf(L), L.Length);
    G->StringText = E.Scratch.c_str();
    G->StringEOL = EolTexts[L.Eol].data();
    G->StringLength = static_cast<int>(E.Scratch.size());
    G->SelStart = L.SelStart;
    G->SelEnd = L.SelEnd;
    return 1;
  }
  case ECTL_SETSTRING: {
    const EditorSetString *S = static_cast<const EditorSetString *>(Param);
    int Index = S->StringNumber < 0 ? E.CurLine : S->StringNumber;
    if (Index >= Total() || S->StringLength < 0)
      return 0;
    SimLineSlot &L = LineAt(Index);
    E.TextSize -= SavedLength(L);
    StoreText(L, S->StringText ? S->StringText : "",
              S->StringText ? static_cast<std::size_t>(S->StringLength) : 0);
    L.Eol = S->StringEOL ? EolKindOf(S->StringEOL) : DefaultEol();
    E.TextSize += SavedLength(L);
    return 1;
  }
  case ECTL_INSERTSTRING: {
    SimLineSlot &L = LineAt(E.CurLine);
    std::size_t Cut = E.CurPos < 0 ? 0 : static_cast<std::size_t>(E.CurPos);
    if (Cut > TextLength(L))
      Cut = TextLength(L);
    // Both parts keep their bytes where they are in the store.
    SimLineSlot Upper = L;
    Upper.Eol = L.Eol == SimEolNone ? DefaultEol() : L.Eol;
    if (Cut <= L.Indent) {
      Upper.Indent = static_cast<std::uint16_t>(Cut);
      Upper.Length = 0;
      L.Indent = static_cast<std::uint16_t>(L.Indent - Cut);
    } else {
      std::uint32_t Bytes = static_cast<std::uint32_t>(Cut - L.Indent);
      Upper.Length = Bytes;
      L.Indent = 0;
      L.Offset += Bytes;
      L.Length -= Bytes;
    }
    // The text is split, not copied: only the new line's end of line is added.
    E.TextSize += EolTexts[Upper.Eol].size();
    E.Lines.insert(static_cast<std::size_t>(E.CurLine), Upper);
    ++E.CurLine;
    E.CurPos = 0;
    KeepCursorVisible();
    return 1;
  }
  case ECTL_DELETESTRING: {
    if (E.CurLine == Total() - 1) {
      E.TextSize -= TextLength(LineAt(E.CurLine));
      LineAt(E.CurLine).Length = 0;
      LineAt(E.CurLine).Indent = 0;
      E.CurPos = 0;
      return 1;
    }
    E.TextSize -= SavedLength(LineAt(E.CurLine));
    E.Lines.erase(static_cast<std::size_t>(E.CurLine));
    if (E.CurLine >= Total())
      E.CurLine = Total() - 1;
    KeepCursorVisible();
    return 1;
  }
  case ECTL_PROCESSKEY: {
    int Key = static_cast<int>(reinterpret_cast<std::intptr_t>(Param));
    E.Keys.push_back(Key);
    if (Key == KEY_CTRLRIGHT)
      WordRight();
    else if (Key == KEY_CTRLSHIFTRIGHT)
      SelectWordRight();
    return 1;
  }
  case ECTL_REDRAW:
    return 1;
  default:
    return 0;
  }
}
