// The GUI's three engine-wide area pointers, as the chain manager and the
// chains keep them.  Games read them through AfxGetNowArea, AfxGetPreArea
// and AfxGetNowFocus (public/engine.h); only the GUI writes them.
#ifndef TESSERA_GUI_AREA_POINTERS_H
#define TESSERA_GUI_AREA_POINTERS_H

class QArea;

namespace tessera {
// Set by the chain manager's hit testing.
void SetNowArea(QArea* area);
void SetPreArea(QArea* area);
// Clears each of the three area pointers that equals `area` (an area
// leaving its chain).
void ForgetArea(QArea* area);
}  // namespace tessera

#endif
