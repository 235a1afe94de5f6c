// The re-indenter in process: scanning single lines, and the whole command (re-indent and
// spacing pass) over generated programs in the simulated editor, with the shipped word files.
#include "../sim/sim.hpp"
#include "../src/reindent/reindent.hpp"
#include "../src/settings/settings.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Starts the plug-in as if loaded from dist/, so that it reads the shipped word files.
void StartShipped() {
  SimReset();
  PluginStartupInfo Info = SimStartupInfo(QMATE_SOURCE_DIR "/dist/qmate.dll");
  SetStartupInfo(&Info);
}

const char *const SampleLines[] = {
    "FUNCTION Invoice%d( nNumber, dDate )",
    "LOCAL nTotal := 0, aItems := {}, i",
    "   use invoice new shared",
    "IF NetErr()",
    "Alert( \"The invoice file is in use; try again\" )",
    "RETURN NIL",
    "      ENDIF",
    "// add up the open items, newest first",
    "DO WHILE !Eof() .AND. invoice->number == nNumber",
    "   IF invoice->paid",
    "SKIP",
    "LOOP",
    "ENDIF",
    "AAdd( aItems, { invoice->item, invoice->amount, ;",
    "invoice->date } )",
    "nTotal += invoice->amount  && running total",
    "skip",
    "enddo",
    "",
    "do case",
    "case nTotal > 10000",
    "? [Large invoice: ] + LTrim( Str( nNumber ) )",
    "   case nTotal < 0",
    "? 'Refund due'",
    "otherwise",
    "FOR i := 1 TO Len( aItems )",
    "@ i + 2, 5 SAY aItems[ i ][ 1 ] PICTURE \"@!\"",
    "NEXT",
    "endcase",
    "/* the old report",
    "   went here */",
    "RETURN nTotal",
    "",
};

// A program of about Lines lines made of one invoice function repeated.
std::string Program(int Lines) {
  std::string Out;
  const int PerFunction = static_cast<int>(sizeof(SampleLines) / sizeof(SampleLines[0]));
  char Buffer[128];
  for (int I = 0; I < Lines; ++I) {
    const char *Line = SampleLines[I % PerFunction];
    std::snprintf(Buffer, sizeof(Buffer), Line, I / PerFunction);
    Out += Buffer;
    Out += "\r\n";
  }
  return Out;
}

void BM_ScanLine(benchmark::State &State) {
  StartShipped();
  std::vector<std::string> Lines;
  for (const char *Line : SampleLines)
    Lines.push_back(Line);
  ReindentState S{};
  ScannedLine Result{};
  std::size_t Bytes = 0;
  for (auto _ : State) {
    for (const std::string &Line : Lines) {
      ScanLine(S, Line, Result);
      Bytes += Line.size();
    }
    benchmark::DoNotOptimize(Result.Rebuilt.data());
  }
  State.SetBytesProcessed(static_cast<int64_t>(Bytes));
  State.SetItemsProcessed(State.iterations() * static_cast<int64_t>(Lines.size()));
}
BENCHMARK(BM_ScanLine);

// The whole command through the simulated host, as the command-line tool runs it, without
// the file reading and writing.
void BM_ReindentFile(benchmark::State &State) {
  StartShipped();
  int Lines = static_cast<int>(State.range(0));
  std::string Text = Program(Lines);
  for (auto _ : State) {
    State.PauseTiming();
    SimLoadText(Text, "BENCH.PRG");
    SimHost.MenuAnswers = {0};
    State.ResumeTiming();
    OpenPlugin(OPEN_EDITOR, 0);
  }
  State.SetItemsProcessed(State.iterations() * Lines);
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(Text.size()));
}
BENCHMARK(BM_ReindentFile)->Arg(10000)->Arg(40000)->Arg(160000)->Unit(benchmark::kMillisecond);

} // namespace
