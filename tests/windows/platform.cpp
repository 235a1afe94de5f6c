// The test host's Windows calls.
#include "platform.hpp"

#include <windows.h>

#include <cstdio>

namespace {

// The module's optional header, or null when the image does not look like a 32-bit one.
const IMAGE_OPTIONAL_HEADER32 *OptionalHeader(void *Module) {
  const unsigned char *Base = static_cast<const unsigned char *>(Module);
  const IMAGE_DOS_HEADER *Dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(Base);
  if (!Base || Dos->e_magic != IMAGE_DOS_SIGNATURE)
    return nullptr;
  const IMAGE_NT_HEADERS32 *Nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(Base + Dos->e_lfanew);
  if (Nt->Signature != IMAGE_NT_SIGNATURE ||
      Nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
    return nullptr;
  return &Nt->OptionalHeader;
}

const IMAGE_DATA_DIRECTORY *Directory(void *Module, int Index) {
  const IMAGE_OPTIONAL_HEADER32 *Optional = OptionalHeader(Module);
  if (!Optional || Optional->NumberOfRvaAndSizes <= static_cast<DWORD>(Index))
    return nullptr;
  const IMAGE_DATA_DIRECTORY *Entry = &Optional->DataDirectory[Index];
  return Entry->VirtualAddress && Entry->Size ? Entry : nullptr;
}

void (*CrashReport)(unsigned long) = nullptr;

LONG WINAPI UnhandledException(EXCEPTION_POINTERS *Exception) {
  if (CrashReport)
    CrashReport(Exception && Exception->ExceptionRecord ? Exception->ExceptionRecord->ExceptionCode
                                                        : 0);
  ExitProcess(3);
}

} // namespace

void InstallCrashHandler(void (*Report)(unsigned long ExceptionCode)) {
  CrashReport = Report;
  SetUnhandledExceptionFilter(UnhandledException);
}

void *OpenLibrary(const std::string &Path) {
  return reinterpret_cast<void *>(LoadLibraryA(Path.c_str()));
}

void CloseLibrary(void *Module) {
  if (Module)
    FreeLibrary(static_cast<HMODULE>(Module));
}

void *FindLibraryExport(void *Module, const char *Name) {
  if (!Module)
    return nullptr;
  return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(Module), Name));
}

std::string LibraryPath(void *Module) {
  char Buffer[MAX_PATH + 1];
  DWORD Length = GetModuleFileNameA(static_cast<HMODULE>(Module), Buffer, MAX_PATH);
  return std::string(Buffer, Length);
}

std::vector<std::string> ExportNames(void *Module) {
  std::vector<std::string> Names;
  const IMAGE_DATA_DIRECTORY *Entry = Directory(Module, IMAGE_DIRECTORY_ENTRY_EXPORT);
  if (!Entry)
    return Names;
  const unsigned char *Base = static_cast<const unsigned char *>(Module);
  const IMAGE_EXPORT_DIRECTORY *Exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(Base + Entry->VirtualAddress);
  const DWORD *NameTable = reinterpret_cast<const DWORD *>(Base + Exports->AddressOfNames);
  for (DWORD I = 0; I < Exports->NumberOfNames; ++I)
    Names.push_back(reinterpret_cast<const char *>(Base + NameTable[I]));
  return Names;
}

std::vector<std::string> ImportedLibraries(void *Module) {
  std::vector<std::string> Names;
  const IMAGE_DATA_DIRECTORY *Entry = Directory(Module, IMAGE_DIRECTORY_ENTRY_IMPORT);
  if (!Entry)
    return Names;
  const unsigned char *Base = static_cast<const unsigned char *>(Module);
  const IMAGE_IMPORT_DESCRIPTOR *Import =
      reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(Base + Entry->VirtualAddress);
  for (; Import->Name; ++Import)
    Names.push_back(reinterpret_cast<const char *>(Base + Import->Name));
  return Names;
}

void *GuardedBlock(unsigned Size) {
  SYSTEM_INFO System;
  GetSystemInfo(&System);
  SIZE_T Page = System.dwPageSize;
  SIZE_T Pages = (Size + Page - 1) / Page + 1;
  unsigned char *Base =
      static_cast<unsigned char *>(VirtualAlloc(nullptr, Pages * Page, MEM_COMMIT, PAGE_READWRITE));
  if (!Base)
    return nullptr;
  DWORD Old;
  if (!VirtualProtect(Base + (Pages - 1) * Page, Page, PAGE_NOACCESS, &Old)) {
    VirtualFree(Base, 0, MEM_RELEASE);
    return nullptr;
  }
  return Base + (Pages - 1) * Page - Size;
}

void FreeGuardedBlock(void *Block) {
  if (!Block)
    return;
  MEMORY_BASIC_INFORMATION Info;
  if (VirtualQuery(Block, &Info, sizeof(Info)))
    VirtualFree(Info.AllocationBase, 0, MEM_RELEASE);
}

unsigned long LastSystemError() {
  return GetLastError();
}

std::string NewTempFolder(const std::string &Prefix) {
  char Temp[MAX_PATH + 1];
  DWORD Length = GetTempPathA(MAX_PATH, Temp);
  std::string Base = Length ? std::string(Temp, Length) : std::string(".\\");
  if (Base.back() != '\\')
    Base += '\\';
  for (unsigned Attempt = 0; Attempt < 1000; ++Attempt) {
    std::string Path =
        Base + Prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(Attempt);
    if (CreateDirectoryA(Path.c_str(), nullptr))
      return Path + "\\";
  }
  return std::string();
}

bool MakeFolder(const std::string &Path) {
  return CreateDirectoryA(Path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool CopyOneFile(const std::string &From, const std::string &To) {
  return CopyFileA(From.c_str(), To.c_str(), FALSE) != 0;
}

bool FileExists(const std::string &Path) {
  return GetFileAttributesA(Path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::string &Path) {
  return DeleteFileA(Path.c_str()) != 0;
}

void RemoveTree(const std::string &Path) {
  std::string Folder = Path;
  while (!Folder.empty() && Folder.back() == '\\')
    Folder.pop_back();
  if (Folder.empty())
    return;
  WIN32_FIND_DATAA Found;
  HANDLE Search = FindFirstFileA((Folder + "\\*").c_str(), &Found);
  if (Search != INVALID_HANDLE_VALUE) {
    do {
      std::string Name = Found.cFileName;
      if (Name == "." || Name == "..")
        continue;
      std::string Child = Folder + "\\" + Name;
      if (Found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(Child);
      else
        DeleteFileA(Child.c_str());
    } while (FindNextFileA(Search, &Found));
    FindClose(Search);
  }
  RemoveDirectoryA(Folder.c_str());
}

int ProfileInt(const std::string &Section, const std::string &Key, int Default,
               const std::string &Path) {
  return static_cast<int>(
      GetPrivateProfileIntA(Section.c_str(), Key.c_str(), Default, Path.c_str()));
}

bool ProfileWrite(const std::string &Section, const std::string &Key, const std::string &Value,
                  const std::string &Path) {
  return WritePrivateProfileStringA(Section.c_str(), Key.c_str(), Value.c_str(), Path.c_str()) != 0;
}

std::wstring WideFromCodePage(unsigned CodePage, const std::string &Bytes) {
  if (Bytes.empty())
    return std::wstring();
  int Size = static_cast<int>(Bytes.size());
  int Length = MultiByteToWideChar(CodePage, 0, Bytes.data(), Size, nullptr, 0);
  std::wstring Text(static_cast<std::size_t>(Length > 0 ? Length : 0), L'\0');
  if (Length > 0)
    MultiByteToWideChar(CodePage, 0, Bytes.data(), Size, &Text[0], Length);
  return Text;
}

std::string CodePageFromWide(unsigned CodePage, const std::wstring &Text) {
  if (Text.empty())
    return std::string();
  int Size = static_cast<int>(Text.size());
  int Length = WideCharToMultiByte(CodePage, 0, Text.data(), Size, nullptr, 0, nullptr, nullptr);
  std::string Bytes(static_cast<std::size_t>(Length > 0 ? Length : 0), '\0');
  if (Length > 0)
    WideCharToMultiByte(CodePage, 0, Text.data(), Size, &Bytes[0], Length, nullptr, nullptr);
  return Bytes;
}
