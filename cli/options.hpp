// The command line of the qmate tool.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct CliOptions {
  std::string Verb;
  std::string SetupDir; // empty: $QMATE_SETUP, else the setup folder beside the tool
  std::vector<std::pair<std::string, int>> Overrides; // --set KEY=VALUE, in order
  std::string AssumeFileName = "stdin.prg";
  bool HasLines = false;
  int FirstLine = 0; // 1-based, inclusive
  int LastLine = 0;
  bool HasCursor = false;
  int CursorLine = 1;   // 1-based
  int CursorColumn = 0; // 0-based
  bool InPlace = false;
  bool Check = false;
  bool Diff = false;
  bool Menu = false;
  bool Save = false;
  std::vector<std::string> Files; // FILE... for the file verbs, WORD... for spell
};

// Parses the words after the program name. On a usage error returns false and sets Error
// to one line saying what is wrong.
bool ParseArguments(const std::vector<std::string> &Args, CliOptions &Options, std::string &Error);

// The usage text shown by --help and after a usage error.
const char *UsageText();

// The seven setting names, in the dialog's order.
extern const char *const SettingNames[7];
