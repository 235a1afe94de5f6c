// Matching the navigator's menu entries back to the editor lines they show.
#include "header_lines.hpp"
#include "../sim/sim.hpp"

#include <string>

std::vector<int> NavigatorHeaderLines() {
  std::vector<int> Lines;
  // The second menu, when there is one, is the procedure list the plug-in built.
  if (SimHost.Menus.size() < 2)
    return Lines;
  const std::vector<FarMenuItem> &Items = SimHost.Menus[1].Items;
  // Each entry shows its number, ". " and the header line as held, cut to the menu's
  // capacity and ending at a zero byte: find, in order, the line that shows the same.
  int Line = 0;
  int Count = SimLineCount();
  int Number = 0;
  for (const FarMenuItem &Item : Items) {
    ++Number;
    std::string Prefix = (Number < 10 ? " " : "") + std::to_string(Number) + ". ";
    auto Shows = [&](const std::string &Text) {
      std::string Entry = (Prefix + Text).substr(0, sizeof(Item.Text) - 1);
      return std::string(Entry.c_str()) == Item.Text;
    };
    while (Line < Count && !Shows(SimLineText(Line)))
      ++Line;
    if (Line >= Count)
      break;
    Lines.push_back(Line);
    ++Line;
  }
  return Lines;
}
