// JSON and property-list request serializers: bodies, content types, URL-encoded methods,
// writer errors, archiving and copying, and the bytes a real server receives.
#include <gtest/gtest.h>

#include "net/http/NKJSONRequestSerializer.h"
#include "net/http/NKPropertyListRequestSerializer.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "tests/net/http/ArchiveClasses.h"
#include "tests/net/http/RequestInspection.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

using namespace net;
using fd::String;
using testsupport::Reply;
using testsupport::TestServer;
using nettest::body;
using nettest::header;
using nettest::json;

namespace {

std::vector<Ref<NKHTTPRequestSerializer>> bodySerializers() {
  return {NKJSONRequestSerializer::serializer(), NKPropertyListRequestSerializer::serializer()};
}

}  // namespace

TEST(BodyRequestSerializers, URLMethodsBehaveAsTheFormSerializer) {
  for (const auto& serializer : bodySerializers()) {
    for (const char* method : {"GET", "head", "DELETE"}) {
      auto request = serializer->requestWithMethod(method, "http://a.test/p", json(R"({"q":1})"));
      ASSERT_TRUE(request) << method;
      EXPECT_EQ(request->URL()->absoluteString().utf8(), "http://a.test/p?q=1");
      EXPECT_EQ(body(*request), "(none)");
      EXPECT_EQ(header(*request, "Content-Type"), "(none)");
      EXPECT_NE(header(*request, "User-Agent"), "(none)");
    }
  }
}

TEST(BodyRequestSerializers, WithoutParametersNoBodyAndNoContentType) {
  for (const auto& serializer : bodySerializers()) {
    auto request = serializer->requestWithMethod("POST", "http://a.test/p", nullptr);
    ASSERT_TRUE(request);
    EXPECT_EQ(body(*request), "(none)");
    EXPECT_EQ(header(*request, "Content-Type"), "(none)");
    EXPECT_NE(header(*request, "Accept-Language"), "(none)");
  }
}

TEST(BodyRequestSerializers, JSONBodyIsCompactAndKeepsAPresetContentType) {
  auto serializer = NKJSONRequestSerializer::serializer();
  auto parameters = json(R"({"a":[1,"x",null],"b":{"c":true}})");
  auto request = serializer->requestWithMethod("POST", "http://a.test/p?x=1", parameters);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->URL()->absoluteString().utf8(), "http://a.test/p?x=1");
  EXPECT_EQ(header(*request, "Content-Type"), "application/json");
  EXPECT_EQ(body(*request), std::string(fd::JSONSerialization::dataWithJSONObject(parameters, 0, nullptr)->view()));
  EXPECT_EQ(body(*request).find(' '), std::string::npos);
  auto back = fd::JSONSerialization::JSONObjectWithData(request->HTTPBody(), 0, nullptr);
  EXPECT_TRUE(rt::equalObjects(back.get(), parameters.get()));

  serializer->setValueForHTTPHeaderField(String("application/vnd.x+json"), "Content-Type");
  EXPECT_EQ(header(*serializer->requestWithMethod("PUT", "http://a.test/p", parameters), "Content-Type"),
            "application/vnd.x+json");
}

TEST(BodyRequestSerializers, PropertyListBodyInTheChosenFormat) {
  auto parameters = json(R"({"a":[1,"x"],"b":{"c":true}})");
  struct Case {
    Ref<NKPropertyListRequestSerializer> serializer;
    fd::PropertyListFormat format;
  };
  const Case cases[] = {
      {NKPropertyListRequestSerializer::serializer(), fd::PropertyListXMLFormat},
      {NKPropertyListRequestSerializer::serializerWithFormat(fd::PropertyListBinaryFormat, 0),
       fd::PropertyListBinaryFormat},
  };
  for (const auto& c : cases) {
    auto request = c.serializer->requestWithMethod("POST", "http://a.test/p", parameters);
    ASSERT_TRUE(request);
    EXPECT_EQ(header(*request, "Content-Type"), "application/x-plist");
    fd::PropertyListFormat format{};
    auto back = fd::PropertyListSerialization::propertyListWithData(request->HTTPBody(), 0, &format, nullptr);
    EXPECT_EQ(format, c.format);
    EXPECT_TRUE(rt::equalObjects(back.get(), parameters.get()));
  }
  EXPECT_EQ(body(*cases[0].serializer->requestWithMethod("POST", "http://a.test/p", parameters)).rfind("<?xml", 0), 0u);
}

TEST(BodyRequestSerializers, UnrepresentableParametersGiveAnErrorAndNoBody) {
  struct Case {
    Ref<NKHTTPRequestSerializer> serializer;
    rt::Id parameters;
  };
  const Case cases[] = {
      {NKJSONRequestSerializer::serializer(), fd::Dictionary::withStrings({{"d", fd::Date::date()}})},
      {NKJSONRequestSerializer::serializer(), fd::Dictionary::withStrings({{"u", fd::URL::URLWithString("http://x")}})},
      {NKJSONRequestSerializer::serializer(), fd::Data::create("raw")},
      {NKPropertyListRequestSerializer::serializer(), fd::Dictionary::withStrings({{"n", fd::Null::null()}})},
  };
  for (const auto& c : cases) {
    Ref<fd::Error> error;
    auto request = c.serializer->requestWithMethod("POST", "http://a.test/p", c.parameters, &error);
    ASSERT_TRUE(request) << c.serializer->className();
    EXPECT_TRUE(error) << c.serializer->className();
    EXPECT_EQ(body(*request), "(none)");
  }
}

TEST(BodyRequestSerializers, ArchivingAndCopyingKeepTheOptions) {
  auto jsonSerializer = NKJSONRequestSerializer::serializerWithWritingOptions(1);
  jsonSerializer->setValueForHTTPHeaderField(String("v"), "X-Sign");
  auto plist = NKPropertyListRequestSerializer::serializerWithFormat(fd::PropertyListBinaryFormat, 0);

  Ref<fd::Error> error;
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(jsonSerializer, true, &error);
  ASSERT_TRUE(data) << error->description();
  auto decoded = nettest::unarchivedSecurely<NKJSONRequestSerializer>(data, &error);
  ASSERT_TRUE(decoded) << error->description();
  EXPECT_EQ(decoded->writingOptions, 1u);
  EXPECT_EQ(decoded->valueForHTTPHeaderField("X-Sign"), String("v"));
  auto jsonCopy = rt::as<NKJSONRequestSerializer>(jsonSerializer->copy());
  ASSERT_TRUE(jsonCopy);
  EXPECT_EQ(jsonCopy->writingOptions, 1u);
  EXPECT_EQ(jsonCopy->valueForHTTPHeaderField("X-Sign"), String("v"));

  auto plistData = fd::KeyedArchiver::archivedDataWithRootObject(plist, true, nullptr);
  auto plistDecoded = nettest::unarchivedSecurely<NKPropertyListRequestSerializer>(plistData, nullptr);
  ASSERT_TRUE(plistDecoded);
  EXPECT_EQ(plistDecoded->format, uint64_t(fd::PropertyListBinaryFormat));
  auto plistCopy = rt::as<NKPropertyListRequestSerializer>(plist->copy());
  ASSERT_TRUE(plistCopy);
  EXPECT_EQ(plistCopy->format, uint64_t(fd::PropertyListBinaryFormat));
}

TEST(BodyRequestSerializers, WireFormOfAJSONPost) {
  TestServer server;
  server.route("/json", Reply::text("ok"));
  auto serializer = NKJSONRequestSerializer::serializer();
  auto parameters = json(R"({"name":"中文","n":[1,2.5]})");
  auto request = serializer->requestWithMethod("POST", String(server.url("/json")), parameters);
  auto recorder = rt::make<testsupport::ConnectionRecorder>();
  auto connection = fd::URLConnection::create(request, recorder, false);
  connection->scheduleInRunLoop(fd::RunLoop::currentRunLoop(), fd::NSDefaultRunLoopMode);
  connection->start();
  ASSERT_TRUE(testsupport::runLoopUntil([&] { return recorder->done; }, 10));
  ASSERT_FALSE(recorder->error);
  auto captured = server.requests();
  ASSERT_EQ(captured.size(), 1u);
  EXPECT_EQ(captured[0].method, "POST");
  EXPECT_EQ(captured[0].header("Content-Type"), "application/json");
  EXPECT_EQ(captured[0].body, body(*request));
  auto back = fd::JSONSerialization::JSONObjectWithBytes(captured[0].body, 0, nullptr);
  EXPECT_TRUE(rt::equalObjects(back.get(), parameters.get()));
}
