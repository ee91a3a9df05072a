#pragma once
// Strong and weak references to runtime objects.
#include <memory>

namespace rt {

class Object;
class Class;

template <class T> using Ref = std::shared_ptr<T>;
template <class T> using Weak = std::weak_ptr<T>;
/// A dynamically typed object reference: what collections, JSON and key-value coding carry.
using Id = Ref<Object>;

/// Down-cast that answers null when the object is not of kind T.
template <class T, class U> Ref<T> as(const Ref<U>& p) { return std::dynamic_pointer_cast<T>(p); }
template <class T, class U> T* as(U* p) { return dynamic_cast<T*>(p); }

}  // namespace rt

template <class T> using Ref = rt::Ref<T>;
template <class T> using Weak = rt::Weak<T>;
