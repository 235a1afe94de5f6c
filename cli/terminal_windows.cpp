// The terminal on Windows: the console. Keys come from ReadConsoleInputW as key events and are
// handed on as the bytes a POSIX terminal sends for them, so one reader serves both systems.
// The screen is written with virtual terminal processing where the console has it (Windows 10
// and later); an older console has the few escape sequences carried out through the console
// API, on a screen buffer of the tool's own.
#include "platform.hpp"
#include "winpaths.hpp"

#include <cstdlib>
#include <string>
#include <vector>
#include <windows.h>

namespace {

struct ConsoleRecord {
  bool Raw = false;
  bool Vt = false; // the console carries out escape sequences itself
  HANDLE In = INVALID_HANDLE_VALUE;
  HANDLE Out = INVALID_HANDLE_VALUE;
  DWORD SavedIn = 0, SavedOut = 0;
  // Without virtual terminal processing: the screen buffer drawn on, the colours being
  // written, the colours the console had, and the window's top-left corner.
  HANDLE Screen = INVALID_HANDLE_VALUE;
  WORD Colours = 7, Plain = 7;
  SHORT Left = 0, Top = 0;
  std::string Keys; // bytes of keys read from the console and not yet handed on
};
ConsoleRecord Console;

const char EnterSequence[] = "\x1b[?1049h\x1b[H\x1b[2J";
const char LeaveSequence[] = "\x1b[0m\x1b[?25h\x1b[?1049l";

void WriteWide(HANDLE Handle, const std::string &Text) {
  std::wstring Wide = WidePath(Text);
  std::size_t Done = 0;
  while (Done < Wide.size()) {
    DWORD Wrote = 0;
    if (!WriteConsoleW(Handle, Wide.data() + Done, static_cast<DWORD>(Wide.size() - Done), &Wrote,
                       nullptr) ||
        Wrote == 0)
      return;
    Done += Wrote;
  }
}

// ANSI colour numbers (red in bit 0, blue in bit 2) and console colours (blue in bit 0, red in
// bit 2) are each other's mirror image.
WORD MirrorColour(int Colour) {
  return static_cast<WORD>(((Colour & 1) ? 4 : 0) | (Colour & 2) | ((Colour & 4) ? 1 : 0));
}

void FillFrom(COORD From, DWORD Cells) {
  DWORD Done;
  FillConsoleOutputCharacterW(Console.Screen, L' ', Cells, From, &Done);
  FillConsoleOutputAttribute(Console.Screen, Console.Colours, Cells, From, &Done);
}

// One escape sequence, ESC [ Parameters Final, as the console API.
void CarryOutSequence(const std::string &Parameters, char Final) {
  HANDLE Screen = Console.Screen;
  if (!Parameters.empty() && Parameters[0] == '?') {
    // Only the cursor's visibility; the own screen buffer stands for the alternate screen.
    if (Parameters == "?25l" || Parameters == "?25h") {
      CONSOLE_CURSOR_INFO Cursor;
      if (GetConsoleCursorInfo(Screen, &Cursor)) {
        Cursor.bVisible = Final == 'h';
        SetConsoleCursorInfo(Screen, &Cursor);
      }
    }
    return;
  }
  std::vector<int> Numbers(1, 0);
  for (char C : Parameters) {
    if (C == ';')
      Numbers.push_back(0);
    else if (C >= '0' && C <= '9')
      Numbers.back() = Numbers.back() * 10 + (C - '0');
  }
  CONSOLE_SCREEN_BUFFER_INFO Info;
  switch (Final) {
  case 'H': {
    int Row = Numbers[0] > 0 ? Numbers[0] : 1;
    int Column = Numbers.size() > 1 && Numbers[1] > 0 ? Numbers[1] : 1;
    SetConsoleCursorPosition(Screen, {static_cast<SHORT>(Console.Left + Column - 1),
                                      static_cast<SHORT>(Console.Top + Row - 1)});
    break;
  }
  case 'm':
    for (int N : Numbers) {
      if (N == 0)
        Console.Colours = Console.Plain;
      else if ((N >= 30 && N <= 37) || (N >= 90 && N <= 97))
        Console.Colours = static_cast<WORD>((Console.Colours & 0xFFF0) | MirrorColour(N % 10) |
                                            (N >= 90 ? FOREGROUND_INTENSITY : 0));
      else if ((N >= 40 && N <= 47) || (N >= 100 && N <= 107))
        Console.Colours =
            static_cast<WORD>((Console.Colours & 0xFF0F) | (MirrorColour(N % 10) << 4) |
                              (N >= 100 ? BACKGROUND_INTENSITY : 0));
    }
    SetConsoleTextAttribute(Screen, Console.Colours);
    break;
  case 'K':
    if (GetConsoleScreenBufferInfo(Screen, &Info))
      FillFrom(Info.dwCursorPosition, static_cast<DWORD>(Info.dwSize.X - Info.dwCursorPosition.X));
    break;
  case 'J':
    if (Numbers[0] == 2 && GetConsoleScreenBufferInfo(Screen, &Info))
      FillFrom({0, 0}, static_cast<DWORD>(Info.dwSize.X) * static_cast<DWORD>(Info.dwSize.Y));
    break;
  default:
    break;
  }
}

// Text with escape sequences, written to the own screen buffer through the console API.
void CarryOut(const std::string &Text) {
  std::size_t I = 0;
  while (I < Text.size()) {
    if (Text[I] != '\x1b') {
      std::size_t End = Text.find('\x1b', I);
      if (End == std::string::npos)
        End = Text.size();
      WriteWide(Console.Screen, Text.substr(I, End - I));
      I = End;
      continue;
    }
    std::size_t J = I + 1;
    if (J >= Text.size() || Text[J] != '[') {
      I = J;
      continue;
    }
    std::string Parameters;
    for (++J; J < Text.size() && !(Text[J] >= 0x40 && Text[J] <= 0x7E); ++J)
      Parameters += Text[J];
    if (J >= Text.size())
      return;
    CarryOutSequence(Parameters, Text[J]);
    I = J + 1;
  }
}

// Puts the console back as it was. Called from the console's control thread too, when the
// tool is interrupted; every step may be repeated harmlessly.
void RestoreConsole() {
  if (!Console.Raw)
    return;
  Console.Raw = false;
  if (Console.Vt) {
    WriteWide(Console.Out, LeaveSequence);
  } else {
    SetConsoleActiveScreenBuffer(Console.Out);
    CloseHandle(Console.Screen);
    Console.Screen = INVALID_HANDLE_VALUE;
  }
  SetConsoleMode(Console.Out, Console.SavedOut);
  FlushConsoleInputBuffer(Console.In);
  SetConsoleMode(Console.In, Console.SavedIn);
}

// Ctrl+C, Ctrl+Break or the console closed: the console is put back, then the system ends
// the tool as it would have.
BOOL WINAPI OnConsoleControl(DWORD) {
  RestoreConsole();
  return FALSE;
}

extern "C" void RestoreConsoleAtExit() {
  RestoreConsole();
}

// The bytes a POSIX terminal sends for one key event. A console with virtual terminal input
// gives them itself, as characters; any other gives keys without a character as key codes.
void QueueKey(const KEY_EVENT_RECORD &Key) {
  if (!Key.bKeyDown)
    return;
  std::string Bytes;
  wchar_t Char = Key.uChar.UnicodeChar;
  bool Shift = (Key.dwControlKeyState & SHIFT_PRESSED) != 0;
  if (Key.wVirtualKeyCode == VK_TAB && Shift && Char == L'\t') {
    Bytes = "\x1b[Z";
  } else if (Char != 0) {
    if (Char < 0xD800 || Char > 0xDFFF)
      Bytes = Utf8Path(std::wstring(1, Char));
  } else {
    switch (Key.wVirtualKeyCode) {
    case VK_UP:
      Bytes = "\x1b[A";
      break;
    case VK_DOWN:
      Bytes = "\x1b[B";
      break;
    case VK_RIGHT:
      Bytes = "\x1b[C";
      break;
    case VK_LEFT:
      Bytes = "\x1b[D";
      break;
    case VK_HOME:
      Bytes = "\x1b[H";
      break;
    case VK_END:
      Bytes = "\x1b[F";
      break;
    case VK_DELETE:
      Bytes = "\x1b[3~";
      break;
    default:
      break;
    }
  }
  for (WORD Repeat = 0; Repeat < Key.wRepeatCount; ++Repeat)
    Console.Keys += Bytes;
}

} // namespace

bool StdioIsTerminal() {
  DWORD Mode;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &Mode) &&
         GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &Mode);
}

bool TerminalSize(int &Columns, int &Rows) {
  CONSOLE_SCREEN_BUFFER_INFO Info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &Info))
    return false;
  Columns = Info.srWindow.Right - Info.srWindow.Left + 1;
  Rows = Info.srWindow.Bottom - Info.srWindow.Top + 1;
  return Columns > 0 && Rows > 0;
}

bool EnterRawTerminal() {
  if (Console.Raw)
    return true;
  Console.In = GetStdHandle(STD_INPUT_HANDLE);
  Console.Out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!GetConsoleMode(Console.In, &Console.SavedIn) ||
      !GetConsoleMode(Console.Out, &Console.SavedOut))
    return false;
  // Keys arrive one at a time, unechoed, with no selecting by mouse; Ctrl+C still interrupts,
  // and the control handler restores.
  DWORD Input = ENABLE_PROCESSED_INPUT | ENABLE_EXTENDED_FLAGS;
  if (!SetConsoleMode(Console.In, Input | ENABLE_VIRTUAL_TERMINAL_INPUT) &&
      !SetConsoleMode(Console.In, Input))
    return false;
  // QMATE_NO_VT=1 asks for the console API even where the console takes the escapes: some
  // (Wine's on a Unix terminal) take them but count their bytes as columns.
  const char *NoVt = std::getenv("QMATE_NO_VT");
  Console.Vt = !(NoVt && *NoVt && std::string(NoVt) != "0") &&
               SetConsoleMode(Console.Out, Console.SavedOut | ENABLE_PROCESSED_OUTPUT |
                                               ENABLE_VIRTUAL_TERMINAL_PROCESSING |
                                               DISABLE_NEWLINE_AUTO_RETURN) != 0;
  if (!Console.Vt) {
    CONSOLE_SCREEN_BUFFER_INFO Info;
    if (GetConsoleScreenBufferInfo(Console.Out, &Info))
      Console.Plain = Info.wAttributes;
    Console.Colours = Console.Plain;
    Console.Screen =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (Console.Screen == INVALID_HANDLE_VALUE || !SetConsoleActiveScreenBuffer(Console.Screen)) {
      if (Console.Screen != INVALID_HANDLE_VALUE)
        CloseHandle(Console.Screen);
      Console.Screen = INVALID_HANDLE_VALUE;
      SetConsoleMode(Console.In, Console.SavedIn);
      return false;
    }
    if (GetConsoleScreenBufferInfo(Console.Screen, &Info)) {
      Console.Left = Info.srWindow.Left;
      Console.Top = Info.srWindow.Top;
    }
  }
  static bool HandlersSet = false;
  if (!HandlersSet) {
    HandlersSet = true;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    std::atexit(RestoreConsoleAtExit);
  }
  Console.Keys.clear();
  Console.Raw = true;
  WriteTerminal(EnterSequence);
  return true;
}

void LeaveRawTerminal() {
  RestoreConsole();
}

void WriteTerminal(const std::string &Text) {
  if (Console.Raw && !Console.Vt)
    CarryOut(Text);
  else
    WriteWide(GetStdHandle(STD_OUTPUT_HANDLE), Text);
}

bool ReadTerminalByte(unsigned char &Byte, int WaitMilliseconds) {
  DWORD Start = GetTickCount();
  while (Console.Keys.empty()) {
    if (WaitMilliseconds >= 0) {
      DWORD Spent = GetTickCount() - Start;
      if (Spent >= static_cast<DWORD>(WaitMilliseconds) ||
          WaitForSingleObject(Console.In, static_cast<DWORD>(WaitMilliseconds) - Spent) !=
              WAIT_OBJECT_0)
        return false;
    }
    INPUT_RECORD Record;
    DWORD Got = 0;
    if (!ReadConsoleInputW(Console.In, &Record, 1, &Got))
      return false;
    if (Got == 1 && Record.EventType == KEY_EVENT)
      QueueKey(Record.Event.KeyEvent);
  }
  Byte = static_cast<unsigned char>(Console.Keys[0]);
  Console.Keys.erase(0, 1);
  return true;
}
