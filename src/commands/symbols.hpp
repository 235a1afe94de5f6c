// The names a program declares: its routines, classes and methods, #define constants and the
// first words of its own preprocessor rules, read from its text; and where a name is used
// outside strings and comments. Everything here works on the text it is given and touches no
// module-level record, so it may run on any thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum SymbolKind {
  SymbolRoutine,       // FUNCTION, PROCEDURE (INIT and EXIT ones too)
  SymbolStaticRoutine, // STATIC FUNCTION, STATIC PROCEDURE: seen only in its own file
  SymbolClass,         // CLASS, CREATE CLASS
  SymbolMethod,        // METHOD, ACCESS, ASSIGN: in a class's body or after it
  SymbolDefine,        // #define
  SymbolCommand,       // #command, #xcommand, #translate, #xtranslate (and #y...)
};

// One declared name: as written, the class of a method (when named or enclosing), where the
// name stands (0-based line, byte column and byte offset in the text), and whether a method
// line declares it inside its class's body rather than implementing it.
struct SymbolRecord {
  std::string Name;
  std::string Container;
  int Kind = SymbolRoutine;
  bool InClassBody = false;
  int Line = 0;
  int Column = 0;
  std::size_t Offset = 0;
};

// The names declared in Text, in text order. Lines end at LF, CR LF or a lone CR. Lines inside
// /* */ comments and #pragma BEGINDUMP regions (C code) declare nothing.
void ReadSymbols(const char *Text, std::size_t Size, std::vector<SymbolRecord> &Symbols);

// The symbol a routine or class header line declares, read without the lines around it; false
// for any other line. Kind is SymbolRoutine, SymbolStaticRoutine, SymbolClass or SymbolMethod.
bool ReadHeaderSymbol(const std::string &Line, SymbolRecord &Symbol);

// True when A and B spell the same name: Clipper ignores the case of names.
bool SameName(const char *A, std::size_t ALength, const std::string &B);

// The byte offsets in Text where the word Name (in any case) stands outside strings and
// comments, in increasing order.
void FindNameUses(const char *Text, std::size_t Size, const std::string &Name,
                  std::vector<std::size_t> &Offsets);

// The word of letters, digits and underscores around byte Offset of Text (the one just before
// it when Offset stands right after a word): its start and length; length 0 when there is none.
void NameAround(const std::string &Text, std::size_t Offset, std::size_t &Start,
                std::size_t &Length);

// The first line of the comment lines that stand right above line Line of Text (//, *, &&,
// NOTE, or a /* */ block), or Line itself when there are none.
int CommentBlockAbove(const std::string &Text, int Line);
