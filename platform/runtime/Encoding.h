#pragma once
// Type encodings in the runtime's textual form ("i", "q", "d", "B", "@\"NSString\"",
// "{CGRect={CGPoint=dd}{CGSize=dd}}"), generated from C++ types.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/runtime/Ref.h"
#include "platform/runtime/Selector.h"

namespace rt {

class String;

/// Specialise for a plain struct that the runtime should box and encode:
///   template <> struct StructEncoding<gfx::Point> { static constexpr const char* value = "{CGPoint=dd}"; };
template <class T> struct StructEncoding;

template <class T, class = void> struct HasStructEncoding : std::false_type {};
template <class T>
struct HasStructEncoding<T, std::void_t<decltype(StructEncoding<T>::value)>> : std::true_type {};

/// Specialise to give a registered class's runtime name to object encodings (done by RT_CLASS).
template <class T, class = void> struct ClassNameOf { static constexpr const char* value = nullptr; };
template <class T>
struct ClassNameOf<T, std::void_t<decltype(T::kRuntimeClassName)>> {
  static constexpr const char* value = T::kRuntimeClassName;
};

template <class T> struct IsRef : std::false_type {};
template <class T> struct IsRef<std::shared_ptr<T>> : std::true_type { using element = T; };
template <class T> struct IsWeak : std::false_type {};
template <class T> struct IsWeak<std::weak_ptr<T>> : std::true_type { using element = T; };
template <class T> struct IsFunction : std::false_type {};
template <class R, class... A> struct IsFunction<std::function<R(A...)>> : std::true_type {};

template <class T> std::string objectEncoding() {
  const char* n = ClassNameOf<T>::value;
  if (!n || std::string_view(n) == "NSObject") return "@";
  // Sized first: GCC 12 takes the short-string buffer of a chain of + for overflowing.
  const size_t length = std::char_traits<char>::length(n);
  std::string encoding(length + 3, '"');
  encoding[0] = '@';
  encoding.replace(2, length, n, length);
  return encoding;
}

/// The encoding of a C++ type as the runtime writes it.
template <class T> std::string encodingOf() {
  using U = std::remove_cv_t<T>;
  if constexpr (std::is_same_v<U, bool>) return "B";
  else if constexpr (std::is_same_v<U, char> || std::is_same_v<U, signed char>) return "c";
  else if constexpr (std::is_same_v<U, unsigned char>) return "C";
  else if constexpr (std::is_same_v<U, short>) return "s";
  else if constexpr (std::is_same_v<U, unsigned short>) return "S";
  else if constexpr (std::is_same_v<U, int>) return "i";
  else if constexpr (std::is_same_v<U, unsigned>) return "I";
  else if constexpr (std::is_same_v<U, long> || std::is_same_v<U, long long>) return "q";
  else if constexpr (std::is_same_v<U, unsigned long> || std::is_same_v<U, unsigned long long>) return "Q";
  else if constexpr (std::is_same_v<U, float>) return "f";
  else if constexpr (std::is_same_v<U, double>) return "d";
  else if constexpr (std::is_same_v<U, long double>) return "D";
  else if constexpr (std::is_same_v<U, void>) return "v";
  else if constexpr (std::is_enum_v<U>) return encodingOf<std::underlying_type_t<U>>();
  else if constexpr (std::is_same_v<U, String>) return "@\"NSString\"";
  else if constexpr (IsRef<U>::value) return objectEncoding<typename IsRef<U>::element>();
  else if constexpr (IsWeak<U>::value) return objectEncoding<typename IsWeak<U>::element>();
  else if constexpr (IsFunction<U>::value) return "@?";
  else if constexpr (std::is_same_v<U, const Class*> || std::is_same_v<U, Class*>) return "#";
  else if constexpr (std::is_same_v<U, Selector>) return ":";
  else if constexpr (std::is_same_v<U, const char*> || std::is_same_v<U, char*>) return "*";
  else if constexpr (std::is_same_v<U, void*> || std::is_same_v<U, const void*>) return "^v";
  else if constexpr (HasStructEncoding<U>::value) return StructEncoding<U>::value;
  else static_assert(sizeof(U) == 0, "type has no runtime encoding");
}

/// Coarse kind of an encoding's first type (qualifiers "rnNoORV" skipped).
enum class EncodingKind : uint8_t {
  Unknown, Void, Bool, Char, UChar, Short, UShort, Int, UInt, LongLong, ULongLong, Float,
  Double, LongDouble, Object, Block, Class, Selector, CString, Pointer, Struct, Union, Array,
};
EncodingKind encodingKind(std::string_view encoding);
/// Skips leading type qualifiers.
std::string_view stripQualifiers(std::string_view encoding);
/// The class name inside "@\"Name\"" (empty for "@", for protocols "@\"<P>\"" and on error).
std::string encodedClassName(std::string_view encoding);
/// Size and alignment of the first type of an encoding; false when it cannot be sized
/// (unknown codes, or larger than `limit` bytes).
bool sizeAndAlignment(std::string_view encoding, size_t* size, size_t* align, size_t limit = 256);
/// Length of the first complete type in an encoding (0 on malformed input).
size_t encodingLength(std::string_view encoding);

}  // namespace rt
