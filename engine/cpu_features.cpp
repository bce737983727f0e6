#include "engine/cpu_features.h"

#include "engine/simd.h"
#include "platform/test_hooks.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace tessera {

namespace {
bool g_force_no_mmx = false;
bool g_force_no_avx2 = false;
bool g_force_no_avx512 = false;
}  // namespace

bool ProcessorHasMmx() {
  if (g_force_no_mmx) return false;
#if defined(__x86_64__) || defined(__i386__)
  // __get_cpuid checks that cpuid exists (the ID flag of the flags register
  // toggles) and that the leaf is reported before reading it.
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (edx >> 23) & 1;
#else
  // Other processors: the test only gates the display manager's fast
  // blits, which are the plain per-pixel rules there, so they are allowed.
  return true;
#endif
}

void ForceNoMmxForTests(bool force) { g_force_no_mmx = force; }

bool UseAvx2() {
#if TESSERA_AVX2
  static const bool has = __builtin_cpu_supports("avx2");
  return has && !g_force_no_avx2;
#else
  return false;
#endif
}

bool UseAvx512() {
#if TESSERA_AVX2
  // The compiler's check includes the system's support of the registers.
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vl");
  return has && !g_force_no_avx2 && !g_force_no_avx512;
#else
  return false;
#endif
}

void ForceNoAvx512ForTests(bool force) { g_force_no_avx512 = force; }

void ForceNoAvx2ForTests(bool force) { g_force_no_avx2 = force; }

}  // namespace tessera
