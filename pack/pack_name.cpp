#include "pack/pack_name.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "pack/pack_list.h"
#include "platform/path.h"

namespace tessera {

namespace {

bool Fail(std::string* error, std::string why) {
  *error = std::move(why);
  return false;
}

}  // namespace

bool NormalizePackName(std::string_view typed, const std::string& database, const std::string& root,
                       std::string* name, std::string* error) {
  if (typed.empty()) return Fail(error, "empty pack name");
  for (unsigned char c : typed)
    if (c < 0x20 || c == 0x7F) return Fail(error, "control character in the pack name");
  std::string prefix = "\\";
  std::string rest(typed);
  if (typed[0] == '*') {
    prefix = "*";
    rest = rest.substr(1);
  } else if (typed[0] == '\\') {
    rest = rest.substr(1);
  } else if (typed[0] == '/') {
    // An absolute path must lie inside the database's folder.
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string db = NativePath(database);
    fs::path folder = fs::weakly_canonical(fs::absolute(fs::path(db), ec).parent_path(), ec);
    fs::path target = fs::weakly_canonical(fs::path(rest), ec);
    fs::path relative = target.lexically_relative(folder);
    if (relative.empty() || *relative.begin() == "..")
      return Fail(error, rest + " is outside the database's folder " + folder.string());
    rest = relative.generic_string();
  }
  if (rest.empty()) return Fail(error, "names no file");
  if (rest.back() == '/' || rest.back() == '\\')
    return Fail(error, "ends in a separator: a folder, not a file");
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i <= rest.size(); ++i) {
    if (i == rest.size() || rest[i] == '/' || rest[i] == '\\') {
      if (part == "..")
        return Fail(error, std::string("'..' would leave the ") +
                               (prefix == "*" ? "engine folder" : "database's folder"));
      if (!part.empty() && part != ".") parts.push_back(part);
      part.clear();
    } else {
      part += rest[i];
    }
  }
  if (parts.empty()) return Fail(error, "names no file");
  std::string out = prefix;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
  if (out.size() > 255) return Fail(error, "pack name longer than 255 bytes");
  const std::string path = ResolvePackPath(database.c_str(), root.c_str(), out.c_str());
  std::error_code ec;
  if (!path.empty() && std::filesystem::is_directory(NativePath(path), ec))
    return Fail(error, NativePath(path) + " is a folder, not a pack file");
  *name = out;
  return true;
}

}  // namespace tessera
