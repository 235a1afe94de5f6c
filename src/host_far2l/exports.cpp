// far2l's entry points: each adapts its records and calls the plug-in's 1.70 entry point.
#include "../host/codepages.hpp"
#include "bridge.hpp"

#include <cstring>

namespace {

// The menu title handed to far2l as a one-element array; it must outlive the call.
std::wstring MenuTitle;
const wchar_t *MenuTitleSlot = nullptr;

// The plug-in's number among far2l's plug-ins ("QMAT").
const Far2l::Dword PluginId = 0x514D4154;

} // namespace

extern "C" {

__attribute__((visibility("default"))) void SetStartupInfoW(const Far2l::PluginStartupInfo *Info) {
  std::memset(&Far2lBridge.Far, 0, sizeof(Far2lBridge.Far));
  std::size_t Size = Info->StructSize > 0 ? static_cast<std::size_t>(Info->StructSize) : 0;
  std::memcpy(&Far2lBridge.Far, Info,
              Size < sizeof(Far2lBridge.Far) ? Size : sizeof(Far2lBridge.Far));
  const wchar_t *Name = Info->ModuleName ? Info->ModuleName : L"";
  // File names are UTF-8 bytes on the systems far2l runs on.
  PluginStartupInfo Table = Far2lServiceTable(BytesFrom(CodePageUtf8, Name, std::wcslen(Name)));
  SetStartupInfo(&Table);
}

__attribute__((visibility("default"))) void GetPluginInfoW(Far2l::PluginInfo *Info) {
  PluginInfo Own;
  std::memset(&Own, 0, sizeof(Own));
  GetPluginInfo(&Own);
  const char *Title = Own.PluginMenuStrings ? Own.PluginMenuStrings[0] : "";
  MenuTitle = WideFrom(InterfaceCodePage, Title ? Title : "");
  MenuTitleSlot = MenuTitle.c_str();
  Info->StructSize = sizeof(Far2l::PluginInfo);
  Info->Flags = Own.Flags;
  Info->DiskMenuStrings = nullptr;
  Info->DiskMenuStringsNumber = 0;
  Info->PluginMenuStrings = &MenuTitleSlot;
  Info->PluginMenuStringsNumber = 1;
  Info->PluginConfigStrings = &MenuTitleSlot;
  Info->PluginConfigStringsNumber = 1;
  Info->CommandPrefix = nullptr;
  Info->SysID = PluginId;
}

__attribute__((visibility("default"))) void *OpenPluginW(int OpenFrom, Far2l::IntPtr Item) {
  // A file with a character its code page cannot hold is left as it is.
  if (OpenFrom == Far2l::OPEN_EDITOR && LinesFitCodePage())
    OpenPlugin(OpenFrom, static_cast<int>(Item));
  return INVALID_HANDLE_VALUE;
}

__attribute__((visibility("default"))) int ConfigureW(int ItemNumber) {
  return Configure(ItemNumber);
}

__attribute__((visibility("default"))) int GetMinFarVersionW(void) {
  return 0x00020000; // far2l's version word for 2.0: major in the high half
}

} // extern "C"
