// The editable text view: its set-up, the setters and what they publish, the delegate's veto,
// the update folded into one pass per run-loop turn, the placeholder image and archiving.
#include "textview/textview/DUDaviDira.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/time/Date.h"
#include "platform/typeset/AttributeNames.h"
#include "text/model/AttributedString+DRText.h"

using namespace textview;

namespace {

// Records what it is told and refuses changes while `refuse` is set.
class RecordingDelegate : public DUDaviDiraDelegate {
 public:
  bool refuse = false;
  std::vector<std::string> log;
  std::optional<bool> textViewShouldChangeTextInRange(DUDaviDira&, rt::Range range, const rt::String& text) override {
    log.push_back("should " + std::to_string(range.location) + "," + std::to_string(range.length) + " " +
                  text.utf8());
    return !refuse;
  }
  void textViewDidChange(DUDaviDira&) override { log.push_back("did change"); }
  void textViewDidChangeSelection(DUDaviDira&) override { log.push_back("did change selection"); }
};

void spinMainRunLoop() {
  fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode, fd::Date::dateWithTimeIntervalSinceNow(0.02));
}

class TextViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 200, 300));
    delegate = std::make_shared<RecordingDelegate>();
    view->setTextViewDelegate(delegate);
    token = fd::NotificationCenter::defaultCenter()->addObserverForName(
        DUDaviDiraTextDidChangeNotification, view, nullptr, [this](const auto&) { ++changePosts; });
  }
  void TearDown() override {
    fd::NotificationCenter::defaultCenter()->removeObserver(token);
    spinMainRunLoop();  // no transaction left pending for the next test
  }
  Ref<typeset::AttributedString> attributed(const char* s) {
    auto text = typeset::MutableAttributedString::create(rt::String(s));
    text->addAttribute(typeset::FontAttributeName, typeset::Font::systemFontOfSize(20), {0, text->length()});
    return text;
  }
  Ref<DUDaviDira> view;
  std::shared_ptr<RecordingDelegate> delegate;
  rt::Id token;
  int changePosts = 0;
};

}  // namespace

TEST_F(TextViewTest, SetUpGivesTheDefaults) {
  EXPECT_EQ(view->textContainerInset(), (gfx::EdgeInsets{6, 4, 6, 4}));
  EXPECT_EQ(view->innerContainer()->insets(), (gfx::EdgeInsets{6, 4, 6, 4}));
  EXPECT_TRUE(view->isEditable());
  EXPECT_TRUE(view->isSelectable());
  EXPECT_TRUE(view->isHighlightable());
  EXPECT_TRUE(view->allowsCopyAttributedString());
  EXPECT_FALSE(view->allowsPasteImage());
  EXPECT_FALSE(view->allowsPasteAttributedString());
  EXPECT_TRUE(view->allowsUndoAndRedo());
  EXPECT_EQ(view->maximumUndoLevel(), 20u);
  EXPECT_EQ(view->autocapitalizationType(), 2);
  EXPECT_EQ(view->keyboardType(), 0);
  EXPECT_FALSE(view->isVerticalForm());
  EXPECT_EQ(view->selectedRange(), (rt::Range{0, 0}));
  EXPECT_EQ(view->textVerticalAlignment(), 0);
  EXPECT_FALSE(view->isMultipleTouchEnabled());
  EXPECT_FALSE(view->delaysContentTouches());
  EXPECT_TRUE(view->isAccessibilityElement());
  // The scroll view reports to the text view itself.
  EXPECT_EQ(view->delegate().lock().get(), static_cast<ui::ScrollViewDelegate*>(view.get()));
  // Placeholder behind the text, the selection in front.
  const auto& subviews = view->subviews();
  ASSERT_GE(subviews.size(), 3u);
  EXPECT_EQ(subviews[0], view->placeholderView());
  EXPECT_EQ(subviews[1], view->containerView());
  EXPECT_EQ(subviews[2], view->selectionView());
  EXPECT_FALSE(view->placeholderView()->isHidden());  // no text yet
  EXPECT_FALSE(view->containerView()->isUserInteractionEnabled());
  ASSERT_TRUE(view->caretMagnifier());
  EXPECT_EQ(view->caretMagnifier()->hostView(), view->containerView());
  // Link colour: the default tint under both keys.
  auto link = view->linkTextAttributes();
  ASSERT_TRUE(link);
  auto tint = rt::as<gfx::Color>(link->objectForKey(typeset::ForegroundColorAttributeName));
  ASSERT_TRUE(tint);
  EXPECT_TRUE(tint->isEqual(DUDaviDira::defaultTintColor().get()));
  EXPECT_TRUE(link->objectForKey(typeset::CTForegroundColorAttributeName));
  EXPECT_TRUE(view->highlightTextAttributes());
  EXPECT_TRUE(view->font()->isEqual(DUDaviDira::defaultFont().get()));
  // The undo history starts with the empty text.
  EXPECT_EQ(view->undoHistory().undoStack().size(), 1u);
}

TEST_F(TextViewTest, ManualKeysNotifyOnlyOnRealChanges) {
  for (const char* key : {"text", "font", "textColor", "textAlignment", "dataDetectorTypes", "linkTextAttributes",
                          "highlightTextAttributes", "textParser", "attributedText", "textVerticalAlignment",
                          "textContainerInset", "exclusionPaths", "verticalForm", "linePositionModifier",
                          "selectedRange", "typingAttributes"})
    EXPECT_FALSE(view->automaticallyNotifiesObserversForKey(rt::String(key))) << key;
  std::map<std::string, int> seen;
  std::vector<uint64_t> tokens;
  for (const char* key : {"font", "textContainerInset", "textVerticalAlignment", "editable", "verticalForm"})
    tokens.push_back(view->observe(rt::String(key), 0, [&seen, key](rt::Object*, const rt::KeyValueChange&) {
      ++seen[key];
    }));
  auto font = typeset::Font::systemFontOfSize(30);
  view->setFont(font);
  view->setFont(typeset::Font::systemFontOfSize(30));  // equal: nothing
  view->setTextContainerInset({1, 2, 3, 4});
  view->setTextContainerInset({1, 2, 3, 4});
  view->setTextVerticalAlignment(1);
  view->setTextVerticalAlignment(1);
  view->setEditable(false);
  view->setEditable(false);
  view->setVerticalForm(true);
  for (auto t : tokens) view->removeObservation(t);
  EXPECT_EQ(seen["font"], 1);
  EXPECT_EQ(seen["textContainerInset"], 1);
  EXPECT_EQ(seen["textVerticalAlignment"], 1);
  EXPECT_EQ(seen["editable"], 1);
  EXPECT_EQ(seen["verticalForm"], 1);
  EXPECT_EQ(view->containerView()->textVerticalAlignment(), 1);
}

TEST_F(TextViewTest, SettingTextAsksTheDelegateAndPublishesTheResult) {
  view->setText("hello");
  EXPECT_EQ(view->text(), rt::String("hello"));
  EXPECT_EQ(view->attributedText()->string(), rt::String("hello"));
  EXPECT_EQ(view->selectedRange(), (rt::Range{5, 0}));
  EXPECT_EQ(view->accessibilityLabel(), rt::String("hello"));
  EXPECT_EQ(changePosts, 1);
  EXPECT_EQ(delegate->log, (std::vector<std::string>{"should 0,0 hello", "did change", "did change selection"}));

  // The same text again: no question, no notification.
  delegate->log.clear();
  view->setText("hello");
  EXPECT_TRUE(delegate->log.empty());
  EXPECT_EQ(changePosts, 1);
}

TEST_F(TextViewTest, RefusedTextChangesNothing) {
  view->setText("keep");
  view->replaceRange({4, 0}, " me");
  view->saveToUndoStack();
  size_t undoDepth = view->undoHistory().undoStack().size();
  delegate->refuse = true;
  delegate->log.clear();
  int posts = changePosts;

  view->setText("gone");
  view->setAttributedText(attributed("also gone"));
  view->setAttributedText(nullptr);
  EXPECT_EQ(view->text(), rt::String("keep me"));
  EXPECT_EQ(view->attributedText()->string(), rt::String("keep me"));
  EXPECT_EQ(view->textLayout()->text()->string(), rt::String("keep me\r"));
  EXPECT_EQ(view->undoHistory().undoStack().size(), undoDepth);
  EXPECT_EQ(changePosts, posts);
  EXPECT_EQ(delegate->log, (std::vector<std::string>{"should 0,7 gone", "should 0,7 also gone", "should 0,7 "}));
}

TEST_F(TextViewTest, AttributedTextIsSelectedWholeAndResetsTheHistory) {
  view->setText("one");
  view->replaceRange({3, 0}, " two");
  view->saveToUndoStack();
  ASSERT_GT(view->undoHistory().undoStack().size(), 1u);
  int posts = changePosts;
  view->setAttributedText(attributed("new text"));
  EXPECT_EQ(view->selectedRange(), (rt::Range{0, 8}));
  EXPECT_EQ(view->text(), rt::String("new text"));
  EXPECT_DOUBLE_EQ(view->font()->pointSize(), 20);
  EXPECT_EQ(view->undoHistory().undoStack().size(), 1u);
  EXPECT_TRUE(view->undoHistory().redoStack().empty());
  EXPECT_EQ(changePosts, posts + 1);
  // The typing attributes follow the last character.
  auto typingFont = rt::as<typeset::Font>(view->typingAttributes()->objectForKey(typeset::FontAttributeName));
  ASSERT_TRUE(typingFont);
  EXPECT_DOUBLE_EQ(typingFont->pointSize(), 20);

  // An empty value clears the text.
  view->setAttributedText(typeset::AttributedString::create(rt::String()));
  EXPECT_EQ(view->text(), rt::String());
  EXPECT_EQ(view->attributedText()->length(), 0u);
}

TEST_F(TextViewTest, SelectedRangeIsCorrectedAndIgnoredWhileMarked) {
  view->setText("abcdef");
  struct Case {
    rt::Range in, out;
  } cases[] = {{{2, 2}, {2, 2}}, {{4, 10}, {4, 2}}, {{9, 3}, {6, 0}}, {{0, 6}, {0, 6}}};
  for (const auto& c : cases) {
    view->setSelectedRange(c.in);
    EXPECT_EQ(view->selectedRange(), c.out) << c.in.location << "," << c.in.length;
    EXPECT_EQ(view->selectedTextRange()->asRange(), c.out);
  }
}

TEST_F(TextViewTest, VerticalFormSwapsOnlyTheDefaultInsets) {
  view->setVerticalForm(true);
  EXPECT_EQ(view->textContainerInset(), (gfx::EdgeInsets{4, 6, 4, 6}));
  EXPECT_EQ(view->innerContainer()->insets(), (gfx::EdgeInsets{4, 6, 4, 6}));
  EXPECT_TRUE(view->innerContainer()->isVerticalForm());
  EXPECT_TRUE(view->selectionView()->isVerticalForm());
  view->setVerticalForm(false);
  EXPECT_EQ(view->textContainerInset(), (gfx::EdgeInsets{6, 4, 6, 4}));

  view->setTextContainerInset({10, 10, 10, 10});
  view->setVerticalForm(true);
  EXPECT_EQ(view->textContainerInset(), (gfx::EdgeInsets{10, 10, 10, 10}));
  view->setVerticalForm(false);
  EXPECT_EQ(view->textContainerInset(), (gfx::EdgeInsets{10, 10, 10, 10}));
}

TEST(TextViewGeometry, VisibleSizeTakesBothInsetsOfASide) {
  struct Case {
    gfx::Size bounds;
    gfx::EdgeInsets inset;
    gfx::Size visible;
  } cases[] = {
      {{200, 300}, {0, 0, 0, 0}, {200, 300}},
      {{200, 300}, {0, 10, 0, 10}, {180, 300}},
      {{200, 300}, {5, 0, 15, 0}, {200, 280}},
      {{200, 300}, {0, 150, 0, 100}, {0, 300}},
      {{200, 300}, {-10, 0, 0, 0}, {200, 310}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(textViewVisibleSize(c.bounds, c.inset), c.visible) << c.inset.left << "," << c.inset.top;
}

TEST_F(TextViewTest, ContainerFollowsTheVisibleWidth) {
  view->setContentInset({0, 10, 0, 10});
  EXPECT_DOUBLE_EQ(view->visibleSize().width, 180);
  EXPECT_DOUBLE_EQ(view->innerContainer()->size().width, 180);
  view->setFrame(gfx::RectMake(0, 0, 250, 300));
  EXPECT_DOUBLE_EQ(view->innerContainer()->size().width, 230);
  view->setVerticalForm(true);
  EXPECT_DOUBLE_EQ(view->innerContainer()->size().height, 300);
}

TEST_F(TextViewTest, ChangesOfOneTurnMakeOneLayout) {
  spinMainRunLoop();
  uint64_t before = view->layoutCount();
  for (int i = 0; i < 10; ++i) view->setTextContainerInset({double(i), 4, 6, 4});
  view->setFont(typeset::Font::systemFontOfSize(15));
  EXPECT_EQ(view->layoutCount(), before);  // nothing laid out yet
  spinMainRunLoop();
  EXPECT_EQ(view->layoutCount(), before + 1);
  spinMainRunLoop();
  EXPECT_EQ(view->layoutCount(), before + 1);
  // Asking for the layout brings a pending update forward.
  view->setTextContainerInset({1, 1, 1, 1});
  auto layout = view->textLayout();
  EXPECT_EQ(view->layoutCount(), before + 2);
  EXPECT_EQ(layout->container()->insets(), (gfx::EdgeInsets{1, 1, 1, 1}));
  spinMainRunLoop();
  EXPECT_EQ(view->layoutCount(), before + 2);
}

TEST_F(TextViewTest, EmptyTextStillHasALineInTheTypingAttributes) {
  auto typing = fd::MutableDictionary::create();
  typing->setObjectForKey(typeset::Font::systemFontOfSize(40), rt::String(typeset::FontAttributeName));
  view->setTypingAttributes(typing);
  auto layout = view->textLayout();
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->text()->string(), rt::String("\r"));
  EXPECT_EQ(layout->lines().size(), 1u);
  auto font = rt::as<typeset::Font>(layout->text()->attributeAtIndex(typeset::FontAttributeName, 0));
  ASSERT_TRUE(font);
  EXPECT_DOUBLE_EQ(font->pointSize(), 40);
  // The content follows the text's height at the visible width.
  EXPECT_DOUBLE_EQ(view->contentSize().width, 200);
  EXPECT_DOUBLE_EQ(view->contentSize().height, layout->textBoundingSize().height);
  EXPECT_EQ(view->containerView()->layout(), layout);
}

TEST_F(TextViewTest, PlaceholderRendersOnceTextIsAbsent) {
  view->setPlaceholderText("Write here");
  ASSERT_TRUE(view->placeholderAttributedText());
  auto color = text::color(*view->placeholderAttributedText());
  ASSERT_TRUE(color);
  EXPECT_TRUE(color->isEqual(gfx::Color::grayColor().get()));
  EXPECT_FALSE(view->placeholderView()->image());  // rendered at the end of the turn
  spinMainRunLoop();
  auto image = view->placeholderView()->image();
  ASSERT_TRUE(image);
  EXPECT_GT(image->size().width, 1);
  EXPECT_EQ(view->placeholderView()->frame().origin, (gfx::Point{0, 0}));
  EXPECT_EQ(view->placeholderView()->frame().size, image->size());
  EXPECT_FALSE(view->placeholderView()->isHidden());
  view->setText("typed");
  EXPECT_TRUE(view->placeholderView()->isHidden());

  // A chosen colour stays when the text changes.
  view->setPlaceholderTextColor(gfx::Color::redColor());
  view->setPlaceholderText("Other");
  EXPECT_TRUE(text::color(*view->placeholderAttributedText())->isEqual(gfx::Color::redColor().get()));
  EXPECT_EQ(view->placeholderText(), rt::String("Other"));
}

TEST_F(TextViewTest, PlaceholderWithNoRoomShowsNoImage) {
  // A dot of half a point: its bounding box is under a point.
  view->setTextContainerInset({0, 0, 0, 0});
  view->setPlaceholderFont(typeset::Font::systemFontOfSize(0.5));
  view->setPlaceholderText(".");
  spinMainRunLoop();
  EXPECT_FALSE(view->placeholderView()->image());
  EXPECT_EQ(view->placeholderView()->frame(), gfx::RectZero);
}

TEST_F(TextViewTest, DataDetectorTypesMapToCheckingTypes) {
  struct Case {
    uint64_t in, out;
  } cases[] = {{0, 0}, {1, 1 << 11}, {2, 1 << 5}, {4, 1 << 4}, {8, 1 << 3}, {15, (1 << 11) | (1 << 5) | (1 << 4) | (1 << 3)},
               {16, 0}};
  for (const auto& c : cases) EXPECT_EQ(checkingTypesForDataDetectorTypes(c.in), c.out) << c.in;
  view->setDataDetectorTypes(3);
  EXPECT_EQ(view->dataDetectorTypes(), 3u);
  EXPECT_EQ(view->dataDetectorCheckingTypes(), (1u << 11) | (1u << 5));
}

TEST_F(TextViewTest, SizeThatFitsWrapsAtTheAskedWidth) {
  view->setText("a fairly long line of text that will need to wrap at a narrow width");
  gfx::Size wide = view->sizeThatFits({1000, 0});
  gfx::Size narrow = view->sizeThatFits({80, 0});
  EXPECT_GT(narrow.height, wide.height);
  EXPECT_LT(narrow.width, wide.width);
}

TEST_F(TextViewTest, ArchiveRoundTrip) {
  view->setAttributedText(attributed("archived words"));
  view->setSelectedRange({3, 4});
  view->setTextVerticalAlignment(2);
  view->setDataDetectorTypes(6);
  view->setTextContainerInset({1, 2, 3, 4});
  view->setExclusionPaths({gfx::BezierPath::bezierPathWithRect(gfx::RectMake(10, 10, 20, 20))});
  view->setVerticalForm(true);

  auto data = fd::KeyedArchiver::archivedDataWithRootObject(view);
  ASSERT_TRUE(data);
  auto copy = rt::as<DUDaviDira>(fd::KeyedUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(copy);
  EXPECT_TRUE(copy->attributedText()->isEqualToAttributedString(*view->attributedText()));
  EXPECT_EQ(copy->selectedRange(), (rt::Range{3, 4}));
  EXPECT_EQ(copy->textVerticalAlignment(), 2);
  EXPECT_EQ(copy->dataDetectorTypes(), 6u);
  EXPECT_EQ(copy->textContainerInset(), (gfx::EdgeInsets{1, 2, 3, 4}));
  ASSERT_EQ(copy->exclusionPaths().size(), 1u);
  EXPECT_EQ(copy->exclusionPaths()[0]->bounds(), gfx::RectMake(10, 10, 20, 20));
  EXPECT_TRUE(copy->isVerticalForm());
  EXPECT_EQ(copy->frame(), view->frame());
  // The parts are made afresh, once each.
  EXPECT_EQ(copy->subviews().size(), view->subviews().size());
  EXPECT_EQ(copy->subviews()[1], copy->containerView());
}

TEST_F(TextViewTest, TintColourReachesLinksHighlightsAndTheSelection) {
  auto red = gfx::Color::redColor();
  view->setTintColor(red);
  auto link = view->linkTextAttributes();
  auto highlight = view->highlightTextAttributes();
  ASSERT_TRUE(link && highlight);
  for (const auto& attributes : {link, highlight}) {
    auto color = rt::as<gfx::Color>(attributes->objectForKey(typeset::ForegroundColorAttributeName));
    ASSERT_TRUE(color);
    EXPECT_TRUE(color->isEqual(red.get()));
    EXPECT_TRUE(attributes->objectForKey(typeset::CTForegroundColorAttributeName));
  }
  EXPECT_TRUE(view->selectionView()->color()->isEqual(red.get()));
}

TEST_F(TextViewTest, PlainStoresAndBehaviourSwitches) {
  view->setAllowsPasteImage(true);
  view->setMaximumUndoLevel(5);
  view->setExtraAccessoryViewHeight(44);
  view->setKeyboardType(4);
  view->setSecureTextEntry(true);
  auto accessory = rt::make<ui::View>(gfx::RectMake(0, 0, 10, 10));
  view->setInputAccessoryView(accessory);
  EXPECT_TRUE(view->allowsPasteImage());
  EXPECT_EQ(view->maximumUndoLevel(), 5u);
  EXPECT_DOUBLE_EQ(view->extraAccessoryViewHeight(), 44);
  EXPECT_EQ(view->keyboardType(), 4);
  EXPECT_TRUE(view->isSecureTextEntry());
  EXPECT_EQ(view->inputAccessoryView(), accessory);

  view->setText("abc");
  view->setSelectable(false);
  EXPECT_FALSE(view->isSelectable());
  EXPECT_TRUE(view->selectionView()->selectionRects().empty());
  EXPECT_FALSE(view->selectionView()->isCaretVisible());
  // Not editing: turning clears-on-insertion on leaves the selection for the next tap.
  view->setClearsOnInsertion(true);
  EXPECT_TRUE(view->clearsOnInsertion());
  EXPECT_EQ(view->selectedRange(), (rt::Range{3, 0}));
}

TEST_F(TextViewTest, VerticalFormMovesOnlyTheContainersPaths) {
  auto path = gfx::BezierPath::bezierPathWithRect(gfx::RectMake(10, 10, 20, 20));
  view->setExclusionPaths({path});
  ASSERT_EQ(view->innerContainer()->exclusionPaths().size(), 1u);
  EXPECT_EQ(view->innerContainer()->exclusionPaths()[0]->bounds(), gfx::RectMake(10, 10, 20, 20));
  view->setVerticalForm(true);
  double shift = view->innerContainer()->size().width - view->bounds().size.width;
  EXPECT_EQ(view->innerContainer()->exclusionPaths()[0]->bounds().origin.x, 10 + shift);
  // The view's own paths, and the caller's, stay where they were put.
  EXPECT_EQ(view->exclusionPaths()[0]->bounds(), gfx::RectMake(10, 10, 20, 20));
  EXPECT_EQ(path->bounds(), gfx::RectMake(10, 10, 20, 20));
  view->setExclusionPaths({});
  EXPECT_TRUE(view->innerContainer()->exclusionPaths().empty());
}
