// CFader: construction, set-up, the frame dispatch and the transitions
// (effects 1 to 8).  The particle overlays are in engine/fader_particles.cpp.
//
// Every transition draws through the surface blits only: block copies are
// the seven-argument part copy, translucent draws the FX_TRANS effect blit,
// mosaics FX_MOSAIC and the white fill FX_FILL.  The blits clip against the
// target's clip rectangle, so steps that reach past the region or the
// target (the slide's rows, the drop's columns) are safe.
#include "engine/fader.h"

#include <cstdlib>

#include "engine/surface_kinds.h"
#include "platform/random.h"

namespace {

// Copies the w x h block at (sx, sy) of `from` to (dx, dy) of `to`.
void CopyBlock(SURFACE* from, SURFACE* to, int sx, int sy, int dx, int dy, int w, int h) {
  from->Blit(to, sx, sy, dx, dy, w, h);
}

void DrawEffect(SURFACE* source, SURFACE* target, int x, int y, int kind, int level, int size) {
  DRAW_FX fx;
  fx.kind = kind;
  fx.level = level;
  fx.size = size;
  source->Blit(target, x, y, fx);
}

}  // namespace

CFader::CFader()
    : m_nX(0),
      m_nY(0),
      m_nWidth(0),
      m_nHeight(0),
      m_nEffect(0),
      m_nLevel(0),
      m_nCount(0),
      m_nCounter(0),
      m_pDrops(nullptr),
      m_nParticleSets(0),
      m_pParticle(),
      m_pPicture(nullptr),
      m_pTarget(nullptr),
      m_pSnapshot(nullptr),
      m_nMosaicPhase(0) {}

CFader::~CFader() {
  delete[] m_pDrops;
  delete m_pSnapshot;
  for (auto& set : m_pParticle)
    for (SURFACE*& image : set) {
      delete image;
      image = nullptr;
    }
}

void CFader::Initialize(SURFACE* picture, SURFACE* target, int x, int y, int width, int height,
                        int effect, int count) {
  m_pPicture = picture;
  m_pTarget = target;
  m_nX = x;
  m_nY = y;
  m_nWidth = width;
  m_nHeight = height;
  m_nEffect = effect;
  // |count|, at most 100 (written so that the most negative int is safe).
  m_nCount = count < 0 ? (count < -100 ? 100 : -count) : (count > 100 ? 100 : count);

  delete m_pSnapshot;
  m_pSnapshot = nullptr;
  delete[] m_pDrops;
  m_pDrops = nullptr;
  const bool region = width >= 1 && height >= 1;
  if ((effect == 1 || effect == 8) && region && target) {
    m_pSnapshot = tessera::NewPlainSurface(width, height);
    // The part copy stops at the target's edges, so a region reaching past
    // the target copies only what the target holds; the rest of the
    // snapshot is the key colour (never garbage), which the mosaic leaves
    // alone and which the cross-fade puts back only outside the target,
    // where the copy is clipped away.
    tessera::FillKey(m_pSnapshot);
    target->Blit(m_pSnapshot, x, y, 0, 0, width, height);
  }
  if (effect == 7 && width >= 2) m_pDrops = new int[width / 2]();
}

int CFader::Draw() {
  if (!m_pPicture || !m_pTarget) return 0;
  if (m_nEffect >= 1 && m_nEffect <= 8 && (m_nWidth < 1 || m_nHeight < 1)) return 0;
  switch (m_nEffect) {
    case 1:
      return Fader1();
    case 2:
      return Fader2();
    case 3:
      return Fader3();
    case 4:
      return Fader4();
    case 5:
      return Fader5();
    case 6:
      return Fader6();
    case 7:
      return Fader7();
    case 8:
      return Fader8();
    case 10:
      return Fader10();
    case 20:
      return Fader20();
    case 21:
      return Fader21();
    case 22:
      return Fader22(1);
    case 23:
      return Fader23();
    default:
      return 0;
  }
}

// Cross-fade: the old region is put back from the snapshot and the picture
// drawn over it at a level one higher each call; 32 calls, the last one
// ending on the full picture.
int CFader::Fader1() {
  if (m_pSnapshot) CopyBlock(m_pSnapshot, m_pTarget, 0, 0, m_nX, m_nY, m_nWidth, m_nHeight);
  DrawEffect(m_pPicture, m_pTarget, m_nX, m_nY, FX_TRANS, m_nLevel, 0);
  if (m_nLevel++ >= 31) {
    CopyBlock(m_pPicture, m_pTarget, 0, 0, m_nX, m_nY, m_nWidth, m_nHeight);
    return 0;
  }
  return 1;
}

// Roll down: the top k rows of the picture are in place and its row k is
// stretched over the rest of the region; k grows by 4 each call.
int CFader::Fader2() {
  if (m_nCounter > m_nHeight) {
    CopyBlock(m_pPicture, m_pTarget, 0, 0, m_nX, m_nY, m_nWidth, m_nHeight);
    return 0;
  }
  const int k = m_nCounter;
  CopyBlock(m_pPicture, m_pTarget, 0, 0, m_nX, m_nY, m_nWidth, k);
  for (int row = m_nY + k; row < m_nY + m_nHeight; ++row)
    CopyBlock(m_pPicture, m_pTarget, 0, k, m_nX, row, m_nWidth, 1);
  m_nCounter += 4;
  return 1;
}

// Fade from white: the target's clip rectangle is filled with white and the
// picture drawn over it at levels 1 to 32; the 33rd call ends.
int CFader::Fader3() {
  if (m_nCounter++ >= 32) return 0;
  DRAW_FX fill;
  fill.kind = FX_FILL;
  fill.colour = 0x7FFF;
  m_pTarget->Blit(m_pTarget, 0, 0, fill);
  DrawEffect(m_pPicture, m_pTarget, m_nX, m_nY, FX_TRANS, m_nCounter, 0);
  return 1;
}

// Horizontal blinds: bands of 20 rows open one row further each call.
// Only whole bands open; the rows below the last whole band come with the
// final full copy.
int CFader::Fader4() {
  for (int i = 0; i < m_nHeight / 20; ++i)
    CopyBlock(m_pPicture, m_pTarget, 0, 20 * i, m_nX, m_nY + 20 * i, m_nWidth, m_nCounter);
  if (m_nCounter++ >= 21) {
    CopyBlock(m_pPicture, m_pTarget, 0, 0, m_nX, m_nY, m_nWidth, m_nHeight);
    return 0;
  }
  return 1;
}

// Vertical blinds: the same with bands of 20 columns.
int CFader::Fader5() {
  for (int i = 0; i < m_nWidth / 20; ++i)
    CopyBlock(m_pPicture, m_pTarget, 20 * i, 0, m_nX + 20 * i, m_nY, m_nCounter, m_nHeight);
  if (m_nCounter++ >= 21) {
    CopyBlock(m_pPicture, m_pTarget, 0, 0, m_nX, m_nY, m_nWidth, m_nHeight);
    return 0;
  }
  return 1;
}

// Interlaced slide: even rows come in from the left, odd rows from the
// right, 20 pixels further each call.
int CFader::Fader6() {
  m_nCounter += 20;
  for (int i = 0; i < m_nHeight / 2; ++i) {
    CopyBlock(m_pPicture, m_pTarget, 0, 2 * i, m_nX - m_nWidth + m_nCounter, m_nY + 2 * i, m_nWidth,
              1);
    CopyBlock(m_pPicture, m_pTarget, 0, 2 * i + 1, m_nX + m_nWidth - m_nCounter, m_nY + 2 * i + 1,
              m_nWidth, 1);
  }
  if (m_nCounter > m_nWidth) {
    CopyBlock(m_pPicture, m_pTarget, 0, 0, m_nX, m_nY, m_nWidth, m_nHeight);
    return 0;
  }
  return 1;
}

// Column drop: each 2-pixel column of the picture falls in by 6 to 13
// pixels a call, at its own random pace, until it reaches the bottom.
int CFader::Fader7() {
  const int columns = m_nWidth / 2;
  bool all_down = true;
  for (int i = 0; i < columns; ++i) {
    int drop = m_pDrops[i] + tessera::NextRandom() % 8 + 6;
    if (drop > m_nHeight) drop = m_nHeight;
    m_pDrops[i] = drop;
    CopyBlock(m_pPicture, m_pTarget, 2 * i, 0, m_nX + 2 * i, m_nY + drop - m_nHeight, 2, m_nHeight);
    if (drop != m_nHeight) all_down = false;
  }
  return all_down ? 0 : 1;
}

// Mosaic: the snapshot coarsens with blocks of 2 to 53 pixels, then the
// picture sharpens from blocks of 51 down to 1 (a last size-0 call draws
// nothing), both drawn at the target's origin.
int CFader::Fader8() {
  if (m_nMosaicPhase == 0) {
    const int c = m_nCounter++;
    if (c > 50) m_nMosaicPhase = 1;
    if (m_pSnapshot) DrawEffect(m_pSnapshot, m_pTarget, 0, 0, FX_MOSAIC, 0, m_nCounter + 1);
    return 1;
  }
  const int c = m_nCounter--;
  if (c < 1) return 0;
  DrawEffect(m_pPicture, m_pTarget, 0, 0, FX_MOSAIC, 0, m_nCounter);
  return 1;
}
