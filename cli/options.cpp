// Parsing of the qmate command line into CliOptions, with one clear line for each mistake.
#include "options.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

const char *const SettingNames[7] = {"GlobalTab", "MainTab",  "FuncTab",     "TextFuncTab",
                                     "Tab",       "Comments", "SplitLineTab"};

const char *UsageText() {
  return "usage:\n"
         "  qmate reindent  [COMMON] [--lines A-B] [--cursor L:C] [-i | --check | --diff] FILE...\n"
         "  qmate annotate  [COMMON] [--lines A-B] [-i | --check | --diff] FILE...\n"
         "  qmate comment   [COMMON] --lines A-B [-i | --diff] FILE...\n"
         "  qmate uncomment [COMMON] --lines A-B [-i | --diff] FILE...\n"
         "  qmate procs     [COMMON] [--cursor L:C] [--menu] FILE\n"
         "  qmate spell     [COMMON] WORD...\n"
         "  qmate settings  [COMMON] [--save]\n"
         "  qmate preview   [COMMON]\n"
         "  qmate configure [COMMON]\n"
         "  qmate lsp       [COMMON]   (language server on standard input and output)\n"
         "COMMON: [--setup DIR] [--set KEY=VALUE]... [--assume-filename NAME]\n"
         "FILE may be - for standard input.\n";
}

namespace {

// An argument as it is quoted in an error: control characters shown as "?", so the
// message stays one line.
std::string Shown(const std::string &Text) {
  std::string Out = Text;
  for (char &C : Out)
    if (static_cast<unsigned char>(C) < 32 || C == 127)
      C = '?';
  return Out;
}

bool ParseInt(const std::string &Text, long long Low, long long High, int &Out) {
  if (Text.empty())
    return false;
  std::size_t I = 0;
  if (Text[0] == '-' || Text[0] == '+')
    I = 1;
  if (I >= Text.size())
    return false;
  for (std::size_t K = I; K < Text.size(); ++K)
    if (Text[K] < '0' || Text[K] > '9')
      return false;
  errno = 0;
  long long Value = std::strtoll(Text.c_str(), nullptr, 10);
  if (errno == ERANGE || Value < Low || Value > High)
    return false;
  Out = static_cast<int>(Value);
  return true;
}

bool ParsePair(const std::string &Text, char Separator, int &A, int &B, long long LowB) {
  std::size_t At = Text.find(Separator);
  if (At == std::string::npos)
    return false;
  return ParseInt(Text.substr(0, At), 1, INT_MAX, A) &&
         ParseInt(Text.substr(At + 1), LowB, INT_MAX, B);
}

struct VerbRule {
  const char *Name;
  bool TakesFiles; // FILE... (or WORD... for spell)
  bool Lines, Cursor, InPlace, Check, Diff, Menu, Save;
  bool NeedsLines;
  bool SingleFile;
};

const VerbRule VerbRules[] = {
    {"reindent", true, true, true, true, true, true, false, false, false, false},
    {"annotate", true, true, false, true, true, true, false, false, false, false},
    {"comment", true, true, false, true, false, true, false, false, true, false},
    {"uncomment", true, true, false, true, false, true, false, false, true, false},
    {"procs", true, false, true, false, false, false, true, false, false, true},
    {"spell", true, false, false, false, false, false, false, false, false, false},
    {"settings", false, false, false, false, false, false, false, true, false, false},
    {"preview", false, false, false, false, false, false, false, false, false, false},
    {"configure", false, false, false, false, false, false, false, false, false, false},
    {"lsp", false, false, false, false, false, false, false, false, false, false},
};

} // namespace

bool ParseArguments(const std::vector<std::string> &Args, CliOptions &Options, std::string &Error) {
  Options = CliOptions();
  if (Args.empty()) {
    Error = "no command given";
    return false;
  }
  Options.Verb = Args[0];
  const VerbRule *Rule = nullptr;
  for (const VerbRule &R : VerbRules)
    if (Options.Verb == R.Name)
      Rule = &R;
  if (!Rule) {
    Error = "unknown command '" + Shown(Options.Verb) + "'";
    return false;
  }
  bool OnlyFiles = false;
  for (std::size_t I = 1; I < Args.size(); ++I) {
    const std::string &A = Args[I];
    auto Value = [&](std::string &Out) {
      if (I + 1 >= Args.size()) {
        Error = Shown(A) + " needs a value";
        return false;
      }
      Out = Args[++I];
      return true;
    };
    std::string V;
    if (OnlyFiles || A == "-" || A.empty() || A[0] != '-') {
      if (!Rule->TakesFiles) {
        Error = "'" + Options.Verb + "' takes no file or word: '" + Shown(A) + "'";
        return false;
      }
      Options.Files.push_back(A);
    } else if (A == "--") {
      OnlyFiles = true;
    } else if (A == "--setup") {
      if (!Value(Options.SetupDir))
        return false;
      if (Options.SetupDir.empty()) {
        Error = "--setup needs a folder";
        return false;
      }
    } else if (A == "--set") {
      if (!Value(V))
        return false;
      std::size_t Eq = V.find('=');
      std::string Key = Eq == std::string::npos ? V : V.substr(0, Eq);
      bool Known = false;
      for (const char *Name : SettingNames)
        Known = Known || Key == Name;
      int Number = 0;
      if (!Known) {
        Error = "--set: unknown setting '" + Shown(Key) +
                "' (GlobalTab, MainTab, FuncTab, TextFuncTab, Tab, Comments or SplitLineTab)";
        return false;
      }
      if (Eq == std::string::npos || !ParseInt(V.substr(Eq + 1), INT_MIN, INT_MAX, Number)) {
        Error = "--set " + Shown(V) + ": the value must be a whole number";
        return false;
      }
      Options.Overrides.emplace_back(Key, Number);
    } else if (A == "--assume-filename") {
      if (!Value(Options.AssumeFileName))
        return false;
    } else if (A == "--lines" && Rule->Lines) {
      if (!Value(V))
        return false;
      if (!ParsePair(V, '-', Options.FirstLine, Options.LastLine, 1) ||
          Options.LastLine < Options.FirstLine) {
        Error = "--lines " + Shown(V) + ": expected A-B with 1 <= A <= B";
        return false;
      }
      Options.HasLines = true;
    } else if (A == "--cursor" && Rule->Cursor) {
      if (!Value(V))
        return false;
      if (!ParsePair(V, ':', Options.CursorLine, Options.CursorColumn, 0)) {
        Error = "--cursor " + Shown(V) + ": expected LINE:COLUMN (line from 1, column from 0)";
        return false;
      }
      Options.HasCursor = true;
    } else if ((A == "-i" || A == "--in-place") && Rule->InPlace) {
      Options.InPlace = true;
    } else if (A == "--check" && Rule->Check) {
      Options.Check = true;
    } else if (A == "--diff" && Rule->Diff) {
      Options.Diff = true;
    } else if (A == "--menu" && Rule->Menu) {
      Options.Menu = true;
    } else if (A == "--save" && Rule->Save) {
      Options.Save = true;
    } else {
      Error = "'" + Options.Verb + "' does not take the option '" + Shown(A) + "'";
      return false;
    }
  }
  if (int(Options.InPlace) + int(Options.Check) + int(Options.Diff) > 1) {
    Error = "-i, --check and --diff exclude each other";
    return false;
  }
  if (Rule->NeedsLines && !Options.HasLines) {
    Error = "'" + Options.Verb + "' needs --lines A-B (the block to work on)";
    return false;
  }
  if (Rule->TakesFiles && Options.Files.empty()) {
    Error = Options.Verb == "spell" ? "'spell' needs at least one WORD"
                                    : "'" + Options.Verb + "' needs a FILE";
    return false;
  }
  if (Rule->SingleFile && Options.Files.size() > 1) {
    Error = "'" + Options.Verb + "' takes one FILE";
    return false;
  }
  if (Rule->InPlace && Options.Files.size() > 1 && !Options.InPlace && !Options.Check &&
      !Options.Diff) {
    Error = "several files need -i, --check or --diff";
    return false;
  }
  if (Options.Verb != "spell") {
    int Stdin = 0;
    for (const std::string &F : Options.Files)
      Stdin += F == "-";
    if (Stdin > 0 && Options.InPlace) {
      Error = "-i cannot rewrite standard input";
      return false;
    }
    if (Stdin > 1) {
      Error = "standard input can be read only once";
      return false;
    }
  }
  return true;
}
