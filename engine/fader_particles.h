// The particle pools of CFader's overlay effects.
//
// Each particle effect works on a process-wide pool of 100 records, so
// that the particles carry on from one fader to the next (a scene that
// keeps snowing across faders): pool A for the falling flakes of effect
// 10, B for those of effect 20, C for the wandering particles of effect 21
// and D, shared, for the drifting ones of effects 22 and 23.  A frame works
// on the first `count` records.  Each pool also keeps its effect's frame
// counter (the number of particles whose animation step was decided so far)
// and whether its particles were placed (effects 21 to 23 place theirs on
// the first call of the process).
#ifndef TESSERA_ENGINE_FADER_PARTICLES_H
#define TESSERA_ENGINE_FADER_PARTICLES_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

namespace tessera {

struct FaderParticle {
  float x, y;     // position on the target (drawn truncated to integers)
  float vx, vy;   // velocity in pixels per frame
  int32_t set;    // image set, 0 to 3
  int32_t life;   // drawing level: 30 and above plain, below translucent
  int32_t frame;  // image frame, 0 to 4
  int32_t alive;
};
static_assert(sizeof(FaderParticle) == 32, "eight 32-bit fields");

constexpr int kFaderPoolSize = 100;

struct FaderParticlePool {
  FaderParticle particles[kFaderPoolSize];
  uint32_t calls;  // the frame counter: particles whose frame step was decided
  bool placed;     // effects 21 to 23: the particles were placed
};

// The pool that effect `effect` uses (10, 20, 21, 22 or 23), or null for
// any other number.
FaderParticlePool* FaderPool(int effect);

}  // namespace tessera

#pragma GCC visibility pop
#endif
