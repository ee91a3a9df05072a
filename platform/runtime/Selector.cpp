#include "platform/runtime/Selector.h"

#include <mutex>
#include <string>
#include <unordered_set>

namespace rt {

Selector Selector::named(std::string_view name) {
  // Interned for the life of the process; selectors compare by pointer.
  static std::mutex* m = new std::mutex;
  static auto* names = new std::unordered_set<std::string>;
  std::lock_guard lock(*m);
  auto it = names->emplace(name).first;
  return Selector(it->c_str());
}

int Selector::argumentCount() const {
  int n = 0;
  for (const char* p = name(); *p; ++p) n += (*p == ':');
  return n;
}

}  // namespace rt
