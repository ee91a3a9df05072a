#include "platform/ui/input/menu/MenuWindow.h"

#include <cmath>

#include "platform/graphics/Color.h"
#include "platform/graphics/ImageContext.h"
#include "platform/typeset/Font.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(MenuBubbleView) {}
RT_IMPLEMENT_PLATFORM(MenuWindow) {}

double MenuBubbleView::setItems(const std::vector<Ref<MenuItem>>& items, const Weak<MenuController>& controller,
                                double maxWidth) {
  for (auto& b : buttons_) b->removeFromSuperview();
  buttons_.clear();
  double x = 0;
  for (const auto& item : items) {
    auto button = Button::buttonWithType(ButtonType::Custom);
    button->setTitle(item->title(), ControlStateNormal);
    button->setTitleColor(gfx::Color::whiteColor(), ControlStateNormal);
    button->titleLabel()->setFont(typeset::Font::systemFontOfSize(14));
    rt::Selector action = item->action();
    button->addTarget(nullptr, [controller, action](Control&, Event*) {
      if (auto c = controller.lock()) c->perform(action);
    }, ControlEventTouchUpInside);
    double w = std::ceil(button->titleLabel()->sizeThatFits({0, 0}).width) + 2 * kPadding;
    if (x + w > maxWidth && !buttons_.empty()) break;  // what does not fit across is left out
    button->setFrame({{x, down_ ? 0 : kArrow}, {w, kHeight}});
    addSubview(button);
    buttons_.push_back(button);
    x += w;
  }
  setNeedsDisplay();
  return x;
}

void MenuBubbleView::setArrow(double x, bool pointsDown) {
  arrowX_ = x;
  down_ = pointsDown;
  for (auto& b : buttons_) {
    gfx::Rect f = b->frame();
    f.origin.y = down_ ? 0 : kArrow;
    b->setFrame(f);
  }
  setNeedsDisplay();
}

void MenuBubbleView::drawRect(gfx::Rect) {
  auto ctx = gfx::currentContext();
  if (!ctx) return;
  gfx::Rect b = bounds();
  double top = down_ ? 0 : kArrow, bottom = top + kHeight;
  double left = 0, right = b.size.width, r = kRadius;
  ctx->saveGState();
  ctx->setFillColor(gfx::Color::colorWithWhite(0.1, 0.92));
  ctx->beginPath();
  ctx->moveToPoint(left + r, top);
  if (!down_) {
    ctx->addLineToPoint(arrowX_ - kArrow, top);
    ctx->addLineToPoint(arrowX_, 0);
    ctx->addLineToPoint(arrowX_ + kArrow, top);
  }
  ctx->addArcToPoint(right, top, right, bottom, r);
  ctx->addArcToPoint(right, bottom, left, bottom, r);
  if (down_) {
    ctx->addLineToPoint(arrowX_ + kArrow, bottom);
    ctx->addLineToPoint(arrowX_, bottom + kArrow);
    ctx->addLineToPoint(arrowX_ - kArrow, bottom);
  }
  ctx->addArcToPoint(left, bottom, left, top, r);
  ctx->addArcToPoint(left, top, right, top, r);
  ctx->closePath();
  ctx->fillPath();
  // Thin separators between the items.
  ctx->setStrokeColor(gfx::Color::colorWithWhite(1, 0.3));
  ctx->setLineWidth(1);
  for (size_t i = 1; i < buttons_.size(); ++i) {
    double x = std::round(buttons_[i]->frame().origin.x) + 0.5;
    ctx->beginPath();
    ctx->moveToPoint(x, top + 8);
    ctx->addLineToPoint(x, bottom - 8);
    ctx->strokePath();
  }
  ctx->restoreGState();
}

void MenuWindow::init(gfx::Rect screenBounds) {
  Window::init(screenBounds);
  setWindowLevel(WindowLevelMenu);
  bubble_ = rt::make<MenuBubbleView>();
  addSubview(bubble_);
}

Ref<View> MenuWindow::hitTest(gfx::Point point, Event* event) {
  Ref<View> hit = Window::hitTest(point, event);
  return hit.get() == this ? nullptr : hit;
}

}  // namespace ui
