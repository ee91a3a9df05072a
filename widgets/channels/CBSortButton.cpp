#include "widgets/channels/CBSortButton.h"

#include <cfloat>

#include "platform/foundation/values/Number.h"
#include "platform/typeset/Font.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/view/ViewAnimation.h"
#include "widgets/channels/CBIcons.h"

namespace widgets {

RT_IMPLEMENT(CBSortButton) {
  c.property("isScareing", &CBSortButton::isScareing, &CBSortButton::setIsScareing);
}

void CBSortButton::init() {
  ui::Button::init();
  setup();
}

const Ref<ui::ImageView>& CBSortButton::deletIcon() {
  if (!deletIcon_) {
    deletIcon_ = rt::make<ui::ImageView>(CBIconImage("icon_delet.png"));
    deletIcon_->layer()->setCornerRadius(7);
    deletIcon_->setAlpha(0);
  }
  return deletIcon_;
}

void CBSortButton::setup() {
  layer()->setCornerRadius(5);
  layer()->setBorderWidth(1);
  layer()->setBorderColor(gfx::Color::colorWithRed(126 / 255.0, 222 / 255.0, 184 / 255.0, 0.6));
  titleLabel()->setFont(typeset::Font::boldSystemFontOfSize(20));
  setBackgroundColor(gfx::Color::colorWithRed(31 / 255.0, 192 / 255.0, 120 / 255.0, 0.6));
  addSubview(deletIcon());
}

void CBSortButton::layoutSubviews() {
  ui::Button::layoutSubviews();
  auto& badge = deletIcon();
  badge->setFrame(gfx::RectMake(0, 0, 15, 15));
  badge->setCenter({2, 2});
  badge->setUserInteractionEnabled(true);
}

void CBSortButton::rotate(bool settle, double repeatCount) {
  auto animation = ui::KeyframeAnimation::animationWithKeyPath("transform.rotation");
  std::vector<rt::Id> values{fd::box(-kAngle), fd::box(kAngle), fd::box(-kAngle)};
  if (settle) values.push_back(fd::box(0.0));
  animation->setValues(std::move(values));
  animation->setDuration(kCycle);
  animation->setRepeatCount(repeatCount);
  animation->setRemovedOnCompletion(false);
  animation->setFillMode(ui::kCAFillModeForwards);
  layer()->addAnimation(animation);
}

void CBSortButton::itemlittleScare() {
  rotate(true, 6);
  scareing_ = false;
}

void CBSortButton::itemShake() {
  rotate(false, FLT_MAX);
  scareing_ = true;
}

void CBSortButton::itemStop() {
  rotate(true, 4);
  scareing_ = false;
}

void CBSortButton::itemStopWithItem() {
  itemStop();
  auto badge = deletIcon();
  ui::ViewAnimation::animate(0.3, [badge] { badge->setAlpha(0); });
}

void CBSortButton::itemShakeWithItem() {
  itemShake();
  auto badge = deletIcon();
  ui::ViewAnimation::animate(0.3, [badge] { badge->setAlpha(1); });
}

}  // namespace widgets
