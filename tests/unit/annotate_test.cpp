// The end-of-block annotator through the plug-in's exports and the simulated host.
#include "../../src/host/session.hpp"
#include "harness.hpp"

#include <gtest/gtest.h>

namespace {

const int AnnotateEntry = 4;

std::vector<int> AskedLines;

int WINAPI RecordingEditorControl(int Command, void *Param) {
  if (Command == ECTL_SETPOSITION)
    AskedLines.push_back(static_cast<const EditorSetPosition *>(Param)->CurLine);
  return SimEditorControl(Command, Param);
}

// Runs the annotator on the whole of Lines and returns the lines after it.
std::vector<std::string> Annotate(const std::vector<std::string> &Lines, int Style = StyleClassic) {
  StartPlugin();
  PluginRules.Style = Style;
  HostServices.EditorControl = RecordingEditorControl;
  AskedLines.clear();
  RunMenu(JoinLines(Lines), {AnnotateEntry});
  return EditorLines();
}

struct Case {
  const char *Name;
  std::vector<std::string> Before;
  std::vector<std::string> After;
};

const Case Cases[] = {
    {"nesting, last in first out",
     {"IF x > 0", "  FOR i := 1 TO 10", "  NEXT", "ENDIF"},
     {"IF x > 0", "  FOR i := 1 TO 10", "  NEXT   // i := 1 TO 10", "ENDIF   // x > 0"}},
    {"indentation kept, trailing blanks dropped",
     {"  IF a", "    ENDIF   "},
     {"  IF a", "    ENDIF   // a"}},
    {"tabs", {"\tIF a", "\tENDIF\t"}, {"\tIF a", "\tENDIF   // a"}},
    {"case and trailing comment kept",
     {"if Lower( cName ) == 'x'  // the x case  ", "endif"},
     {"if Lower( cName ) == 'x'  // the x case  ",
      "endif   // Lower( cName ) == 'x'  // the x case  "}},
    {"NEXT with its variable pops without annotation",
     {"IF a", "FOR i := 1 TO 3", "NEXT i", "ENDIF"},
     {"IF a", "FOR i := 1 TO 3", "NEXT i", "ENDIF   // a"}},
    {"a closer followed by a comment pops",
     {"IF a", "IF b", "ENDIF // b", "ENDIF"},
     {"IF a", "IF b", "ENDIF // b", "ENDIF   // a"}},
    {"a closer pops whatever is on top",
     {"DO WHILE k", "IF y", "NEXT", "ENDDO"},
     {"DO WHILE k", "IF y", "NEXT   // y", "ENDDO   // k"}},
    {"every closing word alone",
     {"IF a", "IF b", "IF c", "IF d", "IF e", "ENDIF", "ENDI", "ENDDO", "ENDD", "NEXT"},
     {"IF a", "IF b", "IF c", "IF d", "IF e", "ENDIF   // e", "ENDI   // d", "ENDDO   // c",
      "ENDD   // b", "NEXT   // a"}},
    {"lower-case words",
     {"do while .t.", "while n < 3", "for j = 1 to 2", "next", "enddo", "enddo"},
     {"do while .t.", "while n < 3", "for j = 1 to 2", "next   // j = 1 to 2", "enddo   // n < 3",
      "enddo   // .t."}},
    {"middle and other words neither push nor pop",
     {"IF a", "ELSE", "ELSEIF b", "DO CASE", "CASE x", "OTHERWISE", "ENDCASE", "END", "ENDWHILE",
      "ENDFOR", "ENDIF"},
     {"IF a", "ELSE", "ELSEIF b", "DO CASE", "CASE x", "OTHERWISE", "ENDCASE", "END", "ENDWHILE",
      "ENDFOR", "ENDIF   // a"}},
    {"a letter after the opening word: no opener",
     {"IF outer", "IFX := 1", "FORM( x )", "WHILEX()", "IFF", "ENDIF"},
     {"IF outer", "IFX := 1", "FORM( x )", "WHILEX()", "IFF", "ENDIF   // outer"}},
    {"an underscore, digit or bracket after the opening word: an opener",
     {"IF_OK := .T.", "FOR1", "IF(x)", "ENDIF", "NEXT", "ENDIF"},
     {"IF_OK := .T.", "FOR1", "IF(x)", "ENDIF   //(x)", "NEXT   //1", "ENDIF   //_OK := .T."}},
    {"IF. pushes twice", {"IF. x", "ENDIF", "ENDIF"}, {"IF. x", "ENDIF   // x", "ENDIF   //. x"}},
    {"IF. followed by a letter pushes once",
     {"IF a", "IF.NOT. b", "ENDIF", "ENDIF"},
     {"IF a", "IF.NOT. b", "ENDIF   //.NOT. b", "ENDIF   // a"}},
    {"DO with two blanks before WHILE: no opener",
     {"IF a", "DO  WHILE x", "ENDDO"},
     {"IF a", "DO  WHILE x", "ENDDO   // a"}},
    {"identifiers beginning with a closing word pop",
     {"IF a", "IF b", "IF c", "ENDDATE := x", "NEXTVAL()", "ENDIF"},
     {"IF a", "IF b", "IF c", "ENDDATE := x", "NEXTVAL()", "ENDIF   // a"}},
    {"an opening word alone pushes an empty remainder",
     {"IF", "WHILE   ", "ENDDO", "ENDIF"},
     {"IF", "WHILE   ", "ENDDO   //   ", "ENDIF   //"}},
    {"comment lines are no openers",
     {"IF a", "// IF b", "* IF c", "&& IF d", "ENDIF"},
     {"IF a", "// IF b", "* IF c", "&& IF d", "ENDIF   // a"}},
    {"inside a multi-line comment an opener counts",
     {"/*", "IF x", "*/", "ENDIF"},
     {"/*", "IF x", "*/", "ENDIF   // x"}},
    {"unclosed openers leave no trace",
     {"IF a", "IF b", "ENDIF", "FOR i := 1 TO 2"},
     {"IF a", "IF b", "ENDIF   // b", "FOR i := 1 TO 2"}},
    {"a closer with nothing open is left alone, and the stack stays empty",
     {"ENDIF", "NEXT", "ENDDO x", "IF a", "ENDIF", "ENDIF"},
     {"ENDIF", "NEXT", "ENDDO x", "IF a", "ENDIF   // a", "ENDIF"}},
    {"blank and empty lines",
     {"", "   ", "IF a", "", "ENDIF"},
     {"", "   ", "IF a", "", "ENDIF   // a"}},
    {"the final line", {"WHILE .T.", "ENDDO"}, {"WHILE .T.", "ENDDO   // .T."}},
    {"FOR EACH: the clause after EACH; a variable named each stays",
     {"FOR EACH x IN aList", "  for  each\tc in s", "FOR each := 1 TO 3", "FOR EACH", "NEXT",
      "NEXT", "next", "NEXT"},
     {"FOR EACH x IN aList", "  for  each\tc in s", "FOR each := 1 TO 3", "FOR EACH",
      "NEXT   // EACH", "NEXT   // each := 1 TO 3", "next   //\tc in s", "NEXT   // x IN aList"}},
};

// The Modern rules: the re-indenter's openers and closers, the clause without its comment
// or ";".
const Case ModernCases[] = {
    {"every closer form",
     {"IF a", "DO WHILE b", "WHILE c", "FOR i := 1 TO 2", "FOR EACH e IN x", "SWITCH n",
      "BEGIN SEQUENCE", "END", "ENDSWITCH", "END FOR", "NEXT", "END WHILE", "ENDD", "END IF"},
     {"IF a", "DO WHILE b", "WHILE c", "FOR i := 1 TO 2", "FOR EACH e IN x", "SWITCH n",
      "BEGIN SEQUENCE", "END", "ENDSWITCH   // n", "END FOR   // e IN x", "NEXT   // i := 1 TO 2",
      "END WHILE   // c", "ENDD   // b", "END IF   // a"}},
    {"the clause without comment or continuation",
     {"IF a > 1 // why", "DO WHILE x .AND. ;", "   y", "ENDDO", "ENDIF"},
     {"IF a > 1 // why", "DO WHILE x .AND. ;", "   y", "ENDDO   // x .AND.", "ENDIF   // a > 1"}},
    {"a closer takes its own kind, and what was left open inside",
     {"FOR i := 1 TO 3", "IF a", "NEXT", "IF b", "END"},
     {"FOR i := 1 TO 3", "IF a", "NEXT   // i := 1 TO 3", "IF b", "END   // b"}},
    {"messages, headers and declarations are no block words",
     {"IF a", "oDlg:End()", "CREATE CLASS T", "METHOD New()", "ENDCLASS", "ENDIF"},
     {"IF a", "oDlg:End()", "CREATE CLASS T", "METHOD New()", "ENDCLASS", "ENDIF"}},
};

TEST(AnnotateBlockEnds, AnnotatesTheClosingLines) {
  for (const Case &C : Cases)
    EXPECT_EQ(Annotate(C.Before), C.After) << C.Name;
  for (const Case &C : ModernCases) {
    EXPECT_EQ(Annotate(C.Before, StyleModern), C.After) << C.Name;
    EXPECT_EQ(Annotate(C.After, StyleModern), C.After) << C.Name;
  }
}

// An annotated line is no longer a closing word alone, and the second run still pops for
// it, so the pairing stays the same.
TEST(AnnotateBlockEnds, TwiceEqualsOnce) {
  for (const Case &C : Cases)
    EXPECT_EQ(Annotate(C.After), C.After) << C.Name;
}

TEST(AnnotateBlockEnds, NeverAsksForALinePastTheEnd) {
  for (const char *Text : {"IF a\nENDIF", "IF a\nENDIF\n", "ENDIF"}) {
    StartPlugin();
    HostServices.EditorControl = RecordingEditorControl;
    AskedLines.clear();
    RunMenu(Text, {AnnotateEntry});
    for (int Line : AskedLines)
      EXPECT_LT(Line, SimLineCount()) << Text;
  }
}

// Each line keeps its own end of line; the cursor and screen go back where they were.
TEST(AnnotateBlockEnds, KeepsEndsOfLineAndCursor) {
  StartPlugin();
  SimLoadText("IF a\r\n  ? 1\nENDIF\r\nIF b\r\r\nENDIF", "TEST.PRG");
  SimSetCursor(1, 3);
  SimHost.MenuAnswers = {AnnotateEntry};
  OpenPlugin(OPEN_EDITOR, 0);
  EXPECT_EQ(SimSaveText(), "IF a\r\n  ? 1\nENDIF   // a\r\nIF b\r\r\nENDIF   // b");
  EXPECT_EQ(SimHost.Editor.CurLine, 1);
  EXPECT_EQ(SimHost.Editor.CurPos, 3);
  EXPECT_EQ(SimHost.Editor.TopScreenLine, 1);
  EXPECT_TRUE(SimHost.Messages.empty());
}

// In block mode the walk starts at the block's first line and ends at the line that ends
// the block; openers above it are not seen.
TEST(AnnotateBlockEnds, WorksOnTheMarkedBlock) {
  const std::vector<std::string> Text = {"IF outer", "  IF a",  "    FOR i",
                                         "    NEXT", "  ENDIF", "ENDIF"};
  struct BlockCase {
    int First, Last;
    std::vector<std::string> After;
  } BlockCases[] = {
      {0,
       5,
       {"IF outer", "  IF a", "    FOR i", "    NEXT   // i", "  ENDIF   // a",
        "ENDIF   // outer"}},
      {1, 3, {"IF outer", "  IF a", "    FOR i", "    NEXT   // i", "  ENDIF", "ENDIF"}},
      {2, 5, {"IF outer", "  IF a", "    FOR i", "    NEXT   // i", "  ENDIF", "ENDIF"}},
      {3, 5, {"IF outer", "  IF a", "    FOR i", "    NEXT", "  ENDIF", "ENDIF"}},
      {0, 3, {"IF outer", "  IF a", "    FOR i", "    NEXT   // i", "  ENDIF", "ENDIF"}},
  };
  for (const BlockCase &C : BlockCases) {
    StartPlugin();
    SimLoadText(JoinLines(Text), "TEST.PRG");
    SimMarkLines(C.First, C.Last);
    SimHost.MenuAnswers = {AnnotateEntry};
    OpenPlugin(OPEN_EDITOR, 0);
    EXPECT_EQ(EditorLines(), C.After) << C.First << "-" << C.Last;
  }
}

} // namespace
