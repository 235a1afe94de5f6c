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

int HexValue(char C) {
  if (C >= '0' && C <= '9')
    return C - '0';
  if (C >= 'a' && C <= 'f')
    return C - 'a' + 10;
  if (C >= 'A' && C <= 'F')
    return C - 'A' + 10;
  return -1;
}

} // namespace

std::size_t LspOffsetOf(const std::string &Text, long long Line, long long Character) {
  std::size_t At = LineStart(Text, std::max(0LL, Line));
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

void LspApplyChange(std::string &Text, const Json &Change) {
  const std::string &New = Change.at("text").get_ref<const std::string &>();
  if (!Change.contains("range")) {
    Text = New;
    return;
  }
  const Json &Range = Change.at("range");
  std::size_t Start = LspOffsetOf(Text, Range.at("start").at("line").get<long long>(),
                                  Range.at("start").at("character").get<long long>());
  std::size_t End = LspOffsetOf(Text, Range.at("end").at("line").get<long long>(),
                                Range.at("end").at("character").get<long long>());
  if (End < Start)
    std::swap(Start, End);
  Text.replace(Start, End - Start, New);
}

int LspColumnsOf(const std::string &Line) {
  std::size_t End = Line.size();
  while (End > 0 && IsLineEnd(Line[End - 1]))
    --End;
  return LspPositionOf(Line.substr(0, End), End)["character"].get<int>();
}
