// The language server: framing, protocol errors, document changes, and the edits it answers
// with, applied to the document as a client applies them.
#include "../../cli/lsp.hpp"
#include "harness.hpp"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

std::string Frame(const std::string &Body) {
  return "Content-Length: " + std::to_string(Body.size()) + "\r\n\r\n" + Body;
}

std::string Request(int Id, const std::string &Method, const std::string &Params) {
  return Frame(R"({"jsonrpc":"2.0","id":)" + std::to_string(Id) + R"(,"method":")" + Method +
               R"(","params":)" + Params + "}");
}

std::string Notice(const std::string &Method, const std::string &Params) {
  return Frame(R"({"jsonrpc":"2.0","method":")" + Method + R"(","params":)" + Params + "}");
}

const std::string Uri = "file:///work/a%20b.prg";
const std::string Doc = R"({"textDocument":{"uri":")" + Uri + R"("}})";
const std::string Init = Request(1, "initialize", R"({"capabilities":{}})");

std::string Open(const std::string &Text) {
  Json Params = {
      {"textDocument", {{"uri", Uri}, {"languageId", "clipper"}, {"version", 1}, {"text", Text}}}};
  return Notice("textDocument/didOpen", Params.dump());
}

// A fresh server on a setup folder whose Replace.dat holds ReplaceRows.
void StartServer(const std::string &ReplaceRows = std::string()) {
  std::string Folder = TestFolder("lsp");
  mkdir((Folder + "/setup").c_str(), 0755);
  if (!ReplaceRows.empty())
    WriteTextFile(Folder + "/setup/Replace.dat", ReplaceRows);
  LspServer.Options = CliOptions();
  LspServer.Options.SetupDir = Folder + "/setup";
  LspReset();
}

// Feeds Stream in pieces of Piece bytes (at once for 0); the messages the server sent.
std::vector<Json> Feed(const std::string &Stream, std::size_t Piece = 0) {
  std::string Out;
  std::size_t Step = Piece ? Piece : std::max<std::size_t>(Stream.size(), 1);
  for (std::size_t I = 0; I < Stream.size(); I += Step)
    LspFeed(Stream.data() + I, std::min(Step, Stream.size() - I), Out);
  std::vector<Json> Messages;
  for (std::size_t At = 0; At < Out.size();) {
    std::size_t HeaderEnd = Out.find("\r\n\r\n", At);
    EXPECT_EQ(Out.compare(At, 16, "Content-Length: "), 0) << Out;
    if (HeaderEnd == std::string::npos)
      break;
    std::size_t Length = std::stoul(Out.substr(At + 16, HeaderEnd - At - 16));
    Messages.push_back(Json::parse(Out.substr(HeaderEnd + 4, Length)));
    At = HeaderEnd + 4 + Length;
  }
  return Messages;
}

// Each message in short: "ID:result", "ID:error CODE", or the method the server sent.
std::string Summary(const std::vector<Json> &Messages) {
  std::string S;
  for (const Json &M : Messages) {
    S += S.empty() ? "" : " ";
    if (M.contains("method"))
      S += M["method"].get<std::string>();
    else
      S += M["id"].dump() +
           (M.contains("error") ? ":error " + M["error"]["code"].dump() : ":result");
  }
  return S;
}

struct ProtocolCase {
  const char *Name;
  std::string Stream;
  std::size_t Piece;
  const char *Expected;
  std::string ReplaceRows = ""; // the setup folder's Replace.dat
};

TEST(LspProtocol, FramesErrorsAndLifecycle) {
  const std::string Format = Request(2, "textDocument/formatting", Doc);
  const std::string Text = "function f\nif x\n? 1\nendif\n";
  const ProtocolCase Cases[] = {
      {"split into single bytes", Init + Open(Text) + Format, 1, "1:result 2:result"},
      {"split inside the header and the body", Init + Open(Text) + Format, 7, "1:result 2:result"},
      {"three messages in one read", Init + Open(Text) + Format, 0, "1:result 2:result"},
      {"header name in another case", "content-length: 2\r\n\r\n{}" + Init, 0,
       "null:error -32600 1:result"},
      {"bad JSON, then the server goes on", Frame("{\"id\":1,") + Init, 0,
       "null:error -32700 1:result"},
      {"header without Content-Length", "Content-Type: x\r\n\r\n" + Init, 0,
       "null:error -32700 1:result"},
      {"Content-Length not a number", "Content-Length: 1e3\r\n\r\n" + Init, 0,
       "null:error -32700 1:result"},
      {"header that never ends", std::string(9000, 'x'), 0, "null:error -32700"},
      {"a batch array", Frame("[1,2]"), 0, "null:error -32600"},
      {"request without a method", Frame(R"({"jsonrpc":"2.0","id":4})"), 0, "4:error -32600"},
      {"unknown document", Init + Format, 0, "1:result 2:error -32602"},
      {"closed document", Init + Open(Text) + Notice("textDocument/didClose", Doc) + Format, 0,
       "1:result 2:error -32602"},
      {"unknown method", Request(3, "textDocument/hover", Doc), 0, "3:error -32601"},
      {"unknown notifications are ignored",
       Notice("$/cancelRequest", R"({"id":1})") + Notice("initialized", "{}"), 0, ""},
      {"parameters of the wrong type", Request(5, "textDocument/formatting", "[]"), 0,
       "5:error -32602"},
      {"a change to an unknown document", Notice("textDocument/didChange", Doc), 0,
       "window/logMessage"},
      {"a change without its text",
       Open(Text) + Notice("textDocument/didChange", R"({"textDocument":{"uri":")" + Uri +
                                                         R"("},"contentChanges":[{"range":5}]})"),
       0, "window/logMessage"},
      {"the client's answer to an edit", Frame(R"({"jsonrpc":"2.0","id":1,"result":{}})"), 0, ""},
      {"symbols and code actions",
       Open(Text) + Request(6, "textDocument/documentSymbol", Doc) +
           Request(
               7, "textDocument/codeAction",
               R"({"textDocument":{"uri":")" + Uri +
                   R"("},"range":{"start":{"line":0,"character":0},"end":{"line":1,"character":0}},"context":{"diagnostics":[]}})"),
       0, "6:result 7:result"},
      {"comment command sends its edit first",
       Open(Text) +
           Request(8, "workspace/executeCommand",
                   R"({"command":"qmate.comment","arguments":[")" + Uri +
                       R"(",{"start":{"line":1,"character":0},"end":{"line":2,"character":0}}]})"),
       0, "workspace/applyEdit 8:result"},
      {"comment without lines",
       Open(Text) + Request(9, "workspace/executeCommand",
                            R"({"command":"qmate.comment","arguments":[")" + Uri + R"("]})"),
       0, "9:error -32602"},
      {"unknown command",
       Open(Text) + Request(9, "workspace/executeCommand",
                            R"({"command":"x","arguments":[")" + Uri + R"("]})"),
       0, "9:error -32602"},
      {"requests after shutdown are refused",
       Request(10, "shutdown", "null") + Request(11, "textDocument/formatting", Doc), 0,
       "10:result 11:error -32600"},
      {"nothing is read after exit", Notice("exit", "null") + Init, 0, ""},
      {"a result that is not UTF-8 is refused, not altered", Open("qq := 1\n") + Format, 0,
       "2:error -32603", "qq         \xE9\xE9\n"},
  };
  for (const ProtocolCase &C : Cases) {
    StartServer(C.ReplaceRows);
    EXPECT_EQ(Summary(Feed(C.Stream, C.Piece)), C.Expected) << C.Name;
  }
}

TEST(LspProtocol, AnnouncesWhatItServes) {
  StartServer();
  std::vector<Json> Replies = Feed(Request(
      1, "initialize", R"({"capabilities":{"general":{"positionEncodings":["utf-8","utf-16"]}}})"));
  ASSERT_EQ(Replies.size(), 1u);
  const Json &Caps = Replies[0]["result"]["capabilities"];
  EXPECT_EQ(Caps["positionEncoding"], "utf-8");
  EXPECT_EQ(Caps["textDocumentSync"]["change"], 2);
  EXPECT_TRUE(Caps["documentRangeFormattingProvider"].get<bool>());
  EXPECT_EQ(Caps["executeCommandProvider"]["commands"].size(), 3u);
}

struct ChangeCase {
  const char *Name;
  const char *Text;
  const char *Changes; // the contentChanges array
  const char *Expected;
};

TEST(LspDocuments, AppliesChangesInUtf16Columns) {
  const ChangeCase Cases[] = {
      {"whole text", "a\nb\n", R"([{"text":"c"}])", "c"},
      {"insert a line", "a\nb\n",
       R"([{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":0}},"text":"x\n"}])",
       "a\nx\nb\n"},
      {"join over CRLF", "ab\r\ncd\r\n",
       R"([{"range":{"start":{"line":0,"character":2},"end":{"line":1,"character":0}},"text":""}])",
       "abcd\r\n"},
      {"a lone CR ends a line", "ab\rcd",
       R"([{"range":{"start":{"line":1,"character":1},"end":{"line":1,"character":2}},"text":"X"}])",
       "ab\rcX"},
      {"two units for a letter beyond the first plane", "\xC3\xA4\xF0\x9F\x98\x80x\n",
       R"([{"range":{"start":{"line":0,"character":3},"end":{"line":0,"character":4}},"text":"y"}])",
       "\xC3\xA4\xF0\x9F\x98\x80y\n"},
      {"a column past the line's end stops there", "ab\ncd",
       R"([{"range":{"start":{"line":0,"character":99},"end":{"line":0,"character":99}},"text":"!"}])",
       "ab!\ncd"},
      {"a line past the end is the end", "ab\n",
       R"([{"range":{"start":{"line":7,"character":0},"end":{"line":9,"character":0}},"text":"z"}])",
       "ab\nz"},
      {"changes apply one after another", "abc",
       R"([{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":1}},"text":"XY"},{"range":{"start":{"line":0,"character":2},"end":{"line":0,"character":3}},"text":""}])",
       "XYc"},
      {"a malformed change leaves the text as it was", "abc",
       R"([{"text":"new"},{"range":{"start":{"line":0}},"text":"x"}])", "abc"},
  };
  for (const ChangeCase &C : Cases) {
    StartServer();
    Feed(Open(C.Text) + Notice("textDocument/didChange", R"({"textDocument":{"uri":")" + Uri +
                                                             R"(","version":2},"contentChanges":)" +
                                                             C.Changes + "}"));
    EXPECT_EQ(LspServer.Documents[Uri].Text, C.Expected) << C.Name;
  }
}

// Applies text edits as a client does: positions counted on the text before any edit.
std::string ApplyEdits(const std::string &Text, const Json &Edits) {
  std::vector<std::size_t> Starts = {0};
  for (std::size_t I = 0; I < Text.size(); ++I)
    if (Text[I] == '\n' || (Text[I] == '\r' && (I + 1 >= Text.size() || Text[I + 1] != '\n')))
      Starts.push_back(I + 1);
  auto Offset = [&](const Json &P) {
    return Starts.at(P["line"].get<std::size_t>()) + P["character"].get<std::size_t>();
  };
  std::string Out = Text;
  for (auto E = Edits.rbegin(); E != Edits.rend(); ++E) {
    std::size_t Start = Offset((*E)["range"]["start"]), End = Offset((*E)["range"]["end"]);
    Out.replace(Start, End - Start, (*E)["newText"].get<std::string>());
  }
  return Out;
}

struct EditCase {
  const char *Name;
  const char *Text;
  const char *Method;
  const char *Params; // after the document's URI
  const char *Expected;
  int Edits; // how many edits the answer holds
};

TEST(LspEdits, ChangeOnlyTheLinesThatChange) {
  const char *Mixed = "function f\nlocal a\nif a\n? 1\nendif\nreturn nil\n";
  const EditCase Cases[] = {
      {"whole file", Mixed, "textDocument/formatting", "",
       "\nfunction f\n  local a\n  if a\n    ? 1\n  endif\n  return nil\n", 2},
      {"settled lines are left out",
       "\nfunction f\n  local a\nif a\n    ? 1\n  endif\n  return nil\n", "textDocument/formatting",
       "", "\nfunction f\n  local a\n  if a\n    ? 1\n  endif\n  return nil\n", 1},
      {"nothing to change", "\nfunction f\n  return nil\n", "textDocument/formatting", "",
       "\nfunction f\n  return nil\n", 0},
      {"CRLF kept on the inserted line", "x := 1\r\nfunction f\r\nreturn nil\r\n",
       "textDocument/formatting", "", "x := 1\r\n\r\nfunction f\r\n  return nil\r\n", 2},
      {"mixed line ends kept line by line",
       "\nfunction f\r  local a\nif a\r\n? 1\rendif\nreturn nil\r\n", "textDocument/formatting", "",
       "\nfunction f\r  local a\n  if a\r\n  ? 1\rendif\n  return nil\r\n", 1}, // a lone CR is text
      {"a shared start and end around the changes", "x\r\ny\nfunction f\nreturn nil",
       "textDocument/formatting", "", "x\r\ny\n\nfunction f\n  return nil", 2},
      {"no final line end", "\nfunction f\nreturn nil", "textDocument/formatting", "",
       "\nfunction f\n  return nil", 1},
      {"range from a column", Mixed, "textDocument/rangeFormatting",
       R"(,"range":{"start":{"line":2,"character":4},"end":{"line":5,"character":0}})",
       "function f\nlocal a\n    if a\n      ? 1\n    endif\nreturn nil\n", 1},
      {"a lone CR ends a line for the client only",
       "function f\nlocal a\rb := 1\nif a\n? 1\nendif\n", "textDocument/rangeFormatting",
       R"(,"range":{"start":{"line":3,"character":0},"end":{"line":6,"character":0}})",
       "function f\nlocal a\rb := 1\nif a\n  ? 1\nendif\n", 1},
      {"many runs, each placed after wide characters and lone CRs above it",
       "x := \"\xC3\xA9\"\r? 1\nfunction f\nlocal a\ny := \"\xF0\x9F\x98\x80\"\r? 2\nif a\n? 1\n"
       "endif\nfunction g\nreturn nil\n",
       "textDocument/formatting", "",
       "x := \"\xC3\xA9\"\r? 1\n\nfunction f\n  local a\n  y := \"\xF0\x9F\x98\x80\"\r? 2\n  if a\n"
       "    ? 1\n  endif\n\nfunction g\n  return nil\n",
       3},
      {"range ending inside a line takes that line", Mixed, "textDocument/rangeFormatting",
       R"(,"range":{"start":{"line":3,"character":0},"end":{"line":3,"character":2}})",
       "function f\nlocal a\nif a\n? 1\nendif\nreturn nil\n", 0},
  };
  for (const EditCase &C : Cases) {
    StartServer();
    std::vector<Json> Replies =
        Feed(Open(C.Text) + Request(2, C.Method,
                                    R"({"textDocument":{"uri":")" + Uri + "\"}" + C.Params +
                                        R"(,"options":{"tabSize":4,"insertSpaces":true}})"));
    ASSERT_EQ(Replies.size(), 1u) << C.Name;
    const Json &Edits = Replies[0]["result"];
    EXPECT_EQ(ApplyEdits(C.Text, Edits), C.Expected) << C.Name << "\n" << Edits.dump();
    EXPECT_EQ(static_cast<int>(Edits.size()), C.Edits) << C.Name << "\n" << Edits.dump();
  }
}

} // namespace

namespace {

// Each symbol as KIND:FIRST-LAST (lines of its range), its children in parentheses.
std::string OutlineSummary(const Json &Symbols) {
  std::string S;
  for (const Json &Symbol : Symbols) {
    S += (S.empty() ? "" : " ") + Symbol["kind"].dump() + ":" +
         Symbol["range"]["start"]["line"].dump() + "-" + Symbol["range"]["end"]["line"].dump();
    if (Symbol.contains("children"))
      S += "(" + OutlineSummary(Symbol["children"]) + ")";
  }
  return S;
}

struct OutlineCase {
  const char *Text;
  std::vector<int> Headers;
  const char *Expected;
};

TEST(LspOutline, ClassesHoldTheirMethods) {
  const OutlineCase Cases[] = {
      {"PROCEDURE Main\n? 1\nFUNCTION F()\nRETURN 1\n", {0, 2}, "12:0-2 12:2-4"},
      {"CREATE CLASS TFoo FROM TBase\nMETHOD New()\nENDCLASS\nMETHOD New() CLASS TFoo\n"
       "RETURN Self\nFUNCTION Helper()\nRETURN nil\n",
       {0, 1, 3, 5},
       "5:0-5(6:1-3 6:3-5) 12:5-7"},
      {"CLASS A\nENDCLASS\nCLASS B\nENDCLASS\nMETHOD x CLASS A\nRETURN nil\nMETHOD y\nRETURN nil\n",
       {0, 2, 4, 6},
       "5:0-6(6:4-6) 5:2-8(6:6-8)"},
      {"METHOD m\nRETURN nil", {0}, "6:0-1"},
      {"class t\n  method m class t\n", {0, 1}, "5:0-2(6:1-2)"},
      {"PROCESSING := 1\n", {0}, "12:0-1"},
  };
  for (const OutlineCase &C : Cases)
    EXPECT_EQ(OutlineSummary(LspOutline(C.Text, C.Headers)), C.Expected) << C.Text;
}

} // namespace

namespace {

TEST(LspSettings, FollowTheProjectFileOfEachDocument) {
  StartServer();
  std::string Folder = TestFolder("lsp-projects");
  mkdir((Folder + "/a").c_str(), 0755);
  mkdir((Folder + "/b").c_str(), 0755);
  WriteTextFile(Folder + "/a/.qmate.ini", "[Settings]\nTab=4\n");
  const std::string Text = "\nfunction f\nif a\n? 1\nendif\n";
  const struct {
    const char *Sub;
    const char *Expected;
  } Cases[] = {{"a", "\nfunction f\n  if a\n      ? 1\n  endif\n"},
               {"b", "\nfunction f\n  if a\n    ? 1\n  endif\n"}};
  for (const auto &C : Cases) {
    std::string DocUri = "file://" + Folder + "/" + C.Sub + "/x.prg";
    Json Params = {{"textDocument", {{"uri", DocUri}, {"version", 1}, {"text", Text}}}};
    std::vector<Json> Replies = Feed(
        Notice("textDocument/didOpen", Params.dump()) +
        Request(2, "textDocument/formatting", R"({"textDocument":{"uri":")" + DocUri + "\"}}"));
    ASSERT_EQ(Replies.size(), 1u) << C.Sub;
    EXPECT_EQ(ApplyEdits(Text, Replies[0]["result"]), C.Expected) << C.Sub;
  }
}

} // namespace
