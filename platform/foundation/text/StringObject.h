#pragma once
// String objects: the boxed form of fd::String that collections, JSON and key-value coding
// carry. Immutable strings are shared freely; mutable ones derive from them.
#include <optional>

#include "platform/foundation/Types.h"

namespace fd {

class StringObject : public Object {
  RT_CLASS_NAMED(StringObject, Object, "NSString")
 public:
  void init() {}
  void init(String s) { string_ = std::move(s); }
  static Ref<StringObject> create(String s);

  const String& string() const { return string_; }
  size_t length() const { return string_.length(); }
  char16_t characterAtIndex(size_t i) const;  // raises NSRangeException beyond the end
  bool isEqualToString(const String& s) const { return string_ == s; }

  int32_t intValue() const { return string_.intValue(); }
  int64_t integerValue() const { return string_.integerValue(); }
  double doubleValue() const { return string_.doubleValue(); }
  bool boolValue() const { return string_.boolValue(); }

  String description() const override { return string_; }
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return string_.hash(); }
  /// An immutable string answers itself.
  Id copy() const override;
  Id mutableCopy() const override;

 protected:
  String string_;
};

class MutableStringObject : public StringObject {
  RT_CLASS_NAMED(MutableStringObject, StringObject, "NSMutableString")
 public:
  static Ref<MutableStringObject> create(String s = String());

  void appendString(const String& s) { string_.append(s); }
  void setString(const String& s) { string_ = s; }
  /// Raises NSRangeException when `at` is beyond the end.
  void insertString(const String& s, size_t at);
  void deleteCharactersInRange(Range r);
  void replaceCharactersInRange(Range r, const String& s);
  /// Replaces every occurrence within `within`; answers the number replaced.
  size_t replaceOccurrencesOfString(const String& target, const String& replacement,
                                    uint32_t options, Range within);
  template <class... A> void appendFormat(const String& fmt, const A&... args) {
    string_.append(String::format(fmt, args...));
  }

  /// Copies are immutable strings with the current contents.
  Id copy() const override;

 private:
  void checkRange(Range r, const char* method) const;
};

/// Boxes a string into an immutable string object.
Ref<StringObject> box(String s);
/// The text of a string object (mutable or not); nullopt for anything else, null included.
std::optional<String> stringValue(const Id& o);

}  // namespace fd
