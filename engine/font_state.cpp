#include "engine/font_state.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/path.h"
#include "platform/test_hooks.h"

namespace tessera {

namespace {

struct FontBuffer {
  unsigned char* data = nullptr;
  size_t length = 0;
};

int g_font_size = 12;
FontBuffer g_fonts[3];  // 12, 16, 24

FontBuffer* Slot(int size) {
  switch (size) {
    case 12:
      return &g_fonts[0];
    case 16:
      return &g_fonts[1];
    case 24:
      return &g_fonts[2];
    default:
      return nullptr;
  }
}

}  // namespace

int CurrentFontSize() { return g_font_size; }
void SetCurrentFontSize(int size) { g_font_size = size; }

int LoadFontFile(int size, const char* folder) {
  FontBuffer* slot = Slot(size);
  if (!slot) return 1;
  if (slot->data) return 1;
  std::string path = std::string(folder ? folder : "") + "data\\hzk" + std::to_string(size);
  std::FILE* f = OpenFile(path, "rb");
  if (!f) return 0;
  long length = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) length = std::ftell(f);
  std::rewind(f);
  unsigned char* data =
      length >= 0 ? static_cast<unsigned char*>(std::malloc(length + 1)) : nullptr;
  if (!data || std::fread(data, 1, static_cast<size_t>(length), f) != static_cast<size_t>(length)) {
    std::free(data);
    std::fclose(f);
    return 0;
  }
  std::fclose(f);
  slot->data = data;
  slot->length = static_cast<size_t>(length);
  return 1;
}

void FreeFontFile(int size) {
  if (FontBuffer* slot = Slot(size)) {
    std::free(slot->data);
    *slot = FontBuffer{};
  }
}

const unsigned char* FontFileData(int size, size_t* length) {
  FontBuffer* slot = Slot(size);
  if (length) *length = slot ? slot->length : 0;
  return slot ? slot->data : nullptr;
}

void ResetFontStateForTests() {
  FreeFontFile(12);
  FreeFontFile(16);
  FreeFontFile(24);
  g_font_size = 12;
}

}  // namespace tessera
