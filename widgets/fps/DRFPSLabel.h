#pragma once
// A small label that shows how many frames the screen draws per second, the number coloured
// from red (12) to yellow-green (60), rewritten once a second. Its display link targets a weak
// proxy, so it never keeps the label alive. Main thread.
#include "platform/runtime/WeakProxy.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layer/DisplayLink.h"

namespace widgets {

class DRFPSLabel : public ui::Label {
  RT_CLASS(DRFPSLabel, ui::Label)
 public:
  static constexpr gfx::Size kSize{55, 20};
  /// A zero frame gets the label's own size.
  void init(gfx::Rect frame);
  void init() { init(gfx::RectZero); }
  ~DRFPSLabel() override;
  gfx::Size sizeThatFits(gfx::Size size) const override;
  void tick(const Ref<ui::DisplayLink>& link);
  /// The colour a rate is shown in.
  static Ref<gfx::Color> colorForRate(float rate);

 private:
  Ref<ui::DisplayLink> link_;
  rt::Id proxy_;  // the link's target; the platform's links hold targets weakly
  uint64_t count_ = 0;
  double lastTime_ = 0;
  Ref<typeset::Font> font_;
  Ref<typeset::Font> subFont_;
};

}  // namespace widgets
