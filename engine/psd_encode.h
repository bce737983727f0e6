// Writing layered image files ("8BPS"): the merged RGB(A) image only, in the
// form the engine's decoder reads.  The data builders and the tests make
// their layered images with it.
#ifndef TESSERA_ENGINE_PSD_ENCODE_H
#define TESSERA_ENGINE_PSD_ENCODE_H

#include <cstdint>
#include <vector>

namespace tessera {

// A layered image of w x h from 0xAARRGGBB pixels (row-major): version 1,
// 4 channels of 8 bits (3 when every alpha is 255), RGB mode, empty
// colour-mode, resource and layer sections, and the merged image raw or
// PackBits-compressed.  With an alpha channel the colours are stored
// composed on white, as the format keeps its merged image, so that the
// decoder's un-compositing gives the colours back (exactly where alpha is
// 255, to within 255 / alpha otherwise).
std::vector<uint8_t> EncodePsdImage(int w, int h, const uint32_t* argb, bool packbits);

}  // namespace tessera

#endif
