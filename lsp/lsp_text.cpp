// Document text for the language server: positions in lines and UTF-16 (or UTF-8) columns,
// file URIs, and the edits of didChange.
#include "lsp.hpp"

#include <algorithm>

namespace {

bool IsLineEnd(char C) {
  return C == '\n' || C == '\r';
}

// The bytes of the UTF-8 sequence that starts with Lead, and the UTF-16 code units it makes;
// a byte that starts no sequence counts as one byte and one unit, so any text has columns.
void SequenceOf(unsigned char Lead, std::size_t &Bytes, int &Units) {
  Units = 1;
  if (Lead >= 0xF0 && Lead <= 0xF7) {
    Bytes = 4;
    Units = 2;
  } else if (Lead >= 0xE0 && Lead <= 0xEF) {
    Bytes = 3;
  } else if (Lead >= 0xC0 && Lead <= 0xDF) {
    Bytes = 2;
  } else {
    Bytes = 1;
  }
}

std::size_t LineStart(const std::string &Text, long long Line) {
  std::size_t At = 0;
  for (long long L = 0; L < Line; ++L) {
    while (At < Text.size() && !IsLineEnd(Text[At]))
      ++At;
    if (At >= Text.size())
      return Text.size();
    At += Text[At] == '\r' && At + 1 < Text.size() && Text[At + 1] == '\n' ? 2 : 1;
  }
  return At;
}

// The offset Character columns into the line that starts at At, stopping at its end.
std::size_t ColumnOffset(const std::string &Text, std::size_t At, long long Character) {
  long long Units = 0;
  while (At < Text.size() && !IsLineEnd(Text[At]) && Units < Character) {
    std::size_t Bytes = 1;
    int SequenceUnits = 1;
    if (!LspServer.Utf8Columns)
      SequenceOf(static_cast<unsigned char>(Text[At]), Bytes, SequenceUnits);
    // A sequence cut short by the line's end counts only the bytes it has.
    std::size_t Next = At + 1;
    while (Next < At + Bytes && Next < Text.size() && !IsLineEnd(Text[Next]))
      ++Next;
    At = Next;
    Units += SequenceUnits;
  }
  return At;
}

int HexValue(char C) {
  if (C >= '0' && C <= '9')
    return C - '0';
  if (C >= 'a' && C <= 'f')
    return C - 'a' + 10;
  if (C >= 'A' && C <= 'F')
    return C - 'A' + 10;
  return -1;
}

// True when a line starts at offset At: at 0, and after a line end (after the CR of a CR LF
// only past its LF).
bool StartsLine(const std::string &Text, std::size_t At) {
  if (At == 0)
    return true;
  char Before = Text[At - 1];
  return Before == '\n' || (Before == '\r' && (At == Text.size() || Text[At] != '\n'));
}

const int InvalidParams = -32602;

// A line or character of a change's position: a whole number, not negative.
long long Whole(const Json &Position, const char *Key) {
  const Json &Value = Position.at(Key);
  if (!Value.is_number_integer() || Value.get<long long>() < 0)
    throw LspError{InvalidParams, std::string("a change whose ") + Key + " is " + Value.dump() +
                                      " (a whole number from 0 up is needed)"};
  return Value.get<long long>();
}

// The offset of a position of a change through the document's line starts. The line after
// the last stands for the text's end (a range that takes in the last line's end reaches
// there); a line past that is not in the text the server holds.
std::size_t IndexedOffset(const LspDocument &Document, long long Line, long long Character) {
  std::size_t Lines = Document.LineStarts.size();
  if (static_cast<unsigned long long>(Line) > Lines)
    throw LspError{InvalidParams, "a change at line " + std::to_string(Line + 1) +
                                      " of a text of " + std::to_string(Lines) + " lines"};
  if (static_cast<unsigned long long>(Line) == Lines)
    return Document.Text.size();
  return ColumnOffset(Document.Text, Document.LineStarts[std::size_t(Line)], Character);
}

} // namespace

std::size_t LspOffsetOf(const std::string &Text, long long Line, long long Character) {
  return ColumnOffset(Text, LineStart(Text, std::max(0LL, Line)), Character);
}

Json LspPositionOf(const std::string &Text, std::size_t Offset) {
  LspPositionWalk Walk;
  return LspPositionFrom(Text, Walk, Offset);
}

Json LspPositionFrom(const std::string &Text, LspPositionWalk &Walk, std::size_t Offset) {
  Offset = std::min(Offset, Text.size());
  if (Offset < Walk.At)
    Walk = LspPositionWalk();
  std::size_t At = Walk.At;
  long long Line = Walk.Line, Units = Walk.Units;
  while (At < Offset) {
    if (IsLineEnd(Text[At])) {
      At += Text[At] == '\r' && At + 1 < Text.size() && Text[At + 1] == '\n' ? 2 : 1;
      ++Line;
      Units = 0;
      continue;
    }
    std::size_t Bytes = 1;
    int SequenceUnits = 1;
    if (!LspServer.Utf8Columns)
      SequenceOf(static_cast<unsigned char>(Text[At]), Bytes, SequenceUnits);
    std::size_t Next = At + 1;
    while (Next < At + Bytes && Next < Offset && !IsLineEnd(Text[Next]))
      ++Next;
    At = Next;
    Units += SequenceUnits;
  }
  Walk = LspPositionWalk{At, Line, Units};
  return Json{{"line", Line}, {"character", Units}};
}

std::string LspPathOfUri(const std::string &Uri) {
  std::string Path;
  if (Uri.compare(0, 7, "file://") == 0) {
    std::size_t Slash = Uri.find('/', 7); // after the host, normally empty
    Path = Slash == std::string::npos ? std::string() : Uri.substr(Slash);
  } else {
    std::size_t Cut = Uri.find_last_of("/:");
    Path = Cut == std::string::npos ? Uri : Uri.substr(Cut + 1);
  }
  std::string Decoded;
  for (std::size_t I = 0; I < Path.size(); ++I) {
    if (Path[I] == '%' && I + 2 < Path.size() && HexValue(Path[I + 1]) >= 0 &&
        HexValue(Path[I + 2]) >= 0) {
      Decoded += static_cast<char>(HexValue(Path[I + 1]) * 16 + HexValue(Path[I + 2]));
      I += 2;
    } else {
      Decoded += Path[I];
    }
  }
  // file:///C:/x names the Windows path C:/x.
  if (Decoded.size() >= 3 && Decoded[0] == '/' && Decoded[2] == ':')
    Decoded.erase(0, 1);
  return Decoded;
}

std::vector<std::size_t> LspLineStarts(const std::string &Text) {
  std::vector<std::size_t> Starts = {0};
  for (std::size_t At = 1; At <= Text.size(); ++At)
    if (StartsLine(Text, At))
      Starts.push_back(At);
  return Starts;
}

void LspApplyChange(LspDocument &Document, Json &Change) {
  Document.Blocks.reset();
  std::string &New = Change.at("text").get_ref<std::string &>();
  std::string &Text = Document.Text;
  std::vector<std::size_t> &Starts = Document.LineStarts;
  if (!Change.contains("range")) {
    Text = std::move(New);
    Starts = LspLineStarts(Text);
    return;
  }
  const Json &Range = Change.at("range");
  long long FirstLine = Whole(Range.at("start"), "line");
  long long FirstCharacter = Whole(Range.at("start"), "character");
  long long LastLine = Whole(Range.at("end"), "line");
  long long LastCharacter = Whole(Range.at("end"), "character");
  if (FirstLine > LastLine || (FirstLine == LastLine && FirstCharacter > LastCharacter))
    throw LspError{InvalidParams, "a change whose range starts after its end"};
  std::size_t Start = IndexedOffset(Document, FirstLine, FirstCharacter);
  std::size_t End = std::max(Start, IndexedOffset(Document, LastLine, LastCharacter));
  Text.replace(Start, End - Start, New);
  // Only the line starts from Start to the end of the new text can be new or gone (a CR LF
  // can be split or made there); those after it move by the change in size.
  std::size_t NewEnd = Start + New.size();
  std::vector<std::size_t> Fresh;
  for (std::size_t At = Start; At <= NewEnd; ++At)
    if (StartsLine(Text, At))
      Fresh.push_back(At);
  auto Low = std::lower_bound(Starts.begin(), Starts.end(), Start);
  auto High = std::upper_bound(Low, Starts.end(), End);
  for (auto I = High; I != Starts.end(); ++I)
    *I = *I - End + NewEnd;
  std::size_t Replaced = static_cast<std::size_t>(High - Low);
  if (Fresh.size() <= Replaced) {
    std::copy(Fresh.begin(), Fresh.end(), Low);
    Starts.erase(Low + std::ptrdiff_t(Fresh.size()), High);
  } else {
    std::copy(Fresh.begin(), Fresh.begin() + std::ptrdiff_t(Replaced), Low);
    Starts.insert(High, Fresh.begin() + std::ptrdiff_t(Replaced), Fresh.end());
  }
}

int LspColumnsOf(const std::string &Line) {
  std::size_t End = Line.size();
  while (End > 0 && IsLineEnd(Line[End - 1]))
    --End;
  return LspPositionOf(Line.substr(0, End), End)["character"].get<int>();
}
