#include <gtest/gtest.h>

#include "platform/runtime/CharacterSet.h"
#include "platform/runtime/String.h"

using rt::CharacterSet;
using rt::String;

TEST(StringPercent, Encoding) {
  struct Case {
    const char16_t* s;
    const CharacterSet& allowed;
    const char* expected;
  } cases[] = {
      {u"a b", CharacterSet::URLQueryAllowedCharacterSet(), "a%20b"},
      {u"é", CharacterSet::URLQueryAllowedCharacterSet(), "%C3%A9"},
      {u"中", CharacterSet::URLQueryAllowedCharacterSet(), "%E4%B8%AD"},
      {u"😀", CharacterSet::URLQueryAllowedCharacterSet(), "%F0%9F%98%80"},
      {u"a/b?c=d&e", CharacterSet::URLQueryAllowedCharacterSet(), "a/b?c=d&e"},
      {u"a/b?c", CharacterSet::URLPathAllowedCharacterSet(), "a/b%3Fc"},
      {u"a;b", CharacterSet::URLPathAllowedCharacterSet(), "a%3Bb"},
      {u"[::1]", CharacterSet::URLHostAllowedCharacterSet(), "[::1]"},
      {u"100%", CharacterSet::URLQueryAllowedCharacterSet(), "100%25"},
      {u"\xD800", CharacterSet::URLQueryAllowedCharacterSet(), "%EF%BF%BD"},
      {u"", CharacterSet::URLQueryAllowedCharacterSet(), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(String(c.s).stringByAddingPercentEncodingWithAllowedCharacters(c.allowed).utf8(), c.expected);
  }
  CharacterSet withEmoji = CharacterSet::characterSetWithCharactersInString(u"😀");
  EXPECT_EQ(String(u"😀 ").stringByAddingPercentEncodingWithAllowedCharacters(withEmoji), String(u"😀%20"));
}

TEST(StringPercent, RoundTrips) {
  const CharacterSet nothing;
  for (const char16_t* s : {u"plain", u"a b&c=d", u"中文 😀 é", u"%25 literal", u"+plus+", u""}) {
    String original(s);
    SCOPED_TRACE(original.utf8());
    for (const CharacterSet* set : {&nothing, &CharacterSet::URLQueryAllowedCharacterSet()}) {
      auto back = original.stringByAddingPercentEncodingWithAllowedCharacters(*set).stringByRemovingPercentEncoding();
      ASSERT_TRUE(back.has_value());
      EXPECT_EQ(*back, original);
    }
  }
}

TEST(StringPercent, Decoding) {
  struct Case {
    const char16_t* s;
    const char16_t* expected;  // null: not decodable
  } cases[] = {
      {u"a%20b", u"a b"},
      {u"%E4%B8%AD", u"中"},
      {u"%c3%a9", u"é"},
      {u"a+b", u"a+b"},
      {u"%F0%9F%98%80x", u"😀x"},
      {u"%25", u"%"},
      {u"中%20", u"中 "},
      {u"%zz", nullptr},
      {u"%4", nullptr},
      {u"%", nullptr},
      {u"ab%", nullptr},
      {u"%FF", nullptr},     // not UTF-8
      {u"%C3", nullptr},     // truncated sequence
      {u"%ED%A0%80", nullptr},  // encoded surrogate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(String(c.s).utf8());
    auto decoded = String(c.s).stringByRemovingPercentEncoding();
    if (c.expected) {
      ASSERT_TRUE(decoded.has_value());
      EXPECT_EQ(*decoded, String(c.expected));
    } else {
      EXPECT_FALSE(decoded.has_value());
    }
  }
}
