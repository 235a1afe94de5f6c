// Properties of the re-indent command over generated programs, random bytes and the
// bundled samples: no line lost, changed or reordered apart from its surrounding
// whitespace, verbatim text kept byte for byte, a second run changing nothing, and lines
// outside a marked block left alone.
#include "harness.hpp"

#include <dirent.h>
#include <gtest/gtest.h>
#include <random>

namespace {

struct GeneratedLine {
  std::string Text;
  bool Verbatim;
};

// A Clipper program of about Count lines with untidy indentation: procedures, nested
// blocks, continued statements, comments, strings, bracket strings, blank lines and text
// regions.
struct ProgramGenerator {
  std::mt19937 Random;
  std::vector<GeneratedLine> Lines;
  bool Modern = false; // adds the block words and layouts only the Modern rules read

  int Pick(int Count) { return static_cast<int>(Random() % static_cast<unsigned>(Count)); }

  std::string Untidy(const std::string &Text) {
    static const char *const Leads[] = {"", " ", "   ", "\t", "\t  ", "         "};
    static const char *const Tails[] = {"", "", "", " ", "\t", "  "};
    return std::string(Leads[Pick(6)]) + Text + Tails[Pick(6)];
  }

  void Add(const std::string &Text) { Lines.push_back({Untidy(Text), false}); }
  void AddVerbatim(const std::string &Text) { Lines.push_back({Text, true}); }

  std::string Statement() {
    static const char *const Statements[] = {
        "x := 1",
        "? \"it's // here\", x",
        "QOut( 'a /* b', [c \"d\"] )",
        "cName := aNames[ nPos ] + [ ]",
        "@ 10, 5 SAY 'Name' GET cName PICTURE [@!]",
        "LOCATE FOR a == 1 WHILE b",
        "DISPLAY NEXT 5",
        "x++ // ENDIF",
        "y := IF(x > 1, 2, 3)",
        "NOTE it's a note",
        "* a comment line with an apostrophe '",
        "&& another comment",
        "nTotal += aData[i][2] * 3",
        "cText := \"[\" + cText + ']'",
        "RETURN [done]",
        "text := 5",
        "SKIP WHILE !EOF()",
    };
    return Statements[Pick(static_cast<int>(sizeof(Statements) / sizeof(Statements[0])))];
  }

  void Continued(int Depth) {
    static const char *const Firsts[] = {"x := a + ;", "QOut( a, ;", "IF a .AND. ;",
                                         "@ 1, 2 SAY 'x' ;", "aList := { 1, ;"};
    static const char *const Lasts[] = {"b", "c )", "b", "GET y", "2 }"};
    int K = Pick(5);
    Add(Firsts[K]);
    if (Pick(3) == 0)
      Add("z, ;");
    if (Pick(8) == 0)
      Add(Pick(2) ? "" : "func y"); // a blank or header-like line ends the statement
    else
      Add(Lasts[K]);
    if (K == 2) {
      Body(Depth + 1);
      Add("ENDIF");
    }
  }

  void Region() {
    static const char *const Openers[] = {"TEXT",
                                          "text to printer",
                                          "#pragma __text|QOut(%s)",
                                          "#pragma __cstream|c:=%s",
                                          "#pragma __stream|%s",
                                          "#pragma BEGINDUMP"};
    static const char *const Closers[] = {"ENDTEXT",           "endtext",
                                          "#pragma __endtext", "#pragma __endtext",
                                          "#pragma __endtext", "#pragma ENDDUMP"};
    static const char *const Raw[] = {
        "   Dear customer,  ",           " \t ",    "FUNCTION NotAHeader()",
        "  it's \"open /* never closed", "\tENDIF", "static int x = 1;"};
    int K = Pick(6);
    Add(Openers[K]);
    int N = 1 + Pick(4);
    for (int I = 0; I < N; ++I)
      AddVerbatim(Raw[Pick(6)]);
    Add(Closers[K]);
  }

  void Body(int Depth) {
    int N = 1 + Pick(5);
    for (int I = 0; I < N; ++I) {
      int Kind = Depth > (Modern ? 2 : 3) ? Pick(4) : Pick(Modern ? 19 : 12);
      switch (Kind) {
      case 0:
      case 1:
        Add(Statement());
        break;
      case 2:
        Add("");
        break;
      case 3:
        Continued(Depth);
        break;
      case 4:
        Add(Pick(2) ? "IF x > 0" : "if x");
        Body(Depth + 1);
        if (Pick(2)) {
          Add(Pick(2) ? "ELSE" : "ELSEIF y");
          Body(Depth + 1);
        }
        Add(Pick(2) ? "ENDIF" : "endi");
        break;
      case 5:
        Add("FOR i := 1 TO 10");
        Body(Depth + 1);
        Add("NEXT");
        break;
      case 6:
        Add(Pick(2) ? "DO WHILE x < 5" : "while .t.");
        Body(Depth + 1);
        Add("ENDDO");
        break;
      case 7:
        Add("DO CASE");
        Add("CASE x == 1");
        Body(Depth + 1);
        Add("OTHERWISE");
        Body(Depth + 1);
        Add("ENDCASE");
        break;
      case 8:
        Add("/* a block comment");
        Add("   IF this were code");
        Add("*/");
        break;
      case 9:
        Region();
        break;
      case 10:
        Add("#ifdef DEBUG");
        Add(Statement());
        Add("#endif");
        break;
      case 12:
        Add(Pick(2) ? "SWITCH n" : "switch n");
        Add("CASE 1");
        Body(Depth + 1);
        Add("OTHERWISE");
        Body(Depth + 1);
        Add(Pick(2) ? "ENDSWITCH" : "END SWITCH");
        break;
      case 13:
        Add("BEGIN SEQUENCE");
        Body(Depth + 1);
        Add(Pick(2) ? "RECOVER USING oErr" : "ALWAYS");
        Body(Depth + 1);
        Add(Pick(2) ? "END SEQUENCE" : "END");
        break;
      case 14:
        Add(Pick(2) ? "DEFINE DIALOG oDlg RESOURCE 'X'" : "DEFINE DATABASE oDb");
        Body(Depth + 1);
        Add(Lines.back().Text.find("DIALOG") != std::string::npos ? "ACTIVATE DIALOG oDlg"
                                                                  : "END DATABASE");
        break;
      case 15:
        // Blocks opened in each branch of a conditional and closed after it.
        Add("#ifdef HB");
        Add("IF x");
        Add("#else");
        Add(Pick(2) ? "IF y" : "DO WHILE y");
        Add("#endif");
        Body(Depth + 1);
        Add("END");
        break;
      case 16:
        Add(Pick(2) ? "FOR EACH x IN a" : "WITH OBJECT o");
        Body(Depth + 1);
        Add(Pick(2) ? "NEXT" : "END");
        break;
      case 17:
        Add("TRY");
        Body(Depth + 1);
        Add("CATCH e");
        Body(Depth + 1);
        Add("END");
        break;
      case 18:
        Add(Pick(2) ? "RETURN x" : "return");
        break;
      default:
        Add("BEGIN SEQUENCE");
        Body(Depth + 1);
        Add("END");
        break;
      }
    }
  }

  void Program(int Count) {
    Add("#include \"inkey.ch\"");
    while (static_cast<int>(Lines.size()) < Count) {
      static const char *const Headers[] = {
          "FUNCTION Main()",  "PROCEDURE Run",           "proc Tidy",
          "func Sum( a, b )", "STATIC FUNCTION Local()", "FUNCTION Split( a, ;"};
      int K = Pick(6);
      for (int I = Pick(3); I > 0; --I)
        Add("");
      if (Modern && Pick(6) == 0) {
        // A class, its declarations, and a method defined after it.
        Add("CLASS TItem" + std::string(Pick(2) ? " FROM TBase" : ""));
        Add("DATA nValue INIT 0");
        Add("METHOD New( n )");
        Add("ENDCLASS");
        Add("METHOD New( n ) CLASS TItem");
      } else {
        Add(Headers[K]);
        if (K == 5)
          Add("b )");
      }
      // A routine that starts with an early return.
      if (Modern && Pick(4) == 0) {
        Add(Pick(2) ? "RETURN NIL" : "return 0");
        Add(Pick(2) ? "// left over" : "IF x");
        if (Lines.back().Text.find("IF") != std::string::npos) {
          Body(1);
          Add("ENDIF");
        }
      }
      Body(0);
      Add("RETURN NIL");
    }
  }
};

std::vector<GeneratedLine> Generate(unsigned Seed, int Count, bool Modern = false) {
  ProgramGenerator G;
  G.Random.seed(Seed);
  G.Modern = Modern;
  G.Program(Count);
  return G.Lines;
}

std::string Trim(const std::string &Text) {
  std::size_t A = 0;
  std::size_t B = Text.size();
  while (A < B && static_cast<unsigned char>(Text[A]) <= 32)
    ++A;
  while (B > A && static_cast<unsigned char>(Text[B - 1]) <= 32)
    --B;
  return Text.substr(A, B - A);
}

// Text with each run of blanks that holds a CR made one CR: the editor ends a line at a lone
// CR, and the blanks around it are the ends of its lines.
std::string BlanksAtCrsAsOne(const std::string &Text) {
  std::string Out;
  for (std::size_t I = 0; I < Text.size();) {
    std::size_t End = I;
    while (End < Text.size() && static_cast<unsigned char>(Text[End]) <= 32)
      ++End;
    if (End == I) {
      Out += Text[I++];
      continue;
    }
    const std::string Run = Text.substr(I, End - I);
    Out += Run.find('\r') == std::string::npos ? Run : "\r";
    I = End;
  }
  return Out;
}

// Lines end at "\n"; one or two "\r" right before it belong to the end of line, and any other
// "\r" is text (or ends a line of the editor's, which BlanksAtCrsAsOne allows for).
std::vector<std::string> SplitLines(const std::string &Text) {
  std::vector<std::string> Lines(1);
  for (std::size_t I = 0; I < Text.size(); ++I) {
    char C = Text[I];
    if (C == '\n') {
      std::string &Last = Lines.back();
      for (int Cr = 0; Cr < 2 && !Last.empty() && Last.back() == '\r'; ++Cr)
        Last.pop_back();
      Lines.emplace_back();
    } else {
      Lines.back() += C;
    }
  }
  return Lines;
}

// Every non-blank input line comes out once, in order, with the same text apart from its
// surrounding whitespace; verbatim lines come out byte for byte. The only other lines of the
// result are empty ones. Loosely: blank lines may come and go, and all text is compared
// without its surrounding whitespace.
void ExpectSameText(const std::vector<GeneratedLine> &Input, const std::vector<std::string> &Out,
                    bool Loose = false) {
  std::vector<const GeneratedLine *> Kept;
  for (const GeneratedLine &Line : Input)
    if (Line.Verbatim || !Trim(Line.Text).empty())
      Kept.push_back(&Line);
  std::size_t K = 0;
  for (std::size_t I = 0; I < Out.size(); ++I) {
    if (Loose ? Trim(Out[I]).empty() : Out[I].empty())
      continue;
    ASSERT_LT(K, Kept.size()) << "extra line " << I << ": " << Out[I];
    if (Kept[K]->Verbatim)
      ASSERT_EQ(Out[I], Kept[K]->Text) << "verbatim line " << I;
    else
      ASSERT_EQ(BlanksAtCrsAsOne(Trim(Out[I])), BlanksAtCrsAsOne(Trim(Kept[K]->Text)))
          << "line " << I;
    ++K;
  }
  EXPECT_EQ(K, Kept.size()) << "lines lost";
}

std::string TextOf(const std::vector<GeneratedLine> &Lines) {
  std::string Out;
  for (const GeneratedLine &Line : Lines)
    Out += Line.Text + "\r\n";
  return Out;
}

struct SettingsCase {
  int GlobalTab, MainTab, FuncTab, TextFuncTab, Tab, Comments, SplitLineTab;
  int Style, CaseIndent, BlankLines, KeepContinuation;
};

const SettingsCase SettingsCases[] = {
    {0, 0, 0, 2, 2, -1, -1, StyleClassic, 0, 1, 1}, {0, 0, 0, 3, 3, -1, -1, StyleClassic, 0, 1, 1},
    {1, 2, 3, 4, 4, 0, -1, StyleClassic, 0, 1, 1},  {0, 0, 0, 0, 0, 2, 8, StyleClassic, 0, 1, 1},
    {2, 0, 1, 3, 1, -5, 0, StyleClassic, 0, 1, 1},  {0, 0, 0, 2, -2, -1, 3, StyleClassic, 0, 1, 1},
    {0, 0, 0, 3, 3, -1, -1, StyleModern, 0, 1, 1},  {1, 2, 3, 4, 2, 0, 4, StyleModern, 1, 0, 0},
    {0, 0, 0, 2, -2, -1, -1, StyleModern, 1, 3, 1},
};
const unsigned CaseCount = sizeof(SettingsCases) / sizeof(SettingsCases[0]);

void Apply(const SettingsCase &C) {
  SetSettings(C.GlobalTab, C.MainTab, C.FuncTab, C.TextFuncTab, C.Tab, C.Comments, C.SplitLineTab);
  PluginRules = {C.Style,
                 C.CaseIndent,
                 C.BlankLines,
                 C.KeepContinuation,
                 1,
                 C.CaseIndent,
                 C.CaseIndent,
                 C.CaseIndent,
                 0,
                 0,
                 StepsFixed,
                 DirectivesColumn0,
                 IndentSpaces,
                 8,
                 0};
}

TEST(ReindentProperty, GeneratedProgramsKeepTheirText) {
  StartPlugin();
  for (unsigned Seed = 1; Seed <= 40; ++Seed) {
    SCOPED_TRACE("seed " + std::to_string(Seed));
    Apply(SettingsCases[Seed % CaseCount]);
    std::vector<GeneratedLine> Input = Generate(Seed, 300);
    RunMenu(TextOf(Input), {0});
    ExpectSameText(Input, EditorLines());
  }
}

TEST(ReindentProperty, ASecondRunChangesNothing) {
  for (int Shipped = 0; Shipped < 2; ++Shipped) {
    if (Shipped)
      StartPluginShipped();
    else
      StartPlugin();
    for (unsigned Seed = 100; Seed < 130; ++Seed) {
      SCOPED_TRACE("seed " + std::to_string(Seed) + (Shipped ? " shipped" : ""));
      Apply(SettingsCases[Seed % CaseCount]);
      std::string Once = RunMenu(TextOf(Generate(Seed, 300)), {0});
      std::string Twice = RunMenu(Once, {0});
      ASSERT_EQ(Twice, Once);
    }
  }
}

// The [Rules] options, each with its values other than the default.
struct RulesOption {
  int PluginRulesRecord::*Field;
  std::vector<int> Values;
};

const RulesOption RulesOptions[] = {
    {&PluginRulesRecord::CaseIndent, {1, 2}},    {&PluginRulesRecord::BlankLines, {0, 3}},
    {&PluginRulesRecord::KeepContinuation, {0}}, {&PluginRulesRecord::KeepColumn0Comments, {0}},
    {&PluginRulesRecord::ReturnAtHeader, {1}},   {&PluginRulesRecord::DialogBlocks, {1, 2}},
    {&PluginRulesRecord::FlatSequence, {1, 2}},  {&PluginRulesRecord::RoutineBody, {1, 2, 3}},
    {&PluginRulesRecord::ClassBody, {3}},        {&PluginRulesRecord::Steps, {1, 2}},
    {&PluginRulesRecord::Directives, {1, 2}},    {&PluginRulesRecord::IndentWith, {1}},
    {&PluginRulesRecord::TabWidth, {3}},         {&PluginRulesRecord::KeepOpeners, {1}},
};

// Classic, and Modern with every pair of options at values other than their defaults.
std::vector<PluginRulesRecord> RulesPairs() {
  PluginRulesRecord Defaults{};
  for (const RulesKey &Key : RulesKeys)
    Defaults.*Key.Field = Key.Default;
  std::vector<PluginRulesRecord> Out{Defaults};
  Defaults.Style = StyleModern;
  const std::size_t Count = sizeof(RulesOptions) / sizeof(RulesOptions[0]);
  for (std::size_t I = 0; I < Count; ++I)
    for (std::size_t J = I + 1; J < Count; ++J)
      for (int A : RulesOptions[I].Values)
        for (int B : RulesOptions[J].Values) {
          PluginRulesRecord Rules = Defaults;
          Rules.*RulesOptions[I].Field = A;
          Rules.*RulesOptions[J].Field = B;
          Out.push_back(Rules);
        }
  return Out;
}

TEST(ReindentProperty, ASecondRunChangesNothingUnderEveryPairOfRules) {
  StartPlugin();
  // Layouts whose body, step and header columns differ, so that a line moved by the first
  // run shows on the second.
  const SettingsCase Layouts[] = {
      {0, 0, 0, 3, 3, -1, -1, StyleModern, 0, 1, 1},
      {1, 2, 1, 4, 2, -1, -1, StyleModern, 0, 1, 1},
      // A body left of its header, past column 0 when the header is kept where written.
      {0, 0, 6, 2, 3, -1, -1, StyleModern, 0, 1, 1},
  };
  for (const PluginRulesRecord &Rules : RulesPairs())
    for (const SettingsCase &Layout : Layouts)
      for (unsigned Seed = 300; Seed < 308; ++Seed) {
        SCOPED_TRACE("seed " + std::to_string(Seed) + " rules " + std::to_string(Rules.Style) +
                     std::to_string(Rules.CaseIndent) + std::to_string(Rules.BlankLines) +
                     std::to_string(Rules.KeepContinuation) +
                     std::to_string(Rules.KeepColumn0Comments) +
                     std::to_string(Rules.ReturnAtHeader) + std::to_string(Rules.DialogBlocks) +
                     std::to_string(Rules.FlatSequence) + std::to_string(Rules.RoutineBody) +
                     std::to_string(Rules.ClassBody) + " tab " + std::to_string(Layout.Tab));
        Apply(Layout);
        PluginRules = Rules;
        std::string Once = RunMenu(TextOf(Generate(Seed, 200, true)), {0});
        ASSERT_EQ(RunMenu(Once, {0}), Once);
      }
}

TEST(ReindentProperty, RandomBytesNeitherCrashNorLoseText) {
  StartPlugin();
  std::mt19937 Random(7);
  const char Alphabet[] = "IFENDOWHLCAS; \t\"'[]/*&@#(){}=:\r\n\x01\x7f\xe4 xyz";
  for (int Round = 0; Round < 200; ++Round) {
    Apply(SettingsCases[Round % CaseCount]);
    std::string Bytes;
    int Length = static_cast<int>(Random() % 400);
    for (int I = 0; I < Length; ++I)
      Bytes += Alphabet[Random() % (sizeof(Alphabet) - 1)];
    if (Round % 5 == 0)
      Bytes += std::string(1, '\0') + "x";
    std::vector<GeneratedLine> Input;
    for (const std::string &Line : SplitLines(Bytes))
      Input.push_back({Line, false});
    std::string Once = RunMenu(Bytes, {0});
    // Text regions keep their lines as they stand, which the comparison by trimmed text
    // also accepts.
    ExpectSameText(Input, SplitLines(Once));
    ASSERT_EQ(RunMenu(Once, {0}), Once);
  }
}

TEST(ReindentProperty, LinesOutsideAMarkedBlockStayAsTheyAre) {
  StartPlugin();
  std::mt19937 Random(11);
  for (unsigned Seed = 200; Seed < 230; ++Seed) {
    SCOPED_TRACE("seed " + std::to_string(Seed));
    Apply(SettingsCases[Seed % CaseCount]);
    std::vector<GeneratedLine> Input = Generate(Seed, 120);
    std::string Text = TextOf(Input);
    SimLoadText(Text, "TEST.PRG");
    int Total = SimLineCount();
    int First = static_cast<int>(Random() % static_cast<unsigned>(Total));
    int Last = First + static_cast<int>(Random() % 30);
    if (Last >= Total - 1)
      Last = Total - 2;
    if (Last < First)
      continue;
    std::vector<std::string> Before = EditorLines();
    SimMarkLines(First, Last);
    SimSetCursor(First, static_cast<int>(Random() % 8));
    SimHost.MenuAnswers = {0};
    OpenPlugin(OPEN_EDITOR, 0);
    std::vector<std::string> After = EditorLines();
    int Tail = Total - Last - 1;
    ASSERT_GE(static_cast<int>(After.size()), First + Tail);
    for (int I = 0; I < First; ++I)
      ASSERT_EQ(After[static_cast<std::size_t>(I)], Before[static_cast<std::size_t>(I)]);
    for (int I = 1; I <= Tail; ++I)
      ASSERT_EQ(After[After.size() - static_cast<std::size_t>(I)],
                Before[Before.size() - static_cast<std::size_t>(I)]);
    // A block may start inside a text region, whose lines it then takes for code.
    std::vector<GeneratedLine> Block(Input.begin() + First, Input.begin() + Last + 1);
    for (GeneratedLine &Line : Block)
      Line.Verbatim = false;
    std::vector<std::string> BlockOut(After.begin() + First, After.end() - Tail);
    ExpectSameText(Block, BlockOut, true);
  }
}

TEST(ReindentProperty, SamplesKeepTheirTextAndSettle) {
  StartPlugin();
  std::string Folder = QMATE_SOURCE_DIR "/samples";
  DIR *Dir = opendir(Folder.c_str());
  ASSERT_NE(Dir, nullptr);
  int Seen = 0;
  while (dirent *Entry = readdir(Dir)) {
    std::string Name = Entry->d_name;
    if (Name.size() < 4 || Name.substr(Name.size() - 4) != ".prg")
      continue;
    SCOPED_TRACE(Name);
    ++Seen;
    std::string Bytes = ReadTextFile(Folder + "/" + Name);
    for (const SettingsCase &C : SettingsCases) {
      Apply(C);
      std::vector<GeneratedLine> Input;
      for (const std::string &Line : SplitLines(Bytes))
        Input.push_back({Line, false});
      std::string Once = RunMenu(Bytes, {0}, Name);
      ExpectSameText(Input, SplitLines(Once));
      EXPECT_EQ(RunMenu(Once, {0}, Name), Once);
    }
  }
  closedir(Dir);
  EXPECT_GE(Seen, 1);
}

} // namespace
