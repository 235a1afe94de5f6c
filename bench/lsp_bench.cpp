// The language server taking one keystroke: a didChange of one character in the middle of an
// open document of about 50 MB, through the whole message path (framing, JSON, the change).
// The yardstick, timed in the same run, is one copy of the document's text: the least that
// handling a change by rebuilding the text costs. The counter "x_copy" is the change's time
// over the copy's (wall time of both); under 1 the change costs less than copying the whole
// text once.
// The workspace index of Harbour's tree (the folder HARBOUR names, default /work/ext/harbour;
// skipped when absent): from initialize to the answer of the first workspace/symbol request,
// which waits for the background reading. The yardstick, timed in the same run, is reading
// the bytes of the same files; "x_read" is the index's time over the reading's, "x_source" the
// heap the index holds over the size of the files read.
#include "../cli/project.hpp"
#include "../lsp/lsp.hpp"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Frame(const std::string &Body) {
  return "Content-Length: " + std::to_string(Body.size()) + "\r\n\r\n" + Body;
}

// About Bytes of Clipper lines of 30-odd bytes each.
std::string Document(std::size_t Bytes) {
  std::string Text;
  Text.reserve(Bytes + 64);
  for (int I = 0; Text.size() < Bytes; ++I)
    Text += "   nTotal += aRows[ " + std::to_string(I % 1000) + " ]\r\n";
  return Text;
}

// Seconds per copy of Text, over enough copies to take about a tenth of a second.
double CopySeconds(const std::string &Text) {
  auto Start = std::chrono::steady_clock::now();
  int Copies = 0;
  double Seconds = 0;
  do {
    std::string Copy = Text;
    benchmark::DoNotOptimize(Copy.data());
    ++Copies;
    Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  } while (Seconds < 0.1);
  return Seconds / Copies;
}

void BM_LspOneCharacterChange(benchmark::State &State) {
  const std::string Uri = "file:///bench/big.prg";
  std::string Text = Document(static_cast<std::size_t>(State.range(0)) << 20);
  long long Middle = static_cast<long long>(
      std::count(Text.begin(), Text.begin() + std::ptrdiff_t(Text.size() / 2), '\n'));
  LspReset();
  std::string Out;
  std::string Init = Frame(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
  LspFeed(Init.data(), Init.size(), Out);
  Json Open = {{"jsonrpc", "2.0"},
               {"method", "textDocument/didOpen"},
               {"params", {{"textDocument", {{"uri", Uri}, {"version", 1}, {"text", Text}}}}}};
  std::string Opening = Frame(Open.dump());
  LspFeed(Opening.data(), Opening.size(), Out);
  Opening.clear();
  Opening.shrink_to_fit();
  double Yardstick = CopySeconds(Text);
  Text.clear();
  Text.shrink_to_fit();
  // Typing "x" then deleting it, by turns, so the document stays the same size.
  const std::string Type = Frame(
      R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":")" +
      Uri + R"(","version":2},"contentChanges":[{"range":{"start":{"line":)" +
      std::to_string(Middle) + R"(,"character":3},"end":{"line":)" + std::to_string(Middle) +
      R"(,"character":3}},"text":"x"}]}})");
  const std::string Erase = Frame(
      R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":")" +
      Uri + R"(","version":3},"contentChanges":[{"range":{"start":{"line":)" +
      std::to_string(Middle) + R"(,"character":3},"end":{"line":)" + std::to_string(Middle) +
      R"(,"character":4}},"text":""}]}})");
  Out.clear();
  bool Typed = false;
  auto Start = std::chrono::steady_clock::now();
  for (auto _ : State) {
    Out.clear();
    const std::string &Message = Typed ? Erase : Type;
    LspFeed(Message.data(), Message.size(), Out);
    Typed = !Typed;
  }
  if (!Out.empty())
    State.SkipWithError(("the server answered a change: " + Out.substr(0, 200)).c_str());
  double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  State.counters["x_copy"] = Seconds / static_cast<double>(State.iterations()) / Yardstick;
  LspReset();
}
BENCHMARK(BM_LspOneCharacterChange)->Arg(50)->Unit(benchmark::kMillisecond);

// Lines routines of blocks: ten-line routines, each with an IF ... ELSE ... ENDIF inside a FOR.
std::string Routines(int Lines) {
  std::string Text;
  for (int I = 0; I < Lines / 10; ++I)
    Text += "FUNCTION F" + std::to_string(I) +
            "( n )\r\n   LOCAL i\r\n   FOR i := 1 TO n\r\n      IF i > 1\r\n"
            "         nTotal += aRows[ i ]\r\n      ELSE\r\n         LOOP\r\n      ENDIF\r\n"
            "   NEXT\r\n   RETURN nTotal\r\n";
  return Text;
}

// One keystroke in the middle of a document of 100,000 lines of routines, and then (by the
// argument) nothing more (0: the change publishes the diagnostics, a reading of every block),
// the folding ranges (1; 3: for a client that takes 5000 at most) or the highlight of a block
// word (2). The counter x_copy is the time
// of both over one copy of the document's text.
void BM_LspStructureAfterChange(benchmark::State &State) {
  const std::string Uri = "file:///bench/routines.prg";
  std::string Text = Routines(100000);
  const long long Middle = 50004; // a line "nTotal += aRows[ i ]"
  LspReset();
  std::string Out;
  // Row 3 is VS Code's case: it takes at most 5000 folding ranges.
  std::string Init =
      Frame(State.range(0) == 3
                ? R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":)"
                  R"({"textDocument":{"foldingRange":{"rangeLimit":5000}}}}})"
                : R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
  LspFeed(Init.data(), Init.size(), Out);
  Json Open = {{"jsonrpc", "2.0"},
               {"method", "textDocument/didOpen"},
               {"params", {{"textDocument", {{"uri", Uri}, {"version", 1}, {"text", Text}}}}}};
  std::string Opening = Frame(Open.dump());
  LspFeed(Opening.data(), Opening.size(), Out);
  const double Yardstick = CopySeconds(Text);
  auto Change = [&](int Version, const char *Edit) {
    return Frame(
        R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":")" +
        Uri + R"(","version":)" + std::to_string(Version) + R"(},"contentChanges":[)" + Edit +
        "]}}");
  };
  const std::string At = std::to_string(Middle);
  const std::string Type =
      Change(2, (R"({"range":{"start":{"line":)" + At + R"(,"character":9},"end":{"line":)" + At +
                 R"(,"character":9}},"text":"x"})")
                    .c_str());
  const std::string Erase =
      Change(3, (R"({"range":{"start":{"line":)" + At + R"(,"character":9},"end":{"line":)" + At +
                 R"(,"character":10}},"text":""})")
                    .c_str());
  const char *const Methods[] = {"", "textDocument/foldingRange", "textDocument/documentHighlight",
                                 "textDocument/foldingRange"};
  const std::string Method = Methods[State.range(0)];
  // The highlight of the IF of the routine changed: its ELSE and ENDIF.
  const std::string Request =
      Method.empty()
          ? std::string()
          : Frame(R"({"jsonrpc":"2.0","id":2,"method":")" + Method +
                  R"(","params":{"textDocument":{"uri":")" + Uri + R"("},"position":{"line":)" +
                  std::to_string(Middle - 1) + R"(,"character":7}}})");
  bool Typed = false;
  std::size_t Answered = 0;
  auto Start = std::chrono::steady_clock::now();
  for (auto _ : State) {
    Out.clear();
    const std::string &Message = Typed ? Erase : Type;
    LspFeed(Message.data(), Message.size(), Out);
    LspFeed(Request.data(), Request.size(), Out);
    Answered = Out.size();
    Typed = !Typed;
  }
  if (!Method.empty() && (Answered < 100 || Out.find("\"error\"") != std::string::npos))
    State.SkipWithError(("the server's answer: " + Out.substr(0, 200)).c_str());
  double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  State.counters["x_copy"] = Seconds / static_cast<double>(State.iterations()) / Yardstick;
  LspReset();
}
BENCHMARK(BM_LspStructureAfterChange)
    ->ArgName("diagnostics0_folding1_highlight2_folding5000limit3")
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond);
// Seconds to read every file of the list once, and their bytes.
double ReadSeconds(const std::vector<std::string> &Files, double &Bytes) {
  auto Start = std::chrono::steady_clock::now();
  Bytes = 0;
  char Buffer[65536];
  for (const std::string &Path : Files) {
    std::string Text;
    if (std::FILE *F = std::fopen(Path.c_str(), "rb")) {
      for (std::size_t Got; (Got = std::fread(Buffer, 1, sizeof(Buffer), F)) > 0;)
        Text.append(Buffer, Got);
      std::fclose(F);
    }
    Bytes += double(Text.size());
    benchmark::DoNotOptimize(Text.data());
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

void BM_LspWorkspaceIndex(benchmark::State &State) {
  const char *Named = std::getenv("HARBOUR");
  std::string Tree = Named && *Named ? Named : "/work/ext/harbour";
  if (!PathIsFolder(Tree)) {
    State.SkipWithError(("skipped: no Harbour checkout at " + Tree + " (set HARBOUR)").c_str());
    return;
  }
  std::vector<std::string> Files, Errors;
  ExpandFileArgument(Tree, Files, Errors);
  const std::string Init =
      Frame(Json({{"jsonrpc", "2.0"},
                  {"id", 1},
                  {"method", "initialize"},
                  {"params", {{"rootUri", "file://" + Tree}, {"capabilities", Json::object()}}}})
                .dump());
  const std::string Query = Frame(
      R"({"jsonrpc":"2.0","id":2,"method":"workspace/symbol","params":{"query":"no such name"}})");
  double Bytes = 0, Held = 0, Seconds = 0;
  std::string Out;
  for (auto _ : State) {
    LspReset();
    Out.clear();
    std::size_t Before = mallinfo2().uordblks;
    auto Start = std::chrono::steady_clock::now();
    LspFeed(Init.data(), Init.size(), Out);
    LspFeed(Query.data(), Query.size(), Out);
    Seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    Held = double(mallinfo2().uordblks) - double(Before);
  }
  if (Out.find("\"result\":[]") == std::string::npos)
    State.SkipWithError(("the index answered: " + Out.substr(0, 200)).c_str());
  LspReset();
  double Reading = ReadSeconds(Files, Bytes);
  State.counters["files"] = double(Files.size());
  State.counters["source_MB"] = Bytes / 1048576;
  State.counters["index_MB"] = Held / 1048576;
  State.counters["x_source"] = Held / Bytes;
  State.counters["x_read"] = Seconds / double(State.iterations()) / Reading;
}
BENCHMARK(BM_LspWorkspaceIndex)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
