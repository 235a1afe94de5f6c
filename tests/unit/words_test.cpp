// The word tables: reading Keywords.dat and Replace.dat, and the respelling of words,
// checked against a plain rendering of the lookup that searches the lists at every call.
#include "harness.hpp"
#include "../../src/host/session.hpp"
#include "../../src/words/words.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// The lookup as it is defined: the whole replacement scan (the last matching row wins), then
// the bisection over the keywords with the upper-casing at each comparison, then the same
// bisection over their first four characters. The probe is the midpoint rounded to the
// nearest integer, halves to even (the default floating-point rounding).
std::string ReferenceSpell(const WordTablesRecord &Tables, const std::string &Word) {
  std::string U = LocaleUpperText(Word);
  bool Replaced = false;
  std::string Result;
  for (const ReplaceEntry &Row : Tables.Replacements)
    if (Row.Key == U) {
      Result = Row.Value;
      Replaced = true;
    }
  if (Replaced)
    return Result;
  const std::size_t Count = Tables.Keywords.size();
  if (Count == 0)
    return Word;
  for (std::size_t Width : {std::string::npos, std::size_t(4)}) {
    auto Form = [&](std::size_t I) { return LocaleUpperText(Tables.Keywords[I].substr(0, Width)); };
    std::size_t Lo = 0, Hi = Count, P = 0;
    while (Form(P) != U && Hi - Lo > 1) {
      P = static_cast<std::size_t>(std::nearbyint((double(Lo) + double(Hi)) / 2.0));
      if (U < Form(P))
        Hi = P;
      else
        Lo = P;
    }
    if (Form(P) == U)
      return Tables.Keywords[P].substr(0, Width);
  }
  return Word;
}

std::string Spelled(const std::string &Word) {
  const std::string *Changed = ChangedSpelling(Word.data(), Word.size());
  std::string Direct = SpellWord(Word);
  EXPECT_EQ(Direct, Changed ? *Changed : Word) << "ChangedSpelling differs for \"" << Word << "\"";
  EXPECT_TRUE(!Changed || *Changed != Word) << "\"" << Word << "\" is given as changed";
  return Direct;
}

// Starts the plug-in on a fresh setup folder holding the given word files; a missing
// file stays out of the folder.
void StartWithWordBytes(bool HasKeywords, const std::string &Keywords, bool HasReplace,
                        const std::string &Replace) {
  std::string Folder = TestFolder("words");
  ASSERT_EQ(0, std::system(("mkdir -p '" + Folder + "/setup'").c_str()));
  if (HasKeywords)
    WriteTextFile(Folder + "/setup/Keywords.dat", Keywords);
  if (HasReplace)
    WriteTextFile(Folder + "/setup/Replace.dat", Replace);
  StartPlugin(Folder);
}

// The same with texts; a null text leaves that file out.
void StartWithWordFiles(const char *Keywords, const char *Replace) {
  StartWithWordBytes(Keywords != nullptr, Keywords ? Keywords : "", Replace != nullptr,
                     Replace ? Replace : "");
}

std::string Bytes(const char *Text, std::size_t Length) {
  return std::string(Text, Length);
}

} // namespace

TEST(WordFiles, KeywordLinesAsRead) {
  const std::string LongLine(100000, 'q');
  struct Case {
    std::string File;
    std::vector<std::string> Keywords;
  } Cases[] = {
      {"A\nB\n", {"A", "B"}},
      {"A\r\nB\r\n", {"A", "B"}},
      {"A\nB", {"A", "B"}},                       // the last line needs no end
      {"A\rB\nC", {"AB", "C"}},                   // a lone CR is dropped, the line goes on
      {"A\r\r\nB\r", {"A", "B"}},                 // CR CR LF, and a CR at the very end
      {"\r\nA\r\n\r\n", {"A"}},                   // lines of a CR LF only are empty
      {"A\n\032B\nC\n", {"A"}},                   // Ctrl-Z where a line begins ends the file
      {"\032A\n", {}},                            // ... also at the start of the file
      {"A\032B\nC", {"A\032B", "C"}},             // inside a line it is a character
      {"\n\nA\n\n\nB\n\n", {"A", "B"}},           // empty lines are skipped
      {"; a comment\n;\nA\n ;B\n", {"A", " ;B"}}, // only a ';' in column 1 is a comment
      {"   \nA\n", {"   ", "A"}},                 // a line of blanks is an entry
      {"\t\n", {"\t"}},
      {"\r;x\nA\n", {"A"}},                       // the CR is not part of the line
      {"RETURN   \n", {"RETURN   "}},             // trailing blanks are kept
      {"ABCDEFGHIJKLMNOP\n", {"ABCDEFGHIJKLM"}},  // cut to 13 characters
      {"return\nReTuRn\n", {"return", "ReTuRn"}}, // the case as written
      {Bytes("A\0B\n", 4), {Bytes("A\0B", 3)}},   // a zero byte stays in the text
      {LongLine + "\nA", {LongLine.substr(0, 13), "A"}},
      {"", {}},
  };
  for (const Case &C : Cases) {
    StartWithWordBytes(true, C.File, false, "");
    EXPECT_EQ(C.Keywords, WordTables.Keywords) << "file: \"" << C.File.substr(0, 40) << "\"";
  }
}

TEST(WordFiles, ReplaceRowsSplitByColumn) {
  struct Case {
    std::string Line;
    std::string Key;
    std::string Value;
  } Cases[] = {
      {"ENDW       ENDDO", "ENDW", "ENDDO"},
      {"qout       QOut", "QOUT", "QOut"}, // the key is upper-cased
      {"QOUT", "QOUT", ""},                // no column 12: an empty value
      {"QOUT       ", "QOUT", ""},         // exactly 11 characters
      {"QOUT        ", "QOUT", ""},        // 12 blank-ended characters
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJK", "LMNOPQRSTUVWX"},
      {"X\t         \t  Foo Bar \t", "X", "Foo Bar"}, // trimmed at both ends only
      {"X          " + std::string(20, ' ') + "LongReplacementText", "X", "LongReplaceme"},
      {" QOUT      X", " QOUT", "X"}, // leading blanks stay in the key
      {"    ", "", ""},               // a line of blanks: an empty key
      {"A B        C D", "A B", "C D"},
      {"\xe9t\xe9        x", LocaleUpperText("\xe9t\xe9"), "x"},
  };
  for (const Case &C : Cases) {
    StartWithWordFiles(nullptr, ("; header\n" + C.Line + "\r\n").c_str());
    ASSERT_EQ(1u, WordTables.Replacements.size()) << C.Line;
    EXPECT_EQ(C.Key, WordTables.Replacements[0].Key) << C.Line;
    EXPECT_EQ(C.Value, WordTables.Replacements[0].Value) << C.Line;
  }
}

TEST(WordFiles, ReplaceRowsKeepFileOrderAndSkipRules) {
  StartWithWordFiles(nullptr, ";X          comment\n\nB          2\n ;C        3\n\032D  4\n");
  ASSERT_EQ(2u, WordTables.Replacements.size());
  EXPECT_EQ("B", WordTables.Replacements[0].Key);
  EXPECT_EQ(" ;C", WordTables.Replacements[1].Key);
  EXPECT_EQ("3", WordTables.Replacements[1].Value);
}

TEST(WordFiles, MissingFilesGiveEmptyTables) {
  StartWithWordFiles(nullptr, nullptr);
  EXPECT_TRUE(WordTables.Keywords.empty());
  EXPECT_TRUE(WordTables.Replacements.empty());
  EXPECT_EQ("return", Spelled("return"));
  EXPECT_EQ("", Spelled(""));
  StartPlugin(); // no setup folder at all
  EXPECT_EQ("Word", Spelled("Word"));
}

TEST(WordFiles, ReloadStartsFromEmptyLists) {
  StartWithWordFiles("RETURN\n", "X          Y\n");
  StartWithWordFiles(nullptr, nullptr);
  EXPECT_TRUE(WordTables.Keywords.empty());
  EXPECT_TRUE(WordTables.Replacements.empty());
  EXPECT_EQ("return", Spelled("return"));
  EXPECT_EQ("x", Spelled("x"));
}

TEST(SpellWord, WordFileCases) {
  const char *Keywords = "; keywords\nAAdd\nDToC\nELSE\nENDIF\nQOut\nRETURN\nWHILE\n";
  struct Case {
    const char *Keywords;
    const char *Replace;
    const char *Word;
    const char *Expected;
  } Cases[] = {
      // any mix of cases comes back in the stored spelling; first and last entries too
      {Keywords, nullptr, "endif", "ENDIF"},
      {Keywords, nullptr, "EnDiF", "ENDIF"},
      {Keywords, nullptr, "aadd", "AAdd"},
      {Keywords, nullptr, "AADD", "AAdd"},
      {Keywords, nullptr, "while", "WHILE"},
      {Keywords, nullptr, "qout", "QOut"},
      // four-letter abbreviations, the first keyword's included
      {Keywords, nullptr, "endi", "ENDI"},
      {Keywords, nullptr, "retu", "RETU"},
      {Keywords, nullptr, "whil", "WHIL"},
      {Keywords, nullptr, "dtoc", "DToC"},
      {"AChoice\nRETURN\n", nullptr, "acho", "ACho"},
      // neither keyword nor abbreviation: unchanged, in the case passed
      {Keywords, nullptr, "retur", "retur"},
      {Keywords, nullptr, "ret", "ret"},
      {Keywords, nullptr, "returns", "returns"},
      {Keywords, nullptr, "nCount", "nCount"},
      {Keywords, nullptr, "", ""},
      // a replacement beats a keyword and is not respelled itself
      {Keywords, "RETURN     Return\n", "return", "Return"},
      {Keywords, "RETU       return\n", "retu", "return"},
      {Keywords, "endw       ENDDO\n", "EndW", "ENDDO"},
      // the last row of a key wins, an empty one included
      {Keywords, "X          One\nX          Two\n", "x", "Two"},
      {Keywords, "X          One\nX\n", "x", ""},
      {Keywords, "QOUT\n", "QOut", ""},
      // an indented key and a blank row match no word
      {Keywords, " QOUT      ?\n", "qout", "QOut"},
      {Keywords, "     \n", "return", "RETURN"},
      // trailing blanks: no whole-word match, but the abbreviation still serves
      {"RETURN   \n", nullptr, "return", "return"},
      {"RETURN   \n", nullptr, "retu", "RETU"},
      // an over-long line keeps 13 characters: the whole long word is not matched
      {"ABCDEFGHIJKLMNOP\n", nullptr, "abcdefghijklmnop", "abcdefghijklmnop"},
      {"ABCDEFGHIJKLMNOP\n", nullptr, "abcdefghijklm", "ABCDEFGHIJKLM"},
      {"ABCDEFGHIJKLMNOP\n", nullptr, "abcd", "ABCD"},
      // a keyword of blanks and a ';' entry
      {"   \n", nullptr, "   ", "   "},
      {" ;X\nRETURN\n", nullptr, "return", "RETURN"},
      // no keywords: replacements still work and nothing is probed
      {nullptr, "X          Y\n", "x", "Y"},
      {nullptr, "X          Y\n", "return", "return"},
      {"; only comments\n", "X          Y\n", "x", "Y"},
      {"; only comments\n", nullptr, "return", "return"},
      // Windows-1252 letters take part in upper-casing
      {"D\xc9J\xc0\n", nullptr, "d\xe9j\xe0", "D\xc9J\xc0"},
  };
  for (const Case &C : Cases) {
    StartWithWordFiles(C.Keywords, C.Replace);
    EXPECT_EQ(C.Expected, Spelled(C.Word))
        << "word \"" << C.Word << "\" with keywords \"" << (C.Keywords ? C.Keywords : "(none)")
        << "\" and replacements \"" << (C.Replace ? C.Replace : "(none)") << "\"";
  }
}

// Where the probe sequence stops decides between entries of the same upper-case form, and
// in an unsorted list whether an entry is reached at all.
TEST(SpellWord, ProbeSequence) {
  struct Case {
    std::vector<std::string> Keywords;
    const char *Word;
    const char *Expected;
  } Cases[] = {
      {{"A", "Bb", "BB"}, "bb", "BB"},                     // lo 0, hi 3: probe 2, not 1
      {{"A", "B", "C", "Dd", "DD", "E", "F"}, "dd", "DD"}, // lo 0, hi 7: probe 4, not 3
      {{"AA", "BB", "CC", "Cc", "DD", "EE"}, "cc", "Cc"},  // probe 3 stops on the later twin
      {{"Ab", "AB", "ab"}, "AB", "Ab"},                    // the first probe is entry 0
      {{"ZZ", "AA", "BB"}, "zz", "ZZ"},                    // entry 0 found out of order
      {{"BB", "CC", "DD", "AA"}, "aa", "aa"},              // never reached: unchanged
      {{"BB", "CC", "DD", "AA"}, "dd", "DD"},
      {{"ZZ", "AA"}, "aa", "AA"},
      {{"Abcdef", "ABCDxx", "abcdzz"}, "abcd", "Abcd"}, // abbreviation stops on entry 0
      {{"A", "Bcdexx", "BCDEyy"}, "bcde", "BCDE"},      // abbreviation probe 2
      {{"ABCD", "Abcdef"}, "abcd", "ABCD"},             // a whole word before abbreviations
      {{"Only"}, "only", "Only"},
      {{"Only"}, "other", "other"},
  };
  for (const Case &C : Cases) {
    ReleaseWordTables();
    WordTables.Keywords = C.Keywords;
    IndexWordTables();
    EXPECT_EQ(C.Expected, Spelled(C.Word)) << "word " << C.Word;
    EXPECT_EQ(ReferenceSpell(WordTables, C.Word), Spelled(C.Word)) << "word " << C.Word;
  }
}

// Random tables (sorted or not, with twins in upper case, blanks and short entries) and
// random words: the indexed lookup gives exactly what the searches give.
TEST(SpellWord, SameAsSearchingOnRandomTables) {
  std::mt19937 Random(20240601);
  const std::string Letters = "aAbBcC \xe9\xc9";
  auto RandomText = [&](std::size_t MaxLength) {
    std::string Text(Random() % (MaxLength + 1), ' ');
    for (char &C : Text)
      C = Letters[Random() % Letters.size()];
    return Text;
  };
  auto MixCase = [&](std::string Text) {
    for (char &C : Text)
      if (Random() % 2)
        C = static_cast<char>(LocaleUpper(static_cast<unsigned char>(C)));
    return Text;
  };
  int Compared = 0;
  for (int Round = 0; Round < 1500; ++Round) {
    ReleaseWordTables();
    std::size_t Count = Random() % 24;
    for (std::size_t I = 0; I < Count; ++I) {
      std::string Keyword = RandomText(6);
      WordTables.Keywords.push_back(Keyword.empty() ? "a" : Keyword);
    }
    if (Round % 3 != 0)
      std::stable_sort(WordTables.Keywords.begin(), WordTables.Keywords.end(),
                       [](const std::string &A, const std::string &B) {
                         return LocaleUpperText(A) < LocaleUpperText(B);
                       });
    std::size_t Rows = Round % 4 == 0 ? 0 : Random() % 6;
    for (std::size_t I = 0; I < Rows; ++I)
      WordTables.Replacements.push_back({LocaleUpperText(RandomText(3)), RandomText(4)});
    IndexWordTables();

    std::vector<std::string> Words;
    for (int I = 0; I < 30; ++I)
      Words.push_back(RandomText(7));
    for (const std::string &Keyword : WordTables.Keywords) {
      Words.push_back(MixCase(Keyword));
      Words.push_back(MixCase(Keyword.substr(0, 4)));
      Words.push_back(MixCase(Keyword.substr(0, 3)));
    }
    for (const ReplaceEntry &Row : WordTables.Replacements)
      Words.push_back(MixCase(Row.Key));
    for (const std::string &Word : Words) {
      ASSERT_EQ(ReferenceSpell(WordTables, Word), Spelled(Word)) << "round " << Round;
      ++Compared;
    }
  }
  EXPECT_GT(Compared, 50000);
}

// Whatever bytes the word files hold, loading keeps every text within its capacity and form.
TEST(WordFiles, RandomBytesStayWithinCapacities) {
  std::mt19937 Random(7);
  const std::string Alphabet = std::string("ab; \t\r\n\032\xe9") + std::string(1, '\0');
  std::string Folder = TestFolder("words-random");
  ASSERT_EQ(0, std::system(("mkdir -p '" + Folder + "/setup'").c_str()));
  for (int Round = 0; Round < 200; ++Round) {
    std::string Keywords(Random() % 200, ' '), Replace(Random() % 400, ' ');
    for (char &C : Keywords)
      C = Alphabet[Random() % Alphabet.size()];
    for (char &C : Replace)
      C = Alphabet[Random() % Alphabet.size()];
    WriteTextFile(Folder + "/setup/Keywords.dat", Keywords);
    WriteTextFile(Folder + "/setup/Replace.dat", Replace);
    StartPlugin(Folder);
    for (const std::string &Keyword : WordTables.Keywords) {
      EXPECT_FALSE(Keyword.empty());
      EXPECT_LE(Keyword.size(), 13u);
      EXPECT_NE(';', Keyword[0]);
      EXPECT_EQ(std::string::npos, Keyword.find_first_of("\r\n"));
    }
    for (const ReplaceEntry &Row : WordTables.Replacements) {
      EXPECT_LE(Row.Key.size(), 11u);
      EXPECT_TRUE(Row.Key.empty() || !IsBlankChar(Row.Key.back()));
      EXPECT_EQ(LocaleUpperText(Row.Key), Row.Key);
      EXPECT_LE(Row.Value.size(), 13u);
      EXPECT_TRUE(Row.Value.empty() || !IsBlankChar(Row.Value.front()));
      // trimmed before the cut, so only a cut value may end in a blank
      EXPECT_TRUE(Row.Value.empty() || Row.Value.size() == 13 || !IsBlankChar(Row.Value.back()));
    }
    for (const std::string &Keyword : WordTables.Keywords)
      EXPECT_EQ(ReferenceSpell(WordTables, Keyword), Spelled(Keyword));
  }
}

// Lists filled or replaced directly, as other tests do, are looked up as they stand.
TEST(SpellWord, ListsAssignedDirectlyAreIndexedAgain) {
  ReleaseWordTables();
  EXPECT_EQ("endif", Spelled("endif"));
  WordTables.Keywords = {"ENDIF", "IF", "LOCAL"};
  EXPECT_EQ("ENDIF", Spelled("endif"));
  WordTables.Keywords.push_back("WHILE");
  EXPECT_EQ("WHILE", Spelled("while"));
  WordTables.Replacements = {{"IF", "If"}};
  EXPECT_EQ("If", Spelled("if"));
  ReleaseWordTables();
  EXPECT_EQ("endif", Spelled("endif"));
  EXPECT_EQ("if", Spelled("if"));
}
