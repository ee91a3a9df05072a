#pragma once
// Form encoding: the wire form of every parameter dictionary the client sends, as a URL query
// or an "application/x-www-form-urlencoded" body.
#include <optional>
#include <vector>

#include "platform/foundation/Types.h"

namespace net {

/// One field of a form: the field and its value (absent or the null object for a bare field).
class NKQueryStringPair : public rt::Object {
  RT_CLASS(NKQueryStringPair, rt::Object)
 public:
  void init() {}
  void init(rt::Id field, rt::Id value);

  const rt::Id& field() const { return field_; }
  const rt::Id& value() const { return value_; }

  /// "field=value" escaped, or the escaped field alone when there is no value; nullopt when
  /// a text has no escaped form (an unpaired surrogate).
  std::optional<fd::String> URLEncodedStringValue() const;

 private:
  rt::Id field_;
  rt::Id value_;
};

/// Flattens nested dictionaries ("key[sub]", keys sorted by description), arrays ("key[]", in
/// order) and sets (same key, sorted by description) into pairs.
std::vector<Ref<NKQueryStringPair>> NKFlattenQueryParameters(const rt::Id& key, const rt::Id& value);

/// Percent-escapes everything but ASCII letters, digits and "-._~/?" as upper-case UTF-8
/// escapes; nullopt for text with an unpaired surrogate.
std::optional<fd::String> NKQueryComponentEscape(const fd::String& string);

/// The flattened pairs joined with "&"; nullopt when some text cannot be escaped.
std::optional<fd::String> NKFormEncodedQuery(const rt::Id& parameters);

}  // namespace net
