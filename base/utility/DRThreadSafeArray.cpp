#include "base/utility/DRThreadSafeArray.h"

#include <algorithm>

#include "platform/runtime/Exception.h"

namespace base {

RT_IMPLEMENT(DRThreadSafeArray) {}

Ref<DRThreadSafeArray> DRThreadSafeArray::create(std::vector<rt::Id> objects) {
  auto a = rt::make<DRThreadSafeArray>();
  a->objects_ = std::move(objects);
  return a;
}

Ref<DRThreadSafeArray> DRThreadSafeArray::arrayWithArray(const fd::Array& array) { return create(array.objects()); }

void DRThreadSafeArray::checkIndex(size_t index, size_t limit, const char* method) const {
  if (index < limit) return;
  rt::raise(rt::RangeException, String::format("*** -[%@ %s]: index %llu beyond bounds (%llu)", className(), method,
                                               static_cast<uint64_t>(index), static_cast<uint64_t>(limit)));
}

size_t DRThreadSafeArray::count() const {
  std::lock_guard guard(lock_);
  return objects_.size();
}

rt::Id DRThreadSafeArray::objectAtIndex(size_t index) const {
  std::lock_guard guard(lock_);
  checkIndex(index, objects_.size(), "objectAtIndex:");
  return objects_[index];
}

rt::Id DRThreadSafeArray::objectOrNilAtIndex(size_t index) const {
  std::lock_guard guard(lock_);
  return index < objects_.size() ? objects_[index] : nullptr;
}

rt::Id DRThreadSafeArray::firstObject() const {
  std::lock_guard guard(lock_);
  return objects_.empty() ? nullptr : objects_.front();
}

rt::Id DRThreadSafeArray::lastObject() const {
  std::lock_guard guard(lock_);
  return objects_.empty() ? nullptr : objects_.back();
}

bool DRThreadSafeArray::containsObject(const rt::Id& object) const { return indexOfObject(object) != fd::NotFound; }

size_t DRThreadSafeArray::indexOfObject(const rt::Id& object) const {
  std::lock_guard guard(lock_);
  for (size_t i = 0; i < objects_.size(); ++i)
    if (rt::equalObjects(objects_[i].get(), object.get())) return i;
  return fd::NotFound;
}

Ref<fd::Array> DRThreadSafeArray::array() const {
  std::lock_guard guard(lock_);
  return fd::Array::create(objects_);
}

void DRThreadSafeArray::enumerateObjects(const std::function<void(const rt::Id&, size_t, bool&)>& block) const {
  std::lock_guard guard(lock_);
  bool stop = false;
  for (size_t i = 0; i < objects_.size() && !stop; ++i) block(objects_[i], i, stop);
}

void DRThreadSafeArray::addObject(rt::Id object) {
  if (!object) rt::raise(rt::InvalidArgumentException, "*** -[DRThreadSafeArray addObject:]: object cannot be nil");
  std::lock_guard guard(lock_);
  objects_.push_back(std::move(object));
}

void DRThreadSafeArray::insertObject(rt::Id object, size_t index) {
  if (!object) rt::raise(rt::InvalidArgumentException, "*** -[DRThreadSafeArray insertObject:atIndex:]: object cannot be nil");
  std::lock_guard guard(lock_);
  checkIndex(index, objects_.size() + 1, "insertObject:atIndex:");
  objects_.insert(objects_.begin() + static_cast<std::ptrdiff_t>(index), std::move(object));
}

void DRThreadSafeArray::addObjectsFromArray(const fd::Array& array) {
  std::vector<rt::Id> more = array.objects();  // read before locking: the argument may be this array's copy
  std::lock_guard guard(lock_);
  objects_.insert(objects_.end(), more.begin(), more.end());
}

void DRThreadSafeArray::replaceObjectAtIndex(size_t index, rt::Id object) {
  std::lock_guard guard(lock_);
  checkIndex(index, objects_.size(), "replaceObjectAtIndex:withObject:");
  objects_[index] = std::move(object);
}

void DRThreadSafeArray::removeObjectAtIndex(size_t index) {
  std::lock_guard guard(lock_);
  checkIndex(index, objects_.size(), "removeObjectAtIndex:");
  objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(index));
}

void DRThreadSafeArray::removeObject(const rt::Id& object) {
  std::lock_guard guard(lock_);
  std::erase_if(objects_, [&](const rt::Id& o) { return rt::equalObjects(o.get(), object.get()); });
}

void DRThreadSafeArray::removeLastObject() {
  std::lock_guard guard(lock_);
  if (!objects_.empty()) objects_.pop_back();
}

void DRThreadSafeArray::removeFirstObject() {
  std::lock_guard guard(lock_);
  if (!objects_.empty()) objects_.erase(objects_.begin());
}

void DRThreadSafeArray::removeAllObjects() {
  std::lock_guard guard(lock_);
  objects_.clear();
}

void DRThreadSafeArray::setArray(const fd::Array& array) {
  std::vector<rt::Id> replacement = array.objects();
  std::lock_guard guard(lock_);
  objects_ = std::move(replacement);
}

void DRThreadSafeArray::exchangeObjectAtIndex(size_t a, size_t b) {
  std::lock_guard guard(lock_);
  checkIndex(std::max(a, b), objects_.size(), "exchangeObjectAtIndex:withObjectAtIndex:");
  std::swap(objects_[a], objects_[b]);
}

void DRThreadSafeArray::sortUsingComparator(const std::function<fd::Ordering(const rt::Id&, const rt::Id&)>& comparator) {
  std::lock_guard guard(lock_);
  std::stable_sort(objects_.begin(), objects_.end(),
                   [&](const rt::Id& a, const rt::Id& b) { return comparator(a, b) == fd::Ordering::Ascending; });
}

void DRThreadSafeArray::reverse() {
  std::lock_guard guard(lock_);
  std::reverse(objects_.begin(), objects_.end());
}

rt::Id DRThreadSafeArray::popFirstObject() {
  std::lock_guard guard(lock_);
  if (objects_.empty()) return nullptr;
  rt::Id o = std::move(objects_.front());
  objects_.erase(objects_.begin());
  return o;
}

rt::Id DRThreadSafeArray::popLastObject() {
  std::lock_guard guard(lock_);
  if (objects_.empty()) return nullptr;
  rt::Id o = std::move(objects_.back());
  objects_.pop_back();
  return o;
}

bool DRThreadSafeArray::isEqual(const rt::Object* other) const {
  if (other == this) return true;
  auto* that = dynamic_cast<const DRThreadSafeArray*>(other);
  if (!that) return false;
  std::scoped_lock guard(lock_, that->lock_);  // deadlock-free whatever order two threads compare in
  if (objects_.size() != that->objects_.size()) return false;
  for (size_t i = 0; i < objects_.size(); ++i)
    if (!rt::equalObjects(objects_[i].get(), that->objects_[i].get())) return false;
  return true;
}

size_t DRThreadSafeArray::hash() const { return count(); }

String DRThreadSafeArray::description() const { return array()->description(); }

rt::Id DRThreadSafeArray::copy() const {
  std::lock_guard guard(lock_);
  return create(objects_);
}

}  // namespace base
