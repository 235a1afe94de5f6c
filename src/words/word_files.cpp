// Reading of the two word files, Keywords.dat and Replace.dat, into WordTables.
#include "words.hpp"
#include "../host/files.hpp"
#include "../host/session.hpp"
#include "../settings/settings.hpp"

#include <string>
#include <vector>

namespace {

const std::size_t KeywordCapacity = 13;
const std::size_t KeyCapacity = 11;
const std::size_t ValueCapacity = 13;
const char EndOfFileMark = '\x1A';

// Splits a word file into its lines: LF or CR LF ends a line, a CR that is not followed by LF
// is dropped and its line goes on, the last line needs no end, and a Ctrl-Z where a new line
// would begin ends the file.
std::vector<std::string> SplitWordFileLines(const std::string &Bytes) {
  std::vector<std::string> Lines;
  std::size_t At = 0;
  const std::size_t Size = Bytes.size();
  while (At < Size && Bytes[At] != EndOfFileMark) {
    std::size_t End = Bytes.find('\n', At);
    if (End == std::string::npos)
      End = Size;
    std::string Line;
    Line.reserve(End - At);
    for (std::size_t I = At; I < End; ++I)
      if (Bytes[I] != '\r')
        Line += Bytes[I];
    Lines.push_back(std::move(Line));
    At = End < Size ? End + 1 : Size;
  }
  return Lines;
}

// Empty lines and lines whose very first character is ';' carry no entry.
bool IsEntryLine(const std::string &Line) {
  return !Line.empty() && Line[0] != ';';
}

// The entry lines of one word file; a file that cannot be read gives none.
std::vector<std::string> ReadEntryLines(const std::string &Path) {
  std::vector<std::string> Entries;
  std::string Bytes;
  if (!ReadWholeFile(Path, Bytes))
    return Entries;
  for (std::string &Line : SplitWordFileLines(Bytes))
    if (IsEntryLine(Line))
      Entries.push_back(std::move(Line));
  return Entries;
}

// A Replace.dat row: the key in columns 1 to 11, the replacement from column 12 on.
ReplaceEntry SplitReplaceRow(const std::string &Line) {
  ReplaceEntry Entry;
  Entry.Key = LocaleUpperText(TrimRight(Line.substr(0, KeyCapacity)));
  if (Line.size() > KeyCapacity)
    Entry.Value = TrimRight(TrimLeft(Line.substr(KeyCapacity))).substr(0, ValueCapacity);
  return Entry;
}

} // namespace

void LoadWordTables() {
  WordTables.Keywords.clear();
  for (const std::string &Line : ReadEntryLines(PluginFolder + "setup\\Keywords.dat"))
    WordTables.Keywords.push_back(Line.substr(0, KeywordCapacity));
  WordTables.Replacements.clear();
  for (const std::string &Line : ReadEntryLines(PluginFolder + "setup\\Replace.dat"))
    WordTables.Replacements.push_back(SplitReplaceRow(Line));
  IndexWordTables();
}
