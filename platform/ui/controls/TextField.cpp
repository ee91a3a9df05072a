#include "platform/ui/controls/TextField.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(TextField) {
  c.property("text", &TextField::text, &TextField::setText);
  c.property("placeholder", &TextField::placeholder, &TextField::setPlaceholder);
  c.protocol("UITextInput");
  c.method("cut:", &TextField::cutAction);
  c.method("copy:", &TextField::copyAction);
  c.method("paste:", &TextField::pasteAction);
  c.method("select:", &TextField::selectAction);
  c.method("selectAll:", &TextField::selectAllAction);
  c.method("delete:", &TextField::deleteAction);
}

namespace {
constexpr double kSideInset = 7;
constexpr double kClearButtonSize = 19;
constexpr double kFontSize = 17;

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
  line_ = nullptr;
  bool showPlaceholder = text_.isEmpty();
  label_->setText(showPlaceholder ? placeholder_ : displayedText());
  label_->setTextColor(showPlaceholder ? gfx::Color::colorWithWhite(0.7, 1) : textColor_);
  setNeedsLayout();
}

void TextField::setText(const rt::String& text) {
  tellInputDelegate(true);
  text_ = text;
  marked_.reset();
  selection_ = {text_.length(), 0};
  refresh();
  tellInputDelegate(false);
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
  marked_.reset();  // a composition still open is kept as typed
  Keyboard::sharedKeyboard()->textInputEnded();
  setNeedsLayout();
  if (auto d = delegate_.lock()) d->textFieldDidEndEditing(*this);
  sendActionsForControlEvents(ControlEventEditingDidEnd);
  post(UITextFieldTextDidEndEditingNotification);
  return true;
}

bool TextField::canPerformAction(rt::Selector action, const rt::Id& sender) const {
  std::string_view n = action.name();
  bool selected = editing_ && selection_.length > 0;
  if (n == "cut:" || n == "copy:") return selected && !traits_.secureTextEntry;
  if (n == "delete:") return selected;
  if (n == "paste:") return editing_ && Pasteboard::generalPasteboard()->hasStrings();
  if (n == "select:") return editing_ && selection_.length == 0 && !text_.isEmpty();
  if (n == "selectAll:") return editing_ && !text_.isEmpty() && selection_.length < text_.length();
  // Looking a word up needs a dictionary service this system does not have.
  if (n.ends_with("define:")) return false;
  return Control::canPerformAction(action, sender);
}

void TextField::textChangedByUser() {
  sendActionsForControlEvents(ControlEventEditingChanged);
  post(UITextFieldTextDidChangeNotification);
}

void TextField::returnKey() {
  if (auto d = delegate_.lock()) d->textFieldShouldReturn(*this);
  sendActionsForControlEvents(ControlEventEditingDidEndOnExit);
}

void TextField::clear() {
  if (auto d = delegate_.lock())
    if (auto ok = d->textFieldShouldClear(*this); ok && !*ok) return;
  if (text_.isEmpty()) return;
  tellInputDelegate(true);
  text_ = rt::String();
  marked_.reset();
  selection_ = {0, 0};
  refresh();
  tellInputDelegate(false);
  textChangedByUser();
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
