#include "ProgressHUDFixture.h"

#include "platform/foundation/text/StringObject.h"
#include "platform/ui/view/Screen.h"
#include "widgets/progress/PHProgressHUDNotifications.h"

namespace widgets::testing {

void ProgressHUDTest::SetUp() {
  fd::RunLoopDriver::useVirtualClock();
  window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  window->setBackgroundColor(gfx::Color::whiteColor());
  window->makeKeyAndVisible();
  // The application's look.
  PHProgressHUD::setBackgroundColor(gfx::Color::blackColor());
  PHProgressHUD::setForegroundColor(gfx::Color::whiteColor());
  PHProgressHUD::setDefaultMaskType(PHMaskTouchThrough);
  PHProgressHUD::setRingThickness(1.0);
  token_ = fd::NotificationCenter::defaultCenter()->addObserverForName(
      std::nullopt, nullptr, nullptr, [this](const Ref<fd::Notification>& n) {
        std::string name = n->name().utf8();
        if (name.rfind("PHProgressHUD", 0) == 0) posted.push_back({name, n->object(), n->userInfo()});
        if (name.rfind("PHProgressHUD", 0) == 0 || name.rfind("UIAccessibility", 0) == 0)
          sequence.push_back({name, n->object(), n->userInfo()});
      });
}

void ProgressHUDTest::TearDown() {
  fd::NotificationCenter::defaultCenter()->removeObserver(token_);
  // Leave the shared display torn down for the next test.
  auto shared = hud();
  if (shared->alpha() > 0 || shared->superview()) {
    shared->performDismiss();
    advance(1);
  }
  shared->setFadeOutTimer(nullptr);
  PHProgressHUD::resetOffsetFromCenter();
  window->setHidden(true);
  window.reset();
  ui::Transaction::flush();
  fd::RunLoopDriver::reset();
}

std::vector<std::string> ProgressHUDTest::names() const {
  std::vector<std::string> out;
  for (const auto& p : posted) out.push_back(p.name);
  return out;
}

std::string ProgressHUDTest::statusOf(const Posted& p) {
  if (!p.userInfo) return "";
  auto s = rt::as<fd::StringObject>(p.userInfo->objectForKey(PHProgressHUDStatusUserInfoKey));
  return s ? s->string().utf8() : "<not a string>";
}

}  // namespace widgets::testing
