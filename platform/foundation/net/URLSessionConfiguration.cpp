#include "platform/foundation/net/URLSessionConfiguration.h"

#include "platform/foundation/net/HTTPCookieStorage.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URLCache.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(URLSessionConfiguration) {
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

void URLSessionConfiguration::init() {
  cache_ = URLCache::sharedURLCache();
  cookies_ = HTTPCookieStorage::sharedHTTPCookieStorage();
}

Ref<URLSessionConfiguration> URLSessionConfiguration::defaultSessionConfiguration() {
  return rt::make<URLSessionConfiguration>();
}

Ref<URLSessionConfiguration> URLSessionConfiguration::ephemeralSessionConfiguration() {
  auto c = rt::make<URLSessionConfiguration>();
  c->kind_ = Kind::Ephemeral;
  c->cache_ = URLCache::create(4 << 20, 0, String());
  c->cookies_ = HTTPCookieStorage::create();
  return c;
}

Ref<URLSessionConfiguration> URLSessionConfiguration::backgroundSessionConfiguration(const String& identifier) {
  auto c = rt::make<URLSessionConfiguration>();
  c->kind_ = Kind::Background;
  c->identifier_ = identifier;
  return c;
}

Ref<URLSessionConfiguration> URLSessionConfiguration::copyConfiguration() const {
  auto c = rt::make<URLSessionConfiguration>();
  c->kind_ = kind_;
  c->identifier_ = identifier_;
  c->timeout_ = timeout_;
  c->resourceTimeout_ = resourceTimeout_;
  c->cachePolicy_ = cachePolicy_;
  c->setCookies_ = setCookies_;
  c->cellular_ = cellular_;
  c->headers_ = headers_;
  c->cache_ = cache_;
  c->cookies_ = cookies_;
  return c;
}

void URLSessionConfiguration::encodeWithCoder(KeyedArchiver& coder) const {
  coder.encodeInteger(static_cast<int64_t>(kind_), "kind");
  if (identifier_) coder.encodeObject(StringObject::create(*identifier_), "identifier");
  coder.encodeDouble(timeout_, "timeoutIntervalForRequest");
  coder.encodeDouble(resourceTimeout_, "timeoutIntervalForResource");
  coder.encodeInteger(static_cast<int64_t>(cachePolicy_), "requestCachePolicy");
  coder.encodeBool(setCookies_, "HTTPShouldSetCookies");
  coder.encodeBool(cellular_, "allowsCellularAccess");
  coder.encodeInteger(static_cast<int64_t>(headers_.size()), "headerCount");
  for (size_t i = 0; i < headers_.size(); ++i) {
    String n = String::format("header.%lld.", static_cast<long long>(i));
    coder.encodeObject(StringObject::create(headers_[i].first), n + String("name"));
    coder.encodeObject(StringObject::create(headers_[i].second), n + String("value"));
  }
}

bool URLSessionConfiguration::initWithCoder(KeyedUnarchiver& coder) {
  int64_t kind = coder.decodeInteger("kind");
  if (kind < 0 || kind > static_cast<int64_t>(Kind::Background)) return false;
  kind_ = static_cast<Kind>(kind);
  if (auto id = coder.decodeObjectOfClass<StringObject>("identifier")) identifier_ = id->string();
  if (kind_ == Kind::Background && !identifier_) return false;
  if (kind_ == Kind::Ephemeral) {
    cache_ = URLCache::create(4 << 20, 0, String());
    cookies_ = HTTPCookieStorage::create();
  }
  timeout_ = coder.decodeDouble("timeoutIntervalForRequest");
  if (coder.containsValueForKey("timeoutIntervalForResource"))
    resourceTimeout_ = coder.decodeDouble("timeoutIntervalForResource");
  int64_t policy = coder.decodeInteger("requestCachePolicy");
  if (policy < 0 || policy > static_cast<int64_t>(URLRequestCachePolicy::ReloadRevalidatingCacheData)) return false;
  cachePolicy_ = static_cast<URLRequestCachePolicy>(policy);
  setCookies_ = coder.decodeBool("HTTPShouldSetCookies");
  cellular_ = coder.decodeBool("allowsCellularAccess");
  int64_t count = coder.decodeInteger("headerCount");
  if (count < 0 || count > 10000) return false;
  headers_.clear();
  for (int64_t i = 0; i < count; ++i) {
    String n = String::format("header.%lld.", static_cast<long long>(i));
    auto name = coder.decodeObjectOfClass<StringObject>(n + String("name"));
    auto value = coder.decodeObjectOfClass<StringObject>(n + String("value"));
    if (!name || !value) return false;
    headers_.emplace_back(name->string(), value->string());
  }
  return true;
}

}  // namespace fd
