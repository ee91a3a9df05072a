// Labels drawn as a screen shows them: truncated text, vertical text, ruby, text around an
// exclusion path and a highlight under a finger. Each picture is checked for where the ink
// falls and written out for a look when KD_ARTIFACT_DIR is set.
#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "tests/textview/label/LabelSupport.h"
#include "text/model/DRTextPosition.h"
#include "text/model/DRTextRubyAnnotation.h"
#include "text/model/MutableAttributedString+DRText.h"

using namespace textview;
using label_test::cjk;
using label_test::latin;
using label_test::styled;

namespace {

namespace fs = std::filesystem;

const rt::String kStory =
    "The district news is updated every day, with pictures and video from local reporters on the ground. Readers "
    "switch between channels, keep the articles they like, and share them with friends.";

class DRLabelPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<ui::Window>(gfx::RectMake(0, 0, 375, 667));
    window->setBackgroundColor(gfx::Color::whiteColor());
    window->makeKeyAndVisible();
  }
  void TearDown() override {
    window = nullptr;
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }

  Ref<DRLabel> add(gfx::Rect frame) {
    auto label = rt::make<DRLabel>(frame);
    // A faint frame shows the label's bounds in the picture.
    label->layer()->setBorderWidth(0.5);
    label->layer()->setBorderColor(gfx::Color::colorWithRed(0.6, 0.75, 1, 1));
    window->addSubview(label);
    return label;
  }

  // Renders the window, writes it out as `name`, and answers the picture.
  Ref<gfx::BitmapImage> shoot(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("label_picture_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::path file = dir / name;
    ui::HeadlessHost host(ui::Screen::mainScreen());
    host.setWindowSource([&] { return std::vector<Ref<ui::Window>>{window}; });
    std::string error;
    EXPECT_TRUE(host.shoot(file.string(), &error)) << error;
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      fs::copy_file(file, fs::path(artifacts) / file.filename(), fs::copy_options::overwrite_existing);
    }
    auto image = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
    fs::remove_all(dir);
    return image ? rt::as<gfx::BitmapImage>(image->CGImage()) : nullptr;
  }

  size_t ink(const gfx::BitmapImage& picture, gfx::Rect rect) {
    return label_test::inkIn(picture, rect, ui::Screen::mainScreen()->scale());
  }

  Ref<ui::Window> window;
};

}  // namespace

TEST_F(DRLabelPictureTest, Truncation) {
  struct Row {
    typeset::LineBreakMode mode;
    uint64_t lines;
  };
  const Row rows[] = {{typeset::LineBreakMode::ByTruncatingTail, 2},
                      {typeset::LineBreakMode::ByTruncatingMiddle, 2},
                      {typeset::LineBreakMode::ByTruncatingHead, 1},
                      {typeset::LineBreakMode::ByCharWrapping, 3}};
  std::vector<Ref<DRLabel>> labels;
  double y = 20;
  for (const Row& r : rows) {
    auto label = add(gfx::RectMake(20, y, 300, 70));
    label->setFont(latin(15));
    label->setNumberOfLines(r.lines);
    label->setLineBreakMode(r.mode);
    label->setText(kStory);
    labels.push_back(label);
    y += 90;
  }
  auto picture = shoot("label_truncation.png");
  ASSERT_TRUE(picture);
  for (size_t i = 0; i < labels.size(); ++i) {
    SCOPED_TRACE(i);
    auto layout = labels[i]->textLayout();
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->rowCount(), rows[i].lines);
    // Truncating modes end in a truncated line; wrapping by character clips at the row limit.
    EXPECT_EQ(layout->truncatedLine() != nullptr, rows[i].mode != typeset::LineBreakMode::ByCharWrapping);
    gfx::Rect frame = labels[i]->frame();
    EXPECT_GT(ink(*picture, frame), 300u);
    // Centred vertically: nothing in the top band of a label whose text is shorter than it.
    const double free = frame.size.height - layout->textBoundingSize().height;
    if (free > 8) {
      EXPECT_EQ(ink(*picture, gfx::RectMake(frame.origin.x + 1, frame.origin.y + 1, 298, free / 2 - 2)), 0u);
    }
  }
}

TEST_F(DRLabelPictureTest, VerticalText) {
  auto label = add(gfx::RectMake(100, 40, 160, 300));
  label->setVerticalForm(true);
  label->setNumberOfLines(0);
  label->setTextVerticalAlignment(DRTextVerticalAlignmentTop);
  label->setAttributedText(styled("区里的新闻每天更新。读者可以在频道之间切换，也可以收藏文章。晚上还有天气和交通的消息。", cjk(20)));
  auto picture = shoot("label_vertical.png");
  ASSERT_TRUE(picture);
  auto layout = label->textLayout();
  ASSERT_TRUE(layout);
  EXPECT_GT(layout->rowCount(), 1u);
  // Columns start at the right edge; with top alignment the text hugs it.
  EXPECT_GT(ink(*picture, gfx::RectMake(230, 40, 30, 300)), 500u);
  const double width = layout->textBoundingSize().width;
  EXPECT_EQ(ink(*picture, gfx::RectMake(101, 41, 160 - width - 4, 298)), 0u);
}

TEST_F(DRLabelPictureTest, Ruby) {
  auto label = add(gfx::RectMake(20, 40, 335, 80));
  auto s = styled("東京で会いましょう。", cjk(24));
  auto ruby = rt::make<text::DRTextRubyAnnotation>();
  ruby->setTextBefore("とうきょう");
  text::setTextRubyAnnotation(*s, ruby, {0, 2});
  label->setAttributedText(s);
  auto picture = shoot("label_ruby.png");
  ASSERT_TRUE(picture);
  auto layout = label->textLayout();
  ASSERT_TRUE(layout);
  // The reading sits above the base characters: ink above the first characters' line top.
  gfx::Rect base = label->convertRectFromLayout(layout->rectForRange(text::DRTextRange::rangeWithRange({0, 2})));
  gfx::Rect frame = label->frame();
  const double baseTop = frame.origin.y + base.origin.y;
  EXPECT_GT(ink(*picture, gfx::RectMake(frame.origin.x + base.origin.x, baseTop - 14, base.size.width, 12)) +
                ink(*picture, gfx::RectMake(frame.origin.x + base.origin.x, baseTop, base.size.width, 10)),
            20u);
  EXPECT_GT(ink(*picture, frame), 500u);
}

TEST_F(DRLabelPictureTest, ExclusionPath) {
  auto label = add(gfx::RectMake(20, 40, 335, 260));
  label->setFont(latin(14));
  label->setNumberOfLines(0);
  label->setTextVerticalAlignment(DRTextVerticalAlignmentTop);
  const gfx::Rect hole = gfx::RectMake(110, 40, 110, 110);
  label->setExclusionPaths({gfx::BezierPath::bezierPathWithOvalInRect(hole)});
  label->setText(kStory + " " + kStory + " " + kStory);
  auto picture = shoot("label_exclusion.png");
  ASSERT_TRUE(picture);
  // Text flows on both sides of the hole and leaves it empty.
  const gfx::Rect inner = gfx::RectMake(20 + hole.origin.x + 25, 40 + hole.origin.y + 25, 60, 60);
  EXPECT_EQ(ink(*picture, inner), 0u);
  EXPECT_GT(ink(*picture, gfx::RectMake(20, 40 + hole.origin.y, hole.origin.x, hole.size.height)), 300u);
  EXPECT_GT(ink(*picture, gfx::RectMake(20 + hole.origin.x + hole.size.width, 40 + hole.origin.y, 100, 110)), 300u);
}

TEST_F(DRLabelPictureTest, TappedHighlight) {
  auto label = add(gfx::RectMake(20, 40, 335, 60));
  auto s = styled("Read the highlighted words here", latin(20));
  auto highlight = text::DRTextHighlight::highlightWithAttributes(nullptr);
  highlight->setColor(gfx::Color::whiteColor());
  auto border = text::DRTextBorder::borderWithFillColor(gfx::Color::colorWithRed(0.1, 0.4, 0.9, 1), 4);
  highlight->setBackgroundBorder(border);
  const rt::Range range{9, 17};
  text::setTextHighlight(*s, highlight, range);
  label->setAttributedText(s);
  auto layout = label->textLayout();
  gfx::Rect r = label->convertRectFromLayout(layout->rectForRange(text::DRTextRange::rangeWithRange(range)));
  gfx::Point finger = label->convertPointToView({r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2}, nullptr);

  auto blue = [&](const gfx::BitmapImage& picture) {
    size_t count = 0;
    const double scale = ui::Screen::mainScreen()->scale();
    gfx::Rect w = label->convertRectToView(r, nullptr);
    for (double y = w.origin.y; y < w.origin.y + w.size.height; y += 0.5)
      for (double x = w.origin.x; x < w.origin.x + w.size.width; x += 0.5) {
        uint32_t p = picture.pixel(size_t(x * scale), size_t(y * scale));
        if ((p & 0xff) > 180 && ((p >> 16) & 0xff) < 80) ++count;
      }
    return count;
  };
  auto before = shoot("label_highlight_idle.png");
  ASSERT_TRUE(before);
  EXPECT_EQ(blue(*before), 0u);

  ui::TouchInput input(window);
  auto touch = input.down(finger);
  auto pressed = shoot("label_highlight_tapped.png");
  ASSERT_TRUE(pressed);
  EXPECT_GT(blue(*pressed), 500u) << "the highlight's background shows while the finger is down";
  input.up(touch);
  // The plain text comes back with a cross-fade; the picture is taken once it has run out.
  label->layer()->displayIfNeeded();
  ASSERT_TRUE(label->layer()->animationForKey(DRLabel::kContentsAnimationKey));
  fd::RunLoopDriver::advance(0.3);
  auto after = shoot("label_highlight_released.png");
  ASSERT_TRUE(after);
  EXPECT_EQ(blue(*after), 0u);
  EXPECT_GT(ink(*after, label->frame()), 300u);
}
