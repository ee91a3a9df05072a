#pragma once
// One button of an alert controller: a title, a style and what it does when tapped.
#include <functional>

#include "platform/runtime/Class.h"

namespace ui {

enum class AlertActionStyle : int64_t { Default = 0, Cancel = 1, Destructive = 2 };

class AlertAction : public rt::Object {
  RT_CLASS_NAMED(AlertAction, rt::Object, "UIAlertAction")
 public:
  using Handler = std::function<void(AlertAction& action)>;
  void init(rt::String title, AlertActionStyle style, Handler handler);
  static Ref<AlertAction> actionWithTitle(const rt::String& title, AlertActionStyle style, Handler handler = nullptr) {
    return rt::make<AlertAction>(title, style, std::move(handler));
  }
  const rt::String& title() const { return title_; }
  AlertActionStyle style() const { return style_; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool on) { enabled_ = on; }
  const Handler& handler() const { return handler_; }

 private:
  rt::String title_;
  AlertActionStyle style_ = AlertActionStyle::Default;
  Handler handler_;
  bool enabled_ = true;
};

}  // namespace ui
