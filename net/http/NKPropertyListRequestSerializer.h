#pragma once
// Sends parameters as a property list in the body; methods that encode into the URL behave as
// the form serializer.
#include "net/http/NKURLRequestSerialization.h"

namespace net {

class NKPropertyListRequestSerializer : public NKHTTPRequestSerializer {
  RT_CLASS(NKPropertyListRequestSerializer, NKHTTPRequestSerializer)
 public:
  void init() { NKHTTPRequestSerializer::init(); }
  static Ref<NKPropertyListRequestSerializer> serializer();
  static Ref<NKPropertyListRequestSerializer> serializerWithFormat(uint64_t format, uint64_t writeOptions);

  /// The platform property-list format; 100 is XML.
  uint64_t format = 100;
  uint64_t writeOptions = 0;

  /// Parameters the writer cannot represent leave the request without a body and set `*error`.
  Ref<fd::MutableURLRequest> requestBySerializingRequest(const Ref<fd::URLRequest>& request, const rt::Id& parameters,
                                                         Ref<fd::Error>* error) override;

  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  rt::Id copy() const override;
};

}  // namespace net
