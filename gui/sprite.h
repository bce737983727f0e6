// QSprite: an area that plays a frame animation from the animation tables.
//
// An animation of n frames is n rows of ANITABLE (database/
// pack_ani_database.h) named by an 8-character base and the frame number
// ("%02d"); row "00" carries n.  Each row gives the frame's delay in
// milliseconds, the displacement (x, y) applied when the frame is entered
// and the auto-stop mark; the frame's picture is the pack image of the same
// identifier.  Rows missing from the game's table are looked up in the
// shared one.
//
//   QSprite* bird = new QSprite(100, 80, 163, 175, false, false);
//   bird->LoadImages("bird0000", 2, false);       // run-length frames
//   DRAW_FX fx;  fx.kind = FX_TRANS;  fx.level = 32;
//   bird->SetDrawFX(fx);                           // how non-plain frames are drawn
//   bird->m_bMove = true;                          // fly by the displacements
//   AfxGetChainManager()->Add(bird, CHAIN_TOP);
//
// Plain (SS_DIB) frames are drawn with the keyed blit; every other kind with
// the effect blit and m_DrawFX, whose default kind (0, a fill) draws nothing
// on a run-length frame -- a game showing run-length frames sets FX_TRANS
// with level 32, which draws them exactly as the keyed blit does (and as
// fast).  With m_bDrawPrevious the frames under the current one are drawn
// with the effect blit whatever their kind, so such a sprite needs m_DrawFX
// set too: kind 0 on a plain frame fills that frame's own picture.
//
// Message 1032 (SPRITE_MSG_NOTIFY) goes to the game's window, with the
// sprite's address as lparam, when an auto-stop frame stops a sprite that is
// not silent and when a moving sprite's next step would leave the screen.
// It is sent after the sprite has finished its step, so the window
// procedure may delete or reverse the sprite in its answer.
#ifndef TESSERA_GUI_SPRITE_H
#define TESSERA_GUI_SPRITE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/surface.h"
#include "gui/ani_cell.h"
#include "gui/area.h"

// The sprite notification (user message base + 8).
enum : UINT { SPRITE_MSG_NOTIFY = 1032 };

// Image kind bits of QSprite::LoadImages.
enum : uint32_t {
  SPRITE_LOAD_RLE = 2,       // run-length frames (SS_RLE)
  SPRITE_LOAD_ALPHA = 4,     // else alpha frames with their "A..." companions (SS_ALPHA)
  SPRITE_LOAD_PSDALPHA = 8,  // else layered images (SS_PSDALPHA)
  SPRITE_LOAD_CACHED = 32,   // through the surface cache
};

class QSprite : public QArea {
 public:
  // Tag "Spt", no frames, playing forwards, load flags 2, the sound
  // device's digital volume kept in m_nSaveVolume.
  QSprite();
  // The same, then Create(left, top, right, bottom, drawPrevious) and
  // m_bShowStopped = showStopped.
  QSprite(int left, int top, int right, int bottom, bool drawPrevious, bool showStopped);
  // State 4, then every frame image is released through the display
  // manager (or the surface cache it came from).
  ~QSprite() override;

  void Create(int left, int top, int right, int bottom, bool drawPrevious);

  // Loads the animation whose base is the first 8 characters of `id`:
  // see the top of the file.  Reports "Error ID to Load Sprite image!" for
  // a null id or one shorter than 8 characters, "Failed to find image data
  // from Pack!" for a frame without its image (frames loaded before it
  // stay), and returns false; an animation in neither table returns false
  // silently.  A row "00" whose count is 0 loads no frame and returns true:
  // the sprite then draws nothing.  Counts above 1000 are cut to 1000
  // (frame identifiers have at most 11 characters).
  bool LoadImages(const char* id, int flags, bool silent);

  void Play() { m_bPlaying = true; }
  void Stop() { m_bPlaying = false; }
  bool IsPlaying() { return m_bPlaying; }
  // One frame forwards or backwards, wrapping at the ends; its image
  // becomes current.  Nothing without frames.
  void Next();
  void Prev();
  // Makes frame `index` current; an index outside the frames is ignored.
  void SetNowp(int index);
  // Copies the effect record used for frames that are not plain; true.
  bool SetDrawFX(const DRAW_FX& fx);

  // Draws the current frame at the area's top-left corner and, while
  // playing, advances by the frames' delays (a delay of 0 advances on
  // every call), moving by the new frame's displacement when m_bMove.
  void Show(SURFACE* target) override;
  // False for alpha and layered frames (load bits 4 and 8), outside the
  // area or when not shown; else true unless the current frame's pixel
  // under (x, y) is the key colour.
  bool IsPointed(int x, int y) override;

  int GetFrameCount() const { return static_cast<int>(m_Frames.size()); }
  // Frame `index`, or null outside the frames.
  QAniCell* GetFrame(int index) const;

  SURFACE* m_pNowImage;
  bool m_bMove;
  bool m_bForward;
  uint32_t m_dwLoadFlags;
  uint32_t m_nSaveVolume;  // kept for the game
  bool m_bSilent;          // no message when an auto-stop frame stops the sprite
  bool m_bShowStopped;     // draw the current frame while stopped
  bool m_bPlaying;
  std::vector<std::unique_ptr<QAniCell>> m_Frames;
  bool m_bDrawPrevious;    // draw the frames before the current one under it
  uint32_t m_dwFrameTime;  // when the current frame started, 0 = not started
  int32_t m_nNowp;
  bool m_bSound;  // play the area's sound, scaled by distance, on each return to frame 0 while
                  // moving
  DRAW_FX m_DrawFX;

 private:
  void DrawImage(SURFACE* target, SURFACE* image);
  void ReleaseFrames();
};

namespace tessera {

// True when a step of (dx, dy) keeps the area on the screen: right + dx and
// bottom + dy above 0, the new left and top not beyond the screen's width
// and height.
bool StepStaysOnScreen(const tagRECT& area, int dx, int dy);

// The volume (0-100) of a sound at the area's centre: 100 at the screen's
// centre, falling linearly with the distance to 0 at half the screen's
// diagonal and beyond.
int DistanceVolume(const QArea& area);

// Sends SPRITE_MSG_NOTIFY for `area` to the game's window (the display
// manager's), when there is one.
void SendSpriteNotify(QArea* area);

// Releases a frame image the display manager made: back to the surface
// cache when it came from there, else destroyed.
void ReleaseFrameImage(SURFACE* image);

}  // namespace tessera

#pragma GCC visibility pop
#endif
