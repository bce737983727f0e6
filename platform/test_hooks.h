// The resets that put each piece of process-wide state back to where a
// fresh process has it.  Only the test-support library (tessera_testing,
// testing/engine_reset.h) and the project's own tests call them; games never
// see this header.  They are exported from the shared library so that the
// test-support library can reach them there.
#ifndef TESSERA_PLATFORM_TEST_HOOKS_H
#define TESSERA_PLATFORM_TEST_HOOKS_H

#pragma GCC visibility push(default)  // reached by tessera_testing
namespace tessera {

// The engine's entry-function state (public/engine.cpp): screen 800 x 600,
// an empty key record.  The services themselves go with AfxFreeEngine.
void ResetEntryStateForTests();
// The three area pointers and the tip text (gui/area_pointers.cpp).
void ResetAreaPointersForTests();
// Empties the chain manager's three layers without touching the areas (a
// test may have destroyed them already), forgets the area under the mouse
// and restarts the tip delay.
void ResetChainManagerForTests();

// Back to the defaults (level kWarning, stderr).
void ResetLogForTests();
// Closes every sequencer device and empties the command log.
void ResetMciForTests();
// Restarts the step timer shared by every marquee.
void ResetLoopLedTimerForTests();
// Back to 10 ms and a stopped unfold timer.
void ResetMenuTimersForTests();
// Stops the flash timer of flashing buttons.
void ResetButtonTimersForTests();
// Forgets the rectangle last given to the input method, so that the next
// focused field tells it again.
void ResetTextInputRectForTests();
// The shared player animation: frame 0, not started, no state composed.
void ResetPlayerAnimationForTests();
// Destroys the map manager (its map, tables and database); the next
// AfxGetMapManager makes a new one over the screen size of then.
void ResetMapManagerForTests();
// Zeroes every fader particle pool, as at the start of the process.
void ResetFaderParticlesForTests();
// Frees every glyph and entry of the glyph cache.
void ResetGlyphCacheForTests();
// Destroys every cached surface and empties the surface cache.
void ResetSurfaceCacheForTests();
// Frees the font buffers and sets the size back to 12.
void ResetFontStateForTests();
// While set, ProcessorHasMmx answers false.
void ForceNoMmxForTests(bool force);
// While set, UseAvx2 answers false, so that tests reach the SSE2 versions.
void ForceNoAvx2ForTests(bool force);
// While set, UseAvx512 answers false (UseAvx2 keeps its answer), so that
// tests reach the AVX2 versions on a processor that has AVX-512.
void ForceNoAvx512ForTests(bool force);

}  // namespace tessera
#pragma GCC visibility pop

#endif
