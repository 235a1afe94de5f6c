// Scenarios of the real far2l plug-in against the plug-in code built into this host, which
// runs the same commands through the 1.70 entry points on the simulated host.
#include "scenarios.hpp"
#include "../../src/host/codepages.hpp"
#include "../../src/host/session.hpp"
#include "../windows/check.hpp"
#include "../windows/platform.hpp"
#include "../windows/plugin_module.hpp"
#include "far2l_sim.hpp"

#include <cstring>
#include <dlfcn.h>

namespace {

const int EntryReindent = 0;
const int EntryComment = 2;

std::string Encoded(unsigned CodePage, const std::wstring &Text) {
  std::string Bytes;
  WideToBytes(CodePage, Text.data(), Text.size(), Bytes);
  return Bytes;
}

std::wstring Decoded(const std::string &Utf8) {
  std::wstring Wide;
  BytesToWide(CodePageUtf8, Utf8.data(), Utf8.size(), Wide);
  return Wide;
}

// The plug-in code of this host on the simulated 1.70 host, started from Layout's folder.
void StartInProcess(const LayoutRecord &Layout) {
  SimReset();
  SimLoadLanguage(SimBuiltinLanguage());
  PluginStartupInfo Info = SimStartupInfo(Layout.Folder + "in-process");
  SetStartupInfo(&Info);
}

// The cursor stands inside the second line's Cyrillic or accented text (byte 11: the fifth
// letter in UTF-8), at Column; a marked block takes lines 2 to 4.
void MarkFor(bool Marked, int Column) {
  SimSetCursor(1, Column);
  if (Marked)
    SimMarkLines(1, 3);
}

const int CursorByte = 11;

// The characters the first Count bytes of Bytes in CodePage hold; one for each byte past the
// end, as a cursor beyond the end of a line.
int CharsIn(unsigned CodePage, const std::string &Bytes, int Count) {
  int Inside = Count < static_cast<int>(Bytes.size()) ? Count : static_cast<int>(Bytes.size());
  std::wstring Wide;
  BytesToWide(CodePage, Bytes.data(), static_cast<std::size_t>(Inside), Wide);
  return static_cast<int>(Wide.size()) + (Count - Inside);
}

// The cursor's line and its column in characters of the editor's text held in CodePage.
std::string CursorPlace(unsigned CodePage) {
  int Line = SimHost.Editor.CurLine;
  return std::to_string(Line) + ":" +
         std::to_string(CharsIn(CodePage, SimLineText(Line), SimHost.Editor.CurPos));
}

// The 1.70 code's run on the same bytes: its cursor positions count characters, so it gets
// the cursor at the column in characters the far2l editor shows.
std::string RunInProcess(const std::string &Bytes, bool Marked, int Column,
                         const std::vector<int> &Answers) {
  SimReset();
  SimLoadText(Bytes, "CP.PRG");
  MarkFor(Marked, Column);
  SimHost.MenuAnswers.assign(Answers.begin(), Answers.end());
  OpenPlugin(OPEN_EDITOR, 0);
  return SimSaveText();
}

void EntryPoints(const LayoutRecord &Layout) {
  BeginScenario("far2l entry points");
  PluginModuleRecord Plugin;
  if (!Check(LoadPlugin(Layout.Dll, Plugin), "dlopen and the five wide entry points"))
    return;
  for (const char *Name : {"SetStartupInfo", "OpenPlugin", "Configure", "GetPluginInfo",
                           "GetMinFarVersion", "StartupLoad", "Reindent"})
    Check(dlsym(Plugin.Module, Name) == nullptr, std::string("no export ") + Name);
  CheckEqual(Plugin.GetMinFarVersion(), 0x00020000, "GetMinFarVersionW asks for far2l 2.0");
  StartPlugin(Plugin, Layout.Folder + "qmateEng.lng");
  auto GetInfo =
      reinterpret_cast<void (*)(Far2l::PluginInfo *)>(dlsym(Plugin.Module, "GetPluginInfoW"));
  Far2l::PluginInfo Info;
  std::memset(&Info, 0x5A, sizeof(Info));
  GetInfo(&Info);
  CheckEqual(Info.StructSize, 64, "StructSize");
  CheckEqual(Info.Flags, PF_EDITOR | PF_DISABLEPANELS, "offered in the editor only");
  CheckEqual(Info.DiskMenuStringsNumber, 0, "no disk menu entry");
  CheckEqual(Info.PluginMenuStringsNumber, 1, "one plug-in menu entry");
  CheckEqual(Info.PluginConfigStringsNumber, 1, "one configuration menu entry");
  Check(Info.CommandPrefix == nullptr, "no command prefix");
  if (Check(Info.PluginMenuStrings && Info.PluginConfigStrings, "menu strings set"))
    Check(std::wstring(Info.PluginMenuStrings[0]) == Decoded(SimHost.LanguageTexts[MsgTitle]) &&
              std::wstring(Info.PluginConfigStrings[0]) == Info.PluginMenuStrings[0],
          "the title from the language file, wide");
  UnloadPlugin(Plugin);
}

// One file through a code page: its text (UTF-8 here), the code page the editor reads its
// bytes in and the one it reports, and whether the plug-in must refuse it.
struct CodePageRow {
  const char *Name;
  unsigned TextCodePage;
  unsigned ReportedCodePage;
  const char *Text;
  int Entry;
  bool Marked; // lines 2 to 4 marked
  int Refused; // the line (from 1) the plug-in refuses the file for, 0 for none
};

const char *const CyrillicProgram =
    "function Main()\r\n"
    "// \xD0\x9F\xD1\x80\xD0\xBE\xD0\xB2\xD0\xB5\xD1\x80\xD0\xBA\xD0\xB0 \xD0\xB2\xD0\xB2\xD0\xBE"
    "\xD0\xB4\xD0\xB0\r\n"
    "if x\r\n"
    "? \"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80\" "
    "// \xD0\xB6\xD1\x91\xD0\xBB\xD1\x82\xD1\x8B\xD0\xB9\r\n"
    "endif\r\n"
    "return nil\r\n";
const char *const WesternProgram = "function Main()\n// caf\xC3\xA9 cr\xC3\xA8me\nif x\n"
                                   "? \"\xC3\x9C"
                                   "ber\"\nendif\nreturn nil\n";
const char *const EuroProgram = "function Main()\r\nif x\r\n? \"5 \xE2\x82\xAC\"\r\nendif\r\n";

const CodePageRow CodePageRows[] = {
    {"866 reindent", 866, 866, CyrillicProgram, EntryReindent, false, 0},
    {"866 comment", 866, 866, CyrillicProgram, EntryComment, true, 0},
    {"1251 reindent", 1251, 1251, CyrillicProgram, EntryReindent, false, 0},
    {"UTF-8 reindent", CodePageUtf8, CodePageUtf8, CyrillicProgram, EntryReindent, false, 0},
    {"UTF-8 block reindent to the cursor's character", CodePageUtf8, CodePageUtf8, CyrillicProgram,
     EntryReindent, true, 0},
    {"866 block reindent", 866, 866, CyrillicProgram, EntryReindent, true, 0},
    {"UTF-8 comment", CodePageUtf8, CodePageUtf8, WesternProgram, EntryComment, true, 0},
    {"1252 reindent", 1252, 1252, WesternProgram, EntryReindent, false, 0},
    {"an unknown code page handled as UTF-8", CodePageUtf8, 20866, CyrillicProgram, EntryReindent,
     false, 0},
    {"the euro sign in an 866 file is refused", CodePageUtf8, 866, EuroProgram, EntryReindent,
     false, 3},
    {"Cyrillic in a 1252 file is refused", CodePageUtf8, 1252, CyrillicProgram, EntryComment, true,
     2},
};

void CodePages(const LayoutRecord &Layout) {
  PluginModuleRecord Plugin;
  if (!Check(LoadPlugin(Layout.Dll, Plugin), "the plug-in loads"))
    return;
  for (const CodePageRow &Row : CodePageRows) {
    BeginScenario(std::string("code page: ") + Row.Name);
    std::string Input = Encoded(Row.TextCodePage, Decoded(Row.Text));
    std::vector<int> Answers = {Row.Entry};
    StartInProcess(Layout);
    int Column = CharsIn(Row.TextCodePage, Input.substr(Input.find('\n') + 1), CursorByte);
    std::string Expected = Row.Refused ? Input : RunInProcess(Input, Row.Marked, Column, Answers);
    std::string ExpectedCursor = Row.Refused ? "1:" + std::to_string(Column)
                                             : std::to_string(SimHost.Editor.CurLine) + ":" +
                                                   std::to_string(SimHost.Editor.CurPos);
    if (!Row.Refused)
      Check(Expected != Input, "the command changes the file");
    Far2lSim.ByFileName = false;
    Far2lSim.TextCodePage = Row.TextCodePage;
    Far2lSim.ReportedCodePage = Row.ReportedCodePage;
    StartPlugin(Plugin, Layout.Folder + "qmateEng.lng");
    SimReset();
    SimLoadText(Input, "CP.PRG");
    MarkFor(Row.Marked, CursorByte);
    SimHost.MenuAnswers.assign(Answers.begin(), Answers.end());
    Plugin.OpenPlugin(OPEN_EDITOR, 0);
    CheckEqual(Visible(SimSaveText()), Visible(Expected), "the file as the 1.70 code leaves it");
    CheckEqual(CursorPlace(Row.TextCodePage), ExpectedCursor,
               "the cursor at the character the 1.70 code leaves it at");
    std::string Refusal = SimHost.LanguageTexts[MsgErrorTitle] + ": " +
                          SimHost.LanguageTexts[MsgOutsideCodePage] + "\n";
    for (const auto &Field :
         {std::make_pair(std::string("%line"), std::to_string(Row.Refused)),
          std::make_pair(std::string("%codepage"), std::to_string(Row.ReportedCodePage))}) {
      std::size_t At = Refusal.find(Field.first);
      if (At != std::string::npos)
        Refusal.replace(At, Field.first.size(), Field.second);
    }
    CheckEqual(MessageLines(), Row.Refused ? Refusal : std::string(), "the refusal, and only then");
    Check((Row.Refused != 0) == SimHost.Menus.empty(),
          "the command menu only for a file it can change");
  }
  Far2lSim = Far2lSimRecord();
  UnloadPlugin(Plugin);
}

void RussianTexts(const LayoutRecord &Layout) {
  BeginScenario("Russian texts through the wide interface");
  PluginModuleRecord Plugin;
  if (!Check(LoadPlugin(Layout.Dll, Plugin), "the plug-in loads"))
    return;
  StartPlugin(Plugin, Layout.Folder + "qmateRus.lng");
  std::vector<std::string> Texts = SimHost.LanguageTexts;
  if (!Check(Texts.size() == static_cast<std::size_t>(MsgCount), "every message"))
    return;
  Far2lSim.ByFileName = false;
  Far2lSim.TextCodePage = Far2lSim.ReportedCodePage = CodePageUtf8;
  RunInEditor(Plugin, "x := 1\r\n", "A.TXT", {});
  Far2lSim = Far2lSimRecord();
  CheckEqual(MessageLines(), Texts[MsgErrorTitle] + ": " + Texts[MsgWrongFileType] + "\n",
             "the file-type warning in Russian");
  if (Check(!SimHost.Menus.empty() && SimHost.Menus[0].Items.size() == 7, "the command menu")) {
    CheckEqual(SimHost.Menus[0].Title, Texts[MsgTitle], "its title");
    CheckEqual(SimHost.Menus[0].Items[0].Text, "1. " + Texts[MsgMenuReindent], "its first entry");
    CheckEqual(SimHost.Menus[0].Items[6].Text, "6. " + Texts[MsgMenuSettings], "its last entry");
  }
  UnloadPlugin(Plugin);
}

SimDialogAction Action(SimDialogAction::Kind What, const std::string &Text = std::string(),
                       int Item = 0) {
  SimDialogAction A;
  A.What = What;
  A.Text = Text;
  A.Item = Item;
  return A;
}

// The settings dialog's picture, field texts and settings file after Script.
struct DialogOutcome {
  int Result;
  std::string FirstScreen; // as first drawn, before any field lost the focus
  std::string Screen;
  std::string Fields; // the edit fields' texts
  std::string Settings;
};

std::string ScreenText() {
  std::string Text;
  for (const std::string &Line : SimScreenLines())
    Text += Line + "\n";
  return Text;
}

std::string FirstScreen;

void KeepFirstScreen(void *) {
  if (FirstScreen.empty())
    FirstScreen = ScreenText();
}

// Runs Configure through Run with Steps, keeping the dialog's first picture.
template <typename Runner>
DialogOutcome RunDialog(Runner Run, const std::vector<SimDialogAction> &Steps,
                        const LayoutRecord &Layout) {
  FirstScreen.clear();
  SimHost.DialogScripts.push_back(Steps);
  SimHost.DialogStep = KeepFirstScreen;
  int Result = Run();
  SimHost.DialogStep = nullptr;
  DialogOutcome Out{Result, FirstScreen, ScreenText(), std::string(), std::string()};
  if (!SimHost.Dialogs.empty())
    for (const FarDialogItem &Item : SimHost.Dialogs.back().FinalItems)
      if (Item.Type == DI_FIXEDIT)
        Out.Fields += std::string(Item.Data) + "|";
  ReadBytes(Layout.Settings, Out.Settings);
  return Out;
}

void SettingsDialog() {
  std::vector<SimDialogAction> Script = {
      Action(SimDialogAction::Focus, "", 2),  Action(SimDialogAction::Type, "3"),
      Action(SimDialogAction::Focus, "", 12), Action(SimDialogAction::Type, "-x7"),
      Action(SimDialogAction::Focus, "", 14), Action(SimDialogAction::Type, "4"),
      Action(SimDialogAction::Next),          Action(SimDialogAction::Ok)};
  for (bool Confirm : {true, false}) {
    BeginScenario(Confirm ? "the settings dialog, confirmed" : "the settings dialog, left");
    std::vector<SimDialogAction> Steps = Script;
    if (!Confirm)
      Steps.back() = Action(SimDialogAction::Cancel);
    LayoutRecord Own, Far;
    if (!Check(MakeLayout("dialog-1.70", true, Own) && MakeLayout("dialog-far2l", true, Far),
               "layouts made"))
      return;
    StartInProcess(Own);
    DialogOutcome Wanted = RunDialog([] { return Configure(0); }, Steps, Own);
    PluginModuleRecord Plugin;
    if (!Check(LoadPlugin(Far.Dll, Plugin), "the plug-in loads"))
      return;
    StartPlugin(Plugin, Far.Folder + "qmateEng.lng");
    DialogOutcome Got = RunDialog([&Plugin] { return Plugin.Configure(0); }, Steps, Far);
    CheckEqual(Got.Result, Wanted.Result, "Configure's result");
    Check(Wanted.FirstScreen.find("Function fill(x)") != std::string::npos,
          "the sample drawn with the dialog");
    CheckEqual(Got.FirstScreen, Wanted.FirstScreen, "the dialog and its sample as first drawn");
    CheckEqual(Got.Screen, Wanted.Screen, "the dialog and its sample as drawn");
    CheckEqual(Got.Fields, Wanted.Fields, "the fields as the dialog closed");
    CheckEqual(Got.Settings, Wanted.Settings, "the settings file");
    Check(Confirm == (Got.Settings.find("GlobalTab=3") != std::string::npos),
          "the settings file written only when confirmed");
    UnloadPlugin(Plugin);
  }
}

} // namespace

void RunFar2lScenarios() {
  LayoutRecord Layout;
  BeginScenario("set-up");
  if (!Check(MakeLayout("scenarios", true, Layout), "layout made"))
    return;
  EntryPoints(Layout);
  CodePages(Layout);
  RussianTexts(Layout);
  SettingsDialog();
}
