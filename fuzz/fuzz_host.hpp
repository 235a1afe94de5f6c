// Start-up of the plug-in under the simulated host for the fuzz targets: a private folder
// per process, files written into its setup folder, and the plug-in loaded from it.
#pragma once

#include "../sim/sim.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// A folder of this process that survives for the whole run; Name picks a sub-folder.
inline std::string FuzzFolder(const std::string &Name) {
  const char *Tmp = std::getenv("TMPDIR");
  std::string Root = std::string(Tmp && *Tmp ? Tmp : "/tmp") + "/qmate-fuzz-" +
                     std::to_string(static_cast<long>(getpid()));
  mkdir(Root.c_str(), 0755);
  std::string Dir = Root + "/" + Name;
  mkdir(Dir.c_str(), 0755);
  mkdir((Dir + "/setup").c_str(), 0755);
  return Dir;
}

inline void FuzzWriteFile(const std::string &Path, const std::string &Bytes) {
  std::FILE *F = std::fopen(Path.c_str(), "wb");
  if (!F)
    std::abort();
  if (!Bytes.empty() && std::fwrite(Bytes.data(), 1, Bytes.size(), F) != Bytes.size())
    std::abort();
  std::fclose(F);
}

// Loads the plug-in as if its library lay in Folder: it reads Folder/setup.
inline void FuzzStartPlugin(const std::string &Folder) {
  SimReset();
  PluginStartupInfo Info = SimStartupInfo(Folder + "/qmate.dll");
  SetStartupInfo(&Info);
}

// Stops the run with a message that libFuzzer reports with the input that caused it.
inline void FuzzFail(const std::string &What) {
  std::fprintf(stderr, "INVARIANT BROKEN: %s\n", What.c_str());
  std::fflush(stderr);
  std::abort();
}
