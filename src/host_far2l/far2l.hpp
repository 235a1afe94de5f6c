// The records and services of far2l's wide plug-in interface (the Far Manager 2 interface as
// far2l keeps it on Linux) that the far2l layer uses, in namespace Far2l so they stand beside
// the 1.70 records of the same names. far2l packs its records to 2 bytes on every 64-bit
// system (its header packs unless _WIN64 is defined), wchar_t holds 4 bytes, and its calling
// convention is the platform's own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Far2l {

typedef std::intptr_t IntPtr;
typedef std::uint32_t Dword;

enum EditorCommand : int {
  ECTL_GETSTRING = 0,
  ECTL_SETSTRING = 1,
  ECTL_INSERTSTRING = 2,
  ECTL_DELETESTRING = 3,
  ECTL_GETINFO = 6,
  ECTL_SETPOSITION = 7,
  ECTL_REDRAW = 9,
  ECTL_PROCESSKEY = 21,
  ECTL_GETFILENAME = 33,
};

// The dialog messages whose numbers or records differ from 1.70's; the others keep 1.70's
// numbers and pass through.
enum DialogMessage : int {
  DM_GETDLGITEM = 5,
  DM_GETDLGRECT = 6,
  DM_GETTEXT = 7,
  DM_SETTEXT = 15,
  DM_SETTEXTPTR = 22,
  DM_GETDLGITEMSHORT = 65,
};

// Key codes: modifiers in the top bits, the cursor keys as EXTENDED_KEY_BASE + virtual key.
enum KeyCode : std::uint32_t {
  KEY_CTRL = 0x04000000,
  KEY_ALT = 0x08000000,
  KEY_SHIFT = 0x10000000,
  EXTENDED_KEY_BASE = 0x00200000,
};

const int OPEN_EDITOR = 5;

#pragma pack(push, 2)

struct FarMenuItem {
  const wchar_t *Text;
  int Selected;
  int Checked;
  int Separator;
};

struct FarDialogItem {
  int Type;
  int X1, Y1, X2, Y2;
  int Focus;
  union {
    std::uintptr_t Reserved;
    int Selected;
  } Param;
  Dword Flags;
  int DefaultButton;
  const wchar_t *PtrData;
  std::size_t MaxLen; // 0: no limit
};

struct FarDialogItemData {
  std::size_t PtrLength;
  wchar_t *PtrData;
};

struct EditorInfo {
  int EditorID;
  int WindowSizeX;
  int WindowSizeY;
  int TotalLines;
  int CurLine;
  int CurPos;
  int CurTabPos;
  int TopScreenLine;
  int LeftPos;
  int Overtype;
  int BlockType;
  int BlockStartLine;
  Dword Options;
  int TabSize;
  int BookMarkCount;
  Dword CurState;
  unsigned CodePage;
  int WindowX;
  int WindowY;
  Dword Reserved[3];
};

struct EditorGetString {
  int StringNumber;
  const wchar_t *StringText;
  const wchar_t *StringEOL;
  int StringLength;
  int SelStart;
  int SelEnd;
};

struct EditorSetString {
  int StringNumber;
  const wchar_t *StringText;
  const wchar_t *StringEOL;
  int StringLength;
};

struct EditorSetPosition {
  int CurLine;
  int CurPos;
  int CurTabPos;
  int TopScreenLine;
  int LeftPos;
  int Overtype;
};

struct PluginInfo {
  int StructSize;
  Dword Flags;
  const wchar_t *const *DiskMenuStrings;
  int *Reserved0;
  int DiskMenuStringsNumber;
  const wchar_t *const *PluginMenuStrings;
  int PluginMenuStringsNumber;
  const wchar_t *const *PluginConfigStrings;
  int PluginConfigStringsNumber;
  const wchar_t *CommandPrefix;
  Dword SysID;
};

typedef IntPtr (*FarWindowProc)(void *Dlg, int Msg, int Param1, IntPtr Param2);
typedef int (*FarMenuFn)(IntPtr PluginNumber, int X, int Y, int MaxHeight, Dword Flags,
                         const wchar_t *Title, const wchar_t *Bottom, const wchar_t *HelpTopic,
                         const int *BreakKeys, int *BreakCode, const FarMenuItem *Item,
                         int ItemsNumber);
typedef IntPtr (*FarMessageFn)(IntPtr PluginNumber, Dword Flags, const wchar_t *HelpTopic,
                               const wchar_t *const *Items, int ItemsNumber, int ButtonsNumber);
typedef const wchar_t *(*FarGetMsgFn)(IntPtr PluginNumber, int MsgId);
typedef void (*FarTextFn)(int X, int Y, std::uint64_t Color, const wchar_t *Str);
typedef int (*FarEditorControlFn)(int Command, void *Param);
typedef void *(*FarDialogInitFn)(IntPtr PluginNumber, int X1, int Y1, int X2, int Y2,
                                 const wchar_t *HelpTopic, FarDialogItem *Item,
                                 unsigned ItemsNumber, Dword Reserved, Dword Flags,
                                 FarWindowProc DlgProc, IntPtr Param);
typedef int (*FarDialogRunFn)(void *Dlg);
typedef void (*FarDialogFreeFn)(void *Dlg);
typedef IntPtr (*FarSendDlgMessageFn)(void *Dlg, int Msg, int Param1, IntPtr Param2);
typedef IntPtr (*FarDefDlgProcFn)(void *Dlg, int Msg, int Param1, IntPtr Param2);

// The service table; the services the layer never calls keep their slots as plain pointers.
struct PluginStartupInfo {
  int StructSize;
  const wchar_t *ModuleName;
  IntPtr ModuleNumber;
  const wchar_t *RootKey;
  FarMenuFn Menu;
  FarMessageFn Message;
  FarGetMsgFn GetMsg;
  void *Control;
  void *SaveScreen;
  void *RestoreScreen;
  void *GetDirList;
  void *GetPluginDirList;
  void *FreeDirList;
  void *FreePluginDirList;
  void *Viewer;
  void *Editor;
  void *CmpName;
  FarTextFn Text;
  FarEditorControlFn EditorControl;
  void *FSF;
  void *ShowHelp;
  void *AdvControl;
  void *AdvControlAsync;
  void *InputBox;
  FarDialogInitFn DialogInit;
  FarDialogRunFn DialogRun;
  FarDialogFreeFn DialogFree;
  FarSendDlgMessageFn SendDlgMessage;
  FarDefDlgProcFn DefDlgProc;
  std::uintptr_t Reserved;
  void *ViewerControl;
  void *PluginsControl;
  void *FileFilterControl;
  void *RegExpControl;
  void *ColorDialog;
};

#pragma pack(pop)

// The layouts far2l's own header gives on x86-64 Linux.
#if defined(__x86_64__) || defined(__aarch64__)
static_assert(sizeof(wchar_t) == 4, "wchar_t");
static_assert(sizeof(FarMenuItem) == 20, "FarMenuItem");
static_assert(offsetof(FarMenuItem, Separator) == 16, "FarMenuItem.Separator");
static_assert(sizeof(FarDialogItem) == 56, "FarDialogItem");
static_assert(offsetof(FarDialogItem, Param) == 24, "FarDialogItem.Param");
static_assert(offsetof(FarDialogItem, Flags) == 32, "FarDialogItem.Flags");
static_assert(offsetof(FarDialogItem, PtrData) == 40, "FarDialogItem.PtrData");
static_assert(offsetof(FarDialogItem, MaxLen) == 48, "FarDialogItem.MaxLen");
static_assert(sizeof(FarDialogItemData) == 16, "FarDialogItemData");
static_assert(sizeof(EditorInfo) == 88, "EditorInfo");
static_assert(offsetof(EditorInfo, TotalLines) == 12, "EditorInfo.TotalLines");
static_assert(offsetof(EditorInfo, BlockStartLine) == 44, "EditorInfo.BlockStartLine");
static_assert(offsetof(EditorInfo, CodePage) == 64, "EditorInfo.CodePage");
static_assert(sizeof(EditorGetString) == 32, "EditorGetString");
static_assert(offsetof(EditorGetString, StringText) == 4, "EditorGetString.StringText");
static_assert(offsetof(EditorGetString, StringLength) == 20, "EditorGetString.StringLength");
static_assert(offsetof(EditorGetString, SelEnd) == 28, "EditorGetString.SelEnd");
static_assert(sizeof(EditorSetString) == 24, "EditorSetString");
static_assert(sizeof(EditorSetPosition) == 24, "EditorSetPosition");
static_assert(sizeof(PluginInfo) == 64, "PluginInfo");
static_assert(offsetof(PluginInfo, PluginMenuStrings) == 28, "PluginInfo.PluginMenuStrings");
static_assert(offsetof(PluginInfo, CommandPrefix) == 52, "PluginInfo.CommandPrefix");
static_assert(offsetof(PluginInfo, SysID) == 60, "PluginInfo.SysID");
static_assert(sizeof(PluginStartupInfo) == 276, "PluginStartupInfo");
static_assert(offsetof(PluginStartupInfo, ModuleName) == 4, "ModuleName");
static_assert(offsetof(PluginStartupInfo, ModuleNumber) == 12, "ModuleNumber");
static_assert(offsetof(PluginStartupInfo, Menu) == 28, "Menu");
static_assert(offsetof(PluginStartupInfo, Message) == 36, "Message");
static_assert(offsetof(PluginStartupInfo, GetMsg) == 44, "GetMsg");
static_assert(offsetof(PluginStartupInfo, Text) == 132, "Text");
static_assert(offsetof(PluginStartupInfo, EditorControl) == 140, "EditorControl");
static_assert(offsetof(PluginStartupInfo, DialogInit) == 188, "DialogInit");
static_assert(offsetof(PluginStartupInfo, DialogRun) == 196, "DialogRun");
static_assert(offsetof(PluginStartupInfo, DialogFree) == 204, "DialogFree");
static_assert(offsetof(PluginStartupInfo, SendDlgMessage) == 212, "SendDlgMessage");
static_assert(offsetof(PluginStartupInfo, DefDlgProc) == 220, "DefDlgProc");
#endif

} // namespace Far2l
