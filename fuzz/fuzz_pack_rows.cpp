// Fuzz target: the rows of an untrusted database and the bytes of an
// untrusted pack file, read the way the engine reads them.
//
// Input: a 4-byte little-endian length n, n bytes of an SQLite database
// file (the game database), then the bytes of the pack file "\p.pak" that
// lies beside it.  The target looks up every resource the database lists
// (loading those of the packs it may open), reads every animation row by
// identifier and walks them animation by animation, and walks the file
// table.  Nothing it does may read or write outside its buffers.
//
// With TESSERA_FUZZ_WRITE_SEEDS=<folder> in the environment, the target
// first writes its seed inputs there, built with the library's own writers.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "database/database.h"
#include "database/pack_ani_database.h"
#include "database/pack_file_database.h"
#include "database/pack_res_database.h"
#include "database/schema.h"
#include "pack/res.h"
#include "platform/message_sink.h"

namespace {

class SilentSink : public tessera::MessageSink {
 public:
  void Show(std::string_view, std::string_view, tessera::MessageIcon) override {}
};

std::string g_dir;

bool WriteAll(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

std::string ReadAll(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

// Only packs inside the scratch folder may be opened (for update) by the
// loads below.
bool SafePackName(const char* name) {
  std::string n(name);
  while (!n.empty() && n.back() == ' ') n.pop_back();
  return n == "\\p.pak" || n == "*p.pak" || n == "\\missing.pak";
}

void Exercise(const std::string& db_path) {
  CRes res(db_path.c_str(), (g_dir + "/").c_str());
  CDataBase* db = AfxGetDataBase(db_path.c_str());
  if (db) {
    tessera::RecordsetPtr rs;
    std::vector<std::string> ids;
    if (db->OpenSource("SELECT [ID] FROM [RESTABLE]", rs)) {
      char id[64];
      for (db->GetRecordCount(rs); !rs->IsEOF() && ids.size() < 32; rs->MoveNext())
        if (rs->GetText(0, id, sizeof id)) ids.push_back(id);
    }
    for (const std::string& id : ids) {
      stPackResInfo info;
      if (!CRes::m_pResDb || !CRes::m_pResDb->GetResInfo(id.c_str(), info)) continue;
      if (!SafePackName(info.szPackName)) continue;
      unsigned char* buffer = nullptr;
      int n = res.LoadData(buffer, id.c_str());
      if (n > 0 && buffer[n - 1] != 0) std::abort();
      delete[] buffer;
    }
  }

  CPackAniDataBase ani(db_path.c_str());
  stPackAniInfo a;
  long frames = ani.GetNumFromID(nullptr);
  for (long i = 0; i < frames + 2 && ani.GetOneAni(a); ++i) {
    stPackAniInfo by_id;
    ani.GetAniInfo(a.szID, by_id);
    if (!ani.SkipToNext()) break;
  }
  if (ani.GetNumFromID(nullptr) > 0 && ani.GetFirstAniFromID(a))
    while (ani.GetNextAniFromID(a)) {
    }

  CPackFileDataBase files(db_path.c_str());
  stPackFileInfo f;
  if (files.GetSourceNum(nullptr, -1) > 0 && files.GetSourceFirstFile(f))
    while (files.GetSourceNextFile(f)) {
    }
}

// Builds one seed: a small database (512-byte pages) from the library's
// schema (its pack tables), filled through the library's table classes and CRes.
void WriteSeed(const std::string& out_dir, const std::string& name, int variant) {
  std::string db_path = g_dir + "/seed.mdb";
  std::string pack_path = g_dir + "/p.pak";
  std::remove(db_path.c_str());
  sqlite3* raw = nullptr;
  sqlite3_open(db_path.c_str(), &raw);
  sqlite3_exec(raw, "PRAGMA page_size=512", nullptr, nullptr, nullptr);
  sqlite3_exec(raw, tessera::SchemaSql(), nullptr, nullptr, nullptr);
  sqlite3_close(raw);
  WriteAll(pack_path, nullptr, 0);
  {
    CRes res(db_path.c_str(), (g_dir + "/").c_str());
    unsigned char text[] = "pack bytes \xD6\xD0\xCE\xC4";
    res.AddDataToPack(text, "text000001", "\\p.pak", nullptr);
    res.AddDataToPack(text, 0, "empty00001", "\\p.pak", nullptr);
    if (variant > 0) res.AddDataToPack(text, "text000001", "\\p.pak", nullptr);  // re-added
    CPackAniDataBase ani(db_path.c_str());
    stPackAniInfo a;
    for (int i = 0; i < 2 + variant; ++i) {
      std::snprintf(a.szID, sizeof a.szID, "walkdown%02d", i);
      a.nNumber = i == 0 ? 2 + variant : 0;
      a.nDelay = 40 + i;
      std::strcpy(a.szImageType, "rle");
      ani.AddAni(a);
    }
    CPackFileDataBase files(db_path.c_str());
    stPackFileInfo f;
    std::strcpy(f.szID, "f1");
    std::strcpy(f.szType, "bmp");
    std::strcpy(f.szPackName, "\\p.pak");
    std::strcpy(f.szPath, "img\\f1.bmp");
    files.AddFile(f);
    if (variant > 1) {
      // A row whose range runs past the end of its pack.
      CDataBase* db = AfxGetDataBase(db_path.c_str());
      db->ExecuteCommand("INSERT INTO [RESTABLE] VALUES ('past000001','\\p.pak',4,4000)");
    }
  }
  AfxReleaseDataBase(nullptr);
  // The scene tables play no part here: dropped, the seed stays a few KB.
  sqlite3_open(db_path.c_str(), &raw);
  sqlite3_exec(raw,
               "DROP TABLE [MAPTABLE]; DROP TABLE [GOODSTABLE]; DROP TABLE [PERSONTABLE]; DROP "
               "TABLE [EVENTTABLE];"
               "VACUUM",
               nullptr, nullptr, nullptr);
  sqlite3_close(raw);
  std::string dbb = ReadAll(db_path), packb = ReadAll(pack_path);
  uint32_t n = static_cast<uint32_t>(dbb.size());
  std::string seed(reinterpret_cast<const char*>(&n), 4);
  seed += dbb + packb;
  WriteAll(out_dir + "/" + name, reinterpret_cast<const uint8_t*>(seed.data()), seed.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/fuzz-pack-rows-XXXXXX";
  if (!::mkdtemp(tmpl)) std::abort();
  g_dir = tmpl;
  std::atexit([] {
    std::remove((g_dir + "/game.mdb").c_str());
    std::remove((g_dir + "/game.mdb-journal").c_str());
    std::remove((g_dir + "/seed.mdb").c_str());
    std::remove((g_dir + "/seed.mdb-journal").c_str());
    std::remove((g_dir + "/p.pak").c_str());
    ::rmdir(g_dir.c_str());
  });
  tessera::SetMessageSink(std::make_unique<SilentSink>());
  if (const char* out = std::getenv("TESSERA_FUZZ_WRITE_SEEDS")) {
    WriteSeed(out, "plain", 0);
    WriteSeed(out, "readded", 1);
    WriteSeed(out, "past_end", 2);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t n;
  std::memcpy(&n, data, 4);
  if (n > size - 4) return 0;
  std::string db_path = g_dir + "/game.mdb";
  std::remove((db_path + "-journal").c_str());
  if (!WriteAll(db_path, data + 4, n) || !WriteAll(g_dir + "/p.pak", data + 4 + n, size - 4 - n))
    return 0;
  Exercise(db_path);
  AfxReleaseDataBase(nullptr);
  return 0;
}
