#include "net/http/NKSecurityPolicy.h"

#include "platform/crypto/Trust.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/values/Number.h"

namespace net {

RT_IMPLEMENT(NKSecurityPolicy) {
  c.property("SSLPinningMode", &NKSecurityPolicy::SSLPinningMode, &NKSecurityPolicy::setSSLPinningMode);
  c.property("pinnedCertificates", &NKSecurityPolicy::pinnedCertificates, &NKSecurityPolicy::setPinnedCertificates);
  c.property("pinnedPublicKeys", &NKSecurityPolicy::pinnedPublicKeys);
  c.property("allowInvalidCertificates", &NKSecurityPolicy::allowInvalidCertificates,
             &NKSecurityPolicy::setAllowInvalidCertificates);
  c.property("validatesDomainName", &NKSecurityPolicy::validatesDomainName, &NKSecurityPolicy::setValidatesDomainName);
  c.dependentKeys("pinnedPublicKeys", {"pinnedCertificates"});
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

namespace {

// Proceed and unspecified are the two results a good chain can give.
bool trustIsValid(crypto::Trust& trust) {
  crypto::TrustResult result = crypto::TrustResult::Invalid;
  int32_t status = trust.evaluate(&result);
  return status == crypto::errSecSuccess &&
         (result == crypto::TrustResult::Proceed || result == crypto::TrustResult::Unspecified);
}

// The public key of a certificate as seen through a trust of its own under the basic X.509
// policy; only the evaluation's status matters, not whether the certificate is trusted.
Ref<crypto::Key> publicKeyThroughTrust(const Ref<crypto::Certificate>& certificate) {
  if (!certificate) return nullptr;
  int32_t status = crypto::errSecParam;
  auto trust = crypto::Trust::create({certificate}, {crypto::Policy::basicX509()}, &status);
  if (!trust || status != crypto::errSecSuccess) return nullptr;
  crypto::TrustResult result;
  if (trust->evaluate(&result) != crypto::errSecSuccess) return nullptr;
  return trust->publicKey();
}

bool containsEqual(const Ref<fd::Array>& array, const rt::Id& object) {
  if (!array || !object) return false;
  for (const auto& o : *array)
    if (rt::equalObjects(o.get(), object.get())) return true;
  return false;
}

}  // namespace

Ref<NKSecurityPolicy> NKSecurityPolicy::defaultPolicy() {
  auto policy = rt::make<NKSecurityPolicy>();
  policy->setSSLPinningMode(NKSSLPinningMode::None);
  return policy;
}

Ref<NKSecurityPolicy> NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode mode) {
  auto policy = rt::make<NKSecurityPolicy>();
  policy->setSSLPinningMode(mode);
  policy->setPinnedCertificates(defaultPinnedCertificates());
  return policy;
}

Ref<fd::Array> NKSecurityPolicy::defaultPinnedCertificates() {
  static const Ref<fd::Array> certificates = [] {
    std::vector<rt::Id> found;
    auto bundle = fd::Bundle::bundleForClass(classObject());
    if (bundle) {
      for (const auto& path : bundle->pathsForResourcesOfType("cer", ".")) {
        if (auto data = fd::dataWithContentsOfFile(path)) found.push_back(data);
      }
    }
    return fd::Array::create(std::move(found));
  }();
  return certificates;
}

void NKSecurityPolicy::setSSLPinningMode(NKSSLPinningMode mode) { setAndNotify("SSLPinningMode", mode_, mode); }

void NKSecurityPolicy::setAllowInvalidCertificates(bool allow) {
  setAndNotify("allowInvalidCertificates", allowInvalid_, allow);
}

void NKSecurityPolicy::setValidatesDomainName(bool validates) {
  setAndNotify("validatesDomainName", validatesDomain_, validates);
}

void NKSecurityPolicy::setPinnedCertificates(const Ref<fd::Array>& certificates) {
  Ref<fd::Array> unique;
  Ref<fd::Array> keys;
  if (certificates) {
    std::vector<rt::Id> kept;
    for (const auto& c : *certificates) {
      bool seen = false;
      for (const auto& k : kept) seen = seen || rt::equalObjects(k.get(), c.get());
      if (!seen) kept.push_back(c);
    }
    std::vector<rt::Id> collected;
    for (const auto& c : kept) {
      auto data = rt::as<fd::Data>(c);
      auto certificate = data ? crypto::Certificate::createWithData(data) : nullptr;
      if (auto key = publicKeyThroughTrust(certificate)) collected.push_back(key);
    }
    unique = fd::Array::create(std::move(kept));
    keys = fd::Array::create(std::move(collected));
  }
  // Both change inside one announcement so that observers of the keys see the new ones.
  bool notify = hasObservers();
  if (notify) willChangeValueForKey("pinnedCertificates");
  certificates_ = std::move(unique);
  publicKeys_ = std::move(keys);
  if (notify) didChangeValueForKey("pinnedCertificates");
}

bool NKSecurityPolicy::evaluateServerTrust(const Ref<crypto::Trust>& serverTrust,
                                           const std::optional<rt::String>& domain) const {
  if (!serverTrust) return false;
  bool pinsNothing = mode_ == NKSSLPinningMode::None || !certificates_ || certificates_->isEmpty();
  if (domain && allowInvalid_ && validatesDomain_ && pinsNothing) {
    fd::log("In order to validate a domain name for self signed certificates, you MUST use pinning.");
    return false;
  }

  serverTrust->setPolicies({validatesDomain_ ? crypto::Policy::ssl(true, domain) : crypto::Policy::basicX509()});

  if (mode_ == NKSSLPinningMode::None) return allowInvalid_ || trustIsValid(*serverTrust);
  if (mode_ != NKSSLPinningMode::PublicKey && mode_ != NKSSLPinningMode::Certificate) return false;

  if (!trustIsValid(*serverTrust) && !allowInvalid_) return false;
  std::vector<Ref<fd::Data>> chain;
  for (size_t i = 0; i < serverTrust->certificateCount(); ++i) chain.push_back(serverTrust->certificateAtIndex(i)->data());

  if (mode_ == NKSSLPinningMode::Certificate) {
    std::vector<Ref<crypto::Certificate>> anchors;
    if (certificates_) {
      for (const auto& c : *certificates_)
        if (auto data = rt::as<fd::Data>(c))
          if (auto certificate = crypto::Certificate::createWithData(data)) anchors.push_back(certificate);
    }
    serverTrust->setAnchorCertificates(std::move(anchors));
    if (!trustIsValid(*serverTrust)) return false;
    for (const auto& der : chain)
      if (containsEqual(certificates_, der)) return true;
    return false;
  }

  for (const auto& der : chain) {
    if (auto key = publicKeyThroughTrust(crypto::Certificate::createWithData(der)))
      if (containsEqual(publicKeys_, key)) return true;
  }
  return false;
}

rt::Id NKSecurityPolicy::copy() const {
  auto policy = rt::make<NKSecurityPolicy>();
  policy->mode_ = mode_;
  policy->allowInvalid_ = allowInvalid_;
  policy->validatesDomain_ = validatesDomain_;
  policy->setPinnedCertificates(certificates_ ? fd::Array::create(certificates_->objects()) : nullptr);
  return policy;
}

void NKSecurityPolicy::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(fd::Number::numberWithUnsignedInteger(static_cast<uint64_t>(mode_)), "SSLPinningMode");
  coder.encodeBool(allowInvalid_, "allowInvalidCertificates");
  coder.encodeBool(validatesDomain_, "validatesDomainName");
  coder.encodeObject(certificates_, "pinnedCertificates");
}

bool NKSecurityPolicy::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (auto mode = coder.decodeObjectOfClass<fd::Number>("SSLPinningMode"))
    mode_ = static_cast<NKSSLPinningMode>(mode->unsignedLongLongValue());
  // An absent key keeps init's default rather than reading as NO.
  if (coder.containsValueForKey("allowInvalidCertificates")) allowInvalid_ = coder.decodeBool("allowInvalidCertificates");
  if (coder.containsValueForKey("validatesDomainName")) validatesDomain_ = coder.decodeBool("validatesDomainName");
  auto certificates = coder.decodeObjectOfClasses({fd::Array::classObject(), fd::Data::classObject()},
                                                  "pinnedCertificates");
  setPinnedCertificates(rt::as<fd::Array>(certificates));
  return true;
}

}  // namespace net
