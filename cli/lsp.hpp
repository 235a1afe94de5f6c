// qmate lsp: a language server on standard input and output that runs the plug-in's
// commands on the documents an editor holds open.
#pragma once

#include "options.hpp"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

using Json = nlohmann::json;

// One open document: its text as the editor holds it and the path its settings come from.
struct LspDocument {
  std::string Text;
  std::string Path;
};

struct LspServerRecord {
  CliOptions Options;                           // --setup and --set from the command line
  std::map<std::string, LspDocument> Documents; // by URI
  std::string Pending;                          // bytes read that do not yet make a whole message
  bool Utf8Columns = false;                     // the client chose UTF-8 columns instead of UTF-16
  bool ShutDown = false;
  bool Exited = false;
  int NextRequestId = 1; // of the requests the server sends to the client
};

extern LspServerRecord LspServer;

// Forgets every document and the pending bytes; keeps Options.
void LspReset();
// Hands the server bytes as they were read, in pieces of any size; appends the framed
// messages it sends back to Out.
void LspFeed(const char *Data, std::size_t Size, std::string &Out);
// Serves standard input and output until "exit" or the end of input; the exit status.
int RunLsp(const CliOptions &Options);

// Framing: one message with its Content-Length header, appended to Out. False, with nothing
// written, when a text in it is not valid UTF-8 (a result the plug-in made from bytes of
// another code page), so that no text reaches the client altered.
bool LspWrite(const Json &Message, std::string &Out);
// Answers one message (the Size bytes of one frame's body).
void LspHandleMessage(const char *Body, std::size_t Size, std::string &Out);

// Columns: a position's character counts UTF-16 code units (or bytes with UTF-8 columns).
// The byte offset in Text of a line and character, clamped to the line's end; the position of
// a byte offset back.
std::size_t LspOffsetOf(const std::string &Text, long long Line, long long Character);
Json LspPositionOf(const std::string &Text, std::size_t Offset);
// The same for offsets taken in increasing order, each walk going on from where the one before
// stopped, so that many positions in a large text cost one pass. Offsets at line starts.
struct LspPositionWalk {
  std::size_t At = 0;
  long long Line = 0;
  long long Units = 0;
};
Json LspPositionFrom(const std::string &Text, LspPositionWalk &Walk, std::size_t Offset);
// The columns of a line's text (its end of line left out).
int LspColumnsOf(const std::string &Line);
// The file path a file: URI names (percent escapes decoded); other URIs give their last part.
std::string LspPathOfUri(const std::string &Uri);
// Applies one contentChanges entry of didChange (with a range, or the whole text).
void LspApplyChange(std::string &Text, const Json &Change);

// The requests on documents; each returns the result, or throws LspError.
struct LspError {
  int Code;
  std::string Message;
};
Json LspFormat(const LspDocument &Document);
Json LspFormatRange(const LspDocument &Document, const Json &Range);
Json LspSymbols(const LspDocument &Document);
// The document symbols of the header lines (0-based, in order) of Text: each reaches to the
// next header; a class header holds the method headers that name it (METHOD x CLASS T) or,
// naming none, follow it.
Json LspOutline(const std::string &Text, const std::vector<int> &HeaderLines);
Json LspCodeActions(const std::string &Uri, const Json &Range);
// The text edits of the command qmate.comment, qmate.uncomment or qmate.annotate on the
// lines Range covers (annotate: the whole file without a Range).
Json LspCommandEdits(const std::string &Command, const LspDocument &Document, const Json *Range);
