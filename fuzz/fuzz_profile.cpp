// The portable private-profile layer on arbitrary INI bytes: every key is read, one key is
// written, and then the written value reads back unchanged, every other key reads as it
// did, and every other line of the file is still there, in order.
#include "../src/settings/profile.hpp"
#include "fuzz_host.hpp"

#include <climits>
#include <cstdint>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <sstream>

namespace {

std::string Path;

struct KeyName {
  std::string Section;
  std::string Key;
};

std::string TrimText(const std::string &Text) {
  std::size_t B = 0, E = Text.size();
  while (B < E && (Text[B] == ' ' || Text[B] == '\t'))
    ++B;
  while (E > B && (Text[E - 1] == ' ' || Text[E - 1] == '\t'))
    --E;
  return Text.substr(B, E - B);
}

bool PlainName(const std::string &Name) {
  if (Name.empty())
    return false;
  for (unsigned char C : Name)
    if (C < 32 || C >= 127 || C == '=' || C == '[' || C == ']' || C == ';')
      return false;
  return Name.front() != ' ' && Name.back() != ' ';
}

std::string Lower(std::string Text) {
  for (char &C : Text)
    if (C >= 'A' && C <= 'Z')
      C = char(C - 'A' + 'a');
  return Text;
}

// The file's lines: split at LF, a CR before the LF dropped.
std::vector<std::string> SplitLines(const std::string &Bytes) {
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  while (Start < Bytes.size()) {
    std::size_t End = Bytes.find('\n', Start);
    if (End == std::string::npos)
      End = Bytes.size();
    std::string Line = Bytes.substr(Start, End - Start);
    if (!Line.empty() && Line.back() == '\r')
      Line.pop_back();
    Lines.push_back(Line);
    Start = End + 1;
  }
  return Lines;
}

// The keys of sections with plain names, as a reader of INI files sees them.
std::vector<KeyName> ParseKeys(const std::vector<std::string> &Lines) {
  std::vector<KeyName> Keys;
  std::string Section;
  bool InSection = false;
  for (const std::string &Raw : Lines) {
    std::string Line = TrimText(Raw);
    if (Line.empty() || Line[0] == ';')
      continue;
    if (Line[0] == '[') {
      std::size_t Close = Line.find(']');
      Section = Close == std::string::npos ? std::string() : TrimText(Line.substr(1, Close - 1));
      InSection = PlainName(Section);
      continue;
    }
    std::size_t Eq = Line.find('=');
    if (!InSection || Eq == std::string::npos)
      continue;
    std::string Key = TrimText(Line.substr(0, Eq));
    if (PlainName(Key))
      Keys.push_back({Section, Key});
  }
  return Keys;
}

std::string ReadBack() {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

// True when Old without at most one of its lines is a subsequence of New.
bool KeptButOne(const std::vector<std::string> &Old, const std::vector<std::string> &New) {
  long long N = static_cast<long long>(Old.size()), M = static_cast<long long>(New.size());
  const long long Never = -1;
  // Front[I]: how much of New the earliest match of Old[0, I) uses, or Never.
  std::vector<long long> Front(static_cast<std::size_t>(N + 1), Never);
  Front[0] = 0;
  for (long long I = 0; I < N && Front[I] != Never; ++I) {
    long long J = Front[I];
    while (J < M && New[J] != Old[I])
      ++J;
    Front[I + 1] = J < M ? J + 1 : Never;
  }
  if (Front[N] != Never)
    return true;
  // Back[I]: where the latest match of Old[I, N) in New starts, or Never.
  std::vector<long long> Back(static_cast<std::size_t>(N + 1), Never);
  Back[N] = M;
  for (long long I = N - 1; I >= 0 && Back[I + 1] != Never; --I) {
    long long J = Back[I + 1] - 1;
    while (J >= 0 && New[J] != Old[I])
      --J;
    Back[I] = J;
  }
  for (long long Skip = 0; Skip < N; ++Skip)
    if (Front[Skip] != Never && Back[Skip + 1] != Never && Front[Skip] <= Back[Skip + 1])
      return true;
  return false;
}

void Check(bool Ok, const std::string &What) {
  if (!Ok)
    FuzzFail(What);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  Path = FuzzFolder("profile") + "/setup/qmate.ini";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  static const char *const Names[] = {"GlobalTab",   "MainTab",  "Tab",         "FuncTab",
                                      "TextFuncTab", "Comments", "SplitLineTab"};
  FuzzedDataProvider P(Data, Size);
  int Value = P.ConsumeBool() ? P.ConsumeIntegral<int>() : P.ConsumeIntegralInRange(-3, 12);
  int Choice = P.ConsumeIntegral<uint8_t>();
  bool SaveAll = P.ConsumeBool();
  std::string Bytes = P.ConsumeRemainingBytesAsString();
  FuzzWriteFile(Path, Bytes);
  std::vector<std::string> OldLines = SplitLines(Bytes);
  std::vector<KeyName> Keys = ParseKeys(OldLines);
  std::vector<int> Old;
  for (const KeyName &K : Keys)
    Old.push_back(ProfileGetInt(K.Section.c_str(), K.Key.c_str(), 424242, Path.c_str()));

  if (SaveAll) {
    // The settings save: all seven keys of section Settings, then all seven read back.
    for (int I = 0; I < 7; ++I) {
      std::string Text =
          std::to_string(static_cast<int>(static_cast<unsigned>(Value) + static_cast<unsigned>(I)));
      Check(ProfileWriteString("Settings", Names[I], Text.c_str(), Path.c_str()),
            "a write to a writable file failed");
    }
    for (int I = 0; I < 7; ++I)
      Check(ProfileGetInt("Settings", Names[I], 424242, Path.c_str()) ==
                static_cast<int>(static_cast<unsigned>(Value) + static_cast<unsigned>(I)),
            std::string("a saved setting did not read back: ") + Names[I]);
    for (std::size_t I = 0; I < Keys.size(); ++I)
      if (Lower(Keys[I].Section) != "settings")
        Check(ProfileGetInt(Keys[I].Section.c_str(), Keys[I].Key.c_str(), 424242, Path.c_str()) ==
                  Old[I],
              "a key of another section changed: [" + Keys[I].Section + "] " + Keys[I].Key);
    return 0;
  }

  KeyName Target{"Settings", Names[Choice % 7]};
  if (!Keys.empty() && Choice >= 128)
    Target = Keys[static_cast<std::size_t>(Choice) % Keys.size()];
  std::string Text = std::to_string(Value);
  Check(ProfileWriteString(Target.Section.c_str(), Target.Key.c_str(), Text.c_str(), Path.c_str()),
        "a write to a writable file failed");
  Check(ProfileGetInt(Target.Section.c_str(), Target.Key.c_str(), 424242, Path.c_str()) == Value,
        "the written value did not read back: [" + Target.Section + "] " + Target.Key);
  Check(ProfileGetInt(Lower(Target.Section).c_str(), Lower(Target.Key).c_str(), 424242,
                      Path.c_str()) == Value,
        "names are not case-insensitive: [" + Target.Section + "] " + Target.Key);
  for (std::size_t I = 0; I < Keys.size(); ++I) {
    if (Lower(Keys[I].Section) == Lower(Target.Section) && Lower(Keys[I].Key) == Lower(Target.Key))
      continue;
    Check(ProfileGetInt(Keys[I].Section.c_str(), Keys[I].Key.c_str(), 424242, Path.c_str()) ==
              Old[I],
          "another key changed its value: [" + Keys[I].Section + "] " + Keys[I].Key);
  }
  std::vector<std::string> NewLines = SplitLines(ReadBack());
  Check(NewLines.size() <= OldLines.size() + 2, "the write added more than two lines");
  Check(KeptButOne(OldLines, NewLines), "a line of the file was lost or reordered by a write");
  return 0;
}
