// The guard's own reading of a Clipper text: tokens line by line, as the compiler sees them,
// with nothing taken from the re-indenter's scanner, so that the guard checks the re-indenter
// rather than repeating it.
#pragma once

#include <cstddef>
#include <vector>

enum GuardTokenKind {
  GuardWord,     // letters, digits and "_", not starting with a digit: compared ignoring case
  GuardNumber,   // compared byte for byte, as are all the kinds below
  GuardString,   // "...", '...' or [...] with its quotes
  GuardOperator, // one or two punctuation bytes
  GuardComment,  // a comment, or the part of a block comment on one line
  GuardTextLine, // a whole line of a text region, its leading blanks included
  GuardLineEnd,  // the end of a line that held a token (blank lines give none)
  GuardEnd,      // the end of the text
};

struct GuardToken {
  GuardTokenKind Kind = GuardEnd;
  const char *Data = "";
  std::size_t Length = 0;
  int Line = 1;           // 1-based
  std::size_t Indent = 0; // a text line's leading spaces held apart from its Data
};

// One line of a text without its LF: Indent spaces, then Length bytes at Data.
struct GuardLine {
  const char *Data = "";
  std::size_t Length = 0;
  std::size_t Indent = 0;
};

// Reads the line of Source at Cursor into Line and moves Cursor to the next one; false past
// the last line. The bytes stay where they are while the lexer reads.
using GuardLineReader = bool (*)(const void *Source, std::size_t &Cursor, GuardLine &Line);

// A text held in one piece, its lines ending at LF (ReadGuardText reads them).
struct GuardText {
  const char *Bytes;
  std::size_t Size;
};
bool ReadGuardText(const void *Text, std::size_t &Cursor, GuardLine &Line);

// The first words of a text command the file defines (#command NAME ... => #pragma __text...):
// a line that begins with them opens a text region.
struct GuardOpener {
  const char *Words[4];
  std::size_t Lengths[4];
  int Count = 0;
};

// Where a lexer stands in its text and what it carries from a line to the next.
struct GuardLexer {
  GuardText Whole{"", 0};       // the text, when it is read in one piece
  const void *Source = nullptr; // else the lines Read reads
  GuardLineReader Read = nullptr;
  std::size_t Cursor = 0;  // where the next line is read
  const char *Text = "";   // the current line's bytes
  std::size_t Indent = 0;  // the spaces before them
  std::size_t At = 0;      // in Text
  std::size_t LineEnd = 0; // the end of the line's content (before the CRs that end it)
  int Line = 0;
  bool LineLoaded = false; // the current line is read but its start not yet handled
  bool LineOpen = false;   // inside a line (its start has been handled)
  bool LineHasToken = false;
  bool InBlockComment = false;
  int Region = 0;                // GuardRegion: a text region the current line belongs to
  int PendingRegion = 0;         // the region the current line opens, from the next line on
  bool Continued = false;        // the line before ended with ";"
  bool LastWasSemicolon = false; // the last token of the line so far (comments aside) is ";"
  bool Directive = false;        // the statement is a preprocessor line
  bool CanQuote = true;          // a "[" here may open a string
  bool LineStart = true;         // no token yet in this statement
  std::vector<GuardOpener> Openers;
};

// True when the two words are the same, letters a to z compared without regard to case.
bool SameWord(const char *A, std::size_t LengthA, const char *B, std::size_t LengthB);

void StartGuardLexer(GuardLexer &L, const char *Text, std::size_t Size);
void StartGuardLexer(GuardLexer &L, const void *Source, GuardLineReader Read);
// The next token; GuardEnd at the end, again and again.
GuardToken NextGuardToken(GuardLexer &L);
// Moves both lexers, while they stand at a line's start carrying the same into it, past
// blank lines and past lines that hold the same bytes in both but for their leading and
// trailing blanks and the case of letters: such a line is read on one side only (not at all
// when what it carries to the next line is told from the bytes that may open its strings and
// comments), since the same bytes read from the same state give the same tokens; and past the
// lines of a text region that hold the same bytes in both. Returns the line of Before where a
// letter's case changed in a token other than a word (a string, a number, a comment), or 0.
// Before must be one text in memory (StartGuardLexer with its bytes); otherwise nothing is
// skipped.
int SkipSameLines(GuardLexer &Before, GuardLexer &After);
