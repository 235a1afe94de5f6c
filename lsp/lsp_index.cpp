// The workspace index: the symbols of each file, read in the background at start, kept
// current from the document notifications and the watched files, and the requests on it.
#include "lsp_index.hpp"
#include "../cli/platform.hpp"
#include "../cli/project.hpp"
#include "../src/commands/symbols.hpp"

#include <algorithm>
#include <cstdio>

namespace {

enum SymbolKinds {
  KindClass = 5,
  KindMethod = 6,
  KindFunction = 12,
  KindConstant = 14,
  KindKey = 20, // a word of a preprocessor rule: a statement or a word of the language's own
};

// A file larger than this is not read (it is no program).
const long long MaxIndexedBytes = 64LL << 20;

// What the background reading takes and gives: the folders, the column counting, and the
// symbols of each file by path, with their columns as the client counts them.
struct IndexBuildRecord {
  std::vector<std::string> Folders;
  bool Utf8Columns = false;
  std::map<std::string, std::vector<SymbolRecord>> Files;
};

// An open document's symbols, read from its text when an index request comes after it changed.
struct OpenSymbolsRecord {
  std::string Uri;
  std::vector<SymbolRecord> Symbols;
  bool Stale = true;
};

struct LspIndexRecord {
  std::vector<std::string> Folders;
  bool WatchesOnRequest = false; // the client registers file watchers the server asks for
  std::map<std::string, std::vector<SymbolRecord>> Files; // by path, as read from disk
  std::map<std::string, OpenSymbolsRecord> Open;          // by path
  BackgroundTask *Builder = nullptr;
  IndexBuildRecord *Building = nullptr;
};

LspIndexRecord LspIndex;

// Symbol columns in bytes made columns as the client counts them: the UTF-16 code units of
// the line's text before the name (the same as bytes for an ASCII line start).
void CountColumns(const std::string &Text, bool Utf8Columns, std::vector<SymbolRecord> &Symbols) {
  if (Utf8Columns)
    return;
  for (SymbolRecord &Symbol : Symbols) {
    std::size_t Start = Symbol.Offset - std::size_t(Symbol.Column);
    int Units = 0;
    for (std::size_t At = Start; At < Symbol.Offset; ++At) {
      unsigned char C = static_cast<unsigned char>(Text[At]);
      // Continuation bytes add nothing; a four-byte sequence makes two units.
      if ((C & 0xC0) != 0x80)
        Units += C >= 0xF0 && C <= 0xF7 ? 2 : 1;
    }
    Symbol.Column = Units;
  }
}

// The whole of a file; false when it cannot be read or is too large.
bool ReadWholeFile(const std::string &Path, std::string &Bytes) {
  std::FILE *F = OpenFile(Path, "rb");
  if (!F)
    return false;
  Bytes.clear();
  char Buffer[65536];
  std::size_t Got;
  while ((Got = std::fread(Buffer, 1, sizeof(Buffer), F)) > 0) {
    Bytes.append(Buffer, Got);
    if (static_cast<long long>(Bytes.size()) > MaxIndexedBytes)
      break;
  }
  bool Failed = std::ferror(F) != 0;
  std::fclose(F);
  return !Failed && static_cast<long long>(Bytes.size()) <= MaxIndexedBytes;
}

bool ReadFileSymbols(const std::string &Path, bool Utf8Columns,
                     std::vector<SymbolRecord> &Symbols) {
  std::string Bytes;
  if (!ReadWholeFile(Path, Bytes))
    return false;
  Symbols.clear();
  ReadSymbols(Bytes.data(), Bytes.size(), Symbols);
  CountColumns(Bytes, Utf8Columns, Symbols);
  Symbols.shrink_to_fit();
  return true;
}

// One half of the files, read on a thread of its own.
struct IndexPartRecord {
  const std::vector<std::string> *Paths;
  std::size_t First, Step; // every Step-th path from First
  bool Utf8Columns;
  std::map<std::string, std::vector<SymbolRecord>> Files;
};

void ReadPart(void *Context) {
  IndexPartRecord &Part = *static_cast<IndexPartRecord *>(Context);
  std::vector<SymbolRecord> Symbols;
  for (std::size_t I = Part.First; I < Part.Paths->size(); I += Part.Step)
    if (ReadFileSymbols((*Part.Paths)[I], Part.Utf8Columns, Symbols))
      Part.Files[(*Part.Paths)[I]] = std::move(Symbols);
}

// The background reading: file system calls and the symbol reader only. The files are read
// in two halves at once, on two threads.
void BuildIndex(void *Context) {
  IndexBuildRecord &Build = *static_cast<IndexBuildRecord *>(Context);
  std::vector<std::string> Paths, Errors;
  for (const std::string &Folder : Build.Folders)
    if (PathIsFolder(Folder))
      ExpandFileArgument(Folder, Paths, Errors);
  IndexPartRecord Other{&Paths, 1, 2, Build.Utf8Columns, {}};
  BackgroundTask *Helper = Paths.size() > 1 ? StartBackground(ReadPart, &Other) : nullptr;
  IndexPartRecord Own{&Paths, 0, Helper ? 2u : 1u, Build.Utf8Columns, {}};
  ReadPart(&Own);
  FinishBackground(Helper);
  Build.Files = std::move(Own.Files);
  Build.Files.merge(Other.Files);
}

// Takes the background reading's result over, once it has ended.
void WaitForIndex() {
  if (!LspIndex.Building)
    return;
  FinishBackground(LspIndex.Builder);
  // Files read again since (none: every change waits here first) keep their new symbols.
  for (auto &File : LspIndex.Building->Files)
    LspIndex.Files.emplace(File.first, std::move(File.second));
  delete LspIndex.Building;
  LspIndex.Building = nullptr;
  LspIndex.Builder = nullptr;
}

std::string UriOfPath(const std::string &Path) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string Uri = "file://";
  if (!Path.empty() && Path[0] != '/')
    Uri += '/'; // C:/x
  for (char C : Path) {
    unsigned char B = static_cast<unsigned char>(C);
    if (C == '\\')
      Uri += '/';
    else if ((C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') ||
             std::string("/-._~:").find(C) != std::string::npos)
      Uri += C;
    else
      Uri += {'%', Hex[B >> 4], Hex[B & 15]};
  }
  return Uri;
}

bool UnderFolders(const std::string &Path) {
  for (const std::string &Folder : LspIndex.Folders) {
    std::string Root = Folder;
    if (!Root.empty() && Root.back() != '/')
      Root += '/';
    if (Path.compare(0, Root.size(), Root) == 0)
      return true;
  }
  return false;
}

// The files with their symbols: the open documents' (read again when they changed), then the
// files on disk that are not open.
struct IndexedFileView {
  const std::string *Path;
  std::string Uri;
  const std::vector<SymbolRecord> *Symbols;
};

// True when the document open at Path is held (its opening or a change may have been
// refused: then its file on disk stands for it).
bool HeldOpen(const std::string &Path) {
  auto Open = LspIndex.Open.find(Path);
  return Open != LspIndex.Open.end() && LspServer.Documents.count(Open->second.Uri);
}

std::vector<IndexedFileView> IndexedFiles() {
  WaitForIndex();
  std::vector<IndexedFileView> Views;
  for (auto &Entry : LspIndex.Open) {
    OpenSymbolsRecord &Open = Entry.second;
    auto Document = LspServer.Documents.find(Open.Uri);
    if (Document == LspServer.Documents.end())
      continue;
    if (Open.Stale) {
      Open.Symbols.clear();
      ReadSymbols(Document->second.Text.data(), Document->second.Text.size(), Open.Symbols);
      CountColumns(Document->second.Text, LspServer.Utf8Columns, Open.Symbols);
      Open.Stale = false;
    }
    Views.push_back({&Entry.first, Open.Uri, &Open.Symbols});
  }
  for (const auto &Entry : LspIndex.Files)
    if (!HeldOpen(Entry.first))
      Views.push_back({&Entry.first, UriOfPath(Entry.first), &Entry.second});
  return Views;
}

// The text of an indexed file: the open document's, or the file's on disk.
bool TextOf(const IndexedFileView &File, std::string &Storage, const std::string *&Text) {
  auto Document = LspServer.Documents.find(File.Uri);
  if (Document != LspServer.Documents.end() && HeldOpen(*File.Path)) {
    Text = &Document->second.Text;
    return true;
  }
  Text = &Storage;
  return ReadWholeFile(*File.Path, Storage);
}

int ProtocolKind(const SymbolRecord &Symbol) {
  switch (Symbol.Kind) {
  case SymbolClass:
    return KindClass;
  case SymbolMethod:
    return KindMethod;
  case SymbolDefine:
    return KindConstant;
  case SymbolCommand:
    return KindKey;
  default:
    return KindFunction;
  }
}

Json LocationOf(const std::string &Uri, const SymbolRecord &Symbol) {
  return {{"uri", Uri},
          {"range",
           {{"start", {{"line", Symbol.Line}, {"character", Symbol.Column}}},
            {"end",
             {{"line", Symbol.Line},
              {"character", Symbol.Column + static_cast<int>(Symbol.Name.size())}}}}}};
}

// A name the client points at: the document, the word under the position, its range.
struct PointedName {
  std::string Path;
  std::string Uri;
  std::string Name;
  std::size_t Offset = 0;
};

bool NameAt(const Json &Params, PointedName &Pointed) {
  Pointed.Uri = Params.at("textDocument").at("uri").get<std::string>();
  auto Document = LspServer.Documents.find(Pointed.Uri);
  if (Document == LspServer.Documents.end())
    throw LspError{-32602, "unknown document '" + Pointed.Uri + "' (not opened with didOpen)"};
  const Json &Position = Params.at("position");
  const std::string &Text = Document->second.Text;
  std::size_t At = LspOffsetOf(Text, Position.at("line").get<long long>(),
                               Position.at("character").get<long long>());
  std::size_t Length;
  NameAround(Text, At, Pointed.Offset, Length);
  Pointed.Name = Text.substr(Pointed.Offset, Length);
  Pointed.Path = LspPathOfUri(Pointed.Uri);
  return Length > 0;
}

// A declaration a name may stand for, and how near it is: the lowest rank wins. A STATIC
// routine of the same file comes first and hides the public ones; one of another file is not
// seen at all.
struct Declaration {
  IndexedFileView File;
  const SymbolRecord *Symbol;
  int Rank;
};

int RankOf(const SymbolRecord &Symbol, bool SameFile) {
  switch (Symbol.Kind) {
  case SymbolStaticRoutine:
    return SameFile ? 0 : -1;
  case SymbolRoutine:
  case SymbolClass:
    return 1;
  case SymbolDefine:
    return SameFile ? 2 : 3;
  case SymbolMethod:
    return Symbol.InClassBody ? 5 : 4;
  default:
    return 6;
  }
}

std::vector<Declaration> DeclarationsOf(const std::vector<IndexedFileView> &Files,
                                        const PointedName &Pointed) {
  std::vector<Declaration> Found;
  int Best = 1 << 20;
  for (const IndexedFileView &File : Files)
    for (const SymbolRecord &Symbol : *File.Symbols) {
      if (!SameName(Symbol.Name.data(), Symbol.Name.size(), Pointed.Name))
        continue;
      int Rank = RankOf(Symbol, *File.Path == Pointed.Path);
      if (Rank < 0 || Rank > Best)
        continue;
      if (Rank < Best)
        Found.clear();
      Best = Rank;
      Found.push_back({File, &Symbol, Rank});
    }
  return Found;
}

bool HasStatic(const IndexedFileView &File, const std::string &Name) {
  for (const SymbolRecord &Symbol : *File.Symbols)
    if (Symbol.Kind == SymbolStaticRoutine &&
        SameName(Symbol.Name.data(), Symbol.Name.size(), Name))
      return true;
  return false;
}

Json WorkspaceSymbols(const Json &Params) {
  std::string Query = Params.value("query", std::string());
  for (char &C : Query)
    C = C >= 'a' && C <= 'z' ? char(C - 'a' + 'A') : C;
  Json Result = Json::array();
  std::string Upper;
  for (const IndexedFileView &File : IndexedFiles())
    for (const SymbolRecord &Symbol : *File.Symbols) {
      Upper = Symbol.Name;
      for (char &C : Upper)
        C = C >= 'a' && C <= 'z' ? char(C - 'a' + 'A') : C;
      if (Upper.find(Query) == std::string::npos)
        continue;
      Json Entry = {{"name", Symbol.Name},
                    {"kind", ProtocolKind(Symbol)},
                    {"location", LocationOf(File.Uri, Symbol)}};
      if (!Symbol.Container.empty())
        Entry["containerName"] = Symbol.Container;
      Result.push_back(std::move(Entry));
    }
  return Result;
}

Json Definition(const Json &Params) {
  PointedName Pointed;
  if (!NameAt(Params, Pointed))
    return nullptr;
  std::vector<IndexedFileView> Files = IndexedFiles();
  Json Result = Json::array();
  for (const Declaration &D : DeclarationsOf(Files, Pointed))
    Result.push_back(LocationOf(D.File.Uri, *D.Symbol));
  return Result;
}

// The uses of the name outside strings and comments: in the file of the STATIC routine it
// names, or in every file but those whose own STATIC routine of that name hides the public
// one; in the pointing document alone for a name the index does not hold (a variable).
Json References(const Json &Params) {
  PointedName Pointed;
  if (!NameAt(Params, Pointed))
    return nullptr;
  bool WithDeclarations = Params.value("context", Json::object()).value("includeDeclaration", true);
  std::vector<IndexedFileView> Files = IndexedFiles();
  std::vector<Declaration> Declared = DeclarationsOf(Files, Pointed);
  bool Static = !Declared.empty() && Declared[0].Rank == 0;
  bool Known = !Declared.empty();
  Json Result = Json::array();
  std::vector<std::size_t> Offsets;
  std::string Storage;
  for (const IndexedFileView &File : Files) {
    bool Here = *File.Path == Pointed.Path;
    if ((!Known || Static) ? !Here : (!Here && HasStatic(File, Pointed.Name)))
      continue;
    const std::string *Text;
    if (!TextOf(File, Storage, Text))
      continue;
    Offsets.clear();
    FindNameUses(Text->data(), Text->size(), Pointed.Name, Offsets);
    LspPositionWalk Walk;
    for (std::size_t Offset : Offsets) {
      bool IsDeclaration = false;
      for (const SymbolRecord &Symbol : *File.Symbols)
        IsDeclaration = IsDeclaration || Symbol.Offset == Offset;
      if (IsDeclaration && !WithDeclarations)
        continue;
      Json Start = LspPositionFrom(*Text, Walk, Offset);
      Json End = Start;
      End["character"] = Start["character"].get<long long>() + Pointed.Name.size();
      Result.push_back({{"uri", File.Uri}, {"range", {{"start", Start}, {"end", End}}}});
    }
  }
  return Result;
}

// Text with each byte that starts no valid UTF-8 sequence shown as U+FFFD: a comment in
// another code page is still shown, and nothing is written back.
std::string ShownAsUtf8(const std::string &Text) {
  std::string Shown;
  for (std::size_t At = 0; At < Text.size();) {
    unsigned char Lead = static_cast<unsigned char>(Text[At]);
    std::size_t Length = Lead < 0x80                    ? 1
                         : Lead >= 0xC2 && Lead <= 0xDF ? 2
                         : Lead >= 0xE0 && Lead <= 0xEF ? 3
                         : Lead >= 0xF0 && Lead <= 0xF4 ? 4
                                                        : 0;
    bool Valid = Length > 0 && At + Length <= Text.size();
    for (std::size_t K = 1; Valid && K < Length; ++K)
      Valid = (static_cast<unsigned char>(Text[At + K]) & 0xC0) == 0x80;
    if (Valid && Length == 3)
      Valid = !(Lead == 0xE0 && static_cast<unsigned char>(Text[At + 1]) < 0xA0) &&
              !(Lead == 0xED && static_cast<unsigned char>(Text[At + 1]) >= 0xA0);
    if (Valid && Length == 4)
      Valid = !(Lead == 0xF0 && static_cast<unsigned char>(Text[At + 1]) < 0x90) &&
              !(Lead == 0xF4 && static_cast<unsigned char>(Text[At + 1]) >= 0x90);
    if (Valid) {
      Shown.append(Text, At, Length);
      At += Length;
    } else {
      Shown += "\xEF\xBF\xBD";
      ++At;
    }
  }
  return Shown;
}

// The declaration's line and the comment lines right above it, as a code block.
Json Hover(const Json &Params) {
  PointedName Pointed;
  if (!NameAt(Params, Pointed))
    return nullptr;
  std::vector<IndexedFileView> Files = IndexedFiles();
  std::vector<Declaration> Declared = DeclarationsOf(Files, Pointed);
  if (Declared.empty())
    return nullptr;
  const Declaration &D = Declared[0];
  std::string Storage;
  const std::string *Text;
  if (!TextOf(D.File, Storage, Text))
    return nullptr;
  std::vector<std::size_t> Starts = LspLineStarts(*Text);
  if (std::size_t(D.Symbol->Line) >= Starts.size())
    return nullptr;
  std::string Block;
  for (int Line = CommentBlockAbove(*Text, D.Symbol->Line); Line <= D.Symbol->Line; ++Line) {
    std::size_t From = Starts[std::size_t(Line)];
    std::size_t To =
        std::size_t(Line) + 1 < Starts.size() ? Starts[std::size_t(Line) + 1] : Text->size();
    while (To > From && ((*Text)[To - 1] == '\n' || (*Text)[To - 1] == '\r'))
      --To;
    Block += Text->substr(From, To - From) + "\n";
  }
  const std::string &Here = LspServer.Documents[Pointed.Uri].Text;
  return {
      {"contents", {{"kind", "markdown"}, {"value", "```clipper\n" + ShownAsUtf8(Block) + "```"}}},
      {"range",
       {{"start", LspPositionOf(Here, Pointed.Offset)},
        {"end", LspPositionOf(Here, Pointed.Offset + Pointed.Name.size())}}}};
}

// The file at Path read again from disk (when it is a program under the folders), or dropped.
void ReadAgain(const std::string &Path) {
  WaitForIndex();
  std::vector<SymbolRecord> Symbols;
  if (IsClipperFileName(Path) && UnderFolders(Path) &&
      ReadFileSymbols(Path, LspServer.Utf8Columns, Symbols))
    LspIndex.Files[Path] = std::move(Symbols);
  else
    LspIndex.Files.erase(Path);
}

} // namespace

void LspStartIndex(const Json &Params) {
  LspResetIndex();
  if (!Params.is_object())
    return;
  std::vector<std::string> Folders;
  auto Text = [](const Json &Item, const char *Key) {
    return Item.is_object() && Item.contains(Key) && Item[Key].is_string();
  };
  if (Params.contains("workspaceFolders") && Params["workspaceFolders"].is_array()) {
    for (const Json &Folder : Params["workspaceFolders"])
      if (Text(Folder, "uri"))
        Folders.push_back(LspPathOfUri(Folder["uri"].get<std::string>()));
  } else if (Text(Params, "rootUri")) {
    Folders.push_back(LspPathOfUri(Params["rootUri"].get<std::string>()));
  } else if (Text(Params, "rootPath")) {
    Folders.push_back(Params["rootPath"].get<std::string>());
  }
  // capabilities.workspace.didChangeWatchedFiles.dynamicRegistration, each step optional.
  const Json *Step = &Params;
  for (const char *Key : {"capabilities", "workspace", "didChangeWatchedFiles"})
    Step = Step && Step->is_object() && Step->contains(Key) ? &(*Step)[Key] : nullptr;
  LspIndex.WatchesOnRequest = Step && Step->is_object() && Step->contains("dynamicRegistration") &&
                              (*Step)["dynamicRegistration"] == true;
  // A file system's root is no project: walking all of it would never end.
  for (std::string &Folder : Folders) {
    while (Folder.size() > PathRootLength(Folder) && Folder.size() > 1 &&
           (Folder.back() == '/' || Folder.back() == '\\'))
      Folder.pop_back();
    if (Folder.size() > PathRootLength(Folder))
      LspIndex.Folders.push_back(Folder);
  }
  if (LspIndex.Folders.empty())
    return;
  IndexBuildRecord *Build = new IndexBuildRecord;
  Build->Folders = LspIndex.Folders;
  Build->Utf8Columns = LspServer.Utf8Columns;
  LspIndex.Building = Build;
  LspIndex.Builder = StartBackground(BuildIndex, Build);
  if (!LspIndex.Builder)
    BuildIndex(Build); // no thread to be had: read them now
}

void LspResetIndex() {
  WaitForIndex();
  LspIndex = LspIndexRecord();
}

void LspIndexCapabilities(Json &Capabilities) {
  Capabilities["workspaceSymbolProvider"] = true;
  Capabilities["definitionProvider"] = true;
  Capabilities["referencesProvider"] = true;
  Capabilities["hoverProvider"] = true;
}

void LspIndexTake(const std::string &Method, const Json &Params, std::string &Out) {
  if (Method == "initialized" && LspIndex.WatchesOnRequest) {
    // The client is asked to tell of the programs created, changed and deleted on disk.
    Json Watchers = {{"watchers", {{{"globPattern", "**/*.{prg,ch,PRG,CH,Prg,Ch}"}}}}};
    LspWrite({{"jsonrpc", "2.0"},
              {"id", LspServer.NextRequestId++},
              {"method", "client/registerCapability"},
              {"params",
               {{"registrations",
                 {{{"id", "qmate-programs"},
                   {"method", "workspace/didChangeWatchedFiles"},
                   {"registerOptions", Watchers}}}}}}},
             Out);
    return;
  }
  if (Method == "workspace/didChangeWatchedFiles") {
    for (const Json &Event : Params.at("changes"))
      ReadAgain(LspPathOfUri(Event.at("uri").get<std::string>()));
    return;
  }
  if (Method.compare(0, 13, "textDocument/") != 0 || !Params.is_object() ||
      !Params.contains("textDocument") || !Params["textDocument"].is_object() ||
      !Params["textDocument"].contains("uri") || !Params["textDocument"]["uri"].is_string())
    return;
  const std::string &Uri = Params["textDocument"]["uri"].get_ref<const std::string &>();
  std::string Path = LspPathOfUri(Uri);
  if (Method == "textDocument/didOpen" || Method == "textDocument/didChange") {
    OpenSymbolsRecord &Open = LspIndex.Open[Path];
    Open.Uri = Uri;
    Open.Stale = true;
  } else if (Method == "textDocument/didSave") {
    // The file now holds what the editor holds; a document not open is read again.
    if (!LspIndex.Open.count(Path))
      ReadAgain(Path);
  } else if (Method == "textDocument/didClose") {
    LspIndex.Open.erase(Path);
    ReadAgain(Path);
  }
}

bool LspIndexAnswer(const std::string &Method, const Json &Params, Json &Result) {
  if (Method == "workspace/symbol")
    Result = WorkspaceSymbols(Params);
  else if (Method == "textDocument/definition")
    Result = Definition(Params);
  else if (Method == "textDocument/references")
    Result = References(Params);
  else if (Method == "textDocument/hover")
    Result = Hover(Params);
  else
    return false;
  return true;
}
