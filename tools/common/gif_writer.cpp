#include "common/gif_writer.h"

namespace tessera::tools {

namespace {

void Put16(std::string& out, int v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

// Codes packed least-significant bit first, cut into sub-blocks.
class CodeWriter {
 public:
  explicit CodeWriter(int width) : width_(width) {}
  void Put(int code) {
    acc_ |= static_cast<uint32_t>(code) << bits_;
    bits_ += width_;
    while (bits_ >= 8) {
      bytes_ += static_cast<char>(acc_ & 0xFF);
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  void Finish(std::string& out) {
    if (bits_ > 0) bytes_ += static_cast<char>(acc_ & 0xFF);
    for (size_t at = 0; at < bytes_.size(); at += 255) {
      const size_t n = bytes_.size() - at < 255 ? bytes_.size() - at : 255;
      out += static_cast<char>(n);
      out.append(bytes_, at, n);
    }
    out += '\0';
  }

 private:
  int width_;
  uint32_t acc_ = 0;
  int bits_ = 0;
  std::string bytes_;
};

}  // namespace

std::string EncodeGif(int width, int height, const std::vector<uint8_t>& palette,
                      const std::vector<GifFrameSpec>& frames) {
  const int colours = static_cast<int>(palette.size() / 3);
  if (colours < 1 || colours > 256 || width < 1 || height < 1 || width > 65535 || height > 65535)
    return {};
  for (const GifFrameSpec& f : frames)
    if (f.width < 1 || f.height < 1 || f.left < 0 || f.top < 0 || f.left + f.width > width ||
        f.top + f.height > height || f.pixels.size() != static_cast<size_t>(f.width) * f.height)
      return {};
  int bits = 1;  // the table holds 2^bits entries
  while ((1 << bits) < colours) ++bits;
  const int code_size = bits < 2 ? 2 : bits;  // the LZW minimum is 2

  std::string out = "GIF89a";
  Put16(out, width);
  Put16(out, height);
  out += static_cast<char>(0x80 | 0x70 | (bits - 1));  // global table, 8-bit colour resolution
  out += '\0';                                         // background
  out += '\0';                                         // aspect
  std::string table(palette.begin(), palette.begin() + 3 * colours);
  table.resize(static_cast<size_t>(3) << bits, '\0');
  out += table;
  // Loop for ever (read by viewers; the engine's sprite always loops).
  out += "\x21\xFF\x0BNETSCAPE2.0\x03\x01";
  Put16(out, 0);
  out += '\0';

  const int clear = 1 << code_size;
  // Literals between clears: the decoder's next free code must stay below
  // 2 * clear, where the code width would grow.
  const int run = clear - 2;
  for (const GifFrameSpec& f : frames) {
    out += "\x21\xF9\x04";
    out += static_cast<char>(f.transparent >= 0 ? 1 : 0);
    Put16(out, f.delay);
    out += static_cast<char>(f.transparent >= 0 ? f.transparent : 0);
    out += '\0';
    out += '\x2C';
    Put16(out, f.left);
    Put16(out, f.top);
    Put16(out, f.width);
    Put16(out, f.height);
    out += '\0';  // no local table, not interlaced
    out += static_cast<char>(code_size);
    CodeWriter codes(code_size + 1);
    int since_clear = run;
    for (uint8_t index : f.pixels) {
      if (since_clear == run) {
        codes.Put(clear);
        since_clear = 0;
      }
      codes.Put(index);
      ++since_clear;
    }
    codes.Put(clear + 1);
    codes.Finish(out);
  }
  out += '\x3B';
  return out;
}

}  // namespace tessera::tools
