// A map frame: the 800 x 600 view of a 3200 x 2400 background with 10, 100,
// 500 and 1,000 objects standing on it (and with none: the view copy alone,
// the floor under every size), drawn by QMap::Show (background
// copy, standing-point order, keyed sprite frames) beside the same frame
// drawn with SDL2 (SDL_BlitSurface of the background part and of each
// object's frame, colour key with RLE acceleration, sorted the same way
// with std::stable_sort).  And the standing-point sort alone beside the
// selection sort it replaces.  Both sides are checked to give the same
// pixels / the same order before they are timed.  The maps live in an
// engine as a game's do: a display manager over a resource pack that holds
// the chat box's pictures, so making a map reports nothing.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "database/schema.h"
#include "engine/dib_surface.h"
#include "engine/pixel_block.h"
#include "engine/view_manage.h"
#include "gui/map/map.h"
#include "gui/map/map_object.h"
#include "gui/map/map_sprite.h"
#include "pack/res.h"
#include "public/engine.h"
#include "support/test_support.h"

namespace {

constexpr int kW = 800, kH = 600, kMapW = 3200, kMapH = 2400, kUnit = 32;
constexpr int kFrameW = 48, kFrameH = 64, kFrames = 8;

class BenchMap : public QMap {
 public:
  using QMap::GetMinPoint;
  using QMap::SortObjectList;
};

uint16_t Opaque(tessera::test::TestRandom& rng) {
  uint16_t v = static_cast<uint16_t>(rng.Next() & 0x7FFF);
  return v == (COLOR_KEY & 0x7FFF) ? static_cast<uint16_t>(v - 1) : v;
}

// A figure: an opaque ellipse on a keyed field.
std::vector<uint16_t> Figure(uint64_t seed) {
  tessera::test::TestRandom rng(seed);
  std::vector<uint16_t> px(kFrameW * kFrameH);
  for (int y = 0; y < kFrameH; ++y)
    for (int x = 0; x < kFrameW; ++x) {
      const double dx = (x - kFrameW / 2.0) / (kFrameW / 2.0),
                   dy = (y - kFrameH / 2.0) / (kFrameH / 2.0);
      px[static_cast<size_t>(y) * kFrameW + x] = dx * dx + dy * dy > 1.0 ? COLOR_KEY : Opaque(rng);
    }
  return px;
}

DIBSURFACE* Dib(const std::vector<uint16_t>& px, int w, int h) {
  auto* s = new DIBSURFACE(w, h);
  s->Initialize();
  PIXEL** rows = tessera::BlockRows(s->GetBitmap());
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<void*>(rows[y]), &px[static_cast<size_t>(y) * w], w * 2);
  return s;
}

SDL_Surface* Sdl(const std::vector<uint16_t>& px, int w, int h, bool keyed) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB555);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint16_t v = px[static_cast<size_t>(y) * w + x];
      reinterpret_cast<uint16_t*>(static_cast<char*>(s->pixels) + y * s->pitch)[x] =
          keyed && v == COLOR_KEY ? COLOR_KEY & 0x7FFF : v;
    }
  if (keyed) {
    SDL_SetColorKey(s, SDL_TRUE, COLOR_KEY & 0x7FFF);
    SDL_SetSurfaceRLE(s, 1);
  }
  return s;
}

// The engine the maps are made in, set up once for the program: the
// game and pack databases in a temporary folder, one pack file holding
// every map's chat box pictures (its backing window and caret frames), and
// the display manager over it.
struct Engine {
  std::string top;
  std::unique_ptr<CRes> res;
};
Engine* g_engine = nullptr;

void StartEngine() {
  if (g_engine) return;
  g_engine = new Engine;
  g_engine->top = tessera::bench::MakeGameFolder("map", true);
  const std::string game = g_engine->top + "\\game\\game.mdb", root = g_engine->top + "\\";
  g_engine->res = std::make_unique<CRes>(game.c_str(), root.c_str());
  tessera::bench::AddChatBoxPictures(*g_engine->res);
  if (!AfxCreateViewManager(kW, kH, nullptr)) std::abort();
  AfxGetViewManager()->Initialize(g_engine->res.get());
}

struct Scene {
  // Objects showing the same picture share one surface, as frames loaded
  // through the surface cache do; the sprites let go of them before they
  // are deleted here.
  ~Scene() {
    if (map)
      for (CMapObject* o : map->GetObjectList()) {
        o->m_pSprite->m_FrameList.clear();
        o->m_pSprite->m_pCurSurface = nullptr;
      }
    map.reset();
    for (SURFACE* f : frames) delete f;
  }
  Scene() = default;
  Scene(Scene&&) = default;
  std::vector<SURFACE*> frames;
  std::unique_ptr<BenchMap> map;
  std::vector<uint16_t> background;
  std::vector<std::vector<uint16_t>> figures;
  // The SDL side: the same objects as (standing point, frame, place).
  struct Item {
    int y, x, frame, left, top;
  };
  std::vector<Item> items;
};

// `n` objects on cells around the view, many sharing a row or a cell.
Scene MakeScene(int n) {
  StartEngine();
  Scene s;
  tessera::test::TestRandom rng(7);
  s.background.resize(static_cast<size_t>(kMapW) * kMapH);
  for (auto& p : s.background) p = Opaque(rng);
  for (int f = 0; f < kFrames; ++f) {
    s.figures.push_back(Figure(100 + f));
    s.frames.push_back(Dib(s.figures.back(), kFrameW, kFrameH));
  }
  s.map = std::make_unique<BenchMap>();
  s.map->m_nMapWidth = kMapW;
  s.map->m_nMapHeight = kMapH;
  s.map->m_nUnitSize = kUnit;
  s.map->m_pBackGround = Dib(s.background, kMapW, kMapH);
  s.map->MoveScreen(1600, 1200);  // origin (1200, 900), auto-scroll off
  for (int i = 0; i < n; ++i) {
    CMapObject* o = new CMapObject;
    o->Init(i, "figure", s.map.get(), nullptr);
    o->m_rcArea = {0, 0, kFrameW, kFrameH};
    o->SetDrawPoint({o->GetNowPoint().x, o->GetNowPoint().y - 1});
    o->MoveTo(rng.Range(36, 63), rng.Range(27, 48));
    const int f = rng.Range(0, kFrames - 1);
    SURFACE* frame = s.frames[static_cast<size_t>(f)];
    o->m_pSprite = new CMapSprite;
    o->m_pSprite->InitSurface(&frame, 1);
    s.map->AddObject(o);
    const tagPOINT p = o->GetRelativeTruePoint();
    const tagRECT r = o->GetRelativeArea();
    s.items.push_back({p.y, p.x, f, r.left, r.top});
  }
  return s;
}

void SdlFrame(SDL_Surface* bg, const std::vector<SDL_Surface*>& frames,
              std::vector<Scene::Item>& items, SDL_Surface* target) {
  SDL_Rect from{1200, 900, kW, kH}, to{0, 0, 0, 0};
  SDL_BlitSurface(bg, &from, target, &to);
  std::stable_sort(items.begin(), items.end(), [](const Scene::Item& a, const Scene::Item& b) {
    return a.y != b.y ? a.y < b.y : a.x < b.x;
  });
  for (const Scene::Item& it : items) {
    SDL_Rect at{it.left, it.top, 0, 0};
    SDL_BlitSurface(frames[static_cast<size_t>(it.frame)], nullptr, target, &at);
  }
}

void MapFrame_tessera(benchmark::State& state) {
  Scene s = MakeScene(static_cast<int>(state.range(0)));
  auto target = std::make_unique<DIBSURFACE>(kW, kH);
  target->Initialize();
  // Check against SDL2 first.
  SDL_Surface* bg = Sdl(s.background, kMapW, kMapH, false);
  std::vector<SDL_Surface*> frames;
  for (auto& f : s.figures) frames.push_back(Sdl(f, kFrameW, kFrameH, true));
  SDL_Surface* sdlTarget = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB555);
  SdlFrame(bg, frames, s.items, sdlTarget);
  s.map->Show(target.get());
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (target->GetPixel(x, y).GetColor() !=
          reinterpret_cast<uint16_t*>(static_cast<char*>(sdlTarget->pixels) +
                                      y * sdlTarget->pitch)[x]) {
        state.SkipWithError("the map frame differs from SDL2's");
        return;
      }
  for (auto _ : state) {
    s.map->Show(target.get());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  SDL_FreeSurface(sdlTarget);
  for (SDL_Surface* f : frames) SDL_FreeSurface(f);
  SDL_FreeSurface(bg);
}

void MapFrame_sdl2(benchmark::State& state) {
  Scene s = MakeScene(static_cast<int>(state.range(0)));
  SDL_Surface* bg = Sdl(s.background, kMapW, kMapH, false);
  std::vector<SDL_Surface*> frames;
  for (auto& f : s.figures) frames.push_back(Sdl(f, kFrameW, kFrameH, true));
  SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB555);
  for (auto _ : state) {
    SdlFrame(bg, frames, s.items, target);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  SDL_FreeSurface(target);
  for (SDL_Surface* f : frames) SDL_FreeSurface(f);
  SDL_FreeSurface(bg);
}

// The order the map used to draw in: a selection sort by standing point.
void SelectionSort(BenchMap& map, std::vector<CMapObject*>& list) {
  std::vector<CMapObject*> out;
  out.reserve(list.size());
  while (!list.empty()) {
    tagPOINT min = {INT_MAX, INT_MAX};
    for (CMapObject* o : list) min = map.GetMinPoint(o->GetRelativeTruePoint(), min);
    for (size_t i = 0; i < list.size(); ++i) {
      const tagPOINT p = list[i]->GetRelativeTruePoint();
      if (p.x == min.x && p.y == min.y) {
        out.push_back(list[i]);
        list.erase(list.begin() + static_cast<long>(i));
        break;
      }
    }
  }
  list.swap(out);
}

void Sort(benchmark::State& state, bool quadratic) {
  Scene s = MakeScene(static_cast<int>(state.range(0)));
  const std::vector<CMapObject*> shuffled = s.map->GetObjectList();
  std::vector<CMapObject*> literal = shuffled;
  SelectionSort(*s.map, literal);
  s.map->SortObjectList();
  if (s.map->GetObjectList() != literal) {
    state.SkipWithError("the standing-point order differs from the selection sort's");
    return;
  }
  for (auto _ : state) {
    if (quadratic) {
      literal = shuffled;
      SelectionSort(*s.map, literal);
      benchmark::DoNotOptimize(literal.data());
    } else {
      s.map->GetObjectList() = shuffled;
      s.map->SortObjectList();
      benchmark::DoNotOptimize(s.map->GetObjectList().data());
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void Sort_tessera(benchmark::State& state) { Sort(state, false); }
void Sort_quadratic(benchmark::State& state) { Sort(state, true); }

#define MAP_SIZES(n)                                                                            \
  BENCHMARK(MapFrame_tessera)                                                                   \
      ->Name("MapFrame" #n "/tessera")                                                          \
      ->Arg(n)                                                                                  \
      ->Unit(benchmark::kMicrosecond);                                                          \
  BENCHMARK(MapFrame_sdl2)->Name("MapFrame" #n "/sdl2")->Arg(n)->Unit(benchmark::kMicrosecond); \
  BENCHMARK(Sort_tessera)->Name("Sort" #n "/tessera")->Arg(n)->Unit(benchmark::kMicrosecond);   \
  BENCHMARK(Sort_quadratic)->Name("Sort" #n "/quadratic")->Arg(n)->Unit(benchmark::kMicrosecond);
BENCHMARK(MapFrame_tessera)->Name("MapFrame0/tessera")->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(MapFrame_sdl2)->Name("MapFrame0/sdl2")->Arg(0)->Unit(benchmark::kMicrosecond);
MAP_SIZES(10)
MAP_SIZES(100)
MAP_SIZES(500)
MAP_SIZES(1000)

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_engine) {
    AfxFreeEngine();
    g_engine->res.reset();
    std::error_code ec;
    std::filesystem::remove_all(g_engine->top, ec);
    delete g_engine;
  }
  return 0;
}
