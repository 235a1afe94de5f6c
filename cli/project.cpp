// The folder walk and the search for the project settings file.
#include "project.hpp"
#include "platform.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

const char *const ProjectSettingsName = ".qmate.ini";

std::string JoinPath(const std::string &Folder, const std::string &Name) {
  if (!Folder.empty() && std::strchr(PathSeparators, Folder.back()))
    return Folder + Name;
  return Folder + SeparatorAfter(Folder) + Name;
}

namespace {

bool Exists(const std::string &Path) {
  return KindOfPath(Path, true) != PathMissing;
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
  std::vector<std::string> Names;
  if (!ReadFolderNames(Folder, Names)) {
    Errors.push_back(
        (Names.empty() ? "cannot read the folder " : "cannot read all of the folder ") + Folder +
        ": " + std::strerror(errno));
    if (Names.empty())
      return;
  }
  std::sort(Names.begin(), Names.end());
  for (const std::string &Name : Names) {
    std::string Path = JoinPath(Folder, Name);
    // Links are skipped: a link to a folder could lead round in a circle, and a link to a
    // file may reach a file outside the tree or one the walk meets anyway.
    PathKind Kind = KindOfPath(Path, false);
    if (Kind == PathMissing) {
      // An entry that cannot be reached (a path too long for the system) is named, so that a
      // check never passes on files it did not read; one removed since the folder was read
      // is no longer there to work on.
      if (errno != ENOENT)
        Errors.push_back("cannot reach " + Path + ": " + std::strerror(errno));
      continue;
    }
    if (Kind == PathFolder) {
      if (Name[0] != '.')
        Walk(Path, Files, Errors);
    } else if (Kind == PathRegularFile && IsClipperFileName(Name)) {
      Files.push_back(Path);
    }
  }
}

} // namespace

std::string FolderOfPath(const std::string &Path) {
  std::size_t Root = PathRootLength(Path);
  std::size_t Slash = Path.find_last_of(PathSeparators);
  if (Slash == std::string::npos || Slash < Root)
    return Root > 0 ? Path.substr(0, Root) : ".";
  return Path.substr(0, Slash);
}

bool PathIsFolder(const std::string &Path) {
  return KindOfPath(Path, true) == PathFolder;
}

bool PathIsRegularFile(const std::string &Path) {
  return KindOfPath(Path, true) == PathRegularFile;
}

std::string NearestProjectSettings(const std::string &Folder) {
  std::string Dir = CanonicalPath(Folder);
  if (Dir.empty())
    return std::string();
  for (;;) {
    std::string Candidate = JoinPath(Dir, ProjectSettingsName);
    if (PathIsRegularFile(Candidate))
      return Candidate;
    // The root of a file system: "/", or on Windows a drive's or a network share's.
    if (FolderOfPath(Dir) == Dir || Exists(JoinPath(Dir, ".git")))
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
  while (Root.size() > PathRootLength(Root) && Root.size() > 1 &&
         std::strchr(PathSeparators, Root.back()))
    Root.pop_back();
  Walk(Root, Files, Errors);
}
