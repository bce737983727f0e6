#include "testing/engine_reset.h"

#include "database/database.h"
#include "gui/chain_manager.h"
#include "gui/map/equip_pool.h"
#include "platform/glyph_source.h"
#include "platform/input_services.h"
#include "platform/presenter.h"
#include "platform/test_hooks.h"
#include "public/engine.h"
#include "testing/headless_controls.h"

namespace tessera {

void ResetEngineForTests() {
  InstallHeadlessControls();
  // The map manager first: its map holds sprites and surfaces that the
  // services freed next would otherwise outlive.
  ResetMapManagerForTests();
  ResetEntryStateForTests();
  AfxReleaseDataBase(nullptr);
  ResetSurfaceCacheForTests();
  ResetGlyphCacheForTests();
  ResetFontStateForTests();
  ResetFaderParticlesForTests();
  ForceNoMmxForTests(false);
  ForceNoAvx2ForTests(false);
  SetPresenter(nullptr);
  SetInputServices(nullptr);
  SetGlyphSource(nullptr);
  ResetAreaPointersForTests();
  ResetChainManagerForTests();
  ResetButtonTimersForTests();
  ResetMenuTimersForTests();
  CEquipPool::ReleaseAll();
  ResetPlayerAnimationForTests();
  ResetTextInputRectForTests();
  ResetLoopLedTimerForTests();
  ResetHostServicesForTests();
}

}  // namespace tessera
