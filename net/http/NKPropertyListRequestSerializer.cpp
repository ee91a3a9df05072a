#include "net/http/NKPropertyListRequestSerializer.h"

#include "platform/foundation/Error.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"

namespace net {

Ref<NKPropertyListRequestSerializer> NKPropertyListRequestSerializer::serializer() {
  return serializerWithFormat(fd::PropertyListXMLFormat, 0);
}

Ref<NKPropertyListRequestSerializer> NKPropertyListRequestSerializer::serializerWithFormat(uint64_t format,
                                                                                          uint64_t writeOptions) {
  auto serializer = rt::make<NKPropertyListRequestSerializer>();
  serializer->format = format;
  serializer->writeOptions = writeOptions;
  return serializer;
}

Ref<fd::MutableURLRequest> NKPropertyListRequestSerializer::requestBySerializingRequest(
    const Ref<fd::URLRequest>& request, const rt::Id& parameters, Ref<fd::Error>* error) {
  return requestWithEncodedBody(request, parameters, error, "application/x-plist", [&](Ref<fd::Error>* writeError) {
    return fd::PropertyListSerialization::dataWithPropertyList(parameters, static_cast<fd::PropertyListFormat>(format),
                                                               uint32_t(writeOptions), writeError);
  });
}

void NKPropertyListRequestSerializer::encodeWithCoder(fd::KeyedArchiver& coder) const {
  NKHTTPRequestSerializer::encodeWithCoder(coder);
  coder.encodeInteger(int64_t(format), "format");
  coder.encodeObject(fd::Number::numberWithUnsignedLongLong(writeOptions), "writeOptions");
}

bool NKPropertyListRequestSerializer::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!NKHTTPRequestSerializer::initWithCoder(coder)) return false;
  if (coder.containsValueForKey("format")) format = uint64_t(coder.decodeInteger("format"));
  if (auto value = rt::as<fd::Number>(coder.decodeObjectOfClass(fd::Number::classObject(), "writeOptions"))) {
    writeOptions = value->unsignedLongLongValue();
  }
  return true;
}

rt::Id NKPropertyListRequestSerializer::copy() const {
  auto copy = rt::make<NKPropertyListRequestSerializer>();
  copy->copySettingsFrom(*this);
  copy->format = format;
  copy->writeOptions = writeOptions;
  return copy;
}

RT_IMPLEMENT(NKPropertyListRequestSerializer) {
  c.property("format", &NKPropertyListRequestSerializer::format);
  c.property("writeOptions", &NKPropertyListRequestSerializer::writeOptions);
}

}  // namespace net
