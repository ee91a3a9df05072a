#include "textview/label/DRLabel.h"

#include <algorithm>

#include "base/graphics/Geometry+DUDer.h"
#include "base/utility/DRDispatchQueuePool.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/typeset/Shadow.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/display/DRAsyncLayer.h"

namespace textview {

RT_IMPLEMENT(DRLabel) { c.method("_trackDidLongPress", &DRLabel::trackDidLongPress); }

using text::DRTextContainer;
using text::DRTextLayout;
using typeset::LineBreakMode;
using typeset::MutableAttributedString;

namespace {

constexpr double kDefaultFontSize = 17;

bool sameObject(const rt::Object* a, const rt::Object* b) { return rt::equalObjects(a, b); }

bool samePaths(const std::vector<Ref<gfx::BezierPath>>& a, const std::vector<Ref<gfx::BezierPath>>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!sameObject(a[i].get(), b[i].get())) return false;
  return true;
}

std::vector<Ref<gfx::BezierPath>> copyPaths(const std::vector<Ref<gfx::BezierPath>>& paths) {
  std::vector<Ref<gfx::BezierPath>> copies;
  copies.reserve(paths.size());
  for (const auto& p : paths)
    if (p) copies.push_back(rt::as<gfx::BezierPath>(p->copy()));
  return copies;
}

template <class T> Ref<T> copyOf(const Ref<T>& object) { return object ? rt::as<T>(object->copy()) : nullptr; }

Ref<MutableAttributedString> mutableCopyOf(const Ref<typeset::AttributedString>& s) {
  if (s && s->length() > 0) return rt::as<MutableAttributedString>(s->mutableCopy());
  return MutableAttributedString::create();
}

// Big objects go away on a background queue, not on the main thread.
void releaseInBackground(rt::Id object) {
  if (!object) return;
  base::DRQueuePoolGetQueueForQOS(base::DRQualityOfServiceUtility)->async([object = std::move(object)]() mutable {
    object.reset();
  });
}

}  // namespace

// ---- set-up

void DRLabel::init(gfx::Rect frame) {
  // The container takes its size from the frame set last, through `setFrame`.
  ui::View::init(gfx::RectZero);
  setBackgroundColor(gfx::Color::clearColor());
  setOpaque(false);
  commonSetup();
  setFrame(frame);
}

void DRLabel::commonSetup() {
  if (auto async = rt::as<DRAsyncLayer>(layer())) async->setDisplaysAsynchronously(false);
  layer()->setContentsScale(base::DRMainScreenScale());
  setContentMode(ui::ViewContentMode::Redraw);
  attachmentViews_.clear();
  attachmentLayers_.clear();
  debugOption_ = text::DRTextDebugOption::sharedDebugOption();
  text::DRTextDebugOption::addDebugTarget(std::dynamic_pointer_cast<text::DRTextDebugTarget>(self()));
  textVerticalAlignment_ = DRTextVerticalAlignmentCenter;
  numberOfLines_ = 1;
  lineBreakMode_ = LineBreakMode::ByTruncatingTail;
  innerText_ = MutableAttributedString::create();
  innerTextSharedWithLayout_ = false;
  // Sized to the bounds: a label decoded without a container of its own has its bounds already.
  innerContainer_ = DRTextContainer::containerWithSize(bounds().size);
  innerContainer_->setTruncationType(text::DRTextTruncationTypeEnd);
  innerContainer_->setMaximumNumberOfRows(numberOfLines_);
  clearContentsBeforeAsynchronouslyDisplay_ = true;
  fadeOnAsynchronouslyDisplay_ = true;
  fadeOnHighlight_ = true;
  setIsAccessibilityElement(true);
}

DRLabel::~DRLabel() {
  // The debug registry holds labels weakly and drops this one by itself.
  if (longPressTimer_) longPressTimer_->invalidate();
}

const rt::Class* DRLabel::layerClass() const { return DRAsyncLayer::classObject(); }

// ---- relayout

void DRLabel::setLayoutNeedRedraw() { layer()->setNeedsDisplay(); }

void DRLabel::setLayoutNeedUpdate() {
  state_.layoutNeedUpdate = true;
  clearInnerLayout();
  setLayoutNeedRedraw();
}

void DRLabel::updateIfNeeded() {
  if (!state_.layoutNeedUpdate) return;
  state_.layoutNeedUpdate = false;
  innerLayout_ = DRTextLayout::layoutWithContainer(innerContainer_, innerText_);
  setLayoutNeedRedraw();
}

void DRLabel::clearInnerLayout() {
  if (!innerLayout_) return;
  Ref<DRTextLayout> old = std::move(innerLayout_);
  innerLayout_ = nullptr;
  base::DRQueuePoolGetQueueForQOS(base::DRQualityOfServiceUtility)->async([old = std::move(old)]() mutable {
    // Attachment views and layers live in the text: its last reference goes on the main thread.
    Ref<MutableAttributedString> text = old->attachments().empty() ? nullptr : old->text();
    old.reset();
    if (text) dispatch::MainQueue::shared().async([text = std::move(text)]() mutable { text.reset(); });
  });
}

void DRLabel::clearContents() {
  rt::Id old = layer()->contents();
  layer()->setContents(nullptr);
  releaseInBackground(std::move(old));
}

void DRLabel::clearContentsIfAsync() {
  if (displaysAsynchronously_ && clearContentsBeforeAsynchronouslyDisplay_) clearContents();
}

void DRLabel::relayout() {
  clearContentsIfAsync();
  setLayoutNeedUpdate();
  endTouch();
}

typeset::MutableAttributedString& DRLabel::editableInnerText() {
  if (innerTextSharedWithLayout_) {
    // A layout's text never changes under it (drawing may be reading it on another queue).
    innerText_ = mutableCopyOf(innerText_);
    innerTextSharedWithLayout_ = false;
  }
  return *innerText_;
}

// ---- reading the plain properties back

void DRLabel::updateOuterLineBreakMode() {
  lineBreakMode_ = DRLabelLineBreakModeForTruncation(innerContainer_->truncationType(), text::lineBreakMode(*innerText_));
}

void DRLabel::updateOuterTextProperties() {
  text_ = text::plainTextForRange(*innerText_, text::rangeOfAll(*innerText_)).value_or(rt::String());
  font_ = text::font(*innerText_);
  textColor_ = text::color(*innerText_);
  textAlignment_ = text::alignment(*innerText_);
  Ref<typeset::Shadow> shadow = text::shadow(*innerText_);
  shadowColor_ = shadow ? shadow->shadowColor() : nullptr;
  shadowOffset_ = shadow ? shadow->shadowOffset() : gfx::Size{};
  shadowBlurRadius_ = shadow ? shadow->shadowBlurRadius() : 0;
  updateOuterLineBreakMode();
}

void DRLabel::updateOuterContainerProperties() {
  truncationToken_ = innerContainer_->truncationToken();
  numberOfLines_ = innerContainer_->maximumNumberOfRows();
  textContainerPath_ = innerContainer_->path();
  exclusionPaths_ = innerContainer_->exclusionPaths();
  textContainerInset_ = innerContainer_->insets();
  verticalForm_ = innerContainer_->isVerticalForm();
  linePositionModifier_ = innerContainer_->linePositionModifier();
  updateOuterLineBreakMode();
}

Ref<typeset::Shadow> DRLabel::shadowFromProperties() const {
  if (!shadowColor_ || shadowBlurRadius_ < 0) return nullptr;
  return typeset::Shadow::create(shadowOffset_, shadowBlurRadius_, shadowColor_);
}

void DRLabel::runParser() {
  if (textParser_) textParser_->parseText(editableInnerText(), nullptr);
}

// ---- plain properties

void DRLabel::setText(const rt::String& text) {
  if (text_ == text) return;
  text_ = text;
  MutableAttributedString& inner = editableInnerText();
  const bool firstText = inner.length() == 0 && text.length() > 0;
  inner.replaceCharactersInRange({0, inner.length()}, text);
  if (firstText) {
    text::setFont(inner, font_ ? font_ : typeset::Font::systemFontOfSize(kDefaultFontSize));
    text::setColor(inner, textColor_);
    text::setShadow(inner, shadowFromProperties());
    text::setAlignment(inner, textAlignment_);
    if (auto mode = DRLabelTextLineBreakModeForLineBreakMode(lineBreakMode_)) text::setLineBreakMode(inner, *mode);
  }
  runParser();
  if (!ignoreCommonProperties_) relayout();
}

void DRLabel::setFont(const Ref<typeset::Font>& font) {
  if (sameObject(font_.get(), font.get())) return;
  font_ = font;
  text::setFont(editableInnerText(), font ? font : typeset::Font::systemFontOfSize(kDefaultFontSize));
  if (commonPropertiesApply()) relayout();
}

void DRLabel::setTextColor(const Ref<gfx::Color>& color) {
  if (sameObject(textColor_.get(), color.get())) return;
  textColor_ = color;
  text::setColor(editableInnerText(), color);
  // A colour changes no glyph: a touch on a highlight carries on.
  if (commonPropertiesApply()) {
    clearContentsIfAsync();
    setLayoutNeedUpdate();
  }
}

void DRLabel::setShadowColor(const Ref<gfx::Color>& color) {
  if (sameObject(shadowColor_.get(), color.get())) return;
  shadowColor_ = color;
  text::setShadow(editableInnerText(), shadowFromProperties());
  if (commonPropertiesApply()) {
    clearContentsIfAsync();
    setLayoutNeedUpdate();
  }
}

void DRLabel::setShadowOffset(gfx::Size offset) {
  if (shadowOffset_ == offset) return;
  shadowOffset_ = offset;
  text::setShadow(editableInnerText(), shadowFromProperties());
  if (commonPropertiesApply()) {
    clearContentsIfAsync();
    setLayoutNeedUpdate();
  }
}

void DRLabel::setShadowBlurRadius(double radius) {
  if (shadowBlurRadius_ == radius) return;
  shadowBlurRadius_ = radius;
  text::setShadow(editableInnerText(), shadowFromProperties());
  if (commonPropertiesApply()) {
    clearContentsIfAsync();
    setLayoutNeedUpdate();
  }
}

void DRLabel::setTextAlignment(typeset::TextAlignment alignment) {
  if (textAlignment_ == alignment) return;
  textAlignment_ = alignment;
  text::setAlignment(editableInnerText(), alignment);
  if (commonPropertiesApply()) relayout();
}

void DRLabel::setTextVerticalAlignment(DRTextVerticalAlignment alignment) {
  if (textVerticalAlignment_ == alignment) return;
  textVerticalAlignment_ = alignment;
  if (commonPropertiesApply()) relayout();
}

void DRLabel::setLineBreakMode(LineBreakMode mode) {
  if (lineBreakMode_ == mode) return;
  lineBreakMode_ = mode;
  if (auto textMode = DRLabelTextLineBreakModeForLineBreakMode(mode)) text::setLineBreakMode(editableInnerText(), *textMode);
  innerContainer_->setTruncationType(DRLabelTruncationTypeForLineBreakMode(mode));
  if (commonPropertiesApply()) relayout();
}

void DRLabel::setTruncationToken(const Ref<typeset::AttributedString>& token) {
  if (sameObject(truncationToken_.get(), token.get())) return;
  truncationToken_ = copyOf(token);
  innerContainer_->setTruncationToken(truncationToken_);
  if (commonPropertiesApply()) relayout();
}

void DRLabel::setNumberOfLines(uint64_t lines) {
  if (numberOfLines_ == lines) return;
  numberOfLines_ = lines;
  innerContainer_->setMaximumNumberOfRows(lines);
  if (commonPropertiesApply()) relayout();
}

// ---- rich properties

void DRLabel::setAttributedText(const Ref<typeset::AttributedString>& text) {
  innerText_ = mutableCopyOf(text);
  innerTextSharedWithLayout_ = false;
  if (innerText_->length() > 0) {
    // The container does the truncating; the text only wraps.
    if (auto mode = DRLabelTextLineBreakModeForLineBreakMode(lineBreakMode_)) text::setLineBreakMode(*innerText_, *mode);
  }
  runParser();
  if (!ignoreCommonProperties_) {
    clearContentsIfAsync();
    updateOuterTextProperties();
    setLayoutNeedUpdate();
    endTouch();
  }
}

void DRLabel::setTextParser(const Ref<text::DRTextParser>& parser) {
  if (textParser_ == parser) return;
  textParser_ = parser;
  if (textParser_ && textParser_->parseText(editableInnerText(), nullptr)) {
    updateOuterTextProperties();
    if (!ignoreCommonProperties_) relayout();
  }
}

Ref<DRTextLayout> DRLabel::textLayout() {
  updateIfNeeded();
  return innerLayout_;
}

void DRLabel::setTextLayout(const Ref<DRTextLayout>& layout) {
  innerLayout_ = layout;
  Ref<DRTextContainer> container = layout ? layout->container() : nullptr;
  if (ignoreCommonProperties_) {
    Ref<MutableAttributedString> shared = layout ? layout->text() : nullptr;
    innerText_ = shared ? shared : MutableAttributedString::create();
    innerTextSharedWithLayout_ = shared != nullptr;
    // A layout's container is frozen; the label changes its own copy.
    innerContainer_ = container ? rt::as<DRTextContainer>(container->copy()) : DRTextContainer::create();
  } else {
    innerText_ = mutableCopyOf(layout ? layout->text() : nullptr);
    innerTextSharedWithLayout_ = false;
    updateOuterTextProperties();
    if (container) {
      innerContainer_ = rt::as<DRTextContainer>(container->copy());
    } else {
      innerContainer_ = DRTextContainer::containerWithSize(bounds().size, textContainerInset_);
    }
    updateOuterContainerProperties();
  }
  clearContentsIfAsync();
  state_.layoutNeedUpdate = false;
  setLayoutNeedRedraw();
  endTouch();
}

void DRLabel::setTextContainerPath(const Ref<gfx::BezierPath>& path) {
  if (sameObject(textContainerPath_.get(), path.get())) return;
  textContainerPath_ = copyOf(path);
  innerContainer_->setPath(textContainerPath_);
  if (!textContainerPath_) {
    innerContainer_->setSize(bounds().size);
    innerContainer_->setInsets(textContainerInset_);
  }
  if (commonPropertiesApply()) relayout();
}

void DRLabel::setExclusionPaths(const std::vector<Ref<gfx::BezierPath>>& paths) {
  if (samePaths(exclusionPaths_, paths)) return;
  exclusionPaths_ = copyPaths(paths);
  innerContainer_->setExclusionPaths(exclusionPaths_);
  if (commonPropertiesApply()) relayout();
}

void DRLabel::setTextContainerInset(gfx::EdgeInsets inset) {
  if (textContainerInset_ == inset) return;
  textContainerInset_ = inset;
  innerContainer_->setInsets(inset);
  if (commonPropertiesApply()) relayout();
}

void DRLabel::setVerticalForm(bool vertical) {
  if (verticalForm_ == vertical) return;
  verticalForm_ = vertical;
  innerContainer_->setVerticalForm(vertical);
  if (commonPropertiesApply()) relayout();
}

void DRLabel::setLinePositionModifier(const Ref<text::DRTextLinePositionModifier>& modifier) {
  if (linePositionModifier_ == modifier) return;
  linePositionModifier_ = modifier;
  innerContainer_->setLinePositionModifier(modifier);
  if (commonPropertiesApply()) relayout();
}

void DRLabel::setDebugOption(const Ref<text::DRTextDebugOption>& option) {
  const bool drewDebug = debugOption_ && debugOption_->needDrawDebug();
  debugOption_ = copyOf(option);
  if (drewDebug != (debugOption_ && debugOption_->needDrawDebug())) setLayoutNeedRedraw();
}

void DRLabel::setDisplaysAsynchronously(bool on) {
  displaysAsynchronously_ = on;
  if (auto async = rt::as<DRAsyncLayer>(layer())) async->setDisplaysAsynchronously(on);
}

// ---- view

gfx::Size DRLabel::sizeThatFits(gfx::Size size) const {
  // Laying out is work for the label's own state, which a size question may bring up to date.
  auto& self = const_cast<DRLabel&>(*this);
  self.updateIfNeeded();
  gfx::Size asked{size.width > 0 ? size.width : text::DRTextContainerMaxSize,
                  size.height > 0 ? size.height : text::DRTextContainerMaxSize};
  // The layout on show answers only if it was made at that size: after a resize that ignores
  // the common properties, the container has the new size while the layout is the old one.
  Ref<DRTextLayout> layout;
  if (innerLayout_ && innerLayout_->container() && innerLayout_->container()->size() == asked) {
    layout = innerLayout_;
  } else if (innerText_->length() > 0) {
    auto container = rt::as<DRTextContainer>(innerContainer_->copy());
    container->setSize(asked);
    layout = DRTextLayout::layoutWithContainer(container, innerText_);
  } else {
    layout = innerLayout_;
  }
  if (!layout) return size;
  // The bounds of a wrapped row take in the blanks it ends with, which may reach past the
  // side asked; what is asked of a side is never exceeded.
  gfx::Size fits = layout->textBoundingSize();
  if (size.width > 0) fits.width = std::min(fits.width, size.width);
  if (size.height > 0) fits.height = std::min(fits.height, size.height);
  return fits;
}

void DRLabel::setFrame(gfx::Rect frame) {
  gfx::Size old = bounds().size;
  ui::View::setFrame(frame);
  boundsSizeChanged(old);
}

void DRLabel::setBounds(gfx::Rect bounds) {
  gfx::Size old = this->bounds().size;
  ui::View::setBounds(bounds);
  boundsSizeChanged(old);
}

void DRLabel::boundsSizeChanged(gfx::Size old) {
  // The view's own set-up sets a frame before the label has a container.
  if (!innerContainer_ || old == bounds().size) return;
  innerContainer_->setSize(bounds().size);
  // The old layout stays on show until the rebuilt one replaces it.
  if (!ignoreCommonProperties_) state_.layoutNeedUpdate = true;
  clearContentsIfAsync();
  setLayoutNeedRedraw();
}

rt::String DRLabel::accessibilityLabel() const {
  if (!innerLayout_ || !innerLayout_->text()) return rt::String();
  return text::plainTextForRange(*innerLayout_->text(), text::rangeOfAll(*innerLayout_->text())).value_or(rt::String());
}

// ---- coordinates

DRLabelTextFrame DRLabel::textFrame() const {
  DRLabelTextFrame f;
  if (innerLayout_) {
    f.textBoundingSize = innerLayout_->textBoundingSize();
    f.containerSize = innerLayout_->container() ? innerLayout_->container()->size() : innerContainer_->size();
    f.verticalForm = innerLayout_->container() && innerLayout_->container()->isVerticalForm();
  } else {
    f.containerSize = innerContainer_->size();
    f.verticalForm = innerContainer_->isVerticalForm();
  }
  f.boundsSize = bounds().size;
  f.alignment = textVerticalAlignment_;
  return f;
}

gfx::Point DRLabel::convertPointToLayout(gfx::Point point) const { return DRLabelConvertPointToLayout(point, textFrame()); }
gfx::Point DRLabel::convertPointFromLayout(gfx::Point point) const {
  return DRLabelConvertPointFromLayout(point, textFrame());
}
gfx::Rect DRLabel::convertRectToLayout(gfx::Rect rect) const { return DRLabelConvertRectToLayout(rect, textFrame()); }
gfx::Rect DRLabel::convertRectFromLayout(gfx::Rect rect) const { return DRLabelConvertRectFromLayout(rect, textFrame()); }

// ---- archiving

void DRLabel::encodeWithCoder(fd::KeyedArchiver& coder) const {
  ui::View::encodeWithCoder(coder);
  coder.encodeObject(innerText_, rt::String("attributedText"));
  coder.encodeObject(innerContainer_, rt::String("innerContainer"));
}

bool DRLabel::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!ui::View::initWithCoder(coder)) return false;
  commonSetup();
  if (auto container = coder.decodeObjectOfClass<DRTextContainer>(rt::String("innerContainer"))) {
    innerContainer_ = container;
    updateOuterContainerProperties();
  }
  setAttributedText(rt::as<typeset::AttributedString>(coder.decodeObjectForKey(rt::String("attributedText"))));
  setLayoutNeedUpdate();
  return true;
}

}  // namespace textview
