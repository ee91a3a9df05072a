// A small screen laid out only through the language, drawn headless.
#include "ConstraintFixture.h"
#include "platform/ui/controls/Label.h"
#include "widgets/constraints/Array+LCAdditions.h"

namespace widgets::testing {

TEST_F(ConstraintTest, ASmallScreenDrawsWhereItsDeclarationsSay) {
  root->removeFromSuperview();
  auto screen = rt::make<ui::View>(window->bounds());
  screen->setBackgroundColor(gfx::Color::whiteColor());
  window->addSubview(screen);
  auto colored = [&](Ref<gfx::Color> c) {
    auto v = rt::make<ui::View>(gfx::RectZero);
    v->setBackgroundColor(c);
    screen->addSubview(v);
    return v;
  };
  auto header = colored(gfx::Color::colorWithRed(0.1, 0.3, 0.8, 1));
  auto avatar = colored(gfx::Color::colorWithRed(0.9, 0.2, 0.2, 1));
  auto card = colored(gfx::Color::colorWithWhite(0.9, 1));
  std::vector<Ref<ui::View>> buttons{colored(gfx::Color::colorWithRed(0.2, 0.7, 0.3, 1)),
                                     colored(gfx::Color::colorWithRed(0.2, 0.7, 0.3, 1)),
                                     colored(gfx::Color::colorWithRed(0.2, 0.7, 0.3, 1))};
  auto title = rt::make<ui::Label>(gfx::RectZero);
  title->setText("Kestrel District");
  screen->addSubview(title);

  lc_makeConstraints(*header, [&](LCConstraintMaker& make) {
    make.top.left().right().equalTo(screen);
    make.height.equalTo(fd::box(64));
  });
  lc_makeConstraints(*avatar, [&](LCConstraintMaker& make) {
    make.centerX.equalTo(screen);
    make.top.equalTo(lc_bottom(*header)).offset(24);
    make.size.equalTo(fd::ValueBox::valueWith(gfx::Size{96, 96}));
  });
  lc_makeConstraints(*title, [&](LCConstraintMaker& make) {
    make.centerX.equalTo(avatar);
    make.top.equalTo(lc_bottom(*avatar)).offset(12);
  });
  lc_distributeViewsAlongAxisWithFixedSpacing(buttons, 0, 12, 16, 16);
  lc_makeConstraints(buttons, [&](LCConstraintMaker& make) {
    make.bottom.equalTo(screen).offset(-24);
    make.height.equalTo(fd::box(44));
  });
  lc_makeConstraints(*card, [&](LCConstraintMaker& make) {
    make.left.right().equalTo(screen).insets({0, 16, 0, 16});
    make.top.equalTo(lc_bottom(*title)).offset(16);
    make.bottom.equalTo(lc_top(*buttons[0])).offset(-16);
  });
  screen->layoutIfNeeded();

  expectFrame(header, gfx::RectMake(0, 0, 375, 64), "header");
  expectFrame(avatar, gfx::RectMake(139.5, 88, 96, 96), "avatar");
  double w = (375.0 - 32 - 24) / 3;
  for (size_t i = 0; i < 3; ++i) {
    expectFrame(buttons[i], gfx::RectMake(16 + static_cast<double>(i) * (w + 12), 667 - 24 - 44, w, 44), "button");
  }
  gfx::Rect t = title->frame();
  EXPECT_GT(t.size.width, 40);
  EXPECT_NEAR(gfx::RectGetMidX(t), 187.5, 0.5);
  EXPECT_NEAR(t.origin.y, 196, 0.01);
  expectFrame(card, gfx::RectMake(16, gfx::RectGetMaxY(t) + 16, 343, 667 - 24 - 44 - 16 - (gfx::RectGetMaxY(t) + 16)),
              "card");

  auto shot = shoot("constraint-language-screen");
  ASSERT_TRUE(shot);
  uint32_t white = pixelAt(shot, {5, 80});
  uint32_t blue = pixelAt(shot, {187, 32}), red = pixelAt(shot, {187, 136}), grey = pixelAt(shot, {187, 400});
  EXPECT_NE(blue, white);
  EXPECT_NE(red, white);
  EXPECT_NE(red, blue);
  EXPECT_NE(grey, white);
  for (const auto& b : buttons) {
    gfx::Rect f = b->frame();
    EXPECT_EQ(pixelAt(shot, {gfx::RectGetMidX(f), gfx::RectGetMidY(f)}),
              pixelAt(shot, {gfx::RectGetMidX(buttons[0]->frame()), gfx::RectGetMidY(buttons[0]->frame())}));
    EXPECT_NE(pixelAt(shot, {gfx::RectGetMidX(f), gfx::RectGetMidY(f)}), white);
  }
  // Gaps between the buttons stay white; the title has ink.
  EXPECT_EQ(pixelAt(shot, {16 + w + 6, 667 - 24 - 22}), white);
  EXPECT_GT(inkIn(shot, t, white), 20);
}

}  // namespace widgets::testing
