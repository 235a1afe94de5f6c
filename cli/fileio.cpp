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

namespace {
std::string Reason() {
  return std::strerror(errno);
}
} // namespace

bool ReadInput(const std::string &Path, std::string &Bytes, std::string &Error) {
  Bytes.clear();
  std::FILE *F = Path == "-" ? stdin : std::fopen(Path.c_str(), "rb");
  if (!F) {
    Error = "cannot read " + Path + ": " + Reason();
    return false;
  }
  struct stat St;
  if (Path != "-" && fstat(fileno(F), &St) == 0 && S_ISDIR(St.st_mode)) {
    std::fclose(F);
    Error = "cannot read " + Path + ": it is a folder";
    return false;
  }
#ifdef _WIN32
  if (Path == "-")
    _setmode(_fileno(stdin), _O_BINARY);
#endif
  std::vector<char> Buffer(1 << 16);
  std::size_t Got;
  while ((Got = std::fread(Buffer.data(), 1, Buffer.size(), F)) > 0)
    Bytes.append(Buffer.data(), Got);
  bool Failed = std::ferror(F) != 0;
  int Saved = errno;
  if (F != stdin)
    std::fclose(F);
  if (Failed) {
    errno = Saved;
    Error = "cannot read " + Path + ": " + Reason();
    return false;
  }
  return true;
}

bool WriteInPlace(const std::string &Path, const std::string &Bytes, std::string &Error) {
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
    Error = "cannot write " + Path + ": " + Reason();
    return false;
  }
  Temp = Name.data();
  std::size_t Done = 0;
  bool Ok = true;
  while (Ok && Done < Bytes.size()) {
#ifdef _WIN32
    int Wrote = _write(Fd, Bytes.data() + Done, static_cast<unsigned>(Bytes.size() - Done));
#else
    ssize_t Wrote = write(Fd, Bytes.data() + Done, Bytes.size() - Done);
#endif
    if (Wrote <= 0)
      Ok = false;
    else
      Done += static_cast<std::size_t>(Wrote);
  }
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
