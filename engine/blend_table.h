// The 33 x 33 blend table for 32-level mixing of 5-bit channels.
//
// Entry [a][c] = a * c + 8.  The weighted mean of channel values p and q with
// weight a out of 32 is (T[a][p] + T[32 - a][q]) >> 5, i.e.
// (a*p + (32-a)*q + 16) / 32 rounded down -- the mean rounded to nearest.
// The table is filled by the first SURFACE constructor.
#ifndef TESSERA_ENGINE_BLEND_TABLE_H
#define TESSERA_ENGINE_BLEND_TABLE_H

#include <cstdint>

extern uint16_t g_BlendTable[33][33];
extern bool g_bBlendTableReady;

// Fills the table if it is not filled yet.
void InitBlendTable();

// Mixes two 5-bit channel values with weight a (0..32) on p.
inline unsigned BlendChannel(unsigned a, unsigned p, unsigned q) {
  return (g_BlendTable[a][p] + g_BlendTable[32 - a][q]) >> 5;
}

#endif
