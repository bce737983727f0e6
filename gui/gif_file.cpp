#include "gui/gif_file.h"

#include <cstdlib>
#include <cstring>

#include "gui/gif_lzw.h"
#include "platform/byte_order.h"
#include "platform/path.h"

namespace tessera {

bool GifStream::OpenFile(const char* file_name) {
  Close();
  if (!file_name) return false;
  file_ = tessera::OpenFile(std::string_view(file_name), "rb");
  return file_ != nullptr;
}

void GifStream::OpenMemory(const uint8_t* data, size_t size) {
  Close();
  memory_ = data;
  size_ = size;
  pos_ = 0;
}

void GifStream::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  memory_ = nullptr;
  size_ = 0;
  pos_ = 0;
}

bool GifStream::Read(void* out, size_t n) {
  if (file_) return std::fread(out, 1, n, file_) == n;
  if (!memory_ || n > size_ - pos_) return false;
  std::memcpy(out, memory_ + pos_, n);
  pos_ += n;
  return true;
}

bool GifStream::Skip(size_t n) {
  if (file_) {
    // fseek past the end succeeds, so step with reads to notice a short file.
    uint8_t buf[256];
    while (n > 0) {
      const size_t k = n < sizeof buf ? n : sizeof buf;
      if (std::fread(buf, 1, k, file_) != k) return false;
      n -= k;
    }
    return true;
  }
  if (!memory_ || n > size_ - pos_) return false;
  pos_ += n;
  return true;
}

long GifStream::Tell() const {
  if (file_) return std::ftell(file_);
  return static_cast<long>(pos_);
}

bool GifStream::Seek(long position) {
  if (position < 0) return false;
  if (file_) return std::fseek(file_, position, SEEK_SET) == 0;
  if (!memory_ || static_cast<size_t>(position) > size_) return false;
  pos_ = static_cast<size_t>(position);
  return true;
}

namespace {

// Passes over data sub-blocks up to and including the empty one.
bool SkipSubBlocks(GifStream& in) {
  for (;;) {
    uint8_t n;
    if (!in.ReadByte(&n)) return false;
    if (n == 0) return true;
    if (!in.Skip(n)) return false;
  }
}

// Concatenates data sub-blocks up to and including the empty one.
bool ReadSubBlocks(GifStream& in, std::vector<uint8_t>* out) {
  for (;;) {
    uint8_t n;
    if (!in.ReadByte(&n)) return false;
    if (n == 0) return true;
    const size_t at = out->size();
    out->resize(at + n);
    if (!in.Read(out->data() + at, n)) return false;
  }
}

bool KnownExtension(uint8_t label) {
  return label == 0x01 || label == 0xF9 || label == 0xFE || label == 0xFF;
}

}  // namespace

}  // namespace tessera

stGifFrame::~stGifFrame() {
  std::free(m_pLocalTable);
  std::free(m_pPixels);
}

QGifFile::QGifFile()
    : m_bAllLoaded(false),
      m_bLoadAll(false),
      m_bGlobalTable(false),
      m_nColorResolution(0),
      m_bGlobalSort(false),
      m_nGlobalColors(0),
      m_byBackground(0),
      m_byAspect(0),
      m_lFirstBlock(0),
      m_nFrameCount(0),
      m_wScreenWidth(0),
      m_wScreenHeight(0),
      m_nNextFrame(0) {
  std::memset(m_szVersion, 0, sizeof m_szVersion);
  std::memset(m_GlobalTable, 0, sizeof m_GlobalTable);
}

QGifFile::~QGifFile() { Close(); }

void QGifFile::Close() {
  m_Stream.Close();
  m_Frames.clear();
  m_pCurFrame.reset();
  m_nFrameCount = 0;
  m_nNextFrame = 0;
  m_bAllLoaded = false;
  m_Control = stGifControl();
}

int QGifFile::Open(const char* fileName, bool loadAll) {
  Close();
  m_bLoadAll = loadAll;
  if (!m_Stream.OpenFile(fileName)) return 0;
  if (!ReadHeader()) {
    Close();
    return 0;
  }
  if (loadAll) {
    if (!LoadAllFrames()) {
      Close();
      return 0;
    }
    m_Stream.Close();
  }
  return 1;
}

int QGifFile::Open(const char* data, long size) {
  Close();
  m_bLoadAll = false;
  if (!data || size <= 0) return 0;
  m_Stream.OpenMemory(reinterpret_cast<const uint8_t*>(data), static_cast<size_t>(size));
  if (!ReadHeader()) {
    Close();
    return 0;
  }
  return 1;
}

int QGifFile::ReadHeader() {
  uint8_t h[13];
  if (!m_Stream.Read(h, sizeof h)) return 0;
  if (std::memcmp(h, "GIF", 3) != 0) return 0;
  std::memcpy(m_szVersion, h + 3, 3);
  m_szVersion[3] = '\0';
  // Versions are compared as text: "87a" and "89a" pass, "90a" does not.
  if (std::strcmp(m_szVersion, "89a") > 0) return 0;

  m_wScreenWidth = tessera::Le16(h + 6);
  m_wScreenHeight = tessera::Le16(h + 8);
  const uint8_t packed = h[10];
  m_bGlobalTable = (packed & 0x80) != 0;
  m_nColorResolution = ((packed >> 4) & 7) + 1;
  m_bGlobalSort = (packed & 0x08) != 0;
  m_nGlobalColors = 1 << ((packed & 7) + 1);
  m_byBackground = h[11];
  m_byAspect = h[12];
  std::memset(m_GlobalTable, 0, sizeof m_GlobalTable);
  if (m_bGlobalTable && !m_Stream.Read(m_GlobalTable, static_cast<size_t>(m_nGlobalColors) * 3))
    return 0;

  m_lFirstBlock = m_Stream.Tell();
  if (m_lFirstBlock < 0) return 0;
  if (!CountFrames()) return 0;
  if (!m_Stream.Seek(m_lFirstBlock)) return 0;
  return m_nFrameCount > 0 ? 1 : 0;
}

// Walks the blocks up to the trailer, counting the images.
bool QGifFile::CountFrames() {
  m_nFrameCount = 0;
  for (;;) {
    uint8_t b;
    if (!m_Stream.ReadByte(&b)) return false;
    if (b == 0x00) continue;
    if (b == 0x3B) return true;
    if (b == 0x21) {
      uint8_t label;
      if (!m_Stream.ReadByte(&label) || !tessera::KnownExtension(label)) return false;
      if (!tessera::SkipSubBlocks(m_Stream)) return false;
    } else if (b == 0x2C) {
      uint8_t d[9];
      if (!m_Stream.Read(d, sizeof d)) return false;
      if ((d[8] & 0x80) && !m_Stream.Skip(static_cast<size_t>(3) << ((d[8] & 7) + 1))) return false;
      uint8_t code_size;
      if (!m_Stream.ReadByte(&code_size)) return false;
      if (!tessera::SkipSubBlocks(m_Stream)) return false;
      if (m_nFrameCount == INT32_MAX) return false;
      m_nFrameCount++;
    } else {
      return false;
    }
  }
}

// Reads an extension after its introducer: a graphic control block is kept
// for the next image, everything else is passed over.
bool QGifFile::ReadExtension() {
  uint8_t label;
  if (!m_Stream.ReadByte(&label) || !tessera::KnownExtension(label)) return false;
  if (label == 0xF9) {
    uint8_t n;
    if (!m_Stream.ReadByte(&n)) return false;
    if (n == 4) {
      uint8_t g[4];
      if (!m_Stream.Read(g, sizeof g)) return false;
      m_Control.m_bPresent = true;
      m_Control.m_nDisposal = (g[0] >> 2) & 7;
      m_Control.m_bUserInput = (g[0] & 2) != 0;
      m_Control.m_bTransparent = (g[0] & 1) != 0;
      m_Control.m_wDelay = tessera::Le16(g + 1);
      m_Control.m_byTransparent = g[3];
    } else if (n == 0) {
      return true;
    } else if (!m_Stream.Skip(n)) {
      return false;
    }
  }
  return tessera::SkipSubBlocks(m_Stream);
}

// Reads an image after its separator: descriptor, local table, LZW data.
std::unique_ptr<stGifFrame> QGifFile::ReadImage() {
  uint8_t d[9];
  if (!m_Stream.Read(d, sizeof d)) return nullptr;
  auto frame = std::make_unique<stGifFrame>();
  frame->m_wLeft = tessera::Le16(d);
  frame->m_wTop = tessera::Le16(d + 2);
  frame->m_wWidth = tessera::Le16(d + 4);
  frame->m_wHeight = tessera::Le16(d + 6);
  const uint8_t packed = d[8];
  frame->m_bLocalTable = (packed & 0x80) != 0;
  frame->m_bInterlace = (packed & 0x40) != 0;
  frame->m_bSort = (packed & 0x20) != 0;
  frame->m_Control = m_Control;
  m_Control = stGifControl();

  if (frame->m_bLocalTable) {
    frame->m_nLocalColors = 1 << ((packed & 7) + 1);
    const size_t bytes = static_cast<size_t>(frame->m_nLocalColors) * 3;
    frame->m_pLocalTable = static_cast<uint8_t*>(std::malloc(bytes));
    if (!frame->m_pLocalTable || !m_Stream.Read(frame->m_pLocalTable, bytes)) return nullptr;
  }

  uint8_t code_size;
  if (!m_Stream.ReadByte(&code_size)) return nullptr;
  std::vector<uint8_t> data;
  if (!tessera::ReadSubBlocks(m_Stream, &data)) return nullptr;

  const size_t pixels = static_cast<size_t>(frame->m_wWidth) * frame->m_wHeight;
  if (pixels > tessera::kGifMaxFramePixels) return nullptr;
  // Pixels the data does not reach stay colour index 0.
  frame->m_pPixels = static_cast<uint8_t*>(std::calloc(pixels ? pixels : 1, 1));
  if (!frame->m_pPixels) return nullptr;
  size_t written = 0;
  if (!tessera::DecodeGifLzw(code_size, data.data(), data.size(), frame->m_pPixels, pixels,
                             &written))
    return nullptr;
  if (frame->m_bInterlace)
    tessera::DeinterlaceGifRows(frame->m_pPixels, frame->m_wWidth, frame->m_wHeight);
  return frame;
}

bool QGifFile::LoadAllFrames() {
  m_Frames.clear();
  m_Control = stGifControl();
  for (;;) {
    uint8_t b;
    if (!m_Stream.ReadByte(&b)) return false;
    if (b == 0x00) continue;
    if (b == 0x3B) break;
    if (b == 0x21) {
      if (!ReadExtension()) return false;
    } else if (b == 0x2C) {
      std::unique_ptr<stGifFrame> frame = ReadImage();
      if (!frame) return false;
      m_Frames.push_back(std::move(frame));
    } else {
      return false;
    }
  }
  if (m_Frames.empty()) return false;
  m_nFrameCount = static_cast<int>(m_Frames.size());
  m_nNextFrame = 0;
  m_bAllLoaded = true;
  return true;
}

stGifFrame* QGifFile::GetNextFrame() {
  if (m_bAllLoaded) {
    if (m_Frames.empty()) return nullptr;
    if (m_nNextFrame >= static_cast<int>(m_Frames.size())) m_nNextFrame = 0;
    return m_Frames[static_cast<size_t>(m_nNextFrame++)].get();
  }
  if (!m_Stream.IsOpen()) return nullptr;
  bool rewound = false;
  for (;;) {
    uint8_t b;
    if (!m_Stream.ReadByte(&b)) return nullptr;
    if (b == 0x00) continue;
    if (b == 0x3B) {
      // Back to the first block: the frames repeat.  A second trailer
      // without an image in between means there is nothing to hand out.
      if (rewound || !m_Stream.Seek(m_lFirstBlock)) return nullptr;
      rewound = true;
      m_Control = stGifControl();
      continue;
    }
    if (b == 0x21) {
      if (!ReadExtension()) return nullptr;
    } else if (b == 0x2C) {
      m_pCurFrame = ReadImage();
      return m_pCurFrame.get();
    } else {
      return nullptr;
    }
  }
}
