// The text view is its own scroll view's delegate: each call goes on to the user's delegate,
// and the grabber dots stay hidden while the content moves, since they float in the effect
// window rather than scroll with the text.
#include "textview/effect/DRTextEffectWindow.h"
#include "textview/textview/DUDaviDira.h"

namespace textview {

namespace {

void showDots(const Ref<DRTextSelectionView>& selection, bool show) {
  auto window = DRTextEffectWindow::sharedWindow();
  if (!window) return;
  if (show)
    window->showSelectionDot(selection);
  else
    window->hideSelectionDot(selection);
}

}  // namespace

void DUDaviDira::scrollViewDidScroll(ui::ScrollView& s) {
  showDots(selectionView_, false);
  if (auto d = outerScrollDelegate_.lock()) d->scrollViewDidScroll(s);
}

void DUDaviDira::scrollViewDidZoom(ui::ScrollView& s) {
  if (auto d = outerScrollDelegate_.lock()) d->scrollViewDidZoom(s);
}

void DUDaviDira::scrollViewWillBeginDragging(ui::ScrollView& s) {
  if (auto d = outerScrollDelegate_.lock()) d->scrollViewWillBeginDragging(s);
}

void DUDaviDira::scrollViewWillEndDragging(ui::ScrollView& s, gfx::Point velocity, gfx::Point* targetContentOffset) {
  if (auto d = outerScrollDelegate_.lock()) d->scrollViewWillEndDragging(s, velocity, targetContentOffset);
}

void DUDaviDira::scrollViewDidEndDragging(ui::ScrollView& s, bool willDecelerate) {
  if (!willDecelerate) showDots(selectionView_, true);
  if (auto d = outerScrollDelegate_.lock()) d->scrollViewDidEndDragging(s, willDecelerate);
}

void DUDaviDira::scrollViewWillBeginDecelerating(ui::ScrollView& s) {
  if (auto d = outerScrollDelegate_.lock()) d->scrollViewWillBeginDecelerating(s);
}

void DUDaviDira::scrollViewDidEndDecelerating(ui::ScrollView& s) {
  showDots(selectionView_, true);
  if (auto d = outerScrollDelegate_.lock()) d->scrollViewDidEndDecelerating(s);
}

void DUDaviDira::scrollViewDidEndScrollingAnimation(ui::ScrollView& s) {
  if (auto d = outerScrollDelegate_.lock()) d->scrollViewDidEndScrollingAnimation(s);
}

std::optional<Ref<ui::View>> DUDaviDira::viewForZoomingInScrollView(ui::ScrollView& s) {
  if (auto d = outerScrollDelegate_.lock())
    if (auto view = d->viewForZoomingInScrollView(s)) return view;
  return Ref<ui::View>();
}

void DUDaviDira::scrollViewWillBeginZooming(ui::ScrollView& s, ui::View* view) {
  if (auto d = outerScrollDelegate_.lock()) d->scrollViewWillBeginZooming(s, view);
}

void DUDaviDira::scrollViewDidEndZooming(ui::ScrollView& s, ui::View* view, double scale) {
  if (auto d = outerScrollDelegate_.lock()) d->scrollViewDidEndZooming(s, view, scale);
}

std::optional<bool> DUDaviDira::scrollViewShouldScrollToTop(ui::ScrollView& s) {
  if (auto d = outerScrollDelegate_.lock())
    if (auto answer = d->scrollViewShouldScrollToTop(s)) return answer;
  return true;
}

void DUDaviDira::scrollViewDidScrollToTop(ui::ScrollView& s) {
  if (auto d = outerScrollDelegate_.lock()) d->scrollViewDidScrollToTop(s);
}

}  // namespace textview
