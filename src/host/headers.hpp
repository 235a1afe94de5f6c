// The headers a program includes, read for the rules they define and their use of line
// numbers.
#pragma once

#include "../reindent/reindent.hpp"

#include <string>
#include <vector>

// Adds the text commands of the header Name (as an #include names it) and of the headers it
// includes in turn. A header is looked for beside the edited file, then in each folder of
// PluginIncludeFolders (a relative one taken from the edited file's folder); one that cannot
// be found or read adds nothing. Each header is read once while it stays as it was.
void AddIncludedTextCommands(const std::string &Name, std::vector<TextCommandWord> &Commands);
// Adds to Into what the header Name and the headers it includes tell, found and read alike.
void AddIncludedFindings(const std::string &Name, HeaderFindings &Into);
