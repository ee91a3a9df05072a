#include "platform/ui/input/pasteboard/Pasteboard.h"

#include <gtest/gtest.h>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageData.h"

namespace ui {
namespace {

/// A clipboard in memory standing in for the desktop's: what another program would leave.
class MemoryClipboard : public DesktopClipboard {
 public:
  std::optional<rt::String> text() override { return contents; }
  void setText(const rt::String& t) override { contents = t, ++writes; }
  std::optional<rt::String> contents;
  int writes = 0;
};

/// Puts the general pasteboard back as it was and removes the bridge.
class GeneralPasteboardTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = Pasteboard::generalPasteboard()->items(); }
  void TearDown() override {
    Pasteboard::setDesktopClipboard(nullptr);
    Pasteboard::generalPasteboard()->setItems(saved_);
  }
  std::vector<PasteboardItem> saved_;
};

Ref<gfx::Image> blackSquare() {
  auto bitmap = gfx::BitmapImage::createNative(4, 4, true);
  return gfx::Image::imageWithCGImage(bitmap);
}

TEST(Pasteboard, NamedPasteboardsAreSharedUntilRemoved) {
  EXPECT_FALSE(Pasteboard::pasteboardWithName("kd-test-none", false));
  auto a = Pasteboard::pasteboardWithName("kd-test-a", true);
  ASSERT_TRUE(a);
  EXPECT_EQ(Pasteboard::pasteboardWithName("kd-test-a", false), a);
  EXPECT_EQ(Pasteboard::pasteboardWithName(UIPasteboardNameGeneral, true), Pasteboard::generalPasteboard());
  auto u1 = Pasteboard::pasteboardWithUniqueName(), u2 = Pasteboard::pasteboardWithUniqueName();
  EXPECT_NE(u1->name(), u2->name());
  Pasteboard::removePasteboardWithName("kd-test-a");
  EXPECT_FALSE(Pasteboard::pasteboardWithName("kd-test-a", false));
  Pasteboard::removePasteboardWithName(u1->name());
  Pasteboard::removePasteboardWithName(u2->name());
}

TEST(Pasteboard, ItemsTypesAndChangeCount) {
  auto p = Pasteboard::pasteboardWithUniqueName();
  int notified = 0;
  auto token = fd::NotificationCenter::defaultCenter()->addObserverForName(
      rt::String(UIPasteboardChangedNotification), p, nullptr, [&](const Ref<fd::Notification>&) { ++notified; });
  EXPECT_EQ(p->changeCount(), 0);
  EXPECT_FALSE(p->hasStrings());
  p->setString("one");
  EXPECT_EQ(p->changeCount(), 1);
  EXPECT_EQ(p->string(), rt::String("one"));
  p->addItems({PasteboardItem{{rt::String("com.example.private"), fd::Data::create("xyz")}},
               PasteboardItem{{rt::String(kUTTypePlainText), fd::StringObject::create("two")}}});
  EXPECT_EQ(p->changeCount(), 2);
  EXPECT_EQ(p->numberOfItems(), 3u);
  EXPECT_EQ(p->strings(), (std::vector<rt::String>{"one", "two"}));
  EXPECT_EQ(p->pasteboardTypes(), (std::vector<rt::String>{kUTTypeUTF8PlainText}));
  EXPECT_TRUE(p->containsPasteboardTypes({"x", kUTTypeUTF8PlainText}));
  EXPECT_FALSE(p->containsPasteboardTypes({"com.example.private"}));  // only the first item counts
  EXPECT_EQ(p->items()[1].at("com.example.private")->isEqual(fd::Data::create("xyz")), true);

  p->setData(fd::Data::create("\x89PNG"), kUTTypePNG);
  EXPECT_EQ(p->numberOfItems(), 1u);
  EXPECT_FALSE(p->hasStrings());
  ASSERT_TRUE(p->dataForPasteboardType(kUTTypePNG));
  EXPECT_EQ(p->dataForPasteboardType(kUTTypePNG)->length(), 4u);
  EXPECT_FALSE(p->dataForPasteboardType(kUTTypeJPEG));
  EXPECT_FALSE(p->hasImages());  // four bytes are not a picture
  p->setValue(nullptr, kUTTypePNG);
  EXPECT_EQ(p->numberOfItems(), 0u);
  EXPECT_EQ(p->changeCount(), 4);
  EXPECT_EQ(notified, 4);
  fd::NotificationCenter::defaultCenter()->removeObserver(token);
  Pasteboard::removePasteboardWithName(p->name());
}

TEST(Pasteboard, URLsAndImagesRoundTrip) {
  auto p = Pasteboard::pasteboardWithUniqueName();
  p->setURL(fd::URL::URLWithString("https://example.com/a?b=1"));
  ASSERT_TRUE(p->url());
  EXPECT_EQ(p->url()->absoluteString(), rt::String("https://example.com/a?b=1"));
  EXPECT_EQ(p->string(), rt::String("https://example.com/a?b=1"));
  EXPECT_EQ(p->urls().size(), 1u);

  p->setImage(blackSquare());
  auto img = p->image();
  ASSERT_TRUE(img);
  EXPECT_EQ(img->size(), (gfx::Size{4, 4}));
  auto png = p->dataForPasteboardType(kUTTypePNG);
  ASSERT_TRUE(png);
  EXPECT_EQ(png->bytes()[1], 'P');
  // An image object under any type is found as it is.
  auto obj = blackSquare();
  p->setItems({PasteboardItem{{rt::String("com.example.image-object"), obj}}});
  EXPECT_EQ(p->image(), obj);
  EXPECT_EQ(p->images().size(), 1u);
  Pasteboard::removePasteboardWithName(p->name());
}

TEST_F(GeneralPasteboardTest, PlainTextFollowsTheDesktopBothWays) {
  auto clip = std::make_shared<MemoryClipboard>();
  Pasteboard::setDesktopClipboard(clip);
  auto g = Pasteboard::generalPasteboard();

  g->setString("from us");
  EXPECT_EQ(clip->contents, rt::String("from us"));

  int64_t before = g->changeCount();
  clip->contents = rt::String("from another program");
  EXPECT_EQ(g->string(), rt::String("from another program"));
  EXPECT_EQ(g->changeCount(), before + 1);
  EXPECT_EQ(g->changeCount(), before + 1);  // taken in once

  // Other types stay in-process and do not touch the desktop's text.
  int writes = clip->writes;
  g->setItems({PasteboardItem{{rt::String("com.example.private"), fd::Data::create("x")}}});
  EXPECT_EQ(clip->writes, writes);
  EXPECT_TRUE(g->containsPasteboardTypes({"com.example.private"}));
}

TEST_F(GeneralPasteboardTest, AnEmptyOrNonTextDesktopClipboardLosesNothing) {
  auto clip = std::make_shared<MemoryClipboard>();
  Pasteboard::setDesktopClipboard(clip);
  auto g = Pasteboard::generalPasteboard();
  g->setString("kept");
  clip->contents.reset();  // emptied, or holding a picture
  EXPECT_EQ(g->string(), rt::String("kept"));
  clip->contents = rt::String();
  EXPECT_EQ(g->string(), rt::String("kept"));
}

}  // namespace
}  // namespace ui
