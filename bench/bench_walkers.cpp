// One frame of a scene: a 1600 x 1200 map seen through an 800 x 600 view
// with 1, 20, 50 or 200 walking characters of six equipment layers each
// (two plain, four tinted: a picture and a tint picture each), drawn by
// the map -- walking, animation, sorting and all -- beside SDL2 doing the
// same blits from ARGB8888 pictures onto an RGB555 frame, and beside a
// memcpy of the frame.
//
// Before timing, one frame of each is compared: pixels the layers leave
// alone or cover opaquely last must be equal; blended ones may differ by
// one step of 32 per channel for each translucent layer on them (SDL
// blends as d + (s - d) * a / 32, the engine as s * a / 32 + d * (32 - a) /
// 32).  A larger difference fails the run.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "database/database.h"
#include "database/schema.h"
#include "engine/dle_surface.h"
#include "engine/pixel_block.h"
#include "engine/view_manage.h"
#include "gui/map/equip_pool.h"
#include "gui/map/map.h"
#include "gui/map/map_player.h"
#include "gui/map/player_equip.h"
#include "pack/res.h"
#include "public/engine.h"
#include "support/test_support.h"

namespace {

constexpr int kW = 800, kH = 600;
constexpr int kCols = 50, kRows = 37, kUnit = 32;
constexpr int kLayerW = 48, kLayerH = 80;
const PIXEL kTints[3] = {PIXEL(200, 40, 40), PIXEL(40, 160, 60), PIXEL(60, 80, 220)};

// A character that walks between two cells for ever.
class Pacer : public CMapPlayer {
 public:
  tagPOINT a{0, 0}, b{0, 0};
  bool to_b = true;
  void OnArriveTarget(bool) override {
    to_b = !to_b;
    const tagPOINT t = to_b ? b : a;
    WalkTo(t.x, t.y, false);
  }
};

// A layer picture: an ellipse, opaque inside, graded over its last three
// pixels, transparent outside; colours vary so the tint strength (the
// blue channel) varies too.
void LayerImage(int part, int d, int state, int f, bool tint, std::vector<uint16_t>& c,
                std::vector<uint8_t>& t) {
  c.assign(kLayerW * kLayerH, 0);
  t.assign(kLayerW * kLayerH, 32);
  const double cx = kLayerW / 2.0, cy = kLayerH / 2.0;
  const double rx = kLayerW / 2.0 - 2 - part, ry = kLayerH / 2.0 - 2 - 2 * part;
  for (int y = 0; y < kLayerH; ++y)
    for (int x = 0; x < kLayerW; ++x) {
      const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
      const double r = std::sqrt(dx * dx + dy * dy);
      if (r > 1.0) continue;
      const double edge = (1.0 - r) * std::min(rx, ry);
      const size_t i = static_cast<size_t>(y) * kLayerW + x;
      t[i] = edge >= 3.0 ? 0 : static_cast<uint8_t>(32 - static_cast<int>(edge / 3.0 * 31) - 1);
      c[i] = tint ? 0x7FFF
                  : static_cast<uint16_t>(((x + part * 5 + d) & 31) << 10 |
                                          ((y + f * 3 + state) & 31) << 5 | ((x + y) % 24 + 4));
    }
}

struct Scene {
  std::string top;
  std::unique_ptr<CRes> res;
  CVIEWMANAGE* vm = nullptr;
  std::vector<uint16_t> background;  // 1600 x 1200
  std::map<int, QMap*> maps;
};

bool g_world_made = false;

Scene& World() {
  static Scene s;
  if (s.vm) return s;
  g_world_made = true;
  s.top = tessera::bench::MakeGameFolder("walkers", false);
  const std::string game = s.top + "\\game\\game.mdb", root = s.top + "\\";
  // Every layer frame straight into one pack and one transaction of rows.
  std::string pak;
  std::vector<std::pair<std::string, std::pair<size_t, size_t>>> rows;
  std::vector<uint16_t> c;
  std::vector<uint8_t> t;
  char id[16];
  for (int part = 0; part < 6; ++part)
    for (int state = 0; state < 2; ++state)
      for (int d = 0; d < 8; ++d)
        for (int f = 0; f < 4; ++f)
          for (int kind = 1; kind <= 2; ++kind) {
            LayerImage(part, d, state, f, kind == 2, c, t);
            const auto bytes = tessera::EncodeDleImage(kLayerW, kLayerH, c.data(), t.data());
            tessera::EquipPictureId(id, d, kind, state, 0, part, 0, f);
            rows.push_back({id, {pak.size(), pak.size() + bytes.size()}});
            pak.append(bytes.begin(), bytes.end());
          }
  std::FILE* out = std::fopen((s.top + "/game/a.pak").c_str(), "wb");
  if (!out || std::fwrite(pak.data(), 1, pak.size(), out) != pak.size() || std::fclose(out) != 0)
    std::abort();
  s.res = std::make_unique<CRes>(game.c_str(), root.c_str());
  CDataBase* db = AfxGetDataBase(game.c_str());
  if (!db || !db->ExecuteCommand("BEGIN")) std::abort();
  for (const auto& [name, range] : rows) {
    const std::string sql = "INSERT INTO RESTABLE VALUES('" + name + "','\\a.pak'," +
                            std::to_string(range.first) + "," + std::to_string(range.second) + ")";
    if (!db->ExecuteCommand(sql.c_str())) std::abort();
  }
  if (!db->ExecuteCommand("COMMIT")) std::abort();
  tessera::bench::AddChatBoxPictures(*s.res);
  if (!AfxCreateViewManager(kW, kH, nullptr)) std::abort();
  s.vm = AfxGetViewManager();
  s.vm->Initialize(s.res.get());
  tessera::test::TestRandom rng(5);
  s.background.resize(static_cast<size_t>(kCols * kUnit) * kRows * kUnit + 1600 * 16);
  for (auto& p : s.background) p = static_cast<uint16_t>(rng.Next() & 0x7FFF);
  return s;
}

// The scene with n characters pacing between random cells, after a few
// frames so that they are under way.
QMap* SceneWith(int n) {
  Scene& s = World();
  if (s.maps.count(n)) return s.maps[n];
  auto* m = new QMap(tagRECT{0, 0, kW, kH});
  m->m_nMapWidth = 1600;
  m->m_nMapHeight = 1200;
  m->m_nUnitSize = kUnit;
  m->m_nCellNum = kCols * kRows;
  std::string cells(kCols * kRows, '\0');
  m->SetMapInfo(cells.data(), kCols * kRows);
  SURFACE* bg = s.vm->CreateSurface(1600, 1200, SS_DIB);
  PIXEL** rowp = tessera::BlockRows(bg->GetBitmap());
  for (int y = 0; y < 1200; ++y)
    std::memcpy(static_cast<void*>(rowp[y]), &s.background[static_cast<size_t>(y) * 1600], 3200);
  m->m_pBackGround = bg;
  m->EnableAutoScroll(false);
  m->m_nNowLeft = 400;
  m->m_nNowTop = 300;
  tessera::test::TestRandom rng(static_cast<uint64_t>(n));
  for (int i = 0; i < n; ++i) {
    auto* p = new Pacer;
    p->Init(i + 1, "pacer", m, nullptr);
    for (long part = 0; part < 6; ++part)
      p->GetEquip(part)->SetCurColor(part < 2 ? PIXEL(0) : kTints[(i + part) % 3]);
    // Cells that keep the walkers mostly in view.
    p->a = {rng.Range(14, 36), rng.Range(12, 28)};
    p->b = {rng.Range(14, 36), rng.Range(12, 28)};
    if (p->a.x == p->b.x && p->a.y == p->b.y) p->b.x += 1;
    p->QuickMove(p->a.x, p->a.y);
    p->WalkTo(p->b.x, p->b.y, false);
    m->AddObject(p);
  }
  for (int i = 0; i < 5; ++i) m->Show(s.vm->GetRenderSurface());
  s.maps[n] = m;
  return m;
}

// ---------------------------------------------------------------- SDL2

SDL_Surface* Argb(DLESURFACE* s, PIXEL tint) {
  SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(0, s->GetWidth(), s->GetHeight(), 32,
                                                    SDL_PIXELFORMAT_ARGB8888);
  for (int y = 0; y < s->GetHeight(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<char*>(out->pixels) + y * out->pitch);
    for (int x = 0; x < s->GetWidth(); ++x) {
      const unsigned w = s->GetAlphaPixel(x, y);
      const uint16_t c = tint ? tint.GetColor() : s->GetPixel(x, y).GetColor();
      const uint32_t a = w == 0 ? 255 : (32 - w) << 3;
      row[x] = a << 24 | ((c >> 10) & 31u) << 19 | ((c >> 5) & 31u) << 11 | (c & 31u) << 3;
    }
  }
  SDL_SetSurfaceBlendMode(out, SDL_BLENDMODE_BLEND);
  return out;
}

// The SDL side's pictures: the same layer pictures, and each tint picture
// with its colour baked in (the SDL way to tint without a slow modulated
// blit), for the three colours in use.
struct SdlPictures {
  std::map<long, SDL_Surface*>
      pics;  // key: ((part * 2 + state) * 8 + d) * 4 + f, times 4, + colour slot
  SDL_Surface* Get(long part, long state, long d, long f, int slot) {
    const long key = ((((part * 2 + state) * 8 + d) * 4 + f) * 4) + slot;
    auto it = pics.find(key);
    if (it != pics.end()) return it->second;
    long frames = 0;
    SURFACE*** a = slot == 0 ? CEquipPool::GetSurfaceArray(0, state, 0, part, frames)
                             : CEquipPool::GetAlphaSurfaceArray(0, state, 0, part, frames);
    auto* dle = static_cast<DLESURFACE*>(a[d][f]);
    return pics[key] = Argb(dle, slot == 0 ? PIXEL(0) : kTints[slot - 1]);
  }
};

SdlPictures& Pictures() {
  static SdlPictures p;
  return p;
}

struct Blit {
  SDL_Surface* s;
  int x, y;
};

// The blits the map made in its last frame: background, then for each
// object in drawing order its layers in their order.
std::vector<Blit> SnapshotBlits(QMap* m) {
  std::vector<Blit> out;
  const long frame = tessera::SharedPlayerFrame();
  for (CMapObject* o : m->GetObjectList()) {
    auto* p = static_cast<CMapPlayer*>(o);
    const tagRECT r = p->GetRelativeArea();
    for (CPlayerEquip* e : p->GetEquipList().GetEquipList()) {
      const long part = e->GetPart(), state = p->GetPlayerState(), d = p->GetDirection();
      if (frame >= e->m_nFrameNum[state]) continue;
      out.push_back({Pictures().Get(part, state, d, frame, 0), r.left, r.top});
      if (e->GetCurColor() != 0) {
        int slot = 1;
        while (kTints[slot - 1] != e->GetCurColor()) ++slot;
        out.push_back({Pictures().Get(part, state, d, frame, slot), r.left, r.top});
      }
    }
  }
  return out;
}

struct SdlFrame {
  SDL_Surface* bg;
  SDL_Surface* frame;
  SDL_Rect view;
  std::vector<Blit> blits;
  void Draw() {
    SDL_Rect src = view;
    SDL_BlitSurface(bg, &src, frame, nullptr);
    for (const Blit& b : blits) {
      SDL_Rect at{b.x, b.y, 0, 0};
      SDL_BlitSurface(b.s, nullptr, frame, &at);
    }
  }
};

SdlFrame MakeSdlFrame(QMap* m) {
  Scene& s = World();
  SdlFrame f;
  f.bg = SDL_CreateRGBSurfaceWithFormatFrom(s.background.data(), 1600, 1200, 16, 3200,
                                            SDL_PIXELFORMAT_RGB555);
  SDL_SetSurfaceBlendMode(f.bg, SDL_BLENDMODE_NONE);
  f.frame = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB555);
  f.view = {m->GetNowLeft(), m->GetNowTop(), kW, kH};
  f.blits = SnapshotBlits(m);
  return f;
}

// Compares the engine's last frame with SDL's; false on a real mismatch.
// For every pixel it counts the translucent blits laid on it since the
// last opaque one: with none the two must be equal, otherwise each channel
// may differ by at most one step per such blit (the two blend formulas
// round differently, and overlapping layers add their rounding up).
bool SamePixels(const SdlFrame& sdl, SURFACE* ours, std::string& why) {
  std::vector<uint8_t> soft(static_cast<size_t>(kW) * kH, 0);
  for (const Blit& b : sdl.blits)
    for (int y = 0; y < b.s->h; ++y)
      for (int x = 0; x < b.s->w; ++x) {
        const int fx = b.x + x, fy = b.y + y;
        if (fx < 0 || fy < 0 || fx >= kW || fy >= kH) continue;
        const uint32_t a = reinterpret_cast<const uint32_t*>(static_cast<char*>(b.s->pixels) +
                                                             y * b.s->pitch)[x] >>
                           24;
        uint8_t& k = soft[static_cast<size_t>(fy) * kW + fx];
        if (a == 255)
          k = 0;
        else if (a > 0 && k < 255)
          ++k;
      }
  for (int y = 0; y < kH; ++y) {
    const auto* row = reinterpret_cast<const uint16_t*>(static_cast<char*>(sdl.frame->pixels) +
                                                        y * sdl.frame->pitch);
    for (int x = 0; x < kW; ++x) {
      const uint16_t p = row[x] & 0x7FFF, q = ours->GetPixel(x, y).GetColor() & 0x7FFF;
      const int allowed = soft[static_cast<size_t>(y) * kW + x];
      for (int shift : {0, 5, 10}) {
        const int d = static_cast<int>((p >> shift) & 31) - static_cast<int>((q >> shift) & 31);
        if (d > allowed || d < -allowed) {
          char buf[128];
          std::snprintf(buf, sizeof buf,
                        "pixel (%d, %d): sdl %04x, tessera %04x, %d translucent layers", x, y, p, q,
                        allowed);
          why = buf;
          return false;
        }
      }
    }
  }
  return true;
}

void Tessera(benchmark::State& state, int n) {
  QMap* m = SceneWith(n);
  SURFACE* frame = World().vm->GetRenderSurface();
  // Same pixels first: the engine's frame against SDL's blits of it.
  m->Show(frame);
  SdlFrame sdl = MakeSdlFrame(m);
  sdl.Draw();
  std::string why;
  if (!SamePixels(sdl, frame, why))
    state.SkipWithError(("pixels differ from SDL2: " + why).c_str());
  SDL_FreeSurface(sdl.frame);
  SDL_FreeSurface(sdl.bg);
  for (auto _ : state) {
    m->Show(frame);
    benchmark::ClobberMemory();
  }
  state.counters["blits"] = static_cast<double>(sdl.blits.size() + 1);
}

void Sdl(benchmark::State& state, int n) {
  QMap* m = SceneWith(n);
  m->Show(World().vm->GetRenderSurface());
  SdlFrame sdl = MakeSdlFrame(m);
  for (auto _ : state) {
    sdl.Draw();
    benchmark::ClobberMemory();
  }
  state.counters["blits"] = static_cast<double>(sdl.blits.size() + 1);
  SDL_FreeSurface(sdl.frame);
  SDL_FreeSurface(sdl.bg);
}

void Memcpy(benchmark::State& state) {
  std::vector<char> a(static_cast<size_t>(kW) * kH * 2), b(a.size(), 1);
  for (auto _ : state) {
    std::memcpy(a.data(), b.data(), a.size());
    benchmark::ClobberMemory();
  }
}

BENCHMARK_CAPTURE(Tessera, Walkers1_tessera, 1)->Name("Walkers1/tessera");
BENCHMARK_CAPTURE(Sdl, Walkers1_sdl2, 1)->Name("Walkers1/sdl2");
BENCHMARK(Memcpy)->Name("Walkers1/memcpy");
BENCHMARK_CAPTURE(Tessera, Walkers20_tessera, 20)->Name("Walkers20/tessera");
BENCHMARK_CAPTURE(Sdl, Walkers20_sdl2, 20)->Name("Walkers20/sdl2");
BENCHMARK(Memcpy)->Name("Walkers20/memcpy");
BENCHMARK_CAPTURE(Tessera, Walkers50_tessera, 50)->Name("Walkers50/tessera");
BENCHMARK_CAPTURE(Sdl, Walkers50_sdl2, 50)->Name("Walkers50/sdl2");
BENCHMARK(Memcpy)->Name("Walkers50/memcpy");
BENCHMARK_CAPTURE(Tessera, Walkers200_tessera, 200)->Name("Walkers200/tessera");
BENCHMARK_CAPTURE(Sdl, Walkers200_sdl2, 200)->Name("Walkers200/sdl2");
BENCHMARK(Memcpy)->Name("Walkers200/memcpy");

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // The scene's pack and the engine go while the database registry still
  // exists: static objects are destroyed in no order this program chooses.
  if (!g_world_made) return 0;
  Scene& s = World();
  for (auto& [n, m] : s.maps) delete m;  // its characters give their pictures back to the pool
  CEquipPool::ReleaseAll();
  for (auto& [key, picture] : Pictures().pics) SDL_FreeSurface(picture);
  s.res.reset();
  AfxFreeEngine();
  AfxReleaseDataBase(nullptr);
  std::filesystem::remove_all(s.top);
  return 0;
}
