#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "app/service/KDRequest.h"
#include "app/service/Request.h"
#include "app/service/ServiceConfig.h"
#include "platform/crypto/Digest.h"
#include "platform/dispatch/Clock.h"
#include "platform/foundation/Foundation.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/host/Application.h"
#include "tests/app/ContentServiceFixture.h"

namespace apptest {
namespace {

using app::Request;

constexpr const char* kSignedFailure = "网络错误!";

std::string expectedSignature(const std::string& timestamp) {
  std::string text = std::string("qovatesplimurdanekwohifzyx") + timestamp + "1";
  return crypto::hexString(crypto::Digest::of(crypto::DigestAlgorithm::MD5, text)).substr(0, 26);
}

std::string url(const testsupport::TestServer& server, const std::string& path) { return server.url(path); }

Ref<gfx::Image> smallImage() {
  gfx::beginImageContext(gfx::Size{8, 6});
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

TEST_F(ContentServiceTest, TimestampIsRoundedToTheNearestSecondAndSigned) {
  auto& server = startScriptedServer();
  script("App/banner", R"({"status":200,"data":{"list":[]}})");
  const double second = std::floor(clock->now());
  const std::pair<double, double> cases[] = {{0.4, 0}, {0.6, 1}, {0.0, 0}, {0.99, 1}};
  for (const auto& [fraction, carry] : cases) {
    clock->setNow(second + 60 + fraction);
    Request::post(url(server, "/api.php/App/banner"), nullptr, nullptr, nullptr);
    ASSERT_TRUE(finishRequest());
    auto captured = server.requests().back();
    std::string expected = std::to_string(static_cast<int64_t>(second + 60 + carry));
    EXPECT_EQ(captured.header("API-AUTHTIME"), expected) << fraction;
    EXPECT_EQ(captured.header("API_AUTHKEY"), expectedSignature(expected)) << fraction;
    EXPECT_EQ(captured.method, "POST");
  }
  EXPECT_EQ(Request::signature("1700000000").utf8(), expectedSignature("1700000000"));
}

TEST_F(ContentServiceTest, SignedCallsCarryTheirFormAndHeaders) {
  auto& server = startScriptedServer();
  script("App/article_list", R"({"status":200,"data":{"list":[]}})");
  auto params = fd::Dictionary::withStrings({{"trs_id", fd::box(fd::String("5661"))}, {"page", fd::box(2)}});
  rt::Id answer;
  Request::post(
      url(server, "/api.php/App/article_list"), params, [&](const rt::Id& a) { answer = a; }, nullptr);
  ASSERT_TRUE(finishRequest());
  ASSERT_EQ(server.requestCount(), 1u);
  auto captured = server.requests()[0];
  EXPECT_NE(captured.body.find("trs_id=5661"), std::string::npos) << captured.body;
  EXPECT_NE(captured.body.find("page=2"), std::string::npos) << captured.body;
  EXPECT_NE(captured.header("Content-Type").value_or("").find("application/x-www-form-urlencoded"), std::string::npos);
  EXPECT_TRUE(captured.header("API_AUTHKEY"));
  ASSERT_TRUE(rt::as<fd::Dictionary>(answer));
  auto lines = logLines();
  auto urlLine = std::find_if(lines.begin(), lines.end(),
                              [](const std::string& l) { return l.find("---url---") != std::string::npos; });
  ASSERT_NE(urlLine, lines.end());
  EXPECT_EQ(urlLine->rfind("post(", 0), 0u) << *urlLine;
  EXPECT_NE(urlLine->find("---url--- " + url(server, "/api.php/App/article_list") + " params --- "), std::string::npos);

  // The signed GET puts the parameters in the query and signs the same way.
  Request::get(url(server, "/api.php/App/article_list"), params, nullptr, nullptr);
  ASSERT_TRUE(finishRequest());
  captured = server.requests().back();
  EXPECT_EQ(captured.method, "GET");
  EXPECT_NE(captured.target.find("trs_id=5661"), std::string::npos);
  auto time = captured.header("API-AUTHTIME");
  ASSERT_TRUE(time);
  EXPECT_EQ(captured.header("API_AUTHKEY"), expectedSignature(*time));
}

TEST_F(ContentServiceTest, JsonIsAcceptedUnderEveryListedContentType) {
  auto& server = startScriptedServer();
  for (const char* type : {"text/html", "text/json", "text/javascript", "application/json"}) {
    testsupport::Reply reply;
    reply.contentType = type;
    reply.body = R"({"status":200,"data":"ok"})";
    server.route("/typed", reply);
    rt::Id answer;
    Request::post(
        url(server, "/typed"), nullptr, [&](const rt::Id& a) { answer = a; }, nullptr);
    ASSERT_TRUE(finishRequest());
    auto dictionary = rt::as<fd::Dictionary>(answer);
    ASSERT_TRUE(dictionary) << type;
    EXPECT_TRUE(dictionary->objectForKey("data")->isEqual(fd::box(fd::String("ok")))) << type;
  }
}

TEST_F(ContentServiceTest, SignedFailuresReportOneFixedMessage) {
  auto& server = startScriptedServer();
  server.route("/server-error", testsupport::Reply::text(R"({"status":200})", 500));
  testsupport::Reply malformed;
  malformed.contentType = "application/json";
  malformed.body = R"({"status":200,"data":{"list":[)";
  server.route("/malformed", malformed);
  server.route("/plain-text", testsupport::Reply::text(R"({"status":200})"));
  const std::string targets[] = {url(server, "/server-error"), url(server, "/malformed"), url(server, "/plain-text"),
                                 "http://127.0.0.1:1/api.php/App/banner"};
  auto application = ui::Application::sharedApplication();
  for (const auto& target : targets) {
    std::vector<std::string> failures;
    bool succeeded = false;
    Request::post(
        target, nullptr, [&](const rt::Id&) { succeeded = true; },
        [&](const fd::String& m) { failures.push_back(m.utf8()); });
    EXPECT_TRUE(application->isNetworkActivityIndicatorVisible());
    ASSERT_TRUE(finishRequest()) << target;
    EXPECT_FALSE(succeeded) << target;
    EXPECT_EQ(failures, std::vector<std::string>{kSignedFailure}) << target;
    EXPECT_FALSE(application->isNetworkActivityIndicatorVisible());
  }
}

TEST_F(ContentServiceTest, VideoListGetIsUnsignedAndHandsOverTheError) {
  auto& server = startScriptedServer();
  server.route("/mas/front/appList.jsp", testsupport::Reply::text("down", 500));
  auto params = fd::Dictionary::withStrings({{"id", fd::box(fd::String("8"))}, {"pageNo", fd::box(3)}});
  Ref<fd::Error> error;
  bool succeeded = false;
  Request::getVide(
      app::ServiceConfig::shared().videoListURL(), params, [&](const rt::Id&) { succeeded = true; },
      [&](const Ref<fd::Error>& e) { error = e; });
  ASSERT_TRUE(finishRequest());
  EXPECT_FALSE(succeeded);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), -1011);
  auto captured = server.requests().back();
  EXPECT_EQ(captured.method, "GET");
  EXPECT_NE(captured.target.find("id=8"), std::string::npos);
  EXPECT_NE(captured.target.find("pageNo=3"), std::string::npos);
  EXPECT_FALSE(captured.header("API_AUTHKEY"));
  EXPECT_FALSE(captured.header("API-AUTHTIME"));
}

TEST_F(ContentServiceTest, UploadsSendSignedMultipartParts) {
  auto& server = startScriptedServer();
  // The parts as the server parsed them, per request: name, file name, type and content.
  std::mutex mutex;
  std::vector<std::vector<httplib::MultipartFormData>> received;
  server.route("/upload", [&](const httplib::Request& request, httplib::Response& response) {
    std::vector<httplib::MultipartFormData> parts;
    for (const auto& [name, part] : request.files) parts.push_back(part);
    std::sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    {
      std::lock_guard lock(mutex);
      received.push_back(std::move(parts));
    }
    response.set_content(R"({"status":200})", "application/json");
  });
  std::vector<Ref<gfx::Image>> images = {smallImage(), smallImage()};
  ASSERT_TRUE(images[0]);
  auto jpeg = Request::Image_TransForm_Data(images[0]);
  ASSERT_TRUE(jpeg);
  ASSERT_GT(jpeg->length(), 2u);
  EXPECT_EQ(jpeg->bytes()[0], 0xFF);
  EXPECT_EQ(jpeg->bytes()[1], 0xD8);
  const std::string jpegBytes(jpeg->view());

  struct Part {
    std::string name, filename, type, content;
  };
  struct Upload {
    const char* name;
    std::function<void(Request::Success)> send;
    std::vector<Part> parts;  // sorted by name
  };
  auto params = fd::Dictionary::withStrings({{"uid", fd::box(fd::String("42"))}});
  const Upload uploads[] = {
      {"images",
       [&](Request::Success s) { Request::post(url(server, "/upload"), params, images, s, nullptr); },
       {{"pic0", "test0.png", "image/jpeg/png", jpegBytes},
        {"pic1", "test1.png", "image/jpeg/png", jpegBytes},
        {"uid", "", "", "42"}}},
      {"no images",
       [&](Request::Success s) {
         Request::post(url(server, "/upload"), params, std::vector<Ref<gfx::Image>>{}, s, nullptr);
       },
       {{"uid", "", "", "42"}}},
      {"data",
       [&](Request::Success s) {
         Request::post(url(server, "/upload"), params, fd::Data::create("portrait"), s, nullptr);
       },
       {{"head_file", "head_file.png", "image/jpeg/png", "portrait"}, {"uid", "", "", "42"}}},
  };
  for (const auto& upload : uploads) {
    SCOPED_TRACE(upload.name);
    bool succeeded = false;
    upload.send([&](const rt::Id&) { succeeded = true; });
    ASSERT_TRUE(finishRequest());
    EXPECT_TRUE(succeeded);
    auto captured = server.requests().back();
    EXPECT_NE(captured.header("Content-Type").value_or("").find("multipart/form-data"), std::string::npos);
    auto time = captured.header("API-AUTHTIME");
    ASSERT_TRUE(time);
    EXPECT_EQ(captured.header("API_AUTHKEY"), expectedSignature(*time));
    std::lock_guard lock(mutex);
    ASSERT_FALSE(received.empty());
    const auto& got = received.back();
    ASSERT_EQ(got.size(), upload.parts.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].name, upload.parts[i].name);
      EXPECT_EQ(got[i].filename, upload.parts[i].filename);
      if (!upload.parts[i].type.empty()) {
        EXPECT_EQ(got[i].content_type, upload.parts[i].type);
      }
      EXPECT_EQ(got[i].content, upload.parts[i].content) << got[i].name;
    }
  }
}

}  // namespace
}  // namespace apptest
