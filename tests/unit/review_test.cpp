// Call-for-call traces of what the plug-in asks of its host: every editor command with its
// record's fields, every menu, message box and dialog with its arguments, and the settings
// dialog handler's messages, checked against the sequences the plug-in is meant to make; and
// the command-line tool's handling of its setup folder and of files that are pipes.
#include "../../cli/verbs.hpp"
#include "../../src/host/keys.hpp"
#include "../../src/host/session.hpp"
#include "../../src/settings/dialog.hpp"
#include "harness.hpp"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Trace;
// The answers the traced menu gives, in order; Esc when they run out.
std::vector<int> MenuScript;
int DialogAnswer = -1;

std::string Quoted(const char *Text, int Length) {
  std::string Out = "'";
  for (int I = 0; I < Length; ++I) {
    unsigned char C = static_cast<unsigned char>(Text[I]);
    if (C == '\r')
      Out += "\\r";
    else if (C == '\n')
      Out += "\\n";
    else if (C < 32 || C > 126) {
      char Hex[8];
      std::snprintf(Hex, sizeof(Hex), "\\x%02X", C);
      Out += Hex;
    } else
      Out += static_cast<char>(C);
  }
  return Out + "'";
}

std::string Quoted(const char *Text) {
  return Text ? Quoted(Text, static_cast<int>(std::strlen(Text))) : "null";
}

std::string Numbers(std::initializer_list<long long> Values) {
  std::string Out;
  for (long long V : Values)
    Out += (Out.empty() ? "" : ",") + std::to_string(V);
  return Out;
}

// Texts by number that show their number, so a trace names the MessageId it was handed.
const char *WINAPI NumberedMsg(int, int Id) {
  static std::string Texts[64];
  if (Id < 0 || Id >= 64)
    return "#?";
  Texts[Id] = "#" + std::to_string(Id);
  return Texts[Id].c_str();
}

int WINAPI TracedEditorControl(int Command, void *Param) {
  switch (Command) {
  case ECTL_GETINFO:
    Trace.push_back("GETINFO");
    break;
  case ECTL_SETPOSITION: {
    const EditorSetPosition *P = static_cast<const EditorSetPosition *>(Param);
    Trace.push_back("SETPOS " + Numbers({P->CurLine, P->CurPos, P->CurTabPos, P->TopScreenLine,
                                         P->LeftPos, P->Overtype}));
    break;
  }
  case ECTL_GETSTRING:
    Trace.push_back("GETSTRING " +
                    std::to_string(static_cast<const EditorGetString *>(Param)->StringNumber));
    break;
  case ECTL_SETSTRING: {
    const EditorSetString *S = static_cast<const EditorSetString *>(Param);
    Trace.push_back("SETSTRING " + std::to_string(S->StringNumber) + " " +
                    Quoted(S->StringText, S->StringLength) + " " + Quoted(S->StringEOL));
    break;
  }
  case ECTL_INSERTSTRING:
    Trace.push_back("INSERT");
    break;
  case ECTL_DELETESTRING:
    Trace.push_back("DELETE");
    break;
  case ECTL_PROCESSKEY: {
    char Hex[16];
    std::snprintf(Hex, sizeof(Hex), "0x%08X",
                  static_cast<unsigned>(reinterpret_cast<std::intptr_t>(Param)));
    Trace.push_back(std::string("KEY ") + Hex);
    break;
  }
  default:
    Trace.push_back("EDITOR " + std::to_string(Command));
  }
  return SimEditorControl(Command, Param);
}

int WINAPI TracedMenu(int PluginNumber, int X, int Y, int MaxHeight, DWORD Flags, const char *Title,
                      const char *Bottom, const char *HelpTopic, const int *BreakKeys,
                      int *BreakCode, const FarMenuItem *Item, int ItemsNumber) {
  std::string Line = "MENU " + Numbers({PluginNumber, X, Y, MaxHeight, Flags}) + " " +
                     Quoted(Title) + " " + Quoted(Bottom) + " " + Quoted(HelpTopic) + " " +
                     (BreakKeys ? "keys" : "nokeys") + " " + (BreakCode ? "code" : "nocode") + " " +
                     std::to_string(ItemsNumber);
  for (int I = 0; I < ItemsNumber; ++I)
    Line += " [" + Quoted(Item[I].Text) +
            Numbers({Item[I].Selected, Item[I].Checked, Item[I].Separator}) + "]";
  Trace.push_back(Line);
  int Answer = -1;
  if (!MenuScript.empty()) {
    Answer = MenuScript.front();
    MenuScript.erase(MenuScript.begin());
  }
  return Answer;
}

int WINAPI TracedMessage(int PluginNumber, DWORD Flags, const char *HelpTopic,
                         const char *const *Items, int ItemsNumber, int ButtonsNumber) {
  std::string Line = "MESSAGE " + Numbers({PluginNumber, Flags}) + " " + Quoted(HelpTopic);
  for (int I = 0; I < ItemsNumber; ++I)
    Line += " " + Quoted(Items[I]);
  Trace.push_back(Line + " " + std::to_string(ButtonsNumber));
  return 0;
}

// The item array as the plug-in handed it to the host.
std::vector<FarDialogItem> HandedItems;

int WINAPI TracedDialogEx(int PluginNumber, int X1, int Y1, int X2, int Y2, const char *HelpTopic,
                          FarDialogItem *Items, int ItemsNumber, DWORD Reserved, DWORD Flags,
                          FARWINDOWPROC DlgProc, long Param) {
  Trace.push_back("DIALOG " + Numbers({PluginNumber, X1, Y1, X2, Y2}) + " " + Quoted(HelpTopic) +
                  " " + Numbers({ItemsNumber, Reserved, Flags, Param}) +
                  (DlgProc == SettingsDlgProc ? " SettingsDlgProc" : " other"));
  HandedItems.assign(Items, Items + ItemsNumber);
  return DialogAnswer;
}

const int TracedModule = 77;

// Starts the plug-in, then puts the tracing services into its copy of the service table.
void StartTraced() {
  StartPlugin();
  Trace.clear();
  MenuScript.clear();
  DialogAnswer = -1;
  HostServices.ModuleNumber = TracedModule;
  HostServices.EditorControl = TracedEditorControl;
  HostServices.Menu = TracedMenu;
  HostServices.Message = TracedMessage;
  HostServices.GetMsg = NumberedMsg;
  HostServices.DialogEx = TracedDialogEx;
}

const std::string CommandMenuCall = "MENU 77,-1,-1,0,6 '#5' null 'Contents' nokeys nocode 7"
                                    " ['1. #8'0,0,0] ['2. #9'0,0,0] ['3. #10'0,0,0]"
                                    " ['4. #11'0,0,0] ['5. #12'0,0,0] [''0,0,1] ['6. #13'0,0,0]";

struct TraceCase {
  const char *Name;
  const char *Text;
  const char *FileName;
  int CursorLine, CursorPos;
  int MarkFirst, MarkLast; // -1: no block
  std::vector<int> Menus;
  std::vector<std::string> Expected;
};

class HostCallTrace : public ::testing::TestWithParam<TraceCase> {};

TEST_P(HostCallTrace, IsExactlyTheExpectedSequence) {
  const TraceCase &C = GetParam();
  StartTraced();
  SimLoadText(C.Text, C.FileName);
  SimSetCursor(C.CursorLine, C.CursorPos);
  if (C.MarkFirst >= 0)
    SimMarkLines(C.MarkFirst, C.MarkLast);
  MenuScript = C.Menus;
  HANDLE Result = OpenPlugin(OPEN_EDITOR, 0);
  EXPECT_EQ(Result, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Trace, C.Expected);
}

const std::string NoChange = "SETPOS -1,-1,-1,-1,-1,-1";

INSTANTIATE_TEST_SUITE_P(
    Commands, HostCallTrace,
    ::testing::Values(
        // Esc in the command menu of a file of another type: the warning, the menu, the restore.
        TraceCase{"EscOnOtherFileType",
                  "a\nb\nc",
                  "notes.txt",
                  1,
                  3,
                  -1,
                  -1,
                  {-1},
                  {"GETINFO", "MESSAGE 77,0 'Contents' '#4' '#2' '#0' 1", CommandMenuCall,
                   "SETPOS 1,3,-1,1,0,-1"}},
        // Comment on lines 2 to 3: the line above read by number (whether it ends at a lone
        // CR); each marked line read at the cursor, written with its own end of line; the line
        // where the block ends is read and left; then the restore.
        TraceCase{"CommentTwoLines",
                  "a\r\n  b\r\n//c\r\nd",
                  "T.PRG",
                  0,
                  0,
                  1,
                  2,
                  {2},
                  {"GETINFO", CommandMenuCall, "GETSTRING 0", "SETPOS 1,-1,-1,-1,-1,-1",
                   "GETSTRING -1", "SETSTRING 1 '//  b' '\\r\\n'", "SETPOS 2,-1,-1,-1,-1,-1",
                   "GETSTRING -1", "SETPOS 3,-1,-1,-1,-1,-1", "GETSTRING -1",
                   "SETPOS 0,0,-1,0,0,-1"}},
        // Uncomment of the final line, which has no end of line, keeps it without one.
        TraceCase{"UncommentFinalLine",
                  "a\n  // y",
                  "T.PRG",
                  0,
                  0,
                  1,
                  1,
                  {3},
                  {"GETINFO", CommandMenuCall, "GETSTRING 0", "SETPOS 1,-1,-1,-1,-1,-1",
                   "GETSTRING -1", "SETSTRING 1 '   y' ''", "SETPOS 0,0,-1,0,0,-1"}},
        // Comment without a block: the warning only, no line read, then the restore.
        TraceCase{"CommentWithoutBlock",
                  "a\nb",
                  "T.PRG",
                  1,
                  1,
                  -1,
                  -1,
                  {2},
                  {"GETINFO", CommandMenuCall, "MESSAGE 77,1 'Contents' '#3' '#6' '#0' 1",
                   "SETPOS 1,1,-1,1,0,-1"}},
        // The navigator's jump: the whole file walked (the block ignored), the list with the
        // header around the cursor selected, the header at the top with the cursor at column
        // 0, the two keys, the view back to column 0, and no restore afterwards.
        TraceCase{"NavigatorJump",
                  "x\nPROC a\n  func b\ny",
                  "T.PRG",
                  3,
                  0,
                  0,
                  0,
                  {1, 1},
                  {"GETINFO", CommandMenuCall, "SETPOS 0,-1,-1,-1,-1,-1", "GETSTRING -1",
                   "SETPOS 1,-1,-1,-1,-1,-1", "GETSTRING -1", "SETPOS 2,-1,-1,-1,-1,-1",
                   "GETSTRING -1", "SETPOS 3,-1,-1,-1,-1,-1", "GETSTRING -1",
                   "MENU 77,-1,-1,0,4 '#9' null 'Contents' nokeys nocode 2 [' 1. PROC a'0,0,0]"
                   " [' 2.   func b'1,0,0]",
                   "SETPOS 2,0,-1,2,-1,-1", "KEY 0x05000127", "KEY 0x01000127",
                   "SETPOS -1,-1,-1,-1,0,-1"}},
        // Esc in the procedure list: the navigator's own restore, none by OpenPlugin.
        TraceCase{"NavigatorEsc",
                  "PROC a\ny",
                  "T.PRG",
                  1,
                  1,
                  -1,
                  -1,
                  {1, -1},
                  {"GETINFO", CommandMenuCall, "SETPOS 0,-1,-1,-1,-1,-1", "GETSTRING -1",
                   "SETPOS 1,-1,-1,-1,-1,-1", "GETSTRING -1",
                   "MENU 77,-1,-1,0,4 '#9' null 'Contents' nokeys nocode 1 [' 1. PROC a'1,0,0]",
                   "SETPOS 1,1,-1,1,0,-1"}},
        // No header: the notice, then the navigator's restore, and nothing more.
        TraceCase{"NavigatorWithoutHeaders",
                  "x\ny",
                  "T.PRG",
                  1,
                  0,
                  -1,
                  -1,
                  {1},
                  {"GETINFO", CommandMenuCall, "SETPOS 0,-1,-1,-1,-1,-1", "GETSTRING -1",
                   "SETPOS 1,-1,-1,-1,-1,-1", "GETSTRING -1",
                   "MESSAGE 77,0 'Contents' '#4' '#7' '#0' 1", "SETPOS 1,0,-1,1,0,-1"}},
        // The settings entry: the dialog, then the menu again with no restore between; Esc
        // there restores once.
        TraceCase{"SettingsThenEsc",
                  "x",
                  "T.CH",
                  0,
                  0,
                  -1,
                  -1,
                  {6, -1},
                  {"GETINFO", CommandMenuCall,
                   "DIALOG 77,-1,-1,75,20 'Config' 20,0,0,0 SettingsDlgProc", CommandMenuCall,
                   "SETPOS 0,0,-1,0,0,-1"}},
        // The annotator over the whole file: a closing word alone gets the opener's remainder,
        // its trailing blanks dropped, its own end of line kept.
        TraceCase{"AnnotateWholeFile",
                  "IF a\r\nENDIF  \r\n",
                  "T.PRG",
                  0,
                  0,
                  -1,
                  -1,
                  {4},
                  {"GETINFO", CommandMenuCall, "SETPOS 0,-1,-1,-1,-1,-1", "GETSTRING -1",
                   "SETPOS 1,-1,-1,-1,-1,-1", "GETSTRING -1", "SETSTRING 1 'ENDIF   // a' '\\r\\n'",
                   "SETPOS 2,-1,-1,-1,-1,-1", "GETSTRING -1", "SETPOS 0,0,-1,0,0,-1"}}),
    [](const ::testing::TestParamInfo<TraceCase> &Info) { return std::string(Info.param.Name); });

// The twenty items exactly as described: type, corners, focus, selection, flags, default
// button and text, with the fields holding the settings in effect.
TEST(SettingsDialogItems, AreHandedToTheHostExactlyAsDescribed) {
  StartTraced();
  PluginSettings = {1, 0, 3, 2, 4, -1, 12};
  HandedItems.clear();
  EXPECT_EQ(Configure(0), 0);
  ASSERT_EQ(HandedItems.size(), 20u);
  const std::string Separator =
      "\xC7" + std::string(36, '\xC4') + "\xC1" + std::string(36, '\xC4') + "\xB6";
  const std::string Divider = std::string(16, '\xB3') + "\xC1";
  const struct {
    int Type, X1, Y1, X2, Y2, Focus, Selected;
    DWORD Flags;
    int DefaultButton;
    std::string Text;
  } Table[20] = {
      {DI_DOUBLEBOX, 0, 0, 74, 19, 0, 0, 0, 0, "#14"},
      {DI_TEXT, 2, 2, 0, 0, 0, 0, 0, 0, "#15"},
      {DI_FIXEDIT, 2, 3, 3, 0, 1, 0, 0, 0, "1"},
      {DI_TEXT, 2, 4, 0, 0, 0, 0, 0, 0, "#16"},
      {DI_FIXEDIT, 2, 5, 3, 0, 1, 0, 0, 0, "0"},
      {DI_TEXT, 2, 6, 0, 0, 0, 0, 0, 0, "#17"},
      {DI_FIXEDIT, 2, 7, 3, 0, 1, 0, 0, 0, "3"},
      {DI_TEXT, 2, 8, 0, 0, 0, 0, 0, 0, "#18"},
      {DI_FIXEDIT, 2, 9, 3, 0, 1, 0, 0, 0, "2"},
      {DI_TEXT, 2, 10, 0, 0, 0, 0, 0, 0, "#19"},
      {DI_FIXEDIT, 2, 11, 3, 0, 1, 0, 0, 0, "4"},
      {DI_TEXT, 2, 12, 0, 0, 0, 0, 0, 0, "#20"},
      {DI_FIXEDIT, 2, 13, 3, 0, 1, 0, 0, 0, "-1"},
      {DI_TEXT, 2, 14, 0, 0, 0, 0, 0, 0, "#21"},
      {DI_FIXEDIT, 2, 15, 3, 0, 1, 0, 0, 0, "12"},
      {DI_TEXT, 0, 17, 0, 0, 0, 0, 0, 0, Separator},
      {DI_BUTTON, 2, 18, 0, 0, 0, 0, DIF_CENTERGROUP, 1, "#0"},
      {DI_BUTTON, 2, 18, 0, 0, 0, 0, DIF_CENTERGROUP, 0, "#1"},
      {DI_VTEXT, 37, 1, 0, 0, 0, 0, 0, 0, Divider},
      {DI_USERCONTROL, 38, 2, 71, 16, 0, 0, DIF_NOFOCUS | DIF_DISABLE, 0, ""},
  };
  for (int I = 0; I < 20; ++I) {
    const FarDialogItem &Item = HandedItems[static_cast<std::size_t>(I)];
    EXPECT_EQ(Numbers({Item.Type, Item.X1, Item.Y1, Item.X2, Item.Y2, Item.Focus, Item.Selected,
                       Item.Flags, Item.DefaultButton}),
              Numbers({Table[I].Type, Table[I].X1, Table[I].Y1, Table[I].X2, Table[I].Y2,
                       Table[I].Focus, Table[I].Selected, Table[I].Flags, Table[I].DefaultButton}))
        << "item " << I;
    EXPECT_EQ(std::string(Item.Data), Table[I].Text) << "item " << I;
  }
  // Esc: nothing stored.
  EXPECT_EQ(PluginSettings.FuncTab, 3);
}

// The settings dialog handler, driven message by message against a host that records what it
// is asked and holds the fields' texts.
std::string FieldTexts[20];
std::vector<std::string> DialogTrace;

long WINAPI RecordingDefDlgProc(HANDLE, int Msg, int Param1, long Param2) {
  DialogTrace.push_back("DEF " + Numbers({Msg, Param1, Param2}));
  return Msg == DN_KILLFOCUS ? -1 : 1;
}

long WINAPI RecordingSendDlgMessage(HANDLE, int Msg, int Param1, long Param2) {
  void *Data = reinterpret_cast<void *>(static_cast<std::intptr_t>(Param2));
  switch (Msg) {
  case DM_GETTEXT: {
    FarDialogItemData *D = static_cast<FarDialogItemData *>(Data);
    DialogTrace.push_back("GETTEXT " + Numbers({Param1, D->PtrLength}));
    std::string Text = FieldTexts[Param1].substr(0, static_cast<std::size_t>(D->PtrLength));
    std::memcpy(D->PtrData, Text.c_str(), Text.size() + 1);
    return static_cast<long>(Text.size());
  }
  case DM_SETTEXT: {
    const FarDialogItemData *D = static_cast<const FarDialogItemData *>(Data);
    DialogTrace.push_back("SETTEXT " + Numbers({Param1, D->PtrLength}) + " " + Quoted(D->PtrData));
    FieldTexts[Param1] = D->PtrData;
    return static_cast<long>(FieldTexts[Param1].size());
  }
  case DM_GETDLGRECT: {
    SmallRect *R = static_cast<SmallRect *>(Data);
    DialogTrace.push_back("GETDLGRECT " + std::to_string(Param1));
    *R = SmallRect{3, 2, 77, 21};
    return 1;
  }
  case DM_GETDLGITEM: {
    FarDialogItem *Item = static_cast<FarDialogItem *>(Data);
    DialogTrace.push_back("GETDLGITEM " + std::to_string(Param1));
    std::memset(Item, 0, sizeof(*Item));
    Item->Type = DI_USERCONTROL;
    Item->X1 = 38;
    Item->Y1 = 2;
    Item->X2 = 71;
    Item->Y2 = 16;
    return 1;
  }
  default:
    DialogTrace.push_back("SEND " + Numbers({Msg, Param1}));
    return 0;
  }
}

void WINAPI RecordingText(int X, int Y, int Color, const char *Str) {
  DialogTrace.push_back("TEXT " + Numbers({X, Y, Color}) + " " + Quoted(Str));
}

void SetUpDialogHost() {
  StartPlugin();
  HostServices.DefDlgProc = RecordingDefDlgProc;
  HostServices.SendDlgMessage = RecordingSendDlgMessage;
  HostServices.Text = RecordingText;
  const char *Defaults[7] = {"0", "0", "0", "2", "2", "-1", "-1"};
  for (int I = 0; I < 20; ++I)
    FieldTexts[I].clear();
  for (int F = 0; F < 7; ++F)
    FieldTexts[2 + 2 * F] = Defaults[F];
  DialogTrace.clear();
}

// What one drawing of the preview asks: the place, the seven fields, the sixteen lines.
std::vector<std::string> PreviewCalls(const std::vector<std::string> &Lines) {
  std::vector<std::string> Calls = {"GETDLGRECT 0", "GETDLGITEM 19"};
  for (int F = 0; F < 7; ++F)
    Calls.push_back("GETTEXT " + Numbers({2 + 2 * F, 19}));
  const int Colours[16] = {19, 27, 27, 27, 27, 27, 27, 27, 27, 27, 19, 19, 27, 27, 27, 27};
  for (int I = 0; I < 16; ++I)
    Calls.push_back("TEXT " + Numbers({3 + 38 + 1, 2 + 2 - 1 + I, Colours[I]}) + " '" + Lines[I] +
                    "'");
  return Calls;
}

std::string Cell(int Indent, const std::string &Literal) {
  std::string Text = std::string(static_cast<std::size_t>(Indent), ' ') + Literal;
  Text.resize(static_cast<std::size_t>(Indent) + 40, ' ');
  Text.resize(34, ' ');
  return Text;
}

// The sample with the defaults: main program and header at 0, body at 2, block at 4,
// continuation at 7.
std::vector<std::string> DefaultSample() {
  return {Cell(0, "// Sample program"),
          Cell(0, "Public var, arr"),
          Cell(0, "var:=500"),
          Cell(0, "arr:=fill(var)"),
          Cell(0, ""),
          Cell(0, "Function fill(x)"),
          Cell(2, "Local rs"),
          Cell(2, "rs:={{2,5,1}, ;"),
          Cell(7, "{4,7,6}}"),
          Cell(2, "If (x>0)"),
          Cell(4, "/* x must be"),
          Cell(4, "positive */"),
          Cell(4, "AEval(rs, {|n| n[1]*=x})"),
          Cell(4, "QOut(\"OK.\")"),
          Cell(2, "Endif"),
          Cell(2, "Return rs")};
}

struct HandlerCase {
  const char *Name;
  int Msg;
  int Param1;
  const char *FieldText; // put into field Param1 first, when Param1 is a field
  long Reply;
  std::vector<std::string> Before; // the calls before a preview drawing
  bool Draws;                      // a preview drawing follows
  const char *FieldAfter;          // the field's text afterwards, or null
  std::vector<std::string> Sample; // the lines drawn, when not the defaults
};

class SettingsHandler : public ::testing::TestWithParam<HandlerCase> {};

TEST_P(SettingsHandler, AsksTheHostExactlyThis) {
  const HandlerCase &C = GetParam();
  SetUpDialogHost();
  if (C.FieldText && C.Param1 >= 0 && C.Param1 < 20)
    FieldTexts[C.Param1] = C.FieldText;
  long Reply = SettingsDlgProc(reinterpret_cast<HANDLE>(0x1234), C.Msg, C.Param1, 0);
  EXPECT_EQ(Reply, C.Reply);
  std::vector<std::string> Expected = C.Before;
  if (C.Draws) {
    std::vector<std::string> Drawn = PreviewCalls(C.Sample.empty() ? DefaultSample() : C.Sample);
    Expected.insert(Expected.end(), Drawn.begin(), Drawn.end());
  }
  EXPECT_EQ(DialogTrace, Expected);
  if (C.FieldAfter) {
    EXPECT_EQ(FieldTexts[C.Param1], C.FieldAfter);
  }
}

std::string Def(int Msg, int Param1) {
  return "DEF " + Numbers({Msg, Param1, 0});
}

std::vector<std::string> TabZeroSample() {
  std::vector<std::string> S = DefaultSample();
  S[10] = Cell(2, "/* x must be");
  S[11] = Cell(2, "positive */");
  S[12] = Cell(2, "AEval(rs, {|n| n[1]*=x})");
  S[13] = Cell(2, "QOut(\"OK.\")");
  return S;
}

INSTANTIATE_TEST_SUITE_P(
    Notifications, SettingsHandler,
    ::testing::Values(
        HandlerCase{"DrawPreviewArea",
                    DN_DRAWDLGITEM,
                    19,
                    nullptr,
                    1,
                    {Def(DN_DRAWDLGITEM, 19)},
                    true,
                    nullptr,
                    {}},
        HandlerCase{"DrawOtherItem",
                    DN_DRAWDLGITEM,
                    18,
                    nullptr,
                    1,
                    {Def(DN_DRAWDLGITEM, 18)},
                    false,
                    nullptr,
                    {}},
        // A negative Tab becomes 0: written back with its zero counted, the block moves left.
        HandlerCase{"TabLosesFocus",
                    DN_KILLFOCUS,
                    10,
                    "-3",
                    -1,
                    {Def(DN_KILLFOCUS, 10), "GETTEXT 10,19", "SETTEXT 10,2 '0'"},
                    true,
                    "0",
                    TabZeroSample()},
        // Comments keeps a negative value, which the preview takes as the automatic form.
        HandlerCase{"CommentsKeepNegative",
                    DN_KILLFOCUS,
                    12,
                    "-3",
                    -1,
                    {Def(DN_KILLFOCUS, 12), "GETTEXT 12,19", "SETTEXT 12,3 '-3'"},
                    true,
                    "-3",
                    {}},
        HandlerCase{"HexBecomesDecimal",
                    DN_KILLFOCUS,
                    8,
                    "x2",
                    -1,
                    {Def(DN_KILLFOCUS, 8), "GETTEXT 8,19", "SETTEXT 8,2 '2'"},
                    true,
                    "2",
                    {}},
        HandlerCase{"LetterBecomesZero",
                    DN_KILLFOCUS,
                    14,
                    "q",
                    -1,
                    {Def(DN_KILLFOCUS, 14), "GETTEXT 14,19", "SETTEXT 14,2 '0'"},
                    true,
                    "0",
                    [] {
                      std::vector<std::string> S = DefaultSample();
                      S[8] = Cell(2, "{4,7,6}}");
                      return S;
                    }()},
        // Items that are no number field: the default handler's reply and nothing else.
        HandlerCase{"LabelLosesFocus",
                    DN_KILLFOCUS,
                    1,
                    nullptr,
                    -1,
                    {Def(DN_KILLFOCUS, 1)},
                    false,
                    nullptr,
                    {}},
        HandlerCase{"ButtonLosesFocus",
                    DN_KILLFOCUS,
                    16,
                    nullptr,
                    -1,
                    {Def(DN_KILLFOCUS, 16)},
                    false,
                    nullptr,
                    {}},
        HandlerCase{"NegativeItemLosesFocus",
                    DN_KILLFOCUS,
                    -2,
                    nullptr,
                    -1,
                    {Def(DN_KILLFOCUS, -2)},
                    false,
                    nullptr,
                    {}},
        HandlerCase{"OtherNotification",
                    DN_GOTFOCUS,
                    2,
                    nullptr,
                    1,
                    {Def(DN_GOTFOCUS, 2)},
                    false,
                    nullptr,
                    {}}),
    [](const ::testing::TestParamInfo<HandlerCase> &Info) { return std::string(Info.param.Name); });

// The command-line tool, through its own entry point, with its output captured.
std::string RunQmate(const std::vector<std::string> &Args, int &Status, std::string &Errors) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  Status = RunCommandLine(Args, QMATE_BINARY_DIR "/qmate");
  Errors = testing::internal::GetCapturedStderr();
  return testing::internal::GetCapturedStdout();
}

// --setup DIR: the word files and the settings of DIR are the ones used, whatever DIR is
// called; a folder named in another case than the plug-in's own "setup" must not be passed
// over for a "setup" folder beside it that does not exist.
class SetupFolderName : public ::testing::TestWithParam<const char *> {};

TEST_P(SetupFolderName, IsTheFolderWhoseFilesAreUsed) {
  std::string Root = TestFolder("review-setup");
  std::string Dir = Root + "/" + GetParam();
  ASSERT_EQ(std::system(("mkdir -p '" + Dir + "'").c_str()), 0);
  WriteTextFile(Dir + "/Keywords.dat", "FUNCTION\r\n");
  WriteTextFile(Dir + "/qmate.ini", "[Settings]\r\nTab=7\r\n");
  int Status = 0;
  std::string Errors;
  EXPECT_EQ(RunQmate({"spell", "--setup", Dir, "function"}, Status, Errors), "FUNCTION\n");
  EXPECT_EQ(Status, 0) << Errors;
  std::string Shown = RunQmate({"settings", "--setup", Dir}, Status, Errors);
  EXPECT_NE(Shown.find("\nTab=7\n"), std::string::npos) << Shown;
  RunQmate({"settings", "--setup", Dir, "--set", "Tab=5", "--save"}, Status, Errors);
  EXPECT_EQ(Status, 0) << Errors;
  EXPECT_NE(ReadTextFile(Dir + "/qmate.ini").find("\r\nTab=5\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Names, SetupFolderName,
                         ::testing::Values("setup", "Setup", "SETUP", "words", "my setup"));

// procs names each header's own line. A header whose text begins with a zero byte shows in
// the host's menu as its number alone, and the tool, which finds the lines again from the
// entries' texts, names an earlier line for it. Kept disabled: the tool sees only the entry
// texts, so naming the line exactly needs another way of learning the headers' lines.
TEST(ProcsTool, NamesTheLineOfAHeaderThatBeginsWithAZeroByte) {
  std::string Dir = TestFolder("review-procs");
  ASSERT_EQ(std::system(("mkdir -p '" + Dir + "/setup'").c_str()), 0);
  WriteTextFile(Dir + "/n.prg", std::string("x\n\0PROC a\nPROC b\n", 17));
  int Status = 0;
  std::string Errors;
  std::string Out = RunQmate({"procs", "--setup", Dir + "/setup", Dir + "/n.prg"}, Status, Errors);
  EXPECT_EQ(Out, Dir + "/n.prg:2:" + std::string("\0PROC a", 7) + "\n" + Dir + "/n.prg:3:PROC b\n");
}

// --check on a file named by a path that is a pipe (a FIFO, /dev/stdin, a shell's <(...)):
// the text is read once, and whether it would change is judged on the text read, not on a
// second read of the pipe, which gives nothing.
struct PipeCase {
  const char *Name;
  const char *Option;
  const char *Text;
  int Status;
  bool NamedAsChanged;
};

class PipeInput : public ::testing::TestWithParam<PipeCase> {};

TEST_P(PipeInput, IsJudgedOnTheTextRead) {
  const PipeCase &C = GetParam();
  std::string Dir = TestFolder("review-pipe");
  ASSERT_EQ(std::system(("mkdir -p '" + Dir + "/setup' && mkfifo '" + Dir + "/in.prg'").c_str()),
            0);
  WriteTextFile(Dir + "/text.prg", C.Text);
  // The writer runs in the background until the tool has read the pipe; a second read of the
  // pipe would wait for another writer, which comes a little later with nothing, so a tool
  // that reads the pipe again fails this test rather than waiting for ever.
  std::string Fifo = "'" + Dir + "/in.prg'";
  std::string Writer =
      "cat '" + Dir + "/text.prg' > " + Fifo + "; sleep 1; timeout 5 sh -c ': > " + Fifo + "'";
  ASSERT_EQ(std::system(("(" + Writer + ") </dev/null >/dev/null 2>&1 &").c_str()), 0);
  int Status = 0;
  std::string Errors;
  std::string Out =
      RunQmate({"annotate", "--setup", Dir + "/setup", C.Option, Dir + "/in.prg"}, Status, Errors);
  EXPECT_EQ(Status, C.Status) << Errors;
  EXPECT_EQ(Out.find("would change") != std::string::npos, C.NamedAsChanged) << Out;
  // A pipe that was refused unread still holds the writer: let it go.
  std::system(("timeout 5 cat " + Fifo + " >/dev/null 2>&1").c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PipeInput,
    ::testing::Values(PipeCase{"CheckUnchanged", "--check", "x\nENDIF  // a\n", 0, false},
                      PipeCase{"CheckChanged", "--check", "IF a\nENDIF\n", 1, true},
                      // -i rewrites only a regular file, and refuses a pipe before reading it.
                      PipeCase{"InPlaceRefusedUnread", "-i", "x\n", 2, false}),
    [](const ::testing::TestParamInfo<PipeCase> &Info) { return std::string(Info.param.Name); });

} // namespace
