// Reading the files the tool is given, and rewriting them in place without risk.
#pragma once

#include <cstddef>
#include <string>

// Set by tests (or QMATE_TEST_FAIL_WRITE in the environment): every in-place write fails
// after the temporary file was written, as a full disk would make it fail.
extern bool CliInjectWriteFailure;

// Reads a file, or standard input for "-". False, with a one-line Error, when it cannot.
bool ReadInput(const std::string &Path, std::string &Bytes, std::string &Error);
// Replaces the file's bytes through a temporary file in the same folder and a rename; the
// file keeps its permissions. False, with Error, when it failed; the file is then untouched.
bool WriteInPlace(const std::string &Path, const std::string &Bytes, std::string &Error);
// The same with the bytes handed over in pieces: Produce calls Emit for each piece and
// returns false when Emit did.
typedef bool (*ByteEmitter)(void *EmitContext, const char *Data, std::size_t Size);
typedef bool (*ByteProducer)(void *Context, ByteEmitter Emit, void *EmitContext);
bool WriteInPlace(const std::string &Path, ByteProducer Produce, void *Context, std::string &Error);
// True when the file holds exactly the bytes Produce hands over (false also when it cannot
// be read).
bool FileHoldsBytes(const std::string &Path, ByteProducer Produce, void *Context);
// Writes all Size bytes to the descriptor, going on after interrupted or partial writes; false
// (errno telling why) when a write failed.
bool WriteAll(int Fd, const char *Data, std::size_t Size);
// Standard output, in pieces; false when a write failed.
bool WriteStdout(ByteProducer Produce, void *Context);
