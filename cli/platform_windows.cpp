// The platform layer on Windows: UTF-8 inside, the wide (UTF-16) API outside, so that any
// file name the system allows can be named and opened.
#include "platform.hpp"
#include "winpaths.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

const char PathSeparators[] = "/\\";

std::wstring WidePath(const std::string &Utf8) {
  if (Utf8.empty())
    return std::wstring();
  int Size =
      MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), nullptr, 0);
  std::wstring Wide(static_cast<std::size_t>(Size > 0 ? Size : 0), L'\0');
  if (Size > 0)
    MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), &Wide[0], Size);
  return Wide;
}

std::wstring ApiPath(const std::string &Utf8) {
  std::wstring Wide = WidePath(Utf8);
  // Below MAX_PATH less room for an 8.3 name, as CreateDirectoryW counts; a path already
  // prefixed is passed as it is.
  if (Wide.size() < MAX_PATH - 12 || Wide.compare(0, 4, L"\\\\?\\") == 0)
    return Wide;
  std::wstring Full(32768, L'\0');
  DWORD Got = GetFullPathNameW(Wide.c_str(), static_cast<DWORD>(Full.size()), &Full[0], nullptr);
  if (Got == 0 || Got >= Full.size())
    return Wide;
  Full.resize(Got);
  if (Full.compare(0, 2, L"\\\\") == 0)
    return L"\\\\?\\UNC\\" + Full.substr(2);
  return L"\\\\?\\" + Full;
}

std::string Utf8Path(const std::wstring &Wide) {
  if (Wide.empty())
    return std::string();
  int Size = WideCharToMultiByte(CP_UTF8, 0, Wide.data(), static_cast<int>(Wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string Utf8(static_cast<std::size_t>(Size > 0 ? Size : 0), '\0');
  if (Size > 0)
    WideCharToMultiByte(CP_UTF8, 0, Wide.data(), static_cast<int>(Wide.size()), &Utf8[0], Size,
                        nullptr, nullptr);
  return Utf8;
}

void SetErrnoFromWindows(unsigned long Code) {
  switch (Code) {
  case ERROR_FILE_NOT_FOUND:
  case ERROR_PATH_NOT_FOUND:
  case ERROR_INVALID_NAME:
  case ERROR_BAD_NETPATH:
  case ERROR_INVALID_DRIVE:
    errno = ENOENT;
    break;
  case ERROR_ALREADY_EXISTS:
  case ERROR_FILE_EXISTS:
    errno = EEXIST;
    break;
  case ERROR_DISK_FULL:
  case ERROR_HANDLE_DISK_FULL:
    errno = ENOSPC;
    break;
  case ERROR_WRITE_PROTECT:
    errno = EROFS;
    break;
  case ERROR_FILENAME_EXCED_RANGE:
    errno = ENAMETOOLONG;
    break;
  default:
    errno = EACCES;
  }
}

std::vector<std::string> CommandLineArguments(int, char **) {
  std::vector<std::string> Args;
  int Count = 0;
  wchar_t **Wide = CommandLineToArgvW(GetCommandLineW(), &Count);
  if (!Wide)
    return Args;
  for (int I = 1; I < Count; ++I)
    Args.push_back(Utf8Path(Wide[I]));
  LocalFree(Wide);
  return Args;
}

std::string ToolExecutablePath(const char *Argv0) {
  std::wstring Buffer(32768, L'\0');
  DWORD Got = GetModuleFileNameW(nullptr, &Buffer[0], static_cast<DWORD>(Buffer.size()));
  if (Got > 0 && Got < Buffer.size())
    return Utf8Path(Buffer.substr(0, Got));
  return Argv0 ? Argv0 : "qmate.exe";
}

namespace {
UINT SavedConsoleOutputCP = 0;

void RestoreConsoleOutputCP() {
  SetConsoleOutputCP(SavedConsoleOutputCP);
}
} // namespace

void UseBinaryStdio() {
  _setmode(0, _O_BINARY);
  _setmode(1, _O_BINARY);
  _setmode(2, _O_BINARY);
  // The tool writes UTF-8: a console shows it as such while the tool runs, then gets its own
  // code page back.
  DWORD Mode;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &Mode) ||
      GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &Mode)) {
    SavedConsoleOutputCP = GetConsoleOutputCP();
    if (SavedConsoleOutputCP != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
      std::atexit(RestoreConsoleOutputCP);
  }
}

void IgnoreBrokenPipe() {}

std::FILE *OpenFile(const std::string &Path, const char *Mode) {
  return _wfopen(ApiPath(Path).c_str(), WidePath(Mode).c_str());
}

PathKind KindOfPath(const std::string &Path, bool FollowLinks) {
  WIN32_FILE_ATTRIBUTE_DATA Data;
  if (!GetFileAttributesExW(ApiPath(Path).c_str(), GetFileExInfoStandard, &Data)) {
    SetErrnoFromWindows(GetLastError());
    return PathMissing;
  }
  if (!FollowLinks && (Data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return PathLink;
  if (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    return PathFolder;
  return (Data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) ? PathOtherKind : PathRegularFile;
}

bool IdentifyFile(const std::string &Path, FileIdentityRecord &Identity) {
  HANDLE H =
      CreateFileW(ApiPath(Path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (H == INVALID_HANDLE_VALUE) {
    SetErrnoFromWindows(GetLastError());
    return false;
  }
  BY_HANDLE_FILE_INFORMATION Info;
  bool Ok = GetFileInformationByHandle(H, &Info) != 0;
  if (!Ok)
    SetErrnoFromWindows(GetLastError());
  CloseHandle(H);
  if (!Ok)
    return false;
  auto Join = [](DWORD High, DWORD Low) {
    return (static_cast<unsigned long long>(High) << 32) | Low;
  };
  Identity.Device = Info.dwVolumeSerialNumber;
  Identity.Inode = Join(Info.nFileIndexHigh, Info.nFileIndexLow);
  Identity.Size = Join(Info.nFileSizeHigh, Info.nFileSizeLow);
  Identity.Modified = static_cast<long long>(
      Join(Info.ftLastWriteTime.dwHighDateTime, Info.ftLastWriteTime.dwLowDateTime));
  Identity.Changed = static_cast<long long>(
      Join(Info.ftCreationTime.dwHighDateTime, Info.ftCreationTime.dwLowDateTime));
  return true;
}

bool ReadFolderNames(const std::string &Folder, std::vector<std::string> &Names) {
  std::string Pattern = Folder;
  if (Pattern.empty() || !std::strchr(PathSeparators, Pattern.back()))
    Pattern += SeparatorAfter(Folder);
  WIN32_FIND_DATAW Found;
  HANDLE H = FindFirstFileW(ApiPath(Pattern + "*").c_str(), &Found);
  if (H == INVALID_HANDLE_VALUE) {
    SetErrnoFromWindows(GetLastError());
    return false;
  }
  do {
    std::string Name = Utf8Path(Found.cFileName);
    if (Name != "." && Name != "..")
      Names.push_back(Name);
  } while (FindNextFileW(H, &Found));
  DWORD Code = GetLastError();
  FindClose(H);
  if (Code != ERROR_NO_MORE_FILES) {
    SetErrnoFromWindows(Code);
    return false;
  }
  return true;
}

bool MakeFolder(const std::string &Path) {
  if (CreateDirectoryW(ApiPath(Path).c_str(), nullptr))
    return true;
  SetErrnoFromWindows(GetLastError());
  return false;
}

bool MakeTempFolder(std::string &Folder) {
  wchar_t Buffer[MAX_PATH + 1];
  DWORD Got = GetTempPathW(MAX_PATH + 1, Buffer);
  if (Got == 0 || Got > MAX_PATH) {
    Folder = "the temporary folder";
    return false;
  }
  std::wstring Base(Buffer, Got);
  Folder = Utf8Path(Base);
  // A name of this process's own, counted up past any left by another.
  const std::wstring Stem = Base + L"qmate-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  for (unsigned Tries = 0; Tries < 1000; ++Tries) {
    std::wstring Name = Stem + std::to_wstring(GetTickCount() + Tries);
    if (CreateDirectoryW(Name.c_str(), nullptr)) {
      Folder = Utf8Path(Name);
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return false;
}

void RemovePath(const std::string &Path) {
  std::wstring Wide = ApiPath(Path);
  DWORD Attributes = GetFileAttributesW(Wide.c_str());
  if (Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY))
    RemoveDirectoryW(Wide.c_str());
  else
    DeleteFileW(Wide.c_str());
}

std::string CanonicalPath(const std::string &Path) {
  HANDLE H =
      CreateFileW(ApiPath(Path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  std::wstring Full;
  if (H != INVALID_HANDLE_VALUE) {
    std::wstring Buffer(32768, L'\0');
    DWORD Got = GetFinalPathNameByHandleW(H, &Buffer[0], static_cast<DWORD>(Buffer.size()),
                                          FILE_NAME_NORMALIZED);
    CloseHandle(H);
    if (Got > 0 && Got < Buffer.size())
      Full = Buffer.substr(0, Got);
  }
  if (Full.empty()) {
    std::wstring Buffer(32768, L'\0');
    DWORD Got = GetFullPathNameW(ApiPath(Path).c_str(), static_cast<DWORD>(Buffer.size()),
                                 &Buffer[0], nullptr);
    if (Got == 0 || Got >= Buffer.size() ||
        GetFileAttributesW(Buffer.c_str()) == INVALID_FILE_ATTRIBUTES)
      return std::string();
    Full = Buffer.substr(0, Got);
  }
  // The long-path prefixes are dropped: "\\?\C:\x" is "C:\x", "\\?\UNC\s\x" is "\\s\x".
  if (Full.compare(0, 8, L"\\\\?\\UNC\\") == 0)
    Full = L"\\\\" + Full.substr(8);
  else if (Full.compare(0, 4, L"\\\\?\\") == 0)
    Full = Full.substr(4);
  return Utf8Path(Full);
}

std::size_t PathRootLength(const std::string &Path) {
  auto Separator = [&](std::size_t I) {
    return I < Path.size() && (Path[I] == '/' || Path[I] == '\\');
  };
  if (Separator(0) && Separator(1)) {
    // "\\server\share\": the server's name, then the share's.
    std::size_t End = Path.find_first_of(PathSeparators, 2);
    if (End == std::string::npos)
      return Path.size();
    End = Path.find_first_of(PathSeparators, End + 1);
    return End == std::string::npos ? Path.size() : End + 1;
  }
  if (Path.size() >= 2 && Path[1] == ':' &&
      ((Path[0] >= 'A' && Path[0] <= 'Z') || (Path[0] >= 'a' && Path[0] <= 'z')))
    return Separator(2) ? 3 : 2;
  return Separator(0) ? 1 : 0;
}

char SeparatorAfter(const std::string &Folder) {
  bool Drive = Folder.size() == 2 && Folder[1] == ':';
  return Drive || Folder.find('\\') != std::string::npos ? '\\' : '/';
}

std::string HostPath(const std::string &Path) {
  std::string Native = Path;
  for (char &C : Native)
    if (C == '/')
      C = '\\';
  return Native;
}

struct BackgroundTask {
  HANDLE Thread;
  BackgroundWork Work;
  void *Context;
};

namespace {

DWORD WINAPI RunBackground(LPVOID Task) {
  BackgroundTask *T = static_cast<BackgroundTask *>(Task);
  T->Work(T->Context);
  return 0;
}

} // namespace

BackgroundTask *StartBackground(BackgroundWork Work, void *Context) {
  BackgroundTask *Task = new BackgroundTask{nullptr, Work, Context};
  Task->Thread = CreateThread(nullptr, 0, RunBackground, Task, 0, nullptr);
  if (!Task->Thread) {
    delete Task;
    return nullptr;
  }
  return Task;
}

void FinishBackground(BackgroundTask *Task) {
  if (!Task)
    return;
  WaitForSingleObject(Task->Thread, INFINITE);
  CloseHandle(Task->Thread);
  delete Task;
}
