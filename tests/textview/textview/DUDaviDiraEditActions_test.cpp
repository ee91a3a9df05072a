// Pasting into the text view: plain text, rich text and pictures (still, animated, too small to
// keep), each as one step that undo takes back, with the rest of the text and its history kept.
#include <gtest/gtest.h>

#include "base/graphics/Geometry+DUDer.h"
#include "image/codec/DRImageEncoder.h"
#include "image/views/DRAnimatedImageView.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/time/Date.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageData.h"
#include "platform/typeset/AttributeNames.h"
#include "text/model/DRTextAttachment.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/Pasteboard+DRText.h"
#include "textview/textview/DUDaviDira.h"

using namespace textview;

// Named, not anonymous: the tests build as one unit with their neighbours.
namespace edit_actions_test {

Ref<gfx::Image> square(size_t pixels) {
  return gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(pixels, pixels, true));
}

Ref<fd::Data> gifOf(size_t frames, size_t pixels) {
  auto encoder = image::DRImageEncoder::create(image::DRImageFileTypeGIF);
  for (size_t i = 0; i < frames; ++i) encoder->addImage(square(pixels), 0.1);
  return encoder->encode();
}

Ref<typeset::AttributedString> bigText(const char* s) {
  auto text = typeset::MutableAttributedString::create(rt::String(s));
  text->addAttribute(typeset::FontAttributeName, typeset::Font::systemFontOfSize(30), {0, text->length()});
  return text;
}

class RecordingDelegate : public DUDaviDiraDelegate {
 public:
  bool refuse = false;
  int changes = 0;
  std::optional<bool> textViewShouldChangeTextInRange(DUDaviDira&, rt::Range, const rt::String&) override {
    return !refuse;
  }
  void textViewDidChange(DUDaviDira&) override { ++changes; }
};

class TextViewPasteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = ui::Pasteboard::generalPasteboard()->items();
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 320, 400));
    delegate = std::make_shared<RecordingDelegate>();
    view->setTextViewDelegate(delegate);
  }
  void TearDown() override {
    if (view->isFirstResponder()) view->resignFirstResponder();
    view.reset();
    ui::Pasteboard::generalPasteboard()->setItems(saved);
    fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode,
                                                  fd::Date::dateWithTimeIntervalSinceNow(0.02));
  }
  // "ab|cd" with an earlier step in the history: "cd" then "abcd", the caret after "ab".
  void startWithTwoSteps() {
    view->setAttributedText(typeset::AttributedString::create(rt::String("cd")));
    view->setSelectedRange({0, 0});
    view->replaceRange(rt::Range{0, 0}, "ab");
    view->saveToUndoStack();
  }
  rt::Id attachmentContentAt(size_t index) {
    auto attachment =
        rt::as<text::DRTextAttachment>(view->attributedText()->attributeAtIndex(text::DRTextAttachmentKey, index));
    return attachment ? attachment->content() : nullptr;
  }
  std::vector<ui::PasteboardItem> saved;
  Ref<DUDaviDira> view;
  std::shared_ptr<RecordingDelegate> delegate;
};


TEST_F(TextViewPasteTest, PlainTextReplacesTheSelection) {
  ui::Pasteboard::generalPasteboard()->setString("XYZ");
  view->setText("12345");
  view->setSelectedRange({1, 2});
  view->pasteAction(nullptr);
  EXPECT_EQ(view->text(), rt::String("1XYZ45"));
  EXPECT_EQ(view->selectedRange(), (rt::Range{4, 0}));
  ASSERT_TRUE(view->canUndo());
  view->undo();
  EXPECT_EQ(view->text(), rt::String("12345"));
  EXPECT_EQ(view->selectedRange(), (rt::Range{1, 2}));

  // An empty pasteboard changes nothing.
  ui::Pasteboard::generalPasteboard()->setItems({});
  int changes = delegate->changes;
  view->pasteAction(nullptr);
  EXPECT_EQ(view->text(), rt::String("12345"));
  EXPECT_EQ(delegate->changes, changes);
}

TEST_F(TextViewPasteTest, RichTextGoesInAtTheCaretAsOneUndoableStep) {
  startWithTwoSteps();
  view->setAllowsPasteAttributedString(true);
  text::setAttributedString(*ui::Pasteboard::generalPasteboard(), *bigText("BIG"));
  int changes = delegate->changes;
  view->pasteAction(nullptr);
  EXPECT_EQ(view->text(), rt::String("abBIGcd"));
  // The caret follows the pasted text; nothing is selected.
  EXPECT_EQ(view->selectedRange(), (rt::Range{5, 0}));
  auto font = rt::as<typeset::Font>(view->attributedText()->attributeAtIndex(typeset::FontAttributeName, 2));
  ASSERT_TRUE(font);
  EXPECT_DOUBLE_EQ(font->pointSize(), 30);
  auto before = rt::as<typeset::Font>(view->attributedText()->attributeAtIndex(typeset::FontAttributeName, 0));
  EXPECT_FALSE(before && before->pointSize() == 30);
  EXPECT_EQ(delegate->changes, changes + 1);
  // The history before the paste survives it.
  ASSERT_TRUE(view->canUndo());
  EXPECT_FALSE(view->canRedo());
  view->undo();
  EXPECT_EQ(view->text(), rt::String("abcd"));
  EXPECT_EQ(view->selectedRange(), (rt::Range{2, 0}));
  view->undo();
  EXPECT_EQ(view->text(), rt::String("cd"));
  view->redo();
  view->redo();
  EXPECT_EQ(view->text(), rt::String("abBIGcd"));

  // Without rich paste the plain text that came along is pasted in the typing attributes.
  view->setAllowsPasteAttributedString(false);
  view->setText("");
  view->pasteAction(nullptr);
  EXPECT_EQ(view->text(), rt::String("BIG"));
  font = rt::as<typeset::Font>(view->attributedText()->attributeAtIndex(typeset::FontAttributeName, 0));
  EXPECT_FALSE(font && font->pointSize() == 30);
}

TEST_F(TextViewPasteTest, RefusedRichPasteChangesNothing) {
  startWithTwoSteps();
  view->setAllowsPasteAttributedString(true);
  text::setAttributedString(*ui::Pasteboard::generalPasteboard(), *bigText("BIG"));
  size_t depth = view->undoHistory().undoStack().size();
  delegate->refuse = true;
  view->pasteAction(nullptr);
  EXPECT_EQ(view->text(), rt::String("abcd"));
  EXPECT_EQ(view->selectedRange(), (rt::Range{2, 0}));
  EXPECT_EQ(view->undoHistory().undoStack().size(), depth);
}

TEST_F(TextViewPasteTest, PicturesBecomeAttachments) {
  double scale = base::DRMainScreenScale();
  auto pasteboard = ui::Pasteboard::generalPasteboard();
  auto withText = [&](const rt::String& type, const rt::Id& value) {
    pasteboard->setItems({ui::PasteboardItem{{type, value},
                                             {rt::String(ui::kUTTypeUTF8PlainText), fd::StringObject::create("tiny")}}});
  };
  enum Kind { Still, AnimatedView, FramesView, PlainText };
  struct Case {
    const char* name;
    std::function<void()> put;
    Kind kind;
    double points = 0;  // the picture's width and height
    bool allowImage = true;
  } cases[] = {
      {"png", [&] { text::setPNGData(*pasteboard, gfx::UIImagePNGRepresentation(square(40))); }, Still, 40 / scale},
      {"gif of two frames", [&] { text::setGIFData(*pasteboard, gifOf(2, 40)); }, AnimatedView, 40 / scale},
      {"gif of one frame", [&] { text::setGIFData(*pasteboard, gifOf(1, 40)); }, Still, 40 / scale},
      {"webp",
       [&] {
         text::setWEBPData(*pasteboard,
                           image::DRImageEncoder::encodeImage(square(40), image::DRImageFileTypeWebP, 0.9));
       },
       Still, 40 / scale},
      {"frames of a platform image",
       [&] {
         auto frames = gfx::Image::animatedImageWithImages({square(40), square(40)}, 0.2);
         pasteboard->setItems({ui::PasteboardItem{{rt::String(text::DRTextPasteboardTypeImageObject), frames}}});
       },
       FramesView, 40},
      // The pasteboard's own image reads data at a scale of 1.
      {"image data", [&] { text::setImageData(*pasteboard, gfx::UIImagePNGRepresentation(square(40))); }, Still, 40},
      {"a point across",
       [&] { withText(rt::String(ui::kUTTypePNG), gfx::UIImagePNGRepresentation(square(size_t(scale)))); }, PlainText},
      {"pictures not allowed",
       [&] { withText(rt::String(ui::kUTTypePNG), gfx::UIImagePNGRepresentation(square(40))); }, PlainText, 0,
       false},
  };
  for (const auto& c : cases) {
    view->setText("ab");
    view->setFont(typeset::Font::systemFontOfSize(17));
    view->setSelectedRange({1, 0});
    view->setAllowsPasteImage(c.allowImage);
    c.put();
    view->pasteAction(nullptr);
    if (c.kind == PlainText) {
      EXPECT_EQ(view->text(), rt::String("atinyb")) << c.name;
      continue;
    }
    ASSERT_EQ(view->attributedText()->length(), 3u) << c.name;
    EXPECT_EQ(view->attributedText()->string().characterAtIndex(1), char16_t(0xFFFC)) << c.name;
    EXPECT_EQ(view->selectedRange(), (rt::Range{2, 0})) << c.name;
    auto content = attachmentContentAt(1);
    ASSERT_TRUE(content) << c.name;
    Ref<gfx::Image> shown;
    if (c.kind == Still) {
      shown = rt::as<gfx::Image>(content);
      ASSERT_TRUE(shown) << c.name;
    } else if (c.kind == AnimatedView) {
      auto animated = rt::as<image::DRAnimatedImageView>(content);
      ASSERT_TRUE(animated) << c.name;
      shown = animated->image();
    } else {
      auto frames = rt::as<ui::ImageView>(content);
      ASSERT_TRUE(frames) << c.name;
      EXPECT_FALSE(rt::as<image::DRAnimatedImageView>(content)) << c.name;
      EXPECT_EQ(frames->frame(), gfx::RectMake(0, 0, 40, 40)) << c.name;
      shown = frames->image();
    }
    ASSERT_TRUE(shown) << c.name;
    EXPECT_EQ(shown->size(), (gfx::Size{c.points, c.points})) << c.name;
    // The attachment takes the typing attributes.
    auto font = rt::as<typeset::Font>(view->attributedText()->attributeAtIndex(typeset::FontAttributeName, 1));
    ASSERT_TRUE(font) << c.name;
    EXPECT_DOUBLE_EQ(font->pointSize(), 17) << c.name;
    ASSERT_TRUE(view->canUndo()) << c.name;
    view->undo();
    EXPECT_EQ(view->text(), rt::String("ab")) << c.name;
  }
}

}  // namespace edit_actions_test
