#include "pack/pack_batch.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "database/database.h"
#include "database/pack_res_database.h"
#include "pack/pack_list.h"
#include "pack/res.h"
#include "platform/path.h"

namespace tessera {

namespace {

// The whole of a regular file; false with the reason when it cannot be
// read whole.
bool ReadWhole(const std::string& file, std::string& bytes, std::string& error) {
  std::FILE* in = OpenFile(file, "rb");
  if (!in) {
    error =
        file + ": " + (errno == EISDIR ? std::string("not a regular file") : std::strerror(errno));
    return false;
  }
  struct stat st;
  if (::fstat(::fileno(in), &st) != 0) {
    std::fclose(in);
    error = file + ": " + std::strerror(errno);
    return false;
  }
  bytes.resize(static_cast<size_t>(st.st_size));
  size_t got = bytes.empty() ? 0 : std::fread(&bytes[0], 1, bytes.size(), in);
  bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed || got != bytes.size()) {
    error =
        file + ": read " + std::to_string(got) + " of " + std::to_string(bytes.size()) + " bytes";
    return false;
  }
  return true;
}

}  // namespace

bool AddFilesToPack(CRes& res, const std::string& packName, const std::vector<PackBatchItem>& items,
                    std::vector<PackBatchRange>& ranges, std::string& error,
                    const PackBatchProgress& progress) {
  ranges.clear();
  error.clear();
  for (const PackBatchItem& item : items)
    if (item.id.empty() || item.id.size() >= sizeof(stPackResInfo::szID)) {
      error = "identifier '" + item.id + "' is not 1 to 10 bytes";
      return false;
    }
  if (packName.empty() || packName.size() >= sizeof(pack::szName)) {
    error = "pack name is not 1 to 255 bytes";
    return false;
  }
  pack* p = NamedPackForAppend(res, packName.c_str());
  if (!p) {
    error = packName + ": pack cannot be opened";
    return false;
  }
  if (p->bReadOnly) {
    error = packName + ": pack is read-only";
    return false;
  }
  std::string why = WhyResRowCannotBeRecorded(CRes::m_pResDb, "", packName.c_str());
  if (!why.empty()) {
    error = why;
    return false;
  }
  CDataBase* db = CRes::m_pResDb->m_pDataBase;

  PackAppendLock lock(p);
  std::fseek(p->fp, 0, SEEK_END);
  const long batch_start = std::ftell(p->fp);
  auto give_up = [&](const std::string& why_not) {
    UndoAppend(p, static_cast<int32_t>(batch_start));
    ranges.clear();
    error = why_not;
    return false;
  };
  if (batch_start < 0) return give_up(packName + ": cannot find the end of the pack");

  std::string read;
  for (size_t i = 0; i < items.size(); ++i) {
    std::string why_not;
    if (!items[i].in_memory && !ReadWhole(items[i].file, read, why_not)) return give_up(why_not);
    const std::string& bytes = items[i].in_memory ? items[i].bytes : read;
    PackBatchRange r;
    if (!AppendToPack(p, reinterpret_cast<const unsigned char*>(bytes.data()),
                      static_cast<long>(bytes.size()), r.start, r.end, false))
      return give_up(items[i].file + ": cannot be appended to " + packName);
    const long long stored = static_cast<long long>(r.end) - r.start;
    if (stored != static_cast<long long>(bytes.size()))
      return give_up(items[i].file + ": only " + std::to_string(stored) + " of " +
                     std::to_string(bytes.size()) + " bytes reached " + packName + " (disk full?)");
    ranges.push_back(r);
    if (progress) progress(i + 1, items.size());
  }
  if (!SyncPack(p)) return give_up(packName + ": cannot sync the pack: " + std::strerror(errno));

  // Every row in one transaction, taken at once (IMMEDIATE) so that it
  // cannot deadlock against another writer's upgrade.
  if (!db->ExecuteCommand("BEGIN IMMEDIATE"))
    return give_up("the game database is busy or cannot be written");
  for (size_t i = 0; i < items.size(); ++i) {
    stPackResInfo info;
    std::memcpy(info.szID, items[i].id.data(), items[i].id.size());
    std::memcpy(info.szPackName, packName.data(), packName.size());
    info.nStart = ranges[i].start;
    info.nEnd = ranges[i].end;
    stPackResInfo check;
    // AddRes answers true for an identifier that exists whatever its
    // update gave, so the row is read back.
    if (!CRes::m_pResDb->AddRes(info) || !CRes::m_pResDb->GetResInfo(info.szID, check) ||
        check.nStart != info.nStart || check.nEnd != info.nEnd) {
      db->ExecuteCommand("ROLLBACK");
      return give_up("the row of " + items[i].file + " cannot be recorded");
    }
  }
  if (!db->ExecuteCommand("COMMIT")) {
    db->ExecuteCommand("ROLLBACK");
    return give_up("the rows cannot be committed");
  }
  if (progress) progress(items.size(), items.size());
  return true;
}

}  // namespace tessera
