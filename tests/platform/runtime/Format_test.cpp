#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>

#include "platform/runtime/Object.h"
#include "platform/runtime/String.h"

using rt::String;

namespace {

class Named : public rt::Object {
 public:
  String name;
  String description() const override { return "<" + name + ">"; }
};

struct Case {
  String actual;
  const char* expected;
};

void expectAll(std::initializer_list<Case> cases) {
  size_t index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("case ") + std::to_string(index++) + ": " + c.expected);
    EXPECT_EQ(c.actual.utf8(), c.expected);
  }
}

}  // namespace

TEST(Format, IntegersWhateverTheirLengthModifier) {
  expectAll({
      {String::format("%d", 42), "42"},
      {String::format("%ld", -7L), "-7"},
      {String::format("%lld", std::numeric_limits<int64_t>::min()), "-9223372036854775808"},
      {String::format("%llu", std::numeric_limits<uint64_t>::max()), "18446744073709551615"},
      {String::format("%lu", 3000000000UL), "3000000000"},
      {String::format("%zd", size_t{5}), "5"},
      {String::format("%td", ptrdiff_t{-3}), "-3"},
      {String::format("%tu", ptrdiff_t{-1}), "18446744073709551615"},
      {String::format("%02ld", 5L), "05"},
      {String::format("%hhd", 300), "300"},
      {String::format("%d", std::numeric_limits<uint64_t>::max()), "18446744073709551615"},  // unsigned stays unsigned
      {String::format("%u", -1), "4294967295"},       // the bits of a 32-bit int
      {String::format("%x", -1), "ffffffff"},
      {String::format("%x", int64_t{-1}), "ffffffffffffffff"},
      {String::format("%hx", int16_t{-2}), "fffe"},
      {String::format("%02X", 10u), "0A"},
      {String::format("%02x", uint8_t{255}), "ff"},
      {String::format("%08X", 0xBEEFu), "0000BEEF"},
      {String::format("%08x", 48879), "0000beef"},
      {String::format("%02lx", 3UL), "03"},
      {String::format("%#x|%#o|%o", 255u, 8u, 8u), "0xff|010|10"},
      {String::format("%5d|%-5d|%+d|% d|%05d", 42, 42, 5, 5, -42), "   42|42   |+5| 5|-0042"},
      {String::format("%.3d", 7), "007"},
      {String::format("%d", true), "1"},
      {String::format("%d", 2.9), "2"},
  });
}

TEST(Format, FloatingPoint) {
  expectAll({
      {String::format("%f", 1.5), "1.500000"},
      {String::format("%.0f|%.0f|%.0f", 2.5, 3.5, 0.6), "2|4|1"},
      {String::format("%.2f", 3.14159), "3.14"},
      {String::format("%0.2f", 2.0), "2.00"},
      {String::format("%.3f", 2.71828), "2.718"},
      {String::format("%0.1g|%0.1g|%0.1g|%0.1g|%0.1g|%0.1g", 1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f),
       "1|0.9|0.8|0.7|0.6|0.5"},
      {String::format("%g|%g|%g|%g", 0.0001, 1e-5, 100000.0, 1e6), "0.0001|1e-05|100000|1e+06"},
      {String::format(" * %g", 1.5), " * 1.5"},
      {String::format("%e|%E", 12345.678, 12345.678), "1.234568e+04|1.234568E+04"},
      {String::format("%a", 1.0), "0x1p+0"},
      {String::format("%8.3f|%-8.2f|", 3.14159, 2.5), "   3.142|2.50    |"},
      {String::format("%Lf", 0.25L), "0.250000"},
      {String::format("%f", 3), "3.000000"},
      {String::format("%.1f", std::numeric_limits<double>::infinity()), "inf"},
  });
}

TEST(Format, TextObjectsCharactersAndPointers) {
  auto obj = std::make_shared<Named>();
  obj->name = "widget";
  rt::Ref<Named> none;
  const char* nullText = nullptr;
  expectAll({
      {String::format("%@", String("x")), "x"},
      {String::format("%@", obj), "<widget>"},
      {String::format("%@", none), "(null)"},
      {String::format("%@", nullptr), "(null)"},
      {String::format("%s", "abc"), "abc"},
      {String::format("%s", nullText), "(null)"},
      {String::format("%s|%S|%@", String(u"中"), String("s"), u"文"), "中|s|文"},
      {String::format("%@:%@", String("a"), String("b")), "a:b"},
      {String::format("%@[%d]", String("arr"), 3), "arr[3]"},
      {String::format("set%@%@:", String("N"), String("ame")), "setName:"},
      {String::format(u"最后更新：%@", String(u"今天")), "最后更新：今天"},
      {String::format("%d FPS", 60), "60 FPS"},
      {String::format("   %@", String("x")), "   x"},
      {String::format("UIButtonImageOperation%@", 4000000000u), "UIButtonImageOperation4000000000"},
      {String::format("@%@x|@%@x", 2.0, 1.5), "@2x|@1.5x"},
      {String::format("%5@|%-5@|%.2@", String("ab"), String("ab"), String("abc")), "   ab|ab   |ab"},
      {String::format("%3@", String(u"😀")), " 😀"},
      {String::format("%c%c", 'A', u'中'), "A中"},
      {String::format("%C|%c", char16_t{0x4E2D}, char32_t{0x1F600}), "中|😀"},
      {String::format("%3c|%-3c|", 'x', 'y'), "  x|y  |"},
      {String::format("%p", reinterpret_cast<const void*>(uintptr_t{0xdeadbeef})), "0xdeadbeef"},
      {String::format("%p", static_cast<const void*>(nullptr)), "0x0"},
      {String::format("%12p|", reinterpret_cast<const void*>(uintptr_t{0x1234})), "      0x1234|"},
  });
}

TEST(Format, PositionsWidthsFromArgumentsAndOddFormats) {
  expectAll({
      {String::format("%2$@ %1$@", String("a"), String("b")), "b a"},
      {String::format("%1$d-%1$d", 7), "7-7"},
      {String::format("%*d|%-*d|%*d", 5, 42, 4, 7, -4, 7), "   42|7   |7   "},
      {String::format("%.*f", 2, 3.14159), "3.14"},
      {String::format("%*.*f", 8u, 1, 2.25), "     2.2"},
      {String::format("%%|100%%"), "%|100%"},
      {String::format("%d %d", 5), "5 "},
      {String::format("%@"), ""},
      {String::format("abc%"), "abc%"},
      {String::format("%5"), "%5"},
      {String::format("%k|%d", 1), "%k|1"},
      {String::format("no conversions"), "no conversions"},
      {String::format(""), ""},
  });
}
