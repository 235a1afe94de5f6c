// The settings dialog verbs. `preview` draws the plug-in's own dialog as the host shows it;
// `configure` runs it live in the terminal, or plays actions read from a pipe, and saves
// through the plug-in's own Configure.
#include "../sim/sim.hpp"
#include "../src/host/keys.hpp"
#include "../src/settings/settings.hpp"
#include "driver.hpp"
#include "platform.hpp"
#include "terminal.hpp"
#include "verbs.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

extern std::string ToolPathForSetup;

namespace {

bool Start(const CliOptions &Options) {
  std::string Error;
  if (!StartPlugin(ResolveSetupDir(Options, ToolPathForSetup), Options, Error)) {
    std::cerr << "qmate: " << Error << "\n";
    return false;
  }
  return true;
}

// The open (or last) dialog's rows, cut to its columns, blanks at their ends removed.
std::vector<std::string> DialogLines(int Left, int Top, int Width, int Height) {
  std::vector<std::string> Lines;
  for (int Y = Top; Y < Top + Height; ++Y) {
    std::vector<std::string> Cells = ScreenRowCells(Y);
    std::string Line;
    for (int X = Left; X < Left + Width; ++X)
      if (X >= 0 && X < static_cast<int>(Cells.size()))
        Line += Cells[static_cast<std::size_t>(X)];
    while (!Line.empty() && Line.back() == ' ')
      Line.pop_back();
    Lines.push_back(Line);
  }
  return Lines;
}

void PrintLines(const std::vector<std::string> &Lines) {
  for (const std::string &Line : Lines)
    std::cout << Line << "\n";
  std::cout.flush();
}

void PrintSettings() {
  SettingValues Values = CurrentSettingValues();
  for (std::size_t I = 0; I < SettingKeyCount; ++I)
    if (SettingShown(I, Values))
      std::cout << SettingKeyRows[I].Key << "=" << SettingValueText(SettingKeyRows[I], Values[I])
                << "\n";
  std::cout.flush();
}

// The dialog's place while it is open: the centred place the host gives a 75 x 20 dialog.
struct OpenDialogPlace {
  int Left, Top, Width, Height;
};

OpenDialogPlace CentredPlace() {
  const SimScreenRecord &S = SimHost.Screen;
  return {(S.Width - 75) / 2, (S.Height - 20) / 2, 75, 20};
}

// The actions of a script, one a line.
struct ScriptSource {
  int LineNumber = 0;
  int Actions = 0; // the actions handed to the dialog so far
  bool Failed = false;
};

SimDialogAction KindAction(SimDialogAction::Kind What, int Item = 0) {
  SimDialogAction Action;
  Action.What = What;
  Action.Item = Item;
  return Action;
}

bool NextScriptAction(ScriptSource &Source, SimDialogAction &Action);

bool ReadScriptAction(void *Context, SimDialogAction &Action) {
  ScriptSource &Source = *static_cast<ScriptSource *>(Context);
  if (NextScriptAction(Source, Action)) {
    ++Source.Actions;
    return true;
  }
  return false;
}

bool NextScriptAction(ScriptSource &Source, SimDialogAction &Action) {
  std::string Line;
  while (std::getline(std::cin, Line)) {
    ++Source.LineNumber;
    if (!Line.empty() && Line.back() == '\r')
      Line.pop_back();
    std::size_t Space = Line.find(' ');
    std::string Word = Line.substr(0, Space);
    if (Word.empty() || Word[0] == '#')
      continue;
    if (Word == "type" && Space != std::string::npos) {
      Action = KindAction(SimDialogAction::Type);
      Action.Text = Line.substr(Space + 1);
      return true;
    }
    if (Word == "show") {
      OpenDialogPlace P = CentredPlace();
      PrintLines(DialogLines(P.Left, P.Top, P.Width, P.Height));
      continue;
    }
    const struct {
      const char *Name;
      SimDialogAction::Kind What;
      int Key;
    } Words[] = {{"next", SimDialogAction::Next, 0},
                 {"prev", SimDialogAction::Prev, 0},
                 {"ok", SimDialogAction::Ok, 0},
                 {"cancel", SimDialogAction::Cancel, 0},
                 {"del", SimDialogAction::Key, SimKeyDel},
                 {"backspace", SimDialogAction::Key, SimKeyBackspace},
                 {"left", SimDialogAction::Key, KEY_LEFT},
                 {"right", SimDialogAction::Key, KEY_RIGHT},
                 {"home", SimDialogAction::Key, KEY_HOME},
                 {"end", SimDialogAction::Key, KEY_END}};
    for (const auto &W : Words) {
      if (Word == W.Name && Space == std::string::npos) {
        Action = KindAction(W.What, W.Key);
        return true;
      }
    }
    std::cerr << "qmate: configure: line " << Source.LineNumber << ": unknown action '" << Line
              << "' (type TEXT, next, prev, ok, cancel, del, backspace, left, right, home, end,"
                 " show)\n";
    Source.Failed = true;
    return false;
  }
  return false;
}

void DrawTerminalStep(void *) {
  OpenDialogPlace P = CentredPlace();
  DrawTerminalScreen(P.Left, P.Top, P.Width, P.Height);
}

bool ReadTerminalStep(void *, SimDialogAction &Action) {
  return ReadTerminalAction(Action);
}

// What the configure verb adds to the user's actions, wherever they come from.
struct ConfigureInput {
  bool (*Read)(void *Context, SimDialogAction &Action);
  void *Context;
  std::vector<int> EditedItems; // the items typed into or erased in
  bool OkPending = false;       // Enter, after leaving the field that had the focus
};

bool ReadConfigureAction(void *Context, SimDialogAction &Action) {
  ConfigureInput &Input = *static_cast<ConfigureInput *>(Context);
  if (Input.OkPending) {
    Input.OkPending = false;
    Action = KindAction(SimDialogAction::Ok);
    return true;
  }
  if (!Input.Read(Input.Context, Action))
    return false;
  bool InField = SimHost.DialogCursorX >= 0;
  bool Edits = Action.What == SimDialogAction::Type ||
               (Action.What == SimDialogAction::Key &&
                (Action.Item == SimKeyDel || Action.Item == SimKeyBackspace));
  if (Edits && InField) {
    Input.EditedItems.push_back(SimHost.DialogFocus);
  } else if (Action.What == SimDialogAction::Ok && InField) {
    // Enter in a field leaves the field first. The dialog cleans a field's value only when
    // the field loses the focus (a negative value becomes 0 in the first five fields), and
    // the plug-in saves the text a field holds when the dialog closes: without this, a value
    // typed and confirmed at once would be saved as typed, out of the range the tool reads.
    Action = KindAction(SimDialogAction::Next);
    Input.OkPending = true;
  }
  return true;
}

// After a confirmed dialog: a field that was not typed into keeps its setting. The fields
// hold two characters, so a setting above 99 is shown cut (120 as 12) and would otherwise be
// saved cut. The dialog's number fields are its edit items, in the order of the table's
// first rows.
void KeepUneditedSettings(const SettingValues &Before, const std::vector<int> &EditedItems) {
  if (SimHost.Dialogs.empty())
    return;
  const std::vector<FarDialogItem> &Items = SimHost.Dialogs.back().FinalItems;
  bool Restored = false;
  std::size_t Row = 0;
  for (std::size_t Item = 0; Item < Items.size() && Row < SettingKeyCount; ++Item) {
    if (Items[Item].Type != DI_FIXEDIT)
      continue;
    int *Field = SettingKeyRows[Row].Field();
    bool Edited = std::find(EditedItems.begin(), EditedItems.end(), static_cast<int>(Item)) !=
                  EditedItems.end();
    if (!Edited && *Field != Before[Row]) {
      std::cerr << "qmate: " << SettingKeyRows[Row].Key << "=" << Before[Row]
                << " kept: the dialog's field showed only '" << Items[Item].Data << "'\n";
      *Field = Before[Row];
      Restored = true;
    }
    ++Row;
  }
  if (Restored)
    SaveSettings();
}

// After a confirmed dialog: the file read back must hold what the plug-in stored.
bool SavedAsStored() {
  PluginSettingsRecord Wanted = PluginSettings;
  PluginRulesRecord WantedRules = PluginRules;
  LoadSettings();
  const PluginSettingsRecord &R = PluginSettings;
  bool Same = R.GlobalTab == Wanted.GlobalTab && R.MainTab == Wanted.MainTab &&
              R.FuncTab == Wanted.FuncTab && R.TextFuncTab == Wanted.TextFuncTab &&
              R.Tab == Wanted.Tab && R.Comments == Wanted.Comments &&
              R.SplitLineTab == Wanted.SplitLineTab;
  PluginSettings = Wanted;
  PluginRules = WantedRules;
  return Same;
}

} // namespace

int RunPreview(const CliOptions &Options) {
  if (!Start(Options))
    return 2;
  // An empty script: the dialog is drawn once, then left with Esc.
  SimHost.DialogScripts.push_back({});
  Configure(0);
  if (!SimHost.Dialogs.empty()) {
    const SimDialogCall &Call = SimHost.Dialogs.back();
    PrintLines(DialogLines(Call.Left, Call.Top, Call.Width, Call.Height));
  }
  StopPlugin();
  return 0;
}

namespace {

// A setup folder that does not exist yet, or is empty, is made with the shipped word files,
// so that a folder made for its settings still respells keywords.
bool PrepareNewSetupFolder(const std::string &Dir) {
  PathKind Kind = KindOfPath(Dir, true);
  if (Kind != PathMissing && Kind != PathFolder)
    return true; // StartPlugin says what is wrong
  if (Kind == PathFolder) {
    std::vector<std::string> Names;
    if (!ReadFolderNames(Dir, Names) || !Names.empty())
      return true;
  } else if (!MakeFolder(Dir)) {
    std::cerr << "qmate: cannot make the setup folder " << Dir << ": " << std::strerror(errno)
              << "\n";
    return false;
  }
  if (!WriteShippedWordFiles(Dir)) {
    std::cerr << "qmate: cannot write the word files to " << Dir << "\n";
    return false;
  }
  std::cerr << "qmate: made the setup folder " << Dir
            << " with the shipped Keywords.dat and Replace.dat\n";
  return true;
}

} // namespace

int RunConfigure(const CliOptions &Options) {
  std::string Dir = ResolveSetupDir(Options, ToolPathForSetup);
  if (Dir.empty()) {
    std::cerr << "qmate: no setup folder to save to: give one with --setup DIR (a new folder is "
                 "made with the shipped word files)\n";
    return 2;
  }
  if (!Options.SetupDir.empty() && !PrepareNewSetupFolder(Dir))
    return 2;
  ScriptSource Script;
  bool Live = StdioIsTerminal();
  if (Live) {
    // The dialog and the line of key help below it must fit, or part of it would be cut.
    int Columns = 0, Rows = 0;
    if (TerminalSize(Columns, Rows) && (Columns < 75 || Rows < 21)) {
      std::cerr << "qmate: the terminal is " << Columns << "x" << Rows
                << "; the settings dialog needs at least 75x21\n";
      return 2;
    }
  }
  if (!Start(Options))
    return 2;
  if (Live && !EnterRawTerminal()) {
    std::cerr << "qmate: cannot switch the terminal to raw input\n";
    StopPlugin();
    return 2;
  }
  ConfigureInput Input{Live ? ReadTerminalStep : ReadScriptAction, &Script, {}};
  if (Live)
    SimHost.DialogStep = DrawTerminalStep;
  SimHost.DialogInput = ReadConfigureAction;
  SimHost.DialogInputContext = &Input;
  SettingValues Before = CurrentSettingValues();
  int Confirmed = Configure(0);
  SimHost.DialogStep = nullptr;
  SimHost.DialogInput = nullptr;
  SimHost.DialogInputContext = nullptr;
  if (Live)
    LeaveRawTerminal();
  if (Confirmed)
    KeepUneditedSettings(Before, Input.EditedItems);
  int Status = 0;
  if (Script.Failed) {
    Status = 2;
  } else if (!Live && Script.Actions == 0) {
    std::cerr << "qmate: configure needs a terminal, or dialog actions on standard input (see "
                 "'qmate configure --help'); nothing saved\n";
    Status = 2;
  } else if (Confirmed) {
    if (!SavedAsStored()) {
      std::cerr << "qmate: cannot write the settings file " << Dir << "/qmate.ini\n";
      Status = 2;
    }
    PrintSettings();
  } else {
    std::cerr << "qmate: settings dialog cancelled; nothing saved\n";
    Status = 1;
  }
  StopPlugin();
  return Status;
}
