// The seven settings, their file, and the start-up sequence.
#include "settings.hpp"
#include "../host/session.hpp"
#include "../words/words.hpp"
#include "profile.hpp"

#include <string>

PER_THREAD PluginSettingsRecord PluginSettings;
PER_THREAD PluginRulesRecord PluginRules;
PER_THREAD std::string PluginIncludeFolders;

std::vector<std::string> SplitFolderList(const std::string &List) {
  std::vector<std::string> Folders;
  std::size_t At = 0;
  while (At <= List.size()) {
    std::size_t End = List.find(';', At);
    if (End == std::string::npos)
      End = List.size();
    std::string Folder = TrimRight(TrimLeft(List.substr(At, End - At)));
    if (!Folder.empty())
      Folders.push_back(Folder);
    At = End + 1;
  }
  return Folders;
}

const RulesKey RulesKeys[15] = {
    {"Style", &PluginRulesRecord::Style, StyleClassic, StyleClassic, StyleModern, StyleWords},
    {"CaseIndent", &PluginRulesRecord::CaseIndent, 0, 0, 2, nullptr},
    {"BlankLines", &PluginRulesRecord::BlankLines, 1, 0, 99, nullptr},
    {"KeepContinuation", &PluginRulesRecord::KeepContinuation, 1, 0, 1, nullptr},
    {"KeepColumn0Comments", &PluginRulesRecord::KeepColumn0Comments, 1, 0, 1, nullptr},
    {"ReturnAtHeader", &PluginRulesRecord::ReturnAtHeader, 0, 0, 1, nullptr},
    {"DialogBlocks", &PluginRulesRecord::DialogBlocks, 0, 0, 2, nullptr},
    {"FlatSequence", &PluginRulesRecord::FlatSequence, 0, 0, 2, nullptr},
    {"RoutineBody", &PluginRulesRecord::RoutineBody, 0, 0, 3, nullptr},
    {"ClassBody", &PluginRulesRecord::ClassBody, 0, 0, 99, nullptr},
    {"Steps", &PluginRulesRecord::Steps, StepsFixed, StepsFixed, StepsBlock, StepsWords},
    {"Directives", &PluginRulesRecord::Directives, DirectivesColumn0, DirectivesColumn0,
     DirectivesWritten, DirectivesWords},
    {"IndentWith", &PluginRulesRecord::IndentWith, IndentSpaces, IndentSpaces, IndentTabs,
     IndentWithWords},
    {"TabWidth", &PluginRulesRecord::TabWidth, 8, 1, 16, nullptr},
    {"KeepOpeners", &PluginRulesRecord::KeepOpeners, 0, 0, 1, nullptr},
};
PER_THREAD std::string PluginFolder;

namespace {

struct SettingKey {
  const char *Name;
  int PluginSettingsRecord::*Field;
  int Default;
};

// The order in which the keys are read and written.
const SettingKey SettingKeys[7] = {
    {"GlobalTab", &PluginSettingsRecord::GlobalTab, 0},
    {"MainTab", &PluginSettingsRecord::MainTab, 0},
    {"Tab", &PluginSettingsRecord::Tab, 2},
    {"FuncTab", &PluginSettingsRecord::FuncTab, 0},
    {"TextFuncTab", &PluginSettingsRecord::TextFuncTab, 2},
    {"Comments", &PluginSettingsRecord::Comments, -1},
    {"SplitLineTab", &PluginSettingsRecord::SplitLineTab, -1},
};

// The library's folder: everything before the last backslash, then one backslash.
std::string FolderOf(const char *ModuleName, std::size_t Capacity) {
  std::size_t Length = 0;
  while (Length < Capacity && ModuleName[Length])
    ++Length;
  std::string Path(ModuleName, Length);
  std::size_t Slash = Path.rfind('\\');
#ifndef _WIN32
  std::size_t Forward = Path.rfind('/');
  if (Forward != std::string::npos && (Slash == std::string::npos || Forward > Slash))
    Slash = Forward;
#endif
  if (Slash == std::string::npos)
    return ".\\";
  return Path.substr(0, Slash) + "\\";
}

} // namespace

std::string SettingsPath() {
  return PluginFolder + "setup\\qmate.ini";
}

void StartupLoad() {
  PluginFolder = FolderOf(HostServices.ModuleName, sizeof(HostServices.ModuleName));
  LoadWordTables();
  LoadSettings();
}

void LoadSettings() {
  std::string Path = SettingsPath();
  for (const SettingKey &Key : SettingKeys)
    PluginSettings.*Key.Field = ProfileGetInt("Settings", Key.Name, Key.Default, Path.c_str());
  // A value out of its range, or a style not named, gives the default.
  for (const RulesKey &Key : RulesKeys) {
    int Value = Key.Default;
    if (Key.Words) {
      std::string Text;
      ProfileGetText("Rules", Key.Name, Path.c_str(), Text);
      int Named = RulesValueFromText(Key, Text);
      Value = Named < 0 ? Key.Default : Named;
    } else {
      Value = ProfileGetInt("Rules", Key.Name, Key.Default, Path.c_str());
      if (Value < Key.Low || Value > Key.High)
        Value = Key.Default;
    }
    PluginRules.*Key.Field = Value;
  }
  PluginIncludeFolders.clear();
  ProfileGetText("Rules", "Include", Path.c_str(), PluginIncludeFolders);
}

int RulesValueFromText(const RulesKey &Key, const std::string &Text) {
  std::string Upper;
  for (char C : Text)
    Upper += AsciiUpper(C);
  int Value = Key.Low;
  std::string Word;
  for (const char *C = Key.Words; C && *C; ++C) {
    if (*C != '|')
      Word += AsciiUpper(*C);
    if (*C == '|' || C[1] == 0) {
      if (Word == Upper)
        return Value;
      Word.clear();
      ++Value;
    }
  }
  // A number as written plainly: no sign, no leading zero.
  if (Upper.empty() || Upper.size() > 3 || (Upper.size() > 1 && Upper[0] == '0'))
    return -1;
  int Number = 0;
  for (char C : Upper) {
    if (C < '0' || C > '9')
      return -1;
    Number = Number * 10 + (C - '0');
  }
  return Number < Key.Low || Number > Key.High ? -1 : Number;
}

void SaveSettings() {
  std::string Path = SettingsPath();
  for (const SettingKey &Key : SettingKeys)
    ProfileWriteString("Settings", Key.Name, std::to_string(PluginSettings.*Key.Field).c_str(),
                       Path.c_str());
}

void ReleasePluginState() {
  PluginFolder.clear();
  PluginFolder.shrink_to_fit();
  ReleaseWordTables();
}
