#include "tests/tools/ServiceClient.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "tools/sample-service/service/Signing.h"

namespace sampletest {

namespace {
sample::ServiceOptions onFreePort(sample::ServiceOptions o) {
  o.port = 0;
  return o;
}
}  // namespace

RunningService::RunningService(sample::ServiceOptions options) : server_(onFreePort(options)) {
  std::string error;
  if (!server_.start(&error)) ADD_FAILURE() << "server did not start: " << error;
}

httplib::Client RunningService::client(double readTimeoutSeconds) const {
  httplib::Client c("127.0.0.1", server_.port());
  auto micros = static_cast<int64_t>(readTimeoutSeconds * 1e6);
  c.set_read_timeout(micros / 1000000, micros % 1000000);
  c.set_connection_timeout(5, 0);
  return c;
}

int64_t now() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

httplib::Result RunningService::post(const std::string& endpoint, const std::map<std::string, std::string>& form,
                                     Signing signing) const {
  httplib::Headers headers;
  if (signing.kind != Signing::Missing) {
    auto time = std::to_string(signing.kind == Signing::GivenTime ? signing.time : now());
    auto signature = sample::signatureFor(time);
    if (signing.kind == Signing::WrongSignature) signature[0] = signature[0] == 'a' ? 'b' : 'a';
    headers.emplace(sample::kSignatureHeader, signature);
    headers.emplace(sample::kTimestampHeader, time);
  }
  httplib::Params params(form.begin(), form.end());
  return client().Post(("/api.php/" + endpoint).c_str(), headers, params);
}

Ref<fd::Dictionary> parseObject(const std::string& json) {
  Ref<fd::Error> error;
  auto value = rt::as<fd::Dictionary>(fd::JSONSerialization::JSONObjectWithBytes(json, 0, &error));
  EXPECT_TRUE(value) << "not a JSON object: " << json.substr(0, 200);
  return value;
}

Ref<fd::Dictionary> RunningService::envelope(const std::string& endpoint, const std::map<std::string, std::string>& form,
                                             Signing signing) const {
  auto result = post(endpoint, form, signing);
  if (!result) {
    ADD_FAILURE() << "no answer for " << endpoint;
    return nullptr;
  }
  EXPECT_EQ(result->status, 200) << endpoint;
  EXPECT_EQ(result->get_header_value("Content-Type").rfind("application/json", 0), 0u);
  return parseObject(result->body);
}

Ref<fd::Dictionary> RunningService::videoPage(const std::string& query) const {
  auto result = client().Get(("/mas/front/appList.jsp?" + query).c_str());
  if (!result) {
    ADD_FAILURE() << "no video list answer";
    return nullptr;
  }
  EXPECT_EQ(result->status, 200);
  return parseObject(result->body);
}

Ref<fd::Dictionary> objectAt(const Ref<fd::Dictionary>& d, const char* key) {
  auto v = d ? d->objectForKeyAs<fd::Dictionary>(key) : nullptr;
  EXPECT_TRUE(v) << "no object at " << key;
  return v ? v : fd::Dictionary::create();
}

Ref<fd::Array> arrayAt(const Ref<fd::Dictionary>& d, const char* key) {
  auto v = d ? d->objectForKeyAs<fd::Array>(key) : nullptr;
  EXPECT_TRUE(v) << "no array at " << key;
  return v ? v : fd::Array::create();
}

std::string stringAt(const Ref<fd::Dictionary>& d, const char* key) {
  auto v = d ? d->objectForKeyAs<fd::StringObject>(key) : nullptr;
  EXPECT_TRUE(v) << "no string at " << key;
  return v ? v->string().utf8() : std::string();
}

int64_t integerAt(const Ref<fd::Dictionary>& d, const char* key) {
  auto v = d ? d->objectForKeyAs<fd::Number>(key) : nullptr;
  EXPECT_TRUE(v) << "no number at " << key;
  return v ? v->integerValue() : -1;
}

Ref<fd::Dictionary> objectIn(const Ref<fd::Array>& a, size_t index) {
  auto v = a && index < a->count() ? rt::as<fd::Dictionary>(a->objectAtIndex(index)) : nullptr;
  EXPECT_TRUE(v) << "no object at index " << index;
  return v ? v : fd::Dictionary::create();
}

}  // namespace sampletest
