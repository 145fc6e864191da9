// The registry, HKEY_CURRENT_USER only. Keys are paths below
// HKEY_CURRENT_USER with "\" between the names ("software\ZEVA\Velmora13");
// key and value names compare without regard to letter case.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Value types, numbered as the registry numbers them.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;  // UTF-16LE text with its terminator
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;  // 4 bytes, little-endian
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

enum class RegStatus {
  kOk,
  kNotFound,  // no such key or value
  kMoreData,  // the value does not fit the caller's byte limit
  kFailed,    // the store cannot be read or written
};

class IRegistry {
 public:
  virtual ~IRegistry() = default;

  // Opens the key, creating it and every missing key above it (open or
  // create). False when it cannot be created.
  virtual bool CreateKey(std::string_view key) = 0;

  // Opens an existing key only: true when it exists.
  virtual bool OpenKey(std::string_view key) = 0;

  // Queries a value of an existing key into data with a limit of *size
  // bytes. On kOk *size is the value's length and *type its type (type may
  // be null); on kMoreData *size is the length it needs and nothing is
  // copied.
  virtual RegStatus QueryValue(std::string_view key, std::string_view name, std::uint32_t* type,
                               void* data, std::uint32_t* size) = 0;

  // Sets a value of an existing key (a missing key fails).
  virtual bool SetValue(std::string_view key, std::string_view name, std::uint32_t type,
                        const void* data, std::uint32_t size) = 0;

  // Why the store itself could not be used by the last call (an unreadable
  // or unwritable store), for diagnostics; empty otherwise.
  virtual std::string StoreError() const { return {}; }
};

// The POSIX backend: the values live in one text file in the registry's
// export format. Every call reads the file afresh, so several processes share
// one registry; every change is made under a lock and replaces the file as a
// whole. A file that exists but cannot be read or understood is never
// rewritten: every call fails and LastError() tells why.
class FileRegistry final : public IRegistry {
 public:
  explicit FileRegistry(std::string path);
  ~FileRegistry() override;

  bool CreateKey(std::string_view key) override;
  bool OpenKey(std::string_view key) override;
  RegStatus QueryValue(std::string_view key, std::string_view name, std::uint32_t* type,
                       void* data, std::uint32_t* size) override;
  bool SetValue(std::string_view key, std::string_view name, std::uint32_t type, const void* data,
                std::uint32_t size) override;

  std::string StoreError() const override { return error_; }
  const std::string& Path() const { return path_; }
  // Why the last failing call failed; empty after a call that succeeded.
  const std::string& LastError() const { return error_; }

 private:
  struct Store;
  template <typename Fn>
  bool Modify(Fn&& change);
  bool Load(Store& store);

  std::string path_;
  std::string error_;
};

// $XDG_CONFIG_HOME/ZEVA/registry.reg, with ~/.config when XDG_CONFIG_HOME is
// unset or empty.
std::string DefaultRegistryPath();

// Parses a registry export (UTF-16LE with a byte-order mark, or UTF-8) into
// keys and values, and writes one back (UTF-8). Exposed for the tests and the
// tools; FileRegistry is the normal way in.
struct RegistryValue {
  std::string name;  // empty for the key's default value
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;
};
struct RegistryKey {
  std::string path;  // full path, starting with the hive name
  std::vector<RegistryValue> values;
};
// False with a reason in *error when the text is not a registry export.
bool ParseRegistryExport(std::string_view bytes, std::vector<RegistryKey>* keys, std::string* error);
std::string FormatRegistryExport(const std::vector<RegistryKey>& keys);

}  // namespace platform
