// The problems of a document's blocks as the language server's diagnostics: the same reading
// qmate lint prints.
#include "../src/reindent/blocks.hpp"
#include "lsp.hpp"

Json LspDiagnostics(const std::string &Uri, LspDocument &Document) {
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
  Json Found = Json::array();
  for (const BlockProblem &P : ReadBlocks(Lines, Document.Path).Problems) {
    const std::string &Line = Lines[static_cast<std::size_t>(P.Line)];
    // The range covers the word the problem is told at.
    std::size_t End = static_cast<std::size_t>(P.Column);
    while (End < Line.size() && Line[End] != ' ' && Line[End] != '\t')
      ++End;
    const std::size_t At = Starts[static_cast<std::size_t>(P.Line)];
    Found.push_back({{"range",
                      {{"start", LspPositionOf(Text, At + static_cast<std::size_t>(P.Column))},
                       {"end", LspPositionOf(Text, At + End)}}},
                     {"severity", 2},
                     {"source", "qmate"},
                     {"message", P.Message}});
  }
  Document.HasProblems = !Found.empty();
  return {{"uri", Uri}, {"diagnostics", Found}};
}
