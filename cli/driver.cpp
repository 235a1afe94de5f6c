// Driving the plug-in as the host does: SetStartupInfo once, then OpenPlugin per file.
#include "driver.hpp"
#include "../sim/sim.hpp"
#include "../src/host/files.hpp"
#include "../src/host/session.hpp"
#include "../src/settings/profile.hpp"
#include "../src/settings/settings.hpp"
#include "../src/words/words.hpp"
#include "platform.hpp"
#include "project.hpp"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sys/stat.h>

#ifdef _WIN32
#include <direct.h>
#else
#include <unistd.h>
#endif

extern const char QmateShippedKeywordsBytes[];
extern const unsigned QmateShippedKeywordsSize;
extern const char QmateShippedReplaceBytes[];
extern const unsigned QmateShippedReplaceSize;

PER_THREAD CliSetupRecord CliSetup;

namespace {

// A temporary folder holding a "setup" link or the built-in word files, when one was needed.
std::string TempFolder;

// The project settings files read so far, each with the values it gives on top of the setup
// folder's.
PER_THREAD std::map<std::string, SettingValues> ProjectCache;
// The Include list of each project settings file read so far, its folders made whole.
PER_THREAD std::map<std::string, std::string> ProjectIncludeCache;

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

bool WriteBytes(const std::string &Path, const char *Data, std::size_t Size) {
  std::FILE *F = OpenFile(Path, "wb");
  if (!F)
    return false;
  bool Ok = std::fwrite(Data, 1, Size, F) == Size;
  return (std::fclose(F) == 0) && Ok;
}

bool MakeToolTempFolder(std::string &Error) {
  std::string Folder;
  if (!MakeTempFolder(Folder)) {
    Error = "cannot make a temporary folder in " + Folder;
    return false;
  }
  TempFolder = Folder;
  return true;
}

void ApplyOverrides(SettingValues &Values, const CliOptions &Options) {
  for (const auto &Override : Options.Overrides)
    for (std::size_t I = 0; I < SettingKeyCount; ++I)
      if (Override.first == SettingKeyRows[I].Key)
        Values[I] = Override.second;
}

// Warnings about the setup folder's word files: one that is no regular file or is too large
// is not read (its table stays empty), and keywords out of order are missed by the lookup,
// which bisects the list.
void WarnAboutWordFiles(const std::string &Dir) {
  for (const char *Name : {"Keywords.dat", "Replace.dat"}) {
    std::string Path = Dir + "/" + Name;
    DataFileKind Kind = ProbeDataFile(Path);
    if (Kind == DataFileNotRegular)
      std::cerr << "qmate: warning: " << Path << " is not a regular file; it is not read\n";
    else if (Kind == DataFileTooLarge)
      std::cerr << "qmate: warning: " << Path << " is larger than 1 MiB; it is not read\n";
  }
  const std::vector<std::string> &Keywords = WordTables.Keywords;
  for (std::size_t I = 1; I < Keywords.size(); ++I)
    if (LocaleUpperText(Keywords[I]) < LocaleUpperText(Keywords[I - 1])) {
      std::cerr << "qmate: warning: " << Dir << "/Keywords.dat: '" << Keywords[I]
                << "' is out of order (after '" << Keywords[I - 1]
                << "'); the rows must stay sorted, or words after it may not be respelled\n";
      return;
    }
}

} // namespace

bool WriteShippedWordFiles(const std::string &Dir) {
  return WriteBytes(Dir + "/Keywords.dat", QmateShippedKeywordsBytes, QmateShippedKeywordsSize) &&
         WriteBytes(Dir + "/Replace.dat", QmateShippedReplaceBytes, QmateShippedReplaceSize);
}

std::string ResolveSetupDir(const CliOptions &Options, const std::string &ToolPath) {
  if (!Options.SetupDir.empty())
    return Options.SetupDir;
  const char *Env = std::getenv("QMATE_SETUP");
  if (Env && *Env)
    return Env;
  std::string Beside = ParentOf(ToolPath) + "/setup";
  if (PathIsFolder(Beside))
    return Beside;
  std::string Shared = ParentOf(ParentOf(ToolPath)) + "/share/qmate/setup";
  if (PathIsFolder(Shared))
    return Shared;
  return std::string();
}

bool StartPlugin(const std::string &SetupDir, const CliOptions &Options, std::string &Error) {
  std::string Dir = SetupDir;
  while (Dir.size() > 1 && (Dir.back() == '/' || Dir.back() == '\\'))
    Dir.pop_back();
  CliSetup = CliSetupRecord();
  CliSetup.Dir = Dir;
  CliSetup.BuiltIn = Dir.empty();
  ProjectCache.clear();
  ProjectIncludeCache.clear();
  std::string ModuleFolder;
  if (CliSetup.BuiltIn) {
    // No setup folder anywhere: the shipped word files, written to a temporary setup folder.
    if (!MakeToolTempFolder(Error))
      return false;
    if (!MakeFolder(TempFolder + "/setup") || !WriteShippedWordFiles(TempFolder + "/setup")) {
      Error = "cannot write the built-in word files to " + TempFolder;
      StopPlugin();
      return false;
    }
    ModuleFolder = TempFolder;
  } else if (!PathIsFolder(Dir)) {
    Error = "setup folder '" + Dir + "' does not exist";
    return false;
  } else {
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
      // The plug-in looks for its files in "setup" beside its library: give it a folder
      // whose "setup" is a link to the folder asked for.
      if (!MakeToolTempFolder(Error))
        return false;
      if (symlink(Absolute(Dir).c_str(), (TempFolder + "/setup").c_str()) != 0) {
        Error = "cannot link the setup folder '" + Dir + "'";
        StopPlugin();
        return false;
      }
      ModuleFolder = TempFolder;
#endif
    }
  }
  SimReset();
  std::string ModulePath = HostPath(ModuleFolder + "/qmate.dll");
  if (ModulePath.size() >= sizeof(PluginStartupInfo::ModuleName)) {
    Error = "the setup folder's path is too long: '" + Dir + "'";
    StopPlugin();
    return false;
  }
  PluginStartupInfo Info = SimStartupInfo(ModulePath);
  SetStartupInfo(&Info);
  // The tool reads the settings file itself too, so that a value out of range is refused
  // with a warning rather than taken as the plug-in's reading makes it.
  for (std::size_t I = 0; I < SettingKeyCount; ++I)
    CliSetup.Base.push_back(SettingKeyRows[I].Default);
  if (!CliSetup.BuiltIn) {
    WarnAboutWordFiles(Dir);
    std::vector<std::string> Warnings;
    ReadSettingsFile(Dir + "/qmate.ini", CliSetup.Base, Warnings);
    for (const std::string &W : Warnings)
      std::cerr << "qmate: warning: " << W << "\n";
  }
  SettingValues Values = CliSetup.Base;
  ApplyOverrides(Values, Options);
  ApplySettingValues(Values);
  CliSetup.Include = PluginIncludeFolders;
  PluginIncludeFolders = IncludeFoldersFor(std::string(), Options);
  return true;
}

void StopPlugin() {
  if (TempFolder.empty())
    return;
  std::string Setup = TempFolder + "/setup";
  if (KindOfPath(Setup, false) == PathFolder)
    for (const char *Name : {"Keywords.dat", "Replace.dat", "qmate.ini"})
      RemovePath(Setup + "/" + Name);
  RemovePath(Setup);
  RemovePath(TempFolder);
  TempFolder.clear();
}

FileSettingsRecord SettingsForFile(const std::string &Path, const CliOptions &Options) {
  FileSettingsRecord R;
  R.Values = CliSetup.Base;
  if (!CliSetup.BuiltIn) {
    std::string SetupIni = CliSetup.Dir + "/qmate.ini";
    if (KindOfPath(SetupIni, true) != PathMissing)
      R.FilesRead.push_back(SetupIni);
  }
  std::string Named = Path == "-" ? Options.AssumeFileName : Path;
  std::string Folder = Path.empty() ? "." : PathIsFolder(Named) ? Named : FolderOfPath(Named);
  std::string Project = NearestProjectSettings(Folder);
  if (!Project.empty()) {
    auto Found = ProjectCache.find(Project);
    if (Found == ProjectCache.end()) {
      SettingValues Values = CliSetup.Base;
      ReadSettingsFile(Project, Values, R.Warnings);
      Found = ProjectCache.emplace(Project, Values).first;
    }
    R.Values = Found->second;
    R.FilesRead.push_back(Project);
  }
  ApplyOverrides(R.Values, Options);
  return R;
}

std::string IncludeFoldersFor(const std::string &Path, const CliOptions &Options) {
  std::string List;
  for (const std::string &Folder : Options.Includes)
    List += Absolute(Folder) + ";";
  std::string Project;
  if (!Path.empty()) {
    std::string Named = Path == "-" ? Options.AssumeFileName : Path;
    Project = NearestProjectSettings(PathIsFolder(Named) ? Named : FolderOfPath(Named));
  }
  if (Project.empty())
    return List + CliSetup.Include;
  auto Found = ProjectIncludeCache.find(Project);
  if (Found == ProjectIncludeCache.end()) {
    std::string Text, Whole;
    if (!ProfileGetText("Rules", "Include", Project.c_str(), Text))
      Text = CliSetup.Include;
    for (const std::string &Folder : SplitFolderList(Text))
      Whole += (Folder[0] == '/' ? Folder : JoinPath(FolderOfPath(Project), Folder)) + ";";
    Found = ProjectIncludeCache.emplace(Project, Whole).first;
  }
  return List + Found->second;
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
