// Drawing of the simulated host's dialogs into the screen buffer: the frame with its title,
// texts, vertical texts, edit fields and buttons, in the host's dialog colours.
#include "dialog_record.hpp"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

void PutCell(SimDialogRecord &D, int X, int Y, unsigned char C, int Attr) {
  SimScreenRecord &S = SimHost.Screen;
  // Items never draw outside their dialog, nor outside the screen.
  if (X < D.Left || X >= D.Left + D.Width || Y < D.Top || Y >= D.Top + D.Height)
    return;
  if (X < 0 || X >= S.Width || Y < 0 || Y >= S.Height)
    return;
  std::size_t At = static_cast<std::size_t>(Y * S.Width + X);
  S.Chars[At] = C;
  S.Attrs[At] = static_cast<unsigned char>(Attr);
}

void PutText(SimDialogRecord &D, int X, int Y, const std::string &Text, int Attr) {
  for (std::size_t I = 0; I < Text.size(); ++I)
    PutCell(D, X + static_cast<int>(I), Y, static_cast<unsigned char>(Text[I]), Attr);
}

std::string ItemText(const FarDialogItem &Item) {
  std::size_t Length = 0;
  while (Length < sizeof(Item.Data) && Item.Data[Length])
    ++Length;
  return std::string(Item.Data, Length);
}

std::string ButtonFace(const FarDialogItem &Item) {
  std::string Text = ItemText(Item);
  return (Item.Flags & DIF_NOBRACKETS) ? Text : "[ " + Text + " ]";
}

void DrawBox(SimDialogRecord &D, const FarDialogItem &Item, bool Double) {
  // Code page 437 corners and lines: ╔ ╗ ╚ ╝ ═ ║, or ┌ ┐ └ ┘ ─ │.
  const unsigned char TopLeft = Double ? 0xC9 : 0xDA, TopRight = Double ? 0xBB : 0xBF;
  const unsigned char BottomLeft = Double ? 0xC8 : 0xC0, BottomRight = Double ? 0xBC : 0xD9;
  const unsigned char Across = Double ? 0xCD : 0xC4, Down = Double ? 0xBA : 0xB3;
  int X1 = D.Left + Item.X1, Y1 = D.Top + Item.Y1;
  int X2 = D.Left + Item.X2, Y2 = D.Top + Item.Y2;
  if (X2 <= X1 || Y2 <= Y1)
    return;
  for (int X = X1 + 1; X < X2; ++X) {
    PutCell(D, X, Y1, Across, SimDialogText);
    PutCell(D, X, Y2, Across, SimDialogText);
  }
  for (int Y = Y1 + 1; Y < Y2; ++Y) {
    PutCell(D, X1, Y, Down, SimDialogText);
    PutCell(D, X2, Y, Down, SimDialogText);
  }
  PutCell(D, X1, Y1, TopLeft, SimDialogText);
  PutCell(D, X2, Y1, TopRight, SimDialogText);
  PutCell(D, X1, Y2, BottomLeft, SimDialogText);
  PutCell(D, X2, Y2, BottomRight, SimDialogText);
  std::string Title = ItemText(Item);
  if (!Title.empty()) {
    // The title stands centred in the top line with a blank on either side.
    Title = " " + Title + " ";
    int Inner = X2 - X1 - 1;
    if (static_cast<int>(Title.size()) > Inner)
      Title.resize(static_cast<std::size_t>(Inner > 0 ? Inner : 0));
    int At = X1 + 1 + (Inner - static_cast<int>(Title.size())) / 2;
    PutText(D, At, Y1, Title, SimDialogText);
  }
}

// A text item's text as the host draws it (see SimTextCutKind). A text with a right edge fills
// the columns up to it.
std::string HostCutText(const SimDialogRecord &D, const FarDialogItem &Item, std::string Text) {
  if (SimHost.DialogTextCut == SimTextWhole || Item.X1 < 0)
    return Text;
  const bool Edge = Item.X2 > Item.X1;
  if (Edge)
    Text.resize(static_cast<std::size_t>(Item.X2 - Item.X1 + 1), ' ');
  const int Length = static_cast<int>(Text.size());
  if (Length >= D.Width)
    Text.resize(static_cast<std::size_t>(D.Width - 1));
  const int Most = D.Width - Item.X1 - 5;
  if (SimHost.DialogTextCut == SimTextCutFar3 && !Edge && Most >= 0 &&
      static_cast<int>(Text.size()) > Most)
    Text.resize(static_cast<std::size_t>(Most));
  return Text;
}

} // namespace

int SimFieldWidth(const FarDialogItem &Item) {
  int Width = Item.X2 - Item.X1 + 1;
  return Width < 1 ? 1 : Width;
}

void SimPlaceCentredButtons(SimDialogRecord &D) {
  int I = 0;
  while (I < D.Count) {
    const FarDialogItem &First = D.Items[I];
    if (First.Type != DI_BUTTON || !(First.Flags & DIF_CENTERGROUP)) {
      ++I;
      continue;
    }
    // A group: the following centred buttons on the same row, two blanks between them, as
    // Far lays out "[ OK ]  [ Cancel ]".
    const int Gap = 2;
    int End = I;
    int Length = 0;
    while (End < D.Count && D.Items[End].Type == DI_BUTTON &&
           (D.Items[End].Flags & DIF_CENTERGROUP) && D.Items[End].Y1 == First.Y1) {
      Length += static_cast<int>(ButtonFace(D.Items[End]).size()) + (End > I ? Gap : 0);
      ++End;
    }
    int X = (D.Width - Length) / 2;
    for (int B = I; B < End; ++B) {
      int Face = static_cast<int>(ButtonFace(D.Items[B]).size());
      D.Items[B].X1 = X;
      D.Items[B].X2 = X + Face - 1;
      X += Face + Gap;
    }
    I = End;
  }
}

void SimDrawDialogItem(SimDialogRecord &D, int Index) {
  if (Index < 0 || Index >= D.Count)
    return;
  FarDialogItem *Item = &D.Items[Index];
  if (SimDialogNotify(D, DN_DRAWDLGITEM, Index,
                      static_cast<DialogParam>(reinterpret_cast<std::intptr_t>(Item))) == 0)
    return;
  int X = D.Left + Item->X1, Y = D.Top + Item->Y1;
  int Attr = (Item->Flags & DIF_DISABLE) ? SimDialogDisabled : SimDialogText;
  std::string Text = ItemText(*Item);
  switch (Item->Type) {
  case DI_DOUBLEBOX:
  case DI_SINGLEBOX:
    DrawBox(D, *Item, Item->Type == DI_DOUBLEBOX);
    break;
  case DI_TEXT:
    PutText(D, X, Y, HostCutText(D, *Item, Text), Attr);
    break;
  case DI_VTEXT:
    for (std::size_t I = 0; I < Text.size(); ++I)
      PutCell(D, X, Y + static_cast<int>(I), static_cast<unsigned char>(Text[I]), Attr);
    break;
  case DI_EDIT:
  case DI_PSWEDIT:
  case DI_FIXEDIT: {
    std::size_t Width = static_cast<std::size_t>(SimFieldWidth(*Item));
    if (Item->Type == DI_PSWEDIT)
      Text.assign(Text.size(), '*');
    Text.resize(Width, ' ');
    PutText(D, X, Y, Text, SimDialogEdit);
    break;
  }
  case DI_BUTTON:
    PutText(D, X, Y, ButtonFace(*Item),
            Index == D.Focus ? SimDialogFocusedButton : SimDialogButton);
    break;
  default:
    // A user control without a character buffer draws nothing of its own.
    break;
  }
}

void SimDrawDialog(SimDialogRecord &D) {
  SimDialogNotify(D, DN_DRAWDIALOG, 0, 0);
  for (int Y = D.Top; Y < D.Top + D.Height; ++Y)
    for (int X = D.Left; X < D.Left + D.Width; ++X)
      PutCell(D, X, Y, ' ', SimDialogText);
  for (int I = 0; I < D.Count; ++I)
    SimDrawDialogItem(D, I);
  D.Shown = true;
}

void SimRestoreUnderDialog(SimDialogRecord &D) {
  SimScreenRecord &S = SimHost.Screen;
  if (D.UnderChars.size() == S.Chars.size()) {
    S.Chars = D.UnderChars;
    S.Attrs = D.UnderAttrs;
  }
}
