// The blocks of a program as the Modern rules read them, and what is wrong with their
// nesting: the one reading the lint command and the editor's diagnostics share.
#pragma once

#include <string>
#include <vector>

// One block: where its opener stands, the lines of its middle words (ELSE, CASE, RECOVER ...)
// and its closer's line, -1 when nothing closed it. Lines and columns count from 0; a column
// is a byte offset in the line.
struct BlockFound {
  int Kind; // BlockKind bit of the opener
  int OpenLine;
  int OpenColumn;
  std::vector<int> Middles;
  int CloseLine;
};

// Something wrong with the nesting, at a line and column (from 0), in plain English.
struct BlockProblem {
  int Line;
  int Column;
  std::string Message;
};

struct BlockReading {
  std::vector<BlockFound> Blocks;
  std::vector<BlockProblem> Problems; // in the order of their lines
};

// Reads the lines of a program (FileName, for the headers it includes, may be empty) as the
// Modern rules do: strings, comments, continued lines, text regions and conditional
// compilation are passed over as they are there.
BlockReading ReadBlocks(const std::vector<std::string> &Lines, const std::string &FileName);
