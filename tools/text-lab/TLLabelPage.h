#pragma once
// The label page: rich-text labels, each drawn through the asynchronous layer, down a scroll
// view (markdown in both themes, emoticons as pictures, every truncation, vertical text, ruby
// in its four positions, text in an ellipse around a hole, borders and shadows, underlines
// and strikethroughs, and highlights that say in the status line what was tapped or pressed).
// A switch turns the debug overlay on for every text view. Main thread only.
#include <vector>

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/Switch.h"
#include "platform/ui/lists/ScrollView.h"
#include "textview/label/DRLabel.h"

namespace textlab {

/// The debug overlay's colours: lines, baselines, runs and glyph boxes.
Ref<text::DRTextDebugOption> labDebugOption();
/// Colours of the header and status line shared by both pages.
Ref<gfx::Color> labTintColor();

class TLLabelPage : public ui::ViewController {
  RT_CLASS(TLLabelPage, ui::ViewController)
 public:
  void init();
  void viewDidLoad() override;

  const Ref<ui::ScrollView>& scrollView() const { return scrollView_; }
  /// Every rich-text label on the page, top to bottom.
  const std::vector<Ref<textview::DRLabel>>& labels() const { return labels_; }
  const Ref<textview::DRLabel>& highlightLabel() const { return highlightLabel_; }
  /// The highlighted phrases of `highlightLabel`.
  const std::vector<rt::Range>& highlightRanges() const { return highlightRanges_; }
  const Ref<ui::Label>& statusLabel() const { return status_; }
  const Ref<ui::Switch>& debugSwitch() const { return debugSwitch_; }
  /// Turns the shared debug overlay on or off (and the switch with it).
  void setDebugOverlay(bool on);

 private:
  Ref<textview::DRLabel> addLabel(double x, double y, double width, double height);
  /// A label as tall as its text at the page's width.
  Ref<textview::DRLabel> addFittedLabel(double* y, const Ref<typeset::AttributedString>& text,
                                        const Ref<gfx::Color>& background);
  void addCaption(double* y, const rt::String& caption);
  void reportHighlight(const char* verb, const Ref<typeset::AttributedString>& text, rt::Range range);

  Ref<ui::ScrollView> scrollView_;
  Ref<ui::Label> status_;
  Ref<ui::Switch> debugSwitch_;
  std::vector<Ref<textview::DRLabel>> labels_;
  Ref<textview::DRLabel> highlightLabel_;
  std::vector<rt::Range> highlightRanges_;
  double width_ = 375;
};

}  // namespace textlab
