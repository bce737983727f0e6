// QEnergy: an animated gauge (life, energy) drawn from up to 40 bar images.
//
// Only the filled part of the bar shows: a vertical gauge empties from the
// top, a horizontal one from the left, by length x missing / maximum
// pixels.  When the value changes, the bar as it was fades out over 31
// frames under the new one; a background (drawn one pixel up and left) and
// a translucent cover (level 24) may frame it.
//
//   QEnergy* life = new QEnergy;
//   life->Create(20, 20, 31, 88, 200, 69, 0);      // 200 points, 69 pixels, vertical
//   life->LoadImages("LIFEBAR0", "LIFECOVER0", "LIFEBACK00");  // LIFEBAR000 .. LIFEBAR039
//   life->SetEnergy(150);
//   AfxGetChainManager()->Add(life, CHAIN_TOP);
#ifndef TESSERA_GUI_ENERGY_GAUGE_H
#define TESSERA_GUI_ENERGY_GAUGE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "gui/area.h"

class QEnergy : public QArea {
 public:
  // No images, speed 100 ms, playing; Create completes it.
  QEnergy();
  // Create with maximum 200, length 69, vertical.
  QEnergy(int left, int top, int right, int bottom);
  // Frees the bar images, the shown bar, the flash image, cover and back.
  ~QEnergy() override;

  // ACreate; speed 100; maximum and missing amount `max` (an empty gauge
  // until the first SetEnergy); length and direction (0 vertical, other
  // values horizontal).
  void Create(int left, int top, int right, int bottom, int max, int length, int direction);
  void SetStandard(int max, int length, int direction);
  // Bar images base[0..8) + "00" .. "39" (plain; the first missing one ends
  // the list), then cover and background when named.  A base shorter than
  // 8 characters reports "Error ID to Load Sprite image!\n%s %ld": false.
  bool LoadImages(const char* base, const char* cover, const char* back);
  // The bar as shown becomes the fading image; the new value shows at the
  // next animation step.  Values above the maximum show the full bar,
  // values below 0 an empty one.
  void SetEnergy(int energy);
  void Play() { m_bPlaying = true; }
  void Stop() { m_bPlaying = false; }
  void SetSpeed(int ms) { m_nSpeed = ms; }

  // Background, animation step, the fading old bar, the bar, the cover.
  void Show(SURFACE* target) override;
  // The rectangle of a shown gauge (no pixel test).
  bool IsPointed(int x, int y) override;

  // Pixels of the bar hidden for the current value: length x missing /
  // maximum, kept between 0 and the length (0 with no maximum).
  int HiddenLength() const;

  int32_t m_nLost;  // maximum - energy
  int32_t m_nMax;
  int32_t m_nAniFrame;  // current bar image
  bool m_bPlaying;
  int32_t m_nAniFrames;  // bar images loaded, 0 .. 40
  int32_t m_nLength;     // bar length in pixels
  int32_t m_nDirection;  // 0 vertical (empties from the top), else horizontal (from the left)
  int32_t m_nSpeed;      // ms per bar image
  uint32_t m_dwTick;     // time of the last animation step
  int32_t m_nFlash;      // level of the fading old bar, counts down from 31
  SURFACE* m_pAniImage[40];
  SURFACE* m_pTempImage;   // the bar as shown
  SURFACE* m_pFlashImage;  // the bar before the last change
  SURFACE* m_pCoverImage;  // over the bar at level 24
  SURFACE* m_pBackImage;   // under the bar, one pixel up and left

 private:
  void DrawBar();
  void FreeImages();
};

#pragma GCC visibility pop
#endif
