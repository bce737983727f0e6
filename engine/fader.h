// CFader: screen transitions and particle overlays, one frame per call.
//
// A transition changes what a region of the target shows into a new
// picture: cross-fade (1), roll down (2), fade from white (3), horizontal
// and vertical blinds (4, 5), interlaced slide (6), column drop (7) and
// mosaic (8).  Particle overlays draw small falling or drifting sprites
// over the target every frame and never end on their own: falling flakes
// (10, 20), wandering (21), drifting from the left (22) or the right (23).
//
//   CFader fader;
//   fader.Initialize(picture, frame, 0, 0, 800, 600, 1, 0);   // cross-fade
//   while (fader.Draw()) vm->UpdateScreen();
//   vm->UpdateScreen();
//
//   CFader snow;
//   snow.LoadParticle(name);                 // 8 characters, images name00..name34
//   snow.Initialize(picture, frame, 0, 0, 800, 600, 10, 60);
//   ... every frame: draw the scene, snow.Draw(), present ...
//
// All drawing goes through the surface blits.  A fader runs one transition:
// its step counters start at 0 at construction and are never reset, so a
// new transition needs a new fader.  The particle pools are process-wide
// (engine/fader_particles.h).
#ifndef TESSERA_ENGINE_FADER_H
#define TESSERA_ENGINE_FADER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "engine/surface.h"

class CFader {
 public:
  CFader();
  ~CFader();
  CFader(const CFader&) = delete;
  CFader& operator=(const CFader&) = delete;

  // Stores the surfaces (neither is owned), the region, the effect and the
  // particle count min(|count|, 100).  Effects 1 and 8 take a snapshot of
  // the target's region (a plain surface made by the display manager, or
  // directly when none exists); effect 7 gets a zeroed drop per 2-pixel
  // column.  A repeated call replaces the snapshot and the drops but keeps
  // the step counters.
  void Initialize(SURFACE* picture, SURFACE* target, int x, int y, int width, int height,
                  int effect, int count);
  // One frame of the effect: non-zero while it goes on, 0 at its end.
  // Effect numbers without an effect (0, 9, 11 to 19, above 23 and
  // negative ones) return 0 and draw nothing, and so does every effect
  // without a picture or a target, a transition whose region is empty
  // (width or height below 1) and a particle effect whose picture has no
  // pixels (its size bounds the particles).
  int Draw();
  // Loads the particle images name + set digit + frame digit (sets 0-3,
  // frames 0-4) from the pack resource, as plain images or else as layered
  // images; a set counts when its frame 0 loaded.  Earlier images are
  // replaced and the set count starts again.  False for a null name or one
  // that is not exactly 8 characters; true otherwise, even when nothing
  // loaded.
  bool LoadParticle(char* name);

  // The fields, in their fixed order.
  int m_nX;
  int m_nY;
  int m_nWidth;
  int m_nHeight;
  int m_nEffect;
  int m_nLevel;                // step counter of effect 1
  int m_nCount;                // particles of effects 10 and 20 to 23, 0 to 100
  int m_nCounter;              // step counter of effects 2 to 8
  int* m_pDrops;               // effect 7: how far each 2-pixel column has dropped (owned)
  int m_nParticleSets;         // particle image sets loaded
  SURFACE* m_pParticle[4][5];  // particle images [set][frame] (owned)
  SURFACE* m_pPicture;         // the new picture (not owned)
  SURFACE* m_pTarget;          // the surface being changed (not owned)
  SURFACE* m_pSnapshot;        // effects 1 and 8: the target's region before (owned)
  int m_nMosaicPhase;          // effect 8: 0 coarsening the old picture, 1 sharpening the new

 protected:
  // Draws particle image [set][frame] at (x, y): plainly (keyed) with
  // life 30 or more, translucently with level = life below.  Nothing for a
  // set outside 0-3, a frame outside 0-4 or a missing image.
  void DrawPraticle(SURFACE* target, int x, int y, int set, int frame, int life);

  int Fader1();
  int Fader2();
  int Fader3();
  int Fader4();
  int Fader5();
  int Fader6();
  int Fader7();
  int Fader8();
  int Fader10();
  int Fader20();
  int Fader21();
  int Fader22(int fromLeft);
  int Fader23();
};

#pragma GCC visibility pop
#endif
