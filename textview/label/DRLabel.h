#pragma once
// A read-only rich-text view. Plain properties (text, font, colour, shadow, alignment,
// line-break mode, number of lines) are written into one attributed text and one container;
// the rich ones (attributed text, container path, exclusion paths, insets, vertical form,
// line-position modifier, parser, a finished layout) read back into the plain ones. The layout
// is built inside the layer's display task, on a background queue when displaying
// asynchronously, from copies of the text and the container; only callers that need it at once
// (size, layout, touches) make it on the main thread. Text carrying a highlight reacts to
// touches: shown while touched, a tap action, a long-press action after half a second.
// Main thread only.
#include <vector>

#include "platform/foundation/threads/Timer.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/ParagraphStyle.h"
#include "platform/typeset/Shadow.h"
#include "platform/ui/view/View.h"
#include "text/layout/DRTextContainer.h"
#include "text/layout/DRTextLayout.h"
#include "text/model/DRTextDebugOption.h"
#include "text/model/DRTextHighlight.h"
#include "text/parsers/DRTextParser.h"
#include "textview/display/DRAsyncLayerDisplayTask.h"
#include "textview/label/DRLabelGeometry.h"

namespace textview {

class DRLabel : public ui::View, public DRAsyncLayerDelegate, public text::DRTextDebugTarget {
  RT_CLASS(DRLabel, ui::View)
 public:
  static inline const rt::String kContentsAnimationKey = "contents";
  /// Seconds a finger must rest on a highlight before its long-press action runs.
  static constexpr double kLongPressDelay = 0.5;
  /// Points a finger may wander from where it came down and still tap or long-press.
  static constexpr double kTouchSlop = 9;
  /// Cross-fade of contents after a highlight changes, and after an asynchronous display.
  static constexpr double kHighlightFadeDuration = 0.15;
  static constexpr double kAsyncFadeDuration = 0.08;

  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  ~DRLabel() override;
  const rt::Class* layerClass() const override;

  // ---- plain properties, written into the inner text and container
  /// Empty stands for none.
  const rt::String& text() const { return text_; }
  void setText(const rt::String& text);
  const Ref<typeset::Font>& font() const { return font_; }
  /// Null puts the 17-point system font into the text.
  void setFont(const Ref<typeset::Font>& font);
  const Ref<gfx::Color>& textColor() const { return textColor_; }
  void setTextColor(const Ref<gfx::Color>& color);
  const Ref<gfx::Color>& shadowColor() const { return shadowColor_; }
  void setShadowColor(const Ref<gfx::Color>& color);
  gfx::Size shadowOffset() const { return shadowOffset_; }
  void setShadowOffset(gfx::Size offset);
  double shadowBlurRadius() const { return shadowBlurRadius_; }
  void setShadowBlurRadius(double radius);
  typeset::TextAlignment textAlignment() const { return textAlignment_; }
  void setTextAlignment(typeset::TextAlignment alignment);
  DRTextVerticalAlignment textVerticalAlignment() const { return textVerticalAlignment_; }
  void setTextVerticalAlignment(DRTextVerticalAlignment alignment);
  /// Truncating modes set the container's truncation type and wrap the text by word.
  typeset::LineBreakMode lineBreakMode() const { return lineBreakMode_; }
  void setLineBreakMode(typeset::LineBreakMode mode);
  const Ref<typeset::AttributedString>& truncationToken() const { return truncationToken_; }
  void setTruncationToken(const Ref<typeset::AttributedString>& token);
  /// The container's row limit; 0 for none.
  uint64_t numberOfLines() const { return numberOfLines_; }
  void setNumberOfLines(uint64_t lines);

  // ---- rich properties
  /// The inner text object itself (never null).
  Ref<typeset::AttributedString> attributedText() const { return innerText_; }
  /// Copies the text; refreshes the plain text properties from it.
  void setAttributedText(const Ref<typeset::AttributedString>& text);
  const Ref<text::DRTextParser>& textParser() const { return textParser_; }
  void setTextParser(const Ref<text::DRTextParser>& parser);
  /// The layout of the current text and container, built here when it is due.
  Ref<text::DRTextLayout> textLayout();
  /// Installs a finished layout: its text and container become the label's.
  void setTextLayout(const Ref<text::DRTextLayout>& layout);
  const Ref<gfx::BezierPath>& textContainerPath() const { return textContainerPath_; }
  void setTextContainerPath(const Ref<gfx::BezierPath>& path);
  const std::vector<Ref<gfx::BezierPath>>& exclusionPaths() const { return exclusionPaths_; }
  void setExclusionPaths(const std::vector<Ref<gfx::BezierPath>>& paths);
  gfx::EdgeInsets textContainerInset() const { return textContainerInset_; }
  void setTextContainerInset(gfx::EdgeInsets inset);
  bool isVerticalForm() const { return verticalForm_; }
  void setVerticalForm(bool vertical);
  const Ref<text::DRTextLinePositionModifier>& linePositionModifier() const { return linePositionModifier_; }
  void setLinePositionModifier(const Ref<text::DRTextLinePositionModifier>& modifier);
  const Ref<text::DRTextDebugOption>& debugOption() const { return debugOption_; }
  /// Keeps a copy; redraws when the overlay turns on or off.
  void setDebugOption(const Ref<text::DRTextDebugOption>& option) override;

  // ---- highlight actions, used when the touched highlight has none of its own
  const text::DRTextHighlightActionBlock& highlightTapAction() const { return highlightTapAction_; }
  void setHighlightTapAction(text::DRTextHighlightActionBlock action) { highlightTapAction_ = std::move(action); }
  const text::DRTextHighlightActionBlock& highlightLongPressAction() const { return highlightLongPressAction_; }
  void setHighlightLongPressAction(text::DRTextHighlightActionBlock action) {
    highlightLongPressAction_ = std::move(action);
  }

  // ---- display flags
  bool displaysAsynchronously() const { return displaysAsynchronously_; }
  void setDisplaysAsynchronously(bool on);
  bool clearContentsBeforeAsynchronouslyDisplay() const { return clearContentsBeforeAsynchronouslyDisplay_; }
  void setClearContentsBeforeAsynchronouslyDisplay(bool on) { clearContentsBeforeAsynchronouslyDisplay_ = on; }
  bool fadeOnAsynchronouslyDisplay() const { return fadeOnAsynchronouslyDisplay_; }
  void setFadeOnAsynchronouslyDisplay(bool on) { fadeOnAsynchronouslyDisplay_ = on; }
  bool fadeOnHighlight() const { return fadeOnHighlight_; }
  void setFadeOnHighlight(bool on) { fadeOnHighlight_ = on; }
  /// On: text, font and container changes are stored but lay nothing out; a layout handed in
  /// with `setTextLayout` is taken as it is.
  bool ignoreCommonProperties() const { return ignoreCommonProperties_; }
  void setIgnoreCommonProperties(bool on) { ignoreCommonProperties_ = on; }

  // ---- view
  /// The bounding size of the text laid out in `size` (a side of 0 or less is not limited),
  /// never larger than a side asked; `size` itself when nothing can be laid out.
  gfx::Size sizeThatFits(gfx::Size size) const override;
  void setFrame(gfx::Rect frame) override;
  void setBounds(gfx::Rect bounds) override;
  /// The plain text of the current layout.
  rt::String accessibilityLabel() const override;

  // ---- coordinates between the label and its layout (the alignment's shift undone or applied)
  gfx::Point convertPointToLayout(gfx::Point point) const;
  gfx::Point convertPointFromLayout(gfx::Point point) const;
  gfx::Rect convertRectToLayout(gfx::Rect rect) const;
  gfx::Rect convertRectFromLayout(gfx::Rect rect) const;

  // ---- touches on highlights
  void touchesBegan(const ui::TouchSet& touches, ui::Event* event) override;
  void touchesMoved(const ui::TouchSet& touches, ui::Event* event) override;
  void touchesEnded(const ui::TouchSet& touches, ui::Event* event) override;
  void touchesCancelled(const ui::TouchSet& touches, ui::Event* event) override;

  Ref<DRAsyncLayerDisplayTask> newAsyncDisplayTask() override;
  /// The long-press timer's action (sent through a weak proxy).
  void trackDidLongPress();

  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  struct State {
    bool layoutNeedUpdate = false;
    bool showingHighlight = false;
    bool trackingTouch = false;
    bool swallowTouch = false;
    bool touchMoved = false;
    bool contentsNeedFade = false;
  };

  void commonSetup();
  bool commonPropertiesApply() const { return innerText_->length() > 0 && !ignoreCommonProperties_; }
  /// The inner text, copied first when it is still the object of an installed layout.
  typeset::MutableAttributedString& editableInnerText();

  // The relayout sequence and its steps.
  void relayout();
  void clearContentsIfAsync();
  void setLayoutNeedRedraw();
  void setLayoutNeedUpdate();
  void updateIfNeeded();
  void clearInnerLayout();
  void clearContents();
  void boundsSizeChanged(gfx::Size old);

  // The plain properties read back from the rich model.
  void updateOuterTextProperties();
  void updateOuterContainerProperties();
  void updateOuterLineBreakMode();
  Ref<typeset::Shadow> shadowFromProperties() const;
  void runParser();

  DRLabelTextFrame textFrame() const;

  // Highlight touches.
  Ref<text::DRTextHighlight> highlightAtPoint(gfx::Point point, rt::Range* range);
  void showHighlight(bool animated);
  void hideHighlight(bool animated);
  void removeHighlight(bool animated);
  void endTouch();
  void startLongPressTimer();
  void endLongPressTimer();
  /// Runs the highlight's own action (or the label's fallback) with the highlight's rectangle.
  void callHighlightAction(bool longPress);

  Ref<typeset::MutableAttributedString> innerText_;
  /// Set while `innerText_` is the text object of the layout installed by `setTextLayout`.
  bool innerTextSharedWithLayout_ = false;
  Ref<text::DRTextLayout> innerLayout_;
  Ref<text::DRTextContainer> innerContainer_;
  std::vector<Ref<ui::View>> attachmentViews_;
  std::vector<Ref<ui::Layer>> attachmentLayers_;
  rt::Range highlightRange_{0, 0};
  Ref<text::DRTextHighlight> highlight_;
  Ref<text::DRTextLayout> highlightLayout_;
  Ref<fd::Timer> longPressTimer_;
  gfx::Point touchBeganPoint_;
  State state_;

  bool verticalForm_ = false;
  bool displaysAsynchronously_ = false;
  bool clearContentsBeforeAsynchronouslyDisplay_ = true;
  bool fadeOnAsynchronouslyDisplay_ = true;
  bool fadeOnHighlight_ = true;
  bool ignoreCommonProperties_ = false;
  rt::String text_;
  Ref<typeset::Font> font_;
  Ref<gfx::Color> textColor_;
  Ref<gfx::Color> shadowColor_;
  double shadowBlurRadius_ = 0;
  typeset::TextAlignment textAlignment_ = typeset::TextAlignment::Left;
  DRTextVerticalAlignment textVerticalAlignment_ = DRTextVerticalAlignmentCenter;
  typeset::LineBreakMode lineBreakMode_ = typeset::LineBreakMode::ByTruncatingTail;
  Ref<typeset::AttributedString> truncationToken_;
  uint64_t numberOfLines_ = 1;
  Ref<text::DRTextParser> textParser_;
  Ref<gfx::BezierPath> textContainerPath_;
  std::vector<Ref<gfx::BezierPath>> exclusionPaths_;
  Ref<text::DRTextLinePositionModifier> linePositionModifier_;
  Ref<text::DRTextDebugOption> debugOption_;
  text::DRTextHighlightActionBlock highlightTapAction_;
  text::DRTextHighlightActionBlock highlightLongPressAction_;
  gfx::Size shadowOffset_;
  gfx::EdgeInsets textContainerInset_;
};

}  // namespace textview
