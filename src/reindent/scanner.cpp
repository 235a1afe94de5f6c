// The line scanner: one walk over a line that follows comments, strings and continuation,
// records the words that can be keywords, respells them, and applies the adjustments for
// WHILE, FOR and NEXT inside a statement.
#include "../host/session.hpp"
#include "../settings/settings.hpp"
#include "../words/words.hpp"
#include "reindent.hpp"

#include <climits>

namespace {

enum CharClass {
  ClassWord = 1,  // letters a to z and A to Z, digits and the underscore
  ClassMarker = 2 // the characters that open or close comments and strings
};

struct CharClassTable {
  unsigned char Of[256];
};

constexpr CharClassTable MakeCharClasses() {
  CharClassTable Table{};
  for (int C = 0; C < 256; ++C) {
    bool Word =
        (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_';
    bool Marker = C == '&' || C == '/' || C == '*' || C == '"' || C == '\'' || C == '[' || C == ']';
    Table.Of[C] = static_cast<unsigned char>((Word ? ClassWord : 0) | (Marker ? ClassMarker : 0));
  }
  return Table;
}

constexpr CharClassTable CharClasses = MakeCharClasses();

// Every character that is not a word character delimits words.
bool IsWordChar(char C) {
  return CharClasses.Of[static_cast<unsigned char>(C)] & ClassWord;
}

bool InCommentOrString(const ReindentState &S) {
  return S.InLineComment || S.InBlockComment || S.InDoubleQuote || S.InSingleQuote ||
         S.InBracketString;
}

bool InString(const ReindentState &S) {
  return S.InDoubleQuote || S.InSingleQuote || S.InBracketString;
}

// The words after which "[" starts a string rather than a subscript.
bool IsBracketStringWord(const char *Text, std::size_t Length) {
  static const char *const Words[] = {"RETURN", "SAY",    "PROMPT", "MESSAGE", "PICTURE", "CASE",
                                      "IF",     "ELSEIF", "WHILE",  "TO",      "WITH",    "IN"};
  for (const char *Word : Words)
    if (SpellsUpper(Text, Length, Word))
      return true;
  return false;
}

// A "[" at At opens a bracket string unless it follows a name, a closing bracket or a
// closing parenthesis (a subscript), counting the words that introduce a value as no name.
bool OpensBracketString(const std::string &Trimmed, std::size_t At) {
  std::size_t K = At;
  while (K > 0 && IsSpaceOrTab(Trimmed[K - 1]))
    --K;
  if (K == 0)
    return true;
  char Before = Trimmed[K - 1];
  if (Before == ')' || Before == ']' || Before == '}')
    return false;
  if (!IsWordChar(Before))
    return true;
  std::size_t End = K;
  while (K > 0 && IsWordChar(Trimmed[K - 1]))
    --K;
  return IsBracketStringWord(Trimmed.data() + K, End - K);
}

// True when the first character before Start that is not a space or tab is ";".
bool SemicolonBefore(const std::string &Trimmed, std::size_t Start) {
  std::size_t K = Start;
  while (K > 0) {
    --K;
    if (!IsSpaceOrTab(Trimmed[K]))
      return Trimmed[K] == ';';
  }
  return false;
}

// A WHILE, FOR or NEXT that does not head its statement (a scope clause, DISPLAY NEXT 5)
// has its later block effect cancelled here in advance.
void AdjustInnerWord(ReindentState &S, const std::string &Trimmed, std::size_t Start,
                     std::size_t Length) {
  if (Length < 3 || Length > 5)
    return;
  const char *Word = Trimmed.data() + Start;
  bool IsWhile = SpellsUpper(Word, Length, "WHILE");
  bool IsNext = !IsWhile && SpellsUpper(Word, Length, "NEXT");
  bool IsFor = !IsWhile && !IsNext && SpellsUpper(Word, Length, "FOR");
  if (!IsWhile && !IsNext && !IsFor)
    return;
  bool Leading = false;
  if (!S.PrevContinued) {
    if (Start == 0)
      Leading = true;
    else if (IsWhile && Trimmed.size() >= 2 && AsciiUpper(Trimmed[0]) == 'D' &&
             AsciiUpper(Trimmed[1]) == 'O')
      Leading = true;
  }
  if (!Leading)
    Leading = SemicolonBefore(Trimmed, Start);
  if (Leading)
    return;
  int Tab = PluginSettings.Tab;
  if (IsNext) {
    S.LineIndent = AddSaturated(S.LineIndent, Tab);
    S.NextIndent = AddSaturated(S.NextIndent, Tab);
  } else {
    S.NextIndent = SubtractSaturated(S.NextIndent, Tab);
  }
}

// True when the Length characters before At (At excluded) spell one of the dotted logical
// operators and literals, with their opening ".": .AND, .OR, .NOT, .T, .F, .Y, .N.
bool ClosesDottedWord(const std::string &T, std::size_t At) {
  static const char *const Words[] = {"AND", "OR", "NOT", "T", "F", "Y", "N"};
  std::size_t K = At;
  while (K > 0 && IsWordChar(T[K - 1]))
    --K;
  if (K == 0 || T[K - 1] != '.')
    return false;
  for (const char *Word : Words)
    if (SpellsUpper(T.data() + K, At - K, Word))
      return true;
  return false;
}

// A word keeps the case it was written in where no keyword can stand: after ":" (a message,
// "::"), after "->" (an alias or field), after "\" or "/" (a path, but not the "/" of a "*/"),
// and right after a "." that opens no dotted operator when no "." follows the word (a file
// extension such as x.dbf).
bool KeywordCanStand(const std::string &T, std::size_t Start, std::size_t Length) {
  std::size_t K = Start;
  while (K > 0 && IsSpaceOrTab(T[K - 1]))
    --K;
  if (K == 0)
    return true;
  char Before = T[K - 1];
  if (Before == ':' || Before == '\\')
    return false;
  if (Before == '>')
    return !(K >= 2 && T[K - 2] == '-');
  if (Before == '/')
    return K >= 2 && T[K - 2] == '*';
  if (Before == '.' && K == Start) {
    std::size_t After = Start + Length;
    return (After < T.size() && T[After] == '.') || ClosesDottedWord(T, K - 1);
  }
  return true;
}

// The "[" of the line (outside strings and comments): whether each closes on the line, and
// the numbers of those open at the scan's point. Only once the line is read is it known
// which of them close.
struct LineBrackets {
  std::vector<bool> Closed;
  std::vector<int> Open;
};

PER_THREAD LineBrackets Brackets;

// Appends a recorded word with what its respelling depends on.
void RecordWord(ScannedLine &Result, std::size_t Start, std::size_t Length, bool Directive) {
  const std::string &T = Result.Trimmed;
  Result.Words.push_back(LineWord{static_cast<int>(Start) + 1, static_cast<int>(Length),
                                  !Directive && KeywordCanStand(T, Start, Length),
                                  Brackets.Open.empty() ? -1 : Brackets.Open.back()});
}

// Rebuilt is Trimmed with the recorded words respelled, except those in a preprocessor line,
// where no keyword can stand, or between a "[" and the "]" that closes it on the line.
void RebuildLine(ScannedLine &Result) {
  const std::string &T = Result.Trimmed;
  std::size_t Copied = 0;
  for (const LineWord &W : Result.Words) {
    if (!W.KeywordPlace || (W.Bracket >= 0 && Brackets.Closed[static_cast<std::size_t>(W.Bracket)]))
      continue;
    std::size_t Start = static_cast<std::size_t>(W.Position - 1);
    std::size_t Length = static_cast<std::size_t>(W.Length);
    const std::string *Spelling = ChangedSpelling(T.data() + Start, Length);
    if (!Spelling)
      continue;
    Result.Rebuilt.append(T, Copied, Start - Copied);
    Result.Rebuilt += *Spelling;
    Copied = Start + Length;
  }
  Result.Rebuilt.append(T, Copied, T.size() - Copied);
}

} // namespace

bool SpellsUpper(const char *Text, std::size_t Length, const char *Upper) {
  std::size_t I = 0;
  for (; I < Length; ++I)
    if (Upper[I] == 0 || AsciiUpper(Text[I]) != Upper[I])
      return false;
  return Upper[I] == 0;
}

int AddSaturated(int A, int B) {
  long long Sum = static_cast<long long>(A) + B;
  return Sum > INT_MAX ? INT_MAX : (Sum < INT_MIN ? INT_MIN : static_cast<int>(Sum));
}

int SubtractSaturated(int A, int B) {
  long long Difference = static_cast<long long>(A) - B;
  return Difference > INT_MAX ? INT_MAX
                              : (Difference < INT_MIN ? INT_MIN : static_cast<int>(Difference));
}

void ScanLine(ReindentState &S, const std::string &Line, ScannedLine &Result) {
  std::size_t First, End;
  TrimBounds(Line, First, End);
  Result.Trimmed.clear();
  Result.Trimmed.append(Line.data() + First, End - First);
  Result.Rebuilt.clear();
  Result.Words.clear();

  const std::string &T = Result.Trimmed;
  const std::size_t N = T.size();
  // A string never runs into the next line; a block comment does.
  S.InDoubleQuote = false;
  S.InSingleQuote = false;
  S.InBracketString = false;
  S.InLineComment = N >= 1 && T[0] == '*';
  // A preprocessor line and the lines that continue it keep every word as written: its
  // markers and names are case-sensitive.
  const bool Directive = (N >= 1 && T[0] == '#') || (S.PrevContinued && S.PrevDirective);
  S.PrevDirective = Directive;
  Brackets.Closed.clear();
  Brackets.Open.clear();

  // Code: outside comments and strings. The flags change only at marker characters, where
  // Code is taken again.
  bool Code = !InCommentOrString(S);
  bool Continued = false;
  std::size_t PendingStart = 0;
  std::size_t PendingLength = 0;
  for (std::size_t K = 0; K < N; ++K) {
    const char Ch = T[K];
    const unsigned char Class = CharClasses.Of[static_cast<unsigned char>(Ch)];
    if (Class & ClassWord) {
      // Steps (a), (b), (e) and (f) concern marker characters only, so a run of word
      // characters is taken at once.
      if (Code)
        Continued = false;
      if (PendingLength == 0)
        PendingStart = K;
      std::size_t RunEnd = K + 1;
      while (RunEnd < N && (CharClasses.Of[static_cast<unsigned char>(T[RunEnd])] & ClassWord))
        ++RunEnd;
      PendingLength += RunEnd - K;
      K = RunEnd - 1;
      continue;
    }
    const char Next = K + 1 < N ? T[K + 1] : 0;
    if (Class & ClassMarker) {
      // (a) Comment openers.
      if (K + 1 < N) {
        if (Ch == '&' && Next == '&')
          S.InLineComment = true;
        else if (Ch == '/' && Next == '/')
          S.InLineComment = true;
        else if (Ch == '/' && Next == '*' && !S.InLineComment && !InString(S))
          S.InBlockComment = true;
      }
      // (b) A comment marker inside a string is no comment.
      if (S.InLineComment && InString(S)) {
        S.InLineComment = false;
        S.InBlockComment = false;
      }
      Code = !InCommentOrString(S);
    }
    // (c) Continuation: the last character outside comments and strings, blanks aside.
    if (Code) {
      if (Ch == ';')
        Continued = true;
      else if (Ch != ' ' && Ch != '\t')
        Continued = false;
    }
    // (d) A delimiter finishes the pending word.
    if (PendingLength > 0) {
      const char *Word = T.data() + PendingStart;
      if (PendingLength >= 2 && Code && IsLetter(Word[0])) {
        AdjustInnerWord(S, T, PendingStart, PendingLength);
        RecordWord(Result, PendingStart, PendingLength, Directive);
      }
      PendingLength = 0;
    }
    if (Class & ClassMarker) {
      // (e) Block-comment close.
      if (Ch == '*' && Next == '/')
        S.InBlockComment = false;
      // (f) Quotes and bracket strings, outside comments.
      if (!S.InLineComment && !S.InBlockComment) {
        if (Ch == '"') {
          if (!S.InSingleQuote && !S.InBracketString)
            S.InDoubleQuote = !S.InDoubleQuote;
        } else if (Ch == '\'') {
          if (!S.InDoubleQuote && !S.InBracketString)
            S.InSingleQuote = !S.InSingleQuote;
        } else if (Ch == '[') {
          if (!InString(S)) {
            // Whether a string or a subscript, the words up to its "]" keep their case:
            // the command matcher may take a subscript's text for a string.
            Brackets.Open.push_back(static_cast<int>(Brackets.Closed.size()));
            Brackets.Closed.push_back(false);
            if (OpensBracketString(T, K))
              S.InBracketString = true;
          }
        } else if (Ch == ']') {
          if ((!InString(S) || S.InBracketString) && !Brackets.Open.empty()) {
            Brackets.Closed[static_cast<std::size_t>(Brackets.Open.back())] = true;
            Brackets.Open.pop_back();
          }
          S.InBracketString = false;
        }
      }
      Code = !InCommentOrString(S);
    }
  }
  // A word that ends the line: recorded without the adjustments.
  if (PendingLength > 0) {
    const char *Word = T.data() + PendingStart;
    if (PendingLength >= 2 && Code && IsLetter(Word[0])) {
      RecordWord(Result, PendingStart, PendingLength, Directive);
    }
  }
  Result.Continued = Continued;
  if (!Directive)
    KeepWordsByRole(S, Result, PluginRules.Style == StyleModern);
  RebuildLine(Result);
}
