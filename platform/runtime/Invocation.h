#pragma once
// Method signatures read from type encodings, and invocations: a target, a selector and
// arguments held (and retained) until invoked.
#include <string>
#include <vector>

#include "platform/runtime/Class.h"

namespace rt {

class MethodSignature {
 public:
  /// From a full method encoding ("v24@0:8@16") or a bare one ("v@:@"); nullopt when malformed.
  static std::optional<MethodSignature> fromEncoding(const std::string& types);
  const std::string& returnType() const { return returnType_; }
  /// Arguments counting self and _cmd.
  size_t numberOfArguments() const { return argumentTypes_.size(); }
  const std::string& argumentTypeAtIndex(size_t i) const { return argumentTypes_.at(i); }
  /// Size of the return value in bytes (0 for void).
  size_t methodReturnLength() const;

 private:
  std::string returnType_;
  std::vector<std::string> argumentTypes_;
};

class Invocation {
 public:
  Invocation(Id target, Selector selector, MethodSignature signature);
  /// The signature of the target's method for `selector`; nullopt when it has none.
  static std::optional<Invocation> forTarget(const Id& target, Selector selector);

  const MethodSignature& methodSignature() const { return signature_; }
  const Id& target() const { return target_; }
  void setTarget(Id t) { target_ = std::move(t); }
  Selector selector() const { return selector_; }
  /// Explicit arguments are indexed from 2, as in the signature (0 is self, 1 is _cmd).
  void setArgument(const Value& v, size_t index);
  const Value& argument(size_t index) const;
  /// Calls the target; the result stays available as returnValue().
  void invoke();
  const Value& returnValue() const { return result_; }

 private:
  Id target_;
  Selector selector_;
  MethodSignature signature_;
  std::vector<Value> arguments_;
  Value result_;
};

/// A scope with nothing to release: objects are reference counted. Kept where code marks
/// the scopes that its threads and loops drain.
struct AutoreleasePool {
  AutoreleasePool() = default;
  AutoreleasePool(const AutoreleasePool&) = delete;
  AutoreleasePool& operator=(const AutoreleasePool&) = delete;
};

/// Identifiers of opaque object types (colours, fonts, images...): each name gets one stable
/// identifier; `kUnknownTypeID` (all bits set) answers for names never registered.
inline constexpr uint64_t kUnknownTypeID = ~uint64_t{0};
uint64_t registerTypeID(std::string_view name);
uint64_t typeIDNamed(std::string_view name);

}  // namespace rt
