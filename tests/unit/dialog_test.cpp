// The settings dialog through Configure and the simulated host's dialog engine: the items,
// the cleaning of a field that loses the focus, the live preview, OK, Cancel and Esc.
#include "../../src/host/keys.hpp"
#include "../../src/host/session.hpp"
#include "../../src/settings/dialog.hpp"
#include "harness.hpp"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const int NumberFields[7] = {2, 4, 6, 8, 10, 12, 14};

SimDialogAction Act(SimDialogAction::Kind What, const std::string &Text = std::string(),
                    int Item = 0, int Y = 0) {
  SimDialogAction A;
  A.What = What;
  A.Text = Text;
  A.Item = Item;
  A.Y = Y;
  return A;
}

SimDialogAction FocusOn(int Item) {
  return Act(SimDialogAction::Focus, "", Item);
}
SimDialogAction Typed(const std::string &Text) {
  return Act(SimDialogAction::Type, Text);
}
SimDialogAction EditKey(int Key) {
  return Act(SimDialogAction::Key, "", Key);
}
const SimDialogAction Next = Act(SimDialogAction::Next);
const SimDialogAction Ok = Act(SimDialogAction::Ok);
const SimDialogAction Esc = Act(SimDialogAction::Cancel);

// Focus on a field, type into it and move on to the next field.
std::vector<SimDialogAction> TypeAndLeave(int Item, const std::string &Text) {
  return {FocusOn(Item), Typed(Text), Next};
}

int RunDialog(const std::vector<SimDialogAction> &Script) {
  SimHost.DialogScripts.push_back(Script);
  return Configure(0);
}

std::vector<std::string> FieldTexts() {
  std::vector<std::string> Texts;
  const std::vector<FarDialogItem> &Items = SimHost.Dialogs.back().FinalItems;
  for (int Field : NumberFields)
    Texts.push_back(Items[static_cast<std::size_t>(Field)].Data);
  return Texts;
}

std::vector<int> Values(const PluginSettingsRecord &S) {
  return {S.GlobalTab, S.MainTab, S.FuncTab, S.TextFuncTab, S.Tab, S.Comments, S.SplitLineTab};
}

struct PreviewLine {
  std::string Text; // the 34 characters of its row in the preview area
  int Column;       // of its first character that is not blank, -1 for a blank line
  int Colour;       // of its first character
};

// The 16 sample lines as the screen shows them for a dialog whose corner is Left, Top.
std::vector<PreviewLine> PreviewAt(int Left, int Top) {
  const SimScreenRecord &S = SimHost.Screen;
  std::vector<PreviewLine> Lines;
  for (int Row = 0; Row < 16; ++Row) {
    PreviewLine Line;
    int Y = Top + 1 + Row;
    for (int X = Left + 39; X < Left + 39 + 34; ++X)
      Line.Text += static_cast<char>(S.Chars[static_cast<std::size_t>(Y * S.Width + X)]);
    std::size_t First = Line.Text.find_first_not_of(' ');
    Line.Column = First == std::string::npos ? -1 : static_cast<int>(First);
    Line.Colour = S.Attrs[static_cast<std::size_t>(Y * S.Width + Left + 39)];
    Lines.push_back(Line);
  }
  return Lines;
}

std::vector<PreviewLine> Preview() {
  const SimDialogCall &Call = SimHost.Dialogs.back();
  return PreviewAt(Call.Left, Call.Top);
}

std::vector<int> Columns(const std::vector<PreviewLine> &Lines) {
  std::vector<int> Out;
  for (const PreviewLine &L : Lines)
    Out.push_back(L.Column);
  return Out;
}

const char *const SampleTexts[16] = {"// Sample program",
                                     "Public var, arr",
                                     "var:=500",
                                     "arr:=fill(var)",
                                     "",
                                     "Function fill(x)",
                                     "Local rs",
                                     "rs:={{2,5,1}, ;",
                                     "{4,7,6}}",
                                     "If (x>0)",
                                     "/* x must be",
                                     "positive */",
                                     "AEval(rs, {|n| n[1]*=x})",
                                     "QOut(\"OK.\")",
                                     "Endif",
                                     "Return rs"};

const char *const ModernSampleTexts[16] = {"// Modern sample",
                                           "? Sum({1, \"a\", 2})",
                                           "",
                                           "CLASS Point",
                                           "DATA nX, nY",
                                           "ENDCLASS",
                                           "",
                                           "STATIC FUNCTION Sum(a)",
                                           "LOCAL n := 0, x",
                                           "FOR EACH x IN a",
                                           "SWITCH ValType(x)",
                                           "CASE \"N\"",
                                           "n += x",
                                           "ENDSWITCH",
                                           "NEXT",
                                           "RETURN n"};

class SettingsDialog : public ::testing::Test {
protected:
  void SetUp() override {
    Folder = TestFolder("dialog");
    mkdir((Folder + "/setup").c_str(), 0755);
    StartPlugin(Folder);
  }
  std::string SettingsFile() const { return Folder + "/setup/qmate.ini"; }
  std::string Folder;
};

TEST_F(SettingsDialog, OpensWithTheHostsCentringHelpTopicAndTwentyItems) {
  EXPECT_EQ(RunDialog({Esc}), 0);
  ASSERT_EQ(SimHost.Dialogs.size(), 1u);
  const SimDialogCall &Call = SimHost.Dialogs[0];
  EXPECT_EQ(Call.X1, -1);
  EXPECT_EQ(Call.Y1, -1);
  EXPECT_EQ(Call.X2, 75);
  EXPECT_EQ(Call.Y2, 20);
  EXPECT_EQ(Call.HelpTopic, "Config");
  EXPECT_EQ(Call.Result, -1);
  ASSERT_EQ(Call.FinalItems.size(), 20u);
  EXPECT_EQ(Call.Left, 2);
  EXPECT_EQ(Call.Top, 2);
}

TEST_F(SettingsDialog, ItemsFollowTheirTemplates) {
  RunDialog({Esc});
  const std::vector<FarDialogItem> &Items = SimHost.Dialogs[0].FinalItems;
  struct Expected {
    int Type, X1, Y1, X2, Y2;
    DWORD Flags;
    int DefaultButton;
  };
  const Expected Table[20] = {
      {DI_DOUBLEBOX, 0, 0, 74, 19, 0, 0},
      {DI_TEXT, 2, 2, 0, 0, 0, 0},
      {DI_FIXEDIT, 2, 3, 3, 0, 0, 0},
      {DI_TEXT, 2, 4, 0, 0, 0, 0},
      {DI_FIXEDIT, 2, 5, 3, 0, 0, 0},
      {DI_TEXT, 2, 6, 0, 0, 0, 0},
      {DI_FIXEDIT, 2, 7, 3, 0, 0, 0},
      {DI_TEXT, 2, 8, 0, 0, 0, 0},
      {DI_FIXEDIT, 2, 9, 3, 0, 0, 0},
      {DI_TEXT, 2, 10, 0, 0, 0, 0},
      {DI_FIXEDIT, 2, 11, 3, 0, 0, 0},
      {DI_TEXT, 2, 12, 0, 0, 0, 0},
      {DI_FIXEDIT, 2, 13, 3, 0, 0, 0},
      {DI_TEXT, 2, 14, 0, 0, 0, 0},
      {DI_FIXEDIT, 2, 15, 3, 0, 0, 0},
      {DI_TEXT, 0, 17, 0, 0, 0, 0},
      {DI_BUTTON, -1, 18, -1, 0, DIF_CENTERGROUP, 1},
      {DI_BUTTON, -1, 18, -1, 0, DIF_CENTERGROUP, 0},
      {DI_VTEXT, 37, 1, 0, 0, 0, 0},
      {DI_USERCONTROL, 38, 2, 71, 16, DIF_NOFOCUS | DIF_DISABLE, 0},
  };
  for (int I = 0; I < 20; ++I) {
    const FarDialogItem &Item = Items[static_cast<std::size_t>(I)];
    const Expected &E = Table[I];
    EXPECT_EQ(Item.Type, E.Type) << "item " << I;
    if (E.X1 >= 0) { // the host places the centred buttons itself
      EXPECT_EQ(Item.X1, E.X1) << "item " << I;
    }
    EXPECT_EQ(Item.Y1, E.Y1) << "item " << I;
    if (E.X2 >= 0) {
      EXPECT_EQ(Item.X2, E.X2) << "item " << I;
    }
    EXPECT_EQ(Item.Y2, E.Y2) << "item " << I;
    EXPECT_EQ(Item.Flags, E.Flags) << "item " << I;
    EXPECT_EQ(Item.DefaultButton, E.DefaultButton) << "item " << I;
  }
  EXPECT_STREQ(Items[0].Data, MsgText(MsgConfigTitle));
  for (int I = 0; I < 7; ++I)
    EXPECT_STREQ(Items[static_cast<std::size_t>(1 + 2 * I)].Data, MsgText(MsgSettingLabel + I));
  EXPECT_STREQ(Items[16].Data, MsgText(MsgOk));
  EXPECT_STREQ(Items[17].Data, MsgText(MsgCancel));
  EXPECT_EQ(std::string(Items[15].Data),
            "\xC7" + std::string(36, '\xC4') + "\xC1" + std::string(36, '\xC4') + "\xB6");
  EXPECT_EQ(std::string(Items[18].Data), std::string(16, '\xB3') + "\xC1");
  EXPECT_STREQ(Items[19].Data, "");
  EXPECT_EQ(Items[2].Focus, 1) << "the first field has the focus";
}

TEST_F(SettingsDialog, TheFrameSeparatorAndDividerMeetOnScreen) {
  RunDialog({Esc});
  std::vector<std::string> Screen = SimScreenLines();
  EXPECT_EQ(Screen[2].substr(2, 3), "╔");
  EXPECT_NE(Screen[2].find(" Quillmate settings "), std::string::npos);
  EXPECT_EQ(Screen[19].substr(2, 3 * 3), "╟──");
  EXPECT_NE(Screen[19].find("─┴─"), std::string::npos);
  EXPECT_NE(Screen[20].find("[ OK ]  [ Cancel ]"), std::string::npos);
  const SimScreenRecord &S = SimHost.Screen;
  for (int Row = 3; Row <= 18; ++Row)
    EXPECT_EQ(S.Chars[static_cast<std::size_t>(Row * S.Width + 2 + 37)], 0xB3) << Row;
  EXPECT_EQ(S.Chars[static_cast<std::size_t>(19 * S.Width + 2 + 37)], 0xC1);
}

TEST_F(SettingsDialog, DefaultsInTheFieldsAndThePreviewColumns) {
  RunDialog({Esc});
  EXPECT_EQ(FieldTexts(), (std::vector<std::string>{"0", "0", "0", "2", "2", "-1", "-1"}));
  std::vector<PreviewLine> Lines = Preview();
  EXPECT_EQ(Columns(Lines), (std::vector<int>{0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 4, 4, 4, 4, 2, 2}));
  for (int I = 0; I < 16; ++I) {
    const PreviewLine &L = Lines[static_cast<std::size_t>(I)];
    std::string Expected(SampleTexts[I]);
    if (L.Column >= 0) {
      EXPECT_EQ(L.Text.substr(static_cast<std::size_t>(L.Column), Expected.size()), Expected);
    }
    bool Comment = I == 0 || I == 10 || I == 11;
    EXPECT_EQ(L.Colour, Comment ? 19 : 27) << "line " << I;
  }
  // "{4,7,6}}" stands under the second brace of the line before it.
  EXPECT_EQ(Lines[7].Text.find("{{") + 1, Lines[8].Text.find('{'));
  EXPECT_EQ(Lines[0].Text.size(), 34u);
}

struct LeaveCase {
  const char *Name;
  int Item;
  const char *Typed;
  const char *FieldAfter;
  std::vector<int> Columns; // of the 16 preview lines afterwards
  int Style = StyleClassic; // the rule set, whose sample the preview shows
};

class FieldLeave : public SettingsDialog, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(FieldLeave, CleansTheFieldAndRedrawsThePreview) {
  const LeaveCase &C = GetParam();
  PluginRules.Style = C.Style;
  std::vector<SimDialogAction> Script = TypeAndLeave(C.Item, C.Typed);
  Script.push_back(Esc);
  RunDialog(Script);
  EXPECT_EQ(std::string(SimHost.Dialogs[0].FinalItems[static_cast<std::size_t>(C.Item)].Data),
            C.FieldAfter)
      << C.Name;
  std::vector<PreviewLine> Lines = Preview();
  EXPECT_EQ(Columns(Lines), C.Columns) << C.Name;
  const char *const *Texts = C.Style == StyleModern ? ModernSampleTexts : SampleTexts;
  // Each line: its literal padded to 40 characters after its indentation, cut to the area.
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    std::size_t Column = static_cast<std::size_t>(std::max(Lines[I].Column, 0));
    std::string Literal = Texts[I];
    Literal.resize(40, ' ');
    EXPECT_EQ(Lines[I].Text.substr(Column), Literal.substr(0, 34 - Column))
        << C.Name << ", line " << I;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, FieldLeave,
    ::testing::Values(
        LeaveCase{"-3 into Tab becomes 0: block lines at the body's column",
                  10,
                  "-3",
                  "0",
                  {0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 2, 2, 2, 2, 2, 2}},
        LeaveCase{"-3 into Comments stays and previews as automatic",
                  12,
                  "-3",
                  "-3",
                  {0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 4, 4, 4, 4, 2, 2}},
        LeaveCase{"5 into Comments: comment lines at column 5",
                  12,
                  "5",
                  "5",
                  {5, 0, 0, 0, -1, 0, 2, 2, 7, 2, 5, 5, 4, 4, 2, 2}},
        LeaveCase{"-9 into SplitLineTab stays, automatic offset",
                  14,
                  "-9",
                  "-9",
                  {0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 4, 4, 4, 4, 2, 2}},
        LeaveCase{
            "3 into SplitLineTab", 14, "3", "3", {0, 0, 0, 0, -1, 0, 2, 2, 5, 2, 4, 4, 4, 4, 2, 2}},
        LeaveCase{
            "a letter becomes 0", 8, "a", "0", {0, 0, 0, 0, -1, 0, 0, 0, 5, 0, 2, 2, 2, 2, 0, 0}},
        LeaveCase{"-5 into GlobalTab becomes 0",
                  2,
                  "-5",
                  "0",
                  {0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 4, 4, 4, 4, 2, 2}},
        LeaveCase{"4 into GlobalTab moves every line",
                  2,
                  "4",
                  "4",
                  {4, 4, 4, 4, -1, 4, 6, 6, 11, 6, 8, 8, 8, 8, 6, 6}},
        LeaveCase{"3 into MainTab", 4, "3", "3", {3, 3, 3, 3, -1, 0, 2, 2, 7, 2, 4, 4, 4, 4, 2, 2}},
        LeaveCase{"6 into FuncTab", 6, "6", "6", {0, 0, 0, 0, -1, 6, 2, 2, 7, 2, 4, 4, 4, 4, 2, 2}},
        LeaveCase{"+3 is written back as 3",
                  10,
                  "+3",
                  "3",
                  {0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 5, 5, 5, 5, 2, 2}},
        LeaveCase{"05 is written back as 5",
                  10,
                  "05",
                  "5",
                  {0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 7, 7, 7, 7, 2, 2}},
        LeaveCase{"a blank and 7 is written back as 7",
                  10,
                  " 7",
                  "7",
                  {0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 9, 9, 9, 9, 2, 2}},
        LeaveCase{"7 and a blank is no number",
                  10,
                  "7 ",
                  "0",
                  {0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 2, 2, 2, 2, 2, 2}},
        LeaveCase{"$A is written back as 10",
                  10,
                  "$A",
                  "10",
                  {0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 12, 12, 12, 12, 2, 2}},
        LeaveCase{"only two characters fit",
                  10,
                  "123",
                  "12",
                  {0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 14, 14, 14, 14, 2, 2}},
        LeaveCase{"a sign alone becomes 0",
                  12,
                  "-",
                  "0",
                  {0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 0, 0, 4, 4, 2, 2}},
        LeaveCase{"Modern: its own sample, as the Modern rules lay it out with Tab 3",
                  10,
                  "3",
                  "3",
                  {0, 0, -1, 0, 2, 0, -1, 0, 2, 2, 5, 5, 8, 5, 2, 2},
                  StyleModern},
        LeaveCase{"Modern: 5 into Comments",
                  12,
                  "5",
                  "5",
                  {5, 0, -1, 0, 2, 0, -1, 0, 2, 2, 4, 4, 6, 4, 2, 2},
                  StyleModern}),
    [](const ::testing::TestParamInfo<LeaveCase> &Info) {
      return "Case" + std::to_string(Info.index);
    });

TEST_F(SettingsDialog, AnEmptiedFieldBecomesZero) {
  RunDialog({FocusOn(10), EditKey(SimKeyBackspace), Next, FocusOn(12), EditKey(SimKeyBackspace),
             EditKey(SimKeyBackspace), Next, Esc});
  EXPECT_EQ(FieldTexts(), (std::vector<std::string>{"0", "0", "0", "2", "0", "0", "-1"}));
  EXPECT_EQ(Columns(Preview()),
            (std::vector<int>{0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 0, 0, 2, 2, 2, 2}));
}

TEST_F(SettingsDialog, CommentsAtTheirColumnWhateverGlobalTabIs) {
  std::vector<SimDialogAction> Script = TypeAndLeave(2, "3");
  for (const SimDialogAction &A : TypeAndLeave(12, "5"))
    Script.push_back(A);
  Script.push_back(Esc);
  RunDialog(Script);
  EXPECT_EQ(Columns(Preview()),
            (std::vector<int>{5, 3, 3, 3, -1, 3, 5, 5, 10, 5, 5, 5, 7, 7, 5, 5}));
}

struct WideCase {
  int GlobalTab;
  int FirstColumn; // of "Public var, arr", -1: blanks only
};

class WideIndent : public SettingsDialog, public ::testing::WithParamInterface<WideCase> {};

TEST_P(WideIndent, ThirtyFourOrMoreGivesBlanksOnly) {
  std::vector<SimDialogAction> Script = TypeAndLeave(2, std::to_string(GetParam().GlobalTab));
  Script.push_back(Esc);
  RunDialog(Script);
  std::vector<PreviewLine> Lines = Preview();
  EXPECT_EQ(Lines[1].Column, GetParam().FirstColumn);
  for (const PreviewLine &L : Lines)
    EXPECT_EQ(L.Text.size(), 34u);
  if (GetParam().FirstColumn < 0) {
    for (int I = 1; I < 16; ++I)
      EXPECT_EQ(Lines[static_cast<std::size_t>(I)].Column, -1) << "line " << I;
    // The blanks are drawn, in the sample's colour, over what stood there.
    EXPECT_EQ(Lines[1].Colour, 27);
  }
}

INSTANTIATE_TEST_SUITE_P(Columns, WideIndent,
                         ::testing::Values(WideCase{32, 32}, WideCase{33, 33}, WideCase{34, -1},
                                           WideCase{99, -1}));

TEST_F(SettingsDialog, OkStoresAndSavesTheSevenValues) {
  std::vector<SimDialogAction> Script;
  const char *const Typed[7] = {"1", "2", "3", "4", "5", "-3", "7"};
  for (int I = 0; I < 7; ++I)
    for (const SimDialogAction &A : TypeAndLeave(NumberFields[I], Typed[I]))
      Script.push_back(A);
  Script.push_back(Ok);
  EXPECT_EQ(RunDialog(Script), 1);
  EXPECT_EQ(SimHost.Dialogs[0].Result, 16);
  EXPECT_EQ(Values(PluginSettings), (std::vector<int>{1, 2, 3, 4, 5, -3, 7}));
  EXPECT_EQ(ReadTextFile(SettingsFile()),
            "[Settings]\r\nGlobalTab=1\r\nMainTab=2\r\nTab=5\r\nFuncTab=3\r\nTextFuncTab=4\r\n"
            "Comments=-3\r\nSplitLineTab=7\r\n");
  // The next call shows the values confirmed by this one.
  RunDialog({Esc});
  EXPECT_EQ(FieldTexts(), (std::vector<std::string>{"1", "2", "3", "4", "5", "-3", "7"}));
}

TEST_F(SettingsDialog, PressingOkWithTheMouseStoresToo) {
  EXPECT_EQ(RunDialog({FocusOn(10), Typed("6"), Act(SimDialogAction::Press, "", 16)}), 1);
  EXPECT_EQ(PluginSettings.Tab, 6);
}

TEST_F(SettingsDialog, ANegativeValueThatReachesOkWithoutLeavingIsStoredUnchanged) {
  EXPECT_EQ(RunDialog({FocusOn(10), Typed("-3"), Ok}), 1);
  EXPECT_EQ(SimHost.Dialogs[0].KillFocus, std::vector<int>{2}) << "closing sends no focus loss";
  EXPECT_EQ(PluginSettings.Tab, -3);
  StartPlugin(Folder);
  EXPECT_EQ(PluginSettings.Tab, -3) << "and saved so";
}

TEST_F(SettingsDialog, ANonNumberAtOkKeepsThatSettingAndStoresTheOthers) {
  PluginSettings.Tab = 7;
  std::vector<SimDialogAction> Script = TypeAndLeave(2, "3");
  Script.push_back(FocusOn(10));
  Script.push_back(Typed("z"));
  Script.push_back(Ok);
  EXPECT_EQ(RunDialog(Script), 1);
  EXPECT_EQ(Values(PluginSettings), (std::vector<int>{3, 0, 0, 2, 7, -1, -1}));
  StartPlugin(Folder);
  EXPECT_EQ(Values(PluginSettings), (std::vector<int>{3, 0, 0, 2, 7, -1, -1}));
}

struct LeaveWithout {
  const char *Name;
  std::vector<SimDialogAction> Closing; // after the changes; none: the script runs out
};

class CancelOrEsc : public SettingsDialog, public ::testing::WithParamInterface<LeaveWithout> {};

TEST_P(CancelOrEsc, ChangesNothing) {
  const char *Before = "; mine\r\n[Settings]\r\nTab=4\r\n";
  WriteTextFile(SettingsFile(), Before);
  StartPlugin(Folder);
  PluginSettingsRecord Old = PluginSettings;
  std::vector<SimDialogAction> Script = TypeAndLeave(10, "9");
  for (const SimDialogAction &A : TypeAndLeave(2, "5"))
    Script.push_back(A);
  Script.push_back(Typed("-"));
  for (const SimDialogAction &A : GetParam().Closing)
    Script.push_back(A);
  EXPECT_EQ(RunDialog(Script), 0) << GetParam().Name;
  EXPECT_EQ(Values(PluginSettings), Values(Old));
  EXPECT_EQ(ReadTextFile(SettingsFile()), Before);
  RunDialog({Esc});
  EXPECT_EQ(FieldTexts(), (std::vector<std::string>{"0", "0", "0", "2", "4", "-1", "-1"}));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CancelOrEsc,
    ::testing::Values(LeaveWithout{"Esc", {Act(SimDialogAction::Cancel)}},
                      LeaveWithout{"Cancel button", {Act(SimDialogAction::Press, "", 17)}},
                      LeaveWithout{"Enter on Cancel", {FocusOn(17), Act(SimDialogAction::Ok)}},
                      LeaveWithout{"script runs out", {}}),
    [](const ::testing::TestParamInfo<LeaveWithout> &Info) {
      return "Case" + std::to_string(Info.index);
    });

TEST_F(SettingsDialog, EnterOnTheCancelButtonCancels) {
  EXPECT_EQ(RunDialog({FocusOn(17), Ok}), 0);
  EXPECT_EQ(SimHost.Dialogs[0].Result, 17);
}

TEST_F(SettingsDialog, TheMovedDialogDrawsItsPreviewAtTheNewPlace) {
  RunDialog({Act(SimDialogAction::Move, "", 4, 4), FocusOn(2), Typed("3"), Next, Esc});
  const SimDialogCall &Call = SimHost.Dialogs[0];
  EXPECT_EQ(Call.Left, 4);
  EXPECT_EQ(Call.Top, 4);
  std::vector<PreviewLine> Lines = PreviewAt(4, 4);
  EXPECT_EQ(Lines[0].Text.substr(3, 17), "// Sample program");
  EXPECT_EQ(Columns(Lines), (std::vector<int>{3, 3, 3, 3, -1, 3, 5, 5, 10, 5, 7, 7, 7, 7, 5, 5}));
  // Nothing is left at the old place above the new frame.
  std::vector<std::string> Screen = SimScreenLines();
  EXPECT_EQ(Screen[3].find("Sample"), std::string::npos);
  EXPECT_EQ(Screen[2].find_first_not_of(' '), std::string::npos);
}

TEST_F(SettingsDialog, ASecondMoveRedrawsThePreviewAgain) {
  RunDialog({Act(SimDialogAction::Move, "", 0, 0), Act(SimDialogAction::Move, "", 5, 3), Esc});
  std::vector<PreviewLine> Lines = PreviewAt(5, 3);
  EXPECT_EQ(Columns(Lines), (std::vector<int>{0, 0, 0, 0, -1, 0, 2, 2, 7, 2, 4, 4, 4, 4, 2, 2}));
}

TEST_F(SettingsDialog, AThreeCharacterSettingFromAHandEditedFile) {
  WriteTextFile(SettingsFile(), "[Settings]\r\nTab=100\r\nComments=-10\r\n");
  StartPlugin(Folder);
  EXPECT_EQ(RunDialog({Esc}), 0);
  EXPECT_EQ(FieldTexts(), (std::vector<std::string>{"0", "0", "0", "2", "10", "-1", "-1"}))
      << "the fixed field keeps what two columns hold";
  EXPECT_EQ(PluginSettings.Tab, 100) << "Esc keeps the setting as it was";
  EXPECT_EQ(PluginSettings.Comments, -10);
}

TEST_F(SettingsDialog, ALongLanguageTextIsCutToTheItemsTextField) {
  SimGetMsg(0, 0); // loads the language file
  SimHost.LanguageTexts[MsgConfigTitle] = std::string(700, 'T');
  SimHost.LanguageTexts[MsgSettingLabel] = std::string(511, 'L');
  RunDialog({Esc});
  const std::vector<FarDialogItem> &Items = SimHost.Dialogs[0].FinalItems;
  EXPECT_EQ(std::string(Items[0].Data), std::string(511, 'T'));
  EXPECT_EQ(std::string(Items[1].Data), std::string(511, 'L'));
  SimLoadLanguage(SimBuiltinLanguage()); // the texts outlive SimReset: put them back
}

// A host that records every message the dialog procedure sends, and may tell another place
// for the preview area.
struct MessageSpy {
  std::vector<int> GetTextLengths;
  std::vector<std::string> SetTexts;
  std::vector<int> SetTextLengths;
  int ShrinkPreviewTo = 0;
};
MessageSpy Spy;

long WINAPI SpySendDlgMessage(HANDLE Dlg, int Msg, int Param1, long Param2) {
  FarDialogItemData *Data =
      reinterpret_cast<FarDialogItemData *>(static_cast<std::intptr_t>(Param2));
  if (Msg == DM_GETTEXT)
    Spy.GetTextLengths.push_back(Data->PtrLength);
  if (Msg == DM_SETTEXT) {
    Spy.SetTexts.push_back(Data->PtrData);
    Spy.SetTextLengths.push_back(Data->PtrLength);
  }
  long Reply = SimSendDlgMessage(Dlg, Msg, Param1, Param2);
  if (Msg == DM_GETDLGITEM && Param1 == 19 && Spy.ShrinkPreviewTo > 0) {
    FarDialogItem *Item = reinterpret_cast<FarDialogItem *>(static_cast<std::intptr_t>(Param2));
    Item->X2 = Item->X1 + Spy.ShrinkPreviewTo - 1;
  }
  return Reply;
}

TEST_F(SettingsDialog, FieldTextsAreFetchedWithABoundedLength) {
  Spy = MessageSpy();
  HostServices.SendDlgMessage = SpySendDlgMessage;
  std::vector<SimDialogAction> Script = TypeAndLeave(10, "+3");
  Script.push_back(Esc);
  RunDialog(Script);
  HostServices.SendDlgMessage = SimSendDlgMessage;
  ASSERT_FALSE(Spy.GetTextLengths.empty());
  for (int Length : Spy.GetTextLengths)
    EXPECT_EQ(Length, 19);
  // The first field loses the focus to the Tab field, which then loses it to the next.
  EXPECT_EQ(Spy.SetTexts, (std::vector<std::string>{"0", "3"}));
  EXPECT_EQ(Spy.SetTextLengths, (std::vector<int>{2, 2})) << "the terminating zero counted";
}

TEST_F(SettingsDialog, ThePreviewWidthComesFromTheHostAtEveryDrawing) {
  Spy = MessageSpy();
  Spy.ShrinkPreviewTo = 10;
  HostServices.SendDlgMessage = SpySendDlgMessage;
  RunDialog({Esc});
  HostServices.SendDlgMessage = SimSendDlgMessage;
  std::vector<PreviewLine> Lines = Preview();
  EXPECT_EQ(Lines[0].Text, "// Sample" + std::string(25, ' '));
  EXPECT_EQ(Lines[12].Text, "    AEval(" + std::string(24, ' '));
}

TEST_F(SettingsDialog, TheCommandMenusSettingsEntryRunsItAndShowsTheMenuAgain) {
  SimHost.DialogScripts.push_back({FocusOn(10), Typed("4"), Ok});
  RunMenu("x\n", {6, -1});
  EXPECT_EQ(SimHost.Dialogs.size(), 1u);
  EXPECT_EQ(SimHost.Menus.size(), 2u);
  EXPECT_EQ(PluginSettings.Tab, 4);
}

// The simulated engine itself, with a dialog of its own.
TEST(SimulatedDialog, FocusSkipsItemsThatTakeNoneAndWraps) {
  SimReset();
  FarDialogItem Items[5];
  std::memset(Items, 0, sizeof(Items));
  Items[0].Type = DI_DOUBLEBOX;
  Items[0].X2 = 19;
  Items[0].Y2 = 5;
  Items[1] = Items[2] = Items[3] = Items[4] = FarDialogItem();
  for (int I = 1; I < 5; ++I) {
    Items[I].Type = DI_FIXEDIT;
    Items[I].X1 = 2;
    Items[I].X2 = 3;
    Items[I].Y1 = I;
  }
  Items[2].Flags = DIF_DISABLE;
  Items[3].Flags = DIF_NOFOCUS;
  SimHost.DialogScripts.push_back({Next, Typed("ab"), Next, Typed("cde"), Ok});
  int Result = SimDialogEx(0, -1, -1, 20, 6, "", Items, 5, 0, 0, nullptr, 0);
  EXPECT_EQ(Result, 1) << "Enter without a default button closes on the focused item";
  EXPECT_STREQ(Items[4].Data, "ab");
  EXPECT_STREQ(Items[1].Data, "cd") << "a fixed field holds no more than its width";
  EXPECT_EQ(SimHost.Dialogs[0].Left, 30);
  EXPECT_EQ(SimHost.Dialogs[0].Top, 9);
}

// What a dialog procedure of the tests' own learnt from the host while the dialog was open.
struct EngineProbe {
  bool Asked = false;
  std::string Bounded, Whole, AfterSet;
  long BoundedLength = 0, SetLength = 0, MissingItem = 1, UnknownHandle = 1;
  SmallRect Rect{0, 0, 0, 0};
  int RedirectTo = -1; // DN_KILLFOCUS answer for item 1, -1 to let the focus move
};
EngineProbe Probe;

long Call(HANDLE Dlg, int Msg, int Param1, void *Param2) {
  return SimSendDlgMessage(Dlg, Msg, Param1,
                           static_cast<long>(reinterpret_cast<std::intptr_t>(Param2)));
}

long WINAPI ProbeProc(HANDLE Dlg, int Msg, int Param1, long Param2) {
  if (Msg == DN_DRAWDIALOG && !Probe.Asked) {
    Probe.Asked = true;
    char Buffer[64];
    FarDialogItemData Data{5, Buffer};
    Probe.BoundedLength = Call(Dlg, DM_GETTEXT, 1, &Data);
    Probe.Bounded = Buffer;
    Data.PtrLength = 0;
    Call(Dlg, DM_GETTEXT, 1, &Data);
    Probe.Whole = Buffer;
    char Text[] = "12345";
    FarDialogItemData Set{0, Text};
    Probe.SetLength = Call(Dlg, DM_SETTEXT, 2, &Set);
    Data.PtrLength = 0;
    Call(Dlg, DM_GETTEXT, 2, &Data);
    Probe.AfterSet = Buffer;
    FarDialogItem Item;
    Probe.MissingItem = Call(Dlg, DM_GETDLGITEM, 9, &Item);
    Call(Dlg, DM_GETDLGRECT, 0, &Probe.Rect);
    Probe.UnknownHandle = Call(&Probe, DM_GETTEXT, 1, &Data);
  }
  if (Msg == DN_KILLFOCUS && Param1 == 1 && Probe.RedirectTo >= 0)
    return Probe.RedirectTo;
  return SimDefDlgProc(Dlg, Msg, Param1, Param2);
}

std::vector<FarDialogItem> ProbeItems() {
  std::vector<FarDialogItem> Items(4);
  std::memset(Items.data(), 0, Items.size() * sizeof(FarDialogItem));
  Items[0].Type = DI_DOUBLEBOX;
  Items[0].X2 = 29;
  Items[0].Y2 = 5;
  Items[1].Type = DI_EDIT;
  Items[1].X1 = 2;
  Items[1].X2 = 20;
  Items[1].Y1 = 1;
  std::strcpy(Items[1].Data, "a long text of thirty letters!");
  for (int I = 2; I < 4; ++I) {
    Items[static_cast<std::size_t>(I)].Type = DI_FIXEDIT;
    Items[static_cast<std::size_t>(I)].X1 = 2;
    Items[static_cast<std::size_t>(I)].X2 = 3;
    Items[static_cast<std::size_t>(I)].Y1 = I;
  }
  return Items;
}

TEST(SimulatedDialog, AnswersTheTextAndPlaceMessagesAsTheHostDoes) {
  SimReset();
  Probe = EngineProbe();
  std::vector<FarDialogItem> Items = ProbeItems();
  SimHost.DialogScripts.push_back({Esc});
  EXPECT_EQ(SimDialogEx(0, 10, 3, 39, 8, "", Items.data(), 4, 0, 0, ProbeProc, 0), -1);
  ASSERT_TRUE(Probe.Asked);
  EXPECT_EQ(Probe.Bounded, "a lon") << "a positive length bounds the copy";
  EXPECT_EQ(Probe.BoundedLength, 5);
  EXPECT_EQ(Probe.Whole, "a long text of thirty letters!") << "0 copies the whole text";
  EXPECT_EQ(Probe.AfterSet, "12") << "a fixed field keeps what its two columns hold";
  EXPECT_EQ(Probe.SetLength, 2);
  EXPECT_EQ(Probe.MissingItem, 0);
  EXPECT_EQ(Probe.UnknownHandle, 0) << "a handle that names no open dialog";
  EXPECT_EQ(Probe.Rect.Left, 10);
  EXPECT_EQ(Probe.Rect.Top, 3);
  EXPECT_EQ(Probe.Rect.Right, 39);
  EXPECT_EQ(Probe.Rect.Bottom, 8);
  EXPECT_STREQ(Items[2].Data, "12") << "the final text is in the caller's array";
}

struct RedirectCase {
  int Reply;     // DN_KILLFOCUS answer for the edit field
  int FocusedAt; // the item that then holds the typed text
};

class KillFocusReply : public ::testing::TestWithParam<RedirectCase> {};

TEST_P(KillFocusReply, MovesTheFocusOrSendsItElsewhere) {
  SimReset();
  Probe = EngineProbe();
  Probe.RedirectTo = GetParam().Reply;
  std::vector<FarDialogItem> Items = ProbeItems();
  SimHost.DialogScripts.push_back({Next, Typed("7"), Esc});
  SimDialogEx(0, -1, -1, 30, 6, "", Items.data(), 4, 0, 0, ProbeProc, 0);
  for (int I = 1; I < 4; ++I) {
    bool Typed = std::string(Items[static_cast<std::size_t>(I)].Data) == "7";
    EXPECT_EQ(Typed, I == GetParam().FocusedAt) << "item " << I;
  }
}

INSTANTIATE_TEST_SUITE_P(Replies, KillFocusReply,
                         ::testing::Values(RedirectCase{-1, 2}, RedirectCase{3, 3},
                                           RedirectCase{1, 1}, RedirectCase{0, 2}));

} // namespace
