// The outline of a document: the header lines the navigator lists, as document symbols.
#include "../sim/sim.hpp"
#include "../src/commands/symbols.hpp"
#include "../src/host/session.hpp"
#include "lsp.hpp"

namespace {

enum SymbolKinds { KindClass = 5, KindMethod = 6, KindFunction = 12 };

bool Before(const Json &A, const Json &B) {
  return A["line"] < B["line"] || (A["line"] == B["line"] && A["character"] < B["character"]);
}

} // namespace

Json LspOutline(const std::string &Text, const std::vector<int> &HeaderLines) {
  // The editor's lines, as the navigator numbers them; a client's line numbers may differ (it
  // ends two lines at a CR CR LF), so positions go through the lines' byte offsets.
  std::vector<std::size_t> Starts{0};
  for (SimLineSpan S = SimSplitLine(Text.data(), Text.size(), 0); S.Eol != SimEolNone;
       S = SimSplitLine(Text.data(), Text.size(), S.Next))
    Starts.push_back(S.Next);
  Starts.push_back(Text.size());
  std::size_t LineCount = Starts.size() - 1;
  LspPositionWalk Walk, EndWalk; // the headers come top to bottom
  std::vector<Json> Symbols;
  std::vector<std::string> ClassNames; // per symbol: the class it declares, or empty
  std::vector<int> Parent(HeaderLines.size(), -1);
  int LastClass = -1;
  for (std::size_t I = 0; I < HeaderLines.size(); ++I) {
    int Line = HeaderLines[I];
    std::string Raw;
    if (Line >= 0 && std::size_t(Line) < LineCount)
      Raw = Text.substr(Starts[std::size_t(Line)],
                        Starts[std::size_t(Line) + 1] - Starts[std::size_t(Line)]);
    // What the header declares, as the workspace index reads it.
    SymbolRecord Declared;
    bool Read = ReadHeaderSymbol(Raw, Declared);
    bool IsClass = Read && Declared.Kind == SymbolClass;
    bool IsMethod = Read && Declared.Kind == SymbolMethod;
    ClassNames.push_back(IsClass ? Declared.Name : std::string());
    if (IsClass)
      LastClass = static_cast<int>(I);
    if (IsMethod) {
      const std::string &Owner = Declared.Container;
      Parent[I] = LastClass;
      for (std::size_t K = 0; K < ClassNames.size() && !Owner.empty(); ++K)
        if (SameName(ClassNames[K].data(), ClassNames[K].size(), Owner))
          Parent[I] = static_cast<int>(K);
    }
    // A routine reaches from its header to the next one, or to the end of the text.
    auto LineStart = [&](int At) {
      return At >= 0 && std::size_t(At) < LineCount ? Starts[std::size_t(At)] : Text.size();
    };
    Json Start = LspPositionFrom(Text, Walk, LineStart(Line));
    Json End = LspPositionFrom(
        Text, EndWalk, I + 1 < HeaderLines.size() ? LineStart(HeaderLines[I + 1]) : Text.size());
    Json Header = {{"start", Start},
                   {"end", {{"line", Start["line"]}, {"character", LspColumnsOf(Raw)}}}};
    std::size_t NameStart, NameEnd;
    TrimBounds(Raw, NameStart, NameEnd);
    std::string Name = Raw.substr(NameStart, NameEnd - NameStart);
    Symbols.push_back({{"name", Name.empty() ? "?" : Name},
                       {"kind", IsClass    ? KindClass
                                : IsMethod ? KindMethod
                                           : KindFunction},
                       {"range", {{"start", Header["start"]}, {"end", End}}},
                       {"selectionRange", Header}});
  }
  // Methods go into their classes, whose ranges grow to hold them.
  for (std::size_t I = 0; I < Symbols.size(); ++I) {
    if (Parent[I] < 0)
      continue;
    Json &Owner = Symbols[std::size_t(Parent[I])];
    if (Before(Symbols[I]["range"]["start"], Owner["range"]["start"]))
      Owner["range"]["start"] = Symbols[I]["range"]["start"];
    if (Before(Owner["range"]["end"], Symbols[I]["range"]["end"]))
      Owner["range"]["end"] = Symbols[I]["range"]["end"];
    Owner["children"].push_back(Symbols[I]);
  }
  Json Outline = Json::array();
  for (std::size_t I = 0; I < Symbols.size(); ++I)
    if (Parent[I] < 0)
      Outline.push_back(Symbols[I]);
  return Outline;
}
