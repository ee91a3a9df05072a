#pragma once
// A view that shows a blurred, tinted picture of what lies beneath it: a snapshot of the
// underlying view (its superview unless set) inside its frame, taken with its own branch and
// the layers above it hidden, blurred and installed as the layer's contents. A dynamic view
// (the default) is refreshed by the shared scheduler; a static one when it changes, and on
// every frame while its radius animates. Content that layer rendering cannot capture (a player
// layer, a perspective transform) is taken with the view-hierarchy drawing. Main thread.
#include <functional>

#include "platform/foundation/time/Date.h"
#include "platform/ui/layer/DisplayLink.h"
#include "platform/ui/view/View.h"
#include "widgets/blur/BVBlurLayer.h"

namespace widgets {

class BVBlurView : public ui::View {
  RT_CLASS(BVBlurView, ui::View)
 public:
  void init(gfx::Rect frame);
  void init() { init(gfx::RectZero); }
  ~BVBlurView() override;

  /// The switch for every blur view at once.
  static void setAllBlurEnabled(bool enabled);
  static void setUpdatesEnabled();
  static void setUpdatesDisabled();
  const rt::Class* layerClass() const override { return BVBlurLayer::classObject(); }

  bool isBlurEnabled() const { return blurEnabled_; }
  void setBlurEnabled(bool on);
  bool isDynamic() const { return dynamic_; }
  void setDynamic(bool on);
  unsigned iterations() const { return iterations_; }
  void setIterations(unsigned n);
  double updateInterval() const { return updateInterval_; }
  /// 0 or less means 1/60 s.
  void setUpdateInterval(double seconds);
  double blurRadius() const;
  void setBlurRadius(double radius);
  Ref<gfx::Color> tintColor() const { return tint_; }
  void setTintColor(Ref<gfx::Color> color);
  /// The superview unless one is set.
  Ref<ui::View> underlyingView() const;
  void setUnderlyingView(const Ref<ui::View>& view);
  const Ref<fd::Date>& lastUpdate() const { return lastUpdate_; }
  /// Whether the underlying view holds content only the view-hierarchy drawing captures.
  bool needsDrawViewHierarchy() const { return needsDrawViewHierarchy_; }
  /// True for a view, or any view below it, whose content layer rendering cannot capture: a
  /// sprite-kit view, an OpenGL or player layer, or a layer with a perspective transform.
  static bool viewOrSubviewNeedsDrawViewHierarchy(const ui::View* view);
  /// Whether a frame-by-frame redraw follows a radius animation now.
  bool isFollowingRadiusAnimation() const { return radiusLink_ && radiusLink_->isValid() && !radiusLink_->isPaused(); }

  /// Drops the picture and asks for a new one.
  void clearImage();
  bool shouldUpdate() const;
  /// The snapshot of what lies beneath, at the reduced scale the blur allows.
  Ref<gfx::Image> snapshotOfUnderlyingView();
  /// The scale the snapshot is taken at for the current settings.
  double snapshotScale() const;
  /// Refreshes now; `async` blurs on a background queue first and installs when done.
  void updateAsynchronously(bool async, std::function<void()> completion);

  void didMoveToSuperview() override;
  void didMoveToWindow() override;
  void willMoveToSuperview(ui::View* newSuperview) override;
  bool displayLayer(ui::Layer& layer) override;
  std::optional<rt::Id> actionForLayer(ui::Layer& layer, const rt::String& key) override;

 private:
  BVBlurLayer& blurLayer() const { return static_cast<BVBlurLayer&>(*layer()); }
  Ref<ui::Layer> blurPresentationLayer() const;
  void schedule();
  std::vector<Ref<ui::Layer>> prepareUnderlyingViewForSnapshot();
  void setLayerContents(const Ref<gfx::Image>& image);
  /// Redraws each frame while the layer animates its radius, then once at the final radius.
  void followRadiusAnimation();

  bool blurEnabled_ = true;
  bool dynamic_ = true;
  unsigned iterations_ = 3;
  double updateInterval_ = 1.0 / 60;
  Ref<gfx::Color> tint_;
  rt::Weak<ui::View> underlying_;
  Ref<fd::Date> lastUpdate_;
  bool needsDrawViewHierarchy_ = false;
  Ref<ui::DisplayLink> radiusLink_;
};

/// Refreshes dynamic blur views, one per pass, passes at most 1/60 s apart, with at most one
/// background blur in flight and at most one pass waiting.
class BVBlurScheduler : public rt::Object {
  RT_CLASS(BVBlurScheduler, rt::Object)
 public:
  static Ref<BVBlurScheduler> sharedInstance();
  void setBlurEnabled(bool on);
  bool blurEnabled() const { return blurEnabled_; }
  void setUpdatesEnabled();
  void setUpdatesDisabled();
  void addView(const Ref<BVBlurView>& view);
  void removeView(BVBlurView* view);
  const std::vector<Ref<BVBlurView>>& views() const { return views_; }
  /// Runs one pass now.
  void updateAsynchronously();
  bool isUpdating() const { return updating_; }
  /// Where the next pass starts; it may hold a wrapped value until that pass reduces it.
  size_t viewIndex() const { return viewIndex_; }
  bool hasPendingPass() const { return pendingPass_; }

 private:
  void schedulePass(double delay);
  std::vector<Ref<BVBlurView>> views_;
  size_t viewIndex_ = 0;
  unsigned updatesEnabled_ = 1;
  bool blurEnabled_ = true;
  bool updating_ = false;
  bool pendingPass_ = false;
};

}  // namespace widgets
