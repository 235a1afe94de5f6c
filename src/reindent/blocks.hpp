// The blocks of a program as the Modern rules read them, and what is wrong with their
// nesting: the one reading the lint command and the editor's diagnostics share.
#pragma once

#include <string>
#include <vector>

// A block statement's words as written (DO CASE, END SEQUENCE, ELSE): line, column and length
// in bytes.
struct BlockWord {
  int Line;
  int Column;
  int Length;
};

// One block: where its opener stands, the lines of its middle words (ELSE, CASE, RECOVER ...)
// and its closer's line, -1 when nothing closed it. Lines and columns count from 0; a column
// is a byte offset in the line. Words holds the words that make it, in order: its opener, its
// middle words, a loop's LOOP and EXIT statements, and its closer.
struct BlockFound {
  int Kind; // BlockKind bit of the opener
  int OpenLine;
  int OpenColumn;
  std::vector<int> Middles;
  int CloseLine;
  std::vector<BlockWord> Words;
};

// What an editor may fold: a block (or one part of it, from a middle word on), a routine, a
// class, a /* */ comment, a conditional-compilation branch, a text region. Lines from 0.
enum SpanKind { SpanBlock, SpanRoutine, SpanClass, SpanComment, SpanBranch, SpanRegion };
struct BlockSpan {
  int First;
  int Last;
  int Kind; // SpanKind
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
  // The lines of the routines' headers (methods outside a class among them) and of the
  // classes' declarations, in order.
  std::vector<int> Headers;
  // The spans found while reading: classes, comments, branches and text regions.
  std::vector<BlockSpan> Spans;
  int LastLine = -1; // the last line with text
};

// Reads the lines of a program (FileName, for the headers it includes, may be empty) as the
// Modern rules do: strings, comments, continued lines, text regions and conditional
// compilation are passed over as they are there.
BlockReading ReadBlocks(const std::vector<std::string> &Lines, const std::string &FileName);

// Everything an editor may fold in a reading, ordered by first line: each closed block from
// its opener and each of its middle words to the line before the next of its words (the
// closer stays in sight), each routine from its header to the line before the next header
// or class (or the last line), and the spans the reading found. Spans of one line are left
// out.
std::vector<BlockSpan> FoldingSpans(const BlockReading &Reading);

// The words of the block one of whose words covers the byte at Column of Line (or ends
// there, as after typing it); empty when no block word stands there.
std::vector<BlockWord> MatchingBlockWords(const BlockReading &Reading, int Line, int Column);

// The line of the last routine or class header at or above Line, or -1 when there is none.
int EnclosingHeader(const BlockReading &Reading, int Line);
