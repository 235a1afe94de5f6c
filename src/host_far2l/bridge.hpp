// The far2l layer: a 1.70 service table whose services call far2l's, converting records,
// strings and code pages, so that the plug-in's 1.70 entry points run unchanged inside far2l.
// The plug-in's texts are 8-bit: the language file's texts and the dialog's own characters in
// the OEM code page 866, the editor's lines in the code page of the file being edited.
#pragma once

#include "../host/plugin.hpp"
#include "far2l.hpp"

#include <string>

// The code page of the plug-in's own texts (messages, menus, dialogs).
const unsigned InterfaceCodePage = 866;

struct Far2lBridgeRecord {
  Far2l::PluginStartupInfo Far; // far2l's service table, copied at start-up
  // The code page the editor's lines are handed to the plug-in in: the file's, when the
  // converter knows it, else UTF-8 (which holds any text).
  unsigned LineCodePage = 65001;
};

extern Far2lBridgeRecord Far2lBridge;

// The 1.70 service table whose services call far2l's.
PluginStartupInfo Far2lServiceTable(const std::string &ModuleName);

// Wide text and the plug-in's 8-bit texts, in the given code page ('?' for a character the
// code page cannot hold).
std::wstring WideFrom(unsigned CodePage, const char *Text);
std::string BytesFrom(unsigned CodePage, const wchar_t *Text, std::size_t Length);

// Takes the editor's code page for the lines (ECTL_GETINFO), then checks that every line
// survives the trip to that code page and back; false (with the plug-in's message shown) when
// one does not, and then nothing may be changed.
bool LinesFitCodePage();

int WINAPI BridgeEditorControl(int Command, void *Param);
