// Shared helpers of the unit and scenario tests: temporary folders, starting the plug-in
// with the simulated host, and running a command of the menu on a text.
#pragma once

#include "../../sim/sim.hpp"
#include "../../src/settings/settings.hpp"

#include <string>
#include <vector>

// A fresh, empty folder for one test (removed and made again on each call).
std::string TestFolder(const std::string &Name);
void WriteTextFile(const std::string &Path, const std::string &Bytes);
std::string ReadTextFile(const std::string &Path);

// Resets the simulated host and starts the plug-in as if loaded from Folder/qmate.dll, so
// that it reads Folder/setup. An empty Folder gives a fresh folder without a setup.
void StartPlugin(const std::string &Folder = std::string());
// Starts the plug-in with the shipped word files and default settings.
void StartPluginShipped();

// Loads Text as a file named Name into the editor, answers the command menu with Answers
// (Esc after them) and returns the editor's text afterwards.
std::string RunMenu(const std::string &Text, const std::vector<int> &Answers,
                    const std::string &Name = "TEST.PRG");

// Sets all seven settings at once, in the dialog's order.
void SetSettings(int GlobalTab, int MainTab, int FuncTab, int TextFuncTab, int Tab, int Comments,
                 int SplitLineTab);

// The lines of a text joined with "\n", and back.
std::string JoinLines(const std::vector<std::string> &Lines);
std::vector<std::string> EditorLines();
