// Text between the editor's UTF-16 lines and the bytes the plug-in's engine works on, in one
// code page. Both directions report whether the text came through unchanged, so that a line
// the code page cannot hold is never rewritten with a substitute.
#pragma once

#include <string>

// The 8-bit code page the plug-in's own texts (menus, messages, the dialog) travel in: OEM
// Cyrillic, which holds both shipped languages and the box-drawing characters of the dialog.
const unsigned InterfaceCodePage = 866;
const unsigned Utf8CodePage = 65001;

// True for a code page the system knows whose characters are one byte each.
bool IsSingleByteCodePage(unsigned CodePage);
// Text in CodePage (UTF-8 or an 8-bit code page) as UTF-16; false when a byte has no
// character there or the code page is unknown.
bool DecodeText(unsigned CodePage, const char *Bytes, std::size_t Size, std::wstring &Text);
// UTF-16 as bytes of CodePage; false when a character does not come back as itself.
bool EncodeText(unsigned CodePage, const wchar_t *Text, std::size_t Size, std::string &Bytes);
// The bytes the first Count characters of Text take in CodePage (Count past the end counts
// one byte for each missing character, as a cursor beyond the end of a line).
std::size_t EncodedLength(unsigned CodePage, const std::wstring &Text, std::size_t Count);
