// The word tables, their precomputed lookups and the respelling of one word.
//
// A word's result depends only on its upper-case form U: the last replacement row whose key
// is U, else the keyword on which the whole-word bisection stops when it equals U, else the
// first four characters of the keyword on which the four-character bisection stops when
// they equal U, else the word itself. Indexing runs exactly those searches once for every U
// that can match anything (every key, every upper-case keyword and every upper-case
// four-character prefix) and keeps the results in one hash table, so spelling a word costs
// one upper-casing and one lookup, with the same results as searching at each call.
#include "words.hpp"
#include "../host/session.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

PER_THREAD WordTablesRecord WordTables;

namespace {

const std::size_t AbbreviationLength = 4;
const std::size_t NotFound = static_cast<std::size_t>(-1);

// (Lo + Hi) / 2 rounded to the nearest integer, a half going to the even neighbour.
std::size_t ProbeBetween(std::size_t Lo, std::size_t Hi) {
  std::size_t Sum = Lo + Hi;
  std::size_t Half = Sum / 2;
  if (Sum % 2 == 0 || Half % 2 == 0)
    return Half;
  return Half + 1;
}

// The bisection over the upper-case keywords, each standing for its first Width characters:
// the first probe is entry 0, and the search stops on an equal entry or when the range is
// down to one. Returns the entry it stopped on when that entry equals Word, else NotFound.
// The list must not be empty.
std::size_t BisectKeywords(const std::vector<std::string> &UpperKeywords, std::string_view Word,
                           std::size_t Width) {
  std::size_t Lo = 0;
  std::size_t Hi = UpperKeywords.size();
  std::size_t Probe = 0;
  for (;;) {
    std::string_view Entry = std::string_view(UpperKeywords[Probe]).substr(0, Width);
    if (Entry == Word)
      return Probe;
    if (Hi - Lo <= 1)
      return NotFound;
    Probe = ProbeBetween(Lo, Hi);
    Entry = std::string_view(UpperKeywords[Probe]).substr(0, Width);
    if (Word < Entry)
      Hi = Probe;
    else
      Lo = Probe;
  }
}

// One step of FNV-1a, the hash that places the upper-case words in the slots.
std::uint32_t HashStep(std::uint32_t Hash, unsigned char C) {
  return (Hash ^ C) * 16777619u;
}

const std::uint32_t HashStart = 2166136261u;

// The results found while indexing, by upper-case word: the replacement rows first (a later
// row of a key over an earlier one), then each search adds only the words still absent.
using SpellingMap = std::unordered_map<std::string, std::string>;

// Lays the results out in WordTables.Spellings, with a table of twice as many slots at least.
void StoreSpellings(const SpellingMap &Found) {
  WordTablesRecord &W = WordTables;
  W.Spellings.clear();
  W.Spellings.reserve(Found.size());
  std::size_t Slots = 16;
  while (Slots < 2 * Found.size())
    Slots *= 2;
  W.SpellingSlots.assign(Slots, 0);
  for (const auto &Entry : Found) {
    W.Spellings.push_back(SpelledWord{Entry.first, Entry.second});
    W.LongestSpelled = std::max(W.LongestSpelled, Entry.first.size());
    std::uint32_t Hash = HashStart;
    for (char C : Entry.first)
      Hash = HashStep(Hash, static_cast<unsigned char>(C));
    std::size_t Slot = Hash & (Slots - 1);
    while (W.SpellingSlots[Slot] != 0)
      Slot = (Slot + 1) & (Slots - 1);
    W.SpellingSlots[Slot] = static_cast<std::uint32_t>(W.Spellings.size());
  }
}

// True when the lists are the ones the lookups were made from.
bool IndexIsCurrent() {
  return WordTables.IndexedKeywordCount == WordTables.Keywords.size() &&
         WordTables.IndexedReplacementCount == WordTables.Replacements.size() &&
         WordTables.IndexedKeywordData == WordTables.Keywords.data() &&
         WordTables.IndexedReplacementData == WordTables.Replacements.data();
}

// True when the word's bytes, upper-cased by Map, are Upper.
bool SpellsUpper(const std::string &Upper, const char *Word, std::size_t Length,
                 const unsigned char *Map) {
  if (Upper.size() != Length)
    return false;
  for (std::size_t I = 0; I < Length; ++I)
    if (static_cast<unsigned char>(Upper[I]) != Map[static_cast<unsigned char>(Word[I])])
      return false;
  return true;
}

// The result for the bytes of a word, or null when the word comes back unchanged. The word
// is upper-cased on the fly, for its hash and for the comparisons.
const std::string *FindSpelling(const char *Word, std::size_t Length) {
  if (!IndexIsCurrent())
    IndexWordTables();
  const WordTablesRecord &W = WordTables;
  if (Length > W.LongestSpelled || W.Spellings.empty())
    return nullptr;
  const unsigned char *Map = LocaleUpperTable();
  std::uint32_t Hash = HashStart;
  for (std::size_t I = 0; I < Length; ++I)
    Hash = HashStep(Hash, Map[static_cast<unsigned char>(Word[I])]);
  const std::size_t Mask = W.SpellingSlots.size() - 1;
  for (std::size_t Slot = Hash & Mask; W.SpellingSlots[Slot] != 0; Slot = (Slot + 1) & Mask) {
    const SpelledWord &Entry = W.Spellings[W.SpellingSlots[Slot] - 1];
    if (SpellsUpper(Entry.Upper, Word, Length, Map))
      return &Entry.Result;
  }
  return nullptr;
}

} // namespace

void IndexWordTables() {
  WordTables.Spellings.clear();
  WordTables.SpellingSlots.clear();
  WordTables.LongestSpelled = 0;
  WordTables.IndexedKeywordCount = WordTables.Keywords.size();
  WordTables.IndexedReplacementCount = WordTables.Replacements.size();
  WordTables.IndexedKeywordData = WordTables.Keywords.data();
  WordTables.IndexedReplacementData = WordTables.Replacements.data();

  SpellingMap Found;
  // Replacements first, later rows over earlier ones: the last row of a key wins.
  for (const ReplaceEntry &Row : WordTables.Replacements)
    Found[Row.Key] = Row.Value;
  // An empty keyword list has no entry to probe: the words then only get replacements.
  if (!WordTables.Keywords.empty()) {
    std::vector<std::string> UpperKeywords;
    UpperKeywords.reserve(WordTables.Keywords.size());
    for (const std::string &Keyword : WordTables.Keywords)
      UpperKeywords.push_back(LocaleUpperText(Keyword));

    for (const std::string &Upper : UpperKeywords) {
      if (Found.count(Upper))
        continue;
      std::size_t At = BisectKeywords(UpperKeywords, Upper, std::string_view::npos);
      if (At != NotFound)
        Found.emplace(Upper, WordTables.Keywords[At]);
    }
    for (const std::string &Upper : UpperKeywords) {
      std::string Prefix = Upper.substr(0, AbbreviationLength);
      if (Found.count(Prefix))
        continue;
      std::size_t At = BisectKeywords(UpperKeywords, Prefix, AbbreviationLength);
      if (At != NotFound)
        Found.emplace(Prefix, WordTables.Keywords[At].substr(0, AbbreviationLength));
    }
  }
  StoreSpellings(Found);
}

void ReleaseWordTables() {
  WordTables = WordTablesRecord();
}

std::string SpellWord(const std::string &Word) {
  const std::string *Found = FindSpelling(Word.data(), Word.size());
  return Found ? *Found : Word;
}

const std::string *ChangedSpelling(const char *Word, std::size_t Length) {
  const std::string *Found = FindSpelling(Word, Length);
  if (Found && Found->size() == Length && std::memcmp(Found->data(), Word, Length) == 0)
    return nullptr;
  return Found;
}
