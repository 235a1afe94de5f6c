// The re-indent command through the command menu and the simulated editor: the block
// structure, continued statements, comments, the seven settings, verbatim regions and the
// marked block.
#include "../../src/host/session.hpp"
#include "../../src/settings/settings.hpp"
#include "../../src/words/words.hpp"
#include "harness.hpp"

#include <climits>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// One line of an example: its text and the spaces it gets. Spaces -1: an empty line that
// the command puts there (not in the input). Spaces -2: an input line that disappears.
// Spaces -3: a line that must come out byte for byte as it went in.
struct IndentRow {
  const char *Text;
  int Spaces;
};

const int Inserted = -1;
const int Removed = -2;
const int AsIs = -3;

// Messy leading blanks, so that every row proves its indentation is computed.
std::string Messy(const char *Text, std::size_t Index) {
  static const char *const Leads[] = {"", "  ", "\t", "        ", " \t "};
  return std::string(Leads[Index % 5]) + Text + (Index % 3 == 0 ? "  " : "");
}

void ExpectIndents(const std::vector<IndentRow> &Rows, const std::string &Name = "TEST.PRG") {
  std::vector<std::string> Input;
  std::vector<std::string> Expected;
  for (std::size_t I = 0; I < Rows.size(); ++I) {
    const IndentRow &Row = Rows[I];
    if (Row.Spaces == Inserted) {
      Expected.push_back("");
      continue;
    }
    if (Row.Spaces == AsIs) {
      Input.push_back(Row.Text);
      Expected.push_back(Row.Text);
      continue;
    }
    Input.push_back(Messy(Row.Text, I));
    if (Row.Spaces != Removed)
      Expected.push_back(std::string(static_cast<std::size_t>(Row.Spaces), ' ') + Row.Text);
  }
  RunMenu(JoinLines(Input), {0}, Name);
  EXPECT_EQ(JoinLines(EditorLines()), JoinLines(Expected));
}

class ReindentTest : public ::testing::Test {
protected:
  void SetUp() override {
    StartPlugin();
    SetSettings(0, 0, 0, 3, 3, -1, -1);
  }
};

TEST_F(ReindentTest, Blocks) {
  ExpectIndents({{"", Inserted},
                 {"FUNCTION Main()", 0},
                 {"LOCAL x := 1", 3},
                 {"DO CASE", 3},
                 {"CASE x == 1", 3},
                 {"? x", 6},
                 {"OTHERWISE", 3},
                 {"? 0", 6},
                 {"ENDCASE", 3},
                 {"IF x > 0", 3},
                 {"x := IF(x > 1, 2, 3)", 6},
                 {"ELSE", 3},
                 {"x := 0", 6},
                 {"ENDIF", 3},
                 {"FOR i := 1 TO 10", 3},
                 {"? i", 6},
                 {"NEXT", 3},
                 {"DO WHILE x < 5", 3},
                 {"x++", 6},
                 {"ENDDO", 3},
                 {"RETURN NIL", 3}});
}

struct Example {
  const char *Name;
  std::vector<IndentRow> Rows;
  int SplitLineTab;
};

// The examples run inside a function: its header line and its empty line come first.
const std::vector<Example> FunctionExamples = {
    {"END lowers only the next lines", {{"IF a", 3}, {"x := 1", 6}, {"END", 6}, {"y := 2", 3}}, -1},
    {"short closers and middle words",
     {{"do while .t.", 3},
      {"if a", 6},
      {"elseif b", 6},
      {"x := 1", 9},
      {"endi", 6},
      {"do case", 6},
      {"case a", 6},
      {"x := 2", 9},
      {"othe", 6},
      {"x := 3", 9},
      {"endc", 6},
      {"whil b", 6},
      {"endd", 6},
      {"enddo", 3},
      {"RETURN NIL", 3}},
     -1},
    {"continuation from the first space", {{"x := a + ;", 3}, {"b", 5}, {"y := 1", 3}}, -1},
    {"opener on a continued line",
     {{"IF a .AND. ;", 3}, {"b", 6}, {"x := 1", 6}, {"ENDIF", 3}},
     -1},
    {"opener on a continued line, SplitLineTab 8",
     {{"IF a .AND. ;", 3}, {"b", 11}, {"x := 1", 6}, {"ENDIF", 3}},
     8},
    {"an @ line continues after SAY",
     {{"@ 10, 5 SAY 'Name' GET cName ;", 3}, {"PICTURE '@!'", 15}, {"x := 1", 3}},
     -1},
    {"an @ line continues after GET",
     {{"@ 10, 5 GET cName ;", 3}, {"VALID !EMPTY(cName)", 15}, {"x := 1", 3}},
     -1},
    {"an @ line without SAY or GET continues after its first space",
     {{"@ 10, 5 CLEAR ;", 3}, {"TO 12, 9", 5}, {"x := 1", 3}},
     -1},
    {"several continued lines", {{"QOut( a, ;", 3}, {"b, ;", 8}, {"c )", 8}, {"z := 0", 3}}, -1},
    {"the column of = without a space, ( or {", {{"x:=a+;", 3}, {"b", 6}, {"y := 1", 3}}, -1},
    {"5 without any of them", {{"a+;", 3}, {"b", 8}, {"y := 1", 3}}, -1},
    {"a brace comes first", {{"a:={1,;", 3}, {"2}", 7}, {"y := 1", 3}}, -1},
    {"IF( on a continuation line opens nothing",
     {{"x := ;", 3}, {"IF(a, 1, 2)", 5}, {"y := 1", 3}},
     -1},
    {"IF later on a line opens nothing", {{"x := 1 ; IF a", 3}, {"y := 1", 3}}, -1},
    {"DO  CASE with two spaces is only a middle word",
     {{"DO  CASE", 0}, {"CASE x == 1", 0}, {"? x", 3}, {"ENDCASE", 0}, {"RETURN NIL", 0}},
     -1},
    {"a scope clause leaves the nesting alone",
     {{"LOCATE FOR a == 1 WHILE b", 3},
      {"DISPLAY NEXT 5", 3},
      {"COUNT TO n FOR x > 1", 3},
      {"y := 1", 3}},
     -1},
    // A "/*" inside a string opens no comment: the code after it still indents.
    {"a comment opener inside a string",
     {{"x := \"/*\"", 3}, {"IF x", 3}, {"y := '/*'", 6}, {"ENDIF", 3}},
     -1},
    // Bracket strings hold no words; subscripts do.
    {"bracket strings",
     {{"IF a", 3},
      {"? [ENDIF]", 6},
      {"x := [ENDIF;]", 6},
      {"RETURN [ENDIF]", 6},
      {"@ 1, 1 SAY [ENDIF] PICTURE [ENDIF]", 6},
      {"x := QOut([ENDIF])", 6},
      {"ENDIF", 3}},
     -1},
    {"a subscript after a name",
     {{"IF a", 3}, {"x := aData[ \"]\" ] ; ENDIF", 3}, {"y := 1", 3}},
     -1},
    {"a note with an apostrophe",
     {{"NOTE it's here", 3}, {"IF a", 3}, {"x := 1", 6}, {"ENDIF", 3}},
     -1},
    {"a blank line after a continued line stays, empty",
     {{"x := a + ;", 3}, {"", 0}, {"y := 1", 3}},
     -1},
    {"a header after a continued line is part of the statement",
     {{"x := a + ;", 3}, {"func x", 5}, {"y := 1", 3}},
     -1},
};

TEST_F(ReindentTest, ExamplesInsideAFunction) {
  for (const Example &E : FunctionExamples) {
    SCOPED_TRACE(E.Name);
    SetSettings(0, 0, 0, 3, 3, -1, E.SplitLineTab);
    std::vector<IndentRow> Rows = {{"", Inserted}, {"FUNCTION Test()", 0}};
    Rows.insert(Rows.end(), E.Rows.begin(), E.Rows.end());
    ExpectIndents(Rows);
  }
}

TEST_F(ReindentTest, HeaderResetsTheNesting) {
  ExpectIndents({{"", Inserted},
                 {"FUNCTION a()", 0},
                 {"ENDIF", 0},
                 {"ENDIF", 0},
                 {"x := 1", 0},
                 {"", Inserted},
                 {"FUNCTION b()", 0},
                 {"x := 1", 3},
                 {"IF x", 3},
                 {"", Inserted},
                 {"PROCEDURE c", 0},
                 {"x := 1", 3}});
}

TEST_F(ReindentTest, AContinuedHeaderKeepsItsParameterOffset) {
  ExpectIndents({{"", Inserted},
                 {"FUNCTION f( a, ;", 0},
                 {"b )", 12},
                 {"x := 1", 3},
                 {"IF x", 3},
                 {"y := 2", 6},
                 {"ENDIF", 3}});
}

TEST_F(ReindentTest, CommentsZero) {
  SetSettings(0, 0, 0, 3, 3, 0, -1);
  ExpectIndents({{"", Inserted},
                 {"FUNCTION Test()", 0},
                 {"* note", 0},
                 {"// note", 0},
                 {"&& note", 3},
                 {"/* start", 0},
                 {"middle", 0},
                 {"end */", 3},
                 {"x := 1 /* open", 0}});
}

TEST_F(ReindentTest, CommentsFollowTheCodeByDefault) {
  ExpectIndents({{"", Inserted},
                 {"FUNCTION Test()", 0},
                 {"IF a", 3},
                 {"* note", 6},
                 {"// note", 6},
                 {"/* one", 6},
                 {"two */", 6},
                 {"ENDIF", 3}});
}

TEST_F(ReindentTest, CommentsAtAFixedColumnIgnoreGlobalTab) {
  SetSettings(4, 0, 0, 3, 3, 2, -1);
  ExpectIndents({{"* note", 2}, {"x := 1", 4}, {"// note", 2}});
  SetSettings(4, 0, 0, 3, 3, -5, -1);
  ExpectIndents({{"* note", 0}, {"x := 1", 4}});
}

TEST_F(ReindentTest, GlobalMainAndTextFuncTab) {
  SetSettings(1, 2, 0, 4, 3, -1, -1);
  ExpectIndents({{"#include 'a.ch'", 1},
                 {"x := 1", 3},
                 {"IF x", 3},
                 {"#define A 1", 4},
                 {"y := 2", 6},
                 {"ENDIF", 3},
                 {"", Inserted},
                 {"PROCEDURE Main", 1},
                 {"#define B 2", 5},
                 {"STATIC FUNCTION f()", 5}});
}

TEST_F(ReindentTest, FuncTabMovesTheHeadersOnly) {
  SetSettings(0, 0, 2, 3, 3, -1, -1);
  ExpectIndents({{"", Inserted}, {"FUNCTION a()", 2}, {"RETURN 1", 3}});
}

TEST_F(ReindentTest, HeaderWordsNeedTheirSpace) {
  ExpectIndents({{"", Inserted},
                 {"proc a", 0},
                 {"IF x", 3},
                 {"PROCEDURE", 6},
                 {"FUNCTION\tb", 6},
                 {"STATIC PROCEDURE c", 6},
                 {"", Inserted},
                 {"func d", 0},
                 {"x := 1", 3}});
}

struct VerbatimExample {
  const char *Name;
  const char *Opener;
  const char *Closer;
  const char *Rule = nullptr;   // the line above the program that defines the opener
  const char *Header = nullptr; // the text of own.ch, which Rule includes
  const char *Folder = "";      // where own.ch lies: beside the file, or in [Rules] Include
};

const VerbatimExample VerbatimRegions[] = {
    {"TEXT", "TEXT", "ENDTEXT"},
    {"TEXT TO PRINTER", "text to printer", "endtext"},
    {"#pragma __text", "#pragma __text|QOut(%s)", "#pragma __endtext"},
    {"#pragma __cstream", "# pragma __cstream|cVar:=%s", "#pragma __ENDTEXT"},
    {"#pragma __stream", "#PRAGMA __stream|%s", "#pragma __endtext"},
    {"#pragma BEGINDUMP", "#pragma BEGINDUMP", "#pragma ENDDUMP"},
    {"a text command of the file's own", "XTEXT TO VAR c", "ENDTEXT",
     "#xcommand XTEXT TO VAR <v> => #pragma __text|<v>+=%s+hb_eol();<v>:=\"\""},
    {"#translate, four letters and the pragma's end", "mytex c", "#pragma __endtext",
     "#  TRANSLATE MYTEXT <v> => #pragma __stream|<v>+=%s"},
    {"a header beside the file", "Capture c", "endtext // done", "#include \"own.ch\"",
     "#command CAPTURE <v> => ;\n   #pragma __cstream|<v>:=%s\n"},
    {"a header in an Include folder", "CAPT c", "ENDTEXT", "#include <own.ch>",
     "#include \"inner.ch\"\n", "lib"},
};

// The region's lines stay as they are, and the lines after it indent as if it were not there.
TEST_F(ReindentTest, VerbatimRegions) {
  const std::string Dir = TestFolder("verbatim-headers");
  mkdir((Dir + "/lib").c_str(), 0755);
  WriteTextFile(Dir + "/lib/inner.ch", "#command CAPTURE <v> => #pragma __text|<v>+=%s\n");
  for (const VerbatimExample &R : VerbatimRegions) {
    SCOPED_TRACE(R.Name);
    if (R.Header)
      WriteTextFile(Dir + "/" + R.Folder + "/own.ch", R.Header);
    PluginIncludeFolders = "x;" + Dir + "/lib";
    std::vector<IndentRow> Rows{{"", Inserted},
                                {"FUNCTION Test()", 0},
                                {"IF a", 3},
                                {R.Opener, 6},
                                {"   Dear  customer, it's \"open  ", AsIs},
                                {"", AsIs},
                                {"  ENDIF  /* ", AsIs},
                                {"FUNCTION x()", AsIs},
                                {"\t  ", AsIs},
                                {R.Closer, 6},
                                {"x := 1", 6},
                                {"ENDIF", 3}};
    if (R.Rule)
      Rows.insert(Rows.begin(), {R.Rule, 0});
    ExpectIndents(Rows, Dir + "/TEST.PRG");
    if (R.Header)
      std::remove((Dir + "/" + R.Folder + "/own.ch").c_str());
  }
}

TEST_F(ReindentTest, AnUnclosedVerbatimRegionRunsToTheEnd) {
  ExpectIndents({{"", Inserted},
                 {"FUNCTION Test()", 0},
                 {"TEXT", 3},
                 {"  raw ", AsIs},
                 {"", AsIs},
                 {"FUNCTION y()", AsIs}});
}

TEST_F(ReindentTest, VariablesNamedTextOpenNoRegion) {
  // Nor does a command whose rule's result is no text region, or a text command's word used
  // as a variable.
  ExpectIndents({{"#xcommand SHOUT <x> => QOut(<x>)", 0},
                 {"#xcommand XT <v> => #pragma __text|<v>+=%s", 0},
                 {"", Inserted},
                 {"FUNCTION Test()", 0},
                 {"SHOUT 1", 3},
                 {"IF b", 3},
                 {"XT := 2", 6},
                 {"xt[1] := 3", 6},
                 {"xte c", 6},
                 {"ENDIF", 3},
                 {"TEXT := 1", 3},
                 {"text  := 2", 3},
                 {"TEXT(x)", 3},
                 {"IF text", 3},
                 {"x := 1", 6},
                 {"ENDIF", 3},
                 {"x := 2", 3}});
}

TEST_F(ReindentTest, TextOpensARegionWhereverItStandsAlone) {
  // Also inside a block comment, and in the lower case: the region's lines stay as they are.
  std::string In = "FUNCTION f()\n/* old code\ntext\n  keep  this\nendtext\n*/\nx := 1\n";
  RunMenu(In, {0});
  EXPECT_EQ(
      JoinLines(EditorLines()),
      "\nFUNCTION f()\n   /* old code\n   text\n  keep  this\n   endtext\n   */\n   x := 1\n");
}

TEST_F(ReindentTest, ExtremeSettingsNeverBlowUp) {
  SetSettings(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, -1, INT_MAX);
  std::string Out = RunMenu("FUNCTION f()\nIF a .AND. ;\nb\nFOR i := 1 TO 3\nNEXT\nENDIF\n", {0});
  for (const std::string &Line : EditorLines())
    EXPECT_LE(Line.size(), 5000u);
  SetSettings(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN);
  RunMenu("FUNCTION f()\nIF a .AND. ;\nb\nENDIF\n", {0});
  EXPECT_EQ(JoinLines(EditorLines()), "\nFUNCTION f()\nIF a .AND. ;\nb\nENDIF\n");
}

TEST_F(ReindentTest, HugeStepsSaturateInsteadOfWrappingAround) {
  // Two nested openers with the largest step stay at the largest indentation (written as
  // the widest indentation the plug-in writes), instead of wrapping round to a negative one.
  SetSettings(0, 0, 0, 0, INT_MAX, -1, -1);
  RunMenu("IF a\nIF b\nx := 1\nENDIF\nENDIF\n", {0});
  std::vector<std::string> Lines = EditorLines();
  ASSERT_EQ(Lines.size(), 6u);
  EXPECT_EQ(Lines[0], "IF a");
  EXPECT_EQ(Lines[2], std::string(4096, ' ') + "x := 1");
  EXPECT_EQ(Lines[4], "ENDIF");
}

// Lines end at "\n", "\r\n", "\r\r\n" or a lone "\r", each kept as it was. The compiler reads
// on past a lone CR: the line after one stays as written (no indentation is written into a
// string), is never deleted and gets no empty line before it, but its words take their part
// in the blocks.
TEST_F(ReindentTest, EveryLineKeepsItsOwnEndOfLine) {
  struct Case {
    std::string In, Out;
  } Cases[] = {
      {"FUNCTION f()\r\n  IF a\r\nx := 1\nENDIF\r\r\nRETURN 1",
       "\r\nFUNCTION f()\r\n   IF a\r\n      x := 1\n   ENDIF\r\r\n   RETURN 1"},
      {"IF a\r\nx\r\nENDIF\r\n", "IF a\r\n   x\r\nENDIF\r\n"},
      {"IF a\r\nx := (CD_UNIT * CD_QUANT)\r \n      Else\r\ny\r\nENDIF\r\n",
       "IF a\r\n   x := (CD_UNIT * CD_QUANT)\r \nElse\r\n   y\r\nENDIF\r\n"},
      {"IF a\nx := at('\r', y)\n  z := at(\"\r  \", y)\nENDIF",
       "IF a\n   x := at('\r', y)\n   z := at(\"\r  \", y)\nENDIF"},
      {"  IF x\r? \"a\rb\"\r\ny\r\nENDIF\r\n", "IF x\r? \"a\rb\"\r\n   y\r\nENDIF\r\n"},
      {"x := 1\r  IF y\nz\nENDIF", "x := 1\r  IF y\n   z\nENDIF"},
      {"x := 1\r   \n\ny := 2\rFUNCTION f()\nz", "x := 1\r   \ny := 2\rFUNCTION f()\n   z"},
      // The blanks before a lone CR inside a string belong to it.
      {"IF a\n  ? \"b  \rc\"  \nENDIF", "IF a\n   ? \"b  \rc\"  \nENDIF"},
      {"/* head */\r\r\n  #include \"x.ch\"\r\r\n", "/* head */\r\r\n#include \"x.ch\"\r\r\n"},
      {"x\r\r\r\ny", "x\r\r\ny"},
      {"\r\r\rIF a\rx\r", "\rIF a\rx\r"},
  };
  for (const Case &C : Cases) {
    StartPlugin();
    SetSettings(0, 0, 0, 3, 3, -1, -1);
    EXPECT_EQ(RunMenu(C.In, {0}), C.Out) << C.In;
  }
}

TEST_F(ReindentTest, TheCursorComesBackToColumnZeroOfItsLine) {
  SimLoadText("FUNCTION f()\nIF a\nx := 1\nENDIF\n", "TEST.PRG");
  SimSetCursor(2, 7);
  SimHost.Editor.LeftPos = 4;
  SimHost.MenuAnswers = {0};
  OpenPlugin(OPEN_EDITOR, 0);
  EXPECT_EQ(SimLineText(3), "      x := 1");
  EXPECT_EQ(SimHost.Editor.CurLine, 3);
  EXPECT_EQ(SimHost.Editor.CurPos, 0);
  EXPECT_EQ(SimHost.Editor.LeftPos, 0);
}

// A marked block, indented as a whole from the cursor's column.
struct BlockExample {
  const char *Name;
  std::vector<std::string> Lines;
  int First, Last; // 0-based lines marked with Shift+Down
  int CursorPos;
  std::vector<std::string> Expected;
};

const std::vector<BlockExample> Blocks = {
    {"from the cursor's column",
     {"FUNCTION f()", "IF a", "x := 1", "ENDIF", "  y"},
     1,
     3,
     6,
     {"FUNCTION f()", "      IF a", "         x := 1", "      ENDIF", "  y"}},
    {"from column 0",
     {"  IF a", "x := 1", "ENDIF", "  IF b"},
     0,
     2,
     0,
     {"IF a", "   x := 1", "ENDIF", "  IF b"}},
    {"a header inside the block resets to its own column",
     {"x := 1", "FUNCTION g()", "y := 2", "", "z"},
     0,
     2,
     4,
     {"    x := 1", "", "FUNCTION g()", "   y := 2", "", "z"}},
    {"blank lines after the block stay",
     {"", "IF a", "", "x", "", "", "FUNCTION h()"},
     1,
     3,
     0,
     {"", "IF a", "   x", "", "", "FUNCTION h()"}},
    {"a header at the block's first line gets its empty line",
     {"", "FUNCTION h()", "x", "", "y"},
     1,
     2,
     0,
     {"", "", "FUNCTION h()", "   x", "", "y"}},
    {"a block to the end of the file", {"a", "IF b", "", "c"}, 1, 3, 2, {"a", "  IF b", "     c"}},
    {"a text command defined above the block",
     {"#xcommand XT <v> => #pragma __text|<v>+=%s", "FUNCTION f()", " XT c", "  raw", "ENDTEXT"},
     2,
     4,
     0,
     {"#xcommand XT <v> => #pragma __text|<v>+=%s", "FUNCTION f()", "XT c", "  raw", "ENDTEXT"}},
};

TEST_F(ReindentTest, MarkedBlocks) {
  for (const BlockExample &B : Blocks) {
    SCOPED_TRACE(B.Name);
    SimLoadText(JoinLines(B.Lines), "TEST.PRG");
    SimMarkLines(B.First, B.Last);
    SimSetCursor(B.First, B.CursorPos);
    SimHost.MenuAnswers = {0};
    OpenPlugin(OPEN_EDITOR, 0);
    EXPECT_EQ(JoinLines(EditorLines()), JoinLines(B.Expected));
  }
}

TEST_F(ReindentTest, AColumnBlockWorksOnItsLines) {
  SimLoadText("IF a\nx\nENDIF\n  y", "TEST.PRG");
  SimMarkColumn(0, 2, 0, 2);
  SimSetCursor(0, 0);
  SimHost.MenuAnswers = {0};
  OpenPlugin(OPEN_EDITOR, 0);
  EXPECT_EQ(JoinLines(EditorLines()), "IF a\n   x\nENDIF\n  y");
}

TEST_F(ReindentTest, WordsAreRespelledWithTheShippedTables) {
  StartPluginShipped();
  SetSettings(0, 0, 0, 3, 3, -1, -1);
  std::string Out = RunMenu("function f()\nif a\nx := 1 // endif\nendif\n", {0});
  std::vector<std::string> Lines = EditorLines();
  ASSERT_EQ(Lines.size(), 6u);
  EXPECT_EQ(Lines[1], SpellWord("function") + " f()");
  EXPECT_EQ(Lines[2], "   " + SpellWord("if") + " a");
  EXPECT_EQ(Lines[3], "      x := 1 // endif");
  EXPECT_EQ(Lines[4], "   " + SpellWord("endif"));
}

} // namespace
