#include <gtest/gtest.h>

#include "net/http/NKURLResponseSerialization.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/IndexSet.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/serialization/XMLParser.h"
#include "tests/net/http/ArchiveClasses.h"

// A namespace of its own: test programs compile several files as one.
namespace response_serializer_test {

using namespace net;

namespace {

constexpr const char* kResponseDomain = "com.trevanode.error.serialization.response";

Ref<fd::HTTPURLResponse> response(int64_t status, const std::string& contentType, const char* url = "http://a.test/x") {
  fd::HTTPHeaderList headers;
  if (!contentType.empty()) headers.emplace_back(fd::String("Content-Type"), fd::String(contentType.c_str()));
  return fd::HTTPURLResponse::create(fd::URL::URLWithString(fd::String(url)), status, fd::String("HTTP/1.1"), headers);
}

Ref<fd::Data> bytes(const std::string& s) { return fd::Data::create(s); }

std::string json(const rt::Id& object) {
  auto data = fd::JSONSerialization::dataWithJSONObject(object, 0, nullptr);
  return data ? std::string(reinterpret_cast<const char*>(data->bytes()), data->length()) : "<none>";
}

std::string text(const Ref<fd::Error>& e) { return e ? e->localizedDescription().utf8() : ""; }

}  // namespace

TEST(ResponseSerializer, DefaultsPerClass) {
  auto http = NKHTTPResponseSerializer::serializer();
  EXPECT_EQ(http->stringEncoding(), fd::UTF8StringEncoding);
  EXPECT_EQ(http->acceptableStatusCodes()->count(), 100u);
  EXPECT_TRUE(http->acceptableStatusCodes()->containsIndex(200));
  EXPECT_TRUE(http->acceptableStatusCodes()->containsIndex(299));
  EXPECT_FALSE(http->acceptableStatusCodes()->containsIndex(300));
  EXPECT_FALSE(http->acceptableContentTypes());

  struct Case {
    Ref<NKHTTPResponseSerializer> serializer;
    std::vector<const char*> types;
  };
  Case cases[] = {
      {NKJSONResponseSerializer::serializer(), {"application/json", "text/json", "text/javascript"}},
      {NKXMLParserResponseSerializer::serializer(), {"application/xml", "text/xml"}},
      {NKPropertyListResponseSerializer::serializer(), {"application/x-plist"}},
  };
  for (auto& c : cases) {
    ASSERT_TRUE(c.serializer->acceptableContentTypes());
    EXPECT_EQ(c.serializer->acceptableContentTypes()->count(), c.types.size());
    for (const char* t : c.types) EXPECT_TRUE(c.serializer->acceptableContentTypes()->containsObject(fd::StringObject::create(t)));
  }
  auto plist = NKPropertyListResponseSerializer::serializer();
  EXPECT_EQ(plist->format(), 100u);
  EXPECT_EQ(plist->readOptions(), 0u);
}

TEST(ResponseSerializer, ValidationTable) {
  struct Case {
    int64_t status;
    std::string contentType;
    std::string body;
    bool valid;
    int64_t code;            // 0: no error
    int64_t underlyingCode;  // 0: none
    std::string description;
  };
  Case cases[] = {
      {200, "application/json", "{}", true, 0, 0, ""},
      {299, "text/json", "[]", true, 0, 0, ""},
      {200, "text/plain", "hi", false, -1016, 0, "Request failed: unacceptable content-type: text/plain"},
      {200, "text/plain", "", false, 0, 0, ""},
      {200, "", "x", false, -1016, 0, "Request failed: unacceptable content-type: (null)"},
      {404, "application/json", "{}", false, -1011, 0, "Request failed: not found (404)"},
      {500, "text/html", "oops", false, -1011, -1016, "Request failed: internal server error (500)"},
  };
  auto serializer = NKJSONResponseSerializer::serializer();
  for (auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.status) + " " + c.contentType + " '" + c.body + "'");
    Ref<fd::Error> error;
    auto r = response(c.status, c.contentType);
    EXPECT_EQ(serializer->validateResponse(r, bytes(c.body), &error), c.valid);
    if (c.code == 0) {
      EXPECT_FALSE(error);
      continue;
    }
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), fd::String(kResponseDomain));
    EXPECT_EQ(error->code(), c.code);
    EXPECT_EQ(text(error), c.description);
    auto info = error->userInfo();
    EXPECT_TRUE(rt::equalObjects(info->objectForKey(fd::String(fd::NSURLErrorFailingURLErrorKey)).get(), r->URL().get()));
    EXPECT_EQ(info->objectForKey(fd::String("com.trevanode.serialization.response.error.response")), rt::Id(r));
    auto data = rt::as<fd::Data>(info->objectForKey(fd::String("com.trevanode.serialization.response.error.data")));
    ASSERT_TRUE(data);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data->bytes()), data->length()), c.body);
    if (c.underlyingCode) {
      ASSERT_TRUE(error->underlyingError());
      EXPECT_EQ(error->underlyingError()->code(), c.underlyingCode);
    } else {
      EXPECT_FALSE(error->underlyingError());
    }
  }
  // Not an HTTP response, or none at all: valid.
  Ref<fd::Error> error;
  EXPECT_TRUE(serializer->validateResponse(nullptr, bytes("x"), &error));
  auto plain = rt::make<fd::URLResponse>();
  EXPECT_TRUE(serializer->validateResponse(plain, bytes("x"), &error));
  EXPECT_FALSE(error);
  // Null sets accept everything.
  serializer->setAcceptableStatusCodes(nullptr);
  serializer->setAcceptableContentTypes(nullptr);
  EXPECT_TRUE(serializer->validateResponse(response(503, "x/y"), bytes("z"), &error));
}

TEST(ResponseSerializer, HTTPSerializerAnswersTheBodyEvenWhenInvalid) {
  auto serializer = NKHTTPResponseSerializer::serializer();
  auto body = bytes("raw");
  Ref<fd::Error> error;
  EXPECT_EQ(serializer->responseObjectForResponse(response(200, "a/b"), body, &error), rt::Id(body));
  EXPECT_FALSE(error);
  EXPECT_EQ(serializer->responseObjectForResponse(response(418, "a/b"), body, &error), rt::Id(body));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), -1011);
}

TEST(ResponseSerializer, JSONDecodingTable) {
  struct Case {
    const char* name;
    int64_t status;
    std::string contentType;
    std::string body;
    std::string object;  // JSON of the result, "<none>" for none
    int64_t code;        // outer error code, 0 for none
    int64_t underlyingCode;
  };
  std::string latin1 = "{\"k\":\"caf\xE9\"}";
  Case cases[] = {
      {"object", 200, "application/json", "{\"a\":[1,2]}", "{\"a\":[1,2]}", 0, 0},
      {"error body of a 404 is parsed", 404, "application/json", "{\"e\":1}", "{\"e\":1}", -1011, 0},
      {"unaccepted type", 200, "text/plain", "{\"a\":1}", "<none>", -1016, 0},
      {"unaccepted type, empty body", 200, "text/plain", "", "<none>", 0, 0},
      {"500 with unaccepted type", 500, "text/html", "<b>", "<none>", -1011, -1016},
      {"one space", 200, "application/json", " ", "<none>", 0, 0},
      {"two spaces", 200, "application/json", "  ", "<none>", 3840, 0},
      {"malformed", 200, "application/json", "{\"a\":", "<none>", 3840, 0},
      {"malformed with a bad status", 400, "application/json", "{", "<none>", 3840, -1011},
      {"charset from the response", 200, "application/json; charset=ISO-8859-1", latin1, "{\"k\":\"caf\xC3\xA9\"}", 0, 0},
      {"bytes that are not UTF-8", 200, "application/json", "{\"k\":\"\xFF\xFE\"}", "<none>", -1016, 0},
  };
  auto serializer = NKJSONResponseSerializer::serializer();
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    Ref<fd::Error> error;
    auto object = serializer->responseObjectForResponse(response(c.status, c.contentType), bytes(c.body), &error);
    EXPECT_EQ(object ? json(object) : "<none>", c.object);
    if (!c.code) {
      EXPECT_FALSE(error) << text(error);
      continue;
    }
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), c.code);
    if (c.underlyingCode) {
      ASSERT_TRUE(error->underlyingError());
      EXPECT_EQ(error->underlyingError()->code(), c.underlyingCode);
    }
  }
  // The undecodable body names the failure as the client's own error.
  Ref<fd::Error> error;
  serializer->responseObjectForResponse(response(200, "application/json"), bytes("\xC3\x28"), &error);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->domain(), fd::String(kResponseDomain));
  EXPECT_EQ(text(error), "Data failed decoding as a UTF-8 string");
  // Without an out-parameter an invalid response decodes nothing.
  EXPECT_FALSE(serializer->responseObjectForResponse(response(404, "application/json"), bytes("{}"), nullptr));
}

TEST(ResponseSerializer, RemovingNulls) {
  auto serializer = NKJSONResponseSerializer::serializer();
  serializer->setRemovesKeysWithNullValues(true);
  Ref<fd::Error> error;
  auto object = serializer->responseObjectForResponse(response(200, "application/json"),
                                                      bytes("{\"a\":null,\"b\":[null,{\"c\":null}]}"), &error);
  EXPECT_FALSE(error);
  EXPECT_EQ(json(object), "{\"b\":[null,{}]}");
  EXPECT_FALSE(rt::as<fd::MutableDictionary>(object));

  auto mutableObject = NKJSONObjectRemovingNulls(object, fd::JSONReadingMutableContainers);
  EXPECT_TRUE(rt::as<fd::MutableDictionary>(mutableObject));
  auto inner = rt::as<fd::Dictionary>(mutableObject)->objectForKey(fd::String("b"));
  EXPECT_TRUE(rt::as<fd::MutableArray>(inner));
  auto scalar = fd::Number::numberWithInt(3);
  EXPECT_EQ(NKJSONObjectRemovingNulls(scalar, 0), rt::Id(scalar));
}

TEST(ResponseSerializer, XMLAndPropertyList) {
  Ref<fd::Error> error;
  auto parser = rt::as<fd::XMLParser>(NKXMLParserResponseSerializer::serializer()->responseObjectForResponse(
      response(200, "text/xml"), bytes("<a><b/></a>"), &error));
  ASSERT_TRUE(parser);
  EXPECT_TRUE(parser->parse());
  EXPECT_FALSE(NKXMLParserResponseSerializer::serializer()->responseObjectForResponse(response(200, "text/plain"),
                                                                                     bytes("<a/>"), &error));

  auto plistData = fd::PropertyListSerialization::dataWithPropertyList(
      fd::Dictionary::withStrings({{"k", fd::Number::numberWithInt(7)}}), fd::PropertyListBinaryFormat, 0, nullptr);
  auto plist = NKPropertyListResponseSerializer::serializer();
  error = nullptr;
  auto object = rt::as<fd::Dictionary>(plist->responseObjectForResponse(response(200, "application/x-plist"), plistData, &error));
  ASSERT_TRUE(object);
  EXPECT_FALSE(error);
  EXPECT_EQ(rt::as<fd::Number>(object->objectForKey(fd::String("k")))->integerValue(), 7);

  EXPECT_FALSE(plist->responseObjectForResponse(response(422, "application/x-plist"), bytes("not a plist"), &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->domain(), fd::String(fd::NSCocoaErrorDomain));
  ASSERT_TRUE(error->underlyingError());
  EXPECT_EQ(error->underlyingError()->code(), -1011);
}

TEST(ResponseSerializer, CompoundTakesTheFirstThatAnswers) {
  auto compound = NKCompoundResponseSerializer::compoundSerializerWithResponseSerializers(fd::Array::create(
      {fd::StringObject::create("not a serializer"), NKXMLParserResponseSerializer::serializer(),
       NKJSONResponseSerializer::serializer()}));
  Ref<fd::Error> error;
  EXPECT_EQ(json(compound->responseObjectForResponse(response(200, "application/json"), bytes("[1]"), &error)), "[1]");
  EXPECT_FALSE(error);
  EXPECT_TRUE(rt::as<fd::XMLParser>(compound->responseObjectForResponse(response(200, "text/xml"), bytes("<a/>"), &error)));
  // The JSON serializer answers a 404's body and its status error travels along.
  EXPECT_EQ(json(compound->responseObjectForResponse(response(404, "application/json"), bytes("[2]"), &error)), "[2]");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), -1011);
  // Nobody answers: the compound validates with its own settings and answers the data.
  error = nullptr;
  auto body = bytes("plain");
  EXPECT_EQ(compound->responseObjectForResponse(response(200, "text/plain"), body, &error), rt::Id(body));
  EXPECT_FALSE(error);
}

TEST(ResponseSerializer, ErrorHelpers) {
  auto a = fd::Error::create(fd::String(kResponseDomain), -1016);
  auto b = fd::Error::create(fd::String("other"), 5);
  EXPECT_EQ(NKErrorAttachingUnderlying(nullptr, a), a);
  EXPECT_EQ(NKErrorAttachingUnderlying(a, nullptr), a);
  auto chained = NKErrorAttachingUnderlying(b, a);
  EXPECT_NE(chained, b);
  EXPECT_EQ(chained->domain(), fd::String("other"));
  EXPECT_EQ(chained->underlyingError(), a);
  EXPECT_EQ(NKErrorAttachingUnderlying(chained, b), chained);
  EXPECT_TRUE(NKErrorChainContainsCode(chained, kResponseDomain, -1016));
  EXPECT_FALSE(NKErrorChainContainsCode(b, kResponseDomain, -1016));
  EXPECT_FALSE(NKErrorChainContainsCode(nullptr, kResponseDomain, -1016));
  EXPECT_EQ(NKLocalizedString("No entry for this text"), fd::String("No entry for this text"));
}

TEST(ResponseSerializer, CopyAndSecureCoding) {
  auto json = NKJSONResponseSerializer::serializerWithReadingOptions(fd::JSONReadingMutableContainers);
  json->setRemovesKeysWithNullValues(true);
  json->setAcceptableContentTypes(fd::Set::create({fd::StringObject::create("a/b")}));
  json->setAcceptableStatusCodes(fd::IndexSet::indexSetWithIndex(201));

  // Copies keep the subclass's own settings; codes and types return to the defaults.
  auto copy = rt::as<NKJSONResponseSerializer>(json->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->readingOptions(), fd::JSONReadingMutableContainers);
  EXPECT_TRUE(copy->removesKeysWithNullValues());
  EXPECT_EQ(copy->acceptableContentTypes()->count(), 3u);
  EXPECT_TRUE(copy->acceptableStatusCodes()->containsIndex(200));

  auto base = NKHTTPResponseSerializer::serializer();
  base->setAcceptableStatusCodes(fd::IndexSet::indexSetWithIndex(204));
  auto baseCopy = rt::as<NKHTTPResponseSerializer>(base->copy());
  EXPECT_EQ(baseCopy->acceptableStatusCodes()->count(), 1u);
  EXPECT_TRUE(baseCopy->acceptableStatusCodes()->containsIndex(204));

  // Archives keep everything that is archived.
  Ref<fd::Error> error;
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(json, true, &error);
  ASSERT_TRUE(data) << text(error);
  auto decoded = nettest::unarchivedSecurely<NKJSONResponseSerializer>(data, &error);
  ASSERT_TRUE(decoded) << text(error);
  EXPECT_EQ(decoded->readingOptions(), fd::JSONReadingMutableContainers);
  EXPECT_TRUE(decoded->removesKeysWithNullValues());
  EXPECT_EQ(decoded->acceptableContentTypes()->count(), 1u);
  EXPECT_TRUE(decoded->acceptableStatusCodes()->containsIndex(201));
  EXPECT_FALSE(decoded->acceptableStatusCodes()->containsIndex(200));

  auto compound = NKCompoundResponseSerializer::compoundSerializerWithResponseSerializers(
      fd::Array::create({NKPropertyListResponseSerializer::serializerWithFormat(200, 1)}));
  data = fd::KeyedArchiver::archivedDataWithRootObject(compound, true, &error);
  ASSERT_TRUE(data) << text(error);
  auto decodedCompound = nettest::unarchivedSecurely<NKCompoundResponseSerializer>(data, &error);
  ASSERT_TRUE(decodedCompound) << text(error);
  ASSERT_EQ(decodedCompound->responseSerializers()->count(), 1u);
  auto inner = rt::as<NKPropertyListResponseSerializer>(decodedCompound->responseSerializers()->objectAtIndex(0));
  ASSERT_TRUE(inner);
  EXPECT_EQ(inner->format(), 200u);
  EXPECT_EQ(inner->readOptions(), 1u);
}

}  // namespace response_serializer_test
