// The language server's work on one document: each request runs the plug-in's own command
// in the simulated editor on the document's text, as the command-line verbs do, and answers
// with the lines that changed.
#include "../sim/sim.hpp"
#include "../src/settings/settings.hpp"
#include "../cli/diff.hpp"
#include "../cli/driver.hpp"
#include "../cli/guard.hpp"
#include "../cli/header_lines.hpp"
#include "lsp.hpp"
#include "../cli/project.hpp"

#include <algorithm>
#include <iostream>
#include "../cli/platform.hpp"
#include <time.h>

extern std::string ToolPathForSetup;

namespace {

const int RequestFailed = -32803;

// The project settings file's identity, size and times into Settings; false when it cannot
// be looked at (then it is read again each time, and the reading says why).
bool StatInto(const std::string &Project, LspProjectSettings &Settings) {
  FileIdentityRecord Id;
  Settings.Exists = !Project.empty() && IdentifyFile(Project, Id);
  if (!Settings.Exists)
    return Project.empty();
  Settings.Device = Id.Device;
  Settings.Inode = Id.Inode;
  Settings.Size = Id.Size;
  Settings.Modified = Id.Modified;
  Settings.Changed = Id.Changed;
  return true;
}

bool SameFile(const LspProjectSettings &A, const LspProjectSettings &B) {
  return A.Exists == B.Exists && A.Device == B.Device && A.Inode == B.Inode && A.Size == B.Size &&
         A.Modified == B.Modified && A.Changed == B.Changed;
}

// The settings the command line uses for a file at Path. A project settings file is read once
// and its values kept until the file changes (its identity, size or times; looked at before
// each reading, so that a change while it is read shows at the next request), the setup
// folder's values change, or the client says it was saved or changed: a large one is not
// read again for every request.
SettingValues SettingsFor(const std::string &Path) {
  std::string Named = Path == "-" ? LspServer.Options.AssumeFileName : Path;
  std::string Folder = Path.empty() ? "." : PathIsFolder(Named) ? Named : FolderOfPath(Named);
  std::string Project = NearestProjectSettings(Folder);
  LspProjectSettings Now;
  bool Known = StatInto(Project, Now);
  auto Found = LspServer.ProjectSettings.find(Project);
  if (Known && Found != LspServer.ProjectSettings.end() && SameFile(Found->second, Now) &&
      Found->second.Base == CliSetup.Base)
    return Found->second.Values;
  FileSettingsRecord Settings = SettingsForFile(Path, LspServer.Options);
  // Standard error is the server's log in every client.
  for (const std::string &W : Settings.Warnings)
    std::cerr << "qmate: warning: " << W << "\n";
  // A file written in the last two seconds may be written again within the same tick of the
  // file system's clock, with the same size: such a change would not show, so it is kept
  // only once it has settled.
  struct timespec Clock;
  clock_gettime(CLOCK_REALTIME, &Clock);
  long long Settled = (Clock.tv_sec - 2) * 1000000000LL + Clock.tv_nsec;
  if (Known && Now.Exists && Now.Modified > Settled)
    Known = false;
  if (!Known) {
    LspServer.ProjectSettings.erase(Project);
  } else {
    Now.Base = CliSetup.Base;
    Now.Values = Settings.Values;
    LspServer.ProjectSettings[Project] = std::move(Now);
  }
  return Settings.Values;
}

// The plug-in started with the settings the command line uses for a file at Path.
void StartPluginFor(const std::string &Path) {
  std::string Error;
  if (!StartPlugin(ResolveSetupDir(LspServer.Options, ToolPathForSetup), LspServer.Options, Error))
    throw LspError{RequestFailed, Error};
  ApplySettingValues(SettingsFor(Path));
  PluginIncludeFolders = IncludeFoldersFor(Path, LspServer.Options);
}

// The block a command works on: the 0-based lines First to Last and, for the re-indenter,
// the cursor's column (in characters) on its first line, from which the block is indented.
struct LineBlock {
  bool Marked = false;
  bool Cursor = false;
  bool Empty = false; // the range starts past the text's last line: nothing to work on
  int First = 0, Last = 0, Column = 0;
};

// The editor's line that holds the byte at Offset, as the editor reads the lines
// (SimSplitLine: a client ends one more at the first CR of a CR CR LF), and where it starts.
int EditorLineOf(const std::string &Text, std::size_t Offset, std::size_t *Start = nullptr) {
  int Line = 0;
  std::size_t At = 0;
  for (SimLineSpan S = SimSplitLine(Text.data(), Text.size(), 0);
       S.Eol != SimEolNone && S.Next <= Offset; S = SimSplitLine(Text.data(), Text.size(), At)) {
    At = S.Next;
    ++Line;
  }
  if (Start)
    *Start = At;
  return Line;
}

// The lines a range covers; an end at column 0 of a later line leaves that line out, as a
// selection of whole lines ends there. The client's positions become byte offsets first, so
// the client's reading of the line ends never shifts the block. The block ends at the text's
// last line: the empty place after a final line end is no line to comment or indent.
LineBlock BlockOf(const std::string &Text, const Json &Range) {
  long long First = Range.at("start").at("line").get<long long>();
  long long StartCharacter = Range.at("start").at("character").get<long long>();
  long long Last = Range.at("end").at("line").get<long long>();
  if (Last > First && Range.at("end").at("character").get<long long>() == 0)
    --Last;
  bool Reversed = Last < First;
  if (Reversed)
    std::swap(Last, First);
  std::size_t StartAt = LspOffsetOf(Text, First, Reversed ? 0 : StartCharacter);
  LineBlock B;
  B.Marked = true;
  B.Cursor = true;
  std::size_t LineAt = 0;
  B.First = EditorLineOf(Text, StartAt, &LineAt);
  B.Last = EditorLineOf(Text, LspOffsetOf(Text, Last, 0));
  const bool EndsWithEol = !Text.empty() && (Text.back() == '\n' || Text.back() == '\r');
  int LastLine = EditorLineOf(Text, Text.size()) - (Text.empty() || EndsWithEol ? 1 : 0);
  // A start the client places past its last line was put at the text's end.
  bool StartPastEnd = LspPositionOf(Text, StartAt)["line"].get<long long>() != First;
  if (B.First > LastLine || StartPastEnd) {
    B.Empty = true;
    return B;
  }
  B.Last = std::min(B.Last, LastLine);
  // The column the block is indented to counts the characters before the start, as the
  // editor shows them, not their bytes.
  for (std::size_t At = LineAt; At < StartAt; ++At)
    B.Column += (static_cast<unsigned char>(Text[At]) & 0xC0) != 0x80 ? 1 : 0;
  return B;
}

// Runs one entry of the command menu on the document (Answers as the menus are answered);
// the editor keeps the result until the next run.
void RunEntry(const LspDocument &Document, const std::vector<int> &Answers,
              const LineBlock &Block) {
  StartPluginFor(Document.Path);
  CliOptions Run = LspServer.Options;
  Run.HasLines = Block.Marked;
  Run.FirstLine = Block.First + 1;
  Run.LastLine = Block.Last + 1;
  Run.HasCursor = Block.Cursor;
  Run.CursorLine = Block.First + 1;
  Run.CursorColumn = Block.Column;
  std::vector<std::string> Messages; // the plug-in's notices have no place in an editor's edits
  RunInEditor(Document.Text, Document.Path, Answers, Run, Messages);
  StopPlugin();
}

// The edits that turn Before into After, one per run of changed lines. The whole lines both
// texts share at their start and end are set aside first, so that a change to a few lines of
// a large text is found without comparing all of it line by line.
Json EditsBetween(const std::string &Before, const std::string &After) {
  std::size_t Limit = std::min(Before.size(), After.size());
  std::size_t Same = 0;
  while (Same < Limit && Before[Same] == After[Same])
    ++Same;
  // The shared start ends after a "\n" (a "\r" might be the first half of a "\r\n").
  std::size_t Head = Same == 0 ? std::string::npos : Before.rfind('\n', Same - 1);
  Head = Head == std::string::npos ? 0 : Head + 1;
  std::size_t Tail = 0;
  while (Tail < Limit - Head && Before[Before.size() - 1 - Tail] == After[After.size() - 1 - Tail])
    ++Tail;
  // The shared end starts after the first "\n" inside the bytes both end with.
  std::size_t EndA = Before.find('\n', Before.size() - Tail);
  EndA = EndA == std::string::npos ? Before.size() : EndA + 1;
  std::size_t EndB = After.size() - (Before.size() - EndA);
  TextLines A = SplitLines(Before.data() + Head, EndA - Head);
  TextLines B = SplitLines(After.data() + Head, EndB - Head);
  Json Edits = Json::array();
  LspPositionWalk Walk; // the runs come top to bottom
  for (const LineChange &C : ChangedLines(SideOf(A), SideOf(B))) {
    std::size_t From = B.Starts[std::size_t(C.NewFirst)];
    std::size_t To = B.Starts[std::size_t(C.NewFirst + C.NewCount)];
    // The range is taken from the byte offsets in Before, so the client's own reading of
    // the line ends (a CR CR LF is two for it, one for the editor) holds.
    std::size_t OldFrom = Head + A.Starts[std::size_t(C.OldFirst)];
    std::size_t OldTo = Head + A.Starts[std::size_t(C.OldFirst + C.OldCount)];
    Edits.push_back({{"range",
                      {{"start", LspPositionFrom(Before, Walk, OldFrom)},
                       {"end", LspPositionFrom(Before, Walk, OldTo)}}},
                     {"newText", After.substr(Head + From, To - From)}});
  }
  return Edits;
}

Json EditsOfEntry(const LspDocument &Document, int Entry, const LineBlock &Block) {
  if (Block.Empty)
    return Json::array();
  RunEntry(Document, {Entry}, Block);
  return EditsBetween(Document.Text, SimSaveText());
}

// The re-indent's edits, or none when the guard finds that the result is not the same
// program.
Json GuardedReindent(const LspDocument &Document, const LineBlock &Block, std::string *Refusal) {
  if (Block.Empty)
    return Json::array();
  RunEntry(Document, {EntryReindent}, Block);
  std::string After = SimSaveText();
  if (!LspServer.Options.NoVerify) {
    int Line =
        FirstChangedLine(Document.Text.data(), Document.Text.size(), After.data(), After.size());
    if (Line > 0) {
      if (Refusal)
        *Refusal = GuardRefusal(Document.Path, Line);
      return Json::array();
    }
  }
  return EditsBetween(Document.Text, After);
}

Json CommandAction(const std::string &Title, const std::string &Command, const std::string &Uri,
                   const Json &Range) {
  Json Arguments = Json::array({Uri, Range});
  return {{"title", Title},
          {"kind", "refactor.rewrite"},
          {"command", {{"title", Title}, {"command", Command}, {"arguments", Arguments}}}};
}

} // namespace

Json LspFormat(const LspDocument &Document, std::string *Refusal) {
  return GuardedReindent(Document, LineBlock(), Refusal);
}

Json LspFormatRange(const LspDocument &Document, const Json &Range, std::string *Refusal) {
  return GuardedReindent(Document, BlockOf(Document.Text, Range), Refusal);
}

Json LspSymbols(const LspDocument &Document) {
  RunEntry(Document, {EntryProcedures, -1}, LineBlock());
  return LspOutline(Document.Text, NavigatorHeaderLines());
}

Json LspCodeActions(const std::string &Uri, const Json &Range) {
  return Json::array({CommandAction("Comment the lines", "qmate.comment", Uri, Range),
                      CommandAction("Uncomment the lines", "qmate.uncomment", Uri, Range),
                      CommandAction("Annotate block ends", "qmate.annotate", Uri, Range)});
}

Json LspCommandEdits(const std::string &Command, const LspDocument &Document, const Json *Range) {
  int Entry = Command == "qmate.comment"     ? EntryComment
              : Command == "qmate.uncomment" ? EntryUncomment
              : Command == "qmate.annotate"  ? EntryAnnotate
                                             : -1;
  if (Entry < 0)
    throw LspError{-32602, "unknown command '" + Command + "'"};
  if (!Range && Entry != EntryAnnotate)
    throw LspError{-32602, Command + " needs the range of the lines to work on"};
  LineBlock Block = Range ? BlockOf(Document.Text, *Range) : LineBlock();
  Block.Cursor = false; // the block commands work on whole lines
  return EditsOfEntry(Document, Entry, Block);
}
