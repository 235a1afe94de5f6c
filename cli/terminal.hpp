// The live terminal for `qmate configure`: the simulated host's screen drawn with ANSI escape
// sequences, keys read as a POSIX terminal sends them. Raw input, and the terminal put back as
// it was in every case, are the platform layer's (platform.hpp).
#pragma once

#include "../sim/sim.hpp"

#include <string>

// Draws the screen cells from Top to Top + Height - 1, Left to Left + Width - 1 at the
// terminal's top-left corner, a line of key help below, and the cursor where the host has it.
void DrawTerminalScreen(int Left, int Top, int Width, int Height);
// Waits for one key and gives the dialog action it stands for; false on Esc or end of input.
bool ReadTerminalAction(SimDialogAction &Action);
// The text of one screen row as UTF-8 characters, one per column.
std::vector<std::string> ScreenRowCells(int Row);
