// The label's two faces on one model: plain properties written into the inner text and
// container (seen through the layout they produce), rich ones read back into the plain ones.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/typeset/Shadow.h"
#include "tests/textview/label/LabelSupport.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/display/DRAsyncLayer.h"

using namespace textview;
using label_test::CountingModifier;
using label_test::latin;
using label_test::makeLabel;
using label_test::styled;
using typeset::LineBreakMode;

RT_IMPLEMENT(CountingModifier) {}

namespace {

const rt::String kLong =
    "The district news is updated every day, with pictures and video from local reporters on the ground.";

// Upper-cases nothing, but colours every "news" red: a parser that changes attributes only.
class NewsParser : public text::DRTextParser {
 public:
  int calls = 0;
  bool parseText(typeset::MutableAttributedString& text, rt::Range*) override {
    ++calls;
    bool changed = false;
    const rt::String& s = text.string();
    for (size_t i = 0; i + 4 <= s.length(); ++i) {
      if (s.substring(i, 4) == rt::String("news")) {
        text::setColor(text, gfx::Color::redColor(), {i, 4});
        changed = true;
      }
    }
    return changed;
  }
};

}  // namespace

TEST(DRLabelProperties, Defaults) {
  auto label = makeLabel();
  EXPECT_TRUE(label->layer()->isKindOfClass(DRAsyncLayer::classObject()));
  EXPECT_FALSE(rt::as<DRAsyncLayer>(label->layer())->displaysAsynchronously());
  EXPECT_FALSE(label->displaysAsynchronously());
  EXPECT_EQ(label->textVerticalAlignment(), DRTextVerticalAlignmentCenter);
  EXPECT_EQ(label->numberOfLines(), 1u);
  EXPECT_EQ(label->lineBreakMode(), LineBreakMode::ByTruncatingTail);
  EXPECT_TRUE(label->clearContentsBeforeAsynchronouslyDisplay());
  EXPECT_TRUE(label->fadeOnAsynchronouslyDisplay());
  EXPECT_TRUE(label->fadeOnHighlight());
  EXPECT_FALSE(label->ignoreCommonProperties());
  EXPECT_FALSE(label->isOpaque());
  EXPECT_EQ(label->contentMode(), ui::ViewContentMode::Redraw);
  EXPECT_TRUE(label->isAccessibilityElement());
  ASSERT_TRUE(label->attributedText());
  EXPECT_EQ(label->attributedText()->length(), 0u);
  EXPECT_TRUE(label->text().isEmpty());
  // The container got its size from the frame, set last.
  label->setText("x");
  auto layout = label->textLayout();
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->container()->size(), (gfx::Size{200, 40}));
  EXPECT_EQ(layout->container()->truncationType(), 2u);
  EXPECT_EQ(layout->container()->maximumNumberOfRows(), 1u);
}

TEST(DRLabelProperties, FirstTextTakesTheLabelsStyle) {
  auto label = makeLabel();
  label->setTextColor(gfx::Color::blueColor());
  label->setTextAlignment(typeset::TextAlignment::Center);
  label->setShadowColor(gfx::Color::grayColor());
  label->setShadowOffset({1, 2});
  label->setShadowBlurRadius(3);
  label->setText("Hello");
  auto text = label->attributedText();
  // No font set: the 17-point system font.
  ASSERT_TRUE(text::font(*text));
  EXPECT_DOUBLE_EQ(text::font(*text)->pointSize(), 17);
  EXPECT_TRUE(rt::equalObjects(text::color(*text).get(), gfx::Color::blueColor().get()));
  EXPECT_EQ(text::alignment(*text), typeset::TextAlignment::Center);
  EXPECT_EQ(text::lineBreakMode(*text), LineBreakMode::ByWordWrapping);  // tail truncation wraps by word
  auto shadow = text::shadow(*text);
  ASSERT_TRUE(shadow);
  EXPECT_EQ(shadow->shadowOffset(), (gfx::Size{1, 2}));
  EXPECT_DOUBLE_EQ(shadow->shadowBlurRadius(), 3);
  // Later text keeps the style of the text it replaces.
  label->setText("World");
  EXPECT_TRUE(rt::equalObjects(text::color(*label->attributedText()).get(), gfx::Color::blueColor().get()));
  EXPECT_EQ(label->textLayout()->text()->string(), rt::String("World"));
  // No text at all: an empty inner text, and nothing to lay out.
  label->setText(rt::String());
  EXPECT_EQ(label->attributedText()->length(), 0u);
  EXPECT_TRUE(label->text().isEmpty());
}

TEST(DRLabelProperties, PlainPropertiesReachTheLayout) {
  auto label = makeLabel(gfx::RectMake(0, 0, 120, 300));
  label->setFont(latin(14));
  label->setText(kLong);
  auto token = styled("~");
  auto path = gfx::BezierPath::bezierPathWithRect(gfx::RectMake(0, 0, 100, 200));
  auto hole = gfx::BezierPath::bezierPathWithRect(gfx::RectMake(10, 10, 20, 20));
  auto modifier = rt::make<text::DRTextLinePositionSimpleModifier>();
  modifier->setFixedLineHeight(22);

  struct Case {
    const char* name;
    std::function<void()> set;
    std::function<void(const text::DRTextLayout&)> check;
  };
  const Case cases[] = {
      {"numberOfLines", [&] { label->setNumberOfLines(3); },
       [](const text::DRTextLayout& l) {
         EXPECT_EQ(l.container()->maximumNumberOfRows(), 3u);
         EXPECT_EQ(l.rowCount(), 3u);
         EXPECT_TRUE(l.truncatedLine());
       }},
      {"lineBreakMode head", [&] { label->setLineBreakMode(LineBreakMode::ByTruncatingHead); },
       [](const text::DRTextLayout& l) { EXPECT_EQ(l.container()->truncationType(), 1u); }},
      {"lineBreakMode char wrap", [&] { label->setLineBreakMode(LineBreakMode::ByCharWrapping); },
       [](const text::DRTextLayout& l) {
         EXPECT_EQ(l.container()->truncationType(), 0u);
         EXPECT_EQ(text::lineBreakMode(*l.text()), LineBreakMode::ByCharWrapping);
         EXPECT_FALSE(l.truncatedLine());
       }},
      {"lineBreakMode tail", [&] { label->setLineBreakMode(LineBreakMode::ByTruncatingTail); },
       [](const text::DRTextLayout& l) {
         EXPECT_EQ(l.container()->truncationType(), 2u);
         EXPECT_EQ(text::lineBreakMode(*l.text()), LineBreakMode::ByWordWrapping);
       }},
      {"truncationToken", [&] { label->setTruncationToken(token); },
       [&](const text::DRTextLayout& l) {
         ASSERT_TRUE(l.container()->truncationToken());
         EXPECT_EQ(l.container()->truncationToken()->string(), rt::String("~"));
         ASSERT_TRUE(l.truncatedLine());
       }},
      {"textContainerInset", [&] { label->setTextContainerInset({5, 6, 7, 8}); },
       [](const text::DRTextLayout& l) {
         EXPECT_EQ(l.container()->insets(), (gfx::EdgeInsets{5, 6, 7, 8}));
         EXPECT_GE(l.lines().front()->left(), 6 - 1e-9);
       }},
      {"exclusionPaths", [&] { label->setExclusionPaths({hole}); },
       [](const text::DRTextLayout& l) { EXPECT_EQ(l.container()->exclusionPaths().size(), 1u); }},
      {"textContainerPath", [&] { label->setTextContainerPath(path); },
       [](const text::DRTextLayout& l) {
         ASSERT_TRUE(l.container()->path());
         EXPECT_LE(l.textBoundingRect().origin.x + l.textBoundingRect().size.width, 100 + 1e-9);
       }},
      {"textContainerPath removed", [&] { label->setTextContainerPath(nullptr); },
       [](const text::DRTextLayout& l) {
         EXPECT_FALSE(l.container()->path());
         EXPECT_EQ(l.container()->size(), (gfx::Size{120, 300}));
         EXPECT_EQ(l.container()->insets(), (gfx::EdgeInsets{5, 6, 7, 8}));
       }},
      {"linePositionModifier", [&] { label->setLinePositionModifier(modifier); },
       [](const text::DRTextLayout& l) { EXPECT_TRUE(l.container()->linePositionModifier()); }},
      {"verticalForm", [&] { label->setVerticalForm(true); },
       [](const text::DRTextLayout& l) { EXPECT_TRUE(l.container()->isVerticalForm()); }},
      {"textAlignment", [&] { label->setTextAlignment(typeset::TextAlignment::Right); },
       [](const text::DRTextLayout& l) { EXPECT_EQ(text::alignment(*l.text()), typeset::TextAlignment::Right); }},
      {"font", [&] { label->setFont(latin(9)); },
       [](const text::DRTextLayout& l) { EXPECT_DOUBLE_EQ(text::font(*l.text())->pointSize(), 9); }},
      {"textColor", [&] { label->setTextColor(gfx::Color::greenColor()); },
       [](const text::DRTextLayout& l) {
         EXPECT_TRUE(rt::equalObjects(text::color(*l.text()).get(), gfx::Color::greenColor().get()));
       }},
      {"shadow", [&] { label->setShadowColor(gfx::Color::blackColor()); },
       [](const text::DRTextLayout& l) {
         EXPECT_TRUE(text::shadow(*l.text()));
         EXPECT_TRUE(l.needDrawShadow() || text::shadow(*l.text()));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Ref<text::DRTextLayout> before = label->textLayout();
    c.set();
    Ref<text::DRTextLayout> after = label->textLayout();
    ASSERT_TRUE(after);
    EXPECT_NE(before.get(), after.get()) << "a change lays the text out again";
    c.check(*after);
    // Setting the same value again changes nothing.
    c.set();
    EXPECT_EQ(label->textLayout().get(), after.get());
  }
}

TEST(DRLabelProperties, EmptyTextOrIgnoringSkipsTheRelayout) {
  auto label = makeLabel();
  label->setNumberOfLines(2);  // no text: stored, nothing to lay out
  label->setText("Some text");
  auto layout = label->textLayout();
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->container()->maximumNumberOfRows(), 2u);

  label->setIgnoreCommonProperties(true);
  label->setNumberOfLines(4);
  label->setFont(latin(30));
  EXPECT_EQ(label->textLayout().get(), layout.get());
  // A new frame resizes the container but does not rebuild.
  label->setFrame(gfx::RectMake(0, 0, 300, 90));
  EXPECT_EQ(label->textLayout().get(), layout.get());
  label->setIgnoreCommonProperties(false);
  label->setTextVerticalAlignment(DRTextVerticalAlignmentTop);
  auto rebuilt = label->textLayout();
  EXPECT_NE(rebuilt.get(), layout.get());
  EXPECT_EQ(rebuilt->container()->size(), (gfx::Size{300, 90}));
  EXPECT_EQ(rebuilt->container()->maximumNumberOfRows(), 4u);
  EXPECT_DOUBLE_EQ(text::font(*rebuilt->text())->pointSize(), 30);
}

TEST(DRLabelProperties, AttributedTextReadsBackIntoThePlainProperties) {
  auto label = makeLabel();
  auto rich = styled("Rich text", latin(21));
  text::setColor(*rich, gfx::Color::redColor());
  text::setAlignment(*rich, typeset::TextAlignment::Justified);
  text::setLineBreakMode(*rich, LineBreakMode::ByCharWrapping);
  text::setShadow(*rich, typeset::Shadow::create({2, 3}, 4, gfx::Color::blackColor()));
  label->setAttributedText(rich);
  EXPECT_NE(label->attributedText().get(), rich.get()) << "copied";
  EXPECT_EQ(label->text(), rt::String("Rich text"));
  EXPECT_DOUBLE_EQ(label->font()->pointSize(), 21);
  EXPECT_TRUE(rt::equalObjects(label->textColor().get(), gfx::Color::redColor().get()));
  EXPECT_EQ(label->textAlignment(), typeset::TextAlignment::Justified);
  EXPECT_EQ(label->shadowOffset(), (gfx::Size{2, 3}));
  EXPECT_DOUBLE_EQ(label->shadowBlurRadius(), 4);
  // The container truncates (type 2): the label reports tail truncation, the text wraps by word.
  EXPECT_EQ(label->lineBreakMode(), LineBreakMode::ByTruncatingTail);
  EXPECT_EQ(text::lineBreakMode(*label->attributedText()), LineBreakMode::ByWordWrapping);

  // A container truncating in the middle reads back as mode 5.
  auto container = text::DRTextContainer::containerWithSize({200, 40});
  container->setTruncationType(3);
  container->setMaximumNumberOfRows(2);
  label->setTextLayout(text::DRTextLayout::layoutWithContainer(container, rich));
  EXPECT_EQ(label->lineBreakMode(), LineBreakMode::ByTruncatingMiddle);
  EXPECT_EQ(label->numberOfLines(), 2u);
  label->setAttributedText(styled("Other"));
  EXPECT_EQ(label->lineBreakMode(), LineBreakMode::ByTruncatingMiddle);
  // Clipping without truncation: the text's mode is the label's.
  label->setLineBreakMode(LineBreakMode::ByClipping);
  label->setAttributedText(styled("Clip"));
  EXPECT_EQ(label->lineBreakMode(), LineBreakMode::ByClipping);
  EXPECT_EQ(label->textLayout()->container()->truncationType(), 0u);
  // Nothing at all: an empty text, never null.
  label->setAttributedText(nullptr);
  ASSERT_TRUE(label->attributedText());
  EXPECT_EQ(label->attributedText()->length(), 0u);
}

TEST(DRLabelProperties, SetTextLayoutInstallsTheLayoutAsItIs) {
  auto label = makeLabel(gfx::RectMake(0, 0, 150, 60));
  auto container = text::DRTextContainer::containerWithSize({150, 60}, {1, 2, 3, 4});
  container->setVerticalForm(true);
  container->setMaximumNumberOfRows(0);
  container->setTruncationType(0);
  auto layout = text::DRTextLayout::layoutWithContainer(container, styled("縦書きの文章", label_test::cjk(14)));
  ASSERT_TRUE(layout);

  label->setTextLayout(layout);
  EXPECT_EQ(label->textLayout().get(), layout.get());
  EXPECT_EQ(label->text(), rt::String("縦書きの文章"));
  EXPECT_NE(label->attributedText().get(), layout->text().get());
  EXPECT_TRUE(label->isVerticalForm());
  EXPECT_EQ(label->numberOfLines(), 0u);
  EXPECT_EQ(label->textContainerInset(), (gfx::EdgeInsets{1, 2, 3, 4}));
  EXPECT_EQ(label->lineBreakMode(), LineBreakMode::ByWordWrapping);
  // The label's own container is a copy it may change.
  label->setNumberOfLines(1);
  EXPECT_EQ(layout->container()->maximumNumberOfRows(), 0u);
  EXPECT_EQ(label->textLayout()->container()->maximumNumberOfRows(), 1u);

  // Ignoring the common properties: the layout's own text object is taken, nothing refreshed;
  // a later change of text copies it first and leaves the installed layout's text alone.
  auto other = makeLabel();
  other->setIgnoreCommonProperties(true);
  other->setTextLayout(layout);
  EXPECT_EQ(other->attributedText().get(), layout->text().get());
  EXPECT_FALSE(other->isVerticalForm());
  other->setText("changed");
  EXPECT_EQ(layout->text()->string(), rt::String("縦書きの文章"));
  EXPECT_EQ(other->attributedText()->string(), rt::String("changed"));
}

TEST(DRLabelProperties, ParserRunsOnEveryChangeOfText) {
  auto label = makeLabel();
  label->setText("old news");
  auto parser = std::make_shared<NewsParser>();
  label->setTextParser(parser);
  EXPECT_EQ(parser->calls, 1);
  EXPECT_TRUE(rt::equalObjects(text::colorAtIndex(*label->attributedText(), 4).get(), gfx::Color::redColor().get()));
  label->setText("good news");
  EXPECT_EQ(parser->calls, 2);
  label->setAttributedText(styled("bad news"));
  EXPECT_EQ(parser->calls, 3);
  auto layout = label->textLayout();
  EXPECT_TRUE(rt::equalObjects(text::colorAtIndex(*layout->text(), 5).get(), gfx::Color::redColor().get()));
  EXPECT_FALSE(text::colorAtIndex(*layout->text(), 0));
  // The same parser again runs nothing.
  label->setTextParser(parser);
  EXPECT_EQ(parser->calls, 3);
}

TEST(DRLabelProperties, SizeThatFitsLaysOutAtTheSizeAsked) {
  auto label = makeLabel(gfx::RectMake(0, 0, 300, 30));
  // No text: the empty layout's size.
  EXPECT_EQ(label->sizeThatFits({123, 45}), (gfx::Size{0, 0}));
  label->setFont(latin(14));
  label->setText(kLong);
  label->setNumberOfLines(0);
  label->setLineBreakMode(LineBreakMode::ByWordWrapping);

  // Narrower asks give taller answers.
  double lastHeight = 0;
  for (double width : {400.0, 200.0, 100.0}) {
    SCOPED_TRACE(width);
    gfx::Size fits = label->sizeThatFits({width, 0});
    EXPECT_GT(fits.height, lastHeight);
    lastHeight = fits.height;
    // The answer is that of a layout made at that size.
    auto container = text::DRTextContainer::containerWithSize({width, text::DRTextContainerMaxSize});
    container->setMaximumNumberOfRows(0);
    auto layout = text::DRTextLayout::layoutWithContainer(container, label->attributedText());
    EXPECT_EQ(fits.height, layout->textBoundingSize().height);
    EXPECT_EQ(fits.width, std::min(width, layout->textBoundingSize().width));
  }
  // A limited height cuts the rows.
  gfx::Size oneRow = label->sizeThatFits({100, 20});
  gfx::Size free = label->sizeThatFits({100, 0});
  EXPECT_LT(oneRow.height, free.height);
  EXPECT_LE(oneRow.height, 20 + 1e-9);
  // Asking for the bounds size answers the label's own layout.
  EXPECT_EQ(label->sizeThatFits({300, 30}), label->textLayout()->textBoundingSize());
  // The label's own container is untouched.
  EXPECT_EQ(label->textLayout()->container()->size(), (gfx::Size{300, 30}));
}

TEST(DRLabelProperties, AFittedWidthNeverExceedsTheWidthAsked) {
  auto label = makeLabel(gfx::RectMake(0, 0, 300, 30));
  label->setFont(latin(14));
  label->setText(kLong);
  label->setNumberOfLines(0);
  label->setLineBreakMode(LineBreakMode::ByWordWrapping);
  // Rows that wrap end in a blank, which the layout's bounds take in: at some of these widths
  // the bounds reach past the width.
  int overreaching = 0;
  for (double width = 120; width <= 420; width += 3) {
    SCOPED_TRACE(width);
    auto container = text::DRTextContainer::containerWithSize({width, text::DRTextContainerMaxSize});
    container->setMaximumNumberOfRows(0);
    auto layout = text::DRTextLayout::layoutWithContainer(container, label->attributedText());
    if (layout->textBoundingSize().width > width) ++overreaching;
    gfx::Size fits = label->sizeThatFits({width, 0});
    EXPECT_LE(fits.width, width);
    EXPECT_EQ(fits.height, layout->textBoundingSize().height);
  }
  EXPECT_GT(overreaching, 0) << "the texts here do not show rows wider than the width";
  // The label's own width too, answered from its own layout.
  EXPECT_LE(label->sizeThatFits({300, 30}).width, 300);
}

TEST(DRLabelProperties, IgnoringCommonPropertiesAResizedLabelFitsAtItsNewSize) {
  auto label = makeLabel(gfx::RectMake(0, 0, 300, 400));
  label->setFont(latin(14));
  label->setText(kLong);
  label->setNumberOfLines(0);
  label->setLineBreakMode(LineBreakMode::ByWordWrapping);
  auto wide = label->textLayout();
  ASSERT_TRUE(wide);
  label->setIgnoreCommonProperties(true);
  label->setFrame(gfx::RectMake(0, 0, 150, 400));
  // The old layout stays on show; a fit at the new size is that of a layout at the new size.
  EXPECT_EQ(label->textLayout(), wide);
  auto container = text::DRTextContainer::containerWithSize({150, 400});
  container->setMaximumNumberOfRows(0);
  auto narrow = text::DRTextLayout::layoutWithContainer(container, label->attributedText());
  ASSERT_GT(narrow->textBoundingSize().height, wide->textBoundingSize().height);
  gfx::Size fits = label->sizeThatFits({150, 400});
  EXPECT_EQ(fits.height, narrow->textBoundingSize().height);
  EXPECT_LE(fits.width, 150);
  // And at the old size, the old layout's answer.
  EXPECT_EQ(label->sizeThatFits({300, 400}).height, wide->textBoundingSize().height);
}

TEST(DRLabelProperties, ArchivingKeepsTextAndContainer) {
  auto label = makeLabel(gfx::RectMake(10, 20, 180, 70));
  label->setFont(latin(15));
  label->setText("Archived label");
  label->setNumberOfLines(3);
  label->setLineBreakMode(LineBreakMode::ByTruncatingMiddle);
  label->setTextContainerInset({2, 3, 4, 5});
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(label);
  ASSERT_TRUE(data);
  auto back = rt::as<DRLabel>(fd::KeyedUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->frame(), gfx::RectMake(10, 20, 180, 70));
  EXPECT_EQ(back->text(), rt::String("Archived label"));
  EXPECT_DOUBLE_EQ(back->font()->pointSize(), 15);
  EXPECT_EQ(back->numberOfLines(), 3u);
  EXPECT_EQ(back->lineBreakMode(), LineBreakMode::ByTruncatingMiddle);
  EXPECT_EQ(back->textContainerInset(), (gfx::EdgeInsets{2, 3, 4, 5}));
  auto layout = back->textLayout();
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->container()->size(), (gfx::Size{180, 70}));
  EXPECT_EQ(layout->container()->truncationType(), 3u);
  EXPECT_EQ(layout->text()->string(), rt::String("Archived label"));
}

TEST(DRLabelProperties, DebugOptionAndAccessibility) {
  auto label = makeLabel();
  label->setText("Spoken text");
  auto option = rt::make<text::DRTextDebugOption>();
  option->setBaselineColor(gfx::Color::redColor());
  label->setDebugOption(option);
  ASSERT_TRUE(label->debugOption());
  EXPECT_NE(label->debugOption().get(), option.get()) << "a copy";
  EXPECT_TRUE(label->debugOption()->needDrawDebug());
  // The accessibility label is the text of the current layout.
  label->textLayout();
  EXPECT_EQ(label->accessibilityLabel(), rt::String("Spoken text"));
  // Read through the view it is, the same answers.
  const ui::View& view = *label;
  EXPECT_EQ(view.accessibilityLabel(), rt::String("Spoken text"));
  EXPECT_TRUE(view.isAccessibilityElement());
  label->setText("Changed");
  label->textLayout();
  EXPECT_EQ(view.accessibilityLabel(), rt::String("Changed"));
}

TEST(DRLabelProperties, FollowsTheSharedDebugOption) {
  auto label = makeLabel();
  label->setText("Debugged");
  label->layer()->display();
  const Ref<text::DRTextDebugOption> before = text::DRTextDebugOption::sharedDebugOption();
  auto option = rt::make<text::DRTextDebugOption>();
  option->setCTLineBorderColor(gfx::Color::redColor());
  text::DRTextDebugOption::setSharedDebugOption(option);
  ASSERT_TRUE(label->debugOption());
  EXPECT_TRUE(label->debugOption()->needDrawDebug());
  // The overlay turned on: the label draws again, with the line borders in red.
  label->layer()->displayIfNeeded();
  auto bitmap = label_test::contentsOf(*label);
  ASSERT_TRUE(bitmap);
  size_t red = 0;
  for (size_t y = 0; y < bitmap->height(); ++y)
    for (size_t x = 0; x < bitmap->width(); ++x) {
      const uint32_t p = bitmap->pixel(x, y);
      if (((p >> 16) & 0xff) > 200 && ((p >> 8) & 0xff) < 60 && (p & 0xff) < 60 && (p >> 24) > 200) ++red;
    }
  EXPECT_GT(red, 20u);
  text::DRTextDebugOption::setSharedDebugOption(before);
  EXPECT_EQ(label->debugOption() && label->debugOption()->needDrawDebug(), before && before->needDrawDebug());
}
