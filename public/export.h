// Linkage of the engine's plain-named entry points.
//
// The entry functions are exported from the shared library under their bare
// names (no C++ decoration), so that `nm -D libtessera.so` lists e.g.
// `AfxGetScreenWidth` and a program can look them up by that name.
#ifndef TESSERA_PUBLIC_EXPORT_H
#define TESSERA_PUBLIC_EXPORT_H
#pragma GCC visibility push(default)  // game-facing: exported

#define TESSERA_API extern "C" __attribute__((visibility("default")))

#pragma GCC visibility pop
#endif
