// tessera-demo-data: builds the sample game's data set in a folder.
//
//   tessera-demo-data FOLDER
//
// Every image is painted by code and written through the library's own
// classes: packed image streams, packed alpha images and layered images go
// into a pack file through CRes, which records them in the game database.
// The folder then holds, as a game would ship it:
//
//   data/Pack.mdb      the shared pack database (empty tables)
//   data/Village.mdb   the game database: RESTABLE rows for every image
//   data/village.pak   the pack file
//   wav/click.WAV      the GUI click (the engine's default area sound)
//   music/village.mid  a short tune for the music player
//
// Identifiers are ten bytes, a base name padded with digits, as the engine
// builds them for animation frames (hero000000 .. hero000003).
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/tool_common.h"
#include "database/database.h"
#include "database/schema.h"
#include "engine/dib_surface.h"
#include "engine/dle_surface.h"
#include "engine/packed_stream.h"
#include "engine/psd_encode.h"
#include "pack/res.h"
#include "platform/path.h"
#include "sound/midi_file.h"
#include "sound/wave_file.h"

namespace {

using tessera::tools::Fail;
const char kProgram[] = "tessera-demo-data";
const char kPack[] = "\\village.pak";

PIXEL Rgb(int r, int g, int b) {
  return PIXEL(static_cast<unsigned char>(r), static_cast<unsigned char>(g), static_cast<unsigned char>(b));
}

// A w x h image painted pixel by pixel.
std::unique_ptr<DIBSURFACE> Paint(int w, int h, const std::function<PIXEL(int, int)>& at) {
  auto s = std::make_unique<DIBSURFACE>(w, h);
  s->Initialize();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s->SetPixel(x, y, at(x, y));
  return s;
}

PIXEL Grass(int x, int y) {
  const int n = (x * 7 + y * 13 + (x * y) % 5) % 17;
  return n < 3 ? Rgb(40, 120, 40) : Rgb(70, 160 + n, 60);
}

PIXEL Road(int x, int y) {
  const int n = (x * 5 + y * 3 + (x ^ y)) % 11;
  return Rgb(165 + n * 2, 135 + n, 90);
}

// A villager: head, hair, a robe of the given colour, legs that swing with
// the frame number.
PIXEL Villager(int x, int y, int frame, int r, int g, int b) {
  const int hx = x - 24, hy = y - 14;
  if (y < 10 && hx * hx + hy * hy < 100) return Rgb(40, 30, 20);
  if (hx * hx + hy * hy < 100) return Rgb(240, 200, 160);
  if (y >= 24 && y < 54 && std::abs(hx) < 6 + (y - 24) / 3) return Rgb(r + (x % 4) * 4, g, b);
  const int swing = (frame % 2 ? 1 : -1) * (frame / 2 % 2 ? 3 : 1);
  if (y >= 54 && y < 62 && (std::abs(hx - 5 - swing) < 3 || std::abs(hx + 5 + swing) < 3)) return Rgb(60, 40, 30);
  return COLOR_KEY;
}

PIXEL Sign(int x, int y) {
  if (x < 4 || y < 4 || x >= 92 || y >= 60) return Rgb(80, 50, 20);
  if (y >= 24 && y < 40 && x >= 12 && x < 82) return Rgb(250, 230, 120);
  if (x >= 60 && x < 84 && y >= 8 && y < 20) return Rgb(200, 40, 40);
  return Rgb(150 + (y % 8) * 10, 100, 50);
}

// Opacity images carry the opacity (0..31) in their blue channel.
PIXEL RadialOpacity(int x, int y, int w, int h) {
  const double dx = (x - w / 2.0) / (w / 2.0), dy = (y - h / 2.0) / (h / 2.0);
  const double d = std::sqrt(dx * dx + dy * dy);
  const int a = d >= 1.0 ? 0 : static_cast<int>(31 * (1.0 - d * d));
  return static_cast<unsigned short>(a);
}

class Builder {
 public:
  Builder(const std::string& root) : root_(root + "/"), db_(root_ + "data\\Village.mdb"), res_(nullptr) {}

  bool Create() {
    std::error_code ec;
    for (const char* dir : {"data", "wav", "music"}) std::filesystem::create_directories(root_ + dir, ec);
    for (const std::string& path : {db_, root_ + "data\\Pack.mdb"}) {
      std::filesystem::remove(tessera::NativePath(path), ec);
      std::string error;
      if (!tessera::CreateDataBaseFile(path, &error)) return Report(path + ": " + error);
    }
    const std::string pack = tessera::NativePath(root_ + "data\\village.pak");
    if (std::FILE* f = std::fopen(pack.c_str(), "wb")) {
      std::fclose(f);
    } else {
      return Report(pack + ": cannot create");
    }
    res_ = std::make_unique<CRes>(db_.c_str(), root_.c_str());
    return true;
  }

  // A plain image as a pack image record: width, height, packed stream.
  bool AddStream(const char* id, SURFACE* image) {
    std::vector<uint8_t> bytes = Header(image->GetWidth(), image->GetHeight());
    const std::vector<uint8_t> stream = tessera::PackedStreamBytes(tessera::EncodePackedStream(image));
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    return Add(id, bytes);
  }

  // A packed alpha image from colours and opacities (0..31).
  bool AddDle(const char* id, int w, int h, const std::function<PIXEL(int, int)>& colour,
              const std::function<int(int, int)>& opacity) {
    std::vector<uint16_t> colours;
    std::vector<uint8_t> weights;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        colours.push_back(colour(x, y));
        const int a = opacity(x, y);
        weights.push_back(static_cast<uint8_t>(a == 31 ? 0 : 32 - a));
      }
    return Add(id, tessera::EncodeDleImage(w, h, colours.data(), weights.data()));
  }

  // A layered image (RGBA, 8 bits a channel) from colours and opacities.
  bool AddLayered(const char* id, int w, int h, const std::function<uint32_t(int, int)>& rgba) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) pixels.push_back(rgba(x, y));
    return Add(id, tessera::EncodePsdImage(w, h, pixels.data(), true));
  }

  bool WriteSounds() {
    const std::string click = tessera::MakeClickWave();
    std::FILE* f = tessera::OpenFile(root_ + "wav\\click.WAV", "wb");
    if (!f || std::fwrite(click.data(), 1, click.size(), f) != click.size()) {
      if (f) std::fclose(f);
      return Report("wav/click.WAV: cannot write");
    }
    std::fclose(f);
    if (!tessera::WriteMidiFile(root_ + "music\\village.mid", tessera::ShortTune()))
      return Report("music/village.mid: cannot write");
    return true;
  }

  int added() const { return added_; }

 private:
  static std::vector<uint8_t> Header(int w, int h) {
    return {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(h),
            static_cast<uint8_t>(h >> 8)};
  }

  bool Add(const char* id, std::vector<uint8_t> bytes) {
    if (!res_->AddDataToPack(bytes.data(), static_cast<long>(bytes.size()), id, kPack, "demo"))
      return Report(std::string("cannot add ") + id);
    ++added_;
    return true;
  }

  bool Report(const std::string& what) {
    Fail(kProgram, what);
    return false;
  }

  std::string root_;
  std::string db_;
  std::unique_ptr<CRes> res_;
  int added_ = 0;
};

bool Build(Builder& b) {
  if (!b.Create()) return false;
  bool ok = true;
  // Plain images (decoded into plain surfaces, style 0).
  ok &= b.AddStream("grass00000", Paint(32, 32, Grass).get());
  ok &= b.AddStream("road000000", Paint(32, 32, Road).get());
  ok &= b.AddStream("sign000000", Paint(96, 64, Sign).get());
  // Walking frames of two villagers (run-length sprites, style 1).
  for (int f = 0; f < 4; ++f) {
    char id[11];
    std::snprintf(id, sizeof id, "hero%06d", f);
    ok &= b.AddStream(id, Paint(48, 64, [f](int x, int y) { return Villager(x, y, f, 60, 90, 200); }).get());
    std::snprintf(id, sizeof id, "elder%05d", f);
    ok &= b.AddStream(id, Paint(48, 64, [f](int x, int y) { return Villager(x, y, f, 180, 60, 60); }).get());
  }
  // A ghost with an opacity companion "A..." (alpha surface, style 2): the
  // companion's blue channel is the opacity.
  ok &= b.AddStream("ghost00000", Paint(48, 64, [](int x, int y) {
                      PIXEL p = Villager(x, y, 0, 200, 200, 255);
                      return p == COLOR_KEY ? Rgb(220, 220, 255) : p;
                    }).get());
  ok &= b.AddStream("Ahost00000", Paint(48, 64, [](int x, int y) {
                      return Villager(x, y, 0, 0, 0, 0) == COLOR_KEY ? PIXEL(0) : PIXEL(20);
                    }).get());
  // The sign's outline as a run-length mask (style 3): a rounded plate.
  ok &= b.AddStream("plate00000", Paint(96, 64, [](int x, int y) {
                      const int cx = x < 12 ? 12 - x : x > 83 ? x - 83 : 0;
                      const int cy = y < 12 ? 12 - y : y > 51 ? y - 51 : 0;
                      return cx * cx + cy * cy > 144 ? PIXEL(COLOR_KEY) : Rgb(255, 255, 255);
                    }).get());
  // Fog: only an opacity (style 6), coloured by the game.
  ok &= b.AddStream("fog0000000", Paint(160, 96, [](int x, int y) { return RadialOpacity(x, y, 160, 96); }).get());
  // A lamp glow as a packed alpha image (style 7).
  ok &= b.AddDle("lamp000000", 64, 64, [](int x, int y) { return Rgb(255, 230 - y, 120 + x); },
                 [](int x, int y) { return RadialOpacity(x, y, 64, 64).GetColor(); });
  // Layered images (styles 4 and 5): a banner with soft edges.
  ok &= b.AddLayered("banner0000", 120, 40, [](int x, int y) {
    const int a = std::min({x, y, 119 - x, 39 - y, 8}) * 255 / 8;
    return static_cast<uint32_t>(a) << 24 | 0xC0u << 16 | static_cast<uint32_t>(40 + y * 4) << 8 | 0x30u;
  });
  ok &= b.AddLayered("flag000000", 64, 48, [](int x, int y) {
    const uint32_t r = (x / 8 + y / 8) % 2 ? 230 : 30;
    return 0xFFu << 24 | r << 16 | 0x40u << 8 | (255 - r);
  });
  ok &= b.WriteSounds();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = tessera::tools::Args(argc, argv);
  static const char kHelp[] =
      "Usage: tessera-demo-data FOLDER\n"
      "Builds the sample game's data set in FOLDER: databases, pack, sounds.\n"
      "Options: --help, --version.  Exit status 0 done, 1 failure, 2 usage error.\n";
  if (int rc = tessera::tools::HelpOrVersion(args, kProgram, kHelp); rc >= 0) return rc;
  static const char kUsage[] = "usage: tessera-demo-data FOLDER\n";
  if (args.size() != 1) return tessera::tools::UsageError(kProgram, kUsage, args.empty() ? "no FOLDER" : "one FOLDER only");
  // An option that is not one is refused rather than made into a folder.
  if (args[0].size() > 1 && args[0][0] == '-') return tessera::tools::UsageError(kProgram, kUsage, "unknown option " + args[0]);
  tessera::tools::UseToolMessages(kProgram);
  Builder builder(args[0]);
  const bool ok = Build(builder);
  AfxReleaseDataBase(nullptr);
  if (!ok) return 1;
  std::printf("%s: %d images, a click and a tune in %s\n", kProgram, builder.added(), args[0].c_str());
  return 0;
}
