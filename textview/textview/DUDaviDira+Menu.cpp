// The edit menu next to the caret or selection, and the pressed look of a highlight: a second
// layout drawn with the highlight's attributes swapped in while the finger is on it.
#include <algorithm>

#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/ui/input/menu/MenuController.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/textview/DUDaviDira.h"
#include "textview/textview/DUDaviDiraTrackingRules.h"

namespace textview {

namespace {

constexpr double kMenuDelay = 0.01;
constexpr double kHighlightFade = 0.15;

}  // namespace

// ---- menu

void DUDaviDira::showMenu() {
  std::vector<gfx::Rect> pieces;
  for (const auto& r : selectionView_->selectionRects())
    if (r) pieces.push_back(r->rect());
  gfx::Rect caret = selectionView_->caretView() ? selectionView_->caretView()->frame() : gfx::RectNull;
  gfx::Rect rect = menuTargetRect(selectionView_->isCaretVisible(), caret, pieces, bounds(), visibleKeyboardFrame(),
                                  selectionView_->bounds());
  if (!isFirstResponder() && !containerView_->isFirstResponder()) containerView_->becomeFirstResponder();
  if (!isFirstResponder() && !containerView_->isFirstResponder()) return;

  Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());
  dispatch::MainQueue::shared().after(kMenuDelay, [weak, rect] {
    auto view = weak.lock();
    if (!view) return;
    auto menu = ui::MenuController::sharedMenuController();
    menu->setTargetRect(gfx::RectStandardize(rect), view->selectionView_);
    menu->update();
    if (view->state_.showingMenu && menu->isMenuVisible()) return;
    view->state_.showingMenu = true;
    menu->setMenuVisible(true, true);
  });
}

void DUDaviDira::hideMenu() {
  if (state_.showingMenu) {
    state_.showingMenu = false;
    ui::MenuController::sharedMenuController()->setMenuVisible(false, true);
  }
  if (containerView_->isFirstResponder()) {
    // The container stood in as first responder for the menu only; the view must not take
    // over on its way out.
    state_.ignoreFirstResponder = true;
    containerView_->resignFirstResponder();
    state_.ignoreFirstResponder = false;
  }
}

// ---- highlight

void DUDaviDira::showHighlightAnimated(bool animated) {
  if (!highlight_) return;
  if (!highlightLayout_) {
    const auto& source = delectedText_ ? delectedText_ : innerText_;
    auto shown = rt::as<typeset::MutableAttributedString>(source->mutableCopy());
    text::setAttributes(*shown, highlight_->attributes(), highlightRange_);
    highlightLayout_ = text::DRTextLayout::layoutWithContainer(innerContainer_, shown);
    if (!highlightLayout_) {
      highlight_ = nullptr;
      return;
    }
  }
  if (state_.showingHighlight) return;
  state_.showingHighlight = true;
  containerView_->setLayout(highlightLayout_, animated ? kHighlightFade : 0);
}

void DUDaviDira::hideHighlightAnimated(bool animated) {
  if (!state_.showingHighlight) return;
  state_.showingHighlight = false;
  containerView_->setLayout(innerLayout_, animated ? kHighlightFade : 0);
}

void DUDaviDira::removeHighlightAnimated(bool animated) {
  hideHighlightAnimated(animated);
  highlight_ = nullptr;
  highlightLayout_ = nullptr;
}

Ref<text::DRTextHighlight> DUDaviDira::getHighlightAtPoint(gfx::Point point, rt::Range* range) const {
  if (!highlightable_ || !innerLayout_ || !innerLayout_->containsHighlight()) return nullptr;
  auto hit = correctedTextRange(innerLayout_->textRangeAtPoint(convertPointToLayout(point)));
  if (!hit) return nullptr;
  const uint64_t length = innerText_->length();
  if (length == 0) return nullptr;
  auto index = static_cast<uint64_t>(std::max<int64_t>(hit->start()->offset(), 0));
  // A touch past the last character belongs to it.
  if (index >= length) index = length - 1;
  rt::Range effective{0, 0};
  // Detected data carries highlights of its own, in the decorated copy.
  const auto& source = delectedText_ ? delectedText_ : innerText_;
  auto highlight = rt::as<text::DRTextHighlight>(
      source->attributeAtIndex(rt::String(text::DRTextHighlightKey), index, &effective, {0, length}));
  if (!highlight) return nullptr;
  if (!highlight->tapAction() && !highlight->longPressAction()) {
    // Without actions of its own it is wanted only when the delegate may hear of it.
    if (auto delegate = outerDelegate_.lock()) {
      auto me = const_cast<DUDaviDira*>(this);
      auto longPress = delegate->textViewShouldLongPressHighlight(*me, highlight, effective);
      if (longPress.has_value() && !*longPress &&
          !delegate->textViewShouldTapHighlight(*me, highlight, effective).value_or(true))
        return nullptr;
    }
  }
  if (range) *range = effective;
  return highlight;
}

gfx::Rect DUDaviDira::highlightRect() const {
  if (!innerLayout_) return gfx::RectNull;
  gfx::Rect rect = innerLayout_->rectForRange(text::DRTextRange::rangeWithRange(highlightRange_));
  if (gfx::RectIsNull(rect)) return rect;
  return convertRectFromLayout(rect);
}

}  // namespace textview
