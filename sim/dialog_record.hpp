// The simulated host's record of one open dialog, shared by its loop and its drawing.
#pragma once

#include "sim.hpp"

#include <vector>

struct SimDialogRecord {
  FarDialogItem *Items = nullptr;
  int Count = 0;
  int Left = 0, Top = 0, Width = 0, Height = 0; // screen place and size
  FARWINDOWPROC Proc = nullptr;
  DialogParam Param = 0;
  int Focus = -1;
  int CursorPos = 0; // in the focused edit field
  // The focused field still holds the text it had when it got the focus: the first
  // character typed replaces that text, as the host's "unchanged" edit text is replaced.
  bool Fresh = true;
  int CloseRequest = -2; // an item index (or -1) asked for with DM_CLOSE; -2 none
  bool Shown = false;    // drawn at least once: later text changes redraw their item
  std::vector<unsigned char> UnderChars, UnderAttrs; // the screen as it was before the dialog
  std::size_t CallIndex = 0;                         // its record in SimHost.Dialogs
};

// The dialog's colours (console attributes), as the host's default palette has them.
enum SimDialogColours {
  SimDialogText = 0x70,
  SimDialogDisabled = 0x78,
  SimDialogEdit = 0x30,
  SimDialogButton = 0x70,
  SimDialogFocusedButton = 0x30,
};

DialogParam SimDialogNotify(SimDialogRecord &D, int Msg, int Param1, DialogParam Param2);
// The width an edit field shows and, for a fixed field, the most characters it holds.
int SimFieldWidth(const FarDialogItem &Item);
// Places the buttons of each centred group on their row, as the host does when it opens.
void SimPlaceCentredButtons(SimDialogRecord &D);
// The whole dialog: its background, then every item in order.
void SimDrawDialog(SimDialogRecord &D);
// One item, after asking the dialog procedure with DN_DRAWDLGITEM.
void SimDrawDialogItem(SimDialogRecord &D, int Index);
// Puts back the screen that the dialog covered.
void SimRestoreUnderDialog(SimDialogRecord &D);
