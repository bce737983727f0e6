// CEquipPool: the process-wide, reference-counted cache of equipment
// pictures.
//
// A walking character is drawn from up to six equipment layers (body parts
// and worn items), each an animation of eight directions with a few frames
// per state.  Characters that wear the same things share one pool entry per
// (role, item, state, part): the first CreateEquip loads the pictures, later
// ones only count, and DeleteEquip frees them when the count returns to 0.
//
// Every frame has two packed alpha pictures (DLESURFACE) in the pack, named
// by ten decimal digits:
//
//   d k s rr p ii ff     d direction 0-7, k kind (1 picture, 2 tint picture),
//                        s state 0-3, rr role, p part 0-5, ii item, ff frame
//
// e.g. "1102030400" is direction 1, the picture, state 0, role 20, part 3,
// item 4, frame 0.  The tint picture's opacity is rewritten at load time
// from the picture's blue channel (MixToAlphaSurface), so a tint laid over
// the picture is strongest where the picture is brightest.
//
//   CEquipPool::CreateEquip(role, 0, item, part, 4);
//   long frames;
//   SURFACE*** pics = CEquipPool::GetSurfaceArray(role, 0, item, part, frames);
//   pics[direction][frame]->Blit(target, x, y);
//   CEquipPool::DeleteEquip(role, 0, item, part);
#ifndef TESSERA_GUI_MAP_EQUIP_POOL_H
#define TESSERA_GUI_MAP_EQUIP_POOL_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <list>

#include "public/export.h"

class SURFACE;

// One pool entry.  Each picture array is 8 directions of arrays of the
// frame count the entry had when it was loaded; entries at or beyond
// m_nFrameNum may be filled or null and are never drawn.
struct stEquipSurface {
  int32_t m_nRole = 0;
  int32_t m_nItem = 0;
  int32_t m_nState = 0;
  int32_t m_nPart = 0;
  SURFACE*** m_pSurface = nullptr;       // the pictures, [direction][frame]
  SURFACE*** m_pAlphaSurface = nullptr;  // the tint pictures, [direction][frame]
  int32_t m_nFrameNum = 0;
  int32_t m_nRefCount = 0;
  // The frame count asked for at creation: both arrays hold that many
  // slots per direction, whatever the frame count shrank to.
  int32_t m_nCapacity = 0;
};

class CEquipPool {
 public:
  // Counts one more user of the entry (role, item, state, part), loading
  // it with `frames` frames per direction when it is new.  Always true:
  // missing pictures only shorten the frame count.
  static bool CreateEquip(long role, long state, long item, long part, int frames);
  // The entry's pictures (tint pictures) and frame count; null and 0 when
  // there is no such entry.
  static SURFACE*** GetSurfaceArray(long role, long state, long item, long part, long& frames);
  static SURFACE*** GetAlphaSurfaceArray(long role, long state, long item, long part, long& frames);
  // Counts one user less; the last one frees the entry's pictures.  False
  // when there is no such entry.
  static bool DeleteEquip(long role, long state, long item, long part);
  // Frees every entry whatever its count.
  static void ReleaseAll();

  // The entries, oldest first (for the game's diagnostics and the tests).
  static const std::list<stEquipSurface>& GetEquipList() { return s_EquipSurfaceList; }
  // The reference count of an entry, 0 when there is none.
  static long GetRefCount(long role, long state, long item, long part);
  // Counts the ReleaseAll calls: a layer that took its pictures before the
  // last one has nothing left to give back (and must not lower the count
  // of a new entry under the same key).
  static long GetGeneration() { return s_nGeneration; }

 protected:
  CEquipPool() = default;

  // Loads the 8 x frame-count pictures of kind 1 (picture) or 2 (tint
  // picture) for the entry.  A missing picture of kind 1 cuts the entry's
  // frame count to the frames before it; a tint picture takes its opacity
  // from the matching picture of the last picture array loaded.
  static SURFACE*** LoadEquipToSurface(stEquipSurface& e, int kind);
  // Rewrites the opacity of `target` from the blue channel of `shape`,
  // where `target` is not fully transparent already: an ALPHASURFACE takes
  // blue as its opacity, a DLESURFACE stores 32 - blue as its weight.
  // Other kinds are left alone.
  static void MixToAlphaSurface(SURFACE* shape, SURFACE* target);

  static std::list<stEquipSurface> s_EquipSurfaceList;
  static SURFACE*** s_pLastSurface;
  static long s_nGeneration;

 private:
  static stEquipSurface* Find(long role, long state, long item, long part);
  static void FreeEntry(stEquipSurface& e);
};

namespace tessera {
// The ten-digit identifier of one equipment frame (see above) into `id`,
// which holds at least 11 bytes.  Values are taken modulo their width.
void EquipPictureId(char* id, long direction, int kind, long state, long role, long part, long item,
                    long frame);
}  // namespace tessera

#pragma GCC visibility pop
#endif
