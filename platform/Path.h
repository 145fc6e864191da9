// Paths as the editor composes them: Windows style, "\" or "/" between the
// names ("GRP\EDIT_KAO_L.S13" and "GRP/EDIT_KAO_L.s13" are one file). Every
// platform service resolves such a path to a path of this system before use.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

inline bool IsSeparator(char c) { return c == '/' || c == '\\'; }

class IPathResolver {
 public:
  virtual ~IPathResolver() = default;
  // The system path: separators become "/", and every name that does not
  // exist as spelled is matched against its folder's entries without regard
  // to letter case. A name with no match (a new file) stays as spelled, and
  // so does everything after it.
  virtual std::string Resolve(std::string_view path) = 0;
};

class PosixPathResolver final : public IPathResolver {
 public:
  std::string Resolve(std::string_view path) override;
};

// Remembers what another resolver answered, for a stretch of work that reads
// the same few files thousands of times and changes no name meanwhile (the
// thumbnail load): each path then costs one folder walk instead of one per
// use. Install it with ScopedServices for that stretch only; a name created
// or renamed while it is in force is not seen.
class RememberingPathResolver final : public IPathResolver {
 public:
  explicit RememberingPathResolver(IPathResolver& inner) : inner_(inner) {}
  std::string Resolve(std::string_view path) override;

 private:
  IPathResolver& inner_;
  std::unordered_map<std::string, std::string> known_;
};

}  // namespace platform
