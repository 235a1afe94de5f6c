// Commands on files through the real library, compared byte for byte with what the native
// build produced for the same input: one job per line of a job file.
#pragma once

#include <string>

// Runs every job of the file; a job file that cannot be read counts as one failure.
void RunJobs(const std::string &JobFile);
