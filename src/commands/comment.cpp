// Commenting and uncommenting the lines of the marked block with the line marker "//".
#include "../host/session.hpp"
#include "commands.hpp"

#include <string>

namespace {

// Runs Rule over each line of the marked block, writing back only the lines it changes.
// Without a block the commands only warn: nothing is read or changed. The lines at a lone CR
// stay as they are: a marker there would start or end a comment in the middle of the line
// the compiler reads.
void WalkBlock(bool (*Rule)(const std::string &Raw, std::string &Changed)) {
  EditorSessionRecord &S = EditorSession;
  if (!S.BlockMode) {
    ShowNotice(FMSG_WARNING, MsgNoBlockTitle, MsgNoBlock);
    return;
  }
  bool AfterLoneCr = LineEndsAtLoneCr(S.StartLine - 1);
  for (S.CurrentLine = S.StartLine; InRange(); ++S.CurrentLine) {
    std::string Raw = GetLine(S.CurrentLine);
    if (IsBlockEnd())
      break;
    std::string Changed;
    if (!TouchesLoneCr(AfterLoneCr) && Rule(Raw, Changed))
      SetLine(S.CurrentLine, Changed);
  }
}

// The marker goes in column 0, in front of the indentation, unless the line's first
// non-blank characters are the marker already.
bool CommentLine(const std::string &Raw, std::string &Changed) {
  if (TrimLeft(Raw).compare(0, 2, "//") == 0)
    return false;
  Changed = "//" + Raw;
  return true;
}

// A "//" with nothing but blanks and tabs before it goes, and the text around it stays. A
// "//" further right belongs to the code (a trailing comment, a string such as "http://"),
// so such a line is left as it is.
bool UncommentLine(const std::string &Raw, std::string &Changed) {
  std::size_t At = Raw.find_first_not_of(" \t");
  if (At == std::string::npos || Raw.compare(At, 2, "//") != 0)
    return false;
  Changed = Raw;
  Changed.erase(At, 2);
  return true;
}

} // namespace

void CommentBlock() {
  WalkBlock(CommentLine);
}

void UncommentBlock() {
  WalkBlock(UncommentLine);
}
