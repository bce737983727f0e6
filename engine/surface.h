// SURFACE: the abstract base of every surface kind, with the effect record
// DRAW_FX and the enumerations SURFACE_STYLE and SURFACE_FLAG.
//
// A surface is a rectangle of PIXELs in one malloc'ed data block (for the
// plain and alpha kinds see engine/pixel_block.h).  All blits draw `this`
// onto a destination and clip against the destination's clip rectangle,
// never against the source's.  Copying a surface copies every field, so both
// copies share one block, which only one of them may free.
#ifndef TESSERA_ENGINE_SURFACE_H
#define TESSERA_ENGINE_SURFACE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "engine/pixel.h"
#include "public/windows_types.h"

class CVIEWMANAGE;

enum SURFACE_STYLE : int32_t {
  SS_DIB = 0,          // DIBSURFACE
  SS_RLE = 1,          // RLESURFACE
  SS_ALPHA = 2,        // ALPHASURFACE
  SS_RLEMASK = 3,      // RLEMASKSURFACE
  SS_PSDALPHA = 4,     // a layered image loaded into an ALPHASURFACE
  SS_DOUBLEALPHA = 5,  // DOUBLEALPHASURFACE
  SS_ALPHAONLY = 6,    // an ALPHASURFACE whose alpha plane comes from an image
  SS_DLE = 7,          // DLESURFACE
};

// Kind of the attached surface.  The engine only stores and returns it; 0
// means nothing is attached, the other values are the game's to use.
enum SURFACE_FLAG : int32_t {
  SF_NONE = 0,
  SF_MASK = 1,   // the attachment is a run-length mask (FX_MASK)
  SF_ALPHA = 2,  // the attachment carries opacity
  SF_OTHER = 3,
};

// Effect kinds of DRAW_FX.  Other values draw nothing.
enum {
  FX_FILL = 0,         // fill this surface's clip rectangle with colour
  FX_TRANS = 1,        // translucent keyed blit with opacity level (0..32)
  FX_MOSAIC = 2,       // mosaic blit with blocks of size (size < 1: nothing)
  FX_MIRROR = 3,       // left-right mirrored blit
  FX_MASK = 4,         // blit through the attached run-length mask
  FX_ROTATE = 5,       // rotated bilinear blit, blended over an alpha destination
  FX_SECONDALPHA = 6,  // DOUBLEALPHASURFACE: alpha blit with the second plane
  FX_RECTFILL = 7,     // fill (x, y, width, height) of this surface with colour
  FX_ROTATECOPY = 8,   // rotated blit replacing colour and alpha of the destination
};

struct DRAW_FX {
  int32_t kind = 0;
  int32_t width = 0;   // FX_RECTFILL
  int32_t height = 0;  // FX_RECTFILL
  PIXEL colour = 0;    // FX_FILL, FX_RECTFILL (padded to 32 bits)
  int32_t level = 0;   // FX_TRANS
  int32_t size = 0;    // FX_MOSAIC
  float angle = 0.0f;  // FX_ROTATE, FX_ROTATECOPY, radians
};

class SURFACE {
 public:
  SURFACE(int width, int height);
  virtual ~SURFACE();

  virtual void* GetBitmap();
  virtual void SetAttachedSurface(SURFACE* surface, SURFACE_FLAG flag);
  // Allocates the data block; non-zero on success.
  virtual int Initialize() = 0;
  virtual void SetPixel(int x, int y, PIXEL colour) = 0;
  virtual PIXEL GetPixel(int x, int y) = 0;
  // Draws GBK text; nothing on kinds that do not draw text.
  virtual void DrawTextA(int x, int y, PIXEL colour, char* text);
  // Effect blit.
  virtual void Blit(SURFACE* dst, int x, int y, DRAW_FX& fx) = 0;
  // Keyed blit of the whole surface at (x, y).
  virtual void Blit(SURFACE* dst, int x, int y) = 0;
  // Opaque copy of the part (sx, sy, w, h) to (dx, dy).
  virtual void Blit(SURFACE* dst, int sx, int sy, int dx, int dy, int w, int h) = 0;

  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  SURFACE_STYLE GetStyle() const { return m_Style; }
  SURFACE_FLAG GetFlag() const { return m_Flag; }
  SURFACE* GetAttachedSurface() const { return m_pAttachedSurface; }
  CVIEWMANAGE* GetOwner() const { return m_pOwner; }
  void SetOwner(CVIEWMANAGE* owner) { m_pOwner = owner; }
  // Replaces the data pointer without freeing the old block.
  void SetData(void* data) { m_pData = data; }
  // Reads / writes the clip rectangle of the data block (right and bottom
  // exclusive).  SetClipper takes the rectangle as given: the caller keeps it
  // inside the surface.  A null or uninitialised block reads as an empty
  // rectangle and takes no write; the run-length kinds, whose blocks have
  // no clip rectangle, end the process through DebugOut ("the function
  // doesn't support.") rather than overwrite their row tables.
  void GetClipper(tagRECT& rect);
  void SetClipper(const tagRECT& rect);

 protected:
  int m_nWidth;
  int m_nHeight;
  SURFACE_FLAG m_Flag = SF_NONE;
  SURFACE_STYLE m_Style = SS_DIB;
  SURFACE* m_pAttachedSurface = nullptr;  // not owned
  CVIEWMANAGE* m_pOwner = nullptr;
  void* m_pData = nullptr;
};

namespace tessera {

// What a caller wants of a surface's block: pixels to draw into (the plain
// layout: plain, alpha and double-alpha kinds), or only the clip rectangle
// (those and the packed alpha kind, whose block starts with the same seven
// header fields).
enum class BlockUse { kPixels, kClip };

// The block of `s` when it has the layout `use` needs, or null: for a null
// surface, one not initialised, and a kind whose block is laid out
// otherwise (the run-length kinds; the packed alpha kind for pixels).
// Every entry point that draws into a destination or reads or writes a clip
// rectangle takes the block through this, never through GetBitmap alone.
void* PlainBlock(SURFACE* s, BlockUse use = BlockUse::kPixels);

// PlainBlock for an entry point, with the engine's rules for what it gets:
// a null or uninitialised surface gives null and nothing is done (the same
// quiet refusal everywhere); a surface of a kind that cannot serve is an
// unsupported operation and, as every unsupported surface operation, ends
// the process through DebugOut("the function doesn't support.", file,
// line) before anything is written.
void* SupportedBlock(SURFACE* s, const char* file, int line, BlockUse use = BlockUse::kPixels);

// The rotated blit shared by the plain and alpha kinds (FX_ROTATE and
// FX_ROTATECOPY): draws `src` rotated by `angle` about its centre placed at
// (x + w/2, y + h/2) onto `dst`.  `kind` is FX_ROTATE or FX_ROTATECOPY.
void RotateBlit(SURFACE* src, SURFACE* dst, int x, int y, float angle, int kind);
}  // namespace tessera

#pragma GCC visibility pop
#endif
