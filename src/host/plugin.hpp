// Declarations of the Far Manager 1.70 (ANSI) plug-in interface that the plug-in uses.
// The records keep the host's 32-bit layouts: 2-byte packing and stdcall services.
// This header never includes <windows.h>, so the host's names stay as written here.
#pragma once

#include <cstdint>

#ifdef _WIN32
#ifndef WINAPI
#define WINAPI __stdcall
#endif
typedef unsigned long DWORD;
#else
#ifndef WINAPI
#define WINAPI
#endif
typedef std::uint32_t DWORD;
#endif
typedef void *HANDLE;

#ifndef INVALID_HANDLE_VALUE
#define INVALID_HANDLE_VALUE ((HANDLE)(std::intptr_t)-1)
#endif

// Editor commands.
enum EditorControlCommands {
  ECTL_GETSTRING = 0,
  ECTL_SETSTRING = 1,
  ECTL_INSERTSTRING = 2,
  ECTL_DELETESTRING = 3,
  ECTL_DELETECHAR = 4,
  ECTL_INSERTTEXT = 5,
  ECTL_GETINFO = 6,
  ECTL_SETPOSITION = 7,
  ECTL_SELECT = 8,
  ECTL_REDRAW = 9,
  ECTL_PROCESSKEY = 23,
};

enum EditorBlockTypes { BTYPE_NONE = 0, BTYPE_STREAM = 1, BTYPE_COLUMN = 2 };

enum OpenPluginFrom { OPEN_EDITOR = 5 };

enum FarDialogMessages {
  DM_CLOSE = 1,
  DM_ENABLE = 2,
  DM_GETDLGITEM = 5,
  DM_GETDLGRECT = 6,
  DM_GETTEXT = 7,
  DM_GETTEXTLENGTH = 8,
  DM_KEY = 9,
  DM_SETFOCUS = 13,
  DM_REDRAW = 14,
  DM_SETTEXT = 15,
  DM_GETFOCUS = 18,
  DN_BTNCLICK = 0x1001,
  DN_DRAWDIALOG = 0x1005,
  DN_DRAWDLGITEM = 0x1006,
  DN_EDITCHANGE = 0x1007,
  DN_GOTFOCUS = 0x1009,
  DN_INITDIALOG = 0x100C,
  DN_KILLFOCUS = 0x100D,
  DN_CLOSE = DM_CLOSE,
};

enum FarDialogItemTypes {
  DI_TEXT = 0,
  DI_VTEXT = 1,
  DI_SINGLEBOX = 2,
  DI_DOUBLEBOX = 3,
  DI_EDIT = 4,
  DI_PSWEDIT = 5,
  DI_FIXEDIT = 6,
  DI_BUTTON = 7,
  DI_CHECKBOX = 8,
  DI_RADIOBUTTON = 9,
  DI_COMBOBOX = 10,
  DI_LISTBOX = 11,
  DI_USERCONTROL = 255,
};

enum FarDialogItemFlags : DWORD {
  DIF_SETCOLOR = 0x100,
  DIF_BOXCOLOR = 0x200,
  DIF_GROUP = 0x400,
  DIF_CENTERGROUP = 0x4000,
  DIF_NOBRACKETS = 0x8000,
  DIF_READONLY = 0x20000000,
  DIF_NOFOCUS = 0x40000000,
  DIF_DISABLE = 0x80000000,
};

enum FarMenuFlags {
  FMENU_SHOWAMPERSAND = 1,
  FMENU_WRAPMODE = 2,
  FMENU_AUTOHIGHLIGHT = 4,
  FMENU_REVERSEAUTOHIGHLIGHT = 8,
};

enum FarMessageFlags {
  FMSG_WARNING = 1,
  FMSG_ERRORTYPE = 2,
  FMSG_KEEPBACKGROUND = 4,
  FMSG_DOWN = 8,
  FMSG_LEFTALIGN = 0x10,
};

enum PluginFlags {
  PF_PRELOAD = 1,
  PF_DISABLEPANELS = 2,
  PF_EDITOR = 4,
  PF_VIEWER = 8,
  PF_FULLCMDLINE = 0x10,
};

#pragma pack(push, 2)

struct FarMenuItem {
  char Text[128];
  int Selected;
  int Checked;
  int Separator;
};

struct FarDialogItem {
  int Type;
  int X1, Y1, X2, Y2;
  int Focus;
  union {
    int Selected;
    const char *History;
    const char *Mask;
    void *ListItems;
    int ListPos;
    void *VBuf;
  };
  DWORD Flags;
  int DefaultButton;
  char Data[512];
};

struct FarDialogItemData {
  int PtrLength;
  char *PtrData;
};

struct EditorInfo {
  int EditorID;
  const char *FileName;
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
  int AnsiMode;
  int TableNum;
  DWORD Options;
  int TabSize;
  int BookMarkCount;
  DWORD CurState;
  DWORD Reserved[6];
};

struct EditorGetString {
  int StringNumber;
  const char *StringText;
  const char *StringEOL;
  int StringLength;
  int SelStart;
  int SelEnd;
};

struct EditorSetString {
  int StringNumber;
  const char *StringText;
  const char *StringEOL;
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

struct SmallRect {
  short Left;
  short Top;
  short Right;
  short Bottom;
};

struct PluginInfo {
  int StructSize;
  DWORD Flags;
  const char *const *DiskMenuStrings;
  int *DiskMenuNumbers;
  int DiskMenuStringsNumber;
  const char *const *PluginMenuStrings;
  int PluginMenuStringsNumber;
  const char *const *PluginConfigStrings;
  int PluginConfigStringsNumber;
  const char *CommandPrefix;
  DWORD Reserved;
};

// The dialog services' number-or-pointer parameter and result: a long, as the 1.70 host has
// it, and pointer-wide in a 64-bit Windows build, where a long holds 32 bits.
#ifdef _WIN64
typedef long long DialogParam;
#else
typedef long DialogParam;
#endif

typedef DialogParam(WINAPI *FARWINDOWPROC)(HANDLE hDlg, int Msg, int Param1, DialogParam Param2);

typedef int(WINAPI *FARAPIMENU)(int PluginNumber, int X, int Y, int MaxHeight, DWORD Flags,
                                const char *Title, const char *Bottom, const char *HelpTopic,
                                const int *BreakKeys, int *BreakCode,
                                const struct FarMenuItem *Item, int ItemsNumber);
typedef int(WINAPI *FARAPIMESSAGE)(int PluginNumber, DWORD Flags, const char *HelpTopic,
                                   const char *const *Items, int ItemsNumber, int ButtonsNumber);
typedef const char *(WINAPI *FARAPIGETMSG)(int PluginNumber, int MsgId);
typedef int(WINAPI *FARAPIEDITORCONTROL)(int Command, void *Param);
typedef void(WINAPI *FARAPITEXT)(int X, int Y, int Color, const char *Str);
typedef int(WINAPI *FARAPIDIALOGEX)(int PluginNumber, int X1, int Y1, int X2, int Y2,
                                    const char *HelpTopic, struct FarDialogItem *Item,
                                    int ItemsNumber, DWORD Reserved, DWORD Flags,
                                    FARWINDOWPROC DlgProc, DialogParam Param);
typedef DialogParam(WINAPI *FARAPISENDDLGMESSAGE)(HANDLE hDlg, int Msg, int Param1,
                                                  DialogParam Param2);
typedef DialogParam(WINAPI *FARAPIDEFDLGPROC)(HANDLE hDlg, int Msg, int Param1, DialogParam Param2);
// Services the plug-in never calls keep their slot with a generic pointer type.
typedef int(WINAPI *FARAPIUNUSED)();

struct PluginStartupInfo {
  int StructSize;
  char ModuleName[260];
  int ModuleNumber;
  const char *RootKey;
  FARAPIMENU Menu;
  FARAPIUNUSED Dialog;
  FARAPIMESSAGE Message;
  FARAPIGETMSG GetMsg;
  FARAPIUNUSED Control;
  FARAPIUNUSED SaveScreen;
  FARAPIUNUSED RestoreScreen;
  FARAPIUNUSED GetDirList;
  FARAPIUNUSED GetPluginDirList;
  FARAPIUNUSED FreeDirList;
  FARAPIUNUSED Viewer;
  FARAPIUNUSED Editor;
  FARAPIUNUSED CmpName;
  FARAPIUNUSED CharTable;
  FARAPITEXT Text;
  FARAPIEDITORCONTROL EditorControl;
  void *FSF;
  FARAPIUNUSED ShowHelp;
  FARAPIUNUSED AdvControl;
  FARAPIUNUSED InputBox;
  FARAPIDIALOGEX DialogEx;
  FARAPISENDDLGMESSAGE SendDlgMessage;
  FARAPIDEFDLGPROC DefDlgProc;
  DWORD Reserved[2];
};

#pragma pack(pop)

#if defined(_WIN32) && !defined(_WIN64)
#include <cstddef>
static_assert(sizeof(FarMenuItem) == 140, "FarMenuItem layout");
static_assert(sizeof(FarDialogItem) == 548, "FarDialogItem layout");
static_assert(offsetof(FarDialogItem, Flags) == 28, "FarDialogItem.Flags offset");
static_assert(offsetof(FarDialogItem, Data) == 36, "FarDialogItem.Data offset");
static_assert(sizeof(FarDialogItemData) == 8, "FarDialogItemData layout");
static_assert(sizeof(EditorInfo) == 100, "EditorInfo layout");
static_assert(sizeof(EditorGetString) == 24, "EditorGetString layout");
static_assert(sizeof(EditorSetString) == 16, "EditorSetString layout");
static_assert(sizeof(EditorSetPosition) == 24, "EditorSetPosition layout");
static_assert(sizeof(SmallRect) == 8, "SMALL_RECT layout");
static_assert(sizeof(PluginInfo) == 44, "PluginInfo layout");
static_assert(sizeof(PluginStartupInfo) == 372, "PluginStartupInfo layout");
static_assert(offsetof(PluginStartupInfo, ModuleNumber) == 264, "ModuleNumber offset");
static_assert(offsetof(PluginStartupInfo, Menu) == 272, "Menu offset");
static_assert(offsetof(PluginStartupInfo, Text) == 328, "Text offset");
static_assert(offsetof(PluginStartupInfo, EditorControl) == 332, "EditorControl offset");
static_assert(offsetof(PluginStartupInfo, FSF) == 336, "FSF offset");
static_assert(offsetof(PluginStartupInfo, DialogEx) == 352, "DialogEx offset");
static_assert(offsetof(PluginStartupInfo, SendDlgMessage) == 356, "SendDlgMessage offset");
static_assert(offsetof(PluginStartupInfo, DefDlgProc) == 360, "DefDlgProc offset");
#endif

// The version word: build in the high 16 bits, major in bits 8-15, minor in bits 0-7.
#define MAKEFARVERSION(major, minor, build) ((DWORD)(((build) << 16) | ((major) << 8) | (minor)))

// The five entry points the host looks up by their plain names.
extern "C" {
void WINAPI SetStartupInfo(const struct PluginStartupInfo *Info);
void WINAPI GetPluginInfo(struct PluginInfo *Info);
HANDLE WINAPI OpenPlugin(int OpenFrom, int Item);
int WINAPI Configure(int ItemNumber);
int WINAPI GetMinFarVersion(void);
}
