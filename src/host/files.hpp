// Whole-file reading and writing by the host's 8-bit path (backslashes as folder separators).
#pragma once

#include <string>

// The path as the platform's file calls take it: outside Windows backslashes become slashes.
std::string NativePath(const std::string &Path);
// Reads the whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string &Path, std::string &Bytes);
// Replaces the file's content through a temporary file beside it and a rename, so an
// interrupted or failed write leaves the old content in place; false when it failed.
bool WriteWholeFile(const std::string &Path, const std::string &Bytes);
