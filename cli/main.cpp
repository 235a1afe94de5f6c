// qmate: the plug-in's commands on files, through the simulated host.
#include "fileio.hpp"
#include "guard.hpp"
#include "platform.hpp"
#include "verbs.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {
bool TestHookSet(const char *Name) {
  const char *Value = std::getenv(Name);
  return Value && *Value && std::string(Value) != "0";
}
} // namespace

int main(int Argc, char **Argv) {
  CliInjectWriteFailure = TestHookSet("QMATE_TEST_FAIL_WRITE");
  CliInjectConcurrentEdit = TestHookSet("QMATE_TEST_APPEND_BEFORE_REPLACE");
  CliInjectSignal = TestHookSet("QMATE_TEST_SIGNAL_DURING_WRITE");
  // A test hook only: the guard reads the re-indented text with one token broken.
  CliInjectBrokenToken = TestHookSet("QMATE_TEST_BREAK_TOKEN");
  UseBinaryStdio();
  int Status = RunCommandLine(CommandLineArguments(Argc, Argv), ToolExecutablePath(Argv[0]));
  // Output that did not reach its place (a full disk, a closed pipe) is a failure, whatever
  // the verb: what is left of it may be cut short.
  errno = 0;
  std::cout.flush();
  bool Lost = std::fflush(stdout) != 0 || std::ferror(stdout) || !std::cout;
  if (Lost) {
    std::cerr << "qmate: cannot write to standard output"
              << (errno ? std::string(": ") + std::strerror(errno) : std::string()) << "\n";
    Status = 2;
  }
  return Status;
}
