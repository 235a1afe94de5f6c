// The private-profile service on Windows: kernel32's own calls, ANSI forms.
#ifdef _WIN32
#include "profile.hpp"

#include <windows.h>

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
