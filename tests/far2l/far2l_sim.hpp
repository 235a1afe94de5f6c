// The simulated far2l host: far2l's wide services over the simulated 1.70 host (sim/). The
// editor's lines are the simulated editor's bytes read in TextCodePage; far2l is told the
// file's code page is ReportedCodePage (the two differ only to hand the plug-in a character
// the reported code page cannot hold).
#pragma once

#include "../../src/host_far2l/far2l.hpp"

#include <string>

struct Far2lSimRecord {
  // When set, both code pages follow the file's name at each ECTL_GETINFO: "-utf8.", "-866."
  // or "-1251." in it name UTF-8, 866 or 1251, any other name 1252 (which holds any bytes).
  bool ByFileName = true;
  unsigned ReportedCodePage = 1252;
  unsigned TextCodePage = 1252;
};

extern Far2lSimRecord Far2lSim;

// The service table far2l hands to SetStartupInfoW, with ModuleName set to ModulePath.
Far2l::PluginStartupInfo Far2lSimStartupInfo(const std::string &ModulePath);
