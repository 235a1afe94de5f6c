// The guard's comparison: both texts are read token by token side by side, so a text costs
// one pass and no copy.
#include "guard.hpp"
#include "../src/words/words.hpp"
#include "../sim/sim.hpp"
#include "guard_lexer.hpp"

#include <cstring>

bool CliInjectBrokenToken = false;

namespace {

// Two text lines whose leading spaces are held apart in different numbers.
bool SameIndented(const GuardToken &A, const GuardToken &B) {
  if (A.Indent + A.Length != B.Indent + B.Length)
    return false;
  const GuardToken &Less = A.Indent < B.Indent ? A : B;
  const GuardToken &More = A.Indent < B.Indent ? B : A;
  std::size_t Extra = More.Indent - Less.Indent;
  for (std::size_t I = 0; I < Extra; ++I)
    if (Less.Data[I] != ' ')
      return false;
  return std::memcmp(Less.Data + Extra, More.Data, More.Length) == 0;
}

bool SameToken(const GuardToken &A, const GuardToken &B) {
  if (A.Kind != B.Kind)
    return false;
  if (A.Kind == GuardWord)
    return SameWord(A.Data, A.Length, B.Data, B.Length);
  if (A.Indent != B.Indent)
    return SameIndented(A, B);
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

// The lines of a text with one letter or digit changed, as a faulty re-indent would change it.
struct BrokenText {
  const void *Source;
  GuardLineReader Read;
  mutable bool Broken;
  mutable std::string Line;
};

bool ReadBrokenText(const void *Text, std::size_t &Cursor, GuardLine &Line) {
  const BrokenText &T = *static_cast<const BrokenText *>(Text);
  if (!T.Read(T.Source, Cursor, Line))
    return false;
  for (std::size_t I = 0; I < Line.Length && !T.Broken; ++I) {
    char C = Line.Data[I];
    if ((C >= 'A' && C <= 'Y') || (C >= 'a' && C <= 'y') || (C >= '0' && C <= '8')) {
      T.Line.assign(Line.Data, Line.Length);
      ++T.Line[I];
      Line.Data = T.Line.data();
      T.Broken = true;
    }
  }
  return true;
}

// The editor's lines, read where the editor keeps them, while each is a line of the saved
// text on its own. One that ends at a lone CR, or without an end of line before the last,
// is not: Odd is then set and the reading stops there, the saved text to be read instead.
struct EditorLines {
  std::size_t Count;
  mutable bool Odd;
};

bool ReadEditorLine(const void *Lines, std::size_t &Cursor, GuardLine &Line) {
  const EditorLines &E = *static_cast<const EditorLines *>(Lines);
  if (Cursor >= E.Count)
    return false;
  SimEolKind Eol;
  Line.Data = SimLineBytes(static_cast<int>(Cursor), Line.Indent, Line.Length, Eol);
  if (Eol == SimEolNone || Eol == SimEolCr) {
    if (Cursor + 1 < E.Count) {
      E.Odd = true;
      return false;
    }
    // A last line without text or end of line is no line of the saved text.
    if (Eol == SimEolNone && Line.Indent + Line.Length == 0)
      return false;
  }
  ++Cursor;
  return true;
}

} // namespace

int FirstChangedLine(const char *Before, std::size_t BeforeSize, const char *After,
                     std::size_t AfterSize) {
  GuardText Text{After, AfterSize};
  return FirstChangedLine(Before, BeforeSize, &Text, ReadGuardText);
}

int EditorFirstChangedLine(const char *Before, std::size_t BeforeSize) {
  // Up to the first line that is not one of the saved text on its own, the editor's lines
  // are those of the saved text: a comparison that ends before reaching one stands.
  EditorLines Lines{static_cast<std::size_t>(SimLineCount()), false};
  int Line = FirstChangedLine(Before, BeforeSize, &Lines, ReadEditorLine);
  if (!Lines.Odd)
    return Line;
  std::string After = SimSaveText();
  return FirstChangedLine(Before, BeforeSize, After.data(), After.size());
}

int FirstChangedLine(const char *Before, std::size_t BeforeSize, const void *After,
                     GuardLineReader ReadAfter) {
  BrokenText Broken{After, ReadAfter, false, std::string()};
  if (CliInjectBrokenToken) {
    After = &Broken;
    ReadAfter = ReadBrokenText;
  }
  GuardLexer A, B, Spelled;
  StartGuardLexer(B, Before, BeforeSize);
  StartGuardLexer(A, After, ReadAfter);
  for (;;) {
    if (int Line = SkipSameLines(B, A))
      return Line;
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
