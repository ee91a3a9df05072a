// The label's display task: what is drawn, from which copies, and how the result (a layout
// built off the main thread, attachment views and layers, a cross-fade) comes back to the label.
#include "base/graphics/Geometry+DUDer.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/MediaTimingFunction.h"
#include "text/drawing/DRTextLayout+Drawing.h"
#include "textview/label/DRLabel.h"

namespace textview {

using text::DRTextContainer;
using text::DRTextLayout;

namespace {

// What the three blocks of one task share. The drawing block writes it on its queue; the main
// thread reads it only in `didDisplay`, after the drawing has finished.
struct DisplayShared {
  Ref<DRTextLayout> layout;
  bool layoutUpdated = false;
};

gfx::Point offsetFor(const Ref<DRTextLayout>& layout, gfx::Size size, DRTextVerticalAlignment alignment) {
  if (!layout) return {0, 0};
  const bool vertical = layout->container() && layout->container()->isVerticalForm();
  return DRLabelDrawingOffset(layout->textBoundingSize(), size, alignment, vertical, base::DRMainScreenScale());
}

void addFade(ui::Layer& layer, double duration) {
  auto fade = ui::Transition::animation();
  fade->setDuration(duration);
  fade->setTimingFunction(ui::MediaTimingFunction::functionWithName(ui::kCAMediaTimingFunctionEaseOut));
  fade->setType(ui::kCATransitionFade);
  layer.addAnimation(fade, DRLabel::kContentsAnimationKey);
}

}  // namespace

Ref<DRAsyncLayerDisplayTask> DRLabel::newAsyncDisplayTask() {
  const State state = state_;
  const bool layoutNeedUpdate = state.layoutNeedUpdate;
  // A rebuild works on copies: the label may change its own text and container meanwhile.
  const bool textEmpty = innerText_->length() == 0;
  Ref<typeset::AttributedString> text;
  Ref<DRTextContainer> container;
  if (layoutNeedUpdate) {
    text = rt::as<typeset::AttributedString>(innerText_->copy());
    container = rt::as<DRTextContainer>(innerContainer_->copy());
  }
  const DRTextVerticalAlignment alignment = textVerticalAlignment_;
  Ref<text::DRTextDebugOption> debug = debugOption_;
  const bool fadeForAsync = displaysAsynchronously_ && fadeOnAsynchronouslyDisplay_;
  auto shared = std::make_shared<DisplayShared>();
  shared->layout = state.showingHighlight && highlightLayout_ ? highlightLayout_ : innerLayout_;
  Weak<DRLabel> weakLabel = std::static_pointer_cast<DRLabel>(self());

  auto task = rt::make<DRAsyncLayerDisplayTask>();

  task->willDisplay = [weakLabel, shared, layoutNeedUpdate](ui::Layer& layer) {
    layer.removeAnimationForKey(kContentsAnimationKey);
    auto label = weakLabel.lock();
    if (!label) return;
    // Attachments the coming drawing does not place again leave the label now.
    const Ref<fd::MutableSet> kept = shared->layout ? shared->layout->attachmentContentsSet() : nullptr;
    auto stays = [&](const rt::Id& content) { return !layoutNeedUpdate && kept && kept->containsObject(content); };
    for (const auto& view : label->attachmentViews_)
      if (!stays(view) && view->superview().get() == label.get()) view->removeFromSuperview();
    for (const auto& sublayer : label->attachmentLayers_)
      if (!stays(sublayer) && sublayer->superlayer().get() == &layer) sublayer->removeFromSuperlayer();
    label->attachmentViews_.clear();
    label->attachmentLayers_.clear();
  };

  task->display = [shared, textEmpty, text, container, layoutNeedUpdate, alignment, debug](
                      const Ref<gfx::Context>& context, gfx::Size size, const std::function<bool()>& isCancelled) {
    if (isCancelled() || textEmpty) return;
    if (layoutNeedUpdate) {
      shared->layout = DRTextLayout::layoutWithContainer(container, text);
      if (isCancelled()) return;
      shared->layoutUpdated = true;
    }
    if (!shared->layout) return;
    text::drawInContext(*shared->layout, context.get(), size, offsetFor(shared->layout, size, alignment), nullptr,
                      nullptr, debug, isCancelled);
  };

  task->didDisplay = [weakLabel, shared, alignment, fadeForAsync, contentsNeedFade = state.contentsNeedFade](
                         ui::Layer& layer, bool finished) {
    auto label = weakLabel.lock();
    const Ref<DRTextLayout>& layout = shared->layout;
    if (!finished) {
      // A drawing overtaken by a newer one takes its attachments with it.
      if (!layout || !label) return;
      for (const auto& attachment : layout->attachments()) {
        const rt::Id& content = attachment->content();
        if (auto view = rt::as<ui::View>(content); view && view->superview().get() == label.get()) {
          view->removeFromSuperview();
        } else if (auto sublayer = rt::as<ui::Layer>(content); sublayer && sublayer->superlayer().get() == &layer) {
          sublayer->removeFromSuperlayer();
        }
      }
      return;
    }
    layer.removeAnimationForKey(kContentsAnimationKey);
    if (!label) return;
    if (label->state_.layoutNeedUpdate && shared->layoutUpdated) {
      label->innerLayout_ = layout;
      label->state_.layoutNeedUpdate = false;
    }
    if (layout) {
      gfx::Size size = layer.bounds().size;
      // No context: this pass only puts the attachment views and layers in place.
      text::drawInContext(*layout, nullptr, size, offsetFor(layout, size, alignment), label,
                        std::static_pointer_cast<ui::Layer>(layer.self()), nullptr, nullptr);
      for (const auto& attachment : layout->attachments()) {
        const rt::Id& content = attachment->content();
        if (auto view = rt::as<ui::View>(content)) label->attachmentViews_.push_back(view);
        else if (auto sublayer = rt::as<ui::Layer>(content)) label->attachmentLayers_.push_back(sublayer);
      }
    }
    if (contentsNeedFade) addFade(layer, kHighlightFadeDuration);
    else if (fadeForAsync) addFade(layer, kAsyncFadeDuration);
  };
  return task;
}

}  // namespace textview
