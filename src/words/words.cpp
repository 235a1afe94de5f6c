// Placeholder word tables.
#include "words.hpp"

WordTablesRecord WordTables;

void LoadWordTables() {}
void ReleaseWordTables() {
  WordTables = WordTablesRecord();
}
std::string SpellWord(const std::string &Word) {
  return Word;
}
void AppendSpelling(const char *Word, std::size_t Length, std::string &Out) {
  Out.append(Word, Length);
}
