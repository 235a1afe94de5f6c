// The procedure spacing pass: after the re-indent, the range keeps no blank lines except
// one empty line in front of each procedure or function header, and the saved cursor
// follows the text it was on.
#include "../host/session.hpp"
#include "../settings/settings.hpp"
#include "reindent.hpp"

namespace {

// A blank line deleted above the saved cursor line brings the cursor one line up.
void NoteDeletion(int Index) {
  EditorInfo &Info = EditorSession.Info;
  if (Index < Info.CurLine) {
    --Info.CurLine;
    --Info.TopScreenLine;
  }
}

// An empty line inserted in front of a header at or above the saved cursor line brings the
// cursor one line down, so it stays on its text (on its header when it was there).
void NoteInsertion(int Index) {
  EditorInfo &Info = EditorSession.Info;
  if (Index <= Info.CurLine) {
    ++Info.CurLine;
    ++Info.TopScreenLine;
  }
}

// Removes the current line; the walk goes on with the line after it.
void DeleteBlankLine() {
  EditorSessionRecord &E = EditorSession;
  E.CursorMove.CurLine = E.CurrentLine;
  MoveCursor();
  DeleteCursorLine();
  NoteDeletion(E.CurrentLine);
  --E.CurrentLine;
  --E.LastLine;
}

// Puts an empty line in front of the current line; the walk goes on with that line.
void InsertEmptyLine() {
  EditorSessionRecord &E = EditorSession;
  E.CursorMove.CurPos = 0;
  E.CursorMove.CurLine = E.CurrentLine;
  MoveCursor();
  InsertLineAtCursor();
  NoteInsertion(E.CurrentLine);
  ++E.CurrentLine;
  ++E.LastLine;
}

} // namespace

bool IsHeaderText(const char *Text, std::size_t Length) {
  static const char *const Heads[] = {"PROC ", "PROCEDURE ", "FUNC ", "FUNCTION "};
  const unsigned char *Upper = LocaleUpperTable();
  // Most lines are told apart by their first letter.
  unsigned char First = Length == 0 ? 0 : Upper[static_cast<unsigned char>(Text[0])];
  if (First != 'P' && First != 'F')
    return false;
  for (const char *Head : Heads) {
    std::size_t I = 0;
    while (Head[I] && I < Length &&
           Upper[static_cast<unsigned char>(Text[I])] == static_cast<unsigned char>(Head[I]))
      ++I;
    if (Head[I] == 0)
      return true;
  }
  return false;
}

namespace {

std::size_t FirstNonBlank(const std::string &Text) {
  std::size_t First = 0;
  while (First < Text.size() && IsBlankChar(Text[First]))
    ++First;
  return First;
}

} // namespace

bool IsBlankText(const std::string &Text) {
  return FirstNonBlank(Text) == Text.size();
}

unsigned char MarksOfWritten(const std::string &Text) {
  std::size_t First = FirstNonBlank(Text);
  if (First == Text.size())
    return MarkBlank;
  return IsHeaderText(Text.data() + First, Text.size() - First) ? MarkHeader : 0;
}

namespace {

// Walks the lines the re-indent handled, in order, calling Visit(Mark) with the mark it gave
// each; the line's text is not read again, as the mark already says what the pass needs.
// Lines deleted and inserted shift the indices, which CurrentLine follows.
template <class Visitor> void WalkMarkedLines(const ReindentState &State, Visitor Visit) {
  EditorSessionRecord &E = EditorSession;
  E.CurrentLine = E.BlockMode ? E.StartLine : 0;
  for (unsigned char Mark : State.Marks) {
    Visit(Mark);
    ++E.CurrentLine;
  }
}

} // namespace

void SpaceProcedures(const ReindentState &State) {
  WalkMarkedLines(State, [](unsigned char Mark) {
    // Verbatim text stays as it is; a line that goes on from a continued line belongs to
    // that statement, and one at a lone CR to the compiler's line: deleting it, or separating
    // it, would change the program.
    if ((Mark & (MarkVerbatim | MarkAfterContinued | MarkLoneCr)) != 0)
      return;
    if (Mark & MarkBlank)
      DeleteBlankLine();
    else if (Mark & MarkHeader)
      InsertEmptyLine();
  });
}

void SpaceModern(const ReindentState &State) {
  // A program that reads its own line numbers keeps every line where it stands.
  if (State.LineNumbers)
    return;
  const int MostBlank = PluginRules.BlankLines;
  int BlankRun = 0;
  bool TextSeen = false; // a line that is not blank stands above, in the range
  WalkMarkedLines(State, [&](unsigned char Mark) {
    if ((Mark & (MarkVerbatim | MarkAfterContinued | MarkLoneCr | MarkBlank)) == MarkBlank) {
      if (++BlankRun > MostBlank) {
        DeleteBlankLine();
      }
    } else {
      // A header and the comments above it stand apart from what precedes them (unless a
      // lone CR joins them for the compiler).
      if ((Mark & MarkHeadStart) && !(Mark & MarkLoneCr) && TextSeen &&
          (BlankRun == 0 || MostBlank == 0)) {
        InsertEmptyLine();
      }
      BlankRun = 0;
      TextSeen = true;
    }
  });
}
