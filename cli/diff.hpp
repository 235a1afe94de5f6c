// Line-by-line comparison of two texts (each line compared with its own end of line): a
// unified diff, and the runs of changed lines an editor applies as text edits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One side of a comparison, read on demand: Count lines, and AppendLine appends the bytes of
// line Index, with its end of line, to Out. So a large text need not be split into strings.
struct DiffSide {
  std::size_t Count;
  void (*AppendLine)(const void *Context, std::size_t Index, std::string &Out);
  const void *Context;
};

// A text's lines as offsets: line I is [Starts[I], Starts[I + 1]). Lines end after "\n",
// "\r\n" or a lone "\r"; a final line without one is kept, and an empty text has no lines.
// For texts under 4 GiB (the tool reads at most 1 GiB).
struct TextLines {
  const char *Data;
  std::vector<std::uint32_t> Starts;
};
TextLines SplitLines(const char *Data, std::size_t Size);
DiffSide SideOf(const TextLines &Lines);

// The diff is handed out in pieces through Emit; false when Emit failed. The header names
// are written as git apply and patch -p1 read them: after a leading "a/" or "b/", the path
// without "." or empty components ("a/./src//x.prg" is written "a/src/x.prg", "a//abs/x.prg"
// "a/abs/x.prg"), and a name holding a quote, a backslash, a control character or a byte
// from 0x80 in double quotes with C escapes, as git quotes names.
bool WriteUnifiedDiff(const DiffSide &Before, const DiffSide &After, const std::string &OldName,
                      const std::string &NewName,
                      bool (*Emit)(void *Context, const char *Data, std::size_t Size),
                      void *EmitContext);

std::string UnifiedDiff(const std::string &Before, const std::string &After,
                        const std::string &OldName, const std::string &NewName);

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
std::vector<LineChange> ChangedLines(const DiffSide &Before, const DiffSide &After);
