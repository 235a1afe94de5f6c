// The records and services of the Far Manager 3 (Unicode) plug-in interface that the Far 3
// host layer uses, declared in a namespace of their own so that they stand beside the 1.70
// records of the same names. Natural alignment, stdcall services, pointer-sized integers: the
// sizes and offsets below were measured against Far 3's own header with both MinGW-w64
// compilers and are checked here.
#pragma once

#include <cstddef>
#include <cstdint>

#ifndef WINAPI
#define WINAPI __stdcall
#endif

namespace Far3 {

struct Uuid {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};

struct Rect32 {
  std::int32_t Left, Top, Right, Bottom;
};

// A colour given as two 4-bit console indices (with both index flags set); the alpha byte
// makes it opaque.
const std::uint64_t ColorForegroundIndex = 0x1;
const std::uint64_t ColorBackgroundIndex = 0x2;
const std::uint32_t ColorOpaque = 0xFF000000u;

struct Color {
  std::uint64_t Flags;
  std::uint32_t Foreground;
  std::uint32_t Background;
  std::uint32_t Underline;
  std::uint32_t Reserved;
};

// Dialog item flags whose values differ from or are absent in the 1.70 ones.
const std::uint64_t DialogItemFocus = 0x200000000ull;
const std::uint64_t DialogItemDefaultButton = 0x100000000ull;

struct DialogItem {
  int Type;
  std::intptr_t X1, Y1, X2, Y2;
  std::intptr_t Param; // Selected, or the list or buffer pointer of the item's type
  const wchar_t *History;
  const wchar_t *Mask;
  std::uint64_t Flags;
  const wchar_t *Data;
  std::size_t MaxLength;
  std::intptr_t UserData;
  std::intptr_t Reserved[2];
};

struct DialogItemData {
  std::size_t StructSize;
  std::size_t PtrLength;
  wchar_t *PtrData;
};

struct GetDialogItem {
  std::size_t StructSize;
  std::size_t Size;
  DialogItem *Item;
};

// Dialog messages that Far 3 numbers differently from 1.70 or added.
enum DialogMessages { DmGetConstTextPtr = 63, DnClose = 4117 };

struct Key {
  std::uint16_t VirtualKeyCode;
  std::uint32_t ControlKeyState;
};

const std::uint64_t MenuItemSelected = 0x10000;
const std::uint64_t MenuItemChecked = 0x20000;
const std::uint64_t MenuItemSeparator = 0x40000;

struct MenuItem {
  std::uint64_t Flags;
  const wchar_t *Text;
  Key AccelKey;
  std::intptr_t UserData;
  std::intptr_t Reserved[2];
};

// Message flags: the first three as in 1.70, the left alignment moved.
const std::uint64_t MessageLeftAlign = 0x8;

// Editor commands that Far 3 numbers differently from 1.70 or added.
enum EditorCommands { EctlProcessInput = 15, EctlGetFileName = 33 };
const std::intptr_t CurrentEditor = -1;

struct EditorGetString {
  std::size_t StructSize;
  std::intptr_t StringNumber;
  std::intptr_t StringLength;
  const wchar_t *StringText;
  const wchar_t *StringEOL;
  std::intptr_t SelStart;
  std::intptr_t SelEnd;
};

struct EditorSetString {
  std::size_t StructSize;
  std::intptr_t StringNumber;
  std::intptr_t StringLength;
  const wchar_t *StringText;
  const wchar_t *StringEOL;
};

struct EditorInfo {
  std::size_t StructSize;
  std::intptr_t EditorID;
  std::intptr_t WindowSizeX;
  std::intptr_t WindowSizeY;
  std::intptr_t TotalLines;
  std::intptr_t CurLine;
  std::intptr_t CurPos;
  std::intptr_t CurTabPos;
  std::intptr_t TopScreenLine;
  std::intptr_t LeftPos;
  std::intptr_t Overtype;
  std::intptr_t BlockType;
  std::intptr_t BlockStartLine;
  std::uintptr_t Options;
  std::intptr_t TabSize;
  std::size_t BookmarkCount;
  std::size_t SessionBookmarkCount;
  std::uintptr_t CurState;
  std::uintptr_t CodePage;
  Rect32 WindowArea;
  Rect32 ClientArea;
};

struct EditorSetPosition {
  std::size_t StructSize;
  std::intptr_t CurLine;
  std::intptr_t CurPos;
  std::intptr_t CurTabPos;
  std::intptr_t TopScreenLine;
  std::intptr_t LeftPos;
  std::intptr_t Overtype;
};

// The console's key event as ECTL_PROCESSINPUT takes it (Windows' INPUT_RECORD).
enum KeyEventValues {
  KeyEventType = 1,
  LeftAltPressed = 0x2,
  LeftCtrlPressed = 0x8,
  ShiftPressed = 0x10,
  EnhancedKey = 0x100,
};

struct KeyInputRecord {
  std::uint16_t EventType;
  std::int32_t KeyDown;
  std::uint16_t RepeatCount;
  std::uint16_t VirtualKeyCode;
  std::uint16_t VirtualScanCode;
  wchar_t UnicodeChar;
  std::uint32_t ControlKeyState;
};

struct VersionInfo {
  std::uint32_t Major, Minor, Revision, Build;
  int Stage;
};

struct GlobalInfo {
  std::size_t StructSize;
  VersionInfo MinFarVersion;
  VersionInfo Version;
  Uuid Guid;
  const wchar_t *Title;
  const wchar_t *Description;
  const wchar_t *Author;
  void *Instance;
};

struct PluginMenuItem {
  const Uuid *Guids;
  const wchar_t *const *Strings;
  std::size_t Count;
};

struct PluginInfo {
  std::size_t StructSize;
  std::uint64_t Flags;
  PluginMenuItem DiskMenu;
  PluginMenuItem PluginMenu;
  PluginMenuItem PluginConfig;
  const wchar_t *CommandPrefix;
  void *Instance;
};

enum OpenFrom { OpenFromEditor = 5 };

struct OpenInfo {
  std::size_t StructSize;
  int OpenFrom;
  const Uuid *Guid;
  std::intptr_t Data;
  void *Instance;
};

struct ConfigureInfo {
  std::size_t StructSize;
  const Uuid *Guid;
  void *Instance;
};

typedef void *Handle;
typedef std::intptr_t(WINAPI *DialogProc)(Handle Dlg, std::intptr_t Msg, std::intptr_t Param1,
                                          void *Param2);
typedef std::intptr_t(WINAPI *MenuService)(const Uuid *PluginId, const Uuid *Id, std::intptr_t X,
                                           std::intptr_t Y, std::intptr_t MaxHeight,
                                           std::uint64_t Flags, const wchar_t *Title,
                                           const wchar_t *Bottom, const wchar_t *HelpTopic,
                                           const Key *BreakKeys, std::intptr_t *BreakCode,
                                           const MenuItem *Item, std::size_t ItemsNumber);
typedef std::intptr_t(WINAPI *MessageService)(const Uuid *PluginId, const Uuid *Id,
                                              std::uint64_t Flags, const wchar_t *HelpTopic,
                                              const wchar_t *const *Items, std::size_t ItemsNumber,
                                              std::intptr_t ButtonsNumber);
typedef const wchar_t *(WINAPI *GetMsgService)(const Uuid *PluginId, std::intptr_t MsgId);
typedef void(WINAPI *TextService)(std::intptr_t X, std::intptr_t Y, const Color *Colour,
                                  const wchar_t *Str);
typedef std::intptr_t(WINAPI *EditorControlService)(std::intptr_t EditorID, int Command,
                                                    std::intptr_t Param1, void *Param2);
typedef Handle(WINAPI *DialogInitService)(const Uuid *PluginId, const Uuid *Id, std::intptr_t X1,
                                          std::intptr_t Y1, std::intptr_t X2, std::intptr_t Y2,
                                          const wchar_t *HelpTopic, const DialogItem *Item,
                                          std::size_t ItemsNumber, std::intptr_t Reserved,
                                          std::uint64_t Flags, DialogProc Proc, void *Param);
typedef std::intptr_t(WINAPI *DialogRunService)(Handle Dlg);
typedef void(WINAPI *DialogFreeService)(Handle Dlg);
typedef std::intptr_t(WINAPI *DialogMessageService)(Handle Dlg, std::intptr_t Msg,
                                                    std::intptr_t Param1, void *Param2);
// Services the layer never calls keep their slot with a generic pointer type.
typedef void *UnusedService;

struct PluginStartupInfo {
  std::size_t StructSize;
  const wchar_t *ModuleName;
  MenuService Menu;
  MessageService Message;
  GetMsgService GetMsg;
  UnusedService PanelControl, SaveScreen, RestoreScreen, GetDirList, GetPluginDirList, FreeDirList,
      FreePluginDirList, Viewer, Editor;
  TextService Text;
  EditorControlService EditorControl;
  void *FSF;
  UnusedService ShowHelp, AdvControl, InputBox, ColorDialog;
  DialogInitService DialogInit;
  DialogRunService DialogRun;
  DialogFreeService DialogFree;
  DialogMessageService SendDlgMessage;
  DialogMessageService DefDlgProc;
  UnusedService ViewerControl, PluginsControl, FileFilterControl, RegExpControl, MacroControl,
      SettingsControl;
  const void *Private;
  void *Instance;
  UnusedService FreeScreen;
};

} // namespace Far3

// The layouts of Far 3's own header, measured with i686- and x86_64-w64-mingw32-g++.
#if defined(_WIN64)
#define FAR3_LAYOUT(Record, Size32, Size64) static_assert(sizeof(Far3::Record) == Size64, #Record)
#define FAR3_OFFSET(Record, Field, At32, At64)                                                     \
  static_assert(offsetof(Far3::Record, Field) == At64, #Record "." #Field)
#elif defined(_WIN32)
#define FAR3_LAYOUT(Record, Size32, Size64) static_assert(sizeof(Far3::Record) == Size32, #Record)
#define FAR3_OFFSET(Record, Field, At32, At64)                                                     \
  static_assert(offsetof(Far3::Record, Field) == At32, #Record "." #Field)
#else
#define FAR3_LAYOUT(Record, Size32, Size64)
#define FAR3_OFFSET(Record, Field, At32, At64)
#endif
FAR3_LAYOUT(Uuid, 16, 16);
FAR3_LAYOUT(Color, 24, 24);
FAR3_OFFSET(Color, Foreground, 8, 8);
FAR3_OFFSET(Color, Background, 12, 12);
FAR3_LAYOUT(DialogItem, 64, 112);
FAR3_OFFSET(DialogItem, X1, 4, 8);
FAR3_OFFSET(DialogItem, Param, 20, 40);
FAR3_OFFSET(DialogItem, History, 24, 48);
FAR3_OFFSET(DialogItem, Flags, 32, 64);
FAR3_OFFSET(DialogItem, Data, 40, 72);
FAR3_OFFSET(DialogItem, MaxLength, 44, 80);
FAR3_OFFSET(DialogItem, UserData, 48, 88);
FAR3_LAYOUT(DialogItemData, 12, 24);
FAR3_OFFSET(DialogItemData, PtrData, 8, 16);
FAR3_LAYOUT(GetDialogItem, 12, 24);
FAR3_OFFSET(GetDialogItem, Item, 8, 16);
FAR3_LAYOUT(Key, 8, 8);
FAR3_LAYOUT(MenuItem, 32, 48);
FAR3_OFFSET(MenuItem, Text, 8, 8);
FAR3_OFFSET(MenuItem, AccelKey, 12, 16);
FAR3_OFFSET(MenuItem, UserData, 20, 24);
FAR3_LAYOUT(EditorGetString, 28, 56);
FAR3_OFFSET(EditorGetString, StringText, 12, 24);
FAR3_OFFSET(EditorGetString, StringEOL, 16, 32);
FAR3_OFFSET(EditorGetString, SelStart, 20, 40);
FAR3_OFFSET(EditorGetString, SelEnd, 24, 48);
FAR3_LAYOUT(EditorSetString, 20, 40);
FAR3_OFFSET(EditorSetString, StringText, 12, 24);
FAR3_OFFSET(EditorSetString, StringEOL, 16, 32);
FAR3_LAYOUT(EditorInfo, 108, 184);
FAR3_OFFSET(EditorInfo, TotalLines, 16, 32);
FAR3_OFFSET(EditorInfo, CurPos, 24, 48);
FAR3_OFFSET(EditorInfo, BlockType, 44, 88);
FAR3_OFFSET(EditorInfo, BlockStartLine, 48, 96);
FAR3_OFFSET(EditorInfo, Options, 52, 104);
FAR3_OFFSET(EditorInfo, CodePage, 72, 144);
FAR3_OFFSET(EditorInfo, WindowArea, 76, 152);
FAR3_LAYOUT(EditorSetPosition, 28, 56);
FAR3_OFFSET(EditorSetPosition, Overtype, 24, 48);
FAR3_LAYOUT(KeyInputRecord, 20, 20);
FAR3_OFFSET(KeyInputRecord, KeyDown, 4, 4);
FAR3_OFFSET(KeyInputRecord, VirtualKeyCode, 10, 10);
FAR3_OFFSET(KeyInputRecord, ControlKeyState, 16, 16);
FAR3_LAYOUT(VersionInfo, 20, 20);
FAR3_LAYOUT(GlobalInfo, 76, 96);
FAR3_OFFSET(GlobalInfo, MinFarVersion, 4, 8);
FAR3_OFFSET(GlobalInfo, Version, 24, 28);
FAR3_OFFSET(GlobalInfo, Guid, 44, 48);
FAR3_OFFSET(GlobalInfo, Title, 60, 64);
FAR3_OFFSET(GlobalInfo, Instance, 72, 88);
FAR3_LAYOUT(PluginMenuItem, 12, 24);
FAR3_LAYOUT(PluginInfo, 64, 104);
FAR3_OFFSET(PluginInfo, Flags, 8, 8);
FAR3_OFFSET(PluginInfo, DiskMenu, 16, 16);
FAR3_OFFSET(PluginInfo, PluginMenu, 28, 40);
FAR3_OFFSET(PluginInfo, PluginConfig, 40, 64);
FAR3_OFFSET(PluginInfo, CommandPrefix, 52, 88);
FAR3_LAYOUT(OpenInfo, 20, 40);
FAR3_OFFSET(OpenInfo, OpenFrom, 4, 8);
FAR3_OFFSET(OpenInfo, Guid, 8, 16);
FAR3_OFFSET(OpenInfo, Data, 12, 24);
FAR3_LAYOUT(ConfigureInfo, 12, 24);
FAR3_OFFSET(ConfigureInfo, Guid, 4, 8);
FAR3_LAYOUT(PluginStartupInfo, 140, 280);
FAR3_OFFSET(PluginStartupInfo, ModuleName, 4, 8);
FAR3_OFFSET(PluginStartupInfo, Menu, 8, 16);
FAR3_OFFSET(PluginStartupInfo, Message, 12, 24);
FAR3_OFFSET(PluginStartupInfo, GetMsg, 16, 32);
FAR3_OFFSET(PluginStartupInfo, Text, 56, 112);
FAR3_OFFSET(PluginStartupInfo, EditorControl, 60, 120);
FAR3_OFFSET(PluginStartupInfo, FSF, 64, 128);
FAR3_OFFSET(PluginStartupInfo, AdvControl, 72, 144);
FAR3_OFFSET(PluginStartupInfo, DialogInit, 84, 168);
FAR3_OFFSET(PluginStartupInfo, DialogRun, 88, 176);
FAR3_OFFSET(PluginStartupInfo, DialogFree, 92, 184);
FAR3_OFFSET(PluginStartupInfo, SendDlgMessage, 96, 192);
FAR3_OFFSET(PluginStartupInfo, DefDlgProc, 100, 200);
FAR3_OFFSET(PluginStartupInfo, FreeScreen, 136, 272);
#undef FAR3_LAYOUT
#undef FAR3_OFFSET
