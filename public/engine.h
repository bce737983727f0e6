// The engine's entry functions.
//
// The library keeps one instance of each engine service and hands it out
// through these functions, exported under plain names.  A game creates the
// services in this order: AfxCreateResource, AfxCreateViewManager, then the
// mouse, sound and music in any order; AfxFreeEngine frees them all.
#ifndef TESSERA_PUBLIC_ENGINE_H
#define TESSERA_PUBLIC_ENGINE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "public/export.h"
#include "public/qkey.h"
#include "public/windows_types.h"

class CRes;
class CPackAniDataBase;

// Creates, in this order, the resource pack from the game database path and
// the engine folder (a prefix ending in a separator), the animation table of
// the game database and the shared animation table of "<root>data\Pack.mdb".
// Call it before AfxCreateViewManager.  Services made by an earlier call
// are freed first.
TESSERA_API void AfxCreateResource(const char* dataBase, const char* root);
// The resource pack, or null.
TESSERA_API CRes* AfxGetResource(void);
// The animation table of the game database, or null.
TESSERA_API CPackAniDataBase* AfxGetAniDataBase(void);

class CDXSound;
class DxSoundBuffer;
class CMusic;

// Screen size used by the GUI, the map manager and the mouse cursor.  The
// setters round down to a multiple of 4; the defaults are 800 x 600.
TESSERA_API void AfxSetScreenWidth(int width);
TESSERA_API void AfxSetScreenHeight(int height);
TESSERA_API int AfxGetScreenWidth(void);
TESSERA_API int AfxGetScreenHeight(void);

// The engine's single input record.  The game fills it from its window
// messages and hands it to the focused area; the engine never writes it.
TESSERA_API QKey* AfxGetKey(void);

class QArea;
// The engine's three area pointers: the area under the mouse now and the
// one before the last change (kept by the chain manager), and the area
// with the input focus.  AfxSetNowFocus stores a non-null area and then
// calls its GetFocus (so no focus message is sent); the previously focused
// area is not told.  Null does nothing.
TESSERA_API QArea* AfxGetNowArea(void);
TESSERA_API QArea* AfxGetPreArea(void);
TESSERA_API QArea* AfxGetNowFocus(void);
TESSERA_API void AfxSetNowFocus(QArea* area);

// The sound device and its wave buffer (sound/dx_sound.h,
// sound/dx_sound_buffer.h).  AfxCreateSound opens the device for `window`;
// when that fails it returns false without a message (the game runs
// without effects).  When the buffer cannot be made it shows
// "不能初始化音效数据区！" and returns false, keeping the device.
TESSERA_API bool AfxCreateSound(void* window);
TESSERA_API CDXSound* AfxGetSound(void);
TESSERA_API DxSoundBuffer* AfxGetSoundBuffer(void);

// The music player (sound/music.h) notifying `window` when a piece ends.
// An existing player is freed first.  On failure shows "不能初始化音乐！" and
// returns false.
TESSERA_API bool AfxCreateMusic(void* window);
TESSERA_API CMusic* AfxGetMusic(void);
class CVIEWMANAGE;

// The display manager.  AfxCreateViewManager constructs it with the size
// and window and returns its Initialize result (given the resource pack,
// null when none was created); while one exists it does nothing and
// returns 1.  AfxDeleteViewManager destroys it.
TESSERA_API int AfxCreateViewManager(int width, int height, HWND window);
TESSERA_API CVIEWMANAGE* AfxGetViewManager(void);
TESSERA_API void AfxDeleteViewManager(void);

class QMouse;
// The mouse cursor (input/mouse.h).  AfxCreateMouse makes a new one; an
// existing cursor is not freed first.
TESSERA_API void AfxCreateMouse(void);
TESSERA_API QMouse* AfxGetMouse(void);

// Frees every engine service that exists, in the order music player, wave
// buffer, sound device, resource pack, mouse cursor, display manager,
// animation table, shared animation table, and clears each pointer.  The
// chain manager, the map manager and the databases are not touched.
TESSERA_API void AfxFreeEngine(void);

namespace tessera {
// The shared animation table (no entry function of its own): the sprite
// loader consults it for identifiers the game's animation table lacks.
CPackAniDataBase* SharedAniDataBase();
}  // namespace tessera

#pragma GCC visibility pop
#endif
