#pragma once
// The detector's scanners, one per kind (internal). Each adds its matches within [from, to)
// of the text, in any order; every one is linear in the text.
#include <string_view>
#include <vector>

#include "platform/ui/input/detectors/DataDetector.h"

namespace ui::detect {

void scanLinks(std::u16string_view text, std::vector<DataDetectorMatch>& out);
void scanPhoneNumbers(std::u16string_view text, std::vector<DataDetectorMatch>& out);
/// `zone` reads the dates; a date without a year takes the year of `now` in it.
void scanDates(const rt::String& text, const Ref<fd::TimeZone>& zone, const Ref<fd::Date>& now,
               std::vector<DataDetectorMatch>& out);
void scanAddresses(const rt::String& text, std::vector<DataDetectorMatch>& out);

/// A single-label public suffix ("com", "travel", "中国"), in any ASCII case.
bool isTopLevelDomain(std::u16string_view label);

inline bool isAsciiAlnum(char16_t c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool isDigit(char16_t c) { return c >= '0' && c <= '9'; }

}  // namespace ui::detect
