// The block commands: procedure navigator, comment and uncomment, end-of-block annotator.
#pragma once

void ProcedureNavigator();
void CommentBlock();
void UncommentBlock();
void AnnotateBlockEnds();
