// CVIEWMANAGE: the frame, its presentation and the display modes.
#include "engine/view_manage.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "engine/cpu_features.h"
#include "engine/font_state.h"
#include "engine/pixel_block.h"
#include "engine/pixel_convert.h"
#include "platform/presenter.h"
#include "public/error_report.h"

using tessera::DisplayStep;
using tessera::GetPresenter;

namespace {
constexpr int kScreenW = 800, kScreenH = 600;
}

CVIEWMANAGE::CVIEWMANAGE(int width, int height, HWND window)
    : m_nWidth(width), m_nHeight(height), m_hWnd(window) {
  if (!tessera::ProcessorHasMmx())
    DebugOut("Sorry.Your CPU doesn't support MMX.\nThe program can't run properly!", __FILE__,
             __LINE__);
}

CVIEWMANAGE::~CVIEWMANAGE() {
  ReleaseViewManage();
  FreeFont(FONT_12);
  FreeFont(FONT_16);
  FreeFont(FONT_24);
}

int CVIEWMANAGE::Initialize(CRes* res) {
  m_pRes = res;
  // A second call replaces the frame instead of leaking it.
  delete m_pRenderSurface;
  m_pRenderSurface = nullptr;
  std::free(m_pSection);
  m_pSection = nullptr;
  const int w = std::max(m_nWidth, 0), h = std::max(m_nHeight, 0);
  // The section: height + 1 rows of width pixels, so that four-pixel groups
  // reading past the last pixel stay inside it.
  const size_t section_bytes = tessera::AlignUp(size_t{2} * w * (h + 1) + 16, 16);
  m_pSection = static_cast<uint16_t*>(std::aligned_alloc(16, section_bytes));
  if (!m_pSection) return 0;
  std::memset(m_pSection, 0, section_bytes);
  // The render surface's block holds only the header and the row table; its
  // rows are the section's.
  void* block = std::malloc(tessera::RowsOffset(h));
  if (!block) {
    std::free(m_pSection);
    m_pSection = nullptr;
    return 0;
  }
  PixelBlockHeader* hd = tessera::BlockHeader(block);
  *hd = PixelBlockHeader{w, h, 2 * w, 0, 0, w, h};
  PIXEL** rows = tessera::BlockRows(block);
  for (int y = 0; y < h; ++y)
    rows[y] = reinterpret_cast<PIXEL*>(m_pSection + static_cast<size_t>(y) * w);
  m_pRenderSurface = new DIBSURFACE(w, h);
  m_pRenderSurface->SetData(block);
  if (m_hWnd) {
    GetPresenter().AttachWindow(m_hWnd, w, h);
    m_bWindowAttached = true;
  }
  return 1;
}

void CVIEWMANAGE::ReleaseViewManage() {
  delete m_pRenderSurface;  // frees the header block, not the section
  m_pRenderSurface = nullptr;
  std::free(m_pSection);
  m_pSection = nullptr;
  if (m_bDisplay || m_bPrimary || m_bBack) GetPresenter().ReleaseDisplay();
  m_bDisplay = m_bPrimary = m_bBack = false;
  if (m_bWindowAttached) GetPresenter().DetachWindow(m_hWnd);
  m_bWindowAttached = false;
  m_bIs555 = 0;
}

void CVIEWMANAGE::ResetViewManage(int width, int height, HWND window) {
  ReleaseViewManage();
  m_nWidth = width;
  m_nHeight = height;
  m_hWnd = window;
  m_bFullScreen = 0;
  Initialize(m_pRes);
  if (m_pRenderSurface) {
    tagRECT whole{0, 0, m_pRenderSurface->GetWidth(), m_pRenderSurface->GetHeight()};
    m_pRenderSurface->SetClipper(whole);
  }
}

int CVIEWMANAGE::UpdateScreen() {
  if (m_bFullScreen) return UpdateScreenDD();
  if (!m_pSection) return 0;
  return GetPresenter().CopyToWindow(m_hWnd, m_pSection, 2 * m_nWidth, m_nWidth, m_nHeight, 0, 0,
                                     m_nWidth, m_nHeight)
             ? 1
             : 0;
}

int CVIEWMANAGE::UpdateScreen(const CRect& r) {
  if (m_bFullScreen) return UpdateScreenDD();
  if (!m_pSection) return 0;
  // Right and bottom are inclusive.  A left or top edge before the frame
  // starts at the frame's edge instead (the part before it shows nothing):
  // a rectangle from INT_MIN to INT_MAX is the whole frame, where a copy
  // starting at INT_MIN would have a capped width that never reached it.
  // 64-bit, then clamped: extreme edges must not overflow.
  const auto start = [](int32_t from) { return std::max(from, 0); };
  const auto extent = [](int32_t from, int32_t to) {
    return static_cast<int>(
        std::clamp<long long>(static_cast<long long>(to) - from + 1, 0, INT_MAX));
  };
  const int left = start(r.left), top = start(r.top);
  return GetPresenter().CopyToWindow(m_hWnd, m_pSection, 2 * m_nWidth, m_nWidth, m_nHeight, left,
                                     top, extent(left, r.right), extent(top, r.bottom))
             ? 1
             : 0;
}

int CVIEWMANAGE::UpdateScreenDD() {
  tessera::Presenter& p = GetPresenter();
  void* bits = nullptr;
  int pitch = 0;
  if (!m_pSection || !p.LockBack(&bits, &pitch)) return 0;
  uint8_t* back = static_cast<uint8_t*>(bits);
  if (m_nWidth == kScreenW && m_nHeight >= kScreenH && pitch == 2 * kScreenW) {
    // One block: the frame's first 800 x 600 pixels are contiguous.
    const size_t n = size_t{kScreenW} * kScreenH;
    if (m_bIs555)
      std::memcpy(back, m_pSection, 2 * n);
    else
      tessera::ConvertRow555To565(reinterpret_cast<uint16_t*>(back), m_pSection, n);
  } else {
    // Row by row; a frame of another size shows its top-left part, the rest
    // of the screen stays black.
    const int w = std::min(std::max(m_nWidth, 0), kScreenW);
    const int h = std::min(std::max(m_nHeight, 0), kScreenH);
    for (int y = 0; y < kScreenH; ++y) {
      uint16_t* dst = reinterpret_cast<uint16_t*>(back + static_cast<size_t>(y) * pitch);
      if (y >= h) {
        std::memset(dst, 0, 2 * kScreenW);
        continue;
      }
      const uint16_t* src = m_pSection + static_cast<size_t>(y) * m_nWidth;
      if (m_bIs555)
        std::memcpy(dst, src, 2 * static_cast<size_t>(w));
      else
        tessera::ConvertRow555To565(dst, src, static_cast<size_t>(w));
      std::memset(dst + w, 0, 2 * static_cast<size_t>(kScreenW - w));
    }
  }
  p.UnlockBack();
  return p.BlitBackToPrimary() ? 1 : 0;
}

int CVIEWMANAGE::SetFullScreenMode() {
  tessera::Presenter& p = GetPresenter();
  struct Step {
    DisplayStep step;
    const char* failure;  // null: the step's failure is not reported
  };
  // The set-up steps in order, each with the message of its failure.
  static const Step kSteps[] = {
      {DisplayStep::kCreateDisplay, "Fail to initialize Direct Draw!!!"},
      {DisplayStep::kExclusiveLevel, "Fail to Set Cooperative Level!!!"},
      {DisplayStep::kDisplayMode, "Fail to Set Display Mode!!!"},
      {DisplayStep::kWindowTopmost, nullptr},
      {DisplayStep::kPrimarySurface, "Fail to create primary surface"},
      {DisplayStep::kCreateClipper, "Create Clipper FAILED"},
      {DisplayStep::kClipperWindow, "Set HWnd FAILED"},
      {DisplayStep::kAttachClipper,
       "Set Clipper FAILED!!!!\nYour Video Card doesn't support clipper so you can't run the "
       "game in full screen!"},
      {DisplayStep::kPixelFormat, "Fail to get the pixel format!!!"},
      {DisplayStep::kBackSurface, "Fail to Create Back surface!!!This program need 2M Video Ram"},
      {DisplayStep::kInputMethod, nullptr},
  };
  for (const Step& s : kSteps) {
    if (!p.RunStep(s.step, m_hWnd)) {
      if (s.failure) {
        DebugOut(s.failure, __FILE__, __LINE__);
      }
      continue;  // the window placement and the input method may fail quietly
    }
    switch (s.step) {
      case DisplayStep::kCreateDisplay:
        m_bDisplay = true;
        break;
      case DisplayStep::kPrimarySurface:
        m_bPrimary = true;
        break;
      case DisplayStep::kPixelFormat:
        m_bIs555 = p.GreenMask() == 0x03E0 ? 1 : 0;
        break;
      case DisplayStep::kBackSurface:
        m_bBack = true;
        break;
      default:
        break;
    }
  }
  return 1;
}

int CVIEWMANAGE::RestoreDisplayMode() {
  tessera::Presenter& p = GetPresenter();
  p.RestoreWindow(m_hWnd, m_nWidth, m_nHeight);
  if (m_bDisplay && !p.RunStep(DisplayStep::kNormalLevel, m_hWnd))
    DebugOut("Fail to Set Cooperative Level", __FILE__, __LINE__);
  if (m_bDisplay || m_bPrimary || m_bBack) p.ReleaseDisplay();
  m_bDisplay = m_bPrimary = m_bBack = false;
  return 1;
}

int CVIEWMANAGE::SwitchDisplayMode(DISPLAY_MODE mode) {
  switch (mode) {
    case DM_FULLSCREEN:
      m_bFullScreen = 1;
      return SetFullScreenMode();
    case DM_WINDOW:
      m_bFullScreen = 0;
      return RestoreDisplayMode();
    default:
      return 0;
  }
}

int CVIEWMANAGE::SwitchDisplayMode() {
  return SwitchDisplayMode(m_bFullScreen ? DM_WINDOW : DM_FULLSCREEN);
}

void CVIEWMANAGE::RestoreDDraw() {
  if (!m_bFullScreen) return;
  tessera::Presenter& p = GetPresenter();
  if ((p.IsBackLost() && !p.RestoreBack()) || (p.IsPrimaryLost() && !p.RestorePrimary())) {
    SwitchDisplayMode(DM_WINDOW);
    SwitchDisplayMode(DM_FULLSCREEN);
  }
}

void CVIEWMANAGE::SetFontSize(FONTSIZE size) { tessera::SetCurrentFontSize(size); }

int CVIEWMANAGE::GetFontSize() {
  const int size = tessera::CurrentFontSize();
  return size == 12 || size == 16 || size == 24 ? size : 0;
}

int CVIEWMANAGE::LoadFont(FONTSIZE size, const char* folder) {
  return tessera::LoadFontFile(size, folder);
}

void CVIEWMANAGE::FreeFont(FONTSIZE size) { tessera::FreeFontFile(size); }
