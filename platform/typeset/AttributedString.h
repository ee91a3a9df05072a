#pragma once
// Attributed strings: UTF-16 text with runs of attribute dictionaries. Runs are kept as a
// sorted vector of start offsets, so lookups are a binary search and equal neighbours merge.
#include <functional>
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/typeset/Types.h"

namespace typeset {

/// Attribute enumeration options, with the platform's values.
enum AttributedStringEnumerationOptions : uint32_t {
  AttributedStringEnumerationReverse = 1u << 1,
  AttributedStringEnumerationLongestEffectiveRangeNotRequired = 1u << 20,
};

class MutableAttributedString;

class AttributedString : public rt::Object, public fd::Coding {
  RT_CLASS_NAMED(AttributedString, rt::Object, "NSAttributedString")
 public:
  using Attributes = Ref<fd::Dictionary>;

  void init() {}
  void init(String string, Attributes attributes = nullptr);
  void init(const AttributedString& other);
  static Ref<AttributedString> create(const String& string, Attributes attributes = nullptr);

  const String& string() const { return string_; }
  size_t length() const { return string_.length(); }

  /// The attributes at `index` (never null; empty when none) and the range of the run holding
  /// them. Raises NSRangeException at or beyond the end.
  Attributes attributesAtIndex(size_t index, Range* effectiveRange = nullptr) const;
  /// The same, with the range widened over neighbouring runs with equal attributes, clipped
  /// to `rangeLimit`.
  Attributes attributesAtIndex(size_t index, Range* longestEffectiveRange, Range rangeLimit) const;
  Id attributeAtIndex(const String& name, size_t index, Range* effectiveRange = nullptr) const;
  Id attributeAtIndex(const String& name, size_t index, Range* longestEffectiveRange, Range rangeLimit) const;

  using AttributesBlock = std::function<void(const Attributes& attributes, Range range, bool& stop)>;
  using AttributeBlock = std::function<void(const Id& value, Range range, bool& stop)>;
  void enumerateAttributes(Range range, uint32_t options, const AttributesBlock& block) const;
  void enumerateAttribute(const String& name, Range range, uint32_t options, const AttributeBlock& block) const;

  Ref<AttributedString> attributedSubstringFromRange(Range range) const;
  bool isEqualToAttributedString(const AttributedString& other) const;

  /// Number of stored runs (for tests of run merging and for layout).
  size_t runCount() const { return runs_.size(); }

  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override { return string_.hash(); }
  String description() const override;
  rt::Id copy() const override;
  rt::Id mutableCopy() const override;
  /// The text and its runs; decoding refuses runs that do not cover the text exactly.
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 protected:
  struct RunEntry {
    uint64_t start;
    Attributes attributes;
  };
  static const Attributes& emptyAttributes();
  static bool sameAttributes(const Attributes& a, const Attributes& b);
  size_t runIndexAt(size_t index) const;
  uint64_t runEnd(size_t runIndex) const;
  void checkRange(Range r) const;
  void checkIndex(size_t index) const;

  String string_;
  std::vector<RunEntry> runs_;  // ascending starts, the first at 0; none for empty text
  friend class MutableAttributedString;
};

class MutableAttributedString : public AttributedString {
  RT_CLASS_NAMED(MutableAttributedString, AttributedString, "NSMutableAttributedString")
 public:
  static Ref<MutableAttributedString> create(const String& string = String(), Attributes attributes = nullptr);

  /// New characters take the attributes of the first replaced character, or of the
  /// character before the range (after it at the very start).
  void replaceCharactersInRange(Range range, const String& string);
  void replaceCharactersInRange(Range range, const AttributedString& string);
  void deleteCharactersInRange(Range range) { replaceCharactersInRange(range, String()); }
  void insertAttributedString(const AttributedString& string, size_t index);
  void appendAttributedString(const AttributedString& string);
  void setAttributedString(const AttributedString& string);

  void setAttributes(Attributes attributes, Range range);
  void addAttribute(const String& name, const Id& value, Range range);
  void addAttributes(const fd::Dictionary& attributes, Range range);
  void removeAttribute(const String& name, Range range);

  void beginEditing() {}
  void endEditing() {}

  rt::Id copy() const override;

 private:
  void splitAt(uint64_t position);
  void coalesce();
  void modify(Range range, const std::function<Attributes(const Attributes&)>& change);
};

}  // namespace typeset
