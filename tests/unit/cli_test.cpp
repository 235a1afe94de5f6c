// The command-line tool: argument parsing, unified diffs and the in-place write.
#include "../../cli/diff.hpp"
#include "../../cli/fileio.hpp"
#include "../../cli/guard.hpp"
#include "../../cli/options.hpp"
#include "../../src/words/words.hpp"
#include "harness.hpp"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::string> Words(const std::string &Line) {
  std::istringstream In(Line);
  std::vector<std::string> Out;
  std::string W;
  while (In >> W)
    Out.push_back(W);
  return Out;
}

struct ParseCase {
  const char *Line;
  bool Ok;
  const char *ErrorPart; // a piece of the error text when not Ok
};

TEST(CliArguments, AcceptsTheContractAndRejectsMistakesClearly) {
  const ParseCase Cases[] = {
      {"reindent a.prg", true, ""},
      {"reindent --lines 2-5 --cursor 3:4 -i a.prg b.prg", true, ""},
      {"reindent --check a.prg b.prg", true, ""},
      {"reindent a.prg b.prg", false, "several files"},
      {"reindent -i --check a.prg", false, "excludes"},
      {"reindent --lines 5-2 a.prg", false, "--lines"},
      {"reindent --lines 0-2 a.prg", false, "--lines"},
      {"reindent --lines x a.prg", false, "--lines"},
      {"reindent --cursor 0:0 a.prg", false, "--cursor"},
      {"reindent --cursor 2:-1 a.prg", false, "--cursor"},
      {"reindent --lines", false, "needs a value"},
      {"reindent", false, "needs a FILE"},
      {"reindent -i -", false, "standard input"},
      {"reindent --diff - -", false, "standard input"},
      {"reindent --menu a.prg", false, "does not take"},
      {"annotate --cursor 1:0 a.prg", false, "does not take"},
      {"comment a.prg", false, "needs --lines"},
      {"comment --lines 1-2 --check a.prg", false, "does not take"},
      {"uncomment --lines 1-2 -i a.prg", true, ""},
      {"procs --menu --cursor 4:0 a.prg", true, ""},
      {"procs a.prg b.prg src", true, ""},
      {"procs --menu a.prg b.prg", false, "--menu takes one FILE"},
      {"procs -i a.prg", false, "does not take"},
      {"spell endif aadd", true, ""},
      {"spell", false, "WORD"},
      {"settings --save", true, ""},
      {"settings x", true, ""},
      {"settings x y", false, "one FILE"},
      {"preview x", false, "takes no file"},
      {"preview --set Tab=4 --set Comments=-1", true, ""},
      {"preview --set Tabs=4", false, "unknown setting"},
      {"preview --set Tab=four", false, "whole number"},
      {"preview --set Tab=99999999999", false, "whole number"},
      {"preview --set Tab", false, "KEY=VALUE"},
      {"preview --set tab=3 --set SPLITLINETAB=-1", true, ""},
      {"preview --set Tab=-1", false, "Tab must be a whole number from 0 to 999"},
      {"preview --set Comments=-3", true, ""}, // as the settings dialog may save it
      {"preview --set Comments=-10", false, "from -9 to 999"},
      {"preview --set MainTab=1000", false, "from 0 to 999"},
      {"preview --set SplitLineTab=1e3", false, "whole number"},
      {"preview --set=GlobalTab=4", true, ""},
      {"reindent --set Style=Modern --set style=classic a.prg", true, ""},
      {"reindent --set Style=Fancy a.prg", false, "Classic or Modern"},
      {"reindent --set BlankLines=100 a.prg", false, "from 0 to 99"},
      {"reindent --set CaseIndent=3 a.prg", false, "from 0 to 2"},
      {"reindent --infer -i a.prg b.prg", true, ""},
      {"infer a.prg b.prg src", true, ""},
      {"infer", false, "needs a FILE"},
      {"annotate --infer a.prg", false, "does not take"},
      {"infer --write src", true, ""},
      {"infer --write src lib", false, "--write takes one FOLDER"},
      {"reindent --write a.prg", false, "does not take"},
      {"reindent --lines=2-3 --cursor=2:0 a.prg", true, ""},
      {"reindent --lines 5 a.prg", true, ""},
      {"reindent --lines=0 a.prg", false, "--lines"},
      {"reindent --check --diff a.prg b.prg", true, ""},
      {"reindent -i --diff a.prg", false, "excludes"},
      {"reindent --check=yes a.prg", false, "takes no value"},
      {"reindent --lines= a.prg", false, "--lines"},
      {"reindent --help", true, ""},
      {"procs -h", true, ""},
      {"configure --setup", false, "needs a value"},
      {"frobnicate", false, "unknown command"},
      {"reindent -- -odd-name.prg", true, ""},
      {"lsp --setup /s --set Tab=3", true, ""},
      {"lsp a.prg", false, "takes no file"},
      {"reindent --include inc -I /x --include=y a.prg", true, ""},
      {"reindent --include= a.prg", false, "--include needs a folder"},
      {"annotate --include inc a.prg", false, "does not take"},
      {"lsp --lines 1-2", false, "does not take"},
      {"lint --format=json src a.prg", true, ""},
      {"lint --format xml a.prg", false, "expected text or json"},
      {"reindent --format=json a.prg", false, "does not take"},
  };
  for (const ParseCase &C : Cases) {
    CliOptions Options;
    std::string Error;
    bool Ok = ParseArguments(Words(C.Line), Options, Error);
    EXPECT_EQ(Ok, C.Ok) << C.Line << " -> " << Error;
    if (!C.Ok) {
      EXPECT_NE(Error.find(C.ErrorPart), std::string::npos) << C.Line << " -> " << Error;
    }
  }
}

TEST(CliArguments, KeepsTheValuesGiven) {
  CliOptions O;
  std::string Error;
  ASSERT_TRUE(ParseArguments(Words("reindent --setup /s --set tab=3 --set GlobalTab=2 "
                                   "--assume-filename x.ch --lines 4-9 --cursor 7:3 --diff -"),
                             O, Error));
  EXPECT_EQ(O.SetupDir, "/s");
  ASSERT_EQ(O.Overrides.size(), 2u);
  EXPECT_EQ(O.Overrides[0], std::make_pair(std::string("Tab"), 3));
  EXPECT_EQ(O.AssumeFileName, "x.ch");
  EXPECT_EQ(O.FirstLine, 4);
  EXPECT_EQ(O.LastLine, 9);
  EXPECT_EQ(O.CursorLine, 7);
  EXPECT_EQ(O.CursorColumn, 3);
  EXPECT_TRUE(O.Diff);
  EXPECT_EQ(O.Files, std::vector<std::string>{"-"});
}

// Applies a unified diff to the old text, as patch would, to check the diff is faithful.
std::string ApplyDiff(const std::string &Old, const std::string &Diff) {
  std::vector<std::string> OldLines;
  std::istringstream OldIn(Old);
  for (std::string L; std::getline(OldIn, L);)
    OldLines.push_back(L);
  std::istringstream In(Diff);
  std::vector<std::string> Out;
  std::size_t Next = 0;
  std::string L;
  std::getline(In, L);
  std::getline(In, L);
  while (std::getline(In, L)) {
    if (L.compare(0, 4, "@@ -") == 0) {
      int Start = std::stoi(L.substr(4));
      std::size_t Until = Start == 0 ? 0 : static_cast<std::size_t>(Start - 1);
      if (L.find(',') != std::string::npos && L.find(',') < L.find(' ', 4) &&
          std::stoi(L.substr(L.find(',') + 1)) == 0)
        Until = static_cast<std::size_t>(Start);
      while (Next < Until)
        Out.push_back(OldLines[Next++]);
    } else if (L[0] == ' ') {
      Out.push_back(OldLines[Next++]);
    } else if (L[0] == '-') {
      ++Next;
    } else if (L[0] == '+') {
      Out.push_back(L.substr(1));
    }
  }
  while (Next < OldLines.size())
    Out.push_back(OldLines[Next++]);
  std::string Text;
  for (const std::string &O : Out)
    Text += O + "\n";
  return Text;
}

TEST(CliDiff, HunksRebuildTheNewText) {
  const struct {
    const char *Old;
    const char *New;
  } Cases[] = {
      {"a\nb\nc\n", "a\nB\nc\n"},
      {"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n", "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\nX\n"},
      {"a\n", "a\nb\nc\n"},
      {"a\nb\nc\n", "c\n"},
      {"", "new\n"},
      {"x\n\n\n\ny\n", "x\ny\n"},
  };
  for (const auto &C : Cases) {
    std::string D = UnifiedDiff(C.Old, C.New, "a/f", "b/f");
    EXPECT_EQ(D.compare(0, 16, "--- a/f\n+++ b/f\n"), 0) << D;
    EXPECT_EQ(ApplyDiff(C.Old, D), C.New) << D;
  }
  EXPECT_EQ(UnifiedDiff("same\n", "same\n", "a", "b"), "");
}

// The header lines of a diff, in byte order.
std::vector<std::string> HeaderLines(const std::string &Diff) {
  std::vector<std::string> Lines;
  std::istringstream In(Diff);
  for (std::string L; std::getline(In, L);)
    if (L.compare(0, 4, "--- ") == 0 || L.compare(0, 4, "+++ ") == 0)
      Lines.push_back(L);
  std::sort(Lines.begin(), Lines.end());
  return Lines;
}

bool HaveCommand(const char *Name) {
  return std::system(("command -v " + std::string(Name) + " >/dev/null 2>&1").c_str()) == 0;
}

// A project whose files all need re-indenting, under git; the built qmate's diff of it is
// applied by git apply and by patch -p1, after which nothing is left to re-indent. The files'
// names hold what git apply reads as a path's end or an invalid path unless it is cleaned
// and quoted; the names of the . row are those git itself writes for the same changes.
TEST(CliDiff, AFolderDiffAppliesWithGitApplyAndPatch) {
  std::string Tool = QMATE_BINARY_DIR "/qmate";
  if (access(Tool.c_str(), X_OK) != 0 || !HaveCommand("git") || !HaveCommand("patch"))
    GTEST_SKIP() << "needs the built qmate, git and patch";
  const char *Names[] = {"main.prg",        "src/sub.prg", "ta\tb.prg",
                         "\xC3\xA9.prg",    "nl\nx.prg",   "q\"uote.prg",
                         "back\\slash.prg", "my file.prg", "src/\x01.ch"};
  const struct {
    const char *Args;    // $D is the project's absolute path
    const char *ApplyIn; // "": the project
  } Cases[] = {
      {".", ""},       {"./", ""}, {"./src/. ./main.prg", ""}, {"src//sub.prg src/./", ""},
      {"\"$D\"", "/"}, // written a/<path without its leading />: applied from the root
  };
  const std::string Unformatted = "PROCEDURE Main\nIF x\ny()\nENDIF\nRETURN\n";
  std::string Dir = TestFolder("cli-diff-names");
  std::string Project = Dir + "/project";
  mkdir(Project.c_str(), 0755);
  mkdir((Project + "/src").c_str(), 0755);
  mkdir((Dir + "/setup").c_str(), 0755);
  for (const char *Name : Names)
    WriteTextFile(Project + "/" + Name, Unformatted);
  std::string InProject = "cd '" + Project + "' && ";
  std::string Git = "git -c user.name=t -c user.email=t@t ";
  ASSERT_EQ(std::system(
                (InProject + "git init -q . && " + Git + "add -A && " + Git + "commit -q -m files")
                    .c_str()),
            0);
  std::string Qmate = "D='" + Project + "' && '" + Tool + "' reindent --setup '" + Dir + "/setup' ";
  for (const auto &C : Cases) {
    std::string Args = C.Args;
    ASSERT_EQ(
        std::system(
            (InProject + Qmate + "--diff " + Args + " >'" + Dir + "/d.patch' 2>/dev/null").c_str()),
        0)
        << Args;
    std::string Diff = ReadTextFile(Dir + "/d.patch");
    EXPECT_EQ(Diff.find("/./"), std::string::npos) << Args << ":\n" << Diff;
    EXPECT_EQ(Diff.find("//"), std::string::npos) << Args << ":\n" << Diff;
    // After the diff is applied, the files it was made of need nothing more.
    std::string Check = InProject + Qmate + "--check " + Args + " >/dev/null 2>&1";
    std::string Apply = "cd '" + (*C.ApplyIn ? std::string(C.ApplyIn) : Project) + "' && ";
    EXPECT_EQ(std::system((Apply + "git apply '" + Dir + "/d.patch'").c_str()), 0) << Args << ":\n"
                                                                                   << Diff;
    EXPECT_EQ(std::system(Check.c_str()), 0) << "git apply: " << Args;
    if (Args == ".") {
      EXPECT_EQ(std::system((InProject +
                             "git -c core.quotePath=true -c diff.noprefix=false -c "
                             "diff.mnemonicPrefix=false diff >'" +
                             Dir + "/git.patch'")
                                .c_str()),
                0);
      EXPECT_EQ(HeaderLines(Diff), HeaderLines(ReadTextFile(Dir + "/git.patch")))
          << "the names git writes for the same changes";
    }
    ASSERT_EQ(std::system((InProject + "git checkout -q -- .").c_str()), 0);
    EXPECT_EQ(std::system((Apply + "patch -s -p1 <'" + Dir + "/d.patch'").c_str()), 0)
        << Args << ":\n"
        << Diff;
    EXPECT_EQ(std::system(Check.c_str()), 0) << "patch -p1: " << Args;
    ASSERT_EQ(std::system((InProject + "git checkout -q -- .").c_str()), 0);
  }
}

TEST(CliDiff, MarksAMissingFinalEndOfLine) {
  std::string D = UnifiedDiff("a\nb", "a\nc", "a/f", "b/f");
  EXPECT_NE(D.find("-b\n\\ No newline at end of file\n"), std::string::npos) << D;
  EXPECT_NE(D.find("+c\n\\ No newline at end of file\n"), std::string::npos) << D;
}

TEST(CliFiles, FailedWriteLeavesTheOriginalUntouched) {
  std::string Dir = TestFolder("cli-write");
  std::string Path = Dir + "/a.prg";
  WriteTextFile(Path, "original\n");
  std::string Error;
  CliInjectWriteFailure = true;
  EXPECT_FALSE(WriteInPlace(Path, "changed\n", Error));
  CliInjectWriteFailure = false;
  EXPECT_NE(Error.find("cannot write"), std::string::npos);
  EXPECT_EQ(ReadTextFile(Path), "original\n");
  EXPECT_EQ(std::system(("test $(ls -A '" + Dir + "' | wc -l) -eq 1").c_str()), 0)
      << "no temporary file is left behind";
  ASSERT_TRUE(WriteInPlace(Path, "changed\n", Error)) << Error;
  EXPECT_EQ(ReadTextFile(Path), "changed\n");
}

TEST(CliFiles, KeepsPermissionsAndRefusesReadOnlyFiles) {
  std::string Dir = TestFolder("cli-mode");
  std::string Path = Dir + "/a.prg";
  WriteTextFile(Path, "x\n");
  chmod(Path.c_str(), 0640);
  std::string Error;
  ASSERT_TRUE(WriteInPlace(Path, "y\n", Error)) << Error;
  struct stat St;
  ASSERT_EQ(stat(Path.c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0777, 0640u);
  chmod(Path.c_str(), 0444);
  EXPECT_FALSE(WriteInPlace(Path, "z\n", Error));
  EXPECT_EQ(ReadTextFile(Path), "y\n");
}

TEST(CliFiles, ReportsUnreadableInputs) {
  std::string Dir = TestFolder("cli-read");
  std::string Bytes, Error;
  EXPECT_FALSE(ReadInput(Dir + "/missing.prg", Bytes, Error));
  EXPECT_NE(Error.find("cannot read"), std::string::npos);
  EXPECT_FALSE(ReadInput(Dir, Bytes, Error));
  EXPECT_NE(Error.find("folder"), std::string::npos);
  // A folder where the file's folder should be: the write fails and says so.
  WriteTextFile(Dir + "/plain", "p");
  EXPECT_FALSE(WriteInPlace(Dir + "/plain/a.prg", "x", Error));
  EXPECT_EQ(ReadTextFile(Dir + "/plain"), "p");
}

// The guard: a result is the same program, or the first line of the original where it is
// not (0: the same).
struct GuardCase {
  const char *Name;
  const char *Before;
  const char *After;
  int Line;
};

// The guard reading After from the editor's lines, their leading spaces held apart as a
// re-indent leaves them.
int EditorFirstChanged(const char *Before, const char *After) {
  SimReset();
  SimLoadText(After, "guard.prg");
  for (int I = 0; I < SimLineCount(); ++I) {
    SimLine L = SimLineAt(I);
    std::size_t Spaces = std::min(L.Text.find_first_not_of(' '), L.Text.size());
    for (const std::string &Text : {L.Text.substr(Spaces), L.Text}) {
      EditorSetString S{I, Text.c_str(), L.Eol.c_str(), static_cast<int>(Text.size())};
      SimEditorControl(ECTL_SETSTRING, &S);
    }
  }
  return EditorFirstChangedLine(Before, std::strlen(Before));
}

TEST(CliGuard, AcceptsLayoutAndRespellingAndRefusesAnyOtherChange) {
  WordTables = WordTablesRecord();
  WordTables.Keywords = {"ENDIF", "IF", "RETURN"};
  WordTables.Replacements = {{"ENDI", "ENDIF"}, {"ENDCASEX", "END CASE"}, {"NOISE", ""}};
  const char *TextCommand = "#xcommand SQL INTO <v> => ;\n  #pragma __text|<v>+=%s\n";
  const GuardCase Cases[] = {
      {"re-indented", "IF x\ny := 1\nENDIF\n", "IF x\n   y := 1\nENDIF\n", 0},
      {"respelled by the tables", "if x\nendi\nendcasex noise\nretu", "IF x\nENDIF\nEND CASE\nRETU",
       0},
      {"case of words", "If Abc\n", "IF ABC\n", 0},
      {"blank lines", "a()\n\n\nb()\n", "\na()\nb()\n\n", 0},
      {"comment lines' leading blanks", "   * note\n\t// note\n  /* a\n     b */\n",
       "* note\n// note\n/* a\n b */\n", 0},
      {"blanks, lone CRs and CRs before LF", "x :=\r1  \r\n", "x := 1\r\n", 0},
      {"a text region as it was", "  TEXT\n   keep  \n  ENDTEXT\n", "TEXT\n   keep  \nENDTEXT\n",
       0},
      {"a string changed", "? 'endif'\n", "? 'ENDIF'\n", 1},
      {"a bracket string changed", "x := 1\n? [endi]\n", "x := 1\n? [ENDIF]\n", 2},
      {"a token dropped", "x := a + b\n", "x := a +\n", 1},
      {"lines joined", "x := 1 +;\n 2\n", "x := 1 +; 2\n", 1},
      {"a text region's blanks", "TEXT\n   keep\nENDTEXT\n", "TEXT\nkeep\nENDTEXT\n", 2},
      {"a blank line of a text region", "TEXT TO FILE x\n\nENDTEXT\n", "TEXT TO FILE x\nENDTEXT\n",
       2},
      {"a dump region", "#pragma BEGINDUMP\n  int x;\n#pragma ENDDUMP\n",
       "#pragma BEGINDUMP\nint x;\n#pragma ENDDUMP\n", 2},
      {"a comment's text", "x := 1 // endi\n", "x := 1 // ENDIF\n", 1},
      {"a block comment's text", "/* a\n   endi */\n", "/* a\n ENDIF */\n", 2},
      {"a block comment's inner line", "/* a\n  endi\n*/\n", "/* a\nENDI\n*/\n", 2},
      {"lines reordered", "a()\nb()\n", "b()\na()\n", 1},
      {"a word respelled away", "x := noise\n", "x :=\n", 0},
      {"a word dropped", "x := y\n", "x :=\n", 1},
      {"a hex number's letters", "x := 0xff\n", "x := 0xFF\n", 1},
      {"a word's case after a string", "? 'a' + b\n", "? 'a' + B\n", 0},
      {"a string's case after a word", "? a + 'b'\n", "? A + 'B'\n", 1},
      {"a tab in a string", "? 'a\tb', c\n", "? 'a b', c\n", 1},
      {"a text region's letters", "TEXT\nkeep\nENDTEXT\n", "TEXT\nKEEP\nENDTEXT\n", 2},
      {"a line after \";\" goes on", "x := a ;\n* b\n", "x := a ;\n   * B\n", 0},
      {"a \";\" in a string ends no line", "x := 'a;'\n* endi\n", "x := 'a;'\n  * ENDI\n", 2},
      {"a \"/*\" in a string opens no comment", "? '/*'\nendi\n", "? '/*'\n ENDI\n", 0},
      {"a continued line's bracket string", "x := ;\n[abc]\n", "x := ;\n  [ABC]\n", 2},
      {"a comment opened after one closed", "/* a\n*/ x := 1 /* b\nendi */\n",
       "/* a\n  */ x := 1 /* b\nENDI */\n", 3},
      {"code after a closed comment's line", "/* a */\n* endi\n", "/* a */\n  * ENDI\n", 2},
      {"a lone CR in a block comment", "/* a\r b\n c */\n", "/* a\r B\n c */\n", 1},
      {"a long line's case after a string", "? 'abcdefghijklmnop' + ab\n",
       "? 'abcdefghijklmnop' + AB\n", 0},
      {"a long line's hex number", "x := aaaaaaaaaaaaaaaa + 0xff\n",
       "x := aaaaaaaaaaaaaaaa + 0xFF\n", 1},
      {"a long line's string", "? 'abcdefghijklmnopqr'\n", "? 'abcdefghijklmnoPqr'\n", 1},
      {"a long line going on", "x := aaaaaaaaaaaaaaaa + ;\n* b\n",
       "x := aaaaaaaaaaaaaaaa + ;\n   * B\n", 0},
      {"a short line's byte", "a += 1\n", "a -= 1\n", 1},
      {"a short line going on", "a += ;\n* b\n", "a += ;\n * B\n", 0},
      {"a line end moved into a line", "x := 1\n2\n", "x := 1 2\n", 1},
      {"a line end made a lone CR", "x := 1\ny := 2\n", "x := 1\ry := 2\n", 1},
      {"a bracket string before a word's case", "x := [abc] + d\n", "x := [ABC] + D\n", 1},
      {"a bracket string after \"#\" in a line", "x := a # [bc] + d\n", "x := a # [BC] + D\n", 1},
      {"a comment after \"&&\"", "x := a && b\n", "x := A && B\n", 1},
      {"a closed block comment's text", "x := a /* c */ + b\n", "x := A /* C */ + B\n", 1},
      {"a \"*\" after a comment opening a line", "/* c */ * 'a' + b\n", "/* c */ * 'a' + B\n", 1},
      {"a \";\" in a comment ends no line", "x := 'a' // c ;\n* b\n", "x := 'a' // c ;\n  * B\n",
       2},
      {"a \"#\" in a line opens no directive", "x := a # 'b' ;\n[c]\n", "x := a # 'b' ;\n  [C]\n",
       2},
      {"a directive going on", "#define X 'a' ;\n[b]\n", "#define X 'a' ;\n  [B]\n", 0},
      {"a blank line ends a statement", "x := a ;\n\n* b\n", "x := a ;\n\n  * B\n", 3},
      {"a blank line in a block comment", "/* a\n\nendi */\n", "/* a\n\n ENDI */\n", 3},
      {"a line after a text region", "TEXT\na\nENDTEXT\nx := 'b'\n",
       "TEXT\na\n  endtext\nx := 'B'\n", 4},
  };
  for (const GuardCase &C : Cases) {
    EXPECT_EQ(FirstChangedLine(C.Before, std::strlen(C.Before), C.After, std::strlen(C.After)),
              C.Line)
        << C.Name;
    EXPECT_EQ(EditorFirstChanged(C.Before, C.After), C.Line) << C.Name << " (editor)";
  }
  // A text command of the file's own opens a region as TEXT does.
  std::string Before = std::string(TextCommand) + "SQL INTO q\n  select\nENDTEXT\n";
  std::string After = std::string(TextCommand) + "SQL INTO q\nselect\nENDTEXT\n";
  EXPECT_EQ(FirstChangedLine(Before.data(), Before.size(), After.data(), After.size()), 4);
  WordTables = WordTablesRecord();
}

} // namespace
