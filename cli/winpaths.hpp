// UTF-8 and the UTF-16 of the Windows API, for the Windows files of the tool.
#pragma once

#include <string>

std::wstring WidePath(const std::string &Utf8);
std::string Utf8Path(const std::wstring &Wide);
// errno set to the nearest meaning of a Windows error code.
void SetErrnoFromWindows(unsigned long Code);
