// Whole-file reading and writing for the plug-in's data files.
#include "files.hpp"

#include <cstdio>
#include <map>
#include <string>
#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#endif

#ifdef QMATE_UTF8_FILE_NAMES
namespace {
std::wstring WideName(const std::string &Utf8) {
  int Size = MultiByteToWideChar(CP_UTF8, 0, Utf8.c_str(), -1, nullptr, 0);
  std::wstring Wide(static_cast<std::size_t>(Size > 0 ? Size : 1), L'\0');
  if (Size > 0)
    MultiByteToWideChar(CP_UTF8, 0, Utf8.c_str(), -1, &Wide[0], Size);
  Wide.resize(Wide.size() - 1);
  return Wide;
}
} // namespace

int StatName(const std::string &Path, struct stat *Status) {
  struct _stat64 Wide;
  if (_wstat64(WideName(Path).c_str(), &Wide) != 0)
    return -1;
  *Status = {};
  Status->st_mode = Wide.st_mode;
  Status->st_size = static_cast<_off_t>(Wide.st_size > 0x7FFFFFFF ? 0x7FFFFFFF : Wide.st_size);
  Status->st_mtime = static_cast<time_t>(Wide.st_mtime);
  return 0;
}
#endif

std::string NativePath(const std::string &Path) {
#ifdef _WIN32
  return Path;
#else
  std::string Out(Path);
  for (char &C : Out)
    if (C == '\\')
      C = '/';
  return Out;
#endif
}

#ifndef _WIN32
namespace {

// A folder's names by their upper-case spelling, kept while the folder stays as it was read:
// a run that looks for the same missing header from every file reads the folder once.
struct FolderNamesRecord {
  long long Seconds = -1;
  long Nanoseconds = -1;
  std::map<std::string, std::string> ByUpper;
};
std::map<std::string, FolderNamesRecord> FolderNames;

std::string UpperAscii(std::string Text) {
  for (char &C : Text)
    if (C >= 'a' && C <= 'z')
      C = static_cast<char>(C - 'a' + 'A');
  return Text;
}

// The name in Folder ("" for the current one) spelled as Name is in another case, "" for none.
std::string SpelledInFolder(const std::string &Folder, const std::string &Name) {
  const char *Where = Folder.empty() ? "." : Folder.c_str();
  struct stat St;
  if (stat(Where, &St) != 0)
    return std::string();
  FolderNamesRecord &Names = FolderNames[Folder];
  if (Names.Seconds != St.st_mtime || Names.Nanoseconds != St.st_mtim.tv_nsec) {
    Names = FolderNamesRecord{St.st_mtime, St.st_mtim.tv_nsec, {}};
    if (DIR *Listing = opendir(Where)) {
      while (dirent *Entry = readdir(Listing))
        Names.ByUpper.emplace(UpperAscii(Entry->d_name), Entry->d_name);
      closedir(Listing);
    }
  }
  auto Found = Names.ByUpper.find(UpperAscii(Name));
  return Found == Names.ByUpper.end() ? std::string() : Found->second;
}

} // namespace
#endif

std::string ExistingPathIgnoringCase(const std::string &Path) {
  std::string Native = NativePath(Path);
#ifndef _WIN32
  struct stat St;
  if (Native.empty() || stat(Native.c_str(), &St) == 0)
    return Native;
  // Each name along the path, from the root or the current folder, as the folder spells it.
  std::string Found = Native[0] == '/' ? "/" : "";
  std::size_t At = Native[0] == '/' ? 1 : 0;
  while (At <= Native.size()) {
    std::size_t End = Native.find('/', At);
    if (End == std::string::npos)
      End = Native.size();
    std::string Name = Native.substr(At, End - At);
    At = End + 1;
    if (Name.empty())
      continue;
    std::string Exact = Found + Name;
    if (Name == "." || Name == ".." || stat(Exact.c_str(), &St) == 0) {
      Found = Exact + (End < Native.size() ? "/" : "");
      continue;
    }
    std::string Match = SpelledInFolder(Found, Name);
    if (Match.empty())
      return Native;
    Found += Match + (End < Native.size() ? "/" : "");
  }
  return Found;
#else
  return Native;
#endif
}

DataFileKind ProbeDataFile(const std::string &Path) {
  struct stat St;
#ifdef QMATE_UTF8_FILE_NAMES
  if (StatName(Path, &St) != 0)
    return DataFileMissing;
#else
  if (stat(NativePath(Path).c_str(), &St) != 0)
    return DataFileMissing;
#endif
  if (!S_ISREG(St.st_mode))
    return DataFileNotRegular;
  if (static_cast<unsigned long long>(St.st_size) > MaxDataFileSize)
    return DataFileTooLarge;
  return DataFileReadable;
}

bool ReadWholeFile(const std::string &Path, std::string &Bytes) {
  Bytes.clear();
#if defined(QMATE_UTF8_FILE_NAMES)
  std::FILE *F = _wfopen(WideName(Path).c_str(), L"rb");
#elif defined(_WIN32)
  std::FILE *F = std::fopen(NativePath(Path).c_str(), "rb");
#else
  // Opened without waiting, so a FIFO in the file's place cannot hold the caller up; only a
  // regular file is read.
  int Fd = open(NativePath(Path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  std::FILE *F = Fd < 0 ? nullptr : fdopen(Fd, "rb");
  if (Fd >= 0 && !F)
    close(Fd);
#endif
  if (!F)
    return false;
  // A settings or word file is small: a device, a FIFO or a file past the limit is not read.
  struct stat St;
  if (fstat(fileno(F), &St) != 0 || !S_ISREG(St.st_mode) ||
      static_cast<unsigned long long>(St.st_size) > MaxDataFileSize) {
    std::fclose(F);
    return false;
  }
  char Buffer[65536];
  std::size_t Got;
  while ((Got = std::fread(Buffer, 1, sizeof(Buffer), F)) > 0 && Bytes.size() <= MaxDataFileSize)
    Bytes.append(Buffer, Got);
  bool Ok = !std::ferror(F) && Bytes.size() <= MaxDataFileSize;
  std::fclose(F);
  if (!Ok)
    Bytes.clear();
  return Ok;
}

bool WriteWholeFile(const std::string &Path, const std::string &Bytes) {
  std::string Target = NativePath(Path);
  std::string Temp = Target + ".qmate-tmp";
#ifdef QMATE_UTF8_FILE_NAMES
  std::FILE *F = _wfopen(WideName(Temp).c_str(), L"wb");
#else
  std::FILE *F = std::fopen(Temp.c_str(), "wb");
#endif
  if (!F)
    return false;
  bool Ok = std::fwrite(Bytes.data(), 1, Bytes.size(), F) == Bytes.size();
  Ok = (std::fflush(F) == 0) && Ok;
  Ok = (std::fclose(F) == 0) && Ok;
#if defined(QMATE_UTF8_FILE_NAMES)
  Ok = Ok && MoveFileExW(WideName(Temp).c_str(), WideName(Target).c_str(),
                         MOVEFILE_REPLACE_EXISTING) != 0;
  if (!Ok)
    _wremove(WideName(Temp).c_str());
#else
#ifdef _WIN32
  Ok = Ok && MoveFileExA(Temp.c_str(), Target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  Ok = Ok && std::rename(Temp.c_str(), Target.c_str()) == 0;
#endif
  if (!Ok)
    std::remove(Temp.c_str());
#endif
  return Ok;
}
