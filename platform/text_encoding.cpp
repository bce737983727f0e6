#include "platform/text_encoding.h"

#include <iconv.h>

#include <cerrno>

namespace tessera {

namespace {

// Converts with iconv, replacing each byte that cannot be converted by '?'
// and going on after it.  GB18030 is a superset of GBK, so it is used for
// decoding; encoding uses GBK proper so that the engine never sees four-byte
// GB18030 sequences.
std::string Convert(const char* to, const char* from, std::string_view in) {
  std::string out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  out.reserve(in.size() * 3 / 2 + 4);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char buffer[256];
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buffer, dst - buffer);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or EINVAL (truncated sequence at the end): skip one byte.
      out.push_back('?');
      ++src;
      --src_left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "GB18030", gbk); }
std::string Utf8ToGbk(std::string_view utf8) { return Convert("GBK", "UTF-8", utf8); }

}  // namespace tessera
