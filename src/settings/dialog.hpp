// The settings dialog with its live preview of a sample program.
#pragma once

#include "../host/plugin.hpp"

#include <string>

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
DialogParam WINAPI SettingsDlgProc(HANDLE Dlg, int Msg, int Param1, DialogParam Param2);
void DrawPreview(HANDLE Dlg);
// The text of a dialog field as the host reports it, at most 19 characters.
std::string FieldText(HANDLE Dlg, int Item);
// The number a field's text holds: blanks, then a signed decimal that fits 32 bits, or one
// to eight hexadecimal digits after "$", "x" or "0x". False (Value untouched) for any other
// text; FieldNumber gives 0 for it.
bool ReadFieldNumber(const char *Text, int &Value);
int FieldNumber(const char *Text);
