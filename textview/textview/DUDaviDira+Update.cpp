// The update cycle: changes mark the view and commit a run-loop transaction, so that however
// many arrive in one turn, the layout is rebuilt once at its end. The placeholder image has its
// own flag and transaction.
#include <algorithm>
#include <limits>

#include "base/graphics/Geometry+DUDer.h"
#include "base/utility/DRTransaction.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/graphics/ImageContext.h"
#include "text/drawing/DRTextLayout+Drawing.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/effect/DRTextEffectWindow.h"
#include "textview/textview/DUDaviDira.h"

namespace textview {

namespace {

constexpr double kUnlimited = std::numeric_limits<double>::max();
constexpr double kFirstDotDelay = 0.02;

}  // namespace

gfx::Size textViewVisibleSize(gfx::Size boundsSize, gfx::EdgeInsets inset) {
  // Both insets of a side take room from the text.
  double width = boundsSize.width - (inset.left + inset.right);
  double height = boundsSize.height - (inset.top + inset.bottom);
  return {std::max(width, 0.0), std::max(height, 0.0)};
}

gfx::Size DUDaviDira::visibleSize() const { return textViewVisibleSize(bounds().size, contentInset()); }

void DUDaviDira::commitUpdate() {
  state_.needUpdate = true;
  if (auto t = base::DRTransaction::transactionWithTarget(self(), rt::Selector::named("_updateIfNeeded"))) t->commit();
}

void DUDaviDira::updateIfNeeded() {
  if (state_.needUpdate) update();
}

void DUDaviDira::update() {
  state_.needUpdate = false;
  updateLayout();
  updateSelectionView();
}

void DUDaviDira::updateLayout() {
  auto copy = rt::as<typeset::MutableAttributedString>(innerText_->mutableCopy());
  placeholderView_->setHidden(copy->length() > 0);
  // Detection decorates this copy only: the text being edited never carries its attributes.
  delectedText_ = detectText(*copy) ? copy : nullptr;

  // The text always ends in a line break, so that an empty text or a trailing break still
  // has a line for the caret; that character carries no decorations of its own.
  text::appendString(*copy, rt::String("\r"));
  rt::Range last{copy->length() - 1, 1};
  text::removeDiscontinuousAttributesInRange(*copy, last);
  copy->removeAttribute(rt::String(text::DRTextBorderKey), last);
  copy->removeAttribute(rt::String(text::DRTextBackgroundBorderKey), last);
  auto typing = typingAttributesHolder_->attributesAtIndex(0);
  if (innerText_->length() == 0) copy->setAttributes(typing, {0, copy->length()});
  if (selectedTextRange_->asRange().location + selectedTextRange_->asRange().length == innerText_->length() && typing)
    copy->addAttributes(*typing, last);

  innerLayout_ = text::DRTextLayout::layoutWithContainer(innerContainer_, copy);
  ++layoutCount_;
  gfx::Size visible = visibleSize();
  gfx::Size bounding = innerLayout_ ? innerLayout_->textBoundingSize() : gfx::SizeZero;
  gfx::Size content = innerContainer_->isVerticalForm()
                          ? gfx::Size{std::max(bounding.width, visible.width), visible.height}
                          : gfx::Size{visible.width, bounding.height};
  containerView_->setLayout(innerLayout_, 0);
  containerView_->setFrame({{0, 0}, content});
  state_.showingHighlight = false;
  setContentSize(content);
}

void DUDaviDira::updateSelectionView() {
  selectionView_->setFrame(containerView_->frame());
  selectionView_->setCaretBlinks(false);
  selectionView_->setCaretVisible(false);
  selectionView_->setSelectionRects({});
  auto window = DRTextEffectWindow::sharedWindow();
  if (window) window->hideSelectionDot(selectionView_);
  if (!innerLayout_) return;

  // While a finger drags, the view shows the range it would make.
  const Ref<text::DRTextRange>& range = state_.trackingTouch && trackingRange_ ? trackingRange_ : selectedTextRange_;
  const bool first = isFirstResponder();
  std::vector<Ref<text::DRTextSelectionRect>> rects;
  auto add = [&rects](std::vector<Ref<text::DRTextSelectionRect>> more) {
    rects.insert(rects.end(), more.begin(), more.end());
    return !more.empty();
  };
  bool dot = false, caret = false, blinks = false;
  if (markedTextRange_) {
    add(innerLayout_->selectionRectsWithoutStartAndEndForRange(markedTextRange_));
    if (!range->isEmpty()) {
      dot = add(innerLayout_->selectionRectsWithOnlyStartAndEndForRange(range));
    } else {
      caret = true;
      blinks = true;
    }
  } else if (!range->isEmpty()) {
    if ((first && !state_.deleteConfirm) || (!first && state_.selectedWithoutEdit))
      dot = add(innerLayout_->selectionRectsForRange(range));
    else if ((!first && state_.trackingPreSelect) || (first && state_.deleteConfirm))
      add(innerLayout_->selectionRectsWithoutStartAndEndForRange(range));  // no grabbers
  } else if (first || state_.trackingPreSelect) {
    caret = true;
    blinks = !state_.trackingCaret && !state_.trackingPreSelect;
  }
  if (caret) {
    gfx::Rect rect = innerLayout_->caretRectForPosition(range->end());
    if (!gfx::RectIsNull(rect)) {
      selectionView_->setCaretRect(convertRectFromLayout(rect));
      selectionView_->setCaretVisible(true);
      selectionView_->setCaretBlinks(blinks);
    }
  }
  for (const auto& r : rects) r->setRect(convertRectFromLayout(r->rect()));
  selectionView_->setSelectionRects(rects);

  if (window) {
    if (dot && !state_.firstShowDot) {
      // The first dots are placed once more after the window has settled.
      state_.firstShowDot = true;
      Weak<DRTextEffectWindow> weakWindow = window;
      Weak<DRTextSelectionView> weakSelection = selectionView_;
      dispatch::MainQueue::shared().after(kFirstDotDelay, [weakWindow, weakSelection] {
        auto w = weakWindow.lock();
        auto s = weakSelection.lock();
        if (w && s) w->showSelectionDot(s);
      });
    }
    window->showSelectionDot(selectionView_);
  }
  if (dot) startSelectionDotFixTimer();
  else endSelectionDotFixTimer();
}

void DUDaviDira::updateInnerContainerSize() {
  gfx::Size visible = visibleSize();
  innerContainer_->setSize(verticalForm_ ? gfx::Size{kUnlimited, visible.height} : gfx::Size{visible.width, kUnlimited});
}

void DUDaviDira::commitPlaceholderUpdate() {
  state_.placeholderNeedUpdate = true;
  if (auto t = base::DRTransaction::transactionWithTarget(self(), rt::Selector::named("_updatePlaceholderIfNeeded")))
    t->commit();
}

void DUDaviDira::updatePlaceholderIfNeeded() {
  if (!state_.placeholderNeedUpdate) return;
  state_.placeholderNeedUpdate = false;
  updatePlaceholder();
}

void DUDaviDira::updatePlaceholder() {
  placeholderView_->setImage(nullptr);
  placeholderView_->setFrame(gfx::RectZero);
  if (!placeholderAttributedText_ || placeholderAttributedText_->length() == 0) return;

  auto container = rt::as<text::DRTextContainer>(innerContainer_->copy());
  container->setSize(bounds().size);
  container->setTruncationType(2);
  container->setTruncationToken(nullptr);
  auto layout = text::DRTextLayout::layoutWithContainer(container, placeholderAttributedText_);
  if (!layout) return;
  gfx::Size size = layout->textBoundingSize();
  if (!(size.width > 1 && size.height > 1)) return;

  gfx::beginImageContextWithOptions(size, false, base::DRMainScreenScale());
  text::drawInContext(*layout, gfx::currentContext().get(), size, debugOption());
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  if (!image) return;
  placeholderView_->setImage(image);
  gfx::Size imageSize = image->size();
  gfx::Point origin = verticalForm_ ? gfx::Point{bounds().size.width - imageSize.width,
                                                 bounds().size.height - imageSize.height}
                                    : gfx::Point{0, 0};
  placeholderView_->setFrame({origin, imageSize});
}

}  // namespace textview
