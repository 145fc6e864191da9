// Binary files and the file operations of the editor: opening with exclusive
// sharing, copying, deleting, folder creation, and replacing a file by a
// complete new one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// Open flags, after the class library's file modes.
inline constexpr unsigned kModeRead = 0x0000;
inline constexpr unsigned kModeWrite = 0x0001;
inline constexpr unsigned kModeReadWrite = 0x0002;
inline constexpr unsigned kModeCreate = 0x1000;  // create, or truncate an existing file
// Shared with nobody: the open also takes an exclusive lock on the file and
// fails while another open (of this process or another) holds one.
inline constexpr unsigned kShareExclusive = 0x0010;

// An open binary file. Positions count from the start of the file.
class File {
 public:
  virtual ~File() = default;  // closes the file
  // Reads up to n bytes; the count read, 0 at the end or on an error.
  virtual std::size_t Read(void* buffer, std::size_t n) = 0;
  // Writes all n bytes; false when they could not all be written.
  virtual bool Write(const void* buffer, std::size_t n) = 0;
  virtual bool Seek(std::uint64_t position) = 0;
  // The length in bytes, or -1 when it cannot be told.
  virtual std::int64_t Length() = 0;
  // Puts what was written on the disk; false when that fails.
  virtual bool Flush() = 0;
  // True when a Write has failed since the file was opened.
  virtual bool WriteFailed() const = 0;
};

class IFiles {
 public:
  virtual ~IFiles() = default;

  // Opens a file with the flags above; null when it cannot be opened. A file
  // whose read-only attribute is set cannot be opened for writing.
  virtual std::unique_ptr<File> Open(std::string_view path, unsigned flags) = 0;

  // Creates one folder (its parent must exist).
  virtual bool CreateDirectory(std::string_view path) = 0;
  // Copies a whole file; an existing target is overwritten unless
  // failIfExists. The copy is written beside the target and renamed into
  // place, so a failed copy leaves no partial target.
  virtual bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) = 0;
  virtual bool DeleteFile(std::string_view path) = 0;

  // Creates a new, empty file with a name of its own in the folder of path,
  // open for writing; *created receives its path. For writing a complete new
  // version of path that ReplaceFile then puts in its place.
  virtual std::unique_ptr<File> CreateBeside(std::string_view path, std::string* created) = 0;
  // Puts the file from in the place of to in one step (to need not exist);
  // afterwards from is gone. On failure both stay as they were.
  virtual bool ReplaceFile(std::string_view from, std::string_view to) = 0;
};

// The POSIX backend; paths are resolved through Current().paths.
class PosixFiles final : public IFiles {
 public:
  std::unique_ptr<File> Open(std::string_view path, unsigned flags) override;
  bool CreateDirectory(std::string_view path) override;
  bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) override;
  bool DeleteFile(std::string_view path) override;
  std::unique_ptr<File> CreateBeside(std::string_view path, std::string* created) override;
  bool ReplaceFile(std::string_view from, std::string_view to) override;
};

}  // namespace platform
