// The private-profile service on Windows: kernel32's own calls, ANSI forms.
#ifdef _WIN32
#include "profile.hpp"

#include <windows.h>

int ProfileGetInt(const char *Section, const char *Key, int Default, const char *Path) {
  return static_cast<int>(GetPrivateProfileIntA(Section, Key, Default, Path));
}

bool ProfileWriteString(const char *Section, const char *Key, const char *Value, const char *Path) {
  return WritePrivateProfileStringA(Section, Key, Value, Path) != 0;
}
#endif
