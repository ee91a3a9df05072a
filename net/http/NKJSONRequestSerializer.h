#pragma once
// Sends parameters as a JSON document in the body; methods that encode into the URL behave as
// the form serializer.
#include "net/http/NKURLRequestSerialization.h"

namespace net {

class NKJSONRequestSerializer : public NKHTTPRequestSerializer {
  RT_CLASS(NKJSONRequestSerializer, NKHTTPRequestSerializer)
 public:
  void init() { NKHTTPRequestSerializer::init(); }
  static Ref<NKJSONRequestSerializer> serializer();
  static Ref<NKJSONRequestSerializer> serializerWithWritingOptions(uint64_t writingOptions);

  /// The platform JSON writer's options; 0 writes compact text.
  uint64_t writingOptions = 0;

  /// Parameters the writer cannot represent leave the request without a body and set `*error`.
  Ref<fd::MutableURLRequest> requestBySerializingRequest(const Ref<fd::URLRequest>& request, const rt::Id& parameters,
                                                         Ref<fd::Error>* error) override;

  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  rt::Id copy() const override;
};

}  // namespace net
