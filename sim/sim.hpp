// The simulated Far Manager 1.70 host: an editor, menus and message boxes that record what
// they were shown and answer from a script, the language file, a screen buffer and a dialog
// engine. Tests and the command-line tool hand its service table to the plug-in.
#pragma once

#include "../src/host/per_thread.hpp"
#include "../src/host/plugin.hpp"
#include "gap_vector.hpp"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// One line as a test or the tool sees it.
struct SimLine {
  std::string Text;
  std::string Eol; // "", "\r", "\n", "\r\n" or "\r\r\n"
  int SelStart = -1;
  int SelEnd = 0;
};

// One line as the editor holds it: its text is Indent spaces followed by the Length bytes at
// Offset in the editor's Store, so a line costs 20 bytes besides its text, a split line
// shares its bytes, and re-indenting a line needs no new room for its spaces. Spaces beyond
// the most Indent holds are kept among the bytes.
struct SimLineSlot {
  std::uint32_t Offset = 0;
  std::uint32_t Length = 0;
  std::int32_t SelStart = -1;
  std::int32_t SelEnd = 0;
  std::uint16_t Indent = 0;
  std::uint8_t Eol = 0; // a SimEolKind
};
const std::size_t SimMostIndent = 0xFFFF;

// A loaded file's lines end in "\n", "\r\n", "\r\r\n" or a lone "\r" (a "\r" that no "\n"
// follows), as the host reads it (SimSplitLine).
enum SimEolKind { SimEolNone = 0, SimEolCr = 1, SimEolLf = 2, SimEolCrLf = 3, SimEolCrCrLf = 4 };

// One line of a file's bytes as the host reads it: the text is [Start, TextEnd), the end of
// line [TextEnd, Next) of kind Eol; the last line runs to the end of the bytes (Eol none).
struct SimLineSpan {
  std::size_t TextEnd;
  std::size_t Next;
  std::uint8_t Eol;
};
// The line of Data[0, Size) that starts at Start. As in Far 1.75: the text runs to the first
// CR or LF; the end of line takes the CRs and LFs after it up to "\n", "\r\n" or "\r\r\n" (or
// up to 16 of them); a line so read that ends in "\r" ends at a lone CR, any other ends in
// "\n", "\r\n" or "\r\r\n", and the CRs and LFs before that are text.
SimLineSpan SimSplitLine(const char *Data, std::size_t Size, std::size_t Start);

struct SimEditorRecord {
  GapVector<SimLineSlot> Lines;
  // The loaded file's bytes, unchanged, then every text written since, one after another.
  std::string Store;
  std::size_t LoadedSize = 0; // Store[0, LoadedSize) is the file as loaded
  std::size_t LiveBytes = 0;  // bytes of Store that lines still use, after LoadedSize
  std::size_t TextSize = 0;   // the size of the text as saved, kept as lines change
  // While set, the loaded bytes are never written over, so SimTextUnchanged and
  // SimLoadedText can tell what was loaded. Cleared, a rewritten line that is no longer
  // than before takes its old place, so a large file is rewritten with little more memory.
  bool KeepLoaded = true;
  std::string Scratch; // the zero-terminated copy handed out by ECTL_GETSTRING
  std::string FileName;
  int CurLine = 0;
  int CurPos = 0;
  int TopScreenLine = 0;
  int LeftPos = 0;
  int Overtype = 0;
  int BlockType = BTYPE_NONE;
  int WindowSizeX = 80;
  int WindowSizeY = 25;
  int TabSize = 8;
  std::vector<int> Keys;     // every key the plug-in sent, in order
  std::vector<int> Commands; // every editor command, in order, when RecordCommands is set
  bool RecordCommands = false;
};

struct SimMenuCall {
  int X, Y, MaxHeight;
  DWORD Flags;
  std::string Title;
  std::string HelpTopic;
  bool HasBottom;
  std::vector<FarMenuItem> Items;
};

struct SimMessageCall {
  DWORD Flags;
  std::string HelpTopic;
  std::vector<std::string> Items;
  int Buttons;
};

// One action of a dialog script. Next and Prev are Tab and Shift+Tab; Type enters its
// characters into the focused edit field (a fixed field in overtype mode, at most its width;
// when the field gets the focus its cursor stands after its text, and the first character
// typed replaces the whole unchanged text, as in the host); Key presses one editing key in the
// focused field (Item: KEY_LEFT, KEY_RIGHT, KEY_HOME, KEY_END, SimKeyDel or SimKeyBackspace); Ok is
// Enter; Cancel is Esc; Press chooses a button; Focus clicks an item; Move drags the dialog so
// that its top-left corner stands at column Item, row Y.
struct SimDialogAction {
  enum Kind { Next, Prev, Type, Ok, Cancel, Press, Focus, Move, Key } What;
  std::string Text; // Type: the characters typed
  int Item = 0;     // Press, Focus: the item; Move: the new left column; Key: the key
  int Y = 0;        // Move: the new top row
};

// The editing keys of a Key action besides the host's cursor keys.
enum SimDialogKeys { SimKeyBackspace = 8, SimKeyDel = 0x12E };

struct SimDialogCall {
  int X1, Y1, X2, Y2;
  std::string HelpTopic;
  int Result;
  std::vector<FarDialogItem> FinalItems;
  int Left = 0, Top = 0, Width = 0, Height = 0; // where the dialog stood when it closed
  std::vector<int> KillFocus;                   // the items that were sent DN_KILLFOCUS
};

struct SimScreenRecord {
  int Width = 80;
  int Height = 25;
  std::vector<unsigned char> Chars; // Width * Height, code page 437
  std::vector<unsigned char> Attrs;
};

// How the host cuts a text item as it draws it. The 1.70 host draws it whole. far2l and Far 3
// leave the dialog's last column out of a text as wide as the dialog, and Far 3 also cuts a
// text with no right edge five columns short of the dialog's right side.
enum SimTextCutKind { SimTextWhole, SimTextCutFar2l, SimTextCutFar3 };

struct SimHostRecord {
  SimEditorRecord Editor;
  std::deque<int> MenuAnswers; // an index, or -1 for Esc; an empty script answers Esc
  std::vector<SimMenuCall> Menus;
  std::vector<SimMessageCall> Messages;
  std::vector<std::string> LanguageTexts;
  std::string MissingText; // served for a number past the language file's end
  // One script per DialogEx call; a script that runs out is Esc. The screen keeps the
  // dialog's last picture after it closes, for the tests and the tool to read.
  std::deque<std::vector<SimDialogAction>> DialogScripts;
  std::vector<SimDialogCall> Dialogs;
  SimScreenRecord Screen;
  // Called after the dialog's first drawing and after each action that leaves it open.
  void (*DialogStep)(void *Context) = nullptr;
  void *DialogStepContext = nullptr;
  // When set, the dialog asks it for each next action instead of playing DialogScripts;
  // false means the user left with Esc.
  bool (*DialogInput)(void *Context, SimDialogAction &Action) = nullptr;
  void *DialogInputContext = nullptr;
  // The open dialog's focused item and the screen place of its cursor (-1 when no edit field
  // has the focus or no dialog is open).
  int DialogFocus = -1;
  int DialogCursorX = -1;
  int DialogCursorY = -1;
  SimTextCutKind DialogTextCut = SimTextWhole; // set by the test hosts of the wide-text Fars
};

extern PER_THREAD SimHostRecord SimHost;

// Empties the editor, the scripts, the records and the screen; keeps the language texts.
void SimReset();

// The editor's text as the host loads it from a file's bytes, and back. Pass the bytes with
// std::move to spare a copy of a large file.
void SimLoadText(std::string Bytes, const std::string &FileName);
std::string SimSaveText();
// The editor as edits left it that turned the bytes loaded into Text.
void SimLoadEditedText(std::string Bytes, const std::string &Text, const std::string &FileName);
// The text as saved, handed over in pieces (each line's text, then its end of line), so a
// large file is written without a second copy in memory. Stops when Emit returns false.
bool SimEmitText(bool (*Emit)(void *Context, const char *Data, std::size_t Size), void *Context);
// True when the text would be saved as exactly the bytes it was loaded from (while
// KeepLoaded is set).
bool SimTextUnchanged();
// The loaded bytes, valid until the editor is reset (read only while KeepLoaded is set).
const char *SimLoadedBytes();
// The number of lines the saved text splits into at its LFs, when every line but the last
// ends in a LF (so each is one line of the saved text); -1 otherwise.
int SimSavedLineCount();
// Line Index's text where the editor keeps it: Indent spaces, then Length bytes at the
// pointer returned (valid until the editor's next change), and its end of line.
const char *SimLineBytes(int Index, std::size_t &Indent, std::size_t &Length, SimEolKind &Eol);
// Appends line Index as saved (its text and its end of line) to Out.
void SimAppendSavedLine(int Index, std::string &Out);
// The number of bytes the text would be saved as, counted from the line table alone.
std::size_t SimTextSize();
// The number of bytes the text was loaded from.
std::size_t SimLoadedSize();
// The bytes the text was loaded from.
std::string SimLoadedText();
int SimLineCount();
std::string SimLineText(int Index);
SimLine SimLineAt(int Index);

// Cursor and block set-up as a user makes them.
void SimSetCursor(int Line, int Pos);
// A stream block made with Shift+Down from column 0 of line First through line Last.
void SimMarkLines(int First, int Last);
void SimMarkStream(int Line1, int Col1, int Line2, int Col2);
void SimMarkColumn(int Line1, int Line2, int Col1, int Col2);
void SimUnmark();

// Parses a language file in the host's format; false when it cannot be parsed.
bool SimLoadLanguage(const std::string &Bytes);
// The English language file that ships with the plug-in, built into the simulator.
const std::string &SimBuiltinLanguage();

// The service table the plug-in receives, with ModuleName set to ModulePath.
PluginStartupInfo SimStartupInfo(const std::string &ModulePath);

// The screen as text lines (code page 437 converted to UTF-8), trailing blanks kept.
std::vector<std::string> SimScreenLines();
void SimClearScreen();

// The host services themselves, for tests that call them directly.
int WINAPI SimEditorControl(int Command, void *Param);
int WINAPI SimMenu(int PluginNumber, int X, int Y, int MaxHeight, DWORD Flags, const char *Title,
                   const char *Bottom, const char *HelpTopic, const int *BreakKeys, int *BreakCode,
                   const FarMenuItem *Item, int ItemsNumber);
int WINAPI SimMessage(int PluginNumber, DWORD Flags, const char *HelpTopic,
                      const char *const *Items, int ItemsNumber, int ButtonsNumber);
const char *WINAPI SimGetMsg(int PluginNumber, int MsgId);
void WINAPI SimText(int X, int Y, int Color, const char *Str);
int WINAPI SimDialogEx(int PluginNumber, int X1, int Y1, int X2, int Y2, const char *HelpTopic,
                       FarDialogItem *Item, int ItemsNumber, DWORD Reserved, DWORD Flags,
                       FARWINDOWPROC DlgProc, DialogParam Param);
DialogParam WINAPI SimSendDlgMessage(HANDLE Dlg, int Msg, int Param1, DialogParam Param2);
DialogParam WINAPI SimDefDlgProc(HANDLE Dlg, int Msg, int Param1, DialogParam Param2);
