#include "demo/settings.h"

#include <cstdio>

#include "database/database.h"
#include "engine/view_manage.h"
#include "sound/dx_sound.h"

namespace demo {

int NextVolume(int percent) { return percent >= 100 ? 0 : (percent / 10 + 1) * 10; }

bool ApplyVolumes(CDXSound* sound, const Settings& s) {
  if (!sound) return true;
  const auto music = static_cast<unsigned char>(s.music),
             effects = static_cast<unsigned char>(s.effects);
  const int a = sound->SetMIDIVolume(music, music);
  const int b = sound->SetDIGIVolume(effects, effects);
  // 1 means the device has no volume control: nothing is wrong then.
  return (a == 0 || a == 1) && (b == 0 || b == 1);
}

bool ApplyDisplayMode(CVIEWMANAGE* vm, bool full_screen) {
  if (!vm) return false;
  if ((vm->IsFullScreen() != 0) != full_screen)
    vm->SwitchDisplayMode(full_screen ? DM_FULLSCREEN : DM_WINDOW);
  return (vm->IsFullScreen() != 0) == full_screen;
}

bool SaveSettings(CDataBase* db, const Settings& s) {
  if (!db || !db->ExecuteCommand(
                 "CREATE TABLE IF NOT EXISTS SETTINGTABLE (ID INTEGER PRIMARY KEY, MUSIC INTEGER, "
                 "EFFECTS INTEGER, FULLSCREEN INTEGER)"))
    return false;
  char sql[160];
  std::snprintf(sql, sizeof sql, "INSERT OR REPLACE INTO SETTINGTABLE VALUES (1, %d, %d, %d)",
                s.music, s.effects, s.full_screen ? 1 : 0);
  return db->ExecuteCommand(sql);
}

Settings LoadSettings(CDataBase* db) {
  Settings s;
  tessera::RecordsetPtr rs;
  if (!db ||
      !db->OpenSource("SELECT MUSIC, EFFECTS, FULLSCREEN FROM SETTINGTABLE WHERE ID = 1", rs) ||
      !rs || rs->IsEOF())
    return s;
  int32_t music, effects, full;
  if (!rs->GetInt32(0, music) || !rs->GetInt32(1, effects) || !rs->GetInt32(2, full)) return s;
  if (music < 0 || music > 100 || effects < 0 || effects > 100 || (full != 0 && full != 1))
    return s;
  s.music = music;
  s.effects = effects;
  s.full_screen = full == 1;
  return s;
}

}  // namespace demo
