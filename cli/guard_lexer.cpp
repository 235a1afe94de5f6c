// The guard's lexer. Lines end at LF (the CRs before it belong to the line end); bytes of
// code 32 or less are blanks outside strings and comments. A line outside a text region is
// its tokens, its leading and trailing blanks left out; a line inside one is the whole line.
#include "guard_lexer.hpp"

#include <cstdint>
#include <cstring>

namespace {

enum GuardRegion { RegionNone = 0, RegionText = 1, RegionDump = 2 };

bool IsBlank(char C) {
  return static_cast<unsigned char>(C) <= 32 && C != '\n';
}

char UpperOf(char C) {
  return C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C;
}

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

bool IsWordStart(char C) {
  char U = UpperOf(C);
  return (U >= 'A' && U <= 'Z') || C == '_';
}

bool IsWordChar(char C) {
  return IsWordStart(C) || IsDigit(C);
}

// The end of the word that starts at P (P itself when none does).
const char *WordEnd(const char *P, const char *End) {
  if (P >= End || !IsWordStart(*P))
    return P;
  while (P < End && IsWordChar(*P))
    ++P;
  return P;
}

const char *SkipBlanks(const char *P, const char *End) {
  // Indentation is mostly spaces: eight at a time.
  while (End - P >= 8 && std::memcmp(P, "        ", 8) == 0)
    P += 8;
  while (P < End && IsBlank(*P))
    ++P;
  return P;
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

// The operators of two bytes; any other punctuation byte is an operator of its own.
bool IsPairOperator(char A, char B) {
  static const char *const Pairs[] = {":=", "==", "!=", "<>", "<=", ">=", "+=", "-=", "*=",
                                      "/=", "%=", "^=", "**", "++", "--", "->", "::", "=>"};
  for (const char *Pair : Pairs)
    if (Pair[0] == A && Pair[1] == B)
      return true;
  return false;
}

// Reads the next line, unless one is read and waits: false past the last line.
inline bool LoadLine(GuardLexer &L) {
  if (L.LineLoaded)
    return true;
  GuardLine Line;
  if (!ReadLine(L, L.Cursor, Line))
    return false;
  std::size_t End = Line.Length;
  while (End > 0 && Line.Data[End - 1] == '\r')
    --End;
  L.Text = Line.Data;
  L.Indent = Line.Indent;
  L.At = 0;
  L.LineEnd = End;
  ++L.Line;
  L.LineLoaded = true;
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
bool MayOpen(const GuardLexer &L, const char *P, const char *End) {
  if (UpperOf(*P) != 'T' && L.Openers.empty())
    return false;
  const char *W = WordEnd(P, End);
  if (SpellsWord(P, std::size_t(W - P), "TEXT"))
    return true;
  for (const GuardOpener &O : L.Openers)
    if (SameWord(P, std::size_t(W - P), O.Words[0], O.Lengths[0]))
      return true;
  return false;
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

// True when the 8 bytes of X hold C.
bool HasByte(std::uint64_t X, unsigned char C) {
  const std::uint64_t Ones = 0x0101010101010101ULL;
  std::uint64_t V = X ^ (Ones * C);
  return ((V - Ones) & ~V & (Ones << 7)) != 0;
}

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

// SameButCase for the Length bytes of two lines from their first non-blank byte, eight bytes
// at a time where they are the same (the last eight may overlap the eight before them).
bool SameLineBytes(const char *B, const char *A, std::size_t Length, unsigned &Seen,
                   const char *&LastCase) {
  if (Length < 8)
    return SameButCase(B, B, A, Length, Seen, LastCase);
  for (std::size_t I = 0; I < Length; I += 8) {
    if (I + 8 > Length)
      I = Length - 8;
    std::uint64_t X, Y;
    std::memcpy(&X, B + I, 8);
    std::memcpy(&Y, A + I, 8);
    if (X == Y && !HasByte(X, ';') && !HasByte(X, '/'))
      continue;
    if (!SameButCase(B, B + I, A + I, 8, Seen, LastCase))
      return false;
  }
  return true;
}

// True when a byte in [P, End) may open a string or a comment.
bool MayQuoteIn(const char *P, const char *End) {
  for (; P < End; ++P)
    if (ByteRoles.Of[static_cast<unsigned char>(*P)] & MayQuote)
      return true;
  return false;
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
  for (; P + 1 < End; ++P)
    if (P[0] == Pair[0] && P[1] == Pair[1])
      return P;
  return End;
}

bool OpensBlockComment(const char *P, const char *End) {
  return FindPair(P, End, "/*") != End;
}

// For a line [First, End) that is the same on both sides but for the letters Seen and LastCase
// tell of (SameLineBytes): when what it carries to the next line can be told without reading
// its tokens, sets that in L and returns true. A block comment's line without "/" stays in
// the comment. Outside one, a line without "/*" opens none, and one that holds no string or
// comment either goes on after a ";" at its end and only then. A letter of another case lies
// in a word when no string, comment or number may stand before it.
bool CarryWithoutReading(GuardLexer &L, const char *First, const char *End, unsigned Seen,
                         const char *LastCase, bool Plain) {
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
  if ((L.Directive && L.Continued) || (Plain && MayOpen(L, First, End)) ||
      ((Seen & Slash) && OpensBlockComment(First, End)))
    return false;
  if ((Seen & OtherCase) && ((Seen & NumberCase) || MayQuoteIn(First, LastCase)))
    return false;
  bool Semicolon = false;
  if (Seen & MayCarry) {
    if (MayQuoteIn(First, End))
      return false;
    Semicolon = End[-1] == ';';
  }
  if (Plain)
    L.Directive = false;
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

int SkipSameLines(GuardLexer &Before, GuardLexer &After) {
  while (!Before.LineOpen && !After.LineOpen && Before.Region == RegionNone &&
         SameCarry(Before, After)) {
    // Lines that carry nothing leave both sides as they are: the next is looked at at once.
    bool Plain = AtPlainLineStart(Before);
    for (;;) {
      if (!LoadLine(Before) || !LoadLine(After))
        return 0;
      const char *BEnd = Before.Text + Before.LineEnd;
      const char *AEnd = After.Text + After.LineEnd;
      const char *B = SkipBlanks(Before.Text, BEnd);
      const char *A = SkipBlanks(After.Text, AEnd);
      if (Plain && (B == BEnd || A == AEnd)) {
        // Blank lines are no tokens.
        Before.LineLoaded = Before.LineLoaded && B != BEnd;
        After.LineLoaded = After.LineLoaded && A != AEnd;
        continue;
      }
      if (B == BEnd || *B == '#')
        return 0;
      // The same bytes on both sides (letters perhaps in another case) up to the blanks
      // that end the lines.
      while (BEnd > B && IsBlank(BEnd[-1]))
        --BEnd;
      while (AEnd > A && IsBlank(AEnd[-1]))
        --AEnd;
      unsigned Seen = 0;
      const char *LastCase = nullptr;
      if (BEnd - B != AEnd - A ||
          !SameLineBytes(B, A, static_cast<std::size_t>(BEnd - B), Seen, LastCase))
        return 0;
      if (Plain && !(Seen & (MayCarry | Slash | OtherCase)) && !MayOpen(Before, B, BEnd)) {
        Before.LineLoaded = After.LineLoaded = false;
        continue;
      }
      if (!CarryWithoutReading(Before, B, BEnd, Seen, LastCase, Plain)) {
        // The same bytes give the same tokens: the line is read on one side only, and the
        // other side takes what it carries. Where letters changed case, every token but a
        // word must hold the same bytes on the other side.
        for (;;) {
          GuardToken T = NextGuardToken(Before);
          if (T.Kind == GuardLineEnd || T.Kind == GuardEnd)
            break;
          if ((Seen & OtherCase) && T.Kind != GuardWord &&
              std::memcmp(T.Data, A + (T.Data - B), T.Length) != 0)
            return T.Line;
        }
      } else {
        Before.LineLoaded = false;
      }
      TakeCarry(After, Before);
      After.LineLoaded = false;
      break;
    }
  }
  return 0;
}
