// The keyword and replacement tables and the respelling of words.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ReplaceEntry {
  std::string Key;   // at most 11 characters, upper case
  std::string Value; // at most 13 characters, as written
};

struct WordTablesRecord {
  std::vector<std::string> Keywords; // at most 13 characters each, as written, file order
  std::vector<ReplaceEntry> Replacements;
};

extern WordTablesRecord WordTables;

// Reads setup\Keywords.dat and setup\Replace.dat from PluginFolder.
void LoadWordTables();
void ReleaseWordTables();
// The replacement, the keyword spelling or the word itself.
std::string SpellWord(const std::string &Word);
// The same result appended to Out, for the scanner's inner loop.
void AppendSpelling(const char *Word, std::size_t Length, std::string &Out);
