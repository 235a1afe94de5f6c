// Inferring settings: a search over a few candidate values per setting, each candidate
// scored by re-indenting the texts and counting the lines whose indentation is unchanged.
#include "infer.hpp"
#include "../sim/sim.hpp"
#include "../src/settings/settings.hpp"
#include "driver.hpp"

#include <initializer_list>

namespace {

// The leading width of each non-blank line, in order.
std::vector<int> Indents(const std::string &Text) {
  std::vector<int> Out;
  std::size_t At = 0;
  while (At <= Text.size()) {
    std::size_t End = Text.find_first_of("\r\n", At);
    if (End == std::string::npos)
      End = Text.size();
    int Width = 0;
    bool Blank = true;
    for (std::size_t K = At; K < End; ++K) {
      char C = Text[K];
      if (C == ' ')
        ++Width;
      else if (C == '\t')
        Width = (Width / 8 + 1) * 8;
      else if (static_cast<unsigned char>(C) > 32) {
        Blank = false;
        break;
      } else {
        ++Width;
      }
    }
    if (!Blank)
      Out.push_back(Width);
    if (End >= Text.size())
      break;
    At = End + (Text[End] == '\r' && End + 1 < Text.size() && Text[End + 1] == '\n' ? 2 : 1);
  }
  return Out;
}

std::size_t RowOf(int *Field) {
  for (std::size_t I = 0; I < SettingKeyCount; ++I)
    if (SettingKeyRows[I].Field() == Field)
      return I;
  return 0;
}

struct Scorer {
  const std::vector<InferSource> &Sources;
  std::vector<std::vector<int>> Wanted;
  CliOptions Plain;

  Agreement Score(const SettingValues &Values) {
    Agreement A;
    for (std::size_t F = 0; F < Sources.size(); ++F) {
      ApplySettingValues(Values);
      std::vector<std::string> Messages;
      RunInEditor(Sources[F].Bytes, Sources[F].Name, {EntryReindent}, Plain, Messages, true);
      std::vector<int> Got = Indents(SimSaveText());
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
  Scorer S{Sources, {}, CliOptions()};
  S.Plain.SetupDir = Options.SetupDir;
  for (const InferSource &Source : Sources)
    S.Wanted.push_back(Indents(Source.Bytes));
  const std::size_t Style = RowOf(&PluginRules.Style);
  const std::size_t Tab = RowOf(&PluginSettings.Tab);
  const std::size_t Body = RowOf(&PluginSettings.TextFuncTab);
  Values[Style] = StyleModern;
  Agreement Best = S.Score(Values);
  // A candidate replaces the values only when it agrees on more lines.
  auto Try = [&](SettingValues Candidate) {
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
  };
  const Choice Choices[] = {
      {&PluginRules.CaseIndent, {0, 1}},       {&PluginSettings.FuncTab, {0, 2, 3, 4}},
      {&PluginSettings.MainTab, {0, 2, 3, 4}}, {&PluginRules.KeepColumn0Comments, {0, 1}},
      {&PluginRules.ReturnAtHeader, {0, 1}},   {&PluginRules.ClassBody, {0, 2, 3, 4, 6, 8}},
      {&PluginRules.RoutineBody, {0, 1}},
  };
  for (const Choice &C : Choices) {
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
