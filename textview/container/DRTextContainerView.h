#pragma once
// The plain view inside a text view that draws one layout, synchronously, and holds the
// attachment views and layers the layout places on it. Edit-menu questions and every message
// it has no method for go to its host (the text view), so that whatever talks to the first
// responder reaches the text view. Main thread only.
#include <vector>

#include "platform/ui/view/View.h"
#include "text/layout/DRTextLayout.h"
#include "text/model/DRTextDebugOption.h"

namespace textview {

class DRTextContainerView : public ui::View {
  RT_CLASS(DRTextContainerView, ui::View)
 public:
  void init(gfx::Rect frame);

  Ref<ui::View> hostView() const { return hostView_.lock(); }
  void setHostView(const Ref<ui::View>& host) { hostView_ = host; }
  const Ref<text::DRTextDebugOption>& debugOption() const { return debugOption_; }
  /// Keeps a copy; redraws when that turns the debug overlay on or off.
  void setDebugOption(const Ref<text::DRTextDebugOption>& option);
  int64_t textVerticalAlignment() const { return textVerticalAlignment_; }
  void setTextVerticalAlignment(int64_t alignment);
  const Ref<text::DRTextLayout>& layout() const { return layout_; }
  /// A different layout object is drawn afresh, its attachments placed again.
  void setLayout(const Ref<text::DRTextLayout>& layout);
  void setLayout(const Ref<text::DRTextLayout>& layout, double fadeDuration);
  double contentsFadeDuration() const { return contentsFadeDuration_; }
  /// Seconds each redraw cross-fades; 0 or less: none (and a fade under way stops).
  void setContentsFadeDuration(double seconds);

  const std::vector<Ref<ui::View>>& attachmentViews() const { return attachmentViews_; }
  const std::vector<Ref<ui::Layer>>& attachmentLayers() const { return attachmentLayers_; }
  /// Where the layout's origin goes in this view.
  gfx::Point textOffset() const;

  void setFrame(gfx::Rect frame) override;
  void setBounds(gfx::Rect bounds) override;
  void drawRect(gfx::Rect rect) override;
  /// Inside a scroll view only what can be seen, with half a screen around it, is drawn: a
  /// long text costs one screen's drawing per change, not the whole document's.
  gfx::Rect visibleBoundsForLayer(ui::Layer& layer) override;
  /// Told when the enclosing scroll view scrolled: redraws when the part now seen was not
  /// drawn.
  void visibleBoundsDidChange();

  bool canBecomeFirstResponder() const override { return true; }
  bool canPerformAction(rt::Selector action, const rt::Id& sender) const override;
  bool respondsToSelector(rt::Selector s) const override;
  rt::Value performSelector(rt::Selector s, const std::vector<rt::Value>& args = {}) override;
  using rt::Object::respondsToSelector;

 private:
  bool attachmentChanged_ = false;
  std::vector<Ref<ui::View>> attachmentViews_;
  std::vector<Ref<ui::Layer>> attachmentLayers_;
  Weak<ui::View> hostView_;
  Ref<text::DRTextDebugOption> debugOption_;
  int64_t textVerticalAlignment_ = 0;
  Ref<text::DRTextLayout> layout_;
  double contentsFadeDuration_ = 0;
  gfx::Rect drawnBounds_ = gfx::RectNull;  // null: all of the view was drawn
};

}  // namespace textview
