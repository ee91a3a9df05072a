#include "widgets/fps/DRFPSLabel.h"

#include <cmath>

#include "platform/runtime/WeakProxy.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"

namespace widgets {

RT_IMPLEMENT(DRFPSLabel) { c.method("tick:", &DRFPSLabel::tick); }

void DRFPSLabel::init(gfx::Rect frame) {
  if (frame.size.width == 0 && frame.size.height == 0) frame.size = kSize;
  ui::Label::init(frame);
  layer()->setCornerRadius(5);
  setClipsToBounds(true);
  setTextAlignment(typeset::TextAlignment::Center);
  setUserInteractionEnabled(false);
  setBackgroundColor(gfx::Color::colorWithWhite(0, 0.7));
  font_ = typeset::Font::fontWithName("Menlo", 14);
  if (font_) {
    subFont_ = typeset::Font::fontWithName("Menlo", 4);
  } else {
    font_ = typeset::Font::fontWithName("Courier", 14);
    subFont_ = typeset::Font::fontWithName("Courier", 4);
  }
  if (!font_) font_ = typeset::Font::systemFontOfSize(14);
  if (!subFont_) subFont_ = typeset::Font::systemFontOfSize(4);
  proxy_ = rt::WeakProxy::proxyWithTarget(self());
  link_ = ui::DisplayLink::displayLinkWithTarget(proxy_, rt::Selector::named("tick:"));
  link_->addToRunLoop(fd::RunLoop::mainRunLoop(), fd::NSRunLoopCommonModes);
}

DRFPSLabel::~DRFPSLabel() {
  if (link_) link_->invalidate();
}

gfx::Size DRFPSLabel::sizeThatFits(gfx::Size) const { return kSize; }

Ref<gfx::Color> DRFPSLabel::colorForRate(float rate) {
  double hue = 0.27 * (rate / 60 - 0.2);
  return gfx::Color::colorWithHue(std::max(hue, 0.0), 1, 0.9, 1);
}

void DRFPSLabel::tick(const Ref<ui::DisplayLink>& link) {
  if (lastTime_ == 0) {
    lastTime_ = link->timestamp();
    return;
  }
  ++count_;
  double delta = link->timestamp() - lastTime_;
  if (delta < 1) return;
  lastTime_ = link->timestamp();
  float rate = static_cast<float>(static_cast<double>(count_) / delta);
  count_ = 0;
  rt::String text = rt::String::format("%d FPS", static_cast<int>(std::lround(rate)));
  auto attributed = typeset::MutableAttributedString::create(text);
  size_t n = text.length();
  attributed->addAttribute(typeset::ForegroundColorAttributeName, colorForRate(rate), {0, n - 3});
  attributed->addAttribute(typeset::ForegroundColorAttributeName, gfx::Color::whiteColor(), {n - 3, 3});
  attributed->addAttribute(typeset::FontAttributeName, font_, {0, n});
  attributed->addAttribute(typeset::FontAttributeName, subFont_, {n - 4, 1});
  setAttributedText(attributed);
}

}  // namespace widgets
