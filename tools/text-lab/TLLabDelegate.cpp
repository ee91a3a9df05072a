#include "tools/text-lab/TLLabDelegate.h"

#include "platform/ui/view/Screen.h"

namespace textlab {

RT_IMPLEMENT(TLLabDelegate) {}

std::optional<bool> TLLabDelegate::didFinishLaunchingWithOptions(ui::Application&, const Ref<fd::Dictionary>&) {
  window_ = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  window_->setBackgroundColor(gfx::Color::whiteColor());
  window_->makeKeyAndVisible();
  labelPage_ = rt::make<TLLabelPage>();
  editorPage_ = rt::make<TLEditorPage>();
  tabs_ = rt::make<ui::TabBarController>();
  tabs_->setViewControllers({labelPage_, editorPage_});
  window_->setRootViewController(tabs_);
  return true;
}

Ref<TLLabDelegate> TLLabDelegate::current() {
  return std::dynamic_pointer_cast<TLLabDelegate>(ui::Application::sharedApplication()->delegate());
}

}  // namespace textlab
