#include "net/http/NKJSONRequestSerializer.h"

#include "platform/foundation/Error.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"

namespace net {

Ref<NKJSONRequestSerializer> NKJSONRequestSerializer::serializer() { return serializerWithWritingOptions(0); }

Ref<NKJSONRequestSerializer> NKJSONRequestSerializer::serializerWithWritingOptions(uint64_t options) {
  auto serializer = rt::make<NKJSONRequestSerializer>();
  serializer->writingOptions = options;
  return serializer;
}

Ref<fd::MutableURLRequest> NKJSONRequestSerializer::requestBySerializingRequest(const Ref<fd::URLRequest>& request,
                                                                                const rt::Id& parameters,
                                                                                Ref<fd::Error>* error) {
  return requestWithEncodedBody(request, parameters, error, "application/json", [&](Ref<fd::Error>* writeError) {
    return fd::JSONSerialization::dataWithJSONObject(parameters, uint32_t(writingOptions), writeError);
  });
}

void NKJSONRequestSerializer::encodeWithCoder(fd::KeyedArchiver& coder) const {
  NKHTTPRequestSerializer::encodeWithCoder(coder);
  coder.encodeInteger(int64_t(writingOptions), "writingOptions");
}

bool NKJSONRequestSerializer::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!NKHTTPRequestSerializer::initWithCoder(coder)) return false;
  if (coder.containsValueForKey("writingOptions")) writingOptions = uint64_t(coder.decodeInteger("writingOptions"));
  return true;
}

rt::Id NKJSONRequestSerializer::copy() const {
  auto copy = rt::make<NKJSONRequestSerializer>();
  copy->copySettingsFrom(*this);
  copy->writingOptions = writingOptions;
  return copy;
}

RT_IMPLEMENT(NKJSONRequestSerializer) { c.property("writingOptions", &NKJSONRequestSerializer::writingOptions); }

}  // namespace net
