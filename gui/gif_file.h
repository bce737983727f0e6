// GIF reader: a binary input stream over a GIF87a/GIF89a file or over its
// bytes in memory, the block parser, and the frame records it hands out.
#ifndef TESSERA_GUI_GIF_FILE_H
#define TESSERA_GUI_GIF_FILE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace tessera {

// The reader's byte source: a file opened in binary mode or bytes in memory
// (not copied: they must outlive the stream).
class GifStream {
 public:
  GifStream() = default;
  ~GifStream() { Close(); }
  GifStream(const GifStream&) = delete;
  GifStream& operator=(const GifStream&) = delete;

  bool OpenFile(const char* file_name);
  void OpenMemory(const uint8_t* data, size_t size);
  void Close();
  bool IsOpen() const { return file_ != nullptr || memory_ != nullptr; }

  // Reads exactly `n` bytes; false (and nothing promised in `out`) when the
  // source ends first.
  bool Read(void* out, size_t n);
  bool ReadByte(uint8_t* out) { return Read(out, 1); }
  bool Skip(size_t n);
  long Tell() const;
  bool Seek(long position);

 private:
  std::FILE* file_ = nullptr;
  const uint8_t* memory_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
};

// Frames larger than this many pixels are refused: a game's GIF sprites
// are small, and a damaged descriptor must not make the reader ask for
// gigabytes.
constexpr size_t kGifMaxFramePixels = size_t{1} << 26;

}  // namespace tessera

// The graphic control data that precedes an image.
struct stGifControl {
  bool m_bPresent = false;
  int m_nDisposal = 0;          // bits 2-4 of the packed byte
  bool m_bUserInput = false;    // bit 1
  bool m_bTransparent = false;  // bit 0
  uint16_t m_wDelay = 0;        // as stored (hundredths in the file's terms)
  uint8_t m_byTransparent = 0;
};

// One image of the file.
struct stGifFrame {
  uint16_t m_wLeft = 0;
  uint16_t m_wTop = 0;
  uint16_t m_wWidth = 0;
  uint16_t m_wHeight = 0;
  bool m_bLocalTable = false;
  bool m_bInterlace = false;
  bool m_bSort = false;
  int m_nLocalColors = 0;
  uint8_t* m_pLocalTable = nullptr;  // m_nLocalColors RGB triples, owned
  uint8_t* m_pPixels = nullptr;      // width x height colour indices, owned
  stGifControl m_Control;

  stGifFrame() = default;
  ~stGifFrame();
  stGifFrame(const stGifFrame&) = delete;
  stGifFrame& operator=(const stGifFrame&) = delete;
};

class QGifFile {
 public:
  QGifFile();
  ~QGifFile();
  QGifFile(const QGifFile&) = delete;
  QGifFile& operator=(const QGifFile&) = delete;

  // Opens the file and reads the header and the block structure; in load-all
  // mode every frame is decoded at once and the file closed.  1 on success,
  // 0 on any failure (the stream closed).
  int Open(const char* fileName, bool loadAll);
  // The same over bytes in memory (kept by reference), always streaming.
  int Open(const char* data, long size);
  // The next frame: streaming, the next image is decoded (the record lives
  // until the next call); load-all, the next decoded frame.  After the last
  // frame the first comes again.  Null when decoding fails.
  stGifFrame* GetNextFrame();
  void Close();

  char m_szVersion[4];
  bool m_bAllLoaded;
  bool m_bLoadAll;

  uint8_t m_GlobalTable[256][3];
  bool m_bGlobalTable;
  int m_nColorResolution;
  bool m_bGlobalSort;
  int m_nGlobalColors;
  uint8_t m_byBackground;
  uint8_t m_byAspect;

  long m_lFirstBlock;
  std::vector<std::unique_ptr<stGifFrame>> m_Frames;
  int m_nFrameCount;
  uint16_t m_wScreenWidth;
  uint16_t m_wScreenHeight;

  std::unique_ptr<stGifFrame> m_pCurFrame;
  stGifControl m_Control;

 private:
  int ReadHeader();
  bool CountFrames();
  bool LoadAllFrames();
  bool ReadExtension();
  std::unique_ptr<stGifFrame> ReadImage();

  tessera::GifStream m_Stream;
  int m_nNextFrame;  // load-all cursor
};

#pragma GCC visibility pop
#endif
