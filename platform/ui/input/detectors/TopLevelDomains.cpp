#include <string>
#include <unordered_set>

#include "platform/runtime/String.h"
#include "platform/ui/input/detectors/Scanners.h"

namespace ui::detect {

namespace {

const std::unordered_set<std::u16string>& topLevelDomains() {
  static const std::unordered_set<std::u16string> all = [] {
    static const char8_t* const kNames[] = {
#include "platform/ui/input/detectors/TopLevelDomains.inc"
    };
    std::unordered_set<std::u16string> set;
    for (const char8_t* name : kNames) {
      rt::String s(reinterpret_cast<const char*>(name));
      set.emplace(s.view());
    }
    return set;
  }();
  return all;
}

}  // namespace

bool isTopLevelDomain(std::u16string_view label) {
  if (label.empty() || label.size() > 63) return false;
  std::u16string lower(label);
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return topLevelDomains().count(lower) != 0;
}

}  // namespace ui::detect
