#include "textview/container/DRTextContainerView.h"

#include "platform/graphics/ImageContext.h"
#include "platform/runtime/Class.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/MediaTimingFunction.h"
#include "platform/ui/lists/ScrollView.h"
#include "text/drawing/DRTextLayout+Drawing.h"
#include "text/layout/DRTextContainer.h"
#include "text/model/DRTextAttachment.h"
#include "textview/container/DRTextContainerGeometry.h"
#include "textview/container/DRTextLayoutChange.h"

namespace textview {

RT_IMPLEMENT(DRTextContainerView) {}

namespace {
const rt::String kContentsKey = "contents";
}  // namespace

void DRTextContainerView::init(gfx::Rect frame) {
  View::init(frame);
  setBackgroundColor(gfx::Color::clearColor());
}

void DRTextContainerView::setLayout(const Ref<text::DRTextLayout>& layout) {
  if (layout_ == layout) return;
  // An edit redraws only the lines it changed, where the text keeps to the top: any other
  // alignment moves every line whenever the text's height changes.
  gfx::Rect changed = gfx::RectNull;
  if (layout_ && layout && textVerticalAlignment_ == 0 && contentsFadeDuration_ <= 0 &&
      !(debugOption_ && debugOption_->needDrawDebug()))
    changed = changedLinesArea(*layout_, *layout, bounds().size.width);
  layout_ = layout;
  attachmentChanged_ = true;
  if (gfx::RectIsNull(changed)) setNeedsDisplay();
  else if (!gfx::RectIsEmpty(changed)) setNeedsDisplayInRect(changed);
}

void DRTextContainerView::setLayout(const Ref<text::DRTextLayout>& layout, double fadeDuration) {
  setContentsFadeDuration(fadeDuration);
  setLayout(layout);
}

void DRTextContainerView::setContentsFadeDuration(double seconds) {
  if (contentsFadeDuration_ == seconds) return;
  contentsFadeDuration_ = seconds;
  if (seconds <= 0) layer()->removeAnimationForKey(kContentsKey);
}

void DRTextContainerView::setDebugOption(const Ref<text::DRTextDebugOption>& option) {
  bool before = debugOption_ && debugOption_->needDrawDebug();
  debugOption_ = option ? rt::as<text::DRTextDebugOption>(option->copy()) : nullptr;
  bool after = debugOption_ && debugOption_->needDrawDebug();
  if (before != after) setNeedsDisplay();
}

void DRTextContainerView::setTextVerticalAlignment(int64_t alignment) {
  if (textVerticalAlignment_ == alignment) return;
  textVerticalAlignment_ = alignment;
  setNeedsDisplay();
}

void DRTextContainerView::setFrame(gfx::Rect frame) {
  gfx::Size old = bounds().size;
  View::setFrame(frame);
  if (!gfx::SizeEqualToSize(old, bounds().size)) setNeedsLayout();
}

void DRTextContainerView::setBounds(gfx::Rect b) {
  gfx::Size old = bounds().size;
  View::setBounds(b);
  if (!gfx::SizeEqualToSize(old, bounds().size)) setNeedsLayout();
}

gfx::Point DRTextContainerView::textOffset() const {
  if (!layout_) return gfx::PointZero;
  bool vertical = layout_->container() && layout_->container()->isVerticalForm();
  return textDrawingOffset(textVerticalAlignment_, vertical, bounds().size, layout_->textBoundingSize());
}

void DRTextContainerView::drawRect(gfx::Rect) {
  layer()->removeAnimationForKey(kContentsKey);
  if (contentsFadeDuration_ > 0) {
    auto fade = ui::Transition::animation();
    fade->setType(ui::kCATransitionFade);
    fade->setDuration(contentsFadeDuration_);
    fade->setTimingFunction(ui::MediaTimingFunction::functionWithName(ui::kCAMediaTimingFunctionEaseOut));
    layer()->addAnimation(fade, kContentsKey);
  }

  if (attachmentChanged_) {
    for (auto& v : attachmentViews_)
      if (v->superview().get() == this) v->removeFromSuperview();
    for (auto& l : attachmentLayers_)
      if (l->superlayer() == layer()) l->removeFromSuperlayer();
    attachmentViews_.clear();
    attachmentLayers_.clear();
  }

  // Draws the text and places the attachment views and layers on this view.
  if (layout_) {
    text::drawInContext(*layout_, gfx::currentContext().get(), bounds().size, textOffset(),
                        std::static_pointer_cast<ui::View>(self()), layer(), debugOption_, {});
  }

  if (attachmentChanged_) {
    attachmentChanged_ = false;
    if (layout_) {
      for (const auto& a : layout_->attachments()) {
        if (!a) continue;
        if (auto v = rt::as<ui::View>(a->content())) {
          attachmentViews_.push_back(v);
        } else if (auto l = rt::as<ui::Layer>(a->content())) {
          attachmentLayers_.push_back(l);
        }
      }
    }
  }
}

namespace {

// What the nearest enclosing scroll view shows, in `view`'s coordinates; null outside one.
gfx::Rect seenBounds(const ui::View& view) {
  for (auto v = view.superview(); v; v = v->superview())
    if (auto scroller = rt::as<ui::ScrollView>(v)) return scroller->convertRectToView(scroller->bounds(), &view);
  return gfx::RectNull;
}

}  // namespace

gfx::Rect DRTextContainerView::visibleBoundsForLayer(ui::Layer& layer) {
  drawnBounds_ = gfx::RectNull;
  if (&layer != this->layer().get()) return gfx::RectNull;
  gfx::Rect seen = seenBounds(*this);
  if (gfx::RectIsNull(seen)) return gfx::RectNull;
  drawnBounds_ = gfx::RectInset(seen, -seen.size.width / 2, -seen.size.height / 2);
  return drawnBounds_;
}

void DRTextContainerView::visibleBoundsDidChange() {
  if (gfx::RectIsNull(drawnBounds_)) return;
  gfx::Rect seen = gfx::RectIntersection(seenBounds(*this), bounds());
  if (gfx::RectIsNull(seen) || gfx::RectIsEmpty(seen)) return;
  if (!gfx::RectContainsRect(drawnBounds_, seen)) setNeedsDisplay();
}

bool DRTextContainerView::canPerformAction(rt::Selector action, const rt::Id& sender) const {
  auto host = hostView();
  return host ? host->canPerformAction(action, sender) : false;
}

bool DRTextContainerView::respondsToSelector(rt::Selector s) const {
  if (View::respondsToSelector(s)) return true;
  auto host = hostView();
  return host && host->respondsToSelector(s);
}

rt::Value DRTextContainerView::performSelector(rt::Selector s, const std::vector<rt::Value>& args) {
  if (!View::respondsToSelector(s)) {
    if (auto host = hostView()) return host->performSelector(s, args);
  }
  return View::performSelector(s, args);
}

}  // namespace textview
