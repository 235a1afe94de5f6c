// Verbatim regions: the text of TEXT ... ENDTEXT and of the #pragma text and dump regions
// is printed or compiled as it stands, so the re-indenter leaves those lines alone.
#include "../host/session.hpp"
#include "reindent.hpp"

#include <cstring>

namespace {

bool IsWordChar(char C) {
  char U = AsciiUpper(C);
  return (U >= 'A' && U <= 'Z') || (C >= '0' && C <= '9') || C == '_';
}

// True when Text begins with Upper, comparing a to z without regard to case.
bool BeginsWithUpper(const char *Text, std::size_t Length, const char *Upper) {
  std::size_t I = 0;
  for (; Upper[I]; ++I)
    if (I >= Length || AsciiUpper(Text[I]) != Upper[I])
      return false;
  return true;
}

bool SpellsUpper(const char *Text, std::size_t Length, const char *Upper) {
  return Length == std::strlen(Upper) && BeginsWithUpper(Text, Length, Upper);
}

// The directive word of a "#pragma" line (blanks allowed after "#"): false for other lines.
bool PragmaWord(const char *Text, std::size_t Length, const char *&Word, std::size_t &WordLength) {
  if (Length == 0 || Text[0] != '#')
    return false;
  std::size_t K = 1;
  while (K < Length && IsSpaceOrTab(Text[K]))
    ++K;
  if (!BeginsWithUpper(Text + K, Length - K, "PRAGMA"))
    return false;
  K += 6;
  if (K >= Length || !IsSpaceOrTab(Text[K]))
    return false;
  while (K < Length && IsSpaceOrTab(Text[K]))
    ++K;
  std::size_t Start = K;
  while (K < Length && IsWordChar(Text[K]))
    ++K;
  Word = Text + Start;
  WordLength = K - Start;
  return true;
}

// The TEXT command: the line is TEXT, or begins with TEXT and a space, except for an
// assignment to a variable named text (TEXT := ...); TEXT( is a call and never matches.
bool IsTextCommand(const char *Text, std::size_t Length) {
  if (!BeginsWithUpper(Text, Length, "TEXT"))
    return false;
  if (Length == 4)
    return true;
  if (Text[4] != ' ')
    return false;
  std::size_t K = 5;
  while (K < Length && IsSpaceOrTab(Text[K]))
    ++K;
  return !BeginsWithUpper(Text + K, Length - K, ":=");
}

} // namespace

int VerbatimOpened(const std::string &Trimmed) {
  const char *Text = Trimmed.data();
  std::size_t Length = Trimmed.size();
  if (IsTextCommand(Text, Length))
    return VerbatimText;
  const char *Word = nullptr;
  std::size_t WordLength = 0;
  if (!PragmaWord(Text, Length, Word, WordLength))
    return VerbatimNone;
  if (SpellsUpper(Word, WordLength, "__TEXT") || SpellsUpper(Word, WordLength, "__CSTREAM") ||
      SpellsUpper(Word, WordLength, "__STREAM"))
    return VerbatimPragmaText;
  if (SpellsUpper(Word, WordLength, "BEGINDUMP"))
    return VerbatimDump;
  return VerbatimNone;
}

bool VerbatimClosed(int Kind, const std::string &Line) {
  std::size_t First, End;
  TrimBounds(Line, First, End);
  const char *Text = Line.data() + First;
  std::size_t Length = End - First;
  if (Kind == VerbatimText)
    return BeginsWithUpper(Text, Length, "ENDTEXT") && (Length == 7 || Text[7] == ' ');
  const char *Word = nullptr;
  std::size_t WordLength = 0;
  if (!PragmaWord(Text, Length, Word, WordLength))
    return false;
  if (Kind == VerbatimPragmaText)
    return SpellsUpper(Word, WordLength, "__ENDTEXT");
  return SpellsUpper(Word, WordLength, "ENDDUMP");
}
