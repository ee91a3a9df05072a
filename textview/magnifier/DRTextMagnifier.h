#pragma once
// The loupe shown while the caret or a selection end is dragged: a fixed frame picture (its
// cover) over an image view showing an enlarged snapshot of the screen around the touch. A
// round loupe follows the caret; a rounded popover with a pointer follows a selection end. It
// only displays: the effect window captures, places and animates it. Main thread only.
#include "platform/graphics/Image.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/view/View.h"

namespace textview {

enum class DRTextMagnifierType : int64_t { Caret = 0, Ranged = 1 };

class DRTextMagnifier : public ui::View {
  RT_CLASS(DRTextMagnifier, ui::View)
 public:
  /// A new caret (0) or ranged (1) magnifier; null for any other type.
  static Ref<DRTextMagnifier> magnifierWithType(int64_t type);

  /// Raises, named after the class, when the class is this abstract one itself.
  void init(gfx::Rect frame);

  virtual DRTextMagnifierType type() const { return DRTextMagnifierType::Caret; }
  /// The natural size, whatever size is offered.
  virtual gfx::Size fitSize() const { return gfx::SizeZero; }
  /// The screen area to capture, in points.
  virtual gfx::Size snapshotSize() const { return gfx::SizeZero; }
  virtual Ref<gfx::Image> snapshot() const { return nullptr; }
  virtual void setSnapshot(Ref<gfx::Image> image) { (void)image; }
  gfx::Size sizeThatFits(gfx::Size size) const override {
    (void)size;
    return fitSize();
  }

  bool hostVerticalForm() const { return hostVerticalForm_; }
  void setHostVerticalForm(bool on) { hostVerticalForm_ = on; }
  bool captureDisabled() const { return captureDisabled_; }
  void setCaptureDisabled(bool on) { captureDisabled_ = on; }
  bool captureFadeAnimation() const { return captureFadeAnimation_; }
  void setCaptureFadeAnimation(bool on) { captureFadeAnimation_ = on; }
  Ref<ui::View> hostView() const { return hostView_.lock(); }
  void setHostView(const Ref<ui::View>& host) { hostView_ = host; }
  /// In the host view's coordinates: the middle of the area to capture, and the point the
  /// magnifier sits at.
  gfx::Point hostCaptureCenter() const { return hostCaptureCenter_; }
  void setHostCaptureCenter(gfx::Point p) { hostCaptureCenter_ = p; }
  gfx::Point hostPopoverCenter() const { return hostPopoverCenter_; }
  void setHostPopoverCenter(gfx::Point p) { hostPopoverCenter_ = p; }

 private:
  bool hostVerticalForm_ = false;
  bool captureDisabled_ = false;
  bool captureFadeAnimation_ = false;
  Weak<ui::View> hostView_;
  gfx::Point hostCaptureCenter_;
  gfx::Point hostPopoverCenter_;
};

/// What the two loupes share: the snapshot in a clipped image view under the cover picture.
class DRTextMagnifierBody : public DRTextMagnifier {
  RT_CLASS(DRTextMagnifierBody, DRTextMagnifier)
 public:
  Ref<gfx::Image> snapshot() const override { return contentView_ ? contentView_->image() : nullptr; }
  /// Cross-fades over 0.1 s when `captureFadeAnimation` is on.
  void setSnapshot(Ref<gfx::Image> image) override;
  const Ref<ui::ImageView>& contentView() const { return contentView_; }
  const Ref<ui::ImageView>& coverView() const { return coverView_; }

 protected:
  void build(gfx::Rect contentFrame, double cornerRadius, const Ref<gfx::Image>& cover);

 private:
  Ref<ui::ImageView> contentView_;
  Ref<ui::ImageView> coverView_;
};

class DRTextMagnifierCaret : public DRTextMagnifierBody {
  RT_CLASS(DRTextMagnifierCaret, DRTextMagnifierBody)
 public:
  static constexpr gfx::Size kSize{127, 127};
  static constexpr gfx::Size kSnapshotSize{94, 94};

  /// Sized to fit.
  void init();
  void init(gfx::Rect frame);
  DRTextMagnifierType type() const override { return DRTextMagnifierType::Caret; }
  gfx::Size fitSize() const override { return kSize; }
  gfx::Size snapshotSize() const override { return kSnapshotSize; }
  /// The ring with its shadows, drawn once per process.
  static Ref<gfx::Image> coverImage();
};

class DRTextMagnifierRanged : public DRTextMagnifierBody {
  RT_CLASS(DRTextMagnifierRanged, DRTextMagnifierBody)
 public:
  static constexpr gfx::Size kSize{141, 60};

  /// Sized to fit.
  void init();
  void init(gfx::Rect frame);
  DRTextMagnifierType type() const override { return DRTextMagnifierType::Ranged; }
  gfx::Size fitSize() const override { return kSize; }
  gfx::Size snapshotSize() const override;
  /// The popover outline with its pointer and shadows, drawn once per process.
  static Ref<gfx::Image> coverImage();
};

/// The 6-point margin of the ranged loupe placed on a half device pixel of `scale`.
double rangedMagnifierPadding(double scale);
/// The area the ranged loupe captures on a screen of `scale`.
gfx::Size rangedMagnifierSnapshotSize(double scale);

}  // namespace textview
