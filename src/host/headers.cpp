// Finding and reading the headers a program includes, for the text commands they define.
#include "headers.hpp"
#include "../settings/settings.hpp"
#include "files.hpp"
#include "session.hpp"

#include <map>
#include <sys/stat.h>

namespace {

// What one header gave, with the size and time it had when read.
struct HeaderRecord {
  long long Size;
  long long Modified;
  HeaderFindings Found;
  std::vector<std::string> Included;
};

PER_THREAD std::map<std::string, HeaderRecord> HeaderCache;

// Headers that include each other, or themselves, are followed this deep.
const int MostNesting = 16;

bool IsSeparator(char C) {
  return C == '/' || C == '\\';
}

// The folder part of a path, ending in a separator ("" for a bare name).
std::string FolderPart(const std::string &Path) {
  std::size_t At = Path.find_last_of("/\\");
  return At == std::string::npos ? std::string() : Path.substr(0, At + 1);
}

bool IsAbsolute(const std::string &Path) {
  return (!Path.empty() && IsSeparator(Path[0])) || (Path.size() >= 2 && Path[1] == ':');
}

std::string Joined(const std::string &Folder, const std::string &Name) {
  if (Folder.empty() || IsSeparator(Folder.back()))
    return Folder + Name;
  return Folder + "\\" + Name;
}

// The header at Path as read now, or null when there is no readable file there.
// Programs written on Windows spell their headers' names in any case, so the name is matched
// as Windows would match it.
const HeaderRecord *ReadHeader(const std::string &Named) {
  const std::string Path = ExistingPathIgnoringCase(Named);
  struct stat St;
#ifdef QMATE_UTF8_FILE_NAMES
  if (StatName(Path, &St) != 0 || !S_ISREG(St.st_mode))
    return nullptr;
#else
  if (stat(Path.c_str(), &St) != 0 || !S_ISREG(St.st_mode))
    return nullptr;
#endif
  const long long Size = static_cast<long long>(St.st_size);
  const long long Modified = static_cast<long long>(St.st_mtime);
  auto Found = HeaderCache.find(Path);
  if (Found != HeaderCache.end() && Found->second.Size == Size &&
      Found->second.Modified == Modified)
    return &Found->second;
  std::string Bytes;
  if (!ReadWholeFile(Path, Bytes))
    return nullptr;
  HeaderRecord &R = HeaderCache[Path];
  R = HeaderRecord{Size, Modified, {}, {}};
  ReadHeaderText(Bytes, R.Found, R.Included);
  return &R;
}

// Adds what header Name, included from a file in Folder, tells; the relative folders of the
// list are taken from FileFolder, the edited file's.
void AddHeader(const std::string &Name, const std::string &Folder, const std::string &FileFolder,
               int Depth, HeaderFindings &Into) {
  if (Depth > MostNesting || Name.empty())
    return;
  std::vector<std::string> Places;
  if (IsAbsolute(Name)) {
    Places.push_back(Name);
  } else {
    Places.push_back(Joined(Folder, Name));
    for (const std::string &Entry : SplitFolderList(PluginIncludeFolders))
      Places.push_back(Joined(IsAbsolute(Entry) ? Entry : Joined(FileFolder, Entry), Name));
  }
  for (const std::string &Path : Places) {
    const HeaderRecord *Header = ReadHeader(Path);
    if (!Header)
      continue;
    AddFindings(Into, Header->Found);
    // The record stays in the map while the headers it includes are read.
    const std::vector<std::string> Included = Header->Included;
    for (const std::string &Inner : Included)
      AddHeader(Inner, FolderPart(Path), FileFolder, Depth + 1, Into);
    return;
  }
}

} // namespace

void AddIncludedFindings(const std::string &Name, HeaderFindings &Into) {
  const char *File = EditorSession.Info.FileName;
  const std::string Folder = FolderPart(File ? File : "");
  AddHeader(Name, Folder, Folder, 0, Into);
}

void AddIncludedTextCommands(const std::string &Name, std::vector<TextCommandWord> &Commands) {
  HeaderFindings Found;
  Found.Commands.swap(Commands);
  AddIncludedFindings(Name, Found);
  Commands.swap(Found.Commands);
}
