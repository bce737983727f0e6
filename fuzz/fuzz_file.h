// Fuzz targets whose readers take a file: the input is written to one
// scratch file per process, rewritten for every input.
#ifndef TESSERA_FUZZ_FUZZ_FILE_H
#define TESSERA_FUZZ_FUZZ_FILE_H

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tessera::fuzz {

// The scratch file's path, ending in `extension`, made on first use.
inline const std::string& ScratchPath(const char* extension) {
  static const std::string path = [extension] {
    const char* dir = std::getenv("TMPDIR");
    std::string p = std::string(dir && *dir ? dir : "/tmp") + "/tessera-fuzz-" +
                    std::to_string(::getpid()) + extension;
    return p;
  }();
  return path;
}

inline bool WriteScratch(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace tessera::fuzz

#endif
