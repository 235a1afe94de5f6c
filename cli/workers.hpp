// Many files on all cores: worker processes, each with its own copy of the started plug-in
// and of the simulated host, as the plug-in's state belongs to its process.
#pragma once

#include "verbs.hpp"

#include <functional>
#include <string>
#include <vector>

// Runs Work on every one of Files and hands each record to Report, in the files' order.
// With Workers above 1 (and fork available), that many worker processes take the next file
// from a shared counter and send their records back; a file whose worker died is run again
// here. Otherwise the files are run one after the other in this process.
void RunOnFiles(const std::vector<std::string> &Files, int Workers,
                const std::function<FileRunRecord(const std::string &)> &Work,
                const std::function<void(FileRunRecord &)> &Report);

// The number of workers worth starting for Count files: the processors online, at most one
// per file.
int WorkerCount(std::size_t Count);
