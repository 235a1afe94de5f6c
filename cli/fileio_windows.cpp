// File input and atomic in-place output for the command-line tool on Windows: files are
// named through the wide API, and a rewrite goes through a temporary file in the same folder
// that then replaces the file (ReplaceFileW keeps its attributes, times and security).
#include "fileio.hpp"
#include "../src/host/per_thread.hpp"
#include "project.hpp"
#include "winpaths.hpp"
#include "workers.hpp"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <io.h>
#include <windows.h>

bool CliInjectWriteFailure = false;
bool CliInjectConcurrentEdit = false;
bool CliInjectSignal = false;

namespace {

// The editor keeps line positions in 32 bits, with room for rewriting every line.
const unsigned long long MaxInputSize = 1ull << 30;

const DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string Reason() {
  return std::strerror(errno);
}

// Writes to a Windows handle through a buffer, so many small pieces cost few system calls.
struct BufferedHandle {
  HANDLE Handle;
  std::string Buffer;
  bool Ok = true;
};

bool WriteHandle(HANDLE Handle, const char *Data, std::size_t Size) {
  while (Size > 0) {
    DWORD Part = static_cast<DWORD>(Size > (1u << 30) ? (1u << 30) : Size), Wrote = 0;
    if (!WriteFile(Handle, Data, Part, &Wrote, nullptr) || Wrote == 0) {
      SetErrnoFromWindows(GetLastError());
      return false;
    }
    Data += Wrote;
    Size -= Wrote;
  }
  return true;
}

bool FlushHandle(BufferedHandle &Out) {
  if (Out.Ok && !Out.Buffer.empty())
    Out.Ok = WriteHandle(Out.Handle, Out.Buffer.data(), Out.Buffer.size());
  Out.Buffer.clear();
  return Out.Ok;
}

bool EmitToHandle(void *Context, const char *Data, std::size_t Size) {
  BufferedHandle &Out = *static_cast<BufferedHandle *>(Context);
  if (Out.Buffer.size() + Size > (1u << 16) && !FlushHandle(Out))
    return false;
  if (Size >= (1u << 15))
    return FlushHandle(Out) && (Out.Ok = WriteHandle(Out.Handle, Data, Size));
  Out.Buffer.append(Data, Size);
  return true;
}

HANDLE OpenForReading(const std::string &Path) {
  HANDLE H = CreateFileW(ApiPath(Path).c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE)
    SetErrnoFromWindows(GetLastError());
  return H;
}

// Reads the handle to its end into Bytes; false (errno telling why) when a read failed.
bool ReadAllOf(HANDLE H, std::string &Bytes, bool &TooLarge) {
  char Buffer[1 << 16];
  for (;;) {
    DWORD Got = 0;
    if (!ReadFile(H, Buffer, sizeof(Buffer), &Got, nullptr)) {
      DWORD Code = GetLastError();
      if (Code == ERROR_BROKEN_PIPE)
        return true;
      SetErrnoFromWindows(Code);
      return false;
    }
    if (Got == 0)
      return true;
    Bytes.append(Buffer, Got);
    if (Bytes.size() > MaxInputSize) {
      TooLarge = true;
      return true;
    }
  }
}

std::string DescribeKind(PathKind Kind) {
  return Kind == PathFolder ? "it is a folder" : "it is a device, not a regular file";
}

// The temporary files of the in-place writes under way (one per worker thread), removed when
// Ctrl+C, Ctrl+Break or a closed console ends the tool. The handler runs on a thread of its
// own: each slot holds a name of its own, taken out of the slot by whoever removes it.
std::atomic<wchar_t *> PendingTemps[MaxThreadWorkers + 1];
PER_THREAD std::atomic<wchar_t *> *PendingSlot = nullptr;

BOOL WINAPI RemovePendingTemps(DWORD) {
  for (std::atomic<wchar_t *> &Slot : PendingTemps)
    if (wchar_t *Name = Slot.exchange(nullptr))
      DeleteFileW(Name); // the name is not freed: the tool is ending
  return FALSE;          // the tool ends as it would have
}

void ClearPendingTemp() {
  if (PendingSlot)
    delete[] PendingSlot->exchange(nullptr);
}

void SetPendingTemp(const std::wstring &Temp) {
  static std::atomic<bool> Installed{false};
  if (!Installed.exchange(true))
    SetConsoleCtrlHandler(RemovePendingTemps, TRUE);
  ClearPendingTemp();
  wchar_t *Name = new wchar_t[Temp.size() + 1];
  std::memcpy(Name, Temp.c_str(), (Temp.size() + 1) * sizeof(wchar_t));
  if (!PendingSlot)
    for (std::atomic<wchar_t *> &Slot : PendingTemps) {
      wchar_t *Free = nullptr;
      if (Slot.compare_exchange_strong(Free, Name)) {
        PendingSlot = &Slot;
        return;
      }
    }
  if (PendingSlot)
    PendingSlot->store(Name);
  else
    delete[] Name;
}

// Makes the temporary file beside Target, with a name no other file has. It is shared for
// deleting, so that the handler above can remove it while it is open.
HANDLE MakeTemp(const std::string &Target, std::string &Temp) {
  static std::atomic<unsigned> Counter{0};
  for (int Try = 0; Try < 100; ++Try) {
    char Suffix[32];
    unsigned Mixed = GetCurrentProcessId() * 7919u + GetTickCount() + Counter++ * 104729u;
    std::snprintf(Suffix, sizeof(Suffix), ".qmate-%06X", Mixed & 0xFFFFFFu);
    Temp = Target + Suffix;
    HANDLE H = CreateFileW(ApiPath(Temp).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (H != INVALID_HANDLE_VALUE)
      return H;
    DWORD Code = GetLastError();
    if (Code != ERROR_FILE_EXISTS && Code != ERROR_ALREADY_EXISTS) {
      SetErrnoFromWindows(Code);
      return INVALID_HANDLE_VALUE;
    }
  }
  errno = EEXIST;
  return INVALID_HANDLE_VALUE;
}

bool SameState(const FileIdentityRecord &A, const FileIdentityRecord &B) {
  return A.Device == B.Device && A.Inode == B.Inode && A.Size == B.Size && A.Modified == B.Modified;
}

bool HeldByAnother(DWORD Code) {
  return Code == ERROR_SHARING_VIOLATION || Code == ERROR_LOCK_VIOLATION ||
         Code == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Why Target cannot be replaced now: 0 when it can be opened for writing and deleting, as the
// replacement needs; a sharing violation when another program has it open.
DWORD ReplaceBlocker(const std::string &Target) {
  HANDLE H = CreateFileW(ApiPath(Target).c_str(), GENERIC_WRITE | DELETE, ShareAll, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE)
    return GetLastError();
  CloseHandle(H);
  return 0;
}

// The message for a file that cannot be replaced for Code.
std::string ReplaceError(const std::string &Path, DWORD Code) {
  if (HeldByAnother(Code))
    return "cannot write " + Path + ": another program has it open (the file is unchanged)";
  SetErrnoFromWindows(Code);
  return "cannot write " + Path + ": " + Reason() + " (the file is unchanged)";
}

void AppendConcurrentEdit(const std::string &Target) {
  HANDLE H = CreateFileW(ApiPath(Target).c_str(), FILE_APPEND_DATA, ShareAll, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H != INVALID_HANDLE_VALUE) {
    WriteHandle(H, "APPENDED\n", 9);
    CloseHandle(H);
  }
}

// Gives the file the attributes a user sets (hidden, system, archive, not indexed) of Attributes.
void GiveAttributes(const std::wstring &Path, DWORD Attributes) {
  const DWORD Kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  DWORD Now = GetFileAttributesW(Path.c_str());
  if (Now != INVALID_FILE_ATTRIBUTES && (Now & Kept) != (Attributes & Kept))
    SetFileAttributesW(Path.c_str(),
                       (Attributes & Kept) ? Attributes & Kept : FILE_ATTRIBUTE_NORMAL);
}

// Puts Temp in Target's place: ReplaceFileW keeps the old file's creation time and security
// (and on Windows its attributes; Wine's does not, so they are given again); where it cannot
// be used the move replaces the file with Target's attributes given to Temp first. False
// (Code telling why) when Target is still as it was.
bool ReplaceWithTemp(const std::string &Target, const std::string &Temp, DWORD Attributes,
                     DWORD &Code) {
  std::wstring To = ApiPath(Target), From = ApiPath(Temp);
  if (ReplaceFileW(To.c_str(), From.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                   nullptr)) {
    GiveAttributes(To, Attributes);
    return true;
  }
  Code = GetLastError();
  if (HeldByAnother(Code) || Code == ERROR_ACCESS_DENIED)
    return false;
  GiveAttributes(From, Attributes);
  if (MoveFileExW(From.c_str(), To.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  Code = GetLastError();
  return false;
}

} // namespace

bool WriteAll(int Fd, const char *Data, std::size_t Size) {
  while (Size > 0) {
    int Wrote = _write(Fd, Data, static_cast<unsigned>(Size > (1u << 30) ? (1u << 30) : Size));
    if (Wrote <= 0)
      return false;
    Data += Wrote;
    Size -= static_cast<std::size_t>(Wrote);
  }
  return true;
}

bool ReadInput(const std::string &Path, std::string &Bytes, std::string &Error,
               FileStateRecord *State, bool RegularOnly) {
  Bytes.clear();
  bool FromStdin = Path == "-";
  std::string Verb = RegularOnly ? "cannot rewrite " : "cannot read ";
  HANDLE H = GetStdHandle(STD_INPUT_HANDLE);
  if (!FromStdin) {
    PathKind Kind = KindOfPath(Path, true);
    if (Kind == PathFolder || Kind == PathOtherKind) {
      Error = Verb + Path + ": " + DescribeKind(Kind);
      return false;
    }
    H = OpenForReading(Path);
    if (H == INVALID_HANDLE_VALUE) {
      Error = "cannot read " + Path + ": " + Reason();
      return false;
    }
    if (State)
      State->Known = IdentifyFile(Path, State->Status);
    // Room for the editor to rewrite every line without moving the bytes.
    LARGE_INTEGER Size;
    if (GetFileSizeEx(H, &Size) && static_cast<unsigned long long>(Size.QuadPart) < MaxInputSize)
      Bytes.reserve(2 * static_cast<std::size_t>(Size.QuadPart) + (1u << 16));
  }
  bool TooLarge = false;
  bool Ok = ReadAllOf(H, Bytes, TooLarge);
  int Saved = errno;
  if (!FromStdin)
    CloseHandle(H);
  if (!Ok) {
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

bool WriteInPlace(const std::string &Path, ByteProducer Produce, void *Context, std::string &Error,
                  const FileStateRecord *Read) {
  const std::string &Target = Path;
  DWORD Attributes = GetFileAttributesW(ApiPath(Target).c_str());
  if (Attributes == INVALID_FILE_ATTRIBUTES) {
    SetErrnoFromWindows(GetLastError());
    Error = "cannot write " + Path + ": " + Reason();
    return false;
  }
  if (Attributes & FILE_ATTRIBUTE_DIRECTORY) {
    Error = "cannot write " + Path + ": it is a folder";
    return false;
  }
  if (Attributes & FILE_ATTRIBUTE_READONLY) {
    Error = "cannot write " + Path + ": the file is read-only";
    return false;
  }
  if (DWORD Code = ReplaceBlocker(Target)) {
    Error = ReplaceError(Path, Code);
    return false;
  }
  FileIdentityRecord Then;
  if (Read && Read->Known)
    Then = Read->Status;
  else if (!IdentifyFile(Target, Then)) {
    Error = "cannot write " + Path + ": " + Reason();
    return false;
  }
  std::string Temp;
  HANDLE H = MakeTemp(Target, Temp);
  if (H == INVALID_HANDLE_VALUE) {
    Error = "cannot write " + Path + ": cannot make a temporary file in " + FolderOfPath(Target) +
            ": " + Reason();
    return false;
  }
  std::wstring WideTemp = ApiPath(Temp);
  SetPendingTemp(WideTemp);
  BufferedHandle Out{H, {}, true};
  Out.Buffer.reserve(1 << 16);
  bool Ok = Produce(Context, EmitToHandle, &Out) && FlushHandle(Out);
  if (Ok && !FlushFileBuffers(H)) {
    SetErrnoFromWindows(GetLastError());
    Ok = false;
  }
  int Saved = errno;
  CloseHandle(H);
  if (Ok && CliInjectWriteFailure) {
    Ok = false;
    Saved = ENOSPC;
  }
  if (!Ok) {
    DeleteFileW(WideTemp.c_str());
    ClearPendingTemp();
    errno = Saved;
    Error = "cannot write " + Path + ": " + Reason() + " (the file is unchanged)";
    return false;
  }
  if (CliInjectConcurrentEdit)
    AppendConcurrentEdit(Target);
  // Compare before replace: a file edited, replaced or grown since it was read keeps that edit.
  FileIdentityRecord Now;
  if (!IdentifyFile(Target, Now) || !SameState(Now, Then)) {
    DeleteFileW(WideTemp.c_str());
    ClearPendingTemp();
    Error = Path + " changed while it was being formatted; it was left as it is";
    return false;
  }
  DWORD Code = 0;
  bool Replaced = ReplaceWithTemp(Target, Temp, Attributes, Code);
  ClearPendingTemp();
  if (Replaced)
    return true;
  DeleteFileW(WideTemp.c_str());
  // Another program may have opened the file since the check above.
  DWORD Blocker = ReplaceBlocker(Target);
  Error = ReplaceError(Path, HeldByAnother(Blocker) ? Blocker : Code);
  return false;
}

bool FileHoldsBytes(const std::string &Path, ByteProducer Produce, void *Context) {
  std::string Held;
  bool TooLarge = false;
  HANDLE H = OpenForReading(Path);
  if (H == INVALID_HANDLE_VALUE)
    return false;
  bool Ok = ReadAllOf(H, Held, TooLarge) && !TooLarge;
  CloseHandle(H);
  struct Comparison {
    const std::string &Held;
    std::size_t At;
  } C{Held, 0};
  auto Compare = [](void *EmitContext, const char *Data, std::size_t Size) {
    Comparison &K = *static_cast<Comparison *>(EmitContext);
    if (K.Held.size() - K.At < Size || K.Held.compare(K.At, Size, Data, Size) != 0)
      return false;
    K.At += Size;
    return true;
  };
  return Ok && Produce(Context, Compare, &C) && C.At == Held.size();
}

bool WriteStdout(ByteProducer Produce, void *Context) {
  BufferedHandle Out{GetStdHandle(STD_OUTPUT_HANDLE), {}, true};
  Out.Buffer.reserve(1 << 16);
  return Produce(Context, EmitToHandle, &Out) && FlushHandle(Out);
}
