// The settings file: defaults, the start-up reading, the save and what it keeps.
#include "../../src/host/session.hpp"
#include "harness.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

std::vector<int> Values(const PluginSettingsRecord &S) {
  return {S.GlobalTab, S.MainTab, S.FuncTab, S.TextFuncTab, S.Tab, S.Comments, S.SplitLineTab};
}

// A plug-in folder whose setup holds qmate.ini with Bytes (no file for nullptr).
std::string FolderWithSettings(const std::string &Name, const char *Bytes) {
  std::string Folder = TestFolder(Name);
  mkdir((Folder + "/setup").c_str(), 0755);
  if (Bytes)
    WriteTextFile(Folder + "/setup/qmate.ini", Bytes);
  return Folder;
}

struct LoadCase {
  const char *Name;
  const char *File;
  std::vector<int> Expected; // in the dialog's order
};

class SettingsLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(SettingsLoad, ReadsEachKeyOrItsDefault) {
  const LoadCase &C = GetParam();
  StartPlugin(FolderWithSettings("settings-load", C.File));
  EXPECT_EQ(Values(PluginSettings), C.Expected) << C.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsLoad,
    ::testing::Values(LoadCase{"no file", nullptr, {0, 0, 0, 2, 2, -1, -1}},
                      LoadCase{"only Tab", "[Settings]\r\nTab=4\r\n", {0, 0, 0, 2, 4, -1, -1}},
                      LoadCase{"all seven",
                               "[Settings]\r\nGlobalTab=1\r\nMainTab=2\r\nTab=5\r\nFuncTab=3\r\n"
                               "TextFuncTab=4\r\nComments=6\r\nSplitLineTab=7\r\n",
                               {1, 2, 3, 4, 5, 6, 7}},
                      LoadCase{"the same keys in another section",
                               "[Other]\r\nTab=9\r\nComments=3\r\n",
                               {0, 0, 0, 2, 2, -1, -1}},
                      LoadCase{"nothing clamped",
                               "[Settings]\nTab=100\nGlobalTab=-7\nComments=-3\n",
                               {-7, 0, 0, 2, 100, -3, -1}},
                      LoadCase{"minus one stays minus one",
                               "[Settings]\nComments=-1\nSplitLineTab=-1\n",
                               {0, 0, 0, 2, 2, -1, -1}}),
    [](const ::testing::TestParamInfo<LoadCase> &Info) {
      return "Case" + std::to_string(Info.index);
    });

// The [Rules] section: the rule set by name, the options in their ranges, anything else the
// default; the save of the seven settings leaves the section as it was.
TEST(SettingsLoad, ReadsTheRulesSection) {
  struct RulesCase {
    const char *File;
    std::vector<int> Expected; // Style, CaseIndent, BlankLines, KeepContinuation,
                               // KeepColumn0Comments, Steps, IndentWith, TabWidth
  } Cases[] = {
      {nullptr, {StyleClassic, 0, 1, 1, 1, 0, 0, 8}},
      {"[Rules]\r\nStyle=Modern\r\n", {StyleModern, 0, 1, 1, 1, 0, 0, 8}},
      {"[rules]\nstyle = modern\nCaseIndent=1\nBlankLines=3\nKeepContinuation=0\n"
       "KeepColumn0Comments=0\n",
       {StyleModern, 1, 3, 0, 0, 0, 0, 8}},
      {"[Rules]\nStyle=\"Classic\"\n", {StyleClassic, 0, 1, 1, 1, 0, 0, 8}},
      {"[Rules]\nStyle=Fancy\nCaseIndent=3\nBlankLines=-1\nKeepContinuation=7\n",
       {StyleClassic, 0, 1, 1, 1, 0, 0, 8}},
      // Words and numbers alike; a word or number out of range gives the default.
      {"[Rules]\nStyle=Modern\nSteps=block\nIndentWith=TABS\nTabWidth=3\n",
       {StyleModern, 0, 1, 1, 1, 2, 1, 3}},
      {"[Rules]\nSteps=1\nIndentWith=Tab\nTabWidth=0\n", {StyleClassic, 0, 1, 1, 1, 1, 0, 8}},
      {"[Settings]\nStyle=Modern\n", {StyleClassic, 0, 1, 1, 1, 0, 0, 8}},
  };
  for (const RulesCase &C : Cases) {
    std::string Folder = FolderWithSettings("settings-rules", C.File);
    StartPlugin(Folder);
    const PluginRulesRecord &R = PluginRules;
    EXPECT_EQ(std::vector<int>({R.Style, R.CaseIndent, R.BlankLines, R.KeepContinuation,
                                R.KeepColumn0Comments, R.Steps, R.IndentWith, R.TabWidth}),
              C.Expected)
        << (C.File ? C.File : "no file");
    if (!C.File)
      continue;
    std::string Before = ReadTextFile(Folder + "/setup/qmate.ini");
    SaveSettings();
    std::string After = ReadTextFile(Folder + "/setup/qmate.ini");
    std::size_t Rules = Before.find("ules]");
    if (Rules != std::string::npos) {
      EXPECT_NE(After.find(Before.substr(Rules - 2)), std::string::npos) << After;
    }
  }
}

TEST(SettingsLoad, ReadsTheIncludeFolders) {
  StartPlugin(FolderWithSettings("settings-include", "[Rules]\nInclude = C:\\inc; ..\\lib\n"));
  EXPECT_EQ(PluginIncludeFolders, "C:\\inc; ..\\lib");
  StartPlugin(FolderWithSettings("settings-include", nullptr));
  EXPECT_EQ(PluginIncludeFolders, "");
}

TEST(SettingsSave, AFreshFileHoldsTheSevenKeysInTheirOrder) {
  std::string Folder = FolderWithSettings("settings-fresh", nullptr);
  StartPlugin(Folder);
  SaveSettings();
  EXPECT_EQ(ReadTextFile(Folder + "/setup/qmate.ini"),
            "[Settings]\r\nGlobalTab=0\r\nMainTab=0\r\nTab=2\r\nFuncTab=0\r\nTextFuncTab=2\r\n"
            "Comments=-1\r\nSplitLineTab=-1\r\n");
}

TEST(SettingsSave, ANewLoadRestoresExactlyWhatWasSaved) {
  std::string Folder = FolderWithSettings("settings-roundtrip", nullptr);
  const std::vector<std::vector<int>> Rounds = {
      {1, 2, 3, 4, 5, -1, -1},
      {0, 0, 0, 0, 0, 0, 0},
      {-5, 100, -10, 99, -9, -3, -2},
      {2147483647, -2147483647 - 1, 7, 8, 9, 10, 11},
  };
  for (const std::vector<int> &R : Rounds) {
    StartPlugin(Folder);
    SetSettings(R[0], R[1], R[2], R[3], R[4], R[5], R[6]);
    SaveSettings();
    SetSettings(42, 42, 42, 42, 42, 42, 42);
    StartPlugin(Folder);
    EXPECT_EQ(Values(PluginSettings), R);
  }
}

TEST(SettingsSave, OtherSectionsKeysAndCommentsSurvive) {
  const char *Before = "; written by hand\r\n[Other]\r\nTab=9\r\n\r\n[Settings]\r\n; keep me\r\n"
                       "Tab=4\r\nMyOwnKey=abc\r\n\r\n[Last]\r\nX=1";
  std::string Folder = FolderWithSettings("settings-keep", Before);
  StartPlugin(Folder);
  EXPECT_EQ(PluginSettings.Tab, 4);
  PluginSettings.Tab = 3;
  SaveSettings();
  EXPECT_EQ(ReadTextFile(Folder + "/setup/qmate.ini"),
            "; written by hand\r\n[Other]\r\nTab=9\r\n\r\n[Settings]\r\n; keep me\r\n"
            "Tab=3\r\nMyOwnKey=abc\r\nGlobalTab=0\r\nMainTab=0\r\nFuncTab=0\r\nTextFuncTab=2\r\n"
            "Comments=-1\r\nSplitLineTab=-1\r\n\r\n[Last]\r\nX=1");
}

TEST(SettingsSave, AMissingSetupFolderFailsQuietly) {
  std::string Folder = TestFolder("settings-nosetup");
  StartPlugin(Folder);
  SetSettings(1, 2, 3, 4, 5, 6, 7);
  SaveSettings();
  struct stat Status;
  EXPECT_NE(stat((Folder + "/setup").c_str(), &Status), 0) << "no folder is made";
  EXPECT_EQ(Values(PluginSettings), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}))
      << "the values stay in effect in memory";
  EXPECT_TRUE(SimHost.Messages.empty());
}

TEST(SettingsSave, AReadOnlyFileKeepsItsContent) {
  const char *Before = "[Settings]\r\nTab=4\r\n";
  std::string Folder = FolderWithSettings("settings-readonly", Before);
  std::string Path = Folder + "/setup/qmate.ini";
  ASSERT_EQ(chmod(Path.c_str(), 0444), 0);
  StartPlugin(Folder);
  PluginSettings.Tab = 8;
  SaveSettings();
  EXPECT_EQ(ReadTextFile(Path), Before);
  chmod(Path.c_str(), 0644);
}

TEST(SettingsStartup, NoSettingsFileIsMadeAtStartUp) {
  std::string Folder = FolderWithSettings("settings-nomake", nullptr);
  StartPlugin(Folder);
  struct stat Status;
  EXPECT_NE(stat((Folder + "/setup/qmate.ini").c_str(), &Status), 0);
}

struct FolderCase {
  const char *ModuleName;
  const char *Folder;
};

class PluginFolderOf : public ::testing::TestWithParam<FolderCase> {};

TEST_P(PluginFolderOf, KeepsTheLibrarysFolderWithOneBackslash) {
  SimReset();
  PluginStartupInfo Info = SimStartupInfo(GetParam().ModuleName);
  SetStartupInfo(&Info);
  EXPECT_EQ(PluginFolder, GetParam().Folder);
  EXPECT_EQ(SettingsPath(), std::string(GetParam().Folder) + "setup\\qmate.ini");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PluginFolderOf,
    ::testing::Values(FolderCase{"C:\\Far\\Plugins\\Q\\q.dll", "C:\\Far\\Plugins\\Q\\"},
                      FolderCase{"C:\\q.dll", "C:\\"},
                      FolderCase{"\\\\server\\share\\p\\qmate.dll", "\\\\server\\share\\p\\"}));

} // namespace
