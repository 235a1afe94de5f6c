// The keyword and replacement tables and the respelling of words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct ReplaceEntry {
  std::string Key;   // at most 11 characters, upper case
  std::string Value; // at most 13 characters, as written
};

struct WordTablesRecord {
  std::vector<std::string> Keywords; // at most 13 characters each, as written, file order
  std::vector<ReplaceEntry> Replacements;
  // Made from the two lists by IndexWordTables: for every upper-case word that the tables
  // change, the text it becomes (its replacement, its keyword spelling or its abbreviation's
  // spelling), exactly as the replacement scan and the two bisections give it. A word whose
  // upper-case form is absent comes back unchanged.
  std::unordered_map<std::string, std::string> Spellings;
  std::size_t LongestSpelled = 0; // the longest key of Spellings; longer words pass at once
  // One bit per value of a small hash of the upper-case word, set for the keys of Spellings:
  // a word whose bit is clear comes back unchanged without a lookup.
  std::vector<std::uint64_t> SpelledHashes;
  // The two lists as they were indexed, so that lists resized or moved to new storage
  // afterwards are indexed again at the next lookup.
  std::size_t IndexedKeywordCount = 0;
  std::size_t IndexedReplacementCount = 0;
  const void *IndexedKeywordData = nullptr;
  const void *IndexedReplacementData = nullptr;
};

extern WordTablesRecord WordTables;

// Reads setup\Keywords.dat and setup\Replace.dat from PluginFolder, then indexes them.
void LoadWordTables();
void ReleaseWordTables();
// Rebuilds the precomputed lookups from Keywords and Replacements as they stand. Lookups do
// it themselves when the size or the storage of either list changed since; whoever changes
// entries in place (or assigns a list of the same size over another) calls it.
void IndexWordTables();
// The replacement, the keyword spelling or the word itself.
std::string SpellWord(const std::string &Word);
// The same result appended to Out, for the scanner's inner loop.
void AppendSpelling(const char *Word, std::size_t Length, std::string &Out);
