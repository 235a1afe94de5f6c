// Placeholder private-profile layer: every read gives its default, writes do nothing.
#include "profile.hpp"

int ProfileGetInt(const char *, const char *, int Default, const char *) {
  return Default;
}
bool ProfileWriteString(const char *, const char *, const char *, const char *) {
  return false;
}
