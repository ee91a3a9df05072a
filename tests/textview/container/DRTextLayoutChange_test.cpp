// An edit redraws only the lines it changed: the container view draws that band of its backing
// store again in place, and the store then equals one drawn whole for the new layout.
#include "textview/container/DRTextLayoutChange.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/ImageContext.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/ui/layer/Transaction.h"
#include "textview/container/DRTextContainerView.h"

using namespace textview;

namespace {

// Counts its drawings and remembers the pixel height of the store it last drew into.
class MeasuringContainerView : public DRTextContainerView {
 public:
  int drawings = 0;
  size_t lastStoreHeight = 0;
  void drawRect(gfx::Rect rect) override {
    ++drawings;
    if (auto ctx = gfx::currentContext()) lastStoreHeight = ctx->height();
    DRTextContainerView::drawRect(rect);
  }
  void displayNow() { layer()->displayIfNeeded(); }
  const gfx::BitmapImage* store() const { return dynamic_cast<const gfx::BitmapImage*>(layer()->contents().get()); }
};

const char* const kNewsParagraphs =
    "Stalls by the lake open at nine on market days, and the ferry runs every half hour until dusk.\n"
    "The district council meets on Thursdays; the agenda is posted a week before.\n"
    "Roadworks on the hill road close one lane until the end of the month.";

Ref<typeset::MutableAttributedString> newsTextOf(const std::string& s) {
  auto text = typeset::MutableAttributedString::create(rt::String(s));
  text->addAttribute(typeset::FontAttributeName, typeset::Font::systemFontOfSize(15), {0, text->length()});
  return text;
}

Ref<text::DRTextLayout> laidOutForWidth200(const Ref<typeset::MutableAttributedString>& text) {
  return text::DRTextLayout::layoutWithContainerSize({200, 1000}, text);
}

int largestStoreDifference(const gfx::BitmapImage& a, const gfx::BitmapImage& b) {
  if (a.width() != b.width() || a.height() != b.height()) return 256;
  int worst = 0;
  for (size_t y = 0; y < a.height(); ++y)
    for (size_t x = 0; x < a.width() * 4; ++x)
      worst = std::max(worst, std::abs(int(a.bytes()[y * a.bytesPerRow() + x]) - int(b.bytes()[y * b.bytesPerRow() + x])));
  return worst;
}

class LayoutChangeTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    ui::Transaction::flush();
    fd::RunLoopDriver::reset();
  }
};

}  // namespace

TEST_F(LayoutChangeTest, AnEditRedrawsOnlyItsLinesAndTheStoreMatchesAWholeRedraw) {
  using Edit = std::function<void(typeset::MutableAttributedString&)>;
  const rt::Range council{std::string(kNewsParagraphs).find("council"), 7};
  struct Case {
    const char* name;
    Edit edit;
    int64_t alignment;
    bool inPlace;  // drawn again in part, into the same store
  };
  const Case cases[] = {
      {"a character typed in the middle",
       [&](typeset::MutableAttributedString& t) { t.replaceCharactersInRange({council.location, 0}, rt::String("x")); },
       0, true},
      {"a line break typed (the lines below move)",
       [&](typeset::MutableAttributedString& t) { t.replaceCharactersInRange({council.location, 0}, rt::String("\n")); },
       0, true},
      {"a word deleted",
       [&](typeset::MutableAttributedString& t) { t.replaceCharactersInRange(council, rt::String("")); }, 0, true},
      {"a word recoloured",
       [&](typeset::MutableAttributedString& t) {
         t.addAttribute(typeset::ForegroundColorAttributeName, gfx::Color::redColor(), council);
       },
       0, true},
      {"centred text", [&](typeset::MutableAttributedString& t) { t.replaceCharactersInRange({5, 0}, rt::String("y")); },
       1, false},
  };
  for (const auto& c : cases) {
    auto view = rt::make<MeasuringContainerView>(gfx::RectMake(0, 0, 200, 260));
    view->setTextVerticalAlignment(c.alignment);
    auto text = newsTextOf(kNewsParagraphs);
    view->setLayout(laidOutForWidth200(text));
    view->displayNow();
    const auto* before = view->store();
    ASSERT_NE(before, nullptr) << c.name;
    const size_t wholeHeight = before->height();
    c.edit(*text);
    auto after = laidOutForWidth200(text);
    view->setLayout(after);
    view->displayNow();
    EXPECT_EQ(view->drawings, 2) << c.name;
    EXPECT_EQ(view->store() == before, c.inPlace) << c.name;
    if (c.inPlace) EXPECT_LT(view->lastStoreHeight, wholeHeight) << c.name;
    else EXPECT_EQ(view->lastStoreHeight, wholeHeight) << c.name;

    auto fresh = rt::make<MeasuringContainerView>(gfx::RectMake(0, 0, 200, 260));
    fresh->setTextVerticalAlignment(c.alignment);
    fresh->setLayout(after);
    fresh->displayNow();
    ASSERT_NE(fresh->store(), nullptr) << c.name;
    EXPECT_EQ(largestStoreDifference(*view->store(), *fresh->store()), 0) << c.name;
  }
}

TEST_F(LayoutChangeTest, TheChangedAreaCoversTheEditedLinesAndNoOthers) {
  auto text = newsTextOf(kNewsParagraphs);
  auto before = laidOutForWidth200(text);
  ASSERT_GE(before->lines().size(), 5u);
  // Same text, laid out again: nothing differs.
  EXPECT_TRUE(gfx::RectIsEmpty(changedLinesArea(*before, *laidOutForWidth200(newsTextOf(kNewsParagraphs)), 200)));
  // A character typed into the second paragraph leaves the first paragraph's lines outside
  // the area.
  const size_t at = std::string(kNewsParagraphs).find("agenda");
  text->replaceCharactersInRange({at, 0}, rt::String("x"));
  auto after = laidOutForWidth200(text);
  gfx::Rect area = changedLinesArea(*before, *after, 200);
  ASSERT_FALSE(gfx::RectIsNull(area));
  const auto& lines = after->lines();
  size_t edited = 0;
  while (edited < lines.size() && lines[edited]->range().location + lines[edited]->range().length <= at) ++edited;
  ASSERT_LT(edited, lines.size());
  EXPECT_TRUE(gfx::RectContainsRect(area, lines[edited]->bounds()));
  EXPECT_FALSE(gfx::RectIntersectsRect(area, lines.front()->bounds()));
  // A layout in vertical form cannot be compared line by line.
  auto vertical = text::DRTextContainer::containerWithSize({1000, 200});
  vertical->setVerticalForm(true);
  auto columns = text::DRTextLayout::layoutWithContainer(vertical, text);
  ASSERT_TRUE(columns);
  EXPECT_TRUE(gfx::RectIsNull(changedLinesArea(*columns, *columns, 200)));
}
