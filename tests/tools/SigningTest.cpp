#include <gtest/gtest.h>
#include <nettle/md5.h>

#include "tests/tools/ServiceClient.h"
#include "tools/sample-service/service/Signing.h"

namespace sampletest {
namespace {

std::string nettleMD5Hex(const std::string& text) {
  md5_ctx ctx;
  md5_init(&ctx);
  md5_update(&ctx, text.size(), reinterpret_cast<const uint8_t*>(text.data()));
  uint8_t digest[MD5_DIGEST_SIZE];
  md5_digest(&ctx, sizeof digest, digest);
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (uint8_t b : digest) {
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out;
}

TEST(SampleServiceSigning, SignatureIsTheShortenedDigestOfKeyTimeAndOne) {
  for (std::string time : {"0", "1796119200", "1700000000"}) {
    auto expected = nettleMD5Hex(std::string(sample::kSigningKey) + time + "1").substr(0, 26);
    EXPECT_EQ(sample::signatureFor(time), expected) << time;
  }
}

struct SigningCase {
  const char* name;
  Signing signing;
  int64_t tolerance;
  bool accepted;
};

TEST(SampleServiceSigning, RequestsAreAcceptedOrRefusedInTheEnvelope) {
  int64_t t = now();
  const SigningCase cases[] = {
      {"valid", {Signing::Valid}, 300, true},
      {"missing", {Signing::Missing}, 300, false},
      {"wrong signature", {Signing::WrongSignature}, 300, false},
      {"stale", {Signing::GivenTime, t - 400}, 300, false},
      {"from the future", {Signing::GivenTime, t + 400}, 300, false},
      {"inside tolerance", {Signing::GivenTime, t - 240}, 300, true},
      {"tighter tolerance", {Signing::GivenTime, t - 60}, 10, false},
      {"check off: ancient", {Signing::GivenTime, 12345}, 0, true},
      {"check off: wrong signature", {Signing::WrongSignature}, 0, false},
  };
  for (const auto& c : cases) {
    sample::ServiceOptions options;
    options.toleranceSeconds = c.tolerance;
    RunningService service(options);
    auto answer = service.envelope("App/channel_list", {}, c.signing);
    ASSERT_TRUE(answer) << c.name;
    if (c.accepted) {
      EXPECT_EQ(integerAt(answer, "status"), 200) << c.name;
      EXPECT_GT(arrayAt(objectAt(answer, "data"), "list")->count(), 0u) << c.name;
    } else {
      EXPECT_NE(integerAt(answer, "status"), 200) << c.name;
      EXPECT_FALSE(stringAt(answer, "info").empty()) << c.name;
      EXPECT_FALSE(answer->objectForKey("data")) << c.name;
    }
  }
}

TEST(SampleServiceSigning, RefusalsSayWhy) {
  RunningService service;
  auto missing = stringAt(service.envelope("App/banner", {}, {Signing::Missing}), "info");
  auto wrong = stringAt(service.envelope("App/banner", {}, {Signing::WrongSignature}), "info");
  auto stale = stringAt(service.envelope("App/banner", {}, {Signing::GivenTime, now() - 3600}), "info");
  EXPECT_NE(missing, wrong);
  EXPECT_NE(wrong, stale);
  EXPECT_NE(missing, stale);
}

TEST(SampleServiceSigning, TimestampMustBeWholeSeconds) {
  RunningService service;
  for (std::string time : {"1796119200.5", "abc", "-5"}) {
    httplib::Headers headers{{sample::kSignatureHeader, sample::signatureFor(time)}, {sample::kTimestampHeader, time}};
    auto result = service.client().Post("/api.php/App/loading", headers, httplib::Params{});
    ASSERT_TRUE(result) << time;
    auto answer = parseObject(result->body);
    EXPECT_NE(integerAt(answer, "status"), 200) << time;
  }
}

TEST(SampleServiceSigning, VideoListNeedsNoSignature) {
  RunningService service;
  auto page = service.videoPage("id=1&pageNo=1");
  EXPECT_GT(arrayAt(page, "rows")->count(), 0u);
}

}  // namespace
}  // namespace sampletest
