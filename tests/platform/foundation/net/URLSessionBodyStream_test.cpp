// A streamed body that must be sent again (a 307 redirect, an authentication retry) comes
// from a fresh stream the delegate gives; without one the task fails instead of sending a
// spent stream.
#include <gtest/gtest.h>
#include <httplib.h>

#include <condition_variable>
#include <mutex>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/net/URLCredential.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLSession.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

using namespace fd;
using testsupport::TestServer;

namespace {

const std::string kPayload = "name=district&kind=news";

/// Gives fresh streams (when it says it can), a credential, and records the outcome.
class BodyRecorder : public URLSessionDelegate {
  RT_CLASS(BodyRecorder, URLSessionDelegate)
 public:
  std::mutex m;
  std::condition_variable cv;
  bool giveStream = true;
  int asked = 0;
  std::string body;
  Ref<Error> error;
  bool completed = false;

  void needNewBodyStream(const Ref<URLSession>&, const Ref<URLSessionTask>&, BodyStreamHandler handler) override {
    {
      std::lock_guard l(m);
      ++asked;
    }
    handler(giveStream ? InputStream::inputStreamWithData(Data::create(std::string_view(kPayload))) : nullptr);
  }
  void taskDidReceiveChallenge(const Ref<URLSession>&, const Ref<URLSessionTask>&,
                               const Ref<URLAuthenticationChallenge>&, ChallengeHandler handler) override {
    handler(URLSessionAuthChallengeDisposition::UseCredential,
            URLCredential::credentialWithUser("user", "sesame", URLCredentialPersistence::None));
  }
  void didReceiveData(const Ref<URLSession>&, const Ref<URLSessionDataTask>&, const Ref<Data>& d) override {
    std::lock_guard l(m);
    body.append(d->view());
  }
  void didCompleteWithError(const Ref<URLSession>&, const Ref<URLSessionTask>&, const Ref<Error>& e) override {
    std::lock_guard l(m);
    error = e;
    completed = true;
    cv.notify_all();
  }
};
RT_IMPLEMENT(BodyRecorder) {}

class StreamGiver : public BodyRecorder {
  RT_CLASS(StreamGiver, BodyRecorder)
};
RT_IMPLEMENT(StreamGiver) {
  URLSessionDelegate::implement(c.cls(), {URLSessionDelegate::kNeedNewBodyStream, URLSessionDelegate::kTaskDidReceiveChallenge,
                                          URLSessionDelegate::kDidReceiveData, URLSessionDelegate::kDidCompleteWithError});
}

/// The same without the body-stream callback.
class NoStreamGiver : public BodyRecorder {
  RT_CLASS(NoStreamGiver, BodyRecorder)
};
RT_IMPLEMENT(NoStreamGiver) {
  URLSessionDelegate::implement(c.cls(), {URLSessionDelegate::kTaskDidReceiveChallenge, URLSessionDelegate::kDidReceiveData,
                                          URLSessionDelegate::kDidCompleteWithError});
}

}  // namespace

TEST(URLSessionBodyStream, SentAgainFromAFreshStream) {
  TestServer server;
  server.route("/moved", [](const httplib::Request&, httplib::Response& res) {
    res.status = 307;
    res.set_header("Location", "/echo");
  });
  server.route("/echo", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content("got " + req.body, "text/plain");
  });
  server.route("/private", [](const httplib::Request& req, httplib::Response& res) {
    if (req.get_header_value("Authorization") != "Basic dXNlcjpzZXNhbWU=") {
      res.status = 401;
      res.set_header("WWW-Authenticate", "Basic realm=\"district\"");
      return;
    }
    res.set_content("got " + req.body, "text/plain");
  });
  struct Case {
    const char* name;
    const char* path;
    bool implemented;
    bool give;
    int asked;
    int64_t code;  // 0: the body arrives again
  };
  const Case cases[] = {
      {"redirect keeps the body", "/moved", true, true, 1, 0},
      {"authentication retry", "/private", true, true, 1, 0},
      {"delegate gives none", "/moved", true, false, 1, NSURLErrorRequestBodyStreamExhausted},
      {"delegate cannot give one", "/private", false, false, 0, NSURLErrorRequestBodyStreamExhausted},
  };
  for (const auto& c : cases) {
    Ref<BodyRecorder> delegate =
        c.implemented ? Ref<BodyRecorder>(rt::make<StreamGiver>()) : Ref<BodyRecorder>(rt::make<NoStreamGiver>());
    delegate->giveStream = c.give;
    auto session = URLSession::sessionWithConfiguration(URLSessionConfiguration::ephemeralSessionConfiguration(), delegate);
    auto request = MutableURLRequest::requestWithURL(testsupport::urlOf(server.url(c.path)));
    request->setHTTPMethod("POST");
    request->setHTTPBodyStream(InputStream::inputStreamWithData(Data::create(std::string_view(kPayload))));
    request->setValueForHTTPHeaderField(String(std::to_string(kPayload.size()).c_str()), "Content-Length");
    session->uploadTaskWithStreamedRequest(request)->resume();
    {
      std::unique_lock l(delegate->m);
      ASSERT_TRUE(delegate->cv.wait_for(l, std::chrono::seconds(10), [&] { return delegate->completed; })) << c.name;
    }
    EXPECT_EQ(delegate->asked, c.asked) << c.name;
    if (c.code == 0) {
      EXPECT_FALSE(delegate->error) << c.name;
      EXPECT_EQ(delegate->body, "got " + kPayload) << c.name;
    } else {
      ASSERT_TRUE(delegate->error) << c.name;
      EXPECT_EQ(delegate->error->code(), c.code) << c.name;
    }
    session->finishTasksAndInvalidate();
  }
}
