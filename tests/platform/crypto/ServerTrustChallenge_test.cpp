// The server-trust challenge of URL loading, seen from the crypto side: it comes during the
// handshake with the presented chain as a trust object, and the delegate's answer decides.
#include <gtest/gtest.h>

#include "platform/crypto/Trust.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/net/URLError.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

using crypto::Certificate;
using crypto::Trust;
using crypto::TrustResult;
using fd::URLConnection;
using testsupport::ConnectionRecorder;
using testsupport::TestIdentity;
using testsupport::TestServer;

namespace {

enum class Decision { AcceptIfPinned, Default };

struct Outcome {
  Ref<ConnectionRecorder> delegate;
  size_t requestsAtChallenge = 0;
};

Outcome load(TestServer& server, const std::shared_ptr<TestIdentity>& pinned, Decision decision) {
  Outcome out;
  out.delegate = rt::make<ConnectionRecorder>();
  out.delegate->onChallenge = [&](const Ref<URLConnection>& c, const Ref<fd::URLAuthenticationChallenge>& ch) {
    out.requestsAtChallenge = server.requestCount();
    auto trust = rt::as<Trust>(ch->protectionSpace()->serverTrust());
    if (decision == Decision::Default || !trust) return c->performDefaultHandling(ch);
    bool pinnedLeaf = trust->certificateAtIndex(0)->der() == pinned->der();
    if (pinnedLeaf) return c->useCredential(fd::URLCredential::credentialForTrust(trust), ch);
    c->cancelAuthenticationChallenge(ch);
  };
  auto request = fd::URLRequest::requestWithURL(testsupport::urlOf(server.url("/secret")));
  auto connection = URLConnection::create(request, out.delegate);
  EXPECT_TRUE(testsupport::runLoopUntil([&] { return out.delegate->done; }, 10));
  return out;
}

}  // namespace

TEST(ServerTrustChallenge, ComesBeforeTheRequestWithTheChainAsATrust) {
  auto identity = TestIdentity::selfSigned("localhost");
  TestServer server(identity);
  server.route("/secret", testsupport::Reply::text("classified"));
  auto out = load(server, identity, Decision::AcceptIfPinned);
  const auto& d = *out.delegate;
  EXPECT_EQ(d.events, (std::vector<std::string>{"willSend", "challenge", "response", "data", "cache", "finish"}));
  EXPECT_EQ(out.requestsAtChallenge, 0u);
  EXPECT_EQ(d.body, "classified");
  ASSERT_EQ(d.challenges.size(), 1u);
  auto space = d.challenges[0]->protectionSpace();
  EXPECT_EQ(space->authenticationMethod(), fd::NSURLAuthenticationMethodServerTrust);
  EXPECT_EQ(space->host(), "127.0.0.1");
  EXPECT_EQ(space->port(), server.port());
  auto trust = rt::as<Trust>(space->serverTrust());
  ASSERT_TRUE(trust);
  ASSERT_EQ(space->certificateChain().size(), 1u);
  EXPECT_EQ(space->certificateChain()[0]->vector(), identity->der());
  // Anchored in itself, the presented certificate is good for this host.
  trust->setAnchorCertificates({Certificate::createWithDER(identity->der())});
  TrustResult result;
  trust->evaluate(&result);
  EXPECT_EQ(result, TrustResult::Unspecified);
}

TEST(ServerTrustChallenge, RefusalsFailWithoutSendingTheRequest) {
  auto pinned = TestIdentity::selfSigned("localhost");
  auto other = TestIdentity::selfSigned("localhost");
  struct Case {
    const char* name;
    Decision decision;
    int64_t code;
  };
  const Case cases[] = {
      {"pinning refuses a different certificate", Decision::AcceptIfPinned, fd::NSURLErrorCancelled},
      {"default handling refuses an unknown root", Decision::Default, fd::NSURLErrorServerCertificateUntrusted},
  };
  for (const auto& c : cases) {
    TestServer server(other);
    server.route("/secret", testsupport::Reply::text("classified"));
    auto out = load(server, pinned, c.decision);
    const auto& d = *out.delegate;
    ASSERT_TRUE(d.error) << c.name;
    EXPECT_EQ(d.error->code(), c.code) << c.name;
    EXPECT_EQ(d.events, (std::vector<std::string>{"willSend", "challenge", "fail"})) << c.name;
    EXPECT_EQ(server.requestCount(), 0u) << c.name;
    EXPECT_TRUE(d.error->userInfo()->objectForKey(fd::NSURLErrorFailingURLErrorKey)) << c.name;
  }
}

TEST(ServerTrustChallenge, ChainArrivesInOrderAndEvaluatesAgainstItsAuthority) {
  auto ca = TestIdentity::selfSigned("Test Authority", true);
  auto leaf = ca->issue("localhost");
  TestServer server(leaf);
  server.route("/secret", testsupport::Reply::text("classified"));
  Ref<Trust> seen;
  auto d = rt::make<ConnectionRecorder>();
  d->onChallenge = [&](const Ref<URLConnection>& c, const Ref<fd::URLAuthenticationChallenge>& ch) {
    seen = rt::as<Trust>(ch->protectionSpace()->serverTrust());
    c->useCredential(fd::URLCredential::credentialForTrust(seen), ch);
  };
  auto connection = URLConnection::create(fd::URLRequest::requestWithURL(testsupport::urlOf(server.url("/secret"))), d);
  ASSERT_TRUE(testsupport::runLoopUntil([&] { return d->done; }, 10));
  EXPECT_EQ(d->body, "classified");
  ASSERT_TRUE(seen);
  ASSERT_EQ(seen->certificateCount(), 2u);
  EXPECT_EQ(seen->certificateAtIndex(0)->der(), leaf->der());
  EXPECT_EQ(seen->certificateAtIndex(1)->der(), ca->der());
  seen->setAnchorCertificates({Certificate::createWithDER(ca->der())});
  TrustResult result;
  seen->evaluate(&result);
  EXPECT_EQ(result, TrustResult::Unspecified);
  EXPECT_TRUE(seen->publicKey()->isEqual(Certificate::createWithDER(leaf->der())->publicKey()));
}
