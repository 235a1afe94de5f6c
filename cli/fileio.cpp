// File input and atomic in-place output for the command-line tool.
#include "fileio.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

bool CliInjectWriteFailure = false;

// The editor keeps line positions in 32 bits, with room for rewriting every line.
const unsigned long long MaxInputSize = 1ull << 30;

namespace {

std::string Reason() {
  return std::strerror(errno);
}

// Writes to a file descriptor through a buffer, so many small pieces cost few system calls.
// For a file that is synced at the end, the disk writes are started every few megabytes, so
// they overlap with the rest of the output instead of all waiting for the final sync.
struct BufferedFd {
  int Fd;
  std::string Buffer;
  bool Ok;
  bool StartWrites = false;
  std::size_t Written = 0;
  std::size_t Started = 0;
};

void WriteOut(BufferedFd &Out, const char *Data, std::size_t Size) {
  Out.Ok = WriteAll(Out.Fd, Data, Size);
  Out.Written += Size;
#ifdef __linux__
  if (Out.Ok && Out.StartWrites && Out.Written - Out.Started >= (4u << 20)) {
    sync_file_range(Out.Fd, static_cast<off_t>(Out.Started),
                    static_cast<off_t>(Out.Written - Out.Started), SYNC_FILE_RANGE_WRITE);
    Out.Started = Out.Written;
  }
#endif
}

bool FlushBuffered(BufferedFd &Out) {
  if (Out.Ok && !Out.Buffer.empty())
    WriteOut(Out, Out.Buffer.data(), Out.Buffer.size());
  Out.Buffer.clear();
  return Out.Ok;
}

bool EmitBuffered(void *Context, const char *Data, std::size_t Size) {
  BufferedFd &Out = *static_cast<BufferedFd *>(Context);
  if (Out.Buffer.size() + Size > Out.Buffer.capacity() && !FlushBuffered(Out))
    return false;
  // A piece of half the buffer or more goes out as it is, behind what the buffer holds.
  if (2 * Size >= Out.Buffer.capacity()) {
    if (FlushBuffered(Out))
      WriteOut(Out, Data, Size);
    return Out.Ok;
  }
  Out.Buffer.append(Data, Size);
  return true;
}

} // namespace

bool WriteAll(int Fd, const char *Data, std::size_t Size) {
  while (Size > 0) {
#ifdef _WIN32
    int Wrote = _write(Fd, Data, static_cast<unsigned>(Size > (1u << 30) ? (1u << 30) : Size));
#else
    ssize_t Wrote = write(Fd, Data, Size);
    if (Wrote < 0 && errno == EINTR)
      continue;
#endif
    if (Wrote <= 0)
      return false;
    Data += Wrote;
    Size -= static_cast<std::size_t>(Wrote);
  }
  return true;
}

bool ReadInput(const std::string &Path, std::string &Bytes, std::string &Error) {
  Bytes.clear();
  std::FILE *F = Path == "-" ? stdin : std::fopen(Path.c_str(), "rb");
  if (!F) {
    Error = "cannot read " + Path + ": " + Reason();
    return false;
  }
  struct stat St;
  bool Known = Path != "-" && fstat(fileno(F), &St) == 0;
  if (Known && S_ISDIR(St.st_mode)) {
    std::fclose(F);
    Error = "cannot read " + Path + ": it is a folder";
    return false;
  }
#ifdef _WIN32
  if (Path == "-")
    _setmode(_fileno(stdin), _O_BINARY);
#endif
  bool TooLarge = false;
  if (Known && S_ISREG(St.st_mode) && St.st_size > 0 &&
      static_cast<unsigned long long>(St.st_size) < MaxInputSize) {
    // Read straight into the string, with room for the editor to rewrite every line
    // without moving the bytes (pages never written to cost no memory).
    std::size_t Size = static_cast<std::size_t>(St.st_size);
    Bytes.reserve(2 * Size + (1u << 16));
    Bytes.resize(Size);
    Bytes.resize(std::fread(&Bytes[0], 1, Size, F));
  }
  // The rest: all of a pipe, or what a file gained since its size was taken.
  std::vector<char> Buffer(1 << 16);
  std::size_t Got;
  while (!TooLarge && (Got = std::fread(Buffer.data(), 1, Buffer.size(), F)) > 0) {
    Bytes.append(Buffer.data(), Got);
    TooLarge = Bytes.size() > MaxInputSize;
  }
  bool Failed = std::ferror(F) != 0;
  int Saved = errno;
  if (F != stdin)
    std::fclose(F);
  if (Failed) {
    errno = Saved;
    Error = "cannot read " + Path + ": " + Reason();
    return false;
  }
  if (TooLarge) {
    Bytes.clear();
    Bytes.shrink_to_fit();
    Error = "cannot read " + Path + ": the file is larger than 1 GiB";
    return false;
  }
  return true;
}

bool WriteInPlace(const std::string &Path, ByteProducer Produce, void *Context,
                  std::string &Error) {
  std::string Target = Path;
#ifndef _WIN32
  // Rewrite the file a link points to, not the link.
  if (char *Real = realpath(Path.c_str(), nullptr)) {
    Target = Real;
    std::free(Real);
  }
#endif
  struct stat St;
  bool HaveMode = stat(Target.c_str(), &St) == 0;
  if (HaveMode && !S_ISREG(St.st_mode)) {
    Error = "cannot write " + Path + ": not a regular file";
    return false;
  }
#ifndef _WIN32
  if (access(Target.c_str(), W_OK) != 0 || (HaveMode && (St.st_mode & 0222) == 0)) {
    Error = "cannot write " + Path + ": the file is read-only";
    return false;
  }
#endif
  std::string Temp = Target + ".qmate-XXXXXX";
  std::vector<char> Name(Temp.begin(), Temp.end());
  Name.push_back(0);
#ifdef _WIN32
  int Fd = _mktemp_s(Name.data(), Name.size()) == 0
               ? _open(Name.data(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, 0666)
               : -1;
#else
  int Fd = mkstemp(Name.data());
#endif
  if (Fd < 0) {
    // The new text goes to a temporary file beside the old one: that needs the folder to be
    // writable, though the file itself is.
    std::size_t Slash = Path.find_last_of('/');
    std::string Folder = Slash == std::string::npos ? "." : Path.substr(0, Slash == 0 ? 1 : Slash);
    if (errno == EACCES || errno == EPERM || errno == EROFS)
      Error = "cannot write " + Path + ": its folder " + Folder + " is not writable (" + Reason() +
              "; the file is unchanged)";
    else
      Error = "cannot write " + Path + ": " + Reason();
    return false;
  }
  Temp = Name.data();
  BufferedFd Out{Fd, {}, true};
  Out.StartWrites = true;
  Out.Buffer.reserve(1 << 16);
  bool Ok = Produce(Context, EmitBuffered, &Out) && FlushBuffered(Out);
  int Saved = errno;
#ifdef _WIN32
  Ok = (_close(Fd) == 0) && Ok;
#else
  Ok = Ok && fsync(Fd) == 0;
  if (HaveMode)
    Ok = Ok && fchmod(Fd, St.st_mode & 07777) == 0;
  Ok = (close(Fd) == 0) && Ok;
#endif
  if (Ok && CliInjectWriteFailure) {
    Ok = false;
    Saved = ENOSPC;
  }
  if (Ok) {
#ifdef _WIN32
    Ok = MoveFileExA(Temp.c_str(), Target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    Ok = std::rename(Temp.c_str(), Target.c_str()) == 0;
#endif
    Saved = errno;
  }
  if (!Ok) {
    std::remove(Temp.c_str());
    errno = Saved;
    Error = "cannot write " + Path + ": " + Reason() + " (the file is unchanged)";
    return false;
  }
  return true;
}

bool WriteInPlace(const std::string &Path, const std::string &Bytes, std::string &Error) {
  return WriteInPlace(
      Path,
      [](void *Context, ByteEmitter Emit, void *EmitContext) {
        const std::string &B = *static_cast<const std::string *>(Context);
        return Emit(EmitContext, B.data(), B.size());
      },
      const_cast<std::string *>(&Bytes), Error);
}

bool FileHoldsBytes(const std::string &Path, ByteProducer Produce, void *Context) {
  struct Comparison {
    std::FILE *File;
    std::vector<char> Buffer;
  } C{std::fopen(Path.c_str(), "rb"), std::vector<char>(1 << 16)};
  if (!C.File)
    return false;
  bool Same = Produce(
      Context,
      [](void *EmitContext, const char *Data, std::size_t Size) {
        Comparison &K = *static_cast<Comparison *>(EmitContext);
        while (Size > 0) {
          std::size_t Part = Size < K.Buffer.size() ? Size : K.Buffer.size();
          if (std::fread(K.Buffer.data(), 1, Part, K.File) != Part ||
              std::memcmp(K.Buffer.data(), Data, Part) != 0)
            return false;
          Data += Part;
          Size -= Part;
        }
        return true;
      },
      &C);
  Same = Same && std::fgetc(C.File) == EOF && !std::ferror(C.File);
  std::fclose(C.File);
  return Same;
}

bool WriteStdout(ByteProducer Produce, void *Context) {
  BufferedFd Out{1, {}, true};
  Out.Buffer.reserve(1 << 16);
  return Produce(Context, EmitBuffered, &Out) && FlushBuffered(Out);
}
