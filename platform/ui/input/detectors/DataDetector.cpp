#include "platform/ui/input/detectors/DataDetector.h"

#include <algorithm>

#include "platform/ui/input/detectors/Scanners.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(DataDetector) {}

Ref<DataDetector> DataDetector::dataDetectorWithTypes(uint64_t types, std::string* error) {
  if (types == 0 || (types & ~kDataDetectorAllTypes)) {
    if (error) *error = "data detector types must be a non-empty mix of date, address, link and phone number";
    return nullptr;
  }
  return rt::make<DataDetector>(types);
}

std::vector<DataDetectorMatch> DataDetector::matchesInString(const rt::String& text, rt::Range range) const {
  uint64_t n = text.length();
  uint64_t from = std::min<uint64_t>(range.location, n);
  uint64_t to = from + std::min<uint64_t>(range.length, n - from);
  rt::String part = from == 0 && to == n ? text : text.substring(from, to - from);
  std::vector<DataDetectorMatch> found;
  // Links first: at one place a link wins over the phone number or date inside it.
  if (types_ & TextCheckingTypeLink) detect::scanLinks(part.view(), found);
  if (types_ & TextCheckingTypeAddress) detect::scanAddresses(part, found);
  if (types_ & TextCheckingTypeDate)
    detect::scanDates(part, zone_ ? zone_ : fd::TimeZone::defaultTimeZone(), now_ ? now_ : fd::Date::date(), found);
  if (types_ & TextCheckingTypePhoneNumber) detect::scanPhoneNumbers(part.view(), found);
  std::stable_sort(found.begin(), found.end(), [](const DataDetectorMatch& a, const DataDetectorMatch& b) {
    if (a.range.location != b.range.location) return a.range.location < b.range.location;
    return a.range.length > b.range.length;
  });
  std::vector<DataDetectorMatch> out;
  uint64_t end = 0;
  for (auto& m : found) {
    if (m.range.length == 0 || m.range.location < end) continue;
    end = m.range.end();
    m.range.location += from;
    out.push_back(std::move(m));
  }
  return out;
}

void DataDetector::enumerateMatches(const rt::String& text, rt::Range range, const MatchBlock& block) const {
  bool stop = false;
  for (const auto& m : matchesInString(text, range)) {
    block(m, stop);
    if (stop) break;
  }
}

std::optional<DataDetectorMatch> DataDetector::firstMatch(const rt::String& text, rt::Range range) const {
  auto all = matchesInString(text, range);
  if (all.empty()) return std::nullopt;
  return all.front();
}

}  // namespace ui
