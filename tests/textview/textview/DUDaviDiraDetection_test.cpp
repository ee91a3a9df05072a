// Data detection in the text view: what each detector type decorates in the laid-out text, that
// the edited text itself stays plain, and that nothing is decorated while the view is edited.
#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/time/Date.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextHighlight.h"
#include "textview/textview/DUDaviDira.h"

using namespace textview;

// Named, not anonymous: the tests build as one unit with their neighbours.
namespace detection_test {

void spinMainRunLoop() {
  fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode, fd::Date::dateWithTimeIntervalSinceNow(0.02));
}

class TextViewDetectionTest : public ::testing::Test {
 protected:
  void SetUp() override { view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 320, 400)); }
  void TearDown() override {
    if (view->isFirstResponder()) view->resignFirstResponder();
    view.reset();
    spinMainRunLoop();
  }
  // The highlight over `index` of the laid-out text, with the range it covers.
  Ref<text::DRTextHighlight> highlightAt(size_t index, rt::Range* range = nullptr) {
    auto laid = view->textLayout()->text();
    rt::Range effective{0, 0};
    auto found = laid->attributeAtIndex(rt::String(text::DRTextHighlightKey), index, &effective, {0, laid->length()});
    if (range) *range = effective;
    return rt::as<text::DRTextHighlight>(found);
  }
  Ref<gfx::Color> colorAt(size_t index) {
    auto laid = view->textLayout()->text();
    return rt::as<gfx::Color>(laid->attributeAtIndex(rt::String(typeset::ForegroundColorAttributeName), index));
  }
  Ref<DUDaviDira> view;
};


TEST_F(TextViewDetectionTest, EachTypeDecoratesItsMatchesOnly) {
  struct Case {
    uint64_t types;
    const char* text;
    const char* match;  // null: nothing may be decorated
  } cases[] = {
      {DUDaviDiraDataDetectorCalendarEvent, "meet on Dec 10, 2026 at noon", "Dec 10, 2026"},
      {DUDaviDiraDataDetectorAddress, "send to 1600 Amphitheatre Way, Mountain View, CA 94043 soon",
       "1600 Amphitheatre Way, Mountain View, CA 94043"},
      {DUDaviDiraDataDetectorLink, "read www.example.org today", "www.example.org"},
      {DUDaviDiraDataDetectorPhoneNumber, "call 138-0013-8000 now", "138-0013-8000"},
      // A type not asked for finds nothing.
      {DUDaviDiraDataDetectorLink, "call 138-0013-8000 now", nullptr},
      {DUDaviDiraDataDetectorPhoneNumber, "meet on Dec 10, 2026 at noon", nullptr},
  };
  auto tint = rt::as<gfx::Color>(view->linkTextAttributes()->objectForKey(typeset::ForegroundColorAttributeName));
  ASSERT_TRUE(tint);
  for (const auto& c : cases) {
    view->setDataDetectorTypes(0);
    view->setDataDetectorTypes(c.types);
    view->setText(c.text);
    rt::String text(c.text);
    ASSERT_EQ(view->textLayout()->text()->string(), text + rt::String("\r")) << c.text;
    if (!c.match) {
      for (size_t i = 0; i < text.length(); ++i) EXPECT_FALSE(highlightAt(i)) << c.text << " at " << i;
      continue;
    }
    std::string whole(c.text);
    size_t start = whole.find(c.match), length = std::string(c.match).size();
    ASSERT_NE(start, std::string::npos);
    rt::Range range{0, 0};
    auto highlight = highlightAt(start, &range);
    ASSERT_TRUE(highlight) << c.text;
    EXPECT_EQ(range, (rt::Range{start, length})) << c.text;
    // The highlight carries the view's highlight attributes.
    EXPECT_TRUE(highlight->attributes()->isEqualToDictionary(*view->highlightTextAttributes())) << c.text;
    // The link colour covers the match and nothing next to it.
    auto inside = colorAt(start), before = colorAt(start - 1), after = colorAt(start + length);
    ASSERT_TRUE(inside) << c.text;
    EXPECT_TRUE(inside->isEqual(tint.get())) << c.text;
    EXPECT_FALSE(before && before->isEqual(tint.get())) << c.text;
    EXPECT_FALSE(after && after->isEqual(tint.get())) << c.text;
    EXPECT_FALSE(highlightAt(start - 1)) << c.text;
    // The text itself is never decorated.
    EXPECT_FALSE(view->attributedText()->attributeAtIndex(rt::String(text::DRTextHighlightKey), start)) << c.text;
  }
}

TEST_F(TextViewDetectionTest, DecorationsFollowTheAttributesAndHighlighting) {
  view->setDataDetectorTypes(DUDaviDiraDataDetectorLink);
  view->setText("see www.example.org");
  ASSERT_TRUE(highlightAt(4));

  // Without highlight attributes only the link colour is set.
  view->setHighlightTextAttributes(fd::Dictionary::create());
  EXPECT_FALSE(highlightAt(4));
  EXPECT_TRUE(colorAt(4));

  // With neither dictionary there is nothing to decorate with.
  view->setLinkTextAttributes(fd::Dictionary::create());
  EXPECT_FALSE(highlightAt(4));
  EXPECT_FALSE(colorAt(4));

  // Highlighting off stops detection whatever the attributes.
  auto red = gfx::Color::redColor();
  view->setLinkTextAttributes(fd::Dictionary::withStrings({{rt::String(typeset::ForegroundColorAttributeName), red}}));
  auto found = colorAt(4);
  ASSERT_TRUE(found);
  EXPECT_TRUE(found->isEqual(red.get()));
  view->setHighlightable(false);
  EXPECT_FALSE(colorAt(4));
}

TEST_F(TextViewDetectionTest, NothingIsDetectedWhileEditing) {
  view->setDataDetectorTypes(DUDaviDiraDataDetectorCalendarEvent);
  view->setText("on Dec 10, 2026");
  ASSERT_TRUE(highlightAt(3));
  ASSERT_TRUE(view->becomeFirstResponder());
  // Becoming the editor lays out at once, without the decorations.
  EXPECT_FALSE(view->textLayout()->text()->attributeAtIndex(rt::String(text::DRTextHighlightKey), 3));
  view->replaceRange(rt::Range{15, 0}, " and www.example.org");
  EXPECT_FALSE(highlightAt(3));
  ASSERT_TRUE(view->resignFirstResponder());
  EXPECT_TRUE(highlightAt(3));
}

TEST_F(TextViewDetectionTest, NoDetectorWithoutTypes) {
  view->setText("on Dec 10, 2026 at www.example.org");
  for (size_t i = 0; i < view->text().length(); ++i) EXPECT_FALSE(highlightAt(i)) << i;
  view->setDataDetectorTypes(DUDaviDiraDataDetectorLink | DUDaviDiraDataDetectorCalendarEvent);
  EXPECT_TRUE(highlightAt(3));
  EXPECT_TRUE(highlightAt(19));
  view->setDataDetectorTypes(0);
  EXPECT_FALSE(highlightAt(3));
  EXPECT_FALSE(highlightAt(19));
}

class TapRecorder : public DUDaviDiraDelegate {
 public:
  std::vector<rt::Range> taps;
  void textViewDidTapHighlight(DUDaviDira&, const Ref<text::DRTextHighlight>&, rt::Range range, gfx::Rect) override {
    taps.push_back(range);
  }
};

TEST_F(TextViewDetectionTest, TappingDetectedDataTellsTheDelegateOnlyWhileNotEditing) {
  fd::RunLoopDriver::useVirtualClock();
  ui::Application::sharedApplication()->resetForTesting();
  auto window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  auto root = rt::make<ui::ViewController>();
  window->setRootViewController(root);
  window->makeKeyAndVisible();
  root->view()->addSubview(view);
  auto recorder = std::make_shared<TapRecorder>();
  view->setTextViewDelegate(recorder);
  view->setDataDetectorTypes(DUDaviDiraDataDetectorLink);
  view->setText("see www.example.org now");
  ui::HeadlessHost host(ui::Screen::mainScreen());
  host.setWindowSource([window] { return std::vector<Ref<ui::Window>>{window}; });
  host.renderFrame();

  // Top-aligned horizontal text: the layout's coordinates are the view's.
  gfx::Rect link = view->textLayout()->rectForRange(text::DRTextRange::rangeWithRange({4, 15}));
  ASSERT_FALSE(gfx::RectIsNull(link));
  gfx::Rect onScreen = view->convertRectToView(link, nullptr);
  gfx::Point centre{onScreen.origin.x + onScreen.size.width / 2, onScreen.origin.y + onScreen.size.height / 2};
  host.tap(centre);
  ui::HeadlessHost::wait(0.1);
  EXPECT_EQ(recorder->taps, (std::vector<rt::Range>{{4, 15}}));
  EXPECT_FALSE(view->isFirstResponder());

  // While editing the link is plain text: a tap there only moves the caret.
  ASSERT_TRUE(view->becomeFirstResponder());
  host.tap(centre);
  ui::HeadlessHost::wait(0.1);
  EXPECT_EQ(recorder->taps.size(), 1u);
  EXPECT_TRUE(view->isFirstResponder());

  view->resignFirstResponder();
  view->removeFromSuperview();
  window.reset();
  ui::Application::sharedApplication()->resetForTesting();
  fd::RunLoopDriver::reset();
}

}  // namespace detection_test
