#include "gui/button.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/font_state.h"
#include "engine/rle_surface.h"
#include "engine/surface_kinds.h"
#include "engine/view_manage.h"
#include "gui/window.h"
#include "platform/clock.h"
#include "platform/test_hooks.h"
#include "public/engine.h"

namespace {

// Shared by every flashing button: only one button is under the mouse at a
// time, so one timer is enough.
uint32_t g_flash_timer = 0;

// The images of the innermost LookImageScope, by identifier (null entries
// remember identifiers that did not load).
struct LookImages {
  std::map<std::string, SURFACE*> images;
  ~LookImages() {
    for (auto& [id, s] : images) tessera::ReleaseViewSurface(s);
  }
};
std::vector<std::unique_ptr<LookImages>> g_look_scopes;

constexpr int kGhostLevel = 21;
constexpr uint32_t kFlashMs = 200;
constexpr size_t kCaptionLimit = 105;  // a caption must be shorter
constexpr PIXEL kShadowColour = PIXEL(static_cast<unsigned short>(0x7FFF));
constexpr PIXEL kCaptionColour = PIXEL(static_cast<unsigned short>(0));

bool IsFontSize(int size) { return size == 12 || size == 16 || size == 24; }

// Selects a font size for the life of the object and puts the previous one
// back afterwards, as every caption drawing does.
class FontScope {
 public:
  explicit FontScope(int size) : previous_(tessera::CurrentFontSize()) {
    if (IsFontSize(size)) tessera::SetCurrentFontSize(size);
  }
  ~FontScope() {
    if (IsFontSize(previous_)) tessera::SetCurrentFontSize(previous_);
  }
  FontScope(const FontScope&) = delete;
  FontScope& operator=(const FontScope&) = delete;

 private:
  int previous_;
};

// A pack image as a layered image with opacity, else as a run-length image.
SURFACE* LoadPackLook(const char* id) {
  CVIEWMANAGE* vm = AfxGetViewManager();
  if (!vm) return nullptr;
  char name[16];
  snprintf(name, sizeof(name), "%s", id);
  SURFACE* s = vm->CreateSurface(name, SS_PSDALPHA, false, false);
  if (!s) s = vm->CreateSurface(name, SS_RLE, false, false);
  return s;
}

QButton* AsButton(void* p) { return static_cast<QButton*>(p); }

}  // namespace

namespace tessera {
LookImageScope::LookImageScope() { g_look_scopes.push_back(std::make_unique<LookImages>()); }
LookImageScope::~LookImageScope() { g_look_scopes.pop_back(); }

uint32_t ButtonFlashTimer() { return g_flash_timer; }
void ResetButtonTimersForTests() { g_flash_timer = 0; }
}  // namespace tessera

QButton::QButton()
    : m_bEnable(true),
      m_bFlash(false),
      m_bUnfold(false),
      m_bCenterCaption(true),
      m_bGhost(false),
      m_szCaption{},
      m_nImage(LOOK_NORMAL),
      m_pImage{},
      m_nFontSize(12),
      m_szImageBase{} {
  memcpy(m_szType, "Btn", 4);
}

QButton::QButton(tagRECT rect, const char* caption, const char* tip, const char* imageBase)
    : QButton() {
  Create(rect, caption, tip, imageBase, true);
}

QButton::~QButton() {
  SetState(QAREA_CLOSE, nullptr);
  FreeLooks();
}

void QButton::FreeLooks() {
  for (SURFACE*& s : m_pImage) {
    tessera::ReleaseViewSurface(s);
    s = nullptr;
  }
  m_pGhostCopy.reset();
  m_pGhostSource = nullptr;
}

void QButton::Create(tagRECT rect, const char* caption, const char* tip, const char* imageBase,
                     bool centerCaption) {
  Create(rect, caption, tip, imageBase, centerCaption, 12);
}

void QButton::Create(tagRECT rect, const char* caption, const char* tip, const char* imageBase,
                     bool centerCaption, int fontSize) {
  ACreate(rect.left, rect.top, rect.right, rect.bottom);
  m_bCenterCaption = centerCaption;
  m_nImage = LOOK_NORMAL;
  m_bUnfold = m_bGhost = m_bFlash = false;
  // Out of any chain it was in, and closed.
  SetState(QAREA_CLOSE, nullptr);
  m_dwState = QAREA_CLOSE;
  m_nFontSize = fontSize;
  ChangeImage(caption, tip, imageBase);
  m_pfnPress = OnPress;
  m_pfnClick = OnClick;
  m_pfnHover = OnHover;
  m_pfnMouseIn = OnMouseIn;
  m_pfnMouseOut = OnMouseOut;
}

void QButton::PrintCaption(SURFACE* target, int x0, int y0) {
  // Placement from the button's rectangle; the height is that of the font
  // in use, which is m_nFontSize when it is a font size.
  const int width = GetTextWidth(m_szCaption, m_nFontSize);
  const int x = m_bCenterCaption ? (m_rcArea.right - m_rcArea.left - width) / 2 : 5;
  const int y = (m_rcArea.bottom - m_rcArea.top - tessera::CurrentFontSize()) / 2;
  target->DrawTextA(x0 + x + 1, y0 + y + 1, kShadowColour, m_szCaption);
  target->DrawTextA(x0 + x, y0 + y, kCaptionColour, m_szCaption);
}

SURFACE* QButton::LoadLook(const char* base, int digit, bool withCaption) {
  char id[16];
  snprintf(id, sizeof(id), "%.9s%d", base, digit);
  const bool captioned = withCaption && GetTextWidth(m_szCaption, m_nFontSize) != 0;
  // A captioned look only reads its image, which a scope may then share.
  LookImages* shared = captioned && !g_look_scopes.empty() ? g_look_scopes.back().get() : nullptr;
  SURFACE* image = nullptr;
  if (shared) {
    auto found = shared->images.find(id);
    image = found != shared->images.end() ? found->second : (shared->images[id] = LoadPackLook(id));
  } else {
    image = LoadPackLook(id);
  }
  if (!image || !captioned) return image;
  CVIEWMANAGE* vm = AfxGetViewManager();
  const int w = image->GetWidth(), h = image->GetHeight();
  std::unique_ptr<SURFACE> plain(vm->CreateSurface(w, h, SS_DIB));
  SURFACE* rle = vm->CreateSurface(w, h, SS_RLE);
  if (!plain || !rle) {
    // No memory for the printed look: the image without caption, if it is
    // this button's own.
    delete rle;
    return shared ? nullptr : image;
  }
  tessera::FillKey(plain.get());
  image->Blit(plain.get(), 0, 0);
  PrintCaption(plain.get(), 0, 0);
  static_cast<RLESURFACE*>(rle)->Initialize(plain.get());
  if (!shared) tessera::ReleaseViewSurface(image);
  return rle;
}

void QButton::ChangeImage(const char* caption, const char* tip, const char* imageBase) {
  // Copies first: the arguments may be this button's own fields.
  if (caption && strlen(caption) < kCaptionLimit)
    memmove(m_szCaption, caption, strlen(caption) + 1);
  if (tip && strlen(tip) < sizeof(m_szTip)) memmove(m_szTip, tip, strlen(tip) + 1);
  if (!imageBase || strlen(imageBase) < 9) return;
  char base[10];
  memcpy(base, imageBase, 9);
  base[9] = 0;
  memcpy(m_szImageBase, base, sizeof(base));

  FontScope font(m_nFontSize);
  FreeLooks();
  for (int i = 0; i < 4; ++i) m_pImage[i] = LoadLook(base, i, true);
  if (!m_pImage[LOOK_DISABLED]) m_pImage[LOOK_DISABLED] = LoadLook(base, 0, false);
}

void QButton::SetFontSize(int size) {
  m_nFontSize = size;
  char caption[sizeof(m_szCaption)], tip[sizeof(m_szTip) + 1], base[sizeof(m_szImageBase)];
  memcpy(caption, m_szCaption, sizeof(caption));
  caption[sizeof(caption) - 1] = 0;
  // A game may fill the tip field to its last byte.
  memcpy(tip, m_szTip, sizeof(m_szTip));
  tip[sizeof(m_szTip)] = 0;
  memcpy(base, m_szImageBase, sizeof(base));
  base[sizeof(base) - 1] = 0;
  ChangeImage(caption, tip, base);
}

void QButton::Enable(bool on) {
  m_bEnable = on;
  m_nImage = on ? LOOK_NORMAL : LOOK_DISABLED;
}

void QButton::SetFlash(bool on) { m_bFlash = on; }

void QButton::Show(SURFACE* target) {
  SURFACE* look = CurrentLook();
  if (!look || !target) return;
  if (!m_bGhost) {
    look->Blit(target, m_rcArea.left, m_rcArea.top);
    return;
  }
  // The look on a key-filled plain surface, kept while the look stays.
  if (m_pGhostSource != look || !m_pGhostCopy) {
    m_pGhostCopy.reset();
    m_pGhostSource = nullptr;
    auto copy = std::make_unique<DIBSURFACE>(look->GetWidth(), look->GetHeight());
    copy->Initialize();
    tessera::FillKey(copy.get());
    look->Blit(copy.get(), 0, 0);
    m_pGhostCopy = std::move(copy);
    m_pGhostSource = look;
  }
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  fx.level = kGhostLevel;
  m_pGhostCopy->Blit(target, m_rcArea.left, m_rcArea.top, fx);
  if (m_szCaption[0]) {
    FontScope font(m_nFontSize);
    PrintCaption(target, m_rcArea.left, m_rcArea.top);
  }
}

void QButton::PrefetchShow(int step) {
  SURFACE* look = CurrentLook();
  if (!look) return;
  if (step == 1) {
    __builtin_prefetch(look);
    __builtin_prefetch(reinterpret_cast<const char*>(look) + 64);
  } else if (look->GetStyle() == SS_RLE) {
    static_cast<RLESURFACE*>(look)->Prefetch();
  }
}

bool QButton::IsPointed(int x, int y) {
  if (!m_bEnable || m_dwState != QAREA_SHOW || m_nImage == LOOK_HIDDEN) return false;
  if (x < m_rcArea.left || x > m_rcArea.right || y < m_rcArea.top || y > m_rcArea.bottom)
    return false;
  SURFACE* look = CurrentLook();
  if (!look) return true;
  // Kinds with an opacity or mask plane are hit in the whole rectangle.
  if (look->GetStyle() & (2 | 4)) return true;
  return look->GetPixel(x - m_rcArea.left, y - m_rcArea.top).GetColor() != COLOR_KEY;
}

void QButton::OnPress(void* p) {
  QButton* b = AsButton(p);
  if (!b->m_bEnable) return;
  if (b->m_pImage[LOOK_PRESSED]) b->m_nImage = LOOK_PRESSED;
  b->PlaySoundA(AfxGetSound(), AfxGetSoundBuffer());
}

void QButton::OnClick(void* p) {
  QButton* b = AsButton(p);
  if (!b->m_bEnable) return;
  if (b->m_pImage[LOOK_NORMAL]) b->m_nImage = LOOK_NORMAL;
}

void QButton::OnHover(void* p) {
  QButton* b = AsButton(p);
  if (!b->m_bEnable || b->m_nImage == LOOK_NORMAL || b->m_nImage == LOOK_PRESSED) return;
  if (!b->m_bFlash) {
    if (b->m_nImage != LOOK_HIDDEN && b->m_pImage[LOOK_HOVER]) b->m_nImage = LOOK_HOVER;
    return;
  }
  const uint32_t now = tessera::NowMs();
  if (g_flash_timer == 0) g_flash_timer = now;
  if (now - g_flash_timer > kFlashMs) {
    if (b->m_pImage[LOOK_NORMAL]) b->m_nImage = LOOK_NORMAL;
    g_flash_timer = 0;
  }
}

void QButton::OnMouseIn(void* p) {
  QButton* b = AsButton(p);
  if (!b->m_bEnable) return;
  if (b->m_nImage != LOOK_HIDDEN && b->m_pImage[LOOK_HOVER]) b->m_nImage = LOOK_HOVER;
  // The flash timer is shared: a button left before its 200 ms were up
  // must not cut the next button's hover short.
  g_flash_timer = 0;
  tessera::DefaultTipHandler(b);
}

void QButton::OnMouseOut(void* p) {
  QButton* b = AsButton(p);
  if (!b->m_bEnable) return;
  if (b->m_pImage[LOOK_NORMAL]) b->m_nImage = LOOK_NORMAL;
  g_szTipText[0] = 0;
}
