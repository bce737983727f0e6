// Texts of the display and sound interfaces' result codes.
//
// DDError shows a display-interface (DirectDraw) error in a message box,
// DSError works out a sound-interface (DirectSound) error's name and drops
// it, DXErrorToString describes a display-interface error in one sentence.
// DSErrorName gives the name DSError builds, for callers that want it.
#ifndef TESSERA_SOUND_DX_ERROR_H
#define TESSERA_SOUND_DX_ERROR_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "platform/dsound_types.h"
#include "public/export.h"

// Shows "DirectDraw Error <name>\nFILE: <file>\nLINE: <line>" (caption
// "Error", no icon) and returns the box's result (1, its OK button).  The
// name is the code's symbolic name, or "Unknown Error".
TESSERA_API int DDError(HRESULT code, HWND window, const char* file, int line);
// Builds the sound error's name and discards it; shows nothing.
TESSERA_API void DSError(HRESULT code, HWND window);
// One English sentence for a display error; "Unrecognized error value." for
// a code it does not know, "No error." for 0.
TESSERA_API const char* DXErrorToString(HRESULT code);

namespace tessera {
// The name DSError builds: "DSERR_..." (GBK "无法使用声卡" for the
// no-driver code), "Unknown Error" for other codes.
const char* DSErrorName(HRESULT code);
// The symbolic name DDError shows, "Unknown Error" for other codes.
const char* DDErrorName(HRESULT code);
}  // namespace tessera

#pragma GCC visibility pop
#endif
