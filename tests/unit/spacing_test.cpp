// The procedure spacing pass at the end of the re-indent command: blank lines removed, one
// empty line in front of each header, the saved cursor kept on its text.
#include "../../src/host/session.hpp"
#include "harness.hpp"

#include <gtest/gtest.h>

namespace {

class SpacingTest : public ::testing::Test {
protected:
  void SetUp() override {
    StartPlugin();
    // No indentation at all, so that only the vertical spacing shows.
    SetSettings(0, 0, 0, 0, 0, -1, -1);
  }
};

struct SpacingRow {
  const char *Name;
  const char *Input;
  const char *Expected;
};

const SpacingRow WholeFile[] = {
    {"runs of blanks anywhere go", "a\n\n\nb\n \t\n\x01\nc", "a\nb\nc"},
    {"three blanks before a header become one", "a\n\n\n\nFUNCTION f()\nb", "a\n\nFUNCTION f()\nb"},
    {"a header without a blank gets one", "a\nPROCEDURE p\nb", "a\n\nPROCEDURE p\nb"},
    {"a header at line 0", "FUNCTION f()\nb", "\nFUNCTION f()\nb"},
    {"blank lines before the first header", "\n\n\nFUNCTION f()\n", "\nFUNCTION f()\n"},
    {"the final empty line stays empty", "a\nb\n", "a\nb\n"},
    {"blank final lines", "a\n\n\n", "a\n"},
    {"lower case and indented", "a\n   function f\nb", "a\n\nfunction f\nb"},
    {"proc and func", "a\nproc p\nfunc f", "a\n\nproc p\n\nfunc f"},
    {"not headers", "FUNCTION\nFUNCTION\tf\nSTATIC FUNCTION f\nPROCEDUREx\nfunctions",
     "FUNCTION\nFUNCTION\tf\nSTATIC FUNCTION f\nPROCEDUREx\nfunctions"},
    {"two headers in a row", "FUNCTION a\nFUNCTION b", "\nFUNCTION a\n\nFUNCTION b"},
    {"blank after a continued line stays", "x := a + ;\n   \ny := 1\n\nz",
     "x := a + ;\n\ny := 1\nz"},
    {"a header line after a continued line gets no blank", "x := a + ;\nfunc y\nz",
     "x := a + ;\n  func y\nz"},
    {"verbatim blanks and headers stay", "TEXT\n\n  \nFUNCTION x\nENDTEXT\n\nFUNCTION y",
     "TEXT\n\n  \nFUNCTION x\nENDTEXT\n\nFUNCTION y"},
    {"a dump region", "#pragma BEGINDUMP\n\nPROC x\n#pragma ENDDUMP\n\n\nb",
     "#pragma BEGINDUMP\n\nPROC x\n#pragma ENDDUMP\nb"},
    {"line numbers read: Classic spaces all the same", "? __LINE__\n\n\nFUNC f\nx",
     "? __LINE__\n\nFUNC f\nx"},
    {"a text command of the program's own",
     "#xcommand T2V <v> => #pragma __text|<v>+=%s\nT2V c\n"
     "\nFUNC f\nENDTEXT\n\nb",
     "#xcommand T2V <v> => #pragma __text|<v>+=%s\nT2V c\n\nFUNC f\n"
     "ENDTEXT\nb"},
};

TEST_F(SpacingTest, WholeFile) {
  for (const SpacingRow &Row : WholeFile) {
    SCOPED_TRACE(Row.Name);
    EXPECT_EQ(RunMenu(Row.Input, {0}), Row.Expected);
  }
}

TEST_F(SpacingTest, TheInsertedLineIsEmptyWhateverTheHeadersIndentation) {
  SetSettings(2, 0, 4, 0, 0, -1, -1);
  EXPECT_EQ(RunMenu("x\nFUNCTION f()\ny", {0}), "  x\n\n      FUNCTION f()\n  y");
}

// The saved cursor, its screen row and where the command leaves them.
struct CursorRow {
  const char *Name;
  std::vector<std::string> Lines;
  int CursorLine;
  int TopLine;
  int ExpectedLine;
  int ExpectedTop;
  const char *ExpectedText; // the text of the cursor line afterwards
};

std::vector<std::string> Numbered(int Count) {
  std::vector<std::string> Lines;
  for (int I = 0; I < Count; ++I)
    Lines.push_back("x" + std::to_string(I));
  return Lines;
}

std::vector<std::string> With(std::vector<std::string> Lines, int Index, const std::string &Text) {
  Lines[static_cast<std::size_t>(Index)] = Text;
  return Lines;
}

const std::vector<CursorRow> Cursors = {
    {"a blank above the cursor", With(Numbered(16), 5, ""), 10, 8, 9, 7, "x10"},
    {"a blank below the cursor", With(Numbered(16), 12, ""), 10, 8, 10, 8, "x10"},
    {"a blank right below the cursor", With(Numbered(16), 11, ""), 10, 8, 10, 8, "x10"},
    {"a blank on the cursor line", With(Numbered(16), 10, ""), 10, 8, 10, 8, "x11"},
    {"a header above the cursor", With(Numbered(16), 4, "FUNCTION f"), 10, 8, 11, 9, "x10"},
    {"a header below the cursor", With(Numbered(16), 12, "FUNCTION f"), 10, 8, 10, 8, "x10"},
    {"a header on the cursor line", With(Numbered(16), 10, "FUNCTION f"), 10, 8, 11, 9,
     "FUNCTION f"},
    {"the top line never goes below 0", With(With(With(Numbered(8), 0, ""), 1, ""), 2, ""), 3, 0, 0,
     0, "x3"},
};

TEST_F(SpacingTest, TheSavedCursorFollowsItsText) {
  for (const CursorRow &Row : Cursors) {
    SCOPED_TRACE(Row.Name);
    SimLoadText(JoinLines(Row.Lines), "TEST.PRG");
    SimSetCursor(Row.CursorLine, 3);
    SimHost.Editor.TopScreenLine = Row.TopLine;
    SimHost.MenuAnswers = {0};
    OpenPlugin(OPEN_EDITOR, 0);
    EXPECT_EQ(EditorSession.Info.CurLine, Row.ExpectedLine);
    EXPECT_EQ(EditorSession.Info.TopScreenLine, Row.ExpectedTop);
    EXPECT_EQ(SimHost.Editor.CurLine, Row.ExpectedLine);
    EXPECT_EQ(SimHost.Editor.TopScreenLine, Row.ExpectedTop);
    EXPECT_EQ(SimHost.Editor.CurPos, 0);
    EXPECT_EQ(SimLineText(SimHost.Editor.CurLine), Row.ExpectedText);
  }
}

TEST_F(SpacingTest, BlockModeStopsAtTheFirstUnselectedLine) {
  SimLoadText("a\n\nb\nFUNCTION f\n\n\nc\nFUNCTION g\n\n", "TEST.PRG");
  SimMarkLines(1, 3);
  SimSetCursor(1, 0);
  SimHost.MenuAnswers = {0};
  OpenPlugin(OPEN_EDITOR, 0);
  EXPECT_EQ(SimSaveText(), "a\nb\n\nFUNCTION f\n\n\nc\nFUNCTION g\n\n");
}

TEST_F(SpacingTest, AStreamBlockStartingInsideALine) {
  SimLoadText("a\nb\n\nFUNCTION f\nc", "TEST.PRG");
  SimMarkStream(1, 1, 3, 2);
  SimSetCursor(1, 0);
  SimHost.MenuAnswers = {0};
  OpenPlugin(OPEN_EDITOR, 0);
  EXPECT_EQ(SimSaveText(), "a\nb\n\nFUNCTION f\nc");
}

} // namespace
