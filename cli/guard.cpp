// The guard's comparison: both texts are read token by token side by side, so a text costs
// one pass and no copy.
#include "guard.hpp"
#include "../src/words/words.hpp"
#include "guard_lexer.hpp"

#include <cstring>

bool CliInjectBrokenToken = false;

namespace {

bool SameToken(const GuardToken &A, const GuardToken &B) {
  if (A.Kind != B.Kind)
    return false;
  if (A.Kind == GuardWord)
    return SameWord(A.Data, A.Length, B.Data, B.Length);
  return A.Length == B.Length && std::memcmp(A.Data, B.Data, A.Length) == 0;
}

// How the word tables respell a word: Spelled reads the text it becomes, or is false when
// they leave it as it is.
bool Respelling(const GuardToken &Word, GuardLexer &Spelled) {
  const std::string *Spelling = ChangedSpelling(Word.Data, Word.Length);
  if (!Spelling)
    return false;
  StartGuardLexer(Spelled, Spelling->data(), Spelling->size());
  return true;
}

bool EndsSpelling(const GuardToken &T) {
  return T.Kind == GuardLineEnd || T.Kind == GuardEnd;
}

} // namespace

int FirstChangedLine(const char *Before, std::size_t BeforeSize, const char *After,
                     std::size_t AfterSize) {
  std::string Broken;
  if (CliInjectBrokenToken) {
    // One letter or digit of the result changed, as a faulty re-indent would change it.
    Broken.assign(After, AfterSize);
    for (char &C : Broken)
      if ((C >= 'A' && C <= 'Y') || (C >= 'a' && C <= 'y') || (C >= '0' && C <= '8')) {
        ++C;
        break;
      }
    After = Broken.data();
  }
  GuardLexer A, B, Spelled;
  StartGuardLexer(B, Before, BeforeSize);
  StartGuardLexer(A, After, AfterSize);
  for (;;) {
    SkipSameLines(B, A);
    GuardToken Old = NextGuardToken(B);
    GuardToken New = NextGuardToken(A);
    if (SameToken(Old, New)) {
      if (Old.Kind == GuardEnd)
        return 0;
      continue;
    }
    // A word the tables respell becomes the tokens of its respelling (none when the
    // replacement is empty: the next word is then compared with New).
    bool Matched = false;
    while (!Matched && Old.Kind == GuardWord && Respelling(Old, Spelled)) {
      GuardToken S = NextGuardToken(Spelled);
      if (EndsSpelling(S)) {
        Old = NextGuardToken(B);
        Matched = SameToken(Old, New);
        continue;
      }
      for (;;) {
        if (!SameToken(S, New))
          return Old.Line;
        S = NextGuardToken(Spelled);
        if (EndsSpelling(S))
          break;
        New = NextGuardToken(A);
      }
      Matched = true;
    }
    if (!Matched)
      return Old.Line;
  }
}

std::string GuardRefusal(const std::string &Name, int Line) {
  return Name + ":" + std::to_string(Line) +
         ": the re-indented program would differ from the original here; file left unchanged "
         "(use --no-verify to skip this check)";
}
