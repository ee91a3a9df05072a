// The on-screen keyboard as a window: found by its classes' names, observable as it slides,
// typing into the field being edited when its keys are tapped, and drawn (the picture goes to
// KD_ARTIFACT_DIR when it is set).
#include "platform/ui/input/keyboard/KeyboardWindow.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/input/KeyboardNotifications.h"
#include "platform/ui/layer/Transaction.h"

using namespace ui;
namespace fs = std::filesystem;

namespace {

class KeyboardWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    screen = Screen::mainScreen();
    savedBounds = screen->bounds();
    window = rt::make<Window>(screen->bounds());
    window->setBackgroundColor(gfx::Color::whiteColor());
    window->makeKeyAndVisible();
    field = rt::make<TextField>(gfx::RectMake(20, 80, 335, 36));
    field->setBorderStyle(TextBorderStyle::RoundedRect);
    window->addSubview(field);
  }
  void TearDown() override {
    if (auto r = Responder::currentFirstResponder()) r->resignFirstResponder();
    fd::RunLoopDriver::advance(1);
    Keyboard::sharedKeyboard()->setStyle(KeyboardStyle::Simulated);
    field.reset();
    window.reset();
    Transaction::flush();
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  gfx::Point centre(const Ref<View>& v) {
    gfx::Rect r = v->convertRectToView(v->bounds(), nullptr);
    return {r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2};
  }
  Ref<Screen> screen;
  gfx::Rect savedBounds;
  Ref<Window> window;
  Ref<TextField> field;
};

}  // namespace

TEST_F(KeyboardWindowTest, AWindowAboveTheApplicationsWithAnObservableKeyboardView) {
  auto keyboard = Keyboard::sharedKeyboard();
  keyboard->setStyle(KeyboardStyle::OnScreen);
  EXPECT_FALSE(keyboard->keyboardWindow());
  ASSERT_TRUE(field->becomeFirstResponder());
  auto kw = keyboard->keyboardWindow();
  ASSERT_TRUE(kw);
  // Found the way a keyboard manager looks for it: by the names of its classes.
  EXPECT_EQ(kw->className(), rt::String("UIRemoteKeyboardWindow"));
  auto windows = Application::sharedApplication()->windows();
  ASSERT_FALSE(windows.empty());
  EXPECT_EQ(windows.back(), kw);  // the top-most
  EXPECT_GT(kw->windowLevel(), window->windowLevel());
  ASSERT_EQ(kw->subviews().size(), 1u);
  EXPECT_EQ(kw->subviews()[0]->className(), rt::String("UIInputSetContainerView"));
  ASSERT_EQ(kw->subviews()[0]->subviews().size(), 1u);
  auto view = kw->subviews()[0]->subviews()[0];
  EXPECT_EQ(view->className(), rt::String("UIInputSetHostView"));
  EXPECT_EQ(view->frame(), keyboard->visibleFrame());
  EXPECT_EQ(view->frame().size.height, Keyboard::standardHeight(screen->bounds().size));

  // Going down is seen by an observer of its frame.
  int frameChanges = 0;
  uint64_t token = view->observe("frame", 0, [&](rt::Object*, const rt::KeyValueChange&) { ++frameChanges; });
  field->resignFirstResponder();
  fd::RunLoopDriver::advance(0.5);
  EXPECT_GE(frameChanges, 1);
  EXPECT_EQ(view->frame().origin.y, screen->bounds().size.height);
  EXPECT_TRUE(kw->isHidden());
  view->removeObservation(token);
}

TEST_F(KeyboardWindowTest, TappingKeysTypesIntoTheField) {
  Keyboard::sharedKeyboard()->setStyle(KeyboardStyle::OnScreen);
  HeadlessHost host(screen);
  host.tap(centre(field));
  ASSERT_TRUE(field->isEditing());
  fd::RunLoopDriver::advance(0.5);
  auto kv = Keyboard::sharedKeyboard()->keyboardWindow()->keyboardView();
  kv->layoutIfNeeded();
  for (const char* key : {"h", "i", "space", "123", "4", "2", "ABC", "x", "delete"}) {
    auto button = kv->keyTitled(key);
    ASSERT_TRUE(button) << key << " after " << field->text().utf8();
    host.tap(centre(button));
  }
  EXPECT_EQ(field->text(), rt::String("hi 42"));
  EXPECT_FALSE(kv->showsNumbers());
  // A tap outside the keyboard still reaches the application's window below.
  host.tap(centre(field));
  EXPECT_TRUE(field->isEditing());

  std::string dir = (fs::temp_directory_path() / ("kd_keyboard_" + std::to_string(getpid()))).string();
  fs::create_directories(dir);
  std::string file = dir + "/keyboard.png";
  ASSERT_TRUE(host.shoot(file));
  // The keyboard's grey fills the bottom of the screen; the field's white is above it.
  gfx::Size size = screen->bounds().size;
  double scale = screen->scale();
  uint32_t bottom = host.compositor().pixelAt(size_t(2 * scale), size_t((size.height - 2) * scale));
  EXPECT_LT(bottom & 0xff, 0xf0u);
  EXPECT_GT(bottom & 0xff, 0xa0u);
  if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
    fs::create_directories(artifacts);
    fs::copy_file(file, fs::path(artifacts) / "keyboard.png", fs::copy_options::overwrite_existing);
  }
  fs::remove_all(dir);
}

TEST_F(KeyboardWindowTest, NoKeyboardMeansAFrameOfHeightZero) {
  Keyboard::sharedKeyboard()->setStyle(KeyboardStyle::None);
  gfx::Rect end{{-1, -1}, {-1, -1}};
  auto token = fd::NotificationCenter::defaultCenter()->addObserverForName(
      rt::String(UIKeyboardWillShowNotification), nullptr, nullptr, [&](const Ref<fd::Notification>& n) {
        auto box = std::dynamic_pointer_cast<fd::ValueBox>(n->userInfo()->objectForKey(rt::String(UIKeyboardFrameEndUserInfoKey)));
        if (box) box->get(end);
      });
  ASSERT_TRUE(field->becomeFirstResponder());
  EXPECT_EQ(end.size.height, 0);
  EXPECT_EQ(end.origin.y, screen->bounds().size.height);
  EXPECT_FALSE(Keyboard::sharedKeyboard()->keyboardWindow());
  fd::NotificationCenter::defaultCenter()->removeObserver(token);
}
