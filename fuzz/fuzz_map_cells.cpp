// Map cell files: the reader behind QMap::LoadMap, over files of any length
// for grids of any size (the first two bytes choose the cell count).
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_file.h"
#include "gui/map/map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int count = size >= 2 ? (data[0] | data[1] << 8) : 0;
  const std::string& path = tessera::fuzz::ScratchPath(".map");
  if (!tessera::fuzz::WriteScratch(path, data, size)) return 0;
  // Exactly `count` bytes: any write past them is a fault the sanitizer sees.
  std::vector<char> cells(static_cast<size_t>(count));
  if (!tessera::ReadMapCells(path.c_str(), cells.data(), count)) return 0;
  // Bytes past the header are the cells; the rest stay as they were (0).
  const size_t have = size > 44 ? size - 44 : 0;
  for (int i = 0; i < count; ++i) {
    const char want = static_cast<size_t>(i) < have ? static_cast<char>(data[44 + i]) : 0;
    if (cells[static_cast<size_t>(i)] != want) __builtin_trap();
  }
  return 0;
}
