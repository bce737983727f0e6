// Image tools: work on packed image streams and bitmap files.
//
// Stream arguments point at the stream's two 16-bit header words (width,
// then height) followed by the operations of the packed image stream
// (engine/packed_stream.h), ending with the end operation.  In these tools
// a row-skip operation moves down n rows and leaves the column where it is.
#ifndef TESSERA_GUI_DRAW_IMAGE_H
#define TESSERA_GUI_DRAW_IMAGE_H
#pragma GCC visibility push(default)  // game-facing: exported

class SURFACE;
class QRES;

// Rewrites every literal and fill pixel from 5-6-5 to 5-5-5 by dropping the
// lowest green bit.  Nothing for a null stream.
void Color16To15(unsigned short* stream);

// Whether (x, y) lies on an opaque run of the stream; a run of n pixels from
// column c also answers for x = c + n.  False outside 0..width, 0..height.
// The second argument is not used.
bool ImagePointed(unsigned short* stream, int, int x, int y);

// Stamps the stream into `surface` at (x, y): a pixel 0 cuts a hole (the
// surface pixel becomes COLOR_KEY), any other colour paints only where the
// surface is not COLOR_KEY.
bool Burrow(SURFACE* surface, unsigned short* stream, int x, int y);

// Mixes material surfaces into `target` under a colour-coded mark stream:
// for each marked pixel the material (red, green, blue or other surface by
// the mark's colour) is weighted by the target's blue channel (out of 32).
bool MarkMix(SURFACE* target, unsigned short* mark, SURFACE* red, SURFACE* green, SURFACE* blue,
             SURFACE* other);

// Packs the 24-bit bitmap file `path` as a packed image stream (5-5-5
// pixels, 0x7C1F and 0xFC1F transparent) with its width and height header
// into `pack`, with the pack's AddDataToPack and the three names: the
// identifier, the pack name and the unused text.
bool AddBmpToPack(const char* path, QRES* pack, char* id, char* packName, char* text);
bool AddBmpToPack(const char* path, QRES* pack, const char* id, const char* packName,
                  const char* text);

// Cuts the 24-bit bitmap `source` into cells the size of the bitmap
// `cellTemplate`, row by row from the top; cell k becomes the file
// "<prefix>C<k, five digits>.BMP", a copy of the template with the cell's
// pixels.  Returns the number of cells written.
int PartitionBmp(const char* source, const char* cellTemplate, const char* prefix);

#pragma GCC visibility pop
#endif
