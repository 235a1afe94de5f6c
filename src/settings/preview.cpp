// The sample program of the settings dialog, laid out with the values standing in the fields.
#include "../host/session.hpp"
#include "dialog.hpp"
#include "settings.hpp"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

const int PreviewItem = 19;
const int CommentColour = 19; // cyan on blue
const int CodeColour = 27;    // light cyan on blue
const std::int64_t LiteralWidth = 40;

// Which indentation a sample line takes.
enum SampleIndent {
  MainComment,  // Comments when 0 or more, else GlobalTab + MainTab
  MainCode,     // GlobalTab + MainTab
  FuncHeader,   // GlobalTab + FuncTab
  FuncBody,     // GlobalTab + TextFuncTab
  Continued,    // FuncBody + SplitLineTab when 0 or more, else FuncBody + 5
  BlockComment, // Comments when 0 or more, else GlobalTab + TextFuncTab + Tab
  BlockCode,    // GlobalTab + TextFuncTab + Tab
  InnerCode,    // GlobalTab + TextFuncTab + 2 * Tab
};

struct SampleLine {
  int Colour;
  SampleIndent Indent;
  const char *Literal;
};

const SampleLine SampleProgram[16] = {
    {CommentColour, MainComment, "// Sample program"},
    {CodeColour, MainCode, "Public var, arr"},
    {CodeColour, MainCode, "var:=500"},
    {CodeColour, MainCode, "arr:=fill(var)"},
    {CodeColour, MainCode, ""},
    {CodeColour, FuncHeader, "Function fill(x)"},
    {CodeColour, FuncBody, "Local rs"},
    {CodeColour, FuncBody, "rs:={{2,5,1}, ;"},
    {CodeColour, Continued, "{4,7,6}}"},
    {CodeColour, FuncBody, "If (x>0)"},
    {CommentColour, BlockComment, "/* x must be"},
    {CommentColour, BlockComment, "positive */"},
    {CodeColour, BlockCode, "AEval(rs, {|n| n[1]*=x})"},
    {CodeColour, BlockCode, "QOut(\"OK.\")"},
    {CodeColour, FuncBody, "Endif"},
    {CodeColour, FuncBody, "Return rs"},
};

// The Modern rules' sample: a class, a STATIC FUNCTION header and the blocks Classic does not
// know (FOR EACH, SWITCH), laid out as the Modern re-indenter lays them out with the values in
// the fields and its options at their defaults.
const SampleLine ModernSampleProgram[16] = {
    {CommentColour, MainComment, "// Modern sample"},
    {CodeColour, MainCode, "? Sum({1, \"a\", 2})"},
    {CodeColour, MainCode, ""},
    {CodeColour, FuncHeader, "CLASS Point"},
    {CodeColour, FuncBody, "DATA nX, nY"},
    {CodeColour, FuncHeader, "ENDCLASS"},
    {CodeColour, FuncHeader, ""},
    {CodeColour, FuncHeader, "STATIC FUNCTION Sum(a)"},
    {CodeColour, FuncBody, "LOCAL n := 0, x"},
    {CodeColour, FuncBody, "FOR EACH x IN a"},
    {CodeColour, BlockCode, "SWITCH ValType(x)"},
    {CodeColour, BlockCode, "CASE \"N\""},
    {CodeColour, InnerCode, "n += x"},
    {CodeColour, BlockCode, "ENDSWITCH"},
    {CodeColour, FuncBody, "NEXT"},
    {CodeColour, FuncBody, "RETURN n"},
};

// The values standing in the seven fields, widened so that sums of large values from a
// hand-edited file cannot overflow.
struct PreviewValues {
  std::int64_t GlobalTab, MainTab, FuncTab, TextFuncTab, Tab, Comments, SplitLineTab;
};

std::int64_t IndentOf(SampleIndent Indent, const PreviewValues &V) {
  std::int64_t Body = V.GlobalTab + V.TextFuncTab;
  switch (Indent) {
  case MainComment:
    return V.Comments >= 0 ? V.Comments : V.GlobalTab + V.MainTab;
  case MainCode:
    return V.GlobalTab + V.MainTab;
  case FuncHeader:
    return V.GlobalTab + V.FuncTab;
  case FuncBody:
    return Body;
  case Continued:
    return Body + (V.SplitLineTab >= 0 ? V.SplitLineTab : 5);
  case BlockComment:
    return V.Comments >= 0 ? V.Comments : Body + V.Tab;
  case BlockCode:
    return Body + V.Tab;
  case InnerCode:
    return Body + 2 * V.Tab;
  }
  return 0;
}

int ClampToInt(std::int64_t Value) {
  if (Value > INT32_MAX)
    return INT32_MAX;
  if (Value < INT32_MIN)
    return INT32_MIN;
  return static_cast<int>(Value);
}

std::int64_t FieldValue(HANDLE Dlg, int Item) {
  return FieldNumber(FieldText(Dlg, Item).c_str());
}

} // namespace

void DrawPreview(HANDLE Dlg) {
  // The place is asked for at every drawing: the user may have moved the dialog.
  SmallRect Rect;
  std::memset(&Rect, 0, sizeof(Rect));
  HostServices.SendDlgMessage(Dlg, DM_GETDLGRECT, 0,
                              static_cast<DialogParam>(reinterpret_cast<std::intptr_t>(&Rect)));
  FarDialogItem Area;
  std::memset(&Area, 0, sizeof(Area));
  HostServices.SendDlgMessage(Dlg, DM_GETDLGITEM, PreviewItem,
                              static_cast<DialogParam>(reinterpret_cast<std::intptr_t>(&Area)));
  std::int64_t X = std::int64_t(Rect.Left) + Area.X1 + 1;
  std::int64_t Y = std::int64_t(Rect.Top) + Area.Y1;
  std::int64_t W = std::int64_t(Area.X2) - Area.X1 + 1;

  PreviewValues V = {FieldValue(Dlg, 2), FieldValue(Dlg, 4),  FieldValue(Dlg, 6),
                     FieldValue(Dlg, 8), FieldValue(Dlg, 10), FieldValue(Dlg, 12),
                     FieldValue(Dlg, 14)};
  if (W <= 0)
    return;
  const SampleLine *Program =
      PluginRules.Style == StyleModern ? ModernSampleProgram : SampleProgram;
  for (int Line = 0; Line < 16; ++Line) {
    const SampleLine &Sample = Program[Line];
    std::int64_t Indent = IndentOf(Sample.Indent, V);
    if (Indent < 0)
      Indent = 0;
    if (Indent > W)
      Indent = W;
    std::string Text(static_cast<std::size_t>(Indent), ' ');
    std::string Literal = Sample.Literal;
    Literal.resize(static_cast<std::size_t>(LiteralWidth), ' ');
    Text += Literal;
    if (static_cast<std::int64_t>(Text.size()) > W)
      Text.resize(static_cast<std::size_t>(W));
    HostServices.Text(ClampToInt(X), ClampToInt(Y - 1 + Line), Sample.Colour, Text.c_str());
  }
}
