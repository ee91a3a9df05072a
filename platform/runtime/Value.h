#pragma once
// A tagged value of any type a property or method can take, carrying its exact encoding.
// Property getters and setters of registered classes exchange these.
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/Encoding.h"
#include "platform/runtime/Ref.h"
#include "platform/runtime/Selector.h"
#include "platform/runtime/String.h"

namespace rt {

class Value;
// Defined in Block.h; declared here so that Value can box blocks without a cycle.
template <class R, class... A> Ref<Object> boxBlockObject(const std::function<R(A...)>& f);
template <class F> bool unboxBlockObject(const Id& o, F& out);

/// Conversions between plain values and the value objects of the Foundation layer
/// (strings, numbers, boxed structs, the null object). The Foundation layer installs them
/// at start-up; the runtime itself knows no value classes.
struct Boxing {
  Id (*boxString)(const String&) = nullptr;
  bool (*unboxString)(const Id&, String&) = nullptr;
  /// Numbers become number objects (booleans stay booleans), structs boxed values,
  /// anything else without an object form the null object.
  Id (*box)(const Value&) = nullptr;
  /// Unboxes an object into a value of the given encoding; false when the object is of the
  /// wrong kind (a dictionary for an integer, a boxed size for a rect...).
  bool (*unbox)(const Id&, std::string_view encoding, Value&) = nullptr;
  Id (*null)() = nullptr;
};
Boxing& boxing();
/// Raised when a string is boxed before the Foundation layer installed its hooks.
[[noreturn]] void missingBoxing();

class Value {
 public:
  enum class Kind : uint8_t { Void, Bool, Int, UInt, Float, Object, Class, Selector, Pointer, CString, Struct };

  Value() = default;
  static Value ofBool(bool b, const char* enc = "B");
  static Value ofInt(int64_t v, const char* enc = "q");
  static Value ofUInt(uint64_t v, const char* enc = "Q");
  static Value ofDouble(double v, const char* enc = "d");
  static Value ofObject(Id o, std::string enc = "@");
  static Value ofClass(const Class* c);
  static Value ofSelector(Selector s);
  static Value ofPointer(void* p, const char* enc = "^v");
  static Value ofCString(const char* s);
  static Value ofStruct(const void* bytes, size_t size, std::string enc);

  /// Boxes any encodable C++ value.
  template <class T> static Value of(const T& v);
  /// Unboxes to T; numbers convert between kinds; the empty value gives T's zero; a kind
  /// mismatch answers false.
  template <class T> bool get(T& out) const;

  Kind kind() const { return kind_; }
  const std::string& encoding() const { return encoding_; }
  bool isNumeric() const { return kind_ == Kind::Bool || kind_ == Kind::Int || kind_ == Kind::UInt || kind_ == Kind::Float; }
  bool boolValue() const;
  int64_t intValue() const;
  uint64_t uintValue() const;
  double doubleValue() const;
  const Id& object() const { return object_; }
  const Class* classValue() const { return kind_ == Kind::Class ? cls_ : nullptr; }
  Selector selector() const { return kind_ == Kind::Selector ? sel_ : Selector(); }
  void* pointer() const { return kind_ == Kind::Pointer ? ptr_ : nullptr; }
  const char* cString() const { return kind_ == Kind::CString ? cstr_ : nullptr; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  Kind kind_ = Kind::Void;
  std::string encoding_ = "v";
  union {
    bool b_;
    int64_t i_;
    uint64_t u_;
    double d_;
    const Class* cls_;
    Selector sel_{};
    void* ptr_;
    const char* cstr_;
  };
  Id object_;
  std::vector<uint8_t> bytes_;
};

template <class T> Value Value::of(const T& v) {
  using U = std::remove_cv_t<T>;
  static const std::string enc = encodingOf<U>();
  if constexpr (std::is_same_v<U, bool>) return ofBool(v, enc.c_str());
  else if constexpr (std::is_same_v<U, String>) {
    if (!boxing().boxString) missingBoxing();
    return ofObject(boxing().boxString(v), enc);
  }
  else if constexpr (std::is_enum_v<U>) return ofInt(static_cast<int64_t>(v), enc.c_str());
  else if constexpr (std::is_integral_v<U> && std::is_signed_v<U>) return ofInt(v, enc.c_str());
  else if constexpr (std::is_integral_v<U>) return ofUInt(v, enc.c_str());
  else if constexpr (std::is_floating_point_v<U>) return ofDouble(static_cast<double>(v), enc.c_str());
  else if constexpr (IsFunction<U>::value) return ofObject(boxBlockObject(v), enc);
  else if constexpr (IsRef<U>::value) return ofObject(std::static_pointer_cast<Object>(v), enc);
  else if constexpr (IsWeak<U>::value) return ofObject(std::static_pointer_cast<Object>(v.lock()), enc);
  else if constexpr (std::is_same_v<U, const Class*> || std::is_same_v<U, Class*>) return ofClass(v);
  else if constexpr (std::is_same_v<U, Selector>) return ofSelector(v);
  else if constexpr (std::is_same_v<U, const char*> || std::is_same_v<U, char*>) return ofCString(v);
  else if constexpr (std::is_same_v<U, void*>) return ofPointer(v);
  else if constexpr (HasStructEncoding<U>::value) {
    static_assert(std::is_trivially_copyable_v<U>);
    return ofStruct(&v, sizeof(U), enc);
  } else static_assert(sizeof(U) == 0, "no Value boxing for this type");
}

template <class T> bool Value::get(T& out) const {
  using U = std::remove_cv_t<T>;
  // The empty value unboxes to the zero of any type (what a message to nobody answers).
  if (kind_ == Kind::Void) {
    out = U{};
    return true;
  }
  if constexpr (std::is_same_v<U, bool>) {
    if (!isNumeric()) return false;
    out = boolValue();
    return true;
  } else if constexpr (std::is_same_v<U, String>) {
    if (kind_ != Kind::Object && kind_ != Kind::Void) return false;
    if (!object_) { out = String(); return true; }
    if (!boxing().unboxString) missingBoxing();
    return boxing().unboxString(object_, out);
  } else if constexpr (std::is_enum_v<U>) {
    if (!isNumeric()) return false;
    out = static_cast<U>(intValue());
    return true;
  } else if constexpr (std::is_integral_v<U> && std::is_signed_v<U>) {
    if (!isNumeric()) return false;
    out = static_cast<U>(intValue());
    return true;
  } else if constexpr (std::is_integral_v<U>) {
    if (!isNumeric()) return false;
    out = static_cast<U>(uintValue());
    return true;
  } else if constexpr (std::is_floating_point_v<U>) {
    if (!isNumeric()) return false;
    out = static_cast<U>(doubleValue());
    return true;
  } else if constexpr (IsFunction<U>::value) {
    if (kind_ != Kind::Object && kind_ != Kind::Void) return false;
    return unboxBlockObject(object_, out);
  } else if constexpr (IsRef<U>::value || IsWeak<U>::value) {
    using E = typename U::element_type;
    if (kind_ != Kind::Object && kind_ != Kind::Void) return false;
    if (!object_) { out = U(); return true; }
    auto p = std::dynamic_pointer_cast<E>(object_);
    if (!p) return false;
    out = p;
    return true;
  } else if constexpr (std::is_same_v<U, const Class*>) {
    if (kind_ != Kind::Class) return false;
    out = cls_;
    return true;
  } else if constexpr (std::is_same_v<U, Selector>) {
    if (kind_ != Kind::Selector) return false;
    out = sel_;
    return true;
  } else if constexpr (std::is_same_v<U, const char*>) {
    if (kind_ != Kind::CString) return false;
    out = cstr_;
    return true;
  } else if constexpr (std::is_same_v<U, void*>) {
    if (kind_ != Kind::Pointer) return false;
    out = ptr_;
    return true;
  } else if constexpr (HasStructEncoding<U>::value) {
    if (kind_ != Kind::Struct || encoding_ != StructEncoding<U>::value || bytes_.size() != sizeof(U)) return false;
    std::memcpy(&out, bytes_.data(), sizeof(U));
    return true;
  } else {
    static_assert(sizeof(U) == 0, "no Value unboxing for this type");
  }
}

}  // namespace rt

// Block boxing is defined with the object model.
#include "platform/runtime/Object.h"
