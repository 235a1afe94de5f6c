// The entry points, the command menu and the editor access layer, through the simulated host.
#include "../../src/host/session.hpp"
#include "harness.hpp"

#include <cstring>
#include <gtest/gtest.h>

namespace {

struct FileTypeCase {
  const char *Name;
  bool Warns;
};

class FileTypeCheck : public ::testing::TestWithParam<FileTypeCase> {};

TEST_P(FileTypeCheck, WarnsOnlyForOtherExtensionsAndShowsTheMenuAnyway) {
  StartPlugin();
  RunMenu("x\n", {}, GetParam().Name);
  ASSERT_EQ(SimHost.Menus.size(), 1u) << "the command menu follows the check in every case";
  if (!GetParam().Warns) {
    EXPECT_TRUE(SimHost.Messages.empty());
    return;
  }
  ASSERT_EQ(SimHost.Messages.size(), 1u);
  const SimMessageCall &M = SimHost.Messages[0];
  EXPECT_EQ(M.Flags, 0u);
  EXPECT_EQ(M.HelpTopic, "Contents");
  ASSERT_EQ(M.Items.size(), 3u);
  EXPECT_EQ(M.Items[0], MsgText(MsgErrorTitle));
  EXPECT_EQ(M.Items[1], MsgText(MsgWrongFileType));
  EXPECT_EQ(M.Items[2], MsgText(MsgOk));
  EXPECT_EQ(M.Buttons, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileTypeCheck,
    ::testing::Values(FileTypeCase{"PROG.prg", false}, FileTypeCase{"DEFS.Ch", false},
                      FileTypeCase{"C:\\work\\main.PRG", false}, FileTypeCase{"PROG.PRG.BAK", true},
                      FileTypeCase{"MAKEFILE", true}, FileTypeCase{"C:\\my.src\\MAKEFILE", true},
                      FileTypeCase{"prog.prgx", true}, FileTypeCase{"prog.", true},
                      FileTypeCase{"PRG", false}, FileTypeCase{"notes.txt", true}));

TEST(CommandMenu, ShowsSevenEntriesWithPrefixesAndSeparator) {
  StartPlugin();
  RunMenu("x\n", {});
  ASSERT_EQ(SimHost.Menus.size(), 1u);
  const SimMenuCall &M = SimHost.Menus[0];
  EXPECT_EQ(M.X, -1);
  EXPECT_EQ(M.Y, -1);
  EXPECT_EQ(M.MaxHeight, 0);
  EXPECT_EQ(M.Flags, DWORD(FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT));
  EXPECT_EQ(M.Title, MsgText(MsgTitle));
  EXPECT_EQ(M.HelpTopic, "Contents");
  EXPECT_FALSE(M.HasBottom);
  ASSERT_EQ(M.Items.size(), 7u);
  const struct {
    const char *Prefix;
    int Id;
  } Expected[7] = {{"1. ", MsgMenuReindent},  {"2. ", MsgMenuProcedures}, {"3. ", MsgMenuComment},
                   {"4. ", MsgMenuUncomment}, {"5. ", MsgMenuAnnotate},   {nullptr, 0},
                   {"6. ", MsgMenuSettings}};
  for (int I = 0; I < 7; ++I) {
    const FarMenuItem &Item = M.Items[I];
    EXPECT_EQ(Item.Selected, 0);
    EXPECT_EQ(Item.Checked, 0);
    if (!Expected[I].Prefix) {
      EXPECT_EQ(Item.Separator, 1);
      EXPECT_STREQ(Item.Text, "");
      continue;
    }
    EXPECT_EQ(Item.Separator, 0);
    EXPECT_EQ(std::string(Item.Text), std::string(Expected[I].Prefix) + MsgText(Expected[I].Id));
  }
}

TEST(CommandMenu, CutsAnOverlongEntryToTheItemsCapacity) {
  StartPlugin();
  SimGetMsg(0, 0);
  SimHost.LanguageTexts[MsgMenuReindent] = std::string(300, 'x');
  RunMenu("x\n", {});
  SimHost.LanguageTexts.clear();
  const FarMenuItem &Item = SimHost.Menus[0].Items[0];
  EXPECT_EQ(std::strlen(Item.Text), 127u);
  EXPECT_EQ(std::string(Item.Text, 3), "1. ");
}

TEST(CommandMenu, SettingsEntryShowsTheMenuAgainWithTheSameSnapshot) {
  StartPlugin();
  SimLoadText("a\nb\nc\n", "T.PRG");
  SimSetCursor(2, 1);
  SimHost.MenuAnswers = {6, -1};
  OpenPlugin(OPEN_EDITOR, 0);
  ASSERT_EQ(SimHost.Menus.size(), 2u);
  EXPECT_EQ(SimHost.Menus[0].Title, SimHost.Menus[1].Title);
  EXPECT_EQ(SimHost.Messages.size(), 0u) << "the file-type check runs once per call";
  EXPECT_EQ(EditorSession.Info.CurLine, 2);
  EXPECT_EQ(SimHost.Editor.CurLine, 2);
}

TEST(CommandMenu, EscRestoresCursorAndScreen) {
  StartPlugin();
  SimLoadText(std::string(100, '\n'), "T.PRG");
  SimHost.Editor.CurLine = 40;
  SimHost.Editor.CurPos = 7;
  SimHost.Editor.TopScreenLine = 30;
  SimHost.Editor.LeftPos = 3;
  SimHost.MenuAnswers = {-1};
  OpenPlugin(OPEN_EDITOR, 0);
  EXPECT_EQ(SimHost.Editor.CurLine, 40);
  EXPECT_EQ(SimHost.Editor.CurPos, 7);
  EXPECT_EQ(SimHost.Editor.TopScreenLine, 30);
  EXPECT_EQ(SimHost.Editor.LeftPos, 3);
}

struct RangeCase {
  const char *Block; // "none", "stream", "column"
  bool BlockMode;
  int StartLine;
};

class SessionRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(SessionRange, IsTheBlockOrTheWholeFile) {
  StartPlugin();
  SimLoadText("l0\nl1\nl2\nl3\nl4\nl5\n", "T.PRG");
  std::string Block = GetParam().Block;
  if (Block == "stream")
    SimMarkLines(2, 4);
  else if (Block == "column")
    SimMarkColumn(3, 4, 0, 1);
  SimHost.MenuAnswers = {-1};
  OpenPlugin(OPEN_EDITOR, 0);
  EXPECT_EQ(EditorSession.BlockMode, GetParam().BlockMode);
  EXPECT_EQ(EditorSession.StartLine, GetParam().StartLine);
  EXPECT_EQ(EditorSession.LastLine, 7) << "always the host's line count";
  EXPECT_EQ(EditorSession.LineRead.StringNumber, -1);
  // The restore after Esc sets the position fields; the two it never touches stay -1.
  EXPECT_EQ(EditorSession.CursorMove.CurTabPos, -1);
  EXPECT_EQ(EditorSession.CursorMove.Overtype, -1);
}

INSTANTIATE_TEST_SUITE_P(Blocks, SessionRange,
                         ::testing::Values(RangeCase{"none", false, 0},
                                           RangeCase{"stream", true, 2},
                                           RangeCase{"column", true, 3}));

struct BlockEndCase {
  int SelStart, SelEnd;
  bool Ends;
};

TEST(EditorAccess, IsBlockEndFollowsTheLinesSelection) {
  const BlockEndCase Cases[] = {
      {0, 0, true}, {0, -1, false}, {-1, 0, true}, {-1, -1, true}, {2, 5, false}, {3, 3, true},
  };
  for (const BlockEndCase &C : Cases) {
    EditorSession.LineRead.SelStart = C.SelStart;
    EditorSession.LineRead.SelEnd = C.SelEnd;
    EXPECT_EQ(IsBlockEnd(), C.Ends) << C.SelStart << "," << C.SelEnd;
  }
}

TEST(EditorAccess, BlockMarkedWithShiftDownEndsOnTheLineBelow) {
  StartPlugin();
  SimLoadText("a\nb\nc\nd\n", "T.PRG");
  SimMarkLines(1, 2);
  EditorSession.CursorMove = {0, -1, -1, -1, -1, -1};
  const bool Expected[] = {true, false, false, true};
  for (int I = 0; I < 4; ++I) {
    GetLine(I);
    EXPECT_EQ(IsBlockEnd(), Expected[I]) << "line " << I;
  }
}

TEST(EditorAccess, LineWithZeroByteSurvivesReadAndWrite) {
  StartPlugin();
  std::string Text = std::string("ab\0cd", 5) + "\nnext\n";
  SimLoadText(Text, "T.PRG");
  EditorSession.CursorMove = {0, -1, -1, -1, -1, -1};
  std::string Line = GetLine(0);
  EXPECT_EQ(Line, std::string("ab\0cd", 5));
  SetLine(0, Line);
  EXPECT_EQ(SimSaveText(), Text);
}

struct EolCase {
  const char *Name;
  const char *Text;
  const char *Expected; // after each line gets "X" appended
};

TEST(EditorAccess, RewrittenLinesKeepTheirOwnEndOfLine) {
  const EolCase Cases[] = {
      {"lf", "a\nb\n", "aX\nbX\nX"},
      {"crlf", "a\r\nb\r\n", "aX\r\nbX\r\nX"},
      {"lone cr", "a\rb", "aX\rbX"},
      {"mixed", "a\r\nb\nc\rd", "aX\r\nbX\ncX\rdX"},
      {"cr cr lf", "a\r\r\nb\r\r\n", "aX\r\r\nbX\r\r\nX"},
      {"three crs", "a\r\r\r\nb", "a\rX\r\r\nbX"},
      {"no final eol", "a\nb", "aX\nbX"},
  };
  for (const EolCase &C : Cases) {
    StartPlugin();
    SimLoadText(C.Text, "T.PRG");
    EditorSession.CursorMove = {0, -1, -1, -1, -1, -1};
    for (int I = 0; I < SimLineCount(); ++I)
      SetLine(I, GetLine(I) + "X");
    EXPECT_EQ(SimSaveText(), C.Expected) << C.Name;
  }
}

TEST(EditorAccess, SetLineWithoutAReadKeepsTheHostsEndOfLine) {
  StartPlugin();
  SimLoadText("a\nb\nc", "T.PRG");
  EditorSession.LineReadIndex = -1;
  SetLine(1, "");
  SetLine(2, "z");
  EXPECT_EQ(SimSaveText(), "a\n\nz");
}

TEST(EditorAccess, GetLineMovesTheCursorAndRestoreCursorPutsItBack) {
  StartPlugin();
  SimLoadText(std::string(60, '\n'), "T.PRG");
  SimHost.Editor.CurLine = 50;
  SimHost.Editor.CurPos = 4;
  SimHost.Editor.TopScreenLine = 45;
  SimHost.Editor.LeftPos = 2;
  HostServices.EditorControl(ECTL_GETINFO, &EditorSession.Info);
  EditorSession.CursorMove = {0, -1, -1, -1, -1, -1};
  GetLine(3);
  EXPECT_EQ(SimHost.Editor.CurLine, 3);
  RestoreCursor();
  EXPECT_EQ(SimHost.Editor.CurLine, 50);
  EXPECT_EQ(SimHost.Editor.CurPos, 4);
  EXPECT_EQ(SimHost.Editor.TopScreenLine, 45);
  EXPECT_EQ(SimHost.Editor.LeftPos, 2);
}

TEST(TextHelpers, RepeatCharIsLetterAndMinAtTheirBoundaries) {
  EXPECT_EQ(RepeatChar(' ', 0), "");
  EXPECT_EQ(RepeatChar(' ', -3), "");
  EXPECT_EQ(RepeatChar(' ', 4), "    ");
  EXPECT_EQ(RepeatChar('-', 1), "-");
  const struct {
    unsigned char C;
    bool Letter;
  } Letters[] = {{0x40, false}, {0x41, true},  {0x5A, true},  {0x5B, false}, {0x60, false},
                 {0x61, true},  {0x7A, true},  {0x7B, false}, {'0', false},  {'9', false},
                 {'_', false},  {0xC0, false}, {0xE9, false}, {0xFF, false}, {0x00, false}};
  for (const auto &L : Letters)
    EXPECT_EQ(IsLetter(L.C), L.Letter) << int(L.C);
  EXPECT_EQ(Min(3, 3), 3);
  EXPECT_EQ(Min(-1, 0), -1);
  EXPECT_EQ(Min(0, -1), -1);
  EXPECT_EQ(Min(999, 5), 5);
}

TEST(TextHelpers, LocaleUpperCasesLatinOneButNotSigns) {
  EXPECT_EQ(LocaleUpperText("prg"), "PRG");
  EXPECT_EQ(LocaleUpperText("\xE9t\xE9"), "\xC9T\xC9");
  EXPECT_EQ(LocaleUpperText("\xF7\xDF\xFF"), "\xF7\xDF\x9F") << "division sign and sharp s stay";
  EXPECT_EQ(LocaleUpperText("a_1[z]"), "A_1[Z]");
}

TEST(Exports, GetPluginInfoOffersTheEditorMenuAndConfiguration) {
  StartPlugin();
  PluginInfo Info;
  std::memset(&Info, 0, sizeof(Info));
  GetPluginInfo(&Info);
  EXPECT_EQ(Info.StructSize, int(sizeof(PluginInfo)));
  EXPECT_EQ(Info.Flags, DWORD(PF_EDITOR | PF_DISABLEPANELS));
  EXPECT_EQ(Info.DiskMenuStringsNumber, 0);
  ASSERT_EQ(Info.PluginMenuStringsNumber, 1);
  ASSERT_EQ(Info.PluginConfigStringsNumber, 1);
  // The record is packed as the host's is: copy its pointers out before comparing them.
  const char *const *MenuStrings = Info.PluginMenuStrings;
  const char *const *ConfigStrings = Info.PluginConfigStrings;
  const char *Prefix = Info.CommandPrefix;
  EXPECT_STREQ(MenuStrings[0], MsgText(MsgTitle));
  EXPECT_EQ(MenuStrings, ConfigStrings);
  EXPECT_EQ(Prefix, nullptr);
}

TEST(Exports, MinimumVersionIsOneSeventyBuild591) {
  EXPECT_EQ(GetMinFarVersion(), 38732102);
  EXPECT_EQ(GetMinFarVersion(), 0x024F0146);
}

TEST(Exports, OpenPluginReturnsTheInvalidHandle) {
  StartPlugin();
  SimLoadText("x", "T.PRG");
  SimHost.MenuAnswers = {-1};
  EXPECT_EQ(OpenPlugin(OPEN_EDITOR, 0), INVALID_HANDLE_VALUE);
}

TEST(Exports, SetStartupInfoDerivesThePluginFolder) {
  const struct {
    const char *Module;
    const char *Folder;
  } Cases[] = {
      {"C:\\Far\\Plugins\\Q\\q.dll", "C:\\Far\\Plugins\\Q\\"},
      {"C:\\q.dll", "C:\\"},
      {"/opt/far/Plugins/Q/qmate.dll", "/opt/far/Plugins/Q\\"},
  };
  for (const auto &C : Cases) {
    SimReset();
    PluginStartupInfo Info = SimStartupInfo(C.Module);
    SetStartupInfo(&Info);
    EXPECT_EQ(PluginFolder, C.Folder) << C.Module;
    EXPECT_EQ(std::strcmp(HostServices.ModuleName, C.Module), 0);
  }
}

} // namespace
