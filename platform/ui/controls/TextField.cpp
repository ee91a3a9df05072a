#include "platform/ui/controls/TextField.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/input/Keyboard.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(TextField) {
  c.property("text", &TextField::text, &TextField::setText);
  c.property("placeholder", &TextField::placeholder, &TextField::setPlaceholder);
}

namespace {
constexpr double kSideInset = 7;
constexpr double kClearButtonSize = 19;
constexpr double kFontSize = 17;

bool isEditAction(rt::Selector s) {
  std::string_view n = s.name();
  for (const char* a : {"cut:", "copy:", "paste:", "select:", "selectAll:"})
    if (n == a) return true;
  // The private "look up" action of text views: a leading underscore, ending in "define:".
  return n.size() >= 8 && n.front() == '_' && n.ends_with("define:");
}
}  // namespace

void TextField::init(gfx::Rect frame) {
  label_ = rt::make<Label>();
  label_->setFont(typeset::Font::systemFontOfSize(kFontSize));
  clearButton_ = Button::buttonWithType(ButtonType::Custom);
  clearButton_->setTitle(rt::String("\u00D7"), ControlStateNormal);
  clearButton_->setTitleColor(gfx::Color::grayColor(), ControlStateNormal);
  Control::init(frame);
  addSubview(label_);
  addSubview(clearButton_);
  Weak<TextField> weak = std::static_pointer_cast<TextField>(self());
  clearButton_->addTarget(nullptr, [weak](Control&, Event*) {
    if (auto f = weak.lock()) f->clear();
  }, ControlEventTouchUpInside);
  textColor_ = gfx::Color::blackColor();
  refresh();
}

void TextField::post(const char* name) {
  fd::NotificationCenter::defaultCenter()->post(rt::String(name), self());
}

void TextField::refresh() {
  invalidateIntrinsicContentSize();
  if (!label_) return;
  bool showPlaceholder = text_.isEmpty();
  label_->setText(showPlaceholder ? placeholder_ : text_);
  label_->setTextColor(showPlaceholder ? gfx::Color::colorWithWhite(0.7, 1) : textColor_);
  setNeedsLayout();
}

void TextField::setText(const rt::String& text) {
  text_ = text;
  selection_ = {text_.length(), 0};
  refresh();
}

void TextField::setBorderStyle(TextBorderStyle s) {
  borderStyle_ = s;
  bool drawn = s != TextBorderStyle::None;
  layer()->setBorderWidth(drawn ? 1 : 0);
  layer()->setBorderColor(drawn ? gfx::Color::colorWithWhite(0.8, 1) : nullptr);
  layer()->setCornerRadius(s == TextBorderStyle::RoundedRect ? 5 : 0);
}

void TextField::setLeftView(Ref<View> v) {
  if (leftView_) leftView_->removeFromSuperview();
  leftView_ = std::move(v);
  if (leftView_) addSubview(leftView_);
  setNeedsLayout();
}

void TextField::setRightView(Ref<View> v) {
  if (rightView_) rightView_->removeFromSuperview();
  rightView_ = std::move(v);
  if (rightView_) addSubview(rightView_);
  setNeedsLayout();
}

bool TextField::shows(TextFieldViewMode mode) const {
  switch (mode) {
    case TextFieldViewMode::Always: return true;
    case TextFieldViewMode::WhileEditing: return editing_;
    case TextFieldViewMode::UnlessEditing: return !editing_;
    default: return false;
  }
}

// ---- editing

bool TextField::becomeFirstResponder() {
  if (editing_) return true;
  if (auto d = delegate_.lock())
    if (auto ok = d->textFieldShouldBeginEditing(*this); ok && !*ok) return false;
  if (!Control::becomeFirstResponder()) return false;
  editing_ = true;
  Keyboard::sharedKeyboard()->textInputBegan();
  selection_ = {text_.length(), 0};
  setNeedsLayout();
  if (auto d = delegate_.lock()) d->textFieldDidBeginEditing(*this);
  sendActionsForControlEvents(ControlEventEditingDidBegin);
  post(UITextFieldTextDidBeginEditingNotification);
  return true;
}

bool TextField::resignFirstResponder() {
  if (!editing_) return Control::resignFirstResponder();
  if (auto d = delegate_.lock())
    if (auto ok = d->textFieldShouldEndEditing(*this); ok && !*ok) return false;
  if (!Control::resignFirstResponder()) return false;
  editing_ = false;
  Keyboard::sharedKeyboard()->textInputEnded();
  setNeedsLayout();
  if (auto d = delegate_.lock()) d->textFieldDidEndEditing(*this);
  sendActionsForControlEvents(ControlEventEditingDidEnd);
  post(UITextFieldTextDidEndEditingNotification);
  return true;
}

bool TextField::canPerformAction(rt::Selector action, const rt::Id& sender) const {
  if (isEditAction(action)) {
    std::string_view n = action.name();
    if (n == "paste:") return editing_;
    if (n == "cut:" || n == "copy:") return editing_ && selection_.length > 0;
    if (n == "select:" || n == "selectAll:") return editing_ && !text_.isEmpty();
    return editing_ && selection_.length > 0;  // look up the selected word
  }
  return Control::canPerformAction(action, sender);
}

void TextField::replace(rt::Range range, const rt::String& replacement) {
  if (auto d = delegate_.lock())
    if (auto ok = d->shouldChangeCharactersInRange(*this, range, replacement); ok && !*ok) return;
  text_ = text_.stringByReplacingCharactersInRange(range, replacement);
  selection_ = {range.location + replacement.length(), 0};
  refresh();
  textChangedByUser();
}

void TextField::textChangedByUser() {
  sendActionsForControlEvents(ControlEventEditingChanged);
  post(UITextFieldTextDidChangeNotification);
}

void TextField::insertText(const rt::String& text) {
  if (!editing_) return;
  // One line: line breaks end the input instead.
  if (text == rt::String("\n")) return returnKey();
  replace(selection_, text);
}

void TextField::deleteBackward() {
  if (!editing_) return;
  if (selection_.length > 0) return replace(selection_, rt::String());
  if (selection_.location == 0) return;
  size_t from = selection_.location - 1;
  // Keep surrogate pairs whole.
  if (from > 0 && (text_.characterAtIndex(from) & 0xFC00) == 0xDC00) --from;
  replace({from, selection_.location - from}, rt::String());
}

void TextField::returnKey() {
  if (auto d = delegate_.lock()) d->textFieldShouldReturn(*this);
  sendActionsForControlEvents(ControlEventEditingDidEndOnExit);
}

void TextField::clear() {
  if (auto d = delegate_.lock())
    if (auto ok = d->textFieldShouldClear(*this); ok && !*ok) return;
  if (text_.isEmpty()) return;
  text_ = rt::String();
  selection_ = {0, 0};
  refresh();
  textChangedByUser();
}

void TextField::setSelectedRange(rt::Range r) {
  uint64_t n = text_.length();
  uint64_t loc = std::min<uint64_t>(r.location, n);
  selection_ = {loc, std::min<uint64_t>(r.length, n - loc)};
}

void TextField::selectAll() { selection_ = {0, text_.length()}; }

Ref<TextRange> TextField::selectedTextRange() const {
  return rt::make<TextRange>(rt::make<TextPosition>(int64_t(selection_.location)),
                             rt::make<TextPosition>(int64_t(selection_.end())));
}

Ref<TextPosition> TextField::positionFromPosition(const Ref<TextPosition>& p, int64_t offset) const {
  if (!p) return nullptr;
  int64_t at = p->offset() + offset;
  if (at < 0 || at > int64_t(text_.length())) return nullptr;
  return rt::make<TextPosition>(at);
}

// ---- geometry

gfx::Rect TextField::leftViewRectForBounds(gfx::Rect b) const {
  if (!leftView_) return gfx::RectZero;
  gfx::Size s = leftView_->bounds().size;
  return {{b.origin.x, b.origin.y + (b.size.height - s.height) / 2}, s};
}

gfx::Rect TextField::rightViewRectForBounds(gfx::Rect b) const {
  if (!rightView_) return gfx::RectZero;
  gfx::Size s = rightView_->bounds().size;
  return {{b.origin.x + b.size.width - s.width, b.origin.y + (b.size.height - s.height) / 2}, s};
}

gfx::Rect TextField::clearButtonRectForBounds(gfx::Rect b) const {
  double right = b.origin.x + b.size.width - kSideInset;
  if (rightView_ && shows(rightViewMode_)) right -= rightView_->bounds().size.width;
  return {{right - kClearButtonSize, b.origin.y + (b.size.height - kClearButtonSize) / 2},
          {kClearButtonSize, kClearButtonSize}};
}

gfx::Rect TextField::textRectForBounds(gfx::Rect b) const {
  double left = b.origin.x + (borderStyle_ == TextBorderStyle::None ? 0 : kSideInset);
  double right = b.origin.x + b.size.width - (borderStyle_ == TextBorderStyle::None ? 0 : kSideInset);
  if (leftView_ && shows(leftViewMode_)) left = std::max(left, leftViewRectForBounds(b).origin.x + leftView_->bounds().size.width);
  if (rightView_ && shows(rightViewMode_)) right = std::min(right, rightViewRectForBounds(b).origin.x);
  if (shows(clearButtonMode_) && !text_.isEmpty()) right = std::min(right, clearButtonRectForBounds(b).origin.x);
  return {{left, b.origin.y}, {std::max(0.0, right - left), b.size.height}};
}

gfx::Size TextField::intrinsicContentSize() const {
  gfx::Size s = label_->sizeThatFits({0, 0});
  double h = std::ceil(label_->font()->lineHeight());
  double w = s.width + (borderStyle_ == TextBorderStyle::None ? 0 : 2 * kSideInset);
  if (leftView_ && shows(leftViewMode_)) w += leftView_->bounds().size.width;
  if (rightView_ && shows(rightViewMode_)) w += rightView_->bounds().size.width;
  return {w, std::max(h, s.height) + (borderStyle_ == TextBorderStyle::None ? 0 : 8)};
}

gfx::Size TextField::sizeThatFits(gfx::Size) const { return intrinsicContentSize(); }

void TextField::layoutSubviews() {
  gfx::Rect b = bounds();
  if (leftView_) {
    leftView_->setHidden(!shows(leftViewMode_));
    leftView_->setFrame(leftViewRectForBounds(b));
  }
  if (rightView_) {
    rightView_->setHidden(!shows(rightViewMode_));
    rightView_->setFrame(rightViewRectForBounds(b));
  }
  clearButton_->setHidden(!(shows(clearButtonMode_) && !text_.isEmpty()));
  clearButton_->setFrame(clearButtonRectForBounds(b));
  label_->setFrame(textRectForBounds(b));
}

void TextField::touchesEnded(const TouchSet& touches, Event* event) {
  Control::touchesEnded(touches, event);
  if (isEnabled() && !editing_) becomeFirstResponder();
}

}  // namespace ui
