#include "textview/magnifier/DRTextMagnifier.h"

#include <cmath>

#include "base/graphics/Geometry+DUDer.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/MediaTimingFunction.h"
#include "textview/magnifier/DRTextMagnifierCovers.h"

namespace textview {

RT_IMPLEMENT(DRTextMagnifier) {}
RT_IMPLEMENT(DRTextMagnifierBody) {}
RT_IMPLEMENT(DRTextMagnifierCaret) {}
RT_IMPLEMENT(DRTextMagnifierRanged) {}

namespace {
constexpr double kSnapshotFade = 0.1;
constexpr double kRangedContentHeight = 32;
constexpr double kRangedSnapshotHeight = 26;
constexpr double kRangedContentRadius = 6;
// The loupe shows its capture about this much enlarged.
constexpr double kRangedZoom = 1.2;
}  // namespace

double rangedMagnifierPadding(double scale) { return (std::floor(6 * scale) + 0.5) / scale; }

gfx::Size rangedMagnifierSnapshotSize(double scale) {
  double p = rangedMagnifierPadding(scale);
  return {std::floor((DRTextMagnifierRanged::kSize.width - 2 * p) / kRangedZoom), kRangedSnapshotHeight};
}

Ref<DRTextMagnifier> DRTextMagnifier::magnifierWithType(int64_t type) {
  switch (type) {
    case 0:
      return rt::make<DRTextMagnifierCaret>();
    case 1:
      return rt::make<DRTextMagnifierRanged>();
    default:
      return nullptr;
  }
}

void DRTextMagnifier::init(gfx::Rect frame) {
  if (getClass() == DRTextMagnifier::classObject()) {
    rt::raise(className(), "Attempting to instantiate an abstract class. Use a concrete subclass instead.");
  }
  View::init(frame);
}

void DRTextMagnifierBody::build(gfx::Rect contentFrame, double cornerRadius, const Ref<gfx::Image>& cover) {
  contentView_ = rt::make<ui::ImageView>(contentFrame);
  contentView_->setClipsToBounds(true);
  contentView_->layer()->setCornerRadius(cornerRadius);
  addSubview(contentView_);
  coverView_ = rt::make<ui::ImageView>(gfx::Rect{{0, 0}, fitSize()});
  coverView_->setImage(cover);
  addSubview(coverView_);
}

void DRTextMagnifierBody::setSnapshot(Ref<gfx::Image> image) {
  if (!contentView_) return;
  if (captureFadeAnimation()) {
    const auto& layer = contentView_->layer();
    layer->removeAnimationForKey("contents");
    auto fade = ui::BasicAnimation::animation();
    fade->setDuration(kSnapshotFade);
    fade->setTimingFunction(ui::MediaTimingFunction::functionWithName(ui::kCAMediaTimingFunctionEaseOut));
    layer->addAnimation(fade, "contents");
  }
  contentView_->setImage(std::move(image));
}

void DRTextMagnifierCaret::init() {
  init(gfx::RectZero);
  setFrame({{0, 0}, sizeThatFits(gfx::SizeZero)});
}

void DRTextMagnifierCaret::init(gfx::Rect frame) {
  DRTextMagnifier::init(frame);
  build(gfx::RectMake(7, 7, 113, 113), 56.5, coverImage());
}

Ref<gfx::Image> DRTextMagnifierCaret::coverImage() {
  static const Ref<gfx::Image> cover = drawCaretMagnifierCover(base::DRMainScreenScale());
  return cover;
}

void DRTextMagnifierRanged::init() {
  init(gfx::RectZero);
  setFrame({{0, 0}, sizeThatFits(gfx::SizeZero)});
}

void DRTextMagnifierRanged::init(gfx::Rect frame) {
  DRTextMagnifier::init(frame);
  double p = rangedMagnifierPadding(base::DRMainScreenScale());
  build(gfx::RectMake(p, p, kSize.width - 2 * p, kRangedContentHeight), kRangedContentRadius, coverImage());
  layer()->setAnchorPoint({0.5, 1.2});
}

gfx::Size DRTextMagnifierRanged::snapshotSize() const { return rangedMagnifierSnapshotSize(base::DRMainScreenScale()); }

Ref<gfx::Image> DRTextMagnifierRanged::coverImage() {
  static const Ref<gfx::Image> cover = drawRangedMagnifierCover(base::DRMainScreenScale());
  return cover;
}

}  // namespace textview
