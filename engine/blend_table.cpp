#include "engine/blend_table.h"

uint16_t g_BlendTable[33][33];
bool g_bBlendTableReady = false;

void InitBlendTable() {
  if (g_bBlendTableReady) return;
  for (int a = 0; a <= 32; ++a)
    for (int c = 0; c <= 32; ++c) g_BlendTable[a][c] = static_cast<uint16_t>(a * c + 8);
  g_bBlendTableReady = true;
}
