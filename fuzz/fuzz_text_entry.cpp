// Text entry and dialog layout over arbitrary bytes: the input is laid out
// by a dialog (as text and as its format), pasted into an edit field, and
// replayed as a key sequence (characters, navigation keys, paste) into
// fields of every room, width and mode, drawn as the keys arrive.  No
// byte sequence may read or write outside the fixed buffers.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/view_manage.h"
#include "gui/dialog.h"
#include "gui/edit.h"
#include "gui/loop_led.h"
#include "platform/glyph_source.h"
#include "platform/input_services.h"
#include "platform/window.h"
#include "public/engine.h"
#include "testing/headless_controls.h"

namespace {

// Every character a small box, without a font file.
class BoxGlyphs : public tessera::GlyphSource {
 public:
  bool Render(std::string_view, int, int w, int h, std::vector<uint8_t>& ink) override {
    ink.assign(static_cast<size_t>(w) * h, 1);
    return true;
  }
};

CVIEWMANAGE* Engine() {
  static HWND window = nullptr;
  if (!window) {
    window = tessera::CreateWindowRecord(320, 240);
    AfxCreateViewManager(320, 240, window);
    tessera::SetGlyphSource(std::make_unique<BoxGlyphs>());
  }
  return AfxGetViewManager();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CVIEWMANAGE* vm = Engine();
  tessera::ReceivedMessages(vm->GetMainWnd()).clear();  // focus messages of the last run
  SURFACE* frame = vm->GetRenderSurface();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const uint8_t b0 = size > 0 ? data[0] : 0, b1 = size > 1 ? data[1] : 0;

  {
    QDialog d(5, 5, 5 + b0 % 200, 5 + b1 % 120, nullptr);
    d.m_bAutoSize = (b0 & 1) != 0;
    d.m_bCenter = (b1 & 1) != 0;
    d.SetFormat(static_cast<int8_t>(b0), static_cast<int8_t>(b1), 0xFFFFFF, 0);
    d.SetFontSize(b0 & 2 ? 16 : 12);
    d.SetContent(bytes.c_str(), nullptr);
    d.Show(frame);
    d.SetContent(bytes.c_str(), nullptr);
  }

  static_cast<tessera::HeadlessInputServices&>(tessera::GetInputServices()).SetClipboardText(bytes);
  QEdit e(2, 2, 2 + b1 % 160, 30, static_cast<int8_t>(b0), nullptr, nullptr);
  e.m_bSingleLine = (b1 & 2) == 0;
  e.m_bPassword = (b1 & 4) != 0;
  e.m_bFocus = true;
  static const uint8_t kVirt[] = {0, 35, 36, 37, 39, 46, 214, 0};
  // At most 200 keys: longer inputs still reach the buffers through the
  // text, the clipboard and the marquee.
  for (size_t i = 2; i + 1 < size && i < 402; i += 2) {
    QKey k;
    k.cChar = data[i];
    k.cVirtKey = kVirt[data[i + 1] % 8];
    k.dwMessage = data[i + 1] & 0x80 ? 256 : 258;
    if (k.cChar == 13) k.cChar = 14;  // Enter would only talk to the game
    e.InKey(&k);
    if ((i & 15) == 2) e.Show(frame);  // drawing is the slow part: now and then
  }
  e.SetText(const_cast<char*>(bytes.c_str()));
  e.Show(frame);

  QLoopLED led(&e);
  led.AddText(const_cast<char*>(bytes.c_str()), 1);
  led.AddText(const_cast<char*>(bytes.c_str()) + (size > 0 ? 1 : 0), 3);
  return 0;
}
