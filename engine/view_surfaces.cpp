// CVIEWMANAGE: making surfaces -- the factory by size and style, bitmap
// files, layered images, and the cache's entry points.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "engine/bmp_file.h"
#include "engine/psd_decode.h"
#include "engine/surface_kinds.h"
#include "engine/surface_manager.h"
#include "engine/view_manage.h"
#include "platform/path.h"
#include "public/error_report.h"

namespace {

// The whole file; a file that cannot be opened ends the process, as the
// bitmap reader does.
std::string ReadBitmapFile(const char* path) {
  std::FILE* f = tessera::OpenFile(path ? path : "", "rb");
  if (!f) {
    char message[1024];
    std::snprintf(message, sizeof message, "Can't Open BMP file [%s]", path ? path : "");
    DebugOut(message, __FILE__, __LINE__);
  }
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

bool DecodeBitmapFile(const char* path, tessera::BmpImage* image) {
  const std::string bytes = ReadBitmapFile(path);
  return tessera::DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image) ==
         tessera::BmpResult::kOk;
}

}  // namespace

SURFACE* CVIEWMANAGE::CreateSurface(char* name, SURFACE_STYLE style, bool cached, bool file) {
  if (cached) return tessera::GetSurfaceManager().CreateSurface(name, style, file);
  return LoadPackImage(name, style);
}

bool CVIEWMANAGE::DeleteSurface(SURFACE* surface) {
  if (!surface) return false;
  CSurfaceManager& cache = tessera::GetSurfaceManager();
  if (cache.IsHaveSurface(surface)) return cache.DeleteSurface(surface);
  delete surface;
  return true;
}

SURFACE* CVIEWMANAGE::LoadBMP(char* path, SURFACE_STYLE style) {
  if (style != SS_DIB && style != SS_RLE && style != SS_ALPHA && style != SS_RLEMASK) {
    // The file is still read (and a missing one still fatal) before the
    // style is looked at.
    tessera::BmpImage ignored;
    DecodeBitmapFile(path, &ignored);
    return nullptr;
  }
  tessera::BmpImage image;
  if (!DecodeBitmapFile(path, &image)) return nullptr;
  if (style == SS_ALPHA) {
    tessera::BmpImage opacity;
    const std::string companion = std::string("a_") + (path ? path : "");
    if (!DecodeBitmapFile(companion.c_str(), &opacity) || opacity.width != image.width ||
        opacity.height != image.height)
      return nullptr;
    SURFACE* s = CreateSurface(image.width, image.height, SS_ALPHA);
    if (!s) return nullptr;
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) {
        const size_t i = static_cast<size_t>(y) * image.width + x;
        s->SetPixel(x, y, image.pixels[i]);
        tessera::PutAlpha(s, x, y, static_cast<char>(opacity.blue[i] >> 3));
      }
    return s;
  }
  SURFACE* plain = CreateSurface(image.width, image.height, SS_DIB);
  if (!plain) return nullptr;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      plain->SetPixel(x, y, image.pixels[static_cast<size_t>(y) * image.width + x]);
  if (style == SS_DIB) return plain;
  SURFACE* runs = tessera::EncodeRuns(this, plain, style);
  delete plain;
  return runs;
}

int CVIEWMANAGE::SaveBMP(SURFACE* surface, char* path) {
  std::FILE* f = tessera::OpenFile(path ? path : "", "wb");
  if (!f) {
    char message[1024];
    std::snprintf(message, sizeof message, "Can't Open BMP file [%s]", path ? path : "");
    DebugOut(message, __FILE__, __LINE__);
  }
  const int w = surface ? std::max(surface->GetWidth(), 0) : 0;
  const int h = surface ? std::max(surface->GetHeight(), 0) : 0;
  std::unique_ptr<uint16_t[]> pixels(new uint16_t[static_cast<size_t>(w) * h + 1]);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = surface->GetPixel(x, y);
  const std::string bytes = tessera::EncodeBmp(pixels.get(), w, h);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return 1;
}

SURFACE* CVIEWMANAGE::LoadPSD(unsigned char* data, SURFACE_STYLE style) {
  return LoadPSD(data, SIZE_MAX, style);
}

SURFACE* CVIEWMANAGE::LoadPSD(const unsigned char* data, size_t size, SURFACE_STYLE style) {
  if (!data || (style != SS_ALPHA && style != SS_DOUBLEALPHA)) return nullptr;
  tessera::PsdImage image;
  if (!tessera::DecodePsd(data, size, &image)) return nullptr;
  SURFACE* s = CreateSurface(image.width, image.height, style);
  if (!s) return nullptr;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* px = &image.bgra[(static_cast<size_t>(y) * image.width + x) * 4];
      s->SetPixel(x, y, tessera::PsdPixel(px));
      tessera::PutAlpha(s, x, y, static_cast<char>(tessera::PsdOpacity(px)));
    }
  tagRECT whole{0, 0, image.width, image.height};
  s->SetClipper(whole);
  return s;
}
