// The command line of the qmate tool.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct CliOptions {
  std::string Verb;
  std::string SetupDir; // empty: $QMATE_SETUP, else the setup folder found beside the tool
  std::vector<std::pair<std::string, int>> Overrides; // --set KEY=VALUE, key as the table spells it
  std::string AssumeFileName = "stdin.prg";
  std::vector<std::string> Includes; // --include DIR, in order
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
  bool Infer = false;             // reindent --infer: settings inferred from each file first
  bool ForceExtension = false;    // -i, --check, --diff: any named file, whatever its extension
  bool Write = false;             // infer --write: the settings into FOLDER/.qmate.ini
  bool NoVerify = false;          // reindent, lsp: the result is not compared with the text
  bool Json = false;              // lint --format=json
  bool Help = false;              // --help after the verb: the verb's help, nothing run
  std::vector<std::string> Files; // FILE... for the file verbs, WORD... for spell
};

// Parses the words after the program name. On a usage error returns false and sets Error
// to one line saying what is wrong.
bool ParseArguments(const std::vector<std::string> &Args, CliOptions &Options, std::string &Error);

// The whole help (`qmate --help`), and one verb's (`qmate VERB --help`; empty for an unknown
// verb).
std::string HelpText();
std::string VerbHelpText(const std::string &Verb);
// The manual page qmate.1 in roff, from the same tables as the help (`qmate --help-man`).
std::string ManPageText();
// The one-line version text.
const char *VersionText();

// True for a verb whose FILE arguments may be folders and several files.
bool VerbTakesFolders(const std::string &Verb);
// True for a verb that prints its result unless -i, --check or --diff says otherwise.
bool VerbTakesOutputModes(const std::string &Verb);
