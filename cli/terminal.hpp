// The live terminal for `qmate configure`: raw keyboard input, the simulated host's screen
// drawn with ANSI escape sequences, and the terminal put back as it was in every case.
#pragma once

#include "../sim/sim.hpp"

#include <string>

// True when both standard input and standard output are terminals.
bool StdioIsTerminal();
// The terminal's size in columns and rows; false when it cannot be told.
bool TerminalSize(int &Columns, int &Rows);
// Switches the terminal to raw input on its alternate screen; the old state comes back with
// LeaveTerminal, at exit, or on SIGINT, SIGTERM and SIGHUP. False when that is impossible.
bool EnterTerminal();
void LeaveTerminal();
// Draws the screen cells from Top to Top + Height - 1, Left to Left + Width - 1 at the
// terminal's top-left corner, a line of key help below, and the cursor where the host has it.
void DrawTerminalScreen(int Left, int Top, int Width, int Height);
// Waits for one key and gives the dialog action it stands for; false on Esc or end of input.
bool ReadTerminalAction(SimDialogAction &Action);
// The text of one screen row as UTF-8 characters, one per column.
std::vector<std::string> ScreenRowCells(int Row);
