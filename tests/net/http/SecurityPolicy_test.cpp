// The security policy's decisions on trusts built from test certificates: the system-store
// mode, certificate and public-key pinning, domain names, and the policy's own state.
#include "net/http/NKSecurityPolicy.h"

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/crypto/Trust.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/Log.h"
#include "tests/net/http/ArchiveClasses.h"
#include "tests/net/http/ArchiveEditing.h"
#include "tests/support/TestCertificates.h"

using net::NKSecurityPolicy;
using net::NKSSLPinningMode;
using testsupport::TestIdentity;

namespace {

using IdentityRef = std::shared_ptr<TestIdentity>;

Ref<fd::Data> derOf(const IdentityRef& id) { return fd::Data::create(id->der()); }

// Certificates for the cases: a root known to the "system" store with a leaf it issued, a
// self-signed leaf and a second, unrelated self-signed leaf.
struct Pki {
  IdentityRef ca = TestIdentity::selfSigned("Policy Test Root", true);
  IdentityRef issued = ca->issue("localhost");
  IdentityRef selfSigned = TestIdentity::selfSigned("localhost");
  IdentityRef stranger = TestIdentity::selfSigned("localhost");
  std::filesystem::path systemStore;

  Pki() {
    // A hashed anchor folder standing in for the system's, holding only the test root.
    systemStore = std::filesystem::temp_directory_path() /
                  ("nk-policy-anchors-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    std::filesystem::create_directories(systemStore);
    char name[32];
    std::snprintf(name, sizeof name, "%08lx.0", X509_subject_name_hash(ca->certificate()));
    std::ofstream(systemStore / name) << ca->pem();
  }
  ~Pki() { std::filesystem::remove_all(systemStore); }

  // The trust a connection to a server presenting `leaf` (and its issuers) would carry.
  Ref<crypto::Trust> serverTrust(const IdentityRef& leaf) const {
    std::vector<Ref<crypto::Certificate>> chain{crypto::Certificate::createWithDER(leaf->der())};
    for (auto i = leaf->issuer(); i; i = i->issuer()) chain.push_back(crypto::Certificate::createWithDER(i->der()));
    auto trust = crypto::Trust::create(chain, {crypto::Policy::ssl(true, rt::String("localhost"))});
    trust->setSystemAnchorDirectory(systemStore.string());
    return trust;
  }
};

Ref<fd::Array> certificates(std::initializer_list<IdentityRef> ids) {
  std::vector<rt::Id> v;
  for (const auto& id : ids) v.push_back(derOf(id));
  return fd::Array::create(std::move(v));
}

Ref<NKSecurityPolicy> policy(NKSSLPinningMode mode, Ref<fd::Array> pinned, bool allowInvalid, bool validatesDomain) {
  auto p = NKSecurityPolicy::defaultPolicy();
  p->setSSLPinningMode(mode);
  p->setPinnedCertificates(pinned);
  p->setAllowInvalidCertificates(allowInvalid);
  p->setValidatesDomainName(validatesDomain);
  return p;
}

class LogCapture {
 public:
  LogCapture() {
    fd::setLogSink([this](const fd::String& m) { lines.push_back(m.utf8()); });
  }
  ~LogCapture() { fd::setLogSink(nullptr); }
  std::vector<std::string> lines;
};

constexpr const char* kPinningNeeded =
    "In order to validate a domain name for self signed certificates, you MUST use pinning.";

}  // namespace

TEST(SecurityPolicy, Defaults) {
  auto p = NKSecurityPolicy::defaultPolicy();
  EXPECT_EQ(p->SSLPinningMode(), NKSSLPinningMode::None);
  EXPECT_FALSE(p->pinnedCertificates());
  EXPECT_FALSE(p->pinnedPublicKeys());
  EXPECT_FALSE(p->allowInvalidCertificates());
  EXPECT_TRUE(p->validatesDomainName());
  // The test program's bundle holds no ".cer" resources.
  auto defaults = NKSecurityPolicy::defaultPinnedCertificates();
  ASSERT_TRUE(defaults);
  EXPECT_EQ(NKSecurityPolicy::defaultPinnedCertificates(), defaults);
  auto pinning = NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode::Certificate);
  EXPECT_EQ(pinning->SSLPinningMode(), NKSSLPinningMode::Certificate);
  EXPECT_EQ(pinning->pinnedCertificates()->count(), defaults->count());
  EXPECT_FALSE(p->evaluateServerTrust(nullptr));
}

TEST(SecurityPolicy, Decisions) {
  Pki pki;
  struct Case {
    const char* name;
    NKSSLPinningMode mode;
    std::vector<IdentityRef> pinned;
    bool allowInvalid;
    bool validatesDomain;
    IdentityRef server;
    std::optional<const char*> domain;
    bool accepted;
  };
  const auto None = NKSSLPinningMode::None;
  const auto Key = NKSSLPinningMode::PublicKey;
  const auto Cert = NKSSLPinningMode::Certificate;
  const Case cases[] = {
      {"system store, valid chain", None, {}, false, true, pki.issued, "localhost", true},
      {"system store, valid chain, no domain", None, {}, false, true, pki.issued, std::nullopt, true},
      {"system store, wrong host", None, {}, false, true, pki.issued, "www.example.org", false},
      {"system store, host not checked", None, {}, false, false, pki.issued, "www.example.org", true},
      {"system store, self-signed", None, {}, false, true, pki.selfSigned, "localhost", false},
      {"invalid allowed, host not checked", None, {}, true, false, pki.selfSigned, "localhost", true},
      // Pinning looks at the chain only once it passed the system store or invalid ones are allowed.
      {"certificate pinned, self-signed, invalid refused", Cert, {pki.selfSigned}, false, true, pki.selfSigned,
       "localhost", false},
      {"certificate pinned, self-signed", Cert, {pki.selfSigned}, true, true, pki.selfSigned, "localhost", true},
      {"certificate pinned, by address", Cert, {pki.selfSigned}, true, true, pki.selfSigned, "127.0.0.1", true},
      {"certificate pinned, wrong host", Cert, {pki.selfSigned}, true, true, pki.selfSigned, "www.example.org", false},
      {"certificate pinned, host not checked", Cert, {pki.selfSigned}, true, false, pki.selfSigned, "www.example.org",
       true},
      {"other certificate pinned", Cert, {pki.stranger}, false, true, pki.selfSigned, "localhost", false},
      {"other certificate pinned, chain valid", Cert, {pki.stranger}, false, true, pki.issued, "localhost", false},
      {"root pinned, issued leaf", Cert, {pki.ca}, false, true, pki.issued, "localhost", true},
      {"issued leaf pinned itself", Cert, {pki.issued}, false, true, pki.issued, "localhost", true},
      {"nothing pinned", Cert, {}, false, true, pki.issued, "localhost", false},
      {"key pinned, self-signed, invalid refused", Key, {pki.selfSigned}, false, true, pki.selfSigned, "localhost",
       false},
      {"key pinned, self-signed, invalid allowed", Key, {pki.selfSigned}, true, true, pki.selfSigned, "localhost", true},
      {"key pinned, self-signed, no domain", Key, {pki.selfSigned}, true, false, pki.selfSigned, std::nullopt, true},
      {"other key pinned", Key, {pki.stranger}, true, true, pki.selfSigned, "localhost", false},
      {"key pinned, valid chain", Key, {pki.issued}, false, true, pki.issued, "localhost", true},
      {"root key pinned, valid chain", Key, {pki.ca}, false, true, pki.issued, "localhost", true},
      {"other key pinned, valid chain", Key, {pki.stranger}, false, true, pki.issued, "localhost", false},
      {"unknown mode", static_cast<NKSSLPinningMode>(7), {pki.selfSigned}, true, false, pki.selfSigned, "localhost",
       false},
  };
  for (const auto& c : cases) {
    std::vector<rt::Id> pinned;
    for (const auto& id : c.pinned) pinned.push_back(derOf(id));
    auto p = policy(c.mode, c.pinned.empty() ? nullptr : fd::Array::create(pinned), c.allowInvalid, c.validatesDomain);
    std::optional<rt::String> domain;
    if (c.domain) domain = rt::String(*c.domain);
    LogCapture log;
    EXPECT_EQ(p->evaluateServerTrust(pki.serverTrust(c.server), domain), c.accepted) << c.name;
    EXPECT_TRUE(log.lines.empty()) << c.name;
  }
}

TEST(SecurityPolicy, SelfSignedDomainValidationNeedsPinning) {
  Pki pki;
  struct Case {
    const char* name;
    NKSSLPinningMode mode;
    bool pinSomething;
  };
  const Case cases[] = {
      {"no pinning", NKSSLPinningMode::None, true},
      {"certificate mode without certificates", NKSSLPinningMode::Certificate, false},
      {"key mode without certificates", NKSSLPinningMode::PublicKey, false},
  };
  for (const auto& c : cases) {
    auto p = policy(c.mode, c.pinSomething ? certificates({pki.selfSigned}) : nullptr, true, true);
    LogCapture log;
    EXPECT_FALSE(p->evaluateServerTrust(pki.serverTrust(pki.selfSigned), rt::String("localhost"))) << c.name;
    EXPECT_EQ(log.lines, std::vector<std::string>{kPinningNeeded}) << c.name;
  }
  // Without a domain the rule does not apply and invalid certificates pass.
  auto p = policy(NKSSLPinningMode::None, nullptr, true, true);
  LogCapture log;
  EXPECT_TRUE(p->evaluateServerTrust(pki.serverTrust(pki.selfSigned)));
  EXPECT_TRUE(log.lines.empty());
}

TEST(SecurityPolicy, PinnedCertificatesAreUniqueAndGiveTheirKeys) {
  Pki pki;
  auto p = NKSecurityPolicy::defaultPolicy();
  std::vector<std::string> changes;
  p->observe("pinnedPublicKeys", rt::KeyValueObservingOptionNew, [&](rt::Object*, const rt::KeyValueChange& change) {
    auto keys = rt::as<fd::Array>(change.newValue);
    changes.push_back(keys ? std::to_string(keys->count()) : "nil");
  });

  auto garbage = fd::Data::create(std::string_view("not a certificate"));
  p->setPinnedCertificates(fd::Array::create(
      {derOf(pki.selfSigned), derOf(pki.ca), derOf(pki.selfSigned), garbage, derOf(pki.ca)}));
  auto pinned = p->pinnedCertificates();
  ASSERT_EQ(pinned->count(), 3u);
  EXPECT_TRUE(pinned->objectAtIndex(0)->isEqual(derOf(pki.selfSigned)));
  EXPECT_TRUE(pinned->objectAtIndex(1)->isEqual(derOf(pki.ca)));
  EXPECT_TRUE(pinned->objectAtIndex(2)->isEqual(garbage));
  auto keys = p->pinnedPublicKeys();
  ASSERT_EQ(keys->count(), 2u);  // the data that is no certificate gives no key
  EXPECT_TRUE(keys->objectAtIndex(0)->isEqual(crypto::Certificate::createWithDER(pki.selfSigned->der())->publicKey()));
  EXPECT_TRUE(keys->objectAtIndex(1)->isEqual(crypto::Certificate::createWithDER(pki.ca->der())->publicKey()));

  p->setPinnedCertificates(nullptr);
  EXPECT_FALSE(p->pinnedCertificates());
  EXPECT_FALSE(p->pinnedPublicKeys());
  EXPECT_EQ(changes, (std::vector<std::string>{"2", "nil"}));
}

TEST(SecurityPolicy, CopyingAndSecureCoding) {
  Pki pki;
  auto original = policy(NKSSLPinningMode::PublicKey, certificates({pki.selfSigned, pki.ca}), true, false);
  auto archived = fd::KeyedArchiver::archivedDataWithRootObject(original, true, nullptr);
  ASSERT_TRUE(archived);
  Ref<fd::Error> error;
  auto decoded = nettest::unarchivedSecurely<NKSecurityPolicy>(archived, &error);
  auto copied = rt::as<NKSecurityPolicy>(original->copy());
  for (const auto& p : {decoded, copied}) {
    ASSERT_TRUE(p) << (error ? error->description().utf8() : "");
    EXPECT_NE(p, original);
    EXPECT_EQ(p->SSLPinningMode(), NKSSLPinningMode::PublicKey);
    EXPECT_TRUE(p->allowInvalidCertificates());
    EXPECT_FALSE(p->validatesDomainName());
    EXPECT_TRUE(p->pinnedCertificates()->isEqual(original->pinnedCertificates()));
    EXPECT_NE(p->pinnedCertificates(), original->pinnedCertificates());
    ASSERT_EQ(p->pinnedPublicKeys()->count(), 2u);
    EXPECT_TRUE(p->evaluateServerTrust(pki.serverTrust(pki.selfSigned)));
    EXPECT_FALSE(p->evaluateServerTrust(pki.serverTrust(pki.stranger)));
  }
}

TEST(SecurityPolicy, DecodingKeepsDefaultsForAbsentKeys) {
  auto original = NKSecurityPolicy::defaultPolicy();
  original->setAllowInvalidCertificates(true);
  auto archived = fd::KeyedArchiver::archivedDataWithRootObject(original, true, nullptr);
  ASSERT_TRUE(archived);
  for (const char* key : {"validatesDomainName", "allowInvalidCertificates"}) {
    SCOPED_TRACE(key);
    auto older = nettest::archiveWithoutKey(archived, key);
    ASSERT_TRUE(older);
    Ref<fd::Error> error;
    auto decoded = nettest::unarchivedSecurely<NKSecurityPolicy>(older, &error);
    ASSERT_TRUE(decoded) << (error ? error->description().utf8() : "");
    // The absent key takes init's default; the present one keeps its archived value.
    EXPECT_TRUE(decoded->validatesDomainName());
    EXPECT_EQ(decoded->allowInvalidCertificates(), std::string(key) != "allowInvalidCertificates");
  }
}
