// File input and atomic in-place output for the command-line tool.
#include "fileio.hpp"
#include "project.hpp"

#include <cerrno>
#include <csignal>
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
bool CliInjectConcurrentEdit = false;
bool CliInjectSignal = false;

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

namespace {

std::string DescribeMode(mode_t Mode) {
  if (S_ISDIR(Mode))
    return "it is a folder";
  if (S_ISFIFO(Mode))
    return "it is a FIFO, not a regular file";
  if (S_ISSOCK(Mode))
    return "it is a socket, not a regular file";
  if (S_ISCHR(Mode) || S_ISBLK(Mode))
    return "it is a device, not a regular file";
  return "not a regular file";
}

} // namespace

bool ReadInput(const std::string &Path, std::string &Bytes, std::string &Error,
               FileStateRecord *State, bool RegularOnly) {
  Bytes.clear();
  bool FromStdin = Path == "-";
  struct stat St;
  // Folders, sockets and block devices are never read, nor anything but a regular file to be
  // rewritten; a character device only when it is a terminal (/dev/stdin at a prompt).
  auto Refused = [&](int Fd) {
    return S_ISDIR(St.st_mode) || S_ISSOCK(St.st_mode) || S_ISBLK(St.st_mode) ||
           (RegularOnly && !S_ISREG(St.st_mode)) || (Fd >= 0 && S_ISCHR(St.st_mode) && !isatty(Fd));
  };
  // The type is known before anything is opened or read: a FIFO's data is not consumed and
  // a device is not read only to be refused.
  if (!FromStdin && stat(Path.c_str(), &St) == 0 && Refused(-1)) {
    Error =
        (RegularOnly ? "cannot rewrite " : "cannot read ") + Path + ": " + DescribeMode(St.st_mode);
    return false;
  }
  int Fd = FromStdin ? 0 : open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) {
    Error = "cannot read " + Path + ": " + Reason();
    return false;
  }
  auto Close = [&]() {
    if (!FromStdin)
      close(Fd);
  };
  bool Known = fstat(Fd, &St) == 0;
  if (Known && !FromStdin && Refused(Fd)) {
    Close();
    Error =
        (RegularOnly ? "cannot rewrite " : "cannot read ") + Path + ": " + DescribeMode(St.st_mode);
    return false;
  }
  if (State) {
    State->Known = Known && S_ISREG(St.st_mode);
    State->Status = St;
  }
#ifdef _WIN32
  if (FromStdin)
    _setmode(0, _O_BINARY);
#endif
  bool Regular = Known && S_ISREG(St.st_mode);
  if (Regular && St.st_size > 0 && static_cast<unsigned long long>(St.st_size) < MaxInputSize) {
    // Read straight into the string, with room for the editor to rewrite every line
    // without moving the bytes (pages never written to cost no memory).
    std::size_t Size = static_cast<std::size_t>(St.st_size);
    Bytes.reserve(2 * Size + (1u << 16));
  }
  // Reads until the first end of input: one Ctrl-D at a terminal ends it.
  std::vector<char> Buffer(1 << 16);
  bool TooLarge = false, Failed = false;
  for (;;) {
    std::size_t Room = Bytes.capacity() - Bytes.size();
    char *Into = Buffer.data();
    std::size_t Want = Buffer.size();
    // A regular file's expected bytes come in one read.
    if (Regular && static_cast<unsigned long long>(St.st_size) > Bytes.size() + Want)
      Want = static_cast<std::size_t>(St.st_size) - Bytes.size();
    if (Room >= Want) {
      // Straight into the string's spare room.
      std::size_t Old = Bytes.size();
      Bytes.resize(Old + Want);
      Into = &Bytes[Old];
    } else {
      Want = Buffer.size();
    }
    ssize_t Got = read(Fd, Into, Want);
    if (Into != Buffer.data())
      Bytes.resize(Bytes.size() - Want + (Got > 0 ? static_cast<std::size_t>(Got) : 0));
    if (Got < 0 && errno == EINTR)
      continue;
    if (Got < 0) {
      Failed = true;
      break;
    }
    if (Got == 0)
      break;
    if (Into == Buffer.data())
      Bytes.append(Buffer.data(), static_cast<std::size_t>(Got));
    if (Bytes.size() > MaxInputSize) {
      TooLarge = true;
      break;
    }
  }
  int Saved = errno;
  Close();
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

namespace {

// The temporary file of the in-place write under way, removed when a signal ends the tool.
char PendingTemp[4096];
volatile std::sig_atomic_t HavePendingTemp = 0;

extern "C" void RemovePendingTempAndDie(int Signal) {
  if (HavePendingTemp)
    unlink(PendingTemp);
  signal(Signal, SIG_DFL);
  raise(Signal);
}

void SetPendingTemp(const std::string &Path) {
  static bool Installed = false;
  if (!Installed) {
    Installed = true;
    for (int Signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
      struct sigaction Old;
      // A signal the caller chose to ignore stays ignored.
      if (sigaction(Signal, nullptr, &Old) == 0 && Old.sa_handler == SIG_IGN)
        continue;
      struct sigaction Action;
      std::memset(&Action, 0, sizeof(Action));
      Action.sa_handler = RemovePendingTempAndDie;
      sigemptyset(&Action.sa_mask);
      sigaction(Signal, &Action, nullptr);
    }
  }
  HavePendingTemp = 0;
  if (Path.size() < sizeof(PendingTemp)) {
    std::memcpy(PendingTemp, Path.c_str(), Path.size() + 1);
    HavePendingTemp = 1;
  }
}

void ClearPendingTemp() {
  HavePendingTemp = 0;
}

// Makes the temporary file beside Target: Target's name with a suffix, or a short hidden
// name in the same folder when the long one is too long for the file system.
int MakeTemp(const std::string &Target, std::string &Temp) {
  for (const std::string &Template :
       {Target + ".qmate-XXXXXX", FolderOfPath(Target) + "/.qmate-XXXXXX"}) {
    std::vector<char> Name(Template.begin(), Template.end());
    Name.push_back(0);
    int Fd = mkstemp(Name.data());
    if (Fd >= 0) {
      Temp = Name.data();
      return Fd;
    }
    if (errno != ENAMETOOLONG)
      return -1;
  }
  return -1;
}

bool SameState(const struct stat &A, const struct stat &B) {
  return A.st_dev == B.st_dev && A.st_ino == B.st_ino && A.st_size == B.st_size &&
         A.st_mtim.tv_sec == B.st_mtim.tv_sec && A.st_mtim.tv_nsec == B.st_mtim.tv_nsec;
}

// Copies the complete temporary file over the target's own bytes, so the target keeps its
// inode (and with it every hard link, its owner and its mode).
bool CopyOver(const std::string &Temp, const std::string &Target) {
  int From = open(Temp.c_str(), O_RDONLY | O_CLOEXEC);
  if (From < 0)
    return false;
  int To = open(Target.c_str(), O_WRONLY | O_CLOEXEC);
  if (To < 0) {
    int Saved = errno;
    close(From);
    errno = Saved;
    return false;
  }
  // The room for the new text is taken first, so a full disk stops the copy before it has
  // changed a byte.
  struct stat Size;
  int Room =
      fstat(From, &Size) == 0 ? posix_fallocate(To, 0, Size.st_size > 0 ? Size.st_size : 1) : errno;
  if (Room == ENOSPC || Room == EFBIG || Room == EDQUOT) {
    close(To);
    close(From);
    errno = Room;
    return false;
  }
  std::vector<char> Buffer(1 << 20);
  bool Ok = true;
  off_t Total = 0;
  for (;;) {
    ssize_t Got = read(From, Buffer.data(), Buffer.size());
    if (Got < 0 && errno == EINTR)
      continue;
    if (Got <= 0) {
      Ok = Got == 0;
      break;
    }
    if (!WriteAll(To, Buffer.data(), static_cast<std::size_t>(Got))) {
      Ok = false;
      break;
    }
    Total += Got;
  }
  Ok = Ok && ftruncate(To, Total) == 0 && fsync(To) == 0;
  int Saved = errno;
  Ok = (close(To) == 0) && Ok;
  close(From);
  errno = Saved;
  return Ok;
}

void AppendConcurrentEdit(const std::string &Target) {
  int Fd = open(Target.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (Fd >= 0) {
    WriteAll(Fd, "APPENDED\n", 9);
    close(Fd);
  }
}

} // namespace

bool WriteInPlace(const std::string &Path, ByteProducer Produce, void *Context, std::string &Error,
                  const FileStateRecord *Read) {
  std::string Target = Path;
  // Rewrite the file a link points to, not the link.
  if (char *Real = realpath(Path.c_str(), nullptr)) {
    Target = Real;
    std::free(Real);
  }
  struct stat St;
  if (stat(Target.c_str(), &St) != 0) {
    Error = "cannot write " + Path + ": " + Reason();
    return false;
  }
  if (!S_ISREG(St.st_mode)) {
    Error = "cannot write " + Path + ": " + DescribeMode(St.st_mode);
    return false;
  }
  if ((St.st_mode & 0222) == 0) {
    Error = "cannot write " + Path + ": the file is read-only";
    return false;
  }
  if (access(Target.c_str(), W_OK) != 0) {
    Error = "cannot write " + Path + ": " +
            (errno == EROFS ? std::string("it is on a read-only file system") : Reason());
    return false;
  }
  std::string Temp;
  int Fd = MakeTemp(Target, Temp);
  if (Fd < 0) {
    // The new text goes to a temporary file beside the old one: that needs the folder to be
    // writable, though the file itself is.
    std::string Folder = FolderOfPath(Target);
    if (errno == EROFS)
      Error = "cannot write " + Path + ": it is on a read-only file system";
    else if (errno == EACCES || errno == EPERM)
      Error = "cannot write " + Path + ": its folder " + Folder + " is not writable (" + Reason() +
              "; the file is unchanged)";
    else
      Error =
          "cannot write " + Path + ": cannot make a temporary file in " + Folder + ": " + Reason();
    return false;
  }
  SetPendingTemp(Temp);
  BufferedFd Out{Fd, {}, true};
  Out.StartWrites = true;
  Out.Buffer.reserve(1 << 16);
  bool Ok = Produce(Context, EmitBuffered, &Out) && FlushBuffered(Out);
  Ok = Ok && fsync(Fd) == 0;
  Ok = Ok && fchmod(Fd, St.st_mode & 07777) == 0;
  int Saved = errno;
  // A file with other names, or whose owner this user cannot give the new file, is written
  // over in place so that the links and the owner stay.
  bool OverInPlace = St.st_nlink > 1;
  if (Ok && (St.st_uid != geteuid() || St.st_gid != getegid()) &&
      fchown(Fd, St.st_uid, St.st_gid) != 0)
    OverInPlace = true;
  if (close(Fd) != 0 && Ok) {
    Ok = false;
    Saved = errno;
  }
  if (Ok && CliInjectSignal)
    raise(SIGTERM);
  if (Ok && CliInjectWriteFailure) {
    Ok = false;
    Saved = ENOSPC;
  }
  if (!Ok) {
    unlink(Temp.c_str());
    ClearPendingTemp();
    errno = Saved;
    Error = "cannot write " + Path + ": " + Reason() + " (the file is unchanged)";
    return false;
  }
  if (CliInjectConcurrentEdit)
    AppendConcurrentEdit(Target);
  // Compare before replace: a file edited, replaced or grown since it was read keeps that edit.
  struct stat Now;
  const struct stat &Then = Read && Read->Known ? Read->Status : St;
  if (stat(Target.c_str(), &Now) != 0 || !SameState(Now, Then)) {
    unlink(Temp.c_str());
    ClearPendingTemp();
    Error = Path + " changed while it was being formatted; it was left as it is";
    return false;
  }
  if (!OverInPlace) {
    Ok = std::rename(Temp.c_str(), Target.c_str()) == 0;
    Saved = errno;
    if (!Ok)
      unlink(Temp.c_str());
    ClearPendingTemp();
    if (!Ok) {
      errno = Saved;
      Error = "cannot write " + Path + ": " + Reason() + " (the file is unchanged)";
    }
    return Ok;
  }
  Ok = CopyOver(Temp, Target);
  Saved = errno;
  ClearPendingTemp();
  if (!Ok) {
    // The file may hold part of the new text now; the whole of it stays in the temporary file.
    errno = Saved;
    Error = "cannot write " + Path + ": " + Reason() + "; its new text is in " + Temp;
    return false;
  }
  unlink(Temp.c_str());
  return true;
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
