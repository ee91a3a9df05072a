#pragma once
// Programmer errors: exceptions with a name and a reason.
#include <exception>
#include <string>

#include "platform/runtime/Ref.h"
#include "platform/runtime/String.h"

namespace rt {

inline constexpr const char* InvalidArgumentException = "NSInvalidArgumentException";
inline constexpr const char* InternalInconsistencyException = "NSInternalInconsistencyException";
inline constexpr const char* RangeException = "NSRangeException";
inline constexpr const char* UndefinedKeyException = "NSUnknownKeyException";
inline constexpr const char* GenericException = "NSGenericException";
inline constexpr const char* InvalidUnarchiveOperationException = "NSInvalidUnarchiveOperationException";
inline constexpr const char* InvalidArchiveOperationException = "NSInvalidArchiveOperationException";

class Exception : public std::exception {
 public:
  Exception(String name, String reason, Id userInfo = nullptr);
  const String& name() const { return name_; }
  const String& reason() const { return reason_; }
  const Id& userInfo() const { return userInfo_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  String name_, reason_;
  Id userInfo_;
  std::string what_;
};

[[noreturn]] void raise(const String& name, const String& reason, Id userInfo = nullptr);
template <class... A>
[[noreturn]] void raiseFormat(const String& name, const String& fmt, const A&... args) {
  raise(name, String::format(fmt, args...));
}

}  // namespace rt
