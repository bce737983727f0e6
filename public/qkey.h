// QKey: one keyboard event as the game hands it to the focused area.
#ifndef TESSERA_PUBLIC_QKEY_H
#define TESSERA_PUBLIC_QKEY_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

struct QKey {
  uint8_t cChar = 0;       // the byte typed (ASCII or one byte of a GBK character); 13 Enter, 8
                           // Backspace, 27 Escape, 9 Tab
  uint8_t cVirtKey = 0;    // virtual-key code: 35 End, 36 Home, 37-40 arrows, 46 Delete, 214 paste
  uint32_t dwMessage = 0;  // 256 key down, 258 character
  uint32_t dwData[3] = {0, 0, 0};  // the game's own; the library never reads them
};

#pragma GCC visibility pop
#endif
