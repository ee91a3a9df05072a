// Data and mutable data: bytes, Base64, ranges, descriptions, copies.
#include <gtest/gtest.h>

#include "platform/foundation/values/Data.h"

using namespace fd;

namespace {
Ref<Data> bytesOf(std::string_view s) { return Data::create(s); }
}  // namespace

TEST(ValuesData, Base64RoundTrips) {
  struct Case {
    const char* plain;
    const char* encoded;
  };
  const Case cases[] = {
      {"", ""},       {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plain);
    EXPECT_EQ(bytesOf(c.plain)->base64EncodedString(), c.encoded);
    auto back = Data::fromBase64(c.encoded);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->view(), c.plain);
  }
  std::vector<uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
  auto d = Data::create(all);
  String b64 = d->base64EncodedString();
  EXPECT_FALSE(b64.contains("\n"));
  EXPECT_TRUE(b64.contains("+"));
  EXPECT_TRUE(b64.contains("/"));
  EXPECT_TRUE(Data::fromBase64(b64)->isEqual(d));
}

TEST(ValuesData, Base64IgnoresWhiteSpaceAndRefusesBadInput) {
  EXPECT_EQ(Data::fromBase64("Zm9v\r\nYmFy")->view(), "foobar");
  EXPECT_EQ(Data::fromBase64(" Zm8 = ")->view(), "fo");
  for (const char* bad : {"Zm9v*", "Z", "Zm9vY", "Zg==Zg==", "Zg===", "Zm9v-_", "Zg=a"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(Data::fromBase64(bad), nullptr);
  }
}

TEST(ValuesData, RangesAndSearch) {
  auto d = bytesOf("hello world");
  EXPECT_EQ(d->subdataWithRange(Range{6, 5})->view(), "world");
  EXPECT_EQ(d->subdataWithRange(Range{11, 0})->length(), 0u);
  EXPECT_THROW(d->subdataWithRange(Range{6, 6}), rt::Exception);
  EXPECT_EQ(d->rangeOfData(*bytesOf("o")), (Range{4, 1}));
  EXPECT_EQ(d->rangeOfData(*bytesOf("o"), true), (Range{7, 1}));
  EXPECT_FALSE(d->rangeOfData(*bytesOf("xyz")).found());
  char buf[5];
  d->getBytes(buf, Range{0, 5});
  EXPECT_EQ(std::string_view(buf, 5), "hello");
  try {
    d->subdataWithRange(Range{20, 1});
    FAIL() << "expected a range exception";
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.name(), rt::RangeException);
  }
}

TEST(ValuesData, Descriptions) {
  EXPECT_EQ(bytesOf("hello")->description(), "{length = 5, bytes = 0x68656c6c6f}");
  EXPECT_EQ(Data::create()->description(), "{length = 0, bytes = 0x}");
  std::vector<uint8_t> v(40);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(Data::create(v)->description(),
            "{length = 40, bytes = 0x00010203 04050607 08090a0b 0c0d0e0f ... 20212223 24252627 }");
}

TEST(ValuesData, EqualityHashAndCopies) {
  auto a = bytesOf("abc");
  auto m = MutableData::create(a->bytes(), a->length());
  EXPECT_TRUE(a->isEqual(m));
  EXPECT_TRUE(m->isEqual(a));
  EXPECT_EQ(a->hash(), m->hash());
  EXPECT_FALSE(a->isEqual(bytesOf("abd")));
  EXPECT_EQ(a->copy().get(), a.get());

  Id frozen = m->copy();
  EXPECT_NE(frozen.get(), m.get());
  EXPECT_TRUE(frozen->isMemberOfClass(Data::classObject()));
  m->appendBytes("d", 1);
  EXPECT_EQ(rt::as<Data>(frozen)->view(), "abc");

  Id thawed = a->mutableCopy();
  EXPECT_TRUE(thawed->isKindOfClass(MutableData::classObject()));
  EXPECT_FALSE(a->isKindOfClass(MutableData::classObject()));
  EXPECT_TRUE(m->isKindOfClass(Data::classObject()));
}

TEST(ValuesData, MutableEditing) {
  auto m = MutableData::dataWithCapacity(64);
  EXPECT_EQ(m->length(), 0u);
  EXPECT_GE(m->storage().capacity(), 64u);
  m->appendBytes("abc", 3);
  m->appendData(bytesOf("def"));
  m->appendData(*m);  // appending itself doubles it
  EXPECT_EQ(m->view(), "abcdefabcdef");
  m->setLength(3);
  m->setLength(5);
  EXPECT_EQ(m->view(), std::string_view("abc\0\0", 5));
  m->replaceBytesInRange(Range{1, 2}, "XYZW", 4);
  EXPECT_EQ(m->view(), std::string_view("aXYZW\0\0", 7));
  m->replaceBytesInRange(Range{6, 3}, "123");  // grows past the end
  EXPECT_EQ(m->view(), std::string_view("aXYZW\0" "123", 9));
  m->resetBytesInRange(Range{0, 2});
  EXPECT_EQ(m->view(), std::string_view("\0\0YZW\0" "123", 9));
  EXPECT_THROW(m->replaceBytesInRange(Range{10, 1}, "x", 1), rt::Exception);
  m->mutableBytes()[0] = 'Q';
  EXPECT_EQ(m->bytes()[0], 'Q');
  EXPECT_EQ(MutableData::dataWithLength(4)->view(), std::string_view("\0\0\0\0", 4));

  std::vector<uint8_t> big(1 << 16, 7);
  const uint8_t* where = big.data();
  auto handed = Data::create(std::move(big));
  EXPECT_EQ(handed->bytes(), where);  // the vector was taken over, not copied
}
