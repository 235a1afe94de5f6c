// The file and settings-file calls of the test host on Linux.
#include "../windows/platform.hpp"
#include "../../src/settings/profile.hpp"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

std::string NewTempFolder(const std::string &Prefix) {
  const char *Base = std::getenv("QMATE_TEST_TMP");
  std::string Root = Base && *Base ? Base : "/tmp";
  mkdir(Root.c_str(), 0755);
  std::string Pattern = Root + "/" + Prefix + "XXXXXX";
  if (!mkdtemp(&Pattern[0]))
    return std::string();
  return Pattern + "/";
}

bool MakeFolder(const std::string &Path) {
  struct stat St;
  return mkdir(Path.c_str(), 0755) == 0 || (stat(Path.c_str(), &St) == 0 && S_ISDIR(St.st_mode));
}

bool CopyOneFile(const std::string &From, const std::string &To) {
  std::string Bytes;
  return ReadBytes(From, Bytes) && WriteBytes(To, Bytes);
}

bool FileExists(const std::string &Path) {
  struct stat St;
  return stat(Path.c_str(), &St) == 0;
}

bool RemoveFile(const std::string &Path) {
  return unlink(Path.c_str()) == 0;
}

void RemoveTree(const std::string &Path) {
  std::string Folder = Path;
  while (Folder.size() > 1 && Folder.back() == '/')
    Folder.pop_back();
  DIR *Dir = opendir(Folder.c_str());
  if (!Dir)
    return;
  while (dirent *Entry = readdir(Dir)) {
    std::string Name = Entry->d_name;
    if (Name == "." || Name == "..")
      continue;
    std::string Child = Folder + "/" + Name;
    struct stat St;
    if (lstat(Child.c_str(), &St) == 0 && S_ISDIR(St.st_mode))
      RemoveTree(Child);
    else
      unlink(Child.c_str());
  }
  closedir(Dir);
  rmdir(Folder.c_str());
}

int ProfileInt(const std::string &Section, const std::string &Key, int Default,
               const std::string &Path) {
  return ProfileGetInt(Section.c_str(), Key.c_str(), Default, Path.c_str());
}

bool ProfileWrite(const std::string &Section, const std::string &Key, const std::string &Value,
                  const std::string &Path) {
  return ProfileWriteString(Section.c_str(), Key.c_str(), Value.c_str(), Path.c_str());
}
