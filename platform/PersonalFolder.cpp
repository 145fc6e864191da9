#include "platform/PersonalFolder.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace platform {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// XDG_DOCUMENTS_DIR from a user-dirs.dirs file: a line
// XDG_DOCUMENTS_DIR="$HOME/Documents" or ="/absolute/path". Anything else
// (relative paths, other variables) is not a valid entry there and is
// skipped, as xdg-user-dirs itself does.
std::string DocumentsFromUserDirs(const std::string& file, const std::string& home) {
  std::ifstream in(file);
  std::string line, found;
  while (std::getline(in, line)) {
    std::size_t p = line.find_first_not_of(" \t");
    if (p == std::string::npos || line[p] == '#') continue;
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    if (line.compare(p, kKey.size(), kKey) != 0) continue;
    std::string value = line.substr(p + kKey.size());
    if (value.size() < 2 || value.front() != '"') continue;
    const std::size_t close = value.find('"', 1);
    if (close == std::string::npos) continue;
    value = value.substr(1, close - 1);
    if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
      if (home.empty()) continue;
      value = home + value.substr(5);
    } else if (value.empty() || value[0] != '/') {
      continue;
    }
    found = value;  // the last valid line wins, as in a shell
  }
  return found;
}

}  // namespace

std::string XdgPersonalFolder::GetPersonalFolder() {
  const std::string home = Env("HOME");
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() && !home.empty()) config = home + "/.config";
  std::string folder;
  if (!config.empty()) folder = DocumentsFromUserDirs(config + "/user-dirs.dirs", home);
  if (folder.empty()) {
    if (home.empty()) return {};
    folder = home + "/Documents";
  }
  if (folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder;
}

}  // namespace platform
