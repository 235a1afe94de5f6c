// The re-indent command: walks the range once, scans each line, follows the block structure
// in two nesting counters and rewrites the line with its new indentation of spaces.
#include "../host/headers.hpp"
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

// The block effect of the word of Length characters at Word.
int WordRuleOf(const char *Word, std::size_t Length) {
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
    int Rule =
        WordRuleOf(Line.Trimmed.data() + Word.Position - 1, static_cast<std::size_t>(Word.Length));
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

// The Modern rules: the open blocks are a stack; a statement's first words decide what it
// does; comments, continuation lines and preprocessor lines keep the layout they were
// written with, relative to what they belong to.

// The columns a tab stands for when the Modern rules read and write a line.
long long TabWidthOf(const PluginRulesRecord &Rules) {
  return Rules.TabWidth > 0 ? Rules.TabWidth : 8;
}

// The column Text[From, To) reaches when it starts at Column, tabs stopping every TabWidth
// columns.
long long ColumnAfter(const std::string &Text, std::size_t From, std::size_t To, long long Column) {
  const long long Width = TabWidthOf(PluginRules);
  for (std::size_t K = From; K < To; ++K)
    Column = Text[K] == '\t' ? (Column / Width + 1) * Width : Column + 1;
  return Column;
}

// The column a line's leading blanks reach.
long long WrittenColumn(const std::string &Text) {
  std::size_t Lead = 0;
  while (Lead < Text.size() && IsSpaceOrTab(Text[Lead]))
    ++Lead;
  return ColumnAfter(Text, 0, Lead, 0);
}

// The steps read from the lines as written reach this far; a first line further right of its
// opener, or left of it, shows no step.
const long long WidestStep = 16;

// The step of the routine's blocks: as the first block measured showed it, Tab before that.
long long RoutineStep(const ReindentState &S) {
  return S.HasRoutineStep ? S.RoutineStep : PluginSettings.Tab;
}

// The step of a block that no line of its own measures.
long long FallbackStep(const ReindentState &S) {
  return PluginRules.Steps == StepsFixed ? PluginSettings.Tab : RoutineStep(S);
}

// The routine's first block measured decides the routine's step: the offset its first line was
// written at, or Tab when that is no step (the block then stands at Tab, which a second run
// reads as the same step).
void DecideRoutineStep(ReindentState &S, long long Offset) {
  if (S.HasRoutineStep)
    return;
  S.HasRoutineStep = true;
  S.RoutineStep = Offset >= 1 && Offset <= WidestStep ? Offset : PluginSettings.Tab;
}

// The step a first line written Offset columns right of what it is measured from shows: Tab,
// the routine's step (which the routine's first such line decides), or with Steps=Block the
// offset itself when it is one.
long long StepShown(ReindentState &S, long long Offset) {
  if (PluginRules.Steps == StepsFixed)
    return PluginSettings.Tab;
  DecideRoutineStep(S, Offset);
  if (PluginRules.Steps == StepsBlock && Offset >= 1 && Offset <= WidestStep)
    return Offset;
  return RoutineStep(S);
}

// The step of a block whose first line was written Offset columns right of what it is measured
// from.
long long MeasuredStep(ReindentState &S, long long Offset) {
  // A block written flush keeps its lines at its opener's column; it shows no step of the
  // routine, and a second run reads it flush again.
  if (PluginRules.Steps == StepsBlock && Offset == 0)
    return 0;
  return StepShown(S, Offset);
}

// How far right of DO CASE or SWITCH its CASE lines stand, the first of them written Offset
// columns right of it.
long long CaseMiddle(ReindentState &S, long long Offset) {
  const int Indent = PluginRules.CaseIndent;
  if (Indent == 0 || (Indent == 2 && Offset <= 0))
    return 0;
  const long long Step = StepShown(S, Offset);
  // CASE lines written right of DO CASE never go left of it.
  return Indent == 2 && Step < 0 ? 0 : Step;
}

// A BEGIN SEQUENCE or dialog whose first line shows whether its lines stand at its column.
bool MayBeFlat(unsigned short Kind) {
  return (Kind == BlockSequence && PluginRules.FlatSequence == 2) ||
         (Kind == BlockDialog && PluginRules.DialogBlocks == 2);
}

// The entries a conditional region saved stay as they are; those after them belong to the
// open blocks alone and may change in place or go.
std::size_t KeptEntries(const ReindentState &S) {
  return S.Conditionals.empty() ? 0 : S.Conditionals.back().Kept;
}

long long DepthOf(const ReindentState &S, int Entry) {
  return Entry ? S.BlockEntries[static_cast<std::size_t>(Entry - 1)].Depth : 0;
}

// The indentation of a block's opener, its middle words and closer: the blocks below it and
// its own shift.
long long OpenerDepth(const ReindentState &S, const OpenBlockEntry &E) {
  return DepthOf(S, E.Below) + E.Shift;
}

// Makes entry Top (0: none) the innermost open block, and drops the entries after it that
// nothing refers to any more, so the table stays as deep as the nesting.
void SetTop(ReindentState &S, int Top) {
  S.OpenTop = Top;
  S.Depth = DepthOf(S, Top);
  std::size_t Keep = KeptEntries(S);
  if (Keep < static_cast<std::size_t>(Top))
    Keep = static_cast<std::size_t>(Top);
  if (S.BlockEntries.size() > Keep)
    S.BlockEntries.resize(Keep);
}

bool NoBlockOpen(const ReindentState &S) {
  return S.OpenTop == 0;
}

const OpenBlockEntry &TopEntry(const ReindentState &S) {
  return S.BlockEntries[static_cast<std::size_t>(S.OpenTop - 1)];
}

unsigned short TopKind(const ReindentState &S) {
  return TopEntry(S).Kind;
}

// The entry's own number for the kinds it holds, the entry below's for the others.
void FillInnermost(const ReindentState &S, OpenBlockEntry &E, int Number) {
  const OpenBlockEntry *Under =
      E.Below ? &S.BlockEntries[static_cast<std::size_t>(E.Below - 1)] : nullptr;
  for (int Bit = 0; Bit < BlockKindBits; ++Bit)
    E.Innermost[Bit] = (E.Kind & (1 << Bit)) ? Number : (Under ? Under->Innermost[Bit] : 0);
}

void PushEntry(ReindentState &S, OpenBlockEntry &E) {
  int Number = static_cast<int>(S.BlockEntries.size()) + 1;
  FillInnermost(S, E, Number);
  S.BlockEntries.push_back(E);
  S.OpenTop = Number;
  S.Depth = E.Depth;
}

// Puts E in the innermost open block's place: in place when no saved stack shares its entry,
// else as a new entry over the same blocks.
void ReplaceTop(ReindentState &S, OpenBlockEntry E) {
  if (static_cast<std::size_t>(S.OpenTop) > KeptEntries(S)) {
    FillInnermost(S, E, S.OpenTop);
    S.BlockEntries[static_cast<std::size_t>(S.OpenTop - 1)] = E;
    S.Depth = E.Depth;
    return;
  }
  SetTop(S, E.Below);
  PushEntry(S, E);
}

// Puts E, what the innermost block's first line showed, in that block's place. A block has
// one first line, the first after its opener as the file reads: a later branch of a
// conditional that goes back to the block finds it settled with the routine's step, as if
// no line had measured it (nothing stands on the saved entry while it waits).
void SettleTop(ReindentState &S, const OpenBlockEntry &E) {
  if (static_cast<std::size_t>(S.OpenTop) <= KeptEntries(S)) {
    OpenBlockEntry &Saved = S.BlockEntries[static_cast<std::size_t>(S.OpenTop - 1)];
    if (Saved.Pending == PendingCase && PluginRules.CaseIndent == 1)
      Saved.Middle = FallbackStep(S);
    Saved.Depth = OpenerDepth(S, Saved) + Saved.Middle + FallbackStep(S);
    Saved.Pending = PendingNone;
  }
  ReplaceTop(S, E);
}

// The innermost block keeps the step it was opened with, no line of its own measuring it.
void SettleUnmeasured(ReindentState &S) {
  if (NoBlockOpen(S) || TopEntry(S).Pending == PendingNone)
    return;
  OpenBlockEntry E = TopEntry(S);
  E.Pending = PendingNone;
  SettleTop(S, E);
}

// Opens a block of Kind whose opener was written at column Written and stands Shift columns
// right of the lines around it. Its step is Tab, or with the measured steps the routine's step
// until its first line shows its own.
void OpenBlock(ReindentState &S, int Kind, long long Written, long long Shift = 0) {
  const bool CaseLike = (Kind & (BlockCase | BlockSwitch)) != 0;
  if (CaseLike)
    ReindentSink.Seen |= SeenCaseBlock;
  // A block opened on the line that opened the one below leaves that one nothing to measure;
  // that one's lines stand a step right of the line, and the new block's first line is
  // measured from there (else a second run would read the steps below as this one's).
  if (!NoBlockOpen(S) && TopEntry(S).Pending != PendingNone) {
    SettleUnmeasured(S);
    const OpenBlockEntry &Top = TopEntry(S);
    Written = Top.Reference + Top.Depth - OpenerDepth(S, Top);
  }
  const bool Measured = PluginRules.Steps != StepsFixed && !(Kind & BlockFlat);
  OpenBlockEntry E{};
  E.Kind = static_cast<unsigned short>(Kind);
  E.Below = S.OpenTop;
  E.Reference = Written;
  E.Shift = Shift;
  E.Middle = CaseLike && PluginRules.CaseIndent == 1 ? FallbackStep(S) : 0;
  E.Depth = DepthOf(S, S.OpenTop) + Shift + ((Kind & BlockFlat) ? 0 : E.Middle + FallbackStep(S));
  if (CaseLike)
    E.Pending = Measured || PluginRules.CaseIndent == 2 ? PendingCase : PendingNone;
  else
    E.Pending = Measured || MayBeFlat(E.Kind) ? PendingStep : PendingNone;
  PushEntry(S, E);
}

// What a line is to the innermost block, whose layout may wait for its first line.
enum FirstLineSort { FirstComment, FirstStatement, FirstMiddle, FirstCloser };

// A comment or statement line written at column Written, inside the innermost open block:
// when the block waits for its first line, the line settles its step as it stands from the
// block's opener (a CASE body's from its CASE), and a DO CASE's first CASE the column of its
// CASE lines. A middle word or closer shows no step: the block keeps the one it was opened
// with. A comment shows the measured steps the block's layout but never a CASE's column (the
// comments before the first CASE stand where its body would); preprocessor lines and comments
// kept at their own column show nothing.
void MeasureFirstLine(ReindentState &S, long long Written, int Sort) {
  if (NoBlockOpen(S) || TopEntry(S).Pending == PendingNone)
    return;
  OpenBlockEntry E = TopEntry(S);
  if (Sort == FirstComment && (PluginRules.Steps == StepsFixed || E.Pending == PendingCase))
    return;
  const long long Offset = Written - E.Reference;
  const long long Below = OpenerDepth(S, E);
  const unsigned char Was = E.Pending;
  E.Pending = PendingNone;
  if (Was == PendingCase) {
    if (Sort == FirstMiddle) {
      E.Middle = CaseMiddle(S, Offset);
      E.Depth = Below + E.Middle + FallbackStep(S);
      if (PluginRules.Steps != StepsFixed) {
        E.Pending = PendingCaseBody;
        E.Reference = Written;
      }
    }
  } else if (Was == PendingCaseBody) {
    // An empty CASE leaves the measure to the next one.
    if (Sort == FirstMiddle) {
      E.Pending = PendingCaseBody;
      E.Reference = Written;
    } else if (Sort != FirstCloser) {
      E.Depth = Below + E.Middle + MeasuredStep(S, Offset);
    }
  } else if (MayBeFlat(E.Kind) && Written <= E.Reference) {
    E.Kind = static_cast<unsigned short>(E.Kind | BlockFlat);
    E.Depth = Below;
  } else if (Sort == FirstComment || Sort == FirstStatement) {
    E.Depth = Below + MeasuredStep(S, Offset);
  }
  SettleTop(S, E);
}

// A middle word of a block whose lines stood at its opener's column: the lines after it take
// a step.
void EndFlat(ReindentState &S) {
  OpenBlockEntry E = TopEntry(S);
  E.Kind = static_cast<unsigned short>(E.Kind & ~BlockFlat);
  E.Depth = OpenerDepth(S, E) + FallbackStep(S);
  // Its first line stood elsewhere: the first after the middle word is noted anew.
  E.HasFirst = false;
  ReplaceTop(S, E);
}

// A closer takes the innermost block of its kind, and any left open inside it; it stands that
// block's shift right of the lines after it.
long long CloseBlock(ReindentState &S, int Kinds) {
  if (NoBlockOpen(S))
    return 0;
  const OpenBlockEntry &Top = TopEntry(S);
  int Found = 0;
  for (int Bit = 0; Bit < BlockKindBits; ++Bit)
    if ((Kinds & (1 << Bit)) && Top.Innermost[Bit] > Found)
      Found = Top.Innermost[Bit];
  if (!Found)
    return 0;
  const OpenBlockEntry &Closed = S.BlockEntries[static_cast<std::size_t>(Found - 1)];
  const long long Shift = Closed.Shift;
  SetTop(S, Closed.Below);
  return Shift;
}

long long CodeIndent(const ReindentState &S) {
  const PluginSettingsRecord &P = PluginSettings;
  if (!S.InsideFunction)
    return S.Base + P.GlobalTab + P.MainTab + S.Depth;
  // A class's declarations may stand at their own distance from the CLASS line.
  if (S.InClass && PluginRules.ClassBody > 0)
    return S.HeaderColumn + PluginRules.ClassBody + S.Depth;
  long long Body = S.HasBodyTab ? S.BodyTab : static_cast<long long>(P.TextFuncTab) - P.FuncTab;
  // A body that would stand left of column 0 stands at 0 with its blocks' steps kept: lines
  // of different depths pressed together at 0 would show a second run other steps.
  const long long BodyColumn = S.HeaderColumn + Body;
  return (BodyColumn < 0 ? 0 : BodyColumn) + S.Depth;
}

// The column the settings give a header.
long long HeaderIndent(const ReindentState &S) {
  return S.Base + PluginSettings.GlobalTab + PluginSettings.FuncTab;
}

long long AtLeastZero(long long Indent) {
  return Limited(Indent < 0 ? 0 : Indent);
}

// Gives line Index its new text: Indent columns of blanks (spaces, or with Tabs tabs as the
// Modern rules write them), then Text.
void WriteIndented(int Index, long long Indent, const std::string &Text, std::string &Out,
                   bool Tabs = false) {
  if (ReindentSink.Line) {
    ReindentSink.Line(ReindentSink.Context, Index, Indent, Text);
    return;
  }
  Out.clear();
  AppendIndentation(Out, Indent, Tabs, PluginRules.TabWidth);
  Out += Text;
  SetLine(Index, Out);
}

// True when line Index follows a lone CR: its text stays as written.
bool KeptAsWritten(const ReindentState &S, int Index) {
  const std::size_t Mark = static_cast<std::size_t>(Index - EditorSession.StartLine);
  return Mark < S.Marks.size() && (S.Marks[Mark] & MarkAfterLoneCr);
}

// Writes a line by the Modern rules: its blanks as IndentWith asks.
void WriteModern(const ReindentState &S, int Index, long long Indent, const std::string &Text,
                 std::string &Out) {
  if (!KeptAsWritten(S, Index))
    WriteIndented(Index, Indent, Text, Out, PluginRules.IndentWith == IndentTabs);
}

// The text a line that ends at a lone CR inside a string is written with: Body and the blanks
// after the text as written, which the compiler reads as part of the string (it reads on past
// the CR). Kept holds the result when it is not Body.
const std::string &WithStringTail(const ReindentState &S, bool LoneCrEnd, const std::string &Text,
                                  const std::string &Body, std::string &Kept) {
  if (!LoneCrEnd || !(S.InDoubleQuote || S.InSingleQuote || S.InBracketString))
    return Body;
  std::size_t First, End;
  TrimBounds(Text, First, End);
  const std::size_t Tail = Text.size() - End;
  // The end-of-file mark may have kept them already.
  if (Tail == 0 || (Body.size() >= Tail && Body.compare(Body.size() - Tail, Tail, Text, End) == 0))
    return Body;
  Kept = Body;
  Kept.append(Text, End, Tail);
  return Kept;
}

// Writes the waiting comment lines: above a header they move with it to its column (the
// lines kept at their own column aside).
void FlushPending(ReindentState &S, bool AboveHeader, long long Header, std::string &Out) {
  if (S.Pending.empty())
    return;
  long long Shift = 0;
  if (AboveHeader)
    for (const PendingComment &C : S.Pending)
      if (!C.Fixed) {
        Shift = Header - C.Indent;
        break;
      }
  for (const PendingComment &C : S.Pending)
    WriteModern(S, C.Index, AtLeastZero(C.Fixed ? C.Indent : C.Indent + Shift), C.Text, Out);
  S.Pending.clear();
}

// The nesting at the start of a conditional-compilation branch is the nesting at its #if;
// after #endif the code goes on from where the first branch ended.
void FollowConditional(ReindentState &S, int Branch) {
  if (Branch == BranchIf) {
    S.Conditionals.push_back(ConditionalRegion{S.OpenTop, 0, false, S.BlockEntries.size()});
    return;
  }
  if (S.Conditionals.empty())
    return;
  ConditionalRegion &R = S.Conditionals.back();
  if (Branch == BranchElse) {
    if (!R.InLaterBranch) {
      R.FirstBranchEnd = S.OpenTop;
      R.InLaterBranch = true;
      R.Kept = S.BlockEntries.size();
    }
    SetTop(S, R.AtStart);
  } else {
    int Top = R.InLaterBranch ? R.FirstBranchEnd : S.OpenTop;
    S.Conditionals.pop_back();
    SetTop(S, Top);
  }
}

// True when the statement is a RETURN (any case, with or without a value).
bool ClassifyReturn(const std::string &T) {
  static const char Return[] = "RETURN";
  for (std::size_t I = 0; I < 6; ++I)
    if (AsciiUpper(T[I]) != Return[I])
      return false;
  char After = T.size() > 6 ? T[6] : ' ';
  return After == ' ' || After == '\t' || After == '(' || After == ';' || After == '/';
}

// Many Clipper programs close a routine with a RETURN under its header: true when T is such
// a RETURN and the option puts it there.
bool ReturnAtHeader(const ReindentState &S, const std::string &T) {
  if (T.size() < 6 || !ClassifyReturn(T))
    return false;
  ReindentSink.Seen |= SeenReturn;
  return PluginRules.ReturnAtHeader && NoBlockOpen(S) && S.InsideFunction && !S.InClass;
}

// A statement written at column Written settles what waits for the first line: the routine's
// body, the innermost block's layout.
// A RETURN that goes to the header's column tells nothing of the body: measured from it, the
// body would stand elsewhere on the next run.
void MeasureStatement(ReindentState &S, const StatementKind &Kind, const std::string &T,
                      long long Written) {
  if (Kind.Role == RoleHeader || Kind.Role == RoleClass || Kind.Role == RoleClassEnd)
    return;
  // Files that grew under several hands indent each routine's body its own way: the first
  // statement under a header sets the body's distance from it.
  if (S.BodyPending && NoBlockOpen(S)) {
    S.BodyPending = false;
    // A body flush with its header is measured too, unless its first statement is a RETURN:
    // many programs put the closing RETURN at the header's column under an indented body.
    bool Flush = Written == S.HeaderWritten && !(T.size() >= 6 && ClassifyReturn(T));
    // Some write a header indented and its body left of it (a class's METHOD lines copied
    // out of its declaration): with RoutineBody=3 that body stays left of its header.
    bool Left = Written < S.HeaderWritten && PluginRules.RoutineBody == 3;
    S.HasBodyTab = (Written > S.HeaderWritten || Flush || Left) && !ReturnAtHeader(S, T);
    S.BodyTab = Written - S.HeaderWritten;
  }
  int Sort = FirstStatement;
  if (Kind.Role == RoleMiddle && !NoBlockOpen(S) && (TopKind(S) & Kind.Blocks))
    Sort = FirstMiddle;
  else if (Kind.Role == RoleCloses)
    Sort = FirstCloser;
  MeasureFirstLine(S, Written, Sort);
}

// True while the innermost block (or the lines outside any block) has had no first statement.
bool AwaitsFirstStatement(const ReindentState &S) {
  return NoBlockOpen(S) ? !S.HasBodyWritten : !TopEntry(S).HasFirst;
}

// Notes the statement written at column Written as the first of its block, or of the lines
// outside any block (AwaitsFirstStatement): the openers after it keep their distance from it.
void NoteFirstStatement(ReindentState &S, long long Written) {
  if (NoBlockOpen(S)) {
    S.HasBodyWritten = true;
    S.BodyWritten = Written;
    return;
  }
  OpenBlockEntry E = TopEntry(S);
  E.HasFirst = true;
  E.FirstWritten = Written;
  ReplaceTop(S, E);
}

// How far right of the lines around it an opener written at column Written stands, when they
// stand at Indent: as far as it was written from the first of them (never left of column 0).
long long OpenerShift(const ReindentState &S, long long Written, long long Indent) {
  if (!PluginRules.KeepOpeners || AwaitsFirstStatement(S))
    return 0;
  const long long First = NoBlockOpen(S) ? S.BodyWritten : TopEntry(S).FirstWritten;
  const long long Shift = Written - First;
  return Indent + Shift < 0 ? -Indent : Shift;
}

// The column of a statement's first line, written at column Written, and the change it makes
// to the open blocks.
long long StatementIndent(ReindentState &S, const std::string &T, long long Written, bool &Header) {
  StatementKind Kind = ClassifyStatement(T.data(), T.size(), S.InClass);
  Header = false;
  // Declarations keep their own distance from the header and leave the body's distance to
  // the first statement after them: many routines declare at the header's column, or at one
  // of their own, and indent the code further.
  if (S.BodyPending && Kind.Role == RoleNone && Written >= S.HeaderWritten && NoBlockOpen(S) &&
      IsDeclaration(T.data(), T.size()))
    return Limited(S.HeaderColumn + (Written - S.HeaderWritten));
  MeasureStatement(S, Kind, T, Written);
  // A RETURN put at its header's column, a declaration and a line kept as written after a
  // lone CR stand apart from the body.
  if (PluginRules.KeepOpeners && AwaitsFirstStatement(S) && !(S.Marks.back() & MarkAfterLoneCr) &&
      (Kind.Role == RoleOpens ||
       (Kind.Role == RoleNone && !ReturnAtHeader(S, T) && !IsDeclaration(T.data(), T.size()))))
    NoteFirstStatement(S, Written);
  switch (Kind.Role) {
  case RoleHeader:
  case RoleClass:
    ReindentSink.Seen |= Kind.Role == RoleClass ? SeenClass : SeenHeader;
    Header = true;
    S.HasBodyTab = false;
    S.BodyPending = PluginRules.RoutineBody && Kind.Role == RoleHeader;
    S.HasRoutineStep = false;
    S.HasBodyWritten = false;
    SetTop(S, 0);
    S.InsideFunction = true;
    S.InClass = Kind.Role == RoleClass;
    S.HeaderWritten = Written;
    S.HeaderColumn = PluginRules.RoutineBody >= 2 ? Written : HeaderIndent(S);
    return S.HeaderColumn;
  case RoleClassEnd: {
    long long Indent = PluginRules.RoutineBody < 2 ? HeaderIndent(S)
                       : S.InClass                 ? S.HeaderColumn
                                                   : Written;
    S.HasBodyTab = false;
    S.BodyPending = false;
    S.HasRoutineStep = false;
    S.HasBodyWritten = false;
    SetTop(S, 0);
    S.InClass = false;
    S.InsideFunction = false;
    return Indent;
  }
  case RoleOpens: {
    long long Indent = CodeIndent(S);
    // Many programs keep the guarded lines of BEGIN SEQUENCE at its column and indent
    // only what follows RECOVER or ALWAYS.
    if (Kind.Blocks == BlockSequence)
      ReindentSink.Seen |= SeenSequence;
    bool Flat = Kind.Blocks == BlockSequence && PluginRules.FlatSequence == 1;
    const long long Shift = OpenerShift(S, Written, Indent);
    OpenBlock(S, Kind.Blocks | (Flat ? BlockFlat : 0), Written, Shift);
    return Indent + Shift;
  }
  case RoleMiddle:
    if (!NoBlockOpen(S) && (TopKind(S) & Kind.Blocks)) {
      const OpenBlockEntry &Top = TopEntry(S);
      long long Indent = CodeIndent(S) - (Top.Depth - OpenerDepth(S, Top)) + Top.Middle;
      if (Top.Kind & BlockFlat)
        EndFlat(S);
      return Indent;
    }
    return CodeIndent(S);
  case RoleCloses: {
    const long long Shift = CloseBlock(S, Kind.Blocks);
    return CodeIndent(S) + Shift;
  }
  default:
    if (ReturnAtHeader(S, T))
      return S.HeaderColumn;
    return CodeIndent(S);
  }
}

// Harbour separates statements on one line with ";" (FOR i := 1 TO 3; x(); NEXT): the
// statements after the first open and close blocks too, from the next line on.
void FollowLaterStatements(ReindentState &S, const std::string &T, long long Written) {
  for (std::size_t At = LaterStatementAt(T, 0); At != std::string::npos;
       At = LaterStatementAt(T, At)) {
    StatementKind Kind = ClassifyStatement(T.data() + At, T.size() - At, S.InClass);
    if (Kind.Role == RoleOpens)
      OpenBlock(S, Kind.Blocks, Written);
    else if (Kind.Role == RoleCloses)
      CloseBlock(S, Kind.Blocks);
  }
}

} // namespace

std::size_t LaterStatementAt(const std::string &T, std::size_t From) {
  if (T.find(';', From) == std::string::npos)
    return std::string::npos;
  char Quote = 0;
  for (std::size_t K = From; K < T.size(); ++K) {
    char C = T[K];
    char D = K + 1 < T.size() ? T[K + 1] : 0;
    if (Quote) {
      if (C == Quote)
        Quote = 0;
      continue;
    }
    if (C == '"' || C == '\'') {
      Quote = C;
    } else if ((C == '/' && (D == '/' || D == '*')) || (C == '&' && D == '&')) {
      return std::string::npos;
    } else if (C == ';') {
      std::size_t At = K + 1;
      while (At < T.size() && IsSpaceOrTab(T[At]))
        ++At;
      return At;
    }
  }
  return std::string::npos;
}

bool IsCommentStart(const std::string &T) {
  if (T.empty())
    return false;
  if (T[0] == '*')
    return true;
  return T.size() >= 2 &&
         ((T[0] == '/' && (T[1] == '/' || T[1] == '*')) || (T[0] == '&' && T[1] == '&'));
}

namespace {

// The column of a preprocessor line written at column Written, once it took its effect on the
// open blocks: column 0, the code's column there, or its own.
long long DirectiveIndent(const ReindentState &S, long long Written) {
  switch (PluginRules.Directives) {
  case DirectivesCode:
    return CodeIndent(S);
  case DirectivesWritten:
    return Written;
  default:
    return 0;
  }
}

// The text a line is written with: Body, and the end-of-file mark (Ctrl-Z) where the line held
// it, among its leading blanks (from the mark to the text) or after its text (the bytes after
// the text as they stand). Kept holds the result when it is not Body.
const std::string &WithEndOfFileMark(const std::string &Text, const std::string &Body,
                                     std::string &Kept) {
  const std::size_t Mark = Text.find('\x1A');
  if (Mark == std::string::npos)
    return Body;
  std::size_t First, End;
  TrimBounds(Text, First, End);
  const bool Lead = Mark < First;
  const bool After = Text.find('\x1A', End) != std::string::npos;
  if (!Lead && !After)
    return Body;
  Kept.clear();
  if (Lead)
    Kept.append(Text, Mark, First - Mark);
  Kept += Body;
  if (After)
    Kept.append(Text, End, std::string::npos);
  return Kept;
}

// Where the comment that ends a line starts ("//", "&&" or "/*" outside strings, looked for
// from From on), npos when none does. A "[" ... "]" is passed over whole, subscript or
// string: no comment starts inside one; nor does one that code follows on the line.
std::size_t TrailingCommentAt(const std::string &Text, std::size_t From) {
  char Quote = 0;
  int Brackets = 0;
  for (std::size_t K = From; K + 1 < Text.size(); ++K) {
    const char C = Text[K];
    const char D = Text[K + 1];
    if (Quote) {
      if (C == Quote)
        Quote = 0;
    } else if (Brackets) {
      Brackets += C == '[' ? 1 : (C == ']' ? -1 : 0);
    } else if (C == '"' || C == '\'') {
      Quote = C;
    } else if (C == '[') {
      Brackets = 1;
    } else if ((C == '/' && D == '/') || (C == '&' && D == '&')) {
      return K;
    } else if (C == '/' && D == '*') {
      const std::size_t Close = Text.find("*/", K + 2);
      if (Close == std::string::npos)
        return K;
      std::size_t After = Close + 2;
      while (After < Text.size() && IsBlankChar(Text[After]))
        ++After;
      if (After == Text.size())
        return K;
      K = After - 1;
    }
  }
  return std::string::npos;
}

// Notes the comment that ends a line of code, written as Text and now as Body at column
// Indent: the comment lines right under it stay under it.
void NoteTrailingComment(ReindentState &S, const std::string &Text, const std::string &Body,
                         long long Indent) {
  // Two quick passes rule out most lines; then the comment is looked for once: in the written
  // text only when respelling made Body differ from it.
  if (Body.find('/') == std::string::npos && Body.find('&') == std::string::npos)
    return;
  const std::size_t InBody = TrailingCommentAt(Body, 0);
  if (InBody == std::string::npos)
    return;
  std::size_t Lead = 0;
  while (Lead < Text.size() && IsBlankChar(Text[Lead]))
    ++Lead;
  const std::size_t InText =
      Text.compare(Lead, Body.size(), Body) == 0 ? Lead + InBody : TrailingCommentAt(Text, Lead);
  if (InText == std::string::npos || InText == Lead)
    return;
  S.HasTrailing = true;
  S.TrailingWritten = ColumnAfter(Text, 0, InText, 0);
  S.TrailingIndent = ColumnAfter(Body, 0, InBody, Indent);
}

// Scans line Index, or takes its scan from the replay record a run before filled; a run that
// fills the record keeps the scan there. The Modern rules read Trimmed, Rebuilt and Continued
// of a scan, and the scanner's state after it; Words are left empty on a replay.
void ScanOrReplay(ReindentState &S, int Index, const std::string &Text, ScannedLine &Line) {
  ReindentReplayRecord *R = S.Replay;
  if (!R) {
    ScanLine(S, Text, Line);
    return;
  }
  ReindentReplayLine &L = R->Lines[static_cast<std::size_t>(Index)];
  if (R->Filled) {
    Line.Trimmed.assign(Text, L.TrimStart, L.TrimLength);
    if (L.State & ReplayRespelled)
      Line.Rebuilt.assign(R->Bytes, L.Respelled, L.RespelledLength);
    else
      Line.Rebuilt = Line.Trimmed;
    Line.Words.clear();
    Line.Continued = (L.State & ReplayContinued) != 0;
    S.InLineComment = (L.State & ReplayInLineComment) != 0;
    S.InBlockComment = (L.State & ReplayInBlockComment) != 0;
    S.InDoubleQuote = (L.State & ReplayInDoubleQuote) != 0;
    S.InSingleQuote = (L.State & ReplayInSingleQuote) != 0;
    S.InBracketString = (L.State & ReplayInBracketString) != 0;
    S.PrevDirective = (L.State & ReplayPrevDirective) != 0;
    S.SpellMode = static_cast<int>(L.State / ReplaySpellMode) & 7;
    return;
  }
  ScanLine(S, Text, Line);
  std::size_t First, End;
  TrimBounds(Text, First, End);
  L.TrimStart = static_cast<unsigned>(First);
  L.TrimLength = static_cast<unsigned>(End - First);
  L.State =
      (L.State & ReplayLoneCrEnd) | ReplayScanned | (Line.Continued ? ReplayContinued : 0) |
      (S.InLineComment ? ReplayInLineComment : 0) | (S.InBlockComment ? ReplayInBlockComment : 0) |
      (S.InDoubleQuote ? ReplayInDoubleQuote : 0) | (S.InSingleQuote ? ReplayInSingleQuote : 0) |
      (S.InBracketString ? ReplayInBracketString : 0) |
      (S.PrevDirective ? ReplayPrevDirective : 0) |
      static_cast<unsigned>(S.SpellMode & 7) * ReplaySpellMode;
  if (Line.Rebuilt != Line.Trimmed) {
    L.State |= ReplayRespelled;
    L.Respelled = R->Bytes.size();
    L.RespelledLength = static_cast<unsigned>(Line.Rebuilt.size());
    R->Bytes += Line.Rebuilt;
  }
}

void ReindentModernLine(ReindentState &S, const std::string &Text, ScannedLine &Line,
                        std::string &Out) {
  EditorSessionRecord &E = EditorSession;
  const int Index = E.CurrentLine;
  const bool InComment = S.InBlockComment;
  const bool Continuation = S.PrevContinued;
  const long long Written = WrittenColumn(Text);
  ScanOrReplay(S, Index, Text, Line);
  const std::string &T = Line.Trimmed;
  const bool OpensComment = !InComment && S.InBlockComment;
  // A comment line written under the comment that ends the line above goes on from it.
  const bool UnderTrailing =
      S.HasTrailing && !InComment && Written == S.TrailingWritten && IsCommentStart(T);
  S.HasTrailing = false;

  if (T.empty()) {
    // The end-of-file mark stays; a blank line inside a comment is part of the comment.
    const bool EndOfFileMark = Text.find('\x1A') != std::string::npos;
    if (EndOfFileMark || InComment) {
      S.Marks.back() = static_cast<unsigned char>(MarkVerbatim | (S.Marks.back() & MarkLoneCr));
      if (EndOfFileMark)
        return;
    }
    S.Marks.back() |= MarkBlank;
    if (!InComment)
      FlushPending(S, false, 0, Out);
    if (!Text.empty())
      WriteModern(S, Index, 0, std::string(), Out);
    return;
  }
  // The text written behind the indentation: the scanned line, with its end-of-file mark.
  std::string Kept;
  const bool MarkFree = S.Replay && S.Replay->Filled && !S.Replay->EndOfFileMark;
  const std::string &Body =
      WithStringTail(S, (S.Marks.back() & MarkLoneCrEnd) != 0, Text,
                     MarkFree ? Line.Rebuilt : WithEndOfFileMark(Text, Line.Rebuilt, Kept), Kept);
  if (InComment) {
    long long Indent = AtLeastZero(S.CommentIndent + (Written - S.CommentWritten));
    if (!S.Pending.empty()) {
      std::string KeptTrimmed;
      S.Pending.push_back(PendingComment{Index, Indent, S.Pending.back().Fixed,
                                         WithEndOfFileMark(Text, T, KeptTrimmed)});
    } else {
      WriteModern(S, Index, Indent, Body, Out);
    }
    return;
  }
  if (UnderTrailing) {
    // It stands under that comment as the comment now stands, and so may the next one.
    S.HasTrailing = true;
    if (OpensComment) {
      S.CommentWritten = Written;
      S.CommentIndent = S.TrailingIndent;
    }
    WriteModern(S, Index, S.TrailingIndent, Body, Out);
    return;
  }
  long long Indent = 0;
  if (Continuation) {
    if (PluginRules.KeepContinuation) {
      Indent = S.StatementIndent + (Written - S.StatementWritten);
      // A line whose offset would take it left of column 0 stands one step right of its
      // statement instead.
      if (Indent < 0)
        Indent = S.StatementIndent + PluginSettings.Tab;
    } else {
      Indent = S.StatementIndent + S.ContinuationOffset;
    }
  } else if (T[0] == '#') {
    FlushPending(S, false, 0, Out);
    FollowConditional(S, PreprocessorBranchOf(T.data(), T.size()));
    Indent = DirectiveIndent(S, Written);
  } else if (IsCommentStart(T)) {
    const PluginSettingsRecord &P = PluginSettings;
    if (Written == 0)
      ReindentSink.Seen |= SeenColumn0Comment;
    bool Fixed = P.Comments != -1 || (PluginRules.KeepColumn0Comments && Written == 0);
    // A comment that moves with the code may be the first line of its block.
    if (!Fixed)
      MeasureFirstLine(S, Written, FirstComment);
    Indent = P.Comments != -1 ? P.Comments : (Fixed ? 0 : CodeIndent(S));
    if (S.Pending.empty())
      S.PendingStart = S.Marks.size() - 1;
    S.Pending.push_back(PendingComment{Index, Indent, Fixed, Body});
    S.CommentWritten = Written;
    S.CommentIndent = Indent;
    return;
  } else {
    bool Header = false;
    Indent = StatementIndent(S, T, Written, Header);
    FollowLaterStatements(S, T, Written);
    if (Header) {
      S.Marks[S.Pending.empty() ? S.Marks.size() - 1 : S.PendingStart] |= MarkHeadStart;
      FlushPending(S, true, Indent, Out);
    } else {
      FlushPending(S, false, 0, Out);
    }
  }
  Indent = AtLeastZero(Indent);
  if (!Continuation) {
    S.StatementWritten = Written;
    S.StatementIndent = Indent;
    if (Line.Continued)
      S.ContinuationOffset = ContinuationOffsetOf(Line);
  }
  if (OpensComment) {
    S.CommentWritten = Written;
    S.CommentIndent = Indent;
  }
  if (IsBlankText(Line.Rebuilt))
    S.Marks.back() |= MarkBlank;
  WriteModern(S, Index, Indent, Body, Out);
  NoteTrailingComment(S, Text, Body, Indent);
}

// In block mode the lines above the block may define text commands, and with the Modern rules
// any line of the file may use its line numbers: Reindent reads the lines outside the block
// for that alone, From to To (excluded).
void ReadOutsideBlock(ReindentState &S, bool Modern, int From, int To, std::string &Text) {
  std::string Trimmed, Name;
  for (int Index = From; Index < To; ++Index) {
    ReadLine(Index, Text);
    std::size_t First, End;
    TrimBounds(Text, First, End);
    Trimmed.assign(Text, First, End - First);
    if (Modern && !S.LineNumbers)
      S.LineNumbers = LineNumberUse(Trimmed, nullptr);
    if (ReadDirectiveLine(S.Directives, Trimmed.data(), Trimmed.size(),
                          !Trimmed.empty() && Trimmed.back() == ';', S.TextCommands, Name))
      AddIncludedTextCommands(Name, S.TextCommands);
  }
  S.Directives = DirectiveReader();
}

} // namespace

PER_THREAD const char *ReindentLineNumbers = nullptr;

void AppendIndentation(std::string &Out, long long Indent, bool Tabs, int TabWidth) {
  if (Indent <= 0)
    return;
  long long Spaces = Indent;
  if (Tabs) {
    const long long Width = TabWidth > 0 ? TabWidth : 8;
    Out.append(static_cast<std::size_t>(Indent / Width), '\t');
    Spaces = Indent % Width;
  }
  Out.append(static_cast<std::size_t>(Spaces), ' ');
}

PER_THREAD ReindentSinkRecord ReindentSink;

// What the Modern rules take from every line of the text before a run: the words the text
// ends its own definitions with, the words of its own stringifying rules (in the text or the
// headers it includes) into S, and what makes line numbers matter in those headers, returned.
// A replay record keeps them for the runs after the first.
const char *GatherTextWords(ReindentState &S, ReindentReplayRecord *R, bool LinesKept,
                            std::string &Text) {
  std::vector<std::string> &Ends = DefinitionWords.Ends;
  Ends.clear();
  if (R && R->EndsKnown) {
    Ends = R->DefinitionEnds;
    S.Stringifying = R->Stringifying;
    return R->HeaderLineNumbers;
  }
  const EditorSessionRecord &E = EditorSession;
  DirectiveReader Reader;
  HeaderFindings Found;
  std::string Name;
  // A marked block's definitions may end below it.
  const int Total = E.BlockMode ? E.Info.TotalLines : E.LastLine;
  for (int I = 0; I < Total; ++I) {
    if (LinesKept) {
      const ReindentReplayLine &L = R->Lines[static_cast<std::size_t>(I)];
      Text.assign(R->Bytes, L.Text, L.TextLength);
    } else {
      ReadLine(I, Text);
    }
    NoteDefinitionEnd(Text, Ends);
    std::size_t First, End;
    TrimBounds(Text, First, End);
    if (ReadDirectiveLine(Reader, Text.data() + First, End - First,
                          End > First && Text[End - 1] == ';', Found.Commands, Name))
      AddIncludedFindings(Name, Found);
  }
  HeaderFindings Own;
  Own.Stringifying = Reader.Stringifying;
  AddFindings(Own, Found);
  S.Stringifying = Own.Stringifying;
  if (R) {
    R->DefinitionEnds = Ends;
    R->Stringifying = S.Stringifying;
    R->HeaderLineNumbers = Found.LineNumbers;
    R->EndsKnown = true;
  }
  return Found.LineNumbers;
}

void Reindent() {
  EditorSessionRecord &E = EditorSession;
  ReindentState S{};
  // A marked block is indented as a whole from the cursor's column.
  int Start = E.BlockMode ? E.Info.CurPos : 0;
  S.LineIndent = Start;
  S.NextIndent = Start;
  S.Base = Start;
  const bool Modern = PluginRules.Style == StyleModern;
  if (!E.BlockMode && E.LastLine > 0)
    S.Marks.reserve(static_cast<std::size_t>(E.LastLine));

  ScannedLine Line{};
  std::string Text;
  std::string Out;
  ReindentLineNumbers = nullptr;
  if (E.BlockMode)
    ReadOutsideBlock(S, Modern, 0, E.StartLine, Text);
  std::string Kept;
  // A replay record serves Modern runs over the text it was filled from, from its start (a
  // sink run may end before the text does).
  ReindentReplayRecord *const Given = ReindentSink.Replay;
  const std::size_t Lines = E.LastLine > 0 ? static_cast<std::size_t>(E.LastLine) : 0;
  const bool Serves =
      Modern && !E.BlockMode && E.StartLine == 0 &&
      !(Given && (Given->Filled || Given->TextsGiven) &&
        (ReindentSink.Line ? Given->Lines.size() < Lines : Given->Lines.size() != Lines));
  S.Replay = Serves ? Given : nullptr;
  ReindentReplayRecord *const R = S.Replay;
  const bool Recording = R && !R->Filled;
  const bool Replaying = R && !Recording;
  const bool LinesKept = R && (R->Filled || R->TextsGiven) && ReindentSink.Line;
  if (Recording && !R->TextsGiven) {
    R->Bytes.clear();
    R->Lines.assign(Lines, ReindentReplayLine{});
  }
  // What makes line numbers matter in the headers the text includes, when the text itself
  // names nothing that does.
  const char *InHeaders = Modern ? GatherTextWords(S, R, LinesKept, Text) : nullptr;
  E.CurrentLine = E.StartLine;
  // A line after a lone CR is scanned, so its words take their part in the blocks, but
  // written as it stands: the compiler reads it as the rest of the line before.
  bool AfterLoneCr = E.StartLine > 0 && LineEndsAtLoneCr(E.StartLine - 1);
  // A sink may end the run early, once it has seen enough.
  while (InRange() && !(ReindentSink.Line && ReindentSink.Stop)) {
    bool EndsAtLoneCr;
    if (LinesKept) {
      const ReindentReplayLine &L = R->Lines[static_cast<std::size_t>(E.CurrentLine)];
      Text.assign(R->Bytes, L.Text, L.TextLength);
      EndsAtLoneCr = (L.State & ReplayLoneCrEnd) != 0;
    } else {
      ReadLine(E.CurrentLine, Text);
      EndsAtLoneCr = ReadLineEndsAtLoneCr();
    }
    if (Recording && !R->TextsGiven) {
      ReindentReplayLine &L = R->Lines[static_cast<std::size_t>(E.CurrentLine)];
      L.Text = R->Bytes.size();
      L.TextLength = static_cast<unsigned>(Text.size());
      L.State = EndsAtLoneCr ? ReplayLoneCrEnd : 0;
      R->Bytes += Text;
    }
    if (E.BlockMode && IsBlockEnd())
      break;
    const unsigned char LoneCr = static_cast<unsigned char>((EndsAtLoneCr ? MarkLoneCrEnd : 0) |
                                                            (AfterLoneCr ? MarkAfterLoneCr : 0));
    AfterLoneCr = EndsAtLoneCr;
    if (S.Verbatim != VerbatimNone) {
      if (!VerbatimClosed(S.Verbatim, Text)) {
        // Printed or compiled as it stands: not scanned, not written.
        S.Marks.push_back(MarkVerbatim | LoneCr);
        ++E.CurrentLine;
        continue;
      }
      S.Verbatim = VerbatimNone;
    }
    S.Marks.push_back((S.PrevContinued ? MarkAfterContinued : 0) | LoneCr);
    const bool InComment = S.InBlockComment;

    if (Modern) {
      ReindentModernLine(S, Text, Line, Out);
      // A replay takes what makes line numbers matter from its record, once the run ends.
      if (!S.LineNumbers && !InComment && !Replaying)
        S.LineNumbers = LineNumberUse(Line.Trimmed, &Line.Words);
      // Whether the line opens a region depends on the text alone: a replay reads it back.
      ReindentReplayLine *L = R ? &R->Lines[static_cast<std::size_t>(E.CurrentLine)] : nullptr;
      S.Verbatim = Replaying ? static_cast<int>(L->State / ReplayOpens) & 7
                             : RegionOpened(S, Line, InComment);
      if (Recording)
        L->State |= static_cast<unsigned>(S.Verbatim) * ReplayOpens;
      S.PrevContinued = Line.Continued;
      ++E.CurrentLine;
      continue;
    }
    ScanLine(S, Text, Line);
    StepContinuation(S, Line);
    ApplyWordRules(S, Line);
    ApplyDoCase(S, Line);
    long long Indent = ChooseIndent(S, Line);

    // A blank line that ends the statement a continued line left open stays, and empty, as
    // does one that ends at a lone CR. A line after a lone CR stays as it is.
    const bool Written = !(LoneCr & MarkAfterLoneCr);
    if (Written && Line.Trimmed.empty() && (S.PrevContinued || EndsAtLoneCr))
      WriteIndented(E.CurrentLine, 0, std::string(), Out);
    else if (Written)
      WriteIndented(E.CurrentLine, Indent,
                    WithStringTail(S, EndsAtLoneCr, Text, Line.Rebuilt, Kept), Out);
    // Out is Rebuilt behind its indentation, or empty when Rebuilt is.
    S.Marks.back() |= MarksOfWritten(Line.Rebuilt);

    S.Verbatim = RegionOpened(S, Line, InComment);
    S.LineIndent = S.NextIndent;
    S.PrevContinued = Line.Continued;
    ++E.CurrentLine;
  }

  if (Modern) {
    FlushPending(S, false, 0, Out);
    // The other commands read statements without them.
    DefinitionWords.Ends.clear();
  }
  if (Replaying)
    S.LineNumbers = R->LineNumbers;
  else if (Recording && !InRange()) {
    R->LineNumbers = S.LineNumbers;
    R->EndOfFileMark = R->Bytes.find('\x1A') != std::string::npos;
  }
  if (Modern && E.BlockMode && !S.LineNumbers)
    ReadOutsideBlock(S, true, E.CurrentLine, E.Info.TotalLines, Text);
  if (!S.LineNumbers)
    S.LineNumbers = InHeaders;
  ReindentLineNumbers = S.LineNumbers;
  if (Recording && !InRange())
    R->Filled = true;
  // The spacing pass only adds and removes blank lines, which a sink does not follow.
  if (!ReindentSink.Line) {
    if (Modern)
      SpaceModern(S);
    else
      SpaceProcedures(S);
  }
  E.Info.CurPos = 0;
  E.Info.LeftPos = 0;
  if (E.Info.TopScreenLine < 0)
    E.Info.TopScreenLine = 0;
}
