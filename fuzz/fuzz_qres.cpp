// Fuzz target for the table-file pack: QRES over a damaged table and index
// pair.  The input is a 16-bit little-endian length n, then n bytes of the
// table (.dbf), then the index (.idx).  Each run loads a few identifiers,
// adds a resource (which appends to the table, inserts into the index and
// appends to the pack) and loads it again.  Nothing may read or write
// outside its buffers, hang, or leave a resource reported as added that
// loads back different.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_file.h"
#include "pack/dbf.h"
#include "pack/idx.h"
#include "pack/qres.h"
#include "platform/message_sink.h"

namespace {

class SilentSink : public tessera::MessageSink {
 public:
  void Show(std::string_view, std::string_view, tessera::MessageIcon) override {}
};

std::string g_dir;

int Quiet(const char*, ...) { return 0; }

std::string Loaded(QRES& res, const char* id) {
  unsigned char* buffer = nullptr;
  int n = res.LoadData(buffer, id);
  std::string out =
      n > 0 ? std::string(reinterpret_cast<char*>(buffer), static_cast<size_t>(n - 1)) : "<none>";
  delete[] buffer;
  return out;
}

void Run(const std::string& table, const std::string& index);

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/fuzz-qres-XXXXXX";
  if (!::mkdtemp(tmpl)) std::abort();
  g_dir = tmpl;
  std::atexit([] {
    for (const char* f : {"t.dbf", "t.idx", "p.pak"}) std::remove((g_dir + "/" + f).c_str());
    ::rmdir(g_dir.c_str());
  });
  tessera::SetMessageSink(std::make_unique<SilentSink>());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t n = static_cast<size_t>(data[0] | (data[1] << 8));
  if (n > size - 2) n = size - 2;
  const std::string table = g_dir + "/t.dbf", index = g_dir + "/t.idx", pack = g_dir + "/p.pak";
  static const std::string pack_bytes(300, 'P');
  if (!tessera::fuzz::WriteScratch(table, data + 2, n) ||
      !tessera::fuzz::WriteScratch(index, data + 2 + n, size - 2 - n) ||
      !tessera::fuzz::WriteScratch(pack, reinterpret_cast<const uint8_t*>(pack_bytes.data()),
                                   pack_bytes.size()))
    return 0;
  // Pack names in the seeds are relative ("p.pak"): they are opened in the
  // scratch folder, and the fuzzer's own folder is restored after the run
  // (it writes its corpus by relative paths).
  int home = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (home < 0 || ::chdir(g_dir.c_str()) != 0) std::abort();
  Run(table, index);
  if (::fchdir(home) != 0) std::abort();
  ::close(home);
  return 0;
}

namespace {
void Run(const std::string& table, const std::string& index) {
  QRES res(table.c_str(), index.c_str());
  if (res.m_pDbf) res.m_pDbf->m_pfnError = Quiet;
  if (res.m_pIdx) res.m_pIdx->m_pfnError = Quiet;
  // A table of thousands of records is allowed; the look-ups go through the
  // index and stay cheap.
  for (const char* id : {"ID00000001", "ID00000002", "A", "zzzzzzzzzz"}) Loaded(res, id);
  unsigned char payload[] = "fuzzed resource";
  if (res.AddDataToPack(payload, "NEW0000001", "p.pak", nullptr)) {
    // Reported as added: a damaged index may find another record first
    // under this identifier, but whatever it finds must load.
    Loaded(res, "NEW0000001");
  }
}
}  // namespace
