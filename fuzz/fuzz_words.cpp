// The word tables on arbitrary Keywords.dat and Replace.dat bytes, loaded by the plug-in's
// own start-up from a setup folder, then the respelling of arbitrary words.
#include "../src/host/session.hpp"
#include "../src/words/words.hpp"
#include "fuzz_host.hpp"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

std::string Folder;

std::string Upper(const std::string &Text) {
  return LocaleUpperText(Text);
}

void CheckTables() {
  for (const std::string &K : WordTables.Keywords)
    if (K.empty() || K.size() > 13)
      FuzzFail("a keyword of " + std::to_string(K.size()) + " characters was stored");
  for (const ReplaceEntry &R : WordTables.Replacements) {
    if (R.Key.size() > 11 || R.Value.size() > 13)
      FuzzFail("a replacement row over its capacity was stored");
    if (Upper(R.Key) != R.Key)
      FuzzFail("a replacement key was stored in lower case");
    // Trimmed on both ends, then cut to 13: only a cut value may end in a blank.
    if (!R.Value.empty() &&
        (static_cast<unsigned char>(R.Value.front()) <= 32 ||
         (R.Value.size() < 13 && static_cast<unsigned char>(R.Value.back()) <= 32)))
      FuzzFail("a replacement value kept surrounding blanks");
  }
}

// True when the keywords are in strictly ascending order of their upper-case forms, so
// that the bisection must find every one of them.
bool SortedUnique() {
  const std::vector<std::string> &K = WordTables.Keywords;
  for (std::size_t I = 1; I < K.size(); ++I)
    if (!(Upper(K[I - 1]) < Upper(K[I])))
      return false;
  return true;
}

void CheckWord(const std::string &Word, bool Sorted) {
  std::string Got = SpellWord(Word);
  std::string U = Upper(Word);
  const ReplaceEntry *Last = nullptr;
  for (const ReplaceEntry &R : WordTables.Replacements)
    if (R.Key == U)
      Last = &R;
  if (Last) {
    if (Got != Last->Value)
      FuzzFail("the last matching replacement row was not used");
    return;
  }
  if (Got != Word && Upper(Got) != U)
    FuzzFail("a word was respelled into another word");
  if (Sorted) {
    for (const std::string &K : WordTables.Keywords)
      if (Upper(K) == U && Got != K)
        FuzzFail("a keyword of a sorted list was not found");
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  Folder = FuzzFolder("words");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  FuzzedDataProvider P(Data, Size);
  std::string Keywords = P.ConsumeRandomLengthString();
  std::string Replace = P.ConsumeRandomLengthString();
  std::string Words = P.ConsumeRemainingBytesAsString();
  FuzzWriteFile(Folder + "/setup/Keywords.dat", Keywords);
  FuzzWriteFile(Folder + "/setup/Replace.dat", Replace);
  FuzzStartPlugin(Folder);
  CheckTables();
  bool Sorted = SortedUnique();
  std::size_t Start = 0;
  while (Start <= Words.size()) {
    std::size_t End = Words.find('\n', Start);
    if (End == std::string::npos)
      End = Words.size();
    if (End > Start)
      CheckWord(Words.substr(Start, End - Start), Sorted);
    Start = End + 1;
  }
  // Every stored keyword is found in its own spelling when the list is sorted.
  if (Sorted)
    for (const std::string &K : WordTables.Keywords)
      CheckWord(K, true);
  ReleaseWordTables();
  return 0;
}
