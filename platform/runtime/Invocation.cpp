#include "platform/runtime/Invocation.h"

#include <cctype>
#include <mutex>
#include <unordered_map>

#include "platform/runtime/Exception.h"

namespace rt {

std::optional<MethodSignature> MethodSignature::fromEncoding(const std::string& types) {
  MethodSignature sig;
  std::string_view e(types);
  size_t i = 0;
  bool first = true;
  while (i < e.size()) {
    size_t len = encodingLength(e.substr(i));
    if (len == 0) return std::nullopt;
    std::string t(e.substr(i, len));
    if (first) sig.returnType_ = t;
    else sig.argumentTypes_.push_back(t);
    first = false;
    i += len;
    while (i < e.size() && (std::isdigit(static_cast<unsigned char>(e[i])) || e[i] == '-' || e[i] == '+')) ++i;
  }
  if (first || sig.argumentTypes_.size() < 2) return std::nullopt;
  return sig;
}

size_t MethodSignature::methodReturnLength() const {
  size_t size = 0;
  return sizeAndAlignment(returnType_, &size, nullptr, SIZE_MAX) ? size : 0;
}

Invocation::Invocation(Id target, Selector selector, MethodSignature signature)
    : target_(std::move(target)), selector_(selector), signature_(std::move(signature)) {
  arguments_.resize(signature_.numberOfArguments());
}

std::optional<Invocation> Invocation::forTarget(const Id& target, Selector selector) {
  const Class* cls = target ? target->getClass() : nullptr;
  if (!cls) return std::nullopt;
  const Method* m = cls->instanceMethod(selector);
  if (!m) return std::nullopt;
  auto sig = MethodSignature::fromEncoding(m->typeEncoding);
  if (!sig) return std::nullopt;
  return Invocation(target, selector, *sig);
}

void Invocation::setArgument(const Value& v, size_t index) {
  if (index < 2 || index >= arguments_.size())
    raise(InvalidArgumentException, String::format("-[NSInvocation setArgument:atIndex:]: index (%zu) out of bounds [-1, %zu]",
                                                   index, arguments_.size() - 1));
  arguments_[index] = v;
}

const Value& Invocation::argument(size_t index) const {
  if (index < 2 || index >= arguments_.size())
    raise(InvalidArgumentException, String::format("-[NSInvocation getArgument:atIndex:]: index (%zu) out of bounds [-1, %zu]",
                                                   index, arguments_.size() - 1));
  return arguments_[index];
}

void Invocation::invoke() {
  if (!target_) {
    result_ = Value();
    return;
  }
  std::vector<Value> args(arguments_.begin() + 2, arguments_.end());
  result_ = target_->performSelector(selector_, args);
}

namespace {
struct TypeIDs {
  std::mutex mutex;
  std::unordered_map<std::string, uint64_t> ids;
};
TypeIDs& typeIDs() {
  static TypeIDs* t = new TypeIDs;
  return *t;
}
}  // namespace

uint64_t registerTypeID(std::string_view name) {
  auto& t = typeIDs();
  std::lock_guard lock(t.mutex);
  auto [it, added] = t.ids.emplace(std::string(name), t.ids.size() + 1);
  return it->second;
}

uint64_t typeIDNamed(std::string_view name) {
  auto& t = typeIDs();
  std::lock_guard lock(t.mutex);
  auto it = t.ids.find(std::string(name));
  return it == t.ids.end() ? kUnknownTypeID : it->second;
}

}  // namespace rt
