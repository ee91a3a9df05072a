// Session tasks put server trust, HTTP authentication and redirects to the delegate, against
// real servers on 127.0.0.1.
#include <gtest/gtest.h>
#include <httplib.h>

#include <condition_variable>
#include <mutex>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/net/URLAuthenticationChallenge.h"
#include "platform/foundation/net/URLCredential.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/net/URLSession.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

using namespace fd;
using Disposition = URLSessionAuthChallengeDisposition;
using testsupport::Reply;
using testsupport::TestIdentity;
using testsupport::TestServer;

namespace {

struct Outcome {
  std::string body;
  Ref<HTTPURLResponse> response;
  Ref<Error> error;
};

using Answer = std::pair<Disposition, Ref<URLCredential>>;

/// Answers challenges and redirects with the functions it is given, recording what it saw.
class Answerer : public URLSessionDelegate {
  RT_CLASS(Answerer, URLSessionDelegate)
 public:
  std::mutex m;
  std::vector<std::string> levels;  // "session" or "task", per challenge
  std::vector<Ref<URLAuthenticationChallenge>> challenges;
  std::vector<Ref<URLSessionTask>> tasks;
  std::vector<Ref<HTTPURLResponse>> redirects;
  std::function<Answer(const Ref<URLAuthenticationChallenge>&)> answer;
  std::function<Ref<URLRequest>(const Ref<URLRequest>& proposed)> onRedirect;

  void didReceiveChallenge(const Ref<URLSession>&, const Ref<URLAuthenticationChallenge>& ch,
                           ChallengeHandler handler) override {
    note("session", ch, nullptr);
    auto [d, c] = answer(ch);
    handler(d, c);
  }
  void taskDidReceiveChallenge(const Ref<URLSession>&, const Ref<URLSessionTask>& task,
                               const Ref<URLAuthenticationChallenge>& ch, ChallengeHandler handler) override {
    note("task", ch, task);
    auto [d, c] = answer(ch);
    handler(d, c);
  }
  void willPerformHTTPRedirection(const Ref<URLSession>&, const Ref<URLSessionTask>&,
                                  const Ref<HTTPURLResponse>& response, const Ref<URLRequest>& proposed,
                                  RedirectHandler handler) override {
    {
      std::lock_guard l(m);
      redirects.push_back(response);
    }
    handler(onRedirect(proposed));
  }

 private:
  void note(const char* level, const Ref<URLAuthenticationChallenge>& ch, const Ref<URLSessionTask>& task) {
    std::lock_guard l(m);
    levels.push_back(level);
    challenges.push_back(ch);
    tasks.push_back(task);
  }
};
RT_IMPLEMENT(Answerer) {}

class SessionAndTaskLevel : public Answerer {
  RT_CLASS(SessionAndTaskLevel, Answerer)
};
RT_IMPLEMENT(SessionAndTaskLevel) {
  URLSessionDelegate::implement(c.cls(), {URLSessionDelegate::kDidReceiveChallenge,
                                          URLSessionDelegate::kTaskDidReceiveChallenge});
}

class TaskLevel : public Answerer {
  RT_CLASS(TaskLevel, Answerer)
};
RT_IMPLEMENT(TaskLevel) { URLSessionDelegate::implement(c.cls(), {URLSessionDelegate::kTaskDidReceiveChallenge}); }

class RedirectWatcher : public Answerer {
  RT_CLASS(RedirectWatcher, Answerer)
};
RT_IMPLEMENT(RedirectWatcher) {
  URLSessionDelegate::implement(c.cls(), {URLSessionDelegate::kWillPerformHTTPRedirection});
}

/// Runs one task made with a completion handler (the delegate still hears challenges and
/// redirects) and waits for its outcome.
Outcome load(const Ref<Answerer>& delegate, const std::string& url, Ref<URLSessionTask>* made = nullptr) {
  auto session = URLSession::sessionWithConfiguration(URLSessionConfiguration::ephemeralSessionConfiguration(), delegate);
  std::mutex m;
  std::condition_variable cv;
  std::optional<Outcome> out;
  auto task = session->dataTaskWithRequest(URLRequest::requestWithURL(testsupport::urlOf(url)),
                                           [&](Ref<Data> d, Ref<URLResponse> r, Ref<Error> e) {
                                             std::lock_guard l(m);
                                             out = Outcome{d ? std::string(d->view()) : "", rt::as<HTTPURLResponse>(r), e};
                                             cv.notify_all();
                                           });
  if (made) *made = task;
  task->resume();
  std::unique_lock l(m);
  EXPECT_TRUE(cv.wait_for(l, std::chrono::seconds(10), [&] { return out.has_value(); }));
  session->finishTasksAndInvalidate();
  return out.value_or(Outcome{});
}

}  // namespace

TEST(URLSessionChallenge, ServerTrustGoesToTheDelegateBeforeTheRequest) {
  auto identity = TestIdentity::selfSigned("localhost");
  auto stranger = TestIdentity::selfSigned("localhost");
  TestServer server(identity);
  server.route("/secret", Reply::text("classified"));

  enum class Decide { PinIdentity, PinStranger, Default, Cancel };
  struct Case {
    const char* name;
    bool sessionLevel;
    Decide decide;
    int64_t code;  // 0: loads
  };
  const Case cases[] = {
      {"session level, pinned", true, Decide::PinIdentity, 0},
      {"task level, pinned", false, Decide::PinIdentity, 0},
      {"session level, other pinned", true, Decide::PinStranger, NSURLErrorCancelled},
      {"task level, cancelled", false, Decide::Cancel, NSURLErrorCancelled},
      {"default handling, unknown root", true, Decide::Default, NSURLErrorServerCertificateUntrusted},
  };
  size_t served = 0;
  for (const auto& c : cases) {
    Ref<Answerer> delegate = c.sessionLevel ? Ref<Answerer>(rt::make<SessionAndTaskLevel>()) : rt::make<TaskLevel>();
    delegate->answer = [&](const Ref<URLAuthenticationChallenge>& ch) -> Answer {
      const auto& chain = ch->protectionSpace()->certificateChain();
      auto pinned = c.decide == Decide::PinIdentity ? identity : stranger;
      switch (c.decide) {
        case Decide::Default: return {Disposition::PerformDefaultHandling, nullptr};
        case Decide::Cancel: return {Disposition::CancelAuthenticationChallenge, nullptr};
        default: break;
      }
      if (!chain.empty() && chain[0]->vector() == pinned->der())
        return {Disposition::UseCredential, URLCredential::credentialForTrust(ch->protectionSpace()->serverTrust())};
      return {Disposition::CancelAuthenticationChallenge, nullptr};
    };
    Ref<URLSessionTask> task;
    auto out = load(delegate, server.url("/secret"), &task);
    ASSERT_EQ(delegate->levels.size(), 1u) << c.name;
    EXPECT_EQ(delegate->levels[0], c.sessionLevel ? "session" : "task") << c.name;
    if (!c.sessionLevel) {
      EXPECT_EQ(delegate->tasks[0], task) << c.name;
    }
    auto space = delegate->challenges[0]->protectionSpace();
    EXPECT_EQ(space->authenticationMethod(), NSURLAuthenticationMethodServerTrust) << c.name;
    EXPECT_EQ(space->host(), "127.0.0.1") << c.name;
    EXPECT_EQ(space->port(), server.port()) << c.name;
    if (c.code == 0) {
      ++served;
      EXPECT_FALSE(out.error) << c.name;
      EXPECT_EQ(out.body, "classified") << c.name;
    } else {
      ASSERT_TRUE(out.error) << c.name;
      EXPECT_EQ(out.error->code(), c.code) << c.name;
      EXPECT_TRUE(out.body.empty()) << c.name;
    }
    EXPECT_EQ(server.requestCount(), served) << c.name;
  }
}

TEST(URLSessionChallenge, HTTPBasicAuthentication) {
  TestServer server;
  server.route("/private", [](const httplib::Request& req, httplib::Response& res) {
    if (req.get_header_value("Authorization") == "Basic dXNlcjpzZXNhbWU=") {  // user:sesame
      res.set_content("welcome", "text/plain");
      return;
    }
    res.status = 401;
    res.set_header("WWW-Authenticate", "Basic realm=\"district\"");
    res.set_content("who are you?", "text/plain");
  });
  struct Case {
    const char* name;
    std::vector<Answer> answers;  // one per challenge, in order
    int64_t status;               // 0: fails
    const char* body;
    int64_t code;
  };
  auto credential = [](const char* user, const char* password) {
    return URLCredential::credentialWithUser(user, password, URLCredentialPersistence::None);
  };
  const Case cases[] = {
      {"right credential", {{Disposition::UseCredential, credential("user", "sesame")}}, 200, "welcome", 0},
      {"wrong, then right",
       {{Disposition::UseCredential, credential("user", "guess")}, {Disposition::UseCredential, credential("user", "sesame")}},
       200, "welcome", 0},
      {"default handling", {{Disposition::PerformDefaultHandling, nullptr}}, 401, "who are you?", 0},
      {"wrong, then give up",
       {{Disposition::UseCredential, credential("user", "guess")}, {Disposition::RejectProtectionSpace, nullptr}}, 401,
       "who are you?", 0},
      {"cancelled", {{Disposition::CancelAuthenticationChallenge, nullptr}}, 0, "", NSURLErrorCancelled},
  };
  for (const auto& c : cases) {
    auto delegate = rt::make<TaskLevel>();
    size_t asked = 0;
    delegate->answer = [&](const Ref<URLAuthenticationChallenge>&) {
      return asked < c.answers.size() ? c.answers[asked++] : Answer{Disposition::CancelAuthenticationChallenge, nullptr};
    };
    auto out = load(delegate, server.url("/private"));
    EXPECT_EQ(delegate->challenges.size(), c.answers.size()) << c.name;
    for (size_t i = 0; i < delegate->challenges.size(); ++i) {
      const auto& ch = delegate->challenges[i];
      EXPECT_EQ(ch->previousFailureCount(), static_cast<int64_t>(i)) << c.name;
      EXPECT_EQ(ch->protectionSpace()->authenticationMethod(), NSURLAuthenticationMethodHTTPBasic) << c.name;
      EXPECT_EQ(ch->protectionSpace()->realm(), String("district")) << c.name;
      ASSERT_TRUE(rt::as<HTTPURLResponse>(ch->failureResponse())) << c.name;
      EXPECT_EQ(rt::as<HTTPURLResponse>(ch->failureResponse())->statusCode(), 401) << c.name;
    }
    if (c.status) {
      EXPECT_FALSE(out.error) << c.name;
      ASSERT_TRUE(out.response) << c.name;
      EXPECT_EQ(out.response->statusCode(), c.status) << c.name;
      EXPECT_EQ(out.body, c.body) << c.name;
    } else {
      ASSERT_TRUE(out.error) << c.name;
      EXPECT_EQ(out.error->code(), c.code) << c.name;
    }
  }
}

TEST(URLSessionChallenge, RedirectsAskTheDelegate) {
  TestServer server;
  server.route("/start", Reply::redirect("/end"));
  server.route("/end", Reply::text("arrived"));
  server.route("/elsewhere", Reply::text("somewhere else"));
  Reply moved = Reply::redirect("/end");
  moved.body = "moved along";
  server.route("/moved", moved);
  struct Case {
    const char* name;
    const char* path;
    enum { Follow, Stop, Replace } choice;
    int64_t status;
    const char* body;
  };
  const Case cases[] = {
      {"follows the proposal", "/start", Case::Follow, 200, "arrived"},
      {"stops at the redirect", "/moved", Case::Stop, 302, "moved along"},
      {"goes elsewhere", "/start", Case::Replace, 200, "somewhere else"},
  };
  for (const auto& c : cases) {
    auto delegate = rt::make<RedirectWatcher>();
    std::vector<std::string> proposals;
    delegate->onRedirect = [&](const Ref<URLRequest>& proposed) -> Ref<URLRequest> {
      proposals.push_back(proposed->URL()->absoluteString().utf8());
      if (c.choice == Case::Stop) return nullptr;
      if (c.choice == Case::Replace) return URLRequest::requestWithURL(testsupport::urlOf(server.url("/elsewhere")));
      return proposed;
    };
    auto out = load(delegate, server.url(c.path));
    EXPECT_EQ(proposals, std::vector<std::string>{server.url("/end")}) << c.name;
    ASSERT_EQ(delegate->redirects.size(), 1u) << c.name;
    EXPECT_EQ(delegate->redirects[0]->statusCode(), 302) << c.name;
    EXPECT_FALSE(out.error) << c.name;
    ASSERT_TRUE(out.response) << c.name;
    EXPECT_EQ(out.response->statusCode(), c.status) << c.name;
    EXPECT_EQ(out.body, c.body) << c.name;
  }
}
