// Loading the real plug-in library and starting it as the host does.
#include "plugin_module.hpp"
#include "far3_host.hpp"
#include "platform.hpp"

#include <cstring>

SourcesRecord Sources;

namespace {

template <typename Function> void FindEntry(void *Module, const char *Name, Function &Slot) {
  Slot = reinterpret_cast<Function>(FindLibraryExport(Module, Name));
}

} // namespace

bool MakeLayout(const std::string &Name, bool WithSetup, LayoutRecord &Layout) {
  Layout.Folder = Sources.Root + Name + "\\";
  std::size_t Slash = Sources.Dll.find_last_of("\\/");
  Layout.Dll = Layout.Folder + Sources.Dll.substr(Slash == std::string::npos ? 0 : Slash + 1);
  Layout.Setup = Layout.Folder + "setup\\";
  Layout.Settings = Layout.Setup + "qmate.ini";
  RemoveTree(Layout.Folder);
  bool Ok = MakeFolder(Layout.Folder) && CopyOneFile(Sources.Dll, Layout.Dll);
  const char *const Files[] = {"qmateEng.lng", "qmateRus.lng", "qmateEng.hlf", "qmateRus.hlf"};
  for (const char *File : Files)
    Ok = CopyOneFile(Sources.Dist + File, Layout.Folder + File) && Ok;
  if (WithSetup) {
    Ok = MakeFolder(Layout.Setup) && Ok;
    Ok = CopyOneFile(Sources.Dist + "setup\\Keywords.dat", Layout.Setup + "Keywords.dat") && Ok;
    Ok = CopyOneFile(Sources.Dist + "setup\\Replace.dat", Layout.Setup + "Replace.dat") && Ok;
  }
  return Ok;
}

bool LoadPlugin(const std::string &DllPath, PluginModuleRecord &Plugin) {
  Plugin = PluginModuleRecord();
  Plugin.Module = OpenLibrary(DllPath);
  if (!Plugin.Module)
    return false;
  Plugin.Path = LibraryPath(Plugin.Module);
  if (FindLibraryExport(Plugin.Module, "OpenW")) {
    Plugin.Far3 = true;
    FindEntry(Plugin.Module, "GetGlobalInfoW", Plugin.GetGlobalInfoW);
    FindEntry(Plugin.Module, "SetStartupInfoW", Plugin.SetStartupInfoW);
    FindEntry(Plugin.Module, "GetPluginInfoW", Plugin.GetPluginInfoW);
    FindEntry(Plugin.Module, "OpenW", Plugin.OpenW);
    FindEntry(Plugin.Module, "ConfigureW", Plugin.ConfigureW);
    return Plugin.GetGlobalInfoW && Plugin.SetStartupInfoW && Plugin.GetPluginInfoW &&
           Plugin.OpenW && Plugin.ConfigureW;
  }
  FindEntry(Plugin.Module, "SetStartupInfo", Plugin.SetStartupInfo);
  FindEntry(Plugin.Module, "GetPluginInfo", Plugin.GetPluginInfo);
  FindEntry(Plugin.Module, "OpenPlugin", Plugin.OpenPlugin);
  FindEntry(Plugin.Module, "Configure", Plugin.Configure);
  FindEntry(Plugin.Module, "GetMinFarVersion", Plugin.GetMinFarVersion);
  return Plugin.SetStartupInfo && Plugin.GetPluginInfo && Plugin.OpenPlugin && Plugin.Configure &&
         Plugin.GetMinFarVersion;
}

void UnloadPlugin(PluginModuleRecord &Plugin) {
  CloseLibrary(Plugin.Module);
  Plugin = PluginModuleRecord();
}

void StartPlugin(const PluginModuleRecord &Plugin, const std::string &LanguageFile) {
  if (Plugin.Far3) {
    Far3SimReset();
    std::string Bytes;
    if (!ReadBytes(LanguageFile, Bytes) || !Far3SimLoadLanguage(Bytes))
      Far3Sim.LanguageTexts.clear();
    // Far 3 hands over its own table; the plug-in keeps a copy.
    static std::wstring ModulePath;
    ModulePath = WideFromCodePage(0, Plugin.Path);
    Far3::PluginStartupInfo Info = Far3SimStartupInfo(ModulePath);
    Plugin.SetStartupInfoW(&Info);
    std::memset(&Info, 0xCC, sizeof(Info));
    return;
  }
  SimReset();
  std::string Bytes;
  if (!ReadBytes(LanguageFile, Bytes) || !SimLoadLanguage(Bytes))
    SimHost.LanguageTexts.clear();
  // The host hands over a copy on its own stack and expects the plug-in to copy it.
  PluginStartupInfo Info = SimStartupInfo(Plugin.Path);
  Plugin.SetStartupInfo(&Info);
  std::memset(&Info, 0xCC, sizeof(Info));
}

void OpenInEditor(const PluginModuleRecord &Plugin) {
  if (!Plugin.Far3) {
    Plugin.OpenPlugin(OPEN_EDITOR, 0);
    return;
  }
  Far3::OpenInfo Info;
  std::memset(&Info, 0, sizeof(Info));
  Info.StructSize = sizeof(Info);
  Info.OpenFrom = Far3::OpenFromEditor;
  Plugin.OpenW(&Info);
}

void HoldInCodePage(unsigned CodePage) {
  Far3SimReset();
  Far3Sim.StoreCodePage = CodePage;
  Far3Sim.ReportedCodePage = CodePage;
}

std::string ShownEntry(const PluginModuleRecord &Plugin, std::size_t Index, unsigned CodePage) {
  if (Plugin.Far3)
    return CodePageFromWide(CodePage, Far3Sim.MenuItems[1][Index]);
  return SimHost.Menus[1].Items[Index].Text;
}

std::string RunInEditor(const PluginModuleRecord &Plugin, const std::string &Text,
                        const std::string &Name, const std::vector<int> &Answers) {
  SimReset();
  SimLoadText(Text, Name);
  SimHost.MenuAnswers.assign(Answers.begin(), Answers.end());
  OpenInEditor(Plugin);
  return SimSaveText();
}
