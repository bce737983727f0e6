#include "sound/dx_error.h"

#include <cstdio>

#include "platform/message_sink.h"

namespace {

constexpr HRESULT Dd(int code) { return HRESULT(0x88760000u + uint32_t(code)); }

struct DdText {
  HRESULT code;
  const char* name;
  const char* sentence;
};

// Every display-interface code the engine knows: its symbolic name and a
// one-sentence description.
const DdText kDdTexts[] = {
    {HRESULT(0x800401F0), "DDERR_NOTINITIALIZED",
     "An attempt was made to call an interface method of an object before the object was "
     "initialized."},
    {HRESULT(0x80004005), "DDERR_GENERIC", "Generic failure."},
    {HRESULT(0x80004001), "DDERR_UNSUPPORTED", "Action not supported."},
    {HRESULT(0x8007000E), "DDERR_OUTOFMEMORY",
     "DirectDraw does not have enough memory to perform the operation."},
    {Dd(5), "DDERR_ALREADYINITIALIZED", "This object is already initialized."},
    {HRESULT(0x80070057), "DDERR_INVALIDPARAMS",
     "One or more of the parameters passed to this function are incorrect."},
    {Dd(10), "DDERR_CANNOTATTACHSURFACE",
     "This surface can not be attached to the requested surface."},
    {Dd(20), "DDERR_CANNOTDETACHSURFACE",
     "This surface can not be detached from the requested surface."},
    {Dd(40), "DDERR_CURRENTLYNOTAVAIL", "Support is currently not available."},
    {Dd(55), "DDERR_EXCEPTION",
     "An exception was encountered while performing the requested operation."},
    {Dd(90), "DDERR_HEIGHTALIGN",
     "Height of rectangle provided is not a multiple of required alignment."},
    {Dd(95), "DDERR_INCOMPATIBLEPRIMARY",
     "Unable to match primary surface creation request with existing primary surface."},
    {Dd(100), "DDERR_INVALIDCAPS",
     "One or more of the caps bits passed to the callback are incorrect."},
    {Dd(110), "DDERR_INVALIDCLIPLIST", "DirectDraw does not support the provided cliplist."},
    {Dd(120), "DDERR_INVALIDMODE", "DirectDraw does not support the requested mode."},
    {Dd(130), "DDERR_INVALIDOBJECT",
     "DirectDraw received a pointer that was an invalid DIRECTDRAW object."},
    {Dd(145), "DDERR_INVALIDPIXELFORMAT", "The pixel format was invalid as specified."},
    {Dd(150), "DDERR_INVALIDRECT", "Rectangle provided was invalid."},
    {Dd(160), "DDERR_LOCKEDSURFACES",
     "Operation could not be carried out because one or more surfaces are locked."},
    {Dd(170), "DDERR_NO3D", "There is no 3D present."},
    {Dd(180), "DDERR_NOALPHAHW",
     "Operation could not be carried out because there is no alpha accleration hardware present or "
     "available."},
    {Dd(205), "DDERR_NOCLIPLIST", "No cliplist available."},
    {Dd(210), "DDERR_NOCOLORCONVHW",
     "Operation could not be carried out because there is no color conversion hardware present or "
     "available."},
    {Dd(212), "DDERR_NOCOOPERATIVELEVELSET",
     "Create function called without DirectDraw object method SetCooperativeLevel being called."},
    {Dd(215), "DDERR_NOCOLORKEY", "Surface doesn't currently have a color key"},
    {Dd(220), "DDERR_NOCOLORKEYHW",
     "Operation could not be carried out because there is no hardware support of the destination "
     "color key."},
    {Dd(222), "DDERR_NODIRECTDRAWSUPPORT",
     "No DirectDraw support possible with current display driver."},
    {Dd(225), "DDERR_NOEXCLUSIVEMODE",
     "Operation requires the application to have exclusive mode but the application does not have "
     "exclusive mode."},
    {Dd(230), "DDERR_NOFLIPHW", "Flipping visible surfaces is not supported."},
    {Dd(240), "DDERR_NOGDI", "There is no GDI present."},
    {Dd(250), "DDERR_NOMIRRORHW",
     "Operation could not be carried out because there is no hardware present or available."},
    {Dd(255), "DDERR_NOTFOUND", "Requested item was not found."},
    {Dd(260), "DDERR_NOOVERLAYHW",
     "Operation could not be carried out because there is no overlay hardware present or "
     "available."},
    {Dd(280), "DDERR_NORASTEROPHW",
     "Operation could not be carried out because there is no appropriate raster op hardware "
     "present or available."},
    {Dd(290), "DDERR_NOROTATIONHW",
     "Operation could not be carried out because there is no rotation hardware present or "
     "available."},
    {Dd(310), "DDERR_NOSTRETCHHW",
     "Operation could not be carried out because there is no hardware support for stretching."},
    {Dd(316), "DDERR_NOT4BITCOLOR",
     "DirectDrawSurface is not in 4 bit color palette and the requested operation requires 4 bit "
     "color palette."},
    {Dd(317), "DDERR_NOT4BITCOLORINDEX",
     "DirectDrawSurface is not in 4 bit color index palette and the requested operation requires 4 "
     "bit color index palette."},
    {Dd(320), "DDERR_NOT8BITCOLOR",
     "DirectDrawSurface is not in 8 bit color mode and the requested operation requires 8 bit "
     "color."},
    {Dd(330), "DDERR_NOTEXTUREHW",
     "Operation could not be carried out because there is no texture mapping hardware present or "
     "available."},
    {Dd(335), "DDERR_NOVSYNCHW",
     "Operation could not be carried out because there is no hardware support for vertical blank "
     "synchronized operations."},
    {Dd(340), "DDERR_NOZBUFFERHW",
     "Operation could not be carried out because there is no hardware support for zbuffer "
     "blitting."},
    {Dd(350), "DDERR_NOZOVERLAYHW",
     "Overlay surfaces could not be z layered based on their BltOrder because the hardware does "
     "not support z layering of overlays."},
    {Dd(360), "DDERR_OUTOFCAPS",
     "The hardware needed for the requested operation has already been allocated."},
    {Dd(380), "DDERR_OUTOFVIDEOMEMORY",
     "DirectDraw does not have enough video memory to perform the operation."},
    {Dd(382), "DDERR_OVERLAYCANTCLIP", "The hardware does not support clipped overlays."},
    {Dd(384), "DDERR_OVERLAYCOLORKEYONLYONEACTIVE",
     "Can only have ony color key active at one time for overlays."},
    {Dd(387), "DDERR_PALETTEBUSY",
     "Access to this palette is being refused because the palette is already locked by another "
     "thread."},
    {Dd(400), "DDERR_COLORKEYNOTSET", "No src color key specified for this operation."},
    {Dd(410), "DDERR_SURFACEALREADYATTACHED",
     "This surface is already attached to the surface it is being attached to."},
    {Dd(420), "DDERR_SURFACEALREADYDEPENDENT",
     "This surface is already a dependency of the surface it is being made a dependency of."},
    {Dd(430), "DDERR_SURFACEBUSY",
     "Access to this surface is being refused because the surface is already locked by another "
     "thread."},
    {Dd(435), "DDERR_CANTLOCKSURFACE",
     "Access to this surface is being refused because no driver exists which can supply a pointer "
     "to the surface."},
    {Dd(440), "DDERR_SURFACEISOBSCURED",
     "Access to surface refused because the surface is obscured."},
    {Dd(450), "DDERR_SURFACELOST",
     "Access to this surface is being refused because the surface memory is gone. The "
     "DirectDrawSurface object representing this surface should have Restore called on it."},
    {Dd(460), "DDERR_SURFACENOTATTACHED", "The requested surface is not attached."},
    {Dd(470), "DDERR_TOOBIGHEIGHT", "Height requested by DirectDraw is too large."},
    {Dd(480), "DDERR_TOOBIGSIZE",
     "Size requested by DirectDraw is too large, but the individual height and width are OK."},
    {Dd(490), "DDERR_TOOBIGWIDTH", "Width requested by DirectDraw is too large."},
    {Dd(510), "DDERR_UNSUPPORTEDFORMAT", "FOURCC format requested is unsupported by DirectDraw."},
    {Dd(520), "DDERR_UNSUPPORTEDMASK",
     "Bitmask in the pixel format requested is unsupported by DirectDraw."},
    {Dd(537), "DDERR_VERTICALBLANKINPROGRESS", "Vertical blank is in progress."},
    {Dd(540), "DDERR_WASSTILLDRAWING",
     "Informs DirectDraw that the previous Blt which is transfering information to or from this "
     "Surface is incomplete."},
    {Dd(560), "DDERR_XALIGN",
     "Rectangle provided was not horizontally aligned on required boundary."},
    {Dd(561), "DDERR_INVALIDDIRECTDRAWGUID",
     "The GUID passed to DirectDrawCreate is not a valid DirectDraw driver identifier."},
    {Dd(562), "DDERR_DIRECTDRAWALREADYCREATED",
     "A DirectDraw object representing this driver has already been created for this process."},
    {Dd(563), "DDERR_NODIRECTDRAWHW",
     "A hardware-only DirectDraw object creation was attempted but the driver did not support any "
     "hardware."},
    {Dd(564), "DDERR_PRIMARYSURFACEALREADYEXISTS",
     "This process already has created a primary surface."},
    {Dd(565), "DDERR_NOEMULATION", "Software emulation not available."},
    {Dd(566), "DDERR_REGIONTOOSMALL", "Region passed to Clipper::GetClipList is too small."},
    {Dd(567), "DDERR_CLIPPERISUSINGHWND",
     "An attempt was made to set a cliplist for a clipper object that is already monitoring an "
     "hwnd."},
    {Dd(568), "DDERR_NOCLIPPERATTACHED", "No clipper object attached to surface object."},
    {Dd(569), "DDERR_NOHWND",
     "Clipper notification requires an HWND or no HWND has previously been set as the "
     "CooperativeLevel HWND."},
    {Dd(570), "DDERR_HWNDSUBCLASSED",
     "HWND used by DirectDraw CooperativeLevel has been subclassed, this prevents DirectDraw from "
     "restoring state."},
    {Dd(571), "DDERR_HWNDALREADYSET",
     "The CooperativeLevel HWND has already been set. It can not be reset while the process has "
     "surfaces or palettes created."},
    {Dd(572), "DDERR_NOPALETTEATTACHED", "No palette object attached to this surface."},
    {Dd(573), "DDERR_NOPALETTEHW", "No hardware support for 16 or 256 color palettes."},
    {Dd(574), "DDERR_BLTFASTCANTCLIP",
     "If a clipper object is attached to the source surface passed into a BltFast call."},
    {Dd(575), "DDERR_NOBLTHW", "No blitter."},
    {Dd(576), "DDERR_NODDROPSHW", "No DirectDraw ROP hardware."},
    {Dd(577), "DDERR_OVERLAYNOTVISIBLE",
     "Returned when GetOverlayPosition is called on a hidden overlay."},
    {Dd(578), "DDERR_NOOVERLAYDEST",
     "Returned when GetOverlayPosition is called on an overlay that UpdateOverlay has never been "
     "called on to establish a destination."},
    {Dd(579), "DDERR_INVALIDPOSITION",
     "Returned when the position of the overlay on the destination is no longer legal for that "
     "destination."},
    {Dd(580), "DDERR_NOTAOVERLAYSURFACE",
     "Returned when an overlay member is called for a non-overlay surface."},
    {Dd(581), "DDERR_EXCLUSIVEMODEALREADYSET",
     "An attempt was made to set the cooperative level when it was already set to exclusive."},
    {Dd(582), "DDERR_NOTFLIPPABLE",
     "An attempt has been made to flip a surface that is not flippable."},
    {Dd(583), "DDERR_CANTDUPLICATE",
     "Can't duplicate primary & 3D surfaces, or surfaces that are implicitly created."},
    {Dd(584), "DDERR_NOTLOCKED",
     "Surface was not locked.  An attempt to unlock a surface that was not locked at all, or by "
     "this process, has been attempted."},
    {Dd(585), "DDERR_CANTCREATEDC", "Windows can not create any more DCs."},
    {Dd(586), "DDERR_NODC", "No DC was ever created for this surface."},
    {Dd(587), "DDERR_WRONGMODE",
     "This surface can not be restored because it was created in a different mode."},
    {Dd(588), "DDERR_IMPLICITLYCREATED",
     "This surface can not be restored because it is an implicitly created surface."},
    {Dd(589), "DDERR_NOTPALETTIZED", "The surface being used is not a palette-based surface."},
    {Dd(590), "DDERR_UNSUPPORTEDMODE", "The display is currently in an unsupported mode."},
    {Dd(591), "DDERR_NOMIPMAPHW",
     "Operation could not be carried out because there is no mip-map texture mapping hardware "
     "present or available."},
    {Dd(592), "DDERR_INVALIDSURFACETYPE",
     "The requested action could not be performed because the surface was of the wrong type."},
    {Dd(620), "DDERR_DCALREADYCREATED",
     "A DC has already been returned for this surface. Only one DC can be retrieved per surface."},
    {Dd(640), "DDERR_CANTPAGELOCK", "The attempt to page lock a surface failed."},
    {Dd(660), "DDERR_CANTPAGEUNLOCK", "The attempt to page unlock a surface failed."},
    {Dd(680), "DDERR_NOTPAGELOCKED",
     "An attempt was made to page unlock a surface with no outstanding page locks."},
};

const DdText* FindDd(HRESULT code) {
  for (const DdText& t : kDdTexts)
    if (t.code == code) return &t;
  return nullptr;
}

}  // namespace

namespace tessera {

const char* DDErrorName(HRESULT code) {
  const DdText* t = FindDd(code);
  return t ? t->name : "Unknown Error";
}

const char* DSErrorName(HRESULT code) {
  switch (uint32_t(code)) {
    case 0x80040110:
      return "DSERR_NOAGGREGATION";
    case 0x80004005:
      return "DSERR_GENERIC";
    case 0x80004001:
      return "DSERR_UNSUPPORTED";
    case 0x8007000E:
      return "DSERR_OUTOFMEMORY";
    case 0x80070057:
      return "DSERR_INVALIDPARAM";
    case 0x8878000A:
      return "DSERR_ALLOCATED";
    case 0x8878001E:
      return "DSERR_CONTROLUNAVAIL";
    case 0x88780032:
      return "DSERR_INVALIDCALL";
    case 0x88780046:
      return "DSERR_PRIOLEVELNEEDED";
    case 0x88780064:
      return "DSERR_BADFORMAT";
    case 0x88780078:
      return "\xCE\xDE\xB7\xA8\xCA\xB9\xD3\xC3\xC9\xF9\xBF\xA8";  // 无法使用声卡 (no sound card)
    case 0x88780082:
      return "DSERR_ALREADYINITIALIZED";
    case 0x88780096:
      return "DSERR_BUFFERLOST";
    case 0x887800A0:
      return "DSERR_OTHERAPPHASPRIO";
    case 0x887800AA:
      return "DSERR_UNINITIALIZED";
    default:
      return "Unknown Error";
  }
}

}  // namespace tessera

int DDError(HRESULT code, HWND, const char* file, int line) {
  char text[512];
  std::snprintf(text, sizeof text, "DirectDraw Error %s\nFILE: %s\nLINE: %d",
                tessera::DDErrorName(code), file ? file : "(null)", line);
  // Message boxes have no owner window here; the box is modal all the same.
  tessera::ShowMessage("Error", text, tessera::MessageIcon::kNone);
  return 1;  // the OK button
}

void DSError(HRESULT code, HWND) {
  char text[256];
  std::snprintf(text, sizeof text, "%s", tessera::DSErrorName(code));
  // The name is built and dropped on purpose: the engine does not report a
  // missing sound device (the game simply runs without effects).
  (void)text;
}

const char* DXErrorToString(HRESULT code) {
  if (code == 0) return "No error.";
  const DdText* t = FindDd(code);
  return t ? t->sentence : "Unrecognized error value.";
}
