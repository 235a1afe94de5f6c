// The language server's protocol: Content-Length framing, JSON-RPC requests and
// notifications, the open documents, and the loop over standard input and output.
#include "../cli/driver.hpp"
#include "../cli/fileio.hpp"
#include "lsp.hpp"
#include "lsp_index.hpp"
#include "../cli/project.hpp"

#include <algorithm>
#include <cerrno>
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
const int ServerNotInitialized = -32002;

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

// A message the user sees (type 1: an error).
void ShowError(const std::string &Text, std::string &Out) {
  Notify("window/showMessage", {{"type", 1}, {"message", "qmate: " + Text}}, Out);
}

const char *const Reopen = "close and open it again to format it";

// Forgets the server's copy of a document whose open or change could not be taken: a copy
// out of step with the editor's text would give edits that garble it. Requests on it then
// fail, saying why, until it is opened again.
void Drop(const std::string &Uri, const std::string &Why, std::string &Out) {
  LspServer.Documents.erase(Uri);
  LspServer.Dropped[Uri] = Why;
  ShowError(Why + "; the server no longer holds '" + Uri + "': " + Reopen, Out);
}

// The same for every document held, when a change cannot be told to which it belongs.
void DropAll(const std::string &Why, std::string &Out) {
  if (LspServer.Documents.empty()) {
    LogWarning(Why, Out);
    return;
  }
  for (const auto &Document : LspServer.Documents)
    LspServer.Dropped[Document.first] = Why;
  LspServer.Documents.clear();
  ShowError(Why + "; the server no longer holds the open documents: " + Reopen, Out);
}

const LspDocument &DocumentOf(const std::string &Uri) {
  auto Found = LspServer.Documents.find(Uri);
  if (Found != LspServer.Documents.end())
    return Found->second;
  auto Dropped = LspServer.Dropped.find(Uri);
  if (Dropped != LspServer.Dropped.end())
    throw LspError{InvalidParams, "document '" + Uri + "' not opened: " + Dropped->second +
                                      ", so the server's copy was dropped; " + Reopen};
  throw LspError{InvalidParams, "unknown document '" + Uri + "' (not opened with didOpen)"};
}

// The URI of a notification's textDocument, or null when it has none.
const std::string *UriIn(const Json &Params) {
  if (!Params.is_object() || !Params.contains("textDocument"))
    return nullptr;
  const Json &Item = Params["textDocument"];
  if (!Item.is_object() || !Item.contains("uri") || !Item["uri"].is_string())
    return nullptr;
  return &Item["uri"].get_ref<const std::string &>();
}

// True for a URI that names a project settings file.
bool NamesProjectSettings(const std::string &Uri) {
  std::string Path = LspPathOfUri(Uri);
  std::size_t Slash = Path.find_last_of("/\\");
  return Path.compare(Slash == std::string::npos ? 0 : Slash + 1, std::string::npos,
                      ProjectSettingsName) == 0;
}

const std::string &UriOf(const Json &Params) {
  return Params.at("textDocument").at("uri").get_ref<const std::string &>();
}

Json Capabilities() {
  Json Served = {
      {"positionEncoding", LspServer.Utf8Columns ? "utf-8" : "utf-16"},
      {"textDocumentSync", {{"openClose", true}, {"change", 2}}}, // incremental
      {"documentFormattingProvider", true},
      {"documentRangeFormattingProvider", true},
      {"documentSymbolProvider", true},
      {"foldingRangeProvider", true},
      {"documentHighlightProvider", true},
      // After Enter, and after the last letter of a closer or a middle word (ENDIF, NEXT,
      // ENDDO, END, ELSE, CASE, RECOVER, ENDCLASS ...), in either case.
      {"documentOnTypeFormattingProvider",
       {{"firstTriggerCharacter", "\n"},
        {"moreTriggerCharacter",
         {"D", "E", "F", "H", "O", "R", "S", "T", "Y", "d", "e", "f", "h", "o", "r", "s", "t",
          "y"}}}},
      {"codeActionProvider", true},
      {"executeCommandProvider",
       {{"commands", {"qmate.comment", "qmate.uncomment", "qmate.annotate"}}}},
  };
  LspIndexCapabilities(Served);
  return Served;
}

Json Initialize(const Json &Params) {
  LspServer.Utf8Columns = false;
  if (Params.is_object() && Params.contains("capabilities")) {
    const Json &General = Params["capabilities"].value("general", Json::object());
    for (const Json &Encoding : General.value("positionEncodings", Json::array()))
      if (Encoding == "utf-8")
        LspServer.Utf8Columns = true;
    LspServer.FoldingLimit = LspFoldingLimitOf(Params["capabilities"]);
  }
  LspStartIndex(Params);
  Json Result = {{"capabilities", Capabilities()},
                 {"serverInfo", {{"name", "qmate"}, {"version", "1.0"}}}};
  LspServer.Initialized = true;
  return Result;
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
  if (Method == "textDocument/formatting" || Method == "textDocument/rangeFormatting") {
    std::string Refusal;
    const LspDocument &Document = DocumentOf(UriOf(Params));
    Json Edits = Method == "textDocument/formatting"
                     ? LspFormat(Document, &Refusal)
                     : LspFormatRange(Document, Params.at("range"), &Refusal);
    if (!Refusal.empty())
      ShowError(Refusal, Out);
    return Edits;
  }
  if (Method == "textDocument/documentSymbol")
    return LspSymbols(DocumentOf(UriOf(Params)));
  if (Method == "textDocument/foldingRange")
    return LspFoldingRanges(DocumentOf(UriOf(Params)));
  if (Method == "textDocument/documentHighlight")
    return LspHighlights(DocumentOf(UriOf(Params)), Params.at("position"));
  if (Method == "textDocument/onTypeFormatting")
    return LspOnTypeFormat(DocumentOf(UriOf(Params)), Params.at("position"),
                           Params.at("ch").get<std::string>());
  if (Method == "textDocument/codeAction") {
    DocumentOf(UriOf(Params));
    return LspCodeActions(UriOf(Params), Params.at("range"));
  }
  if (Method == "workspace/executeCommand")
    return ExecuteCommand(Params, Out);
  Json Result;
  if (LspIndexAnswer(Method, Params, Result))
    return Result;
  throw LspError{MethodNotFound, "method not found: " + Method};
}

// Publishes the problems of a document's blocks, or that it has none when it had some.
void PublishDiagnostics(const std::string &Uri, LspDocument &Document, std::string &Out) {
  const bool Had = Document.HasProblems;
  Json Params = LspDiagnostics(Uri, Document);
  if (Had || Document.HasProblems)
    Notify("textDocument/publishDiagnostics", Params, Out);
}

// didOpen: the document's text is moved out of the message, so a large one is held once.
void Open(Json &Params, std::string &Out) {
  const std::string *Uri = UriIn(Params);
  if (!Uri) {
    ShowError("an opened document without its URI was not taken", Out);
    return;
  }
  const std::string Name = *Uri;
  Json &Text = Params["textDocument"]["text"];
  if (!Text.is_string()) {
    Drop(Name, "its opening came without its text", Out);
    return;
  }
  LspDocument &Document = LspServer.Documents[Name];
  Document.Text = std::move(Text.get_ref<std::string &>());
  Document.LineStarts = LspLineStarts(Document.Text);
  Document.Path = LspPathOfUri(Name);
  LspServer.Dropped.erase(Name);
  PublishDiagnostics(Name, Document, Out);
}

// didChange: the changes are applied in place, one after another; one that cannot be applied
// leaves a text that is neither the old nor the editor's, so the document is dropped.
void Change(Json &Params, std::string &Out) {
  const std::string *Uri = UriIn(Params);
  if (!Uri) {
    DropAll("a change came without its document's URI", Out);
    return;
  }
  auto Found = LspServer.Documents.find(*Uri);
  if (Found == LspServer.Documents.end()) {
    // A document dropped before was named in the message that dropped it.
    if (!LspServer.Dropped.count(*Uri))
      LogWarning("a change to the unknown document '" + *Uri + "' was ignored", Out);
    return;
  }
  const std::string Name = *Uri;
  std::string Why;
  try {
    Json &Changes = Params.at("contentChanges");
    if (!Changes.is_array())
      throw LspError{InvalidParams, "contentChanges is not a list"};
    for (Json &Entry : Changes)
      LspApplyChange(Found->second, Entry);
    PublishDiagnostics(Name, Found->second, Out);
    return;
  } catch (const LspError &E) {
    Why = E.Message;
  } catch (const Json::exception &E) {
    Why = E.what();
  }
  Drop(Name, "a change could not be applied (" + Why + ")", Out);
}

// Handles one notification; unknown ones are ignored, as the protocol asks.
void Take(const std::string &Method, Json &Params, std::string &Out) {
  if (Method == "exit") {
    LspServer.Exited = true;
  } else if (Method == "textDocument/didOpen") {
    Open(Params, Out);
  } else if (Method == "textDocument/didChange") {
    Change(Params, Out);
  } else if (Method == "textDocument/didClose") {
    auto Closed = LspServer.Documents.find(UriOf(Params));
    if (Closed != LspServer.Documents.end() && Closed->second.HasProblems)
      Notify("textDocument/publishDiagnostics",
             {{"uri", UriOf(Params)}, {"diagnostics", Json::array()}}, Out);
    LspServer.Documents.erase(UriOf(Params));
    LspServer.Dropped.erase(UriOf(Params));
  } else if (Method == "textDocument/didSave") {
    // A project settings file saved in the editor: read it again at the next request.
    if (NamesProjectSettings(UriOf(Params)))
      LspServer.ProjectSettings.clear();
  } else if (Method == "workspace/didChangeWatchedFiles") {
    for (const Json &Event : Params.at("changes"))
      if (NamesProjectSettings(Event.at("uri").get_ref<const std::string &>()))
        LspServer.ProjectSettings.clear();
  }
  LspIndexTake(Method, Params, Out);
}

} // namespace

void LspReset() {
  LspResetIndex();
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
    // A change that cannot be read may have been to any document held.
    static const char Changed[] = "\"textDocument/didChange\"";
    if (!LspServer.Documents.empty() &&
        std::search(Body, Body + Size, Changed, Changed + sizeof(Changed) - 1) != Body + Size)
      DropAll("a change could not be read (not valid JSON)", Out);
    return;
  }
  // A request's id is a whole number or a string; any other is not answered under it.
  bool HasId = Message.is_object() && Message.contains("id");
  Json Id = HasId && (Message["id"].is_number_integer() || Message["id"].is_string())
                ? Message["id"]
                : Json();
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
  bool IsRequest = HasId;
  if (IsRequest && Id.is_null()) {
    LspWrite(ErrorReply(nullptr, InvalidRequest, "a request's id must be a number or a string"),
             Out);
    return;
  }
  // Before initialize only exit is taken; requests are refused, other notifications dropped.
  if (!LspServer.Initialized && !IsRequest && Method != "exit")
    return;
  if (!LspServer.Initialized && IsRequest && Method != "initialize") {
    LspWrite(ErrorReply(Id, ServerNotInitialized, "the server is not initialized"), Out);
    return;
  }
  if (LspServer.Initialized && IsRequest && Method == "initialize") {
    LspWrite(ErrorReply(Id, InvalidRequest, "the server is already initialized"), Out);
    return;
  }
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
  if (LspServer.Exited || !LspServer.Refused.empty())
    return;
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
    std::string Declared; // the Content-Length as written
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
        bool Digits = !Value.empty() && Value.find_first_not_of("0123456789") == std::string::npos;
        std::size_t Lead = Value.find_first_not_of('0');
        std::size_t Places = Lead == std::string::npos ? 0 : Value.size() - Lead;
        // Any number of more than 12 places is over the limit; its value does not matter.
        Length = !Digits ? -1 : Places > 12 ? LspMaxMessageBytes + 1 : std::stoll(Value);
        Declared = Lead == std::string::npos ? "0" : Value.substr(Lead);
      }
      LineStart = LineEnd + 2;
    }
    if (Length < 0) {
      LspWrite(ErrorReply(nullptr, ParseError, "a message header without a valid Content-Length"),
               Out);
      P.erase(0, HeaderEnd + 4);
      continue;
    }
    if (Length > LspMaxMessageBytes) {
      // Not read: the body could be of any size, and a client that sends one is not to be
      // trusted with the rest of the stream.
      LspServer.Refused =
          "a message of " + ShownInMessage(Declared, 24) + " bytes is over the limit of " +
          std::to_string(LspMaxMessageBytes >> 20) + " MiB; the connection is closed";
      LspWrite(ErrorReply(nullptr, InvalidRequest, LspServer.Refused), Out);
      std::string().swap(P);
      return;
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
  IgnoreBrokenPipe();
  char Buffer[65536];
  std::string Out;
  while (!LspServer.Exited && LspServer.Refused.empty()) {
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
  if (!LspServer.Refused.empty()) {
    std::cerr << "qmate: " << LspServer.Refused << "\n";
    return 2;
  }
  // The protocol's exit status: 0 after shutdown, 1 when the client left without it.
  return LspServer.ShutDown ? 0 : 1;
}
