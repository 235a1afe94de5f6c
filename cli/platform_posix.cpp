// The platform layer on POSIX systems.
#include "platform.hpp"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

const char PathSeparators[] = "/";

std::vector<std::string> CommandLineArguments(int Argc, char **Argv) {
  return std::vector<std::string>(Argv + 1, Argv + Argc);
}

std::string ToolExecutablePath(const char *Argv0) {
  char Buffer[PATH_MAX];
  ssize_t Got = readlink("/proc/self/exe", Buffer, sizeof(Buffer) - 1);
  if (Got > 0)
    return std::string(Buffer, static_cast<std::size_t>(Got));
  return Argv0 ? Argv0 : "qmate";
}

void UseBinaryStdio() {}

void IgnoreBrokenPipe() {
  std::signal(SIGPIPE, SIG_IGN);
}

std::FILE *OpenFile(const std::string &Path, const char *Mode) {
  return std::fopen(Path.c_str(), Mode);
}

PathKind KindOfPath(const std::string &Path, bool FollowLinks) {
  struct stat St;
  if ((FollowLinks ? stat(Path.c_str(), &St) : lstat(Path.c_str(), &St)) != 0)
    return PathMissing;
  if (S_ISLNK(St.st_mode))
    return PathLink;
  if (S_ISDIR(St.st_mode))
    return PathFolder;
  return S_ISREG(St.st_mode) ? PathRegularFile : PathOtherKind;
}

bool IdentifyFile(const std::string &Path, FileIdentityRecord &Identity) {
  struct stat St;
  if (stat(Path.c_str(), &St) != 0)
    return false;
  Identity.Device = St.st_dev;
  Identity.Inode = St.st_ino;
  Identity.Size = static_cast<unsigned long long>(St.st_size);
  Identity.Modified = St.st_mtim.tv_sec * 1000000000LL + St.st_mtim.tv_nsec;
  Identity.Changed = St.st_ctim.tv_sec * 1000000000LL + St.st_ctim.tv_nsec;
  return true;
}

bool ReadFolderNames(const std::string &Folder, std::vector<std::string> &Names) {
  DIR *D = opendir(Folder.c_str());
  if (!D)
    return false;
  errno = 0;
  while (dirent *E = readdir(D)) {
    std::string Name = E->d_name;
    if (Name != "." && Name != "..")
      Names.push_back(Name);
    errno = 0;
  }
  int Saved = errno;
  closedir(D);
  errno = Saved;
  return Saved == 0;
}

bool MakeFolder(const std::string &Path) {
  return mkdir(Path.c_str(), 0755) == 0;
}

bool MakeTempFolder(std::string &Folder) {
  const char *Tmp = std::getenv("TMPDIR");
  Folder = Tmp && *Tmp ? Tmp : "/tmp";
  std::string Template = Folder + "/qmate-XXXXXX";
  std::vector<char> Name(Template.begin(), Template.end());
  Name.push_back(0);
  if (!mkdtemp(Name.data()))
    return false;
  Folder = Name.data();
  return true;
}

void RemovePath(const std::string &Path) {
  struct stat St;
  if (lstat(Path.c_str(), &St) == 0 && S_ISDIR(St.st_mode))
    rmdir(Path.c_str());
  else
    unlink(Path.c_str());
}

std::string CanonicalPath(const std::string &Path) {
  char *Real = realpath(Path.c_str(), nullptr);
  if (!Real)
    return std::string();
  std::string Result = Real;
  std::free(Real);
  return Result;
}

std::size_t PathRootLength(const std::string &Path) {
  return !Path.empty() && Path[0] == '/' ? 1 : 0;
}

char SeparatorAfter(const std::string &) {
  return '/';
}

std::string HostPath(const std::string &Path) {
  return Path;
}

struct BackgroundTask {
  pthread_t Thread;
  BackgroundWork Work;
  void *Context;
};

namespace {

void *RunBackground(void *Task) {
  BackgroundTask *T = static_cast<BackgroundTask *>(Task);
  T->Work(T->Context);
  return nullptr;
}

} // namespace

BackgroundTask *StartBackground(BackgroundWork Work, void *Context) {
  BackgroundTask *Task = new BackgroundTask{pthread_t(), Work, Context};
  if (pthread_create(&Task->Thread, nullptr, RunBackground, Task) != 0) {
    delete Task;
    return nullptr;
  }
  return Task;
}

void FinishBackground(BackgroundTask *Task) {
  if (!Task)
    return;
  pthread_join(Task->Thread, nullptr);
  delete Task;
}
