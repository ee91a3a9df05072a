// An article page of the sample service loaded through URL loading, laid out and drawn
// headless: the text shows as ink in the text area and the article's picture as its own
// colours once it has arrived.
#include <httplib.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/graphics/Image.h"
#include "platform/ui/lists/ScrollView.h"
#include "tests/tools/web/WebViewFixture.h"
#include "tools/sample-service/service/Catalog.h"

using namespace webtest;

namespace {

/// The first article whose body holds a picture, with that picture's address.
const sample::Article* articleWithPicture(const sample::Catalog& catalog, std::string* picture) {
  for (const auto& channel : catalog.channels()) {
    const auto* articles = catalog.articlesOfChannel(channel.trs_channel_id);
    if (!articles) continue;
    for (const auto& a : *articles) {
      size_t at = a.docHtmlCon.find("<img src=\"");
      if (at == std::string::npos) continue;
      size_t end = a.docHtmlCon.find('"', at + 10);
      *picture = a.docHtmlCon.substr(at + 10, end - at - 10);
      return &a;
    }
  }
  return nullptr;
}

/// Pixels within `tolerance` of `colour` in each channel.
size_t countNear(const gfx::BitmapImage& frame, uint32_t colour, int tolerance, size_t fromRow = 0) {
  size_t n = 0;
  for (size_t y = fromRow; y < frame.height(); ++y)
    for (size_t x = 0; x < frame.width(); ++x) {
      uint32_t p = frame.pixel(x, y);
      if (std::abs(channel(p, 16) - channel(colour, 16)) <= tolerance &&
          std::abs(channel(p, 8) - channel(colour, 8)) <= tolerance &&
          std::abs(channel(p, 0) - channel(colour, 0)) <= tolerance)
        ++n;
    }
  return n;
}

/// The picture's most frequent colour (quantised to 16 levels a channel).
uint32_t commonColour(const gfx::BitmapImage& picture) {
  std::map<uint32_t, size_t> counts;
  for (size_t y = 0; y < picture.height(); ++y)
    for (size_t x = 0; x < picture.width(); ++x) ++counts[picture.pixel(x, y) & 0xF0F0F0];
  auto best = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; });
  return best->first | 0x080808;
}

}  // namespace

TEST_F(WebViewTest, ArticlePageRendersItsChineseTextAndPicture) {
  std::string picture;
  const sample::Article* article = articleWithPicture(service.server().catalog(), &picture);
  ASSERT_NE(article, nullptr);
  load("/web/article/" + article->docId + ".html");
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events.back(), "finish");
  EXPECT_EQ(recorder->count("start"), 1u);
  EXPECT_FALSE(recorder->offMainThread);
  EXPECT_EQ(web->pageTitle(), rt::String(article->docTitle.c_str()));

  // The page is laid out at the view's width (it asks for the device width) and is taller
  // than the view: the scroll view's content is the page.
  gfx::Size page = web->pageSize();
  EXPECT_NEAR(page.width, 375, 1);
  EXPECT_GT(page.height, web->bounds().size.height);
  EXPECT_EQ(web->scrollView()->contentSize().height, page.height);

  auto top = shoot("web-article-top");
  ASSERT_TRUE(top);
  ASSERT_EQ(top->width(), 750u);
  // Text ink below the bar, in the left and right halves of the text column; nothing above
  // the web view's top edge but the window's white.
  auto inkIn = [&](double x0, double y0, double x1, double y1) {
    size_t n = 0;
    for (size_t y = static_cast<size_t>(y0 * 2); y < static_cast<size_t>(y1 * 2); ++y)
      for (size_t x = static_cast<size_t>(x0 * 2); x < static_cast<size_t>(x1 * 2); ++x) n += isInk(top->pixel(x, y));
    return n;
  };
  EXPECT_GT(inkIn(8, 64, 187, 667), 2000u);
  EXPECT_GT(inkIn(187, 64, 367, 667), 2000u);
  EXPECT_EQ(inkIn(0, 0, 375, 63), 0u);

  // The picture, scrolled into view, shows in the picture's own commonest colour.
  auto client = service.client();
  auto bytes = client.Get(picture.substr(service.server().baseURL().size()));
  ASSERT_TRUE(bytes && bytes->status == 200);
  auto image = gfx::Image::imageWithData(fd::Data::create(bytes->body));
  ASSERT_TRUE(image && image->CGImage());
  uint32_t colour = commonColour(*image->CGImage());
  EXPECT_LT(countNear(*top, colour, 12, 128), 50u) << "the picture is at the page's end";
  auto sv = web->scrollView();
  sv->setContentOffset(sv->maximumContentOffset());
  auto bottom = shoot("web-article-bottom");
  ASSERT_TRUE(bottom);
  EXPECT_GT(countNear(*bottom, colour, 12, 128), 20000u);
}

TEST_F(WebViewTest, PictureThatFailsLeavesItsBoxEmptyAndThePageFinishes) {
  web->loadHTMLString("<html><body><p>图片</p><img src=\"/pictures/none/missing.png\"></body></html>",
                      fd::URL::URLWithString(rt::String(url("/").c_str())));
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events.back(), "finish");
  EXPECT_EQ(recorder->count("fail"), 0u);
  EXPECT_GT(web->pageSize().height, 0);
}
