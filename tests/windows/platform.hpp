// The Windows calls the test host makes (library loading, the export and import tables of a
// loaded module, folders and files, the private-profile service), behind plain functions so
// that <windows.h> stays inside platform.cpp.
#pragma once

#include <string>
#include <vector>

void *OpenLibrary(const std::string &Path);
void CloseLibrary(void *Module);
void *FindLibraryExport(void *Module, const char *Name);
// The full path Windows reports for a loaded module.
std::string LibraryPath(void *Module);
// The names in the module's export table, in the table's order.
std::vector<std::string> ExportNames(void *Module);
// The names of the libraries the module imports from.
std::vector<std::string> ImportedLibraries(void *Module);
// Calls Report with the exception code when the process is about to die of an unhandled
// exception (an access violation inside the library, say), then ends it with status 3.
void InstallCrashHandler(void (*Report)(unsigned long ExceptionCode));
// Size bytes of writable memory directly followed by an inaccessible page, so that any access
// past their end faults; null when the memory cannot be had. Released with FreeGuardedBlock.
void *GuardedBlock(unsigned Size);
void FreeGuardedBlock(void *Block);
// The last Windows error as a number, for failure reports.
unsigned long LastSystemError();

// A new empty folder under the system's temporary folder, ending in a backslash.
std::string NewTempFolder(const std::string &Prefix);
bool MakeFolder(const std::string &Path);
bool CopyOneFile(const std::string &From, const std::string &To);
bool FileExists(const std::string &Path);
bool RemoveFile(const std::string &Path);
// Removes a folder with everything in it.
void RemoveTree(const std::string &Path);
bool ReadBytes(const std::string &Path, std::string &Bytes);
bool WriteBytes(const std::string &Path, const std::string &Bytes);

int ProfileInt(const std::string &Section, const std::string &Key, int Default,
               const std::string &Path);
bool ProfileWrite(const std::string &Section, const std::string &Key, const std::string &Value,
                  const std::string &Path);

// Text between a code page and UTF-16 with the system's converters (substitutes where a
// character has no place).
std::wstring WideFromCodePage(unsigned CodePage, const std::string &Bytes);
std::string CodePageFromWide(unsigned CodePage, const std::wstring &Text);
