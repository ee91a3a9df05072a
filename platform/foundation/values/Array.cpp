#include "platform/foundation/values/Array.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/DecimalNumber.h"
#include "platform/foundation/Description.h"
#include "platform/foundation/values/ComparisonGuard.h"
#include "platform/foundation/values/IndexSet.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Array) {
  c.protocol("NSCopying");
  c.protocol("NSMutableCopying");
  c.protocol("NSSecureCoding");
  c.protocol("NSFastEnumeration");
  c.property("count", &Array::count);
}

RT_IMPLEMENT_PLATFORM(MutableArray) {}

namespace {

// The natural order of values that have one; everything else by description.
Ordering naturalCompare(const Id& a, const Id& b) {
  auto* na = dynamic_cast<const Number*>(a.get());
  auto* nb = dynamic_cast<const Number*>(b.get());
  if (na && nb) return na->compare(*nb);
  auto* da = dynamic_cast<const Date*>(a.get());
  auto* db = dynamic_cast<const Date*>(b.get());
  if (da && db) return da->compare(*db);
  String sa = a->description(), sb = b->description();
  return sa.compare(sb);
}

void stableSort(std::vector<Id>& v, const Comparator& cmp) {
  std::stable_sort(v.begin(), v.end(), [&](const Id& a, const Id& b) { return cmp(a, b) == Ordering::Ascending; });
}

Id collectionOperator(const std::vector<Id>& array, const String& op, const String& rest) {
  auto path = [&](const Id& o) -> Id {
    if (rest.isEmpty() || rest == "self") return o;
    return o->valueForKeyPath(rest);
  };
  if (op == "count") return Number::numberWithUnsignedLongLong(array.size());
  if (op == "unionOfObjects" || op == "distinctUnionOfObjects") {
    auto out = MutableArray::create();
    for (const Id& o : array) {
      Id v = path(o);
      if (!v || Null::isNull(v)) continue;
      if (op == "distinctUnionOfObjects" && out->containsObject(v)) continue;
      out->addObject(v);
    }
    return out->copy();
  }
  if (op == "unionOfArrays" || op == "distinctUnionOfArrays") {
    auto out = MutableArray::create();
    for (const Id& o : array) {
      auto inner = rt::as<Array>(o);
      if (!inner) {
        rt::raise(rt::InvalidArgumentException,
                  String::format("-[NSArray valueForKeyPath:]: @%@ needs arrays of arrays, found %@", op, o->className()));
      }
      Id mapped = (rest.isEmpty() || rest == "self") ? o : inner->valueForKeyPath(rest);
      auto list = rt::as<Array>(mapped);
      if (!list) continue;
      for (const Id& v : *list) {
        if (op == "distinctUnionOfArrays" && out->containsObject(v)) continue;
        out->addObject(v);
      }
    }
    return out->copy();
  }
  if (op == "sum" || op == "avg") {
    double sum = 0;
    size_t n = 0;
    for (const Id& o : array) {
      Id v = path(o);
      if (auto* num = dynamic_cast<const Number*>(v.get())) sum += num->doubleValue(), ++n;
      else if (auto s = stringValue(v)) sum += s->doubleValue(), ++n;
    }
    if (op == "avg") {
      if (n == 0) return nullptr;
      return DecimalNumber::decimalNumberWithNumber(*Number::numberWithDouble(sum / static_cast<double>(n)));
    }
    return DecimalNumber::decimalNumberWithNumber(*Number::numberWithDouble(sum));
  }
  if (op == "min" || op == "max") {
    Id best;
    for (const Id& o : array) {
      Id v = path(o);
      if (!v || Null::isNull(v)) continue;
      if (!best) {
        best = v;
        continue;
      }
      Ordering c = naturalCompare(v, best);
      if ((op == "min" && c == Ordering::Ascending) || (op == "max" && c == Ordering::Descending)) best = v;
    }
    return best;
  }
  rt::raise(rt::UndefinedKeyException,
            String::format("[<NSArray> valueForUndefinedKey:]: this class is not key value coding-compliant for the key @%@.", op));
}

uint64_t indexOfEqual(const std::vector<Id>& elements, const Id& o, uint64_t from, uint64_t end) {
  if (!o) return NotFound;
  for (uint64_t i = from; i < end; ++i) {
    if (elements[i] == o || elements[i]->isEqual(o.get())) return i;
  }
  return NotFound;
}

}  // namespace

void Array::init(std::vector<Id> objects) {
  for (size_t i = 0; i < objects.size(); ++i) {
    if (!objects[i]) {
      rt::raise(rt::InvalidArgumentException,
                String::format("*** -[NSArray initWithObjects:count:]: attempt to insert nil object from objects[%llu]",
                               static_cast<uint64_t>(i)));
    }
  }
  objects_ = std::move(objects);
}

Ref<Array> Array::create(std::vector<Id> objects) { return rt::make<Array>(std::move(objects)); }

Ref<Array> Array::arrayWithObject(Id object) { return create(std::vector<Id>{std::move(object)}); }

void Array::raiseIndex(const char* method, size_t index) const {
  if (objects_.empty()) {
    rt::raise(rt::RangeException, String::format("*** -[%@ %s]: index %llu beyond bounds for empty array", className(),
                                                 method, static_cast<uint64_t>(index)));
  }
  rt::raise(rt::RangeException, String::format("*** -[%@ %s]: index %llu beyond bounds [0 .. %llu]", className(), method,
                                               static_cast<uint64_t>(index), static_cast<uint64_t>(objects_.size() - 1)));
}

Id Array::objectAtIndex(size_t i) const {
  detail::ContainerScope scope(lock());
  if (i >= objects_.size()) raiseIndex("objectAtIndex:", i);
  return objects_[i];
}

Id Array::firstObject() const {
  detail::ContainerScope scope(lock());
  return objects_.empty() ? nullptr : objects_.front();
}

Id Array::lastObject() const {
  detail::ContainerScope scope(lock());
  return objects_.empty() ? nullptr : objects_.back();
}

Array::Iterator Array::begin() const {
  if (!lock_) return Iterator(objects_.data(), objects_.data() + objects_.size());
  detail::ContainerScope scope(lock_);
  auto copy = std::make_shared<const std::vector<Id>>(objects_);
  const Id* first = copy->data();
  const Id* last = first + copy->size();
  return Iterator(first, last, std::move(copy));
}

Ref<Array> Array::objectsAtIndexes(const IndexSet& indexes) const {
  detail::ContainerScope scope(lock());
  std::vector<Id> out;
  out.reserve(indexes.count());
  indexes.enumerateIndexes([&](uint64_t i, bool&) {
    if (i >= objects_.size()) raiseIndex("objectsAtIndexes:", i);
    out.push_back(objects_[i]);
  });
  return create(std::move(out));
}

uint64_t Array::indexOfObject(const Id& o) const {
  const Contents elements = objects();
  return indexOfEqual(elements, o, 0, elements.size());
}

uint64_t Array::indexOfObject(const Id& o, Range within) const {
  const Contents elements = objects();
  return indexOfEqual(elements, o, within.location, std::min<uint64_t>(within.end(), elements.size()));
}

uint64_t Array::indexOfObjectIdenticalTo(const Id& o) const {
  detail::ContainerScope scope(lock());
  for (size_t i = 0; i < objects_.size(); ++i) {
    if (objects_[i] == o) return i;
  }
  return NotFound;
}

uint64_t Array::indexOfObjectPassingTest(const std::function<bool(const Id&, size_t, bool& stop)>& test) const {
  detail::ContainerScope scope(lock());
  bool stop = false;
  for (size_t i = 0; i < objects_.size() && !stop; ++i) {
    if (test(objects_[i], i, stop)) return i;
  }
  return NotFound;
}

uint64_t Array::indexOfObjectInSortedRange(const Id& o, Range r, const Comparator& cmp) const {
  detail::ContainerScope scope(lock());
  if (r.end() > objects_.size()) raiseIndex("indexOfObject:inSortedRange:options:usingComparator:", r.end() - 1);
  uint64_t lo = r.location, hi = r.end();
  uint64_t found = NotFound;
  while (lo < hi) {
    uint64_t mid = lo + (hi - lo) / 2;
    Ordering c = cmp(objects_[mid], o);
    if (c == Ordering::Ascending) {
      lo = mid + 1;
    } else {
      if (c == Ordering::Same) found = mid;  // keep looking left for the first equal one
      hi = mid;
    }
  }
  return found;
}

Id Array::firstObjectCommonWithArray(const Array& other) const {
  auto theirs = Array::create(other.objects());
  for (const Id& o : objects()) {
    if (theirs->containsObject(o)) return o;
  }
  return nullptr;
}

void Array::enumerateObjects(uint32_t options, const EnumerationBlock& block) const {
  // Enumerate a snapshot, so that a block that mutates the array cannot invalidate it (and,
  // for an array with a lock, so that the block runs without it).
  const std::vector<Id> snapshot = objects();
  bool stop = false;
  if (options & EnumerationReverse) {
    for (size_t i = snapshot.size(); i-- > 0 && !stop;) block(snapshot[i], i, stop);
  } else {
    for (size_t i = 0; i < snapshot.size() && !stop; ++i) block(snapshot[i], i, stop);
  }
}

void Array::enumerateObjectsAtIndexes(const IndexSet& indexes, uint32_t options, const EnumerationBlock& block) const {
  const std::vector<Id> snapshot = objects();
  indexes.enumerateIndexes(options & EnumerationReverse, [&](uint64_t i, bool& stop) {
    if (i >= snapshot.size()) raiseIndex("enumerateObjectsAtIndexes:options:usingBlock:", i);
    block(snapshot[i], i, stop);
  });
}

Ref<Array> Array::sortedArrayUsingComparator(const Comparator& cmp) const { return sortedArrayUsingComparator(0, cmp); }

Ref<Array> Array::sortedArrayUsingComparator(uint32_t, const Comparator& cmp) const {
  std::vector<Id> v = objects();
  stableSort(v, cmp);
  return create(std::move(v));
}

Ref<Array> Array::sortedArrayUsingCompare() const { return sortedArrayUsingComparator(naturalCompare); }

Ordering Array::naturalOrder(const Id& a, const Id& b) { return naturalCompare(a, b); }

Ref<Array> Array::subarrayWithRange(Range r) const {
  detail::ContainerScope scope(lock());
  if (r.location > objects_.size() || r.length > objects_.size() - r.location) {
    rt::raise(rt::RangeException,
              String::format("*** -[%@ subarrayWithRange:]: range {%llu, %llu} extends beyond bounds [0 .. %lld]", className(),
                             r.location, r.length, static_cast<int64_t>(objects_.size()) - 1));
  }
  auto first = objects_.begin() + static_cast<ptrdiff_t>(r.location);
  return create(std::vector<Id>(first, first + static_cast<ptrdiff_t>(r.length)));
}

Ref<Array> Array::arrayByAddingObject(const Id& o) const {
  if (!o) rt::raise(rt::InvalidArgumentException, "*** -[NSArray arrayByAddingObject:]: object cannot be nil");
  std::vector<Id> v = objects();
  v.push_back(o);
  return create(std::move(v));
}

Ref<Array> Array::arrayByAddingObjectsFromArray(const Array& other) const {
  const Contents theirs = other.objects();
  std::vector<Id> v = objects();
  v.insert(v.end(), theirs.begin(), theirs.end());
  return create(std::move(v));
}

Ref<Array> Array::reversed() const {
  detail::ContainerScope scope(lock());
  return create(std::vector<Id>(objects_.rbegin(), objects_.rend()));
}

String Array::componentsJoinedByString(const String& separator) const {
  const Contents elements = objects();
  String out;
  for (size_t i = 0; i < elements.size(); ++i) {
    if (i) out.append(separator);
    out.append(elements[i]->description());
  }
  return out;
}

bool Array::isEqualToArray(const Array& other) const {
  if (&other == this) return true;
  // Each array is read under its own lock in turn and compared under neither, so that
  // comparing the elements (nested containers among them) never holds two locks.
  const Contents theirs = other.objects();
  const Contents mine = objects();
  if (theirs.size() != mine.size()) return false;
  detail::ComparisonGuard guard(this, &other);
  if (guard.reentered()) return true;
  for (size_t i = 0; i < mine.size(); ++i) {
    if (!rt::equalObjects(mine[i].get(), theirs[i].get())) return false;
  }
  return true;
}

Id Array::valueForKey(const String& key) const {
  if (key == "self") return copy();  // every element's self: the elements themselves
  const Contents elements = objects();
  if (key.hasPrefix("@")) {
    Range dot = key.rangeOfString(".");
    String op = key.substring(1, dot.found() ? dot.location - 1 : key.length() - 1);
    String rest = dot.found() ? key.substring(dot.end()) : String();
    return collectionOperator(elements, op, rest);
  }
  std::vector<Id> out;
  out.reserve(elements.size());
  for (const Id& o : elements) {
    Id v = o->valueForKey(key);
    out.push_back(v ? v : Id(Null::null()));
  }
  return create(std::move(out));
}

void Array::setValueForKey(const Id& value, const String& key) {
  for (const Id& o : objects()) o->setValueForKey(value, key);
}

String Array::description() const { return descriptionWithIndent(0); }

String Array::descriptionWithLocale(const Locale* locale, unsigned level) const {
  const Contents elements = objects();
  String out = indentation(level);
  out.append("(\n");
  for (size_t i = 0; i < elements.size(); ++i) {
    out.append(indentation(level + 1));
    out.append(nestedDescription(elements[i], level + 1, locale));
    if (i + 1 < elements.size()) out.append(",");
    out.append("\n");
  }
  out.append(indentation(level));
  out.append(")");
  return out;
}

bool Array::isEqual(const Object* other) const {
  auto* a = dynamic_cast<const Array*>(other);
  return a && isEqualToArray(*a);
}

Id Array::copy() const { return std::const_pointer_cast<Object>(self()); }

Id Array::mutableCopy() const { return MutableArray::create(objects()); }

Ref<MutableArray> MutableArray::create(std::vector<Id> objects) { return rt::make<MutableArray>(std::move(objects)); }

std::vector<Id>& MutableArray::storage() {
  if (lock()) {
    rt::raise(rt::InternalInconsistencyException,
              String::format("*** -[%@ storage]: the storage of an array with a lock cannot be handed out", className()));
  }
  return objects_;
}

Ref<MutableArray> MutableArray::arrayWithCapacity(size_t capacity) {
  auto a = rt::make<MutableArray>();
  a->objects_.reserve(capacity);
  return a;
}

void MutableArray::checkObject(const Id& o, const char* method) {
  if (!o) rt::raise(rt::InvalidArgumentException, String::format("*** -[NSMutableArray %s]: object cannot be nil", method));
}

void MutableArray::addObject(Id o) {
  detail::ContainerScope scope(lock());
  checkObject(o, "addObject:");
  objects_.push_back(std::move(o));
}

void MutableArray::insertObject(Id o, size_t index) {
  detail::ContainerScope scope(lock());
  checkObject(o, "insertObject:atIndex:");
  if (index > objects_.size()) raiseIndex("insertObject:atIndex:", index);
  objects_.insert(objects_.begin() + static_cast<ptrdiff_t>(index), std::move(o));
}

void MutableArray::removeObjectAtIndex(size_t index) {
  detail::ContainerScope scope(lock());
  if (index >= objects_.size()) raiseIndex("removeObjectAtIndex:", index);
  objects_.erase(objects_.begin() + static_cast<ptrdiff_t>(index));
}

void MutableArray::removeObject(const Id& o) {
  detail::ContainerScope scope(lock());
  if (!o) return;
  std::erase_if(objects_, [&](const Id& x) { return x == o || x->isEqual(o.get()); });
}

void MutableArray::removeObjectIdenticalTo(const Id& o) {
  detail::ContainerScope scope(lock());
  std::erase_if(objects_, [&](const Id& x) { return x == o; });
}

void MutableArray::removeLastObject() {
  detail::ContainerScope scope(lock());
  if (!objects_.empty()) objects_.pop_back();
}

void MutableArray::removeFirstObject() {
  detail::ContainerScope scope(lock());
  if (!objects_.empty()) objects_.erase(objects_.begin());
}

void MutableArray::removeObjectsInRange(Range r) {
  detail::ContainerScope scope(lock());
  if (r.location > objects_.size() || r.length > objects_.size() - r.location) {
    raiseIndex("removeObjectsInRange:", r.end() ? r.end() - 1 : r.location);
  }
  auto first = objects_.begin() + static_cast<ptrdiff_t>(r.location);
  objects_.erase(first, first + static_cast<ptrdiff_t>(r.length));
}

void MutableArray::removeObjectsAtIndexes(const IndexSet& indexes) {
  detail::ContainerScope scope(lock());
  if (indexes.count() && indexes.lastIndex() >= objects_.size()) raiseIndex("removeObjectsAtIndexes:", indexes.lastIndex());
  indexes.enumerateIndexes(EnumerationReverse, [&](uint64_t i, bool&) {
    objects_.erase(objects_.begin() + static_cast<ptrdiff_t>(i));
  });
}

void MutableArray::removeObjectsInArray(const Array& other) {
  auto theirs = Array::create(other.objects());
  detail::ContainerScope scope(lock());
  std::erase_if(objects_, [&](const Id& x) { return theirs->containsObject(x); });
}

void MutableArray::removeAllObjects() {
  detail::ContainerScope scope(lock());
  objects_.clear();
}

void MutableArray::replaceObjectAtIndex(size_t index, Id o) {
  detail::ContainerScope scope(lock());
  checkObject(o, "replaceObjectAtIndex:withObject:");
  if (index >= objects_.size()) raiseIndex("replaceObjectAtIndex:withObject:", index);
  objects_[index] = std::move(o);
}

void MutableArray::addObjectsFromArray(const Array& other) {
  if (&other == this) {
    detail::ContainerScope scope(lock());
    std::vector<Id> copy = objects_;
    objects_.insert(objects_.end(), copy.begin(), copy.end());
    return;
  }
  const Contents theirs = other.objects();
  detail::ContainerScope scope(lock());
  objects_.insert(objects_.end(), theirs.begin(), theirs.end());
}

void MutableArray::exchangeObjectAtIndex(size_t a, size_t b) {
  detail::ContainerScope scope(lock());
  if (a >= objects_.size()) raiseIndex("exchangeObjectAtIndex:withObjectAtIndex:", a);
  if (b >= objects_.size()) raiseIndex("exchangeObjectAtIndex:withObjectAtIndex:", b);
  std::swap(objects_[a], objects_[b]);
}

void MutableArray::sortUsingComparator(const Comparator& cmp) {
  detail::ContainerScope scope(lock());
  stableSort(objects_, cmp);
}

void MutableArray::setArray(std::vector<Id> objects) {
  detail::ContainerScope scope(lock());
  for (const Id& o : objects) checkObject(o, "setArray:");
  objects_ = std::move(objects);
}

Id MutableArray::copy() const { return Array::create(objects()); }

}  // namespace fd
