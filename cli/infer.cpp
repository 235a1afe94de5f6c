// Inferring settings: a search for the settings under which the Modern rules give back the
// texts' own indentation best. A candidate is scored by re-indenting the texts into a sink
// (each line's new indentation as a number) and counting the lines whose leading width is
// unchanged. The first run reads and scans the texts; the others replay what it kept.
//
// The numbers act on each line's indentation linearly (the base, the body's distance, the
// depth times the step...), so for one choice of the options two runs whose numbers differ
// by weights set apart give each line's coefficients, and every combination of the numbers
// is then scored without a run. The options are chosen in rounds until a round changes
// nothing: those that move whole runs of lines (Steps, RoutineBody and CaseIndent jointly,
// then KeepOpeners, FlatSequence, DialogBlocks, ClassBody, TabWidth) each with the numbers that
// suit it best, the others at the numbers chosen. A value that gives the result of the value in
// effect is not looked at further, and a run that can no longer win is cut short. A frugal
// search (before a re-indent) is held to a few runs' worth of lines, over a long text's
// routines sampled all over it.
#include "infer.hpp"
#include "../sim/sim.hpp"
#include "../src/host/files.hpp"
#include "../src/host/session.hpp"
#include "../src/reindent/reindent.hpp"
#include "../src/settings/profile.hpp"
#include "../src/settings/settings.hpp"
#include "fileio.hpp"
#include "project.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <utility>

namespace {

// One text being inferred from: its lines as the first run read and scanned them, and the
// leading width each of its non-blank lines has.
struct InferText {
  const InferSource *Source;
  ReindentReplayRecord Replay;
  // Per line: the leading width of its first non-blank piece (a CR inside a line starts
  // another piece, as the agreement reads it), tabs every 8 columns; -1 for a blank line.
  std::vector<int> Want;
  // Per line: its leading blanks as tabs then spaces (Spaces is -1 when they are not so
  // written), to tell which way of writing indentation gives it back character for character.
  std::vector<int> Tabs;
  std::vector<int> Spaces;
  // The lines after a lone CR, which nothing moves: how many follow each line that has any.
  std::vector<std::pair<std::size_t, long long>> Later;
  std::size_t Limit = 0; // the runs of the search stop before this line
  // A long text's lines, while a frugal search runs over a sample of them (Replay).
  ReindentReplayRecord Whole;
  bool Sampled = false;
  std::vector<long long> Got;  // each line's indentation in the last run, -1: left as it is
  std::vector<long long> Kept; // the same under the values chosen so far
  std::vector<long long> Base; // the numbers' probes
  std::vector<long long> Step;
  std::vector<long long> Class;
};

// The leading blanks of a line as tabs then spaces; Spaces is -1 when they are not so written.
void LeadingBlanks(const char *Text, std::size_t Size, int &Tabs, int &Spaces) {
  std::size_t K = 0;
  Tabs = Spaces = 0;
  while (K < Size && Text[K] == '\t')
    ++Tabs, ++K;
  while (K < Size && Text[K] == ' ')
    ++Spaces, ++K;
  if (K < Size && static_cast<unsigned char>(Text[K]) <= 32)
    Spaces = -1;
}

// The leading width of the first non-blank piece of a line, and how many non-blank pieces
// follow it.
void MeasureLine(const char *Text, std::size_t Size, int &First, long long &Later) {
  First = -1;
  int Width = 0;
  bool Leading = true;
  for (std::size_t K = 0; K <= Size; ++K) {
    char C = K < Size ? Text[K] : '\r';
    if (C == '\r' || C == '\n') {
      if (!Leading) {
        if (First < 0)
          First = Width;
        else
          ++Later;
      }
      Width = 0;
      Leading = true;
    } else if (!Leading) {
      continue;
    } else if (C == '\t') {
      Width = (Width / 8 + 1) * 8;
    } else if (static_cast<unsigned char>(C) > 32) {
      Leading = false;
    } else {
      ++Width;
    }
  }
}

// Gives the replay record the lines of Bytes as the editor holds them (SimSplitLine), with
// the lines that end at a lone CR marked.
void GiveLines(const std::string &Bytes, ReindentReplayRecord &R) {
  R.Bytes.reserve(Bytes.size() + Bytes.size() / 8);
  R.Bytes = Bytes;
  R.Lines.clear();
  for (std::size_t Start = 0;;) {
    const SimLineSpan Span = SimSplitLine(Bytes.data(), Bytes.size(), Start);
    ReindentReplayLine L{};
    L.Text = Start;
    L.TextLength = static_cast<unsigned>(Span.TextEnd - Start);
    L.State = Span.Eol == SimEolCr ? ReplayLoneCrEnd : 0;
    R.Lines.push_back(L);
    if (Span.Eol == SimEolNone)
      break;
    Start = Span.Next;
  }
  R.TextsGiven = true;
}

// True when a line as the first run scanned it leaves nothing open for the next: no comment,
// string or continued statement, and it does not end at a lone CR.
bool EndsClosed(const ReindentReplayLine &L) {
  return (L.State & ReplayScanned) &&
         !(L.State & (ReplayContinued | ReplayInBlockComment | ReplayInDoubleQuote |
                      ReplayInSingleQuote | ReplayInBracketString | ReplayLoneCrEnd));
}

// True when a scanned line is blank or a comment line (those above a header belong to it).
bool BlankOrComment(const char *T, std::size_t Size) {
  return Size == 0 || T[0] == '*' ||
         (Size >= 2 &&
          ((T[0] == '/' && (T[1] == '/' || T[1] == '*')) || (T[0] == '&' && T[1] == '&')));
}

// The lines of a long text a frugal search runs over: the lines before its first routine
// (its directives and text commands), then whole routines spread over the text, each with
// the comments above its header, about Most lines in all. A routine starts at a header
// outside a class declaration and outside any #if, after a line that leaves nothing open, so
// a run over the sample reads each routine as a run over the text does. The routines are
// counted by their non-blank lines, which a re-indent keeps, so that the text re-indented
// gives the same sample. Empty when the text has too few routines for a sample.
std::vector<std::size_t> SampledLines(const ReindentReplayRecord &R, std::size_t Most) {
  const std::size_t Size = R.Lines.size();
  std::vector<std::size_t> Starts;      // each routine's first line, with its comments
  std::vector<long long> Written(1, 0); // the non-blank lines before each line
  bool InClass = false;
  int Conditionals = 0;
  const int Seen = ReindentSink.Seen;
  for (std::size_t I = 0; I < Size; ++I) {
    const ReindentReplayLine &L = R.Lines[I];
    const char *T = R.Bytes.data() + L.Text + L.TrimStart;
    Written.push_back(Written.back() + (L.TrimLength > 0));
    const bool Open = I > 0 && !EndsClosed(R.Lines[I - 1]);
    if (!(L.State & ReplayScanned) || L.TrimLength == 0 || Open)
      continue;
    if (T[0] == '#') {
      std::size_t K = 1;
      while (K < L.TrimLength && (T[K] == ' ' || T[K] == '\t'))
        ++K;
      if (SpellsUpper(T + K, std::min<std::size_t>(2, L.TrimLength - K), "IF"))
        ++Conditionals;
      else if (SpellsUpper(T + K, std::min<std::size_t>(5, L.TrimLength - K), "ENDIF"))
        Conditionals -= Conditionals > 0;
      continue;
    }
    const int Role = ClassifyStatement(T, L.TrimLength, InClass).Role;
    if ((Role == RoleHeader || Role == RoleClass) && Conditionals == 0 && !InClass) {
      std::size_t First = I;
      while (First > 0 && (R.Lines[First - 1].State & ReplayScanned) &&
             BlankOrComment(R.Bytes.data() + R.Lines[First - 1].Text + R.Lines[First - 1].TrimStart,
                            R.Lines[First - 1].TrimLength) &&
             (First == 1 || EndsClosed(R.Lines[First - 2])))
        --First;
      if (Starts.empty() || First > Starts.back())
        Starts.push_back(First);
    }
    InClass = Role == RoleClass || (InClass && Role != RoleClassEnd);
  }
  ReindentSink.Seen = Seen;
  Starts.push_back(Size);
  // The share of the routines' non-blank lines to take, after the lines before them.
  const long long Head = static_cast<long long>(Starts[0]);
  const long long Quota = static_cast<long long>(Most) - Head;
  const long long Routines = Written[Size] - Written[Starts[0]];
  std::vector<std::size_t> Lines;
  if (Starts.size() < 4 || Quota < static_cast<long long>(Most) / 2 || Routines <= 0)
    return Lines;
  for (std::size_t I = 0; I < Starts[0]; ++I)
    Lines.push_back(I);
  long long Taken = 0;
  for (std::size_t K = 0; K + 1 < Starts.size(); ++K) {
    const long long Own = Written[Starts[K + 1]] - Written[Starts[K]];
    const long long Before = Written[Starts[K + 1]] - Written[Starts[0]];
    if ((Taken + Own / 2) * Routines > Quota * Before)
      continue;
    Taken += Own;
    for (std::size_t I = Starts[K]; I < Starts[K + 1]; ++I)
      Lines.push_back(I);
  }
  if (Taken * 2 < Quota)
    Lines.clear();
  return Lines;
}

// A record of the lines Lines of Whole (a record a run filled), for runs over them alone.
void KeepSample(const ReindentReplayRecord &Whole, const std::vector<std::size_t> &Lines,
                ReindentReplayRecord &Sample) {
  Sample.Bytes = Whole.Bytes;
  Sample.Lines.clear();
  for (std::size_t I : Lines)
    Sample.Lines.push_back(Whole.Lines[I]);
  Sample.Filled = Sample.TextsGiven = Sample.EndsKnown = true;
  Sample.DefinitionEnds = Whole.DefinitionEnds;
  Sample.Stringifying = Whole.Stringifying;
  Sample.HeaderLineNumbers = Whole.HeaderLineNumbers;
}

// How a run's indentation is written: with spaces, or with tabs of Width columns and then
// spaces. The agreement reads a tab as 8 columns.
struct Fill {
  bool Tabs = false;
  long long Width = 8;

  long long Seen(long long Indent) const {
    return Tabs ? Indent / Width * 8 + Indent % Width : Indent;
  }
  // The indentation seen as Wanted; -1 when none is.
  long long Giving(long long Wanted) const {
    if (!Tabs)
      return Wanted;
    if (Wanted % 8 >= Width)
      return -1;
    return Wanted / 8 * Width + Wanted % 8;
  }
  // The indentation written as LeadTabs tabs and then LeadSpaces spaces; -1 when none is.
  long long Writing(int LeadTabs, int LeadSpaces) const {
    if (LeadSpaces < 0)
      return -1;
    if (!Tabs)
      return LeadTabs == 0 ? LeadSpaces : -1;
    return LeadSpaces < Width ? LeadTabs * Width + LeadSpaces : -1;
  }
};

// What the sink of a run keeps: each line's new indentation. A run that counts stops once
// more than Allowed lines lost their width (it cannot win then); one that compares stops at
// the first line whose indentation differs from Kept.
struct RunWatch {
  std::vector<long long> *Got;
  const std::vector<int> *Want;
  const std::vector<long long> *Kept;
  Fill F;
  long long Missed;
  long long Allowed; // negative: no limit
  bool Compare;
  bool Differs;
};

void Collect(void *Context, int Index, long long Indent, const std::string &) {
  RunWatch &W = *static_cast<RunWatch *>(Context);
  std::vector<long long> &Got = *W.Got;
  std::size_t Line = static_cast<std::size_t>(Index);
  if (Line >= Got.size())
    Got.resize(Line + 1, -1);
  const std::vector<int> &Want = *W.Want;
  if (W.Compare && (Line >= W.Kept->size() || (*W.Kept)[Line] != Indent)) {
    W.Differs = true;
    ReindentSink.Stop = true;
  }
  if (W.Allowed >= 0 && Line < Want.size() && Want[Line] >= 0) {
    if (Got[Line] >= 0 && W.F.Seen(Got[Line]) != Want[Line])
      --W.Missed;
    if (W.F.Seen(Indent) != Want[Line] && ++W.Missed > W.Allowed)
      ReindentSink.Stop = true;
  }
  Got[Line] = Indent;
}

// A row of the settings table by its key (a key of the tables here, looked up once); -1 when
// this build has no such key.
int RowNamed(const char *Key) {
  static PER_THREAD std::map<const char *, int> Known;
  auto Found = Known.find(Key);
  if (Found != Known.end())
    return Found->second;
  const SettingKeyRow *Row = FindSettingKey(Key);
  return Known[Key] = Row ? static_cast<int>(Row - SettingKeyRows) : -1;
}

// Reads each line's leading width and blanks of T's lines (Replay), and searches its first
// Most; returns the non-blank lines searched.
long long MeasureText(InferText &T, std::size_t Most) {
  const std::size_t Size = T.Replay.Lines.size();
  T.Want.assign(Size, -1);
  T.Tabs.assign(Size, 0);
  T.Spaces.assign(Size, -1);
  T.Later.clear();
  T.Limit = Size < Most ? Size : Most;
  long long Lines = 0;
  for (std::size_t I = 0; I < Size; ++I) {
    const ReindentReplayLine &L = T.Replay.Lines[I];
    long long Later = 0;
    MeasureLine(T.Replay.Bytes.data() + L.Text, L.TextLength, T.Want[I], Later);
    LeadingBlanks(T.Replay.Bytes.data() + L.Text, L.TextLength, T.Tabs[I], T.Spaces[I]);
    if (Later)
      T.Later.push_back({I, Later});
    if (I < T.Limit)
      Lines += Later + (T.Want[I] >= 0);
  }
  return Lines;
}

// The search runs over the whole of T again, after a sample of it.
void UseWhole(InferText &T) {
  if (T.Sampled) {
    std::swap(T.Replay, T.Whole);
    T.Sampled = false;
  }
  MeasureText(T, T.Replay.Lines.size());
}

// The numbers searched, each over Low..High. Weight is its nudge in the second probe: one
// digit of a balanced base-3 number for each number a line's indentation holds once at most
// (coefficients -1, 0 or 1), and above them the step, whose coefficient is a line's depth.
// A negative weight nudges its number down: FuncTab's, so that a body's distance from its
// header (TextFuncTab less FuncTab) grows in the second probe and no line of the probes is
// pushed left of column 0, where it would stop and show coefficients it does not have.
struct NumberDim {
  int Row;
  int Low, High;
  long long Weight;
};
// The lines of a text the search runs over: its first ones.
const std::size_t SearchLines = 10000;
// A frugal search (before a re-indent, which it must not slow down much) runs over a whole
// text of up to 2000 lines, or over a sample of a longer text's routines of about 3000 lines,
// and re-indents at most 12 times as many lines as it runs over (2000 for a sample) and 500
// more: each run costs about a fifth of a re-indent of the file from its bytes, and most
// searches end well before. Fewer runs often stop before the options that move whole runs of
// lines late in a round (a class's declarations, TabWidth) are tried at all; a smaller sample
// misses more of the constructs than the runs it leaves room for find.
const long long FrugalRuns = 12;
const long long FrugalLines = 500;
const std::size_t FrugalSearchLines = 2000;
const std::size_t FrugalSampleLines = 3000;
// A search whose values keep fewer than this share (in percent) of the lines it searched has
// the other search run beside it.
const long long OtherSearchBelow = 95;

const int NumberDims = 4;
const long long TabWeight = 27;
// A line's coefficients: of the numbers in order, then of ClassBody.
typedef std::array<int, NumberDims + 1> Coefficients;

// A [Rules] option the search chooses: its key, the values tried (those past the key's range
// are left out), what must occur in the texts for it to matter, and how it is chosen.
struct OptionChoice {
  const char *Key;
  int Values[4];
  int Count;
  int Seen;    // ReindentSeen bits, or one of the texts' own kinds below
  int Kind;    // ChoiceKind
  int Written; // the value that keeps its lines as written, or -1
};
enum ChoiceKind {
  ChoiceJoint = 1, // moves runs of lines, chosen together with the others of its kind
  ChoiceRuns = 2,  // moves runs of lines: tried with the numbers that suit it
  ChoiceLines = 3, // moves single lines: tried at the numbers chosen
};
// Kinds of lines the replay records show, beside the ReindentSeen bits.
const int SeenNested = 1 << 20;      // a line whose indentation follows the step
const int SeenContinued = 1 << 21;   // a continued statement
const int SeenDirective = 1 << 22;   // a preprocessor line
const int SeenTabIndented = 1 << 23; // a line indented with a tab

// ClassBody's values: 0, or a distance of its own that the numbers' fit chooses. A round
// takes the options that move runs of lines, then those that move single lines, each kind in
// the table's order.
const OptionChoice OptionChoices[] = {
    {"ReturnAtHeader", {0, 1}, 2, SeenReturn, ChoiceLines, -1},
    {"KeepColumn0Comments", {0, 1}, 2, SeenColumn0Comment, ChoiceLines, -1},
    {"KeepContinuation", {0, 1}, 2, SeenContinued, ChoiceLines, -1},
    {"Directives", {0, 1, 2}, 3, SeenDirective, ChoiceLines, 2},
    {"IndentWith", {0, 1}, 2, SeenTabIndented, ChoiceLines, -1},
    {"Steps", {0, 1, 2}, 3, SeenNested, ChoiceJoint, 2},
    {"RoutineBody", {0, 1, 2, 3}, 4, SeenHeader, ChoiceJoint, 2},
    {"CaseIndent", {0, 1, 2}, 3, SeenCaseBlock, ChoiceJoint, 2},
    {"KeepOpeners", {0, 1}, 2, SeenNested, ChoiceRuns, 1},
    {"FlatSequence", {0, 1, 2}, 3, SeenSequence, ChoiceRuns, 2},
    {"DialogBlocks", {0, 1, 2}, 3, SeenDialogWord, ChoiceRuns, 2},
    {"ClassBody", {0, 1}, 2, SeenClass, ChoiceRuns, -1},
    {"TabWidth", {8, 2, 3, 4}, 4, SeenTabIndented, ChoiceRuns, -1},
};
const int ChoiceCount = static_cast<int>(sizeof(OptionChoices) / sizeof(OptionChoices[0]));

// The texts' own kinds of lines, from what the first run kept, and how many indented lines
// start with a tab and with a space.
int TextKinds(const std::vector<InferText> &Texts, long long &TabLed, long long &SpaceLed) {
  int Kinds = 0;
  TabLed = SpaceLed = 0;
  for (const InferText &T : Texts)
    for (const ReindentReplayLine &L : T.Replay.Lines) {
      const char *Text = T.Replay.Bytes.data() + L.Text;
      if (!(L.State & ReplayScanned) || L.TrimLength == 0)
        continue;
      if (L.State & ReplayContinued)
        Kinds |= SeenContinued;
      if (Text[L.TrimStart] == '#')
        Kinds |= SeenDirective;
      if (L.TrimStart > 0) {
        if (Text[0] == '\t') {
          ++TabLed;
          Kinds |= SeenTabIndented;
        } else {
          ++SpaceLed;
        }
      }
    }
  return Kinds;
}

// What trying a candidate found.
enum TryOutcome { TryWorse, TryIdentical, TryAdopted };

struct Search {
  explicit Search(std::vector<InferText> &Of) : Texts(Of) {}
  std::vector<InferText> &Texts;
  SettingValues Start;      // the values given: among equal results the search keeps to them
  SettingValues Chosen;     // the best values found so far
  long long Best = -1;      // their points (see Score)
  bool Counted = false;     // Best was counted by a run, not foreseen by a fit
  long long LastCount = -1; // the points of the last values Adopt counted, -1 when fewer
  long long Total = 0;      // the non-blank lines of the texts
  long long Scale = 1;      // a line's points for keeping its width: more than all the others
  NumberDim Dims[NumberDims] = {};
  int ClassBodyRow = -1, IndentWithRow = -1, TabWidthRow = -1;
  int Seen = 0;              // ReindentSeen bits and the texts' own kinds
  std::vector<int> Searched; // the rows chosen, in the order that settles equal results
  // The numbers that suit each choice of the options, once fitted: the values with the
  // numbers set, and the lines they are foreseen to keep.
  std::map<SettingValues, std::pair<SettingValues, long long>> Fits;
  // The numbers last fitted for each choice of the options that move runs of lines.
  std::map<SettingValues, SettingValues> NumbersFor;
  bool Fresh = false; // the probes are those of the last fit
  bool FreshClass = false;

  Fill FillOf(const SettingValues &Values) const {
    Fill F;
    F.Tabs = IndentWithRow >= 0 && Values[static_cast<std::size_t>(IndentWithRow)] == IndentTabs;
    int Width = TabWidthRow >= 0 ? Values[static_cast<std::size_t>(TabWidthRow)] : 8;
    F.Width = Width > 0 ? Width : 8;
    return F;
  }

  long long LinesRun = 0;       // the lines the runs of the search re-indented
  long long Budget = -1;        // the most lines the runs of the search may re-indent; -1: no limit
  SettingValues Fallback;       // a frugal search's values as written, with their numbers
  long long FallbackLines = -1; // the points they were foreseen to score

  bool Spent() const { return Budget >= 0 && LinesRun >= Budget; }

  // Re-indents every text under Values into its Got, watched as W says. False when the
  // watch stopped the run.
  bool Run(const SettingValues &Values, RunWatch W) {
    ApplySettingValues(Values);
    W.F = FillOf(Values);
    ReindentSink.Stop = false;
    for (InferText &T : Texts) {
      T.Got.assign(T.Replay.Lines.size(), -1);
      W.Got = &T.Got;
      W.Want = &T.Want;
      W.Kept = &T.Kept;
      ReindentSink.Line = Collect;
      ReindentSink.Context = &W;
      ReindentSink.Replay = &T.Replay;
      EditorSessionRecord &E = EditorSession;
      E.BlockMode = false;
      E.StartLine = 0;
      E.LastLine = static_cast<int>(T.Limit);
      Reindent();
      ReindentSink.Line = nullptr;
      ReindentSink.Context = nullptr;
      ReindentSink.Replay = nullptr;
      LinesRun += EditorSession.CurrentLine;
      if (ReindentSink.Stop)
        break;
      if (W.Compare && T.Got != T.Kept) {
        W.Differs = true;
        ReindentSink.Stop = true;
        break;
      }
    }
    bool Whole = !ReindentSink.Stop;
    ReindentSink.Stop = false;
    return Whole;
  }

  // The lines after a lone CR before T's limit: nothing moves them.
  static long long LaterLines(const InferText &T) {
    long long Count = 0;
    for (const auto &L : T.Later)
      if (L.first < T.Limit)
        Count += L.second;
    return Count;
  }

  // T's last run: its non-blank lines before its limit, those that keep their width, and of
  // those the ones that also keep their blanks character for character.
  struct Tally {
    Agreement Kept;
    long long Exact = 0;
  };
  static Tally TallyOf(const InferText &T, const Fill &F) {
    Tally Out;
    const long long Later = LaterLines(T);
    Out.Kept.Same = Out.Kept.Lines = Out.Exact = Later;
    for (std::size_t I = 0; I < T.Limit; ++I) {
      if (T.Want[I] < 0)
        continue;
      ++Out.Kept.Lines;
      long long G = I < T.Got.size() ? T.Got[I] : -1;
      if (G < 0 || F.Seen(G) == T.Want[I]) {
        ++Out.Kept.Same;
        Out.Exact += G < 0 || G == F.Writing(T.Tabs[I], T.Spaces[I]);
      }
    }
    return Out;
  }

  // The score of T's last run: Scale for each line that keeps its width, and 1 more when it
  // also keeps its blanks character for character (so that the characters settle between
  // ways of writing that give the same widths).
  long long Score(const InferText &T, const Fill &F) const {
    Tally Got = TallyOf(T, F);
    return Got.Kept.Same * Scale + Got.Exact;
  }

  // The score of Values; -1 when it is below Least (the run is then cut short once too many
  // lines lost their width).
  long long Count(const SettingValues &Values, long long Least = -1) {
    if (!Run(Values, RunWatch{nullptr, nullptr, nullptr, Fill(), 0,
                              Least < 0 ? -1 : Total - Least / Scale, false, false}))
      return -1;
    Fill F = FillOf(Values);
    long long Points = 0;
    for (const InferText &T : Texts)
      Points += Score(T, F);
    return Points < Least ? -1 : Points;
  }

  // True when Values indent some line otherwise than the values chosen.
  bool Differs(const SettingValues &Values) {
    RunWatch W{nullptr, nullptr, nullptr, Fill(), 0, -1, true, false};
    return !Run(Values, W);
  }

  // True when A goes before B among values that keep as many lines: fewer of the rows
  // searched away from the values given, then row by row the value given, then the smaller.
  bool Preferred(const SettingValues &A, const SettingValues &B) const {
    int AwayA = 0, AwayB = 0;
    for (int Row : Searched) {
      std::size_t R = static_cast<std::size_t>(Row);
      AwayA += A[R] != Start[R];
      AwayB += B[R] != Start[R];
    }
    if (AwayA != AwayB)
      return AwayA < AwayB;
    for (int Row : Searched) {
      std::size_t R = static_cast<std::size_t>(Row);
      if (A[R] == B[R])
        continue;
      if (A[R] == Start[R] || B[R] == Start[R])
        return A[R] == Start[R];
      return A[R] < B[R];
    }
    return false;
  }

  // Counts Candidate; it becomes the values chosen when it keeps more lines, or as many and
  // is preferred.
  int Adopt(const SettingValues &Candidate) {
    LastCount = -1;
    if (Candidate == Chosen)
      return TryIdentical;
    if (Spent())
      return TryWorse;
    long long Same = LastCount = Count(Candidate, Best);
    if (Same < 0)
      return TryWorse;
    if (Same > Best || (Same == Best && Preferred(Candidate, Chosen))) {
      Chosen = Candidate;
      Best = Same;
      Counted = true;
      for (InferText &T : Texts)
        T.Kept.swap(T.Got);
      return TryAdopted;
    }
    bool Identical = true;
    for (const InferText &T : Texts)
      Identical = Identical && T.Got == T.Kept;
    return Identical ? TryIdentical : TryWorse;
  }

  // Tries the options of Candidate (the numbers as chosen): at the numbers chosen, and when
  // it moves runs of lines and gives another result, with the numbers that suit it best.
  // Foreseen (when given) receives the lines it is foreseen to keep with those numbers.
  // Once the values chosen keep nearly every line (19 in 20) their numbers are no longer
  // suspect, and every option is tried at them.
  int Try(const SettingValues &Candidate, bool Runs, long long *Foreseen = nullptr) {
    if (Foreseen)
      *Foreseen = Best;
    if (Candidate == Chosen)
      return TryIdentical;
    if (Spent())
      return TryWorse;
    // Options that move runs of lines already fitted (whatever the options of single lines
    // then) are tried at the numbers that suited them.
    auto Fitted = Runs ? NumbersFor.find(RunsKey(Candidate)) : NumbersFor.end();
    if (!Runs || Best / Scale * 20 >= Total * 19 || Fitted != NumbersFor.end()) {
      SettingValues Trial = Candidate;
      if (Runs && Fitted != NumbersFor.end())
        for (int Row : NumberRows())
          Trial[static_cast<std::size_t>(Row)] = Fitted->second[static_cast<std::size_t>(Row)];
      else if (Runs)
        for (const NumberDim &D : Dims)
          Trial[static_cast<std::size_t>(D.Row)] = Chosen[static_cast<std::size_t>(D.Row)];
      const long long Before = Best;
      int Outcome = Adopt(Trial);
      // A change that keeps as many lines at the numbers chosen may keep more at its own.
      if (Outcome == TryWorse && Runs && Fitted == NumbersFor.end() && LastCount == Before &&
          !Spent()) {
        SettingValues Numbers = Candidate;
        long long Lines = Fit(Numbers);
        if (Foreseen)
          *Foreseen = Lines;
        return AdoptFitted(Numbers, Lines) ? TryAdopted : TryWorse;
      }
      if (Foreseen)
        *Foreseen = Outcome == TryAdopted ? Best : Outcome == TryIdentical ? Before : -1;
      return Outcome;
    }
    if (!Differs(Candidate))
      return TryIdentical;
    SettingValues Numbers = Candidate;
    long long Lines = Fit(Numbers);
    if (Foreseen)
      *Foreseen = Lines;
    return AdoptFitted(Numbers, Lines) ? TryAdopted : TryWorse;
  }

  // The rows of the numbers, ClassBody's among them.
  std::vector<int> NumberRows() const {
    std::vector<int> Rows;
    for (const NumberDim &D : Dims)
      Rows.push_back(D.Row);
    if (ClassBodyRow >= 0)
      Rows.push_back(ClassBodyRow);
    return Rows;
  }

  // Values without their numbers and the options that move single lines.
  SettingValues RunsKey(const SettingValues &Values) const {
    SettingValues Key = Values;
    for (int Row : NumberRows())
      Key[static_cast<std::size_t>(Row)] = 0;
    for (const OptionChoice &C : OptionChoices)
      if (C.Kind == ChoiceLines && RowNamed(C.Key) >= 0)
        Key[static_cast<std::size_t>(RowNamed(C.Key))] = 0;
    if (ClassBodyRow >= 0)
      Key[static_cast<std::size_t>(ClassBodyRow)] =
          Values[static_cast<std::size_t>(ClassBodyRow)] > 0;
    return Key;
  }

  // The numbers that suit the options of the values chosen; true when they changed them.
  // BaseDone: the texts' Base already holds the first probe.
  bool TryNumbers(bool BaseDone = false) {
    if (Spent())
      return false;
    SettingValues Fitted = Chosen;
    long long Foreseen = Fit(Fitted, BaseDone);
    return Fitted != Chosen && AdoptFitted(Fitted, Foreseen);
  }

  // Fitted becomes the values chosen when it is foreseen to keep more lines, or as many and
  // is preferred. Fresh probes foresee each line, so no run is needed; the result is counted
  // once the search ends.
  bool AdoptFitted(const SettingValues &Fitted, long long Foreseen) {
    if (Fitted == Chosen || Foreseen < Best || (Foreseen == Best && !Preferred(Fitted, Chosen)))
      return false;
    if (!Fresh)
      return Adopt(Fitted) == TryAdopted;
    Chosen = Fitted;
    Best = Foreseen;
    Counted = false;
    Foresee(Chosen, FreshClass);
    return true;
  }

  // One change of one option: its row and value, and whether it gives the result of the
  // values chosen when the round began.
  struct Change {
    int Row;
    int Value;
    bool Same;
  };

  // The changes of a round: every other value of each option whose constructs occur.
  // ClassBody's other value is 0, or a distance of its own that the numbers' fit chooses.
  std::vector<Change> Changes() const {
    std::vector<Change> Out;
    for (const OptionChoice &C : OptionChoices) {
      int Row = RowNamed(C.Key);
      if (Row < 0 || !(Seen & C.Seen))
        continue;
      int Now = Chosen[static_cast<std::size_t>(Row)];
      for (int I = 0; I < C.Count; ++I) {
        int V = C.Values[I];
        if (Row == ClassBodyRow && V)
          V = Now ? Now : 3;
        if (V != Now && V <= SettingKeyRows[Row].High)
          Out.push_back(Change{Row, V, false});
      }
    }
    return Out;
  }

  // Marks the changes of Group that give the result of the values chosen: all together in
  // one run, and halves of the group while it gives another result. A change left alone is
  // tried anyway.
  void MarkSame(const std::vector<Change *> &Group) {
    if (Group.size() < 2 || Spent())
      return;
    SettingValues Together = Chosen;
    for (Change *C : Group)
      Together[static_cast<std::size_t>(C->Row)] = C->Value;
    if (!Differs(Together)) {
      for (Change *C : Group)
        C->Same = true;
      return;
    }
    std::size_t Half = Group.size() / 2;
    MarkSame(std::vector<Change *>(Group.begin(), Group.begin() + static_cast<long>(Half)));
    MarkSame(std::vector<Change *>(Group.begin() + static_cast<long>(Half), Group.end()));
  }

  // The options that move runs of lines: first which of their other values give the result
  // in effect (all together in a run, a group for the first other values, one for the
  // second ones...), then the joint options together, then the others one after another.
  // True when the values chosen changed.
  bool TryRuns() {
    // A frugal search first fits every option that can keep lines as they were written so:
    // the settings of code written by many hands, to fall back on should the search run out
    // before it finds as good.
    if (Budget >= 0 && Fallback.empty()) {
      Fallback = Chosen;
      for (const OptionChoice &C : OptionChoices) {
        int Row = RowNamed(C.Key);
        if (C.Written >= 0 && Row >= 0 && (Seen & C.Seen) && C.Written <= SettingKeyRows[Row].High)
          Fallback[static_cast<std::size_t>(Row)] = C.Written;
      }
      FallbackLines = Fallback == Chosen || Spent() ? -1 : Fit(Fallback);
    }
    const SettingValues Around = Chosen;
    std::vector<Change> All;
    for (const Change &K : Changes())
      if (ChoiceOf(K.Row)->Kind != ChoiceLines)
        All.push_back(K);
    for (std::size_t Level = 0;; ++Level) {
      std::vector<Change *> Group;
      for (std::size_t I = 0; I < All.size(); ++I) {
        std::size_t Before = 0;
        for (std::size_t K = 0; K < I; ++K)
          Before += All[K].Row == All[I].Row;
        if (Before == Level)
          Group.push_back(&All[I]);
      }
      if (Group.empty())
        break;
      MarkSame(Group);
    }
    bool Changed = TryJoint(All, Around);
    for (const Change &K : All) {
      if (ChoiceOf(K.Row)->Kind != ChoiceRuns || (K.Same && Chosen == Around))
        continue;
      SettingValues Candidate = Chosen;
      Candidate[static_cast<std::size_t>(K.Row)] = K.Value;
      Changed = Try(Candidate, true) == TryAdopted || Changed;
    }
    return Changed;
  }

  // The other values of an option that moves single lines, at the numbers chosen.
  bool TryLines(const OptionChoice &C) {
    bool Changed = false;
    for (const Change &K : Changes()) {
      if (K.Row != RowNamed(C.Key))
        continue;
      SettingValues Candidate = Chosen;
      Candidate[static_cast<std::size_t>(K.Row)] = K.Value;
      Changed = Adopt(Candidate) == TryAdopted || Changed;
    }
    return Changed;
  }

  // The joint options chosen together: each other value alone, then the combinations of the
  // values that gave another result alone whose gains alone (the points each was foreseen to
  // gain over the values in effect) add up to more than the best found gained. True when the
  // values chosen changed.
  bool TryJoint(const std::vector<Change> &All, const SettingValues &Around) {
    std::vector<int> Rows;
    std::vector<std::vector<int>> Values;
    std::vector<std::vector<long long>> Gains;
    for (const OptionChoice &C : OptionChoices) {
      int Row = RowNamed(C.Key);
      if (C.Kind == ChoiceJoint && Row >= 0 && (Seen & C.Seen)) {
        Rows.push_back(Row);
        Values.push_back({Chosen[static_cast<std::size_t>(Row)]});
        Gains.push_back({0});
      }
    }
    const SettingValues From = Chosen;
    const long long FromBest = Best;
    bool Changed = false;
    for (std::size_t J = 0; J < Rows.size(); ++J)
      for (const Change &K : All) {
        if (K.Row != Rows[J])
          continue;
        bool Unmoved = Chosen == From;
        if (K.Same && Unmoved && From == Around)
          continue;
        SettingValues Candidate = From;
        Candidate[static_cast<std::size_t>(K.Row)] = K.Value;
        long long Foreseen = 0;
        int Outcome = Try(Candidate, true, &Foreseen);
        Changed = Changed || Outcome == TryAdopted;
        if (Outcome != TryIdentical || !Unmoved) {
          Values[J].push_back(K.Value);
          Gains[J].push_back(Foreseen < 0 ? -Total * Scale : Foreseen - FromBest);
        }
      }
    // Together: the combinations that move two options or more, the first turning fastest.
    std::vector<std::size_t> Digit(Rows.size(), 0);
    for (bool More = Rows.size() > 1; More;) {
      SettingValues Candidate = From;
      int Moved = 0;
      long long Gain = 0;
      for (std::size_t J = 0; J < Rows.size(); ++J) {
        Candidate[static_cast<std::size_t>(Rows[J])] = Values[J][Digit[J]];
        Moved += Digit[J] != 0;
        Gain += Gains[J][Digit[J]];
      }
      std::size_t K = 0;
      for (; K < Rows.size(); ++K) {
        if (++Digit[K] < Values[K].size())
          break;
        Digit[K] = 0;
      }
      More = K < Rows.size();
      if (Moved >= 2 && Gain > Best - FromBest)
        Changed = Try(Candidate, true) == TryAdopted || Changed;
    }
    return Changed;
  }

  static const OptionChoice *ChoiceOf(int Row) {
    for (const OptionChoice &C : OptionChoices)
      if (RowNamed(C.Key) == Row)
        return &C;
    return nullptr;
  }

  // Sets the numbers of Values to those that fit its options best and returns the lines they
  // are foreseen to keep: two runs (three with a class body of its own) give each line's
  // coefficients. Remembered for each choice of the options.
  long long Fit(SettingValues &Values, bool BaseDone = false) {
    SettingValues Key = Values;
    for (const NumberDim &D : Dims)
      Key[static_cast<std::size_t>(D.Row)] = 0;
    const bool ClassDim = ClassBodyRow >= 0 && Values[static_cast<std::size_t>(ClassBodyRow)] > 0 &&
                          (Seen & SeenClass);
    if (ClassDim)
      Key[static_cast<std::size_t>(ClassBodyRow)] = 1;
    auto Known = Fits.find(Key);
    if (Known != Fits.end()) {
      Values = Known->second.first;
      Fresh = false;
      return Known->second.second;
    }
    Fresh = true;
    FreshClass = ClassDim;
    SettingValues Probe = Values;
    for (const NumberDim &D : Dims)
      Probe[static_cast<std::size_t>(D.Row)] = D.High;
    if (ClassDim)
      Probe[static_cast<std::size_t>(ClassBodyRow)] = 8;
    RunWatch Plainly{nullptr, nullptr, nullptr, Fill(), 0, -1, false, false};
    if (!BaseDone) {
      Run(Probe, Plainly);
      for (InferText &T : Texts)
        T.Base.swap(T.Got);
    }
    SettingValues Nudged = Probe;
    for (const NumberDim &D : Dims)
      Nudged[static_cast<std::size_t>(D.Row)] += static_cast<int>(D.Weight);
    Run(Nudged, Plainly);
    for (InferText &T : Texts)
      T.Step.swap(T.Got);
    if (ClassDim) {
      Nudged = Probe;
      Nudged[static_cast<std::size_t>(ClassBodyRow)] += 1;
      Run(Nudged, Plainly);
      for (InferText &T : Texts)
        T.Class.swap(T.Got);
    }
    long long Foreseen = BestNumbers(Values, ClassDim);
    Fits[Key] = {Values, Foreseen};
    NumbersFor[RunsKey(Values)] = Values;
    return Foreseen;
  }

  // Line I's coefficients from the probes, and the indentation it would have with every
  // number 0: the difference of the probes read as the step's coefficient and balanced
  // base-3 digits.
  long long Decode(const InferText &T, std::size_t I, bool ClassDim, Coefficients &A) const {
    long long V0 = T.Base[I];
    long long D = T.Step[I] - V0;
    long long Depth = D >= 0 ? (D + 13) / TabWeight : -((-D + 13) / TabWeight);
    long long Rest = D - Depth * TabWeight;
    A = Coefficients{};
    A[0] = static_cast<int>(Depth);
    for (int K = NumberDims - 1; K >= 1; --K) {
      long long W = Dims[K].Weight < 0 ? -Dims[K].Weight : Dims[K].Weight;
      long long Digit = Rest >= 0 ? (Rest + W / 2) / W : -((-Rest + W / 2) / W);
      A[static_cast<std::size_t>(K)] = static_cast<int>(Dims[K].Weight < 0 ? -Digit : Digit);
      Rest -= Digit * W;
    }
    A[NumberDims] = ClassDim ? static_cast<int>(T.Class[I] - V0) : 0;
    long long C = V0;
    for (int K = 0; K < NumberDims; ++K)
      C -= A[static_cast<std::size_t>(K)] * static_cast<long long>(Dims[K].High);
    return C - A[NumberDims] * 8LL;
  }

  // A body's line under a header kept where written: its body column (TextFuncTab less
  // FuncTab from the header's) stands at 0 at least, and its steps come on top of it.
  static bool InBody(const Coefficients &A) { return A[1] == 1 && A[2] == -1; }

  // A line's indentation from its constant C, the terms of TextFuncTab and FuncTab (Body) and
  // the others (Rest); at 0 at least.
  static long long Indentation(const Coefficients &A, long long C, long long Body, long long Rest) {
    long long V = InBody(A) ? std::max(0LL, C + Body) + Rest : C + Body + Rest;
    return V < 0 ? 0 : V;
  }

  // Each text's Kept as the last probes foresee it under Values (a line at 0 at least).
  void Foresee(const SettingValues &Values, bool ClassDim) {
    for (InferText &T : Texts) {
      T.Kept.assign(T.Base.size(), -1);
      for (std::size_t I = 0; I < T.Base.size(); ++I) {
        if (T.Base[I] < 0 || T.Step[I] < 0)
          continue;
        Coefficients A;
        const long long C = Decode(T, I, ClassDim, A);
        long long Terms[2] = {0, 0};
        for (int K = 0; K < NumberDims; ++K)
          Terms[K != 1 && K != 2] +=
              A[static_cast<std::size_t>(K)] *
              static_cast<long long>(Values[static_cast<std::size_t>(Dims[K].Row)]);
        if (ClassDim)
          Terms[1] += A[NumberDims] *
                      static_cast<long long>(Values[static_cast<std::size_t>(ClassBodyRow)]);
        T.Kept[I] = Indentation(A, C, Terms[0], Terms[1]);
      }
    }
  }

  // From the probes: the lines with the same coefficients are scored together, for each sum
  // of their terms at once; then every combination of the numbers.
  long long BestNumbers(SettingValues &Values, bool ClassDim) {
    // A line's entry: the sum it needs (for one wanted right of 0) or the largest sum that
    // leaves it at 0 (for one wanted at 0), and its points then.
    // A body's line (InBody) keeps its constant and the indentation it needs instead.
    struct Entries {
      std::vector<std::pair<long long, long long>> Exact;
      std::vector<std::pair<long long, long long>> AtMost;
      std::vector<std::array<long long, 3>> Body;
    };
    std::map<Coefficients, Entries> Groups;
    long long Constant = 0;
    const Fill F = FillOf(Values);
    for (const InferText &T : Texts) {
      Constant += LaterLines(T) * (Scale + 1);
      for (std::size_t I = 0; I < T.Limit; ++I) {
        if (T.Want[I] < 0)
          continue;
        long long V0 = T.Base[I], V1 = T.Step[I];
        if (V0 < 0 || V1 < 0) {
          Constant += Scale + 1; // left as it is
          continue;
        }
        long long Target = F.Giving(T.Want[I]);
        if (Target < 0)
          continue;
        Coefficients A;
        long long C = Decode(T, I, ClassDim, A);
        if (A[0] != 0)
          Seen |= SeenNested;
        Entries &E = Groups[A];
        long long Points = Scale + (Target == F.Writing(T.Tabs[I], T.Spaces[I]));
        if (InBody(A))
          E.Body.push_back({C, Target, Points});
        else if (Target > 0)
          E.Exact.push_back({Target - C, Points});
        else
          E.AtMost.push_back({-C, Points});
      }
    }
    // The numbers that move some line, each over its range; one that moves none keeps the
    // value given (when in its range, else its lowest).
    int Rows[NumberDims + 1], Low[NumberDims + 1], High[NumberDims + 1];
    for (int K = 0; K < NumberDims; ++K) {
      Rows[K] = Dims[K].Row;
      Low[K] = Dims[K].Low;
      High[K] = Dims[K].High;
    }
    Rows[NumberDims] = ClassBodyRow;
    Low[NumberDims] = 1;
    High[NumberDims] = ClassDim ? 8 : 0;
    std::vector<int> Moving;
    for (int K = 0; K <= NumberDims; ++K) {
      bool Moves = false;
      for (const auto &G : Groups)
        Moves = Moves || G.first[static_cast<std::size_t>(K)] != 0;
      if (Moves && High[K] >= Low[K]) {
        Moving.push_back(K);
      } else if (High[K] >= Low[K]) {
        int Given = Start[static_cast<std::size_t>(Rows[K])];
        Values[static_cast<std::size_t>(Rows[K])] =
            Given >= Low[K] && Given <= High[K] ? Given : Low[K];
      }
    }
    std::size_t Cells = 1;
    for (int K : Moving)
      Cells *= static_cast<std::size_t>(High[K] - Low[K] + 1);
    // The value of each moving number in each cell, the first number turning slowest.
    std::vector<std::vector<int>> At(Moving.size(), std::vector<int>(Cells));
    for (std::size_t Cell = 0; Cell < Cells; ++Cell) {
      std::size_t Rest = Cell;
      for (std::size_t M = Moving.size(); M-- > 0;) {
        std::size_t Size = static_cast<std::size_t>(High[Moving[M]] - Low[Moving[M]] + 1);
        At[M][Cell] = Low[Moving[M]] + static_cast<int>(Rest % Size);
        Rest /= Size;
      }
    }
    std::vector<long long> Scores(Cells, Constant);
    std::vector<long long> Table, Sums(Cells), BodySums(Cells);
    for (const auto &G : Groups) {
      const Coefficients &A = G.first;
      // The range of the sum of the terms, and of those of TextFuncTab and FuncTab.
      long long From = 0, To = 0, BodyFrom = 0, BodyTo = 0;
      std::fill(Sums.begin(), Sums.end(), 0);
      std::fill(BodySums.begin(), BodySums.end(), 0);
      for (std::size_t M = 0; M < Moving.size(); ++M) {
        long long Coefficient = A[static_cast<std::size_t>(Moving[M])];
        long long X = Coefficient * Low[Moving[M]], Y = Coefficient * High[Moving[M]];
        const bool Body = Moving[M] == 1 || Moving[M] == 2;
        From += std::min(X, Y);
        To += std::max(X, Y);
        BodyFrom += Body ? std::min(X, Y) : 0;
        BodyTo += Body ? std::max(X, Y) : 0;
        if (Coefficient)
          for (std::size_t Cell = 0; Cell < Cells; ++Cell) {
            Sums[Cell] += Coefficient * At[M][Cell];
            BodySums[Cell] += Body ? Coefficient * At[M][Cell] : 0;
          }
      }
      if (!G.second.Body.empty()) {
        // A body's lines: scored for each sum of the body's terms and of the others.
        const long long RestFrom = From - BodyFrom, Width = To - BodyTo - RestFrom + 1;
        Table.assign(static_cast<std::size_t>((BodyTo - BodyFrom + 1) * Width), 0);
        for (const auto &E : G.second.Body)
          for (long long Body = BodyFrom; Body <= BodyTo; ++Body)
            for (long long Rest = RestFrom; Rest < RestFrom + Width; ++Rest)
              if (Indentation(A, E[0], Body, Rest) == E[1])
                Table[static_cast<std::size_t>((Body - BodyFrom) * Width + Rest - RestFrom)] +=
                    E[2];
        for (std::size_t Cell = 0; Cell < Cells; ++Cell)
          Scores[Cell] += Table[static_cast<std::size_t>((BodySums[Cell] - BodyFrom) * Width +
                                                         Sums[Cell] - BodySums[Cell] - RestFrom)];
        continue;
      }
      Table.assign(static_cast<std::size_t>(To - From + 1), 0);
      for (const auto &E : G.second.Exact)
        if (E.first >= From && E.first <= To)
          Table[static_cast<std::size_t>(E.first - From)] += E.second;
      for (const auto &E : G.second.AtMost)
        for (long long Sum = From; Sum <= To && Sum <= E.first; ++Sum)
          Table[static_cast<std::size_t>(Sum - From)] += E.second;
      for (std::size_t Cell = 0; Cell < Cells; ++Cell)
        Scores[Cell] += Table[static_cast<std::size_t>(Sums[Cell] - From)];
    }
    // The best cell; among equals the preferred one.
    std::size_t BestCell = 0;
    SettingValues BestValues = Values, Candidate = Values;
    for (std::size_t Cell = 0; Cell < Cells; ++Cell) {
      if (Cell > 0 && Scores[Cell] < Scores[BestCell])
        continue;
      for (std::size_t M = 0; M < Moving.size(); ++M)
        Candidate[static_cast<std::size_t>(Rows[Moving[M]])] = At[M][Cell];
      if (Cell == 0 || Scores[Cell] > Scores[BestCell] || Preferred(Candidate, BestValues)) {
        BestCell = Cell;
        BestValues = Candidate;
      }
    }
    Values = BestValues;
    return Scores[BestCell];
  }
};

// InferSettings; with Challenge, the other search may run beside this one.
InferResult Infer(const std::vector<InferSource> &Sources, SettingValues &Values,
                  ReindentReplayRecord *Keep, bool Frugal, bool Challenge) {
  std::vector<InferText> Texts(Sources.size());
  std::size_t Longest = 0;
  for (std::size_t I = 0; I < Sources.size(); ++I) {
    Texts[I].Source = &Sources[I];
    GiveLines(Sources[I].Bytes, Texts[I].Replay);
    Texts[I].Limit = Texts[I].Replay.Lines.size();
    Longest = std::max(Longest, Texts[I].Limit);
  }
  Search S(Texts);
  S.Dims[0] = NumberDim{RowNamed("Tab"), 1, 8, TabWeight};
  S.Dims[1] = NumberDim{RowNamed("TextFuncTab"), 0, 8, 1};
  S.Dims[2] = NumberDim{RowNamed("FuncTab"), 0, 8, -3};
  S.Dims[3] = NumberDim{RowNamed("MainTab"), 0, 8, 9};
  S.ClassBodyRow = RowNamed("ClassBody");
  S.IndentWithRow = RowNamed("IndentWith");
  S.TabWidthRow = RowNamed("TabWidth");
  Values[static_cast<std::size_t>(RowNamed("Style"))] = StyleModern;
  S.Start = Values;
  for (const OptionChoice &C : OptionChoices)
    if (RowNamed(C.Key) >= 0)
      S.Searched.push_back(RowNamed(C.Key));
  for (const NumberDim &D : S.Dims)
    S.Searched.push_back(D.Row);

  // The first run reads and scans the texts, and tells which constructs they hold (they do
  // not depend on the values tried); it is the first probe of the numbers for the options
  // given.
  ReindentSink.Seen = 0;
  SettingValues Probe = Values;
  for (const NumberDim &D : S.Dims)
    Probe[static_cast<std::size_t>(D.Row)] = D.High;
  if (S.ClassBodyRow >= 0 && Probe[static_cast<std::size_t>(S.ClassBodyRow)] > 0)
    Probe[static_cast<std::size_t>(S.ClassBodyRow)] = 8;
  S.Run(Probe, RunWatch{nullptr, nullptr, nullptr, Fill(), 0, -1, false, false});
  long long TabLed = 0, SpaceLed = 0;
  S.Seen = ReindentSink.Seen | TextKinds(Texts, TabLed, SpaceLed);
  // A long text is searched over its first lines, or before a re-indent over a sample of its
  // routines spread over it (whose first probe is then run again); the values chosen are
  // counted over all.
  bool BaseDone = true;
  for (InferText &T : Texts) {
    const std::size_t Most = Frugal ? FrugalSearchLines : SearchLines;
    std::vector<std::size_t> Sample;
    if (Frugal && T.Replay.Lines.size() > Most)
      Sample = SampledLines(T.Replay, FrugalSampleLines);
    if (!Sample.empty()) {
      KeepSample(T.Replay, Sample, T.Whole);
      std::swap(T.Replay, T.Whole);
      T.Sampled = true;
      BaseDone = false;
    }
    S.Total += MeasureText(T, T.Sampled ? T.Replay.Lines.size() : Most);
    T.Base.swap(T.Got);
  }
  S.Scale = S.Total + 1;
  S.LinesRun = 0;
  if (Frugal) {
    long long Lines = 0;
    for (const InferText &T : Texts)
      Lines += static_cast<long long>(T.Sampled ? FrugalSearchLines : T.Limit);
    S.Budget = FrugalRuns * Lines + FrugalLines;
  }
  // Indentation is written with tabs when most indented lines start with one.
  if (S.IndentWithRow >= 0)
    Values[static_cast<std::size_t>(S.IndentWithRow)] =
        TabLed > SpaceLed ? IndentTabs : IndentSpaces;
  S.Chosen = Values;
  S.TryNumbers(BaseDone);

  // In rounds: the numbers, the options that move runs of lines, then each option that moves
  // single lines, until a whole round changes nothing. Each is tried again only once another
  // changed the values chosen: it chose the best it could find the last time. When the options
  // that move runs of lines changed them, the numbers are fitted again at once: a frugal search
  // may run out before the round comes back to them. A change keeps more lines, or as many with
  // values preferred, so the rounds end.
  std::vector<const OptionChoice *> Lines;
  for (const OptionChoice &C : OptionChoices)
    if (C.Kind == ChoiceLines)
      Lines.push_back(&C);
  const int Coordinates = 2 + static_cast<int>(Lines.size());
  std::vector<int> TriedAt(static_cast<std::size_t>(Coordinates), -1);
  int Changes = 0;
  TriedAt[0] = 0;
  int Unchanged = 1;
  // Once every line keeps its width and its blanks nothing can do better.
  for (int At = 1, Next = 2;
       Unchanged < Coordinates && S.Best < S.Total * (S.Scale + 1) && !S.Spent();
       At = Next, Next = (At + 1) % Coordinates) {
    int &Tried = TriedAt[static_cast<std::size_t>(At)];
    bool Changed = false;
    if (Tried != Changes)
      Changed = At == 0   ? S.TryNumbers()
                : At == 1 ? S.TryRuns()
                          : S.TryLines(*Lines[static_cast<std::size_t>(At - 2)]);
    Changes += Changed;
    Tried = Changes;
    Unchanged = Changed ? 0 : Unchanged + 1;
    if (Changed && At == 1)
      Next = 0;
  }

  // The values as written win only by the lines they keep when run: a fit foresees lines
  // that stop at column 0, or a body that does, only roughly.
  // As many lines kept over the lines searched are told apart over the whole texts.
  if (S.FallbackLines >= 0 && S.Fallback != S.Chosen) {
    // The values chosen were often counted when adopted; the values as written need only be
    // counted as far as they can still win.
    long long Chosen = S.Counted ? S.Best : S.Count(S.Chosen);
    long long Fallback = S.Count(S.Fallback, Chosen);
    bool Longer = false;
    for (const InferText &T : Texts)
      Longer = Longer || T.Sampled || T.Limit < T.Replay.Lines.size();
    if (Fallback == Chosen && Longer) {
      for (InferText &T : Texts)
        UseWhole(T);
      Fallback = S.Count(S.Fallback);
      Chosen = S.Count(S.Chosen);
    }
    if (Fallback > Chosen)
      S.Chosen = S.Fallback;
  }

  // Both searches are local ones and end where their first moves lead: when this one leaves
  // many lines moved, the other runs from the same start too, and the values that keep more
  // lines of the whole texts win (on a tie, this search's). A text longer than the full search
  // runs over is left to the search asked for, which keeps the time a long text takes.
  bool OtherSearch = false;
  if (Challenge && Longest <= SearchLines && S.Best < S.Total * S.Scale / 100 * OtherSearchBelow) {
    SettingValues Other = S.Start;
    Infer(Sources, Other, nullptr, !Frugal, false);
    for (InferText &T : Texts)
      UseWhole(T);
    OtherSearch = S.Count(Other) > S.Count(S.Chosen);
    if (OtherSearch)
      S.Chosen = Other;
  }

  // The agreement of the values chosen, counted text by text (unless the caller re-indents
  // the text with them anyway: then over the lines searched).
  InferResult Result;
  Result.OtherSearch = OtherSearch;
  for (InferText &T : Texts)
    T.Limit = T.Replay.Lines.size();
  if (!Keep) {
    for (InferText &T : Texts)
      if (T.Sampled)
        UseWhole(T);
    S.Count(S.Chosen);
  }
  Fill F = S.FillOf(S.Chosen);
  for (InferText &T : Texts) {
    if (Keep)
      T.Got.swap(T.Kept);
    Agreement A = S.TallyOf(T, F).Kept;
    Result.PerSource.push_back(A);
    Result.Total.Same += A.Same;
    Result.Total.Lines += A.Lines;
  }
  if (Keep && Texts.size() == 1)
    *Keep = std::move(Texts[0].Sampled ? Texts[0].Whole : Texts[0].Replay);
  Values = S.Chosen;
  ApplySettingValues(Values);
  return Result;
}

} // namespace

InferResult InferSettings(const std::vector<InferSource> &Sources, SettingValues &Values,
                          ReindentReplayRecord *Keep, bool Frugal) {
  return Infer(Sources, Values, Keep, Frugal, true);
}

std::string PercentText(const Agreement &A) {
  long long Percent10 = A.Lines ? (A.Same * 1000 + A.Lines / 2) / A.Lines : 1000;
  return std::to_string(Percent10 / 10) + "." + std::to_string(Percent10 % 10) + "%";
}

namespace {

// The keys an inference decides that this build has, [Settings] before [Rules].
std::vector<std::size_t> InferredRows() {
  static const char *const Keys[] = {"Tab",
                                     "TextFuncTab",
                                     "FuncTab",
                                     "MainTab",
                                     "Style",
                                     "CaseIndent",
                                     "KeepColumn0Comments",
                                     "ReturnAtHeader",
                                     "DialogBlocks",
                                     "FlatSequence",
                                     "RoutineBody",
                                     "ClassBody",
                                     "KeepContinuation",
                                     "Steps",
                                     "Directives",
                                     "IndentWith",
                                     "TabWidth",
                                     "KeepOpeners"};
  std::vector<std::size_t> Rows;
  for (const char *Section : {"Settings", "Rules"})
    for (const char *Key : Keys) {
      int Row = RowNamed(Key);
      if (Row >= 0 && std::string(SettingKeyRows[Row].Section) == Section)
        Rows.push_back(static_cast<std::size_t>(Row));
    }
  return Rows;
}

} // namespace

std::string InferredText(const SettingValues &Values, const Agreement &Result) {
  std::string Out;
  std::string Section;
  for (std::size_t I : InferredRows()) {
    const SettingKeyRow &Row = SettingKeyRows[I];
    if (Section != Row.Section) {
      Section = Row.Section;
      Out += "[" + Section + "]\n";
    }
    Out += std::string(Row.Key) + "=" + SettingValueText(Row, Values[I]) + "\n";
  }
  Out += "; " + std::to_string(Result.Same) + " of " + std::to_string(Result.Lines) +
         " lines keep their indentation (" + PercentText(Result) + ")\n";
  return Out;
}

std::string WorstFitText(const std::vector<InferSource> &Sources, const InferResult &Result,
                         std::size_t Most) {
  std::vector<std::size_t> Order;
  for (std::size_t I = 0; I < Sources.size() && I < Result.PerSource.size(); ++I)
    if (Result.PerSource[I].Same < Result.PerSource[I].Lines)
      Order.push_back(I);
  auto Share = [&](std::size_t I) {
    const Agreement &A = Result.PerSource[I];
    return static_cast<double>(A.Same) / static_cast<double>(A.Lines);
  };
  std::sort(Order.begin(), Order.end(), [&](std::size_t A, std::size_t B) {
    if (Share(A) != Share(B))
      return Share(A) < Share(B);
    return Sources[A].Name < Sources[B].Name;
  });
  if (Order.size() > Most)
    Order.resize(Most);
  std::string Out;
  for (std::size_t I : Order)
    Out += "; worst: " + Sources[I].Name + " " + PercentText(Result.PerSource[I]) + "\n";
  return Out;
}

bool WriteInferredSettings(const std::string &Path, const SettingValues &Values,
                           std::string &Error) {
  std::string Bytes;
  bool Exists = PathIsRegularFile(Path);
  if (Exists && !ReadWholeFile(Path, Bytes)) {
    Error = "cannot read " + Path;
    return false;
  }
  std::string Out = Bytes;
  for (std::size_t I : InferredRows()) {
    const SettingKeyRow &Row = SettingKeyRows[I];
    Out = ProfileTextWithKey(Out, Row.Section, Row.Key, SettingValueText(Row, Values[I]).c_str(),
                             true);
  }
  if (Exists)
    return Out == Bytes || WriteInPlace(Path, Out, Error);
  if (!WriteWholeFile(Path, Out)) {
    Error = "cannot write " + Path;
    return false;
  }
  return true;
}
