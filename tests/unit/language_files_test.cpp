// The language and help files the host reads beside the library: both language files hold
// every message in the host's format and code page, and every help topic the plug-in names
// exists in both help files, whose markup and links are well formed.
#include "../../src/host/session.hpp"
#include "harness.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

std::string DistFile(const std::string &Name) {
  return ReadTextFile(QMATE_SOURCE_DIR "/dist/" + Name);
}

std::vector<std::string> FileLines(const std::string &Bytes) {
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

std::string Trimmed(const std::string &Line) {
  std::size_t A = 0, B = Line.size();
  while (A < B && static_cast<unsigned char>(Line[A]) <= 32)
    ++A;
  while (B > A && static_cast<unsigned char>(Line[B - 1]) <= 32)
    --B;
  return Line.substr(A, B - A);
}

// Code page 866 letters: the Cyrillic capitals and small letters, Yo and yo.
bool IsCp866Letter(unsigned char C) {
  return (C >= 0x80 && C <= 0xAF) || (C >= 0xE0 && C <= 0xF1);
}

struct LanguageFileCase {
  const char *File;
  const char *LanguageLine; // the first line, as bytes
  bool Cyrillic;            // the texts are in code page 866 rather than ASCII
};

// "Русский" in code page 866.
const LanguageFileCase LanguageFiles[] = {
    {"qmateEng.lng", ".Language=English,English", false},
    {"qmateRus.lng", ".Language=Russian,Russian (\x90\xE3\xE1\xE1\xAA\xA8\xA9)", true},
};

TEST(LanguageFiles, HoldEveryMessageInTheHostsFormat) {
  for (const LanguageFileCase &Case : LanguageFiles) {
    SCOPED_TRACE(Case.File);
    std::string Bytes = DistFile(Case.File);
    std::vector<std::string> Lines = FileLines(Bytes);
    ASSERT_FALSE(Lines.empty());
    EXPECT_EQ(Lines[0], Case.LanguageLine);
    int Messages = 0;
    bool AnyCyrillic = false;
    for (const std::string &Line : Lines) {
      EXPECT_LE(Line.size(), 1000u) << Line;
      std::string T = Trimmed(Line);
      if (T.empty() || T[0] != '"')
        continue;
      ++Messages;
      // One trailing quote closes the text; a missing one would leave the text running on.
      EXPECT_TRUE(T.size() >= 2 && T.back() == '"') << T;
      for (unsigned char C : T) {
        if (C < 0x80)
          continue;
        EXPECT_TRUE(Case.Cyrillic && IsCp866Letter(C)) << "byte " << int(C) << " in " << T;
        AnyCyrillic = true;
      }
    }
    EXPECT_EQ(Messages, MsgCount);
    EXPECT_EQ(AnyCyrillic, Case.Cyrillic);
    // The simulated host parses it as the real one does and finds the same number of texts.
    ASSERT_TRUE(SimLoadLanguage(Bytes));
    EXPECT_EQ(SimHost.LanguageTexts.size(), static_cast<std::size_t>(MsgCount));
  }
  SimLoadLanguage(SimBuiltinLanguage());
}

TEST(LanguageFiles, TextsFitWhereTheyAreShown) {
  for (const LanguageFileCase &Case : LanguageFiles) {
    SCOPED_TRACE(Case.File);
    ASSERT_TRUE(SimLoadLanguage(DistFile(Case.File)));
    const std::vector<std::string> &Texts = SimHost.LanguageTexts;
    ASSERT_EQ(Texts.size(), static_cast<std::size_t>(MsgCount));
    for (const std::string &Text : Texts)
      EXPECT_FALSE(Text.empty());
    // Menu entries carry a "1. " prefix in a 128-byte record.
    for (int Id = MsgMenuReindent; Id <= MsgMenuSettings; ++Id)
      EXPECT_LE(Texts[Id].size() + 3, 127u) << Texts[Id];
    // The labels stand between column 2 and the divider in column 37 of the dialog; the
    // title sits on its 75-column frame.
    for (int Id = MsgSettingLabel; Id < MsgSettingLabel + 7; ++Id)
      EXPECT_LE(Texts[Id].size(), 34u) << Texts[Id];
    EXPECT_LE(Texts[MsgConfigTitle].size(), 70u);
    // The file-type warning is one line of a message box on an 80-column screen.
    EXPECT_LE(Texts[MsgWrongFileType].size(), 70u);
  }
  SimLoadLanguage(SimBuiltinLanguage());
}

// A help file as the host reads it: the topics it defines, with their lines.
struct HelpFileRecord {
  std::vector<std::string> Lines;
  std::set<std::string> Topics; // upper-cased: topic names are not case-sensitive
};

std::string Upper(std::string Text) {
  for (char &C : Text)
    if (C >= 'a' && C <= 'z')
      C = static_cast<char>(C - 'a' + 'A');
  return Text;
}

HelpFileRecord ReadHelpFile(const std::string &Name) {
  HelpFileRecord Help;
  Help.Lines = FileLines(DistFile(Name));
  for (const std::string &Line : Help.Lines)
    if (Line.size() > 1 && Line[0] == '@' && Line[1] != '@')
      Help.Topics.insert(Upper(Line.substr(1)));
  return Help;
}

const char *const HelpFiles[] = {"qmateEng.hlf", "qmateRus.hlf"};

TEST(HelpFiles, HoldEveryTopicTheCodeNames) {
  // Every help topic the plug-in passes to the host, collected from what it shows: the command
  // menu, the warnings, the procedure list, the no-procedure notice and the settings dialog.
  std::set<std::string> Named;
  StartPluginShipped();
  std::vector<std::pair<std::string, std::vector<int>>> Runs = {
      {"MAKEFILE", {2}}, {"A.PRG", {1}}, {"B.PRG", {1, -1}}, {"C.PRG", {6, -1}}};
  const char *const Texts[] = {"x := 1\n", "x := 1\n", "PROCEDURE Main\nRETURN\n", "x := 1\n"};
  for (std::size_t I = 0; I < Runs.size(); ++I) {
    SimReset();
    SimHost.DialogScripts.push_back({SimDialogAction{SimDialogAction::Cancel, "", 0, 0}});
    RunMenu(Texts[I], Runs[I].second, Runs[I].first);
    for (const SimMenuCall &Menu : SimHost.Menus)
      Named.insert(Menu.HelpTopic);
    for (const SimMessageCall &Message : SimHost.Messages)
      Named.insert(Message.HelpTopic);
    for (const SimDialogCall &Dialog : SimHost.Dialogs)
      Named.insert(Dialog.HelpTopic);
  }
  SimReset();
  SimHost.DialogScripts.push_back({SimDialogAction{SimDialogAction::Cancel, "", 0, 0}});
  Configure(0);
  for (const SimDialogCall &Dialog : SimHost.Dialogs)
    Named.insert(Dialog.HelpTopic);
  // The menu, the warnings and the dialog all name a topic.
  EXPECT_TRUE(Named.count("Contents"));
  EXPECT_TRUE(Named.count("Config"));
  EXPECT_FALSE(Named.count(""));
  for (const char *File : HelpFiles) {
    HelpFileRecord Help = ReadHelpFile(File);
    for (const std::string &Topic : Named)
      EXPECT_TRUE(Help.Topics.count(Upper(Topic))) << File << " lacks @" << Topic;
  }
}

// The help topics written in the sources: the word-only string literals in the argument lists
// of the calls that hand the host a topic (Menu, Message, DialogEx and ShowMessage).
std::set<std::string> TopicsInTheSources() {
  std::set<std::string> Topics;
  const char *const Calls[] = {"Services.Menu(", "Services.Message(", "Services.DialogEx(",
                               "ShowMessage("};
  for (const auto &Entry : std::filesystem::recursive_directory_iterator(QMATE_SOURCE_DIR "/src")) {
    if (Entry.path().extension() != ".cpp")
      continue;
    std::string Text = ReadTextFile(Entry.path().string());
    for (const char *Call : Calls) {
      for (std::size_t At = Text.find(Call); At != std::string::npos;
           At = Text.find(Call, At + 1)) {
        int Depth = 0;
        std::size_t I = At + std::string(Call).size() - 1;
        do {
          char C = Text[I];
          if (C == '(')
            ++Depth;
          else if (C == ')')
            --Depth;
          else if (C == '"') {
            std::size_t End = Text.find('"', I + 1);
            if (End == std::string::npos)
              break;
            std::string Literal = Text.substr(I + 1, End - I - 1);
            bool Word = !Literal.empty();
            for (char L : Literal)
              Word = Word && ((L >= 'A' && L <= 'Z') || (L >= 'a' && L <= 'z'));
            if (Word)
              Topics.insert(Literal);
            I = End;
          }
          ++I;
        } while (Depth > 0 && I < Text.size());
      }
    }
  }
  return Topics;
}

TEST(HelpFiles, HoldEveryTopicWrittenInTheSources) {
  std::set<std::string> Named = TopicsInTheSources();
  EXPECT_TRUE(Named.count("Contents"));
  EXPECT_TRUE(Named.count("Config"));
  for (const char *File : HelpFiles) {
    HelpFileRecord Help = ReadHelpFile(File);
    for (const std::string &Topic : Named)
      EXPECT_TRUE(Help.Topics.count(Upper(Topic))) << File << " lacks @" << Topic;
  }
}

TEST(HelpFiles, AreWellFormedForTheHost) {
  std::set<std::string> EnglishTopics = ReadHelpFile("qmateEng.hlf").Topics;
  const char *const LanguageLines[] = {".Language=English,English",
                                       ".Language=Russian,Russian (\x90\xE3\xE1\xE1\xAA\xA8\xA9)"};
  for (int F = 0; F < 2; ++F) {
    SCOPED_TRACE(HelpFiles[F]);
    HelpFileRecord Help = ReadHelpFile(HelpFiles[F]);
    ASSERT_GE(Help.Lines.size(), 2u);
    EXPECT_EQ(Help.Lines[0], LanguageLines[F]);
    EXPECT_EQ(Help.Lines[1], ".PluginContents=Quillmate");
    EXPECT_EQ(Help.Topics, EnglishTopics) << "both files hold the same topics";
    for (std::size_t N = 0; N < Help.Lines.size(); ++N) {
      const std::string &Line = Help.Lines[N];
      SCOPED_TRACE("line " + std::to_string(N + 1) + ": " + Line);
      // The help viewer shows lines as written: each fits an 80-column Far window.
      EXPECT_LE(Line.size(), 76u);
      bool TopicLine = Line.size() > 1 && Line[0] == '@' && Line[1] != '@';
      // A "$" line is a topic's fixed title: only right after the topic line or another title.
      if (!Line.empty() && Line[0] == '$') {
        const std::string &Before = Help.Lines[N - 1];
        EXPECT_TRUE(!Before.empty() && (Before[0] == '$' || Before[0] == '@'))
            << "a title line away from its topic";
      }
      EXPECT_FALSE(Line.compare(0, 2, "@@") == 0) << "a text line that begins like a topic line";
      if (Line.empty() || Line[0] == '.' || TopicLine)
        continue;
      // "##", "@@" and "~~" are the literal characters; a single "#" switches highlighting,
      // a single "~" starts or ends a link's text, followed by "@Topic@".
      int Highlights = 0;
      for (std::size_t I = 0; I < Line.size(); ++I) {
        char C = Line[I];
        if ((C == '#' || C == '@' || C == '~') && I + 1 < Line.size() && Line[I + 1] == C) {
          ++I;
          continue;
        }
        if (C == '#') {
          ++Highlights;
        } else if (C == '~') {
          std::size_t Close = Line.find('~', I + 1);
          ASSERT_NE(Close, std::string::npos) << "a link's text runs past its line";
          ASSERT_LT(Close + 1, Line.size());
          ASSERT_EQ(Line[Close + 1], '@') << "a link's text is followed by @Topic@";
          std::size_t End = Line.find('@', Close + 2);
          ASSERT_NE(End, std::string::npos);
          std::string Target = Line.substr(Close + 2, End - Close - 2);
          EXPECT_TRUE(Help.Topics.count(Upper(Target))) << "link to a missing topic " << Target;
          I = End;
        } else if (C == '@') {
          ADD_FAILURE() << "a single @ outside a link (write @@)";
        } else if (static_cast<unsigned char>(C) >= 0x80) {
          EXPECT_TRUE(F == 1 && IsCp866Letter(static_cast<unsigned char>(C)))
              << "byte " << int(static_cast<unsigned char>(C));
        }
      }
      EXPECT_EQ(Highlights % 2, 0) << "unbalanced # on the line";
    }
    // Each topic links to the other one.
    std::string Text;
    for (const std::string &Line : Help.Lines)
      Text += Line + "\n";
    std::size_t Config = Text.find("\n@Config\n");
    ASSERT_NE(Config, std::string::npos);
    EXPECT_NE(Text.substr(0, Config).find("@Config@"), std::string::npos);
    EXPECT_NE(Text.substr(Config).find("@Contents@"), std::string::npos);
  }
}

} // namespace
