// The player's settings: music and effect volumes and full screen, applied
// through the engine's sound device and display manager and kept in the
// game database (SETTINGTABLE, one row).
#ifndef TESSERA_DEMO_SETTINGS_H
#define TESSERA_DEMO_SETTINGS_H

class CDataBase;
class CDXSound;
class CVIEWMANAGE;

namespace demo {

struct Settings {
  int music = 80;    // percent, in steps of 10
  int effects = 80;  // percent, in steps of 10
  bool full_screen = false;
};

// One step up (wrapping from 100 to 0), as the settings menu's buttons do.
int NextVolume(int percent);

// Sets the system volumes of the sound device: music to the MIDI volume,
// effects to the wave volume, the same on both sides.  False when the
// device refused one (no device: nothing to set, true).
bool ApplyVolumes(CDXSound* sound, const Settings& s);

// Switches the display manager to full screen or back when it is not in
// that mode already.  Returns whether the display now is what was asked.
bool ApplyDisplayMode(CVIEWMANAGE* vm, bool full_screen);

bool SaveSettings(CDataBase* db, const Settings& s);
// Reads the row; the defaults when there is none or it holds values out of
// range (a volume off the 0..100 scale).
Settings LoadSettings(CDataBase* db);

}  // namespace demo

#endif
