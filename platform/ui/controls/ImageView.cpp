#include "platform/ui/controls/ImageView.h"

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/graphics/ImageContext.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(ImageView) {
  c.property("image", &ImageView::image, &ImageView::setImage);
  c.property("highlighted", &ImageView::isHighlighted, &ImageView::setHighlighted).getterName("isHighlighted");
  // Decodes only images and, through the view, views of allowed classes.
  c.protocol("NSSecureCoding");
}

namespace {
Ref<gfx::Image> tinted(const Ref<gfx::Image>& image, const Ref<gfx::Color>& tint) {
  // A template image is a mask: its alpha, painted in the tint colour.
  gfx::Size size = image->size();
  auto ctx = gfx::Context::createForImage(size, false, image->scale());
  if (!ctx) return image;
  gfx::pushContext(ctx);
  image->drawInRect(*ctx, {{0, 0}, size});
  ctx->setBlendMode(gfx::BlendMode::SourceIn);
  ctx->setFillColor(tint);
  ctx->fillRect({{0, 0}, size});
  gfx::popContext();
  auto bitmap = ctx->makeImage();
  return bitmap ? gfx::Image::imageWithCGImage(bitmap, image->scale()) : image;
}
}  // namespace

void ImageView::init(gfx::Rect frame) {
  View::init(frame);
  setUserInteractionEnabled(false);
}

void ImageView::init(const Ref<gfx::Image>& image, const Ref<gfx::Image>& highlighted) {
  init(gfx::Rect{{0, 0}, image ? image->size() : gfx::SizeZero});
  highlightedImage_ = highlighted;
  setImage(image);
}

ImageView::~ImageView() {
  if (timer_) timer_->invalidate();
}

void ImageView::setImage(Ref<gfx::Image> image) {
  image_ = std::move(image);
  updateContents();
}

void ImageView::setHighlightedImage(Ref<gfx::Image> image) {
  highlightedImage_ = std::move(image);
  updateContents();
}

void ImageView::setHighlighted(bool on) {
  highlighted_ = on;
  updateContents();
}

void ImageView::setContentMode(ViewContentMode m) {
  View::setContentMode(m);
  updateContents();
}

const std::vector<Ref<gfx::Image>>& ImageView::playingImages() const {
  return highlighted_ && !highlightedAnimationImages_.empty() ? highlightedAnimationImages_ : animationImages_;
}

Ref<gfx::Image> ImageView::currentAnimationImage() const {
  const auto& images = playingImages();
  if (!timer_ || images.empty()) return nullptr;
  return images[frame_ % images.size()];
}

void ImageView::updateContents() {
  invalidateIntrinsicContentSize();
  Ref<gfx::Image> shown = currentAnimationImage();
  if (!shown) shown = highlighted_ && highlightedImage_ ? highlightedImage_ : image_;
  if (shown && shown->renderingMode() == gfx::ImageRenderingMode::AlwaysTemplate) shown = tinted(shown, tintColor());
  layer()->setContents(shown);
  if (shown) layer()->setContentsScale(shown->scale());
}

void ImageView::startAnimating() {
  const auto& images = playingImages();
  if (images.empty() || timer_) return;
  double duration = animationDuration_ > 0 ? animationDuration_ : images.size() / 30.0;
  frame_ = 0;
  passes_ = 0;
  Weak<ImageView> weak = std::static_pointer_cast<ImageView>(self());
  timer_ = fd::Timer::timerWithTimeInterval(duration / double(images.size()), true, [weak](fd::Timer&) {
    if (auto v = weak.lock()) v->step();
  });
  fd::RunLoop::mainRunLoop()->addTimer(timer_, rt::String(fd::NSRunLoopCommonModes));
  updateContents();
}

void ImageView::step() {
  const auto& images = playingImages();
  if (images.empty()) return stopAnimating();
  if (++frame_ >= images.size()) {
    frame_ = 0;
    if (repeatCount_ > 0 && ++passes_ >= repeatCount_) return stopAnimating();
  }
  updateContents();
}

void ImageView::stopAnimating() {
  if (timer_) timer_->invalidate();
  timer_ = nullptr;
  updateContents();
}

void ImageView::encodeWithCoder(fd::KeyedArchiver& coder) const {
  View::encodeWithCoder(coder);
  if (image_) coder.encodeObject(image_, rt::String("UIImage"));
  if (highlightedImage_) coder.encodeObject(highlightedImage_, rt::String("UIHighlightedImage"));
  coder.encodeBool(highlighted_, rt::String("UIHighlighted"));
  coder.encodeDouble(animationDuration_, rt::String("UIAnimationDuration"));
  coder.encodeInteger(repeatCount_, rt::String("UIAnimationRepeatCount"));
}

bool ImageView::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!View::initWithCoder(coder)) return false;
  highlightedImage_ = rt::as<gfx::Image>(coder.decodeObjectOfClass(gfx::Image::classObject(), rt::String("UIHighlightedImage")));
  highlighted_ = coder.decodeBool(rt::String("UIHighlighted"));
  animationDuration_ = coder.decodeDouble(rt::String("UIAnimationDuration"));
  repeatCount_ = coder.decodeInteger(rt::String("UIAnimationRepeatCount"));
  setImage(rt::as<gfx::Image>(coder.decodeObjectOfClass(gfx::Image::classObject(), rt::String("UIImage"))));
  return true;
}

gfx::Size ImageView::sizeThatFits(gfx::Size) const { return image_ ? image_->size() : gfx::SizeZero; }

gfx::Size ImageView::intrinsicContentSize() const {
  return image_ ? image_->size() : gfx::Size{kNoIntrinsicMetric, kNoIntrinsicMetric};
}

}  // namespace ui
