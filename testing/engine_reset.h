// One call that puts every engine-wide value back to where a fresh process
// has it, so that each test starts from a known state.
//
//   #include <tessera/testing/testing.h>   // link with tessera-testing
//   void SetUp() override { tessera::ResetEngineForTests(); }
#ifndef TESSERA_TESTING_ENGINE_RESET_H
#define TESSERA_TESTING_ENGINE_RESET_H
#pragma GCC visibility push(default)  // test support: exported

namespace tessera {

// Frees the services as AfxFreeEngine does, destroys the map manager,
// releases every listed database, empties the surface and glyph caches,
// the chain manager's layers and the shared equipment pictures, restores
// the default host services (presenter, input services, glyph source,
// log), closes the sequencer devices, puts the system volumes back to full,
// empties the headless audio log, forgets requested headless failures and
// sets the screen back to 800 x 600.
void ResetEngineForTests();

}  // namespace tessera

#pragma GCC visibility pop
#endif
