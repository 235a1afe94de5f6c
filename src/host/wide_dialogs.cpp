#include "wide_dialogs.hpp"

#include <cstring>

namespace {

// The columns a text item's text takes: a single & marks the next character as the hot key
// and takes none, && shows one &.
int TextColumns(const char *Data, std::size_t Capacity) {
  int Columns = 0;
  for (std::size_t I = 0; I < Capacity && Data[I]; ++I) {
    if (Data[I] == '&' && I + 1 < Capacity && Data[I + 1] != '&')
      continue;
    if (Data[I] == '&')
      ++I;
    ++Columns;
  }
  return Columns;
}

} // namespace

int DialogWidth(int X1, int X2) {
  return X1 < 0 ? X2 : X2 - X1 + 1;
}

std::vector<FarDialogItem> WideHostDialogItems(const FarDialogItem *Items, int Count, int Width) {
  std::vector<FarDialogItem> Out(Items, Items + (Count > 0 ? Count : 0));
  // Room for every split, so Item stays valid while the last characters are added.
  Out.reserve(2 * Out.size());
  for (int I = 0; I < Count; ++I) {
    FarDialogItem &Item = Out[static_cast<std::size_t>(I)];
    if (Item.Type != DI_TEXT || Item.X1 < 0 || Item.X2 > Item.X1)
      continue;
    std::size_t Length = strnlen(Item.Data, sizeof(Item.Data));
    // Only a text without hot keys is split: its columns are its bytes.
    if (Item.X1 == 0 && static_cast<int>(Length) >= Width && Width > 1 &&
        TextColumns(Item.Data, sizeof(Item.Data)) == static_cast<int>(Length)) {
      FarDialogItem Last = Item;
      Last.X1 = Last.X2 = Width - 1;
      Last.Focus = Last.DefaultButton = 0;
      Last.Data[0] = Item.Data[Width - 1];
      Last.Data[1] = 0;
      std::memset(Item.Data + Width - 1, 0,
                  sizeof(Item.Data) - static_cast<std::size_t>(Width - 1));
      Out.push_back(Last);
    }
    int Columns = TextColumns(Item.Data, sizeof(Item.Data));
    if (Columns > 1 && Item.X1 + Columns > Width - 5)
      Item.X2 = Item.X1 + Columns - 1;
  }
  return Out;
}
