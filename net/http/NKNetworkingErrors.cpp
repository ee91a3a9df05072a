#include "net/http/NKNetworkingErrors.h"

#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/values/Dictionary.h"

namespace net {

fd::String NKLocalizedString(const fd::String& english) {
  auto bundle = fd::Bundle::mainBundle();
  if (!bundle) return english;
  return bundle->localizedStringForKey(english, english, fd::String(NKNetworkingStringTable));
}

Ref<fd::Error> NKErrorAttachingUnderlying(const Ref<fd::Error>& error, const Ref<fd::Error>& underlyingError) {
  if (!error) return underlyingError;
  if (!underlyingError || error->underlyingError()) return error;
  auto info = fd::MutableDictionary::create();
  info->addEntriesFromDictionary(*error->userInfo());
  info->setObjectForKey(underlyingError, fd::String(fd::NSUnderlyingErrorKey));
  return fd::Error::create(error->domain(), error->code(), info);
}

bool NKErrorChainContainsCode(const Ref<fd::Error>& error, const char* domain, int64_t code) {
  for (auto e = error; e; e = e->underlyingError()) {
    if (e->code() == code && e->domain() == fd::String(domain)) return true;
  }
  return false;
}

}  // namespace net
