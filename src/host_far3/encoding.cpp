// Code-page conversion with the system's converters: an encoding is accepted only when its
// bytes decode back to the very characters encoded.
#include "encoding.hpp"

#include <windows.h>

namespace {

bool IsUtf8(unsigned CodePage) {
  return CodePage == Utf8CodePage;
}

} // namespace

bool IsSingleByteCodePage(unsigned CodePage) {
  CPINFO Info;
  return !IsUtf8(CodePage) && GetCPInfo(CodePage, &Info) && Info.MaxCharSize == 1;
}

bool DecodeText(unsigned CodePage, const char *Bytes, std::size_t Size, std::wstring &Text) {
  Text.clear();
  if (Size == 0)
    return true;
  const DWORD Flags = MB_ERR_INVALID_CHARS;
  int Length = MultiByteToWideChar(CodePage, Flags, Bytes, static_cast<int>(Size), nullptr, 0);
  if (Length <= 0)
    return false;
  Text.resize(static_cast<std::size_t>(Length));
  MultiByteToWideChar(CodePage, Flags, Bytes, static_cast<int>(Size), &Text[0], Length);
  return true;
}

bool EncodeText(unsigned CodePage, const wchar_t *Text, std::size_t Size, std::string &Bytes) {
  Bytes.clear();
  if (Size == 0)
    return true;
  const DWORD Flags = IsUtf8(CodePage) ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  int Length = WideCharToMultiByte(CodePage, Flags, Text, static_cast<int>(Size), nullptr, 0,
                                   nullptr, nullptr);
  if (Length <= 0)
    return false;
  Bytes.resize(static_cast<std::size_t>(Length));
  WideCharToMultiByte(CodePage, Flags, Text, static_cast<int>(Size), &Bytes[0], Length, nullptr,
                      nullptr);
  std::wstring Back;
  return DecodeText(CodePage, Bytes.data(), Bytes.size(), Back) &&
         Back.compare(0, std::wstring::npos, Text, Size) == 0;
}

std::size_t EncodedLength(unsigned CodePage, const std::wstring &Text, std::size_t Count) {
  if (!IsUtf8(CodePage))
    return Count;
  std::size_t Bytes = 0;
  for (std::size_t I = 0; I < Count; ++I) {
    if (I >= Text.size()) {
      Bytes += Count - I;
      break;
    }
    unsigned C = Text[I];
    if (C < 0x80)
      Bytes += 1;
    else if (C < 0x800)
      Bytes += 2;
    else if (C >= 0xD800 && C < 0xDC00 && I + 1 < Text.size())
      Bytes += 4, ++I;
    else
      Bytes += 3;
  }
  return Bytes;
}
