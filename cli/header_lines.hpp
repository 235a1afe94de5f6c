// The header lines the plug-in's procedure navigator listed.
#pragma once

#include <vector>

// After the plug-in ran its procedure navigator in the simulated editor (answering the
// command menu, then Esc to the list), the 0-based editor lines its entries name, in order;
// empty when it showed no list.
std::vector<int> NavigatorHeaderLines();
