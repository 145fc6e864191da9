// The user's documents folder.
#pragma once

#include <string>

namespace platform {

class IPersonalFolder {
 public:
  virtual ~IPersonalFolder() = default;
  // The folder, ending in a separator; empty when it cannot be found.
  virtual std::string GetPersonalFolder() = 0;
};

// The POSIX backend: XDG_DOCUMENTS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs
// (~/.config when unset), else $HOME/Documents.
class XdgPersonalFolder final : public IPersonalFolder {
 public:
  std::string GetPersonalFolder() override;
};

}  // namespace platform
