// The composed picture of a walking character's equipment layers.
//
// A character is drawn as up to six layers at one position, each a packed
// alpha picture and, when tinted, a one-colour tint picture laid over it:
// a dozen alpha blits of the same few thousand pixels, most of them
// overwritten by the next layer.  Where some layer is opaque (weight 0)
// the pixel no longer depends on what was under it, so everything from
// that layer on folds into one constant colour; only pixels that no layer
// covers opaquely (the soft rims) still blend with the destination, and
// those are blended layer by layer exactly as the separate blits do.  The
// composed form is kept in a small process-wide cache keyed by the
// pictures' versions and tint colours, so a character that keeps its look
// costs one copy per row and a few rim pixels per frame.
//
// The result is bit for bit that of drawing the layers one after another;
// lists this cannot stand in for (a layer class of the game's own, a
// picture of another kind, damaged segments, a target without plain rows)
// are left to the per-layer drawing.
#ifndef TESSERA_GUI_MAP_EQUIP_COMPOSITE_H
#define TESSERA_GUI_MAP_EQUIP_COMPOSITE_H

#include <cstddef>
#include <list>

class CPlayerEquip;
class SURFACE;

namespace tessera {

// Draws `layers` as CPlayerEquip::Show would one after another (tint
// pictures are filled with their colour as it does).  False, having done
// nothing, when the list is not one the composed form can stand in for.
bool ShowComposedEquip(const std::list<CPlayerEquip*>& layers, SURFACE* target, long x, long y,
                       long state, long direction, long frame, bool bright);

// Empties the cache.  A map empties it as it goes (its characters' looks
// go with it), and so do the tests' resets; otherwise entries are dropped
// only when the cache is full.
void ClearComposedEquipCache();
// Number of composed pictures in the cache.
size_t ComposedEquipCacheSize();

}  // namespace tessera

#endif
