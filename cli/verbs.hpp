// The tool's verbs. Each returns the exit status: 0 done, 1 --check found changes,
// 2 bad usage or a file that cannot be read or written.
#pragma once

#include "options.hpp"

#include <string>

int RunFileVerb(const CliOptions &Options);
int RunProcs(const CliOptions &Options);
int RunSpell(const CliOptions &Options);
int RunSettings(const CliOptions &Options);
int RunPreview(const CliOptions &Options);
int RunConfigure(const CliOptions &Options);

// Runs the whole command line (the words after the program name) and returns the status.
int RunCommandLine(const std::vector<std::string> &Args, const std::string &ToolPath);
