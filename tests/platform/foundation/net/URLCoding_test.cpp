// Requests, responses and URL errors survive a secure keyed archive.
#include <gtest/gtest.h>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"

using namespace fd;

namespace {

Ref<Data> archiveSecurely(const Id& root) {
  Ref<Error> error;
  auto data = KeyedArchiver::archivedDataWithRootObject(root, true, &error);
  EXPECT_TRUE(data) << (error ? error->localizedDescription().utf8() : std::string());
  return data;
}

// `T` and the values requests, responses and errors are made of.
template <class T> Ref<T> roundTrip(const Id& root) {
  Ref<Error> error;
  auto back = KeyedUnarchiver::unarchivedObjectOfClasses({T::classObject(), URL::classObject(), StringObject::classObject(),
                                                          Number::classObject(), Data::classObject(),
                                                          Dictionary::classObject()},
                                                         archiveSecurely(root), &error);
  EXPECT_FALSE(error) << error->localizedDescription().utf8();
  return rt::as<T>(back);
}

}  // namespace

TEST(URLCoding, MutableRequestKeepsEverySetting) {
  auto m = MutableURLRequest::requestWithURL(URL::URLWithString("https://a.test/upload?x=1"),
                                             URLRequestCachePolicy::ReturnCacheDataElseLoad, 12.5);
  m->setMainDocumentURL(URL::URLWithString("https://a.test/"));
  m->setHTTPMethod("PUT");
  m->setValueForHTTPHeaderField(String("b"), "X-Zeta");
  m->setValueForHTTPHeaderField(String("a"), "x-Alpha");
  m->setHTTPBody(Data::create(std::string_view("payload")));
  m->setHTTPShouldHandleCookies(false);
  m->setHTTPShouldUsePipelining(true);
  m->setAllowsCellularAccess(false);
  m->setNetworkServiceType(URLRequestNetworkServiceType::Background);

  auto back = roundTrip<URLRequest>(m);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->isKindOfClass(MutableURLRequest::classObject()));
  EXPECT_TRUE(back->isEqual(m.get()));
  EXPECT_EQ(back->URL()->absoluteString(), "https://a.test/upload?x=1");
  EXPECT_EQ(back->mainDocumentURL()->absoluteString(), "https://a.test/");
  EXPECT_EQ(back->cachePolicy(), URLRequestCachePolicy::ReturnCacheDataElseLoad);
  EXPECT_EQ(back->timeoutInterval(), 12.5);
  EXPECT_EQ(back->HTTPMethod(), "PUT");
  EXPECT_EQ(back->headerFields(), m->headerFields());  // order and spelling kept
  EXPECT_TRUE(back->HTTPBody()->isEqual(m->HTTPBody().get()));
  EXPECT_FALSE(back->HTTPShouldHandleCookies());
  EXPECT_TRUE(back->HTTPShouldUsePipelining());
  EXPECT_FALSE(back->allowsCellularAccess());
  EXPECT_EQ(back->networkServiceType(), URLRequestNetworkServiceType::Background);
}

TEST(URLCoding, PlainRequestStaysImmutableWithDefaults) {
  auto r = URLRequest::requestWithURL(URL::URLWithString("http://a.test/x"));
  auto back = roundTrip<URLRequest>(r);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->getClass(), URLRequest::classObject());
  EXPECT_TRUE(back->isEqual(r.get()));
  EXPECT_FALSE(back->HTTPBody());
  EXPECT_FALSE(back->mainDocumentURL());
  EXPECT_TRUE(back->headerFields().empty());
}

TEST(URLCoding, HTTPResponseKeepsStatusHeadersAndDerivedFields) {
  auto r = HTTPURLResponse::create(URL::URLWithString("http://a.test/p.json"), 404, String("HTTP/1.1"),
                                   {{"Content-Type", "application/JSON; charset=\"UTF-8\""},
                                    {"Content-Length", "17"},
                                    {"X-Req", "1"}});
  auto back = roundTrip<HTTPURLResponse>(r);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->statusCode(), 404);
  EXPECT_EQ(back->httpVersion(), std::optional<String>("HTTP/1.1"));
  EXPECT_EQ(back->headerFields(), r->headerFields());
  EXPECT_EQ(back->valueForHTTPHeaderField("x-req"), std::optional<String>("1"));
  EXPECT_EQ(back->MIMEType(), std::optional<String>("application/json"));
  EXPECT_EQ(back->textEncodingName(), std::optional<String>("utf-8"));
  EXPECT_EQ(back->expectedContentLength(), 17);
  EXPECT_EQ(back->URL()->absoluteString(), "http://a.test/p.json");
}

TEST(URLCoding, PlainResponseKeepsMissingValuesMissing) {
  auto r = rt::make<URLResponse>(URL::URLWithString("file:///tmp/x"), std::nullopt, NSURLResponseUnknownLength,
                                 std::nullopt);
  auto back = roundTrip<URLResponse>(r);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->getClass(), URLResponse::classObject());
  EXPECT_FALSE(back->MIMEType());
  EXPECT_FALSE(back->textEncodingName());
  EXPECT_EQ(back->expectedContentLength(), NSURLResponseUnknownLength);
}

TEST(URLCoding, URLErrorKeepsDomainCodeAndFailingURL) {
  auto e = makeURLError(NSURLErrorTimedOut, URL::URLWithString("http://a.test/slow"));
  auto back = roundTrip<Error>(e);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->domain(), e->domain());
  EXPECT_EQ(back->code(), NSURLErrorTimedOut);
  EXPECT_TRUE(back->userInfo()->isEqual(e->userInfo().get()));
}

TEST(URLCoding, ResponseArchiveIsNotARequest) {
  auto r = HTTPURLResponse::create(URL::URLWithString("http://a.test/"), 200, std::nullopt, {});
  Ref<Error> error;
  auto back = KeyedUnarchiver::unarchivedObjectOfClass(URLRequest::classObject(), archiveSecurely(r), &error);
  EXPECT_FALSE(back);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->domain(), String(NSCocoaErrorDomain));
}
