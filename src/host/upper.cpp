// Upper-casing by the rules of the system's 8-bit code page, as one table made at first use
// and shared by every caller.
#include "session.hpp"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

struct UpperTableRecord {
  unsigned char Map[256];
};

#ifdef _WIN32

// The system's ANSI upper-casing of every byte but the zero.
UpperTableRecord MakeUpperTable() {
  char Chars[256];
  for (int I = 0; I < 256; ++I)
    Chars[I] = static_cast<char>(I);
  CharUpperBuffA(Chars + 1, 255);
  UpperTableRecord Table;
  for (int I = 0; I < 256; ++I)
    Table.Map[I] = static_cast<unsigned char>(Chars[I]);
  return Table;
}

#else

// Windows-1252: a to z, the Latin-1 small letters to their capitals, and the small letters
// of the 0x80-0x9F range that have capitals there.
constexpr unsigned char Windows1252Upper(unsigned char C) {
  if (C >= 'a' && C <= 'z')
    return static_cast<unsigned char>(C - 32);
  if (C >= 0xE0 && C <= 0xFE && C != 0xF7)
    return static_cast<unsigned char>(C - 32);
  switch (C) {
  case 0x9A:
    return 0x8A; // s caron
  case 0x9C:
    return 0x8C; // oe
  case 0x9E:
    return 0x8E; // z caron
  case 0xFF:
    return 0x9F; // y diaeresis
  default:
    return C;
  }
}

constexpr UpperTableRecord MakeUpperTable() {
  UpperTableRecord Table{};
  for (int C = 0; C < 256; ++C)
    Table.Map[C] = Windows1252Upper(static_cast<unsigned char>(C));
  return Table;
}

// Known when the program is compiled, so a call needs no first-use check.
constexpr UpperTableRecord UpperTable = MakeUpperTable();

#endif

} // namespace

#ifdef _WIN32
const unsigned char *LocaleUpperTable() {
  static const UpperTableRecord Table = MakeUpperTable();
  return Table.Map;
}
#else
const unsigned char *LocaleUpperTable() {
  return UpperTable.Map;
}
#endif

unsigned char LocaleUpper(unsigned char C) {
  return LocaleUpperTable()[C];
}
