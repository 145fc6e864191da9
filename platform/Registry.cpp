#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Text.h"

namespace platform {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHive = "HKEY_CURRENT_USER";
// A registry store is a small settings file; anything larger is not ours.
constexpr std::size_t kMaxStoreBytes = 16u << 20;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiLower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Splits a key path into its names; false for an empty name or one that the
// export format cannot carry.
bool SplitKey(std::string_view path, std::vector<std::string>* names) {
  names->clear();
  if (path.empty()) return false;
  std::size_t i = 0;
  while (i <= path.size()) {
    const std::size_t end = std::min(path.find('\\', i), path.size());
    const std::string_view name = path.substr(i, end - i);
    if (name.empty()) return false;
    for (char c : name)
      if (static_cast<unsigned char>(c) < 0x20) return false;
    names->emplace_back(name);
    i = end + 1;
  }
  return !names->empty() && names->back().back() != ']';
}

std::string JoinKey(const std::vector<std::string>& names, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    if (i) out += '\\';
    out += names[i];
  }
  return out;
}

// key equals prefix, or lies below it.
bool IsAtOrBelow(std::string_view key, std::string_view prefix) {
  if (key.size() < prefix.size() || !EqualsNoCase(key.substr(0, prefix.size()), prefix))
    return false;
  return key.size() == prefix.size() || key[prefix.size()] == '\\';
}

// Reads a quoted text starting at s[0] == '"', handling \\ and \" (other
// backslashes are kept as they are, as hand-written files carry Windows
// paths unescaped). *rest receives what follows the closing quote.
bool ParseQuoted(std::string_view s, std::string* out, std::string_view* rest) {
  out->clear();
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      *out += s[++i];
    } else if (s[i] == '"') {
      *rest = s.substr(i + 1);
      return true;
    } else {
      *out += s[i];
    }
  }
  return false;
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

// A REG_SZ that the quoted form carries exactly: UTF-16LE ending in its one
// terminator, no control character, no unpaired surrogate. Sets *text.
bool StringForm(const std::vector<std::uint8_t>& data, std::string* text) {
  if (data.size() < 2 || data.size() % 2) return false;
  std::u16string units;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2)
    units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  if (units.back() != 0) return false;
  units.pop_back();
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u < 0x20) return false;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      return false;
    }
  }
  *text = Utf16ToUtf8(units);
  return true;
}

std::vector<std::uint8_t> StringData(std::string_view utf8) {
  std::vector<std::uint8_t> data;
  for (char16_t u : Utf8ToUtf16(utf8)) {
    data.push_back(static_cast<std::uint8_t>(u & 0xFF));
    data.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

// The bytes of the file as UTF-8: a UTF-16LE file (byte-order mark FF FE, as
// the registry editor exports) is converted, a UTF-8 byte-order mark dropped.
bool DecodeText(std::string_view bytes, std::string* text, std::string* error) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2) {
      *error = "UTF-16 text of odd length";
      return false;
    }
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    *text = Utf16ToUtf8(units);
    return true;
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF) {
    *error = "big-endian UTF-16 is not a registry export";
    return false;
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  *text = std::string(bytes);
  return true;
}

RegistryKey* FindKey(std::vector<RegistryKey>& keys, std::string_view path) {
  for (RegistryKey& k : keys)
    if (EqualsNoCase(k.path, path)) return &k;
  return nullptr;
}

RegistryValue* FindValue(RegistryKey& key, std::string_view name) {
  for (RegistryValue& v : key.values)
    if (EqualsNoCase(v.name, name)) return &v;
  return nullptr;
}

bool KeyExists(const std::vector<RegistryKey>& keys, std::string_view path) {
  return std::any_of(keys.begin(), keys.end(),
                     [&](const RegistryKey& k) { return IsAtOrBelow(k.path, path); });
}

std::string FullPath(std::string_view key) { return std::string(kHive) + "\\" + std::string(key); }

// Orders keys as the registry editor lists them: by their names, level by
// level, each parent before its children.
bool KeyLess(const RegistryKey& a, const RegistryKey& b) {
  std::string_view x = a.path, y = b.path;
  for (;;) {
    const std::size_t ex = std::min(x.find('\\'), x.size());
    const std::size_t ey = std::min(y.find('\\'), y.size());
    const std::string_view nx = x.substr(0, ex), ny = y.substr(0, ey);
    if (!EqualsNoCase(nx, ny)) return LessNoCase(nx, ny);
    if (ex == x.size() || ey == y.size()) return ex == x.size() && ey != y.size();
    x.remove_prefix(ex + 1);
    y.remove_prefix(ey + 1);
  }
}

}  // namespace

bool ParseRegistryExport(std::string_view bytes, std::vector<RegistryKey>* keys,
                         std::string* error) {
  keys->clear();
  std::string text;
  if (!DecodeText(bytes, &text, error)) return false;

  std::vector<std::string_view> lines;
  for (std::size_t i = 0; i <= text.size();) {
    const std::size_t end = std::min(text.find('\n', i), text.size());
    lines.push_back(std::string_view(text).substr(i, end - i));
    i = end + 1;
  }

  bool sawHeader = false;
  RegistryKey* current = nullptr;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string_view line = Trim(lines[n]);
    const std::string where = "line " + std::to_string(n + 1) + ": ";
    if (line.empty() || line[0] == ';') continue;
    if (!sawHeader) {
      if (line != kHeader5 && line != kHeader4) {
        *error = where + "not a registry export (no \"" + std::string(kHeader5) + "\")";
        return false;
      }
      sawHeader = true;
      continue;
    }
    if (line[0] == '[') {
      if (line.back() != ']') {
        *error = where + "unterminated key name";
        return false;
      }
      std::string_view path = line.substr(1, line.size() - 2);
      const bool remove = !path.empty() && path[0] == '-';
      if (remove) path.remove_prefix(1);
      while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
      std::vector<std::string> names;
      if (!SplitKey(path, &names)) {
        *error = where + "bad key name";
        return false;
      }
      if (remove) {
        std::erase_if(*keys, [&](const RegistryKey& k) { return IsAtOrBelow(k.path, path); });
        current = nullptr;
        continue;
      }
      current = FindKey(*keys, path);
      if (!current) {
        keys->push_back(RegistryKey{std::string(path), {}});
        current = &keys->back();
      }
      continue;
    }
    if (!current) {
      *error = where + "value outside a key";
      return false;
    }
    RegistryValue value;
    std::string_view rest;
    if (line[0] == '@') {
      rest = line.substr(1);
    } else if (line[0] == '"') {
      if (!ParseQuoted(line, &value.name, &rest)) {
        *error = where + "unterminated value name";
        return false;
      }
    } else {
      *error = where + "unrecognised line";
      return false;
    }
    rest = Trim(rest);
    if (rest.empty() || rest[0] != '=') {
      *error = where + "missing '='";
      return false;
    }
    rest = Trim(rest.substr(1));
    if (rest == "-") {
      std::erase_if(current->values,
                    [&](const RegistryValue& v) { return EqualsNoCase(v.name, value.name); });
      continue;
    }
    if (!rest.empty() && rest[0] == '"') {
      std::string s;
      std::string_view after;
      if (!ParseQuoted(rest, &s, &after) || !Trim(after).empty()) {
        *error = where + "bad text value";
        return false;
      }
      value.type = kRegSz;
      value.data = StringData(s);
    } else if (rest.size() > 6 && EqualsNoCase(rest.substr(0, 6), "dword:")) {
      const std::string_view digits = rest.substr(6);
      if (digits.size() > 8) {
        *error = where + "bad dword value";
        return false;
      }
      std::uint32_t v = 0;
      for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) {
          *error = where + "bad dword value";
          return false;
        }
        v = (v << 4) | static_cast<std::uint32_t>(d);
      }
      value.type = kRegDword;
      value.data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                    static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    } else if (rest.size() >= 4 && EqualsNoCase(rest.substr(0, 3), "hex")) {
      std::string_view body = rest.substr(3);
      value.type = kRegBinary;
      if (!body.empty() && body[0] == '(') {
        const std::size_t close = body.find(')');
        if (close == std::string_view::npos || close < 2 || close > 9) {
          *error = where + "bad value type";
          return false;
        }
        std::uint32_t t = 0;
        for (char c : body.substr(1, close - 1)) {
          const int d = HexDigit(c);
          if (d < 0) {
            *error = where + "bad value type";
            return false;
          }
          t = (t << 4) | static_cast<std::uint32_t>(d);
        }
        value.type = t;
        body.remove_prefix(close + 1);
      }
      if (body.empty() || body[0] != ':') {
        *error = where + "bad hex value";
        return false;
      }
      std::string list(Trim(body.substr(1)));
      // A trailing backslash continues the list on the next line.
      while (!list.empty() && list.back() == '\\') {
        list.pop_back();
        if (++n >= lines.size()) {
          *error = where + "hex value continues past the end";
          return false;
        }
        list += Trim(lines[n]);
      }
      std::string_view items = list;
      while (!items.empty()) {
        const std::size_t comma = std::min(items.find(','), items.size());
        const std::string_view item = Trim(items.substr(0, comma));
        if (item.empty() || item.size() > 2 || HexDigit(item[0]) < 0 ||
            (item.size() == 2 && HexDigit(item[1]) < 0)) {
          *error = where + "bad hex byte";
          return false;
        }
        int b = HexDigit(item[0]);
        if (item.size() == 2) b = b * 16 + HexDigit(item[1]);
        value.data.push_back(static_cast<std::uint8_t>(b));
        // A trailing comma leaves nothing and ends the list.
        items.remove_prefix(comma == items.size() ? comma : comma + 1);
      }
    } else {
      *error = where + "unrecognised value";
      return false;
    }
    if (RegistryValue* old = FindValue(*current, value.name)) {
      *old = std::move(value);
    } else {
      current->values.push_back(std::move(value));
    }
  }
  if (!sawHeader && !Trim(text).empty()) {
    *error = "not a registry export";
    return false;
  }
  return true;
}

std::string FormatRegistryExport(const std::vector<RegistryKey>& keys) {
  std::vector<RegistryKey> sorted = keys;
  std::stable_sort(sorted.begin(), sorted.end(), KeyLess);
  std::string out = std::string(kHeader5) + "\n";
  for (const RegistryKey& key : sorted) {
    out += "\n[" + key.path + "]\n";
    for (const RegistryValue& v : key.values) {
      std::string line = v.name.empty() ? "@" : Quote(v.name);
      line += '=';
      std::string text;
      if (v.type == kRegSz && StringForm(v.data, &text)) {
        line += Quote(text);
      } else if (v.type == kRegDword && v.data.size() == 4) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x",
                      static_cast<unsigned>(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) |
                                            (static_cast<std::uint32_t>(v.data[3]) << 24)));
        line += buf;
      } else {
        char buf[24];
        if (v.type == kRegBinary) {
          line += "hex:";
        } else {
          std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
          line += buf;
        }
        // Wrapped as the registry editor wraps, near 80 columns.
        for (std::size_t i = 0; i < v.data.size(); ++i) {
          std::snprintf(buf, sizeof buf, "%02x", v.data[i]);
          line += buf;
          if (i + 1 < v.data.size()) {
            line += ',';
            if (line.size() > 75) {
              out += line + "\\\n";
              line = "  ";
            }
          }
        }
      }
      out += line + "\n";
    }
  }
  return out;
}

struct FileRegistry::Store {
  std::vector<RegistryKey> keys;
};

FileRegistry::FileRegistry(std::string path) : path_(std::move(path)) {}
FileRegistry::~FileRegistry() = default;

bool FileRegistry::Load(Store& store) {
  store.keys.clear();
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return true;  // no store yet: an empty registry
    error_ = path_ + ": " + std::strerror(errno);
    return false;
  }
  std::string bytes;
  char buf[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error_ = path_ + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (got == 0) break;
    if (bytes.size() + static_cast<std::size_t>(got) > kMaxStoreBytes) {
      error_ = path_ + ": too large for a registry store";
      ::close(fd);
      return false;
    }
    bytes.append(buf, static_cast<std::size_t>(got));
  }
  ::close(fd);
  std::string why;
  if (!ParseRegistryExport(bytes, &store.keys, &why)) {
    error_ = path_ + ": " + why;
    return false;
  }
  return true;
}

template <typename Fn>
bool FileRegistry::Modify(Fn&& change) {
  // The folder of the store, created when missing.
  const std::size_t slash = path_.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    const std::string folder = path_.substr(0, slash);
    for (std::size_t i = 1; i <= folder.size(); ++i)
      if (i == folder.size() || folder[i] == '/') ::mkdir(folder.substr(0, i).c_str(), 0700);
  }
  // One lock file beside the store serialises every change of every
  // process: each change re-reads the store under the lock, so none is lost.
  const std::string lockPath = path_ + ".lock";
  const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) {
    error_ = lockPath + ": " + std::strerror(errno);
    return false;
  }
  while (::flock(lock, LOCK_EX) != 0 && errno == EINTR) {
  }
  Store store;
  bool ok = Load(store);
  bool changed = false;
  if (ok) ok = change(store, changed);
  if (ok && changed) {
    const std::string text = FormatRegistryExport(store.keys);
    const std::string temp = path_ + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ok = fd >= 0;
    std::size_t done = 0;
    while (ok && done < text.size()) {
      const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) ok = false;
      else done += static_cast<std::size_t>(put);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), path_.c_str()) != 0) ok = false;
    if (!ok) {
      error_ = path_ + ": cannot be written: " + std::strerror(errno);
      ::unlink(temp.c_str());
    }
  }
  ::close(lock);  // drops the lock
  return ok;
}

bool FileRegistry::CreateKey(std::string_view key) {
  std::vector<std::string> names;
  if (!SplitKey(key, &names)) {
    error_ = "bad key name";
    return false;
  }
  names.insert(names.begin(), std::string(kHive));
  {
    Store store;
    if (!Load(store)) return false;
    if (KeyExists(store.keys, JoinKey(names, names.size()))) {
      error_.clear();
      return true;
    }
  }
  const bool ok = Modify([&](Store& store, bool& changed) {
    for (std::size_t level = 2; level <= names.size(); ++level) {
      const std::string path = JoinKey(names, level);
      if (!FindKey(store.keys, path)) {
        store.keys.push_back(RegistryKey{path, {}});
        changed = true;
      }
    }
    return true;
  });
  if (ok) error_.clear();
  return ok;
}

bool FileRegistry::OpenKey(std::string_view key) {
  std::vector<std::string> names;
  if (!SplitKey(key, &names)) return false;
  Store store;
  if (!Load(store)) return false;
  error_.clear();
  return KeyExists(store.keys, FullPath(key));
}

RegStatus FileRegistry::QueryValue(std::string_view key, std::string_view name,
                                   std::uint32_t* type, void* data, std::uint32_t* size) {
  std::vector<std::string> names;
  if (!SplitKey(key, &names)) return RegStatus::kNotFound;
  Store store;
  if (!Load(store)) return RegStatus::kFailed;
  error_.clear();
  const std::string path = FullPath(key);
  if (!KeyExists(store.keys, path)) return RegStatus::kNotFound;
  RegistryKey* k = FindKey(store.keys, path);
  RegistryValue* v = k ? FindValue(*k, name) : nullptr;
  if (!v) return RegStatus::kNotFound;
  if (v->data.size() > 0xFFFFFFFFu) return RegStatus::kFailed;
  const auto length = static_cast<std::uint32_t>(v->data.size());
  if (!size || (length > 0 && !data)) return RegStatus::kFailed;
  if (length > *size) {
    *size = length;
    return RegStatus::kMoreData;
  }
  if (length) std::memcpy(data, v->data.data(), length);
  *size = length;
  if (type) *type = v->type;
  return RegStatus::kOk;
}

bool FileRegistry::SetValue(std::string_view key, std::string_view name, std::uint32_t type,
                            const void* data, std::uint32_t size) {
  std::vector<std::string> names;
  if (!SplitKey(key, &names) || name.find_first_of("\r\n") != std::string_view::npos ||
      (size && !data)) {
    error_ = "bad key or value name";
    return false;
  }
  const std::string path = FullPath(key);
  bool missing = false;
  const bool ok = Modify([&](Store& store, bool& changed) {
    if (!KeyExists(store.keys, path)) {
      missing = true;
      return false;
    }
    RegistryKey* k = FindKey(store.keys, path);
    if (!k) {  // exists only as the parent of a listed key
      store.keys.push_back(RegistryKey{path, {}});
      k = &store.keys.back();
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    RegistryValue value{std::string(name), type, std::vector<std::uint8_t>(bytes, bytes + size)};
    if (RegistryValue* old = FindValue(*k, name)) {
      value.name = old->name;  // keeps the spelling it was created with
      *old = std::move(value);
    } else {
      k->values.push_back(std::move(value));
    }
    changed = true;
    return true;
  });
  if (missing) error_ = "no such key";
  else if (ok) error_.clear();
  return ok;
}

std::string DefaultRegistryPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && *config) {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home ? home : "") + "/.config";
  }
  return base + "/ZEVA/registry.reg";
}

}  // namespace platform
