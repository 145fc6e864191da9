#include "platform/File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/Path.h"
#include "platform/Services.h"

namespace platform {
namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }

  std::size_t Read(void* buffer, std::size_t n) override {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
      const ssize_t got = ::read(fd_, out + done, n - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

  bool Write(const void* buffer, std::size_t n) override {
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
      const ssize_t put = ::write(fd_, in + done, n - done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        writeFailed_ = true;
        return false;
      }
      done += static_cast<std::size_t>(put);
    }
    return true;
  }

  bool Seek(std::uint64_t position) override {
    if (position > static_cast<std::uint64_t>(INT64_MAX)) return false;
    return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0;
  }

  std::int64_t Length() override {
    struct stat st;
    return ::fstat(fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
  }

  bool Flush() override { return ::fsync(fd_) == 0; }
  bool WriteFailed() const override { return writeFailed_; }

 private:
  int fd_;
  bool writeFailed_ = false;
};

// Opens resolved with the flags; -1 on failure. Writing is refused on a file
// whose read-only attribute is set, whoever the user is, as the attribute
// refuses it on the system the archives come from.
int OpenDescriptor(const std::string& resolved, unsigned flags) {
  const bool wantsWrite = (flags & (kModeWrite | kModeReadWrite)) != 0;
  int oflags = O_CLOEXEC;
  if (flags & kModeReadWrite) {
    oflags |= O_RDWR;
  } else if (flags & kModeWrite) {
    oflags |= O_WRONLY;
  } else {
    oflags |= O_RDONLY;
  }
  if (flags & kModeCreate) oflags |= O_CREAT;
  struct stat st;
  if (::stat(resolved.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return -1;
    if (wantsWrite && (st.st_mode & kWriteBits) == 0) return -1;
  }
  const int fd = ::open(resolved.c_str(), oflags, 0666);
  if (fd < 0) return -1;
  if ((flags & kShareExclusive) && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  // Truncate only once the lock is ours, so that a failed open never empties
  // a file that someone else holds.
  if ((flags & kModeCreate) && wantsWrite && ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a rename durable by syncing the folder that holds the names.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::string Resolve(std::string_view path) { return Current().paths->Resolve(path); }

}  // namespace

std::unique_ptr<File> PosixFiles::Open(std::string_view path, unsigned flags) {
  const int fd = OpenDescriptor(Resolve(path), flags);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixFile>(fd);
}

bool PosixFiles::CreateDirectory(std::string_view path) {
  std::string resolved = Resolve(path);
  while (resolved.size() > 1 && resolved.back() == '/') resolved.pop_back();
  return ::mkdir(resolved.c_str(), 0777) == 0;
}

bool PosixFiles::CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
  const std::string target = Resolve(to);
  struct stat st;
  if (failIfExists && ::stat(target.c_str(), &st) == 0) return false;
  auto in = Open(from, kModeRead);
  if (!in) return false;
  std::string temp;
  auto out = CreateBeside(to, &temp);
  if (!out) return false;
  std::vector<unsigned char> buffer(1 << 20);
  bool ok = true;
  for (;;) {
    const std::size_t got = in->Read(buffer.data(), buffer.size());
    if (got == 0) break;
    if (!out->Write(buffer.data(), got)) {
      ok = false;
      break;
    }
  }
  ok = ok && in->Length() >= 0 && out->Length() == in->Length() && out->Flush();
  out.reset();
  if (ok) ok = ReplaceFile(temp, to);
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool PosixFiles::DeleteFile(std::string_view path) {
  return ::unlink(Resolve(path).c_str()) == 0;
}

std::unique_ptr<File> PosixFiles::CreateBeside(std::string_view path, std::string* created) {
  const std::string resolved = Resolve(path);
  const std::string folder = FolderOf(resolved);
  const std::size_t slash = resolved.rfind('/');
  const std::string base = slash == std::string::npos ? resolved : resolved.substr(slash + 1);
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = folder + "/." + base + "." + std::to_string(::getpid()) + "." +
                                  std::to_string(counter++) + ".new";
    // 0666 and the umask give the new file the permissions any new file of
    // the user gets.
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      if (created) *created = candidate;
      return std::make_unique<PosixFile>(fd);
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

bool PosixFiles::ReplaceFile(std::string_view from, std::string_view to) {
  const std::string target = Resolve(to);
  if (::rename(Resolve(from).c_str(), target.c_str()) != 0) return false;
  SyncFolder(FolderOf(target));
  return true;
}

}  // namespace platform
