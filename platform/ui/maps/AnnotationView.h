#pragma once
// A map annotation view, as a stand-in (there is no map): a view showing an image at its
// size, centred on the view's centre, with a highlighted flag. Image binders set its `image`
// or draw into its layer like any view's.
#include "platform/graphics/Image.h"
#include "platform/ui/view/View.h"

namespace ui {

class AnnotationView : public View {
  RT_CLASS_NAMED(AnnotationView, View, "MKAnnotationView")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  /// The annotation's reuse identifier, kept for the caller.
  void init(const rt::String& reuseIdentifier);

  const rt::String& reuseIdentifier() const { return reuseIdentifier_; }
  const Ref<gfx::Image>& image() const { return image_; }
  /// Sizes the view to the image, keeping its centre, and shows it.
  void setImage(const Ref<gfx::Image>& image);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool on);
  gfx::Point centerOffset() const { return centerOffset_; }
  void setCenterOffset(gfx::Point offset) { centerOffset_ = offset; }

 private:
  rt::String reuseIdentifier_;
  Ref<gfx::Image> image_;
  bool highlighted_ = false;
  gfx::Point centerOffset_;
};

}  // namespace ui
