// The processor test of the display manager: 64-bit packed integer (MMX)
// operations, read with cpuid (leaf 1, EDX bit 23).  Tests can force the
// answer "no".
#ifndef TESSERA_ENGINE_CPU_FEATURES_H
#define TESSERA_ENGINE_CPU_FEATURES_H

namespace tessera {

bool ProcessorHasMmx();
// While set, ProcessorHasMmx answers false.  Tests only.
void ForceNoMmxForTests(bool force);

}  // namespace tessera

#endif
