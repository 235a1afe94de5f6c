// The private-profile (INI file) service: kernel32 on Windows, a portable layer elsewhere
// with the same observable behaviour.
#pragma once

#include <string>

// The key's value as a signed integer; Default when the file, the section or the key is missing.
int ProfileGetInt(const char *Section, const char *Key, int Default, const char *Path);
// The key's value as text (blanks and one pair of quotes removed); false when the file, the
// section or the key is missing.
bool ProfileGetText(const char *Section, const char *Key, const char *Path, std::string &Value);
// Stores Value as the key's text, creating the file, section and key as needed and keeping
// every other line of the file. False when the file could not be written (the file is then
// as it was).
bool ProfileWriteString(const char *Section, const char *Key, const char *Value, const char *Path);
