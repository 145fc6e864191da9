#include "platform/FileAttributes.h"

#include <sys/stat.h>

#include "platform/Path.h"
#include "platform/Services.h"

namespace platform {
namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

}  // namespace

std::uint32_t PosixFileAttributes::GetAttributes(std::string_view path) {
  const std::string resolved = Current().paths->Resolve(path);
  struct stat st;
  if (::stat(resolved.c_str(), &st) != 0) return kInvalidAttributes;
  if (S_ISDIR(st.st_mode)) return kAttrDirectory | ((st.st_mode & kWriteBits) ? 0 : kAttrReadOnly);
  return (st.st_mode & kWriteBits) ? kAttrNormal : kAttrReadOnly;
}

bool PosixFileAttributes::SetAttributes(std::string_view path, std::uint32_t attributes) {
  const std::string resolved = Current().paths->Resolve(path);
  struct stat st;
  if (::stat(resolved.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (attributes & kAttrReadOnly) {
    mode &= ~kWriteBits;
  } else {
    mode |= S_IRUSR | S_IWUSR;
  }
  return ::chmod(resolved.c_str(), mode) == 0;
}

}  // namespace platform
