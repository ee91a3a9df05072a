#pragma once
// The alert controller: a title, a message and actions, presented from a view controller over
// its screen. A tapped action dismisses the alert, then runs its handler. With two actions the
// cancel one sits on the left; in a column it comes last. An action sheet sits at the bottom.
#include <vector>

#include "platform/ui/alerts/AlertAction.h"
#include "platform/ui/alerts/AlertPanelView.h"
#include "platform/ui/controllers/ViewController.h"

namespace ui {

enum class AlertControllerStyle : int64_t { ActionSheet = 0, Alert = 1 };

class AlertController : public ViewController {
  RT_CLASS_NAMED(AlertController, ViewController, "UIAlertController")
 public:
  void init() { ViewController::init(); }
  static Ref<AlertController> alertControllerWithTitle(const rt::String& title, const rt::String& message,
                                                       AlertControllerStyle style);

  const rt::String& message() const { return message_; }
  void setMessage(const rt::String& m) { message_ = m; }
  AlertControllerStyle preferredStyle() const { return style_; }
  /// A second cancel action raises, as on the platform.
  void addAction(const Ref<AlertAction>& action);
  const std::vector<Ref<AlertAction>>& actions() const { return actions_; }

  bool presentsOverPresenter() const override { return true; }
  void loadView() override;
  void viewWillAppear(bool animated) override;
  const Ref<AlertPanelView>& panelView() const { return panel_; }

 private:
  std::vector<Ref<AlertAction>> shownOrder() const;
  void tapped(size_t shownIndex);

  rt::String message_;
  AlertControllerStyle style_ = AlertControllerStyle::Alert;
  std::vector<Ref<AlertAction>> actions_;
  Ref<AlertPanelView> panel_;
  bool handling_ = false;
};

}  // namespace ui
