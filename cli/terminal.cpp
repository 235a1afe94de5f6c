// The live terminal of `qmate configure` (ANSI escapes out, the keys a POSIX terminal
// sends in; platform.hpp says how each system gets them there).
#include "terminal.hpp"
#include "../src/host/keys.hpp"
#include "platform.hpp"

#include <string>
#include <vector>

std::vector<std::string> ScreenRowCells(int Row) {
  std::vector<std::string> Cells;
  std::vector<std::string> Lines = SimScreenLines();
  if (Row < 0 || Row >= static_cast<int>(Lines.size()))
    return Cells;
  const std::string &Line = Lines[static_cast<std::size_t>(Row)];
  for (std::size_t I = 0; I < Line.size(); ++I) {
    // A UTF-8 character goes on for as many bytes as continue it (10xxxxxx).
    if ((static_cast<unsigned char>(Line[I]) & 0xC0) != 0x80 || Cells.empty())
      Cells.emplace_back();
    Cells.back() += Line[I];
  }
  return Cells;
}

namespace {

// A console attribute (blue in bit 0, red in bit 2, bright in bit 3) as ANSI colours.
std::string AttributeSequence(unsigned char Attr) {
  auto Ansi = [](int C) { return ((C & 1) ? 4 : 0) | (C & 2) | ((C & 4) ? 1 : 0); };
  int Fore = Attr & 0x0F, Back = (Attr >> 4) & 0x0F;
  return "\x1b[0;" + std::to_string(((Fore & 8) ? 90 : 30) + Ansi(Fore)) + ";" +
         std::to_string(((Back & 8) ? 100 : 40) + Ansi(Back)) + "m";
}

SimDialogAction MakeAction(SimDialogAction::Kind What, int Item = 0) {
  SimDialogAction Action;
  Action.What = What;
  Action.Item = Item;
  return Action;
}

// The rest of an escape sequence after ESC; 0 means a lone Esc, -1 a key of no use here.
int EscapeKey() {
  unsigned char C;
  if (!ReadTerminalByte(C, 60))
    return 0;
  if (C != '[' && C != 'O')
    return -1;
  std::string Digits;
  while (ReadTerminalByte(C, -1)) {
    if (C >= '0' && C <= '9') {
      Digits += static_cast<char>(C);
      continue;
    }
    if (C == ';')
      continue;
    switch (C) {
    case 'A':
      return KEY_UP;
    case 'B':
      return KEY_DOWN;
    case 'C':
      return KEY_RIGHT;
    case 'D':
      return KEY_LEFT;
    case 'H':
      return KEY_HOME;
    case 'F':
      return KEY_END;
    case 'Z':
      return KEY_SHIFT | KEY_TAB;
    case '~':
      if (Digits == "3")
        return SimKeyDel;
      if (Digits == "1" || Digits == "7")
        return KEY_HOME;
      if (Digits == "4" || Digits == "8")
        return KEY_END;
      return -1;
    default:
      return -1;
    }
  }
  return -1;
}

} // namespace

void DrawTerminalScreen(int Left, int Top, int Width, int Height) {
  const SimScreenRecord &S = SimHost.Screen;
  std::string Out = "\x1b[?25l";
  for (int Row = 0; Row < Height; ++Row) {
    int Y = Top + Row;
    std::vector<std::string> Cells = ScreenRowCells(Y);
    Out += "\x1b[" + std::to_string(Row + 1) + ";1H";
    int Last = -1;
    for (int Col = 0; Col < Width; ++Col) {
      int X = Left + Col;
      if (X < 0 || X >= S.Width || Y < 0 || Y >= S.Height) {
        Out += "\x1b[0m ";
        Last = -1;
        continue;
      }
      int Attr = S.Attrs[static_cast<std::size_t>(Y * S.Width + X)];
      if (Attr != Last)
        Out += AttributeSequence(static_cast<unsigned char>(Attr));
      Last = Attr;
      Out += Cells[static_cast<std::size_t>(X)];
    }
    Out += "\x1b[0m\x1b[K";
  }
  Out += "\x1b[" + std::to_string(Height + 1) +
         ";1H\x1b[0m\x1b[KTab/Shift+Tab, Up/Down: next/previous field   Enter: OK   Esc: cancel";
  if (SimHost.DialogCursorX >= 0) {
    Out += "\x1b[" + std::to_string(SimHost.DialogCursorY - Top + 1) + ";" +
           std::to_string(SimHost.DialogCursorX - Left + 1) + "H\x1b[?25h";
  }
  WriteTerminal(Out);
}

bool ReadTerminalAction(SimDialogAction &Action) {
  for (;;) {
    unsigned char C;
    if (!ReadTerminalByte(C, -1))
      return false;
    if (C == '\t') {
      Action = MakeAction(SimDialogAction::Next);
      return true;
    }
    if (C == '\r' || C == '\n') {
      Action = MakeAction(SimDialogAction::Ok);
      return true;
    }
    if (C == 0x7F || C == 0x08) {
      Action = MakeAction(SimDialogAction::Key, SimKeyBackspace);
      return true;
    }
    if (C == 0x03)
      return false;
    if (C == 0x1B) {
      int Key = EscapeKey();
      if (Key == 0)
        return false;
      if (Key == KEY_UP || Key == (KEY_SHIFT | KEY_TAB))
        Action = MakeAction(SimDialogAction::Prev);
      else if (Key == KEY_DOWN)
        Action = MakeAction(SimDialogAction::Next);
      else if (Key > 0)
        Action = MakeAction(SimDialogAction::Key, Key);
      else
        continue;
      return true;
    }
    if (C >= 0x20 && C < 0x7F) {
      Action = MakeAction(SimDialogAction::Type);
      Action.Text = std::string(1, static_cast<char>(C));
      return true;
    }
  }
}
