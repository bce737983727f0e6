#include "database/table_iteration.h"

#include "database/database.h"

namespace tessera {

long OpenIteration(CDataBase* db, const char* sql, RecordsetPtr& rs, bool& browsing) {
  if (!db || !db->OpenSource(sql, rs)) return 0;
  browsing = true;
  return db->GetRecordCount(rs);
}

bool IterationFirst(const RecordsetPtr& rs, bool browsing) {
  if (!browsing || !rs || rs->RowCount() == 0) return false;
  rs->MoveFirst();
  return true;
}

bool IterationNext(const RecordsetPtr& rs, bool& browsing) {
  if (!browsing || !rs) return false;
  rs->MoveNext();
  return IterationCurrent(rs, browsing);
}

bool IterationCurrent(const RecordsetPtr& rs, bool& browsing) {
  if (!browsing || !rs) return false;
  if (rs->IsEOF()) {
    browsing = false;
    return false;
  }
  return true;
}

}  // namespace tessera
