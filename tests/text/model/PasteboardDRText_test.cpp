#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/codec/DRImage.h"
#include "image/views/DRAnimatedImageView.h"
#include "platform/graphics/Bitmap.h"
#include "platform/runtime/Class.h"
#include "platform/ui/controls/ImageView.h"
#include "tests/platform/graphics/CodecSamples.h"
#include "tests/support/DeepTextArchive.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextArchiver.h"
#include "text/model/DRTextRubyAnnotation.h"
#include "text/model/DRTextRunDelegate.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "text/model/Pasteboard+DRText.h"

using namespace text;
using typeset::MutableAttributedString;

namespace {

// A pasteboard of the test's own, removed afterwards: the general one stays untouched.
struct PasteboardTest : ::testing::Test {
  Ref<ui::Pasteboard> board = ui::Pasteboard::pasteboardWithUniqueName();
  void TearDown() override { ui::Pasteboard::removePasteboardWithName(board->name()); }
};

Ref<image::DRImage> animatedGif() {
  auto gif = codec_samples::encode(gfx::kUTTypeGIF,
                                   {codec_samples::solidBitmap(4, 4, 0xffff0000u),
                                    codec_samples::solidBitmap(4, 4, 0xff0000ffu)},
                                   codec_samples::gifFrameProps(0.1));
  return image::DRImage::imageWithData(gif);
}

// `archive` with the first subview of its first view renamed to `className`, as a crafted
// pasteboard item would name it; null when the archive holds no subview.
Ref<fd::Data> withSubviewNamed(const Ref<fd::Data>& archive, const char* className) {
  plist_t root = nullptr;
  plist_from_bin(reinterpret_cast<const char*>(archive->bytes()), static_cast<uint32_t>(archive->length()), &root);
  if (!root) return nullptr;
  plist_t objects = plist_dict_get_item(root, "$objects");
  auto object = [&](plist_t uid) -> plist_t {
    uint64_t n = 0;
    if (!uid || plist_get_node_type(uid) != PLIST_UID) return nullptr;
    plist_get_uid_val(uid, &n);
    return plist_array_get_item(objects, static_cast<uint32_t>(n));
  };
  plist_t subview = nullptr;
  for (uint32_t i = 0; objects && i < plist_array_get_size(objects) && !subview; ++i) {
    plist_t list = object(plist_dict_get_item(plist_array_get_item(objects, i), "UISubviews"));
    if (plist_t items = list ? plist_dict_get_item(list, "items") : nullptr) subview = object(plist_array_get_item(items, 0));
  }
  Ref<fd::Data> edited;
  if (subview && plist_get_node_type(subview) == PLIST_DICT) {
    plist_dict_set_item(subview, "$class", plist_new_string(className));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    if (bytes) edited = fd::Data::create(bytes, length);
    plist_to_bin_free(bytes);
  }
  plist_free(root);
  return edited;
}

bool allowedInRichText(const rt::Class* cls) {
  for (const rt::Class* allowed : DRTextUnarchiver::allowedClasses())
    if (cls->isSubclassOfClass(allowed)) return true;
  return false;
}

}  // namespace

TEST_F(PasteboardTest, ImageDataByType) {
  struct Case {
    const char* type;
    void (*set)(ui::Pasteboard&, const Ref<fd::Data>&);
    Ref<fd::Data> (*get)(const ui::Pasteboard&);
  };
  const Case cases[] = {
      {ui::kUTTypePNG, setPNGData, PNGData},       {ui::kUTTypeJPEG, setJPEGData, JPEGData},
      {ui::kUTTypeGIF, setGIFData, GIFData},       {DRTextPasteboardTypeWebP, setWEBPData, WEBPData},
      {ui::kUTTypeImage, setImageData, imageData},
  };
  for (const auto& c : cases) {
    auto data = fd::Data::create(std::string_view(c.type));
    c.set(*board, data);
    ASSERT_TRUE(c.get(*board)) << c.type;
    EXPECT_TRUE(c.get(*board)->isEqual(data.get())) << c.type;
    EXPECT_TRUE(board->dataForPasteboardType(c.type)) << c.type;
  }
}

TEST_F(PasteboardTest, RichTextRoundTripKeepsEveryAttributeClass) {
  auto s = MutableAttributedString::create(u"ab\uFFFCcdefghij");
  setTextBackedString(*s, DRTextBackedString::stringWithString(u"[b]"), {2, 1});
  setTextBinding(*s, DRTextBinding::bindingWithDeleteConfirm(true), {0, 2});
  setTextShadow(*s, DRTextShadow::shadowWithColor(gfx::Color::blackColor(), {1, 1}, 2), {3, 1});
  setTextUnderline(*s, DRTextDecoration::decorationWithStyle(DRTextLineKindThick), {4, 1});
  setTextBorder(*s, DRTextBorder::borderWithFillColor(gfx::Color::whiteColor(), 3), {5, 1});
  setTextAttachment(*s, DRTextAttachment::attachmentWithContent(gfx::Image::imageWithCGImage(
                            gfx::BitmapImage::createNative(2, 2))),
                    {2, 1});
  setTextHighlight(*s, DRTextHighlight::highlightWithAttributes(nullptr), {6, 1});
  auto ruby = rt::make<DRTextRubyAnnotation>();
  ruby->setTextBefore(u"r");
  setTextRubyAnnotation(*s, ruby, {7, 1});
  setRunDelegate(*s, rt::make<DRTextRunDelegate>()->CTRunDelegate(), {2, 1});
  setColor(*s, gfx::Color::colorWithRed(0, 0.5, 1, 1), {8, 2});

  setAttributedString(*board, *s);
  EXPECT_EQ(board->string().value_or(rt::String()), rt::String(u"ab[b]cdefghij"));
  auto back = attributedString(*board);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->string(), s->string());
  EXPECT_TRUE(rt::as<DRTextBackedString>(back->attributeAtIndex(DRTextBackedStringKey, 2)));
  EXPECT_TRUE(rt::as<DRTextBinding>(back->attributeAtIndex(DRTextBindingKey, 1)));
  EXPECT_TRUE(rt::as<DRTextShadow>(back->attributeAtIndex(DRTextShadowKey, 3)));
  EXPECT_EQ(textUnderlineAtIndex(*back, 4)->style(), DRTextLineKindThick);
  EXPECT_EQ(textBorderAtIndex(*back, 5)->cornerRadius(), 3);
  EXPECT_TRUE(rt::as<DRTextAttachment>(back->attributeAtIndex(DRTextAttachmentKey, 2)));
  EXPECT_TRUE(rt::as<DRTextHighlight>(back->attributeAtIndex(DRTextHighlightKey, 6)));
  EXPECT_TRUE(rt::as<typeset::RubyAnnotation>(back->attributeAtIndex(typeset::CTRubyAnnotationAttributeName, 7)));
  EXPECT_TRUE(DRTextRunDelegate::delegateOfCTRunDelegate(
      back->attributeAtIndex(typeset::CTRunDelegateAttributeName, 2)));
  EXPECT_TRUE(colorAtIndex(*back, 9)->isEqual(gfx::Color::colorWithRed(0, 0.5, 1, 1).get()));
}

TEST_F(PasteboardTest, AnimatedAttachmentsAddTheirData) {
  auto gif = animatedGif();
  ASSERT_TRUE(gif);
  ASSERT_TRUE(gif->animatedImageData());
  auto s = attachmentStringWithContent(gif, 0, 10, 10, 0);
  setAttributedString(*board, *s);
  auto items = board->items();
  // the text, the archive, then the image, its GIF data and the image again
  ASSERT_EQ(items.size(), 5u);
  EXPECT_TRUE(items[1].count(DRTextPasteboardTypeAttributedString));
  EXPECT_EQ(items[2].at(DRTextPasteboardTypeImageObject), gif);
  EXPECT_TRUE(items[3].at(ui::kUTTypeGIF)->isEqual(gif->animatedImageData().get()));
  EXPECT_EQ(items[4].at(DRTextPasteboardTypeImageObject), gif);

  auto view = rt::make<ui::ImageView>(gif);
  auto viewString = attachmentStringWithContent(view, 0, 10, 10, 0);
  setAttributedString(*board, *viewString);
  items = board->items();
  // the text, the archive, then the view's image and its data
  ASSERT_EQ(items.size(), 4u);
  EXPECT_TRUE(items[1].count(DRTextPasteboardTypeAttributedString));
  EXPECT_EQ(items[2].at(DRTextPasteboardTypeImageObject), gif);
  EXPECT_TRUE(items[3].at(ui::kUTTypeGIF)->isEqual(gif->animatedImageData().get()));
  // The image view comes back with its image.
  auto back = attributedString(*board);
  ASSERT_TRUE(back);
  auto attachment = rt::as<DRTextAttachment>(back->attributeAtIndex(DRTextAttachmentKey, 0));
  ASSERT_TRUE(attachment);
  auto backView = rt::as<ui::ImageView>(attachment->content());
  ASSERT_TRUE(backView);
  ASSERT_TRUE(backView->image());
  EXPECT_EQ(backView->image()->size(), gif->size());
}

TEST_F(PasteboardTest, AnimatedEmojiSurvivesCopyAndPaste) {
  auto gif = animatedGif();
  ASSERT_TRUE(gif);
  auto emoji = attachmentStringWithEmojiImage(gif, 20);
  ASSERT_TRUE(emoji);
  auto s = MutableAttributedString::create(u"hi ");
  s->appendAttributedString(*emoji);
  auto original = rt::as<DRTextAttachment>(s->attributeAtIndex(DRTextAttachmentKey, 3));
  ASSERT_TRUE(original);
  auto originalView = rt::as<image::DRAnimatedImageView>(original->content());
  ASSERT_TRUE(originalView) << "the factory shows an animated image in an animated image view";

  setAttributedString(*board, *s);
  auto back = attributedString(*board);
  ASSERT_TRUE(back) << "the rich text is pasted, not only its plain text";
  EXPECT_EQ(back->string(), s->string());
  auto attachment = rt::as<DRTextAttachment>(back->attributeAtIndex(DRTextAttachmentKey, 3));
  ASSERT_TRUE(attachment);
  EXPECT_EQ(attachment->contentInsets(), original->contentInsets());
  auto view = rt::as<image::DRAnimatedImageView>(attachment->content());
  ASSERT_TRUE(view);
  EXPECT_NE(view, originalView);
  // The frame travels as bounds and centre.
  EXPECT_NEAR(view->frame().origin.x, originalView->frame().origin.x, 1e-9);
  EXPECT_NEAR(view->frame().origin.y, originalView->frame().origin.y, 1e-9);
  EXPECT_EQ(view->frame().size, originalView->frame().size);
  EXPECT_EQ(view->contentMode(), originalView->contentMode());
  // Still animated: the frames and their data came along.
  auto image = rt::as<image::DRImage>(view->image());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->animatedImageFrameCount(), 2u);
  ASSERT_TRUE(image->animatedImageData());
  EXPECT_TRUE(image->animatedImageData()->isEqual(gif->animatedImageData().get()));
  EXPECT_TRUE(DRTextRunDelegate::delegateOfCTRunDelegate(back->attributeAtIndex(typeset::CTRunDelegateAttributeName, 3)));
}

TEST_F(PasteboardTest, PastedImageViewsHoldOnlyAllowedClasses) {
  // An animated emoji whose view holds an image view: copied, then its subview renamed.
  auto gif = animatedGif();
  ASSERT_TRUE(gif);
  auto emoji = attachmentStringWithEmojiImage(gif, 20);
  ASSERT_TRUE(emoji);
  auto emojiView = rt::as<image::DRAnimatedImageView>(
      rt::as<DRTextAttachment>(emoji->attributeAtIndex(DRTextAttachmentKey, 0))->content());
  ASSERT_TRUE(emojiView);
  emojiView->addSubview(rt::make<ui::ImageView>());
  setAttributedString(*board, *emoji);
  auto items = board->items();
  ASSERT_GE(items.size(), 2u);
  auto archive = rt::as<fd::Data>(items[1].at(DRTextPasteboardTypeAttributedString));
  ASSERT_TRUE(archive);

  // An image view inside the emoji's view is allowed and comes back.
  auto pastedView = [&]() -> Ref<ui::View> {
    auto back = attributedString(*board);
    auto attachment = back ? rt::as<DRTextAttachment>(back->attributeAtIndex(DRTextAttachmentKey, 0)) : nullptr;
    return attachment ? rt::as<ui::View>(attachment->content()) : nullptr;
  };
  auto view = pastedView();
  ASSERT_TRUE(view);
  ASSERT_EQ(view->subviews().size(), 1u);
  EXPECT_EQ(view->subviews()[0]->getClass(), ui::ImageView::classObject());

  // Every other registered class named there refuses the whole item, with an error naming it.
  std::vector<std::string> accepted;
  size_t tried = 0;
  for (const rt::Class* cls : rt::Class::allClasses()) {
    if (cls->isMetaClass() || allowedInRichText(cls)) continue;
    SCOPED_TRACE(cls->cName());
    auto crafted = withSubviewNamed(archive, cls->cName());
    ASSERT_TRUE(crafted);
    ++tried;
    board->setItems({{{rt::String(DRTextPasteboardTypeAttributedString), crafted}}});
    if (pastedView()) accepted.push_back(cls->cName());
    auto unarchiver = rt::make<DRTextUnarchiver>(crafted);
    ASSERT_TRUE(unarchiver);
    EXPECT_FALSE(unarchiver->decodeObjectOfClasses(DRTextUnarchiver::allowedClasses(), "root"));
    const auto& error = unarchiver->error();
    auto reason = error ? error->userInfo()->objectForKey(rt::String(fd::NSDebugDescriptionErrorKey)) : nullptr;
    EXPECT_TRUE(reason && reason->description().contains(cls->name())) << (reason ? reason->description().utf8() : "");
  }
  EXPECT_GT(tried, 10u);
  EXPECT_TRUE(accepted.empty()) << ::testing::PrintToString(accepted);
}

TEST_F(PasteboardTest, DeeplyNestedItemsAreRefused) {
  // Highlights nested in each other's attribute archives, behind 990 arrays each: no rich
  // text, and no crash on a 1 MB stack.
  auto data = testsupport::deepHighlightArchive(990, 7);
  ASSERT_TRUE(data);
  board->setString(u"plain");
  board->addItems({{{rt::String(DRTextPasteboardTypeAttributedString), data}}});
  Ref<typeset::AttributedString> back;
  bool ran = false;
  ASSERT_TRUE(testsupport::runWithStack(size_t(1) << 20, [&] {
    back = attributedString(*board);
    ran = true;
  }));
  EXPECT_TRUE(ran);
  EXPECT_FALSE(back);
}

TEST_F(PasteboardTest, PlainTextOnlyGivesNoAttributedString) {
  board->setString(u"just text");
  EXPECT_FALSE(attributedString(*board));
}
