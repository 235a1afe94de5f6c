// The Far 3 host layer: a 1.70 service table whose services call Far 3's, so that the
// plug-in's 1.70 entry points run unchanged inside Far 3. Only records, strings, code pages
// and positions are translated.
#pragma once

#include "../host/plugin.hpp"
#include "far3.hpp"

#include <string>

struct Far3BridgeRecord {
  Far3::PluginStartupInfo Far; // the copy of Far 3's service table
  unsigned EditorCodePage = 0; // the bytes the engine sees of the open editor; 0 outside
};

extern Far3BridgeRecord Far3Bridge;
extern const Far3::Uuid PluginGuid;

// Copies Far 3's service table and fills a 1.70 one with the translating services.
void MakeServiceTable(const Far3::PluginStartupInfo &Far, PluginStartupInfo &Table);
// The code page the engine works in for an editor of CodePage: the code page itself when its
// characters are single bytes, else UTF-8.
unsigned EngineCodePage(std::uintptr_t CodePage);
// Far 3's text of message Id, or an empty text.
const wchar_t *Far3Text(int Id);
// A Far 3 message box with the title Title and the lines given, and the OK button.
void ShowFar3Notice(int Title, const std::wstring &Text);
// The 1.70 dialog services over Far 3's dialog API (dialog.cpp).
int WINAPI BridgeDialogEx(int PluginNumber, int X1, int Y1, int X2, int Y2, const char *HelpTopic,
                          FarDialogItem *Item, int ItemsNumber, DWORD Reserved, DWORD Flags,
                          FARWINDOWPROC DlgProc, DialogParam Param);
DialogParam WINAPI BridgeSendDlgMessage(HANDLE Dlg, int Msg, int Param1, DialogParam Param2);
DialogParam WINAPI BridgeDefDlgProc(HANDLE Dlg, int Msg, int Param1, DialogParam Param2);
// UI text of the plug-in (8-bit, InterfaceCodePage) as UTF-16, and back.
std::wstring InterfaceWide(const char *Text);
std::string InterfaceBytes(const wchar_t *Text);
