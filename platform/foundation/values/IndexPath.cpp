#include "platform/foundation/values/IndexPath.h"

#include <cstdio>

namespace fd {

RT_IMPLEMENT_PLATFORM(IndexPath) {
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
  c.property("length", &IndexPath::length);
  c.property("section", &IndexPath::section);
  c.property("row", &IndexPath::row);
  c.property("item", &IndexPath::item);
}

Ref<IndexPath> IndexPath::indexPathWithIndex(uint64_t i) { return rt::make<IndexPath>(std::vector<uint64_t>{i}); }

Ref<IndexPath> IndexPath::indexPathWithIndexes(std::vector<uint64_t> indexes) {
  return rt::make<IndexPath>(std::move(indexes));
}

Ref<IndexPath> IndexPath::indexPathForRow(uint64_t row, uint64_t section) {
  return rt::make<IndexPath>(std::vector<uint64_t>{section, row});
}

Ref<IndexPath> IndexPath::indexPathForItem(uint64_t item, uint64_t section) {
  return rt::make<IndexPath>(std::vector<uint64_t>{section, item});
}

uint64_t IndexPath::indexAtPosition(size_t position) const {
  return position < indexes_.size() ? indexes_[position] : NotFound;
}

uint64_t IndexPath::pairIndex(size_t position, const char* what) const {
  if (indexes_.size() != 2) {
    rt::raise(rt::InternalInconsistencyException,
              String::format("Invalid index path for use with UITableView. Index paths passed to table view must contain "
                             "exactly two indices specifying the section and row (asked for the %s of a path of length %llu).",
                             what, static_cast<uint64_t>(indexes_.size())));
  }
  return indexes_[position];
}

uint64_t IndexPath::section() const { return pairIndex(0, "section"); }
uint64_t IndexPath::row() const { return pairIndex(1, "row"); }

Ref<IndexPath> IndexPath::indexPathByAddingIndex(uint64_t i) const {
  std::vector<uint64_t> v = indexes_;
  v.push_back(i);
  return indexPathWithIndexes(std::move(v));
}

Ref<IndexPath> IndexPath::indexPathByRemovingLastIndex() const {
  std::vector<uint64_t> v = indexes_;
  if (!v.empty()) v.pop_back();
  return indexPathWithIndexes(std::move(v));
}

Ordering IndexPath::compare(const IndexPath& other) const {
  size_t n = std::min(indexes_.size(), other.indexes_.size());
  for (size_t i = 0; i < n; ++i) {
    if (indexes_[i] < other.indexes_[i]) return Ordering::Ascending;
    if (indexes_[i] > other.indexes_[i]) return Ordering::Descending;
  }
  if (indexes_.size() < other.indexes_.size()) return Ordering::Ascending;
  if (indexes_.size() > other.indexes_.size()) return Ordering::Descending;
  return Ordering::Same;
}

String IndexPath::description() const {
  std::string path;
  for (size_t i = 0; i < indexes_.size(); ++i) {
    if (i) path += " - ";
    path += std::to_string(indexes_[i]);
  }
  char addr[32];
  std::snprintf(addr, sizeof addr, "%p", static_cast<const void*>(this));
  return String::format("<%@: %s> {length = %llu, path = %s}", className(), addr, static_cast<uint64_t>(indexes_.size()),
                        path.c_str());
}

bool IndexPath::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* p = dynamic_cast<const IndexPath*>(other);
  return p && p->indexes_ == indexes_;
}

size_t IndexPath::hash() const {
  size_t h = indexes_.size();
  for (uint64_t i : indexes_) h = h * 1000003u + static_cast<size_t>(i);
  return h;
}

Id IndexPath::copy() const { return std::const_pointer_cast<Object>(self()); }

}  // namespace fd
