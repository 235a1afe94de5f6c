#include "harness.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

std::string TestFolder(const std::string &Name) {
  const char *Base = std::getenv("QMATE_TEST_TMP");
  std::string Root = Base && *Base ? Base : "/tmp/qmate-tests";
  std::string Path = Root + "/" + Name + "-" + std::to_string(getpid());
  std::string Command = "rm -rf '" + Path + "' && mkdir -p '" + Path + "'";
  if (std::system(Command.c_str()) != 0)
    std::abort();
  return Path;
}

void WriteTextFile(const std::string &Path, const std::string &Bytes) {
  std::ofstream Out(Path, std::ios::binary);
  Out << Bytes;
}

std::string ReadTextFile(const std::string &Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

void StartPlugin(const std::string &Folder) {
  std::string Dir = Folder.empty() ? TestFolder("plugin") : Folder;
  SimReset();
  PluginStartupInfo Info = SimStartupInfo(Dir + "/qmate.dll");
  SetStartupInfo(&Info);
}

void StartPluginShipped() {
  std::string Dir = TestFolder("shipped");
  std::string Command = "mkdir -p '" + Dir +
                        "/setup' && cp '" QMATE_SOURCE_DIR
                        "/dist/setup/Keywords.dat' '" QMATE_SOURCE_DIR
                        "/dist/setup/Replace.dat' '" +
                        Dir + "/setup/'";
  if (std::system(Command.c_str()) != 0)
    std::abort();
  StartPlugin(Dir);
}

std::string RunMenu(const std::string &Text, const std::vector<int> &Answers,
                    const std::string &Name) {
  SimLoadText(Text, Name);
  SimHost.MenuAnswers.assign(Answers.begin(), Answers.end());
  OpenPlugin(OPEN_EDITOR, 0);
  return SimSaveText();
}

void SetSettings(int GlobalTab, int MainTab, int FuncTab, int TextFuncTab, int Tab, int Comments,
                 int SplitLineTab) {
  PluginSettings = {GlobalTab, MainTab, FuncTab, TextFuncTab, Tab, Comments, SplitLineTab};
}

std::string JoinLines(const std::vector<std::string> &Lines) {
  std::string Out;
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    if (I)
      Out += "\n";
    Out += Lines[I];
  }
  return Out;
}

std::vector<std::string> EditorLines() {
  std::vector<std::string> Lines;
  for (int I = 0; I < SimLineCount(); ++I)
    Lines.push_back(SimLineText(I));
  return Lines;
}
