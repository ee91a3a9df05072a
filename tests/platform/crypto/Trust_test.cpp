#include "platform/crypto/Trust.h"

#include <gtest/gtest.h>

#include "tests/support/TestCertificates.h"

using crypto::Certificate;
using crypto::Policy;
using crypto::Trust;
using crypto::TrustResult;
using testsupport::TestIdentity;

namespace {

Ref<Certificate> cert(const std::shared_ptr<TestIdentity>& id) { return Certificate::createWithDER(id->der()); }

struct Pki {
  std::shared_ptr<TestIdentity> ca = TestIdentity::selfSigned("Test Root", true);
  std::shared_ptr<TestIdentity> leaf = ca->issue("localhost");
  std::shared_ptr<TestIdentity> other = TestIdentity::selfSigned("localhost");
};

TrustResult evaluate(const Ref<Trust>& trust) {
  TrustResult r = TrustResult::Invalid;
  EXPECT_EQ(trust->evaluate(&r), crypto::errSecSuccess);
  return r;
}

}  // namespace

TEST(Certificate, DERRoundTripAndBadInput) {
  Pki pki;
  auto der = pki.leaf->der();
  auto c = Certificate::createWithData(fd::Data::create(der.data(), der.size()));
  ASSERT_TRUE(c);
  EXPECT_EQ(c->data()->vector(), der);
  EXPECT_EQ(c->subjectSummary(), "localhost");
  EXPECT_TRUE(c->isEqual(Certificate::createWithPEM(pki.leaf->pem())));
  EXPECT_FALSE(c->isEqual(cert(pki.other)));

  auto truncated = der;
  truncated.resize(der.size() / 2);
  auto trailing = der;
  trailing.push_back(0);
  for (const auto& bad : {std::vector<uint8_t>{}, std::vector<uint8_t>{1, 2, 3}, truncated, trailing})
    EXPECT_FALSE(Certificate::createWithDER(bad));
  EXPECT_FALSE(Certificate::createWithData(nullptr));
  EXPECT_FALSE(Certificate::createWithPEM("not pem"));
}

TEST(Certificate, PublicKeyEquality) {
  Pki pki;
  auto a = cert(pki.leaf)->publicKey();
  auto again = Certificate::createWithPEM(pki.leaf->pem())->publicKey();
  ASSERT_TRUE(a && again);
  EXPECT_TRUE(a->isEqual(again));
  EXPECT_EQ(a->hash(), again->hash());
  EXPECT_FALSE(a->isEqual(cert(pki.other)->publicKey()));
  EXPECT_FALSE(a->isEqual(cert(pki.ca)->publicKey()));
}

TEST(Trust, CreationNeedsACertificate) {
  int32_t status = 0;
  EXPECT_FALSE(Trust::create({}, {Policy::basicX509()}, &status));
  EXPECT_EQ(status, crypto::errSecParam);
}

TEST(Trust, EvaluationTable) {
  Pki pki;
  struct Case {
    const char* name;
    std::vector<Ref<Certificate>> chain;
    Ref<Policy> policy;
    std::vector<Ref<Certificate>> anchors;  // empty: the system store
    TrustResult expected;
  };
  auto leaf = cert(pki.leaf), ca = cert(pki.ca), other = cert(pki.other);
  const Case cases[] = {
      {"chain to given anchor", {leaf, ca}, Policy::ssl(true, "localhost"), {ca}, TrustResult::Unspecified},
      {"leaf alone finds the anchor", {leaf}, Policy::basicX509(), {ca}, TrustResult::Unspecified},
      {"IP address in the leaf", {leaf, ca}, Policy::ssl(true, "127.0.0.1"), {ca}, TrustResult::Unspecified},
      {"wrong host", {leaf, ca}, Policy::ssl(true, "example.org"), {ca}, TrustResult::RecoverableTrustFailure},
      {"leaf given as its own anchor", {leaf, ca}, Policy::ssl(true, "localhost"), {leaf}, TrustResult::Unspecified},
      {"leaf anchored, wrong host", {leaf}, Policy::ssl(true, "example.org"), {leaf}, TrustResult::RecoverableTrustFailure},
      {"unrelated anchor", {leaf, ca}, Policy::basicX509(), {other}, TrustResult::RecoverableTrustFailure},
      {"not in the system store", {leaf, ca}, Policy::basicX509(), {}, TrustResult::RecoverableTrustFailure},
      {"self-signed anchored in itself", {other}, Policy::ssl(true, "localhost"), {other}, TrustResult::Unspecified},
      {"self-signed alone", {other}, Policy::basicX509(), {}, TrustResult::RecoverableTrustFailure},
  };
  for (const auto& c : cases) {
    auto trust = Trust::create(c.chain, {c.policy});
    ASSERT_TRUE(trust) << c.name;
    if (!c.anchors.empty()) trust->setAnchorCertificates(c.anchors);
    EXPECT_EQ(evaluate(trust), c.expected) << c.name;
    EXPECT_EQ(trust->failureReason().isEmpty(), c.expected == TrustResult::Unspecified) << c.name;
  }
}

TEST(Trust, ChainInOrderAndPublicKey) {
  Pki pki;
  auto leaf = cert(pki.leaf), ca = cert(pki.ca);
  // Given out of order, with an unrelated extra certificate.
  auto trust = Trust::create({leaf, cert(pki.other), ca}, {Policy::basicX509()});
  trust->setAnchorCertificates({ca});
  EXPECT_EQ(evaluate(trust), TrustResult::Unspecified);
  ASSERT_EQ(trust->certificateCount(), 2u);
  EXPECT_TRUE(trust->certificateAtIndex(0)->isEqual(leaf));
  EXPECT_TRUE(trust->certificateAtIndex(1)->isEqual(ca));
  EXPECT_FALSE(trust->certificateAtIndex(2));
  EXPECT_TRUE(trust->publicKey()->isEqual(leaf->publicKey()));
}

TEST(Trust, AnchorsOnlyOffAddsTheSystemStore) {
  Pki pki;
  auto trust = Trust::create({cert(pki.leaf)}, {Policy::basicX509()});
  trust->setAnchorCertificates({cert(pki.ca)});
  trust->setAnchorCertificatesOnly(false);
  EXPECT_EQ(evaluate(trust), TrustResult::Unspecified);
  // Changing the policies asks for a new evaluation.
  trust->setPolicies({Policy::ssl(true, "elsewhere.test")});
  EXPECT_FALSE(trust->evaluated());
  EXPECT_EQ(evaluate(trust), TrustResult::RecoverableTrustFailure);
}
