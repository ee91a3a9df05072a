#include "platform/ui/input/keyboard/KeyboardWindow.h"

#include "platform/graphics/Color.h"
#include "platform/ui/input/keys/KeyboardInput.h"
#include "platform/ui/input/text/TextInput.h"
#include "platform/ui/view/ViewAnimation.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(KeyboardView) {}
RT_IMPLEMENT_PLATFORM(KeyboardContainerView) {}
RT_IMPLEMENT_PLATFORM(KeyboardWindow) {}

namespace {

const std::vector<std::vector<std::string>>& keyRows(bool numbers) {
  static const std::vector<std::vector<std::string>> letters = {
      {"q", "w", "e", "r", "t", "y", "u", "i", "o", "p"},
      {"a", "s", "d", "f", "g", "h", "j", "k", "l"},
      {"z", "x", "c", "v", "b", "n", "m", "delete"},
      {"123", "space", "return"},
  };
  static const std::vector<std::vector<std::string>> digits = {
      {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"},
      {"-", "/", ":", ";", "(", ")", "$", "&", "@"},
      {".", ",", "?", "!", "'", "\"", "delete"},
      {"ABC", "space", "return"},
  };
  return numbers ? digits : letters;
}

constexpr double kGap = 6;

}  // namespace

void KeyboardView::init(gfx::Rect frame) {
  View::init(frame);
  setBackgroundColor(gfx::Color::colorWithRed(0.82, 0.84, 0.86, 1));
  rebuild();
}

void KeyboardView::setShowsNumbers(bool numbers) {
  if (numbers_ == numbers) return;
  numbers_ = numbers;
  rebuild();
}

void KeyboardView::rebuild() {
  for (auto& row : rows_)
    for (auto& key : row) key->removeFromSuperview();
  rows_.clear();
  Weak<KeyboardView> weak = std::static_pointer_cast<KeyboardView>(self());
  for (const auto& names : keyRows(numbers_)) {
    std::vector<Ref<Button>> row;
    for (const auto& name : names) {
      auto key = Button::buttonWithType(ButtonType::Custom);
      bool special = name.size() > 1;
      key->setTitle(rt::String(name == "delete" ? "\u232B" : name == "return" ? "return" : name), ControlStateNormal);
      key->setTitleColor(gfx::Color::blackColor(), ControlStateNormal);
      key->setBackgroundColor(special ? gfx::Color::colorWithRed(0.67, 0.70, 0.74, 1) : gfx::Color::whiteColor());
      key->layer()->setCornerRadius(5);
      key->setAccessibilityLabel(rt::String(name));
      key->addTarget(nullptr, [weak, title = name](Control&, Event*) {
        if (auto v = weak.lock()) v->keyTapped(title);
      }, ControlEventTouchUpInside);
      addSubview(key);
      row.push_back(key);
    }
    rows_.push_back(std::move(row));
  }
  // The new keys take their places at once: the next tap may come before the next frame.
  setNeedsLayout();
  layoutIfNeeded();
}

Ref<Button> KeyboardView::keyTitled(const std::string& title) const {
  for (const auto& row : rows_)
    for (const auto& key : row)
      if (key->accessibilityLabel() == rt::String(title)) return key;
  return nullptr;
}

void KeyboardView::layoutSubviews() {
  gfx::Rect b = bounds();
  if (rows_.empty()) return;
  double rowHeight = (b.size.height - kGap) / static_cast<double>(rows_.size());
  double unit = (b.size.width - kGap) / 10;  // ten keys make the widest row
  for (size_t r = 0; r < rows_.size(); ++r) {
    const auto& row = rows_[r];
    // Widths in key units: the space bar takes what the row leaves, other wide keys 1.5.
    std::vector<double> widths;
    double fixed = 0;
    size_t spaces = 0;
    for (const auto& key : row) {
      std::string name = key->accessibilityLabel().utf8();
      double w = name == "space" ? 0 : name.size() > 1 ? 1.5 : 1;
      if (name == "space") ++spaces;
      widths.push_back(w);
      fixed += w;
    }
    if (spaces) {
      for (auto& w : widths)
        if (w == 0) w = (10 - fixed) / static_cast<double>(spaces);
      fixed = 10;
    }
    double x = b.origin.x + kGap + (10 - fixed) * unit / 2;
    double y = b.origin.y + kGap + rowHeight * static_cast<double>(r);
    for (size_t i = 0; i < row.size(); ++i) {
      double w = widths[i] * unit;
      row[i]->setFrame({{x, y}, {std::max(0.0, w - kGap), std::max(0.0, rowHeight - kGap)}});
      x += w;
    }
  }
}

void KeyboardView::keyTapped(const std::string& name) {
  if (name == "123" || name == "ABC") return setShowsNumbers(name == "123");
  auto* input = KeyboardInput::focusedTextInput();
  if (!input) return;
  if (name == "delete") input->deleteBackward();
  else if (name == "return") input->insertText("\n");
  else if (name == "space") input->insertText(" ");
  else input->insertText(rt::String(name));
}

Ref<View> KeyboardContainerView::hitTest(gfx::Point point, Event* event) {
  Ref<View> hit = View::hitTest(point, event);
  return hit.get() == this ? nullptr : hit;
}

void KeyboardWindow::init(gfx::Rect screenBounds) {
  Window::init(screenBounds);
  setWindowLevel(WindowLevelKeyboard);
  container_ = rt::make<KeyboardContainerView>(gfx::Rect{{0, 0}, screenBounds.size});
  addSubview(container_);
  keyboard_ = rt::make<KeyboardView>(gfx::Rect{{0, screenBounds.size.height}, {screenBounds.size.width, 0}});
  container_->addSubview(keyboard_);
}

Ref<View> KeyboardWindow::hitTest(gfx::Point point, Event* event) {
  Ref<View> hit = Window::hitTest(point, event);
  return hit.get() == this ? nullptr : hit;
}

void KeyboardWindow::slide(gfx::Rect from, gfx::Rect to, double seconds) {
  keyboard_->setFrame(from);
  keyboard_->layoutIfNeeded();
  Ref<KeyboardView> k = keyboard_;
  ViewAnimation::animate(seconds, [k, to] {
    k->setFrame(to);
    k->layoutIfNeeded();
  });
}

}  // namespace ui
