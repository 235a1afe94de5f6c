// `qmate configure` live in a pseudo-terminal (keys in, the dialog drawn with ANSI escapes
// out, the settings saved on Enter, the terminal put back however the dialog ends), the same
// verb reading its actions from a pipe, and `qmate preview`.
#include "../../cli/verbs.hpp"
#include "harness.hpp"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct PtyChild {
  int Master = -1;
  int Slave = -1; // the parent's own handle, to look at the terminal's modes afterwards
  pid_t Pid = -1;
  std::string Output;
};

// Runs the tool's command line in a child whose terminal is a new pseudo-terminal.
bool StartInTerminal(const std::vector<std::string> &Args, PtyChild &Child,
                     unsigned short Rows = 30, unsigned short Columns = 100) {
  Child.Master = posix_openpt(O_RDWR | O_NOCTTY);
  if (Child.Master < 0 || grantpt(Child.Master) != 0 || unlockpt(Child.Master) != 0)
    return false;
  std::string Name = ptsname(Child.Master);
  Child.Slave = open(Name.c_str(), O_RDWR | O_NOCTTY);
  if (Child.Slave < 0)
    return false;
  winsize Size{Rows, Columns, 0, 0};
  ioctl(Child.Master, TIOCSWINSZ, &Size);
  std::cout.flush();
  std::fflush(nullptr);
  Child.Pid = fork();
  if (Child.Pid < 0)
    return false;
  if (Child.Pid == 0) {
    setsid();
    int Tty = open(Name.c_str(), O_RDWR);
    if (Tty < 0 || ioctl(Tty, TIOCSCTTY, 0) != 0)
      _exit(99);
    dup2(Tty, 0);
    dup2(Tty, 1);
    dup2(Tty, 2);
    close(Tty);
    close(Child.Master);
    close(Child.Slave);
    int Status = RunCommandLine(Args, "/nonexistent/qmate");
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    _exit(Status);
  }
  return true;
}

// The output with its escape sequences taken out.
std::string Visible(const std::string &Bytes) {
  std::string Out;
  for (std::size_t I = 0; I < Bytes.size(); ++I) {
    if (Bytes[I] != '\x1b') {
      Out += Bytes[I];
      continue;
    }
    if (I + 1 < Bytes.size() && Bytes[I + 1] == '[') {
      I += 2;
      while (I < Bytes.size() && !(Bytes[I] >= 0x40 && Bytes[I] <= 0x7E))
        ++I;
    } else {
      ++I;
    }
  }
  return Out;
}

// Reads until the visible output after From holds Needle, the child ends, or time runs out.
bool ReadUntil(PtyChild &Child, std::size_t From, const std::string &Needle,
               int Milliseconds = 5000) {
  auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Milliseconds);
  for (;;) {
    if (Visible(Child.Output.substr(From)).find(Needle) != std::string::npos)
      return true;
    int Left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    Deadline - std::chrono::steady_clock::now())
                                    .count());
    if (Left <= 0)
      return false;
    pollfd In{Child.Master, POLLIN, 0};
    if (poll(&In, 1, Left) <= 0)
      continue;
    char Buffer[4096];
    ssize_t Got = read(Child.Master, Buffer, sizeof(Buffer));
    if (Got <= 0)
      return Visible(Child.Output.substr(From)).find(Needle) != std::string::npos;
    Child.Output.append(Buffer, static_cast<std::size_t>(Got));
  }
}

void Send(PtyChild &Child, const std::string &Keys) {
  ASSERT_EQ(write(Child.Master, Keys.data(), Keys.size()), static_cast<ssize_t>(Keys.size()));
}

// Drains what the child writes until it ends; its wait status.
int Finish(PtyChild &Child) {
  int Status = 0;
  for (int Try = 0; Try < 100; ++Try) {
    bool Ended = waitpid(Child.Pid, &Status, WNOHANG) == Child.Pid;
    pollfd In{Child.Master, POLLIN, 0};
    while (poll(&In, 1, Ended ? 0 : 50) > 0) {
      char Buffer[4096];
      ssize_t Got = read(Child.Master, Buffer, sizeof(Buffer));
      if (Got <= 0)
        break;
      Child.Output.append(Buffer, static_cast<std::size_t>(Got));
    }
    if (Ended)
      return Status;
  }
  kill(Child.Pid, SIGKILL);
  waitpid(Child.Pid, &Status, 0);
  return Status;
}

void ExpectTerminalRestored(PtyChild &Child) {
  termios Modes;
  ASSERT_EQ(tcgetattr(Child.Slave, &Modes), 0);
  EXPECT_TRUE(Modes.c_lflag & ICANON) << "line input is back";
  EXPECT_TRUE(Modes.c_lflag & ECHO) << "echo is back";
  EXPECT_NE(Child.Output.find("\x1b[?1049l"), std::string::npos) << "the normal screen is back";
  close(Child.Master);
  close(Child.Slave);
}

std::string SetupFolder(const std::string &Name) {
  std::string Setup = TestFolder(Name) + "/setup";
  mkdir(Setup.c_str(), 0755);
  return Setup;
}

TEST(ConfigureInTerminal, TypingLeavingAndEnterSaveThroughThePlugIn) {
  std::string Setup = SetupFolder("terminal-ok");
  PtyChild Child;
  ASSERT_TRUE(StartInTerminal({"configure", "--setup", Setup}, Child));
  ASSERT_TRUE(ReadUntil(Child, 0, "// Sample program")) << Visible(Child.Output);
  EXPECT_NE(Visible(Child.Output).find("│ Public var, arr"), std::string::npos);

  std::size_t Mark = Child.Output.size();
  Send(Child, "4");
  ASSERT_TRUE(ReadUntil(Child, Mark, "║ 4 ")) << "the field shows what was typed";
  EXPECT_EQ(Visible(Child.Output.substr(Mark)).find("│     Public var, arr"), std::string::npos)
      << "the preview waits until the field is left";

  Mark = Child.Output.size();
  Send(Child, "\t");
  EXPECT_TRUE(ReadUntil(Child, Mark, "│     Public var, arr"))
      << "leaving the field redraws the preview: " << Visible(Child.Output.substr(Mark));

  Send(Child, "\r");
  int Status = Finish(Child);
  ASSERT_TRUE(WIFEXITED(Status)) << Status;
  EXPECT_EQ(WEXITSTATUS(Status), 0);
  EXPECT_NE(ReadTextFile(Setup + "/qmate.ini").find("GlobalTab=4\r\n"), std::string::npos);
  EXPECT_NE(Visible(Child.Output).find("GlobalTab=4"), std::string::npos)
      << "the settings are printed after the dialog";
  ExpectTerminalRestored(Child);
}

struct KeysCase {
  const char *Name;
  const char *Keys;    // after the first drawing, Enter included
  const char *Written; // a line the settings file must hold
};

class ConfigureKeys : public ::testing::TestWithParam<KeysCase> {};

TEST_P(ConfigureKeys, MoveBetweenFieldsAndEdit) {
  std::string Setup = SetupFolder("terminal-keys");
  PtyChild Child;
  ASSERT_TRUE(StartInTerminal({"configure", "--setup", Setup}, Child));
  ASSERT_TRUE(ReadUntil(Child, 0, "// Sample program"));
  Send(Child, GetParam().Keys);
  int Status = Finish(Child);
  ASSERT_TRUE(WIFEXITED(Status)) << GetParam().Name;
  EXPECT_NE(ReadTextFile(Setup + "/qmate.ini").find(GetParam().Written), std::string::npos)
      << GetParam().Name << ": " << ReadTextFile(Setup + "/qmate.ini");
  ExpectTerminalRestored(Child);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ConfigureKeys,
    ::testing::Values(KeysCase{"down arrow", "\x1b[B7\r", "MainTab=7\r\n"},
                      KeysCase{"tab then shift+tab", "\t\x1b[Z9\r", "GlobalTab=9\r\n"},
                      KeysCase{"up arrow wraps to Cancel, up again to the last field",
                               "\x1b[A\x1b[A\x1b[A3\r", "SplitLineTab=3\r\n"},
                      KeysCase{"backspace empties, leaving makes 0", "\x1b[B\x1b[B\x1b[B\x7f\t\r",
                               "TextFuncTab=0\r\n"},
                      KeysCase{"a negative Tab left becomes 0", "\t\t\t\t-5\t\r", "Tab=0\r\n"},
                      KeysCase{"a negative value confirmed at once becomes 0 too", "-5\r",
                               "GlobalTab=0\r\n"},
                      KeysCase{"so in the fifth field", "\t\t\t\t-3\r", "Tab=0\r\n"}),
    [](const ::testing::TestParamInfo<KeysCase> &Info) {
      return "Case" + std::to_string(Info.index);
    });

TEST(ConfigureInTerminal, EscCancelsAndWritesNothing) {
  std::string Setup = SetupFolder("terminal-esc");
  PtyChild Child;
  ASSERT_TRUE(StartInTerminal({"configure", "--setup", Setup}, Child));
  ASSERT_TRUE(ReadUntil(Child, 0, "// Sample program"));
  Send(Child, "5\t");
  usleep(200000);
  Send(Child, "\x1b");
  int Status = Finish(Child);
  ASSERT_TRUE(WIFEXITED(Status));
  EXPECT_EQ(WEXITSTATUS(Status), 1);
  struct stat Info;
  EXPECT_NE(stat((Setup + "/qmate.ini").c_str(), &Info), 0) << "no settings file";
  EXPECT_NE(Visible(Child.Output).find("cancelled"), std::string::npos);
  ExpectTerminalRestored(Child);
}

TEST(ConfigureInTerminal, ATerminalTooSmallForTheDialogIsRefusedClearly) {
  const struct { unsigned short Rows, Columns; } Sizes[] = {{20, 100}, {30, 74}};
  for (const auto &Size : Sizes) {
    std::string Setup = SetupFolder("terminal-small");
    PtyChild Child;
    ASSERT_TRUE(StartInTerminal({"configure", "--setup", Setup}, Child, Size.Rows, Size.Columns));
    int Status = Finish(Child);
    ASSERT_TRUE(WIFEXITED(Status));
    EXPECT_EQ(WEXITSTATUS(Status), 2);
    EXPECT_NE(Visible(Child.Output).find("needs at least 75x21"), std::string::npos)
        << Visible(Child.Output);
    EXPECT_EQ(Child.Output.find("\x1b[?1049h"), std::string::npos) << "no dialog was drawn";
    termios Modes;
    ASSERT_EQ(tcgetattr(Child.Slave, &Modes), 0);
    EXPECT_TRUE(Modes.c_lflag & ICANON) << "the terminal's modes were left alone";
    close(Child.Master);
    close(Child.Slave);
  }
}

TEST(ConfigureInTerminal, CtrlCRestoresTheTerminal) {
  std::string Setup = SetupFolder("terminal-ctrlc");
  PtyChild Child;
  ASSERT_TRUE(StartInTerminal({"configure", "--setup", Setup}, Child));
  ASSERT_TRUE(ReadUntil(Child, 0, "// Sample program"));
  Send(Child, "7\x03");
  int Status = Finish(Child);
  EXPECT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == SIGINT) << Status;
  struct stat Info;
  EXPECT_NE(stat((Setup + "/qmate.ini").c_str(), &Info), 0) << "no settings file";
  ExpectTerminalRestored(Child);
}

struct PipeRun {
  int Status = -1;
  std::string Output; // standard output and standard error together
};

// Runs the tool's command line in a child whose standard input is Input through a pipe.
PipeRun RunWithInput(const std::vector<std::string> &Args, const std::string &Input) {
  PipeRun Run;
  int In[2], Out[2];
  if (pipe(In) != 0 || pipe(Out) != 0)
    return Run;
  std::cout.flush();
  std::fflush(nullptr);
  pid_t Pid = fork();
  if (Pid == 0) {
    dup2(In[0], 0);
    dup2(Out[1], 1);
    dup2(Out[1], 2);
    close(In[1]);
    close(Out[0]);
    int Status = RunCommandLine(Args, "/nonexistent/qmate");
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    _exit(Status);
  }
  close(In[0]);
  close(Out[1]);
  if (write(In[1], Input.data(), Input.size()) != static_cast<ssize_t>(Input.size()))
    ADD_FAILURE() << "the script could not be written";
  close(In[1]);
  char Buffer[4096];
  ssize_t Got;
  while ((Got = read(Out[0], Buffer, sizeof(Buffer))) > 0)
    Run.Output.append(Buffer, static_cast<std::size_t>(Got));
  close(Out[0]);
  waitpid(Pid, &Run.Status, 0);
  return Run;
}

struct ScriptCase {
  const char *Name;
  const char *Script;
  int Exit;
  const char *Printed;          // a text the output must hold
  const char *Written;          // a line the settings file must hold, nullptr: no file
  const char *Before = nullptr; // the settings file before the dialog
};

class ConfigureScript : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(ConfigureScript, PlaysTheActionsThroughThePlugInsDialog) {
  const ScriptCase &C = GetParam();
  std::string Setup = SetupFolder("configure-script");
  if (C.Before)
    WriteTextFile(Setup + "/qmate.ini", C.Before);
  PipeRun Run = RunWithInput({"configure", "--setup", Setup}, C.Script);
  ASSERT_TRUE(WIFEXITED(Run.Status)) << C.Name;
  EXPECT_EQ(WEXITSTATUS(Run.Status), C.Exit) << C.Name << ": " << Run.Output;
  EXPECT_NE(Run.Output.find(C.Printed), std::string::npos) << C.Name << ": " << Run.Output;
  // The new, empty setup folder was given the shipped word files.
  if (!C.Before) {
    EXPECT_NE(ReadTextFile(Setup + "/Keywords.dat").find("ENDIF"), std::string::npos) << C.Name;
  }
  std::string Ini = ReadTextFile(Setup + "/qmate.ini");
  if (C.Written) {
    EXPECT_NE(Ini.find(C.Written), std::string::npos) << C.Name << ": " << Ini;
    // What configure saves, the tool reads back without a warning.
    PipeRun Read = RunWithInput({"settings", "--setup", Setup}, "");
    EXPECT_EQ(WEXITSTATUS(Read.Status), 0) << C.Name;
    EXPECT_EQ(Read.Output.find("warning"), std::string::npos) << C.Name << ": " << Read.Output;
  } else if (!C.Before) {
    EXPECT_EQ(Ini, "") << C.Name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ConfigureScript,
    ::testing::Values(
        ScriptCase{"type, leave, show, ok", "type 4\nnext\nshow\nok\n", 0, "│     Public var, arr",
                   "GlobalTab=4\r\n"},
        ScriptCase{"the settings are printed", "next\nnext\nnext\nnext\ntype 6\nok\n", 0, "Tab=6\n",
                   "Tab=6\r\n"},
        ScriptCase{"prev from the first field reaches Cancel", "prev\nok\n", 1, "cancelled",
                   nullptr},
        ScriptCase{"an emptied field left is 0", "next\nnext\nnext\nbackspace\nnext\nok\n", 0,
                   "TextFuncTab=0\n", "TextFuncTab=0\r\n"},
        ScriptCase{"comments and blank lines are skipped", "# a comment\n\ntype 3\r\nok\n", 0,
                   "GlobalTab=3\n", "GlobalTab=3\r\n"},
        ScriptCase{"cancel", "type 9\nnext\ncancel\n", 1, "cancelled", nullptr},
        ScriptCase{"the end of the script is Esc", "type 9\nnext\n", 1, "cancelled", nullptr},
        ScriptCase{"no terminal and no actions", "", 2, "needs a terminal", nullptr},
        ScriptCase{"only comments are no actions", "# nothing\n\n", 2, "needs a terminal", nullptr},
        ScriptCase{"an unknown action stops with a clear line", "type 9\njump\nok\n", 2,
                   "line 2: unknown action 'jump'", nullptr},
        ScriptCase{"a negative value confirmed at once becomes 0, as when left", "type -5\nok\n", 0,
                   "GlobalTab=0\n", "GlobalTab=0\r\n"},
        ScriptCase{"so in the fifth field", "next\nnext\nnext\nnext\ntype -3\nok\n", 0, "Tab=0\n",
                   "Tab=0\r\n"},
        ScriptCase{"Comments keeps a negative value", "prev\nprev\nprev\nprev\ntype -7\nok\n", 0,
                   "Comments=-7\n", "Comments=-7\r\n"},
        ScriptCase{"a non-number confirmed at once becomes 0, as when left",
                   "next\nnext\nnext\ntype ab\nok\n", 0, "TextFuncTab=0\n", "TextFuncTab=0\r\n"},
        ScriptCase{"a setting too wide for its field is kept unless edited", "next\ntype 7\nok\n",
                   0, "Tab=120 kept", "Tab=120\r\n", "[Settings]\r\nTab=120\r\n"},
        ScriptCase{"an edited one is not", "next\nnext\nnext\nnext\nhome\ntype 9\nok\n", 0,
                   "Tab=92\n", "Tab=92\r\n", "[Settings]\r\nTab=120\r\n"}),
    [](const ::testing::TestParamInfo<ScriptCase> &Info) {
      return "Case" + std::to_string(Info.index);
    });

TEST(PreviewVerb, DrawsTheDialogWithTheSettingsInEffect) {
  std::string Setup = SetupFolder("preview-verb");
  WriteTextFile(Setup + "/qmate.ini", "[Settings]\r\nTab=4\r\n");
  PipeRun Run = RunWithInput({"preview", "--setup", Setup, "--set", "GlobalTab=3"}, "");
  ASSERT_TRUE(WIFEXITED(Run.Status));
  EXPECT_EQ(WEXITSTATUS(Run.Status), 0) << Run.Output;
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  while (Start < Run.Output.size()) {
    std::size_t End = Run.Output.find('\n', Start);
    Lines.push_back(Run.Output.substr(Start, End - Start));
    Start = End == std::string::npos ? Run.Output.size() : End + 1;
  }
  ASSERT_EQ(Lines.size(), 20u) << Run.Output;
  EXPECT_EQ(Lines[0].compare(0, 3, "╔"), 0);
  EXPECT_NE(Lines[0].find(" Quillmate settings "), std::string::npos);
  EXPECT_EQ(Lines[19].compare(0, 3, "╚"), 0);
  EXPECT_EQ(Lines[3],
            "║ 3                                  │    var:=500                        ║");
  EXPECT_NE(Lines[11].find("║ 4 "), std::string::npos) << "Tab from the file";
  EXPECT_NE(Lines[13].find("│          AEval(rs"), std::string::npos);
  EXPECT_NE(Lines[18].find("[ OK ]  [ Cancel ]"), std::string::npos);
  EXPECT_EQ(ReadTextFile(Setup + "/qmate.ini"), "[Settings]\r\nTab=4\r\n") << "nothing saved";
}

TEST(PreviewVerb, AMissingSetupFolderIsAClearError) {
  PipeRun Run = RunWithInput({"preview", "--setup", TestFolder("preview-none") + "/setup"}, "");
  ASSERT_TRUE(WIFEXITED(Run.Status));
  EXPECT_EQ(WEXITSTATUS(Run.Status), 2);
  EXPECT_NE(Run.Output.find("does not exist"), std::string::npos) << Run.Output;
}

} // namespace
