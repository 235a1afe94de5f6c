// qmate_far2l_host: the test host for the far2l plug-in. It plays far2l with the simulated
// host behind far2l's wide services: lays out plug-in folders, loads qmate.far-plug-wide from
// them with dlopen, runs the scenarios and, when a job file is given, the commands on sample
// files whose results the native tool produced.
//   qmate_far2l_host --plugin PATH --dist FOLDER [--jobs FILE] [--keep]
// FOLDER is the plug-in's folder as installed (language and help files in UTF-8, setup/).
#include "../windows/check.hpp"
#include "../windows/jobs.hpp"
#include "../windows/platform.hpp"
#include "../windows/plugin_module.hpp"
#include "scenarios.hpp"

#include <cstdio>
#include <string>

int main(int Argc, char **Argv) {
  std::string JobFile;
  bool Keep = false;
  for (int I = 1; I < Argc; ++I) {
    std::string Arg = Argv[I];
    bool HasValue = I + 1 < Argc;
    if (Arg == "--plugin" && HasValue) {
      Sources.Dll = Argv[++I];
    } else if (Arg == "--dist" && HasValue) {
      Sources.Dist = Argv[++I];
      if (Sources.Dist.back() != '/')
        Sources.Dist += '/';
    } else if (Arg == "--jobs" && HasValue) {
      JobFile = Argv[++I];
    } else if (Arg == "--keep") {
      Keep = true;
    } else {
      std::fprintf(stderr, "usage: qmate_far2l_host --plugin PATH --dist FOLDER [--jobs FILE] "
                           "[--keep]\n");
      return 2;
    }
  }
  if (Sources.Dll.empty() || Sources.Dist.empty()) {
    std::fprintf(stderr, "qmate_far2l_host: --plugin and --dist are required\n");
    return 2;
  }
  Sources.Root = NewTempFolder("qmate-far2l-host-");
  BeginScenario("set-up");
  if (Check(!Sources.Root.empty(), "a temporary folder")) {
    RunFar2lScenarios();
    if (!JobFile.empty())
      RunJobs(JobFile);
    if (Keep)
      std::printf("layouts kept in %s\n", Sources.Root.c_str());
    else
      RemoveTree(Sources.Root);
  }
  return FinishChecks();
}
