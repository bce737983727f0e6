// CVIEWMANAGE: the display manager.
//
// It owns the render surface (the frame every layer draws on), presents it
// in a window or full screen through the presenter service
// (platform/presenter.h), converts to a 5-6-5 display when presenting there,
// creates surfaces of every kind (by size and style, by pack identifier,
// from bitmap files and layered image files), keeps the current font size of
// text drawing and loads the font files.  One instance exists, made by
// AfxCreateViewManager.
//
//   AfxCreateViewManager(800, 600, window);          // windowed
//   CVIEWMANAGE* vm = AfxGetViewManager();
//   DIBSURFACE* frame = vm->GetRenderSurface();
//   ... draw on frame ...
//   vm->UpdateScreen();                                // once per frame
#ifndef TESSERA_ENGINE_VIEW_MANAGE_H
#define TESSERA_ENGINE_VIEW_MANAGE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>

#include "engine/dib_surface.h"
#include "engine/surface.h"
#include "public/crect.h"
#include "public/windows_types.h"

class CRes;

enum DISPLAY_MODE : int32_t { DM_FULLSCREEN = 0, DM_WINDOW = 1 };
enum FONTSIZE : int32_t { FONT_12 = 12, FONT_16 = 16, FONT_24 = 24 };

class CVIEWMANAGE {
 public:
  // Stores the three, windowed; a processor without MMX ends the process.
  CVIEWMANAGE(int width, int height, HWND window);
  virtual ~CVIEWMANAGE();

  // Keeps the resource pack and sets up the frame for the window: a
  // 16-bit section of width x (height + 1) rows and the render surface on
  // it.  Returns 1 (0 only when the section cannot be allocated).
  int Initialize(CRes* res);
  // Releases everything, takes the new size and window, windowed, and
  // initialises again with the kept resource pack.
  void ResetViewManage(int width, int height, HWND window);

  // Presents the frame (windowed: the whole picture to the window at (0, 0);
  // full screen: through the back buffer).  1 on success, 0 on failure.
  int UpdateScreen();
  // Windowed: the rectangle r, right and bottom inclusive, at the same
  // place; full screen: the whole frame.
  int UpdateScreen(const CRect& r);
  // DM_FULLSCREEN: full-screen set-up (a failing step ends the process);
  // DM_WINDOW: back to the window.  Other values: 0.
  int SwitchDisplayMode(DISPLAY_MODE mode);
  // Toggles between the two.
  int SwitchDisplayMode();
  // Full screen: restores lost surfaces, or sets the display up again.
  void RestoreDDraw();

  // A new, initialised surface of the style (0, 1, 2, 3 or 5; others null).
  SURFACE* CreateSurface(int width, int height, SURFACE_STYLE style);
  // An image by name: through the surface cache when `cached` (then `file`
  // says the name is a file path), else by pack identifier.
  SURFACE* CreateSurface(char* name, SURFACE_STYLE style, bool cached, bool file);
  // Releases a cached surface through the cache, destroys any other one.
  bool DeleteSurface(SURFACE* surface);
  // 24-bit bitmap files; style 0, 1, 2 (with the "a_" opacity companion)
  // or 3.  A file that cannot be opened ends the process.
  SURFACE* LoadBMP(char* path, SURFACE_STYLE style);
  // Writes the surface as a 24-bit bitmap; 1.  A file that cannot be
  // created ends the process.
  int SaveBMP(SURFACE* surface, char* path);
  // A layered image from the pack resource of that identifier.
  SURFACE* CreateSurfaceFromPSD(char* id, SURFACE_STYLE style);
  // A layered image in memory, into an alpha (2) or double-alpha (5)
  // surface.  This form trusts the data to be complete.
  SURFACE* LoadPSD(unsigned char* data, SURFACE_STYLE style);
  // The same, reading no more than `size` bytes.
  SURFACE* LoadPSD(const unsigned char* data, size_t size, SURFACE_STYLE style);
  // A packed alpha surface from the pack resource of that identifier.
  SURFACE* CreateSurfaceFromDLE(char* id);

  void SetFontSize(FONTSIZE size);
  // 12, 16 or 24; any other stored value reads as 0.
  int GetFontSize();
  // Loads "<folder>data\hzk<size>" whole: 1 when loaded now or before, 0
  // when it cannot be opened; other sizes 1.
  int LoadFont(FONTSIZE size, const char* folder);
  void FreeFont(FONTSIZE size);

  int IsFullScreen() { return m_bFullScreen; }
  DIBSURFACE* GetRenderSurface() { return m_pRenderSurface; }
  HWND GetMainWnd() { return m_hWnd; }

 protected:
  void ReleaseViewManage();
  int UpdateScreenDD();
  int SetFullScreenMode();
  int RestoreDisplayMode();

  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_bFullScreen = 0;
  DIBSURFACE* m_pRenderSurface = nullptr;
  // Which parts of the full-screen display exist (the presenter holds them).
  bool m_bDisplay = false;
  bool m_bPrimary = false;
  bool m_bBack = false;
  int m_bIs555 = 0;  // the full-screen display's green mask is 0x03E0
  HWND m_hWnd = nullptr;
  bool m_bWindowAttached = false;  // the presenter knows the window
  uint16_t* m_pSection = nullptr;  // the frame's rows, width x (height + 1)
  CRes* m_pRes = nullptr;

 private:
  // Pack image loading by style (CreateSurface by identifier).
  SURFACE* LoadPackImage(char* id, SURFACE_STYLE style);
  // The blue channel of the plain pack image `id` as opacity of `alpha`.
  bool LoadOpacityFromPack(SURFACE* alpha, char* id);
};

#pragma GCC visibility pop
#endif
