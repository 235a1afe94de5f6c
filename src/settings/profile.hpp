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
#if !defined(_WIN32) || defined(QMATE_PROFILE_TEXT)
// The text of a settings file, Bytes, with Key of Section set to Value and every other line
// kept: the key's line changed, or a line added after the section's last entry (the section,
// when missing, added at the end). As kernel32 writes, the lines written end in CR LF and the
// key keeps the file's spelling; in the file's OwnStyle they end as its first line ends (LF
// when it has no end), the changed line keeps its end, the key is written as given and a new
// section follows an empty line.
std::string ProfileTextWithKey(const std::string &Bytes, const char *Section, const char *Key,
                               const char *Value, bool OwnStyle);
#endif
