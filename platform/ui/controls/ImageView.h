#pragma once
// Image views: show an image (or its highlighted variant) through the layer's contents, placed
// by the content mode; play a sequence of images on the run loop.
#include <vector>

#include "platform/foundation/threads/Timer.h"
#include "platform/graphics/Image.h"
#include "platform/ui/view/View.h"

namespace ui {

class ImageView : public View {
  RT_CLASS_NAMED(ImageView, View, "UIImageView")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  /// Sized to the image.
  void init(const Ref<gfx::Image>& image, const Ref<gfx::Image>& highlighted = nullptr);
  ~ImageView() override;

  Ref<gfx::Image> image() const { return image_; }
  virtual void setImage(Ref<gfx::Image> image);
  Ref<gfx::Image> highlightedImage() const { return highlightedImage_; }
  virtual void setHighlightedImage(Ref<gfx::Image> image);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool on);

  const std::vector<Ref<gfx::Image>>& animationImages() const { return animationImages_; }
  void setAnimationImages(std::vector<Ref<gfx::Image>> images) { animationImages_ = std::move(images); }
  const std::vector<Ref<gfx::Image>>& highlightedAnimationImages() const { return highlightedAnimationImages_; }
  void setHighlightedAnimationImages(std::vector<Ref<gfx::Image>> images) { highlightedAnimationImages_ = std::move(images); }
  /// Seconds for one pass; 0 means 1/30 s per image.
  double animationDuration() const { return animationDuration_; }
  void setAnimationDuration(double s) { animationDuration_ = s; }
  /// 0 repeats forever.
  int64_t animationRepeatCount() const { return repeatCount_; }
  void setAnimationRepeatCount(int64_t n) { repeatCount_ = n; }
  virtual void startAnimating();
  virtual void stopAnimating();
  virtual bool isAnimating() const { return timer_ != nullptr; }
  /// The frame the animation shows now (null when not animating).
  Ref<gfx::Image> currentAnimationImage() const;

  void setContentMode(ViewContentMode m) override;
  gfx::Size sizeThatFits(gfx::Size size) const override;
  gfx::Size intrinsicContentSize() const override;
  void tintColorDidChange() override { updateContents(); }
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 protected:
  /// Puts the image that should show now into the layer.
  virtual void updateContents();

 private:
  const std::vector<Ref<gfx::Image>>& playingImages() const;
  void step();

  Ref<gfx::Image> image_;
  Ref<gfx::Image> highlightedImage_;
  bool highlighted_ = false;
  std::vector<Ref<gfx::Image>> animationImages_;
  std::vector<Ref<gfx::Image>> highlightedAnimationImages_;
  double animationDuration_ = 0;
  int64_t repeatCount_ = 0;
  Ref<fd::Timer> timer_;
  size_t frame_ = 0;
  int64_t passes_ = 0;
};

}  // namespace ui
