// QGifSprite: an animated GIF (87a or 89a) from a pack resource or a file,
// drawn by the game at a position of its choice.
//
//   QGifSprite* flag = new QGifSprite(600, 20, 663, 67);  // area for hit tests
//   flag->LoadImages("flaggif000", false, false);         // from the pack
//   AfxGetChainManager()->Add(flag, CHAIN_TOP);           // optional
//   each frame:  flag->Show(frame, 600, 20, !active);
//
// Every frame is decoded once, at load time, into a plain surface of the
// file's logical screen size: frame 0 over the key colour, each later frame
// composed over a copy of the one before (the disposal method is read but
// every frame is composed this way).  Pixels of a frame's transparent index
// keep what lay under them; palette magenta (0xFF00FF) becomes the key
// colour; colour indices past the end of a frame's table read as black, as
// do the unused entries of the global table.  A greyscale copy of frame 0
// serves for the inactive look.
//
// Playing costs one blit per Show.  A frame stays for more milliseconds
// than the file's delay value (the value is taken as milliseconds).  In a
// layer the sprite only takes part in hit testing: the layer's Show draws
// nothing, the game calls one of the two positioned Show operations.
#ifndef TESSERA_GUI_GIF_SPRITE_H
#define TESSERA_GUI_GIF_SPRITE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/ani_cell.h"
#include "gui/area.h"
#include "gui/gif_file.h"

class QGifSprite : public QArea {
 public:
  // Tag "GIF", no frames, playing.
  QGifSprite();
  // The same, then Create.
  QGifSprite(int left, int top, int right, int bottom);
  // State 4, then the frames, their records and the grey image go.
  ~QGifSprite() override;

  void Create(int left, int top, int right, int bottom) { ACreate(left, top, right, bottom); }

  // Loads the GIF of pack identifier `id` (fromFile false), or the file
  // named `id`, else the file the pack resolves for `id` in the game
  // database's folder (fromFile true).  A null id or one shorter than 8
  // characters reports "Error ID to Load Sprite image!" and returns false.
  // Damaged, truncated or missing data return false without a message and
  // leave no frame.  Pictures whose frames would together take more than
  // kGifSpriteMaxPixels pixels are refused the same way.  `third` has no
  // effect.
  bool LoadImages(const char* id, bool fromFile, bool third);
  // The same over the bytes of a GIF in memory (as the pack hands them
  // over); the bytes are not kept.
  bool LoadFromData(const char* data, long size);

  void Play() { m_bPlaying = true; }
  void Stop() { m_bPlaying = false; }

  // Shown, inside the area, and the current frame's pixel under (x, y) not
  // the key colour (true without frames).
  bool IsPointed(int x, int y) override;

  using QArea::Show;
  // With `gray`: the grey first frame at (x, y), nothing else.  Otherwise
  // advances when the current frame's delay has passed (stopped: the
  // current frame stays and nothing is drawn) and draws the current frame
  // with the keyed blit at (x, y).
  virtual void Show(SURFACE* target, int x, int y, bool gray);
  // The same, drawing the part (srcX, srcY, width, height) of the picture
  // at (dstX, dstY) as an opaque copy.
  virtual void Show(SURFACE* target, int srcX, int srcY, int dstX, int dstY, int width, int height,
                    bool gray);

  // Paints one frame record (stGifFrame*) of the embedded reader onto
  // `surface` at the frame's position (see the top of the file).
  void MakeSurface(void* frame, SURFACE* surface);

  int GetFrameCount() const { return static_cast<int>(m_Frames.size()); }
  // Frame `index`, or null outside the frames.
  QAniCell* GetFrame(int index) const;

  int32_t m_nNowp;
  SURFACE* m_pNowImage;
  bool m_bPlaying;
  std::vector<std::unique_ptr<QAniCell>> m_Frames;
  uint32_t m_dwFrameTime;  // when the current frame started, 0 = not started
  SURFACE* m_pGrayImage;   // owned
  QGifFile m_GifFile;      // used only while loading

 private:
  // Builds the frames from the opened reader; on failure nothing is kept.
  bool BuildFrames();
  void ReleaseFrames();
  // The frame step of both Show forms: the picture to draw, or null.
  SURFACE* Step();
};

namespace tessera {
// The most pixels a GIF sprite's frames may take together (128 MB of
// surfaces): a damaged header must not make a load ask for gigabytes.
constexpr uint64_t kGifSpriteMaxPixels = uint64_t{1} << 26;
}  // namespace tessera

#pragma GCC visibility pop
#endif
