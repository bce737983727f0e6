// Pictures for the particle overlays of CFader (snow, leaves, motes),
// painted by code for data sets built by the tools.
//
// CFader::LoadParticle(name) reads 20 pack images: name + set digit + frame
// digit, sets 0-3 (a particle draws one set) and frames 0-4 (its frames
// turn over as it falls or drifts).  PaintParticlePictures paints all 20
// for an 8-character name; a data-set builder stores each as a plain pack
// image under its identifier:
//
//   for (auto& p : tessera::tools::PaintParticlePictures("snowflak", ParticleKind::kSnow))
//     builder.AddStream(p.id.c_str(), p.image.get());
//
// Pictures are small plain surfaces, the key colour around the particle.
#ifndef TESSERA_TOOLS_COMMON_PARTICLE_PICTURES_H
#define TESSERA_TOOLS_COMMON_PARTICLE_PICTURES_H

#include <memory>
#include <string>
#include <vector>

#include "engine/dib_surface.h"

namespace tessera::tools {

enum class ParticleKind {
  kSnow,    // 9 x 9 six-armed flakes, white to pale blue; they twinkle
  kLeaves,  // 13 x 13 leaves, green, yellow, orange, red; they turn
  kMotes,   // 7 x 7 glowing motes, warm to cool; they pulse
};

struct ParticlePicture {
  std::string id;  // name + set + frame, 10 characters
  std::unique_ptr<DIBSURFACE> image;
};

// The 20 pictures, set by set, frame by frame.  Empty when `name` is not
// exactly 8 characters (LoadParticle would refuse it).
std::vector<ParticlePicture> PaintParticlePictures(const std::string& name, ParticleKind kind);

}  // namespace tessera::tools

#endif
