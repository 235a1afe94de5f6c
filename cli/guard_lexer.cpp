// The guard's lexer. Lines end at LF (the CRs before it belong to the line end); bytes of
// code 32 or less are blanks outside strings and comments. A line outside a text region is
// its tokens, its leading and trailing blanks left out; a line inside one is the whole line.
#include "guard_lexer.hpp"

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

enum GuardRegion { RegionNone = 0, RegionText = 1, RegionDump = 2 };

// What a byte is to the lexer, looked up once per byte.
enum CharClass : unsigned char { ClassBlank = 1, ClassWordStart = 2, ClassDigit = 4 };
struct CharClassTable {
  unsigned char Of[256];
  CharClassTable() : Of() {
    for (int C = 0; C <= 32; ++C)
      Of[C] = ClassBlank;
    Of[static_cast<unsigned char>('\n')] = 0;
    for (int C = 'A'; C <= 'Z'; ++C)
      Of[C] = Of[C + 32] = ClassWordStart;
    Of[static_cast<unsigned char>('_')] = ClassWordStart;
    for (int C = '0'; C <= '9'; ++C)
      Of[C] = ClassDigit;
  }
};
const CharClassTable CharClasses;

unsigned char ClassOf(char C) {
  return CharClasses.Of[static_cast<unsigned char>(C)];
}

bool IsBlank(char C) {
  return ClassOf(C) & ClassBlank;
}

char UpperOf(char C) {
  return C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C;
}

bool IsDigit(char C) {
  return ClassOf(C) & ClassDigit;
}

bool IsWordStart(char C) {
  return ClassOf(C) & ClassWordStart;
}

bool IsWordChar(char C) {
  return ClassOf(C) & (ClassWordStart | ClassDigit);
}

// The end of the word that starts at P (P itself when none does).
const char *WordEnd(const char *P, const char *End) {
  if (P >= End || !IsWordStart(*P))
    return P;
  while (P < End && IsWordChar(*P))
    ++P;
  return P;
}

constexpr std::uint64_t Ones = 0x0101010101010101ULL;
constexpr std::uint64_t Highs = Ones << 7;

std::uint64_t Load8(const char *P) {
  std::uint64_t X;
  std::memcpy(&X, P, 8);
  return X;
}

// The high bit of each byte of X that is zero; the lowest one set marks the first such byte.
std::uint64_t ZeroBytes(std::uint64_t X) {
  return (X - Ones) & ~X & Highs;
}

// The high bit of each byte of X that is no blank (above code 32, or an LF).
std::uint64_t NonBlankBytes(std::uint64_t X) {
  return ((((X & ~Highs) + Ones * (0x80 - 33)) | X) & Highs) | ZeroBytes(X ^ (Ones * '\n'));
}

#if defined(__SSE2__)
// The bytes of the sixteen at P that are no blank (above code 32, or an LF), one bit each.
inline unsigned NonBlankMarks(const char *P) {
  __m128i X = _mm_loadu_si128(reinterpret_cast<const __m128i *>(P));
  return static_cast<unsigned>(
      _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(_mm_max_epu8(X, _mm_set1_epi8(33)), X),
                                     _mm_cmpeq_epi8(X, _mm_set1_epi8('\n')))));
}
#endif

// SkipBlanks past a blank at P.
const char *SkipBlankRun(const char *P, const char *End) {
#if defined(__SSE2__)
  // Sixteen bytes at a time.
  for (; End - P >= 16; P += 16)
    if (unsigned Marks = NonBlankMarks(P))
      return P + __builtin_ctz(Marks);
#endif
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  // Eight bytes at a time: the first that is no blank is the lowest byte marked.
  while (End - P >= 8) {
    std::uint64_t Marks = NonBlankBytes(Load8(P));
    if (Marks)
      return P + __builtin_ctzll(Marks) / 8;
    P += 8;
  }
#endif
  while (P < End && IsBlank(*P))
    ++P;
  return P;
}

inline const char *SkipBlanks(const char *P, const char *End) {
  if (P < End && !IsBlank(*P))
    return P;
#if defined(__SSE2__)
  // Most runs of blanks end within sixteen bytes.
  if (End - P >= 16)
    if (unsigned Marks = NonBlankMarks(P))
      return P + __builtin_ctz(Marks);
#endif
  return SkipBlankRun(P, End);
}

// True when the Length bytes at P spell Upper, ignoring the case of a to z.
bool SpellsWord(const char *P, std::size_t Length, const char *Upper) {
  if (Length != std::strlen(Upper))
    return false;
  for (std::size_t I = 0; I < Length; ++I)
    if (UpperOf(P[I]) != Upper[I])
      return false;
  return true;
}

// Nothing but blanks or a "//" or "&&" comment from P to End.
bool RestIsEmpty(const char *P, const char *End) {
  P = SkipBlanks(P, End);
  return P == End || (End - P >= 2 && (P[0] == '/' || P[0] == '&') && P[1] == P[0]);
}

// The word after "#" and blanks at P (a directive's name), or null when the line is none.
const char *DirectiveWord(const char *P, const char *End, std::size_t &Length) {
  if (P >= End || *P != '#')
    return nullptr;
  P = SkipBlanks(P + 1, End);
  Length = static_cast<std::size_t>(WordEnd(P, End) - P);
  return P;
}

// The word of a "#pragma WORD" line at P, or null. After sets where the word ends.
const char *PragmaWord(const char *P, const char *End, std::size_t &Length, const char **After) {
  std::size_t NameLength = 0;
  const char *Name = DirectiveWord(P, End, NameLength);
  if (!Name || !SpellsWord(Name, NameLength, "PRAGMA"))
    return nullptr;
  const char *W = SkipBlanks(Name + NameLength, End);
  Length = static_cast<std::size_t>(WordEnd(W, End) - W);
  if (After)
    *After = W + Length;
  return W;
}

// The text region a "#pragma" line opens, or RegionNone.
int PragmaRegion(const char *P, const char *End) {
  std::size_t Length = 0;
  const char *W = PragmaWord(P, End, Length, nullptr);
  if (!W)
    return RegionNone;
  if (SpellsWord(W, Length, "__TEXT") || SpellsWord(W, Length, "__STREAM") ||
      SpellsWord(W, Length, "__CSTREAM"))
    return RegionText;
  if (SpellsWord(W, Length, "BEGINDUMP"))
    return RegionDump;
  return RegionNone;
}

// A directive that defines a command or a translation, or an abbreviation of one to at least
// four letters.
bool DefinesCommand(const char *Name, std::size_t Length) {
  if (Length < 4)
    return false;
  for (const char *Full : {"COMMAND", "XCOMMAND", "TRANSLATE", "XTRANSLATE"})
    if (Length <= std::strlen(Full) && SameWord(Name, Length, Full, Length))
      return true;
  return false;
}

// Splits the line at Cursor off Bytes at its LF.
inline bool SplitLine(const char *Bytes, std::size_t Size, std::size_t &Cursor, GuardLine &Line) {
  if (Cursor >= Size)
    return false;
  const char *Start = Bytes + Cursor;
  const void *Eol = std::memchr(Start, '\n', Size - Cursor);
  std::size_t Length =
      Eol ? static_cast<std::size_t>(static_cast<const char *>(Eol) - Start) : Size - Cursor;
  Line = GuardLine{Start, Length, 0};
  Cursor += Length + 1;
  return true;
}

inline bool ReadLine(const GuardLexer &L, std::size_t &Cursor, GuardLine &Line) {
  return L.Read ? L.Read(L.Source, Cursor, Line)
                : SplitLine(L.Whole.Bytes, L.Whole.Size, Cursor, Line);
}

// Reads the definition that starts at P on the current line (a "#command" line and the lines
// it continues with ";"; its name ends at NameEnd): when its result begins with "#pragma
// __text", "__stream" or "__cstream", the words its pattern begins with open a text region.
void AddTextCommand(GuardLexer &L, const char *P, const char *NameEnd) {
  const char *End = L.Text + L.LineEnd;
  GuardOpener Opener;
  const char *W = SkipBlanks(NameEnd, End);
  while (Opener.Count < 4) {
    const char *E = WordEnd(W, End);
    if (E == W)
      break;
    Opener.Words[Opener.Count] = W;
    Opener.Lengths[Opener.Count] = static_cast<std::size_t>(E - W);
    ++Opener.Count;
    W = SkipBlanks(E, End);
  }
  if (Opener.Count == 0)
    return;
  // The result: after "=>", on this line or on one that a ";" at a line's end joins to it.
  std::size_t Cursor = L.Cursor;
  GuardLine Next;
  const char *Q = P;
  for (;;) {
    const char *Arrow = Q;
    while (Arrow + 1 < End && (Arrow[0] != '=' || Arrow[1] != '>'))
      ++Arrow;
    if (Arrow + 1 < End) {
      Q = Arrow + 2;
      break;
    }
    const char *Back = End;
    while (Back > Q && IsBlank(Back[-1]))
      --Back;
    if (Back == Q || Back[-1] != ';' || !ReadLine(L, Cursor, Next))
      return;
    Q = Next.Data;
    End = Next.Data + Next.Length;
  }
  const char *R = SkipBlanks(Q, End);
  while (R < End && *R == ';' && RestIsEmpty(R + 1, End) && ReadLine(L, Cursor, Next)) {
    End = Next.Data + Next.Length;
    R = SkipBlanks(Next.Data, End);
  }
  if (R < End && PragmaRegion(R, End) == RegionText)
    L.Openers.push_back(Opener);
}

// The text region the statement at P opens (P at its first byte, End its line's end).
int OpenedRegion(GuardLexer &L, const char *P, const char *End) {
  if (*P == '#') {
    std::size_t Length = 0;
    const char *Name = DirectiveWord(P, End, Length);
    if (DefinesCommand(Name, Length))
      AddTextCommand(L, P, Name + Length);
    return PragmaRegion(P, End);
  }
  const char *W = WordEnd(P, End);
  if (W == P)
    return RegionNone;
  if (SpellsWord(P, std::size_t(W - P), "TEXT")) {
    const char *N = SkipBlanks(W, End);
    if (RestIsEmpty(N, End) || SpellsWord(N, std::size_t(WordEnd(N, End) - N), "TO"))
      return RegionText;
  }
  for (const GuardOpener &O : L.Openers) {
    const char *Q = P;
    int I = 0;
    for (; I < O.Count; ++I) {
      const char *E = WordEnd(Q, End);
      if (!SameWord(Q, std::size_t(E - Q), O.Words[I], O.Lengths[I]))
        break;
      Q = SkipBlanks(E, End);
    }
    if (I == O.Count)
      return RegionText;
  }
  return RegionNone;
}

// True when the line at P closes the text region it stands in.
bool ClosesRegion(int Region, const char *P, const char *End) {
  P = SkipBlanks(P, End);
  std::size_t Length = 0;
  const char *After = nullptr;
  const char *W = PragmaWord(P, End, Length, &After);
  if (Region == RegionDump)
    return W && SpellsWord(W, Length, "ENDDUMP");
  if (W)
    return SpellsWord(W, Length, "__ENDTEXT");
  const char *E = WordEnd(P, End);
  return SpellsWord(P, std::size_t(E - P), "ENDTEXT") && RestIsEmpty(E, End);
}

// The operators of two bytes (:= == != <> <= >= += -= *= /= %= ^= ** ++ -- -> :: =>); any
// other punctuation byte is an operator of its own.
bool IsPairOperator(char A, char B) {
  switch (A) {
  case ':':
    return B == '=' || B == ':';
  case '=':
    return B == '=' || B == '>';
  case '<':
    return B == '=' || B == '>';
  case '+':
    return B == '=' || B == '+';
  case '-':
    return B == '=' || B == '-' || B == '>';
  case '*':
    return B == '=' || B == '*';
  case '!':
  case '>':
  case '/':
  case '%':
  case '^':
    return B == '=';
  default:
    return false;
  }
}

// Reads the next line, unless one is read and waits: false past the last line.
// Makes Line the current line, read and waiting.
inline void TakeLine(GuardLexer &L, const GuardLine &Line) {
  std::size_t End = Line.Length;
  while (End > 0 && Line.Data[End - 1] == '\r')
    --End;
  L.Text = Line.Data;
  L.Indent = Line.Indent;
  L.At = 0;
  L.LineEnd = End;
  ++L.Line;
  L.LineLoaded = true;
}

inline bool LoadLine(GuardLexer &L) {
  if (L.LineLoaded)
    return true;
  GuardLine Line;
  if (!ReadLine(L, L.Cursor, Line))
    return false;
  TakeLine(L, Line);
  return true;
}

// Ends the current line.
void FinishLine(GuardLexer &L, bool Continued) {
  L.LineOpen = false;
  L.Continued = Continued;
}

// A token reaching to the line's end, its trailing blanks left out.
GuardToken ToLineEnd(GuardLexer &L, GuardTokenKind Kind) {
  const char *Start = L.Text + L.At;
  const char *End = L.Text + L.LineEnd;
  while (End > Start && IsBlank(End[-1]))
    --End;
  L.At = L.LineEnd;
  return GuardToken{Kind, Start, static_cast<std::size_t>(End - Start), L.Line};
}

// The block comment's part from L.At (after Skip bytes) to its "*/" or the line's end.
GuardToken BlockCommentPart(GuardLexer &L, std::size_t Skip) {
  L.InBlockComment = true;
  for (std::size_t K = L.At + Skip; K + 1 < L.LineEnd; ++K) {
    if (L.Text[K] == '*' && L.Text[K + 1] == '/') {
      GuardToken T{GuardComment, L.Text + L.At, K + 2 - L.At, L.Line};
      L.At = K + 2;
      L.InBlockComment = false;
      return T;
    }
  }
  return ToLineEnd(L, GuardComment);
}

// A quoted token from L.At to the first Close after it, or to the line's end when none
// closes it (a missing quote: its trailing blanks are no part of it).
GuardToken Quoted(GuardLexer &L, char Close) {
  const char *Start = L.Text + L.At;
  const void *Found = std::memchr(Start + 1, Close, L.LineEnd - L.At - 1);
  if (!Found)
    return ToLineEnd(L, GuardString);
  std::size_t Length = static_cast<std::size_t>(static_cast<const char *>(Found) - Start) + 1;
  L.At += Length;
  return GuardToken{GuardString, Start, Length, L.Line};
}

} // namespace

bool SameWord(const char *A, std::size_t LengthA, const char *B, std::size_t LengthB) {
  if (LengthA != LengthB)
    return false;
  for (std::size_t I = 0; I < LengthA; ++I)
    if (UpperOf(A[I]) != UpperOf(B[I]))
      return false;
  return true;
}

bool ReadGuardText(const void *Text, std::size_t &Cursor, GuardLine &Line) {
  const GuardText &T = *static_cast<const GuardText *>(Text);
  return SplitLine(T.Bytes, T.Size, Cursor, Line);
}

void StartGuardLexer(GuardLexer &L, const char *Text, std::size_t Size) {
  L = GuardLexer();
  L.Whole = GuardText{Text, Size};
}

void StartGuardLexer(GuardLexer &L, const void *Source, GuardLineReader Read) {
  L = GuardLexer();
  L.Source = Source;
  L.Read = Read;
}

GuardToken NextGuardToken(GuardLexer &L) {
  for (;;) {
    if (!L.LineOpen) {
      if (!LoadLine(L))
        return GuardToken{GuardEnd, "", 0, L.Line > 0 ? L.Line : 1};
      L.LineLoaded = false;
      L.LineOpen = true;
      L.LineHasToken = false;
      L.LastWasSemicolon = false;
      if (L.Region != RegionNone) {
        if (!ClosesRegion(L.Region, L.Text + L.At, L.Text + L.LineEnd)) {
          GuardToken T{GuardTextLine, L.Text + L.At, L.LineEnd - L.At, L.Line, L.Indent};
          L.At = L.LineEnd;
          L.LineHasToken = true;
          return T;
        }
        L.Region = RegionNone;
        L.Continued = false;
      }
      if (!L.Continued) {
        L.Directive = false;
        L.CanQuote = true;
        L.LineStart = true;
        const char *First = SkipBlanks(L.Text + L.At, L.Text + L.LineEnd);
        if (!L.InBlockComment && First < L.Text + L.LineEnd)
          L.PendingRegion = OpenedRegion(L, First, L.Text + L.LineEnd);
      }
    }
    while (L.At < L.LineEnd && IsBlank(L.Text[L.At]))
      ++L.At;
    if (L.At >= L.LineEnd) {
      bool HadToken = L.LineHasToken;
      int Line = L.Line;
      if (L.Region == RegionNone) {
        L.Region = L.PendingRegion;
        L.PendingRegion = RegionNone;
      }
      FinishLine(L, L.Region == RegionNone && L.LastWasSemicolon);
      if (HadToken)
        return GuardToken{GuardLineEnd, "", 0, Line};
      continue;
    }
    L.LineHasToken = true;
    const char *P = L.Text + L.At;
    char C = P[0];
    char Next = L.At + 1 < L.LineEnd ? P[1] : '\0';
    if (L.InBlockComment)
      return BlockCommentPart(L, 0);
    if (C == '/' && Next == '*')
      return BlockCommentPart(L, 2);
    if (((C == '/' || C == '&') && Next == C) || (C == '*' && L.LineStart))
      return ToLineEnd(L, GuardComment);
    GuardToken T;
    if (C == '"' || C == '\'') {
      T = Quoted(L, C);
    } else if (C == '[' && L.CanQuote && !L.Directive &&
               std::memchr(P + 1, ']', L.LineEnd - L.At - 1)) {
      T = Quoted(L, ']');
    } else if (IsWordStart(C)) {
      const char *E = WordEnd(P, L.Text + L.LineEnd);
      T = GuardToken{GuardWord, P, static_cast<std::size_t>(E - P), L.Line};
    } else if (IsDigit(C)) {
      const char *End = L.Text + L.LineEnd;
      const char *E = P + 1;
      if (C == '0' && (Next == 'x' || Next == 'X')) {
        E = P + 2;
        while (E < End && (IsDigit(*E) || (UpperOf(*E) >= 'A' && UpperOf(*E) <= 'F')))
          ++E;
      } else {
        while (E < End && IsDigit(*E))
          ++E;
        if (E + 1 < End && *E == '.' && IsDigit(E[1])) {
          E += 2;
          while (E < End && IsDigit(*E))
            ++E;
        }
      }
      T = GuardToken{GuardNumber, P, static_cast<std::size_t>(E - P), L.Line};
    } else {
      std::size_t Length = IsPairOperator(C, Next) ? 2 : 1;
      T = GuardToken{GuardOperator, P, Length, L.Line};
      if (C == '#' && L.LineStart)
        L.Directive = true;
    }
    if (T.Kind != GuardString)
      L.At += T.Length; // Quoted moved past the string itself
    L.LineStart = false;
    L.CanQuote =
        !(T.Kind == GuardWord || T.Kind == GuardNumber || T.Kind == GuardString ||
          (T.Kind == GuardOperator && T.Length == 1 && (C == ')' || C == ']' || C == '}')));
    L.LastWasSemicolon = T.Kind == GuardOperator && T.Length == 1 && C == ';';
    return T;
  }
}

namespace {

// True when the lexer stands at a line's start with nothing carried into it.
bool AtPlainLineStart(const GuardLexer &L) {
  return !L.LineOpen && L.Region == RegionNone && L.PendingRegion == RegionNone &&
         !L.InBlockComment && !L.Continued;
}

// True when the first word of a line at P may open a text region.
bool FirstWordMayOpen(const GuardLexer &L, const char *P, const char *End) {
  const char *W = WordEnd(P, End);
  if (SpellsWord(P, std::size_t(W - P), "TEXT"))
    return true;
  for (const GuardOpener &O : L.Openers)
    if (SameWord(P, std::size_t(W - P), O.Words[0], O.Lengths[0]))
      return true;
  return false;
}

inline bool MayOpen(const GuardLexer &L, const char *P, const char *End) {
  return (UpperOf(*P) == 'T' || !L.Openers.empty()) && FirstWordMayOpen(L, P, End);
}

} // namespace

// What the bytes of a line that is the same on both sides may do.
enum ByteRole : unsigned char {
  MayCarry = 1,   // ";": the statement may go on on the next line
  Slash = 2,      // "/": may open a block comment
  MayQuote = 4,   // may open a string or a comment
  OtherCase = 8,  // a letter in another case on the other side
  NumberCase = 16 // the same in a number (as in 0xFF), compared byte for byte
};
struct ByteRoleTable {
  unsigned char Of[256];
  ByteRoleTable() : Of() {
    Of[static_cast<unsigned char>(';')] = MayCarry;
    for (unsigned char C : {'"', '\'', '[', '*', '&'})
      Of[C] = MayQuote;
    Of[static_cast<unsigned char>('/')] = MayQuote | Slash;
  }
};
const ByteRoleTable ByteRoles;

// True when the letter at P belongs to a run of letters and digits that starts with a digit
// (a number such as 0x1F).
bool InNumber(const char *First, const char *P) {
  while (P > First && IsWordChar(P[-1]))
    --P;
  return IsDigit(*P);
}

// Compares Length bytes at B and A byte by byte: true when they are the same but perhaps for
// the case of letters. Seen gathers the ByteRoles of B's bytes and where a case differs;
// LastCase is the last letter whose case differs.
bool SameButCase(const char *First, const char *B, const char *A, std::size_t Length,
                 unsigned &Seen, const char *&LastCase) {
  for (std::size_t I = 0; I < Length; ++I) {
    if (B[I] != A[I]) {
      if (UpperOf(B[I]) != UpperOf(A[I]) || !IsWordStart(B[I]))
        return false;
      // A run of such letters is looked at once, from its first.
      if (LastCase != B + I - 1 && InNumber(First, B + I))
        Seen |= NumberCase;
      Seen |= OtherCase;
      LastCase = B + I;
    }
    Seen |= ByteRoles.Of[static_cast<unsigned char>(B[I])];
  }
  return true;
}

// The letters at B + Offset (bits of Cased, one per byte, the first byte lowest) whose case
// differs on the other side: false when one is no letter.
bool NoteCaseLetters(const char *B, std::size_t Offset, std::uint64_t Cased, unsigned Shift,
                     unsigned &Seen, const char *&LastCase) {
  for (; Cased; Cased &= Cased - 1) {
    const char *P = B + Offset + (static_cast<unsigned>(__builtin_ctzll(Cased)) >> Shift);
    char Lower = static_cast<char>(*P | 0x20);
    if (Lower < 'a' || Lower > 'z')
      return false;
    // A run of such letters is looked at once, from its first.
    if (LastCase != P - 1 && InNumber(B, P))
      Seen |= NumberCase;
    LastCase = P;
  }
  Seen |= OtherCase;
  return true;
}

// SameButCase for the Length bytes of two lines from their first non-blank byte, sixteen or
// eight bytes at a time (the last chunk may overlap the one before it): bytes that differ
// must differ in the case bit alone, and be letters.
bool SameLineBytes(const char *B, const char *A, std::size_t Length, unsigned &Seen,
                   const char *&LastCase) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  if (Length < 8) {
    // Four to seven bytes the same: two words of four that may overlap.
    if (Length >= 4) {
      std::uint32_t BLow, BHigh, ALow, AHigh;
      std::memcpy(&BLow, B, 4);
      std::memcpy(&BHigh, B + Length - 4, 4);
      std::memcpy(&ALow, A, 4);
      std::memcpy(&AHigh, A + Length - 4, 4);
      if (BLow == ALow && BHigh == AHigh) {
        std::uint64_t X = BLow | static_cast<std::uint64_t>(BHigh) << 32;
        Seen |= (ZeroBytes(X ^ (Ones * ';')) ? MayCarry : 0) |
                (ZeroBytes(X ^ (Ones * '/')) ? Slash : 0);
        return true;
      }
    }
    return SameButCase(B, B, A, Length, Seen, LastCase);
  }
#if defined(__SSE2__)
  if (Length >= 16) {
    const __m128i CaseBit = _mm_set1_epi8(0x20);
    const __m128i Semicolon = _mm_set1_epi8(';');
    const __m128i SlashByte = _mm_set1_epi8('/');
    __m128i Semicolons = _mm_setzero_si128(), Slashes = _mm_setzero_si128();
    for (std::size_t I = 0; I < Length; I += 16) {
      if (I + 16 > Length)
        I = Length - 16;
      __m128i X = _mm_loadu_si128(reinterpret_cast<const __m128i *>(B + I));
      __m128i D = _mm_xor_si128(X, _mm_loadu_si128(reinterpret_cast<const __m128i *>(A + I)));
      Semicolons = _mm_or_si128(Semicolons, _mm_cmpeq_epi8(X, Semicolon));
      Slashes = _mm_or_si128(Slashes, _mm_cmpeq_epi8(X, SlashByte));
      unsigned Differ =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(D, _mm_setzero_si128()))) ^
          0xFFFFu;
      if (!Differ)
        continue;
      unsigned Cased = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(D, CaseBit)));
      if (Cased != Differ || !NoteCaseLetters(B, I, Cased, 0, Seen, LastCase))
        return false;
    }
    Seen |=
        (_mm_movemask_epi8(Semicolons) ? MayCarry : 0) | (_mm_movemask_epi8(Slashes) ? Slash : 0);
    return true;
  }
#endif
  bool Semicolons = false, Slashes = false;
  for (std::size_t I = 0; I < Length; I += 8) {
    if (I + 8 > Length)
      I = Length - 8;
    std::uint64_t X = Load8(B + I);
    std::uint64_t D = X ^ Load8(A + I);
    Semicolons |= ZeroBytes(X ^ (Ones * ';')) != 0;
    Slashes |= ZeroBytes(X ^ (Ones * '/')) != 0;
    if (D == 0)
      continue;
    if ((D & ~(Ones * 0x20)) || !NoteCaseLetters(B, I, D, 3, Seen, LastCase))
      return false;
  }
  Seen |= (Semicolons ? MayCarry : 0) | (Slashes ? Slash : 0);
  return true;
#else
  return SameButCase(B, B, A, Length, Seen, LastCase);
#endif
}

#if defined(__SSE2__)
// The bytes of the sixteen at P that may open a string or a comment, one bit each.
unsigned MayQuoteMarks(const char *P) {
  __m128i X = _mm_loadu_si128(reinterpret_cast<const __m128i *>(P));
  __m128i Quotes =
      _mm_or_si128(_mm_cmpeq_epi8(X, _mm_set1_epi8('"')), _mm_cmpeq_epi8(X, _mm_set1_epi8('\'')));
  __m128i Others =
      _mm_or_si128(_mm_cmpeq_epi8(X, _mm_set1_epi8('[')), _mm_cmpeq_epi8(X, _mm_set1_epi8('*')));
  __m128i Comments =
      _mm_or_si128(_mm_cmpeq_epi8(X, _mm_set1_epi8('&')), _mm_cmpeq_epi8(X, _mm_set1_epi8('/')));
  return static_cast<unsigned>(
      _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(Quotes, Others), Comments)));
}
#endif

// The first byte in [P, End) that may open a string or a comment, or End. Bytes up to
// Readable may be read.
const char *FirstMayQuote(const char *P, const char *End, const char *Readable) {
#if defined(__SSE2__)
  for (; End - P >= 16; P += 16)
    if (unsigned Marks = MayQuoteMarks(P))
      return P + __builtin_ctz(Marks);
  if (P < End && Readable - P >= 16) {
    // The last bytes, read with some after them that are no part of the range.
    unsigned Marks = MayQuoteMarks(P) & ((1u << (End - P)) - 1);
    return Marks ? P + __builtin_ctz(Marks) : End;
  }
#else
  (void)Readable;
#endif
  for (; P < End; ++P)
    if (ByteRoles.Of[static_cast<unsigned char>(*P)] & MayQuote)
      return P;
  return End;
}

// True when a byte in [P, End) may open a string or a comment.
bool MayQuoteIn(const char *P, const char *End, const char *Readable) {
  return FirstMayQuote(P, End, Readable) != End;
}

// Where Before's text ends: its bytes may be read up to there.
const char *TextEndOf(const GuardLexer &Before) {
  return Before.Whole.Bytes + Before.Whole.Size;
}

bool SameOpeners(const GuardLexer &A, const GuardLexer &B) {
  if (A.Openers.size() != B.Openers.size())
    return false;
  if (A.Openers.empty())
    return true;
  for (std::size_t I = 0; I < A.Openers.size(); ++I) {
    const GuardOpener &X = A.Openers[I];
    const GuardOpener &Y = B.Openers[I];
    if (X.Count != Y.Count)
      return false;
    for (int K = 0; K < X.Count; ++K)
      if (!SameWord(X.Words[K], X.Lengths[K], Y.Words[K], Y.Lengths[K]))
        return false;
  }
  return true;
}

// True when both lexers carry the same into their next line.
bool SameCarry(const GuardLexer &A, const GuardLexer &B) {
  return A.InBlockComment == B.InBlockComment && A.Region == B.Region &&
         A.PendingRegion == B.PendingRegion && A.Continued == B.Continued &&
         A.Directive == B.Directive && A.CanQuote == B.CanQuote && A.LineStart == B.LineStart &&
         SameOpeners(A, B);
}

// The first Pair ("/*" or "*/") in [P, End), or End.
const char *FindPair(const char *P, const char *End, const char *Pair) {
  while (End - P >= 2) {
    const void *Hit = std::memchr(P, Pair[0], static_cast<std::size_t>(End - P - 1));
    if (!Hit)
      return End;
    P = static_cast<const char *>(Hit);
    if (P[1] == Pair[1])
      return P;
    ++P;
  }
  return End;
}

bool OpensBlockComment(const char *P, const char *End) {
  return FindPair(P, End, "/*") != End;
}

// The same bytes in [P, End) on both sides, After's line standing at A for Before's at B (null
// when the lines hold the same bytes).
bool SameOnBothSides(const char *B, const char *A, const char *P, const char *End) {
  return !A || std::memcmp(P, A + (P - B), static_cast<std::size_t>(End - P)) == 0;
}

// CarryWithoutReading for a line [First, End), the same at After but for the case of letters
// outside numbers, that may hold strings and comments: the bytes that may open one are looked
// at as the lexer would read them, the runs between them holding only words, numbers and
// operators. True, with what the line carries set in L, when every string and comment holds
// the same bytes on both sides (and so every letter of another case lies in a word); false
// when they differ or the line opens a block comment, which is then read token by token.
bool CarryOfQuotedLine(GuardLexer &L, const char *First, const char *End, const char *After,
                       bool Plain) {
  bool LineStart = Plain || L.LineStart;
  bool CanQuote = Plain || L.CanQuote;
  bool Directive = !Plain && L.Directive;
  bool Semicolon = false;
  const char *P = First;
  for (;;) {
    const char *Q = FirstMayQuote(P, End, TextEndOf(L));
    // The last token of the run [P, Q), if it holds one, is a word, a number or an operator.
    const char *Last = Q;
    while (Last > P && IsBlank(Last[-1]))
      --Last;
    if (Last > P) {
      if (LineStart && *SkipBlanks(P, Q) == '#')
        Directive = true;
      LineStart = false;
      char C = Last[-1];
      CanQuote = !IsWordChar(C) && C != ')' && C != ']' && C != '}';
      Semicolon = C == ';';
    }
    if (Q == End)
      break;
    char C = *Q;
    char Next = Q + 1 < End ? Q[1] : ' ';
    if (C == '/' && Next == '*') {
      const char *Close = FindPair(Q + 2, End, "*/");
      if (Close == End || !SameOnBothSides(First, After, Q, Close + 2))
        return false;
      P = Close + 2;
      continue;
    }
    if (((C == '/' || C == '&') && Next == C) || (C == '*' && LineStart)) {
      if (!SameOnBothSides(First, After, Q, End))
        return false;
      break;
    }
    const void *Close = nullptr;
    if (C == '"' || C == '\'' || (C == '[' && CanQuote && !Directive)) {
      Close = std::memchr(Q + 1, C == '[' ? ']' : C, static_cast<std::size_t>(End - Q - 1));
      if (Close || C != '[') {
        // A string, to its closing quote or, when none closes it, to the line's end.
        P = Close ? static_cast<const char *>(Close) + 1 : End;
        if (!SameOnBothSides(First, After, Q, P))
          return false;
        LineStart = CanQuote = Semicolon = false;
        continue;
      }
    }
    P = Q + (IsPairOperator(C, Next) ? 2 : 1);
    LineStart = Semicolon = false;
    CanQuote = true;
  }
  L.Directive = Directive;
  L.LineStart = LineStart;
  L.CanQuote = CanQuote;
  L.Continued = L.LastWasSemicolon = Semicolon;
  return true;
}

// For a line [First, End) that is the same on both sides but for the letters Seen and LastCase
// tell of (SameLineBytes): when what it carries to the next line can be told without reading
// its tokens, sets that in L and returns true. A block comment's line without "/" stays in
// the comment. Outside one, a line without "/*" opens none, and one that holds no string or
// comment either goes on after a ";" at its end and only then. A letter of another case lies
// in a word when no string, comment or number may stand before it.
bool CarryWithoutReading(GuardLexer &L, const char *First, const char *End, const char *After,
                         unsigned Seen, const char *LastCase, bool Plain) {
  if (L.InBlockComment || (End - First >= 2 && First[0] == '/' && First[1] == '*')) {
    // A line that is one part of a block comment: it ends the comment when its first "*/"
    // ends it.
    if (Seen & OtherCase)
      return false;
    const char *Close = FindPair(L.InBlockComment ? First : First + 2, End, "*/");
    if (Close != End && Close + 2 != End)
      return false;
    L.InBlockComment = Close == End;
    L.Continued = L.LastWasSemicolon = false;
    return true;
  }
  if ((L.Directive && L.Continued) || (Plain && MayOpen(L, First, End)) || (Seen & NumberCase))
    return false;
  if (((Seen & Slash) && OpensBlockComment(First, End)) ||
      ((Seen & OtherCase) && MayQuoteIn(First, LastCase, TextEndOf(L))) ||
      ((Seen & MayCarry) && MayQuoteIn(First, End, TextEndOf(L))))
    return CarryOfQuotedLine(L, First, End, Seen & OtherCase ? After : nullptr, Plain);
  bool Semicolon = (Seen & MayCarry) && End[-1] == ';';
  if (Plain)
    L.Directive = *First == '#';
  L.Continued = L.LastWasSemicolon = Semicolon;
  if (Semicolon) {
    // The statement goes on after an operator.
    L.LineStart = false;
    L.CanQuote = true;
  }
  return true;
}

// The other side takes what Before carries to the next line.
void TakeCarry(GuardLexer &After, const GuardLexer &Before) {
  After.InBlockComment = Before.InBlockComment;
  After.Region = Before.Region;
  After.PendingRegion = Before.PendingRegion;
  After.Continued = Before.Continued;
  After.Directive = Before.Directive;
  After.CanQuote = Before.CanQuote;
  After.LineStart = Before.LineStart;
  After.LastWasSemicolon = Before.LastWasSemicolon;
}

namespace {

// The tokens compared here are mostly operators of a byte or two: no call for them.
bool SameBytes(const char *P, const char *Q, std::size_t Length) {
  for (std::size_t I = 0; I < Length; ++I)
    if (P[I] != Q[I])
      return false;
  return true;
}

// True when the line at P, which starts with "#", neither defines a command nor is a
// "#pragma": it opens no text region and adds no text command.
bool PlainDirective(const char *P, const char *End) {
  std::size_t Length = 0;
  const char *Name = DirectiveWord(P, End, Length);
  return !DefinesCommand(Name, Length) && !SpellsWord(Name, Length, "PRAGMA");
}

// A line pair that is the same but for blanks and the case of letters: Before's bytes
// [B, BEnd), After's [A, ...), what SameLineBytes saw in them.
struct SamePair {
  const char *B;
  const char *BEnd;
  const char *A;
  unsigned Seen;
  const char *LastCase;
};

// What a blank line carries, as the lexer reads it: a statement goes on no further.
void PassBlankLine(GuardLexer &L) {
  if (!L.Continued) {
    L.Directive = false;
    L.CanQuote = true;
    L.LineStart = true;
  }
  L.Continued = L.LastWasSemicolon = false;
}

// True when a line that starts with nothing carried into it and is the same on both sides
// carries nothing to the next line either, and needs no reading: it ends no statement with ";",
// opens no comment or text region, and any letter of another case lies in a word, since no
// string, comment or number can stand before it.
bool CarriesNothing(const GuardLexer &L, const SamePair &Pair) {
  if ((Pair.Seen & (MayCarry | Slash | NumberCase)) || MayOpen(L, Pair.B, Pair.BEnd))
    return false;
  return !(Pair.Seen & OtherCase) || !MayQuoteIn(Pair.B, Pair.LastCase, TextEndOf(L));
}

// The bytes [A, AEnd) of Line without its leading and trailing blanks.
void TrimmedLine(const GuardLine &Line, const char *&A, const char *&AEnd) {
  A = Line.Data;
  AEnd = Line.Data + Line.Length;
  if (A < AEnd && IsBlank(*A))
    A = SkipBlanks(A, AEnd);
  while (AEnd > A && IsBlank(AEnd[-1]))
    --AEnd;
}

// Passes the line pairs that are the same but for blanks and case and whose carry to the next
// line is told without reading them (blank lines on either side too, when Plain). Before is
// one text in memory: its line is compared where it lies with After's, without first looking
// for its end. True with Before's line made current when a pair must be read token by token on
// Before's side (Pair tells what SameLineBytes saw); false when the pair differs, with both
// lines current, or a text has ended.
bool NextLineToRead(GuardLexer &Before, GuardLexer &After, bool Plain, SamePair &Pair) {
  // Lines passed here are counted in locals and told to the lexers when the run ends: After's
  // line is made current only if the run ends at it, and After takes what Before carries once.
  const char *Bytes = Before.Whole.Bytes;
  const char *TextEnd = Bytes + Before.Whole.Size;
  std::size_t Cursor = Before.Cursor;
  int Passed = 0, AfterPassed = 0;
  bool Carried = false, ToRead = false;
  GuardLine Line;
  bool HaveLine = After.LineLoaded;
  if (HaveLine) {
    Line = GuardLine{After.Text, After.LineEnd, After.Indent};
    --After.Line;
    After.LineLoaded = false;
  }
  for (;;) {
    if (!HaveLine && !(HaveLine = ReadLine(After, After.Cursor, Line)))
      break;
    if (static_cast<std::size_t>(TextEnd - Bytes) <= Cursor)
      break;
    const char *A, *AEnd;
    TrimmedLine(Line, A, AEnd);
    const char *Start = Bytes + Cursor;
    const char *B = SkipBlanks(Start, TextEnd);
    bool BlankB = B == TextEnd || *B == '\n';
    if (BlankB || A == AEnd) {
      if (Plain || (BlankB && A == AEnd)) {
        if (BlankB) {
          Cursor = static_cast<std::size_t>(B - Bytes) + 1;
          ++Passed;
        }
        if (A == AEnd) {
          ++AfterPassed;
          HaveLine = false;
        }
        if (!Plain) {
          // Blank on both sides, in a block comment or after a ";".
          PassBlankLine(Before);
          Carried = true;
          Plain = AtPlainLineStart(Before);
        }
        continue;
      }
    }
    std::size_t Length = static_cast<std::size_t>(AEnd - A);
    Pair = SamePair{B, B + Length, A, 0, nullptr};
    const char *Rest = nullptr;
    bool Same = !BlankB && static_cast<std::size_t>(TextEnd - B) >= Length &&
                SameLineBytes(B, A, Length, Pair.Seen, Pair.LastCase);
    if (Same) {
      // Most lines end at once, at LF or CR LF.
      Rest = B + Length;
      if (TextEnd - Rest >= 2 && Rest[0] == '\r' && Rest[1] == '\n')
        ++Rest;
      else
        Rest = SkipBlanks(Rest, TextEnd);
      Same = (Rest == TextEnd || *Rest == '\n') && (*B != '#' || PlainDirective(B, Pair.BEnd));
    }
    if (!Same) {
      // Both lines are made current, to be read token by token.
      Before.Cursor = Cursor;
      Before.Line += Passed;
      Passed = 0;
      LoadLine(Before);
      Cursor = Before.Cursor;
      break;
    }
    bool CarriesOn = Plain && CarriesNothing(Before, Pair);
    if (!CarriesOn &&
        CarryWithoutReading(Before, Pair.B, Pair.BEnd, Pair.A, Pair.Seen, Pair.LastCase, Plain)) {
      // What the line carries is told without reading it: both sides carry it on.
      CarriesOn = Carried = true;
      Plain = AtPlainLineStart(Before);
    }
    ++AfterPassed;
    HaveLine = false;
    if (!CarriesOn) {
      // Before's line is made current, to be read token by token on Before's side alone.
      Cursor = static_cast<std::size_t>(Rest - Bytes) + 1;
      TakeLine(Before, GuardLine{Start, static_cast<std::size_t>(Rest - Start), 0});
      ToRead = true;
      break;
    }
    Cursor = static_cast<std::size_t>(Rest - Bytes) + 1;
    ++Passed;
  }
  Before.Cursor = Cursor;
  Before.Line += Passed;
  After.Line += AfterPassed;
  if (HaveLine)
    TakeLine(After, Line);
  if (Carried)
    TakeCarry(After, Before);
  return ToRead;
}

// Passes the lines of a text region that hold the same bytes on both sides (After's leading
// spaces held apart) and do not close it: each is one token on either side and carries
// nothing to the next line. True when a line closes the region on both sides: both lexers
// then stand at its start outside the region, as the lexer leaves them before reading its
// tokens. False, with both lines current, when a line must be read token by token.
bool SkipSameTextLines(GuardLexer &Before, GuardLexer &After) {
  for (;;) {
    if (!LoadLine(Before) || !LoadLine(After))
      return false;
    const char *B = Before.Text;
    std::size_t Length = Before.LineEnd;
    const char *A = After.Text;
    std::size_t ALength = After.LineEnd;
    if (ClosesRegion(Before.Region, B, B + Length)) {
      if (!ClosesRegion(After.Region, A, A + ALength))
        return false;
      Before.Region = After.Region = RegionNone;
      Before.Continued = After.Continued = false;
      return true;
    }
    std::size_t Spaces = After.Indent;
    if (Before.Indent != 0 || Spaces + ALength != Length)
      return false;
    for (std::size_t I = 0; I < Spaces; ++I)
      if (B[I] != ' ')
        return false;
    if (std::memcmp(B + Spaces, A, ALength) != 0)
      return false;
    Before.LineLoaded = After.LineLoaded = false;
  }
}

} // namespace

int SkipSameLines(GuardLexer &Before, GuardLexer &After) {
  if (Before.Read)
    return 0;
  while (!Before.LineOpen && !After.LineOpen && SameCarry(Before, After)) {
    if (Before.Region != RegionNone && !SkipSameTextLines(Before, After))
      return 0;
    if (Before.LineLoaded) {
      // A line read but not begun is read again where it lies.
      Before.Cursor = static_cast<std::size_t>(Before.Text - Before.Whole.Bytes);
      --Before.Line;
      Before.LineLoaded = false;
    }
    SamePair Pair;
    if (!NextLineToRead(Before, After, AtPlainLineStart(Before), Pair))
      return 0;
    // The same bytes give the same tokens: the line is read on one side only, and the other
    // side takes what it carries. Where letters changed case, every token but a word must
    // hold the same bytes on the other side.
    for (;;) {
      GuardToken T = NextGuardToken(Before);
      if (T.Kind == GuardLineEnd || T.Kind == GuardEnd)
        break;
      if ((Pair.Seen & OtherCase) && T.Kind != GuardWord &&
          !SameBytes(T.Data, Pair.A + (T.Data - Pair.B), T.Length))
        return T.Line;
    }
    TakeCarry(After, Before);
    After.LineLoaded = false;
  }
  return 0;
}
