// The response serializers (JSON, XML, property list, image and a compound of all of them)
// over a body and a content type the input picks.
#include "fuzz/FuzzInput.h"
#include "net/http/NKImageResponseSerializer.h"
#include "net/http/NKURLResponseSerialization.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/serialization/XMLParser.h"
#include "platform/foundation/values/Array.h"

namespace {

Ref<net::NKHTTPResponseSerializer> serializerFor(uint8_t which) {
  switch (which % 5) {
    case 0: return net::NKJSONResponseSerializer::serializerWithReadingOptions(which & 0x30 ? 1 : 0);
    case 1: return net::NKXMLParserResponseSerializer::serializer();
    case 2: return net::NKPropertyListResponseSerializer::serializer();
    case 3: return net::NKImageResponseSerializer::serializer();
    default:
      return net::NKCompoundResponseSerializer::compoundSerializerWithResponseSerializers(fd::Array::create(
          {net::NKJSONResponseSerializer::serializer(), net::NKXMLParserResponseSerializer::serializer(),
           net::NKPropertyListResponseSerializer::serializer(), net::NKImageResponseSerializer::serializer()}));
  }
}

const char* const kTypes[] = {"application/json", "text/xml", "application/x-plist", "image/png",
                              "image/jpeg", "image/gif", "text/json; charset=iso-8859-1", "text/html"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  if (in.size > (1u << 20)) return 0;
  auto serializer = serializerFor(in.selector);
  const int status = (in.selector & 0x80) ? 404 : 200;
  auto response = fd::HTTPURLResponse::create(fd::URL::URLWithString("http://127.0.0.1/x"), status, fd::String("HTTP/1.1"),
                                              {{"Content-Type", kTypes[(in.selector >> 4) & 7]}});
  Ref<fd::Error> error;
  auto object = serializer->responseObjectForResponse(response, in.data(), (in.selector & 0x40) ? &error : nullptr);
  if (auto parser = rt::as<fd::XMLParser>(object)) parser->parse();
  return 0;
}
