// Base of the toolkit's objects that own resources and must not be copied.
#pragma once

namespace zfx {

class CNonCopyable {
 public:
  CNonCopyable() = default;
  CNonCopyable(const CNonCopyable&) = delete;
  CNonCopyable& operator=(const CNonCopyable&) = delete;
  virtual ~CNonCopyable() = default;
};

}  // namespace zfx
