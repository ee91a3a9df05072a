// A news screen as the application builds it, rendered headless at 375x667 and scale 2: four
// tabs with Chinese titles, a navigation bar, a table of rows with a picture, a two-line title
// and a grey date; then a pushed page with a bold heading and a long paragraph, which hides
// the tab bar. The pictures go to KD_ARTIFACT_DIR when it is set.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/graphics/ImageContext.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/controllers/TabBarController.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/lists/TableView.h"
#include "tests/platform/ui/controllers/ViewControllerRecorder.h"

using namespace ui;
using namespace ui::testing;
namespace fs = std::filesystem;

namespace {

const rt::String kCellId("news");
const char* const kTabs[] = {"资讯", "视听", "游走", "云岫声"};
const char* const kTitles[] = {
    "区政府召开“十四五”规划推进会，部署下半年重点工作任务",
    "云岫山景区秋季游览线路调整，新增三处观景平台",
    "社区卫生服务中心开通夜间门诊 Yoga 课程同步上线",
    "老城区道路改造工程进入收尾阶段，预计月底全线通车",
};
const char* const kHeading = "区政府召开“十四五”规划推进会";
const char* const kParagraph =
    "本报讯 昨日上午，区政府召开“十四五”规划推进会，总结上半年各项工作进展情况，部署下半年重点工作任务。"
    "会议指出，今年以来，全区上下围绕年度目标，统筹推进经济发展、城市建设和民生保障，各项工作取得积极成效。"
    "会议要求，各部门要紧盯目标任务，细化工作措施，确保全年目标顺利完成；要持续改善营商环境，"
    "推动重点项目早开工、早投产、早见效。Yoga、digits 2026 and emoji 😀 share the baseline.";

Ref<gfx::Color> rgb(int r, int g, int b) { return gfx::Color::colorWithRed(r / 255.0, g / 255.0, b / 255.0, 1); }

// A 25-point tab icon: a ring in the given colour.
Ref<gfx::Image> icon(const Ref<gfx::Color>& colour) {
  auto ctx = gfx::Context::createForImage({25, 25}, false, 2);
  ctx->setStrokeColor(colour);
  ctx->setLineWidth(2);
  ctx->strokeEllipseInRect(gfx::RectMake(3, 3, 19, 19));
  auto image = gfx::Image::imageWithCGImage(ctx->makeImage(), 2);
  return image->imageWithRenderingMode(gfx::ImageRenderingMode::AlwaysOriginal);
}

// A row's picture: a sky-to-sea ramp with a sun.
Ref<gfx::Image> picture(int64_t row) {
  auto ctx = gfx::Context::createForImage({100, 70}, true, 2);
  ctx->setFillColor(rgb(70 + int(row % 5) * 30, 140, 200));
  ctx->fillRect(gfx::RectMake(0, 0, 100, 70));
  ctx->setFillColor(rgb(40, 90, 150));
  ctx->fillRect(gfx::RectMake(0, 45, 100, 25));
  ctx->setFillColor(rgb(250, 210, 80));
  ctx->fillEllipseInRect(gfx::RectMake(64, 10, 18, 18));
  return gfx::Image::imageWithCGImage(ctx->makeImage(), 2);
}

class Rows : public TableViewDataSource {
 public:
  int64_t tableViewNumberOfRowsInSection(TableView&, int64_t) override { return 20; }
  Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView& tv, const Ref<fd::IndexPath>& ip) override {
    auto cell = tv.dequeueReusableCellWithIdentifier(kCellId, ip);
    auto content = cell->contentView();
    if (content->subviews().empty()) {
      auto image = rt::make<ImageView>(gfx::RectMake(12, 10, 100, 70));
      image->setContentMode(ViewContentMode::ScaleAspectFill);
      image->setClipsToBounds(true);
      image->setTag(1);
      content->addSubview(image);
      auto title = rt::make<Label>(gfx::RectMake(122, 8, 241, 46));
      title->setFont(typeset::Font::systemFontOfSize(16));
      title->setNumberOfLines(2);
      title->setTag(2);
      content->addSubview(title);
      auto date = rt::make<Label>(gfx::RectMake(122, 62, 241, 16));
      date->setFont(typeset::Font::systemFontOfSize(12));
      date->setTextColor(rgb(150, 150, 150));
      date->setTag(3);
      content->addSubview(date);
    }
    rt::as<ImageView>(content->viewWithTag(1))->setImage(picture(ip->row()));
    rt::as<Label>(content->viewWithTag(2))->setText(rt::String(kTitles[ip->row() % 4]));
    rt::as<Label>(content->viewWithTag(3))->setText(rt::String(("2026-12-" + std::to_string(10 - ip->row() % 9)).c_str()));
    return cell;
  }
};

class ListController : public ViewController {
 public:
  void loadView() override {
    table = rt::make<TableView>(Screen::mainScreen()->bounds());
    table->registerClassForCellReuseIdentifier<TableViewCell>(kCellId);
    table->setRowHeight(90);
    table->setBackgroundColor(gfx::Color::whiteColor());
    table->setDataSource(rows);
    setView(table);
  }
  std::shared_ptr<Rows> rows = std::make_shared<Rows>();
  Ref<TableView> table;
};

class ArticleController : public ViewController {
 public:
  void loadView() override {
    auto v = rt::make<View>(Screen::mainScreen()->bounds());
    v->setBackgroundColor(gfx::Color::whiteColor());
    heading = rt::make<Label>(gfx::RectMake(16, 76, 343, 64));
    heading->setFont(typeset::Font::boldSystemFontOfSize(22));
    heading->setNumberOfLines(2);
    heading->setText(rt::String(kHeading));
    v->addSubview(heading);
    body = rt::make<Label>(gfx::RectMake(16, 150, 343, 0));
    body->setFont(typeset::Font::systemFontOfSize(17));
    body->setNumberOfLines(0);
    body->setText(rt::String(kParagraph));
    body->setFrame(gfx::RectMake(16, 150, 343, body->sizeThatFits({343, 0}).height));
    v->addSubview(body);
    setView(v);
  }
  Ref<Label> heading, body;
};

class NewsScreenTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    dir = fs::temp_directory_path() / ("news_screen_" + std::to_string(getpid()));
    fs::create_directories(dir);
    // As the application sets its tabs: a 14-point font for both states, a colour for each.
    auto font = typeset::Font::systemFontOfSize(14);
    TabBarItem::appearance()->setTitleTextAttributes(
        fd::Dictionary::withStrings({{rt::String(typeset::FontAttributeName), font},
                                     {rt::String(typeset::ForegroundColorAttributeName), rgb(51, 51, 51)}}),
        ControlStateNormal);
    TabBarItem::appearance()->setTitleTextAttributes(
        fd::Dictionary::withStrings({{rt::String(typeset::ForegroundColorAttributeName), rgb(200, 20, 0)}}),
        ControlStateSelected);
    list = rt::make<ListController>();
    list->setTitle(rt::String(kTabs[0]));
    std::vector<Ref<ViewController>> tabControllers{rt::make<NavigationController>(list)};
    for (int i = 1; i < 4; ++i) tabControllers.push_back(rt::make<NavigationController>(make(kTabs[i])));
    for (int i = 0; i < 4; ++i) {
      auto item = tabControllers[size_t(i)]->tabBarItem();
      item->setTitle(rt::String(kTabs[i]));
      item->setImage(icon(rgb(120, 120, 120)));
      item->setSelectedImage(icon(rgb(200, 20, 0)));
    }
    tabs = rt::make<TabBarController>();
    tabs->setViewControllers(tabControllers);
    window->setBackgroundColor(gfx::Color::whiteColor());
    show(tabs);
  }
  void TearDown() override {
    fs::remove_all(dir);
    ControllerTest::TearDown();
  }
  void shoot(const std::string& name) {
    std::string error;
    fs::path file = dir / name;
    ASSERT_TRUE(host.shoot(file.string(), &error)) << error;
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      fs::copy_file(file, fs::path(artifacts) / name, fs::copy_options::overwrite_existing);
    }
  }
  uint32_t at(size_t x, size_t y) { return host.compositor().pixelAt(x, y); }
  int grey(size_t x, size_t y) {
    uint32_t c = at(x, y);
    return int(((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) / 3);
  }
  /// The darkest grey inside `r` (points).
  int darkestIn(gfx::Rect r) {
    int dark = 255;
    for (size_t y = size_t(r.origin.y * 2); y < size_t((r.origin.y + r.size.height) * 2); ++y)
      for (size_t x = size_t(r.origin.x * 2); x < size_t((r.origin.x + r.size.width) * 2); ++x)
        dark = std::min(dark, grey(x, y));
    return dark;
  }
  /// How many pixels inside `r` are within `tolerance` of `c` in every channel.
  int pixelsOf(gfx::Rect r, const gfx::Color& c, int tolerance) {
    double v[4];
    c.rgba(v);
    int count = 0;
    for (size_t y = size_t(r.origin.y * 2); y < size_t((r.origin.y + r.size.height) * 2); ++y)
      for (size_t x = size_t(r.origin.x * 2); x < size_t((r.origin.x + r.size.width) * 2); ++x) {
        uint32_t p = at(x, y);
        if (std::abs(int(p >> 16 & 0xFF) - int(std::lround(v[0] * 255))) <= tolerance &&
            std::abs(int(p >> 8 & 0xFF) - int(std::lround(v[1] * 255))) <= tolerance &&
            std::abs(int(p & 0xFF) - int(std::lround(v[2] * 255))) <= tolerance)
          ++count;
      }
    return count;
  }

  fs::path dir;
  HeadlessHost host;
  Ref<ListController> list;
  Ref<TabBarController> tabs;
};

}  // namespace

TEST_F(NewsScreenTest, ListAndPushedArticleRenderCrispAndWhole) {
  host.renderFrame();
  shoot("news-list.png");
  // The first row sits under the navigation bar; its date reaches its own grey.
  auto rows = list->table->visibleCells();
  ASSERT_FALSE(rows.empty());
  auto first = rows.front()->contentView();
  auto date = first->viewWithTag(3);
  gfx::Rect dateBox = date->convertRectToView(date->bounds(), nullptr);
  EXPECT_GE(dateBox.origin.y, 64) << "the table's inset keeps the first row below the bar";
  EXPECT_LE(darkestIn(dateBox), 154);
  EXPECT_LE(darkestIn(first->viewWithTag(2)->convertRectToView(first->viewWithTag(2)->bounds(), nullptr)), 30);
  // The selected tab's title shows its exact red; the others their dark grey, in 14 points.
  gfx::Rect tab0 = tabs->tabBar()->buttonAtIndex(0)->convertRectToView(tabs->tabBar()->buttonAtIndex(0)->bounds(), nullptr);
  EXPECT_GT(pixelsOf(tab0, *rgb(200, 20, 0), 3), 20);
  gfx::Rect tab1 = tabs->tabBar()->buttonAtIndex(1)->convertRectToView(tabs->tabBar()->buttonAtIndex(1)->bounds(), nullptr);
  EXPECT_LE(darkestIn(tab1), 60);

  auto article = rt::make<ArticleController>();
  article->setHidesBottomBarWhenPushed(true);
  auto nav = list->navigationController();
  nav->pushViewController(article, false);
  host.renderFrame();
  shoot("news-article.png");
  EXPECT_TRUE(tabs->tabBar()->isHidden());
  EXPECT_EQ(article->view()->frame(), Screen::mainScreen()->bounds());
  EXPECT_LE(darkestIn(article->heading->frame()), 30);
  // Every line of the paragraph shows, the last one too.
  gfx::Rect body = article->body->frame();
  EXPECT_GT(body.size.height, 200);
  EXPECT_LE(darkestIn(gfx::RectMake(body.origin.x, body.origin.y + body.size.height - 20, 343, 20)), 60);
  EXPECT_EQ(darkestIn(gfx::RectMake(0, 620, 375, 47)), 255) << "no tab bar on the article";
}
