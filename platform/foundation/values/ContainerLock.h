#pragma once
// What lets a kind of the platform's mutable containers be shared between threads: the
// container classes take an optional lock in every operation. A plain container has none and
// pays one test of a null pointer; a thread-safe one installs its lock when made, so that every
// operation, called through whatever class the object is held as, runs under it.
#include <mutex>
#include <utility>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd::detail {

// Recursive: operations are built from one another, and a thread-safe subclass composes them
// under one hold.
using ContainerMutex = std::recursive_mutex;

class ContainerScope {
 public:
  explicit ContainerScope(ContainerMutex* lock) : lock_(lock) {
    if (lock_) lock_->lock();
  }
  ~ContainerScope() {
    if (lock_) lock_->unlock();
  }
  ContainerScope(const ContainerScope&) = delete;
  ContainerScope& operator=(const ContainerScope&) = delete;

 private:
  ContainerMutex* lock_;
};

}  // namespace fd::detail

namespace fd {

// A container's elements read as a vector: the container's own for a plain container, a copy
// taken under the lock for a thread-safe one. Hold it no longer than the container, and do
// not change the container while walking it (take a std::vector copy for that).
class Contents {
 public:
  using const_iterator = std::vector<Id>::const_iterator;
  using const_reverse_iterator = std::vector<Id>::const_reverse_iterator;

  explicit Contents(const std::vector<Id>& live) : live_(&live) {}
  explicit Contents(std::vector<Id>&& copy) : copy_(std::move(copy)) {}
  Contents(Contents&& other) noexcept
      : copy_(std::move(other.copy_)), live_(other.live_) {}
  Contents(const Contents&) = delete;
  Contents& operator=(const Contents&) = delete;

  const std::vector<Id>& vector() const { return live_ ? *live_ : copy_; }
  // Converting a temporary is fine for the length of the full expression; do not bind the
  // result to a reference (a thread-safe container's copy dies with the temporary).
  operator const std::vector<Id>&() const { return vector(); }

  size_t size() const { return vector().size(); }
  bool empty() const { return vector().empty(); }
  const Id& operator[](size_t i) const { return vector()[i]; }
  const Id& front() const { return vector().front(); }
  const Id& back() const { return vector().back(); }
  const_iterator begin() const { return vector().begin(); }
  const_iterator end() const { return vector().end(); }
  const_reverse_iterator rbegin() const { return vector().rbegin(); }
  const_reverse_iterator rend() const { return vector().rend(); }

 private:
  std::vector<Id> copy_;
  const std::vector<Id>* live_ = nullptr;
};

}  // namespace fd
