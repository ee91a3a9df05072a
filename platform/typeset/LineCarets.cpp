// Carets on a line: grapheme clusters placed along the line, whatever glyph clusters the
// shaper made of them. A glyph cluster holding several graphemes (a ligature) shares its width
// among them; graphemes spread over several glyph clusters (a mark shaped apart from its base)
// take the union of their extents.
#include <algorithm>
#include <cmath>
#include <map>

#include "platform/typeset/Line.h"

namespace typeset {

std::vector<size_t> Line::caretStops() const {
  if (!text_ || range_.length == 0) return {static_cast<size_t>(range_.location)};
  return graphemeBoundaries(text_->text, range_);
}

std::vector<Line::CaretCluster> Line::caretClusters() const {
  std::vector<CaretCluster> out;
  if (!text_ || range_.length == 0) return out;
  std::vector<size_t> stops = graphemeBoundaries(text_->text, range_);
  for (size_t k = 0; k + 1 < stops.size(); ++k) out.push_back({stops[k], stops[k + 1], 0, 0, false, false});
  auto clusterOf = [&](size_t index) {
    auto it = std::upper_bound(out.begin(), out.end(), index, [](size_t i, const CaretCluster& c) { return i < c.start; });
    return static_cast<size_t>(it - out.begin()) - 1;
  };
  auto place = [&](size_t g, double left, double right, bool rtl) {
    CaretCluster& c = out[g];
    if (!c.placed) {
      c.left = left;
      c.right = right;
      c.rtl = rtl;
      c.placed = true;
    } else {
      c.left = std::min(c.left, left);
      c.right = std::max(c.right, right);
    }
  };
  for (const auto& run : runs_) {
    if (run->text_ != text_) continue;  // a token or hyphen from another string
    run->materialise();
    bool rtl = run->isRightToLeft();
    // Each glyph cluster's extent; glyphs of one cluster may be apart in odd fonts.
    std::map<size_t, std::pair<double, double>> extents;
    for (size_t k = 0; k < run->glyphs_.size(); ++k) {
      double pen = run->positions_[k].x - run->offset(k).x;
      double right = pen + run->advances_[k].width;
      auto c = static_cast<size_t>(run->stringIndices_[k]);
      auto [it, fresh] = extents.try_emplace(c, pen, right);
      if (!fresh) {
        it->second.first = std::min(it->second.first, pen);
        it->second.second = std::max(it->second.second, right);
      }
    }
    size_t runEnd = run->stringRange_.end();
    for (auto it = extents.begin(); it != extents.end(); ++it) {
      size_t cs = std::max<size_t>(it->first, range_.location);
      auto next = std::next(it);
      size_t ce = std::min(next == extents.end() ? runEnd : next->first, static_cast<size_t>(range_.end()));
      if (cs >= ce) continue;
      // The pieces of the glyph cluster between grapheme boundaries, in logical order.
      std::vector<size_t> cuts{cs};
      for (size_t g = clusterOf(cs) + 1; g < out.size() && out[g].start < ce; ++g) cuts.push_back(out[g].start);
      cuts.push_back(ce);
      double left = it->second.first, right = it->second.second;
      double share = (right - left) / static_cast<double>(cuts.size() - 1);
      for (size_t p = 0; p + 1 < cuts.size(); ++p) {
        double a = rtl ? right - share * static_cast<double>(p + 1) : left + share * static_cast<double>(p);
        place(clusterOf(cuts[p]), a, a + share, rtl);
      }
    }
  }
  // Graphemes without glyphs of their own sit, empty, at the trailing edge of the one before.
  for (size_t g = 0; g < out.size(); ++g) {
    if (out[g].placed) continue;
    double x = g > 0 ? (out[g - 1].rtl ? out[g - 1].left : out[g - 1].right) : (rtl_ ? width_ : 0);
    out[g] = {out[g].start, out[g].end, x, x, g > 0 ? out[g - 1].rtl : rtl_, true};
  }
  return out;
}

double Line::offsetForStringIndex(int64_t index, double* secondaryOffset) const {
  double result = 0, secondary = 0;
  if (index < static_cast<int64_t>(range_.location)) {
    result = secondary = rtl_ ? width_ : 0;
  } else if (index >= static_cast<int64_t>(range_.end())) {
    result = secondary = rtl_ ? 0 : width_;
  } else {
    std::vector<CaretCluster> cs = caretClusters();
    auto i = static_cast<size_t>(index);
    auto it = std::upper_bound(cs.begin(), cs.end(), i, [](size_t v, const CaretCluster& c) { return v < c.start; });
    if (it != cs.begin()) {
      const CaretCluster& c = *std::prev(it);
      result = secondary = c.rtl ? c.right : c.left;
      if (std::prev(it) != cs.begin()) {
        const CaretCluster& p = *std::prev(it, 2);
        if (p.rtl != c.rtl) secondary = p.rtl ? p.left : p.right;
      }
    }
  }
  if (secondaryOffset) *secondaryOffset = secondary;
  return result;
}

int64_t Line::stringIndexForPosition(gfx::Point position, TextAffinity* affinity) const {
  double x = position.x;
  auto start = static_cast<int64_t>(range_.location), end = static_cast<int64_t>(range_.end());
  auto answer = [&](int64_t index, TextAffinity a) {
    if (affinity) *affinity = a;
    return index;
  };
  if (runs_.empty() || range_.length == 0) return answer(start, TextAffinity::Forward);
  if (x <= 0) return rtl_ ? answer(end, TextAffinity::Backward) : answer(start, TextAffinity::Forward);
  if (x >= width_) return rtl_ ? answer(start, TextAffinity::Forward) : answer(end, TextAffinity::Backward);
  std::vector<CaretCluster> cs = caretClusters();
  const CaretCluster* nearest = nullptr;
  double distance = HUGE_VAL;
  for (const auto& c : cs) {
    if (x >= c.left && x < c.right) {
      nearest = &c;
      break;
    }
    double d = std::min(std::abs(x - c.left), std::abs(x - c.right));
    if (d < distance) {
      distance = d;
      nearest = &c;
    }
  }
  if (!nearest) return answer(end, TextAffinity::Backward);
  bool leftHalf = x < (nearest->left + nearest->right) / 2;
  // The left half of a left-to-right cluster is nearer its leading edge; of a right-to-left
  // one, nearer its trailing edge.
  if (leftHalf != nearest->rtl) return answer(static_cast<int64_t>(nearest->start), TextAffinity::Forward);
  return answer(static_cast<int64_t>(nearest->end), TextAffinity::Backward);
}

std::vector<Line::CaretEdge> Line::caretOffsets() const {
  std::vector<CaretEdge> out;
  for (const auto& c : caretClusters()) {
    auto index = static_cast<int64_t>(c.start);
    out.push_back({c.rtl ? c.right : c.left, index, true});
    out.push_back({c.rtl ? c.left : c.right, index, false});
  }
  return out;
}

}  // namespace typeset
