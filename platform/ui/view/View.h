#pragma once
// The view: a rectangle of the screen backed by a layer. Geometry, look and order live in the
// layer; the view adds the hierarchy's callbacks, autoresizing, the layout and display passes,
// hit testing, coordinate conversion, gesture recognisers and its place in the responder chain.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/layout/LayoutTypes.h"
#include "platform/ui/view/Responder.h"

namespace ui {

class Window;
class GestureRecognizer;
class LayoutConstraint;
namespace layout {
struct ViewLayoutState;
}

enum ViewAutoresizing : uint64_t {
  ViewAutoresizingNone = 0,
  ViewAutoresizingFlexibleLeftMargin = 1 << 0,
  ViewAutoresizingFlexibleWidth = 1 << 1,
  ViewAutoresizingFlexibleRightMargin = 1 << 2,
  ViewAutoresizingFlexibleTopMargin = 1 << 3,
  ViewAutoresizingFlexibleHeight = 1 << 4,
  ViewAutoresizingFlexibleBottomMargin = 1 << 5,
};

enum class ViewContentMode : int64_t {
  ScaleToFill = 0, ScaleAspectFit = 1, ScaleAspectFill = 2, Redraw = 3, Center = 4, Top = 5, Bottom = 6,
  Left = 7, Right = 8, TopLeft = 9, TopRight = 10, BottomLeft = 11, BottomRight = 12,
};

enum class ViewTintAdjustmentMode : int64_t { Automatic = 0, Normal = 1, Dimmed = 2 };

/// What the controller managing a view hears around each layout pass of that view.
class ViewLayoutObserver {
 public:
  virtual ~ViewLayoutObserver() = default;
  virtual void viewLayoutWillBegin() {}
  virtual void viewLayoutDidEnd() {}
};

class View : public Responder, public LayerDelegate, public fd::Coding {
  RT_CLASS_NAMED(View, Responder, "UIView")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  ~View() override;

  /// The class of the backing layer; subclasses answer their own.
  virtual const rt::Class* layerClass() const;
  const Ref<Layer>& layer() const { return layer_; }

  // ---- geometry
  virtual gfx::Rect frame() const;
  virtual void setFrame(gfx::Rect frame);
  virtual gfx::Rect bounds() const { return layer_->bounds(); }
  virtual void setBounds(gfx::Rect bounds);
  gfx::Point center() const { return layer_->position(); }
  virtual void setCenter(gfx::Point center);
  gfx::AffineTransform transform() const { return layer_->affineTransform(); }
  virtual void setTransform(gfx::AffineTransform t);
  double contentScaleFactor() const { return layer_->contentsScale(); }
  void setContentScaleFactor(double s) { layer_->setContentsScale(s); }

  // ---- look
  double alpha() const { return layer_->opacity(); }
  virtual void setAlpha(double alpha);
  bool isHidden() const { return layer_->isHidden(); }
  virtual void setHidden(bool hidden);
  bool isOpaque() const { return layer_->isOpaque(); }
  void setOpaque(bool on) { layer_->setOpaque(on); }
  bool clipsToBounds() const { return layer_->masksToBounds(); }
  void setClipsToBounds(bool on) { layer_->setMasksToBounds(on); }
  Ref<gfx::Color> backgroundColor() const { return layer_->backgroundColor(); }
  virtual void setBackgroundColor(Ref<gfx::Color> color);
  /// Own tint, else the superview's, else the system's blue.
  Ref<gfx::Color> tintColor() const;
  void setTintColor(Ref<gfx::Color> color);
  ViewTintAdjustmentMode tintAdjustmentMode() const { return tintAdjustmentMode_; }
  void setTintAdjustmentMode(ViewTintAdjustmentMode m);
  /// Called on the view and its descendants whose effective tint changed.
  virtual void tintColorDidChange() {}
  ViewContentMode contentMode() const { return contentMode_; }
  virtual void setContentMode(ViewContentMode m);

  // ---- interaction
  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  void setUserInteractionEnabled(bool on) { userInteractionEnabled_ = on; }
  bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
  /// Virtual, so that a view that never takes more than one touch holds to it through any
  /// reference to it.
  virtual void setMultipleTouchEnabled(bool on) { multipleTouchEnabled_ = on; }
  bool isExclusiveTouch() const { return exclusiveTouch_; }
  void setExclusiveTouch(bool on) { exclusiveTouch_ = on; }
  int64_t tag() const { return tag_; }
  void setTag(int64_t tag) { tag_ = tag; }
  /// The receiver or the first descendant (depth first) with that tag.
  Ref<View> viewWithTag(int64_t tag);

  // ---- accessibility facts (stored; no assistive technology here). Virtual, so that a view
  // that derives them from its content answers the same through any reference to it.
  virtual rt::String accessibilityLabel() const { return accessibilityLabel_; }
  virtual void setAccessibilityLabel(rt::String s) { accessibilityLabel_ = std::move(s); }
  virtual bool isAccessibilityElement() const { return accessibilityElement_; }
  virtual void setIsAccessibilityElement(bool on) { accessibilityElement_ = on; }

  // ---- hierarchy
  Ref<View> superview() const { return superview_.lock(); }
  const std::vector<Ref<View>>& subviews() const { return subviews_; }
  /// The window at the top of the receiver's tree, or null.
  Ref<Window> window() const;
  void addSubview(const Ref<View>& view);
  void insertSubviewAtIndex(const Ref<View>& view, size_t index);
  void insertSubviewBelow(const Ref<View>& view, const View* sibling);
  void insertSubviewAbove(const Ref<View>& view, const View* sibling);
  void exchangeSubviewAtIndex(size_t a, size_t b);
  void bringSubviewToFront(const View* view);
  void sendSubviewToBack(const View* view);
  void removeFromSuperview();
  bool isDescendantOfView(const View* view) const;

  // Hierarchy callbacks
  virtual void willMoveToSuperview(View* newSuperview) { (void)newSuperview; }
  virtual void didMoveToSuperview() {}
  virtual void willMoveToWindow(Window* newWindow) { (void)newWindow; }
  virtual void didMoveToWindow() {}
  virtual void didAddSubview(View* subview) { (void)subview; }
  virtual void willRemoveSubview(View* subview) { (void)subview; }

  // ---- autoresizing and layout
  uint64_t autoresizingMask() const { return autoresizingMask_; }
  void setAutoresizingMask(uint64_t mask) { autoresizingMask_ = mask; }
  bool autoresizesSubviews() const { return autoresizesSubviews_; }
  void setAutoresizesSubviews(bool on) { autoresizesSubviews_ = on; }
  void setNeedsLayout();
  bool needsLayout() const { return needsLayout_; }
  /// Lays out the receiver (when marked) and then its subtree.
  void layoutIfNeeded();
  /// Subclasses place their subviews here; the base does nothing.
  virtual void layoutSubviews() {}
  /// Runs before `layoutSubviews` in each pass: the place where constraint solving hooks in.
  virtual void updateConstraintsIfNeeded() {}
  virtual gfx::Size sizeThatFits(gfx::Size size) const;
  void sizeToFit();
  /// No intrinsic metric is -1, as on the platform.
  virtual gfx::Size intrinsicContentSize() const { return {kNoIntrinsicMetric, kNoIntrinsicMetric}; }
  /// Tells constraint-based layout that the intrinsic size changed.
  void invalidateIntrinsicContentSize();
  static constexpr double kNoIntrinsicMetric = -1;

  // ---- constraint-based layout (platform/ui/layout/; the layout pass solves before
  // `layoutSubviews`, and `layoutIfNeeded` solves at once)
  /// The constraints the receiver holds, in the order added.
  const std::vector<Ref<LayoutConstraint>>& constraints() const;
  /// The receiver must be (or contain) both items' views; otherwise the constraint is refused
  /// with a logged reason. Adding it again does nothing; a constraint held elsewhere moves.
  void addConstraint(const Ref<LayoutConstraint>& constraint);
  void addConstraints(const std::vector<Ref<LayoutConstraint>>& constraints);
  void removeConstraint(const Ref<LayoutConstraint>& constraint);
  void removeConstraints(const std::vector<Ref<LayoutConstraint>>& constraints);
  /// On (the default): the frame, as set, is a set of required constraints.
  bool translatesAutoresizingMaskIntoConstraints() const;
  void setTranslatesAutoresizingMaskIntoConstraints(bool on);
  /// Defaults: hugging 250 (251 for labels and image views), compression resistance 750.
  LayoutPriority contentHuggingPriorityForAxis(LayoutConstraintAxis axis) const;
  void setContentHuggingPriorityForAxis(LayoutPriority priority, LayoutConstraintAxis axis);
  LayoutPriority contentCompressionResistancePriorityForAxis(LayoutConstraintAxis axis) const;
  void setContentCompressionResistancePriorityForAxis(LayoutPriority priority, LayoutConstraintAxis axis);
  /// Used by the margin attributes; 8 on every side by default.
  gfx::EdgeInsets layoutMargins() const;
  void setLayoutMargins(gfx::EdgeInsets margins);
  /// The layout engine's per-view record (made on first use).
  layout::ViewLayoutState& layoutState();
  layout::ViewLayoutState* layoutStateIfAny() const { return layoutState_.get(); }

  // ---- display
  void setNeedsDisplay();
  void setNeedsDisplayInRect(gfx::Rect rect);
  /// Draws the view's content into the current graphics context, in bounds coordinates.
  virtual void drawRect(gfx::Rect rect);
  /// Renders the view's tree into the current graphics context, scaled into `rect`.
  bool drawViewHierarchyInRect(gfx::Rect rect, bool afterScreenUpdates);

  // ---- hit testing and conversion
  /// `point` in the receiver's coordinates: the deepest interactive, visible descendant
  /// (or the receiver) containing it.
  virtual Ref<View> hitTest(gfx::Point point, Event* event);
  virtual bool pointInside(gfx::Point point, Event* event) const;
  /// A null `view` means the window (screen coordinates for a view outside any window's tree).
  gfx::Point convertPointToView(gfx::Point p, const View* view) const;
  gfx::Point convertPointFromView(gfx::Point p, const View* view) const;
  gfx::Rect convertRectToView(gfx::Rect r, const View* view) const;
  gfx::Rect convertRectFromView(gfx::Rect r, const View* view) const;

  // ---- gesture recognisers
  const std::vector<Ref<GestureRecognizer>>& gestureRecognizers() const { return recognizers_; }
  void addGestureRecognizer(const Ref<GestureRecognizer>& g);
  void removeGestureRecognizer(const GestureRecognizer* g);
  /// Asked before a recogniser on this view leaves the possible state; false makes it fail.
  virtual bool gestureRecognizerShouldBegin(GestureRecognizer* g) { (void)g; return true; }

  // ---- motion effects: accepted and kept, with no effect on a machine without motion sensors
  void addMotionEffect(const rt::Id& effect) { motionEffects_.push_back(effect); }
  void removeMotionEffect(const rt::Id& effect);
  const std::vector<rt::Id>& motionEffects() const { return motionEffects_; }

  // ---- responder chain: view -> its controller -> superview -> ... -> window -> application
  Ref<Responder> nextResponder() const override;
  /// The controller managing this view (set by the controller); it is next in the chain.
  Ref<Responder> viewController() const { return controller_.lock(); }
  void setViewController(const Ref<Responder>& controller) { controller_ = controller; }

  // ---- layer delegate
  bool drawLayerInContext(Layer& layer, gfx::Context& context) override;
  std::optional<rt::Id> actionForLayer(Layer& layer, const rt::String& key) override;
  void layoutSublayersOfLayer(Layer& layer) override;

  /// Screen-space transform helpers shared with windows: receiver's points into the space of
  /// the top of its tree's container (the screen for windows).
  gfx::Transform3D transformToScreen() const;
  gfx::Transform3D referenceTransform(const View* view) const;

  // ---- keyed coding of the view's own state and its subviews
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  /// The subviews an archive keeps; views that make parts of their own at set-up leave them out.
  virtual std::vector<Ref<View>> subviewsForCoding() const { return subviews_; }

 protected:
  /// Window membership changed for the receiver's subtree.
  void notifyWindowChange(Window* oldWindow, Window* newWindow, bool didMove);

 private:
  /// One layout pass of the receiver, inside its controller's will/did-layout calls.
  void layOutNow();
  void attachSubview(const Ref<View>& view, size_t index);
  void placeLayerOf(const View* view, size_t index);
  void resizeSubviews(gfx::Size oldSize);
  void autoresize(gfx::Size oldSuperSize, gfx::Size newSuperSize);
  void propagateTintChange();
  void boundsSizeChanged(gfx::Size oldSize);

  Ref<Layer> layer_;
  std::shared_ptr<layout::ViewLayoutState> layoutState_;
  Weak<View> superview_;
  std::vector<Ref<View>> subviews_;
  Weak<Responder> controller_;
  std::vector<Ref<GestureRecognizer>> recognizers_;
  std::vector<rt::Id> motionEffects_;
  Ref<gfx::Color> tintColor_;
  ViewTintAdjustmentMode tintAdjustmentMode_ = ViewTintAdjustmentMode::Automatic;
  ViewContentMode contentMode_ = ViewContentMode::ScaleToFill;
  rt::String accessibilityLabel_;
  uint64_t autoresizingMask_ = ViewAutoresizingNone;
  int64_t tag_ = 0;
  bool autoresizesSubviews_ = true;
  bool userInteractionEnabled_ = true;
  bool multipleTouchEnabled_ = false;
  bool exclusiveTouch_ = false;
  bool accessibilityElement_ = false;
  bool needsLayout_ = false;
  bool baseDrawReached_ = false;
};

}  // namespace ui
