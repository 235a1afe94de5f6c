// qmate lsp: a language server on standard input and output that runs the plug-in's
// commands on the documents an editor holds open.
#pragma once

#include "../cli/options.hpp"
#include "../cli/setting_keys.hpp"
#include "../src/reindent/blocks.hpp"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

using Json = nlohmann::json;

// One open document: its text as the editor holds it, the offsets in Text where its lines
// start (as the client counts lines: LF, CR LF and a lone CR each end one), kept up to date
// by each change so that a change finds its place without reading the text before it, and
// the path its settings come from.
struct LspDocument {
  std::string Text;
  std::vector<std::size_t> LineStarts;
  std::string Path;
  bool HasProblems = false; // the diagnostics last published for it were not empty
  // The reading of its blocks made for the diagnostics of its present text (each open and
  // change publishes them), which the folding and highlight requests reuse; null when the
  // text changed since.
  std::shared_ptr<const BlockReading> Blocks;
};

// The settings that apply under one project settings file (none: the empty path), with what
// they were made from: the file's identity, size and times when it was read, and the setup
// folder's values. A request reads the file again only when one of these changed.
struct LspProjectSettings {
  bool Exists = false;
  unsigned long long Device = 0, Inode = 0, Size = 0;
  long long Modified = 0, Changed = 0; // nanoseconds
  SettingValues Base;
  SettingValues Values;
};

// A message whose Content-Length is over this is refused and the connection closed: its body
// is not read.
const long long LspMaxMessageBytes = 64LL << 20;

struct LspServerRecord {
  CliOptions Options;                           // --setup and --set from the command line
  std::map<std::string, LspDocument> Documents; // by URI
  // Documents whose open or change could not be taken, by URI, with the reason: the server
  // holds no copy of them until they are opened again.
  std::map<std::string, std::string> Dropped;
  std::map<std::string, LspProjectSettings> ProjectSettings; // by the project file's path
  std::string Pending;         // bytes read that do not yet make a whole message
  bool Utf8Columns = false;    // the client chose UTF-8 columns instead of UTF-16
  long long FoldingLimit = -1; // the most folding ranges the client takes (-1: no limit)
  bool Initialized = false;    // initialize was answered
  bool ShutDown = false;
  bool Exited = false;
  std::string Refused;   // why the connection was closed (a message over the limit)
  int NextRequestId = 1; // of the requests the server sends to the client
};

extern LspServerRecord LspServer;

// Forgets every document, the settings read and the pending bytes; keeps Options.
void LspReset();
// Hands the server bytes as they were read, in pieces of any size; appends the framed
// messages it sends back to Out. After a message over the size limit it answers with an
// error, sets Refused and takes no more bytes.
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
// The offsets where the lines of Text start (LineStarts of LspDocument).
std::vector<std::size_t> LspLineStarts(const std::string &Text);
// Applies one contentChanges entry of didChange (with a range, or the whole text, which is
// moved out of Change) to the document's text and line starts. Throws LspError, leaving the
// document in no defined state, for an entry that does not fit the text: a position with a
// negative or fractional number, a line past the one after the last, a start after the end.
void LspApplyChange(LspDocument &Document, Json &Change);

// The requests on documents; each returns the result, or throws LspError.
struct LspError {
  int Code;
  std::string Message;
};
// The formattings check their result with the guard (unless --no-verify): a refused result
// gives no edits, and Refusal (when given) says why.
Json LspFormat(const LspDocument &Document, std::string *Refusal = nullptr);
Json LspFormatRange(const LspDocument &Document, const Json &Range, std::string *Refusal = nullptr);
Json LspSymbols(const LspDocument &Document);
// The document symbols of the header lines (0-based, in order) of Text: each reaches to the
// next header; a class header holds the method headers that name it (METHOD x CLASS T) or,
// naming none, follow it.
// The params of textDocument/publishDiagnostics for a document: the problems of its blocks
// (qmate lint's); notes in Document whether there were any.
Json LspDiagnostics(const std::string &Uri, LspDocument &Document);
Json LspOutline(const std::string &Text, const std::vector<int> &HeaderLines);
Json LspCodeActions(const std::string &Uri, const Json &Range);
// The text edits of the command qmate.comment, qmate.uncomment or qmate.annotate on the
// lines Range covers (annotate: the whole file without a Range).
Json LspCommandEdits(const std::string &Command, const LspDocument &Document, const Json *Range);

// The lines of a document as the client counts them, their ends left out.
std::vector<std::string> LspLinesOf(const LspDocument &Document);
// The reading of a document's blocks: the one kept with it, or one made now.
std::shared_ptr<const BlockReading> LspBlocksOf(const LspDocument &Document);
// textDocument/foldingRange, documentHighlight and onTypeFormatting, from the same reading.
// The folding ranges are cut at the client's rangeLimit (the first ones kept, as clients
// themselves do), read from its capabilities at initialize.
long long LspFoldingLimitOf(const Json &Capabilities);
Json LspFoldingRanges(const LspDocument &Document);
Json LspHighlights(const LspDocument &Document, const Json &Position);
Json LspOnTypeFormat(const LspDocument &Document, const Json &Position, const std::string &Typed);
