// Whole-file reading and writing for the plug-in's data files.
#include "files.hpp"

#include <cstdio>
#include <string>
#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>
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
    DIR *Folder = opendir(Found.empty() ? "." : Found.c_str());
    if (!Folder)
      return Native;
    std::string Match;
    while (dirent *Entry = readdir(Folder))
      if (strcasecmp(Entry->d_name, Name.c_str()) == 0) {
        Match = Entry->d_name;
        break;
      }
    closedir(Folder);
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
  if (stat(NativePath(Path).c_str(), &St) != 0)
    return DataFileMissing;
  if (!S_ISREG(St.st_mode))
    return DataFileNotRegular;
  if (static_cast<unsigned long long>(St.st_size) > MaxDataFileSize)
    return DataFileTooLarge;
  return DataFileReadable;
}

bool ReadWholeFile(const std::string &Path, std::string &Bytes) {
  Bytes.clear();
#ifdef _WIN32
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
  std::FILE *F = std::fopen(Temp.c_str(), "wb");
  if (!F)
    return false;
  bool Ok = std::fwrite(Bytes.data(), 1, Bytes.size(), F) == Bytes.size();
  Ok = (std::fflush(F) == 0) && Ok;
  Ok = (std::fclose(F) == 0) && Ok;
#ifdef _WIN32
  Ok = Ok && MoveFileExA(Temp.c_str(), Target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  Ok = Ok && std::rename(Temp.c_str(), Target.c_str()) == 0;
#endif
  if (!Ok)
    std::remove(Temp.c_str());
  return Ok;
}
