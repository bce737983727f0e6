#include "common/gbk_text.h"

#include "platform/text_encoding.h"

namespace tessera::tools {

bool ToGbkExactly(std::string_view utf8, std::string& gbk) {
  gbk = Utf8ToGbk(utf8);
  // A character that could not be converted became '?': the way back then
  // differs from what was given.
  return GbkToUtf8(gbk) == utf8;
}

}  // namespace tessera::tools
