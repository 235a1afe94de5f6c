// The re-indent command: walks the range once, scans each line, follows the block structure
// in two nesting counters and rewrites the line with its new indentation of spaces.
#include "../host/session.hpp"
#include "../settings/settings.hpp"
#include "reindent.hpp"

#include <cstring>

namespace {

// The widest indentation written: settings edited by hand to huge values still give lines
// that fit in memory.
const long long MaxIndent = 4096;

enum WordRule {
  LowersNext = 1, // the lines after it move one step left
  LowersLine = 2, // the line itself moves one step left
  Opens = 4,      // the lines after it move one step right
  OpensAtHead = 8 // opens only as the very first thing of a statement's first line
};

struct RuleEntry {
  const char *Word;
  int Rule;
};

const int Closer = LowersNext | LowersLine;
const int Middle = LowersNext | LowersLine | Opens;

// The words with a block effect, by length.
const RuleEntry Rules2[] = {{"IF", OpensAtHead}};
const RuleEntry Rules3[] = {{"END", LowersNext}, {"FOR", Opens}};
const RuleEntry Rules4[] = {{"ENDD", Closer}, {"ENDC", Closer}, {"ENDI", Closer}, {"ELSE", Middle},
                            {"CASE", Middle}, {"OTHE", Middle}, {"NEXT", Closer}, {"WHIL", Opens}};
const RuleEntry Rules5[] = {
    {"ENDDO", Closer}, {"ENDIF", Closer}, {"OTHER", Middle}, {"WHILE", Opens}};
const RuleEntry Rules6[] = {{"ELSEIF", Middle}};
const RuleEntry Rules7[] = {{"ENDCASE", Closer}};
const RuleEntry Rules9[] = {{"OTHERWISE", Middle}};

template <std::size_t Count>
int LookUpRule(const char *Upper, std::size_t Length, const RuleEntry (&Rules)[Count]) {
  for (const RuleEntry &Entry : Rules)
    if (std::memcmp(Upper, Entry.Word, Length) == 0)
      return Entry.Rule;
  return 0;
}

// The block effect of one recorded word.
int WordRuleOf(const std::string &Word) {
  std::size_t Length = Word.size();
  if (Length < 2 || Length > 9)
    return 0;
  char Upper[9];
  for (std::size_t I = 0; I < Length; ++I)
    Upper[I] = AsciiUpper(Word[I]);
  switch (Length) {
  case 2:
    return LookUpRule(Upper, Length, Rules2);
  case 3:
    return LookUpRule(Upper, Length, Rules3);
  case 4:
    return LookUpRule(Upper, Length, Rules4);
  case 5:
    return LookUpRule(Upper, Length, Rules5);
  case 6:
    return LookUpRule(Upper, Length, Rules6);
  case 7:
    return LookUpRule(Upper, Length, Rules7);
  case 9:
    return LookUpRule(Upper, Length, Rules9);
  default:
    return 0;
  }
}

// 1-based column of the first C in Text, 999 when there is none.
int ColumnOrAbsent(const std::string &Text, char C) {
  std::size_t At = Text.find(C);
  return At == std::string::npos ? 999 : static_cast<int>(At) + 1;
}

// 1-based column of the first Upper in Text upper-cased by the locale's rules, 0 for none.
int LocaleColumnOf(const std::string &Text, const char *Upper) {
  std::size_t Length = std::strlen(Upper);
  const unsigned char *Map = LocaleUpperTable();
  for (std::size_t At = 0; At + Length <= Text.size(); ++At) {
    std::size_t I = 0;
    while (I < Length &&
           Map[static_cast<unsigned char>(Text[At + I])] == static_cast<unsigned char>(Upper[I]))
      ++I;
    if (I == Length)
      return static_cast<int>(At) + 1;
  }
  return 0;
}

// How far the continuation lines of a statement stand right of its first line.
int ContinuationOffsetOf(const ScannedLine &Line) {
  if (PluginSettings.SplitLineTab != -1)
    return PluginSettings.SplitLineTab;
  const std::string &T = Line.Trimmed;
  if (!T.empty() && T[0] == '@') {
    // Screen statements continue under the item after SAY or GET.
    if (int Say = LocaleColumnOf(T, "SAY"))
      return Say + 3;
    if (int Get = LocaleColumnOf(T, "GET"))
      return Get + 3;
    std::size_t Space = T.find(' ');
    return Space == std::string::npos ? 0 : static_cast<int>(Space) + 1;
  }
  int Space = ColumnOrAbsent(Line.Rebuilt, ' ');
  int Paren = ColumnOrAbsent(Line.Rebuilt, '(');
  int Brace = ColumnOrAbsent(Line.Rebuilt, '{');
  int Equal = ColumnOrAbsent(Line.Rebuilt, '=');
  if (Space == 999 && Paren == 999 && Brace == 999)
    return Equal == 999 ? 5 : Min(999, Equal);
  return Min(Min(Space, Paren), Brace);
}

// A continued statement shifts its following lines by an offset chosen on its first line,
// and takes it back after its last line, where a deferred opener then takes effect.
void StepContinuation(ReindentState &S, const ScannedLine &Line) {
  if (Line.Continued && !S.ContinuationActive) {
    S.ContinuationOffset = ContinuationOffsetOf(Line);
    S.NextIndent = AddSaturated(S.NextIndent, S.ContinuationOffset);
    S.ContinuationActive = true;
  } else if (!Line.Continued && S.ContinuationActive) {
    S.NextIndent = SubtractSaturated(S.NextIndent, S.ContinuationOffset);
    S.ContinuationActive = false;
    if (S.OpenerDeferred) {
      S.OpenerDeferred = false;
      S.NextIndent = AddSaturated(S.NextIndent, PluginSettings.Tab);
    }
  }
}

void ApplyWordRules(ReindentState &S, const ScannedLine &Line) {
  int Tab = PluginSettings.Tab;
  for (const LineWord &Word : Line.Words) {
    int Rule = WordRuleOf(Word.Word);
    if (Rule == 0)
      continue;
    if (Rule & LowersNext)
      S.NextIndent = SubtractSaturated(S.NextIndent, Tab);
    if (Rule & LowersLine)
      S.LineIndent = SubtractSaturated(S.LineIndent, Tab);
    bool Opener =
        (Rule & Opens) || ((Rule & OpensAtHead) && Word.Position == 1 && !S.PrevContinued);
    if (!Opener)
      continue;
    if (Line.Continued)
      S.OpenerDeferred = true;
    else
      S.NextIndent = AddSaturated(S.NextIndent, Tab);
  }
}

// "DO CASE" raises both counters, so that with its own CASE word the line stays put and the
// lines after it move one step right.
void ApplyDoCase(ReindentState &S, const ScannedLine &Line) {
  static const char DoCase[] = "DO CASE";
  if (Line.Rebuilt.size() < 7)
    return;
  const unsigned char *Map = LocaleUpperTable();
  for (std::size_t I = 0; I < 7; ++I)
    if (Map[static_cast<unsigned char>(Line.Rebuilt[I])] != static_cast<unsigned char>(DoCase[I]))
      return;
  S.LineIndent = AddSaturated(S.LineIndent, PluginSettings.Tab);
  S.NextIndent = AddSaturated(S.NextIndent, PluginSettings.Tab);
}

long long Limited(long long Indent) {
  return Indent > MaxIndent ? MaxIndent : Indent;
}

// The number of leading spaces of the line, by the first rule that applies.
long long ChooseIndent(ReindentState &S, const ScannedLine &Line) {
  const PluginSettingsRecord &P = PluginSettings;
  const std::string &T = Line.Trimmed;
  if (P.Comments != -1) {
    bool CommentLine = (!T.empty() && T[0] == '*') ||
                       (T.size() >= 2 && T[0] == '/' && T[1] == '/') || S.InBlockComment;
    if (CommentLine)
      return Limited(P.Comments);
  }
  // A line that goes on from a continued line is part of that statement, never a header.
  if (!S.PrevContinued && IsHeaderText(T.data(), T.size())) {
    S.InsideFunction = true;
    // A header whose parameters go on in the next lines keeps their offset.
    S.NextIndent = S.ContinuationActive ? S.ContinuationOffset : 0;
    return Limited(static_cast<long long>(P.GlobalTab) + P.FuncTab);
  }
  if (S.InsideFunction)
    return Limited(static_cast<long long>(P.GlobalTab) + P.TextFuncTab + S.LineIndent);
  if (!T.empty() && T[0] == '#')
    return Limited(static_cast<long long>(P.GlobalTab) + S.LineIndent);
  return Limited(static_cast<long long>(P.GlobalTab) + P.MainTab + S.LineIndent);
}

} // namespace

void Reindent() {
  EditorSessionRecord &E = EditorSession;
  ReindentState S{};
  // A marked block is indented as a whole from the cursor's column.
  int Start = E.BlockMode ? E.Info.CurPos : 0;
  S.LineIndent = Start;
  S.NextIndent = Start;
  if (!E.BlockMode && E.LastLine > 0)
    S.Marks.reserve(static_cast<std::size_t>(E.LastLine));

  ScannedLine Line{};
  std::string Out;
  E.CurrentLine = E.StartLine;
  while (InRange()) {
    std::string Text = GetLine(E.CurrentLine);
    if (E.BlockMode && IsBlockEnd())
      break;
    if (S.Verbatim != VerbatimNone) {
      if (!VerbatimClosed(S.Verbatim, Text)) {
        // Printed or compiled as it stands: not scanned, not written.
        S.Marks.push_back(MarkVerbatim);
        ++E.CurrentLine;
        continue;
      }
      S.Verbatim = VerbatimNone;
    }
    S.Marks.push_back(S.PrevContinued ? MarkAfterContinued : 0);

    ScanLine(S, Text, Line);
    StepContinuation(S, Line);
    ApplyWordRules(S, Line);
    ApplyDoCase(S, Line);
    long long Indent = ChooseIndent(S, Line);

    // A blank line ends the statement a continued line left open; it stays, and empty.
    Out.clear();
    if (!(Line.Trimmed.empty() && S.PrevContinued)) {
      if (Indent > 0)
        Out.append(static_cast<std::size_t>(Indent), ' ');
      Out += Line.Rebuilt;
    }
    SetLine(E.CurrentLine, Out);

    S.Verbatim = VerbatimOpened(Line.Trimmed);
    S.LineIndent = S.NextIndent;
    S.PrevContinued = Line.Continued;
    ++E.CurrentLine;
  }

  SpaceProcedures(S);
  E.Info.CurPos = 0;
  E.Info.LeftPos = 0;
  if (E.Info.TopScreenLine < 0)
    E.Info.TopScreenLine = 0;
}
