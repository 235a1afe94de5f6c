// Settings that fit a file: the indentation settings and Modern options under which the
// re-indenter gives back the files' own indentation best.
#pragma once

#include "options.hpp"
#include "setting_keys.hpp"

#include <string>
#include <vector>

// A text and its name, as the editor is given them.
struct InferSource {
  std::string Name;
  std::string Bytes;
};

// How many non-blank lines keep their leading blanks' width (tabs every 8 columns), of how many.
struct Agreement {
  long long Same = 0;
  long long Lines = 0;
};

// Starting from Values (one per row of the settings table), chooses the Modern rule set and
// the values of Tab, TextFuncTab, FuncTab, MainTab, CaseIndent and KeepColumn0Comments that
// make the re-indented texts agree best with their own indentation. The plug-in must be
// started; its settings are left as Values.
Agreement InferSettings(const std::vector<InferSource> &Sources, const CliOptions &Options,
                        SettingValues &Values);

// The inferred values as settings-file lines, with the agreement as a comment.
std::string InferredText(const SettingValues &Values, const Agreement &Result);
