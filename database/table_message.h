// Validation messages of the database tables: a plain box (OK, no icon)
// with a fixed GBK text and caption.
#ifndef TESSERA_DATABASE_TABLE_MESSAGE_H
#define TESSERA_DATABASE_TABLE_MESSAGE_H

#include "platform/message_sink.h"

namespace tessera {

// "ID 不能为空"
constexpr char kIdEmpty[] = "ID \xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";
// "PACKNAME 不能为空"
constexpr char kPackNameEmpty[] = "PACKNAME \xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";
// "TYPE 不能为空"
constexpr char kTypeEmpty[] = "TYPE \xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";
// "PATH 不能为空"
constexpr char kPathEmpty[] = "PATH \xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";
// "无": the explanation written in place of an empty one.
constexpr char kNoExplain[] = "\xCE\xDE";

// Shows a validation failure; always false, so that callers can return it.
inline bool TableMessage(const char* text, const char* caption) {
  ShowMessage(caption, text, MessageIcon::kNone);
  return false;
}

inline bool Empty(const char* text) { return !text || !*text; }

}  // namespace tessera

#endif
