// Properties of every command over many generated Clipper-like files and random bytes,
// run through the plug-in's exports and the simulated host: no line is lost, duplicated or
// reordered (re-indent only removes blank lines and adds empty ones), the text of each line
// survives, nothing outside the marked block changes, re-indent and annotate are
// idempotent, and comment then uncomment gives the block back.
#include "../../fuzz/invariants.hpp"
#include "harness.hpp"

#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace Invariants;

namespace {

// A generator of files that look like Clipper programs, with the awkward parts real code
// has: mixed case, odd indentation, tabs, blank runs, continued statements, comments,
// strings, verbatim regions, unbalanced blocks and mixed ends of line.
std::string GenerateProgram(unsigned Seed, int Lines) {
  std::mt19937 R(Seed);
  auto Pick = [&](int N) { return static_cast<int>(R() % static_cast<unsigned>(N)); };
  static const char *const Statements[] = {
      "LOCAL x := 1",
      "x := IF(x > 1, 2, 3)",
      "? \"text // not a comment\", 'it''s'",
      "QOut( a, ;",
      "   b, ;",
      "   c )",
      "y := a + ;",
      "  b",
      "@ 10, 5 SAY 'Name' GET cName ;",
      "  PICTURE '@!'",
      "* a star comment",
      "// a line comment",
      "&& an old comment",
      "/* a block",
      "   comment */",
      "x := 1 /* open",
      "still comment */ y := 2",
      "DISPLAY NEXT 5",
      "LOCATE FOR a == 1 WHILE b",
      "x++ ; NEXT i",
      "s := [bracket ' string]",
      "a[1] := b[2]",
      "NOTE it's a note",
      "RETURN NIL",
      "#include \"std.ch\"",
      "#define A 1",
      "STATIC FUNCTION NotAHeader()",
      "DO  CASE",
      "end",
      "ENDIF   // already annotated",
      "x := \"/*\" + y",
      "\tLOCAL t\t:= 2\t",
      "nExtVar := 1",
      "IFX := 3",
      "FOR1 := 2",
  };
  static const char *const Openers[] = {"IF x > 0",  "FOR i := 1 TO 10", "DO WHILE x < 5",
                                        "WHILE .T.", "DO CASE",          "if lower",
                                        "IF.T."};
  static const char *const Closers[] = {"ENDIF",   "NEXT",  "ENDDO", "ENDDO",
                                        "ENDCASE", "endif", "ENDI"};
  static const char *const Middles[] = {"ELSE", "ELSEIF y", "CASE x == 1", "OTHERWISE"};
  static const char *const Headers[] = {"FUNCTION Main()", "PROCEDURE Run", "func lower(a)",
                                        "  PROC Indented", "FUNCTION Split( a, ;"};
  static const char *const Eols[] = {"\r\n", "\n", "\r\n", "\n", "\r"};
  const char *FileEol = Eols[Pick(4)];
  std::vector<int> Open;
  std::string Out;
  for (int I = 0; I < Lines; ++I) {
    std::string Line;
    int Kind = Pick(20);
    if (Kind == 0) {
      Line = Headers[Pick(5)];
    } else if (Kind <= 3) {
      int K = Pick(7);
      Line = Openers[K];
      Open.push_back(K);
    } else if (Kind <= 5 && !Open.empty()) {
      Line = Closers[Open.back()];
      Open.pop_back();
    } else if (Kind == 6) {
      Line = Middles[Pick(4)];
    } else if (Kind == 7) {
      Line = Pick(2) ? "" : " \t ";
    } else if (Kind == 8 && Pick(4) == 0) {
      Line = Pick(2) ? "TEXT\n   keep  this   \n\n*not a comment\nENDTEXT"
                     : "#pragma BEGINDUMP\n  int  c;\n\n#pragma ENDDUMP";
    } else if (Kind == 9) {
      Line = Closers[Pick(7)]; // unbalanced closers shift the nesting
    } else {
      Line = Statements[Pick(static_cast<int>(sizeof(Statements) / sizeof(*Statements)))];
    }
    std::string Indent(static_cast<std::size_t>(Pick(7)), Pick(5) == 0 ? '\t' : ' ');
    std::string Trail = Pick(6) == 0 ? "  " : "";
    std::size_t Start = 0;
    while (Start <= Line.size()) {
      std::size_t End = Line.find('\n', Start);
      if (End == std::string::npos)
        End = Line.size();
      Out += Indent + Line.substr(Start, End - Start) + Trail;
      Out += Pick(12) == 0 ? Eols[Pick(5)] : FileEol;
      Start = End + 1;
    }
  }
  if (Pick(3) == 0 && !Out.empty()) // no final end of line
    Out.erase(Out.find_last_not_of("\r\n") + 1);
  return Out;
}

// Programs whose verbatim regions (TEXT ... ENDTEXT and the pragma regions) open after a
// finished statement and outside any comment, with blank, indented and code-like lines
// inside them.
std::string GenerateVerbatimProgram(unsigned Seed, int Lines) {
  std::mt19937 R(Seed);
  auto Pick = [&](int N) { return static_cast<int>(R() % static_cast<unsigned>(N)); };
  static const char *const Plain[] = {"FUNCTION F()", "IF x",    "ENDIF", "x := 1",
                                      "? 'a'",        "",        "  ",    "FOR i := 1 TO 3",
                                      "NEXT",         "RETURN x"};
  static const char *const Open[][2] = {{"TEXT", "ENDTEXT"},
                                        {"text to printer", "endtext"},
                                        {"#pragma __text", "#pragma __endtext"},
                                        {"#  pragma __cstream", "#pragma __endtext"},
                                        {"#pragma BEGINDUMP", "#pragma ENDDUMP"}};
  static const char *const Inside[] = {
      "  raw  text ;",        "",         "   ",     "// not /* a comment",
      "FUNCTION NotHeader()", "\t if  x", "ENDIF  ", "* star"};
  std::string Out;
  for (int I = 0; I < Lines; ++I) {
    std::string Indent(static_cast<std::size_t>(Pick(4)), ' ');
    if (Pick(6) == 0) {
      int K = Pick(5);
      Out += Indent + Open[K][0] + "\n";
      for (int J = Pick(5); J > 0; --J)
        Out += std::string(static_cast<std::size_t>(Pick(5)), ' ') + Inside[Pick(8)] + "\n";
      Out += Indent + Open[K][1] + "\n";
    } else {
      Out += Indent + Plain[Pick(10)] + "\n";
    }
  }
  return Out;
}

std::string RandomBytes(unsigned Seed, int Size) {
  std::mt19937 R(Seed);
  static const char Interesting[] = "\r\n\t ;/*&'\"[]#IFENDforNEXTfunc";
  std::string Out;
  for (int I = 0; I < Size; ++I)
    Out += R() % 3 == 0 ? Interesting[R() % (sizeof(Interesting) - 1)] : char(R() % 256);
  return Out;
}

struct SettingsCase {
  const char *Name;
  PluginSettingsRecord Settings;
};

const SettingsCase SettingsCases[] = {
    {"defaults", {0, 0, 0, 2, 2, -1, -1}},
    {"tab3", {0, 0, 0, 3, 3, -1, -1}},
    {"comments0", {0, 0, 0, 3, 3, 0, -1}},
    {"split8", {0, 0, 0, 3, 3, -1, 8}},
    {"global", {1, 2, 1, 4, 3, 5, 2}},
    {"negative", {-3, -2, -1, -5, -4, -3, -2}},
    {"huge", {INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX}},
    {"lowest", {INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN}},
    {"mixed", {INT_MAX, INT_MIN, 0, INT_MAX, INT_MIN, -1, INT_MAX}},
};

// The block kinds a user can mark: none, whole lines with Shift+Down, a stream block from
// inside a line, and a column block.
enum BlockKind { NoBlock, LinesBlock, StreamBlock, ColumnBlock };

void Load(const std::string &Text, BlockKind Block, unsigned Seed) {
  SimLoadText(Text, "PROP.PRG");
  int N = SimLineCount();
  std::mt19937 R(Seed);
  int A = static_cast<int>(R() % static_cast<unsigned>(N));
  int B = A + static_cast<int>(R() % static_cast<unsigned>(N - A));
  SimSetCursor(static_cast<int>(R() % static_cast<unsigned>(N)), static_cast<int>(R() % 9));
  if (Block == LinesBlock)
    SimMarkLines(A, B);
  else if (Block == StreamBlock)
    SimMarkStream(A, static_cast<int>(R() % 4), B, static_cast<int>(R() % 6));
  else if (Block == ColumnBlock)
    SimMarkColumn(A, B, 1, 1 + static_cast<int>(R() % 5));
}

void Choose(int Entry) {
  SimHost.MenuAnswers.assign({Entry});
  OpenPlugin(OPEN_EDITOR, 0);
}

std::vector<std::string> Inputs() {
  std::vector<std::string> Texts;
  for (unsigned Seed = 1; Seed <= 40; ++Seed)
    Texts.push_back(GenerateProgram(Seed, 5 + static_cast<int>(Seed * 7 % 80)));
  for (unsigned Seed = 1; Seed <= 15; ++Seed)
    Texts.push_back(RandomBytes(Seed, static_cast<int>(Seed * 37 % 600)));
  Texts.push_back("");
  Texts.push_back("\n\n\n");
  Texts.push_back("   \t\r\n \r\n");
  return Texts;
}

class PropertiesTest : public ::testing::TestWithParam<SettingsCase> {
protected:
  void SetUp() override { StartPlugin(); }
};

TEST_P(PropertiesTest, ReindentKeepsEveryLineAndIsIdempotent) {
  std::vector<std::string> Texts = Inputs();
  for (std::size_t T = 0; T < Texts.size(); ++T) {
    for (BlockKind Block : {NoBlock, LinesBlock, StreamBlock, ColumnBlock}) {
      SimReset();
      Load(Texts[T], Block, static_cast<unsigned>(T));
      // Odd inputs let the editor rewrite lines over the loaded bytes, as the tool does for
      // a file it can compare with the disk afterwards.
      SimHost.Editor.KeepLoaded = T % 2 == 0;
      PluginSettings = GetParam().Settings;
      std::vector<SimLine> Before = EditorSnapshot();
      LineRange Range = ProcessedRange(Before, SimHost.Editor.BlockType);
      Choose(0);
      std::vector<SimLine> After = EditorSnapshot();
      ASSERT_EQ(CheckReindent(Before, After, Range), "") << "input " << T << " block " << Block;
      ASSERT_EQ(SimTextSize(), SimSaveText().size()) << "input " << T;
      if (SimHost.Editor.KeepLoaded) {
        ASSERT_EQ(SimTextUnchanged(), SimSaveText() == Texts[T]) << "input " << T;
      }
      if (Block != NoBlock)
        continue;
      // Again on the editor's lines as the first run left them.
      Choose(0);
      ASSERT_EQ(CheckUnchanged(After, EditorSnapshot(), "a second re-indent"), "") << "input " << T;
    }
  }
}

TEST_P(PropertiesTest, AnnotateChangesOnlyClosingLinesAndIsIdempotent) {
  std::vector<std::string> Texts = Inputs();
  for (std::size_t T = 0; T < Texts.size(); ++T) {
    for (BlockKind Block : {NoBlock, LinesBlock, ColumnBlock}) {
      SimReset();
      Load(Texts[T], Block, static_cast<unsigned>(T) * 3);
      PluginSettings = GetParam().Settings;
      std::vector<SimLine> Before = EditorSnapshot();
      LineRange Range = ProcessedRange(Before, SimHost.Editor.BlockType);
      Choose(4);
      std::vector<SimLine> After = EditorSnapshot();
      ASSERT_EQ(CheckAnnotate(Before, After, Range), "") << "input " << T << " block " << Block;
      Choose(4);
      ASSERT_EQ(CheckUnchanged(After, EditorSnapshot(), "a second annotate"), "")
          << "input " << T << " block " << Block;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, PropertiesTest, ::testing::ValuesIn(SettingsCases),
                         [](const ::testing::TestParamInfo<SettingsCase> &Info) {
                           return std::string(Info.param.Name);
                         });

TEST(Properties, ReindentLeavesVerbatimRegionsByteForByte) {
  StartPlugin();
  for (unsigned Seed = 1; Seed <= 60; ++Seed) {
    std::string Text = GenerateVerbatimProgram(Seed, 40);
    for (BlockKind Block : {NoBlock, LinesBlock}) {
      SimReset();
      Load(Text, Block, Seed);
      PluginSettings = {1, 2, 0, 3, 3, -1, -1};
      std::vector<SimLine> Before = EditorSnapshot();
      LineRange Range = ProcessedRange(Before, SimHost.Editor.BlockType);
      Choose(0);
      ASSERT_EQ(CheckReindent(Before, EditorSnapshot(), Range, true), "")
          << "seed " << Seed << " block " << Block << " lines " << Range.First + 1 << "-"
          << Range.End << ", input:\n"
          << Text;
    }
  }
}

TEST(Properties, CommentThenUncommentGivesTheBlockBack) {
  StartPlugin();
  std::vector<std::string> Texts = Inputs();
  for (std::size_t T = 0; T < Texts.size(); ++T) {
    for (BlockKind Block : {LinesBlock, StreamBlock, ColumnBlock}) {
      SimReset();
      Load(Texts[T], Block, static_cast<unsigned>(T) * 5 + 1);
      std::vector<SimLine> Before = EditorSnapshot();
      LineRange Range = ProcessedRange(Before, SimHost.Editor.BlockType);
      Choose(2);
      std::vector<SimLine> Commented = EditorSnapshot();
      ASSERT_EQ(CheckComment(Before, Commented, Range), "") << "input " << T;
      Choose(3);
      std::vector<SimLine> Back = EditorSnapshot();
      ASSERT_EQ(CheckUncomment(Commented, Back, Range), "") << "input " << T;
      // Lines that did not already begin with "//" are exactly as they were.
      for (int I = Range.First; I < Range.End; ++I) {
        if (TrimLeftText(Before[I].Text).compare(0, 2, "//") != 0) {
          ASSERT_EQ(Back[I].Text, Before[I].Text) << "input " << T << " line " << I + 1;
        }
      }
    }
  }
}

TEST(Properties, BlockCommandsWithoutABlockChangeNothing) {
  StartPlugin();
  std::vector<std::string> Texts = Inputs();
  for (std::size_t T = 0; T < Texts.size(); ++T) {
    for (int Entry : {2, 3}) {
      SimReset();
      Load(Texts[T], NoBlock, static_cast<unsigned>(T));
      std::vector<SimLine> Before = EditorSnapshot();
      Choose(Entry);
      ASSERT_EQ(CheckUnchanged(Before, EditorSnapshot(), "a block command without a block"), "")
          << "input " << T;
      ASSERT_FALSE(SimHost.Messages.empty()) << "no warning, input " << T;
    }
  }
}

TEST(Properties, NavigatorAndEscChangeNoText) {
  StartPlugin();
  std::vector<std::string> Texts = Inputs();
  for (std::size_t T = 0; T < Texts.size(); ++T) {
    for (const std::vector<int> &Answers : {std::vector<int>{1, 0}, std::vector<int>{1, 2},
                                            std::vector<int>{1, -1}, std::vector<int>{-1}}) {
      SimReset();
      Load(Texts[T], LinesBlock, static_cast<unsigned>(T));
      std::vector<SimLine> Before = EditorSnapshot();
      SimHost.MenuAnswers.assign(Answers.begin(), Answers.end());
      OpenPlugin(OPEN_EDITOR, 0);
      ASSERT_EQ(CheckUnchanged(Before, EditorSnapshot(), "the navigator or Esc"), "")
          << "input " << T;
      ASSERT_GE(SimHost.Editor.CurLine, 0);
      ASSERT_LT(SimHost.Editor.CurLine, SimLineCount());
    }
  }
}

// With the shipped word tables the text may be respelled, but re-indenting the result
// again still changes nothing, and no line is lost or added.
TEST(Properties, ReindentWithShippedTablesIsIdempotent) {
  StartPluginShipped();
  for (unsigned Seed = 100; Seed < 140; ++Seed) {
    std::string Text = GenerateProgram(Seed, 60);
    SimReset();
    SimLoadText(Text, "SHIP.PRG");
    PluginSettings = {0, 0, 0, 3, 3, -1, -1};
    Choose(0);
    std::vector<SimLine> Once = EditorSnapshot();
    Choose(0);
    ASSERT_EQ(CheckUnchanged(Once, EditorSnapshot(), "a second re-indent"), "")
        << "seed " << Seed << ", input:\n"
        << Text;
  }
}

// The tool reads a named file and standard input by different roads (a file's lines may be
// rewritten over the loaded bytes and compared with the disk; standard input keeps them):
// both give the same bytes, and --check says "changed" exactly when the bytes differ.
int RunToolOn(const std::string &Dir, const std::string &Arguments) {
  std::string Command =
      "cd '" + Dir + "' && '" QMATE_BINARY_DIR "/qmate' " + Arguments + " 2>/dev/null";
  int Raw = std::system(Command.c_str());
  return WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1;
}

TEST(Properties, TheToolGivesTheSameResultFromAFileAndFromStandardInput) {
  if (access(QMATE_BINARY_DIR "/qmate", X_OK) != 0)
    GTEST_SKIP() << "qmate is not built";
  std::string Dir = TestFolder("tool-roads");
  ASSERT_EQ(std::system(("mkdir -p '" + Dir + "/setup'").c_str()), 0);
  for (unsigned Seed = 200; Seed < 216; ++Seed) {
    std::string Text = Seed % 4 == 3 ? RandomBytes(Seed, 400) : GenerateProgram(Seed, 50);
    WriteTextFile(Dir + "/f.prg", Text);
    for (const char *Verb : {"reindent", "annotate"}) {
      std::string Common = std::string(Verb) + " --setup setup ";
      ASSERT_EQ(RunToolOn(Dir, Common + "f.prg >file.out"), 0);
      ASSERT_EQ(RunToolOn(Dir, Common + "- <f.prg >stdin.out"), 0);
      std::string FromFile = ReadTextFile(Dir + "/file.out");
      ASSERT_EQ(FromFile, ReadTextFile(Dir + "/stdin.out")) << Verb << " seed " << Seed;
      // A binary file (a NUL among its first bytes) is shown, but never checked or rewritten.
      bool Binary = Text.find('\0') != std::string::npos;
      EXPECT_EQ(RunToolOn(Dir, Common + "--check f.prg >/dev/null"), Binary             ? 2
                                                                     : FromFile == Text ? 0
                                                                                        : 1)
          << Verb << " seed " << Seed;
      ASSERT_EQ(RunToolOn(Dir, Common + "-i f.prg"), Binary ? 2 : 0);
      EXPECT_EQ(ReadTextFile(Dir + "/f.prg"), Binary ? Text : FromFile) << Verb << " seed " << Seed;
      WriteTextFile(Dir + "/f.prg", Text);
    }
  }
}

} // namespace
