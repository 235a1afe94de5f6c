// Line-by-line comparison of two texts (each line compared with its own end of line): a
// unified diff, and the runs of changed lines an editor applies as text edits.
#pragma once

#include <string>
#include <vector>

std::string UnifiedDiff(const std::string &Before, const std::string &After,
                        const std::string &OldName, const std::string &NewName);

// The text's lines, each with its own end of line ("\r\n", "\n" or a lone "\r"); a final
// line without one is kept as it is, and an empty text has no lines.
std::vector<std::string> SplitKeepingEol(const std::string &Text);

// One run of changed lines: Before's lines [OldFirst, OldFirst + OldCount) become After's
// lines [NewFirst, NewFirst + NewCount).
struct LineChange {
  int OldFirst;
  int OldCount;
  int NewFirst;
  int NewCount;
};

// The runs of a shortest edit from Before to After, top to bottom (one run covering the
// changed middle when the edit is too large to search).
std::vector<LineChange> ChangedLines(const std::vector<std::string> &Before,
                                     const std::vector<std::string> &After);
