#pragma once
// Run-once initialisation: the block runs exactly once per flag; other callers wait for it.
#include <mutex>
#include <utility>

namespace dispatch {

using OnceFlag = std::once_flag;

template <class F>
void once(OnceFlag& flag, F&& fn) {
  std::call_once(flag, std::forward<F>(fn));
}

}  // namespace dispatch
