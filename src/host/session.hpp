// The editor and message access layer shared by every command: the session record,
// line operations, the range bounds, texts by number, message boxes and small text helpers.
#pragma once

#include "per_thread.hpp"
#include "plugin.hpp"

#include <string>
#include <vector>

// Numbers of the user-visible texts in the plug-in's language file.
enum MessageId {
  MsgOk = 0,
  MsgCancel = 1,
  MsgWrongFileType = 2,
  MsgNoBlockTitle = 3,
  MsgErrorTitle = 4,
  MsgTitle = 5,
  MsgNoBlock = 6,
  MsgNoProcedures = 7,
  MsgMenuReindent = 8,
  MsgMenuProcedures = 9,
  MsgMenuComment = 10,
  MsgMenuUncomment = 11,
  MsgMenuAnnotate = 12,
  MsgMenuSettings = 13,
  MsgConfigTitle = 14,
  MsgSettingLabel = 15, // 15 to 21: the seven setting labels, top to bottom
  // The Far 3 host's refusal of a file with a line its code page cannot hold (%line and
  // %codepage stand for the line's number and the code page).
  MsgOutsideCodePage = 22,
  MsgCount = 23,
};

// The state of the editor for one command: the snapshot taken when the plug-in was
// opened, the range the command works on, and the host records every line operation reuses.
struct EditorSessionRecord {
  EditorInfo Info;
  bool BlockMode;
  int StartLine;
  int LastLine; // the host's TotalLines: a count, so the range ends before it
  int CurrentLine;
  EditorGetString LineRead;
  EditorSetString LineWrite;
  EditorSetPosition CursorMove;
  // The end of line of the line last read, so that a rewrite keeps the line's own. Kept
  // whole, whatever its length: Far 1.75 reports "\r\r\n", and a cut one joins two lines.
  int LineReadIndex;
  std::string LineReadEOL;
};

// The copy of the host's service table, kept for the library's lifetime.
extern PER_THREAD PluginStartupInfo HostServices;
extern PER_THREAD EditorSessionRecord EditorSession;

// Moves the cursor to line Index and returns the whole text of that line (zero bytes included).
std::string GetLine(int Index);
// The same into Text, whose storage a walk over many lines reuses.
void ReadLine(int Index, std::string &Text);
// True when the line last read ends at a lone CR: the editor ends the line there, while the
// compiler reads a blank and goes on with the next line's text.
bool ReadLineEndsAtLoneCr();
// True when line Index ends at a lone CR, asked without moving the cursor (false for a line
// before the first).
bool LineEndsAtLoneCr(int Index);
// True when the line just read ends at a lone CR or follows one, for a walk down the lines:
// After says whether the line before ended at one, and is updated for the next line. Text
// added to or taken from such a line changes what the compiler reads past the CR.
bool TouchesLoneCr(bool &After);
// Rewrites line Index with Text, keeping the end of line the line had when it was read.
void SetLine(int Index, const std::string &Text);
// Splits the cursor line at the cursor, as Enter does; at column 0 an empty line comes above.
void InsertLineAtCursor();
// Removes the cursor line (the line last read).
void DeleteCursorLine();
// True when the line last read ends or lies outside the marked block.
bool IsBlockEnd();
// Puts the cursor and the screen back where the snapshot found them.
void RestoreCursor();
// Moves the cursor with the shared CursorMove record as it stands.
void MoveCursor();
// True while CurrentLine names a line of the file: no walk asks for index TotalLines.
bool InRange();

const char *MsgText(int Id);

// One item of a message box: a text number, or a literal text when Text is set.
struct MessageItem {
  int Id;
  const char *Text;
};
int ShowMessage(DWORD Flags, const char *HelpTopic, const std::vector<MessageItem> &Items,
                int Buttons);
// The notice every command shows: a title, one line of text and the OK button.
void ShowNotice(DWORD Flags, int TitleId, int TextId);

bool IsLetter(unsigned char C);
int Min(int A, int B);
std::string RepeatChar(char C, int N);

// Upper-casing with the rules of the system's 8-bit code page (Windows-1252 outside Windows).
unsigned char LocaleUpper(unsigned char C);
// LocaleUpper of every byte value, for loops over many characters.
const unsigned char *LocaleUpperTable();
std::string LocaleUpperText(const std::string &Text);
// Upper-casing of a to z only, as the re-indenter's word rules do.
inline char AsciiUpper(char C) {
  return (C >= 'a' && C <= 'z') ? char(C - 'a' + 'A') : C;
}
// The bounds [First, End) of Text without its leading and trailing characters of code 32 or
// less.
void TrimBounds(const std::string &Text, std::size_t &First, std::size_t &End);
// Drops every leading character of code 32 or less.
std::string TrimLeft(const std::string &Text);
// Drops every trailing character of code 32 or less.
std::string TrimRight(const std::string &Text);
inline bool IsBlankChar(char C) {
  return static_cast<unsigned char>(C) <= 32;
}
// The blanks that separate words on a line of code.
inline bool IsSpaceOrTab(char C) {
  return C == ' ' || C == '\t';
}
