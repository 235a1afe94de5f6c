// Scenarios of the real qmate3.dll with the test host playing Far 3: its identity and menu
// entries, the editor's lines through code pages both ways (and the refusal of a line its
// file's code page cannot hold), the menus in the language file's and the file's letters, and
// the settings dialog through Far 3's dialog API.
#include "../../src/host/keys.hpp"
#include "../../src/host/session.hpp"
#include "check.hpp"
#include "far3_host.hpp"
#include "platform.hpp"
#include "plugin_module.hpp"
#include "scenarios.hpp"

#include <cstring>

namespace {

const unsigned Utf8 = 65001;

std::string Utf8Of(const std::wstring &Text) {
  return CodePageFromWide(Utf8, Text);
}

std::wstring Far3Lang(int Id) {
  if (Id < 0 || Id >= static_cast<int>(Far3Sim.LanguageTexts.size()))
    return L"<no message>";
  return Far3Sim.LanguageTexts[static_cast<std::size_t>(Id)];
}

bool LoadAndStart(const LayoutRecord &Layout, const char *Language, PluginModuleRecord &Plugin) {
  if (!Check(LoadPlugin(Layout.Dll, Plugin) && Plugin.Far3,
             "LoadLibraryA and the five Far 3 exports of " + Layout.Dll))
    return false;
  StartPlugin(Plugin, Layout.Folder + Language);
  return true;
}

void IdentityAndMenus(const LayoutRecord &Layout) {
  BeginScenario("GetGlobalInfoW and GetPluginInfoW");
  PluginModuleRecord Plugin;
  if (!Check(LoadPlugin(Layout.Dll, Plugin) && Plugin.Far3, "the library loads"))
    return;
  // Far asks for the identity before it hands over the service table.
  Far3::GlobalInfo Global;
  std::memset(&Global, 0, sizeof(Global));
  Plugin.GetGlobalInfoW(&Global);
  const Far3::Uuid Wanted = {
      0x960532ee, 0xcc83, 0x4e24, {0x93, 0x24, 0x8f, 0x91, 0x89, 0x3e, 0x39, 0xf7}};
  Check(std::memcmp(&Global.Guid, &Wanted, sizeof(Wanted)) == 0, "the plug-in's GUID");
  CheckEqual(Global.MinFarVersion.Major, 3, "made for Far 3");
  CheckEqual(Global.Version.Major * 100 + Global.Version.Minor, 100, "version 1.0");
  Check(Global.Title && std::wstring(Global.Title) == L"Quillmate", "the title");
  StartPlugin(Plugin, Layout.Folder + "qmateEng.lng");
  CheckEqual(static_cast<long long>(Far3Sim.LanguageTexts.size()), MsgCount,
             "every message of the Far 3 language file");
  Far3::PluginInfo Info;
  std::memset(&Info, 0, sizeof(Info));
  Plugin.GetPluginInfoW(&Info);
  CheckEqual(static_cast<long long>(Info.Flags), 6, "offered in the editor only");
  CheckEqual(static_cast<long long>(Info.DiskMenu.Count), 0, "no disk menu entry");
  bool Menus = Info.PluginMenu.Count == 1 && Info.PluginConfig.Count == 1 &&
               Info.PluginMenu.Guids && Info.PluginConfig.Guids && Info.PluginMenu.Strings &&
               Info.PluginConfig.Strings;
  if (Check(Menus, "one entry with its GUID in the plug-in and configuration menus")) {
    Check(std::memcmp(Info.PluginMenu.Guids, Info.PluginConfig.Guids, sizeof(Far3::Uuid)) != 0,
          "the two entries have GUIDs of their own");
    CheckEqual(Utf8Of(Info.PluginMenu.Strings[0]), Utf8Of(Far3Lang(MsgTitle)),
               "the entry's title from the language file");
  }
  UnloadPlugin(Plugin);
}

// One file through the command menu's re-indent: its text in the editor (UTF-8 here) held in
// StoreCodePage, with ReportedCodePage as the editor's code page. An empty Wanted means the
// file is refused: unchanged, one message naming the line and no command menu.
struct RoundTripRow {
  const char *Name;
  unsigned Store;
  unsigned Reported;
  const char *Text;
  const char *Wanted;
  int RefusedLine;
};

const char *const CyrillicText = "PROCEDURE Итог()\r\n"
                                 "// сумма\r\n"
                                 "IF n > 0\r\n"
                                 "? \"Ёлка\"  // ёлка\r\n"
                                 "ENDIF\r\n"
                                 "RETURN\r\n";
// As the native tool re-indents it (Classic rules: a blank line before the routine).
const char *const CyrillicReindented = "\r\n"
                                       "PROCEDURE Итог()\r\n"
                                       "  // сумма\r\n"
                                       "  IF n > 0\r\n"
                                       "    ? \"Ёлка\"  // ёлка\r\n"
                                       "  ENDIF\r\n"
                                       "  RETURN\r\n";

const RoundTripRow RoundTrips[] = {
    {"866", 866, 866, CyrillicText, CyrillicReindented, 0},
    {"1251", 1251, 1251, CyrillicText, CyrillicReindented, 0},
    {"UTF-8", Utf8, Utf8, CyrillicText, CyrillicReindented, 0},
    {"UTF-16 (the engine reads UTF-8)", Utf8, 1200, CyrillicText, CyrillicReindented, 0},
    {"1252 with Latin letters", 1252, 1252, "PROCEDURE Größe()\r\n? \"café\"\r\nRETURN\r\n",
     "\r\nPROCEDURE Größe()\r\n  ? \"café\"\r\n  RETURN\r\n", 0},
    // ゾ is 83 5D in 932: read as bytes, the ] would end the string and open a comment.
    {"932 (the engine reads UTF-8: a second byte may be a bracket)", 932, 932,
     "PROCEDURE A()\r\n? [ゾ /* ]\r\nIF x\r\n? 1\r\nENDIF\r\n",
     "\r\nPROCEDURE A()\r\n  ? [ゾ /* ]\r\n  IF x\r\n    ? 1\r\n  ENDIF\r\n", 0},
    {"866 with a euro sign on line 4", Utf8, 866, "PROCEDURE A()\r\n// x\r\n? 1\r\n? \"5 €\"\r\n",
     nullptr, 4},
    {"1251 with a Greek letter on line 2", Utf8, 1251, "PROCEDURE A()\r\n? \"λ\"\r\n", nullptr, 2},
    {"1252 with Cyrillic on line 1", Utf8, 1252, "// Итог\r\nPROCEDURE A()\r\n", nullptr, 1},
};

void CodePageRoundTrips(const LayoutRecord &Layout) {
  PluginModuleRecord Plugin;
  BeginScenario("code pages: set-up");
  if (!LoadAndStart(Layout, "qmateEng.lng", Plugin))
    return;
  for (const RoundTripRow &Row : RoundTrips) {
    BeginScenario(std::string("code pages: ") + Row.Name);
    Far3SimReset();
    Far3Sim.StoreCodePage = Row.Store;
    Far3Sim.ReportedCodePage = Row.Reported;
    std::wstring Text = WideFromCodePage(Utf8, Row.Text);
    std::string Bytes = CodePageFromWide(Row.Store, Text);
    Check(WideFromCodePage(Row.Store, Bytes) == Text, "the row's text fits its store");
    SimLoadText(Bytes, "a.prg");
    SimHost.MenuAnswers = {0, -1};
    OpenInEditor(Plugin);
    std::string After = SimSaveText();
    if (!Row.Wanted) {
      CheckEqual(Visible(After), Visible(Bytes), "nothing changed");
      Check(SimHost.Menus.empty(), "no command menu");
      std::wstring Line = L"Line " + std::to_wstring(Row.RefusedLine) + L" ";
      std::wstring Page = L"(" + std::to_wstring(Row.Reported) + L")";
      bool Told = Far3Sim.MessageTexts.size() == 1 &&
                  Far3Sim.MessageTexts[0].find(Line) != std::wstring::npos &&
                  Far3Sim.MessageTexts[0].find(Page) != std::wstring::npos;
      Check(Told, "one message names the line and the code page: " +
                      Utf8Of(Far3Sim.MessageTexts.empty() ? L"" : Far3Sim.MessageTexts[0]));
    } else {
      CheckEqual(Utf8Of(WideFromCodePage(Row.Store, After)), Row.Wanted, "re-indented");
      Check(Far3Sim.MessageTexts.empty(), "no message");
    }
  }
  UnloadPlugin(Plugin);
}

// The command menu in Russian letters, the procedure list in the file's own (code page 1251)
// and the jump to the chosen one,
// and the cursor's column on a UTF-8 line: put back at the same character, and the column in
// characters a marked block is indented to.
void MenusInTheirLetters(const LayoutRecord &Layout) {
  BeginScenario("menus: the language file's letters and the file's");
  PluginModuleRecord Plugin;
  if (!LoadAndStart(Layout, "qmateRus.lng", Plugin))
    return;
  Far3SimReset();
  Far3Sim.StoreCodePage = 1251;
  Far3Sim.ReportedCodePage = 1251;
  std::wstring Text = WideFromCodePage(Utf8, "PROCEDURE Главная()\r\n? 1\r\nFUNCTION Итог()\r\n");
  SimLoadText(CodePageFromWide(1251, Text), "a.prg");
  SimHost.MenuAnswers = {1, 1};
  OpenInEditor(Plugin);
  // The jump to the second entry: its line, then the two word keys as console key events.
  CheckEqual(SimHost.Editor.CurLine, 2, "the cursor on the chosen header");
  const std::vector<int> Keys = {KEY_CTRLSHIFTRIGHT, KEY_CTRLRIGHT};
  Check(SimHost.Editor.Keys == Keys, "Ctrl+Shift+Right, then Ctrl+Right");
  if (Check(Far3Sim.MenuItems.size() == 2, "the command menu, then the procedure list")) {
    CheckEqual(Utf8Of(Far3Sim.MenuItems[0][0]), Utf8Of(L"1. " + Far3Lang(MsgMenuReindent)),
               "the first command in Russian");
    std::vector<std::wstring> &List = Far3Sim.MenuItems[1];
    if (Check(List.size() == 2, "two procedures listed"))
      CheckEqual(Utf8Of(List[1]), " 2. FUNCTION Итог()", "the entry in the file's letters");
  }
  UnloadPlugin(Plugin);

  BeginScenario("a UTF-8 line: the cursor kept at its character");
  if (!LoadAndStart(Layout, "qmateEng.lng", Plugin))
    return;
  Far3SimReset();
  Far3Sim.StoreCodePage = Utf8;
  Far3Sim.ReportedCodePage = Utf8;
  SimLoadText("PROCEDURE A()\r\n? \"ёёё\" + x\r\nRETURN\r\n", "a.prg");
  SimSetCursor(1, 10); // the blank after the third ё and the quote
  // Comment with no block marked: the notice, then the cursor put back where it stood.
  SimHost.MenuAnswers = {2, -1};
  OpenInEditor(Plugin);
  CheckEqual(static_cast<long long>(Far3Sim.MessageTexts.size()), 1, "the notice");
  CheckEqual(SimHost.Editor.CurLine, 1, "the cursor's line");
  CheckEqual(SimHost.Editor.CurPos, 10, "the cursor back at the same character");
  // Re-indent with lines 3 and 4 marked and the cursor past "// ёё" (bytes 7, characters 5).
  Far3SimReset();
  Far3Sim.StoreCodePage = Utf8;
  Far3Sim.ReportedCodePage = Utf8;
  SimLoadText("PROCEDURE A()\r\n// ёё x\r\n? 1\r\n? 2\r\nRETURN\r\n", "a.prg");
  SimMarkLines(2, 3);
  SimSetCursor(1, 7);
  SimHost.MenuAnswers = {0};
  OpenInEditor(Plugin);
  CheckEqual(Visible(SimSaveText()),
             Visible("PROCEDURE A()\r\n// ёё x\r\n     ? 1\r\n     ? 2\r\nRETURN\r\n"),
             "the block indented to the cursor's fifth character");
  UnloadPlugin(Plugin);
}

SimDialogAction Act(SimDialogAction::Kind What, const std::string &Text = std::string()) {
  SimDialogAction A;
  A.What = What;
  A.Text = Text;
  return A;
}

void SettingsDialog() {
  BeginScenario("the settings dialog through DialogInit, DialogRun and SendDlgMessage");
  LayoutRecord Layout;
  if (!Check(MakeLayout("far3-settings", true, Layout), "layout made"))
    return;
  PluginModuleRecord Plugin;
  if (!LoadAndStart(Layout, "qmateEng.lng", Plugin))
    return;
  std::vector<SimDialogAction> Script;
  const char *const Typed[7] = {"1", "2", "3", "4", "5", "-3", "x"};
  for (const char *Value : Typed) {
    Script.push_back(Act(SimDialogAction::Type, Value));
    Script.push_back(Act(SimDialogAction::Next));
  }
  Script.push_back(Act(SimDialogAction::Ok));
  SimReset();
  SimHost.DialogScripts.push_back(Script);
  Far3::ConfigureInfo Info;
  std::memset(&Info, 0, sizeof(Info));
  Info.StructSize = sizeof(Info);
  CheckEqual(static_cast<long long>(Plugin.ConfigureW(&Info)), 1, "ConfigureW returns 1 on OK");
  if (Check(SimHost.Dialogs.size() == 1, "one dialog")) {
    const SimDialogCall &Call = SimHost.Dialogs[0];
    CheckEqual(Call.HelpTopic, "Config", "the dialog's help topic");
    CheckEqual(Call.FinalItems[0].Data, "Quillmate settings", "the title from the language file");
    CheckEqual(Call.FinalItems[14].Data, "0", "a field left with a non-number cleaned to 0");
  }
  bool Preview = false;
  for (const std::string &Line : SimScreenLines())
    Preview = Preview || Line.find("Function fill(x)") != std::string::npos;
  Check(Preview, "the sample program drawn with Text");
  // Far 3 would cut the line above the buttons short of the frame without the layer's help.
  std::string Rule;
  for (int I = 0; I < 36; ++I)
    Rule += "─";
  const std::string Separator = "╟" + Rule + "┴" + Rule + "╢";
  std::string Drawn;
  for (const std::string &Line : SimScreenLines())
    if (Drawn.empty() && Line.find("╟") != std::string::npos)
      Drawn = Line.substr(Line.find("╟"), Separator.size());
  CheckEqual(Drawn, Separator, "the line above the buttons drawn from frame to frame");
  const char *const Keys[7] = {"GlobalTab", "MainTab",  "FuncTab",     "TextFuncTab",
                               "Tab",       "Comments", "SplitLineTab"};
  const int Wanted[7] = {1, 2, 3, 4, 5, -3, 0};
  for (int I = 0; I < 7; ++I)
    CheckEqual(ProfileInt("Settings", Keys[I], 99, Layout.Settings), Wanted[I],
               std::string("qmate.ini beside the plug-in holds ") + Keys[I]);
  UnloadPlugin(Plugin);
}

} // namespace

void RunFar3Scenarios() {
  LayoutRecord Layout;
  BeginScenario("distribution layout (Far 3)");
  if (!Check(MakeLayout("far3", true, Layout), "the library, language, help and word files copy"))
    return;
  IdentityAndMenus(Layout);
  CodePageRoundTrips(Layout);
  MenusInTheirLetters(Layout);
  SettingsDialog();
}
