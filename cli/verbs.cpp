// The file verbs (reindent, annotate, comment, uncomment), the navigator's list, spelling
// and the settings, each run through the plug-in's own entry points.
#include "verbs.hpp"
#include "../sim/sim.hpp"
#include "../src/reindent/blocks.hpp"
#include "../src/reindent/reindent.hpp"
#include "../src/settings/settings.hpp"
#include "../src/words/words.hpp"
#include "diff.hpp"
#include "driver.hpp"
#include "fileio.hpp"
#include "guard.hpp"
#include "infer.hpp"
#include "project.hpp"
#include "workers.hpp"
#include "header_lines.hpp"
#include "../lsp/lsp.hpp"
#include "project.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <set>
#include <utility>

std::string ToolPathForSetup;

namespace {

void Fail(const std::string &Message) {
  std::cerr << "qmate: " << Message << "\n";
}

void PrintLines(const std::vector<std::string> &Lines) {
  for (const std::string &Line : Lines)
    std::cerr << Line << "\n";
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

// The number of lines of a file as the editor counts them (SimSplitLine), but for the empty
// text after a final end of line, which is no line of its own (an empty file still has its
// one empty line).
int TextLineCount(const std::string &Bytes) {
  int Count = 1;
  std::size_t Start = 0;
  for (SimLineSpan Line = SimSplitLine(Bytes.data(), Bytes.size(), 0); Line.Eol != SimEolNone;
       Line = SimSplitLine(Bytes.data(), Bytes.size(), Start)) {
    Start = Line.Next;
    ++Count;
  }
  return Start == Bytes.size() && Start > 0 ? Count - 1 : Count;
}

std::string LinesText(int Count) {
  return std::to_string(Count) + (Count == 1 ? " line" : " lines");
}

// An error line for --lines or --cursor past the file's end, or empty.
std::string PositionError(const CliOptions &Options, const std::string &Name,
                          const std::string &Bytes) {
  if (!Options.HasLines && !Options.HasCursor)
    return std::string();
  int Lines = TextLineCount(Bytes);
  if (Options.HasLines && Options.FirstLine > Lines) {
    std::string Range = std::to_string(Options.FirstLine);
    if (Options.LastLine != Options.FirstLine)
      Range += "-" + std::to_string(Options.LastLine);
    return "qmate: --lines " + Range + ": " + Name + " has only " + LinesText(Lines);
  }
  // The cursor may stand on the empty text after a final end of line, as in the editor.
  bool EndsWithEol = !Bytes.empty() && (Bytes.back() == '\n' || Bytes.back() == '\r');
  if (Options.HasCursor && Options.CursorLine > Lines + (EndsWithEol ? 1 : 0))
    return "qmate: --cursor: " + Name + " has only " + LinesText(Lines);
  return std::string();
}

// The editor's text, piece by piece, for the tool's writers.
bool EmitEditorText(void *, ByteEmitter Emit, void *EmitContext) {
  return SimEmitText(Emit, EmitContext);
}

bool AppendToString(void *Context, const char *Data, std::size_t Size) {
  static_cast<std::string *>(Context)->append(Data, Size);
  return true;
}

// The diff of the loaded bytes and the editor's text, piece by piece: the loaded bytes are
// read where the editor keeps them, the new lines from the editor's line table, so neither
// text is copied (unless odd ends of line make the editor's lines differ from the saved
// text's, which is then saved and split).
bool EmitDiff(void *Context, ByteEmitter Emit, void *EmitContext) {
  const std::string &Name = *static_cast<const std::string *>(Context);
  TextLines Before = SplitLines(SimLoadedBytes(), SimLoadedSize());
  int Lines = SimSavedLineCount();
  if (Lines < 0) {
    std::string Saved = SimSaveText();
    TextLines After = SplitLines(Saved.data(), Saved.size());
    return WriteUnifiedDiff(SideOf(Before), SideOf(After), "a/" + Name, "b/" + Name, Emit,
                            EmitContext);
  }
  DiffSide After{static_cast<std::size_t>(Lines),
                 [](const void *, std::size_t Index, std::string &Out) {
                   SimAppendSavedLine(static_cast<int>(Index), Out);
                 },
                 nullptr};
  return WriteUnifiedDiff(SideOf(Before), After, "a/" + Name, "b/" + Name, Emit, EmitContext);
}

// The text Produce hands over goes to standard output (StreamOut) or into R.Out.
void PutResult(FileRunRecord &R, bool StreamOut, ByteProducer Produce, void *Context) {
  if (!StreamOut) {
    Produce(Context, AppendToString, &R.Out);
  } else if (!WriteStdout(Produce, Context)) {
    R.Err.push_back("qmate: cannot write the result to standard output");
    R.Status = 2;
  }
}

// True for a regular file, which gives the same bytes when it is read a second time; a pipe
// named by its path (/dev/stdin, a shell's <(...), a FIFO) gives nothing the second time.
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

// The files the FILE arguments stand for, folders walked. False (with the lines printed)
// when a folder could not be read or holds no file to work on, or when a folder was given
// to a verb that would print its files' results.
// A folder holding no such file is an error too: a mistyped folder must not pass a check.
bool ExpandFiles(const CliOptions &Options, std::vector<std::string> &Files,
                 int *FailedCount = nullptr) {
  std::vector<std::string> Errors;
  for (const std::string &Arg : Options.Files) {
    std::size_t Before = Files.size();
    bool Folder = Arg != "-" && PathIsFolder(Arg);
    if (Folder && !Options.InPlace && !Options.Check && !Options.Diff &&
        VerbTakesOutputModes(Options.Verb)) {
      Errors.push_back(Arg + " is a folder: give -i, --check or --diff to work on its files");
      continue;
    }
    std::size_t ErrorsBefore = Errors.size();
    ExpandFileArgument(Arg, Files, Errors);
    if (Folder && Files.size() == Before && Errors.size() == ErrorsBefore)
      Errors.push_back("no .prg or .ch file under " + Arg);
  }
  for (const std::string &E : Errors)
    Fail(E);
  if (FailedCount)
    *FailedCount = static_cast<int>(Errors.size());
  // A file named twice (or met again through another folder or name) is worked on once.
  std::set<std::pair<unsigned long long, unsigned long long>> Seen;
  std::size_t Kept = 0;
  for (std::size_t I = 0; I < Files.size(); ++I) {
    FileIdentityRecord Id;
    if (Files[I] != "-" && KindOfPath(Files[I], true) == PathRegularFile &&
        IdentifyFile(Files[I], Id) && !Seen.insert({Id.Device, Id.Inode}).second)
      continue;
    Files[Kept++] = Files[I];
  }
  Files.resize(Kept);
  return Errors.empty();
}

// Why a text is not one to format (in a 16- or 32-bit encoding, or, for a file to be
// rewritten or checked, binary), or empty. Shown on standard output, a binary file's bytes
// pass through as they are.
std::string NotTextReason(const std::string &Bytes, bool Rewriting) {
  auto Starts = [&](const char *Mark, std::size_t Size) {
    return Bytes.size() >= Size && Bytes.compare(0, Size, Mark, Size) == 0;
  };
  if (Starts("\x00\x00\xFE\xFF", 4) || Starts("\xFF\xFE\x00\x00", 4))
    return "a UTF-32 file (it starts with a byte-order mark)";
  if (Starts("\xFE\xFF", 2) || Starts("\xFF\xFE", 2))
    return "a UTF-16 file (it starts with a byte-order mark)";
  std::size_t Head = Bytes.size() < 8192 ? Bytes.size() : 8192;
  if (Rewriting && std::memchr(Bytes.data(), 0, Head))
    return "it looks binary (a NUL byte in its first 8 KiB)";
  return std::string();
}

// "1 file", "3 files".
std::string FilesText(int Count) {
  return std::to_string(Count) + (Count == 1 ? " file" : " files");
}

// Applies the settings for a file to the plug-in; the warnings go into Err.
void UseSettingsFor(const CliOptions &Options, const std::string &Path,
                    std::vector<std::string> &Err) {
  FileSettingsRecord S = SettingsForFile(Path, Options);
  for (const std::string &W : S.Warnings)
    Err.push_back("qmate: warning: " + W);
  ApplySettingValues(S.Values);
  PluginIncludeFolders = IncludeFoldersFor(Path, Options);
}

// A text of at most this many lines re-indented with the values inferred from it is
// re-indented again until it settles (see SettledText); so is a longer one whose values came
// from the full search run beside the frugal one, which the frugal search of the result may
// not find again.
constexpr std::size_t SettledLines = 200;
constexpr int SettleRounds = 3;

// A short text tells its author's habits only faintly (and a search may not find again the
// values the other search found), so the values inferred from it once re-indented may differ
// from those it was re-indented with, and a second run would move it again. Text (re-indented once)
// is re-indented with the values inferred from it, from the settings Start as a run of its own
// would, until a round leaves it as it is: then running the command on the result changes nothing.
// False when a few rounds do not settle it.
bool SettledText(std::string &Text, const std::string &Name, const CliOptions &Run,
                 const SettingValues &Start) {
  for (int Round = 0; Round < SettleRounds; ++Round) {
    ApplySettingValues(Start);
    SettingValues Values = Start;
    std::vector<InferSource> Source(1);
    Source[0].Name = Name;
    Source[0].Bytes = Text;
    ReindentReplayRecord Replay;
    InferSettings(Source, Values, &Replay, true);
    std::vector<std::string> Messages;
    ReindentSink.Replay = Replay.Filled ? &Replay : nullptr;
    RunInEditor(std::move(Source[0].Bytes), Name, {EntryReindent}, Run, Messages, false);
    ReindentSink.Replay = nullptr;
    std::string Next = SimSaveText();
    if (Next == Text)
      return true;
    Text.swap(Next);
  }
  return false;
}

} // namespace

FileRunRecord RunFileVerbOn(const CliOptions &Options, const std::string &Path, bool StreamOut) {
  FileRunRecord R;
  std::string Bytes, Error;
  std::string Name = DisplayName(Options, Path);
  // Rewriting and checking are for Clipper files: a Makefile or an image named by a wildcard
  // is left alone.
  bool Modes = Options.InPlace || Options.Check || Options.Diff;
  if (Modes && !Options.ForceExtension && !IsClipperFileName(Name)) {
    R.Err.push_back("qmate: skipped " + Name +
                    ": not a .prg or .ch file (--force-extension works on it anyway)");
    R.Skipped = true;
    return R;
  }
  FileStateRecord State;
  if (!ReadInput(Path, Bytes, Error, &State, Options.InPlace)) {
    R.Err.push_back("qmate: " + Error);
    R.Status = 2;
    return R;
  }
  std::string NotText = NotTextReason(Bytes, Modes);
  if (!NotText.empty()) {
    R.Err.push_back("qmate: skipped " + Name + ": " + NotText);
    R.Skipped = true;
    return R;
  }
  // Only a run given a position needs the line count, which costs a pass over the bytes.
  int Lines = Options.HasLines ? TextLineCount(Bytes) : 0;
  std::string Position = PositionError(Options, Name, Bytes);
  if (!Position.empty()) {
    R.Err.push_back(Position);
    R.Status = 2;
    return R;
  }
  UseSettingsFor(Options, Path, R.Err);
  // The re-indent after an inference replays the scans the inference made of the text.
  ReindentReplayRecord Replay;
  SettingValues Start;
  if (Options.Infer)
    Start = CurrentSettingValues();
  std::string Loaded;
  bool Settle = Options.Infer && Options.Verb == "reindent" && !Options.HasLines;
  bool Short =
      static_cast<std::size_t>(std::count(Bytes.begin(), Bytes.end(), '\n')) < SettledLines;
  if (Options.Infer) {
    SettingValues Values = Start;
    std::vector<InferSource> Text(1);
    Text[0].Name = Name;
    Text[0].Bytes.swap(Bytes);
    Settle = Settle && (InferSettings(Text, Values, &Replay, true).OtherSearch || Short);
    Bytes.swap(Text[0].Bytes);
  }
  if (Settle)
    Loaded = Bytes;
  CliOptions Run = Options;
  if (Run.HasLines && Run.LastLine > Lines)
    Run.LastLine = Lines;
  // A regular file read from disk can be compared with the disk afterwards, so the editor
  // may rewrite its lines in place; a diff, standard input or a pipe needs the loaded bytes
  // kept.
  bool FromDisk = Path != "-" && !Options.Diff && PathIsRegularFile(Path);
  // The guard compares the result with the loaded bytes, so they are kept.
  bool Guard = Options.Verb == "reindent" && !Options.NoVerify;
  std::vector<std::string> Messages;
  ReindentSink.Replay = Replay.Filled ? &Replay : nullptr;
  RunInEditor(std::move(Bytes), Name, {EntryOf(Options.Verb)}, Run, Messages, !FromDisk || Guard);
  ReindentSink.Replay = nullptr;
  R.Err.insert(R.Err.end(), Messages.begin(), Messages.end());
  std::string Once;
  if (Settle)
    Once = SimSaveText();
  if (Settle && Once != Loaded) {
    // The rounds use the editor: it is loaded again with the file's bytes, edited into the
    // lines settled on (or those of the first re-indent).
    const char *LineNumbers = ReindentLineNumbers;
    std::string Settled = Once;
    bool Settles = SettledText(Settled, Name, Run, Start);
    SimReset();
    SimLoadEditedText(std::move(Loaded), Settles ? Settled : Once, Name);
    SimHost.Editor.KeepLoaded = true;
    ReindentLineNumbers = LineNumbers;
  }
  if (Guard && (CliInjectBrokenToken || SimTextSize() != SimLoadedSize() || !SimTextUnchanged())) {
    int Line = EditorFirstChangedLine(SimLoadedBytes(), SimLoadedSize());
    if (Line > 0) {
      R.Err.push_back("qmate: " + GuardRefusal(Name, Line));
      R.Status = 3;
      return R;
    }
  }
  if (ReindentLineNumbers && Options.Verb == "reindent")
    R.Err.push_back("qmate: " + Name + ": uses " + ReindentLineNumbers +
                    "; blank lines kept so that its line numbers stay");
  // A text of another size has changed; one of the same size is compared byte for byte.
  if (Options.Check || Options.InPlace || Options.Diff)
    R.Changed = SimTextSize() != SimLoadedSize() ||
                (FromDisk ? !FileHoldsBytes(Path, EmitEditorText, nullptr) : !SimTextUnchanged());
  if (Options.Diff) {
    if (R.Changed)
      PutResult(R, StreamOut, EmitDiff, &Name);
    if (Options.Check && R.Changed)
      R.Status = 1;
  } else if (Options.Check) {
    if (R.Changed) {
      R.Out = "would change: " + Name + "\n";
      R.Status = 1;
    }
  } else if (Options.InPlace) {
    if (R.Changed && !WriteInPlace(Path, EmitEditorText, nullptr, Error, &State)) {
      R.Err.push_back("qmate: " + Error);
      R.Status = 2;
    }
  } else {
    PutResult(R, StreamOut, EmitEditorText, nullptr);
  }
  return R;
}

namespace {

// Expands the files and folders named into Files and starts the plug-in; false (with the
// exit status in Status) when there is nothing to run.
// Reads one of the files named; one that cannot be read is reported and sets Status to 2.
bool ReadNamedFile(const std::string &Path, std::string &Bytes, int &Status) {
  std::string Error;
  if (ReadInput(Path, Bytes, Error))
    return true;
  Fail(Error);
  Status = 2;
  return false;
}

bool StartOnFiles(const CliOptions &Options, std::vector<std::string> &Files, int &Status,
                  int *FailedCount = nullptr) {
  Status = ExpandFiles(Options, Files, FailedCount) ? 0 : 2;
  if (Files.empty())
    return false;
  if (!Start(Options)) {
    Status = 2;
    return false;
  }
  return true;
}

} // namespace

int RunFileVerb(const CliOptions &Options) {
  std::vector<std::string> Files;
  int Status = 0;
  // Folders that could not be walked count as failed in the summary.
  int Failed = 0;
  if (!StartOnFiles(Options, Files, Status, &Failed))
    return Status;
  int Changed = 0, Unchanged = 0, Skipped = 0;
  // A project settings file's warnings come with the first file that reads it. Each worker
  // reads it once for itself, so a later file may bring them again: those are dropped.
  std::set<std::string> Warned;
  auto Report = [&](FileRunRecord &R) {
    if (!R.Out.empty()) {
      std::cout.flush();
      const std::string &Out = R.Out;
      if (!WriteStdout(
              [](void *Context, ByteEmitter Emit, void *EmitContext) {
                const std::string &B = *static_cast<const std::string *>(Context);
                return Emit(EmitContext, B.data(), B.size());
              },
              const_cast<std::string *>(&Out))) {
        Fail("cannot write the result to standard output");
        R.Status = 2;
      }
    }
    R.Err.erase(std::remove_if(R.Err.begin(), R.Err.end(),
                               [&](const std::string &Line) {
                                 return Line.compare(0, 16, "qmate: warning: ") == 0 &&
                                        !Warned.insert(Line).second;
                               }),
                R.Err.end());
    PrintLines(R.Err);
    if (R.Status >= 2)
      ++Failed;
    else if (R.Skipped)
      ++Skipped;
    else if (R.Changed)
      ++Changed;
    else
      ++Unchanged;
    if (R.Status > Status)
      Status = R.Status;
  };
  // Many files go to workers on all cores; standard input is read here.
  bool ReadsStdin = false;
  for (const std::string &Path : Files)
    ReadsStdin = ReadsStdin || Path == "-";
  int Workers = ReadsStdin ? 1 : WorkerCount(Files.size());
  RunOnFiles(
      Files, Workers,
      [&](const std::string &Path) {
        // One file at a time in this process: its text or diff goes straight out.
        if (Workers < 2)
          std::cout.flush();
        return RunFileVerbOn(Options, Path, Workers < 2);
      },
      Report);
  if (Changed + Unchanged + Skipped + Failed > 1 &&
      (Options.InPlace || Options.Check || Options.Diff)) {
    std::string Line = FilesText(Changed) +
                       (Options.InPlace ? " reformatted" : " would be reformatted") + ", " +
                       std::to_string(Unchanged) + " unchanged";
    if (Skipped > 0)
      Line += ", " + std::to_string(Skipped) + " skipped";
    if (Failed > 0)
      Line += ", " + std::to_string(Failed) + " failed";
    std::cerr << Line << "\n";
  }
  // Nothing done at all (every file skipped) is no success.
  if (Changed + Unchanged == 0 && Skipped > 0)
    Status = 2;
  std::fflush(stdout);
  StopPlugin();
  return Status;
}

int RunProcs(const CliOptions &Options) {
  std::vector<std::string> Files;
  int Status = ExpandFiles(Options, Files) ? 0 : 2;
  if (Files.empty())
    return Status;
  if (Options.Menu && Files.size() > 1) {
    Fail("--menu takes one FILE");
    return 2;
  }
  if (!Start(Options))
    return 2;
  for (const std::string &Path : Files) {
    std::string Bytes;
    if (!ReadNamedFile(Path, Bytes, Status))
      continue;
    std::string Name = DisplayName(Options, Path);
    std::string Position = PositionError(Options, Name, Bytes);
    if (!Position.empty()) {
      std::cerr << Position << "\n";
      Status = 2;
      continue;
    }
    std::vector<std::string> Messages;
    UseSettingsFor(Options, Path, Messages);
    RunInEditor(std::move(Bytes), Name, {EntryProcedures, -1}, Options, Messages);
    PrintLines(Messages);
    if (Options.Menu) {
      if (SimHost.Menus.size() >= 2)
        for (const FarMenuItem &Item : SimHost.Menus[1].Items)
          std::cout << (Item.Selected ? "* " : "  ") << Item.Text << "\n";
    } else {
      for (int Line : NavigatorHeaderLines())
        std::cout << Name << ":" << Line + 1 << ":" << SimLineText(Line) << "\n";
    }
  }
  std::cout.flush();
  StopPlugin();
  return Status;
}

namespace {

// The lines of a text as the editor splits them.
std::vector<std::string> EditorLines(const std::string &Bytes) {
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  for (;;) {
    SimLineSpan Line = SimSplitLine(Bytes.data(), Bytes.size(), Start);
    Lines.emplace_back(Bytes, Start, Line.TextEnd - Start);
    if (Line.Eol == SimEolNone || Line.Next >= Bytes.size())
      return Lines;
    Start = Line.Next;
  }
}

} // namespace

int RunLint(const CliOptions &Options) {
  std::vector<std::string> Files;
  int Status = 0;
  if (!StartOnFiles(Options, Files, Status))
    return Status;
  nlohmann::json Found = nlohmann::json::array();
  for (const std::string &Path : Files) {
    std::string Bytes;
    if (!ReadNamedFile(Path, Bytes, Status))
      continue;
    const std::string Name = DisplayName(Options, Path);
    std::string NotText = NotTextReason(Bytes, true);
    if (!NotText.empty()) {
      Fail("skipped " + Name + ": " + NotText);
      continue;
    }
    std::vector<std::string> Err;
    UseSettingsFor(Options, Path, Err);
    PrintLines(Err);
    const BlockReading Reading = ReadBlocks(EditorLines(Bytes), Path == "-" ? Name : Path);
    for (const BlockProblem &P : Reading.Problems) {
      if (Options.Json)
        Found.push_back({{"file", Name},
                         {"line", P.Line + 1},
                         {"column", P.Column + 1},
                         {"severity", "warning"},
                         {"message", P.Message}});
      else
        std::cout << Name << ":" << P.Line + 1 << ":" << P.Column + 1 << ": warning: " << P.Message
                  << "\n";
    }
    if (!Reading.Problems.empty() && Status == 0)
      Status = 1;
  }
  if (Options.Json)
    std::cout << Found.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  std::cout.flush();
  StopPlugin();
  return Status;
}

int RunSpell(const CliOptions &Options) {
  if (!Start(Options))
    return 2;
  for (const std::string &Word : Options.Files)
    std::cout << SpellWord(Word) << "\n";
  StopPlugin();
  return 0;
}

int RunInfer(const CliOptions &Options) {
  // --write puts the settings into the one folder named.
  if (Options.Write && !PathIsFolder(Options.Files[0])) {
    Fail("--write needs a FOLDER, whose .qmate.ini it writes: " + ShownInMessage(Options.Files[0]) +
         " is none");
    return 2;
  }
  std::vector<std::string> Files;
  int Status = 0;
  if (!StartOnFiles(Options, Files, Status))
    return Status;
  std::vector<InferSource> Sources;
  for (const std::string &Path : Files) {
    std::string Bytes;
    if (!ReadNamedFile(Path, Bytes, Status))
      continue;
    Sources.push_back(InferSource{DisplayName(Options, Path), std::move(Bytes)});
  }
  if (!Sources.empty()) {
    // The settings in effect for the first FILE (a folder's own) are the starting point.
    std::vector<std::string> Err;
    UseSettingsFor(Options, Options.Files[0], Err);
    PrintLines(Err);
    SettingValues Values = CurrentSettingValues();
    InferResult Result = InferSettings(Sources, Values);
    std::cout << InferredText(Values, Result.Total);
    if (Sources.size() > 1)
      std::cout << WorstFitText(Sources, Result, 5);
    std::cout.flush();
    if (Options.Write) {
      std::string Path = JoinPath(Options.Files[0], ProjectSettingsName);
      std::string Error;
      if (WriteInferredSettings(Path, Values, Error)) {
        std::cerr << "qmate: wrote " << Path << "\n";
      } else {
        Fail(Error);
        Status = 2;
      }
    }
  }
  StopPlugin();
  return Status;
}

int RunSettings(const CliOptions &Options) {
  if (!Start(Options))
    return 2;
  int Status = 0;
  SettingValues Values = CurrentSettingValues();
  std::vector<std::string> FilesRead;
  if (Options.Save) {
    if (CliSetup.BuiltIn) {
      Fail("no setup folder to save to: give one with --setup DIR (qmate configure --setup DIR "
           "makes one)");
      StopPlugin();
      return 2;
    }
    SaveSettings();
    // The plug-in's save reports nothing; read the file back to tell the user.
    PluginSettingsRecord Wanted = PluginSettings;
    PluginRulesRecord WantedRules = PluginRules;
    LoadSettings();
    const PluginSettingsRecord &R = PluginSettings;
    if (R.GlobalTab != Wanted.GlobalTab || R.MainTab != Wanted.MainTab ||
        R.FuncTab != Wanted.FuncTab || R.TextFuncTab != Wanted.TextFuncTab || R.Tab != Wanted.Tab ||
        R.Comments != Wanted.Comments || R.SplitLineTab != Wanted.SplitLineTab) {
      Fail("cannot write the settings file " + CliSetup.Dir + "/qmate.ini");
      Status = 2;
    }
    PluginSettings = Wanted;
    PluginRules = WantedRules;
  } else {
    std::string Path = Options.Files.empty() ? std::string() : Options.Files[0];
    FileSettingsRecord S = SettingsForFile(Path, Options);
    for (const std::string &W : S.Warnings)
      std::cerr << "qmate: warning: " << W << "\n";
    Values = S.Values;
    FilesRead = S.FilesRead;
  }
  for (std::size_t I = 0; I < SettingKeyCount; ++I)
    if (SettingShown(I, Values))
      std::cout << SettingKeyRows[I].Key << "=" << SettingValueText(SettingKeyRows[I], Values[I])
                << "\n";
  for (const std::string &File : FilesRead)
    std::cout << "; read " << File << "\n";
  StopPlugin();
  return Status;
}

int RunCommandLine(const std::vector<std::string> &Args, const std::string &ToolPath) {
  ToolPathForSetup = ToolPath;
  if (!Args.empty() && (Args[0] == "--help" || Args[0] == "-h" || Args[0] == "help")) {
    std::string Verb = Args.size() > 1 ? VerbHelpText(Args[1]) : std::string();
    std::cout << (Verb.empty() ? HelpText() : Verb);
    return 0;
  }
  if (!Args.empty() && Args[0] == "--help-man") {
    std::cout << ManPageText();
    return 0;
  }
  if (!Args.empty() && Args[0] == "--version") {
    std::cout << VersionText() << "\n";
    return 0;
  }
  CliOptions Options;
  std::string Error;
  if (!ParseArguments(Args, Options, Error)) {
    std::string Help =
        VerbHelpText(Options.Verb).empty() ? "qmate --help" : "qmate " + Options.Verb + " --help";
    std::cerr << "qmate: " << Error << " (try '" << Help << "')\n";
    return 2;
  }
  if (Options.Help) {
    std::cout << VerbHelpText(Options.Verb);
    return 0;
  }
  if (Options.Verb == "procs")
    return RunProcs(Options);
  if (Options.Verb == "spell")
    return RunSpell(Options);
  if (Options.Verb == "lint")
    return RunLint(Options);
  if (Options.Verb == "settings")
    return RunSettings(Options);
  if (Options.Verb == "infer")
    return RunInfer(Options);
  if (Options.Verb == "preview")
    return RunPreview(Options);
  if (Options.Verb == "configure")
    return RunConfigure(Options);
  if (Options.Verb == "lsp")
    return RunLsp(Options);
  return RunFileVerb(Options);
}
