// The folder walk and the search for the project settings file.
#include "project.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

const char *const ProjectSettingsName = ".qmate.ini";

std::string JoinPath(const std::string &Folder, const std::string &Name) {
  if (!Folder.empty() && Folder.back() == '/')
    return Folder + Name;
  return Folder + "/" + Name;
}

namespace {

bool Exists(const std::string &Path) {
  struct stat St;
  return stat(Path.c_str(), &St) == 0;
}

char LowerAscii(char C) {
  return (C >= 'A' && C <= 'Z') ? char(C - 'A' + 'a') : C;
}

} // namespace

bool IsClipperFileName(const std::string &Path) {
  std::size_t Slash = Path.find_last_of("/\\");
  std::string Name = Slash == std::string::npos ? Path : Path.substr(Slash + 1);
  std::size_t Dot = Name.rfind('.');
  if (Dot == std::string::npos || Dot == 0)
    return false;
  std::string Ext;
  for (std::size_t I = Dot + 1; I < Name.size(); ++I)
    Ext += LowerAscii(Name[I]);
  return Ext == "prg" || Ext == "ch";
}

namespace {

void Walk(const std::string &Folder, std::vector<std::string> &Files,
          std::vector<std::string> &Errors) {
  DIR *D = opendir(Folder.c_str());
  if (!D) {
    Errors.push_back("cannot read the folder " + Folder + ": " + std::strerror(errno));
    return;
  }
  std::vector<std::string> Names;
  errno = 0;
  while (dirent *E = readdir(D)) {
    std::string Name = E->d_name;
    if (Name != "." && Name != "..")
      Names.push_back(Name);
    errno = 0;
  }
  if (errno != 0)
    Errors.push_back("cannot read all of the folder " + Folder + ": " + std::strerror(errno));
  closedir(D);
  std::sort(Names.begin(), Names.end());
  for (const std::string &Name : Names) {
    std::string Path = JoinPath(Folder, Name);
    struct stat St;
    // Links are skipped: a link to a folder could lead round in a circle, and a link to a
    // file may reach a file outside the tree or one the walk meets anyway.
    if (lstat(Path.c_str(), &St) != 0) {
      // An entry that cannot be reached (a path too long for the system) is named, so that a
      // check never passes on files it did not read; one removed since the folder was read
      // is no longer there to work on.
      if (errno != ENOENT)
        Errors.push_back("cannot reach " + Path + ": " + std::strerror(errno));
      continue;
    }
    if (S_ISLNK(St.st_mode))
      continue;
    if (S_ISDIR(St.st_mode)) {
      if (Name[0] != '.')
        Walk(Path, Files, Errors);
    } else if (S_ISREG(St.st_mode) && IsClipperFileName(Name)) {
      Files.push_back(Path);
    }
  }
}

} // namespace

std::string FolderOfPath(const std::string &Path) {
  std::size_t Slash = Path.find_last_of('/');
  if (Slash == std::string::npos)
    return ".";
  if (Slash == 0)
    return "/";
  return Path.substr(0, Slash);
}

bool PathIsFolder(const std::string &Path) {
  struct stat St;
  return stat(Path.c_str(), &St) == 0 && S_ISDIR(St.st_mode);
}

bool PathIsRegularFile(const std::string &Path) {
  struct stat St;
  return stat(Path.c_str(), &St) == 0 && S_ISREG(St.st_mode);
}

std::string NearestProjectSettings(const std::string &Folder) {
  char *Real = realpath(Folder.c_str(), nullptr);
  if (!Real)
    return std::string();
  std::string Dir = Real;
  std::free(Real);
  for (;;) {
    std::string Candidate = JoinPath(Dir, ProjectSettingsName);
    if (PathIsRegularFile(Candidate))
      return Candidate;
    if (Dir == "/" || Exists(JoinPath(Dir, ".git")))
      return std::string();
    Dir = FolderOfPath(Dir);
  }
}

void ExpandFileArgument(const std::string &Arg, std::vector<std::string> &Files,
                        std::vector<std::string> &Errors) {
  if (Arg == "-" || !PathIsFolder(Arg)) {
    Files.push_back(Arg);
    return;
  }
  std::string Root = Arg;
  while (Root.size() > 1 && Root.back() == '/')
    Root.pop_back();
  Walk(Root, Files, Errors);
}
