#include "database/record_set.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tessera {

void RecordSet::AppendRow(std::vector<FieldValue>&& row) {
  row.resize(static_cast<size_t>(columns_));
  for (FieldValue& v : row) values_.push_back(std::move(v));
  ++rows_;
}

const FieldValue* RecordSet::GetCollect(int column) const {
  if (IsEOF() || column < 0 || column >= columns_) return nullptr;
  return &values_[row_ * static_cast<size_t>(columns_) + static_cast<size_t>(column)];
}

namespace {

// The value as a whole number, if it is one.
bool ToInteger(const FieldValue& v, int64_t& out) {
  switch (v.kind) {
    case FieldValue::kInteger:
      out = v.integer;
      return true;
    case FieldValue::kReal:
      // Only a value without a fractional part converts; the range check of
      // the caller then applies.
      if (!std::isfinite(v.real) || v.real != std::floor(v.real) || std::fabs(v.real) > 9.0e18)
        return false;
      out = static_cast<int64_t>(v.real);
      return true;
    case FieldValue::kText: {
      if (v.text.empty() || v.text.size() > 32) return false;
      char digits[40];
      std::memcpy(digits, v.text.data(), v.text.size());
      digits[v.text.size()] = 0;
      if (std::strlen(digits) != v.text.size()) return false;  // embedded zero
      char* end = nullptr;
      errno = 0;
      long long n = std::strtoll(digits, &end, 10);
      if (errno != 0 || end == digits || *end != 0) return false;
      out = n;
      return true;
    }
    case FieldValue::kNull:
      break;
  }
  return false;
}

}  // namespace

bool RecordSet::GetInt32(int column, int32_t& out) const {
  const FieldValue* v = GetCollect(column);
  int64_t n = 0;
  if (!v || !ToInteger(*v, n)) return false;
  if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max())
    return false;
  out = static_cast<int32_t>(n);
  return true;
}

bool RecordSet::GetUInt8(int column, uint8_t& out) const {
  const FieldValue* v = GetCollect(column);
  int64_t n = 0;
  if (!v || !ToInteger(*v, n) || n < 0 || n > 255) return false;
  out = static_cast<uint8_t>(n);
  return true;
}

bool RecordSet::GetText(int column, char* out, size_t size) const {
  const FieldValue* v = GetCollect(column);
  if (!v || size == 0) return false;
  std::string number;
  const std::string* text = &v->text;
  switch (v->kind) {
    case FieldValue::kText:
      break;
    case FieldValue::kInteger:
      number = std::to_string(v->integer);
      text = &number;
      break;
    case FieldValue::kReal: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.15g", v->real);
      number = buf;
      text = &number;
      break;
    }
    case FieldValue::kNull:
      return false;
  }
  // A text cut short would be a different text (a different pack name, a
  // different identifier): refuse it rather than hand out a wrong value.
  if (text->size() >= size) return false;
  std::memcpy(out, text->data(), text->size());
  out[text->size()] = 0;
  return true;
}

}  // namespace tessera
