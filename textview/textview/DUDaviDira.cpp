#include "textview/textview/DUDaviDira.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/graphics/Geometry+DUDer.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/typeset/AttributeNames.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextBorder.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/effect/DRTextEffectWindow.h"

namespace textview {

RT_IMPLEMENT(DUDaviDira) {
  c.method("_updateIfNeeded", &DUDaviDira::updateIfNeeded);
  c.method("_updatePlaceholderIfNeeded", &DUDaviDira::updatePlaceholderIfNeeded);
  c.method("_restoreFirstResponderAfterUndoAlert", &DUDaviDira::restoreFirstResponderAfterUndoAlert);
  c.method("cut:", &DUDaviDira::cutAction);
  c.method("copy:", &DUDaviDira::copyAction);
  c.method("paste:", &DUDaviDira::pasteAction);
  c.method("select:", &DUDaviDira::selectAction);
  c.method("selectAll:", &DUDaviDira::selectAllAction);
  for (const char* key : {"text", "font", "textColor", "textAlignment", "dataDetectorTypes", "linkTextAttributes",
                          "highlightTextAttributes", "textParser", "attributedText", "textVerticalAlignment",
                          "textContainerInset", "exclusionPaths", "verticalForm", "linePositionModifier",
                          "selectedRange", "typingAttributes"})
    c.manualNotification(key);
}

using typeset::AttributedString;
using typeset::MutableAttributedString;

namespace {

Ref<fd::Dictionary> tintAttributes(const Ref<gfx::Color>& color) {
  auto attributes = fd::MutableDictionary::create();
  attributes->setObjectForKey(color, rt::String(typeset::ForegroundColorAttributeName));
  attributes->setObjectForKey(color->CGColor(), rt::String(typeset::CTForegroundColorAttributeName));
  return attributes;
}

Ref<MutableAttributedString> mutableCopyOf(const Ref<AttributedString>& s) {
  if (s) return rt::as<MutableAttributedString>(s->mutableCopy());
  return MutableAttributedString::create();
}

rt::Range wholeRange(const AttributedString& s) { return {0, s.length()}; }

double ceilToPixel(double value, double scale) { return std::ceil(value * scale) / scale; }

}  // namespace

uint64_t checkingTypesForDataDetectorTypes(uint64_t types) {
  uint64_t out = 0;
  if (types & DUDaviDiraDataDetectorPhoneNumber) out |= DUDaviDiraCheckingPhoneNumber;
  if (types & DUDaviDiraDataDetectorLink) out |= DUDaviDiraCheckingLink;
  if (types & DUDaviDiraDataDetectorAddress) out |= DUDaviDiraCheckingAddress;
  if (types & DUDaviDiraDataDetectorCalendarEvent) out |= DUDaviDiraCheckingDate;
  return out;
}

Ref<typeset::Font> DUDaviDira::defaultFont() { return typeset::Font::systemFontOfSize(kDefaultFontSize); }

Ref<gfx::Color> DUDaviDira::defaultTintColor() {
  return gfx::Color::colorWithRed(69 / 255.0, 111 / 255.0, 238 / 255.0, 1);
}

// ---- set-up and tear-down

void DUDaviDira::init(gfx::Rect frame) {
  ui::ScrollView::init(frame);
  initTextView();
}

void DUDaviDira::initTextView() {
  setDelaysContentTouches(false);
  setCanCancelContentTouches(true);
  setMultipleTouchEnabled(false);
  ui::ScrollView::setDelegate(std::dynamic_pointer_cast<ui::ScrollViewDelegate>(self()));

  selectedTextRange_ = text::DRTextRange::defaultRange();
  markedTextRange_ = nullptr;
  markedTextStyle_ = nullptr;
  tokenizer_ = rt::make<ui::TextInputStringTokenizer>(static_cast<const ui::TextInput*>(this),
                                                      Weak<const rt::Object>(self()));

  innerText_ = MutableAttributedString::create();
  innerContainer_ = text::DRTextContainer::create();
  innerContainer_->setInsets(kHorizontalInset);
  textContainerInset_ = kHorizontalInset;
  typingAttributesHolder_ = MutableAttributedString::create(rt::String(" "));

  linkTextAttributes_ = tintAttributes(defaultTintColor());
  auto highlight = rt::make<text::DRTextHighlight>();
  auto border = rt::make<text::DRTextBorder>();
  border->setInsets({-2, -2, -2, -2});
  border->setFillColor(gfx::Color::colorWithWhite(0.1, 0.2));
  border->setCornerRadius(3);
  highlight->setBorder(border);
  highlightTextAttributes_ = rt::as<fd::Dictionary>(highlight->attributes()->copy());

  placeholderView_ = rt::make<ui::ImageView>(gfx::RectZero);
  placeholderView_->setUserInteractionEnabled(false);
  placeholderView_->setHidden(true);

  auto me = std::static_pointer_cast<ui::View>(self());
  containerView_ = rt::make<DRTextContainerView>(gfx::RectZero);
  containerView_->setUserInteractionEnabled(false);
  containerView_->setHostView(me);

  selectionView_ = rt::make<DRTextSelectionView>(gfx::RectZero);
  selectionView_->setUserInteractionEnabled(false);
  selectionView_->setHostView(me);
  selectionView_->setColor(defaultTintColor());

  magnifierCaret_ = DRTextMagnifier::magnifierWithType(0);
  magnifierRanged_ = DRTextMagnifier::magnifierWithType(1);
  if (magnifierCaret_) magnifierCaret_->setHostView(containerView_);
  if (magnifierRanged_) magnifierRanged_->setHostView(containerView_);

  addSubview(placeholderView_);
  addSubview(containerView_);
  addSubview(selectionView_);

  history_ = DUDaviDiraUndoHistory();
  history_.setAllowsUndoAndRedo(true);
  history_.setMaximumUndoLevel(kDefaultMaximumUndoLevel);

  setDebugOption(text::DRTextDebugOption::sharedDebugOption());
  text::DRTextDebugOption::addDebugTarget(std::dynamic_pointer_cast<text::DRTextDebugTarget>(self()));
  observePasteboard();

  attributedText_ = AttributedString::create(rt::String());
  updateOuterProperties();
  history_.reset(*innerText_, selectedRange_);
  updateInnerContainerSize();
  update();
  observeKeyboard();
  setIsAccessibilityElement(true);
}

DUDaviDira::~DUDaviDira() {
  if (pasteboardObserver_) fd::NotificationCenter::defaultCenter()->removeObserver(pasteboardObserver_);
  // The debug registry holds its targets weakly and drops this one by itself.
  if (!selectionView_) return;
  stopTrackingTimers();
  if (auto window = DRTextEffectWindow::sharedWindow()) {
    window->hideSelectionDot(selectionView_);
    if (magnifierCaret_) window->hideMagnifier(magnifierCaret_);
    if (magnifierRanged_) window->hideMagnifier(magnifierRanged_);
  }
}

void DUDaviDira::setDelegate(Weak<ui::ScrollViewDelegate> delegate) {
  // The scroll view reports to the text view; a text-view delegate set this way becomes the
  // outer delegate.
  if (auto strong = delegate.lock()) {
    if (strong.get() == static_cast<ui::ScrollViewDelegate*>(this)) {
      ui::ScrollView::setDelegate(std::move(delegate));
      return;
    }
    // A plain scroll-view delegate still hears the scroll calls the text view passes on.
    outerScrollDelegate_ = strong;
    outerDelegate_ = std::dynamic_pointer_cast<DUDaviDiraDelegate>(strong);
  } else {
    outerScrollDelegate_.reset();
    outerDelegate_.reset();
  }
}

void DUDaviDira::setTextViewDelegate(Weak<DUDaviDiraDelegate> delegate) {
  outerDelegate_ = delegate;
  if (auto strong = delegate.lock())
    outerScrollDelegate_ = std::static_pointer_cast<ui::ScrollViewDelegate>(strong);
  else
    outerScrollDelegate_.reset();
}

void DUDaviDira::setMultipleTouchEnabled(bool on) {
  (void)on;
  ui::View::setMultipleTouchEnabled(false);
}

// ---- editing

bool DUDaviDira::delegateAllowsChange(rt::Range range, const rt::String& replacement) {
  auto delegate = outerDelegate_.lock();
  if (!delegate) return true;
  return delegate->textViewShouldChangeTextInRange(*this, range, replacement).value_or(true);
}

Ref<text::DRTextRange> DUDaviDira::correctedTextRange(rt::Range range) const {
  uint64_t length = innerText_->length();
  uint64_t start = std::min<uint64_t>(range.location, length);
  uint64_t end = std::min<uint64_t>(range.length > length - start ? length : start + range.length, length);
  return text::DRTextRange::rangeWithRange({start, end - start});
}

void DUDaviDira::resetUndoAndRedoStack() { history_.reset(*innerText_, selectedTextRange_->asRange()); }

// ---- public setters

void DUDaviDira::setText(const rt::String& given) {
  const rt::String string = withoutLoneSurrogates(given);
  if (text_ == string) return;
  rt::Range all = wholeRange(*innerText_);
  // Asked before anything changes: a refusal leaves the text, the property and the history.
  if (!delegateAllowsChange(all, string)) return;
  setTextNotifying(string);
  state_.selectedWithoutEdit = false;
  state_.deleteConfirm = false;
  endTouchTracking();
  hideMenu();
  resetUndoAndRedoStack();
  replaceRangeWithText(text::DRTextRange::rangeWithRange(all), string, true);
}

void DUDaviDira::setFont(const Ref<typeset::Font>& font) {
  if (rt::equalObjects(font_.get(), font.get())) return;
  setFontNotifying(font);
  state_.typingAttributesOnce = false;
  text::setFont(*typingAttributesHolder_, font);
  text::setFont(*innerText_, font);
  resetUndoAndRedoStack();
  commitUpdate();
}

void DUDaviDira::setTextColor(const Ref<gfx::Color>& color) {
  if (rt::equalObjects(textColor_.get(), color.get())) return;
  setTextColorNotifying(color);
  state_.typingAttributesOnce = false;
  text::setColor(*typingAttributesHolder_, color);
  text::setColor(*innerText_, color);
  resetUndoAndRedoStack();
  commitUpdate();
}

void DUDaviDira::setTextAlignment(typeset::TextAlignment alignment) {
  if (textAlignment_ == alignment) return;
  setTextAlignmentNotifying(alignment);
  text::setAlignment(*typingAttributesHolder_, alignment);
  text::setAlignment(*innerText_, alignment);
  resetUndoAndRedoStack();
  commitUpdate();
}

void DUDaviDira::setDataDetectorTypes(uint64_t types) {
  if (dataDetectorTypes_ == types) return;
  setDataDetectorTypesNotifying(types);
  dataDetectorCheckingTypes_ = checkingTypesForDataDetectorTypes(types);
  dataDetector_ = dataDetectorCheckingTypes_ ? ui::DataDetector::dataDetectorWithTypes(dataDetectorCheckingTypes_)
                                             : nullptr;
  resetUndoAndRedoStack();
  commitUpdate();
}

void DUDaviDira::setLinkTextAttributes(const Ref<fd::Dictionary>& attributes) {
  if (rt::equalObjects(linkTextAttributes_.get(), attributes.get())) return;
  setLinkTextAttributesNotifying(attributes);
  if (dataDetectorCheckingTypes_) commitUpdate();
}

void DUDaviDira::setHighlightTextAttributes(const Ref<fd::Dictionary>& attributes) {
  if (rt::equalObjects(highlightTextAttributes_.get(), attributes.get())) return;
  setHighlightTextAttributesNotifying(attributes);
  if (dataDetectorCheckingTypes_) commitUpdate();
}

void DUDaviDira::setTextParser(const Ref<text::DRTextParser>& parser) {
  if (textParser_ == parser) return;
  setTextParserNotifying(parser);
  if (parser && text_.length() > 0) replaceRange(rt::Range{0, text_.length()}, text_);
  resetUndoAndRedoStack();
  commitUpdate();
}

void DUDaviDira::setTypingAttributes(const Ref<fd::Dictionary>& attributes) {
  setTypingAttributesNotifying(attributes);
  state_.typingAttributesOnce = true;
  if (attributes) text::setAttributes(*typingAttributesHolder_, attributes);
  commitUpdate();
}

void DUDaviDira::setAttributedText(const Ref<AttributedString>& value) {
  if (attributedText_ == value) return;
  auto copy = mutableCopyOf(value);
  replaceLoneSurrogates(*copy);
  rt::Range all = wholeRange(*innerText_);
  // Asked before anything changes: a refusal leaves the text, the property and the history.
  if (!delegateAllowsChange(all, copy->string())) return;
  if (copy->length() == 0) {
    state_.typingAttributesOnce = false;
    replaceRangeWithText(text::DRTextRange::rangeWithRange(all), rt::String(), true);
    return;
  }
  setAttributedTextNotifying(value);
  state_.typingAttributesOnce = false;
  state_.selectedWithoutEdit = false;
  state_.deleteConfirm = false;
  endTouchTracking();
  hideMenu();

  notifyInputDelegate(&ui::TextInputDelegate::selectionWillChange);
  notifyInputDelegate(&ui::TextInputDelegate::textWillChange);
  // A whole new text: any composition is over, and nothing of it is left to point into.
  markedTextRange_ = nullptr;
  innerText_ = copy;
  parseText();
  selectedTextRange_ = text::DRTextRange::rangeWithRange(wholeRange(*innerText_));
  notifyInputDelegate(&ui::TextInputDelegate::textDidChange);
  notifyInputDelegate(&ui::TextInputDelegate::selectionDidChange);
  setAttributedTextNotifying(innerText_);
  if (innerText_->length() > 0) {
    auto attributes = innerText_->attributesAtIndex(innerText_->length() - 1);
    typingAttributesHolder_->setAttributes(attributes, {0, typingAttributesHolder_->length()});
  }
  updateOuterProperties();
  updateLayout();
  updateSelectionView();
  if (isFirstResponder()) scrollRangeToVisible(selectedTextRange_);
  if (auto delegate = outerDelegate_.lock()) {
    delegate->textViewDidChange(*this);
    delegate->textViewDidChangeSelection(*this);
  }
  if (!state_.insideUndoBlock) resetUndoAndRedoStack();
  fd::NotificationCenter::defaultCenter()->post(DUDaviDiraTextDidChangeNotification, self());
}

void DUDaviDira::setTextVerticalAlignment(int64_t alignment) {
  if (textVerticalAlignment_ == alignment) return;
  willChangeValueForKey(rt::String("textVerticalAlignment"));
  textVerticalAlignment_ = alignment;
  didChangeValueForKey(rt::String("textVerticalAlignment"));
  containerView_->setTextVerticalAlignment(alignment);
  commitUpdate();
}

void DUDaviDira::setTextContainerInset(gfx::EdgeInsets inset) {
  if (textContainerInset_ == inset) return;
  setTextContainerInsetNotifying(inset);
  innerContainer_->setInsets(inset);
  commitUpdate();
}

void DUDaviDira::applyExclusionPathsToContainer() {
  // The container gets copies: the shift below must not move the view's own paths.
  std::vector<Ref<gfx::BezierPath>> copies;
  for (const auto& path : exclusionPaths_)
    if (path) copies.push_back(rt::as<gfx::BezierPath>(path->copy()));
  innerContainer_->setExclusionPaths(copies);
  if (!verticalForm_) return;
  // Vertical text runs from the right edge: the paths move with the container's far side.
  auto shift = gfx::AffineTransformMakeTranslation(innerContainer_->size().width - bounds().size.width, 0);
  for (const auto& path : innerContainer_->exclusionPaths())
    if (path) path->applyTransform(shift);
}

void DUDaviDira::setExclusionPaths(const std::vector<Ref<gfx::BezierPath>>& paths) {
  setExclusionPathsNotifying(paths);
  applyExclusionPathsToContainer();
  commitUpdate();
}

void DUDaviDira::setVerticalForm(bool vertical) {
  if (verticalForm_ == vertical) return;
  setVerticalFormNotifying(vertical);
  innerContainer_->setVerticalForm(vertical);
  selectionView_->setVerticalForm(vertical);
  updateInnerContainerSize();
  // The default insets follow the orientation; any other insets stay.
  gfx::EdgeInsets current = innerContainer_->insets();
  if (vertical && current == kHorizontalInset) {
    innerContainer_->setInsets(kVerticalInset);
    setTextContainerInsetNotifying(kVerticalInset);
  } else if (!vertical && current == kVerticalInset) {
    innerContainer_->setInsets(kHorizontalInset);
    setTextContainerInsetNotifying(kHorizontalInset);
  }
  applyExclusionPathsToContainer();
  keyboardChanged();
  commitUpdate();
}

void DUDaviDira::setLinePositionModifier(const Ref<text::DRTextLinePositionModifier>& modifier) {
  if (linePositionModifier_ == modifier) return;
  setLinePositionModifierNotifying(modifier);
  innerContainer_->setLinePositionModifier(modifier);
  commitUpdate();
}

void DUDaviDira::setDebugOption(const Ref<text::DRTextDebugOption>& option) { containerView_->setDebugOption(option); }

void DUDaviDira::setSelectedRange(rt::Range range) {
  if (selectedRange_ == range || markedTextRange_ || isNoRange(range)) return;
  state_.typingAttributesOnce = false;
  selectedTextRange_ = text::DRTextRange::rangeWithRange(clusterAlignedRange(range));
  endTouchTracking();
  updateSelectionView();
  setSelectedRangeNotifying(selectedTextRange_->asRange());
  if (!state_.insideUndoBlock) resetUndoAndRedoStack();
}

void DUDaviDira::setHighlightable(bool on) {
  if (highlightable_ == on) return;
  willChangeValueForKey(rt::String("highlightable"));
  highlightable_ = on;
  didChangeValueForKey(rt::String("highlightable"));
  commitUpdate();
}

void DUDaviDira::setEditable(bool on) {
  if (editable_ == on) return;
  willChangeValueForKey(rt::String("editable"));
  editable_ = on;
  didChangeValueForKey(rt::String("editable"));
  if (!on) resignFirstResponder();
}

void DUDaviDira::setSelectable(bool on) {
  if (selectable_ == on) return;
  willChangeValueForKey(rt::String("selectable"));
  selectable_ = on;
  didChangeValueForKey(rt::String("selectable"));
  if (on) return;
  if (isFirstResponder()) {
    resignFirstResponder();
  } else {
    state_.selectedWithoutEdit = false;
    endTouchTracking();
    hideMenu();
    updateSelectionView();
  }
}

void DUDaviDira::setClearsOnInsertion(bool on) {
  if (clearsOnInsertion_ == on) return;
  clearsOnInsertion_ = on;
  if (!on) return;
  if (isFirstResponder())
    setSelectedRange({0, attributedText_ ? attributedText_->length() : 0});
  else
    state_.clearsOnInsertionOnce = true;
}

Ref<ui::View> DUDaviDira::inputView() const {
  std::lock_guard lock(inputViewsMutex_);
  return inputView_;
}

void DUDaviDira::setInputView(const Ref<ui::View>& view) {
  std::lock_guard lock(inputViewsMutex_);
  inputView_ = view;
}

Ref<ui::View> DUDaviDira::inputAccessoryView() const {
  std::lock_guard lock(inputViewsMutex_);
  return inputAccessoryView_;
}

void DUDaviDira::setInputAccessoryView(const Ref<ui::View>& view) {
  std::lock_guard lock(inputViewsMutex_);
  inputAccessoryView_ = view;
}

// ---- placeholder setters

void DUDaviDira::setPlaceholderText(const rt::String& string) {
  placeholderText_ = string;
  if (placeholderAttributedText_ && placeholderAttributedText_->length() > 0) {
    placeholderAttributedText_->replaceCharactersInRange(wholeRange(*placeholderAttributedText_), string);
    text::setFont(*placeholderAttributedText_, placeholderFont_);
    text::setColor(*placeholderAttributedText_, placeholderTextColor_);
  } else if (string.length() > 0) {
    auto attributed = MutableAttributedString::create(string);
    if (!placeholderFont_) placeholderFont_ = font_ ? font_ : defaultFont();
    if (!placeholderTextColor_) placeholderTextColor_ = gfx::Color::grayColor();
    text::setFont(*attributed, placeholderFont_);
    text::setColor(*attributed, placeholderTextColor_);
    placeholderAttributedText_ = attributed;
  }
  commitPlaceholderUpdate();
}

void DUDaviDira::setPlaceholderFont(const Ref<typeset::Font>& font) {
  placeholderFont_ = font;
  if (placeholderAttributedText_) text::setFont(*placeholderAttributedText_, font);
  commitPlaceholderUpdate();
}

void DUDaviDira::setPlaceholderTextColor(const Ref<gfx::Color>& color) {
  placeholderTextColor_ = color;
  if (placeholderAttributedText_) text::setColor(*placeholderAttributedText_, color);
  commitPlaceholderUpdate();
}

void DUDaviDira::setPlaceholderAttributedText(const Ref<AttributedString>& value) {
  placeholderAttributedText_ = mutableCopyOf(value);
  placeholderText_ =
      text::plainTextForRange(*placeholderAttributedText_, wholeRange(*placeholderAttributedText_)).value_or(rt::String());
  placeholderFont_ = text::font(*placeholderAttributedText_);
  placeholderTextColor_ = text::color(*placeholderAttributedText_);
  commitPlaceholderUpdate();
}

// ---- size, frame and tint

Ref<text::DRTextLayout> DUDaviDira::textLayout() {
  updateIfNeeded();
  return innerLayout_;
}

gfx::Size DUDaviDira::sizeThatFits(gfx::Size size) const {
  auto* me = const_cast<DUDaviDira*>(this);
  auto layout = me->textLayout();
  if (!layout) return size;
  double scale = base::DRMainScreenScale();
  gfx::Size fitted{ceilToPixel(layout->textBoundingSize().width, scale),
                   ceilToPixel(layout->textBoundingSize().height, scale)};
  if (!verticalForm_ && fitted.width == size.width) return fitted;
  if (verticalForm_ && fitted.height == size.height) return fitted;
  auto container = rt::as<text::DRTextContainer>(innerContainer_->copy());
  constexpr double kMax = std::numeric_limits<double>::max();
  container->setSize(verticalForm_ ? gfx::Size{kMax, size.height} : gfx::Size{size.width, kMax});
  auto fit = text::DRTextLayout::layoutWithContainer(container, layout->text());
  if (!fit) return gfx::SizeZero;
  return {ceilToPixel(fit->textBoundingSize().width, scale), ceilToPixel(fit->textBoundingSize().height, scale)};
}

void DUDaviDira::setFrame(gfx::Rect frame) {
  gfx::Size before = bounds().size;
  ui::ScrollView::setFrame(frame);
  sizeChangedFrom(before);
}

void DUDaviDira::setBounds(gfx::Rect rect) {
  gfx::Size before = bounds().size;
  ui::ScrollView::setBounds(rect);
  sizeChangedFrom(before);
  if (containerView_) containerView_->visibleBoundsDidChange();
}

void DUDaviDira::sizeChangedFrom(gfx::Size before) {
  gfx::Size after = bounds().size;
  if (!innerContainer_) return;  // still being made
  bool alongLines = verticalForm_ ? before.height != after.height : before.width != after.width;
  if (alongLines) {
    updateInnerContainerSize();
    commitUpdate();
  }
  if (before != after) commitPlaceholderUpdate();
}

void DUDaviDira::setContentInset(gfx::EdgeInsets inset) {
  if (insetModifiedByKeyboard_) {
    originalContentInset_ = inset;  // applied when the keyboard's insets are given back
    return;
  }
  gfx::EdgeInsets before = contentInset();
  ui::ScrollView::setContentInset(inset);
  if (!innerContainer_ || before == inset) return;
  updateInnerContainerSize();
  commitUpdate();
  commitPlaceholderUpdate();
}

void DUDaviDira::tintColorDidChange() {
  if (!innerContainer_) return;
  auto tint = tintColor();
  auto highlight = highlightTextAttributes_ ? rt::as<fd::MutableDictionary>(highlightTextAttributes_->mutableCopy())
                                            : fd::MutableDictionary::create();
  auto link = linkTextAttributes_ ? rt::as<fd::MutableDictionary>(linkTextAttributes_->mutableCopy())
                                  : fd::MutableDictionary::create();
  rt::String platformKey(typeset::ForegroundColorAttributeName), coreKey(typeset::CTForegroundColorAttributeName);
  if (tint) {
    highlight->setObjectForKey(tint, platformKey);
    highlight->setObjectForKey(tint->CGColor(), coreKey);
    link->setObjectForKey(tint, platformKey);
    link->setObjectForKey(tint->CGColor(), coreKey);
  } else {
    highlight->removeObjectForKey(platformKey);
    highlight->removeObjectForKey(coreKey);
    auto fallback = defaultTintColor();
    link->setObjectForKey(fallback, platformKey);
    link->setObjectForKey(fallback->CGColor(), coreKey);
  }
  setHighlightTextAttributesNotifying(highlight);
  selectionView_->setColor(tint ? tint : defaultTintColor());
  linkTextAttributes_ = link;
  commitUpdate();
}

}  // namespace textview
