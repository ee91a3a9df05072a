#pragma once
// Secure decoding in tests of the HTTP client: every class of an archived graph must be named,
// the ones its objects decode for themselves included.
#include <vector>

#include "net/http/NKSecurityPolicy.h"
#include "net/http/NKURLRequestSerialization.h"
#include "net/http/NKURLResponseSerialization.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/net/URLSessionConfiguration.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/IndexSet.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Set.h"

namespace nettest {

/// The root of `data` decoded securely, when it is a `T`; null (with `error` set when decoding
/// fails) otherwise. Besides `T`, the archive may hold the client's serializers, policies,
/// requests, responses, errors, session configurations and the values they are made of.
template <class T> Ref<T> unarchivedSecurely(const Ref<fd::Data>& data, Ref<fd::Error>* error) {
  const std::vector<const rt::Class*> classes = {
      T::classObject(),
      net::NKHTTPRequestSerializer::classObject(),
      net::NKHTTPResponseSerializer::classObject(),
      net::NKSecurityPolicy::classObject(),
      fd::URLRequest::classObject(),
      fd::URLResponse::classObject(),
      fd::URLSessionConfiguration::classObject(),
      fd::Error::classObject(),
      fd::URL::classObject(),
      fd::StringObject::classObject(),
      fd::Number::classObject(),
      fd::Data::classObject(),
      fd::Array::classObject(),
      fd::Dictionary::classObject(),
      fd::Set::classObject(),
      fd::IndexSet::classObject(),
  };
  return rt::as<T>(fd::KeyedUnarchiver::unarchivedObjectOfClasses(classes, data, error));
}

}  // namespace nettest
