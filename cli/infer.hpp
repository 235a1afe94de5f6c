// Settings that fit a file: the indentation settings and Modern options under which the
// re-indenter gives back the files' own indentation best.
#pragma once

#include "options.hpp"
#include "setting_keys.hpp"

#include <string>
#include <vector>

struct ReindentReplayRecord;

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

// What the search settled on: the agreement over all texts and over each.
struct InferResult {
  Agreement Total;
  std::vector<Agreement> PerSource;
  bool OtherSearch = false; // the values are those of the search run beside the one asked for
};

// Starting from Values (one per row of the settings table), chooses the Modern rule set, the
// numbers Tab (1 to 8), TextFuncTab, FuncTab and MainTab (0 to 8) and the [Rules] options
// that move lines, jointly, so that the re-indented texts agree best with their own
// indentation; ties go to the values given, then to smaller ones. An option whose constructs
// the texts lack keeps its value. The search runs until nothing changes, or frugally (see
// infer.cpp); when its values leave many lines moved, the other search runs too, and the values
// that keep more lines win. The plug-in must be started; its settings are left as Values. With Keep
// and one text, the text's lines as the search read and scanned them are moved into Keep, for a
// re-indent of the same text to replay (ReindentSink.Replay).
InferResult InferSettings(const std::vector<InferSource> &Sources, SettingValues &Values,
                          ReindentReplayRecord *Keep = nullptr, bool Frugal = false);

// The inferred values as settings-file lines, with the agreement as a comment.
std::string InferredText(const SettingValues &Values, const Agreement &Result);

// The texts that fit the inferred values worst (at most Most, only those below 100%, worst
// first, ties by name), as "; worst: NAME 71.2%" comment lines.
std::string WorstFitText(const std::vector<InferSource> &Sources, const InferResult &Result,
                         std::size_t Most);

// Writes the inferred keys into the settings file Path (a project's .qmate.ini): each key's
// line changed in place, or added to its section (the section added when missing); every
// other line, section and comment stays. The file is replaced whole through a temporary file.
// False, with Error, when it cannot be read or written (it is then unchanged).
bool WriteInferredSettings(const std::string &Path, const SettingValues &Values,
                           std::string &Error);

// The agreement as "71.2%".
std::string PercentText(const Agreement &A);
