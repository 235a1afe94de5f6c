// Runs the plug-in's commands on texts through its exports and the simulated host.
#pragma once

#include "options.hpp"

#include <string>
#include <vector>

// The setup folder the options name: --setup, else $QMATE_SETUP, else "setup" beside the tool.
std::string ResolveSetupDir(const CliOptions &Options, const std::string &ToolPath);

// Hands the plug-in the simulated host with a module path from which its own start-up finds
// SetupDir, then applies the --set overrides. False, with Error, when the folder is unusable.
bool StartPlugin(const std::string &SetupDir, const CliOptions &Options, std::string &Error);
// Removes what StartPlugin made to reach the folder.
void StopPlugin();

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
