// The simulated editor's line store: rewrites in place or appended, splits inside and after
// the implicit indentation, and the comparison with the loaded bytes.
#include "../../sim/sim.hpp"
#include "../../src/host/plugin.hpp"

#include <gtest/gtest.h>

namespace {

void SetString(int Index, const std::string &Text, const char *Eol) {
  EditorSetString S{Index, Text.c_str(), Eol, static_cast<int>(Text.size())};
  SimEditorControl(ECTL_SETSTRING, &S);
}

void InsertAt(int Line, int Pos) {
  EditorSetPosition P{Line, Pos, -1, -1, -1, -1};
  SimEditorControl(ECTL_SETPOSITION, &P);
  SimEditorControl(ECTL_INSERTSTRING, nullptr);
}

std::string GetString(int Index) {
  EditorGetString G{Index, nullptr, nullptr, 0, 0, 0};
  SimEditorControl(ECTL_GETSTRING, &G);
  EXPECT_EQ(G.StringText[G.StringLength], '\0') << "the text handed out is zero-terminated";
  return std::string(G.StringText, static_cast<std::size_t>(G.StringLength));
}

TEST(SimEditorStore, RewritesSplitsAndComparesTheSameWhetherOrNotItKeepsTheLoadedBytes) {
  for (bool Keep : {true, false}) {
    SimReset();
    SimLoadText("  abc\r\nlonger line\nx", "T.PRG");
    SimHost.Editor.KeepLoaded = Keep;
    SetString(0, "      abc", "\r\n");         // more spaces, same rest: fits in place
    SetString(1, "    short", "\n");           // shorter rest
    SetString(2, "   a much longer text", ""); // longer: appended
    EXPECT_EQ(GetString(0), "      abc");
    EXPECT_EQ(GetString(1), "    short");
    EXPECT_EQ(GetString(2), "   a much longer text");
    InsertAt(0, 3); // inside the indentation
    InsertAt(2, 6); // after it
    EXPECT_EQ(SimSaveText(), "   \r\n   abc\r\n    sh\nort\n   a much longer text") << Keep;
    EXPECT_EQ(GetString(1), "   abc");
    EXPECT_FALSE(Keep && SimTextUnchanged());
    // More leading spaces than a line's indentation field holds: the rest stay text.
    const std::string Wide = std::string(70000, ' ') + "abc";
    SetString(1, Wide, "\n");
    EXPECT_TRUE(GetString(1) == Wide);
    InsertAt(1, 69999);
    EXPECT_TRUE(GetString(1) == std::string(69999, ' '));
    EXPECT_EQ(GetString(2), " abc");
    // The size kept as lines change is the saved text's, after deleting a middle line and
    // the last one (which is emptied, not removed).
    EXPECT_EQ(SimTextSize(), SimSaveText().size());
    for (int Line : {1, SimLineCount() - 1}) {
      EditorSetPosition P{Line, 0, -1, -1, -1, -1};
      SimEditorControl(ECTL_SETPOSITION, &P);
      SimEditorControl(ECTL_DELETESTRING, nullptr);
      EXPECT_EQ(SimTextSize(), SimSaveText().size()) << "after deleting line " << Line;
    }
  }
}

TEST(SimEditorStore, TellsAnUnchangedTextEvenAfterLinesWereRewrittenBack) {
  SimReset();
  SimLoadText("a\n\nFUNCTION f\n", "T.PRG");
  SetString(1, "  ", "\n");
  EXPECT_FALSE(SimTextUnchanged());
  SetString(1, "", "\n");
  EXPECT_TRUE(SimTextUnchanged());
  EXPECT_EQ(SimLoadedText(), "a\n\nFUNCTION f\n");
}

TEST(SimEditorStore, ManyRewritesOfOneLineKeepTheStoreSmall) {
  SimReset();
  SimLoadText("x\ny\n", "T.PRG");
  for (int I = 0; I < 20000; ++I)
    SetString(0, std::string(static_cast<std::size_t>(I % 300), 'z') + std::to_string(I), "\n");
  EXPECT_EQ(GetString(0), std::string(19999 % 300, 'z') + "19999");
  EXPECT_EQ(GetString(1), "y");
  EXPECT_LT(SimHost.Editor.Store.size(), 4u << 20) << "garbage is dropped now and then";
}

// The name of an end of line as the lines below show it.
std::string EolName(const std::string &Eol) {
  return Eol == "\r"       ? "CR"
         : Eol == "\n"     ? "LF"
         : Eol == "\r\n"   ? "CRLF"
         : Eol == "\r\r\n" ? "CRCRLF"
                           : "";
}

// A file's lines as the host reads them: each line's text (a CR or LF in it shown as ^M or
// ^J) and the name of its end of line in brackets. Saved, the text gives back the same bytes.
TEST(SimEditorLoad, EndsALineAtALoneCrAsTheHostDoes) {
  std::string FifteenCrs;
  for (int I = 0; I < 15; ++I)
    FifteenCrs += "^M";
  const struct {
    std::string Bytes, Lines;
  } Cases[] = {
      {"IF x\r? \"a\rb\"\r\n", "IF x[CR]? \"a[CR]b\"[CRLF][]"},
      {"a\r\r\nb\r\r\n", "a[CRCRLF]b[CRCRLF][]"},
      {"a\n\rb\r", "a[LF][CR]b[CR][]"},
      // The CRs and LFs after a line's text are read together (16 at most): what ends the line
      // is at their end, the rest is text.
      {"a\r\rb\r\r\r\nc", "a^M[CR]b^M[CRCRLF]c[]"},
      {"a\r\r\r\n\nb", "a^M^M^M^J[LF]b[]"},
      {"a" + std::string(17, '\r') + "b", "a" + FifteenCrs + "[CR][CR]b[]"},
  };
  for (const auto &C : Cases) {
    SimReset();
    SimLoadText(C.Bytes, "T.PRG");
    std::string Lines;
    for (int I = 0; I < SimLineCount(); ++I) {
      const SimLine Line = SimLineAt(I);
      for (char Ch : Line.Text)
        Lines += Ch == '\r' ? "^M" : Ch == '\n' ? "^J" : std::string(1, Ch);
      Lines += "[" + EolName(Line.Eol) + "]";
    }
    EXPECT_EQ(Lines, C.Lines) << C.Lines;
    EXPECT_EQ(SimSaveText(), C.Bytes) << C.Lines;
  }
}

} // namespace
