// Verbatim regions: the text of TEXT ... ENDTEXT, of the #pragma text and dump regions and of
// the text commands a program defines for itself is printed or compiled as it stands, so the
// re-indenter leaves those lines alone.
#include "../host/headers.hpp"
#include "../host/session.hpp"
#include "reindent.hpp"

#include <cstring>

namespace {

bool IsWordChar(char C) {
  char U = AsciiUpper(C);
  return (U >= 'A' && U <= 'Z') || (C >= '0' && C <= '9') || C == '_';
}

// True when Text begins with Upper, comparing a to z without regard to case.
bool BeginsWithUpper(const char *Text, std::size_t Length, const char *Upper) {
  std::size_t I = 0;
  for (; Upper[I]; ++I)
    if (I >= Length || AsciiUpper(Text[I]) != Upper[I])
      return false;
  return true;
}

// The directive word of a "#pragma" line (blanks allowed after "#"): false for other lines.
bool PragmaWord(const char *Text, std::size_t Length, const char *&Word, std::size_t &WordLength) {
  if (Length == 0 || Text[0] != '#')
    return false;
  std::size_t K = 1;
  while (K < Length && IsSpaceOrTab(Text[K]))
    ++K;
  if (!BeginsWithUpper(Text + K, Length - K, "PRAGMA"))
    return false;
  K += 6;
  if (K >= Length || !IsSpaceOrTab(Text[K]))
    return false;
  while (K < Length && IsSpaceOrTab(Text[K]))
    ++K;
  std::size_t Start = K;
  while (K < Length && IsWordChar(Text[K]))
    ++K;
  Word = Text + Start;
  WordLength = K - Start;
  return true;
}

// The TEXT command: the line is TEXT, or begins with TEXT and a space, except for an
// assignment to a variable named text (TEXT := ...); TEXT( is a call and never matches.
bool IsTextCommand(const char *Text, std::size_t Length) {
  if (!BeginsWithUpper(Text, Length, "TEXT"))
    return false;
  if (Length == 4)
    return true;
  if (Text[4] != ' ')
    return false;
  std::size_t K = 5;
  while (K < Length && IsSpaceOrTab(Text[K]))
    ++K;
  return !BeginsWithUpper(Text + K, Length - K, ":=");
}

// As the compiler ends a text region: the words (blanks allowed before each), then nothing
// but blanks, a ";" or a comment.
bool EndsTextRegion(const char *Text, std::size_t Length, const char *const *Words) {
  std::size_t K = 0;
  for (; *Words; ++Words) {
    while (K < Length && IsSpaceOrTab(Text[K]))
      ++K;
    if (!BeginsWithUpper(Text + K, Length - K, *Words))
      return false;
    K += std::strlen(*Words);
    if (K < Length && IsWordChar((*Words)[std::strlen(*Words) - 1]) && IsWordChar(Text[K]))
      return false;
  }
  while (K < Length && IsSpaceOrTab(Text[K]))
    ++K;
  if (K == Length || Text[K] == ';')
    return true;
  return K + 1 < Length && ((Text[K] == '/' && (Text[K + 1] == '/' || Text[K + 1] == '*')) ||
                            (Text[K] == '&' && Text[K + 1] == '&'));
}

} // namespace

bool NamesCommand(const char *Text, std::size_t Length, const TextCommandWord &Command) {
  const std::size_t Full = Command.Upper.size();
  if (Length == Full)
    return SpellsUpper(Text, Length, Command.Upper.c_str());
  return Command.Abbreviated && Length >= 4 && Length < Full &&
         SpellsUpper(Text, Length, Command.Upper.substr(0, Length).c_str());
}

namespace {

// The directive word after "#" (blanks allowed), upper-cased; K is left after it.
std::string DirectiveWord(const char *Text, std::size_t Length, std::size_t &K) {
  K = 1;
  while (K < Length && IsSpaceOrTab(Text[K]))
    ++K;
  std::string Word;
  for (; K < Length && IsWordChar(Text[K]); ++K)
    Word += AsciiUpper(Text[K]);
  return Word;
}

// True when a rule's result holds a stringify marker: <"x">, <(x)> or #<x> (blanks allowed
// around the name).
bool Stringifies(const char *Text, std::size_t Length) {
  for (std::size_t K = 0; K + 1 < Length; ++K) {
    const char C = Text[K];
    const char D = Text[K + 1];
    const char *Close = C == '#' && D == '<' ? ">" : (C == '<' && D == '"' ? "\">" : nullptr);
    if (C == '<' && D == '(')
      Close = ")>";
    if (!Close)
      continue;
    std::size_t N = K + 2;
    while (N < Length && IsSpaceOrTab(Text[N]))
      ++N;
    const std::size_t Name = N;
    while (N < Length && IsWordChar(Text[N]))
      ++N;
    while (N < Length && IsSpaceOrTab(Text[N]))
      ++N;
    if (N > Name && BeginsWithUpper(Text + N, Length - N, Close))
      return true;
  }
  return false;
}

// Adds the command of a whole rule (#command ... => ...) when its result opens a text region,
// its first word to Stringifying when its result stringifies.
void ReadRule(const std::string &Rule, std::vector<TextCommandWord> &Commands,
              StringifyingWords &Stringifying) {
  const char *Text = Rule.data();
  const std::size_t Length = Rule.size();
  std::size_t K = 0;
  const std::string Kind = DirectiveWord(Text, Length, K);
  while (K < Length && IsSpaceOrTab(Text[K]))
    ++K;
  const std::size_t Start = K;
  while (K < Length && IsWordChar(Text[K]))
    ++K;
  const std::size_t Arrow = Rule.find("=>", K);
  if (K == Start || (Text[Start] >= '0' && Text[Start] <= '9') || Arrow == std::string::npos)
    return;
  std::size_t R = Arrow + 2;
  while (R < Length && IsSpaceOrTab(Text[R]))
    ++R;
  TextCommandWord Command{std::string(), Kind == "COMMAND" || Kind == "TRANSLATE"};
  for (std::size_t I = Start; I < K; ++I)
    Command.Upper += AsciiUpper(Text[I]);
  if (Stringifies(Text + R, Length - R))
    AddRuleWord(Kind.find("TRANSLATE") != std::string::npos ? Stringifying.Translations
                                                            : Stringifying.Commands,
                Command);
  const char *Word = nullptr;
  std::size_t WordLength = 0;
  if (PragmaWord(Text + R, Length - R, Word, WordLength) &&
      (SpellsUpper(Word, WordLength, "__TEXT") || SpellsUpper(Word, WordLength, "__STREAM") ||
       SpellsUpper(Word, WordLength, "__CSTREAM")))
    AddRuleWord(Commands, Command);
}

// The code of a line, Text, outside comments (strings kept) into Code; InComment follows a
// block comment from line to line.
void CodeOutsideComments(const char *Text, std::size_t Length, bool &InComment, std::string &Code) {
  Code.clear();
  char Quote = 0;
  for (std::size_t K = 0; K < Length; ++K) {
    const char C = Text[K];
    const char D = K + 1 < Length ? Text[K + 1] : 0;
    if (InComment) {
      if (C == '*' && D == '/') {
        InComment = false;
        Code += ' ';
        ++K;
      }
      continue;
    }
    if (Quote) {
      Quote = C == Quote ? 0 : Quote;
    } else if (C == '"' || C == '\'') {
      Quote = C;
    } else if (C == '/' && D == '*') {
      InComment = true;
      ++K;
      continue;
    } else if ((C == '/' && D == '/') || (C == '&' && D == '&')) {
      return;
    }
    Code += C;
  }
}

// What a header uses that makes line numbers matter, as the run reports it.
const char *UsedInHeader(const char *Use) {
  if (!Use)
    return nullptr;
  if (std::strcmp(Use, "__LINE__") == 0)
    return "__LINE__ in a header it includes";
  if (std::strcmp(Use, "ProcLine(") == 0)
    return "ProcLine( in a header it includes";
  return "#pragma linenumber in a header it includes";
}

// The longest rule read: a longer one is text of another kind.
const std::size_t MostRule = 1u << 16;

} // namespace

int VerbatimOpened(const std::string &Trimmed) {
  const char *Text = Trimmed.data();
  std::size_t Length = Trimmed.size();
  if (IsTextCommand(Text, Length))
    return VerbatimText;
  const char *Word = nullptr;
  std::size_t WordLength = 0;
  if (!PragmaWord(Text, Length, Word, WordLength))
    return VerbatimNone;
  if (SpellsUpper(Word, WordLength, "__TEXT") || SpellsUpper(Word, WordLength, "__CSTREAM") ||
      SpellsUpper(Word, WordLength, "__STREAM"))
    return VerbatimPragmaText;
  if (SpellsUpper(Word, WordLength, "BEGINDUMP"))
    return VerbatimDump;
  return VerbatimNone;
}

bool VerbatimClosed(int Kind, const std::string &Line) {
  std::size_t First, End;
  TrimBounds(Line, First, End);
  const char *Text = Line.data() + First;
  std::size_t Length = End - First;
  if (Kind == VerbatimCommandText) {
    static const char *const EndText[] = {"ENDTEXT", nullptr};
    static const char *const EndPragma[] = {"#", "PRAGMA", "__ENDTEXT", nullptr};
    return EndsTextRegion(Text, Length, EndText) || EndsTextRegion(Text, Length, EndPragma);
  }
  if (Kind == VerbatimText)
    return BeginsWithUpper(Text, Length, "ENDTEXT") && (Length == 7 || Text[7] == ' ');
  const char *Word = nullptr;
  std::size_t WordLength = 0;
  if (!PragmaWord(Text, Length, Word, WordLength))
    return false;
  if (Kind == VerbatimPragmaText)
    return SpellsUpper(Word, WordLength, "__ENDTEXT");
  return SpellsUpper(Word, WordLength, "ENDDUMP");
}

bool ReadDirectiveLine(DirectiveReader &Reader, const char *Text, std::size_t Length,
                       bool Continued, std::vector<TextCommandWord> &Commands,
                       std::string &Included) {
  if (!Reader.InRule) {
    if (Length == 0 || Text[0] != '#')
      return false;
    std::size_t K = 0;
    const std::string Word = DirectiveWord(Text, Length, K);
    if (Word == "INCLUDE") {
      while (K < Length && IsSpaceOrTab(Text[K]))
        ++K;
      const char Close = K < Length ? (Text[K] == '<' ? '>' : Text[K]) : 0;
      if (Close != '"' && Close != '\'' && Close != '>')
        return false;
      const std::size_t End = std::string(Text + K + 1, Length - K - 1).find(Close);
      if (End == std::string::npos || End == 0)
        return false;
      Included.assign(Text + K + 1, End);
      return true;
    }
    if (Word != "COMMAND" && Word != "XCOMMAND" && Word != "YCOMMAND" && Word != "TRANSLATE" &&
        Word != "XTRANSLATE" && Word != "YTRANSLATE")
      return false;
    Reader.InRule = true;
    Reader.Rule.clear();
  } else {
    Reader.Rule += ' ';
  }
  if (Reader.Rule.size() + Length <= MostRule)
    Reader.Rule.append(Text, Continued && Length > 0 ? Length - 1 : Length);
  if (!Continued) {
    Reader.InRule = false;
    ReadRule(Reader.Rule, Commands, Reader.Stringifying);
    Reader.Rule.clear();
  }
  return false;
}

void AddRuleWord(std::vector<TextCommandWord> &Words, const TextCommandWord &Word) {
  for (const TextCommandWord &Known : Words)
    if (Known.Upper == Word.Upper && Known.Abbreviated == Word.Abbreviated)
      return;
  Words.push_back(Word);
}

void NoteBlockAlias(const char *Text, std::size_t Length, std::vector<BlockAliasWord> &Aliases) {
  if (Length == 0 || Text[0] != '#')
    return;
  std::size_t K = 0;
  const std::string Directive = DirectiveWord(Text, Length, K);
  const bool Define = Directive == "DEFINE";
  if (!Define && Directive != "COMMAND" && Directive != "XCOMMAND" && Directive != "TRANSLATE" &&
      Directive != "XTRANSLATE")
    return;
  while (K < Length && IsSpaceOrTab(Text[K]))
    ++K;
  std::string Word;
  for (; K < Length && IsWordChar(Text[K]); ++K)
    Word += AsciiUpper(Text[K]);
  if (Word.empty() || K == Length || !IsSpaceOrTab(Text[K]))
    return;
  while (K < Length && IsSpaceOrTab(Text[K]))
    ++K;
  // A rule matches the word alone; its result follows "=>".
  if (!Define) {
    if (K + 1 >= Length || Text[K] != '=' || Text[K + 1] != '>')
      return;
    K += 2;
    while (K < Length && IsSpaceOrTab(Text[K]))
      ++K;
  }
  // One statement: a result of several carries its own closer.
  if (std::memchr(Text + K, ';', Length - K))
    return;
  const StatementKind Kind = ClassifyStatement(Text + K, Length - K, false);
  if ((Kind.Role != RoleOpens && Kind.Role != RoleMiddle && Kind.Role != RoleCloses) ||
      (Kind.Blocks & BlockDialog))
    return;
  for (const BlockAliasWord &Known : Aliases)
    if (Known.Upper == Word)
      return;
  Aliases.push_back(BlockAliasWord{Word, Kind.Role, Kind.Blocks});
}

void AddFindings(HeaderFindings &Into, const HeaderFindings &Other) {
  for (const BlockAliasWord &Word : Other.BlockAliases) {
    bool Known = false;
    for (const BlockAliasWord &Have : Into.BlockAliases)
      Known = Known || Have.Upper == Word.Upper;
    if (!Known)
      Into.BlockAliases.push_back(Word);
  }
  for (const TextCommandWord &Word : Other.Commands)
    AddRuleWord(Into.Commands, Word);
  for (const TextCommandWord &Word : Other.Stringifying.Commands)
    AddRuleWord(Into.Stringifying.Commands, Word);
  for (const TextCommandWord &Word : Other.Stringifying.Translations)
    AddRuleWord(Into.Stringifying.Translations, Word);
  if (!Into.LineNumbers)
    Into.LineNumbers = Other.LineNumbers;
}

void ReadHeaderText(const std::string &Bytes, HeaderFindings &Found,
                    std::vector<std::string> &Included) {
  DirectiveReader Reader;
  std::string Name, Code;
  bool InComment = false;
  std::size_t At = 0;
  while (At < Bytes.size()) {
    std::size_t End = Bytes.find_first_of("\r\n", At);
    if (End == std::string::npos)
      End = Bytes.size();
    std::size_t First = At, Last = End;
    while (First < Last && IsBlankChar(Bytes[First]))
      ++First;
    while (Last > First && IsBlankChar(Bytes[Last - 1]))
      --Last;
    // A preprocessor line goes on in the next when it ends with ";".
    const bool Continued = Last > First && Bytes[Last - 1] == ';';
    if (ReadDirectiveLine(Reader, Bytes.data() + First, Last - First, Continued, Found.Commands,
                          Name))
      Included.push_back(Name);
    if (!Continued)
      NoteBlockAlias(Bytes.data() + First, Last - First, Found.BlockAliases);
    if (!Found.LineNumbers) {
      CodeOutsideComments(Bytes.data() + First, Last - First, InComment, Code);
      Found.LineNumbers = UsedInHeader(LineNumberUse(Code, nullptr));
    }
    At = End + 1;
  }
  Found.Stringifying = Reader.Stringifying;
}

int TextCommandOpened(const std::vector<TextCommandWord> &Commands, const std::string &Trimmed) {
  const char *Text = Trimmed.data();
  const std::size_t Length = Trimmed.size();
  std::size_t K = 0;
  while (K < Length && IsWordChar(Text[K]))
    ++K;
  if (K == 0)
    return VerbatimNone;
  // A variable of that name assigned, or sent a message, or a function of that name called.
  std::size_t After = K;
  while (After < Length && IsSpaceOrTab(Text[After]))
    ++After;
  if (After < Length) {
    const char C = Text[After];
    const char D = After + 1 < Length ? Text[After + 1] : 0;
    if (C == ':' || C == '=' || C == '(' || C == '[' || (D == '=' && std::strchr("+-*/^%", C)) ||
        (C == '-' && (D == '>' || D == '-')) || (C == '+' && D == '+'))
      return VerbatimNone;
  }
  for (const TextCommandWord &Command : Commands)
    if (NamesCommand(Text, K, Command))
      return VerbatimCommandText;
  return VerbatimNone;
}

const char *LineNumberUse(const std::string &Trimmed, const std::vector<LineWord> *Words) {
  const char *Text = Trimmed.data();
  const std::size_t Length = Trimmed.size();
  if (Length == 0 || Text[0] == '*' || (Length >= 2 && Text[0] == '/' && Text[1] == '/') ||
      (Length >= 2 && Text[0] == '&' && Text[1] == '&'))
    return nullptr;
  const char *Word = nullptr;
  std::size_t WordLength = 0;
  if (PragmaWord(Text, Length, Word, WordLength))
    return SpellsUpper(Word, WordLength, "LINENUMBER") ? "#pragma linenumber" : nullptr;
  // Two searches of the line's bytes rule out most lines: "__" and "(".
  for (std::size_t At = Trimmed.find("__"); At != std::string::npos;
       At = Trimmed.find("__", At + 2)) {
    std::size_t End = At;
    while (End < Length && IsWordChar(Text[End]))
      ++End;
    if ((At == 0 || !IsWordChar(Text[At - 1])) && SpellsUpper(Text + At, End - At, "__LINE__"))
      return "__LINE__";
  }
  // ProcLine followed by "(": among the words the scanner recorded (in code only), else
  // before each "(".
  if (Words) {
    for (const LineWord &W : *Words) {
      if (W.Length != 8 || !SpellsUpper(Text + W.Position - 1, 8, "PROCLINE"))
        continue;
      std::size_t After = static_cast<std::size_t>(W.Position - 1 + 8);
      while (After < Length && IsSpaceOrTab(Text[After]))
        ++After;
      if (After < Length && Text[After] == '(')
        return "ProcLine(";
    }
    return nullptr;
  }
  for (std::size_t At = Trimmed.find('('); At != std::string::npos;
       At = Trimmed.find('(', At + 1)) {
    std::size_t End = At;
    while (End > 0 && IsSpaceOrTab(Text[End - 1]))
      --End;
    if (End >= 8 && SpellsUpper(Text + End - 8, 8, "PROCLINE") &&
        (End == 8 || !IsWordChar(Text[End - 9])))
      return "ProcLine(";
  }
  return nullptr;
}

int RegionOpened(ReindentState &State, const ScannedLine &Line, bool InComment) {
  const std::string &T = Line.Trimmed;
  if (!InComment) {
    std::string Name;
    if (ReadDirectiveLine(State.Directives, T.data(), T.size(), Line.Continued, State.TextCommands,
                          Name))
      AddIncludedTextCommands(Name, State.TextCommands);
  }
  const int Kind = VerbatimOpened(T);
  if (Kind != VerbatimNone || State.TextCommands.empty() || InComment)
    return Kind;
  return TextCommandOpened(State.TextCommands, T);
}
