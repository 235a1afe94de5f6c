// The simulated editor's line store against a plain vector, under random edits.
#include "../../sim/gap_vector.hpp"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

TEST(GapVector, MatchesAPlainVectorUnderRandomEdits) {
  for (unsigned Seed = 1; Seed <= 20; ++Seed) {
    std::mt19937 Random(Seed);
    GapVector<std::string> Gap;
    std::vector<std::string> Plain;
    // Start full with no gap, as a freshly loaded file is.
    std::size_t Start = Random() % 20;
    Gap.Items.resize(Start);
    for (std::size_t I = 0; I < Start; ++I)
      Gap.Items[I] = Plain.emplace_back("line " + std::to_string(I) + " of a long enough text");
    Gap.GapStart = Gap.GapEnd = Start;
    for (int Step = 0; Step < 400; ++Step) {
      std::size_t Size = Plain.size();
      unsigned What = Random() % 3;
      std::string Value = "v" + std::to_string(Step) + " with a text too long for SSO";
      if (What == 0 || Size == 0) {
        std::size_t At = Random() % (Size + 1);
        Gap.insert(At, Value);
        Plain.insert(Plain.begin() + static_cast<long>(At), Value);
      } else if (What == 1) {
        std::size_t At = Random() % Size;
        Gap.erase(At);
        Plain.erase(Plain.begin() + static_cast<long>(At));
      } else {
        Gap.push_back(Value);
        Plain.push_back(Value);
      }
      ASSERT_EQ(Gap.size(), Plain.size()) << "seed " << Seed << " step " << Step;
      for (std::size_t I = 0; I < Plain.size(); ++I)
        ASSERT_EQ(Gap[I], Plain[I]) << "seed " << Seed << " step " << Step << " index " << I;
    }
  }
}

} // namespace
