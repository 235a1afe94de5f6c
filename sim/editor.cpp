// The simulated editor: lines with their own ends of line, a cursor and screen position, a
// stream or column block kept per line as the host reports it, and the editor commands.
#include "../src/host/keys.hpp"
#include "sim.hpp"

#include <cstring>

SimHostRecord SimHost;

namespace {

SimEditorRecord &Ed() {
  return SimHost.Editor;
}
int Total() {
  return static_cast<int>(Ed().Lines.size());
}
SimLine &LineAt(int Index) {
  return Ed().Lines[static_cast<std::size_t>(Index)];
}

// The end of line a new line gets when the line it came from has none.
std::string DefaultEol() {
  for (std::size_t I = 0; I < Ed().Lines.size(); ++I)
    if (!Ed().Lines[I].Eol.empty())
      return Ed().Lines[I].Eol;
  return "\r\n";
}

int TabPosOf(const std::string &Text, int Pos) {
  int Col = 0;
  for (int I = 0; I < Pos; ++I) {
    if (I < static_cast<int>(Text.size()) && Text[static_cast<std::size_t>(I)] == '\t')
      Col += Ed().TabSize - Col % Ed().TabSize;
    else
      ++Col;
  }
  return Col;
}

int PosOfTabPos(const std::string &Text, int TabPos) {
  int Col = 0;
  int I = 0;
  while (Col < TabPos) {
    int Next = Col + 1;
    if (I < static_cast<int>(Text.size()) && Text[static_cast<std::size_t>(I)] == '\t')
      Next = Col + Ed().TabSize - Col % Ed().TabSize;
    if (Next > TabPos)
      break;
    Col = Next;
    ++I;
  }
  return I;
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

bool IsWordDelimiter(char C) {
  return C == ' ' || C == '\t' || std::strchr("~!%^&*()+|{}:\"<>?`-=\\[];',./", C) != nullptr;
}

// Ctrl+Right: past the rest of the current word, then past blanks and delimiters; at the
// end of a line, to the start of the next one.
void WordRight(bool Select) {
  SimEditorRecord &E = Ed();
  int FromLine = E.CurLine;
  int FromPos = E.CurPos;
  const std::string &Text = LineAt(E.CurLine).Text;
  int Len = static_cast<int>(Text.size());
  if (E.CurPos >= Len) {
    if (E.CurLine + 1 >= Total())
      return;
    ++E.CurLine;
    E.CurPos = 0;
  } else {
    int P = E.CurPos;
    while (P < Len && !IsWordDelimiter(Text[static_cast<std::size_t>(P)]))
      ++P;
    while (P < Len && IsWordDelimiter(Text[static_cast<std::size_t>(P)]))
      ++P;
    E.CurPos = P;
  }
  KeepCursorVisible();
  if (!Select)
    return;
  // Extend the stream selection that ends at the old cursor, or start one there.
  SimLine &From = LineAt(FromLine);
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
  if (E.CurLine == FromLine) {
    From.SelEnd = E.CurPos;
  } else {
    From.SelEnd = -1;
    LineAt(E.CurLine).SelStart = 0;
    LineAt(E.CurLine).SelEnd = 0;
  }
}

} // namespace

void SimReset() {
  std::vector<std::string> Texts = std::move(SimHost.LanguageTexts);
  SimHost = SimHostRecord();
  SimHost.LanguageTexts = std::move(Texts);
  SimClearScreen();
}

void SimLoadText(const std::string &Bytes, const std::string &FileName) {
  SimEditorRecord &E = Ed();
  E.FileName = FileName;
  std::size_t Count = 1;
  for (std::size_t I = 0; I < Bytes.size(); ++I)
    if (Bytes[I] == '\n' || (Bytes[I] == '\r' && (I + 1 >= Bytes.size() || Bytes[I + 1] != '\n')))
      ++Count;
  // Filled in place, so a large file costs one allocation per long line and nothing more.
  std::vector<SimLine> &Items = E.Lines.Items;
  Items.clear();
  Items.resize(Count);
  std::size_t Line = 0;
  std::size_t Start = 0;
  std::size_t I = 0;
  while (I < Bytes.size()) {
    char C = Bytes[I];
    if (C != '\r' && C != '\n') {
      ++I;
      continue;
    }
    SimLine &L = Items[Line++];
    L.Text.assign(Bytes, Start, I - Start);
    if (C == '\r' && I + 1 < Bytes.size() && Bytes[I + 1] == '\n') {
      L.Eol = "\r\n";
      I += 2;
    } else {
      L.Eol.assign(1, C);
      I += 1;
    }
    Start = I;
  }
  Items[Line].Text.assign(Bytes, Start, Bytes.size() - Start);
  E.Lines.GapStart = E.Lines.GapEnd = Count;
  E.CurLine = E.CurPos = E.TopScreenLine = E.LeftPos = 0;
  E.BlockType = BTYPE_NONE;
}

std::string SimSaveText() {
  std::size_t Size = 0;
  for (std::size_t I = 0; I < Ed().Lines.size(); ++I)
    Size += Ed().Lines[I].Text.size() + Ed().Lines[I].Eol.size();
  std::string Out;
  Out.reserve(Size);
  for (std::size_t I = 0; I < Ed().Lines.size(); ++I) {
    Out += Ed().Lines[I].Text;
    Out += Ed().Lines[I].Eol;
  }
  return Out;
}

int SimLineCount() {
  return Total();
}
const std::string &SimLineText(int Index) {
  return LineAt(Index).Text;
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
    SimLine &L = LineAt(I);
    int Len = static_cast<int>(L.Text.size());
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
    Info->CurTabPos = TabPosOf(LineAt(E.CurLine).Text, E.CurPos);
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
      E.CurPos = PosOfTabPos(LineAt(E.CurLine).Text, P->CurTabPos);
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
    const SimLine &L = LineAt(Index);
    G->StringText = L.Text.c_str();
    G->StringEOL = L.Eol.c_str();
    G->StringLength = static_cast<int>(L.Text.size());
    G->SelStart = L.SelStart;
    G->SelEnd = L.SelEnd;
    return 1;
  }
  case ECTL_SETSTRING: {
    const EditorSetString *S = static_cast<const EditorSetString *>(Param);
    int Index = S->StringNumber < 0 ? E.CurLine : S->StringNumber;
    if (Index >= Total() || S->StringLength < 0)
      return 0;
    SimLine &L = LineAt(Index);
    L.Text.assign(S->StringText ? S->StringText : "",
                  S->StringText ? static_cast<std::size_t>(S->StringLength) : 0);
    L.Eol = S->StringEOL ? std::string(S->StringEOL) : DefaultEol();
    if (L.Eol.size() > 2)
      L.Eol.resize(2);
    return 1;
  }
  case ECTL_INSERTSTRING: {
    SimLine &L = LineAt(E.CurLine);
    std::size_t Cut = E.CurPos < 0 ? 0 : static_cast<std::size_t>(E.CurPos);
    if (Cut > L.Text.size())
      Cut = L.Text.size();
    SimLine Upper;
    Upper.Text = L.Text.substr(0, Cut);
    Upper.Eol = L.Eol.empty() ? DefaultEol() : L.Eol;
    Upper.SelStart = L.SelStart;
    Upper.SelEnd = L.SelEnd;
    L.Text.erase(0, Cut);
    E.Lines.insert(static_cast<std::size_t>(E.CurLine), std::move(Upper));
    ++E.CurLine;
    E.CurPos = 0;
    KeepCursorVisible();
    return 1;
  }
  case ECTL_DELETESTRING: {
    if (E.CurLine == Total() - 1) {
      LineAt(E.CurLine).Text.clear();
      E.CurPos = 0;
      return 1;
    }
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
      WordRight(false);
    else if (Key == KEY_CTRLSHIFTRIGHT)
      WordRight(true);
    return 1;
  }
  case ECTL_REDRAW:
    return 1;
  default:
    return 0;
  }
}
