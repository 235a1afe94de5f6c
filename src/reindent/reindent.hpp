// The re-indenter: the line scanner, the indentation rules and the procedure spacing pass.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One recorded word of a line: as written, and the column of its first character.
struct LineWord {
  std::string Word; // as written in Trimmed
  int Position;     // 1-based column in Trimmed
};

// The scanned form of one line. The buffers are reused from line to line.
struct ScannedLine {
  std::string Trimmed;
  std::string Rebuilt;
  std::vector<LineWord> Words;
  bool Continued;
};

// The regions whose lines are printed or compiled as they stand.
enum VerbatimKind {
  VerbatimNone = 0,
  VerbatimText = 1,       // TEXT ... ENDTEXT
  VerbatimPragmaText = 2, // #pragma __text, __cstream or __stream ... #pragma __endtext
  VerbatimDump = 3,       // #pragma BEGINDUMP ... #pragma ENDDUMP
};

// What the re-indent loop learned about each line of its range, kept for the spacing pass.
enum LineMark {
  MarkVerbatim = 1,       // inside a verbatim region: neither deleted nor tested as a header
  MarkAfterContinued = 2, // follows a continued line: part of that statement
};

// What one re-indent run carries from a line to the next.
struct ReindentState {
  bool InLineComment;
  bool InBlockComment;
  bool InDoubleQuote;
  bool InSingleQuote;
  bool InBracketString;
  bool PrevContinued;
  int LineIndent;
  int NextIndent;
  bool ContinuationActive;
  int ContinuationOffset;
  bool OpenerDeferred;
  bool InsideFunction;
  int Verbatim;                     // VerbatimKind of the region the next lines belong to
  std::vector<unsigned char> Marks; // LineMark bits, one per line handled, from the range start
};

// Scans one line: trims it, follows comments, strings and continuation, records and
// respells its words, and applies the WHILE, FOR and NEXT adjustments to the counters.
void ScanLine(ReindentState &State, const std::string &Line, ScannedLine &Result);

// Adds two counters, held at the ends of the 32-bit range rather than overflowing, so
// that settings of any size keep the indentation defined.
int AddSaturated(int A, int B);
int SubtractSaturated(int A, int B);

// The region a line opens (VerbatimNone when it opens none); Trimmed is the trimmed line.
int VerbatimOpened(const std::string &Trimmed);
// True when the line (as read, blanks allowed around it) closes a region of that kind.
bool VerbatimClosed(int Kind, const std::string &Line);

// True when Text, whose leading blanks are already removed, begins with PROC, PROCEDURE,
// FUNC or FUNCTION and a space.
bool IsHeaderText(const char *Text, std::size_t Length);

// Re-indents the marked block, or the whole file, then runs the spacing pass.
void Reindent();
// Removes the blank lines of the range and puts one empty line before each header.
void SpaceProcedures(const ReindentState &State);
