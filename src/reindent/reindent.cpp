// Placeholder re-indenter.
#include "reindent.hpp"

void ScanLine(ReindentState &, const std::string &, ScannedLine &) {}
void Reindent() {}
void SpaceProcedures() {}
