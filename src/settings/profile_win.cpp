// The private-profile service on Windows: kernel32's own calls, ANSI forms; in the command-line
// tool (QMATE_UTF8_FILE_NAMES) the wide forms, the path taken as UTF-8 and the texts in the
// ANSI code page as the ANSI forms read and write them.
#ifdef _WIN32
#include "profile.hpp"

#include <windows.h>

#ifdef QMATE_UTF8_FILE_NAMES
namespace {
std::wstring Wide(const char *Text, UINT CodePage) {
  int Size = MultiByteToWideChar(CodePage, 0, Text, -1, nullptr, 0);
  std::wstring Out(static_cast<std::size_t>(Size > 0 ? Size : 1), L'\0');
  if (Size > 0)
    MultiByteToWideChar(CodePage, 0, Text, -1, &Out[0], Size);
  Out.resize(Out.size() - 1);
  return Out;
}
} // namespace

int ProfileGetInt(const char *Section, const char *Key, int Default, const char *Path) {
  return static_cast<int>(GetPrivateProfileIntW(Wide(Section, CP_ACP).c_str(),
                                                Wide(Key, CP_ACP).c_str(), Default,
                                                Wide(Path, CP_UTF8).c_str()));
}

bool ProfileGetText(const char *Section, const char *Key, const char *Path, std::string &Value) {
  const wchar_t Missing[] = L"\x01";
  wchar_t Buffer[4096];
  GetPrivateProfileStringW(Wide(Section, CP_ACP).c_str(), Wide(Key, CP_ACP).c_str(), Missing,
                           Buffer, sizeof(Buffer) / sizeof(Buffer[0]), Wide(Path, CP_UTF8).c_str());
  if (std::wstring(Buffer) == Missing) {
    Value.clear();
    return false;
  }
  int Size = WideCharToMultiByte(CP_ACP, 0, Buffer, -1, nullptr, 0, nullptr, nullptr);
  std::string Out(static_cast<std::size_t>(Size > 0 ? Size : 1), '\0');
  if (Size > 0)
    WideCharToMultiByte(CP_ACP, 0, Buffer, -1, &Out[0], Size, nullptr, nullptr);
  Out.resize(Out.size() - 1);
  Value = Out;
  return true;
}

bool ProfileWriteString(const char *Section, const char *Key, const char *Value, const char *Path) {
  return WritePrivateProfileStringW(Wide(Section, CP_ACP).c_str(), Wide(Key, CP_ACP).c_str(),
                                    Value ? Wide(Value, CP_ACP).c_str() : nullptr,
                                    Wide(Path, CP_UTF8).c_str()) != 0;
}
#else
int ProfileGetInt(const char *Section, const char *Key, int Default, const char *Path) {
  return static_cast<int>(GetPrivateProfileIntA(Section, Key, Default, Path));
}

bool ProfileGetText(const char *Section, const char *Key, const char *Path, std::string &Value) {
  // A value that the default marker cannot be: the key is missing when it comes back.
  const char Missing[] = "\x01";
  char Buffer[4096];
  GetPrivateProfileStringA(Section, Key, Missing, Buffer, sizeof(Buffer), Path);
  Value = Buffer;
  if (Value == Missing) {
    Value.clear();
    return false;
  }
  return true;
}

bool ProfileWriteString(const char *Section, const char *Key, const char *Value, const char *Path) {
  return WritePrivateProfileStringA(Section, Key, Value, Path) != 0;
}
#endif
#endif
