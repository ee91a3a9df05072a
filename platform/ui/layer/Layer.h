#pragma once
// The layer: a node of the rendered tree with geometry, look, contents and attached
// animations. Views are backed by layers; the compositor draws layer trees into bitmaps.
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/graphics/Color.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Path.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"

namespace ui {

class Animation;
class Layer;

/// Something a layer runs when one of its properties changes (an animation, usually).
class Action {
 public:
  virtual ~Action() = default;
  virtual void runActionForKey(const rt::String& key, Layer& layer) = 0;
};

/// The layer's delegate; each operation is optional (false / nullopt: "does not respond").
class LayerDelegate {
 public:
  virtual ~LayerDelegate() = default;
  /// Fills the layer's contents itself; true when it did.
  virtual bool displayLayer(Layer& layer) { (void)layer; return false; }
  /// Draws into the layer's backing store; true when it did.
  virtual bool drawLayerInContext(Layer& layer, gfx::Context& context) { (void)layer; (void)context; return false; }
  /// The action for a property change: nullopt to fall through to the layer's defaults, a
  /// null or the null object for "no action", or an object that is an Action.
  virtual std::optional<rt::Id> actionForLayer(Layer& layer, const rt::String& key) {
    (void)layer; (void)key; return std::nullopt;
  }
  /// Called before the layer's sublayers are laid out.
  virtual void layoutSublayersOfLayer(Layer& layer) { (void)layer; }
  /// Where the delegate's drawing reaches, in the layer's bounds coordinates: the backing
  /// store covers this beyond the bounds (when the layer does not clip), so that text taller
  /// than its box is not cut.
  virtual gfx::Rect drawingBoundsForLayer(Layer& layer);
  /// The part of the layer, in its bounds coordinates, that can be seen: a layer much larger
  /// than any screen (a long document in a scroll view) draws only that part into its backing
  /// store, and its delegate redraws when another part comes into view. Null: all of it.
  virtual gfx::Rect visibleBoundsForLayer(Layer& layer);
};

/// Contents gravity names.
extern const rt::String kCAGravityCenter, kCAGravityTop, kCAGravityBottom, kCAGravityLeft, kCAGravityRight,
    kCAGravityTopLeft, kCAGravityTopRight, kCAGravityBottomLeft, kCAGravityBottomRight, kCAGravityResize,
    kCAGravityResizeAspect, kCAGravityResizeAspectFill;
/// Filter names.
extern const rt::String kCAFilterLinear, kCAFilterNearest, kCAFilterTrilinear;

/// View content mode number <-> gravity name (resize 0, aspect 1, aspect-fill 2, centre 4,
/// top 5, bottom 6, left 7, right 8, top-left 9, top-right 10, bottom-left 11, bottom-right 12;
/// redraw 3 maps to resize).
rt::String gravityForContentMode(int64_t mode);
int64_t contentModeForGravity(const rt::String& gravity);
/// Where contents of `contentSize` points land in `bounds` under `gravity`.
gfx::Rect contentsFrameForGravity(const rt::String& gravity, gfx::Size contentSize, const gfx::Rect& bounds);

/// Seconds on the run loop's clock (monotonic; virtual in tests).
double CACurrentMediaTime();

class Layer : public rt::Object {
  RT_CLASS_NAMED(Layer, rt::Object, "CALayer")
 public:
  void init() {}
  ~Layer() override;

  static Ref<Layer> layer() { return rt::make<Layer>(); }

  // ---- geometry (bounds coordinates are the layer's own; position in the superlayer's)
  gfx::Rect bounds() const { return bounds_; }
  void setBounds(gfx::Rect bounds);
  gfx::Point position() const { return position_; }
  void setPosition(gfx::Point position);
  double zPosition() const { return zPosition_; }
  void setZPosition(double z);
  gfx::Point anchorPoint() const { return anchorPoint_; }
  void setAnchorPoint(gfx::Point anchor);
  double anchorPointZ() const { return anchorPointZ_; }
  void setAnchorPointZ(double z);
  gfx::Transform3D transform() const { return transform_; }
  void setTransform(const gfx::Transform3D& t);
  gfx::AffineTransform affineTransform() const { return gfx::Transform3DGetAffineTransform(transform_); }
  void setAffineTransform(const gfx::AffineTransform& t) { setTransform(gfx::Transform3DMakeAffineTransform(t)); }
  gfx::Transform3D sublayerTransform() const { return sublayerTransform_; }
  void setSublayerTransform(const gfx::Transform3D& t);
  /// Derived: the bounding box of the transformed bounds in the superlayer.
  gfx::Rect frame() const;
  void setFrame(gfx::Rect frame);

  // ---- look
  double opacity() const { return opacity_; }
  void setOpacity(double opacity);
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);
  bool masksToBounds() const { return masksToBounds_; }
  void setMasksToBounds(bool on);
  const Ref<Layer>& mask() const { return mask_; }
  void setMask(Ref<Layer> mask);
  double cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(double r);
  double borderWidth() const { return borderWidth_; }
  void setBorderWidth(double w);
  const Ref<gfx::Color>& borderColor() const { return borderColor_; }
  void setBorderColor(Ref<gfx::Color> c);
  const Ref<gfx::Color>& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(Ref<gfx::Color> c);
  const Ref<gfx::Color>& shadowColor() const { return shadowColor_; }
  void setShadowColor(Ref<gfx::Color> c);
  gfx::Size shadowOffset() const { return shadowOffset_; }
  void setShadowOffset(gfx::Size offset);
  double shadowRadius() const { return shadowRadius_; }
  void setShadowRadius(double r);
  double shadowOpacity() const { return shadowOpacity_; }
  void setShadowOpacity(double o);
  const Ref<gfx::Path>& shadowPath() const { return shadowPath_; }
  void setShadowPath(Ref<gfx::Path> p);
  bool isOpaque() const { return opaque_; }
  void setOpaque(bool on);
  bool shouldRasterize() const { return shouldRasterize_; }
  void setShouldRasterize(bool on);
  double rasterizationScale() const { return rasterizationScale_; }
  void setRasterizationScale(double s);
  bool isDoubleSided() const { return doubleSided_; }
  void setDoubleSided(bool on);
  rt::String name() const { return name_; }
  void setName(rt::String n) { name_ = std::move(n); }

  // ---- contents (a gfx::BitmapImage, or a gfx::Image whose bitmap is drawn)
  const rt::Id& contents() const { return contents_; }
  void setContents(rt::Id contents);
  gfx::Rect contentsRect() const { return contentsRect_; }
  void setContentsRect(gfx::Rect r);
  gfx::Rect contentsCenter() const { return contentsCenter_; }
  void setContentsCenter(gfx::Rect r);
  rt::String contentsGravity() const { return contentsGravity_; }
  void setContentsGravity(rt::String g);
  double contentsScale() const { return contentsScale_; }
  /// Until set, a layer takes its superlayer's scale when it joins a tree (so layers added
  /// below a view draw at the screen's scale), and hands it on to its own sublayers.
  void setContentsScale(double s);
  /// How far the backing store that display() drew reaches beyond the bounds on each side
  /// (zero for given contents; negative where it covers only a visible part of the bounds).
  gfx::EdgeInsets contentsOverhang() const { return overhang_; }
  rt::String magnificationFilter() const { return magnificationFilter_; }
  void setMagnificationFilter(rt::String f);
  rt::String minificationFilter() const { return minificationFilter_; }
  void setMinificationFilter(rt::String f);
  bool needsDisplayOnBoundsChange() const { return needsDisplayOnBoundsChange_; }
  void setNeedsDisplayOnBoundsChange(bool on) { needsDisplayOnBoundsChange_ = on; }
  bool drawsAsynchronously() const { return drawsAsynchronously_; }
  void setDrawsAsynchronously(bool on) { drawsAsynchronously_ = on; }

  // ---- tree
  Ref<Layer> superlayer() const { return superlayer_.lock(); }
  const std::vector<Ref<Layer>>& sublayers() const { return sublayers_; }
  void setSublayers(std::vector<Ref<Layer>> layers);
  void addSublayer(const Ref<Layer>& layer);
  void insertSublayerAtIndex(const Ref<Layer>& layer, size_t index);
  void insertSublayerBelow(const Ref<Layer>& layer, const Layer* sibling);
  void insertSublayerAbove(const Ref<Layer>& layer, const Layer* sibling);
  void replaceSublayer(const Layer* old, const Ref<Layer>& replacement);
  void removeFromSuperlayer();
  void removeAllSublayers();
  bool isDescendantOf(const Layer* ancestor) const;

  // ---- delegate
  Weak<LayerDelegate> delegate() const { return delegate_; }
  void setDelegate(Weak<LayerDelegate> d) { delegate_ = std::move(d); }

  // ---- hit testing and conversion (points in the receiver's bounds coordinates)
  /// `p` in the superlayer's coordinates; the deepest visible layer containing it, or null.
  Ref<Layer> hitTest(gfx::Point p);
  /// `p` in the receiver's coordinates.
  virtual bool containsPoint(gfx::Point p) const;
  gfx::Point convertPointFromLayer(gfx::Point p, const Layer* layer) const;
  gfx::Point convertPointToLayer(gfx::Point p, const Layer* layer) const;
  gfx::Rect convertRectFromLayer(gfx::Rect r, const Layer* layer) const;
  gfx::Rect convertRectToLayer(gfx::Rect r, const Layer* layer) const;
  /// Maps the receiver's coordinates into its superlayer's (3D, row vectors).
  gfx::Transform3D transformToSuperlayer() const;
  /// Maps the receiver's coordinates into the root's (the top of its tree).
  gfx::Transform3D transformToRoot() const;

  // ---- display
  virtual void setNeedsDisplay();
  /// Marks only `r` (bounds coordinates) as stale: while the backing store it drew last still
  /// fits the layer, just that part of it is drawn again, and only that part composited anew.
  void setNeedsDisplayInRect(gfx::Rect r);
  bool needsDisplay() const { return needsDisplay_; }
  void displayIfNeeded();
  /// Fills contents: the delegate's displayLayer, or a new backing store drawn by drawInContext.
  virtual void display();
  /// Draws the layer's own content (default: the delegate's drawing) in its bounds coordinates.
  virtual void drawInContext(gfx::Context& context);
  /// Paints what the layer draws afresh every frame (shapes, gradients) above its contents;
  /// the compositor calls it with the layer's bounds coordinates current.
  virtual void renderOwnContent(gfx::Context& context) const { (void)context; }
  /// Draws the layer and its sublayers into `context` (y-down, the layer's bounds origin at
  /// the context's current origin).
  void renderInContext(gfx::Context& context);

  // ---- layout
  void setNeedsLayout();
  bool needsLayout() const { return needsLayout_; }
  void layoutIfNeeded();
  virtual void layoutSublayers();

  // ---- keys: declared properties, key paths into the transform, and storage for any other
  /// Declared defaults for keys (subclasses override); null when none.
  virtual rt::Id defaultValueForKey(const rt::String& key) const;
  /// Keys whose change redraws the layer (subclasses override).
  virtual bool needsDisplayForKey(const rt::String& key) const;
  /// The action run when `key` changes (delegate first); null for none.
  virtual rt::Id actionForKey(const rt::String& key);
  rt::Id valueForKey(const rt::String& key) const override;
  void setValueForKey(const rt::Id& value, const rt::String& key) override;
  rt::Id valueForKeyPath(const rt::String& keyPath) const override;
  void setValueForKeyPath(const rt::Id& value, const rt::String& keyPath) override;
  rt::Id valueForUndefinedKey(const rt::String& key) const override;
  void setValueForUndefinedKey(const rt::Id& value, const rt::String& key) override;

  // ---- animations
  /// Adds a copy of `animation` under `key` (an empty key adds it unnamed; the same key replaces).
  void addAnimation(const Ref<Animation>& animation, const rt::String& key = {});
  Ref<Animation> animationForKey(const rt::String& key) const;
  void removeAnimationForKey(const rt::String& key);
  void removeAllAnimations();
  std::vector<rt::String> animationKeys() const;
  bool hasAnimations() const { return !animations_.empty(); }

  /// A copy of the layer with its animations applied at the current media time (the layer
  /// itself when it is a presentation layer).
  Ref<Layer> presentationLayer() const;
  /// The layer a presentation copy was made from (itself for model layers).
  Ref<Layer> modelLayer() const;
  bool isPresentation() const { return presentation_; }

  // ---- compositor bookkeeping
  /// True when this layer or something below it changed since the last composite.
  bool needsComposite() const { return needsComposite_; }
  void clearNeedsComposite();
  /// Marks the layer and its ancestors as changed.
  void setNeedsComposite();
  /// True when this layer itself changed since the last composite (its ancestors are marked
  /// by needsComposite only).
  bool isDamaged() const { return damaged_; }
  /// The part of the backing store drawn again since the last composite, in bounds
  /// coordinates, while the rest of the layer stayed as composited; null when none.
  const gfx::Rect& redrawnArea() const { return redrawnArea_; }
  /// Where sublayers removed since the last composite were drawn, in frame pixels.
  const gfx::Rect& vacatedArea() const { return vacatedArea_; }
  /// What the layer draws of its own, in its bounds coordinates, beyond its bounds, contents
  /// and shadow (the compositor adds those): a shape's stroked path, say. Empty by default.
  virtual gfx::Rect ownDrawingExtent() const { return gfx::RectNull; }
  /// Where the compositor last drew this layer with everything below it, in frame pixels;
  /// null before the first frame that drew it or while hidden.
  const gfx::Rect& compositedArea() const { return compositedArea_; }
  void setCompositedArea(const gfx::Rect& r) { compositedArea_ = r; }

  /// Copies the model state of `other` (same class or a superclass) into the receiver.
  virtual void copyStateFrom(const Layer& other);

 protected:
  /// The change protocol of a property: the action is looked up (and the presentation value
  /// read) before the change and run after it; redraw and composite follow.
  struct PendingAction {
    rt::Id action;
    rt::Id oldValue;
  };
  PendingAction willChangeKey(const char* key);
  void didChangeKey(const char* key, PendingAction pending);
  template <class T> void change(const char* key, T& slot, T value) {
    if (slot == value) return;
    PendingAction pending = willChangeKey(key);
    slot = std::move(value);
    didChangeKey(key, std::move(pending));
  }

 private:
  bool drewNothing_ = false;  // set by the base drawInContext when no delegate drew
  struct AnimationEntry {
    rt::String key;
    Ref<Animation> animation;
  };
  friend class AnimationRunner;

  void attach(const Ref<Layer>& layer, size_t index);
  void detachChild(const Layer* layer);
  Ref<Layer> hitTestLocal(gfx::Point local);
  void renderTree(gfx::Context& context);

  gfx::Rect bounds_;
  gfx::Point position_;
  double zPosition_ = 0;
  gfx::Point anchorPoint_{0.5, 0.5};
  double anchorPointZ_ = 0;
  gfx::Transform3D transform_;
  gfx::Transform3D sublayerTransform_;
  double opacity_ = 1;
  bool hidden_ = false;
  bool masksToBounds_ = false;
  bool opaque_ = false;
  bool shouldRasterize_ = false;
  bool doubleSided_ = true;
  bool needsDisplayOnBoundsChange_ = false;
  bool drawsAsynchronously_ = false;
  bool needsDisplay_ = false;
  bool needsLayout_ = false;
  bool needsComposite_ = true;
  bool damaged_ = true;
  bool displayWhole_ = false;                   // setNeedsDisplay since the last display
  gfx::Rect staleArea_ = gfx::RectNull;         // what setNeedsDisplayInRect asked for
  gfx::Rect partToDraw_ = gfx::RectNull;        // during display: the part, until drawn
  gfx::Rect redrawnArea_ = gfx::RectNull;
  // Draws `part` of the backing store again in place; false when the store no longer fits
  // (other size, scale, overhang or format) or is shared, and must be drawn whole.
  bool redrawPart(gfx::Rect part, gfx::Size store, const gfx::EdgeInsets& over, double scale);
  gfx::Rect compositedArea_ = gfx::RectNull;
  gfx::Rect vacatedArea_ = gfx::RectNull;
  void markNeedsComposite();  // this layer and its ancestors, without damaging this one
  double rasterizationScale_ = 1;
  Ref<Layer> mask_;
  double cornerRadius_ = 0;
  double borderWidth_ = 0;
  Ref<gfx::Color> borderColor_;
  Ref<gfx::Color> backgroundColor_;
  Ref<gfx::Color> shadowColor_;
  gfx::Size shadowOffset_{0, -3};
  double shadowRadius_ = 3;
  double shadowOpacity_ = 0;
  Ref<gfx::Path> shadowPath_;
  rt::String name_;
  rt::Id contents_;
  gfx::Rect contentsRect_{{0, 0}, {1, 1}};
  gfx::Rect contentsCenter_{{0, 0}, {1, 1}};
  rt::String contentsGravity_{"resize"};
  double contentsScale_ = 1;
  bool contentsScaleSet_ = false;
  bool backingStore_ = false;  // contents drawn by display(), not given
  gfx::EdgeInsets overhang_;
  void adoptContentsScale(double s);
  rt::String magnificationFilter_{"linear"};
  rt::String minificationFilter_{"linear"};
  Weak<Layer> superlayer_;
  std::vector<Ref<Layer>> sublayers_;
  Weak<LayerDelegate> delegate_;
  std::map<rt::String, rt::Id> dynamic_;
  std::vector<AnimationEntry> animations_;
  Weak<const Layer> model_;
  bool presentation_ = false;
};

}  // namespace ui
