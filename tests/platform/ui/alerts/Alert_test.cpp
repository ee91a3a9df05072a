// Both alert kinds drawn headless and tapped through the host: the panel over the dimmed
// screen, button order, and the callbacks with the right index or action.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/graphics/Image.h"
#include "platform/ui/alerts/AlertController.h"
#include "platform/ui/alerts/AlertView.h"
#include "platform/ui/host/Host.h"
#include "tests/platform/ui/controllers/ViewControllerRecorder.h"

using namespace ui;
using namespace ui::testing;
namespace fs = std::filesystem;

namespace {

int channel(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); }

class Clicks : public AlertViewDelegate {
 public:
  std::vector<std::string> log;
  void alertViewClickedButtonAtIndex(AlertView&, int64_t i) override { log.push_back("clicked " + std::to_string(i)); }
  void alertViewDidDismissWithButtonIndex(AlertView&, int64_t i) override {
    log.push_back("dismissed " + std::to_string(i));
  }
};

class AlertTest : public ControllerTest {
 protected:
  Ref<gfx::BitmapImage> shoot(HeadlessHost& host, const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("alerts_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::path file = dir / (name + ".png");
    EXPECT_TRUE(host.shoot(file.string()));
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      fs::copy_file(file, fs::path(artifacts) / file.filename(), fs::copy_options::overwrite_existing);
    }
    auto image = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
    fs::remove_all(dir);
    return image ? image->CGImage() : nullptr;
  }
  /// The centre of a button in screen points.
  static gfx::Point centreOf(const Ref<Button>& b) {
    gfx::Rect r = b->convertRectToView(b->bounds(), nullptr);
    return {r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2};
  }
};

}  // namespace

TEST_F(AlertTest, LegacyAlertShowsOverEverythingAndReportsTheTappedButton) {
  auto root = make("root");
  show(root);
  root->view()->setBackgroundColor(gfx::Color::whiteColor());
  auto clicks = std::make_shared<Clicks>();
  auto alert = rt::make<AlertView>("提示", "您当前使用非wifi环境,继续播放?", clicks, "取消",
                                   std::vector<rt::String>{"确定"});
  EXPECT_EQ(alert->numberOfButtons(), 2);
  EXPECT_EQ(alert->cancelButtonIndex(), 0);
  EXPECT_EQ(alert->firstOtherButtonIndex(), 1);
  EXPECT_EQ(alert->buttonTitleAtIndex(1), rt::String("确定"));
  EXPECT_FALSE(alert->isVisible());
  alert->show();
  EXPECT_TRUE(alert->isVisible());

  HeadlessHost host(Screen::mainScreen());
  auto frame = shoot(host, "alert-view");
  ASSERT_TRUE(frame);
  // Dimmed white outside the panel, the panel's near-white inside, title ink in its top part.
  uint32_t outside = frame->pixel(20, 20);
  EXPECT_LT(channel(outside, 16), 200);
  EXPECT_GT(channel(outside, 16), 100);
  gfx::Rect panel = alert->panelView()->panel()->convertRectToView(alert->panelView()->panel()->bounds(), nullptr);
  EXPECT_NEAR(panel.size.width, 270, 0.5);
  EXPECT_NEAR(panel.origin.x + panel.size.width / 2, 187.5, 1);
  uint32_t inside = frame->pixel(static_cast<size_t>((panel.origin.x + 6) * 2), static_cast<size_t>((panel.origin.y + 6) * 2));
  EXPECT_GT(channel(inside, 16), 240);
  size_t ink = 0;
  for (double y = panel.origin.y + 18; y < panel.origin.y + 42; y += 0.5)
    for (double x = panel.origin.x + 90; x < panel.origin.x + 180; x += 0.5)
      ink += channel(frame->pixel(static_cast<size_t>(x * 2), static_cast<size_t>(y * 2)), 16) < 100;
  EXPECT_GT(ink, 40u);

  // Two buttons side by side, the cancel one on the left; a tap on "确定" reports index 1.
  const auto& buttons = alert->panelView()->buttons();
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0]->titleLabel()->text(), rt::String("取消"));
  EXPECT_LT(centreOf(buttons[0]).x, centreOf(buttons[1]).x);
  std::weak_ptr<AlertView> weak = alert;
  alert = nullptr;  // the shown alert keeps itself
  host.tap(centreOf(buttons[1]));
  EXPECT_EQ(clicks->log, (std::vector<std::string>{"clicked 1", "dismissed 1"}));
  EXPECT_TRUE(weak.expired());
  EXPECT_TRUE(window->isKeyWindow());
}

TEST_F(AlertTest, ColumnOfButtonsPutsCancelLastAndDismissingByCodeSkipsTheClick) {
  auto root = make("root");
  show(root);
  auto clicks = std::make_shared<Clicks>();
  auto alert = rt::make<AlertView>("标题", "", clicks, "取消", std::vector<rt::String>{"一", "二"});
  EXPECT_EQ(alert->addButtonWithTitle("三"), 3);
  alert->show();
  const auto& buttons = alert->panelView()->buttons();
  ASSERT_EQ(buttons.size(), 4u);
  EXPECT_EQ(buttons.back()->titleLabel()->text(), rt::String("取消"));
  EXPECT_LT(centreOf(buttons[0]).y, centreOf(buttons[3]).y);
  HeadlessHost host(Screen::mainScreen());
  host.tap(centreOf(buttons[3]));
  EXPECT_EQ(clicks->log, (std::vector<std::string>{"clicked 0", "dismissed 0"}));

  auto other = rt::make<AlertView>("标题", "", clicks, "", std::vector<rt::String>{"好"});
  EXPECT_EQ(other->cancelButtonIndex(), -1);
  other->show();
  other->dismissWithClickedButtonIndex(0, true);
  EXPECT_FALSE(other->isVisible());
  EXPECT_EQ(clicks->log.back(), "dismissed 0");
  EXPECT_EQ(clicks->log.size(), 3u);
}

TEST_F(AlertTest, AlertControllerPresentedOverItsScreenRunsTheActionAfterDismissal) {
  auto root = make("root");
  show(root);
  root->view()->setBackgroundColor(gfx::Color::whiteColor());
  auto alert = AlertController::alertControllerWithTitle("提示", "确定要清除缓存吗?", AlertControllerStyle::Alert);
  std::vector<std::string> handled;
  Ref<AlertController> keep = alert;
  alert->addAction(AlertAction::actionWithTitle("确定", AlertActionStyle::Default, [&](AlertAction& a) {
    handled.push_back(a.title().utf8() + (keep->presentingViewController() ? " presented" : " dismissed"));
  }));
  alert->addAction(AlertAction::actionWithTitle("取消", AlertActionStyle::Cancel));
  EXPECT_THROW(alert->addAction(AlertAction::actionWithTitle("再取消", AlertActionStyle::Cancel)), rt::Exception);
  root->presentViewController(alert, true);
  EXPECT_EQ(root->presentedViewController(), alert);
  // The presenting screen stays in the window under the alert.
  EXPECT_EQ(root->view()->window(), window);
  const auto& buttons = alert->panelView()->buttons();
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0]->titleLabel()->text(), rt::String("取消"));

  HeadlessHost host(Screen::mainScreen());
  host.setWindowSource([this] { return std::vector<Ref<Window>>{window}; });
  auto frame = shoot(host, "alert-controller");
  ASSERT_TRUE(frame);
  EXPECT_LT(channel(frame->pixel(20, 20), 16), 200);  // the white screen, dimmed

  host.tap(centreOf(buttons[1]));
  EXPECT_EQ(handled, (std::vector<std::string>{"确定 dismissed"}));
  EXPECT_EQ(root->presentedViewController(), nullptr);
  EXPECT_EQ(alert->view()->window(), nullptr);
}

TEST_F(AlertTest, ActionSheetSitsAtTheBottom) {
  auto root = make("root");
  show(root);
  auto sheet = AlertController::alertControllerWithTitle("", "", AlertControllerStyle::ActionSheet);
  sheet->addAction(AlertAction::actionWithTitle("取消", AlertActionStyle::Cancel));
  sheet->addAction(AlertAction::actionWithTitle("删除", AlertActionStyle::Destructive));
  root->presentViewController(sheet, false);
  sheet->view()->layoutIfNeeded();
  gfx::Rect panel = sheet->panelView()->panel()->frame();
  EXPECT_NEAR(panel.origin.y + panel.size.height, Screen::mainScreen()->bounds().size.height - 8, 0.5);
  EXPECT_EQ(sheet->panelView()->buttons().back()->titleLabel()->text(), rt::String("取消"));
}
