// Tessera's test support: what a game's own tests (and the engine's) use to
// run the engine deterministically without a display.
//
//   #include <tessera/tessera.h>
//   #include <tessera/testing/testing.h>   // link with tessera-testing
//
//   tessera::ResetEngineForTests();                 // a fresh process's state
//   auto* clock = tessera::InstallManualClock();     // reads 1000
//   ... drive the game ...
//   clock->Advance(400);
//   EXPECT_EQ(tessera::HeadlessMessages().size(), 0u);   // no message box
//
// The headless backends' test controls (the record of message boxes and of
// the messages each window received, the headless audio and sequencer logs
// and failures) come with it, and a headless presenter that fails on
// request (TestPresenter).
#ifndef TESSERA_TESTING_TESTING_H
#define TESSERA_TESTING_TESTING_H

#include "testing/engine_reset.h"
#include "testing/headless_controls.h"
#include "testing/manual_clock.h"
#include "testing/test_presenter.h"

#endif
