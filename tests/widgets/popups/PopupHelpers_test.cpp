// Popup items and the drawing helpers: hex colours, stretchable colour images, the standard
// button and truncation at composed-character boundaries.
#include <gtest/gtest.h>

#include "platform/graphics/ImageContext.h"
#include "widgets/popups/Button+QPPopup.h"
#include "widgets/popups/Color+QPPopup.h"
#include "widgets/popups/Image+QPPopup.h"
#include "widgets/popups/QPPopupItem.h"
#include "widgets/popups/String+QPPopup.h"

namespace widgets::testing {

TEST(PopupHelpersTest, HexColoursUnpackRGBAAndIgnoreHighBits) {
  struct Case { uint64_t hex; double r, g, b, a; };
  for (const Case& c : {Case{0xE76153FF, 231, 97, 83, 255}, Case{0x7F, 0, 0, 0, 127}, Case{0, 0, 0, 0, 0},
                        Case{0xAB'11223344ULL, 0x11, 0x22, 0x33, 0x44}}) {
    auto color = qp_colorWithHex(c.hex);
    double r, g, b, a;
    ASSERT_TRUE(color->getRed(&r, &g, &b, &a)) << std::hex << c.hex;
    EXPECT_DOUBLE_EQ(r, c.r / 255) << std::hex << c.hex;
    EXPECT_DOUBLE_EQ(g, c.g / 255) << std::hex << c.hex;
    EXPECT_DOUBLE_EQ(b, c.b / 255) << std::hex << c.hex;
    EXPECT_DOUBLE_EQ(a, c.a / 255) << std::hex << c.hex;
  }
}

TEST(PopupHelpersTest, ColourImagesAreFilledAndStretchFromTheMiddle) {
  auto image = qp_imageWithColor(qp_colorWithHex(0xE76153FF));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), (gfx::Size{4, 4}));
  EXPECT_EQ(image->capInsets(), (gfx::EdgeInsets{1.5, 1.5, 1.5, 1.5}));
  auto filled = qp_imageWithColor(qp_colorWithHex(0x00FF00FF), {6, 4});
  EXPECT_EQ(filled->capInsets(), (gfx::EdgeInsets{1.5, 2.5, 1.5, 2.5}));
  ASSERT_TRUE(filled->CGImage());
  for (size_t x : {0u, 5u})
    for (size_t y : {0u, 3u}) EXPECT_EQ(filled->CGImage()->pixel(x, y), 0xFF00FF00u) << x << "," << y;
  auto one = qp_imageWithColor(qp_colorWithHex(0xFFFFFFFF), {1, 1});
  EXPECT_EQ(one->capInsets(), (gfx::EdgeInsets{0, 0, 0, 0}));
}

TEST(PopupHelpersTest, StandardButtonRunsItsActionOnTouchUpInside) {
  auto target = rt::make<QPPopupItem>();
  int taps = 0;
  auto button = qp_buttonWithTarget(target, [&](ui::Control&, ui::Event*) { ++taps; });
  EXPECT_EQ(button->buttonType(), ui::ButtonType::Custom);
  EXPECT_TRUE(button->isExclusiveTouch());
  button->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  button->sendActionsForControlEvents(ui::ControlEventTouchDown);
  EXPECT_EQ(taps, 1);
}

TEST(PopupHelpersTest, TruncationKeepsWholeComposedCharacters) {
  const rt::String emoji = rt::String(u"ab\U0001F600");  // two letters, then two units
  const rt::String flagged = rt::String(u"e\u0301xyz");  // e + combining acute, then letters
  struct Case { rt::String text; size_t limit; rt::String expected; };
  for (const Case& c : {Case{emoji, 3, u"ab"}, Case{emoji, 4, emoji}, Case{emoji, 100, emoji},
                        Case{emoji, 0, u""}, Case{flagged, 1, u""}, Case{flagged, 2, u"e\u0301"},
                        Case{u"abcdefgh", 5, u"abcde"}, Case{u"", 3, u""}}) {
    EXPECT_EQ(qp_truncateByCharLength(c.text, c.limit), c.expected) << c.limit;
  }
}

}  // namespace widgets::testing
