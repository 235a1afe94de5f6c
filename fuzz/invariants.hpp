// What every command of the command menu must keep, whatever the file, the settings, the
// block and the cursor: shared by the fuzz targets and the property tests. Each check
// returns an empty text when the invariant holds, else one line saying what broke.
#pragma once

#include "../sim/sim.hpp"

#include <string>
#include <vector>

namespace Invariants {

inline bool IsBlank(const std::string &Text) {
  for (char C : Text)
    if (static_cast<unsigned char>(C) > 32)
      return false;
  return true;
}

inline std::string Trim(const std::string &Text) {
  std::size_t B = 0, E = Text.size();
  while (B < E && static_cast<unsigned char>(Text[B]) <= 32)
    ++B;
  while (E > B && static_cast<unsigned char>(Text[E - 1]) <= 32)
    --E;
  return Text.substr(B, E - B);
}

inline std::string TrimRightText(const std::string &Text) {
  std::size_t E = Text.size();
  while (E > 0 && static_cast<unsigned char>(Text[E - 1]) <= 32)
    --E;
  return Text.substr(0, E);
}

inline std::string TrimLeftText(const std::string &Text) {
  std::size_t B = 0;
  while (B < Text.size() && static_cast<unsigned char>(Text[B]) <= 32)
    ++B;
  return Text.substr(B);
}

inline std::string UpperAscii(std::string Text) {
  for (char &C : Text)
    if (C >= 'a' && C <= 'z')
      C = char(C - 'a' + 'A');
  return Text;
}

inline std::vector<SimLine> EditorSnapshot() {
  std::vector<SimLine> Lines;
  Lines.reserve(static_cast<std::size_t>(SimLineCount()));
  for (int I = 0; I < SimLineCount(); ++I)
    Lines.push_back(SimLineAt(I));
  return Lines;
}

inline std::string Show(const std::string &Text) {
  std::string Out;
  for (unsigned char C : Text.substr(0, 60)) {
    if (C >= 32 && C < 127 && C != '\\') {
      Out += char(C);
    } else {
      static const char Hex[] = "0123456789abcdef";
      Out += "\\x";
      Out += Hex[C >> 4];
      Out += Hex[C & 15];
    }
  }
  return "\"" + Out + (Text.size() > 60 ? "...\"" : "\"");
}

// The lines a block command works on: from the block's first line up to (not including)
// the first line whose selection is empty or absent; the whole file without a block.
struct LineRange {
  int First;
  int End;
};

inline LineRange ProcessedRange(const std::vector<SimLine> &Lines, int BlockType) {
  int Count = static_cast<int>(Lines.size());
  if (BlockType == BTYPE_NONE)
    return {0, Count};
  int First = 0;
  while (First < Count && Lines[First].SelStart < 0)
    ++First;
  if (First >= Count)
    First = 0; // the host reports line 0 as the start of a block it cannot find
  int End = First;
  while (End < Count && Lines[End].SelStart >= 0 && Lines[End].SelStart != Lines[End].SelEnd)
    ++End;
  return {First, End};
}

// Lines the re-indenter must leave byte for byte: the bodies of TEXT ... ENDTEXT and of the
// text and dump pragmas. Openers are recognised strictly and closers loosely, so that a
// line counted here is verbatim under any reasonable reading of the rule.
inline bool PragmaIs(const std::string &Upper, const char *Word, bool Prefix) {
  if (Upper.empty() || Upper[0] != '#')
    return false;
  std::size_t I = 1;
  while (I < Upper.size() && (Upper[I] == ' ' || Upper[I] == '\t'))
    ++I;
  if (Upper.compare(I, 6, "PRAGMA") != 0)
    return false;
  I += 6;
  std::size_t Gap = I;
  while (I < Upper.size() && (Upper[I] == ' ' || Upper[I] == '\t'))
    ++I;
  if (I == Gap)
    return false;
  std::string W = Word;
  if (Upper.compare(I, W.size(), W) != 0)
    return false;
  I += W.size();
  return Prefix || I == Upper.size() || Upper[I] == ' ' || Upper[I] == '\t';
}

inline std::vector<bool> VerbatimLines(const std::vector<SimLine> &Lines, LineRange Range) {
  std::vector<bool> Verbatim(Lines.size(), false);
  enum { None, Text, Stream, Dump } Region = None;
  for (int I = Range.First; I < Range.End; ++I) {
    std::string U = UpperAscii(Trim(Lines[I].Text));
    if (Region == Text && U.compare(0, 7, "ENDTEXT") == 0) {
      Region = None;
      continue;
    }
    if (Region == Stream && U.find("ENDTEXT") != std::string::npos && !U.empty() && U[0] == '#') {
      Region = None;
      continue;
    }
    if (Region == Dump && U.find("ENDDUMP") != std::string::npos && !U.empty() && U[0] == '#') {
      Region = None;
      continue;
    }
    if (Region != None) {
      Verbatim[I] = true;
      continue;
    }
    if (U == "TEXT" || U.compare(0, 5, "TEXT ") == 0)
      Region = Text;
    else if (PragmaIs(U, "__TEXT", false) || PragmaIs(U, "__CSTREAM", false) ||
             PragmaIs(U, "__STREAM", false))
      Region = Stream;
    else if (PragmaIs(U, "BEGINDUMP", false))
      Region = Dump;
  }
  return Verbatim;
}

// The editor ends a line at a lone CR, the compiler reads on: a line that follows one must
// come out as it went in, and no command adds or removes text on either side of one.
inline bool AfterLoneCr(const std::vector<SimLine> &Lines, int Index) {
  return Index > 0 && Lines[std::size_t(Index - 1)].Eol == "\r";
}
inline bool AtLoneCr(const std::vector<SimLine> &Lines, int Index) {
  return Lines[std::size_t(Index)].Eol == "\r" || AfterLoneCr(Lines, Index);
}

inline std::string SameLine(const SimLine &A, const SimLine &B, int Index, const char *What) {
  if (A.Text != B.Text || A.Eol != B.Eol)
    return std::string(What) + ": line " + std::to_string(Index + 1) + " was " + Show(A.Text) +
           " and is " + Show(B.Text);
  return std::string();
}

// The lines before the range and the lines from its end on are the same, text and end of
// line, in Before and After (After may have more or fewer lines inside the range).
inline std::string OutsideUnchanged(const std::vector<SimLine> &Before,
                                    const std::vector<SimLine> &After, LineRange Range) {
  int Nb = static_cast<int>(Before.size()), Na = static_cast<int>(After.size());
  int Tail = Nb - Range.End;
  if (Na < Range.First + Tail)
    return "lines outside the block were lost: " + std::to_string(Nb) + " lines became " +
           std::to_string(Na);
  for (int I = 0; I < Range.First; ++I) {
    std::string E = SameLine(Before[I], After[I], I, "line above the block changed");
    if (!E.empty())
      return E;
  }
  for (int K = 1; K <= Tail; ++K) {
    std::string E = SameLine(Before[Nb - K], After[Na - K], Nb - K, "line below the block changed");
    if (!E.empty())
      return E;
  }
  return std::string();
}

// Re-indent with empty word tables: inside the range, the lines that are not blank come
// out in the same order, each with its own end of line, its text the same apart from
// leading and trailing whitespace. With Verbatim (for inputs whose verbatim regions open
// outside comments and continued statements, where the region rule is unambiguous), the
// lines of those regions survive byte for byte, blank ones included, and every other
// blank line that is left is empty.
inline std::string CheckReindent(const std::vector<SimLine> &Before,
                                 const std::vector<SimLine> &After, LineRange Range,
                                 bool Verbatim = false) {
  std::string E = OutsideUnchanged(Before, After, Range);
  if (!E.empty())
    return E;
  int Grown = static_cast<int>(After.size()) - static_cast<int>(Before.size());
  LineRange AfterRange{Range.First, Range.End + Grown};
  std::vector<bool> VerbBefore(Before.size(), false), VerbAfter(After.size(), false);
  if (Verbatim) {
    VerbBefore = VerbatimLines(Before, Range);
    VerbAfter = VerbatimLines(After, AfterRange);
  }
  for (int I = Range.First; I < Range.End; ++I)
    VerbBefore[std::size_t(I)] = VerbBefore[std::size_t(I)] || AfterLoneCr(Before, I);
  for (int J = AfterRange.First; J < AfterRange.End; ++J)
    VerbAfter[std::size_t(J)] = VerbAfter[std::size_t(J)] || AfterLoneCr(After, J);
  int J = AfterRange.First;
  for (int I = Range.First; I < Range.End; ++I) {
    if (IsBlank(Before[I].Text) && !VerbBefore[I])
      continue;
    while (J < AfterRange.End && IsBlank(After[J].Text) && !VerbAfter[J]) {
      if (Verbatim && !After[J].Text.empty())
        return "re-indent left a blank line that is not empty at line " + std::to_string(J + 1) +
               ": " + Show(After[J].Text);
      ++J;
    }
    if (J >= AfterRange.End)
      return "re-indent lost line " + std::to_string(I + 1) + ": " + Show(Before[I].Text);
    if (VerbBefore[I]) {
      if (After[J].Text != Before[I].Text)
        return "verbatim line " + std::to_string(I + 1) + " " + Show(Before[I].Text) + " became " +
               Show(After[J].Text);
    } else if (Trim(After[J].Text) != Trim(Before[I].Text)) {
      return "re-indent changed the text of line " + std::to_string(I + 1) + ": " +
             Show(Before[I].Text) + " became " + Show(After[J].Text);
    }
    if (After[J].Eol != Before[I].Eol)
      return "re-indent changed the end of line of line " + std::to_string(I + 1);
    ++J;
  }
  for (; J < AfterRange.End; ++J)
    if (!IsBlank(After[J].Text) || (Verbatim && !After[J].Text.empty() && !VerbAfter[J]))
      return "re-indent added or duplicated line " + std::to_string(J + 1) + ": " +
             Show(After[J].Text);
  return std::string();
}

// Comment: each line of the range gets "//" in column 0, unless its first non-blank
// characters already are "//" or it is at a lone CR; nothing else changes.
inline std::string CheckComment(const std::vector<SimLine> &Before,
                                const std::vector<SimLine> &After, LineRange Range) {
  if (After.size() != Before.size())
    return "comment changed the number of lines";
  for (int I = 0; I < static_cast<int>(Before.size()); ++I) {
    SimLine Want = Before[I];
    if (I >= Range.First && I < Range.End && TrimLeftText(Want.Text).compare(0, 2, "//") != 0 &&
        !AtLoneCr(Before, I))
      Want.Text = "//" + Want.Text;
    std::string E = SameLine(Want, After[I], I, "comment");
    if (!E.empty())
      return E;
  }
  return std::string();
}

// Uncomment: each line of the range whose first characters other than blanks and tabs are
// "//", and that is not at a lone CR, loses that "//"; every other line stays as it is.
inline std::string CheckUncomment(const std::vector<SimLine> &Before,
                                  const std::vector<SimLine> &After, LineRange Range) {
  if (After.size() != Before.size())
    return "uncomment changed the number of lines";
  for (int I = 0; I < static_cast<int>(Before.size()); ++I) {
    SimLine Want = Before[I];
    std::size_t At = Want.Text.find_first_not_of(" \t");
    if (I >= Range.First && I < Range.End && At != std::string::npos &&
        Want.Text.compare(At, 2, "//") == 0 && !AtLoneCr(Before, I))
      Want.Text.erase(At, 2);
    std::string E = SameLine(Want, After[I], I, "uncomment");
    if (!E.empty())
      return E;
  }
  return std::string();
}

// Annotate: no line comes or goes; a changed line of the range is the old line without its
// trailing whitespace, then "   //" and an opener's remainder, and it was a closing word
// standing alone.
inline std::string CheckAnnotate(const std::vector<SimLine> &Before,
                                 const std::vector<SimLine> &After, LineRange Range) {
  if (After.size() != Before.size())
    return "annotate changed the number of lines";
  static const char *const Closers[] = {"NEXT", "ENDD", "ENDI", "ENDDO", "ENDIF"};
  for (int I = 0; I < static_cast<int>(Before.size()); ++I) {
    if (Before[I].Text == After[I].Text && Before[I].Eol == After[I].Eol)
      continue;
    if (I < Range.First || I >= Range.End)
      return SameLine(Before[I], After[I], I, "annotate changed a line outside its range");
    if (Before[I].Eol != After[I].Eol)
      return "annotate changed the end of line of line " + std::to_string(I + 1);
    if (AtLoneCr(Before, I))
      return "annotate changed line " + std::to_string(I + 1) + " at a lone CR";
    std::string Head = TrimRightText(Before[I].Text) + "   //";
    if (After[I].Text.compare(0, Head.size(), Head) != 0)
      return "annotate rewrote line " + std::to_string(I + 1) + " " + Show(Before[I].Text) +
             " as " + Show(After[I].Text);
    std::string Word = UpperAscii(Trim(Before[I].Text));
    bool Closer = false;
    for (const char *C : Closers)
      Closer = Closer || Word == C;
    if (!Closer)
      return "annotate changed line " + std::to_string(I + 1) +
             ", which is not a closing word alone: " + Show(Before[I].Text);
  }
  return std::string();
}

inline std::string CheckUnchanged(const std::vector<SimLine> &Before,
                                  const std::vector<SimLine> &After, const char *What) {
  if (After.size() != Before.size())
    return std::string(What) + " changed the number of lines";
  for (int I = 0; I < static_cast<int>(Before.size()); ++I) {
    std::string E = SameLine(Before[I], After[I], I, What);
    if (!E.empty())
      return E;
  }
  return std::string();
}

} // namespace Invariants
