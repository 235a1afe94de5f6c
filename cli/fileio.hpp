// Reading the files the tool is given, and rewriting them in place without risk.
#pragma once

#include "platform.hpp"

#include <cstddef>
#include <string>
#include <sys/stat.h>

// Set by tests (or QMATE_TEST_FAIL_WRITE in the environment): every in-place write fails
// after the temporary file was written, as a full disk would make it fail.
extern bool CliInjectWriteFailure;
// Set by tests (QMATE_TEST_APPEND_BEFORE_REPLACE): a line is appended to the file just before
// an in-place write would replace it, as another program's edit would.
extern bool CliInjectConcurrentEdit;
// Set by tests (QMATE_TEST_SIGNAL_DURING_WRITE): the tool sends itself SIGTERM once the
// temporary file of an in-place write is complete.
extern bool CliInjectSignal;

// What a file was when it was read: a rewrite replaces it only while it is still the same
// file with the same size and modification time.
struct FileStateRecord {
  bool Known = false;
#ifdef _WIN32
  FileIdentityRecord Status;
#else
  struct stat Status;
#endif
};

// Reads a file, or standard input for "-". False, with a one-line Error, when it cannot. State
// (when given) receives the file's state as it was opened. With RegularOnly anything but a
// regular file is refused before a byte is read; otherwise a FIFO or a terminal may be read,
// and a device that is neither is refused.
bool ReadInput(const std::string &Path, std::string &Bytes, std::string &Error,
               FileStateRecord *State = nullptr, bool RegularOnly = false);
// Replaces the file's bytes through a temporary file in the same folder, keeping its mode,
// owner and group; a file with several hard links, or whose owner cannot be kept, is written
// over in place once the new text is complete in the temporary file. With Read, the file is
// left alone when it changed since it was read. False, with Error, when it failed; the file
// is then untouched.
// The bytes are handed over in pieces: Produce calls Emit for each piece and returns false
// when Emit did.
typedef bool (*ByteEmitter)(void *EmitContext, const char *Data, std::size_t Size);
typedef bool (*ByteProducer)(void *Context, ByteEmitter Emit, void *EmitContext);
bool WriteInPlace(const std::string &Path, ByteProducer Produce, void *Context, std::string &Error,
                  const FileStateRecord *Read = nullptr);
// The same with the bytes in one string.
inline bool WriteInPlace(const std::string &Path, const std::string &Bytes, std::string &Error,
                         const FileStateRecord *Read = nullptr) {
  return WriteInPlace(
      Path,
      [](void *Context, ByteEmitter Emit, void *EmitContext) {
        const std::string &B = *static_cast<const std::string *>(Context);
        return Emit(EmitContext, B.data(), B.size());
      },
      const_cast<std::string *>(&Bytes), Error, Read);
}
// True when the file holds exactly the bytes Produce hands over (false also when it cannot
// be read).
bool FileHoldsBytes(const std::string &Path, ByteProducer Produce, void *Context);
// Writes all Size bytes to the descriptor, going on after interrupted or partial writes; false
// (errno telling why) when a write failed.
bool WriteAll(int Fd, const char *Data, std::size_t Size);
// Standard output, in pieces; false when a write failed.
bool WriteStdout(ByteProducer Produce, void *Context);
