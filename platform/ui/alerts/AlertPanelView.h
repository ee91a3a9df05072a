#pragma once
// The look both alert kinds share: the screen dimmed, and a white rounded panel 270 points
// wide in its middle holding a bold title, the message, and a row of two buttons (or a column
// of more) under hairlines. A tapped button reports its index.
#include <functional>
#include <vector>

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/view/View.h"

namespace ui {

struct AlertPanelButton {
  rt::String title;
  bool bold = false;         // the cancel button of an alert
  bool destructive = false;  // drawn red
};

class AlertPanelView : public View {
  RT_CLASS_NAMED(AlertPanelView, View, "_UIAlertPanelView")
 public:
  static constexpr double kPanelWidth = 270;
  static constexpr double kButtonHeight = 44;

  void init(gfx::Rect frame);
  void setContent(const rt::String& title, const rt::String& message, std::vector<AlertPanelButton> buttons);
  /// Called with the index of a tapped button, in the order given.
  void setTapHandler(std::function<void(size_t index)> handler) { handler_ = std::move(handler); }
  /// Action sheets sit at the bottom of the screen instead of its middle.
  void setPlacedAtBottom(bool on) { atBottom_ = on; setNeedsLayout(); }

  const Ref<View>& panel() const { return panel_; }
  const std::vector<Ref<Button>>& buttons() const { return buttons_; }
  const Ref<Label>& titleLabel() const { return title_; }
  const Ref<Label>& messageLabel() const { return message_; }
  void layoutSubviews() override;

 private:
  Ref<View> panel_;
  Ref<Label> title_, message_;
  std::vector<Ref<Button>> buttons_;
  std::vector<Ref<View>> rules_;
  std::function<void(size_t)> handler_;
  bool atBottom_ = false;
};

}  // namespace ui
