#pragma once
// The typesetter: an attributed string shaped once, cut into lines at the break
// opportunities of the line break rules (or at character clusters), with hard breaks honoured.
#include <memory>

#include "platform/typeset/Line.h"

namespace typeset {

class Typesetter : public rt::Object {
  RT_CLASS_NAMED(Typesetter, rt::Object, "CTTypesetter")
 public:
  void init(const AttributedString& string);
  static Ref<Typesetter> create(const AttributedString& string) { return rt::make<Typesetter>(string); }

  /// How many characters from `start` fit in `width` when breaking at word boundaries (a
  /// word wider than the whole width is broken by clusters). Always at least one cluster;
  /// a hard break ends the line after the separator.
  /// `offset` is where the line starts from its paragraph's leading edge (tab stops count
  /// from there).
  size_t suggestLineBreak(size_t start, double width, double offset = 0) const;
  /// The same, breaking at any character cluster.
  size_t suggestClusterBreak(size_t start, double width, double offset = 0) const;
  /// The line of the characters in `range` (length 0: to the end) starting at `offset`.
  Ref<Line> createLine(Range range, double offset = 0) const;

  const std::shared_ptr<const ShapedText>& shapedText() const { return text_; }
  size_t length() const { return text_->length(); }

 private:
  size_t clusterFit(size_t start, size_t limit, double width, double offset) const;
  double advanceAt(size_t index, double x, double offset) const;
  size_t wordBreak(size_t start, double width, double offset) const;
  size_t hyphenatedBreak(size_t start, size_t count, double width) const;
  std::shared_ptr<const ShapedText> text_;
  struct Breaker;
  std::shared_ptr<Breaker> breaker_;
};

}  // namespace typeset
