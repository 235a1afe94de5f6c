// Placeholder block commands.
#include "commands.hpp"

void ProcedureNavigator() {}
void CommentBlock() {}
void UncommentBlock() {}
void AnnotateBlockEnds() {}
