#pragma once
// Sets of unsigned indexes, stored as sorted, disjoint, non-adjacent ranges.
#include <functional>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {

class IndexSet : public Object {
  RT_CLASS_NAMED(IndexSet, Object, "NSIndexSet")
 public:
  void init() {}
  void init(Range r);

  static Ref<IndexSet> indexSet() { return rt::make<IndexSet>(); }
  static Ref<IndexSet> indexSetWithIndex(uint64_t i);
  static Ref<IndexSet> indexSetWithIndexesInRange(Range r);
  static Ref<IndexSet> indexSetWithIndexesInRange(uint64_t location, uint64_t length) {
    return indexSetWithIndexesInRange(Range{location, length});
  }

  size_t count() const;
  size_t rangeCount() const { return ranges_.size(); }
  const std::vector<Range>& ranges() const { return ranges_; }
  /// NotFound when empty.
  uint64_t firstIndex() const;
  uint64_t lastIndex() const;
  /// The nearest index above/below `i`, or NotFound.
  uint64_t indexGreaterThanIndex(uint64_t i) const;
  uint64_t indexLessThanIndex(uint64_t i) const;
  uint64_t indexGreaterThanOrEqualToIndex(uint64_t i) const;
  uint64_t indexLessThanOrEqualToIndex(uint64_t i) const;
  bool containsIndex(uint64_t i) const;
  bool containsIndexesInRange(Range r) const;
  bool containsIndexes(const IndexSet& other) const;
  bool intersectsIndexesInRange(Range r) const;
  size_t countOfIndexesInRange(Range r) const;
  std::vector<uint64_t> indexes() const;
  bool isEqualToIndexSet(const IndexSet& other) const { return ranges_ == other.ranges_; }

  void enumerateIndexes(const std::function<void(uint64_t, bool& stop)>& block) const { enumerateIndexes(0, block); }
  /// Options: EnumerationReverse.
  void enumerateIndexes(uint32_t options, const std::function<void(uint64_t, bool& stop)>& block) const;
  void enumerateRanges(uint32_t options, const std::function<void(Range, bool& stop)>& block) const;

  /// "<NSIndexSet: 0x...>[number of indexes: 100 (in 1 ranges), indexes: (200-299)]"
  String description() const override;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;
  Id copy() const override;
  Id mutableCopy() const override;

 protected:
  void add(Range r);
  void remove(Range r);
  static void copyRanges(IndexSet& to, const IndexSet& from) { to.ranges_ = from.ranges_; }
  std::vector<Range> ranges_;
};

class MutableIndexSet : public IndexSet {
  RT_CLASS_NAMED(MutableIndexSet, IndexSet, "NSMutableIndexSet")
 public:
  static Ref<MutableIndexSet> create() { return rt::make<MutableIndexSet>(); }

  void addIndex(uint64_t i) { add(Range{i, 1}); }
  void addIndexesInRange(Range r) { add(r); }
  void addIndexes(const IndexSet& other);
  void removeIndex(uint64_t i) { remove(Range{i, 1}); }
  void removeIndexesInRange(Range r) { remove(r); }
  void removeIndexes(const IndexSet& other);
  void removeAllIndexes() { ranges_.clear(); }
  /// Moves the indexes at or above `index` by `delta`; a negative shift drops the indexes it
  /// moves onto below `index`.
  void shiftIndexesStartingAtIndex(uint64_t index, int64_t delta);

  Id copy() const override;
};

}  // namespace fd
