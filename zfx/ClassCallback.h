// A callback that calls a member function of its owner with a list of wide
// strings.  An image consults one before it takes a new name.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zfx {

class CClassCallbackBase {
 public:
  using Arguments = std::vector<std::wstring>;

  // Calls the owner with the current arguments; its answer is the result.
  virtual bool Call() = 0;

  void SetArguments(Arguments args) { m_arguments = std::move(args); }
  const Arguments& GetArguments() const { return m_arguments; }

 protected:
  CClassCallbackBase() = default;
  CClassCallbackBase(const CClassCallbackBase&) = default;
  CClassCallbackBase& operator=(const CClassCallbackBase&) = default;
  // Never destroyed through this base.
  ~CClassCallbackBase() = default;

  Arguments m_arguments;
};

template <typename Owner>
class CClassCallback final : public CClassCallbackBase {
 public:
  using Method = bool (Owner::*)(const Arguments& args);

  CClassCallback(Owner* owner, Method method) : m_owner(owner), m_method(method) {}

  bool Call() override { return m_owner != nullptr && m_method != nullptr && (m_owner->*m_method)(m_arguments); }

 private:
  Owner* m_owner;
  Method m_method;
};

}  // namespace zfx
