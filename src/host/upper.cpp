// Upper-casing by the rules of the system's 8-bit code page.
#include "session.hpp"

#ifdef _WIN32
#include <windows.h>

namespace {
struct UpperTable {
  unsigned char Map[256];
  UpperTable() {
    char Chars[256];
    for (int I = 0; I < 256; ++I)
      Chars[I] = static_cast<char>(I);
    CharUpperBuffA(Chars + 1, 255);
    Map[0] = 0;
    for (int I = 1; I < 256; ++I)
      Map[I] = static_cast<unsigned char>(Chars[I]);
  }
};
} // namespace

unsigned char LocaleUpper(unsigned char C) {
  static const UpperTable Table;
  return Table.Map[C];
}

#else

// Windows-1252: a to z, the Latin-1 small letters to their capitals, and the three small
// letters of the 0x80-0x9F range that have capitals there.
unsigned char LocaleUpper(unsigned char C) {
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

#endif
