#include <gtest/gtest.h>

#include <cstdio>

#include "platform/foundation/text/StringEncoding.h"

namespace fd {
namespace {

std::string hex(const Ref<Data>& d) {
  if (!d) return "null";
  std::string out;
  char buf[3];
  for (size_t i = 0; i < d->length(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", d->bytes()[i]);
    out += buf;
  }
  return out;
}

Ref<Data> bytes(std::initializer_list<uint8_t> b) { return Data::create(std::vector<uint8_t>(b)); }

TEST(EncodingTest, Encodes) {
  struct Case {
    String text;
    StringEncoding encoding;
    const char* strict;
    const char* lossy;
  } cases[] = {
      {u"h\u00e9llo", UTF8StringEncoding, "68c3a96c6c6f", "68c3a96c6c6f"},
      {u"h\u00e9llo", ISOLatin1StringEncoding, "68e96c6c6f", "68e96c6c6f"},
      {"hello", ASCIIStringEncoding, "68656c6c6f", "68656c6c6f"},
      {u"caf\u00e9", ASCIIStringEncoding, "null", "63616665"},
      {u"\u4e2d\u6587", ASCIIStringEncoding, "null", "3f3f"},
      {u"\u20ac", ISOLatin1StringEncoding, "null", "3f"},
      {u"\u20ac", WindowsCP1252StringEncoding, "80", "80"},
      {"A", UTF16StringEncoding, "fffe4100", "fffe4100"},
      {"A", UTF16BigEndianStringEncoding, "0041", "0041"},
      {"A", UTF16LittleEndianStringEncoding, "4100", "4100"},
      {u"\U0001F600", UTF32LittleEndianStringEncoding, "00f60100", "00f60100"},
      {u"\U0001F600", UTF32BigEndianStringEncoding, "0001f600", "0001f600"},
      {u"\U0001F600", UTF32StringEncoding, "fffe000000f60100", "fffe000000f60100"},
      {u"\u4e2d\u6587", GBKStringEncoding, "d6d0cec4", "d6d0cec4"},
      {u"\u4e2d\u6587", EUCCNStringEncoding, "d6d0cec4", "d6d0cec4"},
      {u"\u4e2d\u6587", GB18030StringEncoding, "d6d0cec4", "d6d0cec4"},
      {u"\u4e2d\u6587", Big5StringEncoding, "a4a4a4e5", "a4a4a4e5"},
      {u"\u65e5\u672c", ShiftJISStringEncoding, "93fa967b", "93fa967b"},
      {u"\ud55c", EUCKRStringEncoding, "c7d1", "c7d1"},
      {u"a\xd800", UTF8StringEncoding, "null", "613f"},  // a lone surrogate has no UTF-8 form
      {"", UTF8StringEncoding, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex(dataUsingEncoding(c.text, c.encoding)), c.strict) << c.text << " in " << c.encoding;
    EXPECT_EQ(hex(dataUsingEncoding(c.text, c.encoding, true)), c.lossy) << c.text << " in " << c.encoding;
    EXPECT_EQ(canBeConvertedToEncoding(c.text, c.encoding), std::string(c.strict) != "null");
  }
  EXPECT_FALSE(dataUsingEncoding("a", 9999));
}

TEST(EncodingTest, Decodes) {
  struct Case {
    Ref<Data> data;
    StringEncoding encoding;
    std::optional<String> text;
  } cases[] = {
      {bytes({0x68, 0xc3, 0xa9}), UTF8StringEncoding, String(u"h\u00e9")},
      {bytes({0x68, 0xc3}), UTF8StringEncoding, std::nullopt},
      {bytes({0xff, 0xfe}), UTF8StringEncoding, std::nullopt},
      {bytes({0x61, 0x00, 0x62}), UTF8StringEncoding, String(std::u16string_view(u"a\0b", 3))},
      {bytes({0x68, 0xe9}), ISOLatin1StringEncoding, String(u"h\u00e9")},
      {bytes({0x68, 0xe9}), ASCIIStringEncoding, std::nullopt},
      {bytes({0xff, 0xfe, 0x41, 0x00}), UTF16StringEncoding, String("A")},
      {bytes({0xfe, 0xff, 0x00, 0x41}), UTF16StringEncoding, String("A")},
      {bytes({0x00, 0x41}), UTF16StringEncoding, String("A")},
      {bytes({0x41, 0x00, 0x42}), UTF16LittleEndianStringEncoding, std::nullopt},
      {bytes({0x00, 0xd8}), UTF16LittleEndianStringEncoding, std::nullopt},
      {bytes({0x3d, 0xd8, 0x00, 0xde}), UTF16LittleEndianStringEncoding, String(u"\U0001F600")},
      {bytes({0x00, 0xf6, 0x01, 0x00}), UTF32LittleEndianStringEncoding, String(u"\U0001F600")},
      {bytes({0x00, 0x00, 0x11, 0x00}), UTF32LittleEndianStringEncoding, std::nullopt},
      {bytes({0xd6, 0xd0, 0xce, 0xc4}), GBKStringEncoding, String(u"\u4e2d\u6587")},
      {bytes({0xd6, 0xd0, 0xce, 0xc4}), EUCCNStringEncoding, String(u"\u4e2d\u6587")},
      {bytes({0xd6}), GBKStringEncoding, std::nullopt},
      {bytes({0x93, 0xfa, 0x96, 0x7b}), ShiftJISStringEncoding, String(u"\u65e5\u672c")},
      {bytes({}), UTF8StringEncoding, String()},
      {bytes({0x61}), 9999, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(stringWithData(c.data, c.encoding), c.text) << hex(c.data) << " as " << c.encoding;
  }
  EXPECT_EQ(stringWithData(Ref<Data>(), UTF8StringEncoding), std::nullopt);
}

TEST(EncodingTest, LengthOfBytes) {
  struct Case {
    String text;
    StringEncoding encoding;
    size_t length;
  } cases[] = {
      {u"\u4e2d\u6587", UTF8StringEncoding, 6},  {u"\u4e2d\u6587", UTF16StringEncoding, 4},
      {u"\u4e2d\u6587", UTF32StringEncoding, 8}, {u"\u4e2d\u6587", ASCIIStringEncoding, 0},
      {"abc", ASCIIStringEncoding, 3},           {u"\U0001F600", UTF16LittleEndianStringEncoding, 4},
  };
  for (const auto& c : cases) EXPECT_EQ(lengthOfBytesUsingEncoding(c.text, c.encoding), c.length) << c.text;
}

TEST(EncodingTest, CharsetNames) {
  struct Case {
    const char* name;
    StringEncoding encoding;
  } cases[] = {
      {"utf-8", UTF8StringEncoding},          {"UTF-8", UTF8StringEncoding},
      {"utf8", UTF8StringEncoding},           {" utf-8 ", UTF8StringEncoding},
      {"iso-8859-1", ISOLatin1StringEncoding}, {"latin1", ISOLatin1StringEncoding},
      {"ISO_8859-1", ISOLatin1StringEncoding}, {"csISOLatin1", ISOLatin1StringEncoding},
      {"us-ascii", ASCIIStringEncoding},      {"gb2312", EUCCNStringEncoding},
      {"GBK", GBKStringEncoding},             {"gb18030", GB18030StringEncoding},
      {"big5", Big5StringEncoding},           {"Shift_JIS", ShiftJISStringEncoding},
      {"euc-kr", EUCKRStringEncoding},        {"windows-1252", WindowsCP1252StringEncoding},
      {"utf-16le", UTF16LittleEndianStringEncoding},
      {"x-no-such-charset", kInvalidEncoding}, {"", kInvalidEncoding},
  };
  for (const auto& c : cases) EXPECT_EQ(encodingForIANACharsetName(c.name), c.encoding) << c.name;

  EXPECT_EQ(IANACharsetNameForEncoding(UTF8StringEncoding), "utf-8");
  EXPECT_EQ(IANACharsetNameForEncoding(ISOLatin1StringEncoding), "iso-8859-1");
  EXPECT_EQ(IANACharsetNameForEncoding(EUCCNStringEncoding), "gb2312");
  EXPECT_EQ(IANACharsetNameForEncoding(kInvalidEncoding), "");
  // Every encoding's own name leads back to it.
  for (StringEncoding e : {ASCIIStringEncoding, UTF8StringEncoding, ISOLatin1StringEncoding, UTF16StringEncoding,
                           UTF32BigEndianStringEncoding, GBKStringEncoding, Big5HKSCSStringEncoding, KOI8RStringEncoding}) {
    EXPECT_EQ(encodingForIANACharsetName(IANACharsetNameForEncoding(e)), e) << e;
  }
}

TEST(EncodingTest, UTF32Characters) {
  const char32_t good[] = {0x1F600, U'a'};
  auto s = stringWithUTF32Chars(good, 2);
  ASSERT_TRUE(s);
  EXPECT_EQ(*s, String(u"\U0001F600a"));
  EXPECT_EQ(s->length(), 3u);
  const char32_t surrogate[] = {0xD800};
  const char32_t beyond[] = {0x110000};
  EXPECT_FALSE(stringWithUTF32Chars(surrogate, 1));
  EXPECT_FALSE(stringWithUTF32Chars(beyond, 1));
  EXPECT_EQ(stringWithUTF32Chars(good, 0), String());
}

}  // namespace
}  // namespace fd
