// Text between a host's wide characters and the 8-bit bytes the plug-in works on: the OEM
// and ANSI code pages of Russian and Western European systems and UTF-8. The conversions are
// lossless both ways for every text a code page can hold; a character it cannot hold is
// reported, never guessed. wchar_t holds UTF-32 (Linux) or UTF-16 (Windows, surrogate pairs).
#pragma once

#include <cstddef>
#include <string>

enum CodePageNumber : unsigned {
  CodePageOem866 = 866,
  CodePageCyrillic1251 = 1251,
  CodePageWestern1252 = 1252,
  CodePageUtf8 = 65001,
};

// True for the code pages the conversions below know.
bool IsKnownCodePage(unsigned CodePage);

// Bytes into wide text. In the 8-bit code pages every byte has its character (a byte the code
// page leaves undefined stands for the control character of the same number). False for an
// unknown code page, or for bytes that are not UTF-8 (each bad byte becomes U+FFFD).
bool BytesToWide(unsigned CodePage, const char *Bytes, std::size_t Size, std::wstring &Wide);

// Wide text into bytes. False for an unknown code page, or when a character has no byte
// sequence in the code page (it becomes '?'); a lone surrogate or a value past U+10FFFF has
// none in UTF-8.
bool WideToBytes(unsigned CodePage, const wchar_t *Text, std::size_t Length, std::string &Bytes);

// True when Text survives WideToBytes and BytesToWide unchanged.
bool RoundTrips(unsigned CodePage, const wchar_t *Text, std::size_t Length);
