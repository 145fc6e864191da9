#include "platform/Path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/Text.h"

namespace platform {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The entry of folder whose name equals name without regard to case; of
// several, the smallest byte-wise, so that the choice does not depend on the
// order the folder lists them in. Empty when there is none.
std::string FindNoCase(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return {};
  std::string best;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view candidate(entry->d_name);
    if (candidate == "." || candidate == "..") continue;
    if (EqualsNoCase(candidate, name) && (best.empty() || candidate < best))
      best.assign(candidate);
  }
  ::closedir(dir);
  return best;
}

// The path with its separators made "/", every name as spelled: the
// resolution whenever the whole path exists as spelled.
std::string Spelled(std::string_view path) {
  std::string out;
  std::size_t i = 0;
  if (!path.empty() && IsSeparator(path[0])) {
    out.push_back('/');
    while (i < path.size() && IsSeparator(path[i])) ++i;
  }
  while (i < path.size()) {
    std::size_t end = i;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    out.append(path.substr(i, end - i));
    i = end;
    if (i < path.size()) {
      out += '/';
      while (i < path.size() && IsSeparator(path[i])) ++i;
    }
  }
  return out;
}

}  // namespace

std::string PosixPathResolver::Resolve(std::string_view path) {
  // When the whole path exists as spelled, so does every folder on the way,
  // and the walk below would keep every name: one lookup instead of one per
  // name.
  std::string spelled = Spelled(path);
  if (!spelled.empty() && Exists(spelled)) return spelled;
  std::string out;
  std::size_t i = 0;
  if (!path.empty() && IsSeparator(path[0])) {
    out.push_back('/');
    while (i < path.size() && IsSeparator(path[i])) ++i;
  }
  bool matching = true;  // false once a name is missing: nothing below it exists
  while (i < path.size()) {
    std::size_t end = i;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string name(path.substr(i, end - i));
    const std::string folder = out;
    std::string candidate = out + name;
    if (matching && name != "." && name != ".." && !Exists(candidate)) {
      const std::string found = FindNoCase(folder, name);
      if (found.empty()) {
        matching = false;
      } else {
        candidate = folder + found;
      }
    }
    out = std::move(candidate);
    i = end;
    if (i < path.size()) {
      out += '/';
      while (i < path.size() && IsSeparator(path[i])) ++i;
    }
  }
  return out;
}

std::string RememberingPathResolver::Resolve(std::string_view path) {
  const std::string key(path);
  if (const auto it = known_.find(key); it != known_.end()) return it->second;
  std::string resolved = inner_.Resolve(path);
  known_.emplace(key, resolved);
  return resolved;
}

}  // namespace platform
