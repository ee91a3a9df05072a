// The property-list reader (XML and binary, found from the bytes), and the writers over what
// it read.
#include "fuzz/FuzzInput.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  Ref<fd::Error> error;
  fd::PropertyListFormat format{};
  auto plist = fd::PropertyListSerialization::propertyListWithData(in.data(), in.selector % 3, &format, &error);
  if (!plist) {
    if (!error) __builtin_trap();
    return 0;
  }
  for (auto out : {fd::PropertyListXMLFormat, fd::PropertyListBinaryFormat}) {
    auto bytes = fd::PropertyListSerialization::dataWithPropertyList(plist, out, 0, nullptr);
    if (bytes && !fd::PropertyListSerialization::propertyListWithData(bytes, 0, nullptr, nullptr)) __builtin_trap();
  }
  return 0;
}
