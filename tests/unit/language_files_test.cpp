// The language and help files the host reads beside the library: both language files hold
// every message in the host's format and code page, and every help topic the plug-in names
// exists in both help files, whose markup and links are well formed.
#include "../../src/host/session.hpp"
#include "harness.hpp"

#include <gtest/gtest.h>

#include <algorithm>
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

// Far's help viewer reflows a topic to its window: 70 columns at 80x25, holding lines of
// fewer than 70 shown characters. It joins the lines of a paragraph with a blank (a blank
// line, or a line that begins with a blank, starts a new one), breaks at the rightmost blank
// outside a link's text that leaves a line short enough, and starts the rest with a blank
// (and a "#" when the break fell inside a highlight, to carry it on).
const int HelpWindowWidth = 70;

// The characters a help line shows: "##", "~~" and "@@" one each; a single "#" or "~" is
// markup; "@Topic@" is a link's target.
std::string ShownText(const std::string &Line) {
  std::string Shown;
  for (std::size_t I = 0; I < Line.size(); ++I) {
    char C = Line[I];
    if ((C == '#' || C == '~' || C == '@') && I + 1 < Line.size() && Line[I + 1] == C) {
      Shown += C;
      ++I;
    } else if (C == '@') {
      std::size_t End = Line.find('@', I + 1);
      I = End == std::string::npos ? Line.size() : End;
    } else if (C != '#' && C != '~') {
      Shown += C;
    }
  }
  return Shown;
}

int ShownLength(const std::string &Line) {
  return static_cast<int>(ShownText(Line).size());
}

struct WrappedParagraph {
  std::vector<std::string> Lines; // with their markup
  bool BrokeHighlight = false;    // a break fell inside a highlighted text
};

WrappedParagraph WrapLikeFar(std::string Text) {
  WrappedParagraph Out;
  while (ShownLength(Text) >= HelpWindowWidth) {
    std::size_t Break = 0;
    for (std::size_t I = Text.size() - 1; I > 0; --I) {
      if (Text[I] == '~' && Text[I - 1] == '~') {
        --I;
      } else if (Text[I] == '~') {
        while (--I > 0 && Text[I] != '~') {
        }
        if (I == 0)
          break;
      } else if (Text[I] == ' ' && ShownLength(Text.substr(0, I)) < HelpWindowWidth) {
        Break = I;
        break;
      }
    }
    if (Break == 0)
      break;
    Out.Lines.push_back(Text.substr(0, Break));
    Text = " " + Text.substr(Break + 1);
    if (std::count(Text.begin(), Text.end(), '#') % 2) {
      Text.insert(0, "#");
      Out.BrokeHighlight = true;
    }
  }
  Out.Lines.push_back(Text);
  return Out;
}

// The paragraphs of a help file's topics (titles aside), each as the viewer joins its lines;
// an empty text stands for a blank line.
std::vector<std::string> HelpParagraphs(const std::vector<std::string> &Lines) {
  std::vector<std::string> Paragraphs;
  bool InTopic = false, Title = false, Open = false;
  for (std::string Line : Lines) {
    // The viewer drops a line's trailing blanks.
    Line.erase(Line.find_last_not_of(" \t") + 1);
    if (Line.size() > 1 && Line[0] == '@' && Line[1] != '@') {
      InTopic = Title = true;
      Open = false;
      Paragraphs.push_back("");
    } else if (!InTopic || (Title && !Line.empty() && Line[0] == '$')) {
      continue;
    } else if (Line.empty()) {
      Title = Open = false;
      Paragraphs.push_back("");
    } else if (Line[0] == ' ' || Line[0] == '\t' || !Open) {
      Title = false;
      Open = true;
      Paragraphs.push_back(Line);
    } else {
      Paragraphs.back() += " " + Line;
    }
  }
  return Paragraphs;
}

std::size_t LeadingBlanks(const std::string &Text) {
  return Text.find_first_not_of(' ');
}

TEST(HelpFiles, ReadWellAsFarReflowsThem) {
  for (const char *File : HelpFiles) {
    SCOPED_TRACE(File);
    std::vector<std::string> Paragraphs = HelpParagraphs(ReadHelpFile(File).Lines);
    ASSERT_GT(Paragraphs.size(), 20u);
    for (const std::string &Paragraph : Paragraphs) {
      if (Paragraph.empty())
        continue;
      SCOPED_TRACE(ShownText(Paragraph).substr(0, 60));
      WrappedParagraph Wrapped = WrapLikeFar(Paragraph);
      // A highlight marks code or a term: a break inside one splits it over two lines.
      EXPECT_FALSE(Wrapped.BrokeHighlight) << "a line breaks inside a highlight";
      // A line joined after a "/" would show "a/ b".
      std::string Shown = ShownText(Paragraph);
      for (std::size_t At = Shown.find("/ "); At != std::string::npos;
           At = Shown.find("/ ", At + 1))
        EXPECT_TRUE(At == 0 || Shown[At - 1] == ' ' || Shown[At - 1] == '/' || Shown[At - 1] == '*')
            << "a slash joined to the next line's word with a blank";
      for (const std::string &Line : Wrapped.Lines) {
        std::string Text = ShownText(Line);
        EXPECT_LT(static_cast<int>(Text.size()), HelpWindowWidth) << "a word too long to break";
        std::size_t First = LeadingBlanks(Text);
        // A line that begins with the slash between two alternatives, or ends with a lone 0
        // that the next line goes on from.
        EXPECT_NE(Text.compare(First == std::string::npos ? 0 : First, 2, "/ "), 0)
            << "a line begins with a slash: " << Text;
        EXPECT_FALSE(Text == "0" ||
                     (Text.size() >= 2 && Text.compare(Text.size() - 2, 2, " 0") == 0))
            << "a line ends with a lone 0: " << Text;
      }
    }
    // A list: paragraphs indented by two blanks or more, one after the other. When some of its
    // paragraphs stand further right (an item's description under its title), every item at
    // the outer indentation has one, and no title or description wraps.
    for (std::size_t Start = 0; Start < Paragraphs.size();) {
      std::size_t End = Start;
      while (End < Paragraphs.size() && LeadingBlanks(Paragraphs[End]) != std::string::npos &&
             LeadingBlanks(Paragraphs[End]) >= 2)
        ++End;
      if (End == Start) {
        ++Start;
        continue;
      }
      std::size_t Outer = std::string::npos, Inner = 0;
      for (std::size_t I = Start; I < End; ++I) {
        Outer = std::min(Outer, LeadingBlanks(Paragraphs[I]));
        Inner = std::max(Inner, LeadingBlanks(Paragraphs[I]));
      }
      if (Inner > Outer) {
        for (std::size_t I = Start; I < End; ++I) {
          SCOPED_TRACE(ShownText(Paragraphs[I]));
          if (LeadingBlanks(Paragraphs[I]) == Outer) {
            EXPECT_TRUE(I + 1 < End && LeadingBlanks(Paragraphs[I + 1]) > Outer)
                << "a list item without its description below it";
          }
          EXPECT_EQ(WrapLikeFar(Paragraphs[I]).Lines.size(), 1u) << "a list line wraps";
        }
      }
      Start = End;
    }
  }
}

} // namespace
