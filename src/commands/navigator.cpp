// The procedure navigator: a numbered list of the file's PROCEDURE and FUNCTION headers in a
// host menu, with the header around the cursor highlighted, and the jump to the chosen one.
#include "../host/keys.hpp"
#include "../host/session.hpp"
#include "../reindent/reindent.hpp"
#include "../settings/settings.hpp"
#include "commands.hpp"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The headers found, in file order: their line indices and their menu texts.
struct HeaderListRecord {
  std::vector<int> Lines;
  std::vector<std::string> Texts;
};

// A header is a line whose first four characters, after its leading blanks and in upper
// case, are PROC or FUNC; a word in front of them (STATIC) makes it no header.
bool IsHeaderLine(const std::string &Raw) {
  std::string Key = LocaleUpperText(TrimLeft(Raw));
  return Key.compare(0, 4, "PROC") == 0 || Key.compare(0, 4, "FUNC") == 0;
}

// The Modern rules' headers: every routine and class header, the methods declared inside a
// class aside. InClass follows the lines read so far.
bool IsModernHeaderLine(const std::string &Raw, bool &InClass) {
  std::string Text = TrimLeft(Raw);
  StatementKind Kind = ClassifyStatement(Text.data(), Text.size(), InClass);
  if (Kind.Role == RoleClass)
    InClass = true;
  else if (Kind.Role == RoleClassEnd || Kind.Role == RoleHeader)
    InClass = false;
  return Kind.Role == RoleHeader || Kind.Role == RoleClass;
}

// The entry's number right-aligned in two characters (wider from 100 on), ". ", the line.
std::string EntryText(int Number, const std::string &Raw) {
  std::string Digits = std::to_string(Number);
  if (Digits.size() < 2)
    Digits.insert(0, 2 - Digits.size(), ' ');
  return Digits + ". " + Raw;
}

// Copies Text into the menu record, cut to what fits in front of the terminating zero.
void FillEntry(FarMenuItem &Item, const std::string &Text, bool Selected) {
  std::memset(&Item, 0, sizeof(Item));
  std::size_t Length = Text.size();
  if (Length > sizeof(Item.Text) - 1)
    Length = sizeof(Item.Text) - 1;
  std::memcpy(Item.Text, Text.data(), Length);
  Item.Text[Length] = 0;
  Item.Selected = Selected ? 1 : 0;
}

void SendKey(int Key) {
  HostServices.EditorControl(ECTL_PROCESSKEY, reinterpret_cast<void *>(static_cast<intptr_t>(Key)));
}

void SetCursorMove(int Line, int Pos, int Top, int Left) {
  EditorSetPosition &M = EditorSession.CursorMove;
  M.CurLine = Line;
  M.CurPos = Pos;
  M.CurTabPos = -1;
  M.TopScreenLine = Top;
  M.LeftPos = Left;
  M.Overtype = -1;
  MoveCursor();
}

// The chosen header goes to the top of the screen with the cursor at its column 0; the two
// word keys then put the cursor past the keyword and the name, and the view scrolls back
// to its first column.
void JumpToHeader(int Line) {
  SetCursorMove(Line, 0, Line, -1);
  SendKey(KEY_CTRLSHIFTRIGHT);
  SendKey(KEY_CTRLRIGHT);
  SetCursorMove(-1, -1, -1, 0);
}

} // namespace

void ProcedureNavigator() {
  EditorSessionRecord &S = EditorSession;
  HeaderListRecord List;
  int Preselected = 0;
  const bool Modern = PluginRules.Style == StyleModern;
  bool InClass = false;
  // The whole file, whatever block is marked, and no block-end test.
  for (S.CurrentLine = 0; InRange(); ++S.CurrentLine) {
    std::string Raw = GetLine(S.CurrentLine);
    if (Modern ? IsModernHeaderLine(Raw, InClass) : IsHeaderLine(Raw)) {
      List.Lines.push_back(S.CurrentLine);
      List.Texts.push_back(EntryText(static_cast<int>(List.Lines.size()), Raw));
    }
    // Taken after the header test, so a cursor on a header line selects that header.
    if (S.CurrentLine == S.Info.CurLine)
      Preselected = static_cast<int>(List.Lines.size());
  }
  if (List.Lines.empty()) {
    ShowNotice(0, MsgErrorTitle, MsgNoProcedures);
    RestoreCursor();
    return;
  }
  std::vector<FarMenuItem> Items(List.Texts.size());
  for (std::size_t I = 0; I < Items.size(); ++I)
    FillEntry(Items[I], List.Texts[I], static_cast<int>(I) + 1 == Preselected);
  int Chosen = HostServices.Menu(HostServices.ModuleNumber, -1, -1, 0, FMENU_AUTOHIGHLIGHT,
                                 MsgText(MsgMenuProcedures), nullptr, "Contents", nullptr, nullptr,
                                 Items.data(), static_cast<int>(Items.size()));
  if (Chosen < 0 || Chosen >= static_cast<int>(List.Lines.size())) {
    RestoreCursor();
    return;
  }
  JumpToHeader(List.Lines[static_cast<std::size_t>(Chosen)]);
}
