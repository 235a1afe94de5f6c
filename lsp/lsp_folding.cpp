// The language server's requests on a document's structure: the folding ranges, the block
// words highlighted together, and the indentation set as a line is typed. The blocks, routines
// and regions come from the reading the diagnostics make (the Modern rules' block words); the
// indentation from the re-indenter's range formatting.
#include "../src/reindent/reindent.hpp"
#include "lsp.hpp"

#include <algorithm>

namespace {

// The byte offset in Line of a client's Character.
std::size_t ByteColumn(const std::string &Line, long long Character) {
  return LspOffsetOf(Line, 0, std::max(0LL, Character));
}

// A client's position of the byte at Column of Line (numbered Index).
Json PositionIn(const std::string &Line, int Index, std::size_t Column) {
  return {{"line", Index}, {"character", LspColumnsOf(Line.substr(0, Column))}};
}

// Line Index of a document, its end left out.
std::string LineOf(const LspDocument &Document, std::size_t Index) {
  const std::vector<std::size_t> &Starts = Document.LineStarts;
  std::size_t End = Index + 1 < Starts.size() ? Starts[Index + 1] : Document.Text.size();
  while (End > Starts[Index] && (Document.Text[End - 1] == '\n' || Document.Text[End - 1] == '\r'))
    --End;
  return Document.Text.substr(Starts[Index], End - Starts[Index]);
}

std::size_t IndentOf(const std::string &Line) {
  std::size_t K = 0;
  while (K < Line.size() && (Line[K] == ' ' || Line[K] == '\t'))
    ++K;
  return K;
}

// Line Index (Line before the edits) after Edits, whole-line runs over the lines down to
// Index (those after it unchanged): in the run that holds it, counted from the run's end.
std::string LineAfter(const std::string &Line, const Json &Edits, int Index) {
  for (const Json &Edit : Edits) {
    const long long From = Edit["range"]["start"]["line"].get<long long>();
    // A run that reaches the end of a text without a final line end ends inside its last line.
    const long long To = Edit["range"]["end"]["line"].get<long long>() +
                         (Edit["range"]["end"]["character"].get<long long>() > 0 ? 1 : 0);
    if (From > Index || To <= Index)
      continue;
    // The lines of the run after Index are the same before and after it.
    const std::string &New = Edit["newText"].get_ref<const std::string &>();
    std::vector<std::string> Run;
    std::size_t At = 0;
    while (At < New.size()) {
      std::size_t End = New.find_first_of("\r\n", At);
      if (End == std::string::npos) {
        Run.push_back(New.substr(At));
        break;
      }
      Run.push_back(New.substr(At, End - At));
      At = End + (New[End] == '\r' && End + 1 < New.size() && New[End + 1] == '\n' ? 2 : 1);
    }
    const long long FromEnd = To - 1 - Index;
    if (FromEnd >= static_cast<long long>(Run.size()))
      return Line;
    return Run[Run.size() - 1 - static_cast<std::size_t>(FromEnd)];
  }
  return Line;
}

// The edit that gives line Index the indentation the re-indenter gives it when it re-indents
// from the header of its routine (or the first line) down to it, the header standing where
// it stands; nothing when the line is blank or already there. Only the leading blanks change.
void IndentLine(const LspDocument &Document, const BlockReading &Blocks, int Index, Json &Edits) {
  if (Index < 0 || static_cast<std::size_t>(Index) >= Document.LineStarts.size())
    return;
  const std::string Line = LineOf(Document, static_cast<std::size_t>(Index));
  const std::size_t Indent = IndentOf(Line);
  if (Indent == Line.size())
    return;
  const int Header = std::max(0, EnclosingHeader(Blocks, Index));
  const std::string Top = LineOf(Document, static_cast<std::size_t>(Header));
  const Json Range = {{"start", PositionIn(Top, Header, IndentOf(Top))},
                      {"end", {{"line", Index + 1}, {"character", 0}}}};
  const std::string New = LineAfter(Line, LspFormatRange(Document, Range), Index);
  const std::size_t NewIndent = IndentOf(New);
  if (New.compare(0, NewIndent, Line, 0, Indent) == 0 && NewIndent == Indent)
    return;
  Edits.push_back(
      {{"range",
        {{"start", {{"line", Index}, {"character", 0}}}, {"end", PositionIn(Line, Index, Indent)}}},
       {"newText", New.substr(0, NewIndent)}});
}

} // namespace

long long LspFoldingLimitOf(const Json &Capabilities) {
  if (!Capabilities.is_object())
    return -1;
  const Json *At = &Capabilities;
  for (const char *Key : {"textDocument", "foldingRange", "rangeLimit"}) {
    if (!At->is_object() || !At->contains(Key))
      return -1;
    At = &(*At)[Key];
  }
  return At->is_number_integer() && At->get<long long>() >= 0 ? At->get<long long>() : -1;
}

Json LspFoldingRanges(const LspDocument &Document) {
  const std::shared_ptr<const BlockReading> Blocks = LspBlocksOf(Document);
  std::vector<BlockSpan> Spans = FoldingSpans(*Blocks);
  if (LspServer.FoldingLimit >= 0 &&
      Spans.size() > static_cast<unsigned long long>(LspServer.FoldingLimit))
    Spans.resize(static_cast<std::size_t>(LspServer.FoldingLimit));
  Json Ranges = Json::array();
  Ranges.get_ref<Json::array_t &>().reserve(Spans.size());
  for (const BlockSpan &S : Spans) {
    // Filled in place: a large file has tens of thousands of ranges, and an initializer list
    // makes a temporary array of each of its pairs.
    Json Range(Json::value_t::object);
    Json::object_t &Fields = Range.get_ref<Json::object_t &>();
    Fields.emplace("startLine", S.First);
    Fields.emplace("endLine", S.Last);
    if (S.Kind == SpanComment)
      Fields.emplace("kind", "comment");
    else if (S.Kind == SpanRegion)
      Fields.emplace("kind", "region");
    Ranges.push_back(std::move(Range));
  }
  return Ranges;
}

Json LspHighlights(const LspDocument &Document, const Json &Position) {
  const long long Line = Position.at("line").get<long long>();
  const long long Character = Position.at("character").get<long long>();
  Json Found = Json::array();
  if (Line < 0 || static_cast<std::size_t>(Line) >= Document.LineStarts.size())
    return Found;
  const std::shared_ptr<const BlockReading> Blocks = LspBlocksOf(Document);
  const int Index = static_cast<int>(Line);
  const std::size_t Column =
      ByteColumn(LineOf(Document, static_cast<std::size_t>(Line)), Character);
  for (const BlockWord &W : MatchingBlockWords(*Blocks, Index, static_cast<int>(Column))) {
    const std::string Text = LineOf(Document, static_cast<std::size_t>(W.Line));
    Found.push_back(
        {{"range",
          {{"start", PositionIn(Text, W.Line, static_cast<std::size_t>(W.Column))},
           {"end", PositionIn(Text, W.Line, static_cast<std::size_t>(W.Column + W.Length))}}},
         {"kind", 1}});
  }
  return Found;
}

Json LspOnTypeFormat(const LspDocument &Document, const Json &Position, const std::string &Typed) {
  const long long Line = Position.at("line").get<long long>();
  Json Edits = Json::array();
  if (Line < 0 || static_cast<std::size_t>(Line) >= Document.LineStarts.size())
    return Edits;
  const int Index = static_cast<int>(Line);
  if (Typed == "\n") {
    // The line just ended is whole now; the new one holds text when the line was split.
    const std::shared_ptr<const BlockReading> Blocks = LspBlocksOf(Document);
    IndentLine(Document, *Blocks, Index - 1, Edits);
    IndentLine(Document, *Blocks, Index, Edits);
    return Edits;
  }
  // A letter: the line is set when the text before the cursor is a closer's or a middle
  // word's statement (ENDIF, END SEQUENCE, ELSE, CASE) whose words end at the cursor.
  const std::string Text = LineOf(Document, static_cast<std::size_t>(Line));
  const std::size_t Cursor = ByteColumn(Text, Position.at("character").get<long long>());
  const std::size_t First = IndentOf(Text);
  if (Cursor <= First)
    return Edits;
  const std::string Typing = Text.substr(First, Cursor - First);
  const StatementKind Kind = ClassifyStatement(Typing.data(), Typing.size(), false);
  const bool Closes =
      Kind.Role == RoleCloses || Kind.Role == RoleMiddle || Kind.Role == RoleClassEnd;
  if (Closes && !(Kind.Blocks & BlockDialog) && Kind.WordsEnd == Typing.size())
    IndentLine(Document, *LspBlocksOf(Document), Index, Edits);
  return Edits;
}
