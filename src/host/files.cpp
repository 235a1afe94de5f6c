// Whole-file reading and writing for the plug-in's data files.
#include "files.hpp"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

std::string NativePath(const std::string &Path) {
#ifdef _WIN32
  return Path;
#else
  std::string Out(Path);
  for (char &C : Out)
    if (C == '\\')
      C = '/';
  return Out;
#endif
}

bool ReadWholeFile(const std::string &Path, std::string &Bytes) {
  Bytes.clear();
  std::FILE *F = std::fopen(NativePath(Path).c_str(), "rb");
  if (!F)
    return false;
  char Buffer[65536];
  std::size_t Got;
  while ((Got = std::fread(Buffer, 1, sizeof(Buffer), F)) > 0)
    Bytes.append(Buffer, Got);
  bool Ok = !std::ferror(F);
  std::fclose(F);
  return Ok;
}

bool WriteWholeFile(const std::string &Path, const std::string &Bytes) {
  std::string Target = NativePath(Path);
  std::string Temp = Target + ".qmate-tmp";
  std::FILE *F = std::fopen(Temp.c_str(), "wb");
  if (!F)
    return false;
  bool Ok = std::fwrite(Bytes.data(), 1, Bytes.size(), F) == Bytes.size();
  Ok = (std::fflush(F) == 0) && Ok;
  Ok = (std::fclose(F) == 0) && Ok;
#ifdef _WIN32
  Ok = Ok && MoveFileExA(Temp.c_str(), Target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  Ok = Ok && std::rename(Temp.c_str(), Target.c_str()) == 0;
#endif
  if (!Ok)
    std::remove(Temp.c_str());
  return Ok;
}
