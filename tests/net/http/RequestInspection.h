#pragma once
// Reading built requests in serializer tests.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/net/URLRequest.h"

namespace nettest {

/// The JSON value of `text`; a failure of the calling test when it does not parse.
inline rt::Id json(std::string_view text) {
  rt::Id v = fd::JSONSerialization::JSONObjectWithBytes(text, 0, nullptr);
  EXPECT_TRUE(v) << text;
  return v;
}

/// A header's value, or "(none)".
inline std::string header(const fd::URLRequest& request, const char* name) {
  auto v = request.valueForHTTPHeaderField(name);
  return v ? v->utf8() : "(none)";
}

/// The body as text, or "(none)".
inline std::string body(const fd::URLRequest& request) {
  return request.HTTPBody() ? std::string(request.HTTPBody()->view()) : "(none)";
}

}  // namespace nettest
