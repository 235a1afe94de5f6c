// The settings dialog with its live preview of a sample program.
#pragma once

#include "../host/plugin.hpp"

// The static description of one dialog item; a Text below 2000 is a message number,
// otherwise Literal holds the text.
struct DialogItemTemplate {
  int Type, X1, Y1, X2, Y2, Focus, Selected;
  DWORD Flags;
  int DefaultButton;
  int Text;
  const char *Literal;
};

void ExpandDialogItems(const DialogItemTemplate *Templates, FarDialogItem *Items, int Count);
long WINAPI SettingsDlgProc(HANDLE Dlg, int Msg, int Param1, long Param2);
void DrawPreview(HANDLE Dlg);
int FieldNumber(const char *Text);
