// The end-of-block annotator: each closing line that holds its closing word alone gets a
// trailing comment repeating the clause of the opening line it closes.
#include "../host/session.hpp"
#include "../reindent/reindent.hpp"
#include "../settings/settings.hpp"
#include "commands.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Tested in this order, and all of them: a line starting with "IF." matches both "IF"
// and "IF." and so pushes twice.
const char *const OpeningWords[5] = {"IF", "FOR", "IF.", "DO WHILE", "WHILE"};
// Tested as prefixes; ENDDO and ENDIF count when a closing word stands alone.
const char *const ClosingWords[5] = {"NEXT", "ENDD", "ENDI", "ENDDO", "ENDIF"};
const char *const AnnotationSeparator = "   //";

// The remainders of the opening lines not closed yet, innermost last.
struct OpenerStackRecord {
  std::vector<std::string> Entries;
};

bool StartsWith(const std::string &Text, const char *Word) {
  return Text.compare(0, std::char_traits<char>::length(Word), Word) == 0;
}

bool IsBlank(char C) {
  return C == ' ' || C == '\t';
}

// Harbour's FOR EACH x IN aList: the clause is what follows EACH. From is where the text after
// FOR begins; the result is the position right after EACH when EACH, blanks and a name follow
// there (so a variable named each, as in FOR each := 1 TO 3, stays part of the clause), else
// From.
std::size_t AfterEach(const std::string &Text, std::size_t From) {
  std::size_t At = From;
  while (At < Text.size() && IsBlank(Text[At]))
    ++At;
  if (Text.size() - At < 4)
    return From;
  for (std::size_t I = 0; I < 4; ++I)
    if ((Text[At + I] & ~0x20) != "EACH"[I])
      return From;
  std::size_t Name = At + 4;
  if (Name >= Text.size() || !IsBlank(Text[Name]))
    return From;
  while (Name < Text.size() && IsBlank(Text[Name]))
    ++Name;
  if (Name < Text.size() && (IsLetter(static_cast<unsigned char>(Text[Name])) || Text[Name] == '_'))
    return At + 4;
  return From;
}

// Pushes the remainder of L after each opening word U begins with, when the character right
// after the word (if any) is no letter; after FOR EACH, the remainder after EACH.
void PushOpeners(OpenerStackRecord &Stack, const std::string &L, const std::string &U) {
  for (const char *Word : OpeningWords) {
    std::size_t Length = std::char_traits<char>::length(Word);
    if (!StartsWith(U, Word))
      continue;
    if (Length < U.size() && IsLetter(static_cast<unsigned char>(U[Length])))
      continue;
    if (std::strcmp(Word, "FOR") == 0)
      Length = AfterEach(L, Length);
    Stack.Entries.push_back(L.substr(Length));
  }
}

bool IsClosingWord(const std::string &Text) {
  for (const char *Word : ClosingWords)
    if (Text == Word)
      return true;
  return false;
}

bool StartsWithClosingWord(const std::string &U) {
  for (const char *Word : ClosingWords)
    if (StartsWith(U, Word))
      return true;
  return false;
}

// A closing line takes the innermost opener. Alone on its line it is annotated with that
// opener's remainder; followed by more text (a loop variable, a comment, an annotation
// from an earlier run) it is left as it is. With nothing open, the line stays unchanged
// and the stack stays empty, so later openers and closers pair as usual. A line at a lone CR
// (Kept) is not annotated: the compiler would read the text past the CR as part of the comment.
void CloseBlock(OpenerStackRecord &Stack, const std::string &T, const std::string &U, bool Kept) {
  if (!StartsWithClosingWord(U) || Stack.Entries.empty())
    return;
  if (!Kept && IsClosingWord(TrimRight(U)))
    SetLine(EditorSession.CurrentLine, TrimRight(T) + AnnotationSeparator + Stack.Entries.back());
  Stack.Entries.pop_back();
}

// The Modern rules: an open block, and the clause of the statement that opened it.
struct ModernOpener {
  int Blocks;
  std::string Clause;
};

// The clause of an opening line: its text after the opening words, without a trailing
// comment and without the ";" that continues it.
std::string ClauseOf(const std::string &T, std::size_t From) {
  std::size_t End = T.size();
  char Quote = 0;
  for (std::size_t K = From; K < T.size(); ++K) {
    char C = T[K];
    char D = K + 1 < T.size() ? T[K + 1] : 0;
    if (Quote) {
      if (C == Quote)
        Quote = 0;
    } else if (C == '"' || C == '\'') {
      Quote = C;
    } else if ((C == '/' && (D == '/' || D == '*')) || (C == '&' && D == '&')) {
      End = K;
      break;
    }
  }
  std::size_t Start = std::min(From, End);
  std::string Clause = TrimRight(T.substr(Start, End - Start));
  if (!Clause.empty() && Clause.back() == ';')
    Clause = TrimRight(Clause.substr(0, Clause.size() - 1));
  return Clause;
}

// The annotator of the Modern rules: the openers and closers of the re-indenter's table; a
// closer standing alone gets the clause of the innermost opener of its kind.
void AnnotateModern() {
  EditorSessionRecord &S = EditorSession;
  std::vector<ModernOpener> Open;
  ReindentState State{};
  ScannedLine Line{};
  bool InClass = false;
  bool AfterLoneCr = S.BlockMode && LineEndsAtLoneCr(S.StartLine - 1);
  for (S.CurrentLine = S.BlockMode ? S.StartLine : 0; InRange(); ++S.CurrentLine) {
    std::string Raw = GetLine(S.CurrentLine);
    if (S.BlockMode && IsBlockEnd())
      break;
    const bool Kept = TouchesLoneCr(AfterLoneCr);
    bool Statement = !State.PrevContinued && !State.InBlockComment;
    ScanLine(State, Raw, Line);
    State.PrevContinued = Line.Continued;
    const std::string &T = Line.Trimmed;
    if (!Statement || T.empty() || T[0] == '#')
      continue;
    StatementKind Kind = ClassifyStatement(T.data(), T.size(), InClass);
    if (Kind.Role == RoleHeader || Kind.Role == RoleClass || Kind.Role == RoleClassEnd) {
      Open.clear();
      InClass = Kind.Role == RoleClass;
    } else if (Kind.Role == RoleOpens) {
      std::size_t From = Kind.WordsEnd;
      if (Kind.Blocks == BlockFor) {
        From = AfterEach(T, From);
        while (From < T.size() && IsBlank(T[From]))
          ++From;
      }
      Open.push_back(ModernOpener{Kind.Blocks, ClauseOf(T, From)});
    } else if (Kind.Role == RoleCloses) {
      for (std::size_t I = Open.size(); I-- > 0;) {
        if (!(Open[I].Blocks & Kind.Blocks))
          continue;
        if (Kind.WordsEnd >= T.size() && !Open[I].Clause.empty() && !Kept)
          SetLine(S.CurrentLine, TrimRight(Raw) + AnnotationSeparator + " " + Open[I].Clause);
        Open.resize(I);
        break;
      }
    }
  }
}

} // namespace

void AnnotateBlockEnds() {
  EditorSessionRecord &S = EditorSession;
  if (PluginRules.Style == StyleModern) {
    AnnotateModern();
    return;
  }
  OpenerStackRecord Stack;
  bool AfterLoneCr = S.BlockMode && LineEndsAtLoneCr(S.StartLine - 1);
  for (S.CurrentLine = S.BlockMode ? S.StartLine : 0; InRange(); ++S.CurrentLine) {
    std::string T = GetLine(S.CurrentLine);
    if (S.BlockMode && IsBlockEnd())
      break;
    std::string L = TrimLeft(T);
    std::string U = LocaleUpperText(L);
    PushOpeners(Stack, L, U);
    CloseBlock(Stack, T, U, TouchesLoneCr(AfterLoneCr));
  }
}
