// The article page against a scripted content service (the head and font rules on exact
// bodies) and the sample service (a whole article loaded, drawn and left again).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include <unistd.h>

#include "app/screens/KDArticleDetailViewController.h"
#include "app/shell/QPNavigationController.h"
#include "app/utilities/UserDefaults.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Image.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "tests/app/ContentServiceFixture.h"
#include "tools/sample-service/service/Catalog.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

namespace fs = std::filesystem;
using fd::RunLoopDriver;

const char* const kTitle = "<span style=\"font-size:40px;\"><b>禾岚区春季花展开幕</b></span><br>";
const char* const kGrey = "<span style=\"color:#969696;font-size:24px;font-family:Arial\">";
const char* const kRule = "<hr style=\"height:0.5px;border:none;border-top:1px solid #dddddd;\" />";
const char* const kBody = "<p style=\"font-size: 32px;\">花展持续一个月。</p></body></html>";

std::string detailJSON(const std::string& relTime, const std::string& html) {
  auto quoted = [](const std::string& s) {
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\\\"") : std::string(1, c);
    return out + "\"";
  };
  return "{\"status\":200,\"info\":\"\",\"data\":{\"docId\":\"140777\",\"docTitle\":\"禾岚区春季花展开幕\","
         "\"docRelTime\":" + quoted(relTime) + ",\"docHtmlCon\":" + quoted(html) + "}}";
}

class ArticlePageTest : public apptest::ContentServiceTest {
 protected:
  void TearDown() override {
    app::UserDefaults::userDefaultsRemove("artice_font");
    window->setRootViewController(nullptr);
    ui::Transaction::flush();
    apptest::ContentServiceTest::TearDown();
  }

  /// Shows a root screen with the article page pushed over it and waits for its first load.
  Ref<app::KDArticleDetailViewController> open(const std::function<void(app::KDArticleDetailViewController&)>& set) {
    auto article = rt::make<app::KDArticleDetailViewController>();
    set(*article);
    nav = rt::make<app::QPNavigationController>(rt::make<ui::ViewController>());
    window->setRootViewController(nav);
    window->layoutIfNeeded();
    host.renderFrame();
    nav->pushViewController(article, true);
    settle(*article);
    return article;
  }
  void settle(app::KDArticleDetailViewController& article) {
    host.renderFrame();
    RunLoopDriver::advance(1);
    EXPECT_TRUE(finishRequest(60));
    EXPECT_TRUE(RunLoopDriver::runUntil([&] { return !article.kdWebView()->isLoading(); }, 30));
    for (int i = 0; i < 10; ++i) {
      RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
  }
  static bool refreshing(app::KDArticleDetailViewController& a) {
    return widgets::km_header(*a.kdWebView()->scrollView())->isRefreshing();
  }
  static Ref<app::KDAPPListModel> item(const std::string& docId, const std::string& subTitle) {
    auto m = rt::make<app::KDAPPListModel>();
    m->docId = docId;
    m->subTitle = subTitle;
    return m;
  }
  /// The window as a bitmap, kept under KD_ARTIFACT_DIR when that is set.
  Ref<gfx::BitmapImage> shoot(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("kd-article-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::path file = dir / (name + ".png");
    std::string error;
    window->layoutIfNeeded();
    EXPECT_TRUE(host.shoot(file.string(), &error)) << error;
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      fs::copy_file(file, fs::path(artifacts) / file.filename(), fs::copy_options::overwrite_existing);
    }
    auto image = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
    fs::remove_all(dir);
    return image ? image->CGImage() : nullptr;
  }

  ui::HeadlessHost host;
  Ref<app::QPNavigationController> nav;
};

TEST_F(ArticlePageTest, HeadAndFontFollowTheSwitchesTheStoredSizeAndTheBody) {
  auto& server = startScriptedServer();
  const std::string body = std::string("<html><body>") + kBody;
  struct Case {
    const char* name;
    bool hiddenDate, showAddress;
    const char* font;  // stored "artice_font", or null
    std::string relTime, html, expected;
  };
  const std::string defaultBody = "<p style=\"font-size:30px;line-height:1.7\">花展持续一个月。</p></body></html>";
  const std::string chosenBody = "<p style=\"font-size:36px;line-height:1.6\">花展持续一个月。</p></body></html>";
  const std::vector<Case> cases = {
      {"date line with rule, default size", false, false, nullptr, "2016-03-01 09:30:00", body,
       std::string("<html><body>") + kTitle + kGrey + "2016-03-01</span>" + kRule + "<p></p>" + defaultBody},
      {"the reader's size", false, false, "font-size:36px;line-height:1.6", "2016-03-01 09:30:00", body,
       std::string("<html><body>") + kTitle + kGrey + "2016-03-01</span>" + kRule + "<p></p>" + chosenBody},
      {"sub-title line without rule", false, true, nullptr, "2016-03-01 09:30:00", body,
       std::string("<html><body>") + kTitle + kGrey + "禾岚区文化路12号</span><p></p>" + defaultBody},
      {"title only", true, false, nullptr, "2016-03-01 09:30:00", body,
       std::string("<html><body>") + kTitle + "<p></p>" + defaultBody},
      {"title only wins over the sub-title", true, true, nullptr, "2016-03-01 09:30:00", body,
       std::string("<html><body>") + kTitle + "<p></p>" + defaultBody},
      {"short time used whole", false, false, nullptr, "2016-3-1", body,
       std::string("<html><body>") + kTitle + kGrey + "2016-3-1</span>" + kRule + "<p></p>" + defaultBody},
      {"no body tag: no head", false, false, nullptr, "2016-03-01 09:30:00", "<p style=\"font-size: 32px;\">花展</p>",
       "<p style=\"font-size:30px;line-height:1.7\">花展</p>"},
      {"no 32px text keeps its sizes", false, false, "font-size:26px;line-height:1.8", "2016-03-01 09:30:00",
       "<body><p style=\"font-size: 20px;\">花展</p>",
       std::string("<body>") + kTitle + kGrey + "2016-03-01</span>" + kRule + "<p></p><p style=\"font-size: 20px;\">花展</p>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.font) app::UserDefaults::userDefaultsWrite(fd::box(fd::String(c.font)), "artice_font");
    else app::UserDefaults::userDefaultsRemove("artice_font");
    script("App/article_info", detailJSON(c.relTime, c.html));
    size_t before = server.requestCount();
    auto article = open([&](app::KDArticleDetailViewController& a) {
      a.setModel(item("140777", "禾岚区文化路12号"));
      a.setIsHiddenDate(c.hiddenDate);
      a.setIsShowAddress(c.showAddress);
    });
    EXPECT_EQ(article->shownHTML().utf8(), c.expected);
    ASSERT_EQ(server.requestCount(), before + 1);
    EXPECT_NE(server.requests().back().body.find("id=140777"), std::string::npos);
    EXPECT_FALSE(refreshing(*article));
    EXPECT_FALSE(widgets::PHProgressHUD::isVisible());
    window->setRootViewController(nullptr);
  }
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(ArticlePageTest, AnArticleOpenedByIdOnlyIsLoadedDrawnWithItsChineseTextAndLeftByTheBackButton) {
  const auto& catalog = startSampleService().catalog();
  const auto* news = catalog.articlesOfChannel("11623");
  ASSERT_NE(news, nullptr);
  const auto& wanted = (*news)[3];
  auto article = open([&](app::KDArticleDetailViewController& a) { a.setDocId(wanted.docId); });
  ASSERT_NE(article->model(), nullptr);
  EXPECT_EQ(article->model()->docId.utf8(), wanted.docId);
  std::string html = article->shownHTML().utf8();
  EXPECT_NE(html.find("<b>" + wanted.docTitle + "</b>"), std::string::npos);
  EXPECT_NE(html.find(wanted.docRelTime.substr(0, 10) + "</span><hr"), std::string::npos);
  EXPECT_EQ(html.find("font-size: 32px;"), std::string::npos);
  EXPECT_NE(html.find("font-size:30px;line-height:1.7"), std::string::npos);
  // The log line carries the page as loaded.
  bool logged = false;
  for (const auto& line : logLines()) logged |= line.find("zzzzzzz-----  ") != std::string::npos &&
                                                line.find(wanted.docTitle) != std::string::npos;
  EXPECT_TRUE(logged);
  EXPECT_EQ(article->kdWebView()->frame(), (gfx::Rect{{0, 64}, {375, 667 - 64}}));
  EXPECT_GT(article->kdWebView()->pageSize().height, 200);

  auto frame = shoot("article-page");
  ASSERT_TRUE(frame);
  ASSERT_EQ(frame->width(), 750u);
  auto count = [&](double x0, double y0, double x1, double y1, auto&& test) {
    size_t n = 0;
    for (size_t y = static_cast<size_t>(y0 * 2); y < static_cast<size_t>(y1 * 2); ++y)
      for (size_t x = static_cast<size_t>(x0 * 2); x < static_cast<size_t>(x1 * 2); ++x) n += test(frame->pixel(x, y));
    return n;
  };
  auto channel = [](uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); };
  auto dark = [&](uint32_t p) { return channel(p, 16) < 90 && channel(p, 8) < 90 && channel(p, 0) < 90; };
  auto barGrey = [&](uint32_t p) { return channel(p, 16) == 245 && channel(p, 8) == 245 && channel(p, 0) == 245; };
  auto dateGrey = [&](uint32_t p) {
    int r = channel(p, 16), g = channel(p, 8), b = channel(p, 0);
    return r > 130 && r < 200 && std::abs(r - g) < 8 && std::abs(g - b) < 8;
  };
  EXPECT_GT(count(0, 0, 375, 64, barGrey), 375u * 64 * 3);  // the bar, but for the back button
  EXPECT_GT(count(0, 64, 375, 140, dark), 1500u);           // the bold title's ink
  EXPECT_GT(count(0, 64, 375, 260, dateGrey), 150u);        // the grey date line
  EXPECT_GT(count(0, 160, 375, 667, dark), 3000u);          // the body text

  // Pull-down loads the same article again.
  widgets::km_header(*article->kdWebView()->scrollView())->beginRefreshing();
  article->setModel(nullptr);
  settle(*article);
  EXPECT_EQ(article->model()->docId.utf8(), wanted.docId);
  EXPECT_FALSE(refreshing(*article));

  ASSERT_EQ(nav->viewControllers().size(), 2u);
  auto back = article->backButton()->convertRectToView(article->backButton()->bounds(), nullptr);
  host.tap({back.origin.x + back.size.width / 2, back.origin.y + back.size.height / 2});
  RunLoopDriver::advance(0.6);
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(ArticlePageTest, FailedOrEmptyAnswersEndTheSpinnersAndShowNothingNew) {
  for (auto mode : {sample::FailMode::Errors, sample::FailMode::Malformed}) {
    SCOPED_TRACE(static_cast<int>(mode));
    sample::ServiceOptions options;
    options.failMode = mode;
    startSampleService(options);
    auto article = open([](app::KDArticleDetailViewController& a) { a.setModel(item("140001", "")); });
    EXPECT_TRUE(article->shownHTML().isEmpty());
    EXPECT_FALSE(refreshing(*article));
    EXPECT_FALSE(widgets::PHProgressHUD::isVisible());
    EXPECT_FALSE(shownErrors().empty());
    window->setRootViewController(nullptr);
  }
  // A success envelope without a record.
  startScriptedServer();
  script("App/article_info", "{\"status\":200,\"info\":\"\",\"data\":null}");
  auto article = open([](app::KDArticleDetailViewController& a) { a.setModel(item("140001", "")); });
  EXPECT_TRUE(article->shownHTML().isEmpty());
  EXPECT_FALSE(refreshing(*article));
  EXPECT_FALSE(widgets::PHProgressHUD::isVisible());
}

}  // namespace
