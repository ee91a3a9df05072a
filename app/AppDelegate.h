#pragma once
// The application delegate: builds the window, starts the reachability monitor, shows the
// welcome screen and, when it ends, the tab bar. Main thread only.
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Window.h"

namespace app {

class AppDelegate : public ui::Responder, public ui::ApplicationDelegate {
  RT_CLASS(AppDelegate, ui::Responder)
 public:
  void init() {}
  Ref<ui::Window> window() const override { return window_; }
  std::optional<bool> didFinishLaunchingWithOptions(ui::Application& app, const Ref<fd::Dictionary>& options) override;
  /// The progress display's defaults: black box, white text, no mask, a thin ring.
  static void setPHProgressHUD();

 private:
  Ref<ui::Window> window_;
};

}  // namespace app
