// The language server: framing, protocol errors, document changes, and the edits it answers
// with, applied to the document as a client applies them.
#include "../../cli/fileio.hpp"
#include "../../cli/guard.hpp"
#include "../../lsp/lsp.hpp"
#include "../../src/commands/symbols.hpp"
#include "harness.hpp"

#include <algorithm>
#include <gtest/gtest.h>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Frame(const std::string &Body) {
  return "Content-Length: " + std::to_string(Body.size()) + "\r\n\r\n" + Body;
}

// A request whose id is the JSON text Id.
std::string RequestWithId(const std::string &Id, const std::string &Method,
                          const std::string &Params) {
  return Frame(R"({"jsonrpc":"2.0","id":)" + Id + R"(,"method":")" + Method + R"(","params":)" +
               Params + "}");
}

std::string Request(int Id, const std::string &Method, const std::string &Params) {
  return RequestWithId(std::to_string(Id), Method, Params);
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

std::vector<Json> Feed(const std::string &Stream, std::size_t Piece = 0);

// A fresh server on a setup folder whose Replace.dat holds ReplaceRows, initialized unless
// Initialize is false.
void StartServer(const std::string &ReplaceRows = std::string(), bool Initialize = true) {
  std::string Folder = TestFolder("lsp");
  mkdir((Folder + "/setup").c_str(), 0755);
  if (!ReplaceRows.empty())
    WriteTextFile(Folder + "/setup/Replace.dat", ReplaceRows);
  LspServer.Options = CliOptions();
  LspServer.Options.SetupDir = Folder + "/setup";
  LspReset();
  if (Initialize)
    Feed(Init);
}

// Feeds Stream in pieces of Piece bytes (at once for 0); the messages the server sent.
// The messages framed in Out.
std::vector<Json> MessagesIn(const std::string &Out) {
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

std::vector<Json> Feed(const std::string &Stream, std::size_t Piece) {
  std::string Out;
  std::size_t Step = Piece ? Piece : std::max<std::size_t>(Stream.size(), 1);
  for (std::size_t I = 0; I < Stream.size(); I += Step)
    LspFeed(Stream.data() + I, std::min(Step, Stream.size() - I), Out);
  return MessagesIn(Out);
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
  bool BreakToken = false;      // the guard reads the result with one token broken
};

TEST(LspProtocol, FramesErrorsAndLifecycle) {
  const std::string Format = Request(2, "textDocument/formatting", Doc);
  const std::string Text = "function f\nif x\n? 1\nendif\n";
  auto Changed = [](const std::string &Changes) {
    return Notice("textDocument/didChange", R"({"textDocument":{"uri":")" + Uri +
                                                R"(","version":2},"contentChanges":)" + Changes +
                                                "}");
  };
  const std::string BadChange = Changed(R"([{"range":5,"text":"x"}])");
  // The server starts uninitialized in each row.
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
      {"a message over 64 MiB is refused and nothing after it read",
       "Content-Length: 67108865\r\n\r\n" + Init, 0, "null:error -32600"},
      {"a length of more places than any limit", "Content-Length: 0000123456789012345678\r\n\r\n",
       0, "null:error -32600"},
      {"a message of 64 MiB is waited for", Init + "Content-Length: 67108864\r\n\r\n" + Init, 0,
       "1:result"},
      {"a batch array", Frame("[1,2]"), 0, "null:error -32600"},
      {"request without a method", Frame(R"({"jsonrpc":"2.0","id":4})"), 0, "4:error -32600"},
      {"a request before initialize", Format + Request(3, "shutdown", "null") + Init, 0,
       "2:error -32002 3:error -32002 1:result"},
      {"notifications before initialize are dropped", Open(Text) + Init + Format, 0,
       "1:result 2:error -32602"},
      {"a second initialize is refused", Init + Request(2, "initialize", "{}") + Format, 0,
       "1:result 2:error -32600 2:error -32602"},
      {"a string id is answered under it", RequestWithId(R"("a-1")", "initialize", "{}"), 0,
       "\"a-1\":result"},
      {"an object as id is refused", RequestWithId(R"({"n":1})", "initialize", "{}") + Init, 0,
       "null:error -32600 1:result"},
      {"an array as id is refused", RequestWithId("[1]", "initialize", "{}") + Init, 0,
       "null:error -32600 1:result"},
      {"true as id is refused", RequestWithId("true", "initialize", "{}") + Init, 0,
       "null:error -32600 1:result"},
      {"a fraction as id is refused", RequestWithId("1.5", "initialize", "{}") + Init, 0,
       "null:error -32600 1:result"},
      {"unknown document", Init + Format, 0, "1:result 2:error -32602"},
      {"closed document", Init + Open(Text) + Notice("textDocument/didClose", Doc) + Format, 0,
       "1:result 2:error -32602"},
      {"unknown method", Init + Request(3, "textDocument/rename", Doc), 0,
       "1:result 3:error -32601"},
      {"workspace fields of the wrong types",
       Request(1, "initialize",
               R"({"rootUri":5,"workspaceFolders":[7],"capabilities":{"workspace":3}})") +
           Request(2, "workspace/symbol", R"({"query":"x"})"),
       0, "1:result 2:result"},
      {"a file system's root is not read",
       Request(1, "initialize", R"({"rootUri":"file:///"})") +
           Request(2, "workspace/symbol", R"({"query":"x"})"),
       0, "1:result 2:result"},
      {"unknown notifications are ignored",
       Init + Notice("$/cancelRequest", R"({"id":1})") + Notice("initialized", "{}"), 0,
       "1:result"},
      {"parameters of the wrong type", Init + Request(5, "textDocument/formatting", "[]"), 0,
       "1:result 5:error -32602"},
      {"a change to an unknown document", Init + Notice("textDocument/didChange", Doc), 0,
       "1:result window/logMessage"},
      {"a change that cannot be applied drops the document, said once",
       Init + Open(Text) + BadChange + BadChange + Format, 0,
       "1:result window/showMessage 2:error -32602"},
      {"a change past the text's end drops the document",
       Init + Open(Text) +
           Changed(
               R"([{"range":{"start":{"line":6,"character":0},"end":{"line":6,"character":0}},"text":"x"}])") +
           Format,
       0, "1:result window/showMessage 2:error -32602"},
      {"a change that cannot be read drops the documents",
       Init + Open(Text) +
           Frame(R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"x)") + Format,
       0, "1:result null:error -32700 window/showMessage 2:error -32602"},
      {"an open without its text is said and not taken",
       Init +
           Notice("textDocument/didOpen",
                  R"({"textDocument":{"uri":")" + Uri + R"(","version":1,"text":7}})") +
           Format,
       0, "1:result window/showMessage 2:error -32602"},
      {"a dropped document opened again is served",
       Init + Open(Text) + BadChange + Open(Text) + Format, 0,
       "1:result window/showMessage 2:result"},
      {"the client's answer to an edit", Init + Frame(R"({"jsonrpc":"2.0","id":1,"result":{}})"), 0,
       "1:result"},
      {"symbols and code actions",
       Init + Open(Text) + Request(6, "textDocument/documentSymbol", Doc) +
           Request(
               7, "textDocument/codeAction",
               R"({"textDocument":{"uri":")" + Uri +
                   R"("},"range":{"start":{"line":0,"character":0},"end":{"line":1,"character":0}},"context":{"diagnostics":[]}})"),
       0, "1:result 6:result 7:result"},
      {"comment command sends its edit first",
       Init + Open(Text) +
           Request(8, "workspace/executeCommand",
                   R"({"command":"qmate.comment","arguments":[")" + Uri +
                       R"(",{"start":{"line":1,"character":0},"end":{"line":2,"character":0}}]})"),
       0, "1:result workspace/applyEdit 8:result"},
      {"comment without lines",
       Init + Open(Text) +
           Request(9, "workspace/executeCommand",
                   R"({"command":"qmate.comment","arguments":[")" + Uri + R"("]})"),
       0, "1:result 9:error -32602"},
      {"unknown command",
       Init + Open(Text) +
           Request(9, "workspace/executeCommand",
                   R"({"command":"x","arguments":[")" + Uri + R"("]})"),
       0, "1:result 9:error -32602"},
      {"requests after shutdown are refused",
       Init + Request(10, "shutdown", "null") + Request(11, "textDocument/formatting", Doc), 0,
       "1:result 10:result 11:error -32600"},
      {"block problems are published on opening and changes, and cleared once gone",
       Init + Open("if x\nenddo\n") + Changed(R"([{"text":"if x\nendif\n"}])") +
           Changed(R"([{"text":"if y\nendif\n"}])") + Changed(R"([{"text":"endif\n"}])") +
           Notice("textDocument/didClose", Doc),
       0,
       "1:result textDocument/publishDiagnostics textDocument/publishDiagnostics "
       "textDocument/publishDiagnostics textDocument/publishDiagnostics"},
      {"nothing is read after exit", Notice("exit", "null") + Init, 0, ""},
      {"a result that is not UTF-8 is refused, not altered", Init + Open("qq := 1\n") + Format, 0,
       "1:result 2:error -32603", "qq         \xE9\xE9\n"},
      {"a result that is not the same program gives no edits and says where",
       Init + Open(Text) + Format, 0, "1:result window/showMessage 2:result", "", true},
  };
  StartServer();
  EXPECT_EQ(
      Feed(Open("\xC3\xA9 := 1 ; WHILE x\n"))[0]["params"]["diagnostics"],
      Json::parse(R"([{"range":{"start":{"line":0,"character":9},"end":{"line":0,"character":14}},
                "severity":2,"source":"qmate",
                "message":"DO WHILE opened here is not closed by the end of the file"}])"));
  for (const ProtocolCase &C : Cases) {
    StartServer(C.ReplaceRows, false);
    CliInjectBrokenToken = C.BreakToken;
    std::vector<Json> Replies = Feed(C.Stream, C.Piece);
    CliInjectBrokenToken = false;
    EXPECT_EQ(Summary(Replies), C.Expected) << C.Name;
    if (C.BreakToken) {
      EXPECT_EQ(Replies.back()["result"], Json::array()) << C.Name;
      EXPECT_NE(Replies[1]["params"]["message"].get<std::string>().find("a b.prg:1: the "),
                std::string::npos)
          << Replies[1].dump();
    }
  }
}

TEST(LspProtocol, AnnouncesWhatItServes) {
  StartServer("", false);
  std::vector<Json> Replies = Feed(Request(
      1, "initialize", R"({"capabilities":{"general":{"positionEncodings":["utf-8","utf-16"]}}})"));
  ASSERT_EQ(Replies.size(), 1u);
  const Json &Caps = Replies[0]["result"]["capabilities"];
  EXPECT_EQ(Caps["positionEncoding"], "utf-8");
  EXPECT_EQ(Caps["textDocumentSync"]["change"], 2);
  EXPECT_TRUE(Caps["documentRangeFormattingProvider"].get<bool>());
  EXPECT_EQ(Caps["executeCommandProvider"]["commands"].size(), 3u);
  EXPECT_TRUE(Caps["foldingRangeProvider"].get<bool>());
  EXPECT_EQ(Caps["documentOnTypeFormattingProvider"]["firstTriggerCharacter"], "\n");
  // A client's rangeLimit keeps the first folding ranges.
  StartServer("", false);
  Replies = Feed(Request(1, "initialize",
                         R"({"capabilities":{"textDocument":{"foldingRange":{"rangeLimit":1}}}})") +
                 Open("if a\n? 1\nendif\nif b\n? 2\nendif\n") +
                 Request(2, "textDocument/foldingRange", Doc));
  EXPECT_EQ(Replies.back()["result"], Json::parse(R"([{"startLine":0,"endLine":1}])"));
}

const char *const Dropped = "(dropped)";

struct ProcessCase {
  const char *Name;
  std::string Stream;
  bool Endless; // the stream goes on with zero bytes for ever
  int Status;
  int ErrorLines; // lines on standard error
  const char *Expected;
};

// The server as a process on a pipe: its exit status, its log and what it answers.
TEST(LspProtocol, ExitsAsTheProtocolAsks) {
  std::string Folder = TestFolder("lsp-process");
  mkdir((Folder + "/setup").c_str(), 0755);
  const ProcessCase Cases[] = {
      {"shutdown, then exit", Init + Request(2, "shutdown", "null") + Notice("exit", "null"), false,
       0, 0, "1:result 2:result"},
      {"exit without shutdown", Init + Notice("exit", "null"), false, 1, 0, "1:result"},
      {"the client leaves", Init, false, 1, 0, "1:result"},
      {"a message over the limit whose body never ends: refused, not read",
       Init + "Content-Length: 100000000\r\n\r\n", true, 2, 1, "1:result null:error -32600"},
  };
  for (const ProcessCase &C : Cases) {
    WriteTextFile(Folder + "/stream", C.Stream);
    std::string Input = "cat '" + Folder + "/stream'" + (C.Endless ? " /dev/zero" : "");
    int Raw = std::system((Input + " | timeout 60 '" QMATE_BINARY_DIR "/qmate' lsp --setup '" +
                           Folder + "/setup' >'" + Folder + "/out' 2>'" + Folder + "/err'")
                              .c_str());
    int Status = WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1;
    std::string Errors = ReadTextFile(Folder + "/err");
    EXPECT_EQ(Status, C.Status) << C.Name << "\n" << Errors;
    EXPECT_EQ(std::count(Errors.begin(), Errors.end(), '\n'), C.ErrorLines) << C.Name << Errors;
    EXPECT_EQ(Summary(MessagesIn(ReadTextFile(Folder + "/out"))), C.Expected) << C.Name;
  }
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
      {"the line after the last is the end", "ab\n",
       R"([{"range":{"start":{"line":2,"character":0},"end":{"line":2,"character":5}},"text":"z"}])",
       "ab\nz"},
      {"a line beyond that drops the document", "ab\n",
       R"([{"range":{"start":{"line":3,"character":0},"end":{"line":3,"character":0}},"text":"z"}])",
       Dropped},
      {"a start after the end drops the document", "abc",
       R"([{"range":{"start":{"line":0,"character":2},"end":{"line":0,"character":1}},"text":""}])",
       Dropped},
      {"a negative line drops the document", "abc",
       R"([{"range":{"start":{"line":-1,"character":0},"end":{"line":0,"character":1}},"text":""}])",
       Dropped},
      {"a fractional column drops the document", "abc",
       R"([{"range":{"start":{"line":0,"character":0.5},"end":{"line":0,"character":1}},"text":""}])",
       Dropped},
      {"contentChanges not a list drops the document", "abc", R"({"text":"x"})", Dropped},
      {"a CR and an LF put after it make one line end", "a\rb",
       R"([{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":0}},"text":"\n"},{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":0}},"text":"X"}])",
       "a\r\nXb"},
      {"a CR LF split by a line between", "a\r\nb",
       R"([{"range":{"start":{"line":0,"character":1},"end":{"line":1,"character":0}},"text":"\rQ\n"},{"range":{"start":{"line":2,"character":0},"end":{"line":2,"character":0}},"text":"Z"}])",
       "a\rQ\nZb"},
      {"lines joined, then the line after them changed", "a\nb\nc\nd",
       R"([{"range":{"start":{"line":0,"character":1},"end":{"line":2,"character":0}},"text":""},{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":1}},"text":"D"}])",
       "ac\nD"},
      {"lines made, then the last line changed", "a\nb",
       R"([{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"text":"x\r\ny\rz\n"},{"range":{"start":{"line":4,"character":0},"end":{"line":4,"character":1}},"text":"B"}])",
       "x\r\ny\rz\na\nB"},
      {"the whole text, then a change in it", "a\nb\n",
       R"([{"text":"p\r\nq"},{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":1}},"text":"R"}])",
       "p\r\nR"},
      {"changes apply one after another", "abc",
       R"([{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":1}},"text":"XY"},{"range":{"start":{"line":0,"character":2},"end":{"line":0,"character":3}},"text":""}])",
       "XYc"},
      {"a malformed change drops the document, not keeping a half-changed text", "abc",
       R"([{"text":"new"},{"range":{"start":{"line":0}},"text":"x"}])", Dropped},
  };
  for (const ChangeCase &C : Cases) {
    StartServer();
    Feed(Open(C.Text) + Notice("textDocument/didChange", R"({"textDocument":{"uri":")" + Uri +
                                                             R"(","version":2},"contentChanges":)" +
                                                             C.Changes + "}"));
    auto Found = LspServer.Documents.find(Uri);
    EXPECT_EQ(Found == LspServer.Documents.end() ? Dropped : Found->second.Text, C.Expected)
        << C.Name;
    // The line starts kept up to date by each change are those of the text read afresh.
    if (Found != LspServer.Documents.end()) {
      EXPECT_EQ(Found->second.LineStarts, LspLineStarts(Found->second.Text)) << C.Name;
    }
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
  const char *Method; // a request, or a command run with workspace/executeCommand
  const char *Params; // after the document's URI; for a command, its range
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
       "function f\r  local a\n  if a\r\n    ? 1\rendif\n  return nil\r\n", 2},
      {"a shared start and end around the changes", "x\r\ny\nfunction f\nreturn nil",
       "textDocument/formatting", "", "x\r\ny\n\nfunction f\n  return nil", 2},
      {"no final line end", "\nfunction f\nreturn nil", "textDocument/formatting", "",
       "\nfunction f\n  return nil", 1},
      {"range from a column", Mixed, "textDocument/rangeFormatting",
       R"(,"range":{"start":{"line":2,"character":4},"end":{"line":5,"character":0}})",
       "function f\nlocal a\n    if a\n      ? 1\n    endif\nreturn nil\n", 1},
      {"range from a column after wide characters: indented to the characters' column",
       "function f\n// \xC3\xA9\xC3\xA9 x\nif a\n? 1\nendif\n", "textDocument/rangeFormatting",
       R"(,"range":{"start":{"line":1,"character":5},"end":{"line":5,"character":0}})",
       "function f\n     // \xC3\xA9\xC3\xA9 x\n     if a\n       ? 1\n     endif\n", 1},
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
      {"a range starting past the last line changes nothing", Mixed, "textDocument/rangeFormatting",
       R"(,"range":{"start":{"line":9,"character":0},"end":{"line":12,"character":0}})", Mixed, 0},
      {"comment", "a := 1\nb := 2\nc := 3\n", "qmate.comment",
       R"({"start":{"line":1,"character":0},"end":{"line":2,"character":0}})",
       "a := 1\n//b := 2\nc := 3\n", 1},
      {"comment of a range past the last line stops at it", "a := 1\nb := 2\n", "qmate.comment",
       R"({"start":{"line":1,"character":0},"end":{"line":9,"character":0}})", "a := 1\n//b := 2\n",
       1},
      {"comment past the last line without a final line end", "a := 1\nb := 2", "qmate.comment",
       R"({"start":{"line":0,"character":0},"end":{"line":5,"character":3}})", "//a := 1\n//b := 2",
       1},
      {"comment of the place after the final line end does nothing", "a := 1\n", "qmate.comment",
       R"({"start":{"line":1,"character":0},"end":{"line":1,"character":0}})", "a := 1\n", 0},
      {"comment of a range starting past the last line does nothing", "a := 1\nb := 2",
       "qmate.comment", R"({"start":{"line":4,"character":0},"end":{"line":9,"character":0}})",
       "a := 1\nb := 2", 0},
  };
  for (const EditCase &C : Cases) {
    StartServer();
    bool Command = std::string(C.Method).compare(0, 6, "qmate.") == 0;
    std::string Params = Command ? std::string(R"({"command":")") + C.Method +
                                       R"(","arguments":[")" + Uri + "\"," + C.Params + "]}"
                                 : R"({"textDocument":{"uri":")" + Uri + "\"}" + C.Params +
                                       R"(,"options":{"tabSize":4,"insertSpaces":true}})";
    std::vector<Json> Replies =
        Feed(Open(C.Text) + Request(2, Command ? "workspace/executeCommand" : C.Method, Params));
    ASSERT_EQ(Replies.size(), Command && C.Edits ? 2u : 1u) << C.Name;
    ASSERT_FALSE(Replies.back().contains("error")) << C.Name << "\n" << Replies.back().dump();
    // A command's edits come in the request to apply them that the server sends first.
    const Json &Edits = !Command  ? Replies[0]["result"]
                        : C.Edits ? Replies[0]["params"]["edit"]["changes"][Uri]
                                  : Json::array();
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

// Sets a file's modification time one hour back: a file that has settled.
void Settle(const std::string &Path) {
  struct timespec Times[2] = {{0, UTIME_OMIT}, {time(nullptr) - 3600, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, Path.c_str(), Times, 0), 0) << Path;
}

// One step of a session: what happens to the project settings files first, then a formatting
// of a document in folder a or b, the settings it must follow, and how many times the
// settings file was read for it (each reading warns about its Style=Weird).
struct SettingsStep {
  const char *Name;
  const char *File;   // a file under the test's folder, or ""
  const char *Write;  // written to File (null: File removed; "": left alone)
  bool Settled;       // File's time set back, so that it is not read again unchanged
  const char *Notice; // a notification sent first, naming File ("" for none)
  const char *Sub;
  int Tab;
  int Readings;
};

TEST(LspSettings, FollowTheProjectFileOfEachDocumentReadOnceWhileUnchanged) {
  StartServer();
  std::string Folder = TestFolder("lsp-projects");
  mkdir((Folder + "/a").c_str(), 0755);
  mkdir((Folder + "/b").c_str(), 0755);
  const char *Tab4 = "[Settings]\nTab=4\n[Rules]\nStyle=Weird\n";
  const char *Tab6 = "[Settings]\nTab=6\n[Rules]\nStyle=Weird\n";
  const char *Tab8 = "[Settings]\nTab=8\n[Rules]\nStyle=Weird\n"; // the size of Tab6
  const SettingsStep Steps[] = {
      {"first request reads the file", "a/.qmate.ini", Tab4, true, "", "a", 4, 1},
      {"the next one does not", "", "", false, "", "a", 4, 0},
      {"a folder without a file", "", "", false, "", "b", 2, 0},
      {"and again the first", "", "", false, "", "a", 4, 0},
      {"a file just written is read", "a/.qmate.ini", Tab6, false, "", "a", 6, 1},
      {"then settled: read once more (its times changed)", "a/.qmate.ini", "", true, "", "a", 6, 1},
      {"and kept", "", "", false, "", "a", 6, 0},
      {"rewritten to the same size and time", "a/.qmate.ini", Tab8, true, "", "a", 8, 1},
      {"saved in the editor", "", "", false, "textDocument/didSave", "a", 8, 1},
      {"changed as the client watches it", "", "", false, "workspace/didChangeWatchedFiles", "a", 8,
       1},
      {"removed", "a/.qmate.ini", nullptr, false, "", "a", 2, 0},
      {"a file appears in the other folder", "b/.qmate.ini", Tab4, true, "", "b", 4, 1},
  };
  const std::string Text = "\nfunction f\nif a\n? 1\nendif\n";
  for (const SettingsStep &S : Steps) {
    std::string Path = Folder + "/" + S.File;
    if (!S.Write)
      unlink(Path.c_str());
    else if (*S.Write)
      WriteTextFile(Path, S.Write);
    if (S.Settled)
      Settle(Path);
    std::string DocUri = "file://" + Folder + "/" + S.Sub + "/x.prg";
    std::string FileUri = "file://" + Folder + "/a/.qmate.ini";
    std::string Notices =
        std::string(S.Notice) == "textDocument/didSave"
            ? Notice(S.Notice, R"({"textDocument":{"uri":")" + FileUri + "\"}}")
        : *S.Notice ? Notice(S.Notice, R"({"changes":[{"uri":")" + FileUri + R"(","type":2}]})")
                    : "";
    Json Params = {{"textDocument", {{"uri", DocUri}, {"version", 1}, {"text", Text}}}};
    testing::internal::CaptureStderr();
    std::vector<Json> Replies = Feed(
        Notices + Notice("textDocument/didOpen", Params.dump()) +
        Request(2, "textDocument/formatting", R"({"textDocument":{"uri":")" + DocUri + "\"}}"));
    std::string Log = testing::internal::GetCapturedStderr();
    ASSERT_EQ(Replies.size(), 1u) << S.Name;
    std::string Indent(static_cast<std::size_t>(S.Tab), ' ');
    EXPECT_EQ(ApplyEdits(Text, Replies[0]["result"]),
              "\nfunction f\n  if a\n  " + Indent + "? 1\n  endif\n")
        << S.Name;
    int Readings = 0;
    for (std::size_t At = Log.find("Style=Weird"); At != std::string::npos;
         At = Log.find("Style=Weird", At + 1))
      ++Readings;
    EXPECT_EQ(Readings, S.Readings) << S.Name << "\n" << Log;
  }
}

} // namespace

namespace {

// A request on a document's structure, and its answer in short: folds as FIRST-LAST (with
// ":kind"), highlights as LINE:START-END, on-type edits as the text they leave.
struct StructureCase {
  const char *Name;
  const char *Text;
  const char *Method;
  int Line, Character;
  const char *Typed; // onTypeFormatting's ch
  const char *Expected;
};

std::string StructureSummary(const char *Method, const char *Text, const Json &Result) {
  std::string S;
  if (std::string(Method) == "textDocument/onTypeFormatting")
    return ApplyEdits(Text, Result);
  for (const Json &R : Result) {
    S += S.empty() ? "" : " ";
    if (R.contains("startLine"))
      S += R["startLine"].dump() + "-" + R["endLine"].dump() +
           (R.contains("kind") ? ":" + R["kind"].get<std::string>() : "");
    else
      S += R["range"]["start"]["line"].dump() + ":" + R["range"]["start"]["character"].dump() +
           "-" + R["range"]["end"]["character"].dump();
  }
  return S;
}

TEST(LspStructure, FoldsHighlightsAndIndentsAsTyped) {
  const char *Fold = "textDocument/foldingRange";
  const char *Pair = "textDocument/documentHighlight";
  const char *Type = "textDocument/onTypeFormatting";
  const char *Loops = "function f\nfor i := 1 to 3\nif i > 1\nloop\nendif\nexit\nnext\n"
                      "do while x\nexit\nenddo\nreturn nil\n";
  const char *Cases = "do case\ncase a\n? 1\notherwise\n? 2\nendcase\n"
                      "switch n\ncase 1\n? 1\notherwise\n? 2\nendswitch\n";
  const StructureCase Rows[] = {
      {"if with else", "if a\n? 1\nelse\n? 2\nendif\n", Fold, 0, 0, "", "0-3 2-3"},
      {"routines to the next header, the class to ENDCLASS",
       "CREATE CLASS T\nVAR a\nENDCLASS\nMETHOD New() CLASS T\nRETURN Self\nfunction f\n"
       "return nil\n\n",
       Fold, 0, 0, "", "0-1 3-4 5-6"},
      {"comments, branches, text regions",
       "/* a\nb */\n#ifdef X\n? 1\n#else\n? 2\n#endif\ntext\nhi\nendtext\n", Fold, 0, 0, "",
       "0-1:comment 2-3 4-5 7-9:region"},
      {"case, switch", Cases, Fold, 0, 0, "", "0-4 1-2 3-4 6-10 7-8 9-10"},
      {"sequence, try, with",
       "begin sequence\n? 1\nrecover\n? 2\nend sequence\ntry\n? 1\ncatch e\n? 2\nendtry\n"
       "with object o\n:a()\nendwith\n",
       Fold, 0, 0, "", "0-3 2-3 5-8 7-8 10-11"},
      {"an unclosed block is not folded", "if a\n? 1\n", Fold, 0, 0, "", ""},
      {"if from its closer", "if a\n? 1\nelseif b\n? 2\nelse\n? 3\nend if\n", Pair, 6, 2, "",
       "0:0-2 2:0-6 4:0-4 6:0-6"},
      {"loop words join their loop", Loops, Pair, 3, 0, "", "1:0-3 3:0-4 5:0-4 6:0-4"},
      {"exit of the inner loop", Loops, Pair, 8, 4, "", "7:0-8 8:0-4 9:0-5"},
      {"do case from a case", Cases, Pair, 3, 1, "", "0:0-7 1:0-4 3:0-9 5:0-7"},
      {"switch", Cases, Pair, 11, 9, "", "6:0-6 7:0-4 9:0-9 11:0-9"},
      {"sequence", "begin sequence\nrecover\nalways\nend\n", Pair, 1, 3, "",
       "0:0-14 1:0-7 2:0-6 3:0-3"},
      {"no block word there", "if a\n? 1\nendif\n", Pair, 1, 0, "", ""},
      {"endif typed", "function f\nif a\n? 1\n    endif", Type, 3, 9, "f",
       "function f\nif a\n? 1\n  endif"},
      {"ELSE typed, upper case", "function f\nif a\n? 1\n      ELSE", Type, 3, 10, "E",
       "function f\nif a\n? 1\n  ELSE"},
      {"a word that goes on is no closer", "function f\nif a\n? 1\n    endiff", Type, 3, 10, "f",
       "function f\nif a\n? 1\n    endiff"},
      {"next typed after a column", "\xC3\xA9 := 1\nfor i := 1 to 3\n? i\n next", Type, 3, 5, "t",
       "\xC3\xA9 := 1\nfor i := 1 to 3\n? i\nnext"},
      {"enter sets the line ended and the one split off",
       "function f\nif a\n? 1\n   endcase\n   ? 2\n", Type, 4, 3, "\n",
       "function f\nif a\n? 1\n  endcase\n  ? 2\n"},
      {"enter after a blank line leaves it", "function f\nif a\n\n", Type, 3, 0, "\n",
       "function f\nif a\n\n"},
  };
  for (const StructureCase &C : Rows) {
    StartServer();
    Json Params = {{"textDocument", {{"uri", Uri}}},
                   {"position", {{"line", C.Line}, {"character", C.Character}}},
                   {"ch", C.Typed},
                   {"options", {{"tabSize", 2}, {"insertSpaces", true}}}};
    std::vector<Json> Replies = Feed(Open(C.Text) + Request(2, C.Method, Params.dump()));
    ASSERT_FALSE(Replies.empty()) << C.Name;
    ASSERT_TRUE(Replies.back().contains("result")) << C.Name << "\n" << Replies.back().dump();
    EXPECT_EQ(StructureSummary(C.Method, C.Text, Replies.back()["result"]), C.Expected)
        << C.Name << "\n"
        << Replies.back().dump();
  }
}

// Each declaration as KIND:NAME@LINE:COLUMN, a method's class after a slash.
TEST(LspIndex, ReadsTheDeclarationsOfAText) {
  const std::pair<const char *, const char *> Cases[] = {
      {"func One()\nSTATIC PROC Two\ninit procedure Three\nfunction := 1\nPROCESS Four\n",
       "0:One@0:5 1:Two@1:12 0:Three@2:15"},
      {"CREATE CLASS TFoo FROM TBase\n   CLASS VAR nCount\n   METHOD New() CONSTRUCTOR\nENDCLASS\n"
       "METHOD New() CLASS TFoo\nCLASS TBar\nENDCLASS\nMETHOD Free()\n",
       "2:TFoo@0:13 3:New/TFoo@2:10 3:New/TFoo@4:7 2:TBar@5:6 3:Free@7:7"},
      {"#  define MAX_ROWS 25\n#xcommand SHOW <x> => QOut( <x> )\n#translate <a> IS <b> => .T.\n",
       "4:MAX_ROWS@0:10 5:SHOW@1:10"},
      {"/* FUNCTION InComment()\n   FUNCTION StillIn() */\nx := 1 /* open\nFUNCTION Nope()\n*/\n"
       "#pragma BEGINDUMP\nstatic FUNCTION C( void )\n#pragma ENDDUMP\r\rFUNCTION After()\n",
       "0:After@9:9"},
  };
  for (const auto &C : Cases) {
    std::vector<SymbolRecord> Symbols;
    ReadSymbols(C.first, std::strlen(C.first), Symbols);
    std::string S;
    for (const SymbolRecord &Symbol : Symbols)
      S += (S.empty() ? "" : " ") + std::to_string(Symbol.Kind) + ":" + Symbol.Name +
           (Symbol.Container.empty() ? "" : "/" + Symbol.Container) + "@" +
           std::to_string(Symbol.Line) + ":" + std::to_string(Symbol.Column);
    EXPECT_EQ(S, C.second) << C.first;
  }
}

// A request on the fixture workspace: a document (opened from its file) and a position in
// it, and the locations answered as FILE:LINE:CHARACTER in file order (hover: its text).
struct IndexCase {
  const char *Name;
  const char *Method;
  const char *File;
  int Line, Character;
  const char *Expected;
  bool WithDeclarations = true;
  const char *Query = "";
  const char *OpenText = nullptr; // the document as the editor holds it (default: its file)
};

TEST(LspIndex, AnswersFromTheWorkspace) {
  std::string Folder = TestFolder("lsp-index");
  const char *Files[][2] = {
      {"a.prg",
       "// Adds two numbers.\n// Returns their sum.\nFUNCTION Add( a, b )\nRETURN a + b\n\n"
       "PROCEDURE Main()\n   ? Add( 1, 2 )  // Add( 3 )\n   ? \"Add( 4 )\", [Add]\n"
       "   ? Helper()\n   ? MAX_ROWS\nRETURN\n"},
      {"b.prg", "#include \"defs.ch\"\nSTATIC FUNCTION add( x )\nRETURN x\n\n"
                "FUNCTION Helper()\nRETURN Add( MAX_ROWS ) /* Add */\n"},
      {"sub/defs.ch", "#define MAX_ROWS 25\n#xcommand SHOW <x> => QOut( <x> )\n"},
      {"sub/cls.prg", "/* The class\n   of foos */\nCREATE CLASS TFoo\n   METHOD New()\nENDCLASS\n"
                      "METHOD New() CLASS TFoo\nRETURN Self\n"},
  };
  mkdir((Folder + "/sub").c_str(), 0755);
  for (const auto &F : Files)
    WriteTextFile(Folder + "/" + F[0], F[1]);
  const IndexCase Cases[] = {
      {"definition across files", "textDocument/definition", "a.prg", 8, 6, "b.prg:4:9"},
      {"a STATIC routine hides the public one in its file", "textDocument/definition", "b.prg", 5,
       8, "b.prg:1:16"},
      {"and only there", "textDocument/definition", "a.prg", 6, 6, "a.prg:2:9"},
      {"a #define constant", "textDocument/definition", "a.prg", 9, 9, "sub/defs.ch:0:8"},
      {"a method", "textDocument/definition", "sub/cls.prg", 5, 8, "sub/cls.prg:5:7"},
      {"no name there", "textDocument/definition", "a.prg", 4, 0, "null"},
      {"uses outside strings and comments", "textDocument/references", "a.prg", 2, 10,
       "a.prg:2:9 a.prg:6:5"},
      {"of the STATIC one, without its declaration", "textDocument/references", "b.prg", 1, 17,
       "b.prg:5:7", false},
      {"of a constant", "textDocument/references", "a.prg", 9, 6,
       "a.prg:9:5 b.prg:5:12 sub/defs.ch:0:8"},
      {"hover: the header and the comments above it", "textDocument/hover", "b.prg", 5, 8,
       "```clipper\nSTATIC FUNCTION add( x )\n```"},
      {"hover from another file", "textDocument/hover", "a.prg", 6, 6,
       "```clipper\n// Adds two numbers.\n// Returns their sum.\nFUNCTION Add( a, b )\n```"},
      {"hover on a class", "textDocument/hover", "sub/cls.prg", 5, 20,
       "```clipper\n/* The class\n   of foos */\nCREATE CLASS TFoo\n```"},
      {"workspace symbols, in any case", "workspace/symbol", "a.prg", 0, 0,
       "Add:12:a.prg:2:9 add:12:b.prg:1:16", true, "aD"},
      {"each of its kind", "workspace/symbol", "a.prg", 0, 0,
       "MAX_ROWS:14:sub/defs.ch:0:8 SHOW:20:sub/defs.ch:1:10 TFoo:5:sub/cls.prg:2:13", true, "o"},
      {"methods with their class", "workspace/symbol", "a.prg", 0, 0,
       "Helper:12:b.prg:4:9 TFoo.New:6:sub/cls.prg:3:10 TFoo.New:6:sub/cls.prg:5:7", true, "e"},
      {"an open document stands for its file", "workspace/symbol", "a.prg", 0, 0,
       "add:12:b.prg:1:16", true, "aD", "FUNCTION Fresh()\n"},
      {"with what it declares", "workspace/symbol", "a.prg", 0, 0, "Fresh:12:a.prg:0:9", true,
       "fresh", "FUNCTION Fresh()\n"},
  };
  const std::string Root = "file://" + Folder;
  for (const IndexCase &C : Cases) {
    StartServer("", false);
    Json Init = {{"capabilities", Json::object()}, {"rootUri", Root}};
    std::string Path = Folder + "/" + C.File;
    std::string Text, Error;
    ASSERT_TRUE(ReadInput(Path, Text, Error)) << Error;
    if (C.OpenText)
      Text = C.OpenText;
    Json Open = {{"textDocument", {{"uri", Root + "/" + C.File}, {"version", 1}, {"text", Text}}}};
    Json Params = {{"textDocument", {{"uri", Root + "/" + C.File}}},
                   {"position", {{"line", C.Line}, {"character", C.Character}}},
                   {"context", {{"includeDeclaration", C.WithDeclarations}}},
                   {"query", C.Query}};
    std::vector<Json> Replies =
        Feed(Request(1, "initialize", Init.dump()) + Notice("textDocument/didOpen", Open.dump()) +
             Request(2, C.Method, Params.dump()));
    ASSERT_EQ(Replies.size(), 2u) << C.Name;
    const Json &Result = Replies[1]["result"];
    std::vector<std::string> Found;
    if (Result.is_object()) {
      Found.push_back(Result["contents"]["value"].get<std::string>());
    } else if (Result.is_array()) {
      for (const Json &Item : Result) {
        const Json &Location = Item.contains("location") ? Item["location"] : Item;
        std::string Where = Location["uri"].get<std::string>().substr(Root.size() + 1) + ":" +
                            Location["range"]["start"]["line"].dump() + ":" +
                            Location["range"]["start"]["character"].dump();
        if (Item.contains("name"))
          Where = (Item.contains("containerName") ? Item["containerName"].get<std::string>() + "."
                                                  : "") +
                  Item["name"].get<std::string>() + ":" + Item["kind"].dump() + ":" + Where;
        Found.push_back(Where);
      }
    } else {
      Found.push_back(Result.dump());
    }
    std::sort(Found.begin(), Found.end());
    std::string S;
    for (const std::string &F : Found)
      S += (S.empty() ? "" : " ") + F;
    EXPECT_EQ(S, C.Expected) << C.Name;
  }
  // A program created and deleted on disk, as a client that watches the files tells; its
  // comment in another code page shown all the same.
  StartServer("", false);
  Json Watching = {{"capabilities",
                    {{"workspace", {{"didChangeWatchedFiles", {{"dynamicRegistration", true}}}}}}},
                   {"rootUri", Root}};
  std::vector<Json> Replies =
      Feed(Request(1, "initialize", Watching.dump()) + Notice("initialized", "{}"));
  EXPECT_EQ(Summary(Replies), "1:result client/registerCapability");
  const std::string Late = Request(2, "workspace/symbol", R"({"query":"late"})");
  auto Event = [&](int Type) {
    return Notice("workspace/didChangeWatchedFiles", R"({"changes":[{"uri":")" + Root +
                                                         R"(/sub/late.prg","type":)" +
                                                         std::to_string(Type) + "}]}");
  };
  EXPECT_EQ(Feed(Late).at(0)["result"].size(), 0u);
  WriteTextFile(Folder + "/sub/late.prg", "// \xFF\nFUNCTION Late()\n");
  EXPECT_EQ(Feed(Event(1) + Late).at(0)["result"].size(), 1u);
  Json Use = {{"textDocument", {{"uri", Root + "/use.prg"}, {"version", 1}, {"text", "? Late()"}}}};
  Replies = Feed(Notice("textDocument/didOpen", Use.dump()) +
                 Request(3, "textDocument/hover",
                         R"({"textDocument":{"uri":")" + Root +
                             R"(/use.prg"},"position":{"line":0,"character":3}})"));
  ASSERT_EQ(Replies.size(), 1u);
  EXPECT_EQ(Replies[0]["result"]["contents"]["value"],
            "```clipper\n// \xEF\xBF\xBD\nFUNCTION Late()\n```");
  unlink((Folder + "/sub/late.prg").c_str());
  EXPECT_EQ(Feed(Event(3) + Late).at(0)["result"].size(), 0u);
  LspReset();
}

} // namespace
