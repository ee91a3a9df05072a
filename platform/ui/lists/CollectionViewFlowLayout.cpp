#include "platform/ui/lists/CollectionViewFlowLayout.h"

#include <algorithm>

namespace ui {

RT_IMPLEMENT_PLATFORM(CollectionViewFlowLayout) {
  c.property("itemSize", &CollectionViewFlowLayout::itemSize, &CollectionViewFlowLayout::setItemSize);
  c.property("minimumLineSpacing", &CollectionViewFlowLayout::minimumLineSpacing,
             &CollectionViewFlowLayout::setMinimumLineSpacing);
  c.property("minimumInteritemSpacing", &CollectionViewFlowLayout::minimumInteritemSpacing,
             &CollectionViewFlowLayout::setMinimumInteritemSpacing);
  c.property("sectionInset", &CollectionViewFlowLayout::sectionInset, &CollectionViewFlowLayout::setSectionInset);
  c.property("headerReferenceSize", &CollectionViewFlowLayout::headerReferenceSize,
             &CollectionViewFlowLayout::setHeaderReferenceSize);
  c.property("footerReferenceSize", &CollectionViewFlowLayout::footerReferenceSize,
             &CollectionViewFlowLayout::setFooterReferenceSize);
}

namespace {
// Lengths measured along the scroll direction ("main") and across it ("cross").
struct Axes {
  bool vertical;
  double main(gfx::Size s) const { return vertical ? s.height : s.width; }
  double cross(gfx::Size s) const { return vertical ? s.width : s.height; }
  gfx::Rect rect(double mainPos, double crossPos, double mainLen, double crossLen) const {
    return vertical ? gfx::RectMake(crossPos, mainPos, crossLen, mainLen) : gfx::RectMake(mainPos, crossPos, mainLen, crossLen);
  }
  double mainMin(gfx::Rect r) const { return vertical ? r.origin.y : r.origin.x; }
  double mainMax(gfx::Rect r) const { return mainMin(r) + (vertical ? r.size.height : r.size.width); }
};
// Rounding slack so that items meant to fill a line exactly still fit.
constexpr double kFitSlack = 1e-6;
}  // namespace

void CollectionViewFlowLayout::setScrollDirection(CollectionViewScrollDirection d) { direction_ = d; invalidateLayout(); }
void CollectionViewFlowLayout::setItemSize(gfx::Size s) { itemSize_ = s; invalidateLayout(); }
void CollectionViewFlowLayout::setMinimumLineSpacing(double v) { lineSpacing_ = v; invalidateLayout(); }
void CollectionViewFlowLayout::setMinimumInteritemSpacing(double v) { interitemSpacing_ = v; invalidateLayout(); }
void CollectionViewFlowLayout::setSectionInset(gfx::EdgeInsets in) { sectionInset_ = in; invalidateLayout(); }
void CollectionViewFlowLayout::setHeaderReferenceSize(gfx::Size s) { headerSize_ = s; invalidateLayout(); }
void CollectionViewFlowLayout::setFooterReferenceSize(gfx::Size s) { footerSize_ = s; invalidateLayout(); }

void CollectionViewFlowLayout::prepareLayout() {
  sections_.clear();
  contentSize_ = gfx::SizeZero;
  auto cv = collectionView();
  if (!cv) return;
  Axes ax{direction_ == CollectionViewScrollDirection::Vertical};
  gfx::Size bounds = cv->bounds().size;
  gfx::EdgeInsets ci = cv->adjustedContentInset();
  preparedFor_ = bounds;
  double crossExtent = std::max(0.0, ax.vertical ? bounds.width - ci.left - ci.right : bounds.height - ci.top - ci.bottom);
  auto d = std::dynamic_pointer_cast<CollectionViewDelegateFlowLayout>(cv->collectionDelegate().lock());
  CollectionView& view = *cv;

  double pos = 0;
  int64_t sectionCount = view.numberOfSections();
  sections_.resize(static_cast<size_t>(sectionCount));
  for (int64_t s = 0; s < sectionCount; ++s) {
    Section& sec = sections_[static_cast<size_t>(s)];
    gfx::EdgeInsets in = sectionInset_;
    double line = lineSpacing_, inter = interitemSpacing_;
    gfx::Size header = headerSize_, footer = footerSize_;
    if (d) {
      in = d->collectionViewLayoutInsetForSectionAtIndex(view, *this, s).value_or(in);
      line = d->collectionViewLayoutMinimumLineSpacingForSectionAtIndex(view, *this, s).value_or(line);
      inter = d->collectionViewLayoutMinimumInteritemSpacingForSectionAtIndex(view, *this, s).value_or(inter);
      header = d->collectionViewLayoutReferenceSizeForHeaderInSection(view, *this, s).value_or(header);
      footer = d->collectionViewLayoutReferenceSizeForFooterInSection(view, *this, s).value_or(footer);
    }
    sec.start = pos;
    if (ax.main(header) > 0) {
      sec.header = ax.rect(pos, 0, ax.main(header), crossExtent);
      pos += ax.main(header);
    }
    double mainBefore = ax.vertical ? in.top : in.left, mainAfter = ax.vertical ? in.bottom : in.right;
    double crossBefore = ax.vertical ? in.left : in.top, crossAfter = ax.vertical ? in.right : in.bottom;
    double avail = crossExtent - crossBefore - crossAfter;
    pos += mainBefore;

    int64_t n = view.numberOfItemsInSection(s);
    std::vector<gfx::Size> sizes(static_cast<size_t>(n), itemSize_);
    if (d) {
      for (int64_t i = 0; i < n; ++i) {
        auto ip = fd::IndexPath::indexPathForItem(static_cast<uint64_t>(i), static_cast<uint64_t>(s));
        sizes[static_cast<size_t>(i)] = d->collectionViewLayoutSizeForItemAtIndexPath(view, *this, ip).value_or(itemSize_);
      }
    }
    sec.items.resize(sizes.size());
    size_t i = 0;
    while (i < sizes.size()) {
      // Fill a line: at least one item, then as many as fit with the minimum spacing.
      size_t j = i;
      double used = 0, lineLen = 0;
      while (j < sizes.size()) {
        double c = ax.cross(sizes[j]);
        double need = j == i ? c : used + inter + c;
        if (j > i && need > avail + kFitSlack) break;
        used = need;
        lineLen = std::max(lineLen, ax.main(sizes[j]));
        ++j;
      }
      size_t count = j - i;
      double crossPos = crossBefore;
      double gap = 0;
      if (count == 1) {
        crossPos += std::max(0.0, (avail - ax.cross(sizes[i])) / 2);
      } else {
        double sum = 0;
        for (size_t k = i; k < j; ++k) sum += ax.cross(sizes[k]);
        gap = (avail - sum) / static_cast<double>(count - 1);
      }
      for (size_t k = i; k < j; ++k) {
        double m = ax.main(sizes[k]), c = ax.cross(sizes[k]);
        sec.items[k].frame = ax.rect(pos + (lineLen - m) / 2, crossPos, m, c);
        sec.items[k].lineStart = pos;
        sec.items[k].lineEnd = pos + lineLen;
        crossPos += c + gap;
      }
      pos += lineLen;
      i = j;
      if (i < sizes.size()) pos += line;
    }
    pos += mainAfter;
    if (ax.main(footer) > 0) {
      sec.footer = ax.rect(pos, 0, ax.main(footer), crossExtent);
      pos += ax.main(footer);
    }
    sec.end = pos;
  }
  contentSize_ = ax.vertical ? gfx::SizeMake(crossExtent, pos) : gfx::SizeMake(pos, crossExtent);
}

Ref<CollectionViewLayoutAttributes> CollectionViewFlowLayout::itemAttributes(size_t section, size_t item) const {
  auto a = CollectionViewLayoutAttributes::layoutAttributesForCellWithIndexPath(
      fd::IndexPath::indexPathForItem(item, section));
  a->setFrame(sections_[section].items[item].frame);
  return a;
}

Ref<CollectionViewLayoutAttributes> CollectionViewFlowLayout::supplementaryAttributes(const rt::String& kind,
                                                                                      size_t section,
                                                                                      gfx::Rect frame) const {
  auto a = CollectionViewLayoutAttributes::layoutAttributesForSupplementaryViewOfKind(
      kind, fd::IndexPath::indexPathForItem(0, section));
  a->setFrame(frame);
  // Headers and footers stay above the items they border.
  a->setZIndex(10);
  return a;
}

std::vector<Ref<CollectionViewLayoutAttributes>> CollectionViewFlowLayout::layoutAttributesForElementsInRect(
    gfx::Rect rect) const {
  std::vector<Ref<CollectionViewLayoutAttributes>> out;
  Axes ax{direction_ == CollectionViewScrollDirection::Vertical};
  double lo = ax.mainMin(rect), hi = ax.mainMax(rect);
  for (size_t s = 0; s < sections_.size(); ++s) {
    const Section& sec = sections_[s];
    if (sec.end < lo) continue;
    if (sec.start > hi) break;
    if (sec.header && gfx::RectIntersectsRect(*sec.header, rect)) {
      out.push_back(supplementaryAttributes(CollectionElementKindSectionHeader(), s, *sec.header));
    }
    // Lines only grow along the scroll direction: find the first one reaching the rect.
    auto first = std::lower_bound(sec.items.begin(), sec.items.end(), lo,
                                  [](const Item& it, double v) { return it.lineEnd < v; });
    for (auto it = first; it != sec.items.end() && it->lineStart <= hi; ++it) {
      if (gfx::RectIntersectsRect(it->frame, rect)) {
        out.push_back(itemAttributes(s, static_cast<size_t>(it - sec.items.begin())));
      }
    }
    if (sec.footer && gfx::RectIntersectsRect(*sec.footer, rect)) {
      out.push_back(supplementaryAttributes(CollectionElementKindSectionFooter(), s, *sec.footer));
    }
  }
  return out;
}

Ref<CollectionViewLayoutAttributes> CollectionViewFlowLayout::layoutAttributesForItemAtIndexPath(
    const Ref<fd::IndexPath>& ip) const {
  if (!ip || ip->length() != 2) return nullptr;
  uint64_t s = ip->section(), i = ip->item();
  if (s >= sections_.size() || i >= sections_[s].items.size()) return nullptr;
  return itemAttributes(s, i);
}

Ref<CollectionViewLayoutAttributes> CollectionViewFlowLayout::layoutAttributesForSupplementaryViewOfKind(
    const rt::String& kind, const Ref<fd::IndexPath>& ip) const {
  if (!ip || ip->length() != 2) return nullptr;
  uint64_t s = ip->section();
  if (s >= sections_.size()) return nullptr;
  const Section& sec = sections_[s];
  if (kind == CollectionElementKindSectionHeader() && sec.header) {
    return supplementaryAttributes(kind, s, *sec.header);
  }
  if (kind == CollectionElementKindSectionFooter() && sec.footer) {
    return supplementaryAttributes(kind, s, *sec.footer);
  }
  return nullptr;
}

bool CollectionViewFlowLayout::shouldInvalidateLayoutForBoundsChange(gfx::Rect newBounds) const {
  return newBounds.size != preparedFor_;
}

}  // namespace ui
