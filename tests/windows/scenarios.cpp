// Scenarios of the real library: exports and imports, the host's loading order, start-up from
// a distribution folder, the settings file written by the dialog and read back by a new load,
// the command menu, the warnings and the navigator's jump.
#include "scenarios.hpp"
#include "../../src/host/keys.hpp"
#include "../../src/host/session.hpp"
#include "check.hpp"
#include "platform.hpp"
#include "plugin_module.hpp"

#include <algorithm>
#include <cstring>

namespace {

const char *const EntryNames[5] = {"SetStartupInfo", "GetPluginInfo", "OpenPlugin", "Configure",
                                   "GetMinFarVersion"};

// The command menu's entries as the plug-in numbers them (index 5 is the separator).
const int EntryReindent = 0;
const int EntryProcedures = 1;
const int EntryComment = 2;
const int EntryUncomment = 3;

// The settings dialog's number fields, top to bottom, and its buttons.
const int SettingFields[7] = {2, 4, 6, 8, 10, 12, 14};
const char *const SettingKeys[7] = {"GlobalTab", "MainTab",  "FuncTab",     "TextFuncTab",
                                    "Tab",       "Comments", "SplitLineTab"};
const int OkButton = 16;

std::string Lang(int Id) {
  if (Id < 0 || Id >= static_cast<int>(SimHost.LanguageTexts.size()))
    return "<no message " + std::to_string(Id) + ">";
  return SimHost.LanguageTexts[static_cast<std::size_t>(Id)];
}

std::string Lower(std::string Text) {
  for (char &C : Text)
    if (C >= 'A' && C <= 'Z')
      C = static_cast<char>(C - 'A' + 'a');
  return Text;
}

bool Contains(const std::string &Text, const std::string &Part) {
  return Text.find(Part) != std::string::npos;
}

// Loads the library of Layout and starts it with the layout's English language file.
bool LoadAndStart(const LayoutRecord &Layout, PluginModuleRecord &Plugin) {
  if (!Check(LoadPlugin(Layout.Dll, Plugin), "LoadLibraryA and the five exports of " + Layout.Dll +
                                                 " (error " + std::to_string(LastSystemError()) +
                                                 ")"))
    return false;
  StartPlugin(Plugin, Layout.Folder + "qmateEng.lng");
  return true;
}

// Runs the settings dialog through Configure with one script; returns Configure's result.
int RunDialog(const PluginModuleRecord &Plugin, const std::vector<SimDialogAction> &Script) {
  SimReset();
  SimHost.DialogScripts.push_back(Script);
  return Plugin.Configure(0);
}

// The texts of the seven number fields as the last dialog closed with them.
std::vector<std::string> FieldTexts() {
  std::vector<std::string> Texts;
  if (SimHost.Dialogs.empty())
    return Texts;
  const std::vector<FarDialogItem> &Items = SimHost.Dialogs.back().FinalItems;
  for (int Field : SettingFields)
    if (Field < static_cast<int>(Items.size()))
      Texts.push_back(Items[static_cast<std::size_t>(Field)].Data);
  return Texts;
}

std::string Joined(const std::vector<std::string> &Texts) {
  std::string Out;
  for (const std::string &T : Texts)
    Out += (Out.empty() ? "" : ",") + T;
  return Out;
}

SimDialogAction Action(SimDialogAction::Kind What, const std::string &Text = std::string(),
                       int Item = 0) {
  SimDialogAction A;
  A.What = What;
  A.Text = Text;
  A.Item = Item;
  return A;
}

// Focus on a number field, then the characters typed into it: the first key typed into a
// field that has just got the focus replaces its text, as in the host.
void TypeInto(std::vector<SimDialogAction> &Script, int Field, const std::string &Text) {
  Script.push_back(Action(SimDialogAction::Focus, std::string(), Field));
  Script.push_back(Action(SimDialogAction::Type, Text));
}

void ExportTables(const LayoutRecord &Layout) {
  BeginScenario("export and import tables");
  PluginModuleRecord Plugin;
  if (!Check(LoadPlugin(Layout.Dll, Plugin), "the library loads with its five exports"))
    return;
  std::vector<std::string> Names = ExportNames(Plugin.Module);
  std::sort(Names.begin(), Names.end());
  CheckEqual(Joined(Names), "Configure,GetMinFarVersion,GetPluginInfo,OpenPlugin,SetStartupInfo",
             "exactly the five undecorated exports");
  for (const char *Name : EntryNames) {
    Check(FindLibraryExport(Plugin.Module, Name) != nullptr, std::string("GetProcAddress ") + Name);
    Check(FindLibraryExport(Plugin.Module, (std::string("_") + Name).c_str()) == nullptr,
          std::string("no decorated export _") + Name);
  }
  Check(FindLibraryExport(Plugin.Module, "SetStartupInfo@4") == nullptr,
        "no export SetStartupInfo@4");
  Check(FindLibraryExport(Plugin.Module, "OpenPlugin@8") == nullptr, "no export OpenPlugin@8");
  const char *const System[] = {"kernel32.dll", "user32.dll", "msvcrt.dll", "advapi32.dll",
                                "ntdll.dll"};
  std::vector<std::string> Imports = ImportedLibraries(Plugin.Module);
  Check(!Imports.empty(), "the import table is found");
  for (const std::string &Import : Imports) {
    bool Known = false;
    for (const char *Name : System)
      Known = Known || Lower(Import) == Name;
    Check(Known, "imports only Windows system libraries: " + Import);
  }
  UnloadPlugin(Plugin);
}

void VersionAndPluginInfo(const LayoutRecord &Layout) {
  BeginScenario("GetMinFarVersion and GetPluginInfo");
  PluginModuleRecord Plugin;
  if (!Check(LoadPlugin(Layout.Dll, Plugin), "the library loads"))
    return;
  // The host asks for the version before it hands over the service table.
  CheckEqual(Plugin.GetMinFarVersion(), 0x024F0146, "GetMinFarVersion is 1.70 build 591");
  StartPlugin(Plugin, Layout.Folder + "qmateEng.lng");
  PluginInfo Info;
  std::memset(&Info, 0, sizeof(Info));
  int Sentinel = 0;
  Info.DiskMenuNumbers = &Sentinel;
  Info.Reserved = 0x5A5A5A5A;
  Plugin.GetPluginInfo(&Info);
  CheckEqual(Info.StructSize, 44, "StructSize");
  CheckEqual(Info.Flags, PF_EDITOR | PF_DISABLEPANELS, "offered in the editor only");
  CheckEqual(Info.DiskMenuStringsNumber, 0, "no disk menu entry");
  CheckEqual(Info.PluginMenuStringsNumber, 1, "one plug-in menu entry");
  CheckEqual(Info.PluginConfigStringsNumber, 1, "one configuration menu entry");
  Check(Info.CommandPrefix == nullptr, "no command prefix");
  Check(Info.DiskMenuNumbers == &Sentinel && Info.Reserved == 0x5A5A5A5A,
        "the fields the plug-in does not own are left alone");
  if (Check(Info.PluginMenuStrings != nullptr && Info.PluginConfigStrings != nullptr,
            "menu string arrays set")) {
    CheckEqual(Info.PluginMenuStrings[0], Lang(MsgTitle), "plug-in menu title from the .lng");
    CheckEqual(Info.PluginConfigStrings[0], Lang(MsgTitle), "configuration menu title");
  }
  // The host builds its menus again and again; the answer stays the same.
  PluginInfo Again;
  std::memset(&Again, 0, sizeof(Again));
  Plugin.GetPluginInfo(&Again);
  Check(Again.PluginMenuStrings && std::string(Again.PluginMenuStrings[0]) == Lang(MsgTitle),
        "a second GetPluginInfo gives the same title");
  UnloadPlugin(Plugin);
}

void StartupReadsSetupFiles() {
  BeginScenario("start-up reads setup\\Keywords.dat and setup\\Replace.dat");
  LayoutRecord Layout;
  if (!Check(MakeLayout("words", true, Layout), "layout made"))
    return;
  WriteBytes(Layout.Setup + "Keywords.dat", "; keywords in their spelling\r\nENDIF\r\nFUNCTION\r\n"
                                            "IF\r\nNIL\r\nRETURN\r\n");
  WriteBytes(Layout.Setup + "Replace.dat", "; word       replacement\r\nQQOUT      QOut\r\n");
  PluginModuleRecord Plugin;
  if (!LoadAndStart(Layout, Plugin))
    return;
  std::string After = RunInEditor(Plugin,
                                  "function Main()\r\nqqout(1)\r\nif .t.\r\nendif\r\n"
                                  "return nil\r\n",
                                  "MAIN.PRG", {EntryReindent});
  Check(Contains(After, "FUNCTION Main()"), "keyword respelled: " + Visible(After));
  Check(Contains(After, "QOut(1)"), "word replaced: " + Visible(After));
  Check(Contains(After, "RETURN NIL"), "two keywords on one line: " + Visible(After));
  Check(Contains(After, "ENDIF\r\n"), "line ends kept: " + Visible(After));
  UnloadPlugin(Plugin);

  BeginScenario("a plug-in folder with a blank and an accented letter in its path");
  LayoutRecord Spaced;
  if (Check(MakeLayout("Far Plugins \xC9t\xE9", true, Spaced), "layout made")) {
    WriteBytes(Spaced.Setup + "Keywords.dat", "ENDIF\r\nIF\r\n");
    if (LoadAndStart(Spaced, Plugin)) {
      Check(Contains(Plugin.Path, "Far Plugins \xC9t\xE9\\qmate.dll"),
            "the module path as Windows reports it: " + Visible(Plugin.Path));
      After = RunInEditor(Plugin, "if x\r\nendif\r\n", "A.PRG", {EntryReindent});
      CheckEqual(After, "IF x\r\nENDIF\r\n", "the setup files found through that path");
      std::vector<SimDialogAction> Script;
      TypeInto(Script, 2, "3");
      Script.push_back(Action(SimDialogAction::Ok));
      RunDialog(Plugin, Script);
      CheckEqual(ProfileInt("Settings", "GlobalTab", 0, Spaced.Settings), 3,
                 "qmate.ini written through that path");
      UnloadPlugin(Plugin);
    }
  }

  BeginScenario("start-up without a setup folder");
  LayoutRecord Bare;
  if (!Check(MakeLayout("bare", false, Bare), "layout made"))
    return;
  if (!LoadAndStart(Bare, Plugin))
    return;
  After = RunInEditor(Plugin, "function Main()\nreturn nil\n", "MAIN.PRG", {EntryReindent});
  Check(Contains(After, "function Main()") && Contains(After, "return nil"),
        "no word tables: words stay as written: " + Visible(After));
  Check(SimHost.Messages.empty(), "nothing is shown for the missing files");
  CheckEqual(RunDialog(Plugin, {Action(SimDialogAction::Cancel)}), 0, "Configure cancelled");
  CheckEqual(Joined(FieldTexts()), "0,0,0,2,2,-1,-1", "the defaults in the dialog");
  Check(!FileExists(Bare.Settings), "no settings file made");
  // OK without a setup folder: the write fails unseen, the values stay in effect in memory.
  std::vector<SimDialogAction> Script;
  TypeInto(Script, 10, "5");
  Script.push_back(Action(SimDialogAction::Ok));
  CheckEqual(RunDialog(Plugin, Script), 1, "Configure still returns 1");
  Check(!FileExists(Bare.Settings) && !FileExists(Bare.Setup), "no folder or file made");
  RunDialog(Plugin, {Action(SimDialogAction::Cancel)});
  CheckEqual(Joined(FieldTexts()), "0,0,0,2,5,-1,-1", "the confirmed value kept in memory");
  UnloadPlugin(Plugin);
}

void SettingsFileRoundTrip() {
  BeginScenario("a confirmed dialog writes setup\\qmate.ini, a new load reads it");
  LayoutRecord Layout;
  if (!Check(MakeLayout("settings", true, Layout), "layout made"))
    return;
  PluginModuleRecord Plugin;
  if (!LoadAndStart(Layout, Plugin))
    return;
  const char *const Typed[7] = {"1", "2", "3", "4", "5", "-3", "7"};
  // As a user fills the dialog: the first field has the focus, Tab moves to the next one.
  std::vector<SimDialogAction> Script;
  for (int I = 0; I < 7; ++I) {
    Script.push_back(Action(SimDialogAction::Type, Typed[I]));
    Script.push_back(Action(SimDialogAction::Next));
  }
  Script.push_back(Action(SimDialogAction::Ok));
  CheckEqual(RunDialog(Plugin, Script), 1, "Configure returns 1 on OK");
  if (!SimHost.Dialogs.empty()) {
    CheckEqual(SimHost.Dialogs.back().HelpTopic, "Config", "the dialog's help topic");
    CheckEqual(SimHost.Dialogs.back().Result, OkButton, "closed by the OK button");
  }
  CheckEqual(Joined(FieldTexts()), "1,2,3,4,5,-3,7", "the fields as confirmed");
  if (!Check(FileExists(Layout.Settings), "qmate.ini written in the setup folder"))
    return;
  const int Wanted[7] = {1, 2, 3, 4, 5, -3, 7};
  for (int I = 0; I < 7; ++I)
    CheckEqual(ProfileInt("Settings", SettingKeys[I], 99, Layout.Settings), Wanted[I],
               std::string("GetPrivateProfileIntA reads ") + SettingKeys[I]);
  std::string Saved;
  ReadBytes(Layout.Settings, Saved);
  std::size_t Last = 0;
  const char *const Order[7] = {"GlobalTab=1",   "MainTab=2",   "Tab=5",         "FuncTab=3",
                                "TextFuncTab=4", "Comments=-3", "SplitLineTab=7"};
  for (const char *Line : Order) {
    std::size_t At = Saved.find(std::string("\n") + Line + "\r\n");
    Check(At != std::string::npos && At >= Last,
          std::string("the file holds ") + Line + " in the save order: " + Visible(Saved));
    if (At != std::string::npos)
      Last = At;
  }
  Check(Saved.compare(0, 12, "[Settings]\r\n") == 0, "the section header: " + Visible(Saved));

  // A new load of the library: FreeLibrary, LoadLibraryA, SetStartupInfo.
  UnloadPlugin(Plugin);
  if (!LoadAndStart(Layout, Plugin))
    return;
  CheckEqual(RunDialog(Plugin, {Action(SimDialogAction::Cancel)}), 0, "Configure cancelled");
  CheckEqual(Joined(FieldTexts()), "1,2,3,4,5,-3,7", "the new load shows the saved settings");
  std::string AfterCancel;
  ReadBytes(Layout.Settings, AfterCancel);
  CheckEqual(AfterCancel, Saved, "Cancel leaves the file as it was");

  // Back to the automatic forms: -1 in both automatic fields, written and read back as -1.
  Script.clear();
  TypeInto(Script, 12, "-1");
  TypeInto(Script, 14, "-1");
  Script.push_back(Action(SimDialogAction::Ok));
  CheckEqual(RunDialog(Plugin, Script), 1, "Configure returns 1 on OK");
  CheckEqual(ProfileInt("Settings", "Comments", 99, Layout.Settings), -1, "Comments=-1");
  CheckEqual(ProfileInt("Settings", "SplitLineTab", 99, Layout.Settings), -1, "SplitLineTab=-1");
  UnloadPlugin(Plugin);
  if (!LoadAndStart(Layout, Plugin))
    return;
  RunDialog(Plugin, {Action(SimDialogAction::Cancel)});
  CheckEqual(Joined(FieldTexts()), "1,2,3,4,5,-1,-1", "-1 read back as -1 after a new load");
  UnloadPlugin(Plugin);
}

void HandWrittenSettings() {
  BeginScenario("a settings file written by hand");
  LayoutRecord Layout;
  if (!Check(MakeLayout("handmade", true, Layout), "layout made"))
    return;
  ProfileWrite("Other", "Tab", "9", Layout.Settings);
  ProfileWrite("Settings", "GlobalTab", "-2", Layout.Settings);
  ProfileWrite("Settings", "Tab", "4", Layout.Settings);
  ProfileWrite("Settings", "SplitLineTab", "-5", Layout.Settings);
  std::string Before;
  ReadBytes(Layout.Settings, Before);
  PluginModuleRecord Plugin;
  if (!LoadAndStart(Layout, Plugin))
    return;
  RunDialog(Plugin, {Action(SimDialogAction::Cancel)});
  CheckEqual(Joined(FieldTexts()), "-2,0,0,2,4,-1,-5",
             "keys given are read (negatives too), the rest keep their defaults");
  // Loading again without unloading: SetStartupInfo reads the file once more.
  ProfileWrite("Settings", "MainTab", "3", Layout.Settings);
  StartPlugin(Plugin, Layout.Folder + "qmateEng.lng");
  RunDialog(Plugin, {Action(SimDialogAction::Cancel)});
  CheckEqual(Joined(FieldTexts()), "-2,3,0,2,4,-1,-5", "a second SetStartupInfo reads it again");
  std::vector<SimDialogAction> Script;
  TypeInto(Script, 6, "6");
  Script.push_back(Action(SimDialogAction::Ok));
  RunDialog(Plugin, Script);
  CheckEqual(ProfileInt("Other", "Tab", 0, Layout.Settings), 9, "another section is kept");
  CheckEqual(ProfileInt("Settings", "FuncTab", 0, Layout.Settings), 6, "the new value saved");
  UnloadPlugin(Plugin);
}

void UnloadWritesNothing() {
  BeginScenario("loading, using and unloading writes no file");
  LayoutRecord Layout;
  if (!Check(MakeLayout("unload", true, Layout), "layout made"))
    return;
  for (int Round = 0; Round < 3; ++Round) {
    PluginModuleRecord Plugin;
    if (!LoadAndStart(Layout, Plugin))
      return;
    PluginInfo Info;
    std::memset(&Info, 0, sizeof(Info));
    Plugin.GetPluginInfo(&Info);
    RunInEditor(Plugin, "PROCEDURE Main\n  RETURN\n", "MAIN.PRG", {EntryReindent});
    RunDialog(Plugin, {Action(SimDialogAction::Cancel)});
    UnloadPlugin(Plugin);
  }
  Check(!FileExists(Layout.Settings), "no qmate.ini after three loads and unloads");
}

void CommandMenuAndWarnings(const LayoutRecord &Layout) {
  BeginScenario("the command menu through OpenPlugin");
  PluginModuleRecord Plugin;
  if (!LoadAndStart(Layout, Plugin))
    return;
  SimReset();
  SimLoadText("x := 1\r\ny := 2\r\nz := 3\r\n", "PROG.PRG");
  SimSetCursor(2, 3);
  SimHost.Editor.TopScreenLine = 1;
  HANDLE Result = Plugin.OpenPlugin(OPEN_EDITOR, 0);
  Check(Result == INVALID_HANDLE_VALUE, "OpenPlugin returns INVALID_HANDLE_VALUE");
  if (CheckEqual(static_cast<long long>(SimHost.Menus.size()), 1, "one menu shown")) {
    const SimMenuCall &Menu = SimHost.Menus[0];
    CheckEqual(Menu.Title, Lang(MsgTitle), "menu title");
    CheckEqual(Menu.HelpTopic, "Contents", "menu help topic");
    CheckEqual(Menu.Flags, FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT, "menu flags");
    if (CheckEqual(static_cast<long long>(Menu.Items.size()), 7, "seven entries")) {
      const int Ids[7] = {MsgMenuReindent,  MsgMenuProcedures, MsgMenuComment,
                          MsgMenuUncomment, MsgMenuAnnotate,   -1,
                          MsgMenuSettings};
      int Number = 1;
      for (int I = 0; I < 7; ++I) {
        if (Ids[I] < 0) {
          Check(Menu.Items[I].Separator != 0, "entry 6 is the separator");
          continue;
        }
        CheckEqual(Menu.Items[I].Text, std::to_string(Number++) + ". " + Lang(Ids[I]),
                   "menu entry " + std::to_string(I));
      }
    }
  }
  CheckEqual(SimHost.Editor.CurLine, 2, "Esc: cursor line restored");
  CheckEqual(SimHost.Editor.CurPos, 3, "Esc: cursor column restored");
  CheckEqual(SimHost.Editor.TopScreenLine, 1, "Esc: top screen line restored");
  CheckEqual(SimSaveText(), "x := 1\r\ny := 2\r\nz := 3\r\n", "Esc changes nothing");

  BeginScenario("the file-type check");
  struct FileTypeCase {
    const char *Name;
    bool Warns;
  };
  const FileTypeCase Cases[] = {
      {"C:\\src\\PROG.prg", false}, {"DEFS.Ch", false}, {"c:\\work\\main.PRG", false},
      {"PROG.PRG.BAK", true},       {"MAKEFILE", true}, {"C:\\src.old\\MAKEFILE", true},
      {"notes.txt", true}};
  for (const FileTypeCase &Case : Cases) {
    RunInEditor(Plugin, "x := 1\r\n", Case.Name, {});
    std::string Wanted =
        Case.Warns ? Lang(MsgErrorTitle) + ": " + Lang(MsgWrongFileType) + "\n" : std::string();
    CheckEqual(MessageLines(), Wanted, std::string("warning for ") + Case.Name);
    if (Case.Warns && !SimHost.Messages.empty()) {
      CheckEqual(SimHost.Messages[0].HelpTopic, "Contents", "warning's help topic");
      CheckEqual(SimHost.Messages[0].Buttons, 1, "one button");
      if (SimHost.Messages[0].Items.size() == 3)
        CheckEqual(SimHost.Messages[0].Items[2], Lang(MsgOk), "the OK button");
    }
    CheckEqual(static_cast<long long>(SimHost.Menus.size()), 1,
               std::string("the menu follows for ") + Case.Name);
  }

  BeginScenario("the settings entry runs the dialog and shows the menu again");
  {
    SimReset();
    SimLoadText("x := 1\r\n", "PROG.PRG");
    std::vector<SimDialogAction> Script;
    TypeInto(Script, 10, "4");
    Script.push_back(Action(SimDialogAction::Ok));
    SimHost.DialogScripts.push_back(Script);
    SimHost.MenuAnswers = {6, -1};
    Plugin.OpenPlugin(OPEN_EDITOR, 0);
    CheckEqual(static_cast<long long>(SimHost.Dialogs.size()), 1, "one dialog");
    CheckEqual(static_cast<long long>(SimHost.Menus.size()), 2, "the menu shown again");
    CheckEqual(ProfileInt("Settings", "Tab", 99, Layout.Settings), 4, "Tab saved from the menu");
    RemoveFile(Layout.Settings);
  }

  BeginScenario("comment and uncomment need a marked block");
  const int Entries[2] = {EntryComment, EntryUncomment};
  for (int Entry : Entries) {
    std::string Text = "// a\r\nb\r\n";
    CheckEqual(RunInEditor(Plugin, Text, "PROG.PRG", {Entry}), Text, "no block: no change");
    CheckEqual(MessageLines(), Lang(MsgNoBlockTitle) + ": " + Lang(MsgNoBlock) + "\n",
               "no block: the warning");
    if (!SimHost.Messages.empty())
      CheckEqual(SimHost.Messages[0].Flags, FMSG_WARNING, "shown as a warning");
  }
  UnloadPlugin(Plugin);
}

void NavigatorJump(const LayoutRecord &Layout) {
  BeginScenario("the navigator jumps to the chosen procedure");
  PluginModuleRecord Plugin;
  if (!LoadAndStart(Layout, Plugin))
    return;
  SimReset();
  SimLoadText("PROCEDURE Main\r\n  One()\r\nFUNCTION One\r\n  x := 1\r\n  RETURN x\r\n"
              "  function Two()\r\nRETURN NIL\r\n",
              "NAV.PRG");
  SimSetCursor(3, 2);
  SimHost.MenuAnswers = {EntryProcedures, 2};
  Plugin.OpenPlugin(OPEN_EDITOR, 0);
  if (CheckEqual(static_cast<long long>(SimHost.Menus.size()), 2, "the procedure list shown")) {
    const SimMenuCall &List = SimHost.Menus[1];
    CheckEqual(List.Title, Lang(MsgMenuProcedures), "list title");
    CheckEqual(List.HelpTopic, "Contents", "list help topic");
    if (CheckEqual(static_cast<long long>(List.Items.size()), 3, "three headers")) {
      CheckEqual(List.Items[0].Text, " 1. PROCEDURE Main", "entry 1");
      CheckEqual(List.Items[2].Text, " 3.   function Two()", "entry 3 as the editor holds it");
      Check(!List.Items[0].Selected && List.Items[1].Selected && !List.Items[2].Selected,
            "the procedure around the cursor is pre-selected");
    }
  }
  CheckEqual(SimHost.Editor.TopScreenLine, 5, "the chosen header at the top of the screen");
  CheckEqual(SimHost.Editor.CurLine, 5, "the cursor on the chosen header");
  CheckEqual(SimHost.Editor.LeftPos, 0, "the view scrolled to its first column");
  CheckEqual(SimHost.Editor.CurPos, 10, "the cursor at the end of \"function\"");
  CheckEqual(static_cast<long long>(SimHost.Editor.Keys.size()), 2, "two keys sent");
  if (SimHost.Editor.Keys.size() == 2) {
    CheckEqual(SimHost.Editor.Keys[0], KEY_CTRL | KEY_SHIFT | KEY_RIGHT, "Ctrl+Shift+Right");
    CheckEqual(SimHost.Editor.Keys[1], KEY_CTRL | KEY_RIGHT, "then Ctrl+Right");
  }
  UnloadPlugin(Plugin);
}

// The host's records handed over where the readable memory ends: the plug-in reads exactly
// the 372 bytes of PluginStartupInfo and writes no more than the 44 bytes of PluginInfo.
void RecordsAtTheEndOfMemory(const LayoutRecord &Layout) {
  BeginScenario("the host's records at the end of readable memory");
  PluginModuleRecord Plugin;
  if (!Check(LoadPlugin(Layout.Dll, Plugin), "the library loads"))
    return;
  SimReset();
  std::string Bytes;
  ReadBytes(Layout.Folder + "qmateEng.lng", Bytes);
  SimLoadLanguage(Bytes);
  void *StartupBlock = GuardedBlock(sizeof(PluginStartupInfo));
  void *InfoBlock = GuardedBlock(sizeof(PluginInfo));
  if (Check(StartupBlock && InfoBlock, "guarded memory")) {
    PluginStartupInfo Startup = SimStartupInfo(Plugin.Path);
    std::memcpy(StartupBlock, &Startup, sizeof(Startup));
    Plugin.SetStartupInfo(static_cast<PluginStartupInfo *>(StartupBlock));
    PluginInfo *Info = static_cast<PluginInfo *>(InfoBlock);
    std::memset(Info, 0, sizeof(PluginInfo));
    Plugin.GetPluginInfo(Info);
    CheckEqual(Info->StructSize, 44, "GetPluginInfo filled the record");
    // The plug-in works from its own copy once the host's has gone.
    std::memset(StartupBlock, 0, sizeof(PluginStartupInfo));
    CheckEqual(RunInEditor(Plugin, "x\r\n", "A.PRG", {}), "x\r\n", "the menu from the copy");
    CheckEqual(static_cast<long long>(SimHost.Menus.size()), 1, "the menu shown");
  }
  FreeGuardedBlock(StartupBlock);
  FreeGuardedBlock(InfoBlock);
  UnloadPlugin(Plugin);
}

void RussianLanguage(const LayoutRecord &Layout) {
  BeginScenario("the Russian language file served to the library");
  PluginModuleRecord Plugin;
  if (!Check(LoadPlugin(Layout.Dll, Plugin), "the library loads"))
    return;
  StartPlugin(Plugin, Layout.Folder + "qmateRus.lng");
  CheckEqual(static_cast<long long>(SimHost.LanguageTexts.size()), MsgCount, "every message");
  PluginInfo Info;
  std::memset(&Info, 0, sizeof(Info));
  Plugin.GetPluginInfo(&Info);
  if (Info.PluginMenuStrings)
    CheckEqual(Info.PluginMenuStrings[0], Lang(MsgTitle), "the title from qmateRus.lng");
  RunInEditor(Plugin, "x\r\n", "MAKEFILE", {});
  CheckEqual(MessageLines(), Lang(MsgErrorTitle) + ": " + Lang(MsgWrongFileType) + "\n",
             "the warning in Russian");
  bool Cyrillic = false;
  for (unsigned char C : Lang(MsgMenuReindent))
    Cyrillic = Cyrillic || (C >= 0x80 && C <= 0xEF);
  Check(Cyrillic, "the menu entry holds code page 866 letters: " + Visible(Lang(MsgMenuReindent)));
  UnloadPlugin(Plugin);
}

} // namespace

void RunScenarios() {
  LayoutRecord Layout;
  BeginScenario("distribution layout");
  if (!Check(MakeLayout("main", true, Layout), "the library, language, help and word files copy"))
    return;
  ExportTables(Layout);
  VersionAndPluginInfo(Layout);
  RecordsAtTheEndOfMemory(Layout);
  StartupReadsSetupFiles();
  SettingsFileRoundTrip();
  HandWrittenSettings();
  UnloadWritesNothing();
  CommandMenuAndWarnings(Layout);
  NavigatorJump(Layout);
  RussianLanguage(Layout);
}
