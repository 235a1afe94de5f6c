// The guard's lexer. Lines end at LF (the CRs before it belong to the line end); bytes of
// code 32 or less are blanks outside strings and comments. A line outside a text region is
// its tokens, its leading and trailing blanks left out; a line inside one is the whole line.
#include "guard_lexer.hpp"

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

// The LF that ends the line holding P, or End.
const char *LineEndOf(const char *P, const char *End) {
  const void *Eol = std::memchr(P, '\n', static_cast<std::size_t>(End - P));
  return Eol ? static_cast<const char *>(Eol) : End;
}

// Reads the definition that starts at P (a "#command" line and the lines it continues with
// ";"): when its result begins with "#pragma __text", "__stream" or "__cstream", the words
// its pattern begins with open a text region.
void AddTextCommand(GuardLexer &L, const char *P, std::size_t NameEnd) {
  const char *TextEnd = L.Text + L.Size;
  GuardOpener Opener;
  const char *W = SkipBlanks(L.Text + NameEnd, TextEnd);
  while (Opener.Count < 4) {
    const char *E = WordEnd(W, TextEnd);
    if (E == W)
      break;
    Opener.Words[Opener.Count] = W;
    Opener.Lengths[Opener.Count] = static_cast<std::size_t>(E - W);
    ++Opener.Count;
    W = SkipBlanks(E, TextEnd);
  }
  if (Opener.Count == 0)
    return;
  // The result: after "=>", on this line or on one that a ";" at a line's end joins to it.
  for (const char *Q = P; Q + 1 < TextEnd; ++Q) {
    if (*Q == '\n') {
      const char *Back = Q;
      while (Back > P && IsBlank(Back[-1]))
        --Back;
      if (Back == P || Back[-1] != ';')
        return;
      continue;
    }
    if (Q[0] != '=' || Q[1] != '>')
      continue;
    const char *R = SkipBlanks(Q + 2, TextEnd);
    while (R < TextEnd && *R == ';' && LineEndOf(R, TextEnd) < TextEnd &&
           RestIsEmpty(R + 1, LineEndOf(R, TextEnd)))
      R = SkipBlanks(LineEndOf(R, TextEnd) + 1, TextEnd);
    if (R < TextEnd && PragmaRegion(R, LineEndOf(R, TextEnd)) == RegionText)
      L.Openers.push_back(Opener);
    return;
  }
}

// The text region the statement at P opens (P at its first byte, End its line's end).
int OpenedRegion(GuardLexer &L, const char *P, const char *End) {
  if (*P == '#') {
    std::size_t Length = 0;
    const char *Name = DirectiveWord(P, End, Length);
    if (DefinesCommand(Name, Length))
      AddTextCommand(L, P, static_cast<std::size_t>(Name + Length - L.Text));
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

// Starts the line at L.At.
void BeginLine(GuardLexer &L) {
  const char *Start = L.Text + L.At;
  const char *Eol = static_cast<const char *>(std::memchr(Start, '\n', L.Size - L.At));
  const char *End = Eol ? Eol : L.Text + L.Size;
  while (End > Start && End[-1] == '\r')
    --End;
  L.LineEnd = static_cast<std::size_t>(End - L.Text);
  ++L.Line;
  L.LineOpen = true;
  L.LineHasToken = false;
}

// Ends the current line: L.At goes past its LF.
void FinishLine(GuardLexer &L, bool Continued) {
  const char *Eol =
      static_cast<const char *>(std::memchr(L.Text + L.LineEnd, '\n', L.Size - L.LineEnd));
  L.At = Eol ? static_cast<std::size_t>(Eol - L.Text) + 1 : L.Size;
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

void StartGuardLexer(GuardLexer &L, const char *Text, std::size_t Size) {
  L = GuardLexer();
  L.Text = Text;
  L.Size = Size;
}

GuardToken NextGuardToken(GuardLexer &L) {
  for (;;) {
    if (!L.LineOpen) {
      if (L.At >= L.Size)
        return GuardToken{GuardEnd, L.Text + L.Size, 0, L.Line > 0 ? L.Line : 1};
      BeginLine(L);
      L.LastWasSemicolon = false;
      if (L.Region != RegionNone) {
        if (!ClosesRegion(L.Region, L.Text + L.At, L.Text + L.LineEnd)) {
          GuardToken T{GuardTextLine, L.Text + L.At, L.LineEnd - L.At, L.Line};
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
        return GuardToken{GuardLineEnd, L.Text + L.At, 0, Line};
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

// The start of the line after the one that ends at P (at its LF or the text's end).
std::size_t NextLineAt(const GuardLexer &L, const char *P) {
  return P < L.Text + L.Size ? static_cast<std::size_t>(P - L.Text) + 1 : L.Size;
}

// True when the first word of a line at P may open a text region.
bool MayOpen(const GuardLexer &L, const char *P, const char *End) {
  const char *W = WordEnd(P, End);
  if (SpellsWord(P, std::size_t(W - P), "TEXT"))
    return true;
  for (const GuardOpener &O : L.Openers)
    if (SameWord(P, std::size_t(W - P), O.Words[0], O.Lengths[0]))
      return true;
  return false;
}

} // namespace

// What a byte may do in a line that is the same on both sides.
enum ByteRole : unsigned char { MayCarry = 1, MayQuote = 2, OtherCase = 4 };
struct ByteRoleTable {
  unsigned char Of[256];
  ByteRoleTable() : Of() {
    for (unsigned char C : {'/', ';', '#'})
      Of[C] |= MayCarry;
    for (unsigned char C : {'"', '\'', '[', '*', '&', '/'})
      Of[C] |= MayQuote;
  }
};
const ByteRoleTable ByteRoles;

// True when both lexers carry the same into their next line.
bool SameCarry(const GuardLexer &A, const GuardLexer &B) {
  return A.InBlockComment == B.InBlockComment && A.Region == B.Region &&
         A.PendingRegion == B.PendingRegion && A.Continued == B.Continued &&
         A.Directive == B.Directive && A.CanQuote == B.CanQuote && A.LineStart == B.LineStart &&
         A.Openers.size() == B.Openers.size();
}

void SkipSameLines(GuardLexer &Before, GuardLexer &After) {
  const char *BEnd = Before.Text + Before.Size;
  const char *AEnd = After.Text + After.Size;
  while (Before.At < Before.Size && After.At < After.Size && !Before.LineOpen && !After.LineOpen &&
         Before.Region == RegionNone && SameCarry(Before, After)) {
    const char *B = SkipBlanks(Before.Text + Before.At, BEnd);
    const char *A = SkipBlanks(After.Text + After.At, AEnd);
    bool BBlank = B == BEnd || *B == '\n';
    bool ABlank = A == AEnd || *A == '\n';
    bool Plain = AtPlainLineStart(Before);
    if (Plain && (BBlank || ABlank)) {
      // Blank lines are no tokens.
      if (BBlank) {
        Before.At = NextLineAt(Before, B);
        ++Before.Line;
      }
      if (ABlank) {
        After.At = NextLineAt(After, A);
        ++After.Line;
      }
      continue;
    }
    if (BBlank || *B == '#')
      return;
    // The same bytes on both sides (letters perhaps in another case) up to the blanks that
    // end the lines. A "/", ";" or "#" among them may carry something to the next line; a
    // letter of another case counts only outside strings and comments, so a line that may
    // hold one, or that continues a comment, is then read token by token.
    const char *First = B;
    unsigned Seen = 0;
    while (B < BEnd && A < AEnd && *B != '\n') {
      if (*B != *A) {
        if (UpperOf(*B) != UpperOf(*A) || !IsWordStart(*B))
          break;
        Seen |= OtherCase;
      }
      Seen |= ByteRoles.Of[static_cast<unsigned char>(*B)];
      ++B;
      ++A;
    }
    bool Carries = (Seen & MayCarry) != 0;
    if ((Seen & OtherCase) && (!Plain || (Seen & (MayCarry | MayQuote))))
      return;
    B = SkipBlanks(B, BEnd);
    A = SkipBlanks(A, AEnd);
    if ((B < BEnd && *B != '\n') || (A < AEnd && *A != '\n'))
      return;
    if (!Plain || Carries || MayOpen(Before, First, B)) {
      // The same bytes give the same tokens: the line is read on one side only, and the
      // other side takes what it carries.
      GuardTokenKind Kind;
      do
        Kind = NextGuardToken(Before).Kind;
      while (Kind != GuardLineEnd && Kind != GuardEnd);
      After.InBlockComment = Before.InBlockComment;
      After.Region = Before.Region;
      After.PendingRegion = Before.PendingRegion;
      After.Continued = Before.Continued;
      After.Directive = Before.Directive;
      After.CanQuote = Before.CanQuote;
      After.LineStart = Before.LineStart;
      After.LastWasSemicolon = Before.LastWasSemicolon;
    } else {
      Before.At = NextLineAt(Before, B);
      ++Before.Line;
    }
    After.At = NextLineAt(After, A);
    ++After.Line;
  }
}
