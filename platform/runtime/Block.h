#pragma once
// Blocks as objects: a std::function boxed so that it can be stored in properties,
// collections and key-value coding like any other object, with identity.
#include <functional>

#include "platform/runtime/Object.h"

namespace rt {

/// The class every boxed block belongs to ("NSBlock", below the root class).
class BlockBase : public Object {
 public:
  // Declared by hand: this header sits below the registration macros.
  static constexpr const char* kRuntimeClassName = "NSBlock";
  using Superclass = Object;
  static Class* classObject();
  const Class* getClass() const override { return classObject(); }
  /// Blocks are immutable: a copy is the same block.
  Id copy() const override { return std::const_pointer_cast<Object>(shared_from_this()); }
};

template <class F> class BlockObject final : public BlockBase {
 public:
  F function;
};

template <class R, class... A> Ref<Object> boxBlockObject(const std::function<R(A...)>& f) {
  if (!f) return nullptr;
  auto b = std::make_shared<BlockObject<std::function<R(A...)>>>();
  b->function = f;
  return b;
}

template <class F> bool unboxBlockObject(const Id& o, F& out) {
  if (!o) {
    out = nullptr;
    return true;
  }
  auto b = std::dynamic_pointer_cast<BlockObject<F>>(o);
  if (!b) return false;
  out = b->function;
  return true;
}

}  // namespace rt
