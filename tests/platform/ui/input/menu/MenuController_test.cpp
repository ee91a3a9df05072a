// The edit menu over a text field: what it offers, where it goes, what a tap does, and how it
// looks with the keyboard up (the picture goes to KD_ARTIFACT_DIR when it is set).
#include "platform/ui/input/menu/MenuController.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/input/menu/MenuWindow.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"
#include "platform/ui/layer/Transaction.h"

using namespace ui;
namespace fs = std::filesystem;

namespace {

/// A container that can share, so that a "Share" item is offered over the field inside it.
class Sharer : public View {
  RT_CLASS(Sharer, View)
 public:
  void share(const rt::Id&) { ++shared; }
  int shared = 0;
};
RT_IMPLEMENT(Sharer) { c.method("share:", &Sharer::share); }

class MenuControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    screen = Screen::mainScreen();
    saved = Pasteboard::generalPasteboard()->items();
    window = rt::make<Window>(screen->bounds());
    window->setBackgroundColor(gfx::Color::whiteColor());
    window->makeKeyAndVisible();
    sharer = rt::make<Sharer>(screen->bounds());
    window->addSubview(sharer);
    field = rt::make<TextField>(gfx::RectMake(20, 300, 335, 36));
    field->setBorderStyle(TextBorderStyle::RoundedRect);
    sharer->addSubview(field);
    ASSERT_TRUE(field->becomeFirstResponder());
    field->insertText("hello world");
    field->setSelectedRange({0, 5});
    window->layoutIfNeeded();
  }
  void TearDown() override {
    auto menu = MenuController::sharedMenuController();
    menu->setMenuVisible(false, false);
    menu->setMenuItems({});
    menu->setArrowDirection(MenuControllerArrowDirection::Default);
    if (auto r = Responder::currentFirstResponder()) r->resignFirstResponder();
    fd::RunLoopDriver::advance(1);
    Keyboard::sharedKeyboard()->setStyle(KeyboardStyle::Simulated);
    Pasteboard::generalPasteboard()->setItems(saved);
    window.reset();
    Transaction::flush();
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  std::vector<std::string> titles() {
    std::vector<std::string> out;
    for (auto& item : MenuController::sharedMenuController()->offeredItems()) out.push_back(item->title().utf8());
    return out;
  }
  Ref<Screen> screen;
  std::vector<PasteboardItem> saved;
  Ref<Window> window;
  Ref<Sharer> sharer;
  Ref<TextField> field;
};

}  // namespace

TEST_F(MenuControllerTest, OffersWhatTheRespondersCanDo) {
  auto menu = MenuController::sharedMenuController();
  Pasteboard::generalPasteboard()->setItems({});
  EXPECT_EQ(titles(), (std::vector<std::string>{"Cut", "Copy", "Select All", "Delete"}));
  Pasteboard::generalPasteboard()->setString("x");
  field->setSelectedRange({11, 0});
  EXPECT_EQ(titles(), (std::vector<std::string>{"Paste", "Select", "Select All"}));
  menu->setMenuItems({rt::make<MenuItem>("Share", rt::sel("share:")), rt::make<MenuItem>("Nobody", rt::sel("nobody:"))});
  EXPECT_EQ(titles(), (std::vector<std::string>{"Paste", "Select", "Select All", "Share"}));
  field->resignFirstResponder();
  EXPECT_TRUE(titles().empty());
  menu->setTargetRect(gfx::RectMake(0, 0, 10, 10), field);
  menu->setMenuVisible(true);
  EXPECT_FALSE(menu->isMenuVisible());  // nothing to offer: nothing shown
}

TEST_F(MenuControllerTest, PointsAtTheTargetFromAboveOrBelowAndTellsWhen) {
  auto menu = MenuController::sharedMenuController();
  std::vector<std::string> heard;
  std::vector<rt::Id> tokens;
  for (const char* name : {UIMenuControllerWillShowMenuNotification, UIMenuControllerDidShowMenuNotification,
                           UIMenuControllerWillHideMenuNotification, UIMenuControllerDidHideMenuNotification})
    tokens.push_back(fd::NotificationCenter::defaultCenter()->addObserverForName(
        rt::String(name), menu, nullptr, [&heard, name](const Ref<fd::Notification>&) { heard.push_back(name); }));
  gfx::Rect word = field->firstRectForRange(field->selectedTextRange());
  menu->setTargetRect(word, field);
  menu->setMenuVisible(true, true);
  EXPECT_TRUE(menu->isMenuVisible());
  gfx::Rect frame = menu->menuFrame();
  gfx::Rect target = field->convertRectToView(word, nullptr);
  EXPECT_DOUBLE_EQ(frame.origin.y + frame.size.height, target.origin.y);  // just above
  EXPECT_TRUE(menu->menuWindow()->bubble()->pointsDown());
  EXPECT_GT(menu->menuWindow()->windowLevel(), window->windowLevel());
  EXPECT_EQ(heard.size(), 1u);  // did-show waits for the animation
  fd::RunLoopDriver::advance(0.3);
  ASSERT_EQ(heard.size(), 2u);

  // Near the top there is no room above: the bubble goes below, its arrow up.
  field->setFrame(gfx::RectMake(20, 24, 335, 36));
  window->layoutIfNeeded();
  menu->setTargetRect(field->firstRectForRange(field->selectedTextRange()), field);
  frame = menu->menuFrame();
  target = field->convertRectToView(field->firstRectForRange(field->selectedTextRange()), nullptr);
  EXPECT_DOUBLE_EQ(frame.origin.y, target.origin.y + target.size.height);
  EXPECT_FALSE(menu->menuWindow()->bubble()->pointsDown());
  EXPECT_GE(frame.origin.x, 0);
  EXPECT_LE(frame.origin.x + frame.size.width, screen->bounds().size.width);

  menu->setMenuVisible(false, true);
  EXPECT_FALSE(menu->isMenuVisible());
  fd::RunLoopDriver::advance(0.3);
  EXPECT_EQ(heard, (std::vector<std::string>{UIMenuControllerWillShowMenuNotification, UIMenuControllerDidShowMenuNotification,
                                             UIMenuControllerWillHideMenuNotification, UIMenuControllerDidHideMenuNotification}));
  EXPECT_TRUE(menu->menuWindow()->isHidden());
  for (auto& t : tokens) fd::NotificationCenter::defaultCenter()->removeObserver(t);
}

TEST_F(MenuControllerTest, ATapSendsTheActionAndHidesTheMenu) {
  Keyboard::sharedKeyboard()->setStyle(KeyboardStyle::OnScreen);
  field->resignFirstResponder();
  fd::RunLoopDriver::advance(1);  // the keyboard goes down, to come up drawn
  ASSERT_TRUE(field->becomeFirstResponder());
  ASSERT_TRUE(Keyboard::sharedKeyboard()->keyboardWindow());
  field->setSelectedRange({0, 5});
  fd::RunLoopDriver::advance(0.5);
  auto menu = MenuController::sharedMenuController();
  menu->setMenuItems({rt::make<MenuItem>("Share", rt::sel("share:"))});
  menu->setTargetRect(field->firstRectForRange(field->selectedTextRange()), field);
  menu->setMenuVisible(true, false);
  HeadlessHost host(screen);

  // The picture: the field, the dark bubble above the selected word, the keyboard below.
  std::string dir = (fs::temp_directory_path() / ("kd_menu_" + std::to_string(getpid()))).string();
  fs::create_directories(dir);
  ASSERT_TRUE(host.shoot(dir + "/edit-menu.png"));
  gfx::Rect frame = menu->menuFrame();
  double scale = screen->scale();
  uint32_t inBubble = host.compositor().pixelAt(size_t((frame.origin.x + 4) * scale),
                                                size_t((frame.origin.y + frame.size.height / 2) * scale));
  EXPECT_LT(inBubble & 0xff, 0x40u);  // dark
  if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
    fs::create_directories(artifacts);
    fs::copy_file(dir + "/edit-menu.png", fs::path(artifacts) / "edit-menu.png", fs::copy_options::overwrite_existing);
  }
  fs::remove_all(dir);

  auto button = [&](const char* title) -> Ref<Button> {
    for (auto& b : menu->menuWindow()->bubble()->buttons())
      if (b->titleForState(ControlStateNormal) == rt::String(title)) return b;
    return nullptr;
  };
  Ref<Button> copy = button("Copy"), share = button("Share");
  ASSERT_TRUE(copy && share);
  auto centre = [](const Ref<View>& v) {
    gfx::Rect r = v->convertRectToView(v->bounds(), nullptr);
    return gfx::Point{r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2};
  };
  gfx::Point sharePoint = centre(share);
  host.tap(centre(copy));
  EXPECT_EQ(Pasteboard::generalPasteboard()->string(), rt::String("hello"));
  EXPECT_FALSE(menu->isMenuVisible());
  fd::RunLoopDriver::advance(0.3);
  // Where the bubble was, a tap reaches the application's window again.
  host.tap(sharePoint);
  EXPECT_EQ(sharer->shared, 0);
  Pasteboard::generalPasteboard()->setItems({});  // no Paste: the items fit across the screen
  menu->setMenuVisible(true, false);
  EXPECT_LE(menu->menuFrame().size.width, screen->bounds().size.width);
  share = button("Share");
  ASSERT_TRUE(share);
  ASSERT_TRUE(menu->isMenuVisible());
  host.tap(centre(share));
  EXPECT_EQ(sharer->shared, 1);
  EXPECT_FALSE(menu->isMenuVisible());
}
