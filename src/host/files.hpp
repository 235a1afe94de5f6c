// Whole-file reading and writing by the host's 8-bit path (backslashes as folder separators).
// The Far library's paths are in the ANSI code page, as Far hands them over; the Windows
// command-line tool (built with QMATE_UTF8_FILE_NAMES) hands over UTF-8 paths, which reach
// the system through its wide calls, so that any name can be named.
#pragma once

#include <string>

// The path as the platform's file calls take it: outside Windows backslashes become slashes.
std::string NativePath(const std::string &Path);
// The path of the file Path names, its folder and file names matched without regard to case
// where the exact spelling does not exist, as Windows finds them; Path itself (as NativePath
// gives it) when nothing matches, and always on Windows.
std::string ExistingPathIgnoringCase(const std::string &Path);
#ifdef QMATE_UTF8_FILE_NAMES
struct stat;
// stat for a UTF-8 path: the type, the size (at most 2 GiB less a byte) and the modification
// time.
int StatName(const std::string &Path, struct stat *Status);
#endif
// The largest settings or word file that is read (1 MiB); a larger one counts as missing.
const unsigned long MaxDataFileSize = 1ul << 20;
// What reading a settings or word file would find.
enum DataFileKind { DataFileReadable, DataFileMissing, DataFileNotRegular, DataFileTooLarge };
DataFileKind ProbeDataFile(const std::string &Path);
// Reads the whole of a regular file of at most MaxDataFileSize bytes; false when it cannot be
// opened or read, or is no such file (a FIFO or device is never waited on).
bool ReadWholeFile(const std::string &Path, std::string &Bytes);
// Replaces the file's content through a temporary file beside it and a rename, so an
// interrupted or failed write leaves the old content in place; false when it failed.
bool WriteWholeFile(const std::string &Path, const std::string &Bytes);
