// The keyword and replacement tables and the respelling of words.
#pragma once

#include "../host/per_thread.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ReplaceEntry {
  std::string Key;   // at most 11 characters, upper case
  std::string Value; // at most 13 characters, as written
};

// One upper-case word the tables change, and the text it becomes.
struct SpelledWord {
  std::string Upper;
  std::string Result;
};

struct WordTablesRecord {
  std::vector<std::string> Keywords; // at most 13 characters each, as written, file order
  std::vector<ReplaceEntry> Replacements;
  // Made from the two lists by IndexWordTables: for every upper-case word that the tables
  // change, the text it becomes (its replacement, its keyword spelling or its abbreviation's
  // spelling), exactly as the replacement scan and the two bisections give it. A word whose
  // upper-case form is absent comes back unchanged.
  std::vector<SpelledWord> Spellings;
  // An open-addressing index over Spellings by a hash of the upper-case word: a power of two
  // of slots, each 0 (free) or one more than an index into Spellings.
  std::vector<std::uint32_t> SpellingSlots;
  std::size_t LongestSpelled = 0; // the longest key of Spellings; longer words pass at once
  // The two lists as they were indexed, so that lists resized or moved to new storage
  // afterwards are indexed again at the next lookup.
  std::size_t IndexedKeywordCount = 0;
  std::size_t IndexedReplacementCount = 0;
  const void *IndexedKeywordData = nullptr;
  const void *IndexedReplacementData = nullptr;
};

extern PER_THREAD WordTablesRecord WordTables;

// Reads setup\Keywords.dat and setup\Replace.dat from PluginFolder, then indexes them.
void LoadWordTables();
void ReleaseWordTables();
// Rebuilds the precomputed lookups from Keywords and Replacements as they stand. Lookups do
// it themselves when the size or the storage of either list changed since; whoever changes
// entries in place (or assigns a list of the same size over another) calls it.
void IndexWordTables();
// The replacement, the keyword spelling or the word itself.
std::string SpellWord(const std::string &Word);
// For the scanner's inner loop: the text the Length bytes at Word become, or null when they
// stay as written.
const std::string *ChangedSpelling(const char *Word, std::size_t Length);
