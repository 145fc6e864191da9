// Fakes of the platform services for tests: an in-memory registry, mutexes
// that live in a set of names, and a fixed documents folder.
#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Mutex.h"
#include "platform/PersonalFolder.h"
#include "platform/Registry.h"
#include "platform/Text.h"

namespace kaocg_test {

// Keys and values in maps keyed by their case-folded names.
class FakeRegistry final : public platform::IRegistry {
 public:
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };

  bool CreateKey(std::string_view key) override {
    if (failCreate) return false;
    std::string path;
    for (std::size_t i = 0; i <= key.size(); ++i) {
      if (i == key.size() || key[i] == '\\') keys_[Fold(key.substr(0, i))];
    }
    return true;
  }
  bool OpenKey(std::string_view key) override { return keys_.count(Fold(key)) != 0; }
  platform::RegStatus QueryValue(std::string_view key, std::string_view name, std::uint32_t* type,
                                 void* data, std::uint32_t* size) override {
    auto k = keys_.find(Fold(key));
    if (k == keys_.end()) return platform::RegStatus::kNotFound;
    auto v = k->second.find(Fold(name));
    if (v == k->second.end()) return platform::RegStatus::kNotFound;
    const auto n = static_cast<std::uint32_t>(v->second.data.size());
    if (n > *size) {
      *size = n;
      return platform::RegStatus::kMoreData;
    }
    if (n) std::memcpy(data, v->second.data.data(), n);
    *size = n;
    if (type) *type = v->second.type;
    return platform::RegStatus::kOk;
  }
  bool SetValue(std::string_view key, std::string_view name, std::uint32_t type, const void* data,
                std::uint32_t size) override {
    auto k = keys_.find(Fold(key));
    if (k == keys_.end()) return false;
    const auto* b = static_cast<const std::uint8_t*>(data);
    k->second[Fold(name)] = Value{type, std::vector<std::uint8_t>(b, b + size)};
    return true;
  }

  // Test helpers.
  void SetString(std::string_view key, std::string_view name, std::string_view utf8) {
    CreateKey(key);
    std::vector<std::uint8_t> data;
    for (char16_t u : platform::Utf8ToUtf16(utf8)) {
      data.push_back(static_cast<std::uint8_t>(u));
      data.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    SetValue(key, name, platform::kRegSz, data.data(), static_cast<std::uint32_t>(data.size()));
  }
  bool HasKey(std::string_view key) const { return keys_.count(Fold(key)) != 0; }
  const Value* Find(std::string_view key, std::string_view name) const {
    auto k = keys_.find(Fold(key));
    if (k == keys_.end()) return nullptr;
    auto v = k->second.find(Fold(name));
    return v == k->second.end() ? nullptr : &v->second;
  }

  bool failCreate = false;

 private:
  static std::string Fold(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = platform::AsciiLower(c);
    return out;
  }
  std::map<std::string, std::map<std::string, Value>> keys_;
};

// A named mutex exists while a handle of its name is open. Names that
// "others" hold stand for other processes.
class FakeMutexes final : public platform::IMutexes {
 public:
  platform::MutexHandle Create(std::string_view fullName) override {
    created.emplace_back(fullName);
    const std::string name(fullName);
    if (failAll || others.count(name) || open_->count(name)) return nullptr;
    return std::make_unique<Handle>(open_, name);
  }
  bool IsOpen(const std::string& name) const { return open_->count(name) != 0; }

  std::set<std::string> others;
  std::vector<std::string> created;
  bool failAll = false;

 private:
  struct Handle final : platform::IMutexHandle {
    Handle(std::shared_ptr<std::set<std::string>> open, std::string name)
        : open_(std::move(open)), name_(std::move(name)) {
      open_->insert(name_);
    }
    ~Handle() override { open_->erase(name_); }
    std::shared_ptr<std::set<std::string>> open_;
    std::string name_;
  };
  std::shared_ptr<std::set<std::string>> open_ = std::make_shared<std::set<std::string>>();
};

class FakePersonalFolder final : public platform::IPersonalFolder {
 public:
  explicit FakePersonalFolder(std::string folder) : folder(std::move(folder)) {}
  std::string GetPersonalFolder() override { return folder; }
  std::string folder;
};

}  // namespace kaocg_test
