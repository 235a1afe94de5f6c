// The real plug-in library as the host holds it: a folder laid out as the distribution, the
// library loaded from there with LoadLibraryA, and its five entry points found by name: the
// Far 1.70 ones of qmate.dll, or the Far 3 ones of qmate3.dll.
#pragma once

#include "../../sim/sim.hpp"
#include "../../src/host_far3/far3.hpp"

#include <string>

struct PluginModuleRecord {
  void *Module = nullptr;
  std::string Path; // the library's path as Windows reports it
  void(WINAPI *SetStartupInfo)(const PluginStartupInfo *Info) = nullptr;
  void(WINAPI *GetPluginInfo)(PluginInfo *Info) = nullptr;
  HANDLE(WINAPI *OpenPlugin)(int OpenFrom, int Item) = nullptr;
  int(WINAPI *Configure)(int ItemNumber) = nullptr;
  int(WINAPI *GetMinFarVersion)() = nullptr;
  // Far 3: the library exports these instead, and the host plays Far 3 (far3_host.hpp).
  bool Far3 = false;
  void(WINAPI *GetGlobalInfoW)(Far3::GlobalInfo *Info) = nullptr;
  void(WINAPI *SetStartupInfoW)(const Far3::PluginStartupInfo *Info) = nullptr;
  void(WINAPI *GetPluginInfoW)(Far3::PluginInfo *Info) = nullptr;
  Far3::Handle(WINAPI *OpenW)(const Far3::OpenInfo *Info) = nullptr;
  std::intptr_t(WINAPI *ConfigureW)(const Far3::ConfigureInfo *Info) = nullptr;
};

// A plug-in folder as the distribution lays it out.
struct LayoutRecord {
  std::string Folder; // ending in a backslash
  std::string Dll;
  std::string Setup;    // Folder + "setup\", ending in a backslash
  std::string Settings; // Setup + "qmate.ini"
};

// Where the built library and the distribution's sources are (from the command line).
struct SourcesRecord {
  std::string Dll;
  std::string Dist; // the dist folder: language, help and word files
  std::string Root; // the temporary folder that holds every layout of this run
};

extern SourcesRecord Sources;

// Makes Sources.Root + Name as the distribution lays it out; without WithSetup there is no
// setup folder. False when a file could not be copied.
bool MakeLayout(const std::string &Name, bool WithSetup, LayoutRecord &Layout);
// LoadLibraryA and GetProcAddress of the five entry points (the Far 3 ones when the library
// exports OpenW); false when the library does not load (the record then holds what was found).
bool LoadPlugin(const std::string &DllPath, PluginModuleRecord &Plugin);
void UnloadPlugin(PluginModuleRecord &Plugin);
// What the host does after loading: the simulated host is reset, it serves the language file
// LanguageFile, and SetStartupInfo receives the service table with the library's own path.
void StartPlugin(const PluginModuleRecord &Plugin, const std::string &LanguageFile);
// Opens the plug-in in the simulated editor as its host does (OpenPlugin or OpenW).
void OpenInEditor(const PluginModuleRecord &Plugin);
// The file the next job opens is held in CodePage by a host whose editor keeps text in code
// pages (Far 3's); the others keep the bytes as they are.
void HoldInCodePage(unsigned CodePage);
// Entry Index of the procedure list as the editor shows it, in the file's own bytes.
std::string ShownEntry(const PluginModuleRecord &Plugin, std::size_t Index, unsigned CodePage);
// Loads the text as the file Name into the simulated editor and opens the plug-in with the
// command menu answered by Answers (Esc after them). Returns the editor's text afterwards.
std::string RunInEditor(const PluginModuleRecord &Plugin, const std::string &Text,
                        const std::string &Name, const std::vector<int> &Answers);
// The message boxes shown so far, one line each as "TITLE: TEXT".
std::string MessageLines();
