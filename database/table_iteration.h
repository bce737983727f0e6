// The row-by-row iteration that the table classes keep on their own record
// set (m_pRecordset) and flag (m_bBrowsing).
//
// An iteration is open from a successful opening query until a move
// reaches the end of its rows, or a new opening replaces it.
#ifndef TESSERA_DATABASE_TABLE_ITERATION_H
#define TESSERA_DATABASE_TABLE_ITERATION_H

#include "database/record_set.h"

class CDataBase;

namespace tessera {

// Runs `sql` into `rs` (dropping the previous record set) and opens the
// iteration: the number of rows, with `rs` on its first row.  When the
// query cannot run: 0, and `rs` and `browsing` are left as they were.
long OpenIteration(CDataBase* db, const char* sql, RecordsetPtr& rs, bool& browsing);

// Back to the first row; false when no iteration is open or it has no rows.
bool IterationFirst(const RecordsetPtr& rs, bool browsing);

// On to the next row; false at the end, which closes the iteration.
bool IterationNext(const RecordsetPtr& rs, bool& browsing);

// Whether the iteration stands on a row, without moving; at the end it is
// closed.
bool IterationCurrent(const RecordsetPtr& rs, bool& browsing);

}  // namespace tessera

#endif
