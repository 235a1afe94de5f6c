// Driving the plug-in as the host does: SetStartupInfo once, then OpenPlugin per file.
#include "driver.hpp"
#include "../sim/sim.hpp"
#include "../src/settings/settings.hpp"

#include <cstdlib>
#include <sys/stat.h>

#ifdef _WIN32
#include <direct.h>
#else
#include <unistd.h>
#endif

namespace {

std::string LinkFolder; // a temporary folder holding a "setup" link, when one was needed

std::string ParentOf(const std::string &Path) {
  std::size_t Slash = Path.find_last_of("/\\");
  if (Slash == std::string::npos)
    return ".";
  if (Slash == 0)
    return Path.substr(0, 1);
  return Path.substr(0, Slash);
}

std::string BaseOf(const std::string &Path) {
  std::string P = Path;
  while (P.size() > 1 && (P.back() == '/' || P.back() == '\\'))
    P.pop_back();
  std::size_t Slash = P.find_last_of("/\\");
  return Slash == std::string::npos ? P : P.substr(Slash + 1);
}

bool IsFolder(const std::string &Path) {
  struct stat St;
  return stat(Path.c_str(), &St) == 0 && S_ISDIR(St.st_mode);
}

#ifdef _WIN32
std::string Lower(std::string S) {
  for (char &C : S)
    if (C >= 'A' && C <= 'Z')
      C = char(C - 'A' + 'a');
  return S;
}
#endif

std::string Absolute(const std::string &Path) {
#ifdef _WIN32
  return Path;
#else
  if (!Path.empty() && Path[0] == '/')
    return Path;
  char Buffer[4096];
  if (!getcwd(Buffer, sizeof(Buffer)))
    return Path;
  return std::string(Buffer) + "/" + Path;
#endif
}

} // namespace

std::string ResolveSetupDir(const CliOptions &Options, const std::string &ToolPath) {
  if (!Options.SetupDir.empty())
    return Options.SetupDir;
  const char *Env = std::getenv("QMATE_SETUP");
  if (Env && *Env)
    return Env;
  return ParentOf(ToolPath) + "/setup";
}

bool StartPlugin(const std::string &SetupDir, const CliOptions &Options, std::string &Error) {
  std::string Dir = SetupDir;
  while (Dir.size() > 1 && (Dir.back() == '/' || Dir.back() == '\\'))
    Dir.pop_back();
  if (!IsFolder(Dir)) {
    Error = "setup folder '" + Dir + "' does not exist";
    return false;
  }
  std::string ModuleFolder;
#ifdef _WIN32
  bool NamedSetup = Lower(BaseOf(Dir)) == "setup";
#else
  // The plug-in asks for "setup" in lower case, and names here are case-sensitive: a folder
  // named "Setup" is reached through the link below, like any other name.
  bool NamedSetup = BaseOf(Dir) == "setup";
#endif
  if (NamedSetup) {
    ModuleFolder = ParentOf(Dir);
  } else {
#ifdef _WIN32
    Error = "the setup folder must be named 'setup': '" + Dir + "'";
    return false;
#else
    // The plug-in looks for its files in "setup" beside its library: give it a folder whose
    // "setup" is a link to the folder asked for.
    const char *Tmp = std::getenv("TMPDIR");
    std::string Template = std::string(Tmp && *Tmp ? Tmp : "/tmp") + "/qmate-XXXXXX";
    std::vector<char> Name(Template.begin(), Template.end());
    Name.push_back(0);
    if (!mkdtemp(Name.data())) {
      Error = "cannot make a temporary folder for the setup link";
      return false;
    }
    LinkFolder = Name.data();
    if (symlink(Absolute(Dir).c_str(), (LinkFolder + "/setup").c_str()) != 0) {
      Error = "cannot link the setup folder '" + Dir + "'";
      StopPlugin();
      return false;
    }
    ModuleFolder = LinkFolder;
#endif
  }
  SimReset();
  std::string ModulePath = ModuleFolder + "/qmate.dll";
  if (ModulePath.size() >= sizeof(PluginStartupInfo::ModuleName)) {
    Error = "the setup folder's path is too long: '" + Dir + "'";
    StopPlugin();
    return false;
  }
  PluginStartupInfo Info = SimStartupInfo(ModulePath);
  SetStartupInfo(&Info);
  for (const auto &Override : Options.Overrides) {
    PluginSettingsRecord &S = PluginSettings;
    int *Fields[7] = {&S.GlobalTab, &S.MainTab,  &S.FuncTab,     &S.TextFuncTab,
                      &S.Tab,       &S.Comments, &S.SplitLineTab};
    for (int I = 0; I < 7; ++I)
      if (Override.first == SettingNames[I])
        *Fields[I] = Override.second;
  }
  return true;
}

void StopPlugin() {
#ifndef _WIN32
  if (!LinkFolder.empty()) {
    unlink((LinkFolder + "/setup").c_str());
    rmdir(LinkFolder.c_str());
    LinkFolder.clear();
  }
#endif
}

void RunInEditor(std::string Bytes, const std::string &FileName, const std::vector<int> &Answers,
                 const CliOptions &Options, std::vector<std::string> &Messages, bool KeepLoaded) {
  SimReset();
  SimLoadText(std::move(Bytes), FileName);
  SimHost.Editor.KeepLoaded = KeepLoaded;
  if (Options.HasCursor)
    SimSetCursor(Options.CursorLine - 1, Options.CursorColumn);
  if (Options.HasLines)
    SimMarkLines(Options.FirstLine - 1, Options.LastLine - 1);
  SimHost.MenuAnswers.assign(Answers.begin(), Answers.end());
  OpenPlugin(OPEN_EDITOR, 0);
  for (const SimMessageCall &M : SimHost.Messages) {
    std::string Line = M.Items.empty() ? std::string() : M.Items[0];
    Line += ":";
    for (std::size_t I = 1; I + static_cast<std::size_t>(M.Buttons) < M.Items.size(); ++I)
      Line += " " + M.Items[I];
    Messages.push_back(Line);
  }
}
