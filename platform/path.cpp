#include "platform/path.h"

#include <dirent.h>
#include <errno.h>
#include <strings.h>
#include <sys/stat.h>

namespace tessera {

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// Name of the entry of `dir` equal to `name` ignoring case, or `name`.
std::string MatchComponent(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return name;
  std::string found = name;
  while (dirent* e = ::readdir(d)) {
    if (::strcasecmp(e->d_name, name.c_str()) == 0) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

std::string NativePath(std::string_view engine_path) {
  std::string path(engine_path);
  for (char& c : path)
    if (c == '\\') c = '/';
  if (path.empty() || Exists(path)) return path;

  // Rebuild component by component, fixing the case of each that exists
  // under another spelling.
  std::string out;
  size_t pos = 0;
  if (path[0] == '/') {
    out = "/";
    pos = 1;
  }
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    std::string comp = path.substr(pos, slash - pos);
    if (!comp.empty()) {
      std::string dir = out.empty() ? "" : out;
      std::string candidate = out + comp;
      if (!Exists(candidate) && comp != "." && comp != "..") comp = MatchComponent(dir, comp);
      out += comp;
    }
    if (slash < path.size()) out += '/';
    pos = slash + 1;
  }
  return out;
}

std::FILE* OpenFile(std::string_view engine_path, const char* mode) {
  std::FILE* f = std::fopen(NativePath(engine_path).c_str(), mode);
  // A folder (or a device, a pipe) opens for reading on Linux, and its
  // "size" is nonsense: every reader expects a file, so only regular files
  // pass.
  struct stat st;
  if (f && (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode))) {
    std::fclose(f);
    errno = EISDIR;
    return nullptr;
  }
  return f;
}

size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

}  // namespace tessera
