#include "net/http/NKURLRequestSerialization.h"

#include <array>

#include "net/http/NKApplicationLookup.h"
#include "net/http/NKNetworkingErrors.h"
#include "net/http/NKQueryStringPair.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/files/ProcessInfo.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/time/Locale.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/text/Transliteration.h"
#include "platform/foundation/net/URL.h"
#include "platform/graphics/ImageContext.h"

namespace net {

namespace {

// Identifies the serializer's observations of its own settings.
char observedSettingsContext;

// The settings copied onto a request once assigned, in the order they are applied.
constexpr std::array<const char*, 6> kObservedSettings = {
    "allowsCellularAccess",    "cachePolicy",        "HTTPShouldHandleCookies",
    "HTTPShouldUsePipelining", "networkServiceType", "timeoutInterval",
};

Ref<fd::Error> requestError(const fd::String& reason) {
  auto info = fd::Dictionary::withStrings({{fd::NSLocalizedFailureReasonErrorKey,
                                            fd::StringObject::create(NKLocalizedString(reason))}});
  return fd::Error::create(NKURLRequestSerializationErrorDomain, -1000, info);
}

void report(Ref<fd::Error>* out, Ref<fd::Error> error) {
  if (out) *out = std::move(error);
}

bool breaksHeaderLine(const fd::String& s) {
  for (char16_t c : s.view()) {
    if (c == u'\r' || c == u'\n' || c == 0) return true;
  }
  return false;
}

fd::String acceptLanguageHeader() {
  std::vector<fd::String> entries;
  const auto languages = fd::Locale::preferredLanguages();
  for (size_t i = 0; i < languages.size(); ++i) {
    // Single precision on purpose: 1 + 5 * -0.1f lands at or below 0.5, ending the list there.
    float q = 1.0f + static_cast<float>(i) * -0.1f;
    entries.push_back(fd::String::format("%@;q=%0.1g", languages[i], static_cast<double>(q)));
    if (q <= 0.5f) break;
  }
  fd::String joined;
  for (size_t i = 0; i < entries.size(); ++i) joined = i == 0 ? entries[i] : joined + ", " + entries[i];
  return joined;
}

fd::String infoString(const Ref<fd::Bundle>& bundle, const char* key, const char* fallbackKey) {
  if (!bundle) return fd::String();
  for (const char* k : {key, fallbackKey}) {
    if (auto value = rt::as<fd::StringObject>(bundle->objectForInfoDictionaryKey(k))) return value->string();
  }
  return fd::String();
}

std::optional<fd::String> userAgentHeader() {
  auto bundle = fd::Bundle::mainBundle();
  fd::String name = infoString(bundle, "CFBundleExecutable", "CFBundleIdentifier");
  fd::String version = infoString(bundle, "CFBundleShortVersionString", "CFBundleVersion");
  fd::String agent;
  if (auto device = NKCurrentDevice()) {
    agent = fd::String::format("%@/%@ (%@; iOS %@; Scale/%0.2f)", name, version, device->model, device->systemVersion,
                               gfx::mainScreenScale());
  } else {
    // A program without the UI layer has no device to name: the machine's system instead.
    agent = fd::String::format("%@/%@ (%@)", name, version,
                               fd::ProcessInfo::processInfo()->operatingSystemVersionString());
  }
  if (!fd::canBeConvertedToEncoding(agent, fd::ASCIIStringEncoding)) {
    if (auto ascii = fd::applyTransform(agent, "Any-Latin; Latin-ASCII; [:^ASCII:] Remove")) agent = *ascii;
  }
  return agent;
}

}  // namespace

void NKHTTPRequestSerializer::init() {
  stringEncoding_ = fd::UTF8StringEncoding;
  mutableHTTPRequestHeaders_ = fd::MutableDictionary::create();
  mutableHTTPRequestHeaders_->setObjectForKey(fd::StringObject::create(acceptLanguageHeader()), "Accept-Language");
  if (auto agent = userAgentHeader()) {
    mutableHTTPRequestHeaders_->setObjectForKey(fd::StringObject::create(*agent), "User-Agent");
  }
  methodsInURI_ = fd::Set::create({fd::StringObject::create("GET"), fd::StringObject::create("HEAD"),
                                   fd::StringObject::create("DELETE")});
  mutableObservedChangedKeyPaths_ = fd::MutableSet::create();
  for (const char* key : kObservedSettings) {
    addObserver(this, key, rt::KeyValueObservingOptionNew, &observedSettingsContext);
  }
  observing_ = true;
}

NKHTTPRequestSerializer::~NKHTTPRequestSerializer() {
  if (!observing_) return;
  for (const char* key : kObservedSettings) removeObserver(this, key, &observedSettingsContext);
}

Ref<NKHTTPRequestSerializer> NKHTTPRequestSerializer::serializer() { return rt::make<NKHTTPRequestSerializer>(); }

void NKHTTPRequestSerializer::announce(const char* key, const std::function<void()>& store) {
  fd::String name(key);
  willChangeValueForKey(name);
  store();
  didChangeValueForKey(name);
}

void NKHTTPRequestSerializer::setAllowsCellularAccess(bool allows) {
  announce("allowsCellularAccess", [&] { allowsCellularAccess_ = allows; });
}
void NKHTTPRequestSerializer::setCachePolicy(fd::URLRequestCachePolicy policy) {
  announce("cachePolicy", [&] { cachePolicy_ = policy; });
}
void NKHTTPRequestSerializer::setHTTPShouldHandleCookies(bool handle) {
  announce("HTTPShouldHandleCookies", [&] { HTTPShouldHandleCookies_ = handle; });
}
void NKHTTPRequestSerializer::setHTTPShouldUsePipelining(bool use) {
  announce("HTTPShouldUsePipelining", [&] { HTTPShouldUsePipelining_ = use; });
}
void NKHTTPRequestSerializer::setNetworkServiceType(fd::URLRequestNetworkServiceType type) {
  announce("networkServiceType", [&] { networkServiceType_ = type; });
}
void NKHTTPRequestSerializer::setTimeoutInterval(double seconds) {
  announce("timeoutInterval", [&] { timeoutInterval_ = seconds; });
}

void NKHTTPRequestSerializer::observeValueForKeyPath(const fd::String& keyPath, rt::Object* object,
                                                     const rt::KeyValueChange& change, void* context) {
  if (context != &observedSettingsContext) {
    rt::Object::observeValueForKeyPath(keyPath, object, change, context);
    return;
  }
  auto key = fd::StringObject::create(keyPath);
  if (!change.newValue || fd::Null::isNull(change.newValue)) mutableObservedChangedKeyPaths_->removeObject(key);
  else mutableObservedChangedKeyPaths_->addObject(key);
}

Ref<fd::Dictionary> NKHTTPRequestSerializer::HTTPRequestHeaders() const {
  return rt::as<fd::Dictionary>(mutableHTTPRequestHeaders_->copy());
}

void NKHTTPRequestSerializer::setValueForHTTPHeaderField(const std::optional<fd::String>& value,
                                                         const fd::String& field) {
  if (value) mutableHTTPRequestHeaders_->setObjectForKey(fd::StringObject::create(*value), field);
  else mutableHTTPRequestHeaders_->removeObjectForKey(field);
}

std::optional<fd::String> NKHTTPRequestSerializer::valueForHTTPHeaderField(const fd::String& field) const {
  if (auto value = mutableHTTPRequestHeaders_->objectForKey(field)) return value->description();
  return std::nullopt;
}

void NKHTTPRequestSerializer::setAuthorizationHeaderFieldWithUsername(const fd::String& username,
                                                                      const fd::String& password) {
  std::string credentials = fd::String::format("%@:%@", username, password).utf8();
  fd::String encoded = fd::Data::create(credentials)->base64EncodedString();
  setValueForHTTPHeaderField(fd::String::format("Basic %@", encoded), "Authorization");
}

void NKHTTPRequestSerializer::setAuthorizationHeaderFieldWithToken(const fd::String& token) {
  setValueForHTTPHeaderField(fd::String::format("Token token=\"%@\"", token), "Authorization");
}

void NKHTTPRequestSerializer::clearAuthorizationHeader() { mutableHTTPRequestHeaders_->removeObjectForKey("Authorization"); }

const Ref<fd::Set>& NKHTTPRequestSerializer::HTTPMethodsEncodingParametersInURI() const { return methodsInURI_; }

void NKHTTPRequestSerializer::setHTTPMethodsEncodingParametersInURI(const Ref<fd::Set>& methods) {
  methodsInURI_ = methods ? methods : fd::Set::create();
}

void NKHTTPRequestSerializer::setQueryStringSerializationWithStyle(NKHTTPRequestQueryStringSerializationStyle style) {
  queryStyle_ = style;
  queryBlock_ = nullptr;
}

void NKHTTPRequestSerializer::setQueryStringSerializationWithBlock(NKQueryStringSerializationBlock block) {
  queryBlock_ = std::move(block);
}

Ref<fd::MutableURLRequest> NKHTTPRequestSerializer::requestWithMethod(const fd::String& method,
                                                                      const fd::String& URLString,
                                                                      const rt::Id& parameters, Ref<fd::Error>* error) {
  auto url = fd::URL::URLWithString(URLString);
  if (!url) {
    report(error, requestError(fd::String::format("Invalid URL string: %@", URLString)));
    return nullptr;
  }
  auto request = fd::MutableURLRequest::requestWithURL(url);
  request->setHTTPMethod(method);
  applyChangedSettings(*request);
  auto serialized = requestBySerializingRequest(request, parameters, error);
  if (!serialized) return nullptr;
  return rt::as<fd::MutableURLRequest>(serialized->mutableCopy());
}

void NKHTTPRequestSerializer::applyChangedSettings(fd::MutableURLRequest& request) const {
  auto changed = [&](const char* key) {
    return mutableObservedChangedKeyPaths_->containsObject(fd::StringObject::create(key));
  };
  if (changed(kObservedSettings[0])) request.setAllowsCellularAccess(allowsCellularAccess_);
  if (changed(kObservedSettings[1])) request.setCachePolicy(cachePolicy_);
  if (changed(kObservedSettings[2])) request.setHTTPShouldHandleCookies(HTTPShouldHandleCookies_);
  if (changed(kObservedSettings[3])) request.setHTTPShouldUsePipelining(HTTPShouldUsePipelining_);
  if (changed(kObservedSettings[4])) request.setNetworkServiceType(networkServiceType_);
  if (changed(kObservedSettings[5])) request.setTimeoutInterval(timeoutInterval_);
}

Ref<fd::MutableURLRequest> NKHTTPRequestSerializer::copyWithDefaultHeaders(const Ref<fd::URLRequest>& request) const {
  auto copy = rt::as<fd::MutableURLRequest>(request->mutableCopy());
  for (const rt::Id& field : mutableHTTPRequestHeaders_->keys()) {
    fd::String name = field->description();
    if (request->valueForHTTPHeaderField(name)) continue;
    copy->setValueForHTTPHeaderField(mutableHTTPRequestHeaders_->objectForKey(field)->description(), name);
  }
  return copy;
}

bool NKHTTPRequestSerializer::encodesParametersInURI(const fd::URLRequest& request) const {
  return methodsInURI_->containsObject(fd::StringObject::create(request.HTTPMethod().uppercaseString()));
}

std::optional<fd::String> NKHTTPRequestSerializer::queryStringForParameters(const Ref<fd::URLRequest>& request,
                                                                           const rt::Id& parameters,
                                                                           Ref<fd::Error>* error) const {
  if (queryBlock_) {
    Ref<fd::Error> blockError;
    fd::String query = queryBlock_(request, parameters, &blockError);
    if (blockError) {
      report(error, blockError);
      return std::nullopt;
    }
    return query;
  }
  if (queryStyle_ != NKHTTPRequestQueryStringSerializationStyle::Default) return fd::String();
  auto query = NKFormEncodedQuery(parameters);
  if (!query) report(error, requestError("Parameters contain text that cannot be percent-escaped."));
  return query;
}

Ref<fd::MutableURLRequest> NKHTTPRequestSerializer::requestWithEncodedBody(
    const Ref<fd::URLRequest>& request, const rt::Id& parameters, Ref<fd::Error>* error, const char* contentType,
    const std::function<Ref<fd::Data>(Ref<fd::Error>*)>& encode) {
  if (encodesParametersInURI(*request))
    return NKHTTPRequestSerializer::requestBySerializingRequest(request, parameters, error);
  auto copy = copyWithDefaultHeaders(request);
  if (!validateHeaders(*copy, error)) return nullptr;
  if (parameters) {
    if (!copy->valueForHTTPHeaderField("Content-Type"))
      copy->setValueForHTTPHeaderField(fd::String(contentType), "Content-Type");
    Ref<fd::Error> writeError;
    if (auto body = encode(&writeError)) copy->setHTTPBody(body);
    else if (error) *error = writeError;
  }
  return copy;
}

bool NKHTTPRequestSerializer::validateHeaders(const fd::URLRequest& request, Ref<fd::Error>* error) {
  for (const auto& [name, value] : request.headerFields()) {
    if (breaksHeaderLine(name) || breaksHeaderLine(value)) {
      report(error, requestError(fd::String::format("Invalid character in header field %@", name)));
      return false;
    }
  }
  return true;
}

// Default headers and query or form body; a header that would break the request line fails.
Ref<fd::MutableURLRequest> NKHTTPRequestSerializer::requestBySerializingRequest(const Ref<fd::URLRequest>& request,
                                                                                const rt::Id& parameters,
                                                                                Ref<fd::Error>* error) {
  auto copy = copyWithDefaultHeaders(request);
  if (!validateHeaders(*copy, error)) return nullptr;

  std::optional<fd::String> query;
  bool hasQuery = false;
  if (parameters) {
    if (queryBlock_ || queryStyle_ == NKHTTPRequestQueryStringSerializationStyle::Default) {
      query = queryStringForParameters(request, parameters, error);
      if (!query) return nullptr;
      hasQuery = true;
    }
  }

  if (encodesParametersInURI(*copy)) {
    if (hasQuery) {
      const auto& url = copy->URL();
      fd::String joined = fd::String::format(url->query() ? "%@&%@" : "%@?%@", url->absoluteString(), *query);
      auto withQuery = fd::URL::URLWithString(joined);
      if (!withQuery) {
        report(error, requestError(fd::String::format("Invalid URL string: %@", joined)));
        return nullptr;
      }
      copy->setURL(withQuery);
    }
  } else {
    if (!copy->valueForHTTPHeaderField("Content-Type")) {
      copy->setValueForHTTPHeaderField(fd::String("application/x-www-form-urlencoded"), "Content-Type");
    }
    copy->setHTTPBody(fd::dataUsingEncoding(hasQuery ? *query : fd::String(), stringEncoding_));
  }
  return copy;
}

void NKHTTPRequestSerializer::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(mutableHTTPRequestHeaders_, "mutableHTTPRequestHeaders");
  coder.encodeInteger(static_cast<int64_t>(queryStyle_), "queryStringSerializationStyle");
}

bool NKHTTPRequestSerializer::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!mutableHTTPRequestHeaders_) init();
  auto headers = rt::as<fd::Dictionary>(coder.decodeObjectOfClass(fd::Dictionary::classObject(), "mutableHTTPRequestHeaders"));
  if (headers) mutableHTTPRequestHeaders_ = rt::as<fd::MutableDictionary>(headers->mutableCopy());
  queryStyle_ = static_cast<NKHTTPRequestQueryStringSerializationStyle>(coder.decodeInteger("queryStringSerializationStyle"));
  return true;
}

void NKHTTPRequestSerializer::copySettingsFrom(const NKHTTPRequestSerializer& other) {
  mutableHTTPRequestHeaders_ = rt::as<fd::MutableDictionary>(other.mutableHTTPRequestHeaders_->mutableCopy());
  queryStyle_ = other.queryStyle_;
  queryBlock_ = other.queryBlock_;
}

rt::Id NKHTTPRequestSerializer::copy() const {
  auto copy = rt::make<NKHTTPRequestSerializer>();
  copy->copySettingsFrom(*this);
  return copy;
}

RT_IMPLEMENT(NKHTTPRequestSerializer) {
  using S = NKHTTPRequestSerializer;
  c.property("stringEncoding", &S::stringEncoding, &S::setStringEncoding);
  c.property("allowsCellularAccess", &S::allowsCellularAccess, &S::setAllowsCellularAccess);
  c.property("cachePolicy", &S::cachePolicy, &S::setCachePolicy);
  c.property("HTTPShouldHandleCookies", &S::HTTPShouldHandleCookies, &S::setHTTPShouldHandleCookies);
  c.property("HTTPShouldUsePipelining", &S::HTTPShouldUsePipelining, &S::setHTTPShouldUsePipelining);
  c.property("networkServiceType", &S::networkServiceType, &S::setNetworkServiceType);
  c.property("timeoutInterval", &S::timeoutInterval, &S::setTimeoutInterval);
  c.property("HTTPRequestHeaders", &S::HTTPRequestHeaders);
  for (const char* key : kObservedSettings) c.manualNotification(key);
  c.protocol("NKURLRequestSerialization");
  c.protocol("NSSecureCoding");
  c.protocol("NSCoding");
  c.protocol("NSCopying");
}

}  // namespace net
