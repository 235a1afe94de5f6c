// The private-profile (INI file) service outside Windows, behaving as kernel32's does where
// the plug-in relies on it: names compared without regard to case, the first section and the
// first key of a name win, a missing file, section, key or empty value gives the default, and
// a write changes only the key's own line (or adds the lines it needs) and keeps every other
// byte of the file. The file is replaced as a whole through a temporary file and a rename, so
// a failed write leaves the old file as it was. The
// text-only part (ProfileTextWithKey) also serves the command-line tool on Windows.
#if !defined(_WIN32) || defined(QMATE_PROFILE_TEXT)
#include "profile.hpp"
#include "../host/files.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// One line of the file as it stands: its bytes without the end of line, and the end of line
// itself ("\r\n", "\n", or "" for a last line without one).
struct ProfileLine {
  std::string Text;
  std::string Eol;
};

// kernel32 reads an integer value into a buffer of 30 characters.
const std::size_t IntValueCapacity = 29;

bool IsProfileBlank(char C) {
  return C == ' ' || C == '\t' || C == '\r' || C == '\v' || C == '\f';
}

std::string TrimProfileText(const std::string &Text) {
  std::size_t Begin = 0;
  std::size_t End = Text.size();
  while (Begin < End && IsProfileBlank(Text[Begin]))
    ++Begin;
  while (End > Begin && IsProfileBlank(Text[End - 1]))
    --End;
  return Text.substr(Begin, End - Begin);
}

char LowerAscii(char C) {
  return (C >= 'A' && C <= 'Z') ? char(C - 'A' + 'a') : C;
}

bool SameName(const std::string &A, const char *B) {
  std::size_t I = 0;
  for (; I < A.size(); ++I) {
    if (!B[I] || LowerAscii(A[I]) != LowerAscii(B[I]))
      return false;
  }
  return B[I] == 0;
}

std::vector<ProfileLine> SplitProfileLines(const std::string &Bytes) {
  std::vector<ProfileLine> Lines;
  std::size_t Start = 0;
  while (Start < Bytes.size()) {
    std::size_t Lf = Bytes.find('\n', Start);
    ProfileLine Line;
    if (Lf == std::string::npos) {
      Line.Text = Bytes.substr(Start);
      Start = Bytes.size();
    } else {
      std::size_t End = Lf;
      if (End > Start && Bytes[End - 1] == '\r')
        --End;
      Line.Text = Bytes.substr(Start, End - Start);
      Line.Eol = Bytes.substr(End, Lf + 1 - End);
      Start = Lf + 1;
    }
    Lines.push_back(Line);
  }
  return Lines;
}

std::string JoinProfileLines(const std::vector<ProfileLine> &Lines) {
  std::string Bytes;
  for (const ProfileLine &Line : Lines)
    Bytes += Line.Text + Line.Eol;
  return Bytes;
}

// The section name of a header line "[Name]", or false when the line is no header.
bool SectionHeaderName(const std::string &Text, std::string &Name) {
  std::string Trimmed = TrimProfileText(Text);
  if (Trimmed.empty() || Trimmed[0] != '[')
    return false;
  std::size_t Close = Trimmed.find(']', 1);
  Name = TrimProfileText(
      Trimmed.substr(1, Close == std::string::npos ? std::string::npos : Close - 1));
  return true;
}

// The key of a line "Key=Value" with its value, or false for a comment or a line without "=".
bool KeyLine(const std::string &Text, std::string &Key, std::string &Value) {
  std::string Trimmed = TrimProfileText(Text);
  if (Trimmed.empty() || Trimmed[0] == ';')
    return false;
  std::size_t Equals = Trimmed.find('=');
  if (Equals == std::string::npos)
    return false;
  Key = TrimProfileText(Trimmed.substr(0, Equals));
  Value = TrimProfileText(Trimmed.substr(Equals + 1));
  return true;
}

// Where a section and one of its keys stand in the file's lines.
struct ProfilePlace {
  int Header = -1;    // the section's header line, -1 when the section is missing
  int LastEntry = -1; // the section's last line that is not blank (the header at least)
  int KeyAt = -1;     // the key's line, -1 when the key is missing
  std::string Value;  // the key's value, blanks and one pair of quotes removed
};

ProfilePlace FindProfileKey(const std::vector<ProfileLine> &Lines, const char *Section,
                            const char *Key) {
  ProfilePlace Place;
  bool Inside = false;
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    std::string Text = Lines[I].Text;
    // A byte-order mark that an editor put in front of the first line is no part of it.
    if (I == 0 && Text.compare(0, 3, "\xEF\xBB\xBF") == 0)
      Text.erase(0, 3);
    std::string Name;
    if (SectionHeaderName(Text, Name)) {
      if (Inside)
        break;
      if (SameName(Name, Section)) {
        Inside = true;
        Place.Header = Place.LastEntry = static_cast<int>(I);
      }
      continue;
    }
    if (!Inside)
      continue;
    if (!TrimProfileText(Text).empty())
      Place.LastEntry = static_cast<int>(I);
    std::string LineKey, Value;
    if (Place.KeyAt < 0 && KeyLine(Text, LineKey, Value) && SameName(LineKey, Key)) {
      Place.KeyAt = static_cast<int>(I);
      if (Value.size() >= 2 && (Value[0] == '"' || Value[0] == '\'') && Value.back() == Value[0])
        Value = Value.substr(1, Value.size() - 2);
      Place.Value = Value;
    }
  }
  return Place;
}

#ifndef _WIN32
// The integer reading of kernel32: leading blanks, an optional sign, decimal digits up to the
// first other character, wrapping as a 32-bit number does.
int ProfileTextToInt(const std::string &Text) {
  std::size_t I = 0;
  while (I < Text.size() && static_cast<unsigned char>(Text[I]) <= ' ')
    ++I;
  bool Negative = false;
  if (I < Text.size() && (Text[I] == '+' || Text[I] == '-')) {
    Negative = Text[I] == '-';
    ++I;
  }
  std::uint32_t Value = 0;
  for (; I < Text.size() && Text[I] >= '0' && Text[I] <= '9'; ++I)
    Value = Value * 10u + static_cast<std::uint32_t>(Text[I] - '0');
  if (Negative)
    Value = 0u - Value;
  return static_cast<int>(Value);
}

// What a rewrite must keep of an existing file: its permissions, and the file itself when the
// path is a symbolic link to it.
struct ExistingFile {
  bool ReadOnly = false;
  mode_t Mode = 0;
  std::string RealPath;
};

bool FileExists(const std::string &NativeName, ExistingFile &File) {
  struct stat Status;
  if (stat(NativeName.c_str(), &Status) != 0)
    return false;
  // The owner's write permission stands for the Windows read-only attribute; it is checked
  // by hand because a rename would replace a read-only file all the same.
  File.ReadOnly = (Status.st_mode & S_IWUSR) == 0 || !S_ISREG(Status.st_mode);
  File.Mode = Status.st_mode & 07777;
  char *Real = realpath(NativeName.c_str(), nullptr);
  File.RealPath = Real ? Real : NativeName;
  std::free(Real);
  return true;
}

// The lines of the file read last, kept while the file stays the same (the same file, size,
// modification and change times), so the many keys read in a row cost one read of the file.
struct ProfileReadCache {
  std::string Path;
  struct stat Status;
  std::vector<ProfileLine> Lines;
  bool Valid = false;
};
ProfileReadCache LastRead;

bool SameFileState(const struct stat &A, const struct stat &B) {
  return A.st_dev == B.st_dev && A.st_ino == B.st_ino && A.st_size == B.st_size &&
         A.st_mtim.tv_sec == B.st_mtim.tv_sec && A.st_mtim.tv_nsec == B.st_mtim.tv_nsec &&
         A.st_ctim.tv_sec == B.st_ctim.tv_sec && A.st_ctim.tv_nsec == B.st_ctim.tv_nsec;
}

// The file's lines, or false when it cannot be read.
bool ReadProfileLines(const char *Path, const std::vector<ProfileLine> *&Lines) {
  struct stat Status;
  if (stat(NativePath(Path).c_str(), &Status) != 0) {
    LastRead.Valid = false;
    return false;
  }
  if (!LastRead.Valid || LastRead.Path != Path || !SameFileState(LastRead.Status, Status)) {
    std::string Bytes;
    LastRead.Valid = false;
    if (!ReadWholeFile(Path, Bytes))
      return false;
    LastRead.Path = Path;
    LastRead.Status = Status;
    LastRead.Lines = SplitProfileLines(Bytes);
    LastRead.Valid = true;
  }
  Lines = &LastRead.Lines;
  return true;
}

#endif
} // namespace

#ifndef _WIN32
int ProfileGetInt(const char *Section, const char *Key, int Default, const char *Path) {
  if (!Section || !Key || !Path)
    return Default;
  const std::vector<ProfileLine> *Lines = nullptr;
  if (!ReadProfileLines(Path, Lines))
    return Default;
  ProfilePlace Place = FindProfileKey(*Lines, Section, Key);
  if (Place.KeyAt < 0 || Place.Value.empty())
    return Default;
  return ProfileTextToInt(Place.Value.substr(0, IntValueCapacity));
}

bool ProfileGetText(const char *Section, const char *Key, const char *Path, std::string &Value) {
  Value.clear();
  const std::vector<ProfileLine> *Lines = nullptr;
  if (!Section || !Key || !Path || !ReadProfileLines(Path, Lines))
    return false;
  ProfilePlace Place = FindProfileKey(*Lines, Section, Key);
  Value = Place.Value;
  return Place.KeyAt >= 0;
}

#endif

std::string ProfileTextWithKey(const std::string &Bytes, const char *Section, const char *Key,
                               const char *Value, bool OwnStyle) {
  std::vector<ProfileLine> Lines = SplitProfileLines(Bytes);
  const std::string Eol = !OwnStyle                                 ? "\r\n"
                          : !Lines.empty() && !Lines[0].Eol.empty() ? Lines[0].Eol
                                                                    : "\n";
  ProfilePlace Place = FindProfileKey(Lines, Section, Key);
  if (Place.KeyAt >= 0) {
    // Only the value changes; as kernel32 writes, the key keeps its spelling in the file.
    ProfileLine &Line = Lines[static_cast<std::size_t>(Place.KeyAt)];
    std::string LineKey = Key, OldValue;
    if (!OwnStyle) {
      KeyLine(Line.Text, LineKey, OldValue);
      Line.Eol = Eol;
    }
    Line.Text = LineKey + "=" + Value;
    return JoinProfileLines(Lines);
  }
  std::vector<ProfileLine> Added;
  int After = Place.LastEntry;
  if (Place.Header < 0) {
    After = static_cast<int>(Lines.size()) - 1;
    if (OwnStyle && After >= 0 && !TrimProfileText(Lines.back().Text).empty())
      Added.push_back({std::string(), Eol});
    Added.push_back({std::string("[") + Section + "]", Eol});
  }
  Added.push_back({std::string(Key) + "=" + Value, Eol});
  // The line before the new ones must end, or they would run on from it.
  if (After >= 0 && Lines[static_cast<std::size_t>(After)].Eol.empty())
    Lines[static_cast<std::size_t>(After)].Eol = Eol;
  Lines.insert(Lines.begin() + (After + 1), Added.begin(), Added.end());
  return JoinProfileLines(Lines);
}

#ifndef _WIN32
bool ProfileWriteString(const char *Section, const char *Key, const char *Value, const char *Path) {
  if (!Section || !Key || !Value || !Path)
    return false;
  LastRead.Valid = false;
  ExistingFile File;
  std::string Bytes;
  bool Exists = FileExists(NativePath(Path), File);
  if (Exists) {
    // A file that cannot be read or written is left alone rather than replaced.
    if (File.ReadOnly || !ReadWholeFile(Path, Bytes))
      return false;
  }
  std::string Text = ProfileTextWithKey(Bytes, Section, Key, Value, false);
  if (!Exists)
    return WriteWholeFile(Path, Text);
  if (!WriteWholeFile(File.RealPath, Text))
    return false;
  chmod(File.RealPath.c_str(), File.Mode);
  return true;
}
#endif
#endif
