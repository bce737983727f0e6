// GBK <-> UTF-8 conversion for the edges of the engine (message boxes,
// glyph look-up, clipboard, text input).  Inside, text stays GBK bytes.
#ifndef TESSERA_PLATFORM_TEXT_ENCODING_H
#define TESSERA_PLATFORM_TEXT_ENCODING_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <string>
#include <string_view>

namespace tessera {

// Bytes that do not form a valid GBK (resp. UTF-8) sequence become '?', so
// that a message with a stray byte still shows.
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace tessera

#pragma GCC visibility pop
#endif
