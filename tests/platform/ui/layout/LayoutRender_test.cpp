// A small screen laid out only by constraints, rendered headless: pictures, texts and buttons
// land where the solve put them.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layout/LayoutConstraint.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"

// A namespace of its own: test programs compile several files as one.
namespace layout_render_test {

using namespace ui;
namespace fs = std::filesystem;

namespace {

Ref<gfx::Image> swatch(const Ref<gfx::Color>& color) {
  auto ctx = gfx::Context::createForImage({40, 40}, false, 1);
  ctx->setFillColor(color);
  ctx->fillRect({{0, 0}, {40, 40}});
  return gfx::Image::imageWithCGImage(ctx->makeImage(), 1);
}

void pin(const rt::Id& a, LayoutAttribute aa, const rt::Id& b, LayoutAttribute ba, double c = 0) {
  LayoutConstraint::constraintWithItem(a, aa, LayoutRelationEqual, b, ba, 1, c)->setActive(true);
}

int channel(uint32_t p, int shift) { return (p >> shift) & 0xff; }

}  // namespace

TEST(LayoutRender, RowsLaidOutByConstraintsDrawWhereTheSolvePutThem) {
  fd::RunLoopDriver::useVirtualClock();
  auto window = rt::make<Window>(Screen::mainScreen()->bounds());
  window->setBackgroundColor(gfx::Color::whiteColor());
  window->makeKeyAndVisible();
  struct Row {
    Ref<View> row;
    Ref<ImageView> image;
    Ref<Label> label;
    Ref<Button> button;
  };
  std::vector<Row> rows;
  Ref<View> previous;
  const Ref<gfx::Color> colors[] = {gfx::Color::redColor(), gfx::Color::blueColor(), gfx::Color::greenColor()};
  for (int i = 0; i < 3; ++i) {
    Row r{rt::make<View>(), rt::make<ImageView>(swatch(colors[i])), rt::make<Label>(),
          Button::buttonWithType(ButtonType::System)};
    r.label->setText(i == 1 ? "本区新闻 District news" : "Kestrel District");
    r.button->setTitle("Read", ControlStateNormal);
    window->addSubview(r.row);
    for (Ref<View> v : {Ref<View>(r.image), Ref<View>(r.label), Ref<View>(r.button)}) r.row->addSubview(v);
    for (Ref<View> v : {r.row, Ref<View>(r.image), Ref<View>(r.label), Ref<View>(r.button)})
      v->setTranslatesAutoresizingMaskIntoConstraints(false);
    pin(r.row, LayoutAttributeLeading, window, LayoutAttributeLeading);
    pin(r.row, LayoutAttributeTrailing, window, LayoutAttributeTrailing);
    pin(r.row, LayoutAttributeTop, previous ? previous : Ref<View>(window),
        previous ? LayoutAttributeBottom : LayoutAttributeTop, previous ? 0 : 20);
    LayoutConstraint::constraintWithItem(r.row, LayoutAttributeHeight, LayoutRelationEqual, nullptr,
                                         LayoutAttributeNotAnAttribute, 1, 60)
        ->setActive(true);
    pin(r.image, LayoutAttributeLeft, r.row, LayoutAttributeLeftMargin);
    pin(r.image, LayoutAttributeCenterY, r.row, LayoutAttributeCenterY);
    pin(r.label, LayoutAttributeLeft, r.image, LayoutAttributeRight, 10);
    pin(r.label, LayoutAttributeCenterY, r.row, LayoutAttributeCenterY);
    pin(r.button, LayoutAttributeRight, r.row, LayoutAttributeRightMargin);
    pin(r.button, LayoutAttributeBaseline, r.label, LayoutAttributeBaseline);
    rows.push_back(r);
    previous = r.row;
  }

  fs::path dir = fs::temp_directory_path() / ("layout_render_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path file = dir / "constraint-rows.png";
  HeadlessHost host(Screen::mainScreen());
  host.setWindowSource([&] { return std::vector<Ref<Window>>{window}; });
  std::string error;
  ASSERT_TRUE(host.shoot(file.string(), &error)) << error;
  if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
    fs::create_directories(artifacts);
    fs::copy_file(file, fs::path(artifacts) / file.filename(), fs::copy_options::overwrite_existing);
  }
  auto image = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
  ASSERT_TRUE(image && image->CGImage());
  auto px = [&](double x, double y) {
    double s = Screen::mainScreen()->scale();
    return image->CGImage()->pixel(size_t(x * s), size_t(y * s));
  };

  for (int i = 0; i < 3; ++i) {
    const Row& r = rows[i];
    EXPECT_EQ(r.row->frame(), gfx::RectMake(0, 20 + 60 * i, 375, 60));
    EXPECT_EQ(r.image->frame(), gfx::RectMake(8, 10, 40, 40));
    gfx::Rect label = r.label->frame();
    EXPECT_EQ(label.origin.x, 58);
    EXPECT_EQ(label.size, r.label->intrinsicContentSize());
    gfx::Rect button = r.button->frame();
    EXPECT_EQ(gfx::RectGetMaxX(button), 375 - 8);
    // The picture's colour at its centre on screen.
    uint32_t c = px(28, 20 + 60 * i + 30);
    const int expected[3][3] = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
    EXPECT_NEAR(channel(c, 16), expected[i][0], 40) << i;
    EXPECT_NEAR(channel(c, 8), expected[i][1], 130) << i;  // the platform's green may be darker
    EXPECT_NEAR(channel(c, 0), expected[i][2], 40) << i;
    // Dark ink somewhere inside the label's frame, none in the gap before the button.
    bool ink = false;
    for (double x = label.origin.x; x < gfx::RectGetMaxX(label); x += 0.5)
      for (double y = label.origin.y; y < gfx::RectGetMaxY(label); y += 0.5)
        ink = ink || channel(px(x, 20 + 60 * i + y), 16) < 100;
    EXPECT_TRUE(ink) << i;
  }
  // Baselines line up: the lowest ink of "Kestrel District" and of "Read" (no descenders in
  // either) is on the same pixel row, give or take one.
  auto lowestInk = [&](gfx::Rect r) {
    double lowest = -1;
    for (double y = r.origin.y; y < gfx::RectGetMaxY(r); y += 0.5)
      for (double x = r.origin.x; x < gfx::RectGetMaxX(r); x += 0.5)
        if (channel(px(x, 20 + y), 16) < 100) lowest = y;
    return lowest;
  };
  double labelBase = lowestInk(rows[0].label->frame()), buttonBase = lowestInk(rows[0].button->frame());
  EXPECT_GT(labelBase, 0);
  EXPECT_NEAR(labelBase, buttonBase, 1.0);
  window->setHidden(true);
  fd::RunLoopDriver::reset();
}

}  // namespace layout_render_test
