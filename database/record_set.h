// Record sets: the rows of one query, copied out of the database.
//
// A query's rows are copied into the record set while the statement runs, so
// a record set needs no connection afterwards: it can be walked, counted and
// rewound any number of times, and it outlives the database it came from.
// Record sets are held through RecordsetPtr, a shared handle; copies of a
// table object share the one they iterate.
#ifndef TESSERA_DATABASE_RECORD_SET_H
#define TESSERA_DATABASE_RECORD_SET_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessera {

// One column value of one row, as the database stored it.
struct FieldValue {
  enum Kind : uint8_t { kNull, kInteger, kReal, kText };
  Kind kind = kNull;
  int64_t integer = 0;
  double real = 0;
  std::string text;  // text and blob values: their bytes (GBK text stays GBK)
};

class RecordSet {
 public:
  RecordSet() = default;
  explicit RecordSet(int columns) : columns_(columns) {}

  // Appends a row of ColumnCount() values (used while the query runs).
  void AppendRow(std::vector<FieldValue>&& row);

  int ColumnCount() const { return columns_; }
  size_t RowCount() const { return rows_; }

  // Row navigation.  At the end means past the last row (at once for an
  // empty result).
  void MoveFirst() { row_ = 0; }
  void MoveNext() {
    if (row_ < RowCount()) ++row_;
  }
  bool IsEOF() const { return row_ >= RowCount(); }
  size_t CurrentRow() const { return row_; }

  // The value of the 0-based column of the current row; null at the end of
  // the rows or for a column the result does not have.
  const FieldValue* GetCollect(int column) const;

  // Typed reads of the current row.  Each fails (false, `out` untouched)
  // when there is no such value or it cannot be converted: a NULL, a number
  // out of the target's range, text that is not a whole number, or text that
  // does not fit `size` bytes with its terminating zero.
  bool GetInt32(int column, int32_t& out) const;
  bool GetUInt8(int column, uint8_t& out) const;
  bool GetText(int column, char* out, size_t size) const;

 private:
  int columns_ = 0;
  size_t rows_ = 0;
  size_t row_ = 0;
  std::vector<FieldValue> values_;  // row-major
};

using RecordsetPtr = std::shared_ptr<RecordSet>;

}  // namespace tessera

#pragma GCC visibility pop
#endif
