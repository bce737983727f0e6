// Where pixel blocks live: a large block (a map background) starts on a
// 2 MiB boundary, so that huge pages can back it; every block, large or
// small, is one piece of memory the surfaces release with std::free, its
// rows where the header says, all of them writable to the last byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/pixel_block.h"

namespace {

TEST(PixelBlockMemoryTest, LargeBlocksStartOnHugePageBoundariesAndAllAreWhole) {
  const struct {
    int32_t w, h;
    bool aligned;  // expected on a 2 MiB boundary
  } cases[] = {{3200, 2400, true},
               {1024, 1024, true},
               {1024, 1000, false},
               {800, 600, false},
               {7, 3, false}};
  for (const auto& c : cases) {
    const int32_t pitch = 2 * tessera::PlainStride(c.w);
    void* block = tessera::AllocatePixelBlock(c.w, c.h, pitch, 16);
    ASSERT_NE(block, nullptr) << c.w << "x" << c.h;
    if (c.aligned) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % (uintptr_t{2} << 20), 0u) << c.w << "x" << c.h;
    }
    PIXEL** rows = tessera::BlockRows(block);
    const char* first = static_cast<char*>(block) + tessera::RowsOffset(c.h);
    EXPECT_EQ(reinterpret_cast<char*>(rows[0]), first);
    EXPECT_EQ(reinterpret_cast<char*>(rows[c.h - 1]), first + static_cast<size_t>(c.h - 1) * pitch);
    // Every row and the extra bytes after them belong to the block.
    std::memset(static_cast<void*>(rows[0]), 0x5A, static_cast<size_t>(pitch) * c.h + 16);
    EXPECT_EQ(tessera::BlockHeader(block)->width, c.w);
    std::free(block);
  }
}

}  // namespace
