// The real far2l plug-in as far2l holds it: a folder laid out as installed, the shared object
// loaded from there with dlopen, its wide entry points found by name and offered to the job
// runner under the 1.70 entry points' shapes.
#include "../windows/plugin_module.hpp"
#include "../windows/platform.hpp"
#include "far2l_sim.hpp"

#include <cstring>
#include <dlfcn.h>

SourcesRecord Sources;

// far2l's editor keeps the file's bytes for the jobs as they are: the code page comes from the
// file's name (far2l_sim.cpp).
void HoldInCodePage(unsigned) {}

std::string ShownEntry(const PluginModuleRecord &, std::size_t Index, unsigned) {
  return SimHost.Menus[1].Items[Index].Text;
}

void OpenInEditor(const PluginModuleRecord &Plugin) {
  Plugin.OpenPlugin(OPEN_EDITOR, 0);
}

namespace {

struct Far2lEntries {
  void (*SetStartupInfoW)(const Far2l::PluginStartupInfo *Info) = nullptr;
  void (*GetPluginInfoW)(Far2l::PluginInfo *Info) = nullptr;
  void *(*OpenPluginW)(int OpenFrom, Far2l::IntPtr Item) = nullptr;
  int (*ConfigureW)(int ItemNumber) = nullptr;
  int (*GetMinFarVersionW)() = nullptr;
} Loaded;

// The 1.70 shapes over the loaded wide entry points (one plug-in is loaded at a time).
void WINAPI StartThrough(const PluginStartupInfo *) {}
void WINAPI InfoThrough(PluginInfo *) {}
HANDLE WINAPI OpenThrough(int OpenFrom, int Item) {
  return Loaded.OpenPluginW(OpenFrom, Item);
}
int WINAPI ConfigureThrough(int ItemNumber) {
  return Loaded.ConfigureW(ItemNumber);
}
int WINAPI VersionThrough() {
  return Loaded.GetMinFarVersionW();
}

template <typename Function> void FindEntry(void *Module, const char *Name, Function &Slot) {
  Slot = reinterpret_cast<Function>(dlsym(Module, Name));
}

} // namespace

bool MakeLayout(const std::string &Name, bool WithSetup, LayoutRecord &Layout) {
  Layout.Folder = Sources.Root + Name + "/";
  Layout.Dll = Layout.Folder + "qmate.far-plug-wide";
  Layout.Setup = Layout.Folder + "setup/";
  Layout.Settings = Layout.Setup + "qmate.ini";
  RemoveTree(Layout.Folder);
  bool Ok = MakeFolder(Layout.Folder) && CopyOneFile(Sources.Dll, Layout.Dll);
  for (const char *File : {"qmateEng.lng", "qmateRus.lng", "qmateEng.hlf", "qmateRus.hlf"})
    Ok = CopyOneFile(Sources.Dist + File, Layout.Folder + File) && Ok;
  if (WithSetup) {
    Ok = MakeFolder(Layout.Setup) && Ok;
    Ok = CopyOneFile(Sources.Dist + "setup/Keywords.dat", Layout.Setup + "Keywords.dat") && Ok;
    Ok = CopyOneFile(Sources.Dist + "setup/Replace.dat", Layout.Setup + "Replace.dat") && Ok;
  }
  return Ok;
}

bool LoadPlugin(const std::string &Path, PluginModuleRecord &Plugin) {
  Plugin = PluginModuleRecord();
  Loaded = Far2lEntries();
  Plugin.Module = dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!Plugin.Module)
    return false;
  Plugin.Path = Path;
  FindEntry(Plugin.Module, "SetStartupInfoW", Loaded.SetStartupInfoW);
  FindEntry(Plugin.Module, "GetPluginInfoW", Loaded.GetPluginInfoW);
  FindEntry(Plugin.Module, "OpenPluginW", Loaded.OpenPluginW);
  FindEntry(Plugin.Module, "ConfigureW", Loaded.ConfigureW);
  FindEntry(Plugin.Module, "GetMinFarVersionW", Loaded.GetMinFarVersionW);
  if (!Loaded.SetStartupInfoW || !Loaded.GetPluginInfoW || !Loaded.OpenPluginW ||
      !Loaded.ConfigureW || !Loaded.GetMinFarVersionW)
    return false;
  Plugin.SetStartupInfo = StartThrough;
  Plugin.GetPluginInfo = InfoThrough;
  Plugin.OpenPlugin = OpenThrough;
  Plugin.Configure = ConfigureThrough;
  Plugin.GetMinFarVersion = VersionThrough;
  return true;
}

void UnloadPlugin(PluginModuleRecord &Plugin) {
  if (Plugin.Module)
    dlclose(Plugin.Module);
  Plugin = PluginModuleRecord();
  Loaded = Far2lEntries();
}

void StartPlugin(const PluginModuleRecord &Plugin, const std::string &LanguageFile) {
  SimReset();
  std::string Bytes;
  if (!ReadBytes(LanguageFile, Bytes) || !SimLoadLanguage(Bytes))
    SimHost.LanguageTexts.clear();
  // far2l hands over a table on its own stack and expects the plug-in to copy it.
  Far2l::PluginStartupInfo Info = Far2lSimStartupInfo(Plugin.Path);
  Loaded.SetStartupInfoW(&Info);
  std::memset(&Info, 0xCC, sizeof(Info));
}

std::string RunInEditor(const PluginModuleRecord &Plugin, const std::string &Text,
                        const std::string &Name, const std::vector<int> &Answers) {
  SimReset();
  SimLoadText(Text, Name);
  SimHost.MenuAnswers.assign(Answers.begin(), Answers.end());
  Plugin.OpenPlugin(OPEN_EDITOR, 0);
  return SimSaveText();
}
