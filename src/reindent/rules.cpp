// The block words of the Modern rules: a table of the statements that open, continue and
// close blocks and of the routine headers, read from a statement's first words.
#include "../host/session.hpp"
#include "../settings/settings.hpp"
#include "reindent.hpp"

#include <cstring>
#include <vector>

namespace {

// One row: the first word (any prefix of at least MinLength letters of Word), optionally a
// second word likewise, and what the statement does.
struct BlockWordRule {
  const char *Word;
  unsigned char MinLength;
  const char *Second; // nullptr: any second word, or none
  unsigned char SecondMin;
  unsigned char Role;
  unsigned short Blocks;
  bool ParenthesisOk; // a "(" right after the word is the statement's condition, not a call
};

const unsigned char CaseLike = BlockCase | BlockSwitch;

// Tried in order; the first row that matches decides. Each word accepts the shortest
// abbreviation the compiler takes: Clipper's own words four letters, Harbour's keywords as
// its lexer allows (ELSEI, ENDSEQ, ENDSW, ENDW, SWIT, ALWA), ENDFOR four letters as its
// standard header's command does, and the words of other dialects only their full spelling.
const BlockWordRule ModernWords[] = {
    {"IF", 2, nullptr, 0, RoleOpens, BlockIf, true},
    {"ELSEIF", 5, nullptr, 0, RoleMiddle, BlockIf, true},
    {"ELSE", 4, nullptr, 0, RoleMiddle, BlockIf, false},
    {"ENDIF", 4, nullptr, 0, RoleCloses, BlockIf, false},
    {"DO", 2, "WHILE", 4, RoleOpens, BlockWhile, false},
    {"DO", 2, "CASE", 4, RoleOpens, BlockCase, false},
    {"WHILE", 4, nullptr, 0, RoleOpens, BlockWhile, true},
    {"ENDDO", 4, nullptr, 0, RoleCloses, BlockWhile, false},
    {"ENDWHILE", 8, nullptr, 0, RoleCloses, BlockWhile, false},
    {"FOR", 3, nullptr, 0, RoleOpens, BlockFor, false},
    {"NEXT", 4, nullptr, 0, RoleCloses, BlockFor, false},
    {"ENDFOR", 4, nullptr, 0, RoleCloses, BlockFor, false},
    {"CASE", 4, nullptr, 0, RoleMiddle, CaseLike, true},
    {"OTHERWISE", 4, nullptr, 0, RoleMiddle, CaseLike, false},
    {"ENDCASE", 4, nullptr, 0, RoleCloses, BlockCase, false},
    {"SWITCH", 4, nullptr, 0, RoleOpens, BlockSwitch, true},
    {"ENDSWITCH", 5, nullptr, 0, RoleCloses, BlockSwitch, false},
    {"BEGIN", 4, "SEQUENCE", 4, RoleOpens, BlockSequence, false},
    {"RECOVER", 4, nullptr, 0, RoleMiddle, BlockSequence, false},
    {"ALWAYS", 4, nullptr, 0, RoleMiddle, BlockSequence | BlockTry, false},
    {"ENDSEQUENCE", 6, nullptr, 0, RoleCloses, BlockSequence, false},
    {"TRY", 3, nullptr, 0, RoleOpens, BlockTry, false},
    {"CATCH", 5, nullptr, 0, RoleMiddle, BlockTry, false},
    {"FINALLY", 7, nullptr, 0, RoleMiddle, BlockTry, false},
    {"ENDTRY", 6, nullptr, 0, RoleCloses, BlockTry, false},
    {"WITH", 4, "OBJECT", 6, RoleOpens, BlockWith, false},
    {"ENDWITH", 4, nullptr, 0, RoleCloses, BlockWith, false},
    {"END", 3, "IF", 2, RoleCloses, BlockIf, false},
    {"END", 3, "DO", 2, RoleCloses, BlockWhile, false},
    {"END", 3, "WHILE", 4, RoleCloses, BlockWhile, false},
    {"END", 3, "FOR", 3, RoleCloses, BlockFor, false},
    {"END", 3, "CASE", 4, RoleCloses, BlockCase, false},
    {"END", 3, "SWITCH", 6, RoleCloses, BlockSwitch, false},
    {"END", 3, "SEQUENCE", 4, RoleCloses, BlockSequence, false},
    {"END", 3, "TRY", 3, RoleCloses, BlockTry, false},
    {"END", 3, "WITH", 4, RoleCloses, BlockWith, false},
    {"END", 3, "CLASS", 5, RoleClassEnd, 0, false},
    {"END", 3, "DATABASE", 8, RoleCloses, BlockDialog, false},
    {"END", 3, nullptr, 0, RoleCloses, BlockAny, false},
    {"ENDCLASS", 8, nullptr, 0, RoleClassEnd, 0, false},
    {"PROCEDURE", 4, nullptr, 0, RoleHeader, 0, false},
    {"FUNCTION", 4, nullptr, 0, RoleHeader, 0, false},
    {"STATIC", 4, "PROCEDURE", 4, RoleHeader, 0, false},
    {"STATIC", 4, "FUNCTION", 4, RoleHeader, 0, false},
    {"INIT", 4, "PROCEDURE", 4, RoleHeader, 0, false},
    {"INIT", 4, "FUNCTION", 4, RoleHeader, 0, false},
    {"EXIT", 4, "PROCEDURE", 4, RoleHeader, 0, false},
    {"EXIT", 4, "FUNCTION", 4, RoleHeader, 0, false},
    {"METHOD", 6, nullptr, 0, RoleMethod, 0, false},
    {"ACCESS", 6, nullptr, 0, RoleMethod, 0, false},
    {"ASSIGN", 6, nullptr, 0, RoleMethod, 0, false},
    {"CLASS", 5, nullptr, 0, RoleClass, 0, false},
    {"CREATE", 6, "CLASS", 5, RoleClass, 0, false},
    // FiveWin's definitions: followed only when the DialogBlocks option asks for them.
    {"DEFINE", 6, "DIALOG", 6, RoleOpens, BlockDialog, false},
    {"DEFINE", 6, "WINDOW", 6, RoleOpens, BlockDialog, false},
    {"DEFINE", 6, "SHELL", 5, RoleOpens, BlockDialog, false},
    {"DEFINE", 6, "TABLE", 5, RoleOpens, BlockDialog, false},
    {"DEFINE", 6, "DATABASE", 8, RoleOpens, BlockDialog, false},
    {"ACTIVATE", 8, "DIALOG", 6, RoleCloses, BlockDialog, false},
    {"ACTIVATE", 8, "WINDOW", 6, RoleCloses, BlockDialog, false},
};

bool IsNameStart(char C) {
  return IsLetter(static_cast<unsigned char>(C)) || C == '_';
}

bool IsNameChar(char C) {
  return IsNameStart(C) || (C >= '0' && C <= '9');
}

// True when the Length letters at Text, upper-cased, are a prefix of Word of at least
// MinLength letters.
bool AbbreviationOf(const char *Text, std::size_t Length, const char *Word, std::size_t MinLength) {
  // Most words of a table are told apart by their first letter, before their length is taken.
  if (Length < MinLength || (Length > 0 && AsciiUpper(Text[0]) != Word[0]) ||
      Length > std::strlen(Word))
    return false;
  for (std::size_t I = 0; I < Length; ++I)
    if (AsciiUpper(Text[I]) != Word[I])
      return false;
  return true;
}

// The word starting at At (its length, 0 for none) and the position after the blanks that
// follow it.
std::size_t WordAt(const char *Text, std::size_t Length, std::size_t At, std::size_t &After) {
  std::size_t End = At;
  if (End < Length && IsNameStart(Text[End]))
    while (End < Length && IsNameChar(Text[End]))
      ++End;
  After = End;
  while (After < Length && IsSpaceOrTab(Text[After]))
    ++After;
  return End - At;
}

// True when the text after a statement's first word makes that word a value: an
// assignment, a message, a field, a subscript or a call.
bool WordIsValue(const char *Text, std::size_t Length, std::size_t After, bool Touching,
                 bool ParenthesisOk) {
  if (After >= Length)
    return false;
  char C = Text[After];
  char D = After + 1 < Length ? Text[After + 1] : 0;
  // "::name" and "[text]" after a blank are the statement's operand; touching the word,
  // "name:" and "name[" are a message and a subscript.
  if ((C == ':' && (D == '=' || Touching)) || (C == '[' && Touching) || (C == '=' && D != '='))
    return true;
  if ((C == '-' && D == '>') || (Touching && ((C == '+' && D == '+') || (C == '-' && D == '-'))))
    return true;
  if ((C == '+' || C == '-' || C == '*' || C == '/' || C == '%' || C == '^') && D == '=')
    return true;
  return C == '(' && Touching && !ParenthesisOk;
}

// The end of the parenthesised group that opens at Open (the position after its ")"), 0 when
// it does not close on the line; Commas counts the ","s at its top level.
std::size_t GroupEnd(const char *Text, std::size_t Length, std::size_t Open, int &Commas) {
  int Depth = 0;
  char Quote = 0;
  Commas = 0;
  for (std::size_t K = Open; K < Length; ++K) {
    char C = Text[K];
    if (Quote) {
      if (C == Quote)
        Quote = 0;
    } else if (C == '"' || C == '\'') {
      Quote = C;
    } else if (C == '(' || C == '[' || C == '{') {
      ++Depth;
    } else if (C == ')' || C == ']' || C == '}') {
      if (--Depth == 0)
        return C == ')' ? K + 1 : 0;
    } else if (C == ',' && Depth == 1) {
      ++Commas;
    }
  }
  return 0;
}

// True when the IF whose text after the word and its blanks starts at After is the inline
// function IF( condition, then, else ) used as a statement: its group holds a "," at its top
// level, and nothing follows it but the statement's end or an operator that takes it as a
// value (an assignment, a message, a subscript). After any other ")" the group is a
// condition: IF (a) .AND. b.
bool IsInlineIf(const char *Text, std::size_t Length, std::size_t After) {
  if (After >= Length || Text[After] != '(')
    return false;
  int Commas = 0;
  std::size_t End = GroupEnd(Text, Length, After, Commas);
  if (Commas == 0)
    return false;
  // A group still open where the line goes on with ";" continues on the next line: its
  // top-level "," already makes it the function.
  if (End == 0) {
    std::size_t Last = Length;
    while (Last > 0 && IsSpaceOrTab(Text[Last - 1]))
      --Last;
    return Last > 0 && Text[Last - 1] == ';';
  }
  while (End < Length && IsSpaceOrTab(Text[End]))
    ++End;
  if (End >= Length)
    return true;
  char C = Text[End];
  char D = End + 1 < Length ? Text[End + 1] : 0;
  if (C == ';' || (C == '/' && (D == '/' || D == '*')) || (C == '&' && D == '&'))
    return true;
  if (C == ':' || C == '[' || (C == '-' && D == '>'))
    return true;
  if ((C == '+' && D == '+') || (C == '-' && D == '-'))
    return true;
  return (C == '+' || C == '-' || C == '*' || C == '/') && D == '=';
}

// True when what follows the name of an ACCESS or ASSIGN method at Name can be a method
// header's: its parameters, a clause of the class syntax, a ":" (Xbase++'s Class:Method), a
// comment or the statement's end. Another word or an operator makes the statement a command
// of a library's own that begins with the same word, as in ASSIGN lValue VALUE x TYPE "L" or
// ASSIGN aList := {}.
bool MethodClauseFollows(const char *Text, std::size_t Length, std::size_t Name) {
  static const char *const Clauses[] = {
      "AS",       "BLOCK",      "CLASS",    "CONSTRUCTOR", "DEFERRED", "EXPORT",
      "EXPORTED", "EXTERN",     "HIDDEN",   "INLINE",      "IS",       "METHOD",
      "OPERATOR", "PERSISTENT", "PROPERTY", "PROTECTED",   "READONLY", "RO",
      "SETGET",   "SHARED",     "SYNC",     "VIRTUAL",     "VISIBLE"};
  std::size_t After = 0;
  WordAt(Text, Length, Name, After);
  if (After >= Length)
    return true;
  const char C = Text[After];
  const char D = After + 1 < Length ? Text[After + 1] : 0;
  if (C == '(' || C == ';' || (C == ':' && D != '=') || (C == '/' && (D == '/' || D == '*')) ||
      (C == '&' && D == '&'))
    return true;
  std::size_t NextAfter = 0;
  std::size_t Next = WordAt(Text, Length, After, NextAfter);
  if (Next == 0 || After == Name)
    return false;
  for (const char *Clause : Clauses)
    if (Next == std::strlen(Clause) && AbbreviationOf(Text + After, Next, Clause, Next))
      return true;
  return false;
}

// True when the Length letters at Word are one of the words the text's own definitions end
// with.
bool IsDefinitionEnd(const char *Word, std::size_t Length) {
  if (Length == 0)
    return false;
  for (const std::string &End : DefinitionWords.Ends)
    if (End.size() == Length && AbbreviationOf(Word, Length, End.c_str(), Length))
      return true;
  return false;
}

// The definitions of the GUI libraries that the text closes itself: DEFINE POPUP ...
// END POPUP, START PRINTDOC ... END PRINTDOC, MENU ... ENDMENU. A statement whose first word
// (or whose second or third after DEFINE or START) is a word the text ends definitions with
// opens one; END<word> closes it. Followed only when the DialogBlocks option asks for them.
StatementKind DefinitionStatement(const char *Text, std::size_t Length, std::size_t FirstLength,
                                  std::size_t After, std::size_t SecondLength,
                                  std::size_t SecondAfter) {
  StatementKind Kind{RoleNone, 0, 0};
  if (DefinitionWords.Ends.empty() || WordIsValue(Text, Length, After, After == FirstLength, false))
    return Kind;
  int Role = RoleNone;
  if (FirstLength > 3 && AbbreviationOf(Text, 3, "END", 3) &&
      IsDefinitionEnd(Text + 3, FirstLength - 3)) {
    Role = RoleCloses;
  } else if (IsDefinitionEnd(Text, FirstLength) &&
             !(SecondLength == 2 && AbbreviationOf(Text + After, 2, "TO", 2))) {
    // MENU TO is Clipper's menu command, not FiveWin's MENU.
    Role = RoleOpens;
  } else if (AbbreviationOf(Text, FirstLength, "DEFINE", 6) ||
             AbbreviationOf(Text, FirstLength, "START", 5)) {
    std::size_t ThirdAfter = 0;
    std::size_t ThirdLength = WordAt(Text, Length, SecondAfter, ThirdAfter);
    if (IsDefinitionEnd(Text + After, SecondLength) ||
        IsDefinitionEnd(Text + SecondAfter, ThirdLength))
      Role = RoleOpens;
  }
  if (Role == RoleNone)
    return Kind;
  ReindentSink.Seen |= SeenDialogWord;
  if (!PluginRules.DialogBlocks)
    return Kind;
  Kind.Role = Role;
  Kind.Blocks = BlockDialog;
  Kind.WordsEnd = After;
  return Kind;
}

} // namespace

PER_THREAD DefinitionWordsRecord DefinitionWords;

void NoteDefinitionEnd(const std::string &Line, std::vector<std::string> &Ends) {
  std::size_t First = 0;
  while (First < Line.size() && IsSpaceOrTab(Line[First]))
    ++First;
  const char *Text = Line.data() + First;
  std::size_t Length = Line.size() - First;
  if (Length < 4 || AsciiUpper(Text[0]) != 'E' || !AbbreviationOf(Text, 3, "END", 3))
    return;
  std::size_t After = 0;
  std::size_t FirstLength = WordAt(Text, Length, 0, After);
  const char *Word = Text + 3;
  std::size_t WordLength = FirstLength - 3;
  if (FirstLength == 3) {
    std::size_t SecondAfter = 0;
    Word = Text + After;
    WordLength = WordAt(Text, Length, After, SecondAfter);
  }
  if (WordLength < 3)
    return;
  // The language's own blocks, and TEXT (whose lines are kept as written), end otherwise.
  for (const BlockWordRule &Rule : ModernWords)
    if (FirstLength == 3
            ? Rule.Second && std::strcmp(Rule.Word, "END") == 0 &&
                  AbbreviationOf(Word, WordLength, Rule.Second, Rule.SecondMin)
            : !Rule.Second && AbbreviationOf(Text, FirstLength, Rule.Word, Rule.MinLength))
      return;
  std::string Upper;
  for (std::size_t I = 0; I < WordLength; ++I)
    Upper += AsciiUpper(Word[I]);
  if (Upper == "TEXT" || Upper == "DUMP")
    return;
  for (const std::string &End : Ends)
    if (End == Upper)
      return;
  Ends.push_back(Upper);
}

StatementKind ClassifyStatement(const char *Text, std::size_t Length, bool InClass) {
  StatementKind Kind{RoleNone, 0, 0};
  std::size_t After = 0;
  std::size_t FirstLength = WordAt(Text, Length, 0, After);
  if (FirstLength == 0)
    return Kind;
  std::size_t SecondAfter = 0;
  std::size_t SecondLength = WordAt(Text, Length, After, SecondAfter);
  // Only the rules whose word begins with the statement's first letter, in the table's order.
  static const std::vector<const BlockWordRule *> *const ByLetter = [] {
    static std::vector<const BlockWordRule *> Rules[26];
    for (const BlockWordRule &Rule : ModernWords)
      Rules[Rule.Word[0] - 'A'].push_back(&Rule);
    return Rules;
  }();
  const char First = AsciiUpper(Text[0]);
  static const std::vector<const BlockWordRule *> None;
  for (const BlockWordRule *Each : First >= 'A' && First <= 'Z' ? ByLetter[First - 'A'] : None) {
    const BlockWordRule &Rule = *Each;
    if (!AbbreviationOf(Text, FirstLength, Rule.Word, Rule.MinLength))
      continue;
    std::size_t Rest = After;
    if (Rule.Second) {
      if (!AbbreviationOf(Text + After, SecondLength, Rule.Second, Rule.SecondMin))
        continue;
      Rest = SecondAfter;
    } else if (WordIsValue(Text, Length, After, After == FirstLength, Rule.ParenthesisOk)) {
      return Kind;
    } else if (Rule.Blocks == BlockIf && Rule.Role == RoleOpens &&
               IsInlineIf(Text, Length, After)) {
      return Kind;
    }
    int Blocks = Rule.Blocks;
    // END and a word the text's own definitions end with closes the innermost definition.
    if (Blocks == BlockAny && IsDefinitionEnd(Text + After, SecondLength)) {
      ReindentSink.Seen |= SeenDialogWord;
      if (PluginRules.DialogBlocks)
        Blocks = BlockDialog;
    }
    // END DATABASE closes no block of the language even when the option is off.
    if (Rule.Blocks & BlockDialog) {
      ReindentSink.Seen |= SeenDialogWord;
      if (!PluginRules.DialogBlocks)
        return Kind;
    }
    int Role = Rule.Role;
    // Headers name what they define.
    bool Named =
        Rest < Length && IsNameStart(Text[Rest]) && Rest > 0 && IsSpaceOrTab(Text[Rest - 1]);
    if (Role == RoleHeader || Role == RoleMethod || Role == RoleClass) {
      if (!Named)
        return Kind;
      // Inside a class its methods and class variables are declarations.
      if (InClass && Role != RoleHeader)
        return Kind;
      if (Role == RoleMethod) {
        // METHOD is the language's own; ACCESS and ASSIGN begin libraries' commands too.
        if (AsciiUpper(Text[0]) == 'A' && !MethodClauseFollows(Text, Length, Rest))
          return Kind;
        Role = RoleHeader;
      }
    }
    Kind.Role = Role;
    Kind.Blocks = Blocks;
    Kind.WordsEnd = Rest;
    return Kind;
  }
  return DefinitionStatement(Text, Length, FirstLength, After, SecondLength, SecondAfter);
}

bool IsListCondition(const char *Text, std::size_t Length) {
  std::size_t After = 0;
  const std::size_t FirstLength = WordAt(Text, Length, 0, After);
  int Commas = 0;
  return FirstLength == 2 && AbbreviationOf(Text, 2, "IF", 2) && After < Length &&
         Text[After] == '(' && GroupEnd(Text, Length, After, Commas) > 0 && Commas == 1;
}

bool IsDeclaration(const char *Text, std::size_t Length) {
  static const char *const Words[] = {"LOCAL",  "STATIC", "PRIVATE",   "PUBLIC",
                                      "MEMVAR", "FIELD",  "PARAMETERS"};
  std::size_t After = 0;
  std::size_t FirstLength = WordAt(Text, Length, 0, After);
  if (FirstLength == 0 || After == FirstLength || After >= Length || !IsNameStart(Text[After]))
    return false;
  for (const char *Word : Words)
    if (AbbreviationOf(Text, FirstLength, Word, 4))
      return true;
  return false;
}

int PreprocessorBranchOf(const char *Text, std::size_t Length) {
  if (Length == 0 || Text[0] != '#')
    return BranchNone;
  std::size_t At = 1;
  while (At < Length && IsSpaceOrTab(Text[At]))
    ++At;
  std::size_t After = 0;
  std::size_t WordLength = WordAt(Text, Length, At, After);
  const char *Word = Text + At;
  if (AbbreviationOf(Word, WordLength, "IFDEF", 5) ||
      AbbreviationOf(Word, WordLength, "IFNDEF", 6) || AbbreviationOf(Word, WordLength, "IF", 2))
    return BranchIf;
  if (AbbreviationOf(Word, WordLength, "ELIF", 4) || AbbreviationOf(Word, WordLength, "ELSE", 4))
    return BranchElse;
  if (AbbreviationOf(Word, WordLength, "ENDIF", 4))
    return BranchEnd;
  return BranchNone;
}
