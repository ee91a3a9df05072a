#include "platform/foundation/net/URLRequest.h"

#include <gtest/gtest.h>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"

using namespace fd;

TEST(URLRequest, Defaults) {
  auto r = URLRequest::requestWithURL(URL::URLWithString("http://a.test/x"));
  EXPECT_EQ(r->HTTPMethod(), "GET");
  EXPECT_EQ(r->timeoutInterval(), 60.0);
  EXPECT_EQ(r->cachePolicy(), URLRequestCachePolicy::UseProtocolCachePolicy);
  EXPECT_TRUE(r->HTTPShouldHandleCookies());
  EXPECT_TRUE(r->allowsCellularAccess());
  EXPECT_FALSE(r->allHTTPHeaderFields());
  EXPECT_FALSE(r->HTTPBody());
}

TEST(URLRequest, HeaderFieldsKeepCaseAndReplaceWithoutIt) {
  auto r = MutableURLRequest::requestWithURL(URL::URLWithString("http://a.test/"));
  r->setValueForHTTPHeaderField(String("image/*"), "Accept");
  r->setValueForHTTPHeaderField(String("1"), "X-Trace-ID");
  r->setValueForHTTPHeaderField(String("text/html"), "ACCEPT");
  r->addValueForHTTPHeaderField("2", "x-trace-id");
  ASSERT_EQ(r->headerFields().size(), 2u);
  EXPECT_EQ(r->headerFields()[0].first, "ACCEPT");
  EXPECT_EQ(r->valueForHTTPHeaderField("accept"), String("text/html"));
  EXPECT_EQ(r->valueForHTTPHeaderField("X-TRACE-ID"), String("1, 2"));
  r->setValueForHTTPHeaderField(std::nullopt, "accept");
  EXPECT_FALSE(r->valueForHTTPHeaderField("Accept"));
  r->setAllHTTPHeaderFields(HTTPHeaderList{{"A", "1"}});
  ASSERT_EQ(r->headerFields().size(), 1u);
  EXPECT_EQ(r->allHTTPHeaderFields()->count(), 1u);
}

TEST(URLRequest, CopiesAreIndependent) {
  auto m = MutableURLRequest::requestWithURL(URL::URLWithString("http://a.test/"), URLRequestCachePolicy::ReloadIgnoringLocalCacheData, 15);
  m->setHTTPMethod("POST");
  m->setHTTPBody(Data::create(std::string_view("abc")));
  m->setHTTPShouldHandleCookies(false);
  auto frozen = rt::as<URLRequest>(m->copy());
  ASSERT_TRUE(frozen);
  EXPECT_FALSE(rt::as<MutableURLRequest>(frozen));
  EXPECT_TRUE(frozen->isEqual(m));
  auto again = rt::as<MutableURLRequest>(frozen->mutableCopy());
  ASSERT_TRUE(again);
  again->setHTTPMethod("PUT");
  EXPECT_EQ(frozen->HTTPMethod(), "POST");
  EXPECT_FALSE(frozen->isEqual(again));
  EXPECT_EQ(frozen->timeoutInterval(), 15.0);
  EXPECT_EQ(frozen->cachePolicy(), URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
  EXPECT_FALSE(frozen->HTTPShouldHandleCookies());
  EXPECT_EQ(frozen->HTTPBody()->view(), "abc");
}

TEST(URLRequest, HeaderSyntaxChecks) {
  const std::pair<const char*, bool> values[] = {{"ok value", true}, {"a\r\nInjected: 1", false}, {"a\nb", false}, {"", true}};
  for (auto [v, ok] : values) EXPECT_EQ(isValidHeaderValue(v), ok) << v;
  const std::pair<const char*, bool> names[] = {{"X-Good", true}, {"Bad Name", false}, {"a:b", false}, {"", false}};
  for (auto [n, ok] : names) EXPECT_EQ(isValidHeaderName(n), ok) << n;
}

TEST(HTTPURLResponse, ParsesTypeEncodingAndLength) {
  struct Case {
    HTTPHeaderList headers;
    std::optional<String> mime, encoding;
    int64_t length;
  };
  const Case cases[] = {
      {{{"Content-Type", "text/HTML; charset=\"UTF-8\""}, {"Content-Length", "12"}}, String("text/html"), String("utf-8"), 12},
      {{{"content-type", "image/png"}}, String("image/png"), std::nullopt, -1},
      {{{"Content-Length", "bogus"}}, std::nullopt, std::nullopt, -1},
  };
  for (const auto& c : cases) {
    auto r = HTTPURLResponse::create(URL::URLWithString("http://a.test/p.png"), 200, String("HTTP/1.1"), c.headers);
    EXPECT_EQ(r->MIMEType(), c.mime);
    EXPECT_EQ(r->textEncodingName(), c.encoding);
    EXPECT_EQ(r->expectedContentLength(), c.length);
    EXPECT_EQ(r->suggestedFilename(), "p.png");
  }
  auto r = HTTPURLResponse::create(nullptr, 304, std::nullopt, {{"ETag", "\"a\""}, {"Vary", "A"}, {"vary", "B"}});
  EXPECT_EQ(r->valueForHTTPHeaderField("etag"), String("\"a\""));
  EXPECT_EQ(r->valueForHTTPHeaderField("Vary"), String("A, B"));
  EXPECT_EQ(r->allHeaderFields()->count(), 2u);
}

TEST(HTTPURLResponse, ReasonPhrases) {
  const std::pair<int64_t, const char*> cases[] = {{200, "no error"},         {304, "not modified"},
                                                   {404, "not found"},        {500, "internal server error"},
                                                   {299, "success"},          {418, "client error"},
                                                   {599, "server error"},     {199, "informational"}};
  for (auto [code, text] : cases) EXPECT_EQ(HTTPURLResponse::localizedStringForStatusCode(code), text) << code;
}

TEST(URLError, CarriesFailingURLAndUnderlyingError) {
  auto url = URL::URLWithString("http://a.test/x");
  auto under = Error::create("under", 7);
  auto e = makeURLError(NSURLErrorTimedOut, url, under);
  EXPECT_EQ(e->domain(), NSURLErrorDomain);
  EXPECT_EQ(e->code(), -1001);
  EXPECT_EQ(e->localizedDescription(), "The request timed out.");
  EXPECT_TRUE(e->userInfo()->objectForKey(NSURLErrorFailingURLErrorKey)->isEqual(url));
  EXPECT_TRUE(e->underlyingError()->isEqual(under));
}
