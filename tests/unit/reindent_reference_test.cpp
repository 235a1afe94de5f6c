// A second, deliberately plain reading of the re-indent command, compared byte for byte
// with the plug-in over generated programs. The reading below works on a vector of lines
// that stands for the editor, one character at a time, with no shortcuts: it is slow and
// meant to be obviously right, not fast. The comparison runs the plug-in through its
// exports and the simulated host, in whole-file mode and with marked blocks, and checks the
// text, the ends of line and where the cursor and the screen come back.
#include "harness.hpp"

#include "../../src/words/words.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <sstream>

namespace {

// ---------------------------------------------------------------------------------------
// The editor as the reading sees it: the simulated host's behaviour for the few operations
// the command uses.

struct RefLine {
  std::string Text;
  std::string Eol;
  int SelStart = -1;
  int SelEnd = 0;
};

struct RefEditor {
  std::vector<RefLine> Lines;
  bool BlockMode = false;
  int BlockStart = 0;
  int CurLine = 0; // the saved cursor, as the restore will use it
  int CurPos = 0;
  int TopScreenLine = 0;
};

struct RefSettings {
  int GlobalTab, MainTab, FuncTab, TextFuncTab, Tab, Comments, SplitLineTab;
};

struct RefWords {
  std::vector<std::string> Keywords; // sorted by upper-case form, distinct first four letters
  std::vector<std::pair<std::string, std::string>> Replacements; // upper-case key, value
};

std::vector<RefLine> SplitText(const std::string &Bytes) {
  std::vector<RefLine> Lines;
  std::string Text;
  std::size_t I = 0;
  // A line's text runs to a CR or LF; the CRs and LFs after it (16 at most) are read until
  // they make "\n", "\r\n" or "\r\r\n". Read so, a line that ends in "\r" ends at a lone CR;
  // any other ends in "\n" with one or two "\r" before it. What is left is text.
  while (I < Bytes.size()) {
    char C = Bytes[I];
    if (C != '\r' && C != '\n') {
      Text += C;
      ++I;
      continue;
    }
    std::string Run;
    while (I < Bytes.size() && Run.size() < 16 && (Bytes[I] == '\r' || Bytes[I] == '\n')) {
      Run += Bytes[I++];
      if (Run == "\n" || Run == "\r\n" || Run == "\r\r\n")
        break;
    }
    Text += Run;
    RefLine L;
    L.Eol = Text.back() == '\r' ? "\r" : "\n";
    Text.pop_back();
    for (int Cr = 0; L.Eol != "\r" && Cr < 2 && !Text.empty() && Text.back() == '\r'; ++Cr) {
      Text.pop_back();
      L.Eol.insert(0, "\r");
    }
    L.Text = Text;
    Lines.push_back(L);
    Text.clear();
  }
  RefLine Last;
  Last.Text = Text;
  Lines.push_back(Last);
  return Lines;
}

std::string JoinText(const std::vector<RefLine> &Lines) {
  std::string Out;
  for (const RefLine &L : Lines)
    Out += L.Text + L.Eol;
  return Out;
}

// ---------------------------------------------------------------------------------------
// Small text helpers.

char UpperAscii(char C) {
  return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C;
}

std::string UpperText(const std::string &S) {
  std::string U = S;
  for (char &C : U)
    C = UpperAscii(C);
  return U;
}

bool IsBlankChar(char C) {
  return static_cast<unsigned char>(C) <= 32;
}

std::string TrimBoth(const std::string &S) {
  std::size_t B = 0;
  while (B < S.size() && IsBlankChar(S[B]))
    ++B;
  std::size_t E = S.size();
  while (E > B && IsBlankChar(S[E - 1]))
    --E;
  return S.substr(B, E - B);
}

std::string TrimLeft(const std::string &S) {
  std::size_t B = 0;
  while (B < S.size() && IsBlankChar(S[B]))
    ++B;
  return S.substr(B);
}

bool BeginsWith(const std::string &S, const std::string &Prefix) {
  return S.compare(0, Prefix.size(), Prefix) == 0 && S.size() >= Prefix.size();
}

bool IsAsciiLetter(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}

bool IsWordChar(char C) {
  char U = UpperAscii(C);
  return (U >= 'A' && U <= 'Z') || (U >= '0' && U <= '9') || U == '_';
}

// The counters never run past the 32-bit range.
int Saturate(long long V) {
  if (V > INT_MAX)
    return INT_MAX;
  if (V < INT_MIN)
    return INT_MIN;
  return static_cast<int>(V);
}
void AddTo(int &Counter, int Step) {
  Counter = Saturate(static_cast<long long>(Counter) + Step);
}
void SubFrom(int &Counter, int Step) {
  Counter = Saturate(static_cast<long long>(Counter) - Step);
}

// ---------------------------------------------------------------------------------------
// Respelling with the test's own small tables: the last replacement row with the word's
// key, else the keyword written the same way in any case, else the four-letter
// abbreviation of a keyword, else the word itself.

std::string Respell(const RefWords &Words, const std::string &Word) {
  std::string U = UpperText(Word);
  bool Replaced = false;
  std::string Result;
  for (const auto &Row : Words.Replacements)
    if (Row.first == U) {
      Result = Row.second;
      Replaced = true;
    }
  if (Replaced)
    return Result;
  for (const std::string &K : Words.Keywords)
    if (UpperText(K) == U)
      return K;
  for (const std::string &K : Words.Keywords)
    if (UpperText(K.substr(0, 4)) == U)
      return K.substr(0, 4);
  return Word;
}

// ---------------------------------------------------------------------------------------
// Verbatim regions: TEXT ... ENDTEXT and the three #pragma pairs.

enum RegionKind { NoRegion, TextRegion, PragmaTextRegion, DumpRegion };

// The word after "#pragma" (upper-cased), or "" when the line is no #pragma line.
std::string PragmaWord(const std::string &Trimmed) {
  std::string U = UpperText(Trimmed);
  std::size_t P = 0;
  if (P >= U.size() || U[P] != '#')
    return "";
  ++P;
  while (P < U.size() && (U[P] == ' ' || U[P] == '\t'))
    ++P;
  if (U.compare(P, 6, "PRAGMA") != 0)
    return "";
  P += 6;
  std::size_t Blanks = P;
  while (P < U.size() && (U[P] == ' ' || U[P] == '\t'))
    ++P;
  if (P == Blanks)
    return "";
  std::size_t W = P;
  while (P < U.size() && IsWordChar(U[P]))
    ++P;
  return U.substr(W, P - W);
}

// "TEXT" alone or followed by a space opens a region, except an assignment to a variable
// named TEXT: "TEXT", blanks, ":=".
RegionKind RegionOpenedBy(const std::string &Trimmed) {
  std::string U = UpperText(Trimmed);
  if (U == "TEXT")
    return TextRegion;
  if (BeginsWith(U, "TEXT ")) {
    std::size_t P = 4;
    while (P < U.size() && (U[P] == ' ' || U[P] == '\t'))
      ++P;
    if (U.compare(P, 2, ":=") != 0)
      return TextRegion;
  }
  std::string P = PragmaWord(Trimmed);
  if (P == "__TEXT" || P == "__CSTREAM" || P == "__STREAM")
    return PragmaTextRegion;
  if (P == "BEGINDUMP")
    return DumpRegion;
  return NoRegion;
}

bool RegionClosedBy(RegionKind Kind, const std::string &Trimmed) {
  std::string U = UpperText(Trimmed);
  switch (Kind) {
  case TextRegion:
    return U == "ENDTEXT" || BeginsWith(U, "ENDTEXT ");
  case PragmaTextRegion:
    return PragmaWord(Trimmed) == "__ENDTEXT";
  case DumpRegion:
    return PragmaWord(Trimmed) == "ENDDUMP";
  default:
    return true;
  }
}

// ---------------------------------------------------------------------------------------
// The scanner.

struct RefState {
  bool InLineComment = false;
  bool InBlockComment = false;
  bool InDoubleQuote = false;
  bool InSingleQuote = false;
  bool InBracketString = false;
  bool PrevContinued = false;
  bool PrevDirective = false;
  int LineIndent = 0;
  int NextIndent = 0;
  bool ContinuationActive = false;
  int ContinuationOffset = 0;
  bool OpenerDeferred = false;
  bool InsideFunction = false;
};

struct RefWord {
  std::string Word;
  int Position;
};

struct RefScanned {
  std::string Trimmed;
  std::string Rebuilt;
  std::vector<RefWord> Words;
  bool Continued = false;
};

bool AnyLexical(const RefState &S) {
  return S.InLineComment || S.InBlockComment || S.InDoubleQuote || S.InSingleQuote ||
         S.InBracketString;
}

bool AnyString(const RefState &S) {
  return S.InDoubleQuote || S.InSingleQuote || S.InBracketString;
}

// Whether a "[" at column I (1-based) of T opens a bracket string.
bool BracketOpens(const std::string &T, int I) {
  int P = I - 1;
  while (P >= 1 && (T[P - 1] == ' ' || T[P - 1] == '\t'))
    --P;
  if (P < 1)
    return true;
  char C = T[P - 1];
  if (C == ')' || C == ']' || C == '}')
    return false;
  if (!IsWordChar(C))
    return true;
  int B = P;
  while (B > 1 && IsWordChar(T[B - 2]))
    --B;
  std::string Word = UpperText(T.substr(B - 1, P - B + 1));
  static const char *const Openers[] = {"RETURN", "SAY",    "PROMPT", "MESSAGE", "PICTURE", "CASE",
                                        "IF",     "ELSEIF", "WHILE",  "TO",      "WITH",    "IN"};
  for (const char *O : Openers)
    if (Word == O)
      return true;
  return false;
}

// The pre-adjustment for a recorded word that ends before a delimiter.
void PreAdjust(RefState &S, const RefSettings &Set, const std::string &Trimmed,
               const std::string &Word, int Position) {
  std::string W = UpperText(Word);
  if (W != "WHILE" && W != "NEXT" && W != "FOR")
    return;
  bool Leading = false;
  if (!S.PrevContinued) {
    if (W == "WHILE")
      Leading = UpperText(Trimmed.substr(0, 2)) == "DO" || Position == 1;
    else
      Leading = Position == 1;
  }
  for (int P = Position - 1; P >= 1 && !Leading; --P) {
    char C = Trimmed[P - 1];
    if (C == ' ' || C == '\t')
      continue;
    if (C == ';')
      Leading = true;
    break;
  }
  if (Leading)
    return;
  if (W == "NEXT") {
    AddTo(S.LineIndent, Set.Tab);
    AddTo(S.NextIndent, Set.Tab);
  } else {
    SubFrom(S.NextIndent, Set.Tab);
  }
}

// Whether a keyword may stand where the word at Position (1-based) of T begins: not after
// ":", "->", "\\" or a "/" other than the one of "*/", nor right after a "." that closes no
// .AND., .OR., .NOT., .T., .F., .Y. or .N. when the word is not followed by a ".".
bool KeywordPlace(const std::string &T, int Position, int Length) {
  int P = Position - 1;
  while (P >= 1 && (T[P - 1] == ' ' || T[P - 1] == '\t'))
    --P;
  if (P < 1)
    return true;
  char C = T[P - 1];
  if (C == ':' || C == '\\')
    return false;
  if (C == '>' && P >= 2 && T[P - 2] == '-')
    return false;
  if (C == '/' && !(P >= 2 && T[P - 2] == '*'))
    return false;
  if (C == '.' && P == Position - 1) {
    int After = Position + Length; // 1-based column after the word
    if (After <= static_cast<int>(T.size()) && T[After - 1] == '.')
      return true;
    static const char *const Dotted[] = {".AND.", ".OR.", ".NOT.", ".T.", ".F.", ".Y.", ".N."};
    std::string Before = UpperText(T.substr(0, static_cast<std::size_t>(P)));
    for (const char *D : Dotted) {
      std::string Op = D;
      if (Before.size() >= Op.size() &&
          Before.compare(Before.size() - Op.size(), Op.size(), Op) == 0)
        return true;
    }
    return false;
  }
  return true;
}

RefScanned Scan(RefState &S, const RefSettings &Set, const RefWords &Tables,
                const std::string &Line) {
  RefScanned R;
  R.Trimmed = TrimBoth(Line);
  const std::string &T = R.Trimmed;
  int N = static_cast<int>(T.size());
  std::string Pending;
  S.InLineComment = N >= 1 && T[0] == '*';
  S.InDoubleQuote = false;
  S.InSingleQuote = false;
  S.InBracketString = false;
  // A preprocessor line, and every line that continues one, respells nothing.
  bool Directive = (N >= 1 && T[0] == '#') || (S.PrevContinued && S.PrevDirective);
  S.PrevDirective = Directive;
  // The columns of each "[" outside strings and comments and of the "]" that closes it.
  std::vector<int> OpenAt;
  std::vector<std::pair<int, int>> Pairs;
  for (int I = 1; I <= N; ++I) {
    char Ch = T[I - 1];
    char Up = UpperAscii(Ch);
    bool HasNext = I < N;
    char Next = HasNext ? T[I] : '\0';
    // Comment openers: "&&", "//" and "/*" outside strings.
    if ((Up == '&' || Up == '/') && HasNext) {
      if (Up == '&' && Next == '&')
        S.InLineComment = true;
      if (Up == '/' && Next == '/')
        S.InLineComment = true;
      if (Up == '/' && Next == '*' && !S.InLineComment && !AnyString(S))
        S.InBlockComment = true;
    }
    // A line-comment marker inside a string is string text.
    if (S.InLineComment && AnyString(S)) {
      S.InLineComment = false;
      S.InBlockComment = false;
    }
    // The last character outside comments and strings, blanks aside, decides continuation.
    if (!AnyLexical(S)) {
      if (Ch == ';')
        R.Continued = true;
      else if (Ch != ' ' && Ch != '\t')
        R.Continued = false;
    }
    // Words: collected, finished at a delimiter or at the end of the line.
    if (IsWordChar(Ch)) {
      Pending += Ch;
      if (I == N) {
        bool Recorded = Pending.size() >= 2 && !AnyLexical(S) && IsAsciiLetter(Pending[0]);
        if (Recorded) {
          R.Words.push_back({Pending, I - static_cast<int>(Pending.size()) + 1});
          R.Rebuilt += Respell(Tables, Pending);
        } else {
          R.Rebuilt += Pending;
        }
        Pending.clear();
      }
    } else {
      bool Recorded = Pending.size() >= 2 && !AnyLexical(S) && IsAsciiLetter(Pending[0]);
      if (Recorded) {
        int Position = I - static_cast<int>(Pending.size());
        PreAdjust(S, Set, T, Pending, Position);
        R.Words.push_back({Pending, Position});
        R.Rebuilt += Respell(Tables, Pending);
        R.Rebuilt += Ch;
      } else {
        R.Rebuilt += Pending;
        R.Rebuilt += Ch;
      }
      Pending.clear();
    }
    // "*/" closes a block comment.
    if (Up == '*' && HasNext && Next == '/')
      S.InBlockComment = false;
    // Quotes and bracket strings, outside comments.
    if (!S.InLineComment && !S.InBlockComment) {
      if (S.InBracketString) {
        if (Ch == ']') {
          S.InBracketString = false;
          Pairs.push_back({OpenAt.back(), I});
          OpenAt.pop_back();
        }
      } else {
        if (Ch == '"' && !S.InSingleQuote)
          S.InDoubleQuote = !S.InDoubleQuote;
        if (Ch == '\'' && !S.InDoubleQuote)
          S.InSingleQuote = !S.InSingleQuote;
        bool Quoted = S.InDoubleQuote || S.InSingleQuote;
        if (Ch == '[' && !Quoted) {
          OpenAt.push_back(I);
          if (BracketOpens(T, I))
            S.InBracketString = true;
        }
        if (Ch == ']' && !Quoted && !OpenAt.empty()) {
          Pairs.push_back({OpenAt.back(), I});
          OpenAt.pop_back();
        }
      }
    }
  }
  // The text again, each recorded word respelled where a keyword may stand: not in a
  // preprocessor line, not between a "[" and its "]", not after a message or path mark.
  R.Rebuilt.clear();
  int Copied = 0;
  for (const RefWord &W : R.Words) {
    int Length = static_cast<int>(W.Word.size());
    bool Bracketed = false;
    for (const std::pair<int, int> &Pair : Pairs)
      Bracketed = Bracketed || (Pair.first < W.Position && W.Position + Length - 1 < Pair.second);
    R.Rebuilt += T.substr(static_cast<std::size_t>(Copied),
                          static_cast<std::size_t>(W.Position - 1 - Copied));
    if (!Directive && !Bracketed && KeywordPlace(T, W.Position, Length))
      R.Rebuilt += Respell(Tables, W.Word);
    else
      R.Rebuilt += W.Word;
    Copied = W.Position - 1 + Length;
  }
  R.Rebuilt += T.substr(static_cast<std::size_t>(Copied));
  return R;
}

// ---------------------------------------------------------------------------------------
// The indentation rules.

int FirstColumn(const std::string &S, char C) {
  std::size_t P = S.find(C);
  return P == std::string::npos ? 999 : static_cast<int>(P) + 1;
}

int ContinuationOffsetOf(const RefSettings &Set, const RefScanned &L) {
  if (Set.SplitLineTab != -1)
    return Set.SplitLineTab;
  if (!L.Trimmed.empty() && L.Trimmed[0] == '@') {
    std::string U = UpperText(L.Trimmed);
    std::size_t Say = U.find("SAY");
    if (Say != std::string::npos)
      return static_cast<int>(Say) + 1 + 3;
    std::size_t Get = U.find("GET");
    if (Get != std::string::npos)
      return static_cast<int>(Get) + 1 + 3;
    std::size_t Space = L.Trimmed.find(' ');
    return Space == std::string::npos ? 0 : static_cast<int>(Space) + 1;
  }
  int Space = FirstColumn(L.Rebuilt, ' ');
  int Paren = FirstColumn(L.Rebuilt, '(');
  int Brace = FirstColumn(L.Rebuilt, '{');
  int Equal = FirstColumn(L.Rebuilt, '=');
  int M = std::min(std::min(Space, Paren), Brace);
  if (Space == 999 && Paren == 999 && Brace == 999)
    return Equal == 999 ? 5 : std::min(999, Equal);
  return M;
}

bool IsHeaderText(const std::string &Text) {
  std::string U = UpperText(TrimLeft(Text));
  return BeginsWith(U, "PROC ") || BeginsWith(U, "PROCEDURE ") || BeginsWith(U, "FUNC ") ||
         BeginsWith(U, "FUNCTION ");
}

struct WordRule {
  const char *Word;
  bool LowersNext, LowersLine, Opens;
};
const WordRule WordRules[] = {
    {"ENDDO", true, true, false},   {"ENDD", true, true, false},     {"END", true, false, false},
    {"ENDCASE", true, true, false}, {"ENDC", true, true, false},     {"ENDI", true, true, false},
    {"ENDIF", true, true, false},   {"ELSE", true, true, true},      {"ELSEIF", true, true, true},
    {"CASE", true, true, true},     {"OTHERWISE", true, true, true}, {"OTHE", true, true, true},
    {"OTHER", true, true, true},    {"NEXT", true, true, false},     {"IF", false, false, true},
    {"FOR", false, false, true},    {"WHILE", false, false, true},   {"WHIL", false, false, true},
};

// What the run leaves for the spacing pass to know about each line it handled.
struct LineFacts {
  bool Verbatim = false;
  bool AfterContinued = false;
  bool LoneCr = false; // ends at a lone CR or follows one
};

// The whole command over the editor model. Where the rules could be read two ways this
// reading takes, and the plug-in agrees:
// - the counters saturate at the 32-bit range, and no line gets more than 4096 spaces;
// - in a marked block both counters start at the cursor's column;
// - an "@" line looks for SAY and GET in its trimmed text, before respelling;
// - in the continuation offset a space, "(" or "{" that is missing counts as 999 even when
//   another of them stands past column 999, so the smallest of the three is then 999;
// - "[" after any character that is not an ASCII letter, digit, "_", ")", "]" or "}"
//   (bytes above 127 included) opens a bracket string;
// - "TEXT", blanks, ":=" is an assignment and opens no region; any other "TEXT " line does,
//   even inside a block comment;
// - "#pragma" lines: blanks may follow "#", at least one blank comes before the name, and the
//   name is a whole word ("#pragma __textual" opens nothing, "#pragma __text|..." does);
// - the lines of a region leave every state of the run as it was, block comments included;
// - the first line of a marked block never follows a continued line, whatever stands above.
void RefReindent(RefEditor &E, const RefSettings &Set, const RefWords &Tables) {
  RefState S;
  int Start = E.BlockMode ? E.BlockStart : 0;
  if (E.BlockMode) {
    S.LineIndent = E.CurPos;
    S.NextIndent = E.CurPos;
  }
  std::vector<LineFacts> Facts(E.Lines.size());
  RegionKind Region = NoRegion;
  int Last = static_cast<int>(E.Lines.size()) - 1;
  for (int Index = Start; Index <= Last; ++Index) {
    RefLine &Line = E.Lines[Index];
    if (E.BlockMode && (Line.SelStart == Line.SelEnd || Line.SelStart == -1))
      break;
    std::string Trimmed = TrimBoth(Line.Text);
    // The compiler reads on past a lone CR: the line after one stays as written.
    const bool AfterLoneCr = Index > 0 && E.Lines[Index - 1].Eol == "\r";
    const bool EndsAtLoneCr = Line.Eol == "\r";
    Facts[Index].LoneCr = AfterLoneCr || EndsAtLoneCr;
    if (Region != NoRegion) {
      if (!RegionClosedBy(Region, Trimmed)) {
        Facts[Index].Verbatim = true;
        continue;
      }
      Region = NoRegion;
    } else {
      Region = RegionOpenedBy(Trimmed);
    }
    Facts[Index].AfterContinued = S.PrevContinued;
    RefScanned L = Scan(S, Set, Tables, Line.Text);
    // The first line of a continued statement moves the lines after it by the offset; its last
    // line takes the offset back and adds a postponed opener.
    if (L.Continued && !S.ContinuationActive) {
      S.ContinuationOffset = ContinuationOffsetOf(Set, L);
      AddTo(S.NextIndent, S.ContinuationOffset);
      S.ContinuationActive = true;
    } else if (!L.Continued && S.ContinuationActive) {
      SubFrom(S.NextIndent, S.ContinuationOffset);
      S.ContinuationActive = false;
      if (S.OpenerDeferred) {
        S.OpenerDeferred = false;
        AddTo(S.NextIndent, Set.Tab);
      }
    }
    // The block words.
    for (const RefWord &W : L.Words) {
      std::string U = UpperText(W.Word);
      for (const WordRule &Rule : WordRules) {
        if (U != Rule.Word)
          continue;
        if (Rule.LowersNext)
          SubFrom(S.NextIndent, Set.Tab);
        if (Rule.LowersLine)
          SubFrom(S.LineIndent, Set.Tab);
        bool Opens = Rule.Opens;
        if (U == "IF")
          Opens = W.Position == 1 && !S.PrevContinued;
        if (Opens) {
          if (L.Continued)
            S.OpenerDeferred = true;
          else
            AddTo(S.NextIndent, Set.Tab);
        }
      }
    }
    // "DO CASE" at the head of the rebuilt text.
    if (UpperText(L.Rebuilt.substr(0, 7)) == "DO CASE") {
      AddTo(S.NextIndent, Set.Tab);
      AddTo(S.LineIndent, Set.Tab);
    }
    // The kind of line decides its indentation.
    long long Indent;
    if (Set.Comments != -1 &&
        (BeginsWith(L.Trimmed, "*") || BeginsWith(L.Trimmed, "//") || S.InBlockComment)) {
      Indent = Set.Comments;
    } else if (!S.PrevContinued && IsHeaderText(L.Trimmed)) {
      Indent = static_cast<long long>(Set.GlobalTab) + Set.FuncTab;
      S.InsideFunction = true;
      S.NextIndent = S.ContinuationActive ? S.ContinuationOffset : 0;
    } else if (S.InsideFunction) {
      Indent = static_cast<long long>(Set.GlobalTab) + Set.TextFuncTab + S.LineIndent;
    } else if (BeginsWith(L.Trimmed, "#")) {
      Indent = static_cast<long long>(Set.GlobalTab) + S.LineIndent;
    } else {
      Indent = static_cast<long long>(Set.GlobalTab) + Set.MainTab + S.LineIndent;
    }
    if (Indent > 4096)
      Indent = 4096;
    // The line is written; a blank line inside a continued statement, or at a lone CR, stays
    // empty; the blanks before a lone CR inside a string stay.
    if (AfterLoneCr) {
    } else if (L.Trimmed.empty() && (S.PrevContinued || EndsAtLoneCr)) {
      Line.Text = "";
    } else {
      std::size_t End = Line.Text.size();
      while (End > 0 && static_cast<unsigned char>(Line.Text[End - 1]) <= 32)
        --End;
      const bool InString = S.InDoubleQuote || S.InSingleQuote || S.InBracketString;
      const std::string Tail = EndsAtLoneCr && InString ? Line.Text.substr(End) : "";
      Line.Text =
          std::string(Indent > 0 ? static_cast<std::size_t>(Indent) : 0, ' ') + L.Rebuilt + Tail;
    }
    // The next line starts from here.
    S.LineIndent = S.NextIndent;
    S.PrevContinued = L.Continued;
  }

  // The spacing pass.
  int Current = Start;
  Last = static_cast<int>(E.Lines.size()) - 1;
  while (Current <= Last) {
    RefLine &Line = E.Lines[Current];
    if (E.BlockMode && (Line.SelStart == Line.SelEnd || Line.SelStart == -1))
      break;
    LineFacts F = Facts[Current];
    if (!F.Verbatim && !F.AfterContinued && !F.LoneCr && TrimLeft(Line.Text).empty()) {
      if (Current == static_cast<int>(E.Lines.size()) - 1) {
        Line.Text.clear(); // the host empties its last line instead of removing it
      } else {
        E.Lines.erase(E.Lines.begin() + Current);
        Facts.erase(Facts.begin() + Current);
      }
      if (Current < E.CurLine) {
        --E.CurLine;
        --E.TopScreenLine;
      }
      --Current;
      --Last;
    } else if (!F.Verbatim && !F.AfterContinued && !F.LoneCr && IsHeaderText(Line.Text)) {
      RefLine Empty;
      Empty.Eol = Line.Eol;
      if (Empty.Eol.empty()) {
        Empty.Eol = "\r\n";
        for (const RefLine &Other : E.Lines)
          if (!Other.Eol.empty()) {
            Empty.Eol = Other.Eol;
            break;
          }
      }
      Empty.SelStart = Line.SelStart;
      Empty.SelEnd = Line.SelEnd;
      E.Lines.insert(E.Lines.begin() + Current, Empty);
      Facts.insert(Facts.begin() + Current, LineFacts());
      if (Current <= E.CurLine) {
        ++E.CurLine;
        ++E.TopScreenLine;
      }
      ++Current;
      ++Last;
    }
    ++Current;
  }
  if (E.TopScreenLine < 0)
    E.TopScreenLine = 0;
}

// ---------------------------------------------------------------------------------------
// The generator of Clipper-like programs.

struct Generator {
  std::mt19937 Random;
  explicit Generator(unsigned Seed) : Random(Seed) {}

  int Pick(int Count) { return static_cast<int>(Random() % static_cast<unsigned>(Count)); }
  bool Chance(int Percent) { return Pick(100) < Percent; }
  template <std::size_t N> const char *From(const char *const (&List)[N]) {
    return List[Pick(static_cast<int>(N))];
  }

  std::string Cased(const std::string &S) {
    int Mode = Pick(4);
    std::string Out = S;
    for (char &C : Out) {
      if (Mode == 1 && C >= 'A' && C <= 'Z')
        C = static_cast<char>(C - 'A' + 'a');
      else if (Mode == 2 && IsAsciiLetter(C) && Chance(50))
        C = static_cast<char>(C ^ 0x20);
    }
    return Out;
  }

  std::string Lead() {
    static const char *const Leads[] = {"",     "",     "",      " ",        "  ",   "    ", "\t",
                                        " \t ", "\x01", "\x1f ", "        ", "\xe9", "\xa0 "};
    return From(Leads);
  }
  std::string Tail() {
    static const char *const Tails[] = {"",     "",     "",      "",     " ",     "\t",
                                        "  \t", "\x02", " \x7f", "\xe9", " \xa0", "\xff"};
    return From(Tails);
  }

  std::string Header() {
    static const char *const Headers[] = {
        "FUNCTION Main()",    "FUNCTION f(a, b)",    "PROCEDURE Show",     "PROC p",
        "FUNC q(x)",          "STATIC FUNCTION s()", "STATIC PROCEDURE t", "FUNCTION",
        "FUNCTION\tTabbed()", "PROCEDURE(x)",        "PROC  two",          "fn z()",
        "FUNCTION g( a, ;",   "PROCEDURE For( a )",  "function h() // c",  "FUNCTION w() ;"};
    return Cased(From(Headers));
  }

  std::string Statement() {
    static const char *const Statements[] = {
        "LOCAL x := 1",
        "local aList := {}",
        "x := a + b",
        "QQ( x )",
        "qq(x); xx()",
        "AAdd( aList, 5 )",
        "? 'it''s'",
        "? \"a // b\", x",
        "? \"/* not */\" + y",
        "x := \"a /* b\"",
        "x := 'a && b'",
        "? [a 'b' \"c\"]",
        "a[1] := b[2]",
        "? a [1]",
        "x := f()[1]",
        "x := {1}[1]",
        "x := [abc] + [def]",
        "RETURN [x]",
        "return",
        "RETURN NIL",
        "retu x",
        "x := 1 // comment ;",
        "x := 1 && note",
        "y := 2 /* inline */ + 3",
        "x := 1 /* open",
        "@ 10, 5 SAY 'Name' GET cName",
        "@ 1,2 GET x",
        "@1,1 CLEAR",
        "@ 2, 2 say [x] ",
        "LOCATE FOR a == 1 WHILE b",
        "DISPLAY NEXT 5",
        "x++ ; NEXT",
        "x++ ; NEXT i",
        "y++ ; FOR i := 1 TO 2",
        "SKIP WHILE !EOF()",
        "x := IF(a, 1, 2)",
        "IIF(a, 1, 2)",
        "DO WHILE",
        "SAY[x]",
        "CASE[x]",
        "c := \"é\" + 'ü'",
        "nÉ := 3",
        "? \xe9[x]",
        "x\xe9 [2] + 1",
        "x := 'unclosed",
        "x := \"unclosed",
        "x := [unclosed",
        "ENDIF// done",
        "endif // done",
        "next",
        "END IF",
        "END CASE",
        "while",
        "text := 5",
        "TEXT := 6",
        "TEXT(1)",
        "do_it()",
        "DOO CASE",
        "DOCASE",
        "_x := 2b + x1",
        "a := b ;;",
        "x := ';'",
        "ENDWHILE",
        "enddo",
        "#include 'a.ch'",
        "#define A 1",
        "# define B ;",
        "#ifdef X",
        "* star comment 'x",
        "*/ odd",
        "// slash comment",
        "&& amp comment",
        "NOTE it's a note",
        "/* one line */",
        "/*/ x",
        "close */ y := 2",
        "DO\tCASE",
        "DOIT WHILE x",
        "do_it while x",
        "x++ ;\tNEXT i",
        "NEXT;",
        "x := a /",
        "\xe9x := 1",
        "\xa0IF x",
        "x\x01y := 3",
    };
    return Cased(From(Statements));
  }

  std::string Control() {
    static const char *const Controls[] = {"IF x > 1",
                                           "if(a)",
                                           "IF(a, b, c)",
                                           "IF",
                                           "ELSEIF y",
                                           "ELSE",
                                           "ENDIF",
                                           "ENDI",
                                           "END",
                                           "DO WHILE x < 5",
                                           "WHILE .T.",
                                           "WHIL x",
                                           "ENDDO",
                                           "ENDD",
                                           "FOR i := 1 TO 10",
                                           "FOR EACH x IN a",
                                           "NEXT",
                                           "NEXT i",
                                           "DO CASE",
                                           "DO  CASE",
                                           "do case",
                                           "DO CASE // c",
                                           "CASE x == 1",
                                           "OTHERWISE",
                                           "OTHE",
                                           "OTHER",
                                           "ENDCASE",
                                           "ENDC",
                                           "IF a .AND. ;",
                                           "ELSE ;",
                                           "CASE a ;",
                                           "WHILE a ;",
                                           "FOR i := 1 ;",
                                           "DO WHILE .T. .AND. ; // more",
                                           "IF x ; /* c */",
                                           "IF(a, ;"};
    return Cased(From(Controls));
  }

  std::string Continued() {
    static const char *const Firsts[] = {"x := a + ;",
                                         "ZZ",
                                         "zz x ;",
                                         "ww := 1 ;",
                                         "yy ;",
                                         "qq x ;",
                                         "xx qq ;",
                                         "QOut( a, ;",
                                         "b, ;",
                                         "c )",
                                         "@ 10, 5 SAY 'Name' GET cName ;",
                                         "PICTURE '@!'",
                                         "@ qq, 2 SAY x ;",
                                         "@ xx, 1 GET y ;",
                                         "@ 3 ;",
                                         "@x;",
                                         "x:={;",
                                         "y=;",
                                         "z;",
                                         "QQ(a, ;",
                                         "xx(b) + ;",
                                         "x := a + ; // trailing",
                                         "x := a + ; && trailing",
                                         "x := ';' + ;",
                                         "? \"a;\" ;",
                                         "IF(a, 1, 2)",
                                         "x := y ; /* c */",
                                         "a ;",
                                         "  ;"};
    return Cased(From(Firsts));
  }

  std::string Verbatim() {
    static const char *const Lines[] = {
        "  Hello, 'world'", "\tFUNCTION x",   "", "   ", "IF x", "ENDIF", "/* inside", "x := ;",
        "endtext2",         "  #pragma other"};
    return From(Lines);
  }

  std::string Random1() {
    static const char *const Pieces[] = {
        "IF", "if",       "ELSE", "ENDIF",  "FOR", "NEXT", "WHILE", "DO", "CASE", "END",
        "x",  "ab",       "QQ",   "xx",     "SAY", "GET",  "@",     ";",  " ",    " ",
        "\t", "(",        ")",    "[",      "]",   "{",    "}",     "\"", "'",    "/",
        "*",  "&",        "=",    ":=",     "//",  "/*",   "*/",    "&&", "#",    "1",
        "_a", "FUNCTION", "PROC", "RETURN", "TO",  "IN",   "\xe9",  "."};
    std::string S;
    int Count = 1 + Pick(8);
    for (int I = 0; I < Count; ++I)
      S += From(Pieces);
    return S;
  }

  // Two or three pieces of the kinds above run together on one line.
  std::string Compound() {
    static const char *const Joints[] = {" ",  "; ", " ;", " // ", " /* ", " */ ", " && ",
                                         "\t", "",   "[",  "]",    "\"",   "'"};
    std::string S;
    int Count = 2 + Pick(2);
    for (int I = 0; I < Count; ++I) {
      if (I)
        S += From(Joints);
      int K = Pick(4);
      S += K == 0 ? Statement() : K == 1 ? Control() : K == 2 ? Continued() : Header();
    }
    return S;
  }

  // Any bytes but "\n" (a "\r" among them may end a line).
  std::string Bytes() {
    std::string S;
    int Count = Pick(20);
    for (int I = 0; I < Count; ++I) {
      char C = static_cast<char>(Pick(256));
      if (C != '\n')
        S += C;
    }
    return S;
  }

  std::string OneLine() {
    int K = Pick(100);
    std::string Body;
    if (K < 8)
      Body = Header();
    else if (K < 35)
      Body = Statement();
    else if (K < 58)
      Body = Control();
    else if (K < 72)
      Body = Continued();
    else if (K < 80)
      Body = "";
    else if (K < 86)
      Body = Random1();
    else if (K < 90)
      Body = Compound();
    else if (K < 92)
      Body = Bytes();
    else {
      static const char *const Opens[] = {"TEXT",
                                          "text into x",
                                          "TEXT := 1",
                                          "TEXT  TO y",
                                          "#pragma __text",
                                          "#pragma __cstream|x:=%s",
                                          "# pragma __stream",
                                          "#PRAGMA BEGINDUMP",
                                          "#pragma\tbegindump",
                                          "TEXT ;",
                                          "TEXT  := 1",
                                          "#pragma __textual",
                                          "#pragma begindumpx",
                                          "#pragma __stream x"};
      static const char *const Closes[] = {
          "ENDTEXT",          "endtext x",       "#pragma __endtext", "#pragma __endtextx",
          "#pragma enddumpy", "#pragma ENDDUMP", "# PRAGMA enddump",  "ENDTEXTX"};
      if (Chance(50))
        Body = From(Opens);
      else
        Body = From(Closes);
    }
    if (Chance(4))
      Body += std::string(1, '\0') + "z";
    return Lead() + Body + Tail();
  }

  std::string Program(int Count) {
    std::string Text;
    static const char *const Eols[] = {"\r\n", "\r\n", "\r\n", "\n", "\r\r\n"};
    const char *Eol = Chance(80) ? "\r\n" : From(Eols);
    bool Mixed = Chance(10);
    for (int I = 0; I < Count; ++I) {
      std::string L = OneLine();
      if (Chance(5))
        L = Verbatim();
      Text += L;
      if (I + 1 < Count || Chance(50))
        Text += Mixed ? From(Eols) : Eol;
    }
    return Text;
  }

  RefSettings Settings() {
    if (Chance(25))
      return {0, 0, 0, 2, 2, -1, -1};
    auto Any = [&]() { return Pick(16) - 3; };
    RefSettings S{Any(), Any(), Any(), Any(), Any(), Any(), Any()};
    if (Chance(50))
      S.Comments = -1;
    if (Chance(50))
      S.SplitLineTab = -1;
    return S;
  }
};

RefWords TablesFor(int Kind) {
  RefWords W;
  if (Kind >= 1)
    W.Keywords = {"AAdd", "Case",  "DO",   "ENDDO", "ENDIF",  "FUNCTION",
                  "If",   "LOCAL", "Next", "QOut",  "RETURN", "While"};
  if (Kind == 3) {
    // Replacements that put blanks, brackets and whole statements into the rebuilt text.
    W.Replacements = {{"QQ", "Q Q("}, {"ZZ", "DO CASE"}, {"FN", "FUNCTION"}, {"YY", "{"},
                      {"WW", "="},    {"XX", ""},        {"DOO", "do  case"}};
    return W;
  }
  if (Kind >= 2)
    W.Replacements = {{"QQ", "QOut"}, {"FN", "FUNCTION"}, {"ENDWHILE", "ENDDO"},
                      {"DOO", "DO"},  {"XX", ""},         {"QQ", "QOut2"}};
  return W;
}

void InstallTables(const RefWords &W) {
  WordTables.Keywords = W.Keywords;
  WordTables.Replacements.clear();
  for (const auto &Row : W.Replacements)
    WordTables.Replacements.push_back({Row.first, Row.second});
  IndexWordTables();
}

std::string Show(const std::string &S) {
  std::ostringstream Out;
  for (unsigned char C : S) {
    if (C == '\n')
      Out << "\\n\n";
    else if (C < 32 || C >= 127 || C == '\\')
      Out << "\\x" << std::hex << (C >> 4) << (C & 15) << std::dec;
    else
      Out << C;
  }
  return Out.str();
}

struct CaseResult {
  bool Same;
  std::string Report;
};

CaseResult RunCase(const std::string &Text, const RefSettings &Set, int TableKind, int Block,
                   int First, int Last, int Col1, int Col2, int CursorLine, int CursorPos,
                   int TopBack) {
  RefWords Tables = TablesFor(TableKind);
  InstallTables(Tables);
  SetSettings(Set.GlobalTab, Set.MainTab, Set.FuncTab, Set.TextFuncTab, Set.Tab, Set.Comments,
              Set.SplitLineTab);

  RefEditor E;
  E.Lines = SplitText(Text);
  int Total = static_cast<int>(E.Lines.size());
  if (CursorLine >= Total)
    CursorLine = Total - 1;
  int Top = CursorLine - TopBack < 0 ? 0 : CursorLine - TopBack;
  E.CurLine = CursorLine;
  E.CurPos = CursorPos;
  E.TopScreenLine = Top;
  if (First >= Total)
    First = Total - 1;
  if (Last >= Total)
    Last = Total - 1;
  if (Last < First)
    Last = First;

  SimLoadText(Text, "T.PRG");
  SimSetCursor(CursorLine, CursorPos);
  SimHost.Editor.TopScreenLine = Top;
  // The block as the host keeps it: whole lines as Shift+Down marks them, a stream from
  // one column to another, or a column block.
  if (Block == 1)
    SimMarkLines(First, Last);
  else if (Block == 2)
    SimMarkStream(First, Col1, Last, Col2);
  else if (Block == 3)
    SimMarkColumn(First, Last, Col1, Col1 + Col2);
  if (Block) {
    for (int I = 0; I < Total; ++I) {
      E.Lines[I].SelStart = SimHost.Editor.Lines[static_cast<std::size_t>(I)].SelStart;
      E.Lines[I].SelEnd = SimHost.Editor.Lines[static_cast<std::size_t>(I)].SelEnd;
    }
    E.BlockMode = SimHost.Editor.BlockType != BTYPE_NONE;
    for (int I = Total - 1; I >= 0; --I)
      if (E.Lines[I].SelStart >= 0)
        E.BlockStart = I;
  }
  SimHost.Menus.clear();
  SimHost.Messages.clear();
  SimHost.MenuAnswers = {0};
  OpenPlugin(OPEN_EDITOR, 0);
  std::string Got = SimSaveText();

  RefReindent(E, Set, Tables);
  std::string Want = JoinText(E.Lines);
  int WantLine = E.CurLine >= static_cast<int>(E.Lines.size())
                     ? static_cast<int>(E.Lines.size()) - 1
                     : E.CurLine;
  int WantTop = E.TopScreenLine;
  if (WantLine >= WantTop + SimHost.Editor.WindowSizeY)
    WantTop = WantLine - SimHost.Editor.WindowSizeY + 1;

  CaseResult R{true, ""};
  std::ostringstream Out;
  if (Got != Want) {
    R.Same = false;
    Out << "text differs\n--- input:\n"
        << Show(Text) << "\n--- plug-in:\n"
        << Show(Got) << "\n--- reference:\n"
        << Show(Want) << "\n";
  } else if (SimHost.Editor.CurLine != WantLine || SimHost.Editor.TopScreenLine != WantTop ||
             SimHost.Editor.CurPos != 0 || SimHost.Editor.LeftPos != 0) {
    R.Same = false;
    Out << "cursor differs: plug-in line " << SimHost.Editor.CurLine << " top "
        << SimHost.Editor.TopScreenLine << " pos " << SimHost.Editor.CurPos << ", reference line "
        << WantLine << " top " << WantTop << "\n--- input:\n"
        << Show(Text) << "\n";
  }
  if (!R.Same) {
    Out << "settings " << Set.GlobalTab << " " << Set.MainTab << " " << Set.FuncTab << " "
        << Set.TextFuncTab << " " << Set.Tab << " " << Set.Comments << " " << Set.SplitLineTab
        << ", tables " << TableKind << ", block " << Block << " " << First << ".." << Last
        << " columns " << Col1 << " " << Col2 << ", cursor " << CursorLine << ":" << CursorPos
        << " top " << Top << "\n";
    R.Report = Out.str();
  }
  return R;
}

class ReindentReference : public ::testing::Test {
protected:
  void SetUp() override { StartPlugin(); }
  void TearDown() override { InstallTables(RefWords()); }
};

TEST_F(ReindentReference, AgreesOnGeneratedPrograms) {
  int Failures = 0;
  int Cases = 0;
  const unsigned Seeds = 20000;
  for (unsigned Seed = 1; Seed <= Seeds; ++Seed) {
    Generator G(Seed);
    int Count = 1 + G.Pick(40);
    std::string Text = G.Program(Count);
    RefSettings Set = G.Settings();
    int TableKind = G.Pick(4);
    int Block = G.Chance(65) ? 0 : (G.Chance(70) ? 1 : 2 + G.Pick(2));
    int Col1 = G.Pick(6);
    int Col2 = G.Pick(6);
    int First = G.Pick(Count + 1);
    int Last = First + G.Pick(Count + 1);
    int CursorLine = G.Pick(Count + 1);
    int CursorPos = G.Chance(50) ? 0 : G.Pick(13);
    int TopBack = G.Pick(25);
    CaseResult R = RunCase(Text, Set, TableKind, Block, First, Last, Col1, Col2, CursorLine,
                           CursorPos, TopBack);
    ++Cases;
    if (!R.Same && ++Failures <= 3)
      ADD_FAILURE() << "seed " << Seed << ": " << R.Report;
  }
  EXPECT_EQ(Failures, 0) << "of " << Cases << " cases";
}

} // namespace

namespace {

// Hand-picked inputs on the edges of the rules, each under a few settings and modes.
TEST_F(ReindentReference, AgreesOnChosenCases) {
  std::string Long(1100, 'x');
  const std::vector<std::string> Texts = {
      "FUNCTION f()\r\n" + Long + " ;\r\ny\r\n",
      "FUNCTION f()\r\n" + Long + "=1 ;\r\ny\r\n",
      "FUNCTION f()\r\n" + Long + ";\r\ny\r\n",
      "TEXT += 1\r\nIF x\r\ny\r\nENDIF\r\n",
      "TEXT = 1\r\nIF x\r\ny\r\nENDIF\r\n",
      "TEXT\t:= 1\r\nIF x\r\ny\r\nENDIF\r\n",
      "TEXT:=1\r\nIF x\r\ny\r\nENDIF\r\n",
      "TEXT \t:= 1\r\nIF x\r\ny\r\nENDIF\r\n",
      "TEXT \x01:= 1\r\nIF x\r\ny\r\nENDIF\r\n",
      "TEXT :\r\nIF x\r\ny\r\nENDIF\r\n",
      "TEXT ::= 1\r\nIF x\r\ny\r\nENDIF\r\n",
      "TEXT TO PRINTER\r\nIF x\r\nENDTEXT\r\nIF y\r\nz\r\n",
      "#pragma   __TEXT\r\n  a\r\n#pragma __endtext\r\nIF y\r\nz\r\n",
      "#pragma\t__cstream\r\n  a\r\n#  pragma  __ENDTEXT  \r\nIF y\r\nz\r\n",
      "#pragma __text\r\n  a\r\nENDTEXT\r\n  b\r\n#pragma enddump\r\n c\r\n",
      "#pragma BEGINDUMP\r\n  a\r\n#pragma __endtext\r\n  b\r\n#pragma ENDDUMP\r\nIF y\r\n",
      "#pragma BEGINDUMP x\r\n  a\r\n#pragma ENDDUMP x\r\nIF y\r\nz\r\n",
      "#pragma BEGINDUMP|x\r\n  a\r\n#pragma ENDDUMP|x\r\nIF y\r\nz\r\n",
      "#pragma __text|QOut(%s)\r\n  a\r\n#pragma __endtext\r\nIF y\r\nz\r\n",
      "/*\r\nTEXT\r\n*/\r\n  IF x\r\nENDTEXT\r\n y\r\n",
      "// TEXT\r\n IF x\r\n",
      "x := ;\r\nTEXT\r\n  a\r\nENDTEXT\r\n  IF y\r\n",
      "TEXT ;\r\n  a\r\nENDTEXT\r\nFUNCTION f\r\n  \r\n",
      "x := ;\r\n\r\nFUNCTION f()\r\n",
      "x := ;\r\n   \r\n\r\nFUNCTION f()\r\n",
      "x := ;\r\nfunc x\r\nFUNCTION y\r\n",
      "FUNCTION f( a, ;\r\n b )\r\n IF x\r\n y\r\n ENDIF\r\n",
      "FUNCTION f( a, ;\r\n b, ;\r\n c )\r\n IF x\r\n y\r\n ENDIF\r\n",
      "? \"a /* b\"\r\nIF x\r\ny\r\nENDIF\r\n",
      "NOTE it's\r\nIF x\r\ny\r\nENDIF\r\n",
      "? [a\r\nIF x\r\ny\r\nENDIF\r\n",
      "x := a[1] ;\r\nb\r\n",
      "x := a [1 ;\r\nb\r\n",
      "RETURN[1 ;\r\nb\r\n",
      "IF(a,;\r\nb)\r\nc\r\n",
      "\r\n\r\n\r\n",
      "",
      "   ",
      "FUNCTION f",
      "x\r\nFUNCTION f",
      "x\nFUNCTION f\n\n",
      "x\rFUNCTION f\r   \r",
      std::string("FUNCTION f\r\n\0\0\r\nx\0y\r\n", 22),
      "DO CASE\r\nCASE a\r\nx\r\nOTHERWISE\r\ny\r\nENDCASE\r\nz\r\n",
      "DO  CASE\r\nCASE a\r\nx\r\nENDCASE\r\nz\r\n",
      "x := 1 /* a\r\nb\r\nc */ y\r\nIF z\r\nw\r\n",
      "@ 1, 2 SAY 'a' ;\r\nGET b\r\nc\r\n",
      "@ qq, 2 SAY x ;\r\ny\r\n",
      "@1;\r\ny\r\n",
      "#pragma__text\r\n IF x\r\ny\r\n",
      "#\tpragma __text\r\n IF x\r\n#pragma __endtext\r\ny\r\n",
      "x /* a\r\nTEXT\r\nb\r\nENDTEXT\r\nc */ y\r\nIF z\r\nw\r\n",
      "x := ;\r\n#pragma BEGINDUMP\r\nb\r\n#pragma ENDDUMP\r\nFUNCTION f\r\nw\r\n",
      "IF a\r\nTEXT\r\nENDIF\r\nENDTEXT\r\nb\r\nENDIF\r\nc\r\n",
      "DO CASE\r\nTEXT\r\n\r\n\r\nENDTEXT\r\nCASE x\r\ny\r\nENDCASE\r\n",
  };
  const RefSettings Settings[] = {{0, 0, 0, 3, 3, -1, -1},
                                  {1, 2, 1, 4, 3, 0, -1},
                                  {0, 0, 0, 2, 2, 1, 8},
                                  {2, -1, 3, 0, -2, -1, 0},
                                  {INT_MAX, 5, INT_MIN, INT_MAX, INT_MAX / 2 + 1, -1, INT_MAX},
                                  {-5, INT_MIN, 0, INT_MIN, INT_MIN, 5000, -1},
                                  {4000, 90, 7, 100, 1000000, -1, -1},
                                  {0, 0, 0, 0, INT_MAX, -2, INT_MIN}};
  int Failures = 0;
  for (std::size_t T = 0; T < Texts.size(); ++T)
    for (const RefSettings &Set : Settings)
      for (int TableKind = 0; TableKind < 4; ++TableKind)
        for (int Block = 0; Block < 3; ++Block)
          for (int CursorPos : {0, 4, 5000}) {
            // Mode 2 is a block of whole lines from line 0 to the end of the file.
            int First = Block == 2 ? 0 : 1;
            int Last = Block == 2 ? 1000 : 3;
            CaseResult R = RunCase(Texts[T], Set, TableKind, Block == 0 ? 0 : 1, First, Last, 0, 0,
                                   2, CursorPos, 1);
            if (!R.Same && ++Failures <= 20)
              ADD_FAILURE() << "text " << T << ": " << R.Report;
          }
  EXPECT_EQ(Failures, 0);
}

} // namespace
