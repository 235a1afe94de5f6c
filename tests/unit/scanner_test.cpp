// The line scanner on single lines and on short runs of lines: trimming, recorded words and
// their columns, continuation, the lexical state left behind, and the WHILE, FOR and NEXT
// adjustments of the counters.
#include "../../src/host/session.hpp"
#include "../../src/reindent/blocks.hpp"
#include "../../src/reindent/reindent.hpp"
#include "../../src/words/words.hpp"
#include "harness.hpp"

#include <gtest/gtest.h>

namespace {

// The recorded words as "Word@Position", separated by blanks.
std::string WordsOf(const ScannedLine &Line) {
  std::string Out;
  for (const LineWord &W : Line.Words) {
    if (!Out.empty())
      Out += " ";
    Out += Line.Trimmed.substr(static_cast<std::size_t>(W.Position - 1),
                               static_cast<std::size_t>(W.Length)) +
           "@" + std::to_string(W.Position);
  }
  return Out;
}

// The lexical flags set after a line: L line comment, B block comment, D double quote,
// S single quote, R bracket string.
std::string FlagsOf(const ReindentState &S) {
  std::string Out;
  if (S.InLineComment)
    Out += "L";
  if (S.InBlockComment)
    Out += "B";
  if (S.InDoubleQuote)
    Out += "D";
  if (S.InSingleQuote)
    Out += "S";
  if (S.InBracketString)
    Out += "R";
  return Out;
}

class ScannerTest : public ::testing::Test {
protected:
  void SetUp() override {
    StartPlugin();
    SetSettings(0, 0, 0, 3, 3, -1, -1);
  }
};

struct ScanRow {
  const char *Line;
  const char *Trimmed;
  const char *Words;
  bool Continued;
  int LineDelta; // change of LineIndent during the scan
  int NextDelta; // change of NextIndent during the scan
  const char *Flags;
};

const ScanRow SingleLines[] = {
    {"  endif  ", "endif", "endif@1", false, 0, 0, ""},
    {"", "", "", false, 0, 0, ""},
    {" \t \x01 ", "", "", false, 0, 0, ""},
    {"IF x", "IF x", "IF@1", false, 0, 0, ""},
    {"x1 := _a + 2b", "x1 := _a + 2b", "x1@1", false, 0, 0, ""},
    {"ENDIF// done", "ENDIF// done", "", false, 0, 0, "L"},
    {"ENDIF // done", "ENDIF // done", "ENDIF@1", false, 0, 0, "L"},
    {"ENDIF&& done", "ENDIF&& done", "", false, 0, 0, "L"},
    {"x := a + ; // note", "x := a + ; // note", "", true, 0, 0, "L"},
    {"x := a + ; && note", "x := a + ; && note", "", true, 0, 0, "L"},
    {"x := a ; /* c */", "x := a ; /* c */", "", false, 0, 0, ""},
    {"x := a ;\t ", "x := a ;", "", true, 0, 0, ""},
    {"x := ';'", "x := ';'", "", false, 0, 0, ""},
    {"x := \";\"", "x := \";\"", "", false, 0, 0, ""},
    {"DO WHILE x > 0", "DO WHILE x > 0", "DO@1 WHILE@4", false, 0, 0, ""},
    {"LOCATE FOR a == 1 WHILE b", "LOCATE FOR a == 1 WHILE b", "LOCATE@1 FOR@8 WHILE@19", false, 0,
     -6, ""},
    {"NEXT i", "NEXT i", "NEXT@1", false, 0, 0, ""},
    {"x++ ; NEXT i", "x++ ; NEXT i", "NEXT@7", false, 0, 0, ""},
    {"DISPLAY NEXT 5", "DISPLAY NEXT 5", "DISPLAY@1 NEXT@9", false, 3, 3, ""},
    {"x++ ; NEXT", "x++ ; NEXT", "NEXT@7", false, 0, 0, ""},
    {"for i := 1 to 3", "for i := 1 to 3", "for@1 to@12", false, 0, 0, ""},
    {"while .t.", "while .t.", "while@1", false, 0, 0, ""},
    {"dowhile x1", "dowhile x1", "dowhile@1 x1@9", false, 0, 0, ""},
    {"* it's a note", "* it's a note", "", false, 0, 0, "L"},
    {"x1 := 1 /* open", "x1 := 1 /* open", "x1@1", false, 0, 0, "B"},
    {"/* a */ x1 := 2", "/* a */ x1 := 2", "x1@9", false, 0, 0, ""},
    {"/* && */ x1", "/* && */ x1", "", false, 0, 0, "L"},
    {"? \"it's // no\", x1", "? \"it's // no\", x1", "x1@17", false, 0, 0, ""},
    {"? 'say \"hi\" && bye' + x1", "? 'say \"hi\" && bye' + x1", "x1@23", false, 0, 0, ""},
    {"x := 'abc", "x := 'abc", "", false, 0, 0, "S"},
    {"A1:=B2+C3", "A1:=B2+C3", "A1@1 B2@5 C3@8", false, 0, 0, ""},
    // A "/*" inside a string opens no comment.
    {"x := \"/*\" + y1", "x := \"/*\" + y1", "y1@13", false, 0, 0, ""},
    {"x := '/*' + y1 ;", "x := '/*' + y1 ;", "y1@13", true, 0, 0, ""},
    // Bracket strings against subscripts.
    {"? [it's]", "? [it's]", "", false, 0, 0, ""},
    {"x := [a;b]", "x := [a;b]", "", false, 0, 0, ""},
    {"x := aData[1] ;", "x := aData[1] ;", "aData@6", true, 0, 0, ""},
    {"RETURN [ENDIF]", "RETURN [ENDIF]", "RETURN@1", false, 0, 0, ""},
    {"return[ENDIF]", "return[ENDIF]", "return@1", false, 0, 0, ""},
    {"x := aData[nItem] + [Total]", "x := aData[nItem] + [Total]", "aData@6 nItem@12", false, 0, 0,
     ""},
    {"x := f(a)[ENDIF]", "x := f(a)[ENDIF]", "ENDIF@11", false, 0, 0, ""},
    {"x := a[1][ENDIF]", "x := a[1][ENDIF]", "ENDIF@11", false, 0, 0, ""},
    {"x := {1}[ENDIF]", "x := {1}[ENDIF]", "ENDIF@10", false, 0, 0, ""},
    {"IF [a] $ cText", "IF [a] $ cText", "IF@1 cText@10", false, 0, 0, ""},
    {"CASE [abc] == cVal", "CASE [abc] == cVal", "CASE@1 cVal@15", false, 0, 0, ""},
    {"cCase[abc] == cVal", "cCase[abc] == cVal", "cCase@1 abc@7 cVal@15", false, 0, 0, ""},
    {"aList [x1]", "aList [x1]", "aList@1 x1@8", false, 0, 0, ""},
    {"@ 1, 2 GET cName PICTURE [XX99]", "@ 1, 2 GET cName PICTURE [XX99]",
     "GET@8 cName@12 PICTURE@18", false, 0, 0, ""},
    {"@ 1, 2 SAY [Name] ;", "@ 1, 2 SAY [Name] ;", "SAY@8", true, 0, 0, ""},
    {"cVal = [ENDDO]", "cVal = [ENDDO]", "cVal@1", false, 0, 0, ""},
    {"QOut([ENDDO])", "QOut([ENDDO])", "QOut@1", false, 0, 0, ""},
    {"x := [a // b] + y1", "x := [a // b] + y1", "y1@17", false, 0, 0, ""},
    {"x := [\"] + y1", "x := [\"] + y1", "y1@12", false, 0, 0, ""},
    {"x := \"[\" + y1", "x := \"[\" + y1", "y1@12", false, 0, 0, ""},
    {"x := [open", "x := [open", "", false, 0, 0, "R"},
    {"// [abc", "// [abc", "", false, 0, 0, "L"},
    {"/* [ */ x1", "/* [ */ x1", "x1@9", false, 0, 0, ""},
    // An angle-bracket include is scanned like any other text; a quoted one is a string.
    {"#include <Inkey.ch>", "#include <Inkey.ch>", "include@2 Inkey@11 ch@17", false, 0, 0, ""},
    {"# include <box.ch", "# include <box.ch", "include@3 box@12 ch@16", false, 0, 0, ""},
    {"#include \"inkey.ch\"", "#include \"inkey.ch\"", "include@2", false, 0, 0, ""},
    {"#define INC <a> + b1", "#define INC <a> + b1", "define@2 INC@9 b1@19", false, 0, 0, ""},
};

TEST_F(ScannerTest, SingleLinesAtTheStartOfARun) {
  for (const ScanRow &Row : SingleLines) {
    SCOPED_TRACE(Row.Line);
    ReindentState S{};
    S.LineIndent = 10;
    S.NextIndent = 20;
    ScannedLine L{};
    ScanLine(S, Row.Line, L);
    EXPECT_EQ(L.Trimmed, Row.Trimmed);
    EXPECT_EQ(L.Rebuilt, Row.Trimmed); // empty word tables respell nothing
    EXPECT_EQ(WordsOf(L), Row.Words);
    EXPECT_EQ(L.Continued, Row.Continued);
    EXPECT_EQ(S.LineIndent - 10, Row.LineDelta);
    EXPECT_EQ(S.NextIndent - 20, Row.NextDelta);
    EXPECT_EQ(FlagsOf(S), Row.Flags);
  }
}

struct RunRow {
  std::vector<std::string> Lines; // scanned in order; the results of the last one are checked
  const char *Words;
  const char *Flags;
};

const RunRow Runs[] = {
    {{"/* start", "ENDIF"}, "", "B"},
    {{"/* start", "still */ ENDIF"}, "ENDIF@10", ""},
    {{"/* start", "", "ENDIF"}, "", "B"},
    // Strings end with their line: an apostrophe in a note does not swallow the file.
    {{"NOTE it's fine", "ENDIF"}, "ENDIF@1", ""},
    {{"x := \"abc", "ENDIF"}, "ENDIF@1", ""},
    {{"x := [abc", "ENDIF"}, "ENDIF@1", ""},
    {{"* it's", "ENDIF"}, "ENDIF@1", ""},
    // "/*" inside a string leaves the next lines as code.
    {{"x := \"/*\"", "ENDIF"}, "ENDIF@1", ""},
    {{"x := [/*]", "ENDIF"}, "ENDIF@1", ""},
};

TEST_F(ScannerTest, StateCarriedFromLineToLine) {
  for (const RunRow &Row : Runs) {
    SCOPED_TRACE(Row.Lines.back());
    ReindentState S{};
    ScannedLine L{};
    for (const std::string &Line : Row.Lines)
      ScanLine(S, Line, L);
    EXPECT_EQ(WordsOf(L), Row.Words);
    EXPECT_EQ(FlagsOf(S), Row.Flags);
  }
}

struct ContinuedRow {
  const char *Line;
  int LineDelta;
  int NextDelta;
};

// After a continued line the position at the line's head no longer makes a word leading;
// only a ";" before it does.
const ContinuedRow AfterContinued[] = {
    {"WHILE x1 > 0", 0, -3},  {"FOR i := 1 TO 3", 0, -3}, {"NEXT i", 3, 3},
    {"DO WHILE x1", 0, -3},   {"x++ ; NEXT i", 0, 0},     {"a1 ; FOR x1", 0, 0},
    {"a1 ;\tWHILE x1", 0, 0},
};

TEST_F(ScannerTest, WordsAfterAContinuedLine) {
  for (const ContinuedRow &Row : AfterContinued) {
    SCOPED_TRACE(Row.Line);
    ReindentState S{};
    S.PrevContinued = true;
    ScannedLine L{};
    ScanLine(S, Row.Line, L);
    EXPECT_EQ(S.LineIndent, Row.LineDelta);
    EXPECT_EQ(S.NextIndent, Row.NextDelta);
  }
}

TEST_F(ScannerTest, TheBuffersAreReusedWithoutLeftovers) {
  ReindentState S{};
  ScannedLine L{};
  ScanLine(S, "LOCAL aVeryLongIdentifierName, bAnotherLongName, cThird", L);
  ASSERT_EQ(L.Words.size(), 4u);
  ScanLine(S, "IF x1", L);
  EXPECT_EQ(WordsOf(L), "IF@1 x1@4");
  EXPECT_EQ(L.Rebuilt, "IF x1");
  ScanLine(S, "", L);
  EXPECT_EQ(WordsOf(L), "");
  EXPECT_EQ(L.Rebuilt, "");
}

TEST_F(ScannerTest, ZeroBytesAndHighCharactersAreKept) {
  ReindentState S{};
  ScannedLine L{};
  std::string Line("x1 := \"\xE4\0b\" + \xFF", 15);
  ScanLine(S, "  " + Line + " ", L);
  EXPECT_EQ(L.Rebuilt, Line);
  EXPECT_EQ(WordsOf(L), "x1@1");
  // A character above 127 delimits a word.
  ScanLine(S,
           "ab\xE9"
           "cd",
           L);
  EXPECT_EQ(WordsOf(L), "ab@1 cd@4");
}

TEST_F(ScannerTest, RecordedWordsAreRespelled) {
  WordTables.Keywords = {"ENDIF", "IF", "LOCAL"};
  ReindentState S{};
  ScannedLine L{};
  ScanLine(S, "  endif  ", L);
  EXPECT_EQ(L.Trimmed, "endif");
  EXPECT_EQ(WordsOf(L), "endif@1");
  EXPECT_EQ(L.Rebuilt, "ENDIF");
  // Words in comments and strings keep their case.
  ScanLine(S, "if x1 // endif 'local'", L);
  EXPECT_EQ(L.Rebuilt, "IF x1 // endif 'local'");
  ScanLine(S, "? [endif], \"local\"", L);
  EXPECT_EQ(L.Rebuilt, "? [endif], \"local\"");
  ScanLine(S, "#include \"local.ch\"", L);
  EXPECT_EQ(L.Rebuilt, "#include \"local.ch\"");
  WordTables = WordTablesRecord();
}

// Words are respelled only where a keyword can stand: not in preprocessor lines (nor the
// lines that continue one), not after ":", "->", "\\" or "/", not after the "." of a file
// extension, and not between a "[" and its "]". Each row is a run of lines; they keep
// their recorded words either way.
std::string AsciiUpperText(std::string Text) {
  for (char &C : Text)
    C = AsciiUpper(C);
  return Text;
}

TEST_F(ScannerTest, WordsAreRespelledOnlyWhereAKeywordCanStand) {
  WordTables.Keywords = {"AND",      "Array", "BEGIN",  "CENTURY", "CLOSE", "CONTINUE", "Date",
                         "Dbf",      "ELSE",  "ENDIF",  "FIELDS",  "FOR",   "GET",      "IF",
                         "IN",       "INDEX", "LABEL",  "Left",    "Len",   "LOCAL",    "MENU",
                         "NEW",      "ON",    "QOut",   "RELEASE", "ROW",   "RUN",      "SEEK",
                         "SEQUENCE", "SET",   "SubStr", "TO",      "Type",  "Upper",    "WAIT"};
  struct Row {
    std::vector<std::string> Lines;
    std::vector<std::string> Rebuilt;
    int Style = StyleClassic;
  } Rows[] = {
      // Preprocessor lines: markers, names and directives are case-sensitive.
      {{"#command @ <row>, <col> FOO <var> [LABEL <label>] => Bar( <row>, <\"var\">, <label> )"},
       {"#command @ <row>, <col> FOO <var> [LABEL <label>] => Bar( <row>, <\"var\">, <label> )"}},
      {{"#define left 1"}, {"#define left 1"}},
      {{"#else", "  #endif"}, {"#else", "#endif"}},
      {{"#xtranslate a => ;", "   left( b ) ;", "   + len( c )", "left( b )"},
       {"#xtranslate a => ;", "left( b ) ;", "+ len( c )", "Left( b )"}},
      {{"if a ;", "   .and. left(b)"}, {"IF a ;", ".AND. Left(b)"}},
      // Messages, aliases and fields, paths and file extensions.
      {{"oPrn:new( 1 )", "::new()", "self: new()"}, {"oPrn:new( 1 )", "::new()", "self: new()"}},
      {{"x := invoice->date", "x := invoice -> date", "x := a > date"},
       {"x := invoice->date", "x := invoice -> date", "x := a > Date"}},
      {{"USE test_2.dbf", "erase x.dbf", "CREATE .\\new\\CAJAS", "!cp /tmp/x.dbf ."},
       {"USE test_2.dbf", "erase x.dbf", "CREATE .\\new\\CAJAS", "!cp /tmp/x.dbf ."}},
      {{"x := a / len(y)", "/* c */ if a", "/* c */if a"},
       {"x := a / len(y)", "/* c */ IF a", "/* c */IF a"}},
      // Dotted operators and literals are not file extensions.
      {{"if a .and. b", "x := a .and. len(y)", "x := a .and.len(y)", "x := .t..and.len(y)"},
       {"IF a .AND. b", "x := a .AND. Len(y)", "x := a .AND.Len(y)", "x := .t..AND.Len(y)"}},
      {{"x := y.len(z)", "x := a.f.len(y)", "x := a. len(y)"},
       {"x := y.len(z)", "x := a.f.Len(y)", "x := a. Len(y)"}},
      // Brackets: strings to the command matcher whatever the line's reading.
      {{"SEEK [date]", "WAIT [press any key to continue]", "RUN [copy file to x]"},
       {"SEEK [date]", "WAIT [press any key to continue]", "RUN [copy file to x]"}},
      {{"x := a[left]", "x := a [left] + len(b)", "x := a[1] + len(b)", "x := a[b[left]] + len(c)"},
       {"x := a[left]", "x := a [left] + Len(b)", "x := a[1] + Len(b)",
        "x := a[b[left]] + Len(c)"}},
      {{"x := a[left + ;", "x := \"[\" + len(b) + \"]\"", "x := a] + len(b)"},
       {"x := a[Left + ;", "x := \"[\" + Len(b) + \"]\"", "x := a] + Len(b)"}},
      // Everywhere else the tables apply as before.
      {{"begin sequence", "qout( subs( x ) )", "if row() > 1 .and. date() = d"},
       {"BEGIN SEQUENCE", "QOut( SubS( x ) )", "IF ROW() > 1 .AND. Date() = d"}},
      // What the standard commands turn into text keeps its spelling under both rule sets,
      // over continued lines too.
      {{"index on upper(type) to x for left(a)", "set filter to type = 1",
        "set relation to upper(type) into b", "sort to x on type", "total on type fields a to b",
        "copy to x fields type, seek", "index on upper(type + ;", "left(a)) to x", "if a",
        "x := o:fields(a) + len(b)", "@ 1, 1 listbox o fields left(a)"},
       {"INDEX ON upper(type) to x for left(a)", "SET filter TO type = 1",
        "SET relation TO upper(type) into b", "sort TO x ON type", "total ON type fields a to b",
        "copy TO x FIELDS type, seek", "INDEX ON upper(type + ;", "left(a)) to x", "IF a",
        "x := o:fields(a) + Len(b)", "@ 1, 1 listbox o FIELDS Left(a)"}},
      {{"index on upper(type + ;", "left(a)) to x", "set filter to type = 1 .and. ;", "left(a)",
        "if a"},
       {"INDEX ON upper(type + ;", "left(a)) to x", "SET filter TO type = 1 .and. ;", "left(a)",
        "IF a"},
       StyleModern},
      // Modern: names being declared keep their spelling, calls in initial values do not.
      {{"local in := len(a), row := 1, ;", "date", "static set", "private new, date", "public new",
        "memvar seek", "field type in b", "parameters wait", "release left, date",
        "local x := 1 ; local menu"},
       {"LOCAL in := Len(a), row := 1, ;", "date", "static set", "private new, date", "public new",
        "memvar seek", "field type in b", "parameters wait", "RELEASE left, date",
        "LOCAL x := 1 ; LOCAL menu"},
       StyleModern},
      // A declared or assigned name stays a variable in its routine; a header starts afresh.
      {{"function f(new)", "local in", "x := in + len(in) + new", "in := 2", "seek in", "date += 1",
        "? date", "function g()", "x := in + new", "in = 1", "menu to in"},
       {"function f(new)", "LOCAL in", "x := in + Len(in) + new", "in := 2", "SEEK in", "date += 1",
        "? date", "function g()", "x := IN + NEW", "in = 1", "MENU TO in"},
       StyleModern},
      // A class's members, the type after AS, a method's name and parameters.
      {{"create class seek", "data left, row as array init {}", "var in", "classdata menu",
        "method close(date) inline upper(date)", "method procedure run()", "access date inline .t.",
        "assign date(x) inline x", "message get method set()", "endclass",
        "method close(new) class seek"},
       {"create class seek", "data left, row as array init {}", "var in", "classdata menu",
        "method close(date) inline Upper(date)", "method procedure run()", "access date inline .t.",
        "assign date(x) inline x", "message get method set()", "endclass",
        "method close(new) class seek"},
       StyleModern},
      // Statement words, calls and operators are respelled; fields before "->", the names a
      // command takes (a file, an alias, a variable) and file names before an extension not.
      {{"if upper(a) .and. left(b, 1)", "seek date()", "close all", "x := type->name + date -> x",
        "use menu index new alias date", "@ 1, 1 get date", "! copy date.dbf x.dbf",
        "set century on", "set index to new"},
       {"IF Upper(a) .AND. Left(b, 1)", "SEEK Date()", "CLOSE all", "x := type->name + date -> x",
        "use menu INDEX new alias date", "@ 1, 1 GET date", "! copy date.dbf x.dbf",
        "SET CENTURY ON", "SET INDEX TO new"},
       StyleModern},
  };
  for (const Row &R : Rows) {
    PluginRules.Style = R.Style;
    ReindentState S{};
    ScannedLine L{};
    ASSERT_EQ(R.Lines.size(), R.Rebuilt.size());
    for (std::size_t I = 0; I < R.Lines.size(); ++I) {
      ScanLine(S, R.Lines[I], L);
      EXPECT_EQ(L.Rebuilt, R.Rebuilt[I]) << R.Lines[I];
      // Respelled or not, the same text: only letter case changes.
      EXPECT_EQ(AsciiUpperText(L.Rebuilt), AsciiUpperText(L.Trimmed)) << R.Lines[I];
      S.PrevContinued = L.Continued;
    }
  }
  PluginRules.Style = StyleClassic;
  WordTables = WordTablesRecord();
}

} // namespace

// The blocks read from a run of lines: the problems as "LINE:COLUMN MESSAGE" (from 1),
// separated by "|", and for some rows the blocks as "KIND@LINE:COLUMN middle lines > closer".
struct BlockRow {
  std::vector<std::string> Lines;
  const char *Problems;
  const char *Blocks; // or null
};

const BlockRow BlockRows[] = {
    {{"IF x", "ELSE", "ENDIF", "  DO CASE", "  CASE a", "  OTHERWISE", "  ENDCASE"},
     "",
     "1@1:1 2 > 3|8@4:3 5 6 > 7"},
    {{"ENDIF"}, "1:1 ENDIF without IF", nullptr},
    {{"ELSE"}, "1:1 ELSE without IF", nullptr},
    {{"FOR i := 1 TO 3", "ENDDO"}, "2:1 ENDDO closes FOR opened at line 1", "4@1:1 > 2"},
    {{"WHILE x", " FOR i := 1 TO 2", " ENDDO"}, "3:2 ENDDO closes FOR opened at line 2", nullptr},
    {{"FUNCTION A()", "  IF x", "STATIC FUNCTION B( y )", "RETURN"},
     "2:3 IF opened here is not closed before STATIC FUNCTION B at line 3",
     "1@2:3 > 0"},
    {{"WHILE x"}, "1:1 DO WHILE opened here is not closed by the end of the file", nullptr},
    {{"  TEXT", "hello"}, "1:3 TEXT is never closed", nullptr},
    {{"#pragma BEGINDUMP", "int x;"}, "", nullptr},
    {{"x := 1 /* a", "b"}, "1:8 /* comment is never closed", nullptr},
    // What is not a block's word.
    {{"x := IF( a, b, c )", "IF( a, b(), c() )", "IIF( a, b, c )"}, "", nullptr},
    {{"IF ( a := 1, a > 0 )", "ENDIF"}, "", nullptr},
    {{"? \"ENDIF\", 'NEXT'", "x := [ENDDO]", "endif := 1", "o:endif()"}, "", nullptr},
    {{"// ENDIF", "* ENDIF", "&& NEXT", "/* ENDIF", "NEXT */", "x := 1 // ENDDO"}, "", nullptr},
    {{"IF a .AND. ;", "   b", "ENDI", "x := a + ;", "   ENDIF"}, "", nullptr},
    {{"DO WHIL x", "ENDD", "DO CASE", "CASE x", "ENDC"}, "", nullptr},
    // END and any word after it closes any block, as the compilers read it.
    {{"BEGIN SEQUENCE", "RECOVER", "END", "WHILE x", "END IF", "DO CASE", "END CASE"}, "", nullptr},
    {{"TEXT", "ENDIF", "ENDTEXT", "#pragma BEGINDUMP", "if (x) {", "#pragma ENDDUMP"}, "", nullptr},
    {{"#xcommand SHOWTEXT => #pragma __text|QOut(%s)", "SHOWTEXT", "ENDIF", "ENDTEXT"},
     "",
     nullptr},
    // A rule's result opens no region where the rule is defined.
    {{"#command TEXT TO FILE <f> => x() ;;", "   text QOut, y", "ENDIF"},
     "3:1 ENDIF without IF",
     nullptr},
    {{"/*", "Text Box", "#pragma BEGINDUMP", "*/", "DEFINE MAIL o ;", "   TEXT x ;", "   FROM y",
      "IF x", "ENDIF"},
     "",
     nullptr},
    // The program's own words for one block statement; a result of several is none.
    {{"#define BEGIN WHILE .T.", "#xcommand LOOPEND => ENDDO",
      "#command ESC_EXIT => if lastkey()=27 ; break ; endif", "BEGIN", "LOOPEND", "ESC_EXIT",
      "BEGIN // again", "ENDIF"},
     "8:1 ENDIF closes DO WHILE opened at line 7",
     nullptr},
    {{"#ifdef A", "IF a", "#else", "IF b", "#endif", "ENDIF"}, "", nullptr},
    {{"FOR i := 1 TO 3 ; x() ; NEXT", "RDDTEST {1}, x ; next"}, "", nullptr},
    {{"CLASS Foo", "METHOD Bar", "ENDCLASS", "METHOD Bar CLASS Foo", "IF x", "ENDIF"}, "", nullptr},
    // A library's END and word with nothing open; the shortest spellings Harbour compiles.
    {{"END TEXT", "END LAYOUT", "END", "END IF"},
     "3:1 END without an open block|4:1 END IF without an open block",
     nullptr},
    {{"FOR i := 1 TO 3", "ENDF", "SWIT n", "CASE 1", "ENDSW", "BEGIN SEQUENCE", "ALWA", "ENDSEQ"},
     "",
     nullptr},
    // xHarbour's inline C runs to the brace that closes its first one.
    {{"x := HB_INLINE( a ){", "  if( a ) {", "    while( b ) { c( \"}\" ); }", "  }", "}", "ENDIF"},
     "6:1 ENDIF without IF",
     nullptr},
    // A library's commands that begin like a method header are statements of the body.
    {{"FUNCTION F()", "IF a", "ASSIGN x VALUE 1 TYPE \"L\"", "ASSIGN y := 2", "ENDIF",
      "ACCESS Name CLASS T", "IF b", "ASSIGN Name( c ) CLASS T // set", "RETURN"},
     "7:1 IF opened here is not closed before ASSIGN Name at line 8",
     nullptr},
};

TEST_F(ScannerTest, BlocksAndTheirProblems) {
  for (const BlockRow &Row : BlockRows) {
    SCOPED_TRACE(Row.Lines.front());
    const BlockReading R = ReadBlocks(Row.Lines, "");
    std::string Problems, Blocks;
    for (const BlockProblem &P : R.Problems)
      Problems += (Problems.empty() ? "" : "|") + std::to_string(P.Line + 1) + ":" +
                  std::to_string(P.Column + 1) + " " + P.Message;
    for (const BlockFound &B : R.Blocks) {
      Blocks += (Blocks.empty() ? "" : "|") + std::to_string(B.Kind) + "@" +
                std::to_string(B.OpenLine + 1) + ":" + std::to_string(B.OpenColumn + 1);
      for (int M : B.Middles)
        Blocks += " " + std::to_string(M + 1);
      Blocks += " > " + std::to_string(B.CloseLine + 1);
    }
    EXPECT_EQ(Problems, Row.Problems);
    if (Row.Blocks) {
      EXPECT_EQ(Blocks, Row.Blocks);
    }
  }
}
