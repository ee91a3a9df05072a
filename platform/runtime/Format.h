#pragma once
// printf-style formatting with the platform's extras: "%@" prints an object's description
// (or a String), "%s" a C string, integer conversions take any integer argument whatever
// their length modifier ("%d", "%ld", "%lld", "%zd", "%lu", "%llu", "%tu", "%02X", ...),
// float conversions any floating argument ("%f", "%.2f", "%0.1g", "%g").
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace rt {

class Object;
class String;

class FormatArg {
 public:
  enum class Kind : uint8_t { Int, UInt, Double, CStr, Str, Obj, Ptr, U16Str };
  template <class T> requires(std::is_integral_v<T> && std::is_signed_v<T>)
  FormatArg(T v) : kind_(Kind::Int), size_(sizeof(T)) { i_ = v; }
  template <class T> requires(std::is_integral_v<T> && std::is_unsigned_v<T>)
  FormatArg(T v) : kind_(Kind::UInt), size_(sizeof(T)) { u_ = v; }
  template <class T> requires std::is_enum_v<T>
  FormatArg(T v) : FormatArg(static_cast<std::underlying_type_t<T>>(v)) {}
  FormatArg(double v) : kind_(Kind::Double) { d_ = v; }
  FormatArg(float v) : kind_(Kind::Double) { d_ = v; }
  FormatArg(long double v) : kind_(Kind::Double) { d_ = static_cast<double>(v); }
  FormatArg(const char* s) : kind_(Kind::CStr) { s_ = s; }
  FormatArg(const String& s) : kind_(Kind::Str) { str_ = &s; }
  FormatArg(const char16_t* s) : kind_(Kind::U16Str) { w_ = s; }  // zero-terminated UTF-16
  FormatArg(const Object* o) : kind_(Kind::Obj) { o_ = o; }
  template <class T> requires std::is_base_of_v<Object, T>
  FormatArg(const std::shared_ptr<T>& o) : kind_(Kind::Obj) { o_ = o.get(); }
  FormatArg(const void* p) : kind_(Kind::Ptr) { p_ = p; }
  FormatArg(std::nullptr_t) : kind_(Kind::Obj) { o_ = nullptr; }

  Kind kind() const { return kind_; }
  /// Size in bytes of an integer argument's own type: a signed value printed by an unsigned
  /// conversion shows that many bytes of its bits, as printf does.
  uint8_t size() const { return size_; }
  int64_t i() const { return i_; }
  uint64_t u() const { return u_; }
  double d() const { return d_; }
  const char* cstr() const { return s_; }
  const String& str() const { return *str_; }
  const char16_t* u16str() const { return w_; }
  const Object* obj() const { return o_; }
  const void* ptr() const { return p_; }

 private:
  Kind kind_;
  uint8_t size_ = 8;
  union {
    int64_t i_;
    uint64_t u_;
    double d_;
    const char* s_;
    const String* str_;
    const char16_t* w_;
    const Object* o_;
    const void* p_;
  };
};

/// Formats with an explicit argument list. A conversion with no argument left prints nothing;
/// a mismatched kind is converted (an integer for "%f" prints as a double and so on).
String formatString(const String& fmt, const std::vector<FormatArg>& args);

}  // namespace rt

#include "platform/runtime/String.h"

namespace rt {
template <class... A> String String::format(const String& fmt, const A&... args) {
  return formatString(fmt, std::vector<FormatArg>{FormatArg(args)...});
}
}  // namespace rt
