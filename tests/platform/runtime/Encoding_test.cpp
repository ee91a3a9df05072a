#include <gtest/gtest.h>

#include "platform/runtime/Encoding.h"
#include "platform/runtime/String.h"
#include "tests/platform/runtime/RuntimeFixtures.h"

TEST(Encoding, FromCppTypes) {
  EXPECT_EQ(rt::encodingOf<bool>(), "B");
  EXPECT_EQ(rt::encodingOf<char>(), "c");
  EXPECT_EQ(rt::encodingOf<unsigned char>(), "C");
  EXPECT_EQ(rt::encodingOf<int16_t>(), "s");
  EXPECT_EQ(rt::encodingOf<uint16_t>(), "S");
  EXPECT_EQ(rt::encodingOf<int32_t>(), "i");
  EXPECT_EQ(rt::encodingOf<uint32_t>(), "I");
  EXPECT_EQ(rt::encodingOf<int64_t>(), "q");
  EXPECT_EQ(rt::encodingOf<uint64_t>(), "Q");
  EXPECT_EQ(rt::encodingOf<float>(), "f");
  EXPECT_EQ(rt::encodingOf<double>(), "d");
  EXPECT_EQ(rt::encodingOf<long double>(), "D");
  EXPECT_EQ(rt::encodingOf<void>(), "v");
  EXPECT_EQ(rt::encodingOf<rt::String>(), "@\"NSString\"");
  EXPECT_EQ(rt::encodingOf<rt::Id>(), "@");
  EXPECT_EQ(rt::encodingOf<rt::Ref<rttest::Widget>>(), "@\"Widget\"");
  EXPECT_EQ(rt::encodingOf<std::function<void(int)>>(), "@?");
  EXPECT_EQ(rt::encodingOf<const rt::Class*>(), "#");
  EXPECT_EQ(rt::encodingOf<rt::Selector>(), ":");
  EXPECT_EQ(rt::encodingOf<const char*>(), "*");
  EXPECT_EQ(rt::encodingOf<void*>(), "^v");
  EXPECT_EQ(rt::encodingOf<rttest::Pair>(), "{Pair=dd}");
}

TEST(Encoding, KindsAndClassNames) {
  using K = rt::EncodingKind;
  struct Case {
    const char* enc;
    K kind;
  };
  for (const Case& c : std::initializer_list<Case>{{"rnq", K::LongLong}, {"@?", K::Block}, {"@\"NSString\"", K::Object},
                                                   {"{CGPoint=dd}", K::Struct}, {"(u=id)", K::Union}, {"[4i]", K::Array},
                                                   {"^{objc_ivar=}", K::Pointer}, {"", K::Unknown}, {"x", K::Unknown}})
    EXPECT_EQ(rt::encodingKind(c.enc), c.kind) << c.enc;
  EXPECT_EQ(rt::encodedClassName("@\"NSArray\""), "NSArray");
  EXPECT_EQ(rt::encodedClassName("@\"NSObject<NSCopying>\""), "NSObject");
  EXPECT_EQ(rt::encodedClassName("@\"<NSCopying>\""), "");
  EXPECT_EQ(rt::encodedClassName("@"), "");
  EXPECT_EQ(rt::encodedClassName("@\"Broken"), "");
}

TEST(Encoding, SizesAndAlignment) {
  struct Case {
    const char* enc;
    size_t size;
    size_t align;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"c", 1, 1}, {"s", 2, 2}, {"i", 4, 4}, {"q", 8, 8}, {"d", 8, 8}, {"@", 8, 8}, {"^v", 8, 8}, {"Vr*", 8, 8},
           {"{CGPoint=dd}", 16, 8}, {"{CGSize=dd}", 16, 8}, {"{UIOffset=dd}", 16, 8}, {"{_NSRange=QQ}", 16, 8},
           {"{CGRect={CGPoint=dd}{CGSize=dd}}", 32, 8}, {"{UIEdgeInsets=dddd}", 32, 8},
           {"{CGAffineTransform=dddddd}", 48, 8}, {"{CATransform3D=dddddddddddddddd}", 128, 8},
           {"{mixed=cid}", 16, 8}, {"[4i]", 16, 4}, {"(u=cq)", 8, 8}, {"^{objc_method=}", 8, 8}}) {
    size_t size = 0, align = 0;
    ASSERT_TRUE(rt::sizeAndAlignment(c.enc, &size, &align)) << c.enc;
    EXPECT_EQ(size, c.size) << c.enc;
    EXPECT_EQ(align, c.align) << c.enc;
  }
  size_t size = 0;
  for (const char* bad : {"", "{broken=dd", "[i]", "[4", "x", "@\"unterminated"})
    EXPECT_FALSE(rt::sizeAndAlignment(bad, &size, nullptr)) << bad;
  EXPECT_FALSE(rt::sizeAndAlignment("[40d]", &size, nullptr, 256)) << "320 bytes is over the limit";
  EXPECT_EQ(rt::encodingLength("{CGPoint=dd}q"), 12u);
  EXPECT_EQ(rt::encodingLength("@\"NSString\"16"), 11u);
}
