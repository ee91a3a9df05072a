#pragma once
// Finds dates, addresses, links and phone numbers in text, as the text views' data detection
// asks for them: links (URLs, bare domains, e-mail addresses), phone numbers (Chinese mobile
// and fixed-line forms, international ones with a leading +), dates (common Chinese and
// English forms, with a time when one follows) and addresses (Chinese street addresses, simple
// Western ones). Every scan is linear in the text. Safe to share between threads once made.
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/foundation/Types.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/time/TimeZone.h"

namespace ui {

/// The text-checking type bits a detector is made from.
enum TextCheckingType : uint64_t {
  TextCheckingTypeDate = 1ULL << 3,
  TextCheckingTypeAddress = 1ULL << 4,
  TextCheckingTypeLink = 1ULL << 5,
  TextCheckingTypePhoneNumber = 1ULL << 11,
};
inline constexpr uint64_t kDataDetectorAllTypes =
    TextCheckingTypeDate | TextCheckingTypeAddress | TextCheckingTypeLink | TextCheckingTypePhoneNumber;

/// Keys of a detected address's components.
inline constexpr const char* AddressStreetKey = "Street";
inline constexpr const char* AddressCityKey = "City";
inline constexpr const char* AddressStateKey = "State";
inline constexpr const char* AddressZIPKey = "ZIP";
inline constexpr const char* AddressDistrictKey = "District";

struct DataDetectorMatch {
  TextCheckingType type = TextCheckingTypeLink;
  rt::Range range;
  Ref<fd::URL> url;                         // links
  rt::String phoneNumber;                   // phone numbers, as written
  Ref<fd::Date> date;                       // dates
  Ref<fd::TimeZone> timeZone;               // the zone the date was read in
  bool hasTime = false;                     // the date came with a time of day
  std::map<rt::String, rt::String> addressComponents;  // addresses
};

class DataDetector : public rt::Object {
  RT_CLASS_NAMED(DataDetector, rt::Object, "NSDataDetector")
 public:
  /// Null, with `error` saying why, when `types` holds no known type or an unknown one.
  static Ref<DataDetector> dataDetectorWithTypes(uint64_t types, std::string* error = nullptr);
  void init(uint64_t types) { types_ = types; }

  uint64_t checkingTypes() const { return types_; }
  /// Dates without a year take this year, and dates are read in this zone (default: the
  /// process's zone). `now` is a time within the year to assume.
  void setTimeZone(Ref<fd::TimeZone> zone) { zone_ = std::move(zone); }
  void setReferenceDate(Ref<fd::Date> now) { now_ = std::move(now); }

  using MatchBlock = std::function<void(const DataDetectorMatch& match, bool& stop)>;
  /// In text order; matches never overlap (a link wins over a phone number inside it).
  void enumerateMatches(const rt::String& text, rt::Range range, const MatchBlock& block) const;
  std::vector<DataDetectorMatch> matchesInString(const rt::String& text, rt::Range range) const;
  std::vector<DataDetectorMatch> matchesInString(const rt::String& text) const {
    return matchesInString(text, {0, text.length()});
  }
  size_t numberOfMatches(const rt::String& text, rt::Range range) const { return matchesInString(text, range).size(); }
  std::optional<DataDetectorMatch> firstMatch(const rt::String& text, rt::Range range) const;

 private:
  uint64_t types_ = 0;
  Ref<fd::TimeZone> zone_;
  Ref<fd::Date> now_;
};

}  // namespace ui
