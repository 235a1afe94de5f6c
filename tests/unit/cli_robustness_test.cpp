// The built qmate tool on awkward files and failing file systems: each case gives the right
// result, or one clear error line and exit status 2, and never a changed or truncated
// original. Also the exit statuses, the untouched unchanged file, and --diff as a patch.
#include "../../fuzz/invariants.hpp"
#include "harness.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace {

struct ToolResult {
  int Status;
  std::string Out;
  std::string Err;
};

std::string ToolPath() {
  return QMATE_BINARY_DIR "/qmate";
}

bool HaveTool() {
  return access(ToolPath().c_str(), X_OK) == 0;
}

// Runs "qmate VERB --setup DIR/setup REST" in Dir, with Env before it (e.g. "X=1").
ToolResult RunTool(const std::string &Dir, const std::string &Verb, const std::string &Rest,
                   const std::string &Env = std::string(), const std::string &Input = "/dev/null") {
  std::string Command = "cd '" + Dir + "' && " + Env + " '" + ToolPath() + "' " + Verb +
                        " --setup '" + Dir + "/setup' " + Rest + " <'" + Input + "' >'" + Dir +
                        "/tool.out' 2>'" + Dir + "/tool.err'";
  int Raw = std::system(Command.c_str());
  ToolResult R;
  R.Status = WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1;
  R.Out = ReadTextFile(Dir + "/tool.out");
  R.Err = ReadTextFile(Dir + "/tool.err");
  return R;
}

std::string Folder(const std::string &Name) {
  std::string Dir = TestFolder("cli-" + Name);
  mkdir((Dir + "/setup").c_str(), 0755);
  return Dir;
}

bool OneLine(const std::string &Text) {
  return !Text.empty() && Text.back() == '\n' && Text.find('\n') == Text.size() - 1;
}

struct FileId {
  ino_t Inode;
  time_t Modified;
  off_t Size;
};

FileId IdOf(const std::string &Path) {
  struct stat St;
  if (stat(Path.c_str(), &St) != 0)
    return {0, 0, -1};
  return {St.st_ino, St.st_mtime, St.st_size};
}

// Sets the file's times one hour back, so that a rewrite would show in its mtime.
void AgeFile(const std::string &Path) {
  struct stat St;
  ASSERT_EQ(stat(Path.c_str(), &St), 0);
  struct utimbuf Times {
    St.st_atime - 3600, St.st_mtime - 3600
  };
  ASSERT_EQ(utime(Path.c_str(), &Times), 0);
}

int LeftoverTemporaries(const std::string &Dir) {
  std::string Command = "ls -a '" + Dir + "' | grep -c qmate- >/dev/null";
  return std::system(Command.c_str()) == 0 ? 1 : 0;
}

// What each awkward input must keep through the verb: re-indent keeps its non-blank lines,
// trimmed, in order; annotate changes closing lines only.
std::string CheckTextKept(const std::string &Verb, const std::string &Before,
                          const std::string &After) {
  SimReset();
  SimLoadText(Before, "A.PRG");
  std::vector<SimLine> B = Invariants::EditorSnapshot();
  SimLoadText(After, "A.PRG");
  std::vector<SimLine> A = Invariants::EditorSnapshot();
  Invariants::LineRange All{0, static_cast<int>(B.size())};
  return Verb == "reindent" ? Invariants::CheckReindent(B, A, All)
                            : Invariants::CheckAnnotate(B, A, All);
}

const char ZeroBytes[] = "IF a\0b\nx\0\0\nENDIF\0\n";

const std::string NeedsIndent = "FUNCTION Main()\nIF x\ny := 1\nENDIF\nRETURN NIL\n";

#define REQUIRE_TOOL()                                                                             \
  if (!HaveTool())                                                                                 \
  GTEST_SKIP() << "qmate is not built"

struct AwkwardCase {
  const char *Name;
  std::string Bytes;
  bool Binary = false; // shown on standard output, but never rewritten or checked
};

std::string AllBytes() {
  std::string S;
  for (int I = 0; I < 256; ++I)
    S += static_cast<char>(I);
  return S + "\nIF x\ny\nENDIF";
}

TEST(CliRobustness, AwkwardFilesKeepTheirTextAndLineEnds) {
  REQUIRE_TOOL();
  const AwkwardCase Cases[] = {
      {"empty", ""},
      {"blank-lines-only", "   \n\t\n\n  \r\n\r\n \t \n"},
      {"no-final-eol", "FUNCTION f\nIF x\ny := 1\nENDIF"},
      {"mixed-eols", "IF a\rx\nENDIF\r\ny\r\r\n\nz"},
      {"all-bytes", AllBytes(), true},
      {"zero-bytes", std::string(ZeroBytes, sizeof(ZeroBytes) - 1), true},
      {"lone-cr-lines", "\r\r\rFUNCTION f\rx\r"},
  };
  std::string Dir = Folder("awkward");
  for (const AwkwardCase &C : Cases) {
    std::string Path = Dir + "/" + C.Name + ".prg";
    WriteTextFile(Path, C.Bytes);
    for (const char *Verb : {"reindent", "annotate"}) {
      ToolResult R = RunTool(Dir, Verb, "'" + Path + "'");
      EXPECT_EQ(R.Status, 0) << C.Name << " " << Verb << ": " << R.Err;
      EXPECT_EQ(CheckTextKept(Verb, C.Bytes, R.Out), "") << C.Name << " " << Verb;
      EXPECT_EQ(ReadTextFile(Path), C.Bytes) << C.Name << ": stdout output changed the file";
    }
    // In place, then the file holds exactly what stdout showed.
    ToolResult Shown = RunTool(Dir, "reindent", "'" + Path + "'");
    ToolResult InPlace = RunTool(Dir, "reindent", "-i '" + Path + "'");
    EXPECT_EQ(InPlace.Status, C.Binary ? 2 : 0) << C.Name << ": " << InPlace.Err;
    EXPECT_EQ(ReadTextFile(Path), C.Binary ? C.Bytes : Shown.Out) << C.Name;
  }
}

// The tool's result written out and read back, then run again, gives the same bytes: the
// commands settle, and standard input gives what a file gives.
TEST(CliRobustness, SamplesSettleAfterOneRun) {
  REQUIRE_TOOL();
  std::string Dir = Folder("settle");
  // A short text indented by hand, whose style the values inferred from it once re-indented
  // tell otherwise.
  WriteTextFile(Dir + "/hand.prg",
                "\n         PROCEDURE Main\nLOCAL nChoice := 1, aMenu := { \"Customers\", ;\n"
                "\"Invoices\", \"Quit\" }\n     SET DATE BRITISH\n      SET CENTURY ON\nCLS\n"
                "do while nChoice <> 0\n@ 2, 10 SAY \"Ledger menu\" COLOR \"W+/B\"\n"
                "nChoice := AChoice( 4, 10, 8, 30, aMenu )\n     do case\n"
                "               case nChoice == 1\n      ShowCustomers()\n"
                "   case nChoice == 2\nShowInvoices( Date() - 30, ;\nDate() )");
  for (const char *Sample : {"demo.prg", "report.prg", "stock.prg", "hand.prg"}) {
    std::string Bytes = ReadTextFile(std::string(QMATE_SOURCE_DIR "/samples/") + Sample);
    if (Bytes.empty())
      Bytes = ReadTextFile(Dir + "/" + Sample);
    WriteTextFile(Dir + "/s.prg", Bytes);
    for (const char *Style : {"", "--set Style=Modern ", "--set Style=Modern --infer "})
      for (const char *Verb : {"reindent", "annotate"}) {
        std::string S = Style;
        if (S.find("--infer") != std::string::npos && std::string(Verb) != "reindent")
          continue;
        ToolResult Once = RunTool(Dir, Verb, S + "s.prg");
        ToolResult FromStdin = RunTool(Dir, Verb, S + "-", "", Dir + "/s.prg");
        EXPECT_EQ(Once.Status, 0) << Sample << " " << Verb << ": " << Once.Err;
        EXPECT_EQ(FromStdin.Out, Once.Out) << Sample << " " << Verb;
        WriteTextFile(Dir + "/once.prg", Once.Out);
        ToolResult Twice = RunTool(Dir, Verb, S + "once.prg");
        EXPECT_EQ(Twice.Out, Once.Out) << Sample << " " << Verb << " " << S << "does not settle";
        ToolResult Check = RunTool(Dir, Verb, S + "--check once.prg");
        EXPECT_EQ(Check.Status, 0) << Sample << " " << Verb << ": " << Check.Out;
      }
  }
}

// A file written in a known style gives that style back, and re-indenting it with what was
// inferred changes nothing. A folder's files give one set of settings, which infer --write
// puts into the folder's .qmate.ini among the lines already there; reindent --check then
// finds nothing to change.
TEST(CliRobustness, InferGivesBackTheStyleAFileWasWrittenIn) {
  REQUIRE_TOOL();
  struct StyleRow {
    const char *Pieces; // files of samples/ joined by "|", each written in its own style
    const char *Styles; // the [Rules] and [Settings] of each piece, "|" between pieces
    const char *Want;   // lines the inference prints
  };
  const StyleRow Rows[] = {
      {"demo.prg", "Tab=3 TextFuncTab=3 CaseIndent=0", "Tab=3 TextFuncTab=3 CaseIndent=0"},
      {"demo.prg", "Tab=2 TextFuncTab=2 CaseIndent=1", "Tab=2 TextFuncTab=2 CaseIndent=1"},
      {"demo.prg", "Tab=4 TextFuncTab=0", "Tab=4 TextFuncTab=0"},
      {"demo.prg", "Tab=8 TextFuncTab=8 CaseIndent=1", "Tab=8 TextFuncTab=8 CaseIndent=1"},
      {"demo.prg", "Tab=3 TextFuncTab=4 CaseIndent=1", "Tab=3 TextFuncTab=4 CaseIndent=1"},
      {"demo.prg", "Tab=1 TextFuncTab=1", "Tab=1 TextFuncTab=1"},
      {"stock.prg", "Tab=3 TextFuncTab=3", "Tab=3 TextFuncTab=3 CaseIndent=0"},
      {"stock.prg", "Tab=4 TextFuncTab=0 CaseIndent=1", "Tab=4 TextFuncTab=0 CaseIndent=0"},
      {"stock.prg", "Tab=5 TextFuncTab=5", "Tab=5 TextFuncTab=5"},
      {"demo.prg|report.prg", "Tab=2 TextFuncTab=3|Tab=4 TextFuncTab=3", "Steps=Routine"},
      // Two hands in one file: the full search settles on fixed steps (80.5% of the lines),
      // the frugal search run beside it on each block's own (all of them).
      {"demo.prg|demo.prg", "Tab=3 TextFuncTab=0|Tab=2 TextFuncTab=4", "Steps=Block"},
      {"demo.prg", "Tab=4 TextFuncTab=4 IndentWith=Tabs TabWidth=4", "IndentWith=Tabs"},
      {"stock.prg", "Tab=3 TextFuncTab=3 IndentWith=Tabs TabWidth=4", "IndentWith=Tabs"},
      {"ifdef.prg", "Tab=3 TextFuncTab=3 Directives=Code", "Directives=Code"},
      // Bodies left of column 0 under headers kept where written keep their steps.
      {"method.prg", "Tab=3 TextFuncTab=0 FuncTab=6 RoutineBody=2 Steps=Block", "Tab=3"},
      // 2100 lines with no block before the blocks: reindent --infer samples the whole file.
      {"flat.prg|demo.prg", "Tab=5 TextFuncTab=3|Tab=5 TextFuncTab=3", "Tab=5 TextFuncTab=3"},
  };
  std::string Dir = Folder("infer");
  WriteTextFile(Dir + "/ifdef.prg", "FUNCTION Main()\nLOCAL n := 1\nIF n > 0\n#ifdef DEBUG\n"
                                    "? n\n#endif\nn++\nENDIF\nRETURN n\n");
  WriteTextFile(Dir + "/method.prg", "   METHOD Open( l ) CLASS T\nlocal n := 1\nif n > 0\n"
                                     "   if l\n      n++\n   endif\nendif\nreturn n\n");
  std::string Flat;
  for (int I = 0; I < 700; ++I)
    Flat += "FUNCTION F" + std::to_string(I) + "()\nLOCAL n := 1\nRETURN n\n";
  WriteTextFile(Dir + "/flat.prg", Flat);
  // Each piece re-indented in its style, the results one after another.
  auto Styled = [&](const std::string &Pieces, const std::string &Styles) {
    std::string Out;
    std::size_t P = 0, S = 0;
    while (P <= Pieces.size()) {
      std::size_t PEnd = std::min(Pieces.find('|', P), Pieces.size());
      std::size_t SEnd = std::min(Styles.find('|', S), Styles.size());
      std::string Name = Pieces.substr(P, PEnd - P);
      std::string Source = Name == "ifdef.prg" || Name == "method.prg" || Name == "flat.prg"
                               ? Dir + "/" + Name
                               : std::string(QMATE_SOURCE_DIR "/samples/") + Name;
      WriteTextFile(Dir + "/s.prg", ReadTextFile(Source));
      std::string Set = "--set Style=Modern";
      std::string Style = Styles.substr(S, SEnd - S);
      for (std::size_t At = 0; At < Style.size();) {
        std::size_t End = std::min(Style.find(' ', At), Style.size());
        Set += " --set " + Style.substr(At, End - At);
        At = End + 1;
      }
      Out += RunTool(Dir, "reindent", Set + " s.prg").Out;
      P = PEnd + 1;
      S = SEnd + 1;
    }
    return Out;
  };
  for (const StyleRow &R : Rows) {
    WriteTextFile(Dir + "/styled.prg", Styled(R.Pieces, R.Styles));
    ToolResult Inferred = RunTool(Dir, "infer", "styled.prg");
    EXPECT_EQ(Inferred.Status, 0) << Inferred.Err;
    std::string Want = R.Want;
    for (std::size_t At = 0; At < Want.size();) {
      std::size_t End = std::min(Want.find(' ', At), Want.size());
      EXPECT_NE(Inferred.Out.find("\n" + Want.substr(At, End - At) + "\n"), std::string::npos)
          << R.Pieces << " " << R.Styles << "\n"
          << Inferred.Out;
      At = End + 1;
    }
    EXPECT_EQ(RunTool(Dir, "reindent", "--infer --check styled.prg").Status, 0)
        << R.Pieces << " " << R.Styles << "\n"
        << Inferred.Out;
  }
  std::string Project = Dir + "/project";
  mkdir(Project.c_str(), 0755);
  WriteTextFile(Project + "/a.prg", Styled("demo.prg", "Tab=3 TextFuncTab=3 CaseIndent=1"));
  WriteTextFile(Project + "/b.prg", Styled("stock.prg", "Tab=3 TextFuncTab=3"));
  WriteTextFile(Project + "/.qmate.ini", "; ours\n[Settings]\nTab=9\n\n[Other]\nKey=1\n");
  ToolResult Written = RunTool(Dir, "infer", "--write project");
  EXPECT_EQ(Written.Status, 0) << Written.Err;
  EXPECT_NE(Written.Out.find("\nCaseIndent=1\n"), std::string::npos) << Written.Out;
  std::string Ini = ReadTextFile(Project + "/.qmate.ini");
  EXPECT_EQ(Ini.rfind("; ours\n[Settings]\nTab=3\nTextFuncTab=3\n", 0), 0u) << Ini;
  EXPECT_NE(Ini.find("\n[Other]\nKey=1\n\n[Rules]\nStyle=Modern\n"), std::string::npos) << Ini;
  EXPECT_EQ(RunTool(Dir, "reindent", "--check project").Status, 0) << Ini;
  EXPECT_EQ(RunTool(Dir, "infer", "--write project/a.prg").Status, 2);
  // The search replays what its first run read; the text it then writes is the one a plain run
  // with the settings inferred writes: regions kept, the end-of-file mark kept, and blank lines
  // squeezed where ProcLine( is named only in a string.
  std::string Replayed = Dir + "/replayed";
  mkdir(Replayed.c_str(), 0755);
  WriteTextFile(Replayed + "/r.prg",
                "FUNCTION Main()\n   LOCAL n := 1\n   ? \"ProcLine( n )\"\n\n\n\n"
                "   TEXT\n  as written\n   ENDTEXT\n   IF n > 0\n      ? n\n"
                "   ENDIF\n   RETURN n\n#pragma BEGINDUMP\n  int x;\n"
                "#pragma ENDDUMP\n\x1A");
  ASSERT_EQ(RunTool(Dir, "infer", "--write replayed").Status, 0);
  ToolResult Plain = RunTool(Dir, "reindent", "replayed/r.prg");
  EXPECT_EQ(RunTool(Dir, "reindent", "--infer replayed/r.prg").Out, Plain.Out);
  EXPECT_NE(Plain.Out.find("\n\n   TEXT\n  as written\n"), std::string::npos) << Plain.Out;
  EXPECT_EQ(Plain.Out.find("\n\n\n\n"), std::string::npos) << Plain.Out;
}

// Lines end at "\n", "\r\n", "\r\r\n" or a lone "\r", as the editor reads them, so the line
// numbers of --lines and procs count as the editor does.
TEST(CliRobustness, EachLineKeepsItsOwnEndOfLine) {
  REQUIRE_TOOL();
  struct Case {
    const char *Verb;
    const char *Args;
    std::string Bytes;
    std::string Out;
  } Cases[] = {
      {"reindent", "", "IF a\r\r\nx\nENDIF\r\ny", "IF a\r\r\n  x\nENDIF\r\ny"},
      {"reindent", "--lines 3-5", "a\r\r\nb\r\r\nIF x\r\r\ny\r\r\nENDIF\r\r\n",
       "a\r\r\nb\r\r\nIF x\r\r\n  y\r\r\nENDIF\r\r\n"},
      {"reindent", "--lines 3-4", "a\rb\nIF x\ny\n", "a\rb\nIF x\n  y\n"},
      {"procs", "", "x\r\r\ny\rz\nPROCEDURE Main\r\r\n", "m.prg:4:PROCEDURE Main\n"},
      {"annotate", "", "IF a\r\nENDIF\rx := 1\n", "IF a\r\nENDIF\rx := 1\n"},
      {"comment", "--lines 2-2", "a\r\r\nb\r\r\nc", "a\r\r\n//b\r\r\nc"},
      {"annotate", "", "/* h */\r\r\nIF a\r\r\nENDIF\r\r\n",
       "/* h */\r\r\nIF a\r\r\nENDIF   // a\r\r\n"},
  };
  std::string Dir = Folder("eols");
  for (const Case &C : Cases) {
    WriteTextFile(Dir + "/m.prg", C.Bytes);
    ToolResult R = RunTool(Dir, C.Verb, std::string(C.Args) + " m.prg");
    EXPECT_EQ(R.Status, 0) << C.Verb << " " << C.Args << ": " << R.Err;
    EXPECT_EQ(R.Out, C.Out) << C.Verb << " " << C.Args;
  }
}

TEST(CliRobustness, AHundredMegabyteFileIsReadWholeAndLeftUntouchedWhenUnchanged) {
  REQUIRE_TOOL();
  std::string Dir = Folder("big");
  // A program already in the tool's layout, repeated: re-indenting it changes nothing.
  std::string Unit = "\nFUNCTION F()\n  LOCAL x := 1\n  IF x > 0\n    ? \"" + std::string(40, 'a') +
                     "\"\n  ENDIF\n  RETURN x\n";
  std::string Body;
  Body.reserve(100u << 20);
  while (Body.size() < (100u << 20))
    Body += Unit;
  std::string Path = Dir + "/big.prg";
  WriteTextFile(Path, Body);
  AgeFile(Path);
  FileId Before = IdOf(Path);
  ToolResult R = RunTool(Dir, "reindent", "-i big.prg");
  EXPECT_EQ(R.Status, 0) << R.Err;
  FileId After = IdOf(Path);
  EXPECT_EQ(After.Inode, Before.Inode);
  EXPECT_EQ(After.Modified, Before.Modified);
  EXPECT_EQ(After.Size, Before.Size);
  // Now with a change at the very end: the whole file comes back, those lines moved.
  WriteTextFile(Path, Body + "IF y\nz\nENDIF\n");
  R = RunTool(Dir, "reindent", "-i big.prg");
  EXPECT_EQ(R.Status, 0) << R.Err;
  std::string Result = ReadTextFile(Path);
  ASSERT_EQ(Result.size(), Body.size() + 21);
  EXPECT_TRUE(Result == Body + "  IF y\n    z\n  ENDIF\n");
  std::remove(Path.c_str());
}

TEST(CliRobustness, ATenMegabyteLineSurvives) {
  REQUIRE_TOOL();
  std::string Dir = Folder("longline");
  std::string Line = "x := \"" + std::string(10u << 20, 'q') + "\"";
  WriteTextFile(Dir + "/long.prg", "   " + Line + "\nIF a\nb\nENDIF\n");
  ToolResult R = RunTool(Dir, "reindent", "long.prg");
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(R.Out, Line + "\nIF a\n  b\nENDIF\n");
  R = RunTool(Dir, "annotate", "long.prg");
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_TRUE(R.Out == "   " + Line + "\nIF a\nb\nENDIF   // a\n");
}

struct FailureCase {
  const char *Name;
  std::string Verb;
  std::string Rest;
  std::string Env;
};

// Put before the tool's path: its standard output goes to a device that is always full.
const char *const FullOutput = "sh -c 'exec \"$0\" \"$@\" >/dev/full'";

TEST(CliRobustness, FilesThatCannotBeReadOrWrittenGiveOneLineAndStatus2) {
  REQUIRE_TOOL();
  std::string Dir = Folder("failures");
  WriteTextFile(Dir + "/a.prg", NeedsIndent);
  WriteTextFile(Dir + "/ro.prg", NeedsIndent);
  chmod((Dir + "/ro.prg").c_str(), 0444);
  mkdir((Dir + "/folder.prg").c_str(), 0755);
  mkdir((Dir + "/conf").c_str(), 0755);
  WriteTextFile(Dir + "/conf/qmate.ini", "[Settings]\r\nTab=4\r\n");
  chmod((Dir + "/conf/qmate.ini").c_str(), 0444);
  mkfifo((Dir + "/fifo.prg").c_str(), 0644);
  WriteTextFile(Dir + "/notes.txt", NeedsIndent);
  WriteTextFile(Dir + "/edited.prg", NeedsIndent);
  WriteTextFile(Dir + "/wide.prg", std::string("\xFF\xFEI\0F\0\n\0", 8));
  WriteTextFile(Dir + "/binary.prg", std::string("IF x\0\n", 6) + NeedsIndent);
  const FailureCase Cases[] = {
      {"missing file", "reindent", "nothere.prg", ""},
      {"missing file in place", "reindent", "-i nothere.prg", ""},
      {"missing file for procs", "procs", "nothere.prg", ""},
      {"folder as file", "reindent", "folder.prg", ""},
      {"folder as file in place", "annotate", "-i folder.prg", ""},
      {"read-only file in place", "reindent", "-i ro.prg", ""},
      {"failing write", "reindent", "-i a.prg", "QMATE_TEST_FAIL_WRITE=1"},
      {"failing write of comment", "comment", "--lines 1-2 -i a.prg", "QMATE_TEST_FAIL_WRITE=1"},
      {"saving to a read-only settings file", "settings", "--save --set Tab=3 --setup conf", ""},
      {"a folder holding no program", "reindent", "--check setup", ""},
      {"a FIFO in place is refused unread", "reindent", "-i fifo.prg", ""},
      {"a device in place", "reindent", "-i --force-extension /dev/zero", ""},
      {"a device that is no terminal", "reindent", "/dev/zero", ""},
      {"not a Clipper file in place", "reindent", "-i notes.txt", ""},
      {"not a Clipper file checked", "annotate", "--check notes.txt", ""},
      {"a UTF-16 file shown", "reindent", "wide.prg", ""},
      {"a UTF-16 file in place, whatever its name", "reindent", "-i --force-extension wide.prg",
       ""},
      {"a binary file checked", "reindent", "--diff binary.prg", ""},
      {"output that cannot be written", "procs", "a.prg", FullOutput},
      {"help that cannot be written", "--help", "", FullOutput},
      {"settings that cannot be written", "settings", "", FullOutput},
      {"an edit made while rewriting", "reindent", "-i edited.prg",
       "QMATE_TEST_APPEND_BEFORE_REPLACE=1"},
  };
  for (const FailureCase &C : Cases) {
    ToolResult R = RunTool(Dir, C.Verb, C.Rest, C.Env);
    EXPECT_EQ(R.Status, 2) << C.Name;
    EXPECT_TRUE(OneLine(R.Err)) << C.Name << ": [" << R.Err << "]";
    EXPECT_EQ(ReadTextFile(Dir + "/a.prg"), NeedsIndent) << C.Name;
    EXPECT_EQ(ReadTextFile(Dir + "/ro.prg"), NeedsIndent) << C.Name;
    EXPECT_EQ(LeftoverTemporaries(Dir), 0) << C.Name << ": a temporary file was left";
  }
  // The edit made while the file was being rewritten is kept, and nothing else changed.
  EXPECT_EQ(ReadTextFile(Dir + "/edited.prg"), NeedsIndent + "APPENDED\n");
  EXPECT_EQ(ReadTextFile(Dir + "/notes.txt"), NeedsIndent);
  EXPECT_EQ(ReadTextFile(Dir + "/binary.prg"), std::string("IF x\0\n", 6) + NeedsIndent);
  // The settings file is named as the user named its folder, not by the way the plug-in
  // was led to it.
  ToolResult Save = RunTool(Dir, "settings", "--save --set Tab=3 --setup conf");
  EXPECT_EQ(Save.Err, "qmate: cannot write the settings file conf/qmate.ini\n");
  EXPECT_EQ(ReadTextFile(Dir + "/conf/qmate.ini"), "[Settings]\r\nTab=4\r\n");
}

TEST(CliRobustness, OneUnreadableFileAmongSeveralStillRewritesTheOthers) {
  REQUIRE_TOOL();
  std::string Dir = Folder("several");
  WriteTextFile(Dir + "/a.prg", NeedsIndent);
  WriteTextFile(Dir + "/b.prg", NeedsIndent);
  ToolResult R = RunTool(Dir, "reindent", "-i a.prg nothere.prg b.prg");
  EXPECT_EQ(R.Status, 2);
  EXPECT_EQ(R.Err, "qmate: cannot read nothere.prg: No such file or directory\n"
                   "2 files reformatted, 0 unchanged, 1 failed\n");
  EXPECT_NE(ReadTextFile(Dir + "/a.prg"), NeedsIndent);
  EXPECT_EQ(ReadTextFile(Dir + "/b.prg"), ReadTextFile(Dir + "/a.prg"));
  // Each file counts once, however often it is named; a skipped file is counted as such.
  WriteTextFile(Dir + "/a.prg", NeedsIndent);
  WriteTextFile(Dir + "/notes.txt", NeedsIndent);
  R = RunTool(Dir, "reindent", "-i a.prg ./a.prg a.prg notes.txt");
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Err, "qmate: skipped notes.txt: not a .prg or .ch file (--force-extension works "
                   "on it anyway)\n1 file reformatted, 0 unchanged, 1 skipped\n");
  // A folder too deep for the system's paths is named and counted as failed, so a check
  // does not pass on files it never read.
  std::system(("rm -rf '" + Dir + "/deep'").c_str());
  pid_t Child = fork();
  if (Child == 0) {
    // Made a folder at a time from inside, as no path to the bottom can be named.
    bool Ok = mkdir((Dir + "/deep").c_str(), 0755) == 0 && chdir((Dir + "/deep").c_str()) == 0;
    for (int I = 0; Ok && I < 24; ++I)
      Ok = mkdir(std::string(200, 'd').c_str(), 0755) == 0 &&
           chdir(std::string(200, 'd').c_str()) == 0;
    if (Ok)
      WriteTextFile("a.prg", "x\n");
    _exit(Ok ? 0 : 1);
  }
  int ChildStatus = 0;
  waitpid(Child, &ChildStatus, 0);
  ASSERT_EQ(ChildStatus, 0);
  R = RunTool(Dir, "reindent", "--check deep b.prg");
  EXPECT_EQ(R.Status, 2);
  EXPECT_NE(R.Err.find("File name too long"), std::string::npos) << R.Err;
  EXPECT_NE(R.Err.find(", 1 failed\n"), std::string::npos) << R.Err;
  std::system(("rm -rf '" + Dir + "/deep'").c_str());
}

// A real full disk: a small tmpfs that has room for the file but not for its rewrite.
TEST(CliRobustness, AFullDiskLeavesTheOriginalWhole) {
  REQUIRE_TOOL();
  std::string Dir = Folder("fulldisk");
  std::string Mount = Dir + "/disk";
  mkdir(Mount.c_str(), 0755);
  std::string MountCommand = "mount -t tmpfs -o size=64k tmpfs '" + Mount + "' 2>/dev/null";
  if (std::system(MountCommand.c_str()) != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here";
  mkdir((Mount + "/setup").c_str(), 0755);
  std::string Text;
  while (Text.size() < 36000)
    Text += NeedsIndent;
  WriteTextFile(Mount + "/a.prg", Text);
  ToolResult R = RunTool(Mount, "reindent", "-i a.prg");
  std::string After = ReadTextFile(Mount + "/a.prg");
  int Leftover = LeftoverTemporaries(Mount);
  std::system(("umount '" + Mount + "'").c_str());
  EXPECT_EQ(R.Status, 2);
  EXPECT_TRUE(OneLine(R.Err)) << R.Err;
  EXPECT_EQ(After, Text);
  EXPECT_EQ(Leftover, 0);
}

struct StatusCase {
  const char *Name;
  std::string Verb;
  std::string Rest;
  int Status;
  const char *OutHas; // a text stdout must hold, or null
  const char *Env = "";
};

TEST(CliRobustness, ExitStatuses) {
  REQUIRE_TOOL();
  std::string Dir = Folder("status");
  WriteTextFile(Dir + "/messy.prg", NeedsIndent);
  WriteTextFile(Dir + "/tidy.prg", "IF x\n  y\nENDIF\n");
  WriteTextFile(Dir + "/broken.prg", "FOR i := 1 TO 3\n  ENDDO\n");
  const StatusCase Cases[] = {
      {"lint finds nothing", "lint", "tidy.prg", 0, nullptr},
      {"lint finds a problem", "lint", "tidy.prg broken.prg", 1,
       "broken.prg:2:3: warning: ENDDO closes FOR opened at line 1\n"},
      {"lint as JSON", "lint", "--format=json broken.prg", 1,
       "\"column\": 3,\n    \"file\": \"broken.prg\",\n    \"line\": 2,\n    \"message\": \"ENDDO "
       "closes FOR opened at line 1\",\n    \"severity\": \"warning\""},
      {"lint of a missing file", "lint", "broken.prg missing.prg", 2, "broken.prg:2:3"},
      {"check finds changes", "reindent", "--check tidy.prg messy.prg", 1, "messy.prg"},
      {"check finds none", "reindent", "--check tidy.prg", 0, nullptr},
      {"annotate check", "annotate", "--check tidy.prg", 1, "tidy.prg"},
      {"plain run", "reindent", "messy.prg", 0, "  IF x"},
      {"unknown verb", "frobnicate", "messy.prg", 2, nullptr},
      {"no file", "reindent", "", 2, nullptr},
      {"bad lines", "comment", "--lines 3-1 messy.prg", 2, nullptr},
      {"comment needs lines", "comment", "messy.prg", 2, nullptr},
      {"two modes", "reindent", "-i --check messy.prg", 2, nullptr},
      {"unknown setting", "reindent", "--set Foo=1 messy.prg", 2, nullptr},
      {"setting not a number", "reindent", "--set Tab=x messy.prg", 2, nullptr},
      {"lines past the end", "annotate", "--lines 90-99 messy.prg", 2, nullptr},
      {"help of a verb", "reindent", "--help", 0, "USAGE: qmate reindent [options] FILE..."},
      {"help names every setting", "procs", "-h", 0, "SplitLineTab=-1"},
      {"the whole help", "--help", "", 0, "  configure   "},
      {"help before the verb", "help", "", 0, "EXIT STATUS:"},
      {"version", "--version", "", 0, "qmate "},
      {"a result that is not the same program", "reindent", "-i messy.prg", 3, nullptr,
       "QMATE_TEST_BREAK_TOKEN=1"},
      {"the same unchecked", "reindent", "--no-verify messy.prg", 0, "  IF x",
       "QMATE_TEST_BREAK_TOKEN=1"},
      {"no verb", "", "", 2, nullptr},
  };
  for (const StatusCase &C : Cases) {
    ToolResult R = RunTool(Dir, C.Verb, C.Rest, C.Env);
    EXPECT_EQ(R.Status, C.Status) << C.Name << ": " << R.Err;
    if (C.OutHas) {
      EXPECT_NE(R.Out.find(C.OutHas), std::string::npos) << C.Name << ": " << R.Out;
    }
    if (C.Status >= 2) {
      EXPECT_FALSE(R.Err.empty()) << C.Name;
    }
  }
  EXPECT_EQ(ReadTextFile(Dir + "/messy.prg"), NeedsIndent);
}

TEST(CliRobustness, InPlaceLeavesAnUnchangedFileUntouched) {
  REQUIRE_TOOL();
  std::string Dir = Folder("untouched");
  // Already indented, and its closing line already carries a comment.
  WriteTextFile(Dir + "/tidy.prg", "IF x\n  y\nENDIF   // x\n");
  AgeFile(Dir + "/tidy.prg");
  FileId Before = IdOf(Dir + "/tidy.prg");
  for (const char *Verb : {"reindent", "annotate"}) {
    ToolResult R = RunTool(Dir, Verb, "-i tidy.prg");
    EXPECT_EQ(R.Status, 0) << R.Err;
    FileId After = IdOf(Dir + "/tidy.prg");
    EXPECT_EQ(After.Inode, Before.Inode) << Verb;
    EXPECT_EQ(After.Modified, Before.Modified) << Verb;
  }
}

TEST(CliRobustness, InPlaceKeepsTheFilesModeOwnerAndLinks) {
  REQUIRE_TOOL();
  std::string Dir = Folder("link");
  std::string Target = Dir + "/real.prg";
  WriteTextFile(Target, NeedsIndent);
  chmod(Target.c_str(), 0640);
  ASSERT_EQ(symlink(Target.c_str(), (Dir + "/link.prg").c_str()), 0);
  ToolResult Shown = RunTool(Dir, "reindent", "real.prg");
  ToolResult R = RunTool(Dir, "reindent", "-i link.prg");
  EXPECT_EQ(R.Status, 0) << R.Err;
  struct stat St;
  ASSERT_EQ(lstat((Dir + "/link.prg").c_str(), &St), 0);
  EXPECT_TRUE(S_ISLNK(St.st_mode)) << "the link was replaced by a file";
  ASSERT_EQ(stat(Target.c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadTextFile(Target), Shown.Out);
  // A hard link sees the new text: the file is written over in its own inode.
  WriteTextFile(Target, NeedsIndent);
  ASSERT_EQ(link(Target.c_str(), (Dir + "/hard.prg").c_str()), 0);
  R = RunTool(Dir, "reindent", "-i real.prg");
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(ReadTextFile(Dir + "/hard.prg"), Shown.Out);
  EXPECT_EQ(IdOf(Dir + "/hard.prg").Inode, IdOf(Target).Inode);
  // The owner and group stay (as root, on a file of another user).
  if (geteuid() == 0) {
    WriteTextFile(Dir + "/owned.prg", NeedsIndent);
    ASSERT_EQ(chown((Dir + "/owned.prg").c_str(), 65534, 65534), 0);
    R = RunTool(Dir, "reindent", "-i owned.prg");
    ASSERT_EQ(stat((Dir + "/owned.prg").c_str(), &St), 0);
    EXPECT_EQ(St.st_uid, 65534u);
    EXPECT_EQ(St.st_gid, 65534u);
    EXPECT_EQ(ReadTextFile(Dir + "/owned.prg"), Shown.Out);
  }
  // A name as long as the system allows still has room for its temporary file.
  std::string Long = std::string(251, 'n') + ".prg";
  WriteTextFile(Dir + "/" + Long, NeedsIndent);
  R = RunTool(Dir, "reindent", "-i " + Long);
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(ReadTextFile(Dir + "/" + Long), Shown.Out);
  // A signal while the new text is written removes the temporary file.
  WriteTextFile(Dir + "/signalled.prg", NeedsIndent);
  R = RunTool(Dir, "reindent", "-i signalled.prg", "QMATE_TEST_SIGNAL_DURING_WRITE=1");
  EXPECT_NE(R.Status, 0);
  EXPECT_EQ(ReadTextFile(Dir + "/signalled.prg"), NeedsIndent);
  EXPECT_EQ(LeftoverTemporaries(Dir), 0);
}

TEST(CliRobustness, DiffAppliesWithPatchToGiveTheResult) {
  REQUIRE_TOOL();
  if (std::system("command -v patch >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "patch is not installed";
  std::string Dir = Folder("diff");
  struct DiffCase {
    const char *Verb;
    const char *Rest;
    std::string Bytes;
  } Cases[] = {
      {"reindent", "", NeedsIndent + "\n\n\nPROCEDURE P\nx\n"},
      {"reindent", "", "IF a\r\nb\r\nENDIF"},
      {"annotate", "", "IF x > 0\nFOR i := 1 TO 3\nNEXT\nENDIF\n"},
      {"comment", "--lines 2-3", NeedsIndent},
      {"uncomment", "--lines 1-9", "//a\n  // b\nc // d\n"},
      {"reindent", "", "x\n"},
  };
  int N = 0;
  for (const DiffCase &C : Cases) {
    std::string Name = "f" + std::to_string(++N) + ".prg";
    WriteTextFile(Dir + "/" + Name, C.Bytes);
    ToolResult Plain = RunTool(Dir, C.Verb, std::string(C.Rest) + " " + Name);
    ToolResult Diff = RunTool(Dir, C.Verb, std::string(C.Rest) + " --diff " + Name);
    ASSERT_EQ(Diff.Status, 0) << Diff.Err;
    WriteTextFile(Dir + "/patch.diff", Diff.Out);
    std::string Copy = Dir + "/copy.prg";
    WriteTextFile(Copy, C.Bytes);
    std::string Command = "cd '" + Dir + "' && patch -s --binary copy.prg patch.diff >/dev/null";
    if (Diff.Out.empty()) {
      EXPECT_EQ(Plain.Out, C.Bytes) << "an empty diff for a change, case " << N;
      continue;
    }
    ASSERT_EQ(std::system(Command.c_str()), 0) << "patch refused the diff of case " << N << ":\n"
                                               << Diff.Out;
    EXPECT_EQ(ReadTextFile(Copy), Plain.Out) << "case " << N;
  }
}

} // namespace

namespace {

// One entry of a tree laid out for a test: a file (with text), a folder, or a link to Target.
struct TreeEntry {
  const char *Path;
  char Kind; // 'f' file, 'd' folder, 'l' link
  const char *Text;
};

void LayOut(const std::string &Dir, const std::vector<TreeEntry> &Entries) {
  for (const TreeEntry &E : Entries) {
    std::string Path = Dir + "/" + E.Path;
    if (E.Kind == 'd')
      mkdir(Path.c_str(), 0755);
    else if (E.Kind == 'f')
      WriteTextFile(Path, E.Text);
    else
      EXPECT_EQ(symlink(E.Text, Path.c_str()), 0) << E.Path;
  }
}

TEST(CliRobustness, AFolderIsWalkedForProgramsAndHeadersInAStableOrder) {
  REQUIRE_TOOL();
  std::string Dir = Folder("walk");
  LayOut(Dir, {{"tree", 'd', ""},
               {"tree/b.prg", 'f', "IF x\ny\nENDIF\n"},
               {"tree/A.PRG", 'f', "IF x\ny\nENDIF\n"},
               {"tree/c.Ch", 'f', "IF x\ny\nENDIF\n"},
               {"tree/tidy.prg", 'f', "IF x\n  y\nENDIF\n"},
               {"tree/notes.txt", 'f', "IF x\ny\nENDIF\n"},
               {"tree/prg", 'f', "IF x\ny\nENDIF\n"},
               {"tree/sub", 'd', ""},
               {"tree/sub/d.prg", 'f', "IF x\ny\nENDIF\n"},
               {"tree/.hidden", 'd', ""},
               {"tree/.hidden/e.prg", 'f', "IF x\ny\nENDIF\n"},
               {"tree/.f.prg", 'f', "IF x\ny\nENDIF\n"},
               {"outside.prg", 'f', "IF x\ny\nENDIF\n"},
               {"tree/link.prg", 'l', "../outside.prg"},
               {"tree/loop", 'l', "."},
               {"tree/sublink", 'l', "sub"}});
  const StatusCase Cases[] = {
      {"check lists the files in order", "reindent", "--check tree", 1,
       "would change: tree/.f.prg\nwould change: tree/A.PRG\nwould change: tree/b.prg\n"
       "would change: tree/c.Ch\nwould change: tree/sub/d.prg\n"},
      {"the files the walk skips are unchanged", "reindent", "--check tree/tidy.prg tree/sub", 1,
       "would change: tree/sub/d.prg\n"},
      {"a trailing slash", "annotate", "--check tree/sub/", 1, "tree/sub/d.prg"},
      {"diffs come in the files' order", "reindent", "--diff tree/sub tree/c.Ch tree/A.PRG", 0,
       "+++ b/tree/sub/d.prg\n@@ -1,3 +1,3 @@\n IF x\n-y\n+  y\n ENDIF\n--- a/tree/c.Ch\n"
       "+++ b/tree/c.Ch\n@@ -1,3 +1,3 @@\n IF x\n-y\n+  y\n ENDIF\n--- a/tree/A.PRG\n"},
      {"procs over a folder", "procs", "tree", 0, nullptr},
      {"a folder needs a mode", "reindent", "tree", 2, nullptr},
      {"a path with . and .. parts", "reindent", "--check tree/.hidden/..//sub/..", 1, nullptr},
  };
  for (const StatusCase &C : Cases) {
    ToolResult R = RunTool(Dir, C.Verb, C.Rest, C.Env);
    EXPECT_EQ(R.Status, C.Status) << C.Name << ": " << R.Err;
    if (C.OutHas) {
      EXPECT_NE(R.Out.find(C.OutHas), std::string::npos) << C.Name << ": " << R.Out;
    }
  }
  // In place: every file found is rewritten, the summary counts them, nothing else moved.
  ToolResult R = RunTool(Dir, "reindent", "-i tree");
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(R.Err, "5 files reformatted, 1 unchanged\n");
  for (const char *Done : {"tree/A.PRG", "tree/b.prg", "tree/c.Ch", "tree/sub/d.prg"})
    EXPECT_EQ(ReadTextFile(Dir + "/" + Done), "IF x\n  y\nENDIF\n") << Done;
  for (const char *Kept : {"tree/notes.txt", "tree/prg", "tree/.hidden/e.prg", "outside.prg"})
    EXPECT_EQ(ReadTextFile(Dir + "/" + Kept), "IF x\ny\nENDIF\n") << Kept;
  R = RunTool(Dir, "reindent", "--check tree");
  EXPECT_EQ(R.Status, 0) << R.Out;
  EXPECT_EQ(R.Err, "0 files would be reformatted, 6 unchanged\n");
  R = RunTool(Dir, "reindent", "-i tree/.hidden/nothing-here-but-e-prg/..");
  EXPECT_EQ(R.Status, 2) << "a path through a missing folder";
  mkdir((Dir + "/empty").c_str(), 0755);
  R = RunTool(Dir, "reindent", "--check empty");
  EXPECT_EQ(R.Status, 2);
  EXPECT_EQ(R.Err, "qmate: no .prg or .ch file under empty\n");
}

// The settings in effect for a file, as `qmate settings FILE` prints them.
struct LayerCase {
  const char *Name;
  const char *Rest;     // after "settings"
  const char *Expected; // lines that stdout must hold, in order
};

TEST(CliRobustness, ProjectSettingsAreFoundUpwardsAndOverriddenInOrder) {
  REQUIRE_TOOL();
  std::string Dir = Folder("layers");
  LayOut(Dir, {{"setup/qmate.ini", 'f', "[Settings]\r\nTab=4\r\nMainTab=1\r\n"},
               {"repo", 'd', ""},
               {"repo/.git", 'd', ""},
               {"repo/.qmate.ini", 'f', "[settings]\nTAB=3\nComments=0\n"},
               {"repo/app", 'd', ""},
               {"repo/app/a.prg", 'f', "x\n"},
               {"repo/app/lib", 'd', ""},
               {"repo/app/lib/.qmate.ini", 'f', "[Settings]\nTab=5\n"},
               {"repo/app/lib/b.prg", 'f', "x\n"},
               {"repo/app/lib/deep", 'd', ""},
               {"repo/app/lib/deep/c.prg", 'f', "x\n"},
               {".qmate.ini", 'f', "[Settings]\nTab=9\n"},
               {"repo/nested", 'd', ""},
               {"repo/nested/.git", 'f', "gitdir: elsewhere\n"},
               {"repo/nested/d.prg", 'f', "x\n"},
               {"plain", 'd', ""},
               {"plain/e.prg", 'f', "x\n"}});
  // The test folder's own parents must not take part: stop the search above "plain" here.
  mkdir((Dir + "/.git").c_str(), 0755);
  const LayerCase Cases[] = {
      {"the setup folder alone", "", "Tab=9\n"},
      {"the repository's file on top of the setup folder's", "repo/app/a.prg",
       "MainTab=1\nFuncTab=0\nTextFuncTab=2\nTab=3\nComments=0\n"},
      {"the nearer file wins over the repository's", "repo/app/lib/b.prg", "Tab=5\nComments=-1\n"},
      {"found from a deeper folder", "repo/app/lib/deep/c.prg", "Tab=5\n"},
      {"a folder's own", "repo/app/lib", "Tab=5\n"},
      {"--set wins over both", "--set tab=7 repo/app/lib/b.prg", "Tab=7\n"},
      {"the search stops at a folder holding .git", "repo/nested/d.prg", "MainTab=1\n"},
      {"up to the test folder's own", "plain/e.prg", "Tab=9\n"},
  };
  for (const LayerCase &C : Cases) {
    ToolResult R = RunTool(Dir, "settings", C.Rest);
    EXPECT_EQ(R.Status, 0) << C.Name << ": " << R.Err;
    EXPECT_NE(R.Out.find(C.Expected), std::string::npos) << C.Name << ":\n" << R.Out;
  }
  ToolResult Read = RunTool(Dir, "settings", "repo/app/lib/deep/c.prg");
  EXPECT_NE(Read.Out.find("; read " + Dir + "/setup/qmate.ini\n; read /"), std::string::npos)
      << Read.Out;
  EXPECT_NE(Read.Out.find("/repo/app/lib/.qmate.ini\n"), std::string::npos) << Read.Out;
  ToolResult Nested = RunTool(Dir, "settings", "repo/nested/d.prg");
  EXPECT_NE(Nested.Out.find("Tab=4\n"), std::string::npos) << Nested.Out;
  EXPECT_EQ(Nested.Out.find(".qmate.ini"), std::string::npos) << Nested.Out;
  // The layers reach the formatting itself: the same file re-indented with Tab=5.
  WriteTextFile(Dir + "/repo/app/lib/f.prg", "IF x\ny\nENDIF\n");
  ToolResult R = RunTool(Dir, "reindent", "repo/app/lib/f.prg");
  EXPECT_EQ(R.Out, " IF x\n      y\n ENDIF\n");
  R = RunTool(Dir, "reindent", "--assume-filename repo/app/lib/g.prg -", "",
              Dir + "/repo/app/lib/f.prg");
  EXPECT_EQ(R.Out, " IF x\n      y\n ENDIF\n") << "standard input takes the assumed name's folder";
}

// The headers of a program's own text commands are found through --include and the Include
// key of a project's settings file (its relative folders from its own folder).
TEST(CliRobustness, TextCommandsComeFromTheIncludeFolders) {
  REQUIRE_TOOL();
  std::string Dir = Folder("include");
  const char *Program =
      "#include \"own.ch\"\nFUNCTION f()\nOWN c\n      keep\nENDTEXT\n\n\n? __LINE__\n";
  LayOut(Dir, {{"setup/qmate.ini", 'f', "[Rules]\nInclude=/nowhere;none\n"},
               {"hdr", 'd', ""},
               {"hdr/own.ch", 'f', "#xcommand OWN <v> => #pragma __text|<v>+=%s\n"},
               {"a", 'd', ""},
               {"a/a.prg", 'f', Program},
               {"b", 'd', ""},
               {"b/.qmate.ini", 'f', "[Rules]\nInclude=../hdr\n"},
               {"b/b.prg", 'f', Program}});
  mkdir((Dir + "/.git").c_str(), 0755);
  const std::string Kept = "\n  OWN c\n      keep\n  ENDTEXT\n";
  EXPECT_EQ(RunTool(Dir, "reindent", "a/a.prg").Out.find(Kept), std::string::npos);
  EXPECT_NE(RunTool(Dir, "reindent", "-I hdr a/a.prg").Out.find(Kept), std::string::npos);
  ToolResult R = RunTool(Dir, "reindent", "b/b.prg");
  EXPECT_NE(R.Out.find(Kept), std::string::npos) << R.Out;
  EXPECT_EQ(R.Err, "");
  R = RunTool(Dir, "reindent", "--set Style=Modern b/b.prg");
  EXPECT_NE(R.Out.find(Kept + "\n\n  ? __LINE__\n"), std::string::npos) << R.Out;
  EXPECT_EQ(R.Err, "qmate: b/b.prg: uses __LINE__; blank lines kept so that its line numbers "
                   "stay\n");
}

struct CheckCase {
  const char *Ini;     // the setup folder's qmate.ini (or File's text)
  const char *Printed; // a line of the settings printed
  const char *Warning; // a piece of the warning line, or "" for none
  const char *File = "qmate.ini";
  // "fifo" and "zero" put a FIFO or a link to /dev/zero in File's place, "big" a file of
  // 2 MiB: none of them is waited on or read.
  const char *Kind = "text";
};

TEST(CliRobustness, SettingsFilesAreCheckedValueByValue) {
  REQUIRE_TOOL();
  const CheckCase Cases[] = {
      {"[Settings]\nTab=abc\n", "Tab=2\n",
       "qmate.ini: Tab=abc is not a whole number from 0 to 999; using 2"},
      {"[Settings]\nMainTab=99999999999999\n", "MainTab=0\n", "MainTab=99999999999999 is not"},
      {"[Settings]\nSplitLineTab=1e3\n", "SplitLineTab=-1\n",
       "SplitLineTab=1e3 is not a whole number from -9 to 999"},
      {"[Settings]\nTab=-1\n", "Tab=2\n", "Tab=-1 is not"},
      {"[Settings]\nComments=-1\nGlobalTab=+3\n", "GlobalTab=3\n", ""},
      {"[SETTINGS]\ntab = \"6\"\n", "Tab=6\n", ""},
      {"[Settings]\nTab=\n", "Tab=2\n", ""},
      {"not an ini file at all\n\x01\x02", "Tab=2\n", ""},
      {"", "Tab=2\n", "qmate.ini is not a regular file; it is not read", "qmate.ini", "fifo"},
      {"", "Tab=2\n", "qmate.ini is not a regular file; it is not read", "qmate.ini", "zero"},
      {"[Settings]\nTab=5\n", "Tab=2\n", "qmate.ini is larger than 1 MiB; it is not read",
       "qmate.ini", "big"},
      {"", "Tab=2\n", "Keywords.dat is not a regular file", "Keywords.dat", "fifo"},
      {"", "Tab=2\n", "Replace.dat is not a regular file", "Replace.dat", "zero"},
      {"IF\nENDIF\nNEXT\ndo while\n", "Tab=2\n",
       "Keywords.dat: 'ENDIF' is out of order (after 'IF'); the rows must stay sorted",
       "Keywords.dat"},
      {"; sorted, a comment and repeats are fine\nENDIF\nENDIF\nif\nNEXT\n", "Tab=2\n", "",
       "Keywords.dat"},
  };
  for (const CheckCase &C : Cases) {
    std::string Dir = Folder("checks");
    mkdir((Dir + "/.git").c_str(), 0755);
    std::string Path = Dir + "/setup/" + C.File;
    unlink(Path.c_str());
    if (std::string(C.Kind) == "fifo") {
      ASSERT_EQ(mkfifo(Path.c_str(), 0644), 0);
    } else if (std::string(C.Kind) == "zero") {
      ASSERT_EQ(symlink("/dev/zero", Path.c_str()), 0);
    } else {
      std::string Text = C.Ini;
      if (std::string(C.Kind) == "big")
        Text += "; " + std::string(2 << 20, 'x') + "\n";
      WriteTextFile(Path, Text);
    }
    ToolResult R = RunTool(Dir, "settings", "", "timeout 20");
    EXPECT_EQ(R.Status, 0) << C.Ini;
    EXPECT_NE(R.Out.find(C.Printed), std::string::npos) << C.Ini << R.Out;
    if (*C.Warning) {
      EXPECT_TRUE(OneLine(R.Err)) << C.Ini << R.Err;
      EXPECT_NE(R.Err.find(C.Warning), std::string::npos) << C.Ini << R.Err;
      EXPECT_EQ(R.Err.compare(0, 15, "qmate: warning:"), 0) << R.Err;
    } else {
      EXPECT_EQ(R.Err, "") << C.Ini;
    }
  }
}

// The tool copied alone into an empty folder on the PATH, and installed under a prefix: it
// finds its word files beside itself, under ../share/qmate/setup, or uses its own copies.
TEST(CliRobustness, ALoneOrInstalledBinaryFindsItsWordFiles) {
  REQUIRE_TOOL();
  std::string Dir = TestFolder("cli-lone");
  mkdir((Dir + "/bin").c_str(), 0755);
  mkdir((Dir + "/work").c_str(), 0755);
  ASSERT_EQ(std::system(("cp '" + ToolPath() + "' '" + Dir + "/bin/qmate'").c_str()), 0);
  std::string Run = "cd '" + Dir + "/work' && env -u QMATE_SETUP PATH='" + Dir + "/bin' ";
  auto Output = [&](const std::string &Command) {
    std::string Out = Dir + "/out";
    int Raw = std::system((Command + " >'" + Out + "' 2>&1").c_str());
    return std::to_string(WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1) + ":" + ReadTextFile(Out);
  };
  EXPECT_EQ(Output(Run + "qmate spell endif qout"), "0:ENDIF\nQOut\n");
  EXPECT_EQ(Output(Run + "qmate settings --save"),
            "2:qmate: no setup folder to save to: give one with --setup DIR (qmate configure "
            "--setup DIR makes one)\n");
  EXPECT_EQ(Output("ls -A '" + Dir + "/work'"), "0:") << "nothing left in the working folder";
  // A configure on a new folder gives it the shipped word files.
  EXPECT_EQ(Output(Run + "qmate configure --setup mine </dev/null").substr(0, 2), "2:");
  EXPECT_EQ(ReadTextFile(Dir + "/work/mine/Keywords.dat"),
            ReadTextFile(QMATE_SOURCE_DIR "/dist/setup/Keywords.dat"));
  EXPECT_EQ(Output(Run + "qmate spell --setup mine endif"), "0:ENDIF\n");
  // Installed: the word files come from PREFIX/share/qmate/setup, found through ../share.
  std::string Prefix = Dir + "/prefix";
  ASSERT_EQ(
      Output("cmake --install '" + std::string(QMATE_BINARY_DIR) + "' --prefix '" + Prefix + "'")
          .substr(0, 2),
      "0:");
  WriteTextFile(Prefix + "/share/qmate/setup/qmate.ini", "[Settings]\nTab=7\n");
  std::string Installed = "cd '" + Dir + "/work' && env -u QMATE_SETUP PATH='" + Prefix + "/bin' ";
  EXPECT_NE(Output(Installed + "qmate settings").find("Tab=7\n"), std::string::npos);
  EXPECT_EQ(Output(Installed + "qmate spell qout"), "0:QOut\n");
}

// The hooks offered to pre-commit run as the tool runs: each entry on a file that needs
// re-indenting fails (or fixes it), lint on a file with a block left open fails, and on a
// tidy file each passes.
TEST(CliRobustness, ThePreCommitHooksRunTheTool) {
  REQUIRE_TOOL();
  std::string Hooks = ReadTextFile(QMATE_SOURCE_DIR "/.pre-commit-hooks.yaml");
  std::vector<std::string> Entries;
  for (std::size_t At = Hooks.find("entry: qmate "); At != std::string::npos;
       At = Hooks.find("entry: qmate ", At + 1))
    Entries.push_back(Hooks.substr(At + 13, Hooks.find('\n', At) - At - 13));
  ASSERT_EQ(Entries.size(), 3u) << Hooks;
  std::string Dir = Folder("hooks");
  for (const std::string &Entry : Entries) {
    std::size_t Space = Entry.find(' ');
    std::string Verb = Entry.substr(0, Space);
    std::string Rest = Space == std::string::npos ? "" : Entry.substr(Space + 1);
    if (Verb == "lint") {
      WriteTextFile(Dir + "/tidy.prg", "IF x\n  y\nENDIF\n");
      WriteTextFile(Dir + "/open.prg", "FUNCTION f()\nIF x\nRETURN nil\n");
      EXPECT_EQ(RunTool(Dir, Verb, Rest + " tidy.prg").Status, 0) << Entry;
      ToolResult Open = RunTool(Dir, Verb, Rest + " tidy.prg open.prg");
      EXPECT_EQ(Open.Status, 1) << Entry;
      EXPECT_NE(Open.Out.find("open.prg:2:1: warning: "), std::string::npos) << Open.Out;
      continue;
    }
    WriteTextFile(Dir + "/messy.prg", NeedsIndent);
    WriteTextFile(Dir + "/tidy.prg", "IF x\n  y\nENDIF\n");
    ToolResult Tidy = RunTool(Dir, Verb, Rest + " tidy.prg");
    EXPECT_EQ(Tidy.Status, 0) << Entry << ": " << Tidy.Err;
    ToolResult Messy = RunTool(Dir, Verb, Rest + " tidy.prg messy.prg");
    bool Fixes = Rest.find("-i") != std::string::npos;
    EXPECT_EQ(Messy.Status, Fixes ? 0 : 1) << Entry << ": " << Messy.Err;
    EXPECT_EQ(ReadTextFile(Dir + "/messy.prg") != NeedsIndent, Fixes) << Entry;
    if (!Fixes) {
      EXPECT_NE(Messy.Out.find("+++ b/messy.prg"), std::string::npos) << Entry << Messy.Out;
    }
  }
}

} // namespace
