#include "platform/typeset/Line.h"

#include <unicode/ubidi.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

namespace typeset {

RT_IMPLEMENT_PLATFORM(Line) {
  c.property("glyphCount", &Line::glyphCount);
  c.property("width", &Line::width);
}

namespace {

bool isSpaceUnit(char16_t c) { return isWhiteSpace(c); }

// Where the trailing white space of `range` begins.
size_t trailingStart(const ShapedText& t, Range range) {
  size_t i = range.end();
  while (i > range.location && isSpaceUnit(t.text[i - 1])) --i;
  return i;
}

// The first glyph from `from` on that is not `before` the cut (the glyphs are partitioned
// by it). Most clusters are one glyph per unit, so the index that assumption gives (`guess`,
// SIZE_MAX for none) is tried before searching.
template <class Before>
size_t boundary(std::span<const ShapedGlyph> gs, size_t from, size_t guess, Before before) {
  bool fits = guess != SIZE_MAX && guess >= from && guess <= gs.size();
  if (fits && (guess == gs.size() || !before(gs[guess])) && (guess == from || before(gs[guess - 1]))) return guess;
  return static_cast<size_t>(std::partition_point(gs.begin() + static_cast<ptrdiff_t>(from), gs.end(), before) - gs.begin());
}

}  // namespace

Ref<Line> Line::createWithAttributedString(const AttributedString& string) {
  return create(ShapedText::build(string), Range{0, string.length()});
}

Ref<Line> Line::create(std::shared_ptr<const ShapedText> text, Range range, double offset) {
  auto line = rt::make<Line>();
  line->offset_ = offset;
  size_t len = text->length();
  range.location = std::min<uint64_t>(range.location, len);
  range.length = std::min<uint64_t>(range.length, len - range.location);
  line->range_ = range;
  size_t probe = range.location < len ? range.location : (len ? len - 1 : 0);
  line->rtl_ = text->paragraphIsRightToLeft(probe);

  bool mixed = false;
  size_t firstItem = range.length ? text->itemAt(range.location) : text->items.size(), endItem = firstItem;
  while (endItem < text->items.size() && text->items[endItem].start < range.end()) ++endItem;
  line->runs_.reserve(endItem - firstItem);
  for (size_t k = firstItem; k < endItem; ++k) {
    const ShapedItem& item = text->items[k];
    uint32_t lo = std::max<uint32_t>(item.start, static_cast<uint32_t>(range.location));
    uint32_t hi = std::min<uint32_t>(item.end, static_cast<uint32_t>(range.end()));
    if (hi <= lo) continue;
    // Glyphs of the sub-range: a contiguous slice, found by cluster (ascending for
    // left-to-right items, descending for right-to-left ones).
    std::span<const ShapedGlyph> gs(text->glyphs.data() + item.glyphStart, item.glyphEnd - item.glyphStart);
    size_t first = 0, last = gs.size();
    if (lo != item.start || hi != item.end) {
      // Only sorted clusters make the guess's check conclusive.
      auto guess = [&](size_t i) { return item.monotonic ? i : SIZE_MAX; };
      if (!item.rightToLeft()) {
        first = boundary(gs, 0, guess(lo - item.start), [lo](const ShapedGlyph& g) { return g.cluster < lo; });
        last = boundary(gs, first, guess(hi - item.start), [hi](const ShapedGlyph& g) { return g.cluster < hi; });
      } else {
        first = boundary(gs, 0, guess(item.end - hi), [hi](const ShapedGlyph& g) { return g.cluster >= hi; });
        last = boundary(gs, first, guess(item.end - lo), [lo](const ShapedGlyph& g) { return g.cluster >= lo; });
      }
    }
    if (last <= first) continue;
    auto run = rt::make<Run>();
    run->text_ = text;
    run->style_ = &text->styles[item.style];
    run->font_ = item.font;
    run->shaped_ = &gs[first];
    run->count_ = last - first;
    run->materialised_.store(false, std::memory_order_relaxed);
    run->positionsReady_.store(false, std::memory_order_relaxed);
    run->stringRange_ = Range{lo, hi - lo};
    run->level_ = item.level;
    run->ascent_ = item.ascent;
    run->descent_ = item.descent;
    run->leading_ = item.leading;
    run->baselineShift_ = run->style_->baselineShift;
    bool rtl = item.rightToLeft();
    if (rtl) run->status_ |= RunStatusRightToLeft;
    for (size_t g = first + 1; !item.monotonic && g < last; ++g)
      if (rtl ? gs[g].cluster > gs[g - 1].cluster : gs[g].cluster < gs[g - 1].cluster) {
        run->status_ |= RunStatusNonMonotonic;
        break;
      }
    mixed |= item.level != 0;
    line->runs_.push_back(std::move(run));
  }
  if (mixed && line->runs_.size() > 1) {
    std::vector<UBiDiLevel> levels;
    levels.reserve(line->runs_.size());
    for (const auto& r : line->runs_) levels.push_back(r->level_);
    std::vector<int32_t> map(levels.size());
    ubidi_reorderVisual(levels.data(), static_cast<int32_t>(levels.size()), map.data());
    std::vector<Ref<Run>> logical = std::move(line->runs_);
    line->runs_.clear();
    for (int32_t v : map) line->runs_.push_back(std::move(logical[static_cast<size_t>(v)]));
  }
  line->text_ = std::move(text);
  line->layOut();
  for (size_t i = range.end(), stop = trailingStart(*line->text_, range); i > stop; --i)
    line->trailingWhitespace_ += line->text_->advances[i - 1];
  if (line->runs_.empty() && line->text_) {
    const Font& f = *line->text_->styleAt(probe).font;
    line->ascent_ = f.ascent();
    line->descent_ = f.descent();
    line->leading_ = f.leading();
  }
  return line;
}

void Line::layOut() {
  double x = 0;
  ascent_ = descent_ = leading_ = 0;
  // Tabs reach the stops of left-to-right paragraphs, along a row or a column; elsewhere they
  // keep their own width. A run may come from another text (a truncation token): its indices
  // are into that text.
  for (const auto& run : runs_) {
    const ShapedText* tabText = !rtl_ ? run->text_.get() : nullptr;
    if (!run->materialised_.load(std::memory_order_acquire)) {
      // Positions follow from the pen position when no tab needs its stop. The pen moves
      // glyph by glyph, as it does below, so that both give the same sums.
      run->penX_ = x;
      bool tab = false;
      if (tabText && tabText->hasTabs) {
        const char16_t* d = tabText->text.data();
        for (size_t k = 0; k < run->count_ && !tab; ++k) tab = d[run->shaped_[k].cluster] == u'\t';
      }
      if (!tab) {
        for (size_t k = 0; k < run->count_; ++k) x += run->shaped_[k].advance;
        ascent_ = std::max(ascent_, run->ascent_ + run->baselineShift_);
        descent_ = std::max(descent_, run->descent_ - run->baselineShift_);
        leading_ = std::max(leading_, run->leading_);
        continue;
      }
      run->materialise();
    }
    size_t textEnd = run->text_ == text_ ? range_.end() : run->stringRange_.end();
    for (size_t k = 0; k < run->glyphs_.size(); ++k) {
      if (tabText && tabText->text[static_cast<size_t>(run->stringIndices_[k])] == u'\t') {
        size_t i = static_cast<size_t>(run->stringIndices_[k]);
        double following = 0;
        for (size_t j = i + 1; j < textEnd && tabText->text[j] != u'\t' && !isLineSeparator(tabText->text[j]); ++j)
          following += tabText->advances[j];
        run->advances_[k].width = tabText->tabAdvance(i, offset_ + x, following);
      }
      run->positions_[k] = {x + run->offset(k).x, run->offset(k).y + run->baselineShift_};
      x += run->advances_[k].width;
    }
    ascent_ = std::max(ascent_, run->ascent_ + run->baselineShift_);
    descent_ = std::max(descent_, run->descent_ - run->baselineShift_);
    leading_ = std::max(leading_, run->leading_);
  }
  width_ = x;
  // Runs after which only white space stands reach the line's far edge.
  bool blank = true;
  for (auto it = runs_.rbegin(); it != runs_.rend(); ++it) {
    Run& run = **it;
    run.endsLine_ = blank;
    const char16_t* d = run.text_->text.data();
    for (size_t k = 0; blank && k < run.count_; ++k) blank = isSpaceUnit(d[run.shaped_[k].cluster]);
  }
}

size_t Line::glyphCount() const {
  size_t n = 0;
  for (const auto& r : runs_) n += r->glyphCount();
  return n;
}

double Line::typographicBounds(double* ascent, double* descent, double* leading) const {
  if (ascent) *ascent = ascent_;
  if (descent) *descent = descent_;
  if (leading) *leading = leading_;
  return width_;
}

gfx::Rect Line::imageBounds() const {
  gfx::Rect u = gfx::RectNull;
  for (const auto& r : runs_) u = gfx::RectUnion(u, r->imageBounds(Range{0, 0}));
  return u;
}

double Line::penOffsetForFlush(double flushFactor, double flushWidth) const {
  double f = std::clamp(flushFactor, 0.0, 1.0);
  double w = width_ - trailingWhitespace_;
  return w < flushWidth ? (flushWidth - w) * f : 0;
}

Ref<Line> Line::sliceLogical(Range range) const { return create(text_, range, offset_); }

Ref<Line> Line::join(const std::vector<Ref<Line>>& parts, Range range, bool rtl) {
  auto line = rt::make<Line>();
  std::vector<Ref<Line>> ordered = parts;
  if (rtl) std::reverse(ordered.begin(), ordered.end());
  for (const auto& p : ordered) {
    if (!p) continue;
    if (!line->text_) {
      line->text_ = p->text_;
      line->offset_ = p->offset_;
    }
    for (const auto& r : p->runs_) line->runs_.push_back(r->clone());
  }
  line->range_ = range;
  line->rtl_ = rtl;
  line->layOut();
  return line;
}

Ref<Line> Line::createTruncatedLine(double width, TruncationType type, const Ref<Line>& token) const {
  if (width_ - trailingWhitespace_ <= width + 1e-9) return create(text_, range_);
  double tokenWidth = token ? token->width() : 0;
  if (tokenWidth > width) return nullptr;
  double avail = width - tokenWidth;
  const ShapedText& t = *text_;
  size_t visibleEnd = trailingStart(t, range_);
  auto clusterWidth = [&](Range r) {
    double w = 0;
    for (uint64_t i = r.location; i < r.end(); ++i) w += t.advances[i];
    return w;
  };
  // Longest prefix of whole clusters that fits in `limit`.
  auto prefixEnd = [&](double limit, double* used) {
    size_t i = range_.location, cut = i;
    double w = 0;
    while (i < visibleEnd) {
      Range r = t.text.rangeOfComposedCharacterSequenceAtIndex(i);
      double cw = clusterWidth(r);
      if (w + cw > limit + 1e-9) break;
      w += cw;
      i = r.end();
      cut = i;
    }
    while (cut > range_.location && isSpaceUnit(t.text[cut - 1])) --cut;
    if (used) *used = clusterWidth(Range{range_.location, cut - range_.location});
    return cut;
  };
  auto suffixStart = [&](double limit, size_t floor) {
    size_t i = visibleEnd, begin = i;
    double w = 0;
    while (i > floor) {
      Range r = t.text.rangeOfComposedCharacterSequenceAtIndex(i - 1);
      double cw = clusterWidth(r);
      if (w + cw > limit + 1e-9) break;
      w += cw;
      i = r.location;
      begin = i;
    }
    while (begin < visibleEnd && isSpaceUnit(t.text[begin])) ++begin;
    return begin;
  };
  std::vector<Ref<Line>> parts;
  switch (type) {
    case TruncationType::End: {
      size_t cut = prefixEnd(avail, nullptr);
      parts = {sliceLogical(Range{range_.location, cut - range_.location}), token};
      break;
    }
    case TruncationType::Start: {
      size_t begin = suffixStart(avail, range_.location);
      parts = {token, sliceLogical(Range{begin, visibleEnd - begin})};
      break;
    }
    case TruncationType::Middle: {
      double used = 0;
      size_t cut = prefixEnd(avail / 2, &used);
      size_t begin = suffixStart(avail - used, cut);
      parts = {sliceLogical(Range{range_.location, cut - range_.location}), token,
               sliceLogical(Range{begin, visibleEnd - begin})};
      break;
    }
  }
  return join(parts, range_, rtl_);
}

Ref<Line> Line::createLineAppending(const Ref<Line>& tail) const {
  auto self = std::const_pointer_cast<Line>(std::static_pointer_cast<const Line>(this->self()));
  auto line = join({self, tail}, range_, rtl_);
  line->trailingWhitespace_ = 0;
  return line;
}

Ref<Line> Line::createJustifiedLine(double factor, double width) const {
  if (factor <= 0 || runs_.empty()) return nullptr;
  double content = width_ - trailingWhitespace_;
  double extra = (width - content) * std::min(factor, 1.0);
  if (extra <= 0) return nullptr;
  auto line = rt::make<Line>();
  line->text_ = text_;
  line->range_ = range_;
  line->offset_ = offset_;
  line->rtl_ = rtl_;
  for (const auto& r : runs_) line->runs_.push_back(r->clone());
  size_t contentEnd = trailingStart(*text_, range_);
  auto stretchable = [&](bool spacesOnly) {
    std::vector<std::pair<Run*, size_t>> out;
    for (const auto& r : line->runs_)
      for (size_t k = 0; k < r->glyphs_.size(); ++k) {
        auto c = static_cast<size_t>(r->stringIndices_[k]);
        // Tabs keep to their stops.
        if (c >= contentEnd || r->advances_[k].width == 0 || text_->text[c] == u'\t') continue;
        if (!spacesOnly || isWhiteSpace(text_->text[c])) out.push_back({r.get(), k});
      }
    return out;
  };
  auto targets = stretchable(true);
  if (targets.empty()) {
    targets = stretchable(false);
    if (!targets.empty()) targets.pop_back();  // no space after the last glyph
  }
  if (targets.empty()) return nullptr;
  double each = extra / static_cast<double>(targets.size());
  for (auto& [run, k] : targets) run->advances_[k].width += each;
  line->layOut();
  line->trailingWhitespace_ = trailingWhitespace_;
  return line;
}

void Line::draw(gfx::Context& context, gfx::Point origin) const {
  for (const auto& r : runs_) r->draw(context, Range{0, 0}, origin);
}

}  // namespace typeset
