#include "platform/foundation/values/Set.h"

#include <algorithm>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/Description.h"
#include "platform/foundation/values/ComparisonGuard.h"
#include "platform/foundation/values/Null.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Set) {
  c.protocol("NSCopying");
  c.protocol("NSMutableCopying");
  c.protocol("NSSecureCoding");
  c.protocol("NSFastEnumeration");
  c.property("count", &Set::count);
}

RT_IMPLEMENT_PLATFORM(MutableSet) {}

void Set::init(std::vector<Id> objects) {
  table_.reserve(objects.size());
  for (size_t i = 0; i < objects.size(); ++i) {
    if (!objects[i]) {
      rt::raise(rt::InvalidArgumentException,
                String::format("*** -[NSSet initWithObjects:count:]: attempt to insert nil object from objects[%llu]",
                               static_cast<uint64_t>(i)));
    }
    insert(objects[i]);
  }
}

Ref<Set> Set::create(std::vector<Id> objects) { return rt::make<Set>(std::move(objects)); }

Ref<Set> Set::setWithArray(const Array& array) { return create(array.objects()); }

bool Set::insert(const Id& o) {
  size_t h = o->hash();
  if (table_.find(*o, h) != detail::KeyTable::npos) return false;
  table_.append(o, h);
  return true;
}

void Set::erase(const Id& o) {
  if (!o) return;
  size_t i = table_.find(*o, o->hash());
  if (i != detail::KeyTable::npos) table_.eraseAt(i);
}

Id Set::member(const Id& o) const {
  if (!o) return nullptr;
  size_t i = table_.find(*o, o->hash());
  return i == detail::KeyTable::npos ? nullptr : table_.keyAt(i);
}

Id Set::anyObject() const { return table_.empty() ? nullptr : table_.keyAt(0); }

Ref<Array> Set::allObjects() const { return Array::create(table_.keys()); }

Ref<Array> Set::sortedByDescription() const {
  std::vector<std::pair<String, Id>> v;
  v.reserve(count());
  for (const Id& o : table_.keys()) v.emplace_back(o->description(), o);
  std::stable_sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Id> out;
  out.reserve(v.size());
  for (auto& p : v) out.push_back(std::move(p.second));
  return Array::create(std::move(out));
}

bool Set::isSubsetOfSet(const Set& other) const {
  for (const Id& o : table_.keys()) {
    if (!other.containsObject(o)) return false;
  }
  return true;
}

bool Set::intersectsSet(const Set& other) const {
  for (const Id& o : table_.keys()) {
    if (other.containsObject(o)) return true;
  }
  return false;
}

bool Set::isEqualToSet(const Set& other) const {
  if (&other == this) return true;
  if (other.count() != count()) return false;
  detail::ComparisonGuard guard(this, &other);
  return guard.reentered() || isSubsetOfSet(other);
}

Ref<Set> Set::setByAddingObject(const Id& o) const {
  auto s = rt::make<Set>();
  copyStorage(*s, *this);
  if (!o) rt::raise(rt::InvalidArgumentException, "*** -[NSSet setByAddingObject:]: object cannot be nil");
  s->insert(o);
  return s;
}

void Set::enumerateObjects(const std::function<void(const Id&, bool& stop)>& block) const {
  const std::vector<Id> snapshot = table_.keys();
  bool stop = false;
  for (size_t i = 0; i < snapshot.size() && !stop; ++i) block(snapshot[i], stop);
}

Id Set::valueForKey(const String& key) const {
  if (key == "@count") return Object::valueForKey("count");
  std::vector<Id> out;
  out.reserve(count());
  for (const Id& o : table_.keys()) {
    Id v = o->valueForKey(key);
    out.push_back(v ? v : Id(Null::null()));
  }
  return create(std::move(out));
}

String Set::description() const { return descriptionWithIndent(0); }

String Set::descriptionWithIndent(unsigned level) const {
  String out = indentation(level);
  out.append("{(\n");
  const auto& keys = table_.keys();
  for (size_t i = 0; i < keys.size(); ++i) {
    out.append(indentation(level + 1));
    out.append(nestedDescription(keys[i], level + 1));
    if (i + 1 < keys.size()) out.append(",");
    out.append("\n");
  }
  out.append(indentation(level));
  out.append(")}");
  return out;
}

bool Set::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* s = dynamic_cast<const Set*>(other);
  return s && isEqualToSet(*s);
}

Id Set::copy() const { return std::const_pointer_cast<Object>(self()); }

Id Set::mutableCopy() const {
  auto m = rt::make<MutableSet>();
  copyStorage(*m, *this);
  return m;
}

Ref<MutableSet> MutableSet::create(std::vector<Id> objects) { return rt::make<MutableSet>(std::move(objects)); }

void MutableSet::addObject(const Id& o) {
  if (!o) rt::raise(rt::InvalidArgumentException, "*** -[NSMutableSet addObject:]: object cannot be nil");
  insert(o);
}

void MutableSet::removeObject(const Id& o) { erase(o); }

void MutableSet::addObjectsFromArray(const Array& array) {
  for (const Id& o : array) insert(o);
}

void MutableSet::unionSet(const Set& other) {
  if (&other == this) return;
  for (const Id& o : other.objects()) insert(o);
}

void MutableSet::minusSet(const Set& other) {
  if (&other == this) {
    removeAllObjects();
    return;
  }
  for (const Id& o : other.objects()) erase(o);
}

void MutableSet::intersectSet(const Set& other) {
  if (&other == this) return;
  std::vector<Id> keep;
  for (const Id& o : table_.keys()) {
    if (other.containsObject(o)) keep.push_back(o);
  }
  table_.clear();
  for (const Id& o : keep) insert(o);
}

void MutableSet::setSet(const Set& other) {
  if (&other == this) return;
  copyStorage(*this, other);
}

Id MutableSet::copy() const {
  auto s = rt::make<Set>();
  copyStorage(*s, *this);
  return s;
}

}  // namespace fd
