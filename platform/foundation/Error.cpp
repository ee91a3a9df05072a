#include "platform/foundation/Error.h"

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Error) {
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
  c.property("domain", &Error::domain);
  c.property("code", &Error::code);
  c.property("userInfo", &Error::userInfo);
  c.property("localizedDescription", &Error::localizedDescription);
}

void Error::init(String domain, int64_t code, Ref<Dictionary> userInfo) {
  domain_ = std::move(domain);
  code_ = code;
  userInfo_ = userInfo ? rt::as<Dictionary>(userInfo->copy()) : Dictionary::create();
}

Ref<Error> Error::create(String domain, int64_t code, Ref<Dictionary> userInfo) {
  return rt::make<Error>(std::move(domain), code, std::move(userInfo));
}

Ref<Error> Error::withDescription(String domain, int64_t code, const String& description) {
  return create(std::move(domain), code, Dictionary::withStrings({{NSLocalizedDescriptionKey, box(description)}}));
}

std::optional<String> Error::stringForKey(const char* key) const {
  Id v = userInfo_ ? userInfo_->objectForKey(String(key)) : nullptr;
  if (!v) return std::nullopt;
  if (auto s = stringValue(v)) return s;
  return v->description();
}

String Error::localizedDescription() const {
  if (auto d = stringForKey(NSLocalizedDescriptionKey)) return *d;
  return String::format("The operation couldn’t be completed. (%@ error %lld.)", domain_, static_cast<long long>(code_));
}

std::optional<String> Error::localizedFailureReason() const { return stringForKey(NSLocalizedFailureReasonErrorKey); }

std::optional<String> Error::localizedRecoverySuggestion() const {
  return stringForKey(NSLocalizedRecoverySuggestionErrorKey);
}

Ref<Error> Error::underlyingError() const {
  return userInfo_ ? rt::as<Error>(userInfo_->objectForKey(String(NSUnderlyingErrorKey))) : nullptr;
}

String Error::description() const {
  String out = String::format("Error Domain=%@ Code=%lld \"%@\"", domain_, static_cast<long long>(code_),
                              stringForKey(NSLocalizedDescriptionKey).value_or("(null)"));
  if (!userInfo_) return out;
  const Dictionary::KeysAndValues entries = userInfo_->keysAndValues();
  if (entries.size()) {
    out.append(" UserInfo={");
    for (size_t i = 0; i < entries.size(); ++i) {
      if (i) out.append(", ");
      out.append(entries.keys[i]->description());
      out.append("=");
      out.append(entries.values[i]->description());
    }
    out.append("}");
  }
  return out;
}

bool Error::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* e = dynamic_cast<const Error*>(other);
  return e && e->code_ == code_ && e->domain_ == domain_ && rt::equalObjects(e->userInfo_.get(), userInfo_.get());
}

size_t Error::hash() const { return domain_.hash() ^ static_cast<size_t>(code_); }

Id Error::copy() const { return std::const_pointer_cast<Object>(self()); }

}  // namespace fd
