#include "base/utility/DRThreadSafeArray.h"

#include <algorithm>

#include "base/foundation/Array+DUDer.h"
#include "base/foundation/MutableArray+DUDer.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/runtime/Exception.h"

namespace base {

RT_IMPLEMENT(DRThreadSafeArray) {}

namespace {

/// The contents of an argument array, read under its own lock when it is thread-safe. Taken
/// before the receiver's lock, so that an array may be given itself.
std::vector<rt::Id> contentsOf(const fd::Array& array) {
  if (auto* safe = dynamic_cast<const DRThreadSafeArray*>(&array)) return safe->objects();
  return array.objects();
}

Ref<fd::Array> plainArray(const fd::Array& array) { return fd::Array::create(contentsOf(array)); }

}  // namespace

// ---- initialisers

Ref<DRThreadSafeArray> DRThreadSafeArray::create(std::vector<rt::Id> objects) {
  auto a = rt::make<DRThreadSafeArray>();
  a->fd::MutableArray::setArray(std::move(objects));  // checks for null elements
  return a;
}

Ref<DRThreadSafeArray> DRThreadSafeArray::arrayWithCapacity(size_t capacity) {
  auto a = rt::make<DRThreadSafeArray>();
  a->objects_.reserve(capacity);
  return a;
}

Ref<DRThreadSafeArray> DRThreadSafeArray::arrayWithArray(const fd::Array& array) { return create(contentsOf(array)); }

Ref<DRThreadSafeArray> DRThreadSafeArray::arrayWithContentsOfFile(const String& path) {
  auto contents = mutableArrayWithPlistData(fd::dataWithContentsOfFile(path));
  return contents ? create(contents->objects()) : nullptr;
}

// ---- reading

size_t DRThreadSafeArray::count() const {
  std::lock_guard guard(lock_);
  return objects_.size();
}

rt::Id DRThreadSafeArray::objectAtIndex(size_t index) const {
  std::lock_guard guard(lock_);
  return fd::Array::objectAtIndex(index);
}

rt::Id DRThreadSafeArray::objectOrNilAtIndex(size_t index) const {
  std::lock_guard guard(lock_);
  return base::objectOrNilAtIndex(*this, index);
}

rt::Id DRThreadSafeArray::randomObject() const {
  std::lock_guard guard(lock_);
  return base::randomObject(*this);
}

rt::Id DRThreadSafeArray::firstObject() const {
  std::lock_guard guard(lock_);
  return fd::Array::firstObject();
}

rt::Id DRThreadSafeArray::lastObject() const {
  std::lock_guard guard(lock_);
  return fd::Array::lastObject();
}

std::vector<rt::Id> DRThreadSafeArray::objects() const {
  std::lock_guard guard(lock_);
  return objects_;
}

std::vector<rt::Id> DRThreadSafeArray::reverseObjects() const {
  std::lock_guard guard(lock_);
  return std::vector<rt::Id>(objects_.rbegin(), objects_.rend());
}

std::vector<rt::Id> DRThreadSafeArray::getObjects(rt::Range range) const {
  std::lock_guard guard(lock_);
  return fd::Array::subarrayWithRange(range)->objects();
}

Ref<fd::Array> DRThreadSafeArray::array() const {
  std::lock_guard guard(lock_);
  return fd::Array::create(objects_);
}

Ref<fd::Array> DRThreadSafeArray::objectsAtIndexes(const fd::IndexSet& indexes) const {
  std::lock_guard guard(lock_);
  return fd::Array::objectsAtIndexes(indexes);
}

Ref<fd::Array> DRThreadSafeArray::subarrayWithRange(rt::Range range) const {
  std::lock_guard guard(lock_);
  return fd::Array::subarrayWithRange(range);
}

Ref<fd::Array> DRThreadSafeArray::arrayByAddingObject(const rt::Id& object) const {
  std::lock_guard guard(lock_);
  return fd::Array::arrayByAddingObject(object);
}

Ref<fd::Array> DRThreadSafeArray::arrayByAddingObjectsFromArray(const fd::Array& other) const {
  auto more = plainArray(other);
  std::lock_guard guard(lock_);
  return fd::Array::arrayByAddingObjectsFromArray(*more);
}

String DRThreadSafeArray::componentsJoinedByString(const String& separator) const {
  std::lock_guard guard(lock_);
  return fd::Array::componentsJoinedByString(separator);
}

bool DRThreadSafeArray::containsObject(const rt::Id& object) const { return indexOfObject(object) != fd::NotFound; }

rt::Id DRThreadSafeArray::firstObjectCommonWithArray(const fd::Array& other) const {
  auto those = plainArray(other);
  std::lock_guard guard(lock_);
  return fd::Array::firstObjectCommonWithArray(*those);
}

uint64_t DRThreadSafeArray::indexOfObject(const rt::Id& object) const {
  std::lock_guard guard(lock_);
  return fd::Array::indexOfObject(object);
}

uint64_t DRThreadSafeArray::indexOfObject(const rt::Id& object, rt::Range within) const {
  std::lock_guard guard(lock_);
  return fd::Array::indexOfObject(object, within);
}

uint64_t DRThreadSafeArray::indexOfObjectIdenticalTo(const rt::Id& object) const {
  std::lock_guard guard(lock_);
  return fd::Array::indexOfObjectIdenticalTo(object);
}

uint64_t DRThreadSafeArray::indexOfObjectIdenticalTo(const rt::Id& object, rt::Range within) const {
  std::lock_guard guard(lock_);
  size_t end = std::min<uint64_t>(objects_.size(), within.location + within.length);
  for (size_t i = within.location; i < end; ++i)
    if (objects_[i] == object) return i;
  return fd::NotFound;
}

uint64_t DRThreadSafeArray::indexOfObjectPassingTest(const TestBlock& test) const {
  std::lock_guard guard(lock_);
  return fd::Array::indexOfObjectPassingTest(test);
}

uint64_t DRThreadSafeArray::indexOfObjectPassingTest(uint32_t options, const TestBlock& test) const {
  auto found = indexesOfObjectsPassingTest(options, test);
  if (found->count() == 0) return fd::NotFound;
  return (options & fd::EnumerationReverse) ? found->lastIndex() : found->firstIndex();
}

uint64_t DRThreadSafeArray::indexOfObjectAtIndexes(const fd::IndexSet& indexes, uint32_t options,
                                                    const TestBlock& test) const {
  uint64_t result = fd::NotFound;
  std::lock_guard guard(lock_);
  fd::Array::enumerateObjectsAtIndexes(indexes, options & fd::EnumerationReverse,
                                       [&](const rt::Id& o, size_t i, bool& stop) {
                                         if (test(o, i, stop)) {
                                           result = i;
                                           stop = true;
                                         }
                                       });
  return result;
}

Ref<fd::IndexSet> DRThreadSafeArray::indexesOfObjectsPassingTest(const TestBlock& test) const {
  return indexesOfObjectsPassingTest(0, test);
}

Ref<fd::IndexSet> DRThreadSafeArray::indexesOfObjectsPassingTest(uint32_t options, const TestBlock& test) const {
  std::vector<uint64_t> hits;
  {
    std::lock_guard guard(lock_);
    fd::Array::enumerateObjects(options & fd::EnumerationReverse, [&](const rt::Id& o, size_t i, bool& stop) {
      if (test(o, i, stop)) hits.push_back(i);
    });
  }
  auto set = fd::MutableIndexSet::create();
  for (uint64_t i : hits) set->addIndex(i);
  return set;
}

Ref<fd::IndexSet> DRThreadSafeArray::indexesOfObjectsAtIndexes(const fd::IndexSet& indexes, uint32_t options,
                                                               const TestBlock& test) const {
  std::vector<uint64_t> hits;
  {
    std::lock_guard guard(lock_);
    fd::Array::enumerateObjectsAtIndexes(indexes, options & fd::EnumerationReverse,
                                         [&](const rt::Id& o, size_t i, bool& stop) {
                                           if (test(o, i, stop)) hits.push_back(i);
                                         });
  }
  auto set = fd::MutableIndexSet::create();
  for (uint64_t i : hits) set->addIndex(i);
  return set;
}

uint64_t DRThreadSafeArray::indexOfObjectInSortedRange(const rt::Id& object, rt::Range range,
                                                       const fd::Comparator& cmp) const {
  std::lock_guard guard(lock_);
  return fd::Array::indexOfObjectInSortedRange(object, range, cmp);
}

Ref<fd::Array> DRThreadSafeArray::sortedArrayUsingComparator(const fd::Comparator& cmp) const {
  std::lock_guard guard(lock_);
  return fd::Array::sortedArrayUsingComparator(cmp);
}

Ref<fd::Array> DRThreadSafeArray::sortedArrayUsingComparator(uint32_t options, const fd::Comparator& cmp) const {
  std::lock_guard guard(lock_);
  return fd::Array::sortedArrayUsingComparator(options, cmp);
}

Ref<fd::Array> DRThreadSafeArray::sortedArrayUsingCompare() const {
  std::lock_guard guard(lock_);
  return fd::Array::sortedArrayUsingCompare();
}

void DRThreadSafeArray::enumerateObjects(const EnumerationBlock& block) const { array()->enumerateObjects(block); }

void DRThreadSafeArray::enumerateObjects(uint32_t options, const EnumerationBlock& block) const {
  array()->enumerateObjects(options, block);
}

void DRThreadSafeArray::enumerateObjectsAtIndexes(const fd::IndexSet& indexes, uint32_t options,
                                                  const EnumerationBlock& block) const {
  array()->enumerateObjectsAtIndexes(indexes, options, block);
}

void DRThreadSafeArray::makeObjectsPerformSelector(rt::Selector selector) const {
  std::lock_guard guard(lock_);
  for (const rt::Id& o : objects_) o->performSelector(selector);
}

void DRThreadSafeArray::makeObjectsPerformSelector(rt::Selector selector, const rt::Id& argument) const {
  std::lock_guard guard(lock_);
  for (const rt::Id& o : objects_) o->performSelector(selector, {rt::Value::ofObject(argument)});
}

bool DRThreadSafeArray::isEqualToArray(const fd::Array& other) const { return isEqual(&other); }

// ---- changing

void DRThreadSafeArray::addObject(rt::Id object) {
  std::lock_guard guard(lock_);
  fd::MutableArray::addObject(std::move(object));
}

void DRThreadSafeArray::insertObject(rt::Id object, size_t index) {
  std::lock_guard guard(lock_);
  fd::MutableArray::insertObject(std::move(object), index);
}

void DRThreadSafeArray::setObjectAtIndexedSubscript(rt::Id object, size_t index) {
  std::lock_guard guard(lock_);
  // At the end it appends, as the subscript does.
  if (index == objects_.size()) fd::MutableArray::addObject(std::move(object));
  else fd::MutableArray::replaceObjectAtIndex(index, std::move(object));
}

void DRThreadSafeArray::replaceObjectAtIndex(size_t index, rt::Id object) {
  std::lock_guard guard(lock_);
  fd::MutableArray::replaceObjectAtIndex(index, std::move(object));
}

void DRThreadSafeArray::removeObjectAtIndex(size_t index) {
  std::lock_guard guard(lock_);
  fd::MutableArray::removeObjectAtIndex(index);
}

void DRThreadSafeArray::removeObject(const rt::Id& object) {
  std::lock_guard guard(lock_);
  fd::MutableArray::removeObject(object);
}

void DRThreadSafeArray::removeObject(const rt::Id& object, rt::Range within) {
  std::lock_guard guard(lock_);
  size_t first = std::min<uint64_t>(objects_.size(), within.location);
  size_t end = std::min<uint64_t>(objects_.size(), within.location + within.length);
  auto begin = objects_.begin();
  auto kept = std::remove_if(begin + static_cast<std::ptrdiff_t>(first), begin + static_cast<std::ptrdiff_t>(end),
                             [&](const rt::Id& o) { return rt::equalObjects(o.get(), object.get()); });
  objects_.erase(kept, begin + static_cast<std::ptrdiff_t>(end));
}

void DRThreadSafeArray::removeObjectIdenticalTo(const rt::Id& object) {
  std::lock_guard guard(lock_);
  fd::MutableArray::removeObjectIdenticalTo(object);
}

void DRThreadSafeArray::removeObjectIdenticalTo(const rt::Id& object, rt::Range within) {
  std::lock_guard guard(lock_);
  size_t first = std::min<uint64_t>(objects_.size(), within.location);
  size_t end = std::min<uint64_t>(objects_.size(), within.location + within.length);
  auto begin = objects_.begin();
  auto kept = std::remove(begin + static_cast<std::ptrdiff_t>(first), begin + static_cast<std::ptrdiff_t>(end), object);
  objects_.erase(kept, begin + static_cast<std::ptrdiff_t>(end));
}

void DRThreadSafeArray::removeObjectsInArray(const fd::Array& other) {
  auto those = plainArray(other);
  std::lock_guard guard(lock_);
  fd::MutableArray::removeObjectsInArray(*those);
}

void DRThreadSafeArray::removeObjectsInRange(rt::Range range) {
  std::lock_guard guard(lock_);
  fd::MutableArray::removeObjectsInRange(range);
}

void DRThreadSafeArray::removeObjectsAtIndexes(const fd::IndexSet& indexes) {
  std::lock_guard guard(lock_);
  fd::MutableArray::removeObjectsAtIndexes(indexes);
}

void DRThreadSafeArray::removeLastObject() {
  std::lock_guard guard(lock_);
  fd::MutableArray::removeLastObject();
}

void DRThreadSafeArray::removeFirstObject() {
  std::lock_guard guard(lock_);
  fd::MutableArray::removeFirstObject();
}

void DRThreadSafeArray::removeAllObjects() {
  std::lock_guard guard(lock_);
  fd::MutableArray::removeAllObjects();
}

void DRThreadSafeArray::addObjectsFromArray(const fd::Array& other) {
  auto more = plainArray(other);
  std::lock_guard guard(lock_);
  fd::MutableArray::addObjectsFromArray(*more);
}

void DRThreadSafeArray::insertObjects(const fd::Array& objects, const fd::IndexSet& indexes) {
  std::vector<rt::Id> more = contentsOf(objects);
  if (more.size() != indexes.count())
    rt::raise(rt::InvalidArgumentException,
              String::format("*** -[%@ insertObjects:atIndexes:]: count of array (%llu) differs from count of index set "
                             "(%llu)", className(), static_cast<uint64_t>(more.size()),
                             static_cast<uint64_t>(indexes.count())));
  std::lock_guard guard(lock_);
  // Each index is where its object ends up, so they are filled in ascending order.
  std::vector<uint64_t> at = indexes.indexes();
  std::vector<rt::Id> result;
  result.reserve(objects_.size() + more.size());
  size_t next = 0, taken = 0;
  for (size_t slot = 0; slot < objects_.size() + more.size(); ++slot) {
    if (next < at.size() && at[next] == slot) {
      result.push_back(more[next++]);
    } else if (taken < objects_.size()) {
      result.push_back(objects_[taken++]);
    } else {
      rt::raise(rt::RangeException, String::format("*** -[%@ insertObjects:atIndexes:]: index %llu beyond bounds",
                                                   className(), static_cast<uint64_t>(at[next])));
    }
  }
  for (const auto& o : more)
    if (!o) rt::raise(rt::InvalidArgumentException, "*** -[DRThreadSafeArray insertObjects:atIndexes:]: nil object");
  objects_ = std::move(result);
}

void DRThreadSafeArray::replaceObjectsAtIndexes(const fd::IndexSet& indexes, const fd::Array& objects) {
  std::vector<rt::Id> with = contentsOf(objects);
  std::lock_guard guard(lock_);
  std::vector<uint64_t> at = indexes.indexes();
  if (with.size() != at.size())
    rt::raise(rt::InvalidArgumentException,
              String::format("*** -[%@ replaceObjectsAtIndexes:withObjects:]: count of array (%llu) differs from count "
                             "of index set (%llu)", className(), static_cast<uint64_t>(with.size()),
                             static_cast<uint64_t>(at.size())));
  if (!at.empty() && at.back() >= objects_.size()) raiseIndex("replaceObjectsAtIndexes:withObjects:", at.back());
  for (size_t k = 0; k < at.size(); ++k) objects_[at[k]] = with[k];
}

void DRThreadSafeArray::replaceObjectsInRange(rt::Range range, const fd::Array& from, rt::Range fromRange) {
  std::vector<rt::Id> source = contentsOf(from);
  if (fromRange.location > source.size() || fromRange.length > source.size() - fromRange.location)
    rt::raise(rt::RangeException, String::format("*** -[%@ replaceObjectsInRange:withObjectsFromArray:range:]: range "
                                                 "{%llu, %llu} beyond bounds of the other array", className(),
                                                 fromRange.location, fromRange.length));
  auto first = source.begin() + static_cast<std::ptrdiff_t>(fromRange.location);
  std::vector<rt::Id> with(first, first + static_cast<std::ptrdiff_t>(fromRange.length));
  std::lock_guard guard(lock_);
  if (range.location > objects_.size() || range.length > objects_.size() - range.location)
    rt::raise(rt::RangeException, String::format("*** -[%@ replaceObjectsInRange:withObjectsFromArray:]: range {%llu, "
                                                 "%llu} beyond bounds", className(), range.location, range.length));
  auto at = objects_.begin() + static_cast<std::ptrdiff_t>(range.location);
  at = objects_.erase(at, at + static_cast<std::ptrdiff_t>(range.length));
  objects_.insert(at, with.begin(), with.end());
}

void DRThreadSafeArray::replaceObjectsInRange(rt::Range range, const fd::Array& from) {
  std::vector<rt::Id> source = contentsOf(from);
  replaceObjectsInRange(range, *fd::Array::create(source), rt::Range{0, source.size()});
}

void DRThreadSafeArray::setArray(const fd::Array& other) { setArray(contentsOf(other)); }

void DRThreadSafeArray::setArray(std::vector<rt::Id> objects) {
  std::lock_guard guard(lock_);
  fd::MutableArray::setArray(std::move(objects));
}

void DRThreadSafeArray::exchangeObjectAtIndex(size_t a, size_t b) {
  std::lock_guard guard(lock_);
  fd::MutableArray::exchangeObjectAtIndex(a, b);
}

void DRThreadSafeArray::sortUsingComparator(const fd::Comparator& cmp) {
  std::lock_guard guard(lock_);
  fd::MutableArray::sortUsingComparator(cmp);
}

void DRThreadSafeArray::sortUsingComparator(uint32_t, const fd::Comparator& cmp) {
  std::lock_guard guard(lock_);
  fd::MutableArray::sortUsingComparator(cmp);  // every sort here is stable
}

void DRThreadSafeArray::sortUsingCompare() {
  std::lock_guard guard(lock_);
  objects_ = fd::Array::sortedArrayUsingCompare()->objects();
}

rt::Id DRThreadSafeArray::popFirstObject() {
  std::lock_guard guard(lock_);
  return base::popFirstObject(*this);
}

rt::Id DRThreadSafeArray::popLastObject() {
  std::lock_guard guard(lock_);
  return base::popLastObject(*this);
}

void DRThreadSafeArray::appendObjects(const Ref<fd::Array>& objects) {
  auto more = objects ? plainArray(*objects) : nullptr;
  std::lock_guard guard(lock_);
  base::appendObjects(*this, more);
}

void DRThreadSafeArray::prependObjects(const Ref<fd::Array>& objects) {
  auto more = objects ? plainArray(*objects) : nullptr;
  std::lock_guard guard(lock_);
  base::prependObjects(*this, more);
}

void DRThreadSafeArray::insertObjects(const Ref<fd::Array>& objects, size_t index) {
  auto more = objects ? plainArray(*objects) : nullptr;
  std::lock_guard guard(lock_);
  base::insertObjects(*this, more, index);
}

void DRThreadSafeArray::reverse() {
  std::lock_guard guard(lock_);
  base::reverse(*this);
}

void DRThreadSafeArray::shuffle() {
  std::lock_guard guard(lock_);
  base::shuffle(*this);
}

// ---- the platform's virtual operations

rt::Id DRThreadSafeArray::valueForKey(const String& key) const {
  std::lock_guard guard(lock_);
  return fd::MutableArray::valueForKey(key);
}

void DRThreadSafeArray::setValueForKey(const rt::Id& value, const String& key) {
  std::lock_guard guard(lock_);
  fd::MutableArray::setValueForKey(value, key);
}

bool DRThreadSafeArray::isEqual(const rt::Object* other) const {
  if (other == this) return true;
  auto* that = dynamic_cast<const DRThreadSafeArray*>(other);
  if (!that) return false;
  std::scoped_lock guard(lock_, that->lock_);  // deadlock-free whatever order two threads compare in
  return fd::Array::isEqualToArray(*that);
}

size_t DRThreadSafeArray::hash() const {
  std::lock_guard guard(lock_);
  return fd::MutableArray::hash();
}

String DRThreadSafeArray::description() const { return array()->description(); }

rt::Id DRThreadSafeArray::copy() const { return create(objects()); }

rt::Id DRThreadSafeArray::mutableCopy() const { return copy(); }

}  // namespace base
