// The word tables, their precomputed lookups and the respelling of one word.
//
// A word's result depends only on its upper-case form U: the last replacement row whose key
// is U, else the keyword on which the whole-word bisection stops when it equals U, else the
// first four characters of the keyword on which the four-character bisection stops when
// they equal U, else the word itself. Indexing runs exactly those searches once for every U
// that can match anything (every key, every upper-case keyword and every upper-case
// four-character prefix) and keeps the results in one hash map, so spelling a word costs one
// upper-casing and one lookup, with the same results as searching at each call.
#include "words.hpp"
#include "../host/session.hpp"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

WordTablesRecord WordTables;

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

const std::size_t HashBits = 1u << 16;

// The word's bit in SpelledHashes: FNV-1a of its bytes, folded to 16 bits.
std::size_t HashOf(const char *Upper, std::size_t Length) {
  std::uint32_t Hash = 2166136261u;
  for (std::size_t I = 0; I < Length; ++I)
    Hash = (Hash ^ static_cast<unsigned char>(Upper[I])) * 16777619u;
  return (Hash ^ (Hash >> 16)) & (HashBits - 1);
}

bool HashMarked(std::size_t Bit) {
  const std::vector<std::uint64_t> &Bits = WordTables.SpelledHashes;
  return Bits.empty() || ((Bits[Bit / 64] >> (Bit % 64)) & 1);
}

// Adds the result of one upper-case word unless a search of higher rank already gave one.
void AddSpelling(const std::string &Upper, const std::string &Result) {
  if (WordTables.Spellings.emplace(Upper, Result).second)
    WordTables.LongestSpelled = std::max(WordTables.LongestSpelled, Upper.size());
}

// True when the lists are the ones the lookups were made from.
bool IndexIsCurrent() {
  return WordTables.IndexedKeywordCount == WordTables.Keywords.size() &&
         WordTables.IndexedReplacementCount == WordTables.Replacements.size() &&
         WordTables.IndexedKeywordData == WordTables.Keywords.data() &&
         WordTables.IndexedReplacementData == WordTables.Replacements.data();
}

// The result for the bytes of a word, or null when the word comes back unchanged.
const std::string *FindSpelling(const char *Word, std::size_t Length) {
  if (!IndexIsCurrent())
    IndexWordTables();
  if (Length > WordTables.LongestSpelled || WordTables.Spellings.empty())
    return nullptr;
  const unsigned char *Map = LocaleUpperTable();
  std::string Upper(Word, Length);
  for (char &C : Upper)
    C = static_cast<char>(Map[static_cast<unsigned char>(C)]);
  if (!HashMarked(HashOf(Upper.data(), Length)))
    return nullptr;
  auto Found = WordTables.Spellings.find(Upper);
  return Found == WordTables.Spellings.end() ? nullptr : &Found->second;
}

void MarkSpelledHashes() {
  WordTables.SpelledHashes.assign(HashBits / 64, 0);
  for (const auto &Entry : WordTables.Spellings) {
    std::size_t Bit = HashOf(Entry.first.data(), Entry.first.size());
    WordTables.SpelledHashes[Bit / 64] |= std::uint64_t(1) << (Bit % 64);
  }
}

} // namespace

void IndexWordTables() {
  WordTables.Spellings.clear();
  WordTables.LongestSpelled = 0;
  WordTables.IndexedKeywordCount = WordTables.Keywords.size();
  WordTables.IndexedReplacementCount = WordTables.Replacements.size();
  WordTables.IndexedKeywordData = WordTables.Keywords.data();
  WordTables.IndexedReplacementData = WordTables.Replacements.data();

  // Replacements first, later rows over earlier ones: the last row of a key wins.
  for (const ReplaceEntry &Row : WordTables.Replacements) {
    WordTables.Spellings[Row.Key] = Row.Value;
    WordTables.LongestSpelled = std::max(WordTables.LongestSpelled, Row.Key.size());
  }
  // An empty keyword list has no entry to probe: the words then only get replacements.
  if (WordTables.Keywords.empty()) {
    MarkSpelledHashes();
    return;
  }

  std::vector<std::string> UpperKeywords;
  UpperKeywords.reserve(WordTables.Keywords.size());
  for (const std::string &Keyword : WordTables.Keywords)
    UpperKeywords.push_back(LocaleUpperText(Keyword));

  for (const std::string &Upper : UpperKeywords) {
    if (WordTables.Spellings.count(Upper))
      continue;
    std::size_t At = BisectKeywords(UpperKeywords, Upper, std::string_view::npos);
    if (At != NotFound)
      AddSpelling(Upper, WordTables.Keywords[At]);
  }
  for (const std::string &Upper : UpperKeywords) {
    std::string Prefix = Upper.substr(0, AbbreviationLength);
    if (WordTables.Spellings.count(Prefix))
      continue;
    std::size_t At = BisectKeywords(UpperKeywords, Prefix, AbbreviationLength);
    if (At != NotFound)
      AddSpelling(Prefix, WordTables.Keywords[At].substr(0, AbbreviationLength));
  }
  MarkSpelledHashes();
}

void ReleaseWordTables() {
  WordTables = WordTablesRecord();
}

std::string SpellWord(const std::string &Word) {
  const std::string *Found = FindSpelling(Word.data(), Word.size());
  return Found ? *Found : Word;
}

void AppendSpelling(const char *Word, std::size_t Length, std::string &Out) {
  const std::string *Found = FindSpelling(Word, Length);
  if (Found)
    Out += *Found;
  else
    Out.append(Word, Length);
}
