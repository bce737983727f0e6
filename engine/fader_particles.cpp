// CFader: the particle overlays (effects 10 and 20 to 23), their images
// and their process-wide pools.
//
// The motion rules mix integer and floating arithmetic the way the
// particles were tuned: a quotient of two random integers, such as
// (rand() % 20 - 10) / (rand() % 100 + 10), is an integer division
// (truncating toward zero), and the numerator is drawn before the
// denominator; products with a decimal constant, such as
// (rand() % 30 - 10) * 0.0001, are computed in double precision and stored
// in the particle's single-precision field.  Every random number comes from
// the engine's generator, in the order the rules list them, so a seeded run
// draws the same particles on every platform.
#include "engine/fader_particles.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/fader.h"
#include "engine/view_manage.h"
#include "platform/random.h"
#include "platform/test_hooks.h"
#include "public/engine.h"

namespace {

tessera::FaderParticlePool g_pools[4];  // A, B, C, D

int R() { return tessera::NextRandom(); }

// The picture's size bounds the particles; without a picture, a target or
// a pixel there is nothing to do.
bool ParticleArea(SURFACE* picture, SURFACE* target, int* w, int* h) {
  if (!picture || !target) return false;
  *w = picture->GetWidth();
  *h = picture->GetHeight();
  return *w >= 1 && *h >= 1;
}

// A random image set among those loaded; 0 (and no random number) when
// none is.
int32_t RandomSet(int sets) { return sets > 0 ? R() % sets : 0; }

// The animation step: r is drawn by the caller (its range differs per
// effect); the frame advances when the effect's counter is a multiple of r,
// and the counter counts every particle that passes here.
void StepFrame(tessera::FaderParticle& p, uint32_t& calls, int r) {
  if (calls % static_cast<uint32_t>(r) == 0 && ++p.frame >= 5) p.frame = 0;
  ++calls;
}

// A velocity whose integer part exceeds 5 in size stops (|v| >= 6 is the
// same test without converting an unbounded float to an integer).
void LimitSpeed(float& v) {
  if (std::fabs(v) >= 6.0f) v = 0.0f;
}

// Truncation toward zero, kept inside the int range for far-off particles.
int ToPixel(float v) {
  if (!(v > -1e9f)) return -1000000000;
  if (v > 1e9f) return 1000000000;
  return static_cast<int>(v);
}

// (rand() % span - span / 2) / (rand() % range + base), numerator first.
// A particle's starting speed: whole pixels per frame, the random value
// divided by 6 and rounded toward zero.
int WholeSpeed(int random_value) { return random_value / 6; }

int RandomQuotient(int span, int range, int base) {
  const int numerator = R() % span - span / 2;
  const int denominator = R() % range + base;
  return numerator / denominator;
}

// Particle image [set][frame] at (x, y): plain from life 30, translucent
// with level = life below; nothing out of range or without the image.
void DrawParticleImage(SURFACE* const (&images)[4][5], SURFACE* target, int x, int y, int set,
                       int frame, int life) {
  if (set < 0 || set > 3 || frame < 0 || frame > 4) return;
  SURFACE* image = images[set][frame];
  if (!image || !target) return;
  if (life >= 30) {
    image->Blit(target, x, y);
    return;
  }
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  fx.level = life;
  image->Blit(target, x, y, fx);
}

// Falling flakes (effects 10 and 20, which differ only in how much the
// flakes sway): a live flake falls, sways and animates, and below the top
// two thirds may die; a dead one fades out by its life, then waits to be
// born again at the top.
int FallingFlakes(SURFACE* picture, SURFACE* target, SURFACE* const (&images)[4][5], int sets,
                  int count, tessera::FaderParticlePool& pool, bool gentle_sway) {
  int w, h;
  if (!ParticleArea(picture, target, &w, &h)) return 0;
  const int lowest_third = h - h / 3;  // whole pixels
  auto draw = [&](const tessera::FaderParticle& p) {
    DrawParticleImage(images, target, ToPixel(p.x), ToPixel(p.y), p.set, p.frame, p.life);
  };
  for (int i = 0; i < count; ++i) {
    tessera::FaderParticle& p = pool.particles[i];
    if (p.alive) {
      p.vy += (R() % 30 - 10) * 0.0001;
      if (p.vy < 0) p.vy = -p.vy;
      p.y += p.vy;
      if (gentle_sway)
        p.vx += (R() % 20 - 10) * 0.0001;
      else
        p.vx += RandomQuotient(20, 100, 10);
      p.x += p.vx;
      StepFrame(p, pool.calls, R() % 5 + 1);
      draw(p);
      if (p.y > static_cast<float>(lowest_third) && R() % 26 == 0) p.alive = 0;
    } else if (p.life > 0) {
      draw(p);
      p.life -= R() % 4;
      if (p.life < 0) p.life = 0;
    } else if (R() % 40 == 0) {
      p.y = 0;
      p.x = static_cast<float>(R() % w);
      p.vx = 0;
      p.vy = static_cast<float>(WholeSpeed(R() % 20 + 10));
      p.alive = 1;
      p.life = R() % 26 + 6;
      p.frame = R() % 5;
      p.set = RandomSet(sets);
    }
  }
  return 1;
}

}  // namespace

namespace tessera {

FaderParticlePool* FaderPool(int effect) {
  switch (effect) {
    case 10:
      return &g_pools[0];
    case 20:
      return &g_pools[1];
    case 21:
      return &g_pools[2];
    case 22:
    case 23:
      return &g_pools[3];
    default:
      return nullptr;
  }
}

void ResetFaderParticlesForTests() { std::memset(g_pools, 0, sizeof g_pools); }

}  // namespace tessera

bool CFader::LoadParticle(char* name) {
  if (!name || strnlen(name, 9) != 8) return false;
  CVIEWMANAGE* vm = AfxGetViewManager();
  m_nParticleSets = 0;
  for (int set = 0; set < 4; ++set) {
    for (int frame = 0; frame < 5; ++frame) {
      char id[16];
      std::snprintf(id, sizeof id, "%s%1d%1d", name, set, frame);
      SURFACE* image = nullptr;
      if (vm) {
        image = vm->CreateSurface(id, SS_DIB, false, false);
        if (!image) image = vm->CreateSurface(id, SS_PSDALPHA, false, false);
      }
      delete m_pParticle[set][frame];
      m_pParticle[set][frame] = image;
    }
    if (m_pParticle[set][0]) ++m_nParticleSets;
  }
  return true;
}

void CFader::DrawPraticle(SURFACE* target, int x, int y, int set, int frame, int life) {
  DrawParticleImage(m_pParticle, target, x, y, set, frame, life);
}

int CFader::Fader10() {
  return FallingFlakes(m_pPicture, m_pTarget, m_pParticle, m_nParticleSets, m_nCount,
                       *tessera::FaderPool(10), false);
}

int CFader::Fader20() {
  return FallingFlakes(m_pPicture, m_pTarget, m_pParticle, m_nParticleSets, m_nCount,
                       *tessera::FaderPool(20), true);
}

// Wandering: particles scattered over the picture's area drift with
// slowly changing speed, turn round now and then and wrap at the edges.
int CFader::Fader21() {
  int w, h;
  if (!ParticleArea(m_pPicture, m_pTarget, &w, &h)) return 0;
  tessera::FaderParticlePool& pool = *tessera::FaderPool(21);
  if (!pool.placed) {
    pool.placed = true;
    for (int i = 0; i < m_nCount; ++i) {
      tessera::FaderParticle& p = pool.particles[i];
      p.y = static_cast<float>(R() % h);
      p.x = static_cast<float>(R() % w);
      p.vx = static_cast<float>(WholeSpeed(R() % 20 - 10));
      p.vy = static_cast<float>(WholeSpeed(R() % 20 - 10));
      p.life = R() % 26 + 6;
      p.frame = R() % 5;
      p.set = RandomSet(m_nParticleSets);
    }
  }
  for (int i = 0; i < m_nCount; ++i) {
    tessera::FaderParticle& p = pool.particles[i];
    p.vy += RandomQuotient(40, 10000, 100);
    p.y += p.vy;
    p.vx += RandomQuotient(40, 10000, 100);
    p.x += p.vx;
    if (R() % 300 == 0) {
      p.vx = -p.vx;
      p.vy = -p.vy;
    }
    if (R() % 299 == 0) p.vx = -p.vx;
    if (R() % 298 == 0) p.vy = -p.vy;
    LimitSpeed(p.vx);
    LimitSpeed(p.vy);
    StepFrame(p, pool.calls, R() % 4 + 1);
    if (p.x > w) p.x = 0;
    if (p.y > h) p.y = 0;
    if (p.x < 0) p.x = static_cast<float>(w);
    if (p.y < 0) p.y = static_cast<float>(h);
    DrawPraticle(m_pTarget, ToPixel(p.x), ToPixel(p.y), p.set, p.frame, p.life);
  }
  return 1;
}

// Drifting: particles blow across from one side (the left for 22, the
// right for 23), bobbing up and down within the top 360 rows, and start
// again at that side when they leave the other.  Always drawn plainly.
int CFader::Fader22(int fromLeft) {
  int w, h;
  if (!ParticleArea(m_pPicture, m_pTarget, &w, &h)) return 0;
  tessera::FaderParticlePool& pool = *tessera::FaderPool(22);
  if (!pool.placed) {
    pool.placed = true;
    for (int i = 0; i < m_nCount; ++i) {
      tessera::FaderParticle& p = pool.particles[i];
      p.y = static_cast<float>(R() % h);
      p.x = fromLeft ? 0.0f : static_cast<float>(w);
      p.vx = static_cast<float>(WholeSpeed(R() % 40));
      p.vy = static_cast<float>(WholeSpeed(R() % 20 - 10));
      p.frame = R() % 5;
      p.set = RandomSet(m_nParticleSets);
    }
  }
  for (int i = 0; i < m_nCount; ++i) {
    tessera::FaderParticle& p = pool.particles[i];
    p.vy += RandomQuotient(40, 10000, 100);
    p.y += p.vy;
    p.vx += RandomQuotient(40, 100, 10);
    p.vx = std::fabs(p.vx);
    if (fromLeft)
      p.x += p.vx;
    else
      p.x -= p.vx;
    if (R() % 121 == 0) p.vy = -p.vy;
    LimitSpeed(p.vx);
    LimitSpeed(p.vy);
    StepFrame(p, pool.calls, R() % 2 + 1);
    if (p.y > 360) p.vy = -p.vy;
    if (p.y < 0) p.vy = -p.vy;
    if (fromLeft && p.x > w) p.x = 0;
    if (!fromLeft && p.x < 0) p.x = static_cast<float>(w);
    DrawPraticle(m_pTarget, ToPixel(p.x), ToPixel(p.y), p.set, p.frame, 32);
  }
  return 1;
}

int CFader::Fader23() { return Fader22(0); }
