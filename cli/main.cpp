// qmate: the plug-in's commands on files, through the simulated host.
#include "fileio.hpp"
#include "verbs.hpp"

#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include <climits>
#include <unistd.h>
#endif

namespace {
// The tool's own path, so that the default setup folder is found beside it.
std::string ToolPath(const char *Argv0) {
#ifndef _WIN32
  char Buffer[PATH_MAX];
  ssize_t Got = readlink("/proc/self/exe", Buffer, sizeof(Buffer) - 1);
  if (Got > 0)
    return std::string(Buffer, static_cast<std::size_t>(Got));
#endif
  return Argv0 ? Argv0 : "qmate";
}
} // namespace

int main(int Argc, char **Argv) {
  const char *Fail = std::getenv("QMATE_TEST_FAIL_WRITE");
  CliInjectWriteFailure = Fail && *Fail && std::string(Fail) != "0";
  std::vector<std::string> Args(Argv + 1, Argv + Argc);
  return RunCommandLine(Args, ToolPath(Argv[0]));
}
