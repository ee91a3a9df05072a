#include "net/mapping/KMSupport.h"

#include <mutex>
#include <unordered_map>

#include "net/mapping/NSObject+KMKeyValue.h"
#include "platform/foundation/text/StringObject.h"

namespace net::km_detail {

namespace {

// Errors are immutable values: each of the mapping's fixed messages shares one error, which
// keeps the hot path (every nested dictionary records one on its class) free of allocation.
Ref<fd::Error> errorFor(const fd::String& message) {
  static std::mutex mutex;
  static auto* shared = new std::unordered_map<fd::String, Ref<fd::Error>>;
  std::lock_guard lock(mutex);
  auto it = shared->find(message);
  if (it != shared->end()) return it->second;
  auto error = fd::Error::create(message, KMErrorCode);
  shared->emplace(message, error);
  return error;
}

}  // namespace

void fail(const rt::Class* cls, const fd::String& message) { setKm_error(cls, errorFor(message)); }

void failWith(const rt::Class* cls, const std::exception& e) {
  if (auto* ex = dynamic_cast<const rt::Exception*>(&e)) setKm_error(cls, fd::Error::create(ex->reason(), KMErrorCode));
  else setKm_error(cls, fd::Error::create(fd::String(e.what()), KMErrorCode));
}

bool containsName(const Ref<fd::Array>& names, const fd::String& name) {
  if (!names) return false;
  for (const rt::Id& n : *names) {
    auto* s = dynamic_cast<const fd::StringObject*>(n.get());
    if (s && s->string() == name) return true;
  }
  return false;
}

}  // namespace net::km_detail
