// The command-line parser on arbitrary argument lists (the input's zero bytes separate the
// arguments): a refusal is one line of text, and what it accepts is consistent.
#include "../cli/options.hpp"
#include "../cli/setting_keys.hpp"
#include "fuzz_host.hpp"

#include <cstdint>

namespace {

void Check(bool Ok, const std::string &What) {
  if (!Ok)
    FuzzFail(What);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  std::vector<std::string> Args;
  std::string Bytes(reinterpret_cast<const char *>(Data), Size);
  std::size_t Start = 0;
  while (Start < Bytes.size()) {
    std::size_t End = Bytes.find('\0', Start);
    if (End == std::string::npos)
      End = Bytes.size();
    Args.push_back(Bytes.substr(Start, End - Start));
    Start = End + 1;
  }
  CliOptions Options;
  std::string Error;
  bool Ok = ParseArguments(Args, Options, Error);
  if (!Ok) {
    Check(!Error.empty(), "a refusal without a message");
    // One line, unless the words themselves hold line ends that the message quotes.
    bool WordsHoldLineEnds = false;
    for (const std::string &A : Args)
      WordsHoldLineEnds = WordsHoldLineEnds || A.find_first_of("\r\n") != std::string::npos;
    if (!WordsHoldLineEnds)
      Check(Error.find_first_of("\r\n") == std::string::npos,
            "a refusal of more than one line: " + Error);
    return 0;
  }
  // --help stops the parsing: the verb's help is shown, whatever else was given.
  if (Options.Help)
    return 0;
  static const char *const Verbs[] = {"reindent", "annotate", "comment",   "uncomment",
                                      "procs",    "infer",    "lint",      "spell",
                                      "settings", "preview",  "configure", "lsp"};
  bool Known = false;
  for (const char *V : Verbs)
    Known = Known || Options.Verb == V;
  Check(Known, "an unknown verb was accepted: " + Options.Verb);
  Check(!Options.InPlace || (!Options.Check && !Options.Diff),
        "-i was accepted with --check or --diff");
  if (Options.HasLines)
    Check(Options.FirstLine >= 1 && Options.FirstLine <= Options.LastLine,
          "--lines accepted a range that is empty or starts before line 1");
  if (Options.HasCursor)
    Check(Options.CursorLine >= 1 && Options.CursorColumn >= 0,
          "--cursor accepted a position before line 1 or column 0");
  if (Options.Verb == "comment" || Options.Verb == "uncomment")
    Check(Options.HasLines, "a block command was accepted without --lines");
  if (Options.Verb == "procs")
    Check(!Options.Files.empty(), "procs was accepted without a FILE");
  for (const auto &Override : Options.Overrides) {
    const SettingKeyRow *Row = FindSettingKey(Override.first);
    Check(Row != nullptr, "--set accepted an unknown key: " + Override.first);
    if (Row && !Row->Choices)
      Check(Override.second >= Row->Low && Override.second <= Row->High,
            "--set accepted a value out of range: " + Override.first);
  }
  if (Options.InPlace)
    for (const std::string &F : Options.Files)
      Check(F != "-", "-i was accepted for standard input");
  // Parsing is a pure function of the words.
  CliOptions Again;
  std::string Error2;
  Check(ParseArguments(Args, Again, Error2) && Again.Files == Options.Files &&
            Again.Overrides == Options.Overrides && Again.FirstLine == Options.FirstLine,
        "parsing the same words twice gave another result");
  return 0;
}
