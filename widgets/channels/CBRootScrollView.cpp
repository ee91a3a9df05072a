#include "widgets/channels/CBRootScrollView.h"

#include <algorithm>

namespace widgets {

RT_IMPLEMENT(CBRootScrollView) {
  c.property("margin", &CBRootScrollView::margin, &CBRootScrollView::setMargin);
}

void CBRootScrollView::init() {
  ui::ScrollView::init();
  manager_ = rt::make<CBRootScrollViewManager>(std::static_pointer_cast<CBRootScrollView>(self()));
  dataSource_ = manager_;
  delegate_ = manager_;
}

void CBRootScrollView::init(gfx::Rect frame) { ui::ScrollView::init(frame); }

void CBRootScrollView::setPageViews(std::vector<Ref<ui::View>> pageViews) {
  pageViews_ = std::move(pageViews);
  if (manager_) manager_->setPageViews(pageViews_);
}

void CBRootScrollView::setMargin(double margin) {
  margin_ = margin;
  if (manager_) manager_->setMargin(margin);
}

void CBRootScrollView::willMoveToSuperview(ui::View* newSuperview) {
  ui::ScrollView::willMoveToSuperview(newSuperview);
  reloadPageViews();
}

void CBRootScrollView::cleanDate() {
  for (auto& [index, cell] : displaying_) cell->removeFromSuperview();
  displaying_.clear();
  pageViewFrames_.clear();
  reuse_.clear();
}

void CBRootScrollView::reloadPageViews() {
  cleanDate();
  auto source = dataSource_.lock();
  uint64_t n = source ? source->numberOfCellInRootScrollView(*this) : 0;
  double w = bounds().size.width, h = bounds().size.height;
  if (n == 0 || w <= 0 || h <= 0) return;
  double bottom = marginForType(CBMarginBottom), top = marginForType(CBMarginTop);
  double left = marginForType(CBMarginLeft), right = marginForType(CBMarginRight);
  pageViewFrames_.reserve(n);
  for (uint64_t i = 0; i < n; ++i)
    pageViewFrames_.push_back(gfx::RectMake(left + static_cast<double>(i) * w, top, w - left - right, h - bottom - top));
  setContentSize({static_cast<double>(n) * w, 0});
  setNeedsLayout();
}

Ref<CBRootScrollViewCell> CBRootScrollView::dequeueReusableCellWithIdentifier(const rt::String& identifier) {
  for (auto it = reuse_.begin(); it != reuse_.end(); ++it) {
    auto cell = rt::as<CBRootScrollViewCell>(*it);
    if (cell && cell->identifier() == identifier) {
      reuse_.erase(it);
      return cell;
    }
  }
  return nullptr;
}

double CBRootScrollView::marginForType(int32_t type) {
  if (auto delegate = delegate_.lock())
    if (auto margin = delegate->rootScrollViewMarginForType(*this, type)) return *margin;
  return 0;
}

bool CBRootScrollView::isInScreen(gfx::Rect rect) const {
  double x = contentOffset().x;
  return gfx::RectGetMaxX(rect) > x && gfx::RectGetMinX(rect) < x + bounds().size.width;
}

void CBRootScrollView::layoutSubviews() {
  ui::ScrollView::layoutSubviews();
  for (uint64_t i = 0; i < pageViewFrames_.size(); ++i) {
    gfx::Rect frame = pageViewFrames_[i];
    auto shown = displaying_.find(i);
    bool visible = isInScreen(frame);
    if (visible && shown == displaying_.end()) {
      auto source = dataSource_.lock();
      auto cell = source ? source->rootScrollViewAtIndex(*this, i) : nullptr;
      if (!cell) continue;
      cell->setFrame(frame);
      addSubview(cell);
      displaying_[i] = cell;
    } else if (!visible && shown != displaying_.end()) {
      auto cell = shown->second;
      cell->removeFromSuperview();
      displaying_.erase(shown);
      reuse_.push_back(cell);
    }
  }
}

}  // namespace widgets
