#include "base/utility/DRThreadSafeArray.h"

#include <algorithm>

#include "base/foundation/Array+DUDer.h"
#include "base/foundation/MutableArray+DUDer.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/runtime/Exception.h"

namespace base {

RT_IMPLEMENT(DRThreadSafeArray) {}

// The bodies below that change the array, test its elements or run a selector on them hold
// its lock throughout: the platform array's operations they call take the same (recursive)
// lock again. Another array given as an argument is read before the lock is taken (so that an
// array may be given itself), and the hint reads its elements from a copy after letting go.

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

Ref<DRThreadSafeArray> DRThreadSafeArray::arrayWithArray(const fd::Array& array) { return create(array.objects()); }

Ref<DRThreadSafeArray> DRThreadSafeArray::arrayWithObjects(const rt::Id* objects, size_t count) {
  return create(std::vector<rt::Id>(objects, objects + count));
}

Ref<DRThreadSafeArray> DRThreadSafeArray::arrayWithContentsOfFile(const String& path) {
  auto contents = mutableArrayWithPlistData(fd::dataWithContentsOfFile(path));
  return contents ? create(contents->objects()) : nullptr;
}

Ref<DRThreadSafeArray> DRThreadSafeArray::arrayWithContentsOfURL(const Ref<fd::URL>& url) {
  if (!url || !url->isFileURL()) return nullptr;
  return arrayWithContentsOfFile(url->path());
}

// ---- reading

rt::Id DRThreadSafeArray::objectOrNilAtIndex(size_t index) const { return base::objectOrNilAtIndex(*this, index); }

rt::Id DRThreadSafeArray::randomObject() const { return base::randomObject(*this); }

std::vector<rt::Id> DRThreadSafeArray::reverseObjects() const {
  fd::detail::ContainerScope scope(lock());
  return std::vector<rt::Id>(objects_.rbegin(), objects_.rend());
}

std::vector<rt::Id> DRThreadSafeArray::getObjects(rt::Range range) const { return subarrayWithRange(range)->objects(); }

Ref<fd::Array> DRThreadSafeArray::array() const { return fd::Array::create(objects()); }

uint64_t DRThreadSafeArray::indexOfObjectIdenticalTo(const rt::Id& object, rt::Range within) const {
  fd::detail::ContainerScope scope(lock());
  size_t end = std::min<uint64_t>(objects_.size(), within.location + within.length);
  for (size_t i = within.location; i < end; ++i)
    if (objects_[i] == object) return i;
  return fd::NotFound;
}

uint64_t DRThreadSafeArray::indexOfObjectPassingTest(uint32_t options, const TestBlock& test) const {
  return indexOfObjectAtIndexes(*fd::IndexSet::indexSetWithIndexesInRange(0, count()), options, test);
}

uint64_t DRThreadSafeArray::indexOfObjectAtIndexes(const fd::IndexSet& indexes, uint32_t options,
                                                    const TestBlock& test) const {
  uint64_t result = fd::NotFound;
  fd::detail::ContainerScope scope(lock());
  indexes.enumerateIndexes(options & fd::EnumerationReverse, [&](uint64_t i, bool& stop) {
    if (i >= objects_.size()) raiseIndex("indexOfObjectAtIndexes:options:passingTest:", i);
    if (test(objects_[i], i, stop)) {
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
  fd::detail::ContainerScope scope(lock());
  return indexesOfObjectsAtIndexes(*fd::IndexSet::indexSetWithIndexesInRange(0, objects_.size()), options, test);
}

Ref<fd::IndexSet> DRThreadSafeArray::indexesOfObjectsAtIndexes(const fd::IndexSet& indexes, uint32_t options,
                                                               const TestBlock& test) const {
  auto set = fd::MutableIndexSet::create();
  fd::detail::ContainerScope scope(lock());
  indexes.enumerateIndexes(options & fd::EnumerationReverse, [&](uint64_t i, bool& stop) {
    if (i >= objects_.size()) raiseIndex("indexesOfObjectsAtIndexes:options:passingTest:", i);
    if (test(objects_[i], i, stop)) set->addIndex(i);
  });
  return set;
}

Ref<fd::Data> DRThreadSafeArray::sortedArrayHint() const {
  // The elements' hashes in order: enough to tell a caller's sort how the array stood.
  const fd::Contents elements = objects();
  std::vector<uint8_t> bytes(elements.size() * sizeof(size_t));
  for (size_t i = 0; i < elements.size(); ++i) {
    size_t h = elements[i]->hash();
    std::copy_n(reinterpret_cast<const uint8_t*>(&h), sizeof h, bytes.data() + i * sizeof h);
  }
  return fd::Data::create(std::move(bytes));
}

Ref<fd::Array> DRThreadSafeArray::sortedArrayUsingFunction(SortFunction function, void* context) const {
  return sortedArrayUsingComparator([&](const rt::Id& a, const rt::Id& b) { return function(a, b, context); });
}

Ref<fd::Array> DRThreadSafeArray::sortedArrayUsingFunction(SortFunction function, void* context,
                                                           const Ref<fd::Data>&) const {
  return sortedArrayUsingFunction(function, context);
}

void DRThreadSafeArray::makeObjectsPerformSelector(rt::Selector selector) const {
  fd::detail::ContainerScope scope(lock());
  for (const rt::Id& o : objects_) o->performSelector(selector);
}

void DRThreadSafeArray::makeObjectsPerformSelector(rt::Selector selector, const rt::Id& argument) const {
  fd::detail::ContainerScope scope(lock());
  for (const rt::Id& o : objects_) o->performSelector(selector, {rt::Value::ofObject(argument)});
}

// ---- changing

void DRThreadSafeArray::setObjectAtIndexedSubscript(rt::Id object, size_t index) {
  fd::detail::ContainerScope scope(lock());
  // At the end it appends, as the subscript does.
  if (index == objects_.size()) addObject(std::move(object));
  else replaceObjectAtIndex(index, std::move(object));
}

void DRThreadSafeArray::removeObject(const rt::Id& object, rt::Range within) {
  fd::detail::ContainerScope scope(lock());
  size_t first = std::min<uint64_t>(objects_.size(), within.location);
  size_t end = std::min<uint64_t>(objects_.size(), within.location + within.length);
  auto begin = objects_.begin();
  auto kept = std::remove_if(begin + static_cast<std::ptrdiff_t>(first), begin + static_cast<std::ptrdiff_t>(end),
                             [&](const rt::Id& o) { return rt::equalObjects(o.get(), object.get()); });
  objects_.erase(kept, begin + static_cast<std::ptrdiff_t>(end));
}

void DRThreadSafeArray::removeObjectIdenticalTo(const rt::Id& object, rt::Range within) {
  fd::detail::ContainerScope scope(lock());
  size_t first = std::min<uint64_t>(objects_.size(), within.location);
  size_t end = std::min<uint64_t>(objects_.size(), within.location + within.length);
  auto begin = objects_.begin();
  auto kept = std::remove(begin + static_cast<std::ptrdiff_t>(first), begin + static_cast<std::ptrdiff_t>(end), object);
  objects_.erase(kept, begin + static_cast<std::ptrdiff_t>(end));
}

void DRThreadSafeArray::insertObjects(const fd::Array& objects, const fd::IndexSet& indexes) {
  std::vector<rt::Id> more = objects.objects();
  if (more.size() != indexes.count())
    rt::raise(rt::InvalidArgumentException,
              String::format("*** -[%@ insertObjects:atIndexes:]: count of array (%llu) differs from count of index set "
                             "(%llu)", className(), static_cast<uint64_t>(more.size()),
                             static_cast<uint64_t>(indexes.count())));
  fd::detail::ContainerScope scope(lock());
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
  objects_ = std::move(result);
}

void DRThreadSafeArray::replaceObjectsAtIndexes(const fd::IndexSet& indexes, const fd::Array& objects) {
  std::vector<rt::Id> with = objects.objects();
  fd::detail::ContainerScope scope(lock());
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
  std::vector<rt::Id> source = from.objects();
  if (fromRange.location > source.size() || fromRange.length > source.size() - fromRange.location)
    rt::raise(rt::RangeException, String::format("*** -[%@ replaceObjectsInRange:withObjectsFromArray:range:]: range "
                                                 "{%llu, %llu} beyond bounds of the other array", className(),
                                                 fromRange.location, fromRange.length));
  auto first = source.begin() + static_cast<std::ptrdiff_t>(fromRange.location);
  std::vector<rt::Id> with(first, first + static_cast<std::ptrdiff_t>(fromRange.length));
  fd::detail::ContainerScope scope(lock());
  if (range.location > objects_.size() || range.length > objects_.size() - range.location)
    rt::raise(rt::RangeException, String::format("*** -[%@ replaceObjectsInRange:withObjectsFromArray:]: range {%llu, "
                                                 "%llu} beyond bounds", className(), range.location, range.length));
  auto at = objects_.begin() + static_cast<std::ptrdiff_t>(range.location);
  at = objects_.erase(at, at + static_cast<std::ptrdiff_t>(range.length));
  objects_.insert(at, with.begin(), with.end());
}

void DRThreadSafeArray::replaceObjectsInRange(rt::Range range, const fd::Array& from) {
  std::vector<rt::Id> source = from.objects();
  replaceObjectsInRange(range, *fd::Array::create(source), rt::Range{0, source.size()});
}

void DRThreadSafeArray::sortUsingComparator(uint32_t, const fd::Comparator& cmp) {
  sortUsingComparator(cmp);  // every sort here is stable
}

void DRThreadSafeArray::sortUsingCompare() {
  fd::detail::ContainerScope scope(lock());
  objects_ = sortedArrayUsingCompare()->objects();
}

void DRThreadSafeArray::sortUsingFunction(SortFunction function, void* context) {
  sortUsingComparator([&](const rt::Id& a, const rt::Id& b) { return function(a, b, context); });
}

rt::Id DRThreadSafeArray::popFirstObject() { return base::popFirstObject(*this); }

rt::Id DRThreadSafeArray::popLastObject() { return base::popLastObject(*this); }

void DRThreadSafeArray::appendObjects(const Ref<fd::Array>& objects) { base::appendObjects(*this, objects); }

void DRThreadSafeArray::prependObjects(const Ref<fd::Array>& objects) { base::prependObjects(*this, objects); }

void DRThreadSafeArray::insertObjects(const Ref<fd::Array>& objects, size_t index) {
  base::insertObjects(*this, objects, index);
}

void DRThreadSafeArray::reverse() { base::reverse(*this); }

void DRThreadSafeArray::shuffle() { base::shuffle(*this); }

// ---- equality and copies

bool DRThreadSafeArray::isEqual(const rt::Object* other) const {
  if (other == this) return true;
  auto* that = dynamic_cast<const DRThreadSafeArray*>(other);
  if (!that) return false;
  return fd::Array::isEqualToArray(*that);  // reads the two arrays one after the other
}

rt::Id DRThreadSafeArray::copy() const { return create(objects()); }

rt::Id DRThreadSafeArray::mutableCopy() const { return copy(); }

}  // namespace base
