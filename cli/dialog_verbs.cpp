// The settings dialog verbs. `preview` draws the plug-in's own dialog as the host shows it;
// `configure` runs it live in the terminal, or plays actions read from a pipe, and saves
// through the plug-in's own Configure.
#include "../sim/sim.hpp"
#include "../src/host/keys.hpp"
#include "../src/settings/settings.hpp"
#include "driver.hpp"
#include "terminal.hpp"
#include "verbs.hpp"

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
  const PluginSettingsRecord &S = PluginSettings;
  const int Values[7] = {S.GlobalTab, S.MainTab,  S.FuncTab,     S.TextFuncTab,
                         S.Tab,       S.Comments, S.SplitLineTab};
  for (int I = 0; I < 7; ++I)
    std::cout << SettingNames[I] << "=" << Values[I] << "\n";
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
  bool Failed = false;
};

SimDialogAction KindAction(SimDialogAction::Kind What, int Item = 0) {
  SimDialogAction Action;
  Action.What = What;
  Action.Item = Item;
  return Action;
}

bool ReadScriptAction(void *Context, SimDialogAction &Action) {
  ScriptSource &Source = *static_cast<ScriptSource *>(Context);
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

// After a confirmed dialog: the file read back must hold what the plug-in stored.
bool SavedAsStored() {
  PluginSettingsRecord Wanted = PluginSettings;
  LoadSettings();
  const PluginSettingsRecord &R = PluginSettings;
  bool Same = R.GlobalTab == Wanted.GlobalTab && R.MainTab == Wanted.MainTab &&
              R.FuncTab == Wanted.FuncTab && R.TextFuncTab == Wanted.TextFuncTab &&
              R.Tab == Wanted.Tab && R.Comments == Wanted.Comments &&
              R.SplitLineTab == Wanted.SplitLineTab;
  PluginSettings = Wanted;
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

int RunConfigure(const CliOptions &Options) {
  if (!Start(Options))
    return 2;
  ScriptSource Script;
  bool Live = StdioIsTerminal();
  if (Live && !EnterTerminal()) {
    std::cerr << "qmate: cannot switch the terminal to raw input\n";
    StopPlugin();
    return 2;
  }
  if (Live) {
    SimHost.DialogStep = DrawTerminalStep;
    SimHost.DialogInput = ReadTerminalStep;
  } else {
    SimHost.DialogInput = ReadScriptAction;
    SimHost.DialogInputContext = &Script;
  }
  int Confirmed = Configure(0);
  SimHost.DialogStep = nullptr;
  SimHost.DialogInput = nullptr;
  SimHost.DialogInputContext = nullptr;
  if (Live)
    LeaveTerminal();
  int Status = Script.Failed ? 2 : 0;
  if (Confirmed) {
    if (!SavedAsStored()) {
      std::cerr << "qmate: cannot write the settings file " << SettingsPath() << "\n";
      Status = 2;
    }
    PrintSettings();
  } else {
    std::cerr << "qmate: settings dialog cancelled; nothing saved\n";
  }
  StopPlugin();
  return Status;
}
