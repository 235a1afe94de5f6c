// Every key that a settings file or --set can give, in one table: its section, its range,
// its help line and where the plug-in keeps its value. A new option is one more row.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct SettingKeyRow {
  const char *Section; // the settings file's section
  const char *Key;     // as written in the file and shown; matched without regard to case
  int Default;         // the value when no file gives one (the plug-in's own default)
  int Low, High;       // the whole numbers accepted
  const char *Choices; // "Classic|Modern": a word whose index is the value; null for numbers
  int *(*Field)();     // where the plug-in keeps the value
  const char *Help;    // one line for --help
};

extern const SettingKeyRow SettingKeyRows[];
extern const std::size_t SettingKeyCount;

// The row of a key given in any case, or null.
const SettingKeyRow *FindSettingKey(const std::string &Key);
// The value of Text for Row: a whole number in range, or one of its words in any case.
// False when Text is neither; Expected then says what is accepted ("a whole number from 0 to
// 999").
bool ParseSettingValue(const SettingKeyRow &Row, const std::string &Text, int &Value,
                       std::string &Expected);
// The value as a settings file writes it.
std::string SettingValueText(const SettingKeyRow &Row, int Value);

// A value or argument as it is quoted in a one-line message: control characters shown as
// "?", and at most Most characters of it (then "...").
std::string ShownInMessage(const std::string &Text, std::size_t Most = std::string::npos);

// One value for each row, in the table's order.
typedef std::vector<int> SettingValues;

// True when the settings listing shows row Index: the [Rules] options only with Modern.
bool SettingShown(std::size_t Index, const SettingValues &Values);

// The plug-in's current values, and storing values into the plug-in.
SettingValues CurrentSettingValues();
void ApplySettingValues(const SettingValues &Values);

// Reads every key of the table from a settings file on top of Values. A value that is not
// accepted leaves the old one and adds a warning line to Warnings (file, key and value named).
// False when the file does not exist or cannot be read.
bool ReadSettingsFile(const std::string &Path, SettingValues &Values,
                      std::vector<std::string> &Warnings);
