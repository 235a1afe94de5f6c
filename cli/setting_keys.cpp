// The table of settings keys, and reading a settings file with every value checked.
#include "setting_keys.hpp"
#include "platform.hpp"
#include "../src/host/files.hpp"
#include "../src/settings/profile.hpp"
#include "../src/settings/settings.hpp"
#ifdef _WIN32
#include "winpaths.hpp"
#include <io.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

const SettingKeyRow SettingKeyRows[] = {
    {"Settings", "GlobalTab", 0, 0, 999, nullptr, [] { return &PluginSettings.GlobalTab; },
     "columns added to the indentation of every line"},
    {"Settings", "MainTab", 0, 0, 999, nullptr, [] { return &PluginSettings.MainTab; },
     "indentation of the main program (the lines before the first PROCEDURE or FUNCTION)"},
    {"Settings", "FuncTab", 0, 0, 999, nullptr, [] { return &PluginSettings.FuncTab; },
     "indentation of the PROCEDURE and FUNCTION header lines"},
    {"Settings", "TextFuncTab", 2, 0, 999, nullptr, [] { return &PluginSettings.TextFuncTab; },
     "indentation of the lines of a procedure's or function's body"},
    {"Settings", "Tab", 2, 0, 999, nullptr, [] { return &PluginSettings.Tab; },
     "added for each level of IF, FOR, DO WHILE, WHILE and DO CASE"},
    {"Settings", "Comments", -1, -9, 999, nullptr, [] { return &PluginSettings.Comments; },
     "-1: comment lines are indented like the code around them; 0 or more: the column they start "
     "at; below -1: column 0"},
    {"Settings", "SplitLineTab", -1, -9, 999, nullptr, [] { return &PluginSettings.SplitLineTab; },
     "-1 (or below): lines continuing a statement (after ;) line up under its first line; 0 or "
     "more: columns right of the first line"},
    {"Rules", "Style", StyleClassic, 0, 1, StyleWords, [] { return &PluginRules.Style; },
     "the rule set: Classic, or Modern (every block and header of Clipper 5 and Harbour, a "
     "stack of open blocks, layout kept)"},
    {"Rules", "CaseIndent", 0, 0, 2, nullptr, [] { return &PluginRules.CaseIndent; },
     "Modern: 1 puts CASE and OTHERWISE one step right of DO CASE and SWITCH, 0 flush, 2 as "
     "each DO CASE's first CASE stands"},
    {"Rules", "BlankLines", 1, 0, 99, nullptr, [] { return &PluginRules.BlankLines; },
     "Modern: the longest run of blank lines kept"},
    {"Rules", "KeepContinuation", 1, 0, 1, nullptr, [] { return &PluginRules.KeepContinuation; },
     "Modern: 1 keeps continuation lines where they stood relative to their statement, 0 "
     "aligns them as Classic does"},
    {"Rules", "KeepColumn0Comments", 1, 0, 1, nullptr,
     [] { return &PluginRules.KeepColumn0Comments; },
     "Modern: 1 leaves a comment line that starts at column 0 there"},
    {"Rules", "ReturnAtHeader", 0, 0, 1, nullptr, [] { return &PluginRules.ReturnAtHeader; },
     "Modern: 1 puts a RETURN outside any block at its header's column"},
    {"Rules", "DialogBlocks", 0, 0, 2, nullptr, [] { return &PluginRules.DialogBlocks; },
     "Modern: 1 indents the lines between DEFINE DIALOG, WINDOW or SHELL and ACTIVATE, and "
     "between DEFINE TABLE or DATABASE and END DATABASE; 2 only where the first of them is "
     "indented"},
    {"Rules", "FlatSequence", 0, 0, 2, nullptr, [] { return &PluginRules.FlatSequence; },
     "Modern: 1 keeps the lines between BEGIN SEQUENCE and RECOVER or ALWAYS at BEGIN "
     "SEQUENCE's column and indents those after them; 2 does so for each BEGIN SEQUENCE whose "
     "first "
     "line stands at its column"},
    {"Rules", "RoutineBody", 0, 0, 3, nullptr, [] { return &PluginRules.RoutineBody; },
     "Modern: 1 keeps each routine's body as far right of its header as its first statement "
     "stands, for files whose routines differ; 2 also keeps each header at its own column; 3 "
     "also keeps a body written left of its header left of it"},
    {"Rules", "ClassBody", 0, 0, 99, nullptr, [] { return &PluginRules.ClassBody; },
     "Modern: the columns a class's declarations (DATA, METHOD...) stand right of CLASS; 0 "
     "indents them as a routine's body"},
    {"Rules", "Steps", StepsFixed, 0, 2, StepsWords, [] { return &PluginRules.Steps; },
     "Modern: Fixed indents every block by Tab; Routine by each routine's own step, as its first "
     "block's first line stands; Block each block as its own first line stands"},
    {"Rules", "Directives", DirectivesColumn0, 0, 2, DirectivesWords,
     [] { return &PluginRules.Directives; },
     "Modern: preprocessor lines (#ifdef...) at column 0, at the column of the code around "
     "them, or where they were written"},
    {"Rules", "IndentWith", IndentSpaces, 0, 1, IndentWithWords,
     [] { return &PluginRules.IndentWith; },
     "Modern: indentation written with spaces, or with tabs of TabWidth columns (then spaces)"},
    {"Rules", "TabWidth", 8, 1, 16, nullptr, [] { return &PluginRules.TabWidth; },
     "Modern: the columns a tab stands for, reading and writing indentation"},
    {"Rules", "KeepOpeners", 0, 0, 1, nullptr, [] { return &PluginRules.KeepOpeners; },
     "Modern: 1 keeps each block opener (IF, DO WHILE, FOR...) as far right or left of the "
     "first line of the block around it as written, its middle words and closer under it"},
};

const std::size_t SettingKeyCount = sizeof(SettingKeyRows) / sizeof(SettingKeyRows[0]);

namespace {

char LowerAscii(char C) {
  return (C >= 'A' && C <= 'Z') ? char(C - 'A' + 'a') : C;
}

bool SameWord(const std::string &A, const std::string &B) {
  if (A.size() != B.size())
    return false;
  for (std::size_t I = 0; I < A.size(); ++I)
    if (LowerAscii(A[I]) != LowerAscii(B[I]))
      return false;
  return true;
}

std::vector<std::string> ChoiceWords(const SettingKeyRow &Row) {
  std::vector<std::string> Words;
  std::string Word;
  for (const char *C = Row.Choices; C && *C; ++C) {
    if (*C == '|') {
      Words.push_back(Word);
      Word.clear();
    } else {
      Word += *C;
    }
  }
  if (Row.Choices)
    Words.push_back(Word);
  return Words;
}

} // namespace

std::string ShownInMessage(const std::string &Text, std::size_t Most) {
  std::string Out = Text.substr(0, Most);
  for (char &C : Out)
    if (static_cast<unsigned char>(C) < 32 || C == 127)
      C = '?';
  return Out.size() < Text.size() ? Out + "..." : Out;
}

const SettingKeyRow *FindSettingKey(const std::string &Key) {
  for (const SettingKeyRow &Row : SettingKeyRows)
    if (SameWord(Key, Row.Key))
      return &Row;
  return nullptr;
}

bool ParseSettingValue(const SettingKeyRow &Row, const std::string &Text, int &Value,
                       std::string &Expected) {
  if (Row.Choices) {
    std::vector<std::string> Words = ChoiceWords(Row);
    Expected = "one of";
    for (std::size_t I = 0; I < Words.size(); ++I) {
      Expected += (I == 0 ? " " : I + 1 == Words.size() ? " or " : ", ") + Words[I];
      if (SameWord(Text, Words[I])) {
        Value = static_cast<int>(I);
        return true;
      }
    }
    return false;
  }
  Expected = "a whole number from " + std::to_string(Row.Low) + " to " + std::to_string(Row.High);
  std::size_t I = (!Text.empty() && (Text[0] == '-' || Text[0] == '+')) ? 1 : 0;
  if (I >= Text.size() || Text.size() - I > 9)
    return false;
  for (std::size_t K = I; K < Text.size(); ++K)
    if (Text[K] < '0' || Text[K] > '9')
      return false;
  long Number = std::strtol(Text.c_str(), nullptr, 10);
  if (Number < Row.Low || Number > Row.High)
    return false;
  Value = static_cast<int>(Number);
  return true;
}

std::string SettingValueText(const SettingKeyRow &Row, int Value) {
  std::vector<std::string> Words = ChoiceWords(Row);
  if (Value >= 0 && static_cast<std::size_t>(Value) < Words.size())
    return Words[static_cast<std::size_t>(Value)];
  return std::to_string(Value);
}

bool SettingShown(std::size_t Index, const SettingValues &Values) {
  // The rule set's options matter only with the Modern rules.
  if (std::string(SettingKeyRows[Index].Section) != "Rules")
    return true;
  for (std::size_t I = 0; I < SettingKeyCount && I < Values.size(); ++I)
    if (SettingKeyRows[I].Field() == &PluginRules.Style)
      return Values[I] == StyleModern;
  return true;
}

SettingValues CurrentSettingValues() {
  SettingValues Values;
  for (const SettingKeyRow &Row : SettingKeyRows)
    Values.push_back(*Row.Field());
  return Values;
}

void ApplySettingValues(const SettingValues &Values) {
  for (std::size_t I = 0; I < SettingKeyCount && I < Values.size(); ++I)
    *SettingKeyRows[I].Field() = Values[I];
}

bool ReadSettingsFile(const std::string &Path, SettingValues &Values,
                      std::vector<std::string> &Warnings) {
  std::string Native = HostPath(Path);
  switch (ProbeDataFile(Native)) {
  case DataFileMissing:
    return false;
  case DataFileNotRegular:
    Warnings.push_back(Path + " is not a regular file; it is not read");
    return false;
  case DataFileTooLarge:
    Warnings.push_back(Path + " is larger than 1 MiB; it is not read");
    return false;
  case DataFileReadable:
    break;
  }
#ifdef _WIN32
  if (_waccess(WidePath(Native).c_str(), 4) != 0)
    return false;
#else
  if (access(Native.c_str(), R_OK) != 0)
    return false;
#endif
  for (std::size_t I = 0; I < SettingKeyCount && I < Values.size(); ++I) {
    const SettingKeyRow &Row = SettingKeyRows[I];
    std::string Text, Expected;
    // An empty value counts as missing, as the plug-in reads it.
    if (!ProfileGetText(Row.Section, Row.Key, Native.c_str(), Text) || Text.empty())
      continue;
    int Value = 0;
    if (ParseSettingValue(Row, Text, Value, Expected))
      Values[I] = Value;
    else
      Warnings.push_back(Path + ": " + Row.Key + "=" + ShownInMessage(Text, 40) + " is not " +
                         Expected + "; using " + SettingValueText(Row, Values[I]));
  }
  return true;
}
