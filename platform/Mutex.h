// Named system-wide mutexes: only their existence matters to the editor (a
// second editor, a running game), so a handle can only be held and closed.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

class IMutexHandle {
 public:
  virtual ~IMutexHandle() = default;  // closing the handle
};
using MutexHandle = std::unique_ptr<IMutexHandle>;

class IMutexes {
 public:
  virtual ~IMutexes() = default;
  // Creates the mutex of this full name (prefix included). Null when it
  // cannot be created or when a mutex of that name exists already, in this
  // process or another.
  virtual MutexHandle Create(std::string_view fullName) = 0;
};

// The POSIX backend: a mutex is an exclusive lock on a file named after the
// full mutex name in a folder, held while the handle is open; the operating
// system drops it when the process ends, however it ends.
class LockFileMutexes final : public IMutexes {
 public:
  // folder: where the lock files live; empty means DefaultMutexFolder().
  explicit LockFileMutexes(std::string folder = {});
  MutexHandle Create(std::string_view fullName) override;
  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_;
};

// $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp.
std::string DefaultMutexFolder();

}  // namespace platform
