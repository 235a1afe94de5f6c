// The seven indentation settings, the plug-in folder and the start-up sequence.
#pragma once

#include "../host/per_thread.hpp"

#include <string>
#include <vector>

struct PluginSettingsRecord {
  int GlobalTab;
  int MainTab;
  int FuncTab;
  int TextFuncTab;
  int Tab;
  int Comments;     // -1: comment lines follow the code; otherwise their fixed column
  int SplitLineTab; // -1: continuation offset taken from the statement's first line
};

extern PER_THREAD PluginSettingsRecord PluginSettings;

// The rule set the re-indenter and the block commands follow, and the layout options of
// the Modern rules, from the [Rules] section of the settings file.
enum RuleStyle { StyleClassic = 0, StyleModern = 1 };

struct PluginRulesRecord {
  int Style;            // RuleStyle
  int CaseIndent;       // 1: CASE and OTHERWISE stand one step right of DO CASE and SWITCH; 2: as
                        // each DO CASE's first CASE stands
  int BlankLines;       // the longest run of blank lines kept
  int KeepContinuation; // 1: continuation lines keep their offsets from the statement's start
  int KeepColumn0Comments; // 1: a comment line at column 0 stays there
  int ReturnAtHeader;      // 1: a RETURN outside any block stands at its header's column
  int DialogBlocks; // 1: DEFINE DIALOG ... ACTIVATE DIALOG indents what lies between; 2: where
                    // its first line is indented
  int FlatSequence; // 1: the lines before RECOVER stand at BEGIN SEQUENCE's column; 2: as
                    // the first of them stands
  int RoutineBody;  // 1: each routine's body stands as far right of its header as written; 2:
                    // and the header at its own column as written; 3: and a body written left
                    // of its header stays left of it
  int ClassBody;    // columns a class's declarations stand right of CLASS; 0: as a routine's body
  int Steps;        // StepStyle: where the step of the blocks comes from
  int Directives;   // DirectivePlace: the column of preprocessor lines
  int IndentWith;   // IndentFill: spaces, or tabs of TabWidth columns
  int TabWidth;     // the columns a tab stands for when reading and writing; 0 or less: 8
  int KeepOpeners;  // 1: a block opener stands as far from its block's first line as written,
                    // its middle words and closer under it
};

enum StepStyle {
  StepsFixed = 0,   // Tab everywhere
  StepsRoutine = 1, // each routine's step as its first block's first line stands
  StepsBlock = 2    // each block's lines as its first line stands
};
enum DirectivePlace { DirectivesColumn0 = 0, DirectivesCode = 1, DirectivesWritten = 2 };
enum IndentFill { IndentSpaces = 0, IndentTabs = 1 };

// The names of the values of the [Rules] keys that take words, from 0 on.
inline constexpr char StyleWords[] = "Classic|Modern";
inline constexpr char StepsWords[] = "Fixed|Routine|Block";
inline constexpr char DirectivesWords[] = "Column0|Code|Written";
inline constexpr char IndentWithWords[] = "Spaces|Tabs";

extern PER_THREAD PluginRulesRecord PluginRules;
// [Rules] Include: the folders searched for the headers a program includes, after its own
// folder, separated by ";".
extern PER_THREAD std::string PluginIncludeFolders;
// The folders of a ";"-separated list, each trimmed of blanks, the empty ones left out.
std::vector<std::string> SplitFolderList(const std::string &List);

// The keys of the [Rules] section, in the order they are listed; Style's value is a name.
struct RulesKey {
  const char *Name;
  int PluginRulesRecord::*Field;
  int Default;
  int Low, High;     // the values accepted
  const char *Words; // "Spaces|Tabs": names of the values from Low on, in any case; or null
};
extern const RulesKey RulesKeys[15];
// The value Text names for Key: a whole number in range or one of its words (any case); -1
// for neither.
int RulesValueFromText(const RulesKey &Key, const std::string &Text);
// The library's folder, ending in one backslash.
extern PER_THREAD std::string PluginFolder;

// Derives the plug-in folder, loads the word tables, then the settings.
void StartupLoad();
// Reads the seven settings and the [Rules] section.
void LoadSettings();
// Writes the seven settings; the [Rules] section is the user's to edit.
void SaveSettings();
// Releases what start-up made (the folder text and the word tables), as at unload.
void ReleasePluginState();
// PluginFolder + "setup\qmate.ini".
std::string SettingsPath();
