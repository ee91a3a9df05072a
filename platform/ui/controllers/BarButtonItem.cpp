#include "platform/ui/controllers/BarButtonItem.h"

#include "platform/ui/host/Application.h"
#include "platform/ui/view/View.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(BarButtonItem) {
  c.property("width", &BarButtonItem::width, &BarButtonItem::setWidth);
  c.property("customView", &BarButtonItem::customView, &BarButtonItem::setCustomView);
  c.property("target", &BarButtonItem::target, &BarButtonItem::setTarget);
}

void BarButtonItem::init(const rt::String& title, BarButtonItemStyle style, const rt::Id& target, rt::Selector action) {
  setTitle(title);
  style_ = style;
  setTarget(target);
  action_ = action;
}

void BarButtonItem::init(const Ref<gfx::Image>& image, BarButtonItemStyle style, const rt::Id& target,
                         rt::Selector action) {
  setImage(image);
  style_ = style;
  setTarget(target);
  action_ = action;
}

void BarButtonItem::init(const Ref<View>& customView) { customView_ = customView; }

void BarButtonItem::setCustomView(const Ref<View>& view) {
  customView_ = view;
  itemDidChange();
}

void BarButtonItem::sendAction() {
  auto keep = self();  // the handler may release the item's last owner
  if (action_) {
    // A target that is gone means nothing to send to, not the responder chain.
    rt::Id to = target_.lock();
    if (to || !hasTarget_) Application::sharedApplication()->sendAction(action_, to, self(), nullptr);
  }
  if (handler_) handler_(*this);
}

}  // namespace ui
