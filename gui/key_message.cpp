#include "gui/key_message.h"

namespace {
constexpr UINT kKeyDown = 0x0100, kChar = 0x0102;
constexpr WPARAM kCtrlV = 22;
constexpr uint8_t kPasteKey = 214;
}  // namespace

namespace tessera {

bool KeyFromMessage(UINT message, WPARAM wparam, QKey* key) {
  if (!key) return false;
  if (message == kChar) {
    if (wparam == kCtrlV) {
      key->cChar = 0;
      key->cVirtKey = kPasteKey;
      key->dwMessage = kKeyDown;
    } else {
      key->cChar = static_cast<uint8_t>(wparam);
      key->cVirtKey = 0;
      key->dwMessage = kChar;
    }
    return true;
  }
  if (message == kKeyDown && ((wparam >= 33 && wparam <= 40) || wparam == 45 || wparam == 46)) {
    key->cChar = 0;
    key->cVirtKey = static_cast<uint8_t>(wparam);
    key->dwMessage = kKeyDown;
    return true;
  }
  return false;
}

}  // namespace tessera
