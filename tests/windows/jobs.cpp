// The job runner. A job file holds one job per line, its fields separated by tabs:
//   NAME  VERB  LINES  CURSOR  SETTINGS  INPUT  EXPECTED  ACTUAL
// An optional ninth field CODEPAGE is the code page a Far 3 editor holds the file in (866
// without it); the Far 1.70 library reads the bytes as they are.
// VERB is reindent, annotate, comment, uncomment or procs; LINES is A-B (1-based, a block
// marked with Shift+Down from column 0 of line A through line B) or "-"; CURSOR is L:C
// (1-based line, 0-based column) or "-"; SETTINGS is KEY=VALUE[,KEY=VALUE...] or "-", written
// to setup\qmate.ini before the library starts. EXPECTED is the native tool's output, with its
// message boxes in EXPECTED.err; the job's own output goes to ACTUAL and ACTUAL.err, in the
// same forms: the file's bytes (for procs, the procedure list as "* " or "  " and the entry
// text per line) and one "TITLE: TEXT" line per message box.
#include "jobs.hpp"
#include "check.hpp"
#include "platform.hpp"
#include "plugin_module.hpp"

#include <vector>

std::string MessageLines() {
  std::string Out;
  for (const SimMessageCall &M : SimHost.Messages) {
    std::string Line = M.Items.empty() ? std::string() : M.Items[0];
    Line += ":";
    for (std::size_t I = 1; I + static_cast<std::size_t>(M.Buttons) < M.Items.size(); ++I)
      Line += " " + M.Items[I];
    Out += Line + "\n";
  }
  return Out;
}

namespace {

struct JobRecord {
  std::string Name, Verb, Lines, Cursor, Settings, Input, Expected, Actual;
  unsigned CodePage;
};

std::vector<std::string> Split(const std::string &Text, char Separator) {
  std::vector<std::string> Parts;
  std::size_t Start = 0;
  while (true) {
    std::size_t End = Text.find(Separator, Start);
    Parts.push_back(Text.substr(Start, End == std::string::npos ? std::string::npos : End - Start));
    if (End == std::string::npos)
      return Parts;
    Start = End + 1;
  }
}

// "A-B" or "L:C" as two numbers; false for "-" or a malformed pair.
bool NumberPair(const std::string &Text, char Separator, int &First, int &Second) {
  std::vector<std::string> Parts = Split(Text, Separator);
  if (Parts.size() != 2 || Parts[0].empty() || Parts[1].empty())
    return false;
  First = std::atoi(Parts[0].c_str());
  Second = std::atoi(Parts[1].c_str());
  return true;
}

int MenuEntryOf(const std::string &Verb) {
  if (Verb == "reindent")
    return 0;
  if (Verb == "procs")
    return 1;
  if (Verb == "comment")
    return 2;
  if (Verb == "uncomment")
    return 3;
  if (Verb == "annotate")
    return 4;
  return -1;
}

// The section a key of the settings file belongs to: the rule set's keys have their own.
const char *SectionOf(const std::string &Key) {
  for (const char *Rules :
       {"Style", "CaseIndent", "BlankLines", "KeepContinuation", "KeepColumn0Comments",
        "ReturnAtHeader", "DialogBlocks", "FlatSequence", "ClassBody", "RoutineBody", "Steps",
        "Directives", "IndentWith", "TabWidth", "KeepOpeners"})
    if (Key == Rules)
      return "Rules";
  return "Settings";
}

// The library started afresh with the job's settings in its settings file.
void StartWithSettings(const PluginModuleRecord &Plugin, const LayoutRecord &Layout,
                       const std::string &Settings) {
  RemoveFile(Layout.Settings);
  if (Settings != "-") {
    for (const std::string &Pair : Split(Settings, ',')) {
      std::size_t Equals = Pair.find('=');
      if (Equals != std::string::npos)
        ProfileWrite(SectionOf(Pair.substr(0, Equals)), Pair.substr(0, Equals),
                     Pair.substr(Equals + 1), Layout.Settings);
    }
  }
  StartPlugin(Plugin, Layout.Folder + "qmateEng.lng");
}

void RunJob(const PluginModuleRecord &Plugin, const LayoutRecord &Layout, const JobRecord &Job) {
  BeginScenario("job " + Job.Name);
  int Entry = MenuEntryOf(Job.Verb);
  std::string Input, Expected, ExpectedMessages;
  if (!Check(Entry >= 0, "known verb " + Job.Verb) ||
      !Check(ReadBytes(Job.Input, Input), "input readable: " + Job.Input) ||
      !Check(ReadBytes(Job.Expected, Expected), "native output readable: " + Job.Expected) ||
      !Check(ReadBytes(Job.Expected + ".err", ExpectedMessages), "native messages readable"))
    return;
  StartWithSettings(Plugin, Layout, Job.Settings);
  HoldInCodePage(Job.CodePage);
  SimLoadText(Input, Job.Input);
  int Line = 0, Column = 0;
  if (NumberPair(Job.Cursor, ':', Line, Column))
    SimSetCursor(Line - 1, Column);
  int First = 0, Last = 0;
  if (NumberPair(Job.Lines, '-', First, Last))
    SimMarkLines(First - 1, std::min(Last, SimLineCount()) - 1);
  SimHost.MenuAnswers = {Entry, -1};
  OpenInEditor(Plugin);
  std::string Output;
  if (Job.Verb == "procs") {
    // The entries as the editor shows them, in the file's own bytes.
    if (SimHost.Menus.size() >= 2)
      for (std::size_t I = 0; I < SimHost.Menus[1].Items.size(); ++I)
        Output += std::string(SimHost.Menus[1].Items[I].Selected ? "* " : "  ") +
                  ShownEntry(Plugin, I, Job.CodePage) + "\n";
  } else {
    Output = SimSaveText();
  }
  std::string Messages = MessageLines();
  WriteBytes(Job.Actual, Output);
  WriteBytes(Job.Actual + ".err", Messages);
  if (Output != Expected) {
    std::size_t At = 0;
    while (At < Output.size() && At < Expected.size() && Output[At] == Expected[At])
      ++At;
    Check(false, "output differs from the native build's at byte " + std::to_string(At) + " (" +
                     Job.Actual + " against " + Job.Expected + ")");
  } else {
    Check(true, "output as the native build's");
  }
  CheckEqual(Messages, ExpectedMessages, "message boxes as the native build's");
}

} // namespace

void RunJobs(const std::string &JobFile) {
  BeginScenario("jobs from " + JobFile);
  std::string Text;
  if (!Check(ReadBytes(JobFile, Text), "job file readable"))
    return;
  LayoutRecord Layout;
  if (!Check(MakeLayout("jobs", true, Layout), "layout made"))
    return;
  PluginModuleRecord Plugin;
  if (!Check(LoadPlugin(Layout.Dll, Plugin), "the library loads"))
    return;
  int Count = 0;
  for (std::string Line : Split(Text, '\n')) {
    if (!Line.empty() && Line.back() == '\r')
      Line.pop_back();
    if (Line.empty() || Line[0] == '#')
      continue;
    std::vector<std::string> Fields = Split(Line, '\t');
    if (!Check(Fields.size() == 8 || Fields.size() == 9, "job line with 8 or 9 fields: " + Line))
      continue;
    JobRecord Job{
        Fields[0], Fields[1], Fields[2],
        Fields[3], Fields[4], Fields[5],
        Fields[6], Fields[7], Fields.size() == 9 ? unsigned(std::atoi(Fields[8].c_str())) : 866u};
    RunJob(Plugin, Layout, Job);
    ++Count;
  }
  BeginScenario("jobs from " + JobFile);
  Check(Count > 0, "the job file holds jobs");
  UnloadPlugin(Plugin);
}
