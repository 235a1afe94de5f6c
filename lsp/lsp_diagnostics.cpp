// The problems of a document's blocks as the language server's diagnostics: the same reading
// qmate lint prints.
#include "../src/reindent/blocks.hpp"
#include "lsp.hpp"

std::vector<std::string> LspLinesOf(const LspDocument &Document) {
  const std::string &Text = Document.Text;
  const std::vector<std::size_t> &Starts = Document.LineStarts;
  std::vector<std::string> Lines;
  Lines.reserve(Starts.size());
  for (std::size_t I = 0; I < Starts.size(); ++I) {
    std::size_t End = I + 1 < Starts.size() ? Starts[I + 1] : Text.size();
    while (End > Starts[I] && (Text[End - 1] == '\n' || Text[End - 1] == '\r'))
      --End;
    Lines.emplace_back(Text, Starts[I], End - Starts[I]);
  }
  return Lines;
}

std::shared_ptr<const BlockReading> LspBlocksOf(const LspDocument &Document) {
  if (Document.Blocks)
    return Document.Blocks;
  return std::make_shared<const BlockReading>(ReadBlocks(LspLinesOf(Document), Document.Path));
}

Json LspDiagnostics(const std::string &Uri, LspDocument &Document) {
  const std::vector<std::string> Lines = LspLinesOf(Document);
  Document.Blocks = std::make_shared<const BlockReading>(ReadBlocks(Lines, Document.Path));
  Json Found = Json::array();
  for (const BlockProblem &P : Document.Blocks->Problems) {
    const std::string &Line = Lines[static_cast<std::size_t>(P.Line)];
    // The range covers the word the problem is told at; its columns are counted in its line
    // alone, so that many problems in a large text cost no pass over the text each.
    std::size_t End = static_cast<std::size_t>(P.Column);
    while (End < Line.size() && Line[End] != ' ' && Line[End] != '\t')
      ++End;
    const Json Start = {
        {"line", P.Line},
        {"character", LspColumnsOf(Line.substr(0, static_cast<std::size_t>(P.Column)))}};
    const Json Stop = {{"line", P.Line}, {"character", LspColumnsOf(Line.substr(0, End))}};
    Found.push_back({{"range", {{"start", Start}, {"end", Stop}}},
                     {"severity", 2},
                     {"source", "qmate"},
                     {"message", P.Message}});
  }
  Document.HasProblems = !Found.empty();
  return {{"uri", Uri}, {"diagnostics", Found}};
}
