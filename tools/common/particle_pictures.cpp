#include "common/particle_pictures.h"

#include <cmath>

namespace tessera::tools {

namespace {

constexpr double kPi = 3.14159265358979323846;

PIXEL Rgb(int r, int g, int b) {
  auto c = [](int v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v); };
  return PIXEL(c(r), c(g), c(b));
}

// Distance from (px, py) to the segment (0, 0)-(ex, ey).
double SegmentDistance(double px, double py, double ex, double ey) {
  const double len2 = ex * ex + ey * ey;
  double t = len2 > 0 ? (px * ex + py * ey) / len2 : 0;
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return std::hypot(px - t * ex, py - t * ey);
}

// Six arms from the centre, turned a little from frame to frame, the tips
// brighter on alternate frames.
PIXEL Snow(int x, int y, int set, int frame) {
  const double cx = x - 4.0, cy = y - 4.0;
  const double turn = frame * kPi / 15;
  const double arm = 3.2 + (set % 2) * 0.6;
  for (int a = 0; a < 6; ++a) {
    const double ang = turn + a * kPi / 3;
    if (SegmentDistance(cx, cy, arm * std::cos(ang), arm * std::sin(ang)) < 0.55) {
      const int blue = 255 - set * 6, red = 235 - set * 18 + (frame % 2) * 12;
      return Rgb(red, red + 8, blue);
    }
  }
  return COLOR_KEY;
}

// An oval leaf with a darker middle vein, seen at a turning angle: the
// oval narrows and widens over the five frames.
PIXEL Leaf(int x, int y, int set, int frame) {
  static const int colours[4][3] = {{70, 150, 40}, {220, 190, 40}, {225, 120, 30}, {190, 50, 30}};
  const double cx = x - 6.0, cy = y - 6.0;
  const double ang = kPi / 4 + frame * kPi / 10;
  const double u = cx * std::cos(ang) + cy * std::sin(ang);
  const double v = -cx * std::sin(ang) + cy * std::cos(ang);
  const double width = 2.6 * std::fabs(std::cos(frame * kPi / 5)) + 0.9;
  if ((u * u) / 30.0 + (v * v) / (width * width) > 1.0) {
    // The stalk.
    if (u < -5.0 && u > -6.8 && std::fabs(v) < 0.6) return Rgb(90, 60, 30);
    return COLOR_KEY;
  }
  const int* c = colours[set];
  const int shade = std::fabs(v) < 0.5 ? -40 : static_cast<int>(v * 6);
  return Rgb(c[0] + shade, c[1] + shade, c[2] + shade / 2);
}

// A bright core with a glow that swells over the five frames and starts
// small again.
PIXEL Mote(int x, int y, int set, int frame) {
  static const int colours[4][3] = {
      {255, 230, 150}, {255, 200, 120}, {190, 230, 255}, {210, 255, 200}};
  const double d = std::hypot(x - 3.0, y - 3.0);
  const double radius = 1.3 + frame * 0.35;
  if (d > radius) return COLOR_KEY;
  const double k = 1.0 - 0.55 * d / radius;
  const int* c = colours[set];
  return Rgb(static_cast<int>(c[0] * k), static_cast<int>(c[1] * k), static_cast<int>(c[2] * k));
}

}  // namespace

std::vector<ParticlePicture> PaintParticlePictures(const std::string& name, ParticleKind kind) {
  std::vector<ParticlePicture> out;
  if (name.size() != 8) return out;
  const int size = kind == ParticleKind::kSnow ? 9 : kind == ParticleKind::kLeaves ? 13 : 7;
  for (int set = 0; set < 4; ++set)
    for (int frame = 0; frame < 5; ++frame) {
      auto image = std::make_unique<DIBSURFACE>(size, size);
      image->Initialize();
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
          PIXEL p = kind == ParticleKind::kSnow     ? Snow(x, y, set, frame)
                    : kind == ParticleKind::kLeaves ? Leaf(x, y, set, frame)
                                                    : Mote(x, y, set, frame);
          image->SetPixel(x, y, p);
        }
      out.push_back({name + std::to_string(set) + std::to_string(frame), std::move(image)});
    }
  return out;
}

}  // namespace tessera::tools
