#include <gtest/gtest.h>

#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/text/StringsFile.h"

namespace fd {
namespace {

TEST(StringsFileTest, Parses) {
  struct Case {
    String text;
    StringsTable table;
  } cases[] = {
      {"\"a\" = \"b\";", {{"a", "b"}}},
      {"/* c */ \"a\" = \"b\"; // trailing\n\"c\"=\"d\";", {{"a", "b"}, {"c", "d"}}},
      {"\"k\" = \"line\\nnext \\\"q\\\" back\\\\slash \\U4E2D \\101 \\t\";",
       {{"k", String(u"line\nnext \"q\" back\\slash \u4e2d A \t")}}},
      {"key = value;\na.b-c = x/y:z;", {{"key", "value"}, {"a.b-c", "x/y:z"}}},
      {"\"only\";", {{"only", "only"}}},
      {"\"a\" = \"1\"; \"a\" = \"2\";", {{"a", "2"}}},
      {"", {}},
      {"  // nothing but a comment\n", {}},
      {String(u"\"\u4e2d\" = \"\U0001F600\";"), {{String(u"\u4e2d"), String(u"\U0001F600")}}},
  };
  for (const auto& c : cases) {
    String error;
    auto t = parseStringsText(c.text, &error);
    ASSERT_TRUE(t) << c.text << ": " << error;
    EXPECT_EQ(*t, c.table) << c.text;
  }
}

TEST(StringsFileTest, ReportsSyntaxErrors) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"\"a\" = \"b\"", "expected \";\" after a value on line 1"},
      {"\"a\" = \"b\";\n\"c\" = \"d", "unterminated quoted string on line 2"},
      {"/* open", "unterminated comment on line 1"},
      {"\"a\" \"b\";", "expected \"=\" or \";\" after a key on line 1"},
      {"\n\n= \"b\";", "unexpected character on line 3"},
      {"\"a\" = ;", "unexpected character on line 1"},
      {"\"a\" =", "unexpected end of text on line 1"},
  };
  for (const auto& c : cases) {
    String error;
    EXPECT_FALSE(parseStringsText(c.text, &error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

TEST(StringsFileTest, DecodesFiles) {
  const std::string utf8 = "\"a\" = \"\xe4\xb8\xad\";";
  const std::string withBOM = "\xef\xbb\xbf" + utf8;
  static const char le[] = "\xff\xfe\"\0a\0\"\0=\0\"\0-N\"\0;\0";
  static const char be[] = "\xfe\xff\0\"\0a\0\"\0=\0\"N-\0\"\0;";
  const std::string utf16le(le, sizeof le - 1), utf16be(be, sizeof be - 1);
  for (const std::string& bytes : {utf8, withBOM, utf16le, utf16be}) {
    auto t = parseStringsFile(bytes.data(), bytes.size());
    ASSERT_TRUE(t);
    EXPECT_EQ(*t, (StringsTable{{"a", String(u"\u4e2d")}}));
  }
  String error;
  EXPECT_FALSE(parseStringsFile("\xff\xff", 2, &error));
  EXPECT_FALSE(error.isEmpty());

  auto dict = dictionaryWithStringsFileData(Data::create(std::string_view(utf8)));
  ASSERT_TRUE(dict);
  EXPECT_EQ(stringValue(dict->objectForKey("a")), String(u"\u4e2d"));
  Ref<Error> err;
  EXPECT_FALSE(dictionaryWithStringsFileData(Data::create(std::string_view("\"a\" = ")), &err));
  ASSERT_TRUE(err);
  EXPECT_EQ(err->code(), 3840);
}

}  // namespace
}  // namespace fd
