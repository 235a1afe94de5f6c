// The portable private-profile layer on INI texts as people write them by hand.
#include "../../src/settings/profile.hpp"
#include "harness.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ReadCase {
  const char *Name;
  const char *File; // nullptr: no file at all
  const char *Section;
  const char *Key;
  int Default;
  int Expected;
};

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, GivesTheValueOrTheDefault) {
  const ReadCase &C = GetParam();
  std::string Path = TestFolder("profile-read") + "/q.ini";
  if (C.File)
    WriteTextFile(Path, C.File);
  EXPECT_EQ(ProfileGetInt(C.Section, C.Key, C.Default, Path.c_str()), C.Expected) << C.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ProfileRead,
    ::testing::Values(
        ReadCase{"no file", nullptr, "Settings", "Tab", 2, 2},
        ReadCase{"empty file", "", "Settings", "Tab", 2, 2},
        ReadCase{"plain", "[Settings]\r\nTab=4\r\n", "Settings", "Tab", 2, 4},
        ReadCase{"names in other cases", "[sETTINGS]\r\ntAB=4\r\n", "Settings", "Tab", 2, 4},
        ReadCase{"blanks around the names and the equals sign", "  [ Settings ]  \n  Tab  =  7  \n",
                 "Settings", "Tab", 2, 7},
        ReadCase{"tab characters around", "[Settings]\n\tTab\t=\t8\n", "Settings", "Tab", 2, 8},
        ReadCase{"the first of two keys wins", "[Settings]\nTab=3\nTab=5\n", "Settings", "Tab", 2,
                 3},
        ReadCase{"the first of two sections wins", "[Settings]\nTab=3\n[Settings]\nTab=5\n",
                 "Settings", "Tab", 2, 3},
        ReadCase{"no final line end", "[Settings]\r\nTab=6", "Settings", "Tab", 2, 6},
        ReadCase{"line feeds only", "[Settings]\nMainTab=1\nTab=9\n", "Settings", "Tab", 2, 9},
        ReadCase{"minus one", "[Settings]\nComments=-1\n", "Settings", "Comments", 5, -1},
        ReadCase{"a plus sign", "[Settings]\nTab=+5\n", "Settings", "Tab", 2, 5},
        ReadCase{"digits end at the first other character", "[Settings]\nTab=-12abc\n", "Settings",
                 "Tab", 2, -12},
        ReadCase{"a comment after the value", "[Settings]\nTab=4 ; four\n", "Settings", "Tab", 2,
                 4},
        ReadCase{"not a number reads as 0", "[Settings]\nTab=abc\n", "Settings", "Tab", 2, 0},
        ReadCase{"an empty value gives the default", "[Settings]\nTab=\n", "Settings", "Tab", 2, 2},
        ReadCase{"a quoted value", "[Settings]\nTab=\"5\"\n", "Settings", "Tab", 2, 5},
        ReadCase{"the key in another section only", "[Other]\nTab=9\n[Settings]\nMainTab=1\n",
                 "Settings", "Tab", 2, 2},
        ReadCase{"the key after the section ends", "[Settings]\nMainTab=1\n[Other]\nTab=9\n",
                 "Settings", "Tab", 2, 2},
        ReadCase{"no such section", "[Other]\nTab=9\n", "Settings", "Tab", 2, 2},
        ReadCase{"a commented-out key", "[Settings]\n;Tab=9\n", "Settings", "Tab", 2, 2},
        ReadCase{"a key that only begins like it", "[Settings]\nTabs=9\n", "Settings", "Tab", 2, 2},
        ReadCase{"a section that only begins like it", "[Settings2]\nTab=9\n", "Settings", "Tab", 2,
                 2},
        ReadCase{"a byte-order mark before the first section", "\xEF\xBB\xBF[Settings]\nTab=3\n",
                 "Settings", "Tab", 2, 3},
        ReadCase{"largest and smallest", "[Settings]\nA=2147483647\nB=-2147483648\n", "Settings",
                 "B", 0, -2147483647 - 1}),
    [](const ::testing::TestParamInfo<ReadCase> &Info) {
      return "Case" + std::to_string(Info.index);
    });

struct WriteCase {
  const char *Name;
  const char *Before; // nullptr: no file
  const char *Key;
  const char *Value;
  const char *After;
};

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyTheKeysLine) {
  const WriteCase &C = GetParam();
  std::string Folder = TestFolder("profile-write");
  std::string Path = Folder + "/q.ini";
  if (C.Before)
    WriteTextFile(Path, C.Before);
  EXPECT_TRUE(ProfileWriteString("Settings", C.Key, C.Value, Path.c_str())) << C.Name;
  EXPECT_EQ(ReadTextFile(Path), C.After) << C.Name;
  struct stat Status;
  EXPECT_NE(stat((Path + ".qmate-tmp").c_str(), &Status), 0) << "no temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ProfileWrite,
    ::testing::Values(
        WriteCase{"a new file", nullptr, "Tab", "4", "[Settings]\r\nTab=4\r\n"},
        WriteCase{"an empty file", "", "Tab", "4", "[Settings]\r\nTab=4\r\n"},
        WriteCase{
            "the value replaced, everything else kept",
            "; my settings\r\n\r\n[Settings]\r\nTab=2\r\nMainTab=0\r\n\r\n[Other]\r\nX=1\r\n",
            "Tab", "-1",
            "; my settings\r\n\r\n[Settings]\r\nTab=-1\r\nMainTab=0\r\n\r\n[Other]\r\nX=1\r\n"},
        WriteCase{"a new key at the end of its section, before the blank line",
                  "[Settings]\r\nTab=2\r\n\r\n[Other]\r\nX=1\r\n", "Comments", "-1",
                  "[Settings]\r\nTab=2\r\nComments=-1\r\n\r\n[Other]\r\nX=1\r\n"},
        WriteCase{"a new section after the others", "[Other]\r\nTab=9\r\n", "Tab", "4",
                  "[Other]\r\nTab=9\r\n[Settings]\r\nTab=4\r\n"},
        WriteCase{"a file without a final line end", "[Other]\r\nX=1", "Tab", "4",
                  "[Other]\r\nX=1\r\n[Settings]\r\nTab=4\r\n"},
        WriteCase{"line feeds kept on the other lines", "[Settings]\nTab=2\nMainTab=0\n", "Tab",
                  "3", "[Settings]\nTab=3\r\nMainTab=0\n"},
        WriteCase{"names in other cases keep their spelling", "[SETTINGS]\ntab = 1\n", "Tab", "7",
                  "[SETTINGS]\ntab=7\r\n"},
        WriteCase{"only the first of two keys changes", "[Settings]\nTab=1\nTab=2\n", "Tab", "5",
                  "[Settings]\nTab=5\r\nTab=2\n"},
        WriteCase{"comments and odd lines inside the section stay",
                  "[Settings]\n; note\ngarbage line\nTab=1\n", "Tab", "6",
                  "[Settings]\n; note\ngarbage line\nTab=6\r\n"},
        WriteCase{"a byte-order mark stays in front", "\xEF\xBB\xBF[Settings]\r\nTab=1\r\n", "Tab",
                  "5", "\xEF\xBB\xBF[Settings]\r\nTab=5\r\n"},
        WriteCase{"a key of another section is not touched", "[Other]\nTab=9\n[Settings]\n", "Tab",
                  "4", "[Other]\nTab=9\n[Settings]\nTab=4\r\n"}),
    [](const ::testing::TestParamInfo<WriteCase> &Info) {
      return "Case" + std::to_string(Info.index);
    });

TEST(ProfileWriteFailure, AMissingFolderFailsQuietlyAndMakesNothing) {
  std::string Folder = TestFolder("profile-missing");
  std::string Path = Folder + "/setup/q.ini";
  EXPECT_FALSE(ProfileWriteString("Settings", "Tab", "4", Path.c_str()));
  struct stat Status;
  EXPECT_NE(stat((Folder + "/setup").c_str(), &Status), 0);
  EXPECT_EQ(ProfileGetInt("Settings", "Tab", 2, Path.c_str()), 2);
}

TEST(ProfileWriteFailure, AReadOnlyFileKeepsItsContent) {
  std::string Path = TestFolder("profile-readonly") + "/q.ini";
  const std::string Before = "[Settings]\r\nTab=2\r\n; mine\r\n";
  WriteTextFile(Path, Before);
  ASSERT_EQ(chmod(Path.c_str(), 0444), 0);
  EXPECT_FALSE(ProfileWriteString("Settings", "Tab", "4", Path.c_str()));
  EXPECT_FALSE(ProfileWriteString("Settings", "MainTab", "4", Path.c_str()));
  EXPECT_EQ(ReadTextFile(Path), Before);
  EXPECT_EQ(ProfileGetInt("Settings", "Tab", 0, Path.c_str()), 2);
  chmod(Path.c_str(), 0644);
}

TEST(ProfileWriteFailure, AFolderInPlaceOfTheFileIsLeftAlone) {
  std::string Path = TestFolder("profile-folder") + "/q.ini";
  ASSERT_EQ(mkdir(Path.c_str(), 0755), 0);
  EXPECT_FALSE(ProfileWriteString("Settings", "Tab", "4", Path.c_str()));
  struct stat Status;
  ASSERT_EQ(stat(Path.c_str(), &Status), 0);
  EXPECT_TRUE(S_ISDIR(Status.st_mode));
}

TEST(ProfileWriteKeeps, ThePermissionsAndALinkToTheFile) {
  std::string Folder = TestFolder("profile-keep");
  std::string Real = Folder + "/real.ini";
  std::string Link = Folder + "/q.ini";
  WriteTextFile(Real, "[Settings]\r\nTab=1\r\n");
  ASSERT_EQ(chmod(Real.c_str(), 0640), 0);
  ASSERT_EQ(symlink(Real.c_str(), Link.c_str()), 0);
  ASSERT_TRUE(ProfileWriteString("Settings", "Tab", "3", Link.c_str()));
  struct stat Status;
  ASSERT_EQ(lstat(Link.c_str(), &Status), 0);
  EXPECT_TRUE(S_ISLNK(Status.st_mode)) << "the link is still a link";
  ASSERT_EQ(stat(Real.c_str(), &Status), 0);
  EXPECT_EQ(Status.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadTextFile(Real), "[Settings]\r\nTab=3\r\n");
}

TEST(ProfileRoundTrip, EveryWrittenValueReadsBack) {
  std::string Path = TestFolder("profile-roundtrip") + "/q.ini";
  WriteTextFile(Path, "[Other]\nKeep=1\n");
  const int Values[] = {0, -1, 2, -2147483647 - 1, 2147483647, 100, -10};
  const char *const Keys[] = {"A", "B", "C", "D", "E", "F", "G"};
  for (int I = 0; I < 7; ++I)
    ASSERT_TRUE(
        ProfileWriteString("Settings", Keys[I], std::to_string(Values[I]).c_str(), Path.c_str()));
  for (int I = 0; I < 7; ++I)
    EXPECT_EQ(ProfileGetInt("settings", Keys[I], 99, Path.c_str()), Values[I]) << Keys[I];
  EXPECT_EQ(ProfileGetInt("Other", "Keep", 0, Path.c_str()), 1);
}

} // namespace
