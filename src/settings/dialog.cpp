// Placeholder settings dialog.
#include "dialog.hpp"

extern "C" int WINAPI Configure(int) {
  return 0;
}
