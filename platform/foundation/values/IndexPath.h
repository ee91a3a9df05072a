#pragma once
// Paths of indexes into nested collections: (section, row) for tables, (section, item) for
// collection views.
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {

class IndexPath : public Object {
  RT_CLASS_NAMED(IndexPath, Object, "NSIndexPath")
 public:
  void init() {}
  void init(std::vector<uint64_t> indexes) { indexes_ = std::move(indexes); }

  static Ref<IndexPath> indexPathWithIndex(uint64_t i);
  static Ref<IndexPath> indexPathWithIndexes(std::vector<uint64_t> indexes);
  static Ref<IndexPath> indexPathForRow(uint64_t row, uint64_t section);
  static Ref<IndexPath> indexPathForItem(uint64_t item, uint64_t section);

  size_t length() const { return indexes_.size(); }
  /// NotFound beyond the length.
  uint64_t indexAtPosition(size_t position) const;
  const std::vector<uint64_t>& indexes() const { return indexes_; }
  /// The first index; raises NSInternalInconsistencyException unless the length is 2.
  uint64_t section() const;
  /// The second index; raises NSInternalInconsistencyException unless the length is 2.
  uint64_t row() const;
  uint64_t item() const { return row(); }
  Ref<IndexPath> indexPathByAddingIndex(uint64_t i) const;
  Ref<IndexPath> indexPathByRemovingLastIndex() const;

  /// Index by index; a shorter path that is a prefix orders first.
  Ordering compare(const IndexPath& other) const;

  /// "<NSIndexPath: 0x...> {length = 2, path = 0 - 1}"
  String description() const override;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;
  Id copy() const override;

 private:
  uint64_t pairIndex(size_t position, const char* what) const;
  std::vector<uint64_t> indexes_;
};

}  // namespace fd
