// The plug-in's entry points: start-up, its entry in the host's menus, and the command menu.
#include "../commands/commands.hpp"
#include "../reindent/reindent.hpp"
#include "../settings/settings.hpp"
#include "session.hpp"

#include <cstring>

namespace {

// The title handed to the host as a one-element string array; it must outlive the call.
PER_THREAD const char *TitleSlot = nullptr;

// The file-type check: the text after the name's last dot (or the whole name), upper-cased,
// must be PRG or CH; otherwise a warning, and the menu follows all the same.
void CheckFileType() {
  std::string Name = EditorSession.Info.FileName ? EditorSession.Info.FileName : "";
  std::size_t Dot = Name.rfind('.');
  std::string Extension = LocaleUpperText(Dot == std::string::npos ? Name : Name.substr(Dot + 1));
  if (Extension != "PRG" && Extension != "CH")
    ShowNotice(0, MsgErrorTitle, MsgWrongFileType);
}

void FillMenuItem(FarMenuItem &Item, const char *Prefix, int Id) {
  std::string Text = std::string(Prefix) + MsgText(Id);
  std::size_t Length = Min(static_cast<int>(Text.size()), int(sizeof(Item.Text)) - 1);
  std::memcpy(Item.Text, Text.data(), Length);
  Item.Text[Length] = 0;
}

void RunSettingsEntry() {
  Configure(0);
}

struct CommandMenuEntry {
  const char *Prefix;
  int Id;
  void (*Run)();
};

const CommandMenuEntry CommandMenu[7] = {
    {"1. ", MsgMenuReindent, Reindent},          {"2. ", MsgMenuProcedures, ProcedureNavigator},
    {"3. ", MsgMenuComment, CommentBlock},       {"4. ", MsgMenuUncomment, UncommentBlock},
    {"5. ", MsgMenuAnnotate, AnnotateBlockEnds}, {nullptr, -1, nullptr},
    {"6. ", MsgMenuSettings, RunSettingsEntry},
};

int ShowCommandMenu() {
  FarMenuItem Items[7];
  std::memset(Items, 0, sizeof(Items));
  for (int I = 0; I < 7; ++I) {
    if (CommandMenu[I].Prefix)
      FillMenuItem(Items[I], CommandMenu[I].Prefix, CommandMenu[I].Id);
    else
      Items[I].Separator = 1;
  }
  return HostServices.Menu(HostServices.ModuleNumber, -1, -1, 0,
                           FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT, MsgText(MsgTitle), nullptr,
                           "Contents", nullptr, nullptr, Items, 7);
}

// The session for the command just chosen: the range and the shared host records.
void SetUpSession() {
  EditorSessionRecord &S = EditorSession;
  S.LastLine = S.Info.TotalLines;
  S.BlockMode = S.Info.BlockType == BTYPE_STREAM || S.Info.BlockType == BTYPE_COLUMN;
  if (S.BlockMode)
    S.StartLine = S.Info.BlockStartLine;
  S.LineRead.StringNumber = -1;
  S.CursorMove.CurPos = -1;
  S.CursorMove.CurTabPos = -1;
  S.CursorMove.TopScreenLine = -1;
  S.CursorMove.LeftPos = -1;
  S.CursorMove.Overtype = -1;
  S.LineReadIndex = -1;
}

} // namespace

extern "C" {

void WINAPI SetStartupInfo(const PluginStartupInfo *Info) {
  std::memcpy(&HostServices, Info, sizeof(PluginStartupInfo));
  StartupLoad();
}

void WINAPI GetPluginInfo(PluginInfo *Info) {
  Info->StructSize = sizeof(PluginInfo);
  Info->Flags = PF_EDITOR | PF_DISABLEPANELS;
  Info->DiskMenuStringsNumber = 0;
  TitleSlot = MsgText(MsgTitle);
  Info->PluginMenuStrings = &TitleSlot;
  Info->PluginMenuStringsNumber = 1;
  Info->PluginConfigStrings = &TitleSlot;
  Info->PluginConfigStringsNumber = 1;
  Info->CommandPrefix = nullptr;
}

HANDLE WINAPI OpenPlugin(int, int) {
  EditorSessionRecord &S = EditorSession;
  HostServices.EditorControl(ECTL_GETINFO, &S.Info);
  CheckFileType();
  bool Repeat;
  do {
    Repeat = false;
    S.StartLine = 0;
    int Chosen = ShowCommandMenu();
    SetUpSession();
    if (Chosen >= 0 && Chosen < 7 && CommandMenu[Chosen].Run)
      CommandMenu[Chosen].Run();
    if (Chosen == 6)
      Repeat = true;
    else if (Chosen != 1)
      RestoreCursor();
  } while (Repeat);
  return INVALID_HANDLE_VALUE;
}

int WINAPI GetMinFarVersion(void) {
  return static_cast<int>(MAKEFARVERSION(1, 70, 591));
}

} // extern "C"
