// Linkage of the engine's plain-named entry points.
//
// The entry functions are exported from the shared library under their bare
// names (no C++ decoration), so that `nm -D libtessera.so` lists e.g.
// `AfxGetScreenWidth` and a program can look them up by that name.
//
// What else the shared library exports is decided by the headers: the
// libraries build with -fvisibility=hidden, and each game-facing (installed)
// header wraps its declarations in
//
//   #pragma GCC visibility push(default)  ...  #pragma GCC visibility pop
//
// so its classes (with their vtables and type information) and functions
// are exported, while everything declared only in the library's internal
// headers stays inside it.  A header joins the API by being listed in
// TESSERA_API_HEADERS (CMakeLists.txt) and opening that region.
#ifndef TESSERA_PUBLIC_EXPORT_H
#define TESSERA_PUBLIC_EXPORT_H
#pragma GCC visibility push(default)  // game-facing: exported

#define TESSERA_API extern "C" __attribute__((visibility("default")))

#pragma GCC visibility pop
#endif
