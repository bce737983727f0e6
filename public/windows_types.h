// Windows-style types that the engine's interfaces are written in.
//
// Games written for this engine pass rectangles, points and window handles
// in these shapes; they are plain C types here, with the 32-bit sizes the
// engine's file formats and arithmetic rely on.
#ifndef TESSERA_PUBLIC_WINDOWS_TYPES_H
#define TESSERA_PUBLIC_WINDOWS_TYPES_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// A rectangle.  Whether right and bottom are inclusive depends on the user:
// GUI areas treat them as inclusive, surface clip rectangles as exclusive.
struct tagRECT {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};
typedef tagRECT RECT;

struct tagPOINT {
  int32_t x;
  int32_t y;
};
typedef tagPOINT POINT;

// A window handle: an opaque pointer to the platform's window record
// (platform/window.h).  Null means "no window".
typedef struct HWND__* HWND;

#pragma GCC visibility pop
#endif
