#pragma once
// Places and stretches in a text, as text input hands them around. Offsets are UTF-16 units;
// both values are immutable once made (copies may share them). Nothing here checks an offset
// against a text: whoever owns the text corrects positions it is given.
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/Range.h"
#include "platform/ui/input/text/TextInputTypes.h"

namespace ui {

class TextPosition : public rt::Object {
  RT_CLASS_NAMED(TextPosition, rt::Object, "UITextPosition")
 public:
  void init(int64_t offset = 0, TextAffinity affinity = TextAffinity::Forward) {
    offset_ = offset, affinity_ = affinity;
  }
  int64_t offset() const { return offset_; }
  TextAffinity affinity() const { return affinity_; }

  /// -1 when this position comes first (a null other counts as later), 0 when neither does,
  /// 1 when it comes after. At one offset the backward place comes before the forward one.
  int compare(const TextPosition* other) const;
  int compare(const Ref<TextPosition>& other) const { return compare(other.get()); }

  /// Equal when the other is a position with the same offset and affinity.
  using rt::Object::isEqual;
  bool isEqual(const rt::Object* other) const override;
  /// The offset shifted left, the low bit set for a forward position.
  size_t hash() const override;
  /// "<UITextPosition: 0x...> (5F)": F forward, B backward.
  rt::String description() const override;
  rt::Id copy() const override;

 private:
  int64_t offset_ = 0;
  TextAffinity affinity_ = TextAffinity::Forward;
};

class TextRange : public rt::Object {
  RT_CLASS_NAMED(TextRange, rt::Object, "UITextRange")
 public:
  /// An empty range at the start of the text.
  void init();
  /// The earlier of the two becomes the start; no range (null from make) when either is null.
  bool init(Ref<TextPosition> a, Ref<TextPosition> b);
  /// Both ends carry the same affinity.
  void init(rt::Range r, TextAffinity affinity = TextAffinity::Forward);

  const Ref<TextPosition>& start() const { return start_; }
  const Ref<TextPosition>& end() const { return end_; }
  /// Affinities are not compared.
  bool isEmpty() const { return start_->offset() == end_->offset(); }
  /// Location = start offset, length = end minus start; offsets below 0 count as 0.
  rt::Range asRange() const;

  using rt::Object::isEqual;
  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override;
  /// "<UITextRange: 0x...> (2, 5)F": start offset, length, and the end's affinity.
  rt::String description() const override;
  /// Shares the (immutable) positions.
  rt::Id copy() const override;

 private:
  Ref<TextPosition> start_, end_;
};

}  // namespace ui
