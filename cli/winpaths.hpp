// UTF-8 and the UTF-16 of the Windows API, for the Windows files of the tool.
#pragma once

#include <string>

std::wstring WidePath(const std::string &Utf8);
// A UTF-8 path as the wide file calls take it: unchanged but for the encoding while it is
// short; one of MAX_PATH characters or more made absolute with the long-path prefix ("\\?\C:\..."
// or "\\?\UNC\server\share\..."), so that deep folders and long names can be reached.
std::wstring ApiPath(const std::string &Utf8);
std::string Utf8Path(const std::wstring &Wide);
// errno set to the nearest meaning of a Windows error code.
void SetErrnoFromWindows(unsigned long Code);
