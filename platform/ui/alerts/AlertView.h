#pragma once
// The legacy alert view: a title, a message and buttons (the cancel button first in index
// order), shown over everything in a window of its own by `show`. A tapped button tells the
// delegate its index, then the alert goes away. The shown alert keeps itself alive until then.
#include <vector>

#include "platform/ui/alerts/AlertPanelView.h"
#include "platform/ui/view/Window.h"

namespace ui {

class AlertView;

/// Every operation is optional.
class AlertViewDelegate {
 public:
  virtual ~AlertViewDelegate() = default;
  virtual void alertViewClickedButtonAtIndex(AlertView& alert, int64_t index) { (void)alert; (void)index; }
  virtual void alertViewWillDismissWithButtonIndex(AlertView& alert, int64_t index) { (void)alert; (void)index; }
  virtual void alertViewDidDismissWithButtonIndex(AlertView& alert, int64_t index) { (void)alert; (void)index; }
};

class AlertView : public View {
  RT_CLASS_NAMED(AlertView, View, "UIAlertView")
 public:
  void init() { init(rt::String(), rt::String(), {}, rt::String(), {}); }
  /// An empty cancel title means no cancel button.
  void init(const rt::String& title, const rt::String& message, Weak<AlertViewDelegate> delegate,
            const rt::String& cancelButtonTitle, const std::vector<rt::String>& otherButtonTitles);

  const rt::String& title() const { return title_; }
  void setTitle(const rt::String& t) { title_ = t; refresh(); }
  const rt::String& message() const { return message_; }
  void setMessage(const rt::String& m) { message_ = m; refresh(); }
  Weak<AlertViewDelegate> delegate() const { return delegate_; }
  void setDelegate(Weak<AlertViewDelegate> d) { delegate_ = std::move(d); }

  /// Answers the new button's index.
  int64_t addButtonWithTitle(const rt::String& title);
  int64_t numberOfButtons() const { return static_cast<int64_t>(titles_.size()); }
  rt::String buttonTitleAtIndex(int64_t index) const;
  /// -1 without a cancel button.
  int64_t cancelButtonIndex() const { return cancelIndex_; }
  int64_t firstOtherButtonIndex() const;

  /// Shows the alert above every window (it becomes the key window meanwhile).
  void show();
  bool isVisible() const { return window_ != nullptr; }
  /// Hides the alert as if the button at `index` had been tapped, without the clicked call.
  void dismissWithClickedButtonIndex(int64_t index, bool animated);

  const Ref<AlertPanelView>& panelView() const { return panel_; }
  void layoutSubviews() override;

 private:
  void refresh();
  void tapped(size_t shownIndex);
  std::vector<int64_t> shownOrder() const;

  rt::String title_, message_;
  Weak<AlertViewDelegate> delegate_;
  std::vector<rt::String> titles_;
  int64_t cancelIndex_ = -1;
  Ref<AlertPanelView> panel_;
  Ref<Window> window_;
  Weak<Window> previousKey_;
  Ref<AlertView> keepAlive_;  // set while shown
};

}  // namespace ui
