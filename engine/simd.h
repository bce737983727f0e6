// Which vector paths the pixel loops compile.  Every row kernel has a plain
// per-pixel rule that is the reference and the fallback; the vector versions
// are extra paths that must give the same bits.
//
//   TESSERA_SSE2       128-bit paths, where the compiler targets SSE2 (every
//                      x86-64 build; 32-bit x86 built with -msse2).
//   TESSERA_AVX2       256-bit paths, compiled with a per-function target
//                      attribute and chosen at run time (UseAvx2), so the
//                      library still runs on processors without AVX2; the
//                      512-bit (AVX-512BW and VL) paths come with them, marked
//                      TESSERA_AVX512_FN and chosen by UseAvx512.
//
// Building with TESSERA_SCALAR defined (the CMake option of that name) turns
// both off, so the plain rules run everywhere: that build is how the scalar
// path is tested on x86, and it is what other processors (ARM, RISC-V) get.
// This header only decides; the files that hold vector code include the
// intrinsics themselves, so no header a game includes pulls them in.
#ifndef TESSERA_ENGINE_SIMD_H
#define TESSERA_ENGINE_SIMD_H

#if !defined(TESSERA_SCALAR) && (defined(__SSE2__) || defined(_M_X64))
#define TESSERA_SSE2 1
#else
#define TESSERA_SSE2 0
#endif

#if TESSERA_SSE2 && (defined(__x86_64__) || defined(__i386__)) && \
    (defined(__GNUC__) || defined(__clang__))
#define TESSERA_AVX2 1
#define TESSERA_AVX512_FN __attribute__((target("avx512f,avx512bw,avx512vl")))
#else
#define TESSERA_AVX2 0
#endif

#endif
