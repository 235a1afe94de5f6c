// The shipped word files: Keywords.dat is sorted as the bisection needs, within capacity and
// every keyword is found in any case; Replace.dat has no active row and its example rows
// are in the right columns; `qmate spell` respells through them.
#include "harness.hpp"
#include "../../cli/verbs.hpp"
#include "../../src/host/session.hpp"
#include "../../src/words/words.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> FileLines(const std::string &Path) {
  std::vector<std::string> Lines;
  std::istringstream In(ReadTextFile(Path));
  std::string Line;
  while (std::getline(In, Line))
    Lines.push_back(Line);
  return Lines;
}

std::vector<std::string> ShippedKeywordLines() {
  std::vector<std::string> Keywords;
  for (const std::string &Line : FileLines(QMATE_SOURCE_DIR "/dist/setup/Keywords.dat"))
    if (!Line.empty() && Line[0] != ';')
      Keywords.push_back(Line);
  return Keywords;
}

std::string LowerText(std::string Text) {
  for (char &C : Text)
    if (C >= 'A' && C <= 'Z')
      C = static_cast<char>(C - 'A' + 'a');
  return Text;
}

} // namespace

TEST(ShippedKeywords, SortedWithinCapacityAndClean) {
  std::vector<std::string> Lines = FileLines(QMATE_SOURCE_DIR "/dist/setup/Keywords.dat");
  ASSERT_FALSE(Lines.empty());
  EXPECT_EQ(';', Lines[0][0]) << "the file starts with its header comment";
  std::vector<std::string> Keywords = ShippedKeywordLines();
  EXPECT_GE(Keywords.size(), 300u);
  for (std::size_t I = 0; I < Keywords.size(); ++I) {
    const std::string &Keyword = Keywords[I];
    EXPECT_LE(Keyword.size(), 13u) << Keyword;
    EXPECT_FALSE(IsBlankChar(Keyword.front()) || IsBlankChar(Keyword.back())) << Keyword;
    EXPECT_EQ(std::string::npos, Keyword.find('\r')) << Keyword;
    if (I > 0) { // strictly ascending: no two entries share an upper-case form
      EXPECT_LT(LocaleUpperText(Keywords[I - 1]), LocaleUpperText(Keyword))
          << Keywords[I - 1] << " / " << Keyword;
    }
  }
}

TEST(ShippedKeywords, EveryKeywordFoundInAnyCase) {
  StartPluginShipped();
  std::vector<std::string> Keywords = ShippedKeywordLines();
  ASSERT_EQ(Keywords, WordTables.Keywords);
  std::set<std::string> UpperForms;
  for (const std::string &Keyword : Keywords)
    UpperForms.insert(LocaleUpperText(Keyword));
  std::mt19937 Random(11);
  for (const std::string &Keyword : Keywords) {
    std::string Mixed = Keyword;
    for (char &C : Mixed)
      C = Random() % 2 ? static_cast<char>(LocaleUpper(static_cast<unsigned char>(C)))
                       : LowerText(std::string(1, C))[0];
    for (const std::string &Word : {LowerText(Keyword), LocaleUpperText(Keyword), Mixed})
      EXPECT_EQ(Keyword, SpellWord(Word)) << Word;

    // The abbreviation of a longer keyword: some keyword's first four letters as stored.
    if (Keyword.size() <= 4 || UpperForms.count(LocaleUpperText(Keyword.substr(0, 4))))
      continue;
    std::string Abbreviation = LowerText(Keyword.substr(0, 4));
    std::string Spelled = SpellWord(Abbreviation);
    EXPECT_EQ(LocaleUpperText(Abbreviation), LocaleUpperText(Spelled)) << Keyword;
    bool Stored = false;
    for (const std::string &Other : Keywords)
      Stored = Stored || Other.substr(0, 4) == Spelled;
    EXPECT_TRUE(Stored) << Abbreviation << " became " << Spelled;
  }
}

TEST(ShippedKeywords, ConventionalSpellings) {
  StartPluginShipped();
  struct Case {
    const char *Word;
    const char *Expected;
  } Cases[] = {
      {"function", "FUNCTION"},
      {"procedure", "PROCEDURE"},
      {"return", "RETURN"},
      {"local", "LOCAL"},
      {"elseif", "ELSEIF"},
      {"endif", "ENDIF"},
      {"do", "DO"},
      {"while", "WHILE"},
      {"enddo", "ENDDO"},
      {"next", "NEXT"},
      {"otherwise", "OTHERWISE"},
      {"endcase", "ENDCASE"},
      {"sequence", "SEQUENCE"},
      {"recover", "RECOVER"},
      {"aadd", "AAdd"},
      {"AEVAL", "AEval"},
      {"ascan", "AScan"},
      {"qout", "QOut"},
      {"dtoc", "DToC"},
      {"alltrim", "AllTrim"},
      {"empty", "Empty"},
      {"len", "Len"},
      {"retu", "RETU"},
      {"func", "FUNC"},
      {"proc", "PROC"},
      {"endi", "ENDI"},
      {"othe", "OTHE"},
      // words that are not keywords stay as written
      // left out: names of files, fields, variables and #define constants in real programs
      {"static", "static"},
      {"stat", "stat"},
      {"substr", "substr"},
      {"subs", "subs"},
      {"desc", "desc"},
      {"last", "last"},
      {"date", "date"},
      {"dbf", "dbf"},
      {"new", "new"},
      {"left", "left"},
      {"right", "right"},
      {"file", "file"},
      {"time", "time"},
      {"month", "month"},
      {"memory", "memory"},
      {"report", "report"},
      {"version", "version"},
      {"softseek", "softseek"},
      {"begin", "begin"},
      {"nCount", "nCount"},
      {"cName", "cName"},
      {"name", "name"},
      {"i", "i"},
      {"x", "x"},
      {"total", "total"},
      {"count", "count"},
      {"data", "data"},
      {"retur", "retur"},
  };
  for (const Case &C : Cases)
    EXPECT_EQ(C.Expected, SpellWord(C.Word)) << C.Word;
}

TEST(ShippedReplace, NoActiveRowsAndExamplesInTheirColumns) {
  StartPluginShipped();
  EXPECT_TRUE(WordTables.Replacements.empty());

  // The commented-out examples, with their ';' deleted as the header says, are real rows.
  std::string Rows;
  for (const std::string &Line : FileLines(QMATE_SOURCE_DIR "/dist/setup/Replace.dat"))
    if (Line.size() > 12 && Line[0] == ';' && Line[1] != ' ' && Line[1] != '1')
      Rows += Line.substr(1) + "\n";
  std::string Folder = TestFolder("shipped-replace");
  ASSERT_EQ(0, std::system(("mkdir -p '" + Folder + "/setup'").c_str()));
  WriteTextFile(Folder + "/setup/Replace.dat", Rows);
  StartPlugin(Folder);
  ASSERT_GE(WordTables.Replacements.size(), 3u);
  for (const ReplaceEntry &Row : WordTables.Replacements) {
    EXPECT_EQ(std::string::npos, Row.Key.find(' ')) << Row.Key;
    EXPECT_FALSE(Row.Value.empty()) << Row.Key;
    EXPECT_EQ(std::string::npos, Row.Value.find(' ')) << Row.Value;
  }
  EXPECT_EQ("RETURN", SpellWord("retu"));
}

TEST(ShippedKeywords, SpellVerbPrintsOneWordPerLine) {
  std::string Setup = QMATE_SOURCE_DIR "/dist/setup";
  testing::internal::CaptureStdout();
  int Status = RunCommandLine({"spell", "--setup", Setup, "endif", "aadd", "nCount", "retu"},
                              QMATE_BINARY_DIR "/qmate");
  std::string Out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(0, Status);
  EXPECT_EQ("ENDIF\nAAdd\nnCount\nRETU\n", Out);
}
