// The re-indenter: the line scanner, the indentation rules and the procedure spacing pass.
#pragma once

#include <string>
#include <vector>

struct LineWord {
  std::string Word; // as written in Trimmed
  int Position;     // 1-based column in Trimmed
};

struct ScannedLine {
  std::string Trimmed;
  std::string Rebuilt;
  std::vector<LineWord> Words;
  bool Continued;
};

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
};

void ScanLine(ReindentState &State, const std::string &Line, ScannedLine &Result);
void Reindent();
void SpaceProcedures();
