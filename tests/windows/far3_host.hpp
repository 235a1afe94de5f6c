// Far 3 as the test host plays it for qmate3.dll: Far 3's services over the simulated 1.70
// host. The simulated editor keeps the file's bytes; the editor's lines are those bytes read
// in StoreCodePage as UTF-16, and ECTL_GETINFO reports ReportedCodePage (the same, unless a
// test shows a line the file's code page cannot hold). Menus, message boxes and the dialog
// reach the simulated host in code page 866, as the 1.70 texts do.
#pragma once

#include "../../sim/sim.hpp"
#include "../../src/host_far3/far3.hpp"

#include <string>
#include <vector>

struct Far3SimRecord {
  unsigned StoreCodePage = 866;
  std::uintptr_t ReportedCodePage = 866;
  std::vector<std::wstring> LanguageTexts;
  // Every menu's items as the plug-in gave them.
  std::vector<std::vector<std::wstring>> MenuItems;
  std::vector<std::wstring> MessageTexts; // every message box's lines joined by " | "
};

extern Far3SimRecord Far3Sim;

// The simulated host reset, with the editor's code pages back at 866.
void Far3SimReset();
// Parses a Far 3 language file (UTF-8 after a byte-order mark); false when it cannot be read.
bool Far3SimLoadLanguage(const std::string &Bytes);
// Far 3's service table with ModuleName set to ModulePath (kept by the caller).
Far3::PluginStartupInfo Far3SimStartupInfo(const std::wstring &ModulePath);
