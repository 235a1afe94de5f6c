// The tool's verbs. Each returns the exit status: 0 done, 1 --check found changes,
// 2 bad usage or a file that cannot be read or written.
#pragma once

#include "options.hpp"

#include <string>
#include <vector>

// One file's run of a file verb: nothing is printed during it; what it has to say is kept
// here for the caller to print in the files' order.
struct FileRunRecord {
  int Status = 0;               // 0 done, 1 --check found a change, 2 the file failed
  bool Changed = false;         // the command changed the text
  bool Skipped = false;         // not worked on: not a Clipper file, or not text
  std::string Out;              // for standard output
  std::vector<std::string> Err; // lines for standard error
};

// Runs Options.Verb (reindent, annotate, comment or uncomment) on one file or "-", with the
// settings that apply to it. The plug-in must be started. With StreamOut the text or the
// diff goes straight to standard output (a large file then needs no copy of it) instead of
// into Out.
FileRunRecord RunFileVerbOn(const CliOptions &Options, const std::string &Path,
                            bool StreamOut = false);

int RunFileVerb(const CliOptions &Options);
int RunProcs(const CliOptions &Options);
int RunSpell(const CliOptions &Options);
int RunLint(const CliOptions &Options);
int RunSettings(const CliOptions &Options);
int RunInfer(const CliOptions &Options);
int RunPreview(const CliOptions &Options);
int RunConfigure(const CliOptions &Options);

// Runs the whole command line (the words after the program name) and returns the status.
int RunCommandLine(const std::vector<std::string> &Args, const std::string &ToolPath);
