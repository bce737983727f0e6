// Texts and helpers shared by the four scene tables (maps, goods, persons,
// events): their validation messages and the explanation they write.
#ifndef TESSERA_DATABASE_SCENE_TABLE_TEXT_H
#define TESSERA_DATABASE_SCENE_TABLE_TEXT_H

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "database/table_message.h"

namespace tessera {

// "名字不能为空"
constexpr char kNameEmpty[] = "\xC3\xFB\xD7\xD6\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";
// "图片信息不能为空"
constexpr char kPicInfoEmpty[] = "\xCD\xBC\xC6\xAC\xD0\xC5\xCF\xA2\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";
// "影子图片信息不能为空 随便填写也可以"
constexpr char kShadowInfoEmpty[] =
    "\xD3\xB0\xD7\xD3\xCD\xBC\xC6\xAC\xD0\xC5\xCF\xA2\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5 "
    "\xCB\xE6\xB1\xE3\xCC\xEE\xD0\xB4\xD2\xB2\xBF\xC9\xD2\xD4";
// "修改物品"
constexpr char kCaptionSetGoods[] = "\xD0\xDE\xB8\xC4\xCE\xEF\xC6\xB7";
// "增加物品"
constexpr char kCaptionAddGoods[] = "\xD4\xF6\xBC\xD3\xCE\xEF\xC6\xB7";
// "修改人物"
constexpr char kCaptionSetPerson[] = "\xD0\xDE\xB8\xC4\xC8\xCB\xCE\xEF";
// "增加人物"
constexpr char kCaptionAddPerson[] = "\xD4\xF6\xBC\xD3\xC8\xCB\xCE\xEF";

// The explanation an add or set writes: the first 100 bytes of the record's
// explanation (it need not be terminated), or "无" when it is empty.
template <size_t N>
std::string ExplainText(const char (&explain)[N]) {
  static_assert(N >= 100, "explanation fields hold 100 bytes");
  size_t n = strnlen(explain, 100);
  if (n == 0) return kNoExplain;
  return std::string(explain, n);
}

// A not-found message: formatted into 64 bytes as the tables do (a longer
// text is cut there), then shown with the caption.  Always false.
inline bool TableMessageF(const char* caption, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
inline bool TableMessageF(const char* caption, const char* format, ...) {
  char text[64];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return TableMessage(text, caption);
}

}  // namespace tessera

#endif
