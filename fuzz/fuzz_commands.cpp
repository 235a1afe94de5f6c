// A whole file through one command of the command menu, through the plug-in's exports and
// the simulated host, with the seven settings, the block and the cursor taken from the
// input. The invariants of each command are checked on the editor's lines afterwards.
#include "../src/settings/settings.hpp"
#include "fuzz_host.hpp"
#include "invariants.hpp"

#include <climits>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

using namespace Invariants;

namespace {

struct FuzzCase {
  int Entry;
  PluginSettingsRecord Settings;
  int BlockKind; // 0 none, 1 lines with Shift+Down, 2 stream, 3 column
  int Line1, Line2, Col1, Col2;
  int CursorLine, CursorPos;
  int Pick; // the navigator's answer
  bool Confirm;
  bool KeepLoaded; // false: the editor rewrites lines over the loaded bytes, as the tool does
  std::string FileName;
  std::string Text;
};

int Setting(FuzzedDataProvider &P) {
  switch (P.ConsumeIntegralInRange(0, 7)) {
  case 0:
    return INT_MIN;
  case 1:
    return INT_MAX;
  case 2:
    return -1;
  case 3:
    return P.ConsumeIntegral<int>();
  case 4:
    return P.ConsumeIntegralInRange(INT_MAX - 64, INT_MAX);
  default:
    return P.ConsumeIntegralInRange(-4, 12);
  }
}

// A line or column index: mostly inside the file, sometimes anywhere.
int Index(FuzzedDataProvider &P) {
  return P.ConsumeBool() ? P.ConsumeIntegral<int>() : P.ConsumeIntegralInRange(-1, 40);
}

// A column: the simulated editor walks a line up to the cursor column to report its screen
// column, so columns stay below a million to keep each run short.
int Column(FuzzedDataProvider &P) {
  return P.ConsumeBool() ? P.ConsumeIntegralInRange(-1, 1 << 20) : P.ConsumeIntegralInRange(-1, 40);
}

FuzzCase Decode(const uint8_t *Data, size_t Size) {
  FuzzedDataProvider P(Data, Size);
  static const int Entries[] = {0, 0, 1, 2, 3, 4, 6, -1};
  FuzzCase C;
  C.Entry = Entries[P.ConsumeIntegralInRange(0, 7)];
  PluginSettingsRecord &S = C.Settings;
  S.GlobalTab = Setting(P);
  S.MainTab = Setting(P);
  S.FuncTab = Setting(P);
  S.TextFuncTab = Setting(P);
  S.Tab = Setting(P);
  S.Comments = Setting(P);
  S.SplitLineTab = Setting(P);
  C.BlockKind = P.ConsumeIntegralInRange(0, 3);
  C.Line1 = Index(P);
  C.Line2 = Index(P);
  C.Col1 = Column(P);
  C.Col2 = Column(P);
  C.CursorLine = Index(P);
  C.CursorPos = Column(P);
  C.Pick = P.ConsumeIntegralInRange(-1, 20);
  C.Confirm = P.ConsumeBool();
  C.KeepLoaded = P.ConsumeBool();
  C.FileName = P.ConsumeBool() ? "FUZZ.PRG" : "fuzz.txt";
  C.Text = P.ConsumeRemainingBytesAsString();
  return C;
}

void Load(const FuzzCase &C, const std::string &Text) {
  SimReset();
  SimLoadText(Text, C.FileName);
  SimHost.Editor.KeepLoaded = C.KeepLoaded;
  SimSetCursor(C.CursorLine, C.CursorPos);
  switch (C.BlockKind) {
  case 1:
    SimMarkLines(C.Line1, C.Line2);
    break;
  case 2:
    SimMarkStream(C.Line1, C.Col1, C.Line2, C.Col2);
    break;
  case 3:
    SimMarkColumn(C.Line1, C.Line2, C.Col1, C.Col2);
    break;
  default:
    break;
  }
  PluginSettings = C.Settings;
}

void Run(const std::vector<int> &Answers) {
  SimHost.MenuAnswers.assign(Answers.begin(), Answers.end());
  OpenPlugin(OPEN_EDITOR, 0);
  // The tool trusts this answer to decide whether a file is rewritten.
  if (SimHost.Editor.KeepLoaded && SimTextUnchanged() != (SimSaveText() == SimLoadedText()))
    FuzzFail("SimTextUnchanged does not tell whether the text changed");
}

bool HasLoneCr(const std::string &Text) {
  for (std::size_t I = 0; I < Text.size(); ++I)
    if (Text[I] == '\r' && (I + 1 >= Text.size() || Text[I + 1] != '\n'))
      return true;
  return false;
}

void Expect(const std::string &Broken) {
  if (!Broken.empty())
    FuzzFail(Broken);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  FuzzStartPlugin(FuzzFolder("commands"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  FuzzCase C = Decode(Data, Size);
  Load(C, C.Text);
  std::vector<SimLine> Before = EditorSnapshot();
  LineRange Range = ProcessedRange(Before, SimHost.Editor.BlockType);
  bool Block = SimHost.Editor.BlockType != BTYPE_NONE;
  switch (C.Entry) {
  case 0: {
    Run({0});
    std::vector<SimLine> After = EditorSnapshot();
    Expect(CheckReindent(Before, After, Range));
    // Re-indenting the result again changes nothing: on the editor's lines as they stand,
    // and on the saved bytes read back (unless a lone CR end of line could merge with the
    // LF of an empty line inserted after it into one CR LF).
    // (A block is indented from the cursor's column, which the first run reset to 0.)
    SimHost.Editor.CurPos = C.CursorPos < 0 ? 0 : C.CursorPos;
    Run({0});
    Expect(CheckUnchanged(After, EditorSnapshot(), "a second re-indent"));
    if (!Block && !HasLoneCr(C.Text)) {
      std::string Once = SimSaveText();
      // Reloaded without a block: the block's lines, valid or not for the first text, could
      // name lines of the result and turn the second run into a block run.
      FuzzCase Whole = C;
      Whole.BlockKind = 0;
      Load(Whole, Once);
      Run({0});
      if (SimSaveText() != Once)
        FuzzFail("re-indenting the saved result again changed it");
    }
    break;
  }
  case 1: {
    Run({1, C.Pick});
    Expect(CheckUnchanged(Before, EditorSnapshot(), "the navigator"));
    break;
  }
  case 2:
  case 3: {
    bool CommentFirst = C.Entry == 2;
    Run({CommentFirst ? 2 : 3});
    std::vector<SimLine> After = EditorSnapshot();
    if (!Block) {
      Expect(CheckUnchanged(Before, After, "comment without a block"));
      break;
    }
    Expect(CommentFirst ? CheckComment(Before, After, Range)
                        : CheckUncomment(Before, After, Range));
    if (CommentFirst) {
      // Uncommenting the same block gives the block back, except that lines which already
      // began with "//" lose that marker.
      SimHost.MenuAnswers.assign({3});
      OpenPlugin(OPEN_EDITOR, 0);
      Expect(CheckUncomment(After, EditorSnapshot(), Range));
    }
    break;
  }
  case 4: {
    Run({4});
    std::vector<SimLine> After = EditorSnapshot();
    Expect(CheckAnnotate(Before, After, Range));
    Run({4});
    Expect(CheckUnchanged(After, EditorSnapshot(), "a second annotate"));
    break;
  }
  case 6: {
    SimHost.DialogScripts.push_back(
        {SimDialogAction{C.Confirm ? SimDialogAction::Ok : SimDialogAction::Cancel, "", 0, 0}});
    Run({6, -1});
    Expect(CheckUnchanged(Before, EditorSnapshot(), "the settings entry"));
    break;
  }
  default:
    Run({-1});
    Expect(CheckUnchanged(Before, EditorSnapshot(), "Esc in the command menu"));
    break;
  }
  return 0;
}
