// Many files on all cores: worker processes, each with its own copy of the started plug-in
// and of the simulated host, as the plug-in's state belongs to its process; on Windows,
// worker threads, each with its own copy of the plug-in's per-thread records.
#pragma once

#include "verbs.hpp"

#include <functional>
#include <string>
#include <vector>

// Runs Work on every one of Files and hands each record to Report, in the files' order.
// With Workers above 1, that many worker processes (threads on Windows) take the next file
// from a shared counter and send their records back; a file whose worker died is run again
// here. Otherwise the files are run one after the other in this process.
void RunOnFiles(const std::vector<std::string> &Files, int Workers,
                const std::function<FileRunRecord(const std::string &)> &Work,
                const std::function<void(FileRunRecord &)> &Report);

// The number of workers worth starting for Count files: the processors online (or the
// positive number QMATE_WORKERS names, for tests and measurements), at most one per file.
int WorkerCount(std::size_t Count);

#ifdef _WIN32
// The most worker threads started (workers_windows.cpp).
constexpr int MaxThreadWorkers = 64;
// The processors this process may run on, at most MaxThreadWorkers.
long ProcessorCount();
// RunOnFiles on Workers threads.
void RunOnThreads(const std::vector<std::string> &Files, int Workers,
                  const std::function<FileRunRecord(const std::string &)> &Work,
                  const std::function<void(FileRunRecord &)> &Report);
#endif
