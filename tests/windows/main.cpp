// qmate_winhost: the test host for the real plug-in library. It plays Far Manager with the
// simulated host: lays out distribution folders, loads the library from them with
// LoadLibraryA, and runs the scenarios and, when a job file is given, commands on sample files
// whose results the native build produced. A library with the Far 3 exports (qmate3.dll) is
// played as Far 3 does; qmate.dll as Far 1.70 does.
//   qmate_winhost --dll PATH --dist FOLDER [--jobs FILE] [--keep]
#include "check.hpp"
#include "jobs.hpp"
#include "platform.hpp"
#include "plugin_module.hpp"
#include "scenarios.hpp"

#include <cstdio>
#include <string>

namespace {

std::string WithBackslash(std::string Folder) {
  if (!Folder.empty() && Folder.back() != '\\' && Folder.back() != '/')
    Folder += '\\';
  return Folder;
}

} // namespace

int main(int Argc, char **Argv) {
  std::string JobFile;
  bool Keep = false;
  for (int I = 1; I < Argc; ++I) {
    std::string Arg = Argv[I];
    bool HasValue = I + 1 < Argc;
    if (Arg == "--dll" && HasValue) {
      Sources.Dll = Argv[++I];
    } else if (Arg == "--dist" && HasValue) {
      Sources.Dist = WithBackslash(Argv[++I]);
    } else if (Arg == "--jobs" && HasValue) {
      JobFile = Argv[++I];
    } else if (Arg == "--keep") {
      Keep = true;
    } else {
      std::fprintf(stderr,
                   "usage: qmate_winhost --dll PATH --dist FOLDER [--jobs FILE] [--keep]\n");
      return 2;
    }
  }
  if (Sources.Dll.empty() || Sources.Dist.empty()) {
    std::fprintf(stderr, "qmate_winhost: --dll and --dist are required\n");
    return 2;
  }
  InstallCrashHandler(ReportCrash);
  Sources.Root = NewTempFolder("qmate-winhost-");
  BeginScenario("set-up");
  if (Check(!Sources.Root.empty(), "a temporary folder")) {
    PluginModuleRecord Probe;
    LoadPlugin(Sources.Dll, Probe);
    const bool Far3 = Probe.Far3;
    UnloadPlugin(Probe);
    if (Far3)
      RunFar3Scenarios();
    else
      RunScenarios();
    if (!JobFile.empty())
      RunJobs(JobFile);
    if (Keep)
      std::printf("layouts kept in %s\n", Sources.Root.c_str());
    else
      RemoveTree(Sources.Root);
  }
  return FinishChecks();
}
