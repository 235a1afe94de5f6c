// The seven indentation settings, the plug-in folder and the start-up sequence.
#pragma once

#include <string>

struct PluginSettingsRecord {
  int GlobalTab;
  int MainTab;
  int FuncTab;
  int TextFuncTab;
  int Tab;
  int Comments;     // -1: comment lines follow the code; otherwise their fixed column
  int SplitLineTab; // -1: continuation offset taken from the statement's first line
};

extern PluginSettingsRecord PluginSettings;
// The library's folder, ending in one backslash.
extern std::string PluginFolder;

// Derives the plug-in folder, loads the word tables, then the settings.
void StartupLoad();
void LoadSettings();
void SaveSettings();
// Releases what start-up made (the folder text and the word tables), as at unload.
void ReleasePluginState();
// PluginFolder + "setup\qmate.ini".
std::string SettingsPath();
