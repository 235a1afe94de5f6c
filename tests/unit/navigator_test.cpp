// The procedure navigator through the plug-in's exports and the simulated host: the header
// list, its numbering and pre-selection, the jump, Esc and the file without headers.
#include "../../cli/verbs.hpp"
#include "../../src/host/keys.hpp"
#include "../../src/host/session.hpp"
#include "harness.hpp"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

const int NavigatorEntry = 1;

// Every line index the plug-in moved the cursor to, to see that no walk leaves the file.
std::vector<int> AskedLines;

int WINAPI RecordingEditorControl(int Command, void *Param) {
  if (Command == ECTL_SETPOSITION)
    AskedLines.push_back(static_cast<const EditorSetPosition *>(Param)->CurLine);
  return SimEditorControl(Command, Param);
}

// Whether every entry text the host was handed ends within its 128 bytes, seen before the
// simulated host copies the entries.
bool EntriesTerminated = true;

int WINAPI CheckingMenu(int PluginNumber, int X, int Y, int MaxHeight, DWORD Flags,
                        const char *Title, const char *Bottom, const char *HelpTopic,
                        const int *BreakKeys, int *BreakCode, const FarMenuItem *Item,
                        int ItemsNumber) {
  for (int I = 0; I < ItemsNumber; ++I)
    if (!std::memchr(Item[I].Text, 0, sizeof(Item[I].Text)))
      EntriesTerminated = false;
  return SimMenu(PluginNumber, X, Y, MaxHeight, Flags, Title, Bottom, HelpTopic, BreakKeys,
                 BreakCode, Item, ItemsNumber);
}

class Navigator : public ::testing::Test {
protected:
  void SetUp() override {
    StartPlugin();
    AskedLines.clear();
    HostServices.EditorControl = RecordingEditorControl;
  }
};

// The procedure list: the second menu the host was shown.
const SimMenuCall &ListMenu() {
  EXPECT_GE(SimHost.Menus.size(), 2u);
  return SimHost.Menus.at(1);
}

std::vector<std::string> EntryTexts() {
  std::vector<std::string> Texts;
  for (const FarMenuItem &Item : ListMenu().Items)
    Texts.push_back(Item.Text);
  return Texts;
}

// The 1-based numbers of the entries marked Selected.
std::vector<int> SelectedEntries() {
  std::vector<int> Numbers;
  const std::vector<FarMenuItem> &Items = ListMenu().Items;
  for (std::size_t I = 0; I < Items.size(); ++I)
    if (Items[I].Selected)
      Numbers.push_back(static_cast<int>(I) + 1);
  return Numbers;
}

// Opens the list with the cursor on line Cursor and leaves it with Esc.
void ShowList(const std::string &Text, int Cursor = 0) {
  SimLoadText(Text, "TEST.PRG");
  SimSetCursor(Cursor, 0);
  SimHost.MenuAnswers = {NavigatorEntry, -1};
  OpenPlugin(OPEN_EDITOR, 0);
}

const char *const ThreeHeaders = "* header comment\n" // 0
                                 "PROCEDURE Main\n"   // 1
                                 "  ? 1\n"            // 2
                                 "RETURN\n"           // 3
                                 "FUNCTION Two()\n"   // 4
                                 "RETURN 2\n"         // 5
                                 "\n"                 // 6
                                 "PROCEDURE Three\n"  // 7
                                 "  ? 3\n"            // 8
                                 "RETURN";            // 9

TEST_F(Navigator, PreselectsTheHeaderAroundTheCursor) {
  struct Case {
    int Cursor;
    std::vector<int> Selected;
  } Cases[] = {
      {0, {}},            // above the first header: nothing marked
      {1, {1}},           // on the first header
      {2, {1}}, {4, {2}}, // on the second header
      {5, {2}}, {6, {2}}, // between the second and third headers
      {7, {3}},           // on the third header
      {9, {3}},           // the last line
  };
  for (const Case &C : Cases) {
    StartPlugin();
    ShowList(ThreeHeaders, C.Cursor);
    EXPECT_EQ(SelectedEntries(), C.Selected) << "cursor on line " << C.Cursor;
  }
}

TEST_F(Navigator, ShowsTheListAsAHostMenu) {
  ShowList(ThreeHeaders, 5);
  const SimMenuCall &Menu = ListMenu();
  EXPECT_EQ(Menu.Flags, DWORD(FMENU_AUTOHIGHLIGHT));
  EXPECT_EQ(Menu.Title, MsgText(MsgMenuProcedures));
  EXPECT_EQ(Menu.HelpTopic, "Contents");
  EXPECT_EQ(Menu.X, -1);
  EXPECT_EQ(Menu.Y, -1);
  EXPECT_EQ(Menu.MaxHeight, 0);
  EXPECT_FALSE(Menu.HasBottom);
  EXPECT_EQ(EntryTexts(), (std::vector<std::string>{" 1. PROCEDURE Main", " 2. FUNCTION Two()",
                                                    " 3. PROCEDURE Three"}));
  for (const FarMenuItem &Item : Menu.Items) {
    EXPECT_EQ(Item.Checked, 0);
    EXPECT_EQ(Item.Separator, 0);
  }
  EXPECT_TRUE(SimHost.Messages.empty());
}

// Numbers are right-aligned in two characters, and as wide as they need from 100 on.
TEST_F(Navigator, NumbersTheEntries) {
  std::string Text;
  for (int I = 1; I <= 105; ++I)
    Text += "FUNCTION F" + std::to_string(I) + "()\nRETURN nil\n";
  ShowList(Text);
  std::vector<std::string> Texts = EntryTexts();
  ASSERT_EQ(Texts.size(), 105u);
  struct Case {
    int Number;
    const char *Entry;
  } Cases[] = {
      {1, " 1. FUNCTION F1()"},      {9, " 9. FUNCTION F9()"},   {10, "10. FUNCTION F10()"},
      {12, "12. FUNCTION F12()"},    {99, "99. FUNCTION F99()"}, {100, "100. FUNCTION F100()"},
      {105, "105. FUNCTION F105()"},
  };
  for (const Case &C : Cases)
    EXPECT_EQ(Texts[static_cast<std::size_t>(C.Number - 1)], C.Entry);
}

TEST_F(Navigator, ListsTheLinesThatBeginWithProcOrFunc) {
  struct Case {
    const char *Line;
    bool Listed;
    bool ModernListed; // with the Modern rules
  } Cases[] = {
      {"PROCEDURE Main", true, true},
      {"procedure lower", true, true},
      {"Function Mixed( a )", true, true},
      {"   PROCEDURE Indented", true, true},
      {"\t\tfunc Tabbed", true, true},
      {" \t PROC Both", true, true},
      {"PROCESSING := 1", true, false},
      {"FUNCTIONAL()", true, false},
      {"PROC", true, false},
      {"STATIC FUNCTION Hidden()", false, true},
      {"stat proc Short", false, true},
      {"INIT PROCEDURE Start", false, true},
      {"EXIT FUNC Done()", false, true},
      {"METHOD New() CLASS T", false, true},
      {"CREATE CLASS T INHERIT U", false, true},
      {"ACCESS Name", false, true},
      {"processed := .T.", true, false},
      {"STATIC s_n := 0", false, false},
      {"* PROCEDURE in a comment", false, false},
      {"// FUNCTION in a comment", false, false},
      {"PRO", false, false},
      {"FUN()", false, false},
      {"P ROC", false, false},
      {"", false, false},
  };
  for (int Style : {StyleClassic, StyleModern})
    for (const Case &C : Cases) {
      StartPlugin();
      PluginRules.Style = Style;
      ShowList(std::string("PROCEDURE First\n") + C.Line + "\nRETURN");
      std::vector<std::string> Texts = EntryTexts();
      if (Style == StyleModern ? C.ModernListed : C.Listed) {
        ASSERT_EQ(Texts.size(), 2u) << C.Line;
        // The entry shows the line exactly as the editor holds it, indentation included.
        EXPECT_EQ(Texts[1], std::string(" 2. ") + C.Line);
      } else {
        EXPECT_EQ(Texts.size(), 1u) << C.Line;
      }
    }
  // Inside a class the methods are declared, not defined.
  StartPlugin();
  PluginRules.Style = StyleModern;
  ShowList("CLASS T\nMETHOD New()\nENDCLASS\nMETHOD New() CLASS T\nRETURN Self");
  EXPECT_EQ(EntryTexts().size(), 2u);
}

TEST_F(Navigator, IgnoresAMarkedBlock) {
  SimLoadText(ThreeHeaders, "TEST.PRG");
  SimMarkLines(2, 3);
  SimSetCursor(2, 0);
  SimHost.MenuAnswers = {NavigatorEntry, -1};
  OpenPlugin(OPEN_EDITOR, 0);
  EXPECT_EQ(EntryTexts().size(), 3u);
  EXPECT_EQ(SelectedEntries(), std::vector<int>{1});
}

TEST_F(Navigator, NeverAsksForALinePastTheEnd) {
  // The final line is a header: it is listed once, and no read goes past it.
  for (const char *Text : {"PROCEDURE A\nPROCEDURE B", "PROCEDURE A\nPROCEDURE B\n", "PROC"}) {
    StartPlugin();
    HostServices.EditorControl = RecordingEditorControl;
    AskedLines.clear();
    ShowList(Text);
    int Total = SimLineCount();
    EXPECT_EQ(EntryTexts().size(), std::string(Text).find('\n') == std::string::npos ? 1u : 2u);
    for (int Line : AskedLines)
      EXPECT_LT(Line, Total) << Text;
  }
}

// The chosen header goes to the top of the screen; the cursor ends where the two word keys
// leave it from column 0; the view is scrolled back to its first column.
TEST_F(Navigator, JumpsToTheChosenHeader) {
  struct Case {
    int Entry;
    int Line;
    int Pos;
  } Cases[] = {
      {0, 1, 10},  // "PROCEDURE Main": to the keyword's end, then to the name's start
      {1, 4, 9},   // "FUNCTION Two()"
      {2, 7, 10},  // "PROCEDURE Three"
      {3, 11, 0},  // "PROCEDURE" alone: the second key goes on to the next line
      {4, 13, 12}, // "   FUNCTION Deep": past the blanks and the keyword, then to the name
      {5, 14, 11}, // "  function f(x)"
      {6, 15, 5},  // "FUNC x"
      {7, 16, 5},  // "FUNC<tab>Tabbed"
      {8, 17, 9},  // "function GetFileName( cPath )", as a real Far leaves it
      {9, 18, 10}, // "PROCEDURE /* x */ Main": a blank, then a delimiter ends the second key
  };
  std::string Text = std::string(ThreeHeaders) + "\n"
                                                 "PROCEDURE\n"                     // 10
                                                 "  ? 4\n"                         // 11
                                                 "\n"                              // 12
                                                 "   FUNCTION Deep\n"              // 13
                                                 "  function f(x)\n"               // 14
                                                 "FUNC x\n"                        // 15
                                                 "FUNC\tTabbed\n"                  // 16
                                                 "function GetFileName( cPath )\n" // 17
                                                 "PROCEDURE /* x */ Main\n";       // 18
  for (const Case &C : Cases) {
    StartPlugin();
    SimLoadText(Text, "TEST.PRG");
    SimSetCursor(8, 2);
    SimHost.Editor.LeftPos = 7;
    SimHost.MenuAnswers = {NavigatorEntry, C.Entry};
    OpenPlugin(OPEN_EDITOR, 0);
    const SimEditorRecord &E = SimHost.Editor;
    EXPECT_EQ(E.Keys, (std::vector<int>{KEY_CTRLSHIFTRIGHT, KEY_CTRLRIGHT})) << C.Entry;
    EXPECT_EQ(E.CurLine, C.Line) << C.Entry;
    EXPECT_EQ(E.CurPos, C.Pos) << C.Entry;
    int HeaderLine = C.Pos == 0 ? C.Line - 1 : C.Line;
    EXPECT_EQ(E.TopScreenLine, HeaderLine) << C.Entry;
    EXPECT_EQ(E.LeftPos, 0) << C.Entry;
    EXPECT_EQ(SimSaveText(), Text) << C.Entry;
  }
}

TEST_F(Navigator, JumpMovesTheHeaderToTheTopOfTheScreen) {
  std::string Text;
  for (int I = 0; I < 200; ++I)
    Text += I == 150 ? "PROCEDURE Far\n" : "  ? 1\n";
  SimLoadText(Text, "TEST.PRG");
  SimSetCursor(3, 0);
  SimHost.MenuAnswers = {NavigatorEntry, 0};
  OpenPlugin(OPEN_EDITOR, 0);
  EXPECT_EQ(SimHost.Editor.CurLine, 150);
  EXPECT_EQ(SimHost.Editor.TopScreenLine, 150);
  // The last move changes only the view's left column.
  ASSERT_GE(AskedLines.size(), 2u);
  EXPECT_EQ(AskedLines.back(), -1);
  EXPECT_EQ(EditorSession.CursorMove.LeftPos, 0);
  EXPECT_EQ(EditorSession.CursorMove.CurPos, -1);
  EXPECT_EQ(EditorSession.CursorMove.TopScreenLine, -1);
}

TEST_F(Navigator, EscRestoresTheCursor) {
  SimLoadText(ThreeHeaders, "TEST.PRG");
  SimSetCursor(8, 2);
  SimHost.Editor.TopScreenLine = 5;
  SimHost.Editor.LeftPos = 1;
  SimHost.MenuAnswers = {NavigatorEntry, -1};
  OpenPlugin(OPEN_EDITOR, 0);
  const SimEditorRecord &E = SimHost.Editor;
  EXPECT_EQ(SimHost.Menus.size(), 2u);
  EXPECT_TRUE(E.Keys.empty());
  EXPECT_EQ(E.CurLine, 8);
  EXPECT_EQ(E.CurPos, 2);
  EXPECT_EQ(E.TopScreenLine, 5);
  EXPECT_EQ(E.LeftPos, 1);
  EXPECT_EQ(SimSaveText(), ThreeHeaders);
}

TEST_F(Navigator, FileWithoutHeadersGivesANotice) {
  for (const char *Text : {"", "? 1\nRETURN\n", "STATIC FUNCTION Hidden()\n  RETURN nil"}) {
    StartPlugin();
    SimLoadText(Text, "TEST.PRG");
    int Last = SimLineCount() - 1;
    SimSetCursor(Last, 1);
    SimHost.MenuAnswers = {NavigatorEntry, 0};
    OpenPlugin(OPEN_EDITOR, 0);
    EXPECT_EQ(SimHost.Menus.size(), 1u) << Text;
    ASSERT_EQ(SimHost.Messages.size(), 1u) << Text;
    const SimMessageCall &M = SimHost.Messages[0];
    EXPECT_EQ(M.Flags, DWORD(0));
    EXPECT_EQ(M.HelpTopic, "Contents");
    EXPECT_EQ(M.Items, (std::vector<std::string>{MsgText(MsgErrorTitle), MsgText(MsgNoProcedures),
                                                 MsgText(MsgOk)}));
    EXPECT_EQ(M.Buttons, 1);
    EXPECT_TRUE(SimHost.Editor.Keys.empty());
    EXPECT_EQ(SimHost.Editor.CurLine, Last) << Text;
    EXPECT_EQ(SimHost.Editor.CurPos, 1) << Text;
    EXPECT_EQ(SimSaveText(), Text);
  }
}

// An entry that does not fit the host's 128-byte text is cut to 127 bytes and its zero; the
// record's other fields stay as they should.
TEST_F(Navigator, CutsLongEntriesToTheMenuRecord) {
  struct Case {
    std::size_t HeaderLength;
    std::size_t EntryLength;
  } Cases[] = {{100, 104}, {123, 127}, {124, 127}, {300, 127}, {5000, 127}};
  for (const Case &C : Cases) {
    StartPlugin();
    HostServices.Menu = CheckingMenu;
    EntriesTerminated = true;
    std::string Header = "PROCEDURE " + std::string(C.HeaderLength - 10, 'x');
    // The long header is the only entry, so an overrun would leave the host's array.
    ShowList("? 1\n" + Header + "\n? 2", 2);
    const std::vector<FarMenuItem> &Items = ListMenu().Items;
    ASSERT_EQ(Items.size(), 1u);
    EXPECT_EQ(std::strlen(Items[0].Text), C.EntryLength) << C.HeaderLength;
    EXPECT_EQ(std::string(Items[0].Text), (" 1. " + Header).substr(0, C.EntryLength));
    EXPECT_EQ(Items[0].Selected, 1);
    EXPECT_EQ(Items[0].Checked, 0);
    EXPECT_EQ(Items[0].Separator, 0);
    EXPECT_TRUE(EntriesTerminated) << C.HeaderLength;
  }
}

// The command-line tool's list of headers, through the same exports.
std::string RunTool(const std::vector<std::string> &Args, int &Status, std::string &Errors) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  Status = RunCommandLine(Args, QMATE_BINARY_DIR "/qmate");
  Errors = testing::internal::GetCapturedStderr();
  return testing::internal::GetCapturedStdout();
}

TEST_F(Navigator, ToolPrintsTheHeaders) {
  std::string Folder = TestFolder("procs-tool");
  std::string Setup = Folder + "/setup";
  ASSERT_EQ(std::system(("mkdir -p '" + Setup + "'").c_str()), 0);
  std::string File = Folder + "/t.prg";
  std::string Empty = Folder + "/none.prg";
  WriteTextFile(File, ThreeHeaders);
  WriteTextFile(Empty, "? 1\nRETURN\n");
  std::string Notice = std::string(MsgText(MsgErrorTitle)) + ": " + MsgText(MsgNoProcedures) + "\n";
  struct Case {
    std::vector<std::string> Args;
    std::string Output;
    std::string Errors;
  } Cases[] = {
      {{File},
       File + ":2:PROCEDURE Main\n" + File + ":5:FUNCTION Two()\n" + File + ":8:PROCEDURE Three\n",
       ""},
      {{"--menu", "--cursor", "6:0", File},
       "   1. PROCEDURE Main\n*  2. FUNCTION Two()\n   3. PROCEDURE Three\n",
       ""},
      {{"--menu", File}, "   1. PROCEDURE Main\n   2. FUNCTION Two()\n   3. PROCEDURE Three\n", ""},
      {{Empty}, "", Notice},
  };
  for (const Case &C : Cases) {
    std::vector<std::string> Args = {"procs", "--setup", Setup};
    Args.insert(Args.end(), C.Args.begin(), C.Args.end());
    int Status = -1;
    std::string Errors;
    EXPECT_EQ(RunTool(Args, Status, Errors), C.Output);
    EXPECT_EQ(Errors, C.Errors);
    EXPECT_EQ(Status, 0);
  }
}

} // namespace
