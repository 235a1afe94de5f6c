// Dialog items laid out for the wide-text Fars (Far 3 and far2l), whose text items are drawn
// with two cuts the 1.70 host does not make.
#pragma once

#include "plugin.hpp"

#include <vector>

// The dialog's width as DialogEx is given it: X2 is the width of a centred dialog (X1 -1).
int DialogWidth(int X1, int X2);

// Items[0..Count) laid out so that the wide-text Fars draw them as the 1.70 host does:
// - a text item at least as wide as the dialog loses its last column there, so its last
//   character becomes a text item of its own, after the plug-in's items (their numbers stay);
// - Far 3 cuts a text item with no right edge five columns short of the dialog's right side,
//   so a text that reaches into those columns gets the right edge its characters end at.
std::vector<FarDialogItem> WideHostDialogItems(const FarDialogItem *Items, int Count, int Width);
