// Engine paths to native paths.
//
// The engine forms its paths with backslashes ("data\Pack.mdb") and keeps
// them byte-exact wherever they are keys.  Only when a file is opened is the
// path made native: every '\' becomes '/', and when that exact name does not
// exist, each component is matched against the directory's entries ignoring
// ASCII letter case (the first match in directory order wins).
#ifndef TESSERA_PLATFORM_PATH_H
#define TESSERA_PLATFORM_PATH_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdio>
#include <string>
#include <string_view>

namespace tessera {

// The native form of an engine path.  A component that matches nothing is
// kept as written, so that creating a new file works.
std::string NativePath(std::string_view engine_path);

// fopen on the native form of the path.  Only regular files open: a
// folder, a device or a pipe gives null (errno EISDIR), so no reader ever
// takes a folder for a file.
std::FILE* OpenFile(std::string_view engine_path, const char* mode);

// Index of the last path separator ('\' or '/'), or npos.
size_t LastSeparator(std::string_view path);

}  // namespace tessera

#pragma GCC visibility pop
#endif
