// Respelling one word, as the scanner does for every word of every re-indented line: with the
// shipped word files, and with 5,000 keywords and 5,000 replacement rows.
#include "../src/settings/settings.hpp"
#include "../src/words/words.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

// The shipped word files, read by the plug-in's own loader.
void LoadShippedTables() {
  ReleaseWordTables();
  PluginFolder = QMATE_SOURCE_DIR "/dist\\";
  LoadWordTables();
}

std::string RandomName(std::mt19937 &Random, std::size_t Length) {
  std::string Name(Length, 'a');
  for (char &C : Name)
    C = static_cast<char>((Random() % 2 ? 'a' : 'A') + Random() % 26);
  return Name;
}

// 5,000 sorted keywords and 5,000 replacement rows of random names.
void LoadLargeTables() {
  ReleaseWordTables();
  std::mt19937 Random(5000);
  for (int I = 0; I < 5000; ++I)
    WordTables.Keywords.push_back(RandomName(Random, 3 + Random() % 11));
  std::sort(WordTables.Keywords.begin(), WordTables.Keywords.end(),
            [](const std::string &A, const std::string &B) {
              std::string UA = A, UB = B;
              for (char &C : UA)
                C = static_cast<char>(C >= 'a' && C <= 'z' ? C - 32 : C);
              for (char &C : UB)
                C = static_cast<char>(C >= 'a' && C <= 'z' ? C - 32 : C);
              return UA < UB;
            });
  for (int I = 0; I < 5000; ++I) {
    std::string Key = RandomName(Random, 3 + Random() % 9);
    for (char &C : Key)
      C = static_cast<char>(C >= 'a' && C <= 'z' ? C - 32 : C);
    WordTables.Replacements.push_back({Key, RandomName(Random, 1 + Random() % 13)});
  }
  IndexWordTables();
}

// The words of a re-indent: half of them keywords, replacement keys or abbreviations in
// another case, the other half ordinary names, of which some four letters long.
std::vector<std::string> MixedWords() {
  std::mt19937 Random(42);
  std::vector<std::string> Words;
  for (int I = 0; I < 4096; ++I) {
    std::string Word;
    switch (I % 6) {
    case 0:
      Word = WordTables.Keywords[Random() % WordTables.Keywords.size()];
      break;
    case 1:
      Word = WordTables.Replacements.empty()
                 ? WordTables.Keywords[Random() % WordTables.Keywords.size()]
                 : WordTables.Replacements[Random() % WordTables.Replacements.size()].Key;
      break;
    case 2:
      Word = WordTables.Keywords[Random() % WordTables.Keywords.size()].substr(0, 4);
      break;
    case 3:
      Word = RandomName(Random, 4);
      break;
    default:
      Word = RandomName(Random, 2 + Random() % 10);
      break;
    }
    for (char &C : Word)
      if (C >= 'A' && C <= 'Z' && Random() % 2)
        C = static_cast<char>(C + 32);
    Words.push_back(Word);
  }
  return Words;
}

void RunSpellWord(benchmark::State &State) {
  std::vector<std::string> Words = MixedWords();
  std::size_t Next = 0;
  for (auto _ : State) {
    std::string Spelled = SpellWord(Words[Next]);
    benchmark::DoNotOptimize(Spelled);
    Next = (Next + 1) % Words.size();
  }
  State.SetItemsProcessed(State.iterations());
}

void RunChangedSpelling(benchmark::State &State) {
  std::vector<std::string> Words = MixedWords();
  std::size_t Next = 0;
  for (auto _ : State) {
    const std::string &Word = Words[Next];
    const std::string *Changed = ChangedSpelling(Word.data(), Word.size());
    benchmark::DoNotOptimize(Changed);
    Next = (Next + 1) % Words.size();
  }
  State.SetItemsProcessed(State.iterations());
}

void BM_SpellWordShipped(benchmark::State &State) {
  LoadShippedTables();
  RunSpellWord(State);
}
void BM_ChangedSpellingShipped(benchmark::State &State) {
  LoadShippedTables();
  RunChangedSpelling(State);
}
void BM_SpellWordLarge(benchmark::State &State) {
  LoadLargeTables();
  RunSpellWord(State);
}
void BM_ChangedSpellingLarge(benchmark::State &State) {
  LoadLargeTables();
  RunChangedSpelling(State);
}
void BM_IndexLargeTables(benchmark::State &State) {
  LoadLargeTables();
  for (auto _ : State)
    IndexWordTables();
}

} // namespace

BENCHMARK(BM_SpellWordShipped);
BENCHMARK(BM_ChangedSpellingShipped);
BENCHMARK(BM_SpellWordLarge);
BENCHMARK(BM_ChangedSpellingLarge);
BENCHMARK(BM_IndexLargeTables)->Unit(benchmark::kMillisecond);
