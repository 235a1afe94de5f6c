// The file verbs (reindent, annotate, comment, uncomment), the navigator's list, spelling
// and the settings, each run through the plug-in's own entry points.
#include "verbs.hpp"
#include "../sim/sim.hpp"
#include "../src/settings/settings.hpp"
#include "../src/words/words.hpp"
#include "diff.hpp"
#include "driver.hpp"
#include "fileio.hpp"
#include "header_lines.hpp"
#include "lsp.hpp"

#include <cstdio>
#include <iostream>
#include <sys/stat.h>
#include <utility>

std::string ToolPathForSetup;

namespace {

void Fail(const std::string &Message) {
  std::cerr << "qmate: " << Message << "\n";
}

void PrintMessages(const std::vector<std::string> &Messages) {
  for (const std::string &M : Messages)
    std::cerr << M << "\n";
}

int EntryOf(const std::string &Verb) {
  if (Verb == "reindent")
    return EntryReindent;
  if (Verb == "annotate")
    return EntryAnnotate;
  if (Verb == "comment")
    return EntryComment;
  return EntryUncomment;
}

// The number of editor lines a file's bytes make (a final end of line adds an empty line).
int EditorLineCount(const std::string &Bytes) {
  int Count = 1;
  for (std::size_t I = 0; I < Bytes.size(); ++I) {
    if (Bytes[I] == '\n' || (Bytes[I] == '\r' && (I + 1 >= Bytes.size() || Bytes[I + 1] != '\n')))
      ++Count;
  }
  return Count;
}

// Only a run given a position needs the line count, which costs a pass over the bytes.
bool CheckPositions(const CliOptions &Options, const std::string &Path, const std::string &Bytes,
                    int &Lines) {
  Lines = Options.HasLines || Options.HasCursor ? EditorLineCount(Bytes) : 0;
  if (Options.HasLines && Options.FirstLine > Lines) {
    Fail("--lines " + std::to_string(Options.FirstLine) + "-" + std::to_string(Options.LastLine) +
         ": " + Path + " has only " + std::to_string(Lines) + " lines");
    return false;
  }
  if (Options.HasCursor && Options.CursorLine > Lines) {
    Fail("--cursor: " + Path + " has only " + std::to_string(Lines) + " lines");
    return false;
  }
  return true;
}

// The editor's text, piece by piece, for the tool's writers.
bool EmitEditorText(void *, ByteEmitter Emit, void *EmitContext) {
  return SimEmitText(Emit, EmitContext);
}

// True for a regular file, which gives the same bytes when it is read a second time; a pipe
// named by its path (/dev/stdin, a shell's <(...), a FIFO) gives nothing the second time.
bool IsRegularFile(const std::string &Path) {
  struct stat St;
  return stat(Path.c_str(), &St) == 0 && S_ISREG(St.st_mode);
}

std::string DisplayName(const CliOptions &Options, const std::string &Path) {
  return Path == "-" ? Options.AssumeFileName : Path;
}

bool Start(const CliOptions &Options) {
  std::string Error;
  if (!StartPlugin(ResolveSetupDir(Options, ToolPathForSetup), Options, Error)) {
    Fail(Error);
    return false;
  }
  return true;
}

} // namespace

int RunFileVerb(const CliOptions &Options) {
  if (!Start(Options))
    return 2;
  int Status = 0;
  for (const std::string &Path : Options.Files) {
    std::string Bytes, Error;
    if (!ReadInput(Path, Bytes, Error)) {
      Fail(Error);
      Status = 2;
      continue;
    }
    int Lines = 0;
    if (!CheckPositions(Options, Path, Bytes, Lines)) {
      Status = 2;
      continue;
    }
    std::vector<std::string> Messages;
    std::string Name = DisplayName(Options, Path);
    CliOptions Run = Options;
    if (Run.HasLines && Run.LastLine > Lines)
      Run.LastLine = Lines;
    // A regular file read from disk can be compared with the disk afterwards, so the editor
    // may rewrite its lines in place; a diff, standard input or a pipe needs the loaded bytes
    // kept.
    bool FromDisk = Path != "-" && !Options.Diff && IsRegularFile(Path);
    RunInEditor(std::move(Bytes), Name, {EntryOf(Options.Verb)}, Run, Messages, !FromDisk);
    PrintMessages(Messages);
    // A text of another size has changed; one of the same size is compared byte for byte.
    bool Changed =
        (Options.Check || Options.InPlace) &&
        (SimTextSize() != SimLoadedSize() ||
         (FromDisk ? !FileHoldsBytes(Path, EmitEditorText, nullptr) : !SimTextUnchanged()));
    if (Options.Check) {
      if (Changed) {
        std::cout << "would change: " << Name << "\n";
        if (Status == 0)
          Status = 1;
      }
    } else if (Options.Diff) {
      std::cout << UnifiedDiff(SimLoadedText(), SimSaveText(), "a/" + Name, "b/" + Name);
    } else if (Options.InPlace) {
      if (Changed && !WriteInPlace(Path, EmitEditorText, nullptr, Error)) {
        Fail(Error);
        Status = 2;
      }
    } else {
      std::cout.flush();
      if (!WriteStdout(EmitEditorText, nullptr)) {
        Fail("cannot write the result to standard output");
        Status = 2;
      }
    }
  }
  std::fflush(stdout);
  StopPlugin();
  return Status;
}

int RunProcs(const CliOptions &Options) {
  if (!Start(Options))
    return 2;
  const std::string &Path = Options.Files[0];
  std::string Bytes, Error;
  if (!ReadInput(Path, Bytes, Error)) {
    Fail(Error);
    StopPlugin();
    return 2;
  }
  int Lines = 0;
  if (!CheckPositions(Options, Path, Bytes, Lines)) {
    StopPlugin();
    return 2;
  }
  std::vector<std::string> Messages;
  std::string Name = DisplayName(Options, Path);
  RunInEditor(std::move(Bytes), Name, {EntryProcedures, -1}, Options, Messages);
  PrintMessages(Messages);
  if (Options.Menu) {
    if (SimHost.Menus.size() >= 2)
      for (const FarMenuItem &Item : SimHost.Menus[1].Items)
        std::cout << (Item.Selected ? "* " : "  ") << Item.Text << "\n";
  } else {
    for (int Line : NavigatorHeaderLines())
      std::cout << Name << ":" << Line + 1 << ":" << SimLineText(Line) << "\n";
  }
  std::cout.flush();
  StopPlugin();
  return 0;
}

int RunSpell(const CliOptions &Options) {
  if (!Start(Options))
    return 2;
  for (const std::string &Word : Options.Files)
    std::cout << SpellWord(Word) << "\n";
  StopPlugin();
  return 0;
}

int RunSettings(const CliOptions &Options) {
  if (!Start(Options))
    return 2;
  const PluginSettingsRecord &S = PluginSettings;
  const int Values[7] = {S.GlobalTab, S.MainTab,  S.FuncTab,     S.TextFuncTab,
                         S.Tab,       S.Comments, S.SplitLineTab};
  int Status = 0;
  if (Options.Save) {
    SaveSettings();
    // The plug-in's save reports nothing; read the file back to tell the user.
    PluginSettingsRecord Wanted = PluginSettings;
    LoadSettings();
    const PluginSettingsRecord &R = PluginSettings;
    if (R.GlobalTab != Wanted.GlobalTab || R.MainTab != Wanted.MainTab ||
        R.FuncTab != Wanted.FuncTab || R.TextFuncTab != Wanted.TextFuncTab || R.Tab != Wanted.Tab ||
        R.Comments != Wanted.Comments || R.SplitLineTab != Wanted.SplitLineTab) {
      Fail("cannot write the settings file " + SettingsPath());
      Status = 2;
    }
    PluginSettings = Wanted;
  }
  for (int I = 0; I < 7; ++I)
    std::cout << SettingNames[I] << "=" << Values[I] << "\n";
  StopPlugin();
  return Status;
}

int RunCommandLine(const std::vector<std::string> &Args, const std::string &ToolPath) {
  ToolPathForSetup = ToolPath;
  if (!Args.empty() && (Args[0] == "--help" || Args[0] == "-h" || Args[0] == "help")) {
    std::cout << UsageText();
    return 0;
  }
  CliOptions Options;
  std::string Error;
  if (!ParseArguments(Args, Options, Error)) {
    std::cerr << "qmate: " << Error << "\n" << UsageText();
    return 2;
  }
  if (Options.Verb == "procs")
    return RunProcs(Options);
  if (Options.Verb == "spell")
    return RunSpell(Options);
  if (Options.Verb == "settings")
    return RunSettings(Options);
  if (Options.Verb == "preview")
    return RunPreview(Options);
  if (Options.Verb == "configure")
    return RunConfigure(Options);
  if (Options.Verb == "lsp")
    return RunLsp(Options);
  return RunFileVerb(Options);
}
