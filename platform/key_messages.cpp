#include "platform/key_messages.h"

#include "platform/window_messages.h"

namespace tessera {

namespace {

constexpr uint32_t kKeyDownMessage = 256, kCharMessage = 258;
constexpr uint8_t kPasteKey = 214, kCtrlV = 22;

}  // namespace

bool KeyFromWindowMessage(UINT message, WPARAM wparam, QKey* key) {
  if (!key) return false;
  if (message == WM_CHAR) {
    const uint8_t b = static_cast<uint8_t>(wparam & 0xFF);
    if (b == kCtrlV) {
      *key = QKey();
      key->cVirtKey = kPasteKey;
      key->dwMessage = kKeyDownMessage;
      return true;
    }
    // Other control characters (Ctrl with a letter) carry no text.
    if (b < 32 && b != 8 && b != 9 && b != 13 && b != 27) return false;
    *key = QKey();
    key->cChar = b;
    key->dwMessage = kCharMessage;
    return true;
  }
  if (message == WM_KEYDOWN) {
    const WPARAM vk = wparam & 0xFF;
    const bool navigation = (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE;
    if (!navigation) return false;
    *key = QKey();
    key->cVirtKey = static_cast<uint8_t>(vk);
    key->dwMessage = kKeyDownMessage;
    return true;
  }
  return false;
}

}  // namespace tessera
