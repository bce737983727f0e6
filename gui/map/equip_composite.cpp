#include "gui/map/equip_composite.h"

#include <algorithm>
#include <memory>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "engine/alpha_rows.h"
#include "engine/blit_clip.h"
#include "engine/dle_surface.h"
#include "engine/packed_stream.h"
#include "engine/pixel_block.h"
#include "engine/run_rows.h"
#include "gui/map/player_equip.h"

namespace tessera {

namespace {

constexpr uint16_t kRowEnd = 0xFEFE;
// More entries than this and the cache starts again: a scene's characters
// need a few hundred (looks x directions x frames x states).
constexpr size_t kCacheLimit = 1024;

// One blit of the sequence: a packed alpha picture with its own colours or
// with one colour (a filled tint picture).
struct Op {
  DLESURFACE* picture;
  bool solid;
  uint16_t colour;
};

// A stretch of one row of the composed picture.  With no stages, n
// constant colours to copy; otherwise a rim stretch: `stages` layers, each
// n colours and n weights (32 where the layer leaves the pixel alone), to
// blend one after another.
struct Run {
  int32_t x, n;
  int32_t offset;  // into colours / weights
  int32_t stages;
};

// A row's rim pixels gathered: `count` pixels (its rim runs in order),
// padded to whole steps of sixteen, and for each of `stages` layers that
// blend any of them `padded` colours and weights (weight 32 in the padding
// and where the layer leaves a pixel alone).
struct RimRow {
  int32_t count = 0, padded = 0, stages = 0;
  int32_t offset = 0;  // into rim_colours / rim_weights
};

// The rim pixels of the whole picture side by side (row by row, each row's
// rim runs in order), cut into groups of kGroup pixels, each group with the
// layers that blend any of its pixels, laid out as RimRow's.
constexpr int kGroup = 64;
struct RimGroup {
  int32_t stages = 0;
  int32_t offset = 0;  // into group_colours / group_weights
};

struct Composed {
  int w = 0, h = 0;
  int32_t rim_total = 0;
  std::vector<RimGroup> groups;
  std::vector<uint16_t> group_colours;
  std::vector<uint8_t> group_weights;
  std::vector<int32_t> row_begin;  // h + 1 indices into runs
  std::vector<Run> runs;
  std::vector<uint16_t> colours;
  std::vector<uint8_t> weights;
  std::vector<RimRow> rims;  // one per row
  std::vector<uint16_t> rim_colours;
  std::vector<uint8_t> rim_weights;
};

struct KeyHash {
  size_t operator()(const std::vector<uint64_t>& key) const {
    uint64_t h = 1469598103934665603ull;
    for (uint64_t v : key) h = (h ^ v) * 1099511628211ull;
    return static_cast<size_t>(h ^ (h >> 32));
  }
};

// A null entry marks a sequence that cannot be composed (segments out of
// order), so that it is not examined again every frame.
std::unordered_map<std::vector<uint64_t>, std::unique_ptr<Composed>, KeyHash>& Cache() {
  static std::unordered_map<std::vector<uint64_t>, std::unique_ptr<Composed>, KeyHash> cache;
  return cache;
}

bool IsPackedAlpha(SURFACE* s) {
  return s && typeid(*s) == typeid(DLESURFACE) && s->GetStyle() == SS_DLE;
}

// Spreads one picture over the composed box: colours and weights per pixel
// (weight 32 where it draws nothing), as its blit would take them.  False
// when a row's segments overlap or are out of order: the blit would then
// draw a pixel twice, which one weight per pixel cannot say.
bool Spread(const Op& op, int w, std::vector<uint16_t>& colours, std::vector<uint8_t>& weights) {
  DLESURFACE* pic = op.picture;
  const int pw = std::min(pic->GetWidth(), w), ph = pic->GetHeight();
  for (int y = 0; y < ph; ++y) {
    const uint8_t* p = pic->GetRowData(y);
    if (!p) continue;
    int end = 0;
    for (int start; (start = LoadLittle16(p)) != kRowEnd;) {
      const int n = LoadLittle16(p + 2);
      if (start < end) return false;
      end = start + n;
      for (int x = start; x < std::min(end, pw); ++x) {
        const size_t at = static_cast<size_t>(y) * w + x;
        colours[at] = op.solid ? op.colour : LoadLittle16(p + 4 + 2 * (x - start));
        weights[at] = p[4 + 2 * n + (x - start)];
      }
      p += 4 + 3 * static_cast<size_t>(n);
    }
  }
  return true;
}

std::unique_ptr<Composed> Compose(const std::vector<Op>& ops) {
  auto c = std::make_unique<Composed>();
  for (const Op& op : ops) {
    c->w = std::max(c->w, op.picture->GetWidth());
    c->h = std::max(c->h, op.picture->GetHeight());
  }
  c->w = std::max(c->w, 0);
  c->h = std::max(c->h, 0);
  const size_t box = static_cast<size_t>(c->w) * c->h, k = ops.size();
  std::vector<uint16_t> col(box * k, 0);
  std::vector<uint8_t> wt(box * k, 32);
  for (size_t i = 0; i < k; ++i) {
    std::vector<uint16_t> layer_col(box, 0);
    std::vector<uint8_t> layer_wt(box, 32);
    if (!Spread(ops[i], c->w, layer_col, layer_wt)) return nullptr;
    for (size_t p = 0; p < box; ++p) {
      col[p * k + i] = layer_col[p];
      wt[p * k + i] = layer_wt[p];
    }
  }
  // Each pixel: constant (some layer opaque: fold the layers from the last
  // opaque one on), rim (blended by some layer, opaque in none) or
  // untouched.
  enum Kind : uint8_t { kUntouched, kConstant, kRim };
  std::vector<uint8_t> kind(box, kUntouched);
  std::vector<uint16_t> value(box, 0);
  for (size_t p = 0; p < box; ++p) {
    const uint16_t* pc = &col[p * k];
    const uint8_t* pw = &wt[p * k];
    int last_opaque = -1;
    bool touched = false;
    for (size_t i = 0; i < k; ++i) {
      if (pw[i] == 0) last_opaque = static_cast<int>(i);
      if (pw[i] < 32) touched = true;
    }
    if (last_opaque >= 0) {
      uint16_t v = pc[last_opaque] & 0x7FFF;
      for (size_t i = static_cast<size_t>(last_opaque) + 1; i < k; ++i)
        v = AlphaBlendPixel(pc[i], v, pw[i]);
      kind[p] = kConstant;
      value[p] = v;
    } else if (touched) {
      kind[p] = kRim;
    }
  }
  c->row_begin.push_back(0);
  for (int y = 0; y < c->h; ++y) {
    const size_t row = static_cast<size_t>(y) * c->w;
    for (int x = 0; x < c->w;) {
      const uint8_t kd = kind[row + x];
      if (kd == kUntouched) {
        ++x;
        continue;
      }
      int end = x;
      while (end < c->w && kind[row + end] == kd) ++end;
      Run run{x, end - x, static_cast<int32_t>(c->colours.size()), 0};
      if (kd == kConstant) {
        for (int i = x; i < end; ++i) c->colours.push_back(value[row + i]);
        c->weights.resize(c->colours.size(), 0);
      } else {
        for (size_t i = 0; i < k; ++i) {
          bool used = false;
          for (int j = x; j < end && !used; ++j) used = wt[(row + j) * k + i] < 32;
          if (!used) continue;
          ++run.stages;
          for (int j = x; j < end; ++j) {
            c->colours.push_back(col[(row + j) * k + i]);
            c->weights.push_back(wt[(row + j) * k + i]);
          }
        }
      }
      c->runs.push_back(run);
      x = end;
    }
    c->row_begin.push_back(static_cast<int32_t>(c->runs.size()));
    // The row's rim pixels side by side, for blending them all at once.
    RimRow rim;
    rim.offset = static_cast<int32_t>(c->rim_colours.size());
    std::vector<int> xs;
    for (int x = 0; x < c->w; ++x)
      if (kind[row + x] == kRim) xs.push_back(x);
    rim.count = static_cast<int32_t>(xs.size());
    rim.padded = (rim.count + 15) / 16 * 16;
    for (size_t i = 0; i < k && rim.count > 0; ++i) {
      bool used = false;
      for (int x : xs) used = used || wt[(row + x) * k + i] < 32;
      if (!used) continue;
      ++rim.stages;
      for (int j = 0; j < rim.padded; ++j) {
        const bool real = j < rim.count;
        c->rim_colours.push_back(real ? col[(row + xs[j]) * k + i] : 0);
        c->rim_weights.push_back(real ? wt[(row + xs[j]) * k + i] : 32);
      }
    }
    c->rims.push_back(rim);
  }
  // The whole picture's rims, for drawing it unclipped.
  std::vector<size_t> rim_pixels;
  for (const Run& run : c->runs)
    if (run.stages > 0) {
      // The run's row: runs are stored row by row.
      const size_t y =
          static_cast<size_t>(std::upper_bound(c->row_begin.begin(), c->row_begin.end(),
                                               static_cast<int32_t>(&run - c->runs.data())) -
                              c->row_begin.begin() - 1);
      for (int x = run.x; x < run.x + run.n; ++x) rim_pixels.push_back(y * c->w + x);
    }
  c->rim_total = static_cast<int32_t>(rim_pixels.size());
  for (size_t g = 0; g < rim_pixels.size(); g += kGroup) {
    RimGroup group;
    group.offset = static_cast<int32_t>(c->group_colours.size());
    const size_t count = std::min<size_t>(kGroup, rim_pixels.size() - g);
    for (size_t i = 0; i < k; ++i) {
      bool used = false;
      for (size_t j = 0; j < count && !used; ++j) used = wt[rim_pixels[g + j] * k + i] < 32;
      if (!used) continue;
      ++group.stages;
      for (size_t j = 0; j < kGroup; ++j) {
        const bool real = j < count;
        c->group_colours.push_back(real ? col[rim_pixels[g + j] * k + i] : 0);
        c->group_weights.push_back(real ? wt[rim_pixels[g + j] * k + i] : 32);
      }
    }
    c->groups.push_back(group);
  }
  return c;
}

void Draw(const Composed& c, void* dblock, int x, int y) {
  BlitRect r;
  if (!ClipWholeBlit(*BlockHeader(dblock), c.w, c.h, x, y, &r)) return;
  PIXEL** rows = BlockRows(dblock);
  const AlphaRowKernels kernels = PickAlphaRowKernels();
  const int lo = r.skip_x, hi = r.skip_x + r.w;
  // The whole picture visible: every rim pixel is gathered, the groups are
  // blended layer by layer, and the pixels put back; the constant runs
  // are copied.
  if (r.w == c.w && r.h == c.h) {
    static std::vector<uint16_t> all;
    all.resize(static_cast<size_t>(c.groups.size()) * kGroup);
    size_t m = 0;
    for (int sy = 0; sy < c.h; ++sy) {
      uint16_t* d = reinterpret_cast<uint16_t*>(rows[r.y + sy] + r.x);
      for (int32_t i = c.row_begin[sy]; i < c.row_begin[sy + 1]; ++i) {
        const Run& run = c.runs[i];
        if (run.stages == 0) {
          CopyRun(d + run.x, &c.colours[run.offset], run.n);
        } else {
          CopyRun(&all[m], d + run.x, run.n);
          m += run.n;
        }
      }
    }
    for (size_t g = 0; g < c.groups.size(); ++g)
      kernels.layers(&all[g * kGroup], &c.group_colours[c.groups[g].offset],
                     &c.group_weights[c.groups[g].offset], c.groups[g].stages, kGroup);
    m = 0;
    for (int sy = 0; sy < c.h; ++sy) {
      uint16_t* d = reinterpret_cast<uint16_t*>(rows[r.y + sy] + r.x);
      for (int32_t i = c.row_begin[sy]; i < c.row_begin[sy + 1]; ++i) {
        const Run& run = c.runs[i];
        if (run.stages == 0) continue;
        CopyRun(d + run.x, &all[m], run.n);
        m += run.n;
      }
    }
    return;
  }
  // Whole rows: the rim pixels are gathered, blended layer by layer in
  // steps of sixteen, and put back.
  const bool whole_rows = lo == 0 && hi == c.w;
  uint16_t gathered[256];
  for (int j = 0; j < r.h; ++j) {
    const int sy = r.skip_y + j;
    uint16_t* d = reinterpret_cast<uint16_t*>(rows[r.y + j] + r.x);
    const RimRow& rim = c.rims[sy];
    const bool gather = whole_rows && rim.count > 0 && rim.padded <= 256;
    if (gather) {
      int m = 0;
      for (int32_t i = c.row_begin[sy]; i < c.row_begin[sy + 1]; ++i)
        if (c.runs[i].stages > 0) {
          CopyRun(gathered + m, d + c.runs[i].x, c.runs[i].n);
          m += c.runs[i].n;
        }
      kernels.layers(gathered, &c.rim_colours[rim.offset], &c.rim_weights[rim.offset], rim.stages,
                     rim.padded);
      m = 0;
      for (int32_t i = c.row_begin[sy]; i < c.row_begin[sy + 1]; ++i)
        if (c.runs[i].stages > 0) {
          CopyRun(d + c.runs[i].x, gathered + m, c.runs[i].n);
          m += c.runs[i].n;
        }
    }
    for (int32_t i = c.row_begin[sy]; i < c.row_begin[sy + 1]; ++i) {
      const Run& run = c.runs[i];
      if (gather && run.stages > 0) continue;
      const int a = std::max(run.x, lo), b = std::min(run.x + run.n, hi);
      if (a >= b) continue;
      uint16_t* out = d + (a - lo);
      const size_t first = static_cast<size_t>(run.offset) + (a - run.x);
      if (run.stages == 0) {
        CopyRun(out, &c.colours[first], b - a);
      } else if (b - a >= 16) {
        for (int s = 0; s < run.stages; ++s) {
          const size_t at = first + static_cast<size_t>(s) * run.n;
          kernels.blend(out, reinterpret_cast<const uint8_t*>(&c.colours[at]), &c.weights[at],
                        b - a);
        }
      } else {
        // Rims are a few pixels wide: the per-pixel rule, layer by layer.
        for (int p = 0; p < b - a; ++p) {
          uint16_t v = out[p];
          for (int s = 0; s < run.stages; ++s) {
            const size_t at = first + static_cast<size_t>(s) * run.n + p;
            v = AlphaBlendPixel(c.colours[at], v, c.weights[at]);
          }
          out[p] = v;
        }
      }
    }
  }
}

}  // namespace

bool ShowComposedEquip(const std::list<CPlayerEquip*>& layers, SURFACE* target, long x, long y,
                       long state, long direction, long frame, bool bright) {
  // Nothing is drawn nor filled without a target (CPlayerEquip::Show).
  if (!target) return true;
  void* dblock = PlainBlock(target);
  if (!dblock) return false;
  // The blits CPlayerEquip::Show would make, and the tint fills before
  // them; a picture drawn after a fill of it in this sequence draws the
  // fill's colour.
  static std::vector<Op> ops;
  static std::vector<std::pair<DLESURFACE*, uint16_t>> fills;
  ops.clear();
  fills.clear();
  auto add = [](DLESURFACE* pic, bool tint, uint16_t colour) {
    if (!tint) {
      uint16_t pending = 0;
      const bool solid = pic->GetPendingFill(&pending);
      tint = solid;
      colour = pending;
      for (const auto& f : fills)
        if (f.first == pic) tint = true, colour = f.second;
    }
    ops.push_back({pic, tint, colour});
  };
  for (CPlayerEquip* layer : layers) {
    if (!layer || typeid(*layer) != typeid(CPlayerEquip)) return false;
    if (state < 0 || state > 3 || !layer->m_pSurface[state]) continue;
    if (direction < 0 || direction > 7 || frame < 0 || frame >= layer->m_nFrameNum[state]) continue;
    SURFACE* picture = layer->m_pSurface[state][direction][frame];
    if (layer->m_Color == 0) {
      if (!picture) continue;
      if (!IsPackedAlpha(picture)) return false;
      add(static_cast<DLESURFACE*>(picture), false, 0);
      continue;
    }
    SURFACE* tint =
        layer->m_pAlphaSurface[state] ? layer->m_pAlphaSurface[state][direction][frame] : nullptr;
    if (!tint || !picture) continue;
    if (!IsPackedAlpha(picture) || !IsPackedAlpha(tint)) return false;
    const uint16_t colour = (bright ? BrightTint(layer->m_Color) : layer->m_Color).GetColor();
    fills.emplace_back(static_cast<DLESURFACE*>(tint), colour);
    add(static_cast<DLESURFACE*>(picture), false, 0);
    add(static_cast<DLESURFACE*>(tint), true, colour);
  }
  static std::vector<uint64_t> key;
  key.clear();
  for (const Op& op : ops) {
    key.push_back(op.picture->GetVersion());
    key.push_back(uint64_t{op.solid} << 16 | op.colour);
  }
  auto& cache = Cache();
  auto it = cache.find(key);
  if (it == cache.end()) {
    if (cache.size() >= kCacheLimit) cache.clear();
    it = cache.emplace(key, Compose(ops)).first;
  }
  if (!it->second) return false;
  for (const auto& f : fills) f.first->FillRect(PIXEL(f.second));
  Draw(*it->second, dblock, static_cast<int>(x), static_cast<int>(y));
  return true;
}

void ClearComposedEquipCache() { Cache().clear(); }

size_t ComposedEquipCacheSize() { return Cache().size(); }

}  // namespace tessera
