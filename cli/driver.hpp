// Runs the plug-in's commands on texts through its exports and the simulated host.
#pragma once

#include "../src/host/per_thread.hpp"
#include "options.hpp"
#include "setting_keys.hpp"

#include <string>
#include <vector>

// The setup folder in use: what StartPlugin found and read.
struct CliSetupRecord {
  std::string Dir; // as the user named it; empty for the built-in word files
  bool BuiltIn = false;
  SettingValues Base;  // the defaults with the folder's qmate.ini read on top (checked)
  std::string Include; // [Rules] Include of the folder's qmate.ini
};
extern PER_THREAD CliSetupRecord CliSetup;

// The setup folder the options name: --setup, else $QMATE_SETUP, else "setup" beside the
// tool, else ../share/qmate/setup from the tool's folder. Empty when none exists: the
// built-in word files are then used.
std::string ResolveSetupDir(const CliOptions &Options, const std::string &ToolPath);

// Hands the plug-in the simulated host with a module path from which its own start-up finds
// SetupDir (or a temporary folder holding the built-in word files when SetupDir is empty),
// reads the folder's settings file with every value checked (a warning line on standard
// error for each refused value) and applies the --set overrides. False, with Error, when
// the folder is unusable.
bool StartPlugin(const std::string &SetupDir, const CliOptions &Options, std::string &Error);
// Removes what StartPlugin made to reach the folder.
void StopPlugin();

// The settings for a file (or a folder's files; the current folder's when Path is empty): the setup
// folder's, the nearest project settings file on top, then the --set overrides. FilesRead
// names the settings files read; Warnings holds the lines for values refused in a project
// file the first time that file is read.
struct FileSettingsRecord {
  SettingValues Values;
  std::vector<std::string> FilesRead;
  std::vector<std::string> Warnings;
};
FileSettingsRecord SettingsForFile(const std::string &Path, const CliOptions &Options);

// The folders searched for the headers a file at Path includes, as [Rules] Include lists them:
// the --include folders first, then the nearest project settings file's Include (its relative
// folders taken from its own folder) or else the setup folder's.
std::string IncludeFoldersFor(const std::string &Path, const CliOptions &Options);

// Writes the shipped word files into Dir; false when one cannot be written.
bool WriteShippedWordFiles(const std::string &Dir);

// The indices of the command menu's entries.
enum CommandEntry {
  EntryReindent = 0,
  EntryProcedures = 1,
  EntryComment = 2,
  EntryUncomment = 3,
  EntryAnnotate = 4,
  EntrySettings = 6,
};

// Opens the plug-in in an editor holding Bytes (moved in) and answers its menus with Answers
// (Esc after them). The editor's text afterwards is the simulated host's (SimEmitText,
// SimTextUnchanged); the host's message boxes are appended to Messages as "TITLE: TEXT".
// KeepLoaded as in SimEditorRecord: false lets a large file be rewritten in its own place
// (the loaded bytes are then no longer at hand).
void RunInEditor(std::string Bytes, const std::string &FileName, const std::vector<int> &Answers,
                 const CliOptions &Options, std::vector<std::string> &Messages,
                 bool KeepLoaded = true);
