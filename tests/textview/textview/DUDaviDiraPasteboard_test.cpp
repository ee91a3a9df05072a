// The text view and the general pasteboard: what it counts as something to paste, and copying
// the selection as rich or plain text. The pasteboard is put back as it was after each test.
#include <gtest/gtest.h>

#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/time/Date.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageData.h"
#include "platform/typeset/AttributeNames.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/Pasteboard+DRText.h"
#include "textview/textview/DUDaviDira.h"

using namespace textview;

// Named, not anonymous: the tests build as one unit with their neighbours.
namespace pasteboard_test {

Ref<gfx::Image> square(size_t pixels) {
  return gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(pixels, pixels, true));
}

Ref<typeset::AttributedString> bigText(const char* s) {
  auto text = typeset::MutableAttributedString::create(rt::String(s));
  text->addAttribute(typeset::FontAttributeName, typeset::Font::systemFontOfSize(30), {0, text->length()});
  return text;
}

class TextViewPasteboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = ui::Pasteboard::generalPasteboard()->items();
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 320, 400));
  }
  void TearDown() override {
    if (view->isFirstResponder()) view->resignFirstResponder();
    view.reset();
    ui::Pasteboard::generalPasteboard()->setItems(saved);
    fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode,
                                                  fd::Date::dateWithTimeIntervalSinceNow(0.02));
  }
  bool offersPaste() { return view->canPerformAction(rt::Selector::named("paste:"), nullptr); }
  std::vector<ui::PasteboardItem> saved;
  Ref<DUDaviDira> view;
};


TEST_F(TextViewPasteboardTest, WhatCountsAsSomethingToPaste) {
  auto pasteboard = ui::Pasteboard::generalPasteboard();
  // The rich-text archive alone, without the plain text that normally comes with it.
  text::setAttributedString(*pasteboard, *bigText("rich"));
  std::vector<ui::PasteboardItem> richOnly;
  for (const auto& item : pasteboard->items())
    if (item.count(rt::String(text::DRTextPasteboardTypeAttributedString))) richOnly.push_back(item);
  ASSERT_EQ(richOnly.size(), 1u);
  auto png = gfx::UIImagePNGRepresentation(square(8));
  ASSERT_TRUE(png);

  struct Content {
    const char* name;
    std::function<void()> put;
  } contents[] = {
      {"nothing", [&] { pasteboard->setItems({}); }},
      {"empty string", [&] { pasteboard->setString(rt::String()); }},
      {"string", [&] { pasteboard->setString("x"); }},
      {"rich text only", [&] { pasteboard->setItems(richOnly); }},
      {"image", [&] { pasteboard->setImage(square(8)); }},
      {"image data", [&] { text::setImageData(*pasteboard, png); }},
  };
  struct Case {
    const char* content;
    bool allowRich, allowImage, offered;
  } cases[] = {
      {"nothing", true, true, false},         {"empty string", true, true, false},
      {"string", false, false, true},         {"rich text only", false, true, false},
      {"rich text only", true, false, true},  {"image", false, false, false},
      {"image", true, false, false},          {"image", false, true, true},
      {"image data", false, false, false},    {"image data", false, true, true},
  };
  for (const auto& c : cases) {
    for (const auto& content : contents)
      if (std::string(content.name) == c.content) content.put();
    view->setAllowsPasteAttributedString(c.allowRich);
    view->setAllowsPasteImage(c.allowImage);
    EXPECT_EQ(offersPaste(), c.offered) << c.content << " rich " << c.allowRich << " image " << c.allowImage;
  }
}

TEST_F(TextViewPasteboardTest, CopiesTheSelectionRichOrPlain) {
  auto pasteboard = ui::Pasteboard::generalPasteboard();
  auto text = typeset::MutableAttributedString::create(rt::String("plain "));
  text->appendAttributedString(*bigText("BIG"));
  view->setAttributedText(text);
  view->setSelectedRange({4, 4});  // "n BI"

  view->copyAction(nullptr);
  EXPECT_EQ(pasteboard->string(), rt::String("n BI"));
  auto rich = text::attributedString(*pasteboard);
  ASSERT_TRUE(rich);
  EXPECT_TRUE(rich->isEqualToAttributedString(*text->attributedSubstringFromRange({4, 4})));
  auto font = rt::as<typeset::Font>(rich->attributeAtIndex(typeset::FontAttributeName, 3));
  ASSERT_TRUE(font);
  EXPECT_DOUBLE_EQ(font->pointSize(), 30);

  view->setAllowsCopyAttributedString(false);
  view->setSelectedRange({0, 5});
  view->copyAction(nullptr);
  EXPECT_EQ(pasteboard->string(), rt::String("plain"));
  EXPECT_FALSE(text::attributedString(*pasteboard));

  // An empty selection writes nothing.
  int64_t changes = pasteboard->changeCount();
  view->setSelectedRange({2, 0});
  view->copyAction(nullptr);
  EXPECT_EQ(pasteboard->changeCount(), changes);
  EXPECT_EQ(pasteboard->string(), rt::String("plain"));
}

TEST_F(TextViewPasteboardTest, CutMovesTheSelectionToThePasteboardAsOneUndoStep) {
  auto pasteboard = ui::Pasteboard::generalPasteboard();
  view->setText("hello world");
  view->setSelectedRange({0, 6});
  ASSERT_TRUE(view->becomeFirstResponder());
  view->cutAction(nullptr);
  EXPECT_EQ(view->text(), rt::String("world"));
  EXPECT_EQ(view->selectedRange(), (rt::Range{0, 0}));
  EXPECT_EQ(pasteboard->string(), rt::String("hello "));
  ASSERT_TRUE(view->canUndo());
  view->undo();
  EXPECT_EQ(view->text(), rt::String("hello world"));
  EXPECT_EQ(view->selectedRange(), (rt::Range{0, 6}));

  // Nothing selected: nothing cut, the pasteboard untouched.
  int64_t changes = pasteboard->changeCount();
  view->setSelectedRange({3, 0});
  view->cutAction(nullptr);
  EXPECT_EQ(view->text(), rt::String("hello world"));
  EXPECT_EQ(pasteboard->changeCount(), changes);
}

}  // namespace pasteboard_test
