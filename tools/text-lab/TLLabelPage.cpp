#include "tools/text-lab/TLLabelPage.h"

#include "platform/graphics/BezierPath.h"
#include "platform/typeset/Font.h"
#include "text/parsers/DRTextSimpleMarkdownParser.h"
#include "tools/text-lab/TLLabelSamples.h"
#include "tools/text-lab/TLPageHeader.h"

namespace textlab {

RT_IMPLEMENT(TLLabelPage) {}

namespace {

constexpr double kMargin = 12;
constexpr double kGap = 14;

Ref<gfx::Color> grey(double white) { return gfx::Color::colorWithWhite(white, 1); }

}  // namespace

Ref<text::DRTextDebugOption> labDebugOption() {
  auto debug = rt::make<text::DRTextDebugOption>();
  debug->setBaselineColor(gfx::Color::colorWithRed(1, 0, 0, 1));
  debug->setCTFrameBorderColor(gfx::Color::colorWithRed(0.5, 0.5, 0.5, 1));
  debug->setCTLineFillColor(gfx::Color::colorWithRed(0.8, 0.9, 1, 0.5));
  debug->setCTLineBorderColor(gfx::Color::colorWithRed(0, 0.4, 1, 1));
  debug->setCTLineNumberColor(gfx::Color::colorWithRed(0, 0.4, 1, 1));
  debug->setCTRunBorderColor(gfx::Color::colorWithRed(1, 0.5, 0, 0.8));
  debug->setCTRunNumberColor(gfx::Color::colorWithRed(1, 0.5, 0, 1));
  debug->setCGGlyphBorderColor(gfx::Color::colorWithRed(1, 0.2, 0.6, 0.4));
  return debug;
}

Ref<gfx::Color> labTintColor() { return gfx::Color::colorWithRed(0.1, 0.35, 0.75, 1); }

void TLLabelPage::init() {
  ui::ViewController::init();
  setTitle("Labels");
  // The page ends at the tab bar rather than running under it.
  setEdgesForExtendedLayout(ui::RectEdgeAll & ~ui::RectEdgeBottom);
}

Ref<textview::DRLabel> TLLabelPage::addLabel(double x, double y, double width, double height) {
  auto label = rt::make<textview::DRLabel>(gfx::RectMake(x, y, width, height));
  // Text is laid out and drawn on a background queue; the layer shows it when it is ready.
  label->setDisplaysAsynchronously(true);
  label->setBackgroundColor(grey(0.97));
  scrollView_->addSubview(label);
  labels_.push_back(label);
  return label;
}

Ref<textview::DRLabel> TLLabelPage::addFittedLabel(double* y, const Ref<typeset::AttributedString>& text,
                                                   const Ref<gfx::Color>& background) {
  const double width = width_ - 2 * kMargin;
  auto label = addLabel(kMargin, *y, width, 10);
  label->setNumberOfLines(0);
  label->setTextContainerInset({6, 6, 6, 6});
  label->setAttributedText(text);
  if (background) label->setBackgroundColor(background);
  const double height = std::ceil(label->sizeThatFits({width, 0}).height);
  label->setFrame(gfx::RectMake(kMargin, *y, width, height));
  *y += height + kGap;
  return label;
}

void TLLabelPage::addCaption(double* y, const rt::String& caption) {
  auto label = rt::make<ui::Label>(gfx::RectMake(kMargin, *y, width_ - 2 * kMargin, 18));
  label->setFont(typeset::Font::boldSystemFontOfSize(13));
  label->setTextColor(grey(0.3));
  label->setText(caption);
  scrollView_->addSubview(label);
  *y += 22;
}

void TLLabelPage::reportHighlight(const char* verb, const Ref<typeset::AttributedString>& text, rt::Range range) {
  rt::String phrase = text && range.location + range.length <= text->length() ? text->string().substring(range) : rt::String();
  status_->setText(rt::String(verb) + u" \u201C" + phrase + u"\u201D");
}

void TLLabelPage::setDebugOverlay(bool on) {
  if (debugSwitch_ && debugSwitch_->isOn() != on) debugSwitch_->setOn(on);
  text::DRTextDebugOption::setSharedDebugOption(on ? labDebugOption() : nullptr);
}

void TLLabelPage::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  auto page = view();
  page->setBackgroundColor(gfx::Color::whiteColor());
  width_ = page->bounds().size.width;
  auto header = addPageHeader(*page, width_, "Labels", "Debug overlay", "Tap or long-press a blue phrase.");
  status_ = header.status;
  debugSwitch_ = header.toggle;
  debugSwitch_->setOn(text::DRTextDebugOption::sharedDebugOption() != nullptr);
  Weak<TLLabelPage> weak = std::static_pointer_cast<TLLabelPage>(self());
  debugSwitch_->addTarget(self(), [weak](ui::Control& sender, ui::Event*) {
    if (auto me = weak.lock()) me->setDebugOverlay(static_cast<ui::Switch&>(sender).isOn());
  }, ui::ControlEventValueChanged);

  const gfx::Size size = page->bounds().size;
  scrollView_ = rt::make<ui::ScrollView>(gfx::RectMake(0, kLabHeaderBottom, size.width, size.height - kLabHeaderBottom));
  // The page is sized to the space above the tab bar after it loads.
  scrollView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth | ui::ViewAutoresizingFlexibleHeight);
  scrollView_->setClipsToBounds(true);
  scrollView_->setAlwaysBounceVertical(true);
  page->addSubview(scrollView_);

  const double width = width_ - 2 * kMargin;
  double y = 10;

  addCaption(&y, "Markdown, bright and dark");
  for (bool dark : {false, true}) {
    auto parser = rt::make<text::DRTextSimpleMarkdownParser>();
    parser->setFontSize(14);
    parser->setHeaderFontSize(19);
    if (dark) parser->setColorWithDarkTheme();
    else parser->setColorWithBrightTheme();
    auto label = addLabel(kMargin, y, width, 10);
    label->setNumberOfLines(0);
    label->setTextContainerInset({6, 8, 6, 8});
    label->setTextParser(parser);
    label->setText(labMarkdownDocument());
    label->setBackgroundColor(dark ? grey(0.12) : gfx::Color::whiteColor());
    label->layer()->setBorderWidth(dark ? 0 : 0.5);
    label->layer()->setBorderColor(grey(0.8));
    const double height = std::ceil(label->sizeThatFits({width, 0}).height);
    label->setFrame(gfx::RectMake(kMargin, y, width, height));
    y += height + 6;
  }
  y += kGap - 6;

  addCaption(&y, "Highlights: tap or long-press");
  highlightRanges_.clear();
  highlightLabel_ = addFittedLabel(&y, labHighlightText(&highlightRanges_), nullptr);
  highlightLabel_->setHighlightTapAction(
      [weak](const rt::Id&, const Ref<typeset::AttributedString>& text, rt::Range range, gfx::Rect) {
        if (auto me = weak.lock()) me->reportHighlight("Tapped", text, range);
      });
  highlightLabel_->setHighlightLongPressAction(
      [weak](const rt::Id&, const Ref<typeset::AttributedString>& text, rt::Range range, gfx::Rect) {
        if (auto me = weak.lock()) me->reportHighlight("Long-pressed", text, range);
      });

  addCaption(&y, "Emoticons as pictures");
  {
    auto label = addLabel(kMargin, y, width, 10);
    label->setNumberOfLines(0);
    label->setTextContainerInset({6, 6, 6, 6});
    label->setFont(labLatinFont(16));
    label->setTextParser(labEmoticonParser());
    label->setText(labEmoticonText());
    const double height = std::ceil(label->sizeThatFits({width, 0}).height);
    label->setFrame(gfx::RectMake(kMargin, y, width, height));
    y += height + kGap;
  }

  addCaption(&y, "Truncation: end, middle, start, none");
  for (auto mode : {typeset::LineBreakMode::ByTruncatingTail, typeset::LineBreakMode::ByTruncatingMiddle,
                    typeset::LineBreakMode::ByTruncatingHead, typeset::LineBreakMode::ByClipping}) {
    auto label = addLabel(kMargin, y, width, 24);
    label->setFont(labLatinFont(14));
    label->setNumberOfLines(1);
    label->setLineBreakMode(mode);
    label->setTextContainerInset({0, 6, 0, 6});
    label->setText(labLongSentence());
    y += 28;
  }
  y += kGap - 4;

  addCaption(&y, "Vertical text");
  {
    auto label = addLabel(kMargin, y, width, 170);
    label->setVerticalForm(true);
    label->setNumberOfLines(0);
    label->setTextVerticalAlignment(textview::DRTextVerticalAlignmentTop);
    label->setTextContainerInset({6, 6, 6, 6});
    label->setFont(labCJKFont(18));
    label->setText(labVerticalText());
    y += 170 + kGap;
  }

  addCaption(&y, "Ruby in its four positions");
  for (size_t i = 0; i < typeset::RubyPositionCount; ++i) {
    const double half = (width - 8) / 2;
    auto label = addLabel(kMargin + (i % 2) * (half + 8), y, half, 64);
    label->setNumberOfLines(0);
    label->setAttributedText(labRubyText(static_cast<typeset::RubyPosition>(i)));
    if (i % 2 == 1) y += 72;
  }
  y += kGap - 8;

  addCaption(&y, "In an ellipse, around a hole");
  {
    const double height = 230;
    auto label = addLabel(kMargin, y, width, height);
    label->setNumberOfLines(0);
    label->setFont(labLatinFont(12));
    label->setTextVerticalAlignment(textview::DRTextVerticalAlignmentTop);
    label->setTextContainerPath(gfx::BezierPath::bezierPathWithOvalInRect(gfx::RectMake(0, 0, width, height)));
    label->setExclusionPaths(
        {gfx::BezierPath::bezierPathWithOvalInRect(gfx::RectMake(width / 2 - 55, height / 2 - 40, 110, 80))});
    label->setText(labStory() + " " + labStory());
    y += height + kGap;
  }

  addCaption(&y, "Borders, block borders and shadows");
  addFittedLabel(&y, labBordersAndShadows(), nullptr);

  addCaption(&y, "Underlines and strikethroughs");
  addFittedLabel(&y, labUnderlinesAndStrikethroughs(), nullptr);

  scrollView_->setContentSize({width_, y});
}

}  // namespace textlab
