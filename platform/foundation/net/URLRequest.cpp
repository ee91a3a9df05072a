#include "platform/foundation/net/URLRequest.h"

#include <algorithm>
#include <string_view>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(URLRequest) {
  c.property("URL", &URLRequest::URL);
  c.property("HTTPMethod", &URLRequest::HTTPMethod);
  c.property("timeoutInterval", &URLRequest::timeoutInterval);
  c.property("HTTPShouldHandleCookies", &URLRequest::HTTPShouldHandleCookies);
  c.protocol("NSCopying");
  c.protocol("NSMutableCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

RT_IMPLEMENT_PLATFORM(MutableURLRequest) {}

void URLRequest::init(Ref<fd::URL> url, URLRequestCachePolicy policy, double timeout) {
  url_ = std::move(url);
  cachePolicy_ = policy;
  timeout_ = timeout;
}

Ref<URLRequest> URLRequest::requestWithURL(Ref<fd::URL> url) { return rt::make<URLRequest>(std::move(url)); }

Ref<URLRequest> URLRequest::requestWithURL(Ref<fd::URL> url, URLRequestCachePolicy policy, double timeout) {
  return rt::make<URLRequest>(std::move(url), policy, timeout);
}

Ref<Dictionary> URLRequest::allHTTPHeaderFields() const {
  if (headers_.empty()) return nullptr;
  auto d = MutableDictionary::create();
  for (auto& [k, v] : headers_) d->setObjectForKey(box(v), k);
  return d;
}

std::optional<String> URLRequest::valueForHTTPHeaderField(const String& field) const {
  for (auto& [k, v] : headers_)
    if (k.caseInsensitiveCompare(field) == rt::Ordering::Same) return v;
  return std::nullopt;
}

String URLRequest::description() const {
  return String::format("<%@: %p> { URL: %@ }", className(), static_cast<const void*>(this),
                        url_ ? url_->absoluteString() : String("(null)"));
}

bool URLRequest::isEqual(const Object* other) const {
  auto* o = dynamic_cast<const URLRequest*>(other);
  if (!o) return false;
  if (o == this) return true;
  return rt::equalObjects(url_.get(), o->url_.get()) && method_ == o->method_ && headers_ == o->headers_ &&
         rt::equalObjects(body_.get(), o->body_.get()) && bodyStream_ == o->bodyStream_ &&
         cachePolicy_ == o->cachePolicy_ && timeout_ == o->timeout_ && handleCookies_ == o->handleCookies_;
}

size_t URLRequest::hash() const { return url_ ? url_->hash() : 0; }

void encodeHeaderList(KeyedArchiver& coder, const HTTPHeaderList& headers, const String& prefix) {
  coder.encodeInteger(static_cast<int64_t>(headers.size()), prefix + String("Count"));
  for (size_t i = 0; i < headers.size(); ++i) {
    String n = prefix + String::format(".%lld.", static_cast<long long>(i));
    coder.encodeObject(StringObject::create(headers[i].first), n + String("name"));
    coder.encodeObject(StringObject::create(headers[i].second), n + String("value"));
  }
}

bool decodeHeaderList(KeyedUnarchiver& coder, HTTPHeaderList& headers, const String& prefix) {
  int64_t count = coder.decodeInteger(prefix + String("Count"));
  if (count < 0 || count > 10000) return false;
  headers.clear();
  for (int64_t i = 0; i < count; ++i) {
    String n = prefix + String::format(".%lld.", static_cast<long long>(i));
    auto name = coder.decodeObjectOfClass<StringObject>(n + String("name"));
    auto value = coder.decodeObjectOfClass<StringObject>(n + String("value"));
    if (!name || !value) return false;
    headers.emplace_back(name->string(), value->string());
  }
  return true;
}

void URLRequest::encodeWithCoder(KeyedArchiver& coder) const {
  coder.encodeObject(url_, "URL");
  coder.encodeObject(mainDocumentURL_, "mainDocumentURL");
  coder.encodeInteger(static_cast<int64_t>(cachePolicy_), "cachePolicy");
  coder.encodeDouble(timeout_, "timeoutInterval");
  coder.encodeObject(StringObject::create(method_), "HTTPMethod");
  encodeHeaderList(coder, headers_, "header");
  coder.encodeObject(body_, "HTTPBody");
  coder.encodeBool(handleCookies_, "HTTPShouldHandleCookies");
  coder.encodeBool(pipelining_, "HTTPShouldUsePipelining");
  coder.encodeBool(cellular_, "allowsCellularAccess");
  coder.encodeInteger(static_cast<int64_t>(serviceType_), "networkServiceType");
}

bool URLRequest::initWithCoder(KeyedUnarchiver& coder) {
  url_ = coder.decodeObjectOfClass<fd::URL>("URL");
  mainDocumentURL_ = coder.decodeObjectOfClass<fd::URL>("mainDocumentURL");
  int64_t policy = coder.decodeInteger("cachePolicy");
  if (policy < 0 || policy > static_cast<int64_t>(URLRequestCachePolicy::ReloadRevalidatingCacheData)) return false;
  cachePolicy_ = static_cast<URLRequestCachePolicy>(policy);
  timeout_ = coder.decodeDouble("timeoutInterval");
  auto method = coder.decodeObjectOfClass<StringObject>("HTTPMethod");
  if (!method) return false;
  method_ = method->string();
  if (!decodeHeaderList(coder, headers_, "header")) return false;
  body_ = coder.decodeObjectOfClass<Data>("HTTPBody");
  bodyStream_ = nullptr;
  handleCookies_ = coder.decodeBool("HTTPShouldHandleCookies");
  pipelining_ = coder.decodeBool("HTTPShouldUsePipelining");
  cellular_ = coder.decodeBool("allowsCellularAccess");
  int64_t service = coder.decodeInteger("networkServiceType");
  switch (static_cast<URLRequestNetworkServiceType>(service)) {
    case URLRequestNetworkServiceType::Default:
    case URLRequestNetworkServiceType::VoIP:
    case URLRequestNetworkServiceType::Video:
    case URLRequestNetworkServiceType::Background:
    case URLRequestNetworkServiceType::Voice:
    case URLRequestNetworkServiceType::ResponsiveData:
    case URLRequestNetworkServiceType::CallSignaling:
      serviceType_ = static_cast<URLRequestNetworkServiceType>(service);
      return true;
  }
  return false;
}

void URLRequest::copyFrom(const URLRequest& o) {
  url_ = o.url_;
  cachePolicy_ = o.cachePolicy_;
  timeout_ = o.timeout_;
  mainDocumentURL_ = o.mainDocumentURL_;
  method_ = o.method_;
  headers_ = o.headers_;
  body_ = o.body_;
  bodyStream_ = o.bodyStream_;
  handleCookies_ = o.handleCookies_;
  pipelining_ = o.pipelining_;
  cellular_ = o.cellular_;
  serviceType_ = o.serviceType_;
}

Id URLRequest::copy() const {
  // Immutable: a copy may be this very object.
  if (typeid(*this) == typeid(URLRequest)) return std::const_pointer_cast<Object>(self());
  auto r = rt::make<URLRequest>();
  r->copyFrom(*this);
  return r;
}

Id URLRequest::mutableCopy() const {
  auto r = rt::make<MutableURLRequest>();
  r->copyFrom(*this);
  return r;
}

Id MutableURLRequest::copy() const {
  auto r = rt::make<URLRequest>();
  r->copyFrom(*this);
  return r;
}

Ref<MutableURLRequest> MutableURLRequest::requestWithURL(Ref<fd::URL> url) {
  return rt::make<MutableURLRequest>(std::move(url));
}

Ref<MutableURLRequest> MutableURLRequest::requestWithURL(Ref<fd::URL> url, URLRequestCachePolicy policy,
                                                         double timeout) {
  return rt::make<MutableURLRequest>(std::move(url), policy, timeout);
}

void MutableURLRequest::setValueForHTTPHeaderField(const std::optional<String>& value, const String& field) {
  auto it = std::find_if(headers_.begin(), headers_.end(),
                         [&](auto& h) { return h.first.caseInsensitiveCompare(field) == rt::Ordering::Same; });
  if (!value) {
    if (it != headers_.end()) headers_.erase(it);
    return;
  }
  if (it != headers_.end()) *it = {field, *value};
  else headers_.emplace_back(field, *value);
}

void MutableURLRequest::addValueForHTTPHeaderField(const String& value, const String& field) {
  auto existing = valueForHTTPHeaderField(field);
  setValueForHTTPHeaderField(existing ? *existing + ", " + value : value, field);
}

void MutableURLRequest::setAllHTTPHeaderFields(HTTPHeaderList fields) {
  headers_.clear();
  for (auto& [k, v] : fields) setValueForHTTPHeaderField(v, k);
}

void MutableURLRequest::setAllHTTPHeaderFields(const Ref<Dictionary>& fields) {
  headers_.clear();
  if (!fields) return;
  const Dictionary::KeysAndValues entries = fields->keysAndValues();
  for (size_t i = 0; i < entries.size(); ++i) {
    String k, v;
    if (rt::Value::ofObject(entries.keys[i]).get(k) && rt::Value::ofObject(entries.values[i]).get(v))
      setValueForHTTPHeaderField(v, k);
  }
}

void MutableURLRequest::setHTTPBody(Ref<Data> body) {
  body_ = body ? rt::as<Data>(body->copy()) : nullptr;
  bodyStream_ = nullptr;
}

void MutableURLRequest::setHTTPBodyStream(Ref<InputStream> stream) {
  bodyStream_ = std::move(stream);
  body_ = nullptr;
}

bool isValidHeaderValue(const String& value) {
  for (size_t i = 0; i < value.length(); ++i) {
    char16_t c = value.characterAtIndex(i);
    if (c == '\r' || c == '\n' || c == 0) return false;
  }
  return true;
}

bool isValidHeaderName(const String& name) {
  if (name.isEmpty()) return false;
  for (size_t i = 0; i < name.length(); ++i) {
    char16_t c = name.characterAtIndex(i);
    if (c <= 32 || c >= 127) return false;
    if (std::u16string_view(u"()<>@,;:\\\"/[]?={}").find(c) != std::u16string_view::npos) return false;
  }
  return true;
}

}  // namespace fd
