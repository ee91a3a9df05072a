// The form request serializer: form encoding, default headers, request settings, errors,
// archiving and copying, and the wire form a real server receives.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "net/http/NKNetworkingErrors.h"
#include "net/http/NKQueryStringPair.h"
#include "net/http/NKURLRequestSerialization.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/time/Locale.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "platform/runtime/CharacterSet.h"
#include "platform/ui/host/Device.h"
#include "platform/ui/view/Screen.h"
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

// Loads `request` through the platform's URL loading and answers what the server received.
testsupport::CapturedRequest send(TestServer& server, const Ref<fd::URLRequest>& request) {
  auto recorder = rt::make<testsupport::ConnectionRecorder>();
  auto connection = fd::URLConnection::create(request, recorder, false);
  EXPECT_TRUE(connection);
  connection->scheduleInRunLoop(fd::RunLoop::currentRunLoop(), fd::NSDefaultRunLoopMode);
  connection->start();
  EXPECT_TRUE(testsupport::runLoopUntil([&] { return recorder->done; }, 10));
  EXPECT_FALSE(recorder->error) << (recorder->error ? recorder->error->description().utf8() : "");
  auto requests = server.requests();
  EXPECT_EQ(requests.size(), 1u);
  return requests.empty() ? testsupport::CapturedRequest{} : requests.back();
}

// Pins the device and screen facts the user agent is made of; restores them afterwards.
class SerializerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::Locale::setPreferredLanguages({"zh-Hans", "en"});
    auto device = ui::Device::currentDevice();
    device->setModel(String("iPhone"));
    device->setSystemVersion(String("9.3"));
  }
  void TearDown() override {
    fd::Locale::setPreferredLanguages({});
    ui::Device::currentDevice()->resetOverrides();
    fd::Bundle::setMainBundle(nullptr);
  }
};

using FormEncoding = SerializerFixture;
using RequestSerializer = SerializerFixture;

}  // namespace

TEST_F(FormEncoding, FlattensSortsAndEscapesParameters) {
  struct Case {
    const char* parameters;
    const char* query;
  };
  const Case cases[] = {
      {R"({"b":[1,2],"a":{"y":"x y","x":null}})", "a%5Bx%5D&a%5By%5D=x%20y&b%5B%5D=1&b%5B%5D=2"},
      {R"({"b":1,"a":2,"B":3,"_":4})", "B=3&_=4&a=2&b=1"},
      {R"({"list":["z","a","m"]})", "list%5B%5D=z&list%5B%5D=a&list%5B%5D=m"},
      {R"({"t":true,"f":false,"n":1.5,"i":-7})", "f=0&i=-7&n=1.5&t=1"},
      {R"({"k":"a+b&c=d/e?f~g-h.i_j"})", "k=a%2Bb%26c%3Dd/e?f~g-h.i_j"},
      {R"({"k":":#[]@!$'()*,;"})", "k=%3A%23%5B%5D%40%21%24%27%28%29%2A%2C%3B"},
      {R"({"k":"100% é 中"})", "k=100%25%20%C3%A9%20%E4%B8%AD"},
      {R"({"a":{"b":{"c":[{"d":1}]}}})", "a%5Bb%5D%5Bc%5D%5B%5D%5Bd%5D=1"},
      {R"({})", ""},
  };
  for (const auto& c : cases) {
    auto query = NKFormEncodedQuery(json(c.parameters));
    ASSERT_TRUE(query) << c.parameters;
    EXPECT_EQ(query->utf8(), c.query) << c.parameters;
  }
}

TEST_F(FormEncoding, SetsComeOutSortedByDescriptionUnderOneKey) {
  auto set = fd::Set::create({fd::StringObject::create("b"), fd::StringObject::create("C"),
                              fd::StringObject::create("a"), fd::Number::numberWithInt(10),
                              fd::Number::numberWithInt(9)});
  auto parameters = fd::Dictionary::withStrings({{"s", set}});
  EXPECT_EQ(NKFormEncodedQuery(parameters)->utf8(), "s=10&s=9&s=C&s=a&s=b");
  auto pairs = NKFlattenQueryParameters(nullptr, parameters);
  ASSERT_EQ(pairs.size(), 5u);
  EXPECT_EQ(pairs[0]->field()->description().utf8(), "s");
}

TEST_F(FormEncoding, NullValueRendersAsTheBareEscapedField) {
  auto pair = rt::make<NKQueryStringPair>(fd::StringObject::create("a b"), fd::Null::null());
  EXPECT_EQ(pair->URLEncodedStringValue()->utf8(), "a%20b");
  auto absent = rt::make<NKQueryStringPair>(fd::StringObject::create("k"), nullptr);
  EXPECT_EQ(absent->URLEncodedStringValue()->utf8(), "k");
}

TEST_F(FormEncoding, EscapingInChunksEqualsEscapingWhole) {
  const rt::CharacterSet allowed = [] {
    rt::CharacterSet s = rt::CharacterSet::URLQueryAllowedCharacterSet();
    s.removeCharactersInString(":#[]@!$&'()*+,;=");
    return s;
  }();
  std::string emoji, thumbs, flags;
  for (int i = 0; i < 200; ++i) emoji += "\xF0\x9F\x98\x80";        // one surrogate pair each
  thumbs = "x";
  for (int i = 0; i < 120; ++i) thumbs += "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";  // pair + modifier
  for (int i = 0; i < 90; ++i) flags += "e\xCC\x81 \xF0\x9F\x87\xA8\xF0\x9F\x87\xB3";
  for (const std::string& text : {emoji, thumbs, flags}) {
    String s(text);
    auto escaped = NKQueryComponentEscape(s);
    ASSERT_TRUE(escaped);
    EXPECT_EQ(*escaped, s.stringByAddingPercentEncodingWithAllowedCharacters(allowed));
    EXPECT_EQ(String(*escaped).stringByRemovingPercentEncoding(), s);
  }
  std::string expected;
  for (int i = 0; i < 200; ++i) expected += "%F0%9F%98%80";
  EXPECT_EQ(NKQueryComponentEscape(String(emoji))->utf8(), expected);
}

TEST_F(FormEncoding, UnpairedSurrogateHasNoEscapedForm) {
  const char16_t lone[] = {u'a', 0xD83D, u'b'};
  EXPECT_FALSE(NKQueryComponentEscape(String(lone, 3)));
  auto serializer = NKHTTPRequestSerializer::serializer();
  Ref<fd::Error> error;
  auto parameters = fd::Dictionary::withStrings({{"k", fd::StringObject::create(String(lone, 3))}});
  EXPECT_FALSE(serializer->requestWithMethod("GET", "http://a.test/p", parameters, &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->domain(), String(NKURLRequestSerializationErrorDomain));
  EXPECT_EQ(error->code(), -1000);
}

TEST_F(RequestSerializer, AcceptLanguageWeighsAtMostSixLanguages) {
  struct Case {
    std::vector<String> languages;
    const char* header;
  };
  const Case cases[] = {
      {{"zh-Hans", "en"}, "zh-Hans;q=1, en;q=0.9"},
      {{"a", "b", "c", "d", "e", "f", "g", "h"}, "a;q=1, b;q=0.9, c;q=0.8, d;q=0.7, e;q=0.6, f;q=0.5"},
      {{"a", "b", "c", "d", "e", "f"}, "a;q=1, b;q=0.9, c;q=0.8, d;q=0.7, e;q=0.6, f;q=0.5"},
      {{"fr"}, "fr;q=1"},
  };
  for (const auto& c : cases) {
    fd::Locale::setPreferredLanguages(c.languages);
    auto serializer = NKHTTPRequestSerializer::serializer();
    EXPECT_EQ(serializer->valueForHTTPHeaderField("Accept-Language")->utf8(), c.header);
  }
}

TEST_F(RequestSerializer, UserAgentComesFromBundleDeviceAndScreen) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("nk-agent-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto writeInfo = [&](const char* executable, const char* version) {
    auto info = fd::MutableDictionary::create();
    info->setObjectForKey(fd::StringObject::create(executable), "CFBundleExecutable");
    info->setObjectForKey(fd::StringObject::create(version), "CFBundleShortVersionString");
    auto data = fd::PropertyListSerialization::dataWithPropertyList(info, fd::PropertyListXMLFormat, 0, nullptr);
    ASSERT_TRUE(data);
    std::ofstream(dir / "Info.plist", std::ios::binary).write(reinterpret_cast<const char*>(data->bytes()),
                                                                std::streamsize(data->length()));
    fd::Bundle::setMainBundle(fd::Bundle::bundleWithPath(String(dir.string())));
  };
  double scale = ui::Screen::mainScreen()->scale();

  writeInfo("Trevanode", "2.4");
  auto agent = NKHTTPRequestSerializer::serializer()->valueForHTTPHeaderField("User-Agent");
  ASSERT_TRUE(agent);
  EXPECT_EQ(*agent, String::format("Trevanode/2.4 (iPhone; iOS 9.3; Scale/%0.2f)", scale));

  // Non-ASCII names are transliterated; whatever stays non-ASCII is dropped.
  writeInfo("\xE6\x96\xB0\xE9\x97\xBB\xE2\x98\x83", "1.0");
  std::string ascii = NKHTTPRequestSerializer::serializer()->valueForHTTPHeaderField("User-Agent")->utf8();
  EXPECT_EQ(ascii.rfind("xin wen/1.0 (iPhone; iOS 9.3; Scale/", 0), 0u) << ascii;
  for (unsigned char ch : ascii) EXPECT_LT(ch, 0x80) << ascii;
  fs::remove_all(dir);
}

TEST_F(RequestSerializer, AuthorizationHeaders) {
  auto serializer = NKHTTPRequestSerializer::serializer();
  struct Case {
    const char* user;
    const char* password;
    const char* header;
  };
  const Case cases[] = {
      {"user", "pass", "Basic dXNlcjpwYXNz"},
      {"a", "", "Basic YTo="},
      {"ab", "c", "Basic YWI6Yw=="},
      {"\xE7\x94\xA8", "p", "Basic 55SoOnA="},
  };
  for (const auto& c : cases) {
    serializer->setAuthorizationHeaderFieldWithUsername(c.user, c.password);
    EXPECT_EQ(serializer->valueForHTTPHeaderField("Authorization")->utf8(), c.header);
  }
  serializer->setAuthorizationHeaderFieldWithToken("abc");
  EXPECT_EQ(serializer->valueForHTTPHeaderField("Authorization")->utf8(), "Token token=\"abc\"");
  serializer->clearAuthorizationHeader();
  EXPECT_FALSE(serializer->valueForHTTPHeaderField("Authorization"));
  EXPECT_FALSE(serializer->HTTPRequestHeaders()->objectForKey("Authorization"));
}

TEST_F(RequestSerializer, BuildsQueriesAndFormBodies) {
  struct Case {
    const char* method;
    const char* url;
    const char* parameters;  // null: none
    const char* expectedURL;
    const char* expectedBody;
    const char* expectedType;
  };
  const Case cases[] = {
      {"GET", "http://a.test/p", nullptr, "http://a.test/p", "(none)", "(none)"},
      {"GET", "http://a.test/p", "{}", "http://a.test/p?", "(none)", "(none)"},
      {"GET", "http://a.test/p", R"({"q":"a b","n":1})", "http://a.test/p?n=1&q=a%20b", "(none)", "(none)"},
      {"GET", "http://a.test/p?x=1", R"({"q":2})", "http://a.test/p?x=1&q=2", "(none)", "(none)"},
      {"get", "http://a.test/p", R"({"q":2})", "http://a.test/p?q=2", "(none)", "(none)"},
      {"HEAD", "http://a.test/p", R"({"q":2})", "http://a.test/p?q=2", "(none)", "(none)"},
      {"DELETE", "http://a.test/p", R"({"q":2})", "http://a.test/p?q=2", "(none)", "(none)"},
      {"POST", "http://a.test/p", nullptr, "http://a.test/p", "", "application/x-www-form-urlencoded"},
      {"POST", "http://a.test/p", R"({"b":[1,2],"a":"x"})", "http://a.test/p", "a=x&b%5B%5D=1&b%5B%5D=2",
       "application/x-www-form-urlencoded"},
      {"PUT", "http://a.test/p?x=1", R"({"a":"x"})", "http://a.test/p?x=1", "a=x", "application/x-www-form-urlencoded"},
  };
  auto serializer = NKHTTPRequestSerializer::serializer();
  for (const auto& c : cases) {
    Ref<fd::Error> error;
    auto request = serializer->requestWithMethod(c.method, c.url, c.parameters ? json(c.parameters) : nullptr, &error);
    ASSERT_TRUE(request) << c.method << " " << c.url;
    EXPECT_FALSE(error);
    EXPECT_EQ(request->HTTPMethod().utf8(), c.method);
    EXPECT_EQ(request->URL()->absoluteString().utf8(), c.expectedURL) << c.method << " " << c.parameters;
    EXPECT_EQ(body(*request), c.expectedBody) << c.method;
    EXPECT_EQ(header(*request, "Content-Type"), c.expectedType) << c.method;
    EXPECT_EQ(header(*request, "Accept-Language"), "zh-Hans;q=1, en;q=0.9");
  }
}

TEST_F(RequestSerializer, HeadersTheRequestCarriesWinOverDefaults) {
  auto serializer = NKHTTPRequestSerializer::serializer();
  serializer->setValueForHTTPHeaderField(String("default"), "X-Sign");
  serializer->setValueForHTTPHeaderField(String("text/plain"), "Content-Type");
  auto request = fd::MutableURLRequest::requestWithURL(fd::URL::URLWithString("http://a.test/p"));
  request->setHTTPMethod("POST");
  request->setValueForHTTPHeaderField(String("mine"), "x-sign");
  auto out = serializer->requestBySerializingRequest(request, json(R"({"a":1})"), nullptr);
  ASSERT_TRUE(out);
  EXPECT_EQ(header(*out, "X-Sign"), "mine");
  EXPECT_EQ(header(*out, "Content-Type"), "text/plain");
  EXPECT_EQ(body(*out), "a=1");
  // The given request is left as it was.
  EXPECT_FALSE(request->HTTPBody());
  EXPECT_FALSE(request->valueForHTTPHeaderField("Content-Type"));

  serializer->setValueForHTTPHeaderField(std::nullopt, "Content-Type");
  auto preset = rt::as<fd::MutableURLRequest>(request->mutableCopy());
  preset->setValueForHTTPHeaderField(String("application/x-custom"), "Content-Type");
  EXPECT_EQ(header(*serializer->requestBySerializingRequest(preset, nullptr, nullptr), "Content-Type"),
            "application/x-custom");
}

TEST_F(RequestSerializer, RefusesBadURLsAndHeadersThatWouldSplitTheRequest) {
  auto serializer = NKHTTPRequestSerializer::serializer();
  for (const char* url : {"http://a b/", "", "http://a.test/%zz", "http://a.test:port/"}) {
    Ref<fd::Error> error;
    EXPECT_FALSE(serializer->requestWithMethod("GET", url, nullptr, &error)) << url;
    ASSERT_TRUE(error) << url;
    EXPECT_EQ(error->domain(), String(NKURLRequestSerializationErrorDomain));
    EXPECT_EQ(error->code(), -1000);
    EXPECT_TRUE(error->localizedFailureReason()) << url;
  }
  EXPECT_FALSE(serializer->requestWithMethod("GET", "http://a b/", nullptr));

  struct Case {
    const char* field;
    const char* value;
  };
  const Case bad[] = {{"X-A", "v\r\nInjected: 1"}, {"X-A", "v\nx"}, {"X-A", "v\r"}, {"X-\r\nB", "v"}, {"X\nB", "v"}};
  for (const auto& c : bad) {
    auto s = NKHTTPRequestSerializer::serializer();
    s->setValueForHTTPHeaderField(String(c.value), c.field);
    Ref<fd::Error> error;
    EXPECT_FALSE(s->requestWithMethod("POST", "http://a.test/p", json(R"({"a":1})"), &error)) << c.field;
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), String(NKURLRequestSerializationErrorDomain));
    EXPECT_EQ(error->code(), -1000);
  }
  // The same check holds for headers that come with the request itself.
  auto request = fd::MutableURLRequest::requestWithURL(fd::URL::URLWithString("http://a.test/p"));
  request->setValueForHTTPHeaderField(String("a\r\nb"), "X-Mine");
  Ref<fd::Error> error;
  EXPECT_FALSE(serializer->requestBySerializingRequest(request, nullptr, &error));
  EXPECT_TRUE(error);
}

TEST_F(RequestSerializer, CustomQueryBlockAndItsErrors) {
  auto serializer = NKHTTPRequestSerializer::serializer();
  rt::Id seen;
  serializer->setQueryStringSerializationWithBlock(
      [&](const Ref<fd::URLRequest>&, const rt::Id& parameters, Ref<fd::Error>*) -> String {
        seen = parameters;
        return "custom=1";
      });
  auto parameters = json(R"({"a":1})");
  EXPECT_EQ(serializer->requestWithMethod("GET", "http://a.test/p", parameters)->URL()->absoluteString().utf8(),
            "http://a.test/p?custom=1");
  EXPECT_EQ(seen.get(), parameters.get());
  EXPECT_EQ(body(*serializer->requestWithMethod("POST", "http://a.test/p", parameters)), "custom=1");

  auto failure = fd::Error::create("test.domain", 42);
  serializer->setQueryStringSerializationWithBlock(
      [&](const Ref<fd::URLRequest>&, const rt::Id&, Ref<fd::Error>* error) -> String {
        *error = failure;
        return "ignored";
      });
  Ref<fd::Error> error;
  EXPECT_FALSE(serializer->requestWithMethod("GET", "http://a.test/p", parameters, &error));
  EXPECT_EQ(error.get(), failure.get());
  // Without parameters the block is not asked.
  EXPECT_TRUE(serializer->requestWithMethod("GET", "http://a.test/p", nullptr));

  serializer->setQueryStringSerializationWithStyle(NKHTTPRequestQueryStringSerializationStyle::Default);
  EXPECT_EQ(serializer->requestWithMethod("GET", "http://a.test/p", parameters)->URL()->absoluteString().utf8(),
            "http://a.test/p?a=1");
}

TEST_F(RequestSerializer, MethodsEncodingIntoTheURLCanChange) {
  auto serializer = NKHTTPRequestSerializer::serializer();
  serializer->setHTTPMethodsEncodingParametersInURI(fd::Set::create({fd::StringObject::create("PUT")}));
  auto put = serializer->requestWithMethod("PUT", "http://a.test/p", json(R"({"a":1})"));
  EXPECT_EQ(put->URL()->absoluteString().utf8(), "http://a.test/p?a=1");
  auto get = serializer->requestWithMethod("GET", "http://a.test/p", json(R"({"a":1})"));
  EXPECT_EQ(get->URL()->absoluteString().utf8(), "http://a.test/p");
  EXPECT_EQ(body(*get), "a=1");
}

TEST_F(RequestSerializer, AssignedSettingsApplyToLaterRequestsOnly) {
  auto serializer = NKHTTPRequestSerializer::serializer();
  auto before = serializer->requestWithMethod("GET", "http://a.test/p", nullptr);
  int notified = 0;
  auto token = serializer->observe("timeoutInterval", rt::KeyValueObservingOptionNew,
                                   [&](rt::Object*, const rt::KeyValueChange&) { ++notified; });
  serializer->setTimeoutInterval(10);
  serializer->removeObservation(token);
  EXPECT_EQ(notified, 1);
  serializer->setHTTPShouldHandleCookies(false);
  serializer->setCachePolicy(fd::URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
  serializer->setNetworkServiceType(fd::URLRequestNetworkServiceType::Background);
  auto after = serializer->requestWithMethod("GET", "http://a.test/p", nullptr);
  EXPECT_EQ(before->timeoutInterval(), fd::kDefaultURLRequestTimeout);
  EXPECT_EQ(after->timeoutInterval(), 10);
  EXPECT_FALSE(after->HTTPShouldHandleCookies());
  EXPECT_EQ(after->cachePolicy(), fd::URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
  EXPECT_EQ(after->networkServiceType(), fd::URLRequestNetworkServiceType::Background);
  EXPECT_TRUE(after->allowsCellularAccess());
  EXPECT_FALSE(after->HTTPShouldUsePipelining());

  // A request that starts with other values takes only the assigned ones.
  auto request = fd::MutableURLRequest::requestWithURL(fd::URL::URLWithString("http://a.test/p"));
  request->setAllowsCellularAccess(false);
  serializer->setAllowsCellularAccess(true);
  EXPECT_TRUE(serializer->requestWithMethod("GET", "http://a.test/p", nullptr)->allowsCellularAccess());
  EXPECT_FALSE(serializer->requestBySerializingRequest(request, nullptr, nullptr)->allowsCellularAccess());
}

TEST_F(RequestSerializer, ArchivesAndCopiesHeadersAndQueryStyle) {
  auto serializer = NKHTTPRequestSerializer::serializer();
  serializer->setValueForHTTPHeaderField(String("v"), "X-Sign");
  serializer->setTimeoutInterval(10);
  serializer->setQueryStringSerializationWithBlock(
      [](const Ref<fd::URLRequest>&, const rt::Id&, Ref<fd::Error>*) -> String { return "blk"; });
  EXPECT_TRUE(fd::supportsSecureCoding(NKHTTPRequestSerializer::classObject()));

  auto data = fd::KeyedArchiver::archivedDataWithRootObject(serializer, true, nullptr);
  ASSERT_TRUE(data);
  auto decoded = nettest::unarchivedSecurely<NKHTTPRequestSerializer>(data, nullptr);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->valueForHTTPHeaderField("X-Sign"), String("v"));
  EXPECT_EQ(decoded->valueForHTTPHeaderField("Accept-Language"), String("zh-Hans;q=1, en;q=0.9"));
  EXPECT_EQ(decoded->requestWithMethod("GET", "http://a.test/p", nullptr)->timeoutInterval(),
            fd::kDefaultURLRequestTimeout);

  auto copy = rt::as<NKHTTPRequestSerializer>(serializer->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->valueForHTTPHeaderField("X-Sign"), String("v"));
  auto request = copy->requestWithMethod("GET", "http://a.test/p", json(R"({"a":1})"));
  EXPECT_EQ(request->URL()->absoluteString().utf8(), "http://a.test/p?blk");
  EXPECT_EQ(request->timeoutInterval(), fd::kDefaultURLRequestTimeout);
  // The copy's headers are its own.
  copy->setValueForHTTPHeaderField(String("w"), "X-Sign");
  EXPECT_EQ(serializer->valueForHTTPHeaderField("X-Sign"), String("v"));
}

TEST_F(RequestSerializer, WireFormOfFormGetAndPost) {
  TestServer server;
  server.route("/form", Reply::text("ok"));
  auto serializer = NKHTTPRequestSerializer::serializer();
  serializer->setValueForHTTPHeaderField(String("abc"), "X-Sign");
  serializer->setTimeoutInterval(10);
  auto parameters = json(R"({"q":"a b&c","list":[1,2],"z":null})");

  auto get = send(server, serializer->requestWithMethod("GET", String(server.url("/form")), parameters));
  EXPECT_EQ(get.method, "GET");
  EXPECT_EQ(get.target, "/form?list%5B%5D=1&list%5B%5D=2&q=a%20b%26c&z");
  EXPECT_EQ(get.body, "");
  EXPECT_EQ(get.header("X-Sign"), "abc");
  EXPECT_EQ(get.header("Accept-Language"), "zh-Hans;q=1, en;q=0.9");
  EXPECT_EQ(get.header("User-Agent"), serializer->valueForHTTPHeaderField("User-Agent")->utf8());

  TestServer postServer;
  postServer.route("/form", Reply::text("ok"));
  auto post = send(postServer, serializer->requestWithMethod("POST", String(postServer.url("/form")), parameters));
  EXPECT_EQ(post.method, "POST");
  EXPECT_EQ(post.target, "/form");
  EXPECT_EQ(post.body, "list%5B%5D=1&list%5B%5D=2&q=a%20b%26c&z");
  EXPECT_EQ(post.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(post.header("Content-Length"), std::to_string(post.body.size()));
  EXPECT_EQ(post.header("X-Sign"), "abc");
}
