#pragma once
// A real HTTP client for the sample service tests: signed content requests, video list pages
// and pictures, with the JSON answers read back through the foundation reader.
#include <httplib.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "tools/sample-service/service/SampleServer.h"

namespace sampletest {

struct Signing {
  enum Kind { Valid, Missing, WrongSignature, GivenTime } kind = Valid;
  int64_t time = 0;  // GivenTime: the timestamp sent (signed correctly)
};

/// Starts a server on a free port for the life of the object.
class RunningService {
 public:
  explicit RunningService(sample::ServiceOptions options = {});
  sample::SampleServer& server() { return server_; }
  httplib::Client client(double readTimeoutSeconds = 5) const;

  /// POSTs a form to "/api.php/" + endpoint.
  httplib::Result post(const std::string& endpoint, const std::map<std::string, std::string>& form = {},
                       Signing signing = {}) const;
  /// The parsed envelope of a content answer; fails the test when the answer is not JSON.
  Ref<fd::Dictionary> envelope(const std::string& endpoint, const std::map<std::string, std::string>& form = {},
                               Signing signing = {}) const;
  Ref<fd::Dictionary> videoPage(const std::string& query) const;

 private:
  sample::SampleServer server_;
};

int64_t now();
Ref<fd::Dictionary> parseObject(const std::string& json);

// Typed access to answer values; each fails the calling test when the value has another type.
Ref<fd::Dictionary> objectAt(const Ref<fd::Dictionary>& d, const char* key);
Ref<fd::Array> arrayAt(const Ref<fd::Dictionary>& d, const char* key);
std::string stringAt(const Ref<fd::Dictionary>& d, const char* key);
int64_t integerAt(const Ref<fd::Dictionary>& d, const char* key);
Ref<fd::Dictionary> objectIn(const Ref<fd::Array>& a, size_t index);

}  // namespace sampletest
