// The block commands in process, through the exports and the simulated host: the
// end-of-block annotator and the procedure navigator's list over generated programs of
// 10,000, 100,000 and 1,000,000 lines, and commenting a whole-file block.
#include "../sim/sim.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

void StartEmpty() {
  SimReset();
  PluginStartupInfo Info = SimStartupInfo("/nonexistent/qmate.dll");
  SetStartupInfo(&Info);
}

// One procedure with nested blocks, repeated: a header every 24 lines, as in real code.
const char *const ProcedureLines[] = {
    "FUNCTION Report%d( nYear )",
    "   LOCAL aRows := {}, i, nSum := 0",
    "   IF nYear > 2000",
    "      FOR i := 1 TO 12",
    "         DO WHILE !Eof() .AND. sales->month == i",
    "            nSum += sales->amount",
    "            SKIP",
    "         ENDDO",
    "      NEXT",
    "   ELSE",
    "      ? 'old year'   // nothing kept",
    "   ENDIF",
    "   DO CASE",
    "   CASE nSum > 1000",
    "      AAdd( aRows, { nYear, nSum, ;",
    "         Date() } )",
    "   OTHERWISE",
    "      nSum := 0",
    "   ENDCASE",
    "   WHILE Len( aRows ) > 10",
    "      ADel( aRows, 1 )",
    "   END",
    "   RETURN aRows",
    "",
};

std::string Program(int Lines) {
  const int Per = static_cast<int>(sizeof(ProcedureLines) / sizeof(ProcedureLines[0]));
  std::string Out;
  Out.reserve(static_cast<std::size_t>(Lines) * 32);
  char Buffer[160];
  for (int I = 0; I < Lines; ++I) {
    std::snprintf(Buffer, sizeof(Buffer), ProcedureLines[I % Per], I / Per);
    Out += Buffer;
    Out += "\r\n";
  }
  return Out;
}

// Loads the program (not timed) and runs one command of the menu on it.
void RunCommand(benchmark::State &State, std::initializer_list<int> Answers, bool WholeBlock) {
  StartEmpty();
  int Lines = static_cast<int>(State.range(0));
  std::string Text = Program(Lines);
  for (auto _ : State) {
    State.PauseTiming();
    SimLoadText(Text, "BENCH.PRG");
    if (WholeBlock)
      SimMarkLines(0, Lines - 1);
    SimHost.MenuAnswers.assign(Answers);
    SimHost.Menus.clear();
    State.ResumeTiming();
    OpenPlugin(OPEN_EDITOR, 0);
  }
  State.SetItemsProcessed(State.iterations() * Lines);
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(Text.size()));
}

void BM_Annotate(benchmark::State &State) {
  RunCommand(State, {4}, false);
}
BENCHMARK(BM_Annotate)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The navigator builds the list of every header and shows it; Esc leaves it.
void BM_NavigatorList(benchmark::State &State) {
  RunCommand(State, {1, -1}, false);
}
BENCHMARK(BM_NavigatorList)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_CommentBlock(benchmark::State &State) {
  RunCommand(State, {2}, true);
}
BENCHMARK(BM_CommentBlock)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The file's load into the simulated editor alone, the cost the tool adds to every command.
void BM_LoadText(benchmark::State &State) {
  int Lines = static_cast<int>(State.range(0));
  std::string Text = Program(Lines);
  for (auto _ : State) {
    SimLoadText(Text, "BENCH.PRG");
    benchmark::DoNotOptimize(SimLineCount());
  }
  State.SetItemsProcessed(State.iterations() * Lines);
}
BENCHMARK(BM_LoadText)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
