// Fuzz target for AddBmpToPack: any bytes as a bitmap file, packed as an
// image stream into a table-file pack.  A bitmap that is refused must leave
// the pack, table and index as they were; one that is added must load back
// as a stream whose header holds the bitmap's width and height.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_file.h"
#include "gui/draw_image.h"
#include "pack/qres.h"
#include "platform/message_sink.h"

namespace {

class SilentSink : public tessera::MessageSink {
 public:
  void Show(std::string_view, std::string_view, tessera::MessageIcon) override {}
};

std::string g_dir, g_table, g_index, g_pack;
std::string g_table_bytes, g_index_bytes;

std::string ReadAll(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) out.append(chunk, n);
    std::fclose(f);
  }
  return out;
}

bool Reset(const std::string& path, const std::string& bytes) {
  return tessera::fuzz::WriteScratch(path, reinterpret_cast<const uint8_t*>(bytes.data()),
                                     bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/fuzz-add-bmp-XXXXXX";
  if (!::mkdtemp(tmpl)) std::abort();
  g_dir = tmpl;
  g_table = g_dir + "/t.dbf";
  g_index = g_dir + "/t.idx";
  g_pack = g_dir + "/p.pak";
  std::atexit([] {
    for (const std::string& f : {g_table, g_index, g_pack, g_dir + "/in.bmp"})
      std::remove(f.c_str());
    ::rmdir(g_dir.c_str());
  });
  tessera::SetMessageSink(std::make_unique<SilentSink>());
  std::string error;
  if (!tessera::CreateQresFiles(g_table, g_index, 10, 80, error)) std::abort();
  g_table_bytes = ReadAll(g_table);
  g_index_bytes = ReadAll(g_index);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bmp = g_dir + "/in.bmp";
  if (!tessera::fuzz::WriteScratch(bmp, data, size) || !Reset(g_table, g_table_bytes) ||
      !Reset(g_index, g_index_bytes) || !Reset(g_pack, ""))
    return 0;
  bool added;
  {
    QRES res(g_table.c_str(), g_index.c_str());
    added = AddBmpToPack(bmp.c_str(), &res, "BMP0000001", g_pack.c_str(), "");
    if (added) {
      unsigned char* buffer = nullptr;
      int n = res.LoadData(buffer, "BMP0000001");
      // Width and height (16 bits each) at least, and the bitmap's size.
      if (n < 5) std::abort();
      const unsigned w = buffer[0] | (buffer[1] << 8), h = buffer[2] | (buffer[3] << 8);
      if (w == 0 || h == 0) std::abort();
      delete[] buffer;
    }
  }
  if (!added && (ReadAll(g_pack) != "" || ReadAll(g_table) != g_table_bytes)) std::abort();
  return 0;
}
