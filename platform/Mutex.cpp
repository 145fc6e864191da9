#include "platform/Mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {
namespace {

class LockFileHandle final : public IMutexHandle {
 public:
  explicit LockFileHandle(int fd) : fd_(fd) {}
  ~LockFileHandle() override { ::close(fd_); }  // closing drops the lock

 private:
  int fd_;
};

}  // namespace

std::string DefaultMutexFolder() {
  for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return "/tmp";
}

LockFileMutexes::LockFileMutexes(std::string folder)
    : folder_(folder.empty() ? DefaultMutexFolder() : std::move(folder)) {}

MutexHandle LockFileMutexes::Create(std::string_view fullName) {
  // The whole name, "Global\" included, is one file name; a name that cannot
  // be one cannot be a mutex either.
  if (fullName.empty() || fullName == "." || fullName == ".." ||
      fullName.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos)
    return nullptr;
  std::string path = folder_;
  if (path.empty() || path.back() != '/') path += '/';
  path += fullName;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  // flock locks belong to the open file description, so a second Create in
  // this same process conflicts too, as a second creation of a named mutex
  // reports the existing one.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<LockFileHandle>(fd);
}

}  // namespace platform
