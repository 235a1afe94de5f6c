// The language server's protocol: Content-Length framing, JSON-RPC requests and
// notifications, the open documents, and the loop over standard input and output.
#include "driver.hpp"
#include "fileio.hpp"
#include "lsp.hpp"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <strings.h>
#include <unistd.h>

extern std::string ToolPathForSetup;

LspServerRecord LspServer;

namespace {

// The protocol's error codes.
const int ParseError = -32700;
const int InvalidRequest = -32600;
const int MethodNotFound = -32601;
const int InvalidParams = -32602;
const int InternalError = -32603;

const char *const NotUtf8 = "the result is not valid UTF-8 text (a word file in another code "
                            "page?); the document was left as it was";

// A header block longer than this is not a header: the bytes are dropped.
const std::size_t MaxHeaderBytes = 8192;

Json ErrorReply(const Json &Id, int Code, const std::string &Message) {
  return {{"jsonrpc", "2.0"}, {"id", Id}, {"error", {{"code", Code}, {"message", Message}}}};
}

void Notify(const std::string &Method, const Json &Params, std::string &Out) {
  LspWrite({{"jsonrpc", "2.0"}, {"method", Method}, {"params", Params}}, Out);
}

void LogWarning(const std::string &Text, std::string &Out) {
  Notify("window/logMessage", {{"type", 2}, {"message", "qmate: " + Text}}, Out);
}

const LspDocument &DocumentOf(const std::string &Uri) {
  auto Found = LspServer.Documents.find(Uri);
  if (Found == LspServer.Documents.end())
    throw LspError{InvalidParams, "unknown document '" + Uri + "' (not opened with didOpen)"};
  return Found->second;
}

const std::string &UriOf(const Json &Params) {
  return Params.at("textDocument").at("uri").get_ref<const std::string &>();
}

Json Capabilities() {
  return {
      {"positionEncoding", LspServer.Utf8Columns ? "utf-8" : "utf-16"},
      {"textDocumentSync", {{"openClose", true}, {"change", 2}}}, // incremental
      {"documentFormattingProvider", true},
      {"documentRangeFormattingProvider", true},
      {"documentSymbolProvider", true},
      {"codeActionProvider", true},
      {"executeCommandProvider",
       {{"commands", {"qmate.comment", "qmate.uncomment", "qmate.annotate"}}}},
  };
}

Json Initialize(const Json &Params) {
  LspServer.Utf8Columns = false;
  if (Params.is_object() && Params.contains("capabilities")) {
    const Json &General = Params["capabilities"].value("general", Json::object());
    for (const Json &Encoding : General.value("positionEncodings", Json::array()))
      if (Encoding == "utf-8")
        LspServer.Utf8Columns = true;
  }
  return {{"capabilities", Capabilities()},
          {"serverInfo", {{"name", "qmate"}, {"version", "1.0"}}}};
}

// Runs a command and asks the client to apply its edits; the answer to the request is null.
Json ExecuteCommand(const Json &Params, std::string &Out) {
  const std::string &Command = Params.at("command").get_ref<const std::string &>();
  const Json &Arguments = Params.value("arguments", Json::array());
  if (!Arguments.is_array() || Arguments.empty() || !Arguments[0].is_string())
    throw LspError{InvalidParams, Command + " needs the document's URI as its first argument"};
  const std::string &Uri = Arguments[0].get_ref<const std::string &>();
  const Json *Range = Arguments.size() > 1 && Arguments[1].is_object() ? &Arguments[1] : nullptr;
  Json Edits = LspCommandEdits(Command, DocumentOf(Uri), Range);
  if (!Edits.empty() &&
      !LspWrite({{"jsonrpc", "2.0"},
                 {"id", LspServer.NextRequestId++},
                 {"method", "workspace/applyEdit"},
                 {"params", {{"label", Command}, {"edit", {{"changes", {{Uri, Edits}}}}}}}},
                Out))
    throw LspError{InternalError, NotUtf8};
  return nullptr;
}

// The answer to one request.
Json Answer(const std::string &Method, const Json &Params, std::string &Out) {
  if (Method == "initialize")
    return Initialize(Params);
  if (Method == "shutdown") {
    LspServer.ShutDown = true;
    return nullptr;
  }
  if (Method == "textDocument/formatting")
    return LspFormat(DocumentOf(UriOf(Params)));
  if (Method == "textDocument/rangeFormatting")
    return LspFormatRange(DocumentOf(UriOf(Params)), Params.at("range"));
  if (Method == "textDocument/documentSymbol")
    return LspSymbols(DocumentOf(UriOf(Params)));
  if (Method == "textDocument/codeAction") {
    DocumentOf(UriOf(Params));
    return LspCodeActions(UriOf(Params), Params.at("range"));
  }
  if (Method == "workspace/executeCommand")
    return ExecuteCommand(Params, Out);
  throw LspError{MethodNotFound, "method not found: " + Method};
}

// Handles one notification; unknown ones are ignored, as the protocol asks.
void Take(const std::string &Method, Json &Params, std::string &Out) {
  if (Method == "exit") {
    LspServer.Exited = true;
  } else if (Method == "textDocument/didOpen") {
    const Json &Item = Params.at("textDocument");
    const std::string &Uri = Item.at("uri").get_ref<const std::string &>();
    // The text moves out of the message: a large document is held once.
    LspServer.Documents[Uri] = {std::move(Params["textDocument"]["text"].get_ref<std::string &>()),
                                LspPathOfUri(Uri)};
  } else if (Method == "textDocument/didChange") {
    auto Found = LspServer.Documents.find(UriOf(Params));
    if (Found == LspServer.Documents.end()) {
      LogWarning("a change to the unknown document '" + UriOf(Params) + "' was ignored", Out);
      return;
    }
    // Applied to a copy, so a malformed change leaves the document as it was.
    std::string Text = Found->second.Text;
    for (const Json &Change : Params.at("contentChanges"))
      LspApplyChange(Text, Change);
    Found->second.Text.swap(Text);
  } else if (Method == "textDocument/didClose") {
    LspServer.Documents.erase(UriOf(Params));
  }
}

} // namespace

void LspReset() {
  CliOptions Options = LspServer.Options;
  LspServer = LspServerRecord();
  LspServer.Options = Options;
}

bool LspWrite(const Json &Message, std::string &Out) {
  std::string Body;
  try {
    Body = Message.dump();
  } catch (const Json::type_error &) {
    return false;
  }
  Out += "Content-Length: " + std::to_string(Body.size()) + "\r\n\r\n";
  Out += Body;
  return true;
}

void LspHandleMessage(const char *Body, std::size_t Size, std::string &Out) {
  Json Message = Json::parse(Body, Body + Size, nullptr, false);
  if (Message.is_discarded()) {
    LspWrite(ErrorReply(nullptr, ParseError, "the message is not valid JSON"), Out);
    return;
  }
  Json Id = Message.is_object() && Message.contains("id") ? Message["id"] : Json();
  bool HasMethod =
      Message.is_object() && Message.contains("method") && Message["method"].is_string();
  if (!HasMethod) {
    // An answer to a request of the server's own (workspace/applyEdit) needs nothing.
    if (!(Message.is_object() && Message.contains("id") &&
          (Message.contains("result") || Message.contains("error"))))
      LspWrite(ErrorReply(Id, InvalidRequest, "a request needs a method"), Out);
    return;
  }
  const std::string &Method = Message["method"].get_ref<const std::string &>();
  Json Params = Message.contains("params") ? std::move(Message["params"]) : Json::object();
  bool IsRequest = Message.contains("id");
  try {
    if (!IsRequest) {
      Take(Method, Params, Out);
      return;
    }
    if (LspServer.ShutDown && Method != "shutdown") {
      LspWrite(ErrorReply(Id, InvalidRequest, "the server was shut down"), Out);
      return;
    }
    Json Result = Answer(Method, Params, Out);
    // The result is moved into the reply: a formatting's new text may be the whole file.
    if (!LspWrite({{"jsonrpc", "2.0"}, {"id", Id}, {"result", std::move(Result)}}, Out))
      LspWrite(ErrorReply(Id, InternalError, Method + ": " + NotUtf8), Out);
  } catch (const LspError &E) {
    if (IsRequest)
      LspWrite(ErrorReply(Id, E.Code, E.Message), Out);
    else
      LogWarning(Method + ": " + E.Message, Out);
  } catch (const Json::exception &E) {
    // A parameter missing or of the wrong type.
    if (IsRequest)
      LspWrite(ErrorReply(Id, InvalidParams, Method + ": " + E.what()), Out);
    else
      LogWarning(Method + ": " + E.what(), Out);
  } catch (const std::exception &E) {
    if (IsRequest)
      LspWrite(ErrorReply(Id, InternalError, Method + ": " + E.what()), Out);
    else
      LogWarning(Method + ": " + E.what(), Out);
  }
}

void LspFeed(const char *Data, std::size_t Size, std::string &Out) {
  std::string &P = LspServer.Pending;
  P.append(Data, Size);
  while (!LspServer.Exited) {
    std::size_t HeaderEnd = P.find("\r\n\r\n");
    if (HeaderEnd == std::string::npos) {
      if (P.size() > MaxHeaderBytes) {
        LspWrite(ErrorReply(nullptr, ParseError, "a message header without its end"), Out);
        P.clear();
      }
      return;
    }
    // Header fields: "Name: value" lines; only Content-Length matters.
    long long Length = -1;
    std::size_t LineStart = 0;
    while (LineStart < HeaderEnd) {
      std::size_t LineEnd = P.find("\r\n", LineStart);
      std::string Line = P.substr(LineStart, LineEnd - LineStart);
      std::size_t Colon = Line.find(':');
      if (Colon != std::string::npos && strncasecmp(Line.c_str(), "Content-Length", 14) == 0 &&
          Colon == 14) {
        std::string Value = Line.substr(Colon + 1);
        std::size_t First = Value.find_first_not_of(" \t");
        std::size_t Last = Value.find_last_not_of(" \t");
        Value = First == std::string::npos ? "" : Value.substr(First, Last - First + 1);
        bool Digits = !Value.empty() && Value.size() <= 12 &&
                      Value.find_first_not_of("0123456789") == std::string::npos;
        Length = Digits ? std::stoll(Value) : -1;
      }
      LineStart = LineEnd + 2;
    }
    if (Length < 0) {
      LspWrite(ErrorReply(nullptr, ParseError, "a message header without a valid Content-Length"),
               Out);
      P.erase(0, HeaderEnd + 4);
      continue;
    }
    std::size_t BodyStart = HeaderEnd + 4;
    if (P.size() - BodyStart < static_cast<unsigned long long>(Length))
      return;
    LspHandleMessage(P.data() + BodyStart, static_cast<std::size_t>(Length), Out);
    P.erase(0, BodyStart + static_cast<std::size_t>(Length));
  }
}

int RunLsp(const CliOptions &Options) {
  LspServer.Options = Options;
  LspReset();
  // An unusable setup folder would fail every request: say so once, before serving.
  std::string Error;
  if (!StartPlugin(ResolveSetupDir(Options, ToolPathForSetup), Options, Error)) {
    std::cerr << "qmate: " << Error << "\n";
    return 2;
  }
  StopPlugin();
  std::signal(SIGPIPE, SIG_IGN);
  char Buffer[65536];
  std::string Out;
  while (!LspServer.Exited) {
    ssize_t Got = read(0, Buffer, sizeof(Buffer));
    if (Got < 0 && errno == EINTR)
      continue;
    if (Got <= 0)
      break;
    Out.clear();
    LspFeed(Buffer, static_cast<std::size_t>(Got), Out);
    if (!WriteAll(1, Out.data(), Out.size())) {
      std::cerr << "qmate: cannot write to the client: " << std::strerror(errno) << "\n";
      return 1;
    }
  }
  // The protocol's exit status: 0 after shutdown, 1 when the client left without it.
  return LspServer.ShutDown ? 0 : 1;
}
