// Name and text helpers, under their current and older names.
#include <gtest/gtest.h>

#include "net/mapping/NSString+KMExtension.h"
#include "net/mapping/NSString+KMExtensionDeprecatedLegacy.h"

using namespace net;
using fd::String;

TEST(StringHelpers, NameConversions) {
  struct Case {
    fd::String (*fn)(const String&);
    fd::String (*legacy)(const String&);
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {km_underlineFromCamel, underlineFromCamel, "userName", "user_name"},
      {km_underlineFromCamel, underlineFromCamel, "URL", "_u_r_l"},
      {km_underlineFromCamel, underlineFromCamel, "name", "name"},
      {km_underlineFromCamel, underlineFromCamel, "", ""},
      {km_camelFromUnderline, camelFromUnderline, "user_name", "userName"},
      {km_camelFromUnderline, camelFromUnderline, "_id", "Id"},
      {km_camelFromUnderline, camelFromUnderline, "a__b", "aB"},
      {km_camelFromUnderline, camelFromUnderline, "name_", "name"},
      {km_camelFromUnderline, camelFromUnderline, "", ""},
      {km_firstCharUpper, firstCharUpper, "name", "Name"},
      {km_firstCharUpper, firstCharUpper, "n", "N"},
      {km_firstCharLower, firstCharLower, "Name", "name"},
      {km_firstCharLower, firstCharLower, "N", "n"},
      {km_firstCharLower, firstCharLower, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(c.fn(c.in), c.out);
    EXPECT_EQ(c.legacy(c.in), c.out);
  }
}

TEST(StringHelpers, PureIntegers) {
  const std::pair<const char*, bool> cases[] = {{"42", true}, {"-7", true}, {" 42 ", true}, {"4.2", false},
                                                {"abc", false}, {"42abc", false}, {"", false}};
  for (auto [text, expected] : cases) {
    EXPECT_EQ(km_isPureInt(text), expected) << text;
    EXPECT_EQ(isPureInt(text), expected) << text;
  }
}

TEST(StringHelpers, URLsAreEscapedOnce) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://example.com/a b", "http://example.com/a%20b"},
      {"http://example.com/新闻?q=中", "http://example.com/%E6%96%B0%E9%97%BB?q=%E4%B8%AD"},
      {"http://example.com/a%20b", "http://example.com/a%20b"},
      {"http://example.com/{x}|\"y\"", "http://example.com/%7Bx%7D%7C%22y%22"},
      {"http://example.com/p?a=1&b=(2)*~#frag", "http://example.com/p?a=1&b=(2)*~#frag"},
  };
  for (auto [in, out] : cases) {
    SCOPED_TRACE(in);
    auto u = km_url(in);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->absoluteString(), out);
    EXPECT_TRUE(u->isEqual(url(in)));
  }
  EXPECT_EQ(km_url(""), nullptr);
}
