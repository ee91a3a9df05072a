// Pinning against a live HTTPS server on 127.0.0.1: the policy answers the connection's
// server-trust challenge, so a refused server never sees the request and no body byte arrives.
#include <gtest/gtest.h>

#include "net/http/NKSecurityPolicy.h"
#include "platform/crypto/Trust.h"
#include "platform/foundation/net/URLError.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

using net::NKSecurityPolicy;
using net::NKSSLPinningMode;
using testsupport::ConnectionRecorder;
using testsupport::TestIdentity;
using testsupport::TestServer;

namespace {

struct Load {
  Ref<ConnectionRecorder> delegate = rt::make<ConnectionRecorder>();
  size_t requestsAtChallenge = 99;
};

// Loads "/secret" with the policy deciding the challenge for `domain` (the challenge's own host
// when none is given), the way a request operation does.
Load loadThrough(TestServer& server, const Ref<NKSecurityPolicy>& policy, std::optional<rt::String> domain = {}) {
  Load out;
  out.delegate->onChallenge = [&](const Ref<fd::URLConnection>& c, const Ref<fd::URLAuthenticationChallenge>& ch) {
    out.requestsAtChallenge = server.requestCount();
    auto trust = rt::as<crypto::Trust>(ch->protectionSpace()->serverTrust());
    if (policy->evaluateServerTrust(trust, domain ? domain : ch->protectionSpace()->host()))
      c->useCredential(fd::URLCredential::credentialForTrust(trust), ch);
    else
      c->cancelAuthenticationChallenge(ch);
  };
  auto request = fd::URLRequest::requestWithURL(testsupport::urlOf(server.url("/secret")));
  auto connection = fd::URLConnection::create(request, out.delegate);
  EXPECT_TRUE(testsupport::runLoopUntil([&] { return out.delegate->done; }, 10));
  return out;
}

Ref<NKSecurityPolicy> pinning(NKSSLPinningMode mode, const std::shared_ptr<TestIdentity>& pinned, bool allowInvalid) {
  auto p = NKSecurityPolicy::policyWithPinningMode(mode);
  p->setPinnedCertificates(fd::Array::arrayWithObject(fd::Data::create(pinned->der())));
  p->setAllowInvalidCertificates(allowInvalid);
  return p;
}

}  // namespace

TEST(SecurityPolicyPinning, LiveServer) {
  auto serverIdentity = TestIdentity::selfSigned("localhost");
  auto otherIdentity = TestIdentity::selfSigned("localhost");
  TestServer server(serverIdentity);
  server.route("/secret", testsupport::Reply::text("classified"));

  struct Case {
    const char* name;
    Ref<NKSecurityPolicy> policy;
    std::optional<rt::String> domain;
    bool accepted;
  };
  const Case cases[] = {
      // A self-signed server passes pinning only when invalid certificates are allowed.
      {"certificate pinned", pinning(NKSSLPinningMode::Certificate, serverIdentity, true), {}, true},
      {"certificate pinned, by host name", pinning(NKSSLPinningMode::Certificate, serverIdentity, true),
       rt::String("localhost"), true},
      {"public key pinned", pinning(NKSSLPinningMode::PublicKey, serverIdentity, true), {}, true},
      {"other certificate pinned", pinning(NKSSLPinningMode::Certificate, otherIdentity, true), {}, false},
      {"other public key pinned", pinning(NKSSLPinningMode::PublicKey, otherIdentity, true), {}, false},
      {"certificate pinned, self-signed refused", pinning(NKSSLPinningMode::Certificate, serverIdentity, false), {},
       false},
      {"public key pinned, self-signed refused", pinning(NKSSLPinningMode::PublicKey, serverIdentity, false), {},
       false},
      {"certificate for another host name", pinning(NKSSLPinningMode::Certificate, serverIdentity, true),
       rt::String("www.example.org"), false},
      {"default policy, unknown root", NKSecurityPolicy::defaultPolicy(), {}, false},
  };
  size_t served = 0;
  for (const auto& c : cases) {
    auto out = loadThrough(server, c.policy, c.domain);
    const auto& d = *out.delegate;
    EXPECT_EQ(out.requestsAtChallenge, served) << c.name;
    if (c.accepted) {
      ++served;
      EXPECT_FALSE(d.error) << c.name;
      EXPECT_EQ(d.body, "classified") << c.name;
    } else {
      ASSERT_TRUE(d.error) << c.name;
      EXPECT_EQ(d.error->code(), fd::NSURLErrorCancelled) << c.name;
      EXPECT_EQ(d.events, (std::vector<std::string>{"willSend", "challenge", "fail"})) << c.name;
      EXPECT_TRUE(d.body.empty()) << c.name;
    }
    EXPECT_EQ(server.requestCount(), served) << c.name;
  }
}
