// The index of the workspace: the routines, classes, methods, #define constants and rule
// words of every .prg and .ch file under the workspace folders, for workspace/symbol,
// textDocument/definition, textDocument/references and textDocument/hover.
//
// The folders are read on a thread of their own, started by initialize. That thread runs only
// self-contained code (the file system calls and the symbol reader, which touch none of the
// plug-in's module-level records) and writes only a record of its own; the request loop takes
// that record over by waiting for the thread to end, before any request or notification that
// reads or changes the index. Open documents are read by the request loop from their text,
// when an index request comes after they changed, and stand in for their files on disk.
#pragma once

#include "lsp.hpp"

// Starts reading the workspace folders of initialize's params (workspaceFolders, else
// rootUri, else rootPath) in the background.
void LspStartIndex(const Json &InitializeParams);
// Waits for the reading and forgets the index (LspReset).
void LspResetIndex();
// The capabilities the index serves, added to Capabilities.
void LspIndexCapabilities(Json &Capabilities);
// Follows a notification: the documents opened, changed, saved and closed, and the watched
// files created, changed and deleted. After initialized, asks a client that registers file
// watchers on request to watch the programs (the request appended to Out).
void LspIndexTake(const std::string &Method, const Json &Params, std::string &Out);
// Answers an index request into Result; false for a method that is not one of them.
bool LspIndexAnswer(const std::string &Method, const Json &Params, Json &Result);
