// Processor features: the display manager's test for 64-bit packed integer
// (MMX) operations, read with cpuid (leaf 1, EDX bit 23), and the choice of
// the pixel loops' AVX2 versions.  Tests can force either answer to "no".
#ifndef TESSERA_ENGINE_CPU_FEATURES_H
#define TESSERA_ENGINE_CPU_FEATURES_H

namespace tessera {

bool ProcessorHasMmx();

// Whether the pixel loops may use their 256-bit (AVX2) versions: the
// processor has AVX2 and tests have not turned them off.
bool UseAvx2();

// Whether the 512-bit copy loops (engine/wide_rows.h) run: the processor
// has AVX-512BW and VL and the system keeps its registers, and the vector paths
// are not turned off for a test (ForceNoAvx2ForTests turns off both wide
// kinds, so the 128-bit loops are tested too).
bool UseAvx512();

}  // namespace tessera

#endif
