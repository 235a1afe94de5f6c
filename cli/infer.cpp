// Inferring settings: a search over a few candidate values per setting, each candidate
// scored by re-indenting the texts and counting the lines whose indentation is unchanged.
#include "infer.hpp"
#include "../sim/sim.hpp"
#include "../src/reindent/reindent.hpp"
#include "../src/settings/settings.hpp"
#include "driver.hpp"

#include <initializer_list>

namespace {

// The leading width of each non-blank piece of a text fed in parts (tabs every 8 columns),
// in order. Pieces end at CR, LF or CR LF, wherever the parts were cut.
struct WidthCounter {
  std::vector<int> &Out;
  int Width = 0;
  bool Leading = true; // no character above a blank seen in the piece yet
  bool AfterCr = false;

  void Spaces(long long Count) {
    if (Leading)
      Width += static_cast<int>(Count);
  }
  void Feed(const char *Data, std::size_t Size) {
    for (std::size_t K = 0; K < Size; ++K) {
      char C = Data[K];
      if (AfterCr) {
        AfterCr = false;
        if (C == '\n')
          continue;
      }
      if (C == '\r' || C == '\n') {
        End();
        AfterCr = C == '\r';
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
  // Ends the piece being read.
  void End() {
    if (!Leading)
      Out.push_back(Width);
    Width = 0;
    Leading = true;
  }
};

// The leading width of each non-blank line, in order.
std::vector<int> Indents(const std::string &Text) {
  std::vector<int> Out;
  WidthCounter Counter{Out};
  Counter.Feed(Text.data(), Text.size());
  Counter.End();
  return Out;
}

std::size_t RowOf(int *Field) {
  for (std::size_t I = 0; I < SettingKeyCount; ++I)
    if (SettingKeyRows[I].Field() == Field)
      return I;
  return 0;
}

// Each candidate re-indents the texts with the lines sent to a sink rather than written: a
// line's new indentation is a number, so deep nesting costs no text of spaces.
struct Scorer {
  const std::vector<InferSource> &Sources;
  std::vector<std::vector<int>> Wanted;
  CliOptions Plain;
  // The lines the run rewrote: their new indentation (-1 for a line left as it is) and their
  // text, kept in one buffer.
  std::vector<long long> NewIndent;
  std::vector<std::size_t> TextStart;
  std::vector<std::size_t> TextLength;
  std::string Texts;
  std::vector<int> Got;

  static void Rewritten(void *Context, int Index, long long Indent, const std::string &Text) {
    Scorer &S = *static_cast<Scorer *>(Context);
    std::size_t Line = static_cast<std::size_t>(Index);
    if (Line >= S.NewIndent.size()) {
      S.NewIndent.resize(Line + 1, -1);
      S.TextStart.resize(Line + 1, 0);
      S.TextLength.resize(Line + 1, 0);
    }
    S.NewIndent[Line] = Indent;
    S.TextStart[Line] = S.Texts.size();
    S.TextLength[Line] = Text.size();
    S.Texts += Text;
  }

  // The widths of the text as the run left it: the editor's lines, each rewritten one as
  // the sink got it.
  void CountWidths() {
    static const char *const Eols[] = {"", "\r", "\n", "\r\n", "\r\r\n"};
    const SimEditorRecord &E = SimHost.Editor;
    Got.clear();
    WidthCounter Counter{Got};
    for (std::size_t I = 0; I < E.Lines.size(); ++I) {
      const SimLineSlot &L = E.Lines[I];
      if (I < NewIndent.size() && NewIndent[I] >= 0) {
        Counter.Spaces(NewIndent[I]);
        Counter.Feed(Texts.data() + TextStart[I], TextLength[I]);
      } else {
        Counter.Spaces(L.Indent);
        Counter.Feed(E.Store.data() + L.Offset, L.Length);
      }
      const char *Eol = Eols[L.Eol < 5 ? L.Eol : 0];
      Counter.Feed(Eol, std::char_traits<char>::length(Eol));
    }
    Counter.End();
  }

  Agreement Score(const SettingValues &Values) {
    Agreement A;
    for (std::size_t F = 0; F < Sources.size(); ++F) {
      ApplySettingValues(Values);
      std::vector<std::string> Messages;
      NewIndent.clear();
      TextStart.clear();
      TextLength.clear();
      Texts.clear();
      ReindentSink.Line = Rewritten;
      ReindentSink.Context = this;
      RunInEditor(Sources[F].Bytes, Sources[F].Name, {EntryReindent}, Plain, Messages, true);
      ReindentSink.Line = nullptr;
      ReindentSink.Context = nullptr;
      CountWidths();
      const std::vector<int> &Want = Wanted[F];
      A.Lines += static_cast<long long>(Want.size());
      if (Got.size() != Want.size())
        continue;
      for (std::size_t I = 0; I < Want.size(); ++I)
        A.Same += Got[I] == Want[I];
    }
    return A;
  }
};

} // namespace

Agreement InferSettings(const std::vector<InferSource> &Sources, const CliOptions &Options,
                        SettingValues &Values) {
  Scorer S{Sources, {}, CliOptions(), {}, {}, {}, {}, {}};
  S.Plain.SetupDir = Options.SetupDir;
  for (const InferSource &Source : Sources)
    S.Wanted.push_back(Indents(Source.Bytes));
  const std::size_t Style = RowOf(&PluginRules.Style);
  const std::size_t Tab = RowOf(&PluginSettings.Tab);
  const std::size_t Body = RowOf(&PluginSettings.TextFuncTab);
  Values[Style] = StyleModern;
  // The first run also tells which constructs the texts hold (they do not depend on the
  // values tried).
  ReindentSink.Seen = 0;
  Agreement Best = S.Score(Values);
  const int Seen = ReindentSink.Seen;
  // A candidate replaces the values only when it agrees on more lines. One that differs from
  // the values in effect only by options whose constructs the texts lack gives their result
  // again, and is not run.
  auto Try = [&](SettingValues Candidate) {
    if (Candidate == Values)
      return;
    Agreement A = S.Score(Candidate);
    if (A.Same > Best.Same) {
      Best = A;
      Values = Candidate;
    }
  };
  // The step, the body's indentation and the options that move whole runs of lines (a flat
  // BEGIN SEQUENCE, dialogs) together: one alone would settle on a step that fits the old body.
  const std::size_t Flat = RowOf(&PluginRules.FlatSequence);
  const std::size_t Dialogs = RowOf(&PluginRules.DialogBlocks);
  SettingValues Start = Values;
  for (int T : {2, 3, 4, 8})
    for (int B : {0, 2, 3, 4, 8})
      for (int Moves = 0; Moves < 9; ++Moves) {
        // Without their constructs these two options change nothing: the run with them at 0
        // came before.
        if ((Moves % 3 && !(Seen & SeenSequence)) || (Moves / 3 && !(Seen & SeenDialogWord)))
          continue;
        SettingValues Candidate = Start;
        Candidate[Tab] = T;
        Candidate[Body] = B;
        Candidate[Flat] = Moves % 3;
        Candidate[Dialogs] = Moves / 3;
        Try(Candidate);
      }
  struct Choice {
    int *Field;
    std::initializer_list<int> Candidates;
    int Acts; // the ReindentSeen bit of the constructs it acts on; 0: every text
  };
  const Choice Choices[] = {
      {&PluginRules.CaseIndent, {0, 1}, SeenCaseBlock},
      {&PluginSettings.FuncTab, {0, 2, 3, 4}, 0},
      {&PluginSettings.MainTab, {0, 2, 3, 4}, 0},
      {&PluginRules.KeepColumn0Comments, {0, 1}, SeenColumn0Comment},
      {&PluginRules.ReturnAtHeader, {0, 1}, SeenReturn},
      {&PluginRules.ClassBody, {0, 2, 3, 4, 6, 8}, SeenClass},
      {&PluginRules.RoutineBody, {0, 1}, SeenHeader},
  };
  for (const Choice &C : Choices) {
    if (C.Acts && !(Seen & C.Acts))
      continue;
    std::size_t Row = RowOf(C.Field);
    SettingValues Base = Values;
    for (int V : C.Candidates) {
      SettingValues Candidate = Base;
      Candidate[Row] = V;
      Try(Candidate);
    }
  }
  ApplySettingValues(Values);
  return Best;
}

std::string InferredText(const SettingValues &Values, const Agreement &Result) {
  static int *const Shown[] = {&PluginSettings.Tab,
                               &PluginSettings.TextFuncTab,
                               &PluginSettings.FuncTab,
                               &PluginSettings.MainTab,
                               &PluginRules.Style,
                               &PluginRules.CaseIndent,
                               &PluginRules.KeepColumn0Comments,
                               &PluginRules.ReturnAtHeader,
                               &PluginRules.DialogBlocks,
                               &PluginRules.FlatSequence,
                               &PluginRules.RoutineBody,
                               &PluginRules.ClassBody};
  std::string Out;
  std::string Section;
  for (int *Field : Shown) {
    const SettingKeyRow &Row = SettingKeyRows[RowOf(Field)];
    if (Section != Row.Section) {
      Section = Row.Section;
      Out += "[" + Section + "]\n";
    }
    Out += std::string(Row.Key) + "=" + SettingValueText(Row, Values[RowOf(Field)]) + "\n";
  }
  long long Percent10 = Result.Lines ? (Result.Same * 1000 + Result.Lines / 2) / Result.Lines : 0;
  Out += "; " + std::to_string(Result.Same) + " of " + std::to_string(Result.Lines) +
         " lines keep their indentation (" + std::to_string(Percent10 / 10) + "." +
         std::to_string(Percent10 % 10) + "%)\n";
  return Out;
}
