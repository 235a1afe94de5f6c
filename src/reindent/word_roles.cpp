// The roles of a statement's words, for respelling: a word is respelled only where it stands
// as a keyword. The standard commands turn some of their operands into text (an index key,
// a filter, a field list), where a new case changes what the program does: those keep their
// spelling under both rule sets. The Modern rules keep besides every name being declared
// (LOCAL ..., a class's members, a routine's parameters, the type after AS), every name the
// routine uses as a variable, and the names a command takes (the file of USE, the variable
// of GET or MENU TO, an alias).
#include "../host/session.hpp"
#include "../words/words.hpp"
#include "reindent.hpp"

namespace {

// What a statement's first word makes of the words after it.
enum FirstKind {
  FirstOther = 0,
  FirstDeclares, // LOCAL, PRIVATE ...: a list of names, with initial values
  FirstMember,   // DATA, VAR ...: a class's members
  FirstHeader,   // FUNCTION, METHOD ...: a name and its parameters
  FirstPrefix,   // STATIC, INIT, EXIT, CREATE: a header when a header word follows
  FirstKeysOn,   // INDEX, SORT, TOTAL: the words after ON (and TOTAL's FIELDS) are text
  FirstFields,   // COPY, APPEND, JOIN: the words after FIELDS are text
  FirstSet,      // SET: the operand after TO may be text
  FirstText,     // FIND, RUN: the rest is text
};

struct RoleWord {
  const char *Word;
  std::size_t Shortest; // the shortest abbreviation taken
  int Kind;
  bool Modern; // read by the Modern rules only
};

const RoleWord FirstWords[] = {
    {"LOCAL", 4, FirstDeclares, true},   {"PRIVATE", 4, FirstDeclares, true},
    {"PUBLIC", 4, FirstDeclares, true},  {"MEMVAR", 4, FirstDeclares, true},
    {"FIELD", 4, FirstDeclares, true},   {"PARAMETERS", 4, FirstDeclares, true},
    {"RELEASE", 4, FirstDeclares, true}, {"DECLARE", 4, FirstDeclares, true},
    {"DATA", 4, FirstMember, true},      {"VAR", 3, FirstMember, true},
    {"CLASSDATA", 9, FirstMember, true}, {"CLASSVAR", 8, FirstMember, true},
    {"ACCESS", 6, FirstMember, true},    {"ASSIGN", 6, FirstMember, true},
    {"MESSAGE", 7, FirstMember, true},   {"INLINE", 6, FirstMember, true},
    {"FUNCTION", 4, FirstHeader, true},  {"PROCEDURE", 4, FirstHeader, true},
    {"METHOD", 4, FirstHeader, true},    {"CLASS", 5, FirstHeader, true},
    {"STATIC", 4, FirstPrefix, true},    {"INIT", 4, FirstPrefix, true},
    {"EXIT", 4, FirstPrefix, true},      {"CREATE", 6, FirstPrefix, true},
    {"FIND", 4, FirstText, true},        {"RUN", 3, FirstText, true},
    {"INDEX", 4, FirstKeysOn, false},    {"SORT", 4, FirstKeysOn, false},
    {"TOTAL", 4, FirstKeysOn, false},    {"SET", 3, FirstSet, false},
    {"COPY", 4, FirstFields, false},     {"APPEND", 4, FirstFields, false},
    {"JOIN", 4, FirstFields, false},
};

// The SET commands whose operand after TO is text under both rule sets.
const RoleWord SetTextWords[] = {{"FILTER", 4, 0, false}, {"RELATION", 4, 0, false}};
// Header words after METHOD, STATIC, INIT, EXIT or CREATE, and the METHOD of a MESSAGE: a
// name follows them.
const RoleWord HeaderWords[] = {{"FUNCTION", 4, 0, false},
                                {"PROCEDURE", 4, 0, false},
                                {"CLASS", 5, 0, false},
                                {"METHOD", 6, 0, false}};
// The clause words whose next word is a name the command takes: a file, an alias, a
// variable (Modern rules).
const RoleWord NamingWords[] = {
    {"USE", 3, 0, true},   {"SELECT", 4, 0, true}, {"ALIAS", 5, 0, true}, {"INTO", 4, 0, true},
    {"GET", 3, 0, true},   {"FORM", 4, 0, true},   {"TAG", 3, 0, true},   {"FROM", 4, 0, true},
    {"TO", 2, 0, true},    {"ERASE", 4, 0, true},  {"FILE", 4, 0, true},  {"IN", 2, 0, true},
    {"INDEX", 4, 0, true}, {"AS", 2, 0, true},
};

// True when the Length characters at Text, upper-cased (a to z only), are Word or one of its
// abbreviations down to Shortest characters.
bool Abbreviates(const char *Text, std::size_t Length, const RoleWord &Word) {
  std::size_t I = 0;
  for (; I < Length; ++I)
    if (Word.Word[I] == 0 || AsciiUpper(Text[I]) != Word.Word[I])
      return false;
  return Word.Word[I] == 0 || I >= Word.Shortest;
}

template <std::size_t N>
const RoleWord *FindWord(const RoleWord (&Words)[N], const char *Text, std::size_t Length) {
  for (const RoleWord &Word : Words)
    if (Abbreviates(Text, Length, Word))
      return &Word;
  return nullptr;
}

std::size_t SkipBlanks(const std::string &T, std::size_t K) {
  while (K < T.size() && IsSpaceOrTab(T[K]))
    ++K;
  return K;
}

// True when the operator after the word at End makes it a variable or an alias: "->",
// ":=", a compound assignment, "++" or "--"; or, for the statement's first word, a lone "=".
bool StandsAsVariable(const std::string &T, std::size_t End, bool First) {
  std::size_t K = SkipBlanks(T, End);
  if (K >= T.size())
    return false;
  char C = T[K];
  char D = K + 1 < T.size() ? T[K + 1] : 0;
  if ((C == '-' && (D == '>' || D == '-' || D == '=')) || (C == '+' && (D == '+' || D == '=')))
    return true;
  if (D == '=' && (C == ':' || C == '*' || C == '/' || C == '^' || C == '%'))
    return true;
  return First && C == '=' && D != '=';
}

// True when the word at [Start, End) is the file name before an extension (x.dbf) rather
// than an operand of a dotted operator (x.and.y).
bool BeforeExtension(const std::string &T, std::size_t Start, std::size_t End) {
  if (End + 1 >= T.size() || T[End] != '.' || !IsLetter(T[End + 1]))
    return false;
  if (Start > 0 && T[Start - 1] == '.')
    return false;
  std::size_t K = End + 1;
  while (K < T.size() && (IsLetter(T[K]) || (T[K] >= '0' && T[K] <= '9') || T[K] == '_'))
    ++K;
  static const char *const Dotted[] = {"AND", "OR", "NOT", "T", "F", "Y", "N"};
  if (K < T.size() && T[K] == '.')
    for (const char *Word : Dotted)
      if (SpellsUpper(T.data() + End + 1, K - End - 1, Word))
        return false;
  return true;
}

bool IsNamed(const ReindentState &S, const char *Text, std::size_t Length) {
  for (const std::string &Name : S.DeclaredNames)
    if (SpellsUpper(Text, Length, Name.c_str()))
      return true;
  return false;
}

// Remembers a name of the routine (or of the file, before the first routine) that the word
// tables would respell; other names need no remembering.
void NoteName(ReindentState &S, const char *Text, std::size_t Length) {
  if (!ChangedSpelling(Text, Length) || IsNamed(S, Text, Length))
    return;
  std::string Upper(Text, Length);
  for (char &C : Upper)
    C = AsciiUpper(C);
  S.DeclaredNames.push_back(Upper);
  if (!S.InRoutine)
    S.FileNames = S.DeclaredNames.size();
}

// True when one of the program's own rules stringifies what the word begins: a command's as
// the statement's first word, a translation's anywhere.
bool OpensStringified(const ReindentState &S, const char *Text, std::size_t Length, bool First) {
  for (const TextCommandWord &Word : S.Stringifying.Translations)
    if (NamesCommand(Text, Length, Word))
      return true;
  if (First)
    for (const TextCommandWord &Word : S.Stringifying.Commands)
      if (NamesCommand(Text, Length, Word))
        return true;
  return false;
}

void StartStatement(ReindentState &S) {
  S.SpellMode = SpellFree;
  S.StatementFirst = FirstOther;
  S.StatementWords = 0;
}

// The kind of a statement's first word, with a look at the word after it for STATIC, INIT
// and EXIT.
int FirstKindOf(const ScannedLine &Line, std::size_t I, bool Modern) {
  const std::string &T = Line.Trimmed;
  const LineWord &W = Line.Words[I];
  const char *Text = T.data() + W.Position - 1;
  const RoleWord *Found = FindWord(FirstWords, Text, static_cast<std::size_t>(W.Length));
  if (!Found || (Found->Modern && !Modern))
    return FirstOther;
  if (Found->Kind != FirstPrefix)
    return Found->Kind;
  bool Header = false;
  if (I + 1 < Line.Words.size()) {
    const LineWord &After = Line.Words[I + 1];
    Header = FindWord(HeaderWords, T.data() + After.Position - 1,
                      static_cast<std::size_t>(After.Length)) != nullptr;
  }
  if (Header)
    return FirstHeader;
  return SpellsUpper(Text, static_cast<std::size_t>(W.Length), "STATIC") ||
                 SpellsUpper(Text, static_cast<std::size_t>(W.Length), "STAT")
             ? FirstDeclares
             : FirstOther;
}

} // namespace

void KeepWordsByRole(ReindentState &S, ScannedLine &Line, bool Modern) {
  const std::string &T = Line.Trimmed;
  if (!S.PrevContinued)
    StartStatement(S);
  // The end of the last word on the line after which a declared name stands.
  std::size_t NameAfter = S.PrevContinued ? 0 : std::string::npos;
  std::size_t PreviousEnd = std::string::npos;
  const RoleWord *Previous = nullptr; // the naming clause word just before, if any
  for (std::size_t I = 0; I < Line.Words.size(); ++I) {
    LineWord &W = Line.Words[I];
    const std::size_t Start = static_cast<std::size_t>(W.Position - 1);
    const std::size_t Length = static_cast<std::size_t>(W.Length);
    const std::size_t End = Start + Length;
    const char *Text = T.data() + Start;
    std::size_t Before = Start;
    while (Before > 0 && IsSpaceOrTab(T[Before - 1]))
      --Before;
    const bool AfterSemicolon = Before > 0 && T[Before - 1] == ';';
    if (AfterSemicolon && S.SpellMode != SpellString)
      StartStatement(S);
    const bool AtStart = AfterSemicolon || (Before == 0 && !S.PrevContinued);
    const bool Adjacent = PreviousEnd == Before;
    const RoleWord *Naming = Adjacent ? Previous : nullptr;
    PreviousEnd = End;
    Previous = Modern ? FindWord(NamingWords, Text, Length) : nullptr;

    const int Index = S.StatementWords++;
    const int Mode = S.SpellMode;
    const bool First = Index == 0 && AtStart;
    const bool Variable = StandsAsVariable(T, End, First);
    const std::size_t NextAt = SkipBlanks(T, End);
    const bool Call = NextAt < T.size() && T[NextAt] == '(';
    const bool Dotted = Start > 0 && T[Start - 1] == '.' && End < T.size() && T[End] == '.';
    // A clause word stands where a keyword can and is no call (not :fields(), a->to).
    const bool Clause = W.KeywordPlace && !Call;
    bool Keep = false;
    bool Classified = false;
    if (Index == 0) {
      S.StatementFirst = First && !Variable && !Call ? FirstKindOf(Line, I, Modern) : FirstOther;
      switch (S.StatementFirst) {
      case FirstDeclares:
      case FirstMember:
        S.SpellMode = SpellNames;
        NameAfter = End;
        break;
      case FirstHeader:
        S.SpellMode = SpellNames;
        NameAfter = End;
        S.DeclaredNames.resize(S.FileNames);
        S.InRoutine = true;
        break;
      case FirstSet:
        if (Modern)
          S.SpellMode = SpellAfterTo;
        break;
      case FirstText:
        S.SpellMode = SpellKept;
        break;
      default:
        break;
      }
      Classified = S.StatementFirst != FirstOther;
    }
    if (Modern && OpensStringified(S, Text, Length, First)) {
      // What the rule matches may run over the statements after it on the line (a wild
      // match marker takes them all): all of it keeps its spelling.
      S.SpellMode = SpellString;
      Keep = true;
    } else if (Classified) {
      // The statement's own word: respelled.
    } else if (Mode == SpellKept || Mode == SpellString) {
      Keep = true;
    } else if (Mode == SpellAfterTo && Clause && SpellsUpper(Text, Length, "TO")) {
      S.SpellMode = SpellKept;
    } else if ((S.StatementFirst == FirstFields || S.StatementFirst == FirstKeysOn) && Clause &&
               SpellsUpper(Text, Length, "FIELDS")) {
      S.SpellMode = SpellKept;
    } else if (S.StatementFirst == FirstKeysOn && Clause && SpellsUpper(Text, Length, "ON")) {
      S.SpellMode = SpellKept;
    } else if (S.StatementFirst == FirstSet && Index == 1 && FindWord(SetTextWords, Text, Length)) {
      S.SpellMode = SpellAfterTo;
    } else if (Modern && Mode == SpellNames) {
      const bool NamePlace =
          Before == NameAfter || (Before > 0 && (T[Before - 1] == ',' || T[Before - 1] == '('));
      const RoleWord *Header = FindWord(HeaderWords, Text, Length);
      if (Header && (Before == NameAfter || Header == &HeaderWords[3])) {
        NameAfter = End; // METHOD PROCEDURE, STATIC FUNCTION, MESSAGE x METHOD: a name next
      } else {
        Keep = !Dotted && (NamePlace || !Call);
        const bool RoutineName = S.StatementFirst == FirstHeader && Before == NameAfter;
        if (NamePlace && !Call && !RoutineName && S.StatementFirst != FirstMember)
          NoteName(S, Text, Length);
      }
    } else if (Modern && W.KeywordPlace && ChangedSpelling(Text, Length)) {
      if (Variable) {
        Keep = true;
        NoteName(S, Text, Length);
      } else if (!Call && !Dotted) {
        // A name after USE, GET, ALIAS ..., unless it is the clause word of SET INDEX TO or
        // INDEX ON.
        const bool Named =
            Naming && !SpellsUpper(Text, Length, "TO") && !SpellsUpper(Text, Length, "ON");
        Keep = Named || IsNamed(S, Text, Length) || BeforeExtension(T, Start, End);
      }
    }
    if (Keep)
      W.KeywordPlace = false;
  }
}
