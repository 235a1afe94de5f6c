// The library's load and unload notifications from Windows. At unload the module state made
// at start-up (the plug-in folder text and the word tables) is released; nothing is written
// to disk here, the settings file is written only by a confirmed settings dialog.
#ifdef _WIN32
#include "../settings/settings.hpp"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD Reason, LPVOID) {
  if (Reason == DLL_PROCESS_DETACH)
    ReleasePluginState();
  return TRUE;
}
#endif
