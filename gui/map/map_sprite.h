// CMapSprite: the picture of a map object -- frames loaded from the pack by
// one base identifier, shown at a point and stepped through on a delay,
// once or in a loop.
//
//   CMapSprite s;
//   s.LoadImageA("fountain", 4, 0);   // "fountain00" .. "fountain03", plain
//   s.SetDelay(100);
//   s.Play(true);
//   each frame: s.Move(x, y); s.Show(frame, false);
//
// Frames come from the display manager's surface cache and go back to it
// when the sprite is destroyed.  They are pictures, not canvases: where the
// processor has no 512-bit registers, a plain frame's opaque runs are found
// the first time it is drawn and drawn from then on (the same pixels as
// the keyed blit, faster there); a game that paints on a frame afterwards
// calls ForgetRuns().  With 512-bit registers the keyed blit itself is the
// faster one and plain frames are drawn with it.
#ifndef TESSERA_GUI_MAP_MAP_SPRITE_H
#define TESSERA_GUI_MAP_MAP_SPRITE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/map/opaque_runs.h"
#include "public/windows_types.h"

class SURFACE;

class CMapSprite {
 public:
  CMapSprite();
  // Releases every frame through the display manager.
  virtual ~CMapSprite();
  CMapSprite(const CMapSprite&) = delete;
  CMapSprite& operator=(const CMapSprite&) = delete;

  // Appends `count` frames: frame i is `id` with its ninth and tenth
  // characters replaced by i in two digits (so an eight-character base
  // makes ten-character identifiers; a shorter base is used unchanged).
  // Style 5 for alpha 2, 4 for alpha 1, else 0.  False as soon as a frame
  // cannot be made (those before it stay); the first frame becomes current.
  bool LoadImageA(const char* id, int count, int alpha);
  // Appends surfaces the sprite then owns; the first frame becomes current.
  bool InitSurface(SURFACE** surfaces, int count);
  // Sets the drawing point only.
  void Init(int x, int y);
  // Moves the rectangle to (x, y), keeping its size.
  void Move(int x, int y);
  void SetDelay(int ms) { m_nDelay = ms; }
  void SetShow(bool show) { m_bShow = show; }
  SURFACE* GetCurSurface() { return m_pCurSurface; }
  void Play(bool loop);
  void Stop();
  // The first frame becomes current.
  void SetBegin();
  // Draws the current frame at (left, top) -- keyed, or with `effect` the
  // second-opacity blit -- then advances the frame when playing and more
  // than the delay has passed.
  void Show(SURFACE* target, bool effect);
  // Drops what the sprite knows of its frames' pixels (see the top).
  void ForgetRuns() { m_Runs.clear(); }

  std::vector<SURFACE*> m_FrameList;  // owned
  size_t m_nCurFrame;                 // index of the current frame
  SURFACE* m_pCurSurface;
  bool m_bPlay;
  bool m_bLoop;
  bool m_bShow;
  int m_nDelay;
  tagRECT m_rcRect;  // left, top: the drawing point
  uint32_t m_dwLastTime;

 private:
  std::vector<tessera::OpaqueRuns> m_Runs;  // by frame, made as frames are drawn
};

#pragma GCC visibility pop
#endif
