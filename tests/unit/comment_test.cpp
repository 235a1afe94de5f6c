// Commenting and uncommenting the marked block through the plug-in's exports and the
// simulated host.
#include "../../src/host/session.hpp"
#include "harness.hpp"

#include <gtest/gtest.h>

namespace {

const int CommentEntry = 2;
const int UncommentEntry = 3;

// The editor commands the plug-in sent, and every line index it moved the cursor to.
std::vector<int> SentCommands;
std::vector<int> AskedLines;

int WINAPI RecordingEditorControl(int Command, void *Param) {
  SentCommands.push_back(Command);
  if (Command == ECTL_SETPOSITION)
    AskedLines.push_back(static_cast<const EditorSetPosition *>(Param)->CurLine);
  return SimEditorControl(Command, Param);
}

int CountOf(int Command) {
  int N = 0;
  for (int C : SentCommands)
    N += C == Command;
  return N;
}

enum BlockKind { NoBlock, LineBlock, StreamBlock, ColumnBlock };

struct BlockRecord {
  BlockKind Kind;
  int First, Last;       // lines
  int FirstCol, LastCol; // stream: start and end columns; column: left and right edges
};

// Loads Lines, marks the block, runs the command-menu entry and returns the lines after it.
std::vector<std::string> RunOnBlock(const std::vector<std::string> &Lines, const BlockRecord &B,
                                    int Entry) {
  StartPlugin();
  HostServices.EditorControl = RecordingEditorControl;
  SentCommands.clear();
  AskedLines.clear();
  SimLoadText(JoinLines(Lines), "TEST.PRG");
  if (B.Kind == LineBlock)
    SimMarkLines(B.First, B.Last);
  else if (B.Kind == StreamBlock)
    SimMarkStream(B.First, B.FirstCol, B.Last, B.LastCol);
  else if (B.Kind == ColumnBlock)
    SimMarkColumn(B.First, B.Last, B.FirstCol, B.LastCol);
  SimHost.MenuAnswers = {Entry};
  OpenPlugin(OPEN_EDITOR, 0);
  return EditorLines();
}

BlockRecord Lines(int First, int Last) {
  return {LineBlock, First, Last, 0, 0};
}

struct LineCase {
  const char *Line;
  const char *Commented;
  const char *Uncommented;
};

// Each line alone in a block of one line, followed by a line outside the block.
const LineCase LineCases[] = {
    {"x := 1", "//x := 1", "x := 1"},
    {"    x := 1", "//    x := 1", "    x := 1"}, // indentation stays behind
    {"\tx := 1", "//\tx := 1", "\tx := 1"},
    {"// note", "// note", " note"}, // no doubling
    {"    // indented note", "    // indented note", "     indented note"},
    {"\t//x", "\t//x", "\tx"},
    {"", "//", ""},                                              // empty line
    {"   ", "//   ", "   "},                                     // blank line
    {"/ x", "/// x", "/ x"},                                     // one slash only
    {"x := 1 // set x", "//x := 1 // set x", "x := 1 // set x"}, // trailing comment stays
    {"? \"http://host\" // c", "//? \"http://host\" // c", "? \"http://host\" // c"},
    {"z := \"http://a\"", "//z := \"http://a\"", "z := \"http://a\""}, // a string's "//"
    {"////x", "////x", "//x"},                                         // the marker twice
    {"x / y", "//x / y", "x / y"},
    {"/* block */", "///* block */", "/* block */"},
    {"a//b//c", "//a//b//c", "a//b//c"},
    {" \t // x", " \t // x", " \t  x"}, // blanks and tabs before the marker
    {"&& x // y", "//&& x // y", "&& x // y"},
};

TEST(CommentBlock, CommentsEachLine) {
  for (const LineCase &C : LineCases) {
    std::vector<std::string> After = RunOnBlock({C.Line, "outside"}, Lines(0, 0), CommentEntry);
    EXPECT_EQ(After, (std::vector<std::string>{C.Commented, "outside"})) << C.Line;
  }
}

TEST(UncommentBlock, UncommentsEachLine) {
  for (const LineCase &C : LineCases) {
    std::vector<std::string> After = RunOnBlock({C.Line, "//outside"}, Lines(0, 0), UncommentEntry);
    EXPECT_EQ(After, (std::vector<std::string>{C.Uncommented, "//outside"})) << C.Line;
  }
}

TEST(CommentBlock, UncommentGivesBackTheCommentedLines) {
  std::vector<std::string> Text = {"PROCEDURE Main", "   LOCAL x := 1", "", "\t? x  ", "/ y",
                                   "RETURN"};
  std::vector<std::string> Commented = RunOnBlock(Text, Lines(0, 5), CommentEntry);
  EXPECT_EQ(Commented[1], "//   LOCAL x := 1");
  EXPECT_EQ(RunOnBlock(Commented, Lines(0, 5), UncommentEntry), Text);
  // Commenting twice gives the same as once.
  EXPECT_EQ(RunOnBlock(Commented, Lines(0, 5), CommentEntry), Commented);
}

// The walk ends at the first line the host reports as the block's end; that line and
// those below it stay as they are.
TEST(CommentBlock, WorksOnTheMarkedLinesOnly) {
  const std::vector<std::string> Text = {"a", "b", "c", "d", "e"};
  struct Case {
    BlockRecord Block;
    std::vector<std::string> Commented;
  } Cases[] = {
      {Lines(1, 2), {"a", "//b", "//c", "d", "e"}},
      {Lines(0, 0), {"//a", "b", "c", "d", "e"}},
      {Lines(3, 4), {"a", "b", "c", "//d", "//e"}},                 // to the end of the file
      {{StreamBlock, 1, 3, 0, 1}, {"a", "//b", "//c", "//d", "e"}}, // ends inside line 3
      {{StreamBlock, 1, 3, 0, 0}, {"a", "//b", "//c", "d", "e"}},   // ends at column 0
      {{StreamBlock, 2, 2, 0, 1}, {"a", "b", "//c", "d", "e"}},
      {{ColumnBlock, 1, 2, 0, 1}, {"a", "//b", "//c", "d", "e"}},
      {{ColumnBlock, 1, 2, 1, 1}, {"a", "b", "c", "d", "e"}}, // no width: ends at once
  };
  for (const Case &C : Cases) {
    EXPECT_EQ(RunOnBlock(Text, C.Block, CommentEntry), C.Commented)
        << C.Block.Kind << " " << C.Block.First << "-" << C.Block.Last;
    std::vector<std::string> Commented(Text.size());
    for (std::size_t I = 0; I < Text.size(); ++I)
      Commented[I] = "//" + Text[I];
    std::vector<std::string> Expected = Commented;
    for (std::size_t I = 0; I < Text.size(); ++I)
      if (C.Commented[I] != Text[I])
        Expected[I] = Text[I];
    EXPECT_EQ(RunOnBlock(Commented, C.Block, UncommentEntry), Expected)
        << C.Block.Kind << " " << C.Block.First << "-" << C.Block.Last;
  }
}

// A block that reaches the file's end without a line that ends it: the final line is
// treated once, and nothing asks for a line past it.
TEST(CommentBlock, StopsAtTheEndOfTheFile) {
  for (int Entry : {CommentEntry, UncommentEntry}) {
    std::vector<std::string> After = RunOnBlock({"a", "////x"}, Lines(0, 1), Entry);
    EXPECT_EQ(After[1], Entry == CommentEntry ? "////x" : "//x");
    for (int Line : AskedLines)
      EXPECT_LT(Line, 2);
  }
}

TEST(CommentBlock, WithoutABlockOnlyWarns) {
  const std::vector<std::string> Text = {"a", "// b", "c"};
  for (int Entry : {CommentEntry, UncommentEntry}) {
    std::vector<std::string> After = RunOnBlock(Text, {NoBlock, 0, 0, 0, 0}, Entry);
    EXPECT_EQ(After, Text);
    EXPECT_EQ(CountOf(ECTL_GETSTRING), 0) << Entry;
    EXPECT_EQ(CountOf(ECTL_SETSTRING), 0) << Entry;
    ASSERT_EQ(SimHost.Messages.size(), 1u);
    const SimMessageCall &M = SimHost.Messages[0];
    EXPECT_EQ(M.Flags, DWORD(FMSG_WARNING));
    EXPECT_EQ(M.HelpTopic, "Contents");
    EXPECT_EQ(M.Items, (std::vector<std::string>{MsgText(MsgNoBlockTitle), MsgText(MsgNoBlock),
                                                 MsgText(MsgOk)}));
    EXPECT_EQ(M.Buttons, 1);
  }
}

// Lines that need no change are not written; the written ones keep their own end of line.
TEST(CommentBlock, WritesOnlyChangedLines) {
  struct Case {
    int Entry;
    std::string Bytes;
    std::string After;
    int Writes;
  } Cases[] = {
      {CommentEntry, "a\r\n// b\nc\r\r\nd", "//a\r\n// b\n//c\r\r\nd", 2},
      {UncommentEntry, "a\r\n// b\nc\r\r\nd", "a\r\n b\nc\r\r\nd", 1},
      {CommentEntry, "a\rb\nc\nd\ne", "a\rb\n//c\nd\ne", 1}, // lines at a lone CR stay
      {UncommentEntry, "//a\r//b\n//c\nd", "//a\r//b\nc\nd", 1},
      {UncommentEntry, "a\nb\nc\nd", "a\nb\nc\nd", 0},
      {CommentEntry, "//a\n  //b\n\t//c\nd", "//a\n  //b\n\t//c\nd", 0},
  };
  for (const Case &C : Cases) {
    StartPlugin();
    HostServices.EditorControl = RecordingEditorControl;
    SentCommands.clear();
    SimLoadText(C.Bytes, "TEST.PRG");
    SimMarkLines(0, 2);
    SimSetCursor(3, 1);
    SimHost.MenuAnswers = {C.Entry};
    OpenPlugin(OPEN_EDITOR, 0);
    EXPECT_EQ(SimSaveText(), C.After) << C.Bytes;
    EXPECT_EQ(CountOf(ECTL_SETSTRING), C.Writes) << C.Bytes;
    // The cursor goes back where it was.
    EXPECT_EQ(SimHost.Editor.CurLine, 3);
    EXPECT_EQ(SimHost.Editor.CurPos, 1);
  }
}

} // namespace
