// The text view's answers to text input: positions and ranges (never inside a composed
// character or a bound range), geometry in the view's coordinates, hit tests, styling,
// writing direction and traits.
#include <gtest/gtest.h>

#include <cmath>

#include "base/graphics/Geometry+DUDer.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/time/Date.h"
#include "platform/typeset/AttributeNames.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextBinding.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "tests/textview/textview/DUDaviDiraTestAccess.h"

using namespace textview;

namespace text_input_queries_test {

constexpr auto kFwd = ui::TextAffinity::Forward;
constexpr auto kBwd = ui::TextAffinity::Backward;
using Direction = ui::TextLayoutDirection;

Ref<text::DRTextPosition> at(int64_t offset, ui::TextAffinity affinity = kFwd) {
  return text::DRTextPosition::positionWithOffset(offset, affinity);
}
Ref<ui::TextRange> span(uint64_t location, uint64_t length) { return text::DRTextRange::rangeWithRange({location, length}); }

gfx::Point centre(gfx::Rect r) { return {r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2}; }
gfx::Rect shifted(gfx::Rect r, double dx, double dy) { return {{r.origin.x + dx, r.origin.y + dy}, r.size}; }

bool onPixels(double value) {
  double scaled = value * base::DRMainScreenScale();
  return std::fabs(scaled - std::round(scaled)) < 1e-6;
}

class TextInputQueriesTest : public ::testing::Test {
 protected:
  void SetUp() override { view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 240, 300)); }
  void TearDown() override {
    fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode,
                                                  fd::Date::dateWithTimeIntervalSinceNow(0.01));
  }
  void setText(const char* s) { view->setText(rt::String(s)); }
  // The free space below a text shorter than the view.
  double freeHeight() { return view->bounds().size.height - view->textLayout()->textBoundingSize().height; }
  Ref<DUDaviDira> view;
};

}  // namespace text_input_queries_test

using namespace text_input_queries_test;

TEST_F(TextInputQueriesTest, DocumentEndsRangesAndComparisons) {
  EXPECT_FALSE(view->hasText());
  setText("hello");
  EXPECT_TRUE(view->hasText());
  EXPECT_EQ(view->beginningOfDocument()->offset(), 0);
  EXPECT_EQ(view->endOfDocument()->offset(), 5);
  EXPECT_TRUE(rt::as<text::DRTextPosition>(view->endOfDocument()));
  EXPECT_EQ(view->documentText(), rt::String("hello"));
  auto r = view->textRangeFromPosition(at(4), at(1));
  ASSERT_TRUE(rt::as<text::DRTextRange>(r));
  EXPECT_EQ(r->asRange(), (rt::Range{1, 3})) << "ordered";
  EXPECT_FALSE(view->textRangeFromPosition(at(1), nullptr));
  EXPECT_EQ(view->comparePosition(at(1), at(3)), -1);
  EXPECT_EQ(view->comparePosition(at(3, kBwd), at(3, kFwd)), -1);
  EXPECT_EQ(view->comparePosition(at(3), at(3)), 0);
  EXPECT_EQ(view->offsetFromPosition(at(4), at(1)), -3);
}

TEST_F(TextInputQueriesTest, PositionByOffsetNeverStopsInsideACharacterOrBinding) {
  // "a", a thumbs-up with its skin tone (four units), "b", then a bound "@cd" and "e".
  auto text = typeset::MutableAttributedString::create(rt::String("a\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD" "b@cde"));
  ASSERT_EQ(text->length(), 10u);
  text::setTextBinding(*text, text::DRTextBinding::bindingWithDeleteConfirm(false), {6, 3});
  view->setAttributedText(text);
  struct Case {
    int64_t from, offset;
    int64_t to;  // -1: none
  };
  const Case cases[] = {
      {0, 1, 1},   {0, 2, 5},  {0, 3, 5},  {1, 4, 5},   {6, -3, 1}, {5, -1, 1},  {5, 1, 6},
      {6, 1, 9},   {6, 2, 9},  {10, -2, 6}, {0, 10, 10}, {0, 11, -1}, {3, -4, -1}, {10, -10, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " by " << c.offset);
    auto p = view->positionFromPosition(at(c.from), c.offset);
    if (c.to < 0) {
      EXPECT_FALSE(p);
      continue;
    }
    ASSERT_TRUE(p);
    EXPECT_EQ(p->offset(), c.to);
    EXPECT_EQ(p->affinity(), kFwd);
  }
  auto same = at(3, kBwd);
  EXPECT_EQ(view->positionFromPosition(same, 0), same) << "no move gives the position itself";
  EXPECT_FALSE(view->positionFromPosition(nullptr, 1));
}

TEST_F(TextInputQueriesTest, PositionByDirectionFollowsTheLineDirection) {
  setText("abcd");
  struct Case {
    bool vertical;
    int64_t from;
    Direction direction;
    int64_t to;
  };
  const Case cases[] = {
      {false, 1, Direction::Right, 2}, {false, 2, Direction::Left, 1}, {false, 0, Direction::Left, 0},
      {false, 4, Direction::Right, 4}, {true, 1, Direction::Down, 2},  {true, 2, Direction::Up, 1},
      {true, 4, Direction::Down, 4},
      // Vertical lines stand side by side from the right: left is the next line, here past
      // the only one to the end, and right the one before, back to the start.
      {true, 1, Direction::Left, 4},   {true, 2, Direction::Right, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.vertical ? "vertical " : "") << c.from << " dir "
                                    << static_cast<int>(c.direction));
    view->setVerticalForm(c.vertical);
    auto p = view->positionFromPosition(at(c.from), c.direction, 1);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->offset(), c.to);
    EXPECT_EQ(p->affinity(), kFwd) << "never leaning past the end";
  }
}

TEST_F(TextInputQueriesTest, PositionsWithinARange) {
  setText("abcdefgh");
  auto r = text::DRTextRange::rangeWithStart(at(2), at(6));
  struct Case {
    Direction direction;
    int64_t offset;
    ui::TextAffinity affinity;
  };
  const Case farthest[] = {
      {Direction::Left, 2, kFwd}, {Direction::Up, 2, kFwd}, {Direction::Right, 6, kBwd}, {Direction::Down, 6, kBwd}};
  for (const auto& c : farthest) {
    auto p = view->positionWithinRange(r, c.direction);
    ASSERT_TRUE(rt::as<text::DRTextPosition>(p));
    EXPECT_EQ(p->offset(), c.offset);
    EXPECT_EQ(p->affinity(), c.affinity);
  }
  EXPECT_EQ(view->positionWithinRange(r, int64_t(2)), r->start()) << "the range's own start";
  EXPECT_EQ(view->positionWithinRange(r, int64_t(6)), r->end());
  EXPECT_EQ(view->positionWithinRange(r, int64_t(4))->offset(), 4);
  EXPECT_FALSE(view->positionWithinRange(r, int64_t(1)));
  EXPECT_FALSE(view->positionWithinRange(r, int64_t(7)));
  EXPECT_FALSE(view->positionWithinRange(nullptr, int64_t(1)));
  // Offsets are counted from the range's start.
  EXPECT_EQ(view->characterOffsetOfPosition(at(5), r), 3);
  EXPECT_EQ(view->characterOffsetOfPosition(at(2), r), 0);
  EXPECT_EQ(view->characterOffsetOfPosition(at(5), nullptr), 5);
  EXPECT_EQ(view->characterOffsetOfPosition(nullptr, r), static_cast<int64_t>(rt::NotFound));
}

TEST_F(TextInputQueriesTest, CharacterRangeByExtendingTakesWholeCharacters) {
  setText("ab\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD" "c");
  struct Case {
    int64_t from;
    Direction direction;
    rt::Range range;
  };
  const Case cases[] = {
      {0, Direction::Right, {0, 1}}, {2, Direction::Right, {2, 4}}, {6, Direction::Left, {2, 4}},
      {7, Direction::Right, {7, 0}}, {2, Direction::Left, {1, 1}},
  };
  for (const auto& c : cases) {
    auto r = view->characterRangeByExtendingPosition(at(c.from), c.direction);
    ASSERT_TRUE(r) << c.from;
    EXPECT_EQ(r->asRange(), c.range) << c.from;
  }
}

TEST_F(TextInputQueriesTest, CaretIsVisibleInsideTheViewAndOnPixels) {
  setText("abc");
  struct Case {
    bool vertical;
    gfx::EdgeInsets inset;
    typeset::TextAlignment alignment;
    int64_t offset;
  };
  const Case cases[] = {
      {false, {6, 4, 6, 4}, typeset::TextAlignment::Left, 0},
      {false, {0, 0, 0, 0}, typeset::TextAlignment::Left, 0},   // would start before the view
      {false, {0, 0, 0, 0}, typeset::TextAlignment::Right, 3},  // would end past it
      {false, {6, 4, 6, 4}, typeset::TextAlignment::Left, 2},
      {true, {0, 0, 0, 0}, typeset::TextAlignment::Left, 0},
      {true, {4, 6, 4, 6}, typeset::TextAlignment::Left, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.vertical ? "vertical " : "") << "inset " << c.inset.left << " offset "
                                    << c.offset);
    view->setVerticalForm(c.vertical);
    view->setTextContainerInset(c.inset);
    view->setTextAlignment(c.alignment);
    gfx::Rect layoutCaret = view->textLayout()->caretRectForPosition(at(c.offset));
    ASSERT_FALSE(gfx::RectIsNull(layoutCaret));
    gfx::Rect caret = view->caretRectForPosition(at(c.offset));
    double near = c.vertical ? caret.origin.y : caret.origin.x;
    double extent = c.vertical ? caret.size.height : caret.size.width;
    double limit = c.vertical ? view->bounds().size.height : view->bounds().size.width;
    EXPECT_NEAR(extent, 2, 1e-9);
    EXPECT_GE(near, 0);
    EXPECT_LE(near + extent, limit + 1e-9);
    // Across the line the caret keeps the layout's span.
    gfx::Rect converted = DUDaviDiraTestAccess::convertRectFromLayout(*view, layoutCaret);
    double expectedNear = c.vertical ? converted.origin.y - 1 : converted.origin.x - 1;
    EXPECT_NEAR(near, std::clamp(expectedNear, 0.0, limit - 2), 1.0 / base::DRMainScreenScale());
    for (double v : {caret.origin.x, caret.origin.y, caret.origin.x + caret.size.width,
                     caret.origin.y + caret.size.height})
      EXPECT_TRUE(onPixels(v)) << v;
  }
  // Pulled in at both ends along the line.
  view->setVerticalForm(false);
  view->setTextContainerInset({0, 0, 0, 0});
  view->setTextAlignment(typeset::TextAlignment::Left);
  EXPECT_DOUBLE_EQ(view->caretRectForPosition(at(0)).origin.x, 0);
  view->setTextAlignment(typeset::TextAlignment::Right);
  EXPECT_DOUBLE_EQ(view->caretRectForPosition(at(3)).origin.x, 238);
}

TEST_F(TextInputQueriesTest, GeometryComesBackInTheViewsCoordinates) {
  setText("one two\nthree");
  view->setTextVerticalAlignment(2);
  double free = freeHeight();
  ASSERT_GT(free, 10);
  auto layout = view->textLayout();
  auto r = text::DRTextRange::rangeWithRange({4, 7});

  gfx::Rect first = view->firstRectForRange(r);
  gfx::Rect layoutFirst = layout->firstRectForRange(r);
  ASSERT_FALSE(gfx::RectIsNull(layoutFirst));
  EXPECT_EQ(first, shifted(layoutFirst, 0, free));

  auto pieces = view->selectionRectsForRange(r);
  auto layoutPieces = layout->selectionRectsForRange(r);
  ASSERT_EQ(pieces.size(), layoutPieces.size());
  ASSERT_GT(pieces.size(), 2u);
  for (size_t i = 0; i < pieces.size(); ++i) EXPECT_EQ(pieces[i]->rect(), shifted(layoutPieces[i]->rect(), 0, free));

  // A range past the end is corrected rather than refused.
  EXPECT_EQ(view->firstRectForRange(span(8, 100)), view->firstRectForRange(span(8, 5)));
}

TEST_F(TextInputQueriesTest, HitTestsFindWhatIsDrawnThere) {
  setText("abcdef");
  for (int64_t alignment : {0, 2}) {
    SCOPED_TRACE(alignment);
    view->setTextVerticalAlignment(alignment);
    for (int64_t offset : {1, 3, 5}) {
      gfx::Rect caret = view->caretRectForPosition(at(offset));
      auto p = view->closestPositionToPoint(centre(caret));
      ASSERT_TRUE(p);
      EXPECT_EQ(p->offset(), offset);
      // The character under the middle of its own piece.
      auto pieces = view->selectionRectsForRange(span(offset, 1));
      ASSERT_FALSE(pieces.empty());
      auto under = view->characterRangeAtPoint(centre(pieces.back()->rect()));
      ASSERT_TRUE(under);
      EXPECT_EQ(under->asRange(), (rt::Range{uint64_t(offset), 1}));
    }
    // Pulled into a range.
    gfx::Point nearStart = centre(view->caretRectForPosition(at(0)));
    gfx::Point nearEnd = centre(view->caretRectForPosition(at(6)));
    EXPECT_EQ(view->closestPositionToPoint(nearStart, span(2, 2))->offset(), 2);
    EXPECT_EQ(view->closestPositionToPoint(nearEnd, span(2, 2))->offset(), 4);
    EXPECT_EQ(view->closestPositionToPoint(nearEnd, span(2, 99))->offset(), 6) << "the range is corrected";
  }
}

TEST_F(TextInputQueriesTest, StylingIsThatOfTheCharacterLeanedOn) {
  auto text = typeset::MutableAttributedString::create(rt::String("abc"));
  for (uint64_t i = 0; i < 3; ++i) text::setFont(*text, typeset::Font::systemFontOfSize(10.0 * (i + 1)), {i, 1});
  view->setAttributedText(text);
  struct Case {
    int64_t offset;
    ui::TextStorageDirection direction;
    double size;  // 0: none
  };
  using SD = ui::TextStorageDirection;
  const Case cases[] = {
      {0, SD::Forward, 10}, {0, SD::Backward, 10}, {1, SD::Backward, 10}, {1, SD::Forward, 20},
      {3, SD::Forward, 30}, {3, SD::Backward, 30}, {4, SD::Forward, 0},   {-1, SD::Backward, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << " dir " << static_cast<int>(c.direction));
    auto style = view->textStylingAtPosition(at(c.offset), c.direction);
    if (c.size == 0) {
      EXPECT_FALSE(style);
      continue;
    }
    ASSERT_TRUE(style);
    auto font = rt::as<typeset::Font>(style->objectForKey(typeset::FontAttributeName));
    ASSERT_TRUE(font);
    EXPECT_DOUBLE_EQ(font->pointSize(), c.size);
  }
  EXPECT_FALSE(view->textStylingAtPosition(nullptr, SD::Forward));
  // An empty text answers the typing attributes.
  view->replaceRange(span(0, 3), rt::String());
  auto typing = view->textStylingAtPosition(at(0), SD::Backward);
  ASSERT_TRUE(typing);
  auto font = rt::as<typeset::Font>(typing->objectForKey(typeset::FontAttributeName));
  ASSERT_TRUE(font);
  EXPECT_DOUBLE_EQ(font->pointSize(), 10);
}

TEST_F(TextInputQueriesTest, WritingDirectionIsReadFromTheParagraphStyle) {
  EXPECT_EQ(view->baseWritingDirectionForPosition(at(0), ui::TextStorageDirection::Forward),
            ui::WritingDirection::Natural);
  setText("abc\ndef");
  view->setBaseWritingDirection(ui::WritingDirection::RightToLeft, span(0, 4));
  view->setBaseWritingDirection(ui::WritingDirection::LeftToRight, nullptr);  // nothing
  struct Case {
    int64_t offset;
    ui::WritingDirection direction;
  };
  const Case cases[] = {{0, ui::WritingDirection::RightToLeft},
                        {3, ui::WritingDirection::RightToLeft},
                        {5, ui::WritingDirection::Natural},
                        {7, ui::WritingDirection::Natural},
                        {99, ui::WritingDirection::Natural}};
  for (const auto& c : cases)
    EXPECT_EQ(view->baseWritingDirectionForPosition(at(c.offset), ui::TextStorageDirection::Forward), c.direction)
        << c.offset;
  view->setBaseWritingDirection(ui::WritingDirection::LeftToRight, span(4, 50));
  EXPECT_EQ(view->baseWritingDirectionForPosition(at(7), ui::TextStorageDirection::Backward),
            ui::WritingDirection::LeftToRight)
      << "the end reads the last character";
}

TEST_F(TextInputQueriesTest, TraitsAreTheStoredOnes) {
  ui::TextInputTraits defaults = view->textInputTraits();
  EXPECT_EQ(defaults.autocapitalizationType, ui::TextAutocapitalizationType::Sentences);
  EXPECT_EQ(defaults.keyboardType, ui::KeyboardType::Default);
  view->setKeyboardType(7);
  view->setReturnKeyType(9);
  view->setAutocapitalizationType(0);
  view->setAutocorrectionType(1);
  view->setSpellCheckingType(2);
  view->setKeyboardAppearance(1);
  view->setEnablesReturnKeyAutomatically(true);
  view->setSecureTextEntry(true);
  ui::TextInputTraits t = view->textInputTraits();
  EXPECT_EQ(t.keyboardType, ui::KeyboardType::EmailAddress);
  EXPECT_EQ(t.returnKeyType, ui::ReturnKeyType::Done);
  EXPECT_EQ(t.autocapitalizationType, ui::TextAutocapitalizationType::None);
  EXPECT_EQ(t.autocorrectionType, ui::TextAutocorrectionType::No);
  EXPECT_EQ(t.spellCheckingType, ui::TextSpellCheckingType::Yes);
  EXPECT_EQ(t.keyboardAppearance, ui::KeyboardAppearance::Dark);
  EXPECT_TRUE(t.enablesReturnKeyAutomatically);
  EXPECT_TRUE(t.secureTextEntry);
}
