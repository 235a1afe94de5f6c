// Whole files read and written as bytes, for the test hosts of every plug-in.
#include "platform.hpp"

#include <cstdio>

bool ReadBytes(const std::string &Path, std::string &Bytes) {
  Bytes.clear();
  std::FILE *File = std::fopen(Path.c_str(), "rb");
  if (!File)
    return false;
  char Buffer[65536];
  std::size_t Got;
  while ((Got = std::fread(Buffer, 1, sizeof(Buffer), File)) > 0)
    Bytes.append(Buffer, Got);
  bool Ok = !std::ferror(File);
  std::fclose(File);
  return Ok;
}

bool WriteBytes(const std::string &Path, const std::string &Bytes) {
  std::FILE *File = std::fopen(Path.c_str(), "wb");
  if (!File)
    return false;
  bool Ok = std::fwrite(Bytes.data(), 1, Bytes.size(), File) == Bytes.size();
  return (std::fclose(File) == 0) && Ok;
}
