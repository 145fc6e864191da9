// File attributes, after the two the editor uses: read-only and normal.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrNormal = 0x80;  // a plain writable file
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFF;

class IFileAttributes {
 public:
  virtual ~IFileAttributes() = default;
  // The attributes of a file or folder, or kInvalidAttributes when there is
  // none of that name. Paths are resolved as Path.h describes.
  virtual std::uint32_t GetAttributes(std::string_view path) = 0;
  // kAttrNormal or kAttrReadOnly on an existing file; false when it fails.
  virtual bool SetAttributes(std::string_view path, std::uint32_t attributes) = 0;
};

// The POSIX backend: read-only clears every write permission bit, normal
// gives the owner read and write (and leaves the other bits). A file whose
// write bits are all clear counts as read-only.
class PosixFileAttributes final : public IFileAttributes {
 public:
  std::uint32_t GetAttributes(std::string_view path) override;
  bool SetAttributes(std::string_view path, std::uint32_t attributes) override;
};

}  // namespace platform
