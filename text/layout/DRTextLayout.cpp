#include "text/layout/DRTextLayout.h"

#include <algorithm>
#include <limits>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/AttributeNames.h"
#include "text/layout/DRTextAttachmentLookup.h"
#include "text/layout/DRTextTruncatedLine.h"
#include "text/layout/DRTextVerticalGlyphPlan.h"
#include "text/model/DRTextAttribute.h"

namespace text {

RT_IMPLEMENT(DRTextLayout) {
  c.property("rowCount", &DRTextLayout::rowCount);
  c.property("visibleRange", &DRTextLayout::visibleRange);
  c.property("textBoundingRect", &DRTextLayout::textBoundingRect);
  c.property("textBoundingSize", &DRTextLayout::textBoundingSize);
}

Ref<DRTextLayout> DRTextLayout::layoutWithContainerSize(gfx::Size size, const Ref<typeset::AttributedString>& text) {
  return layoutWithContainer(DRTextContainer::containerWithSize(size), text);
}

Ref<DRTextLayout> DRTextLayout::layoutWithContainer(const Ref<DRTextContainer>& container,
                                                    const Ref<typeset::AttributedString>& text) {
  if (!text) return nullptr;
  return layoutWithContainer(container, text, rt::Range{0, text->length()});
}

Ref<DRTextLayout> DRTextLayout::layoutWithContainer(const Ref<DRTextContainer>& container,
                                                    const Ref<typeset::AttributedString>& text, rt::Range range) {
  if (!text || !container || range.location > text->length() || range.length > text->length() - range.location)
    return nullptr;
  auto layout = rt::make<DRTextLayout>();
  if (!layout->build(container, text, range)) return nullptr;
  return layout;
}

std::optional<std::vector<Ref<DRTextLayout>>> DRTextLayout::layoutWithContainers(
    const std::vector<Ref<DRTextContainer>>& containers, const Ref<typeset::AttributedString>& text) {
  if (!text) return std::nullopt;
  return layoutWithContainers(containers, text, rt::Range{0, text->length()});
}

std::optional<std::vector<Ref<DRTextLayout>>> DRTextLayout::layoutWithContainers(
    const std::vector<Ref<DRTextContainer>>& containers, const Ref<typeset::AttributedString>& text, rt::Range range) {
  if (!text || range.location > text->length() || range.length > text->length() - range.location) return std::nullopt;
  std::vector<Ref<DRTextLayout>> layouts;
  const uint64_t n = text->length();
  for (const auto& container : containers) {
    auto layout = layoutWithContainer(container, text, range);
    if (!layout) return std::nullopt;
    layouts.push_back(layout);
    const uint64_t shown = std::min(layout->visibleRange().length, range.length);
    range.location += shown;
    range.length -= shown;
    if (range.length == 0) range = rt::Range{n, 0};
  }
  return layouts;
}

namespace {

constexpr double kFloatMax = 3.4028234663852886e38;

Ref<gfx::Path> flipped(const gfx::Path& path) {
  const gfx::AffineTransform flip = gfx::AffineTransformMakeScale(1, -1);
  return path.copyByTransformingPath(flip);
}

}  // namespace

bool DRTextLayout::build(const Ref<DRTextContainer>& source, const Ref<typeset::AttributedString>& string, rt::Range range) {
  text_ = rt::as<typeset::MutableAttributedString>(string->mutableCopy());
  container_ = rt::as<DRTextContainer>(source->copy());
  if (!text_ || !container_) return false;
  container_->freeze();
  const auto& c = *container_;
  const uint64_t maxRows = c.maximumNumberOfRows();
  const bool vertical = c.isVerticalForm();
  const gfx::Size size = c.size();
  const gfx::EdgeInsets insets = c.insets();
  const auto containerPath = c.path();
  const auto exclusions = c.exclusionPaths();
  attachmentContentsSet_ = fd::MutableSet::create();

  // The path in the typesetter's y-up space, and its box in ours.
  gfx::Rect box;
  Ref<gfx::Path> cgPath;
  bool rowMaySeparated = false;
  gfx::Rect pathRect;
  const gfx::Rect insetRect{{insets.left, insets.top},
                            {size.width - insets.left - insets.right, size.height - insets.top - insets.bottom}};
  if (!containerPath && exclusions.empty()) {
    box = gfx::RectStandardize(insetRect);
    cgPath = flipped(*gfx::Path::createWithRect(box));
  } else if (containerPath && exclusions.empty() && containerPath->CGPath()->isRect(&pathRect)) {
    box = pathRect;
    cgPath = flipped(*gfx::Path::createWithRect(box));
  } else {
    auto shape = containerPath ? containerPath->CGPath()->mutableCopyPath() : gfx::Path::createWithRect(insetRect)->mutableCopyPath();
    for (const auto& exclusion : exclusions)
      if (exclusion) shape->addPath(*exclusion->CGPath());
    box = shape->pathBoundingBox();
    cgPath = flipped(*shape);
    rowMaySeparated = true;
  }
  if (!cgPath || gfx::RectIsNull(box)) return false;

  auto frameAttributes = fd::MutableDictionary::create();
  if (!c.isPathFillEvenOdd())
    frameAttributes->setObjectForKey(fd::Number::numberWithInt(1), rt::String(typeset::FramePathFillRuleAttributeName));
  if (c.pathLineWidth() > 0)
    frameAttributes->setObjectForKey(fd::Number::numberWithDouble(c.pathLineWidth()),
                                     rt::String(typeset::FramePathWidthAttributeName));
  if (vertical)
    frameAttributes->setObjectForKey(fd::Number::numberWithInt(1), rt::String(typeset::FrameProgressionAttributeName));

  frameSetter_ = typeset::Framesetter::create(*text_);
  if (!frameSetter_) return false;
  frame_ = frameSetter_->createFrame(range, cgPath, frameAttributes);
  if (!frame_) return false;

  // Lines and rows.
  const auto& ctLines = frame_->lines();
  const auto origins = frame_->lineOrigins();
  bool needTruncation = false;
  int64_t row = -1;
  gfx::Point lastPosition{vertical ? kFloatMax : 0, vertical ? 0 : -kFloatMax};
  gfx::Rect lastRect{lastPosition, {0, 0}};
  gfx::Rect bounding = gfx::RectZero;
  uint64_t lineIndex = 0;
  for (size_t i = 0; i < ctLines.size(); ++i) {
    const auto& ctLine = ctLines[i];
    if (ctLine->glyphRuns().empty()) continue;
    const gfx::Point position{box.origin.x + origins[i].x, box.origin.y + box.size.height - origins[i].y};
    auto line = DRTextLine::lineWithCTLine(ctLine, position, vertical);
    const gfx::Rect rect = line->bounds();
    bool newRow = true;
    // Pieces of one row on either side of an exclusion start at different places along the
    // line and overlap across it. In vertical form "along" is y and "across" is x: a column
    // cut in two is one row, as a horizontal row cut in two is.
    const bool movedAlong = vertical ? position.y != lastPosition.y : position.x != lastPosition.x;
    if (rowMaySeparated && movedAlong) {
      bool overlap;
      if (vertical) {
        overlap = rect.size.width > lastRect.size.width
                      ? rect.origin.x < lastPosition.x && lastPosition.x < rect.origin.x + rect.size.width
                      : lastRect.origin.x < position.x && position.x < lastRect.origin.x + lastRect.size.width;
      } else {
        overlap = rect.size.height > lastRect.size.height
                      ? rect.origin.y < lastPosition.y && lastPosition.y < rect.origin.y + rect.size.height
                      : lastRect.origin.y < position.y && position.y < lastRect.origin.y + lastRect.size.height;
      }
      if (overlap) newRow = false;
    }
    if (newRow) ++row;
    line->setIndex(lineIndex++);
    line->setRow(static_cast<uint64_t>(row));
    lines_.push_back(line);
    rowCount_ = static_cast<uint64_t>(row + 1);
    if (i == 0)
      bounding = rect;
    else if (static_cast<uint64_t>(row) <= maxRows - 1)  // wraps for no limit
      bounding = gfx::RectUnion(bounding, rect);
    lastPosition = position;
    lastRect = rect;
  }

  // The end of what the frame was asked to lay out: an empty range runs to the end of the text.
  const uint64_t frameEnd = range.length == 0 ? text_->length() : range.end();
  if (!lines_.empty()) {
    // Row limit, and whether the text was cut. The end compared with is the end of the range
    // being laid out, so a sub-range that fits is not truncated.
    if (maxRows > 0 && rowCount_ > maxRows) {
      rowCount_ = maxRows;
      while (!lines_.empty() && lines_.back()->row() >= maxRows) lines_.pop_back();
      needTruncation = true;
    } else {
      needTruncation = lines_.back()->range().end() < frameEnd;
    }

    if (auto modifier = c.linePositionModifier()) {
      modifier->modifyLines(lines_, text_, container_);
      if (lines_.empty()) {
        // A modifier that leaves no lines leaves an empty layout: nothing to cut or show.
        rowCount_ = 0;
        needTruncation = false;
        bounding = gfx::RectZero;
      } else {
        bounding = lines_.front()->bounds();
        for (const auto& line : lines_) bounding = gfx::RectUnion(bounding, line->bounds());
      }
    }

    lineRowsEdge_.assign(rowCount_, DRTextRowEdge{});
    lineRowsIndex_.assign(rowCount_, 0);
    int64_t lastRow = -1;
    DRTextRowEdge edge;
    for (const auto& line : lines_) {
      const gfx::Rect rect = line->bounds();
      if (static_cast<int64_t>(line->row()) == lastRow) {
        if (vertical) {
          edge.head = std::max(edge.head, rect.origin.x + rect.size.width);
          edge.foot = std::min(edge.foot, rect.origin.x);
        } else {
          edge.head = std::min(edge.head, rect.origin.y);
          edge.foot = std::max(edge.foot, rect.origin.y + rect.size.height);
        }
        continue;
      }
      if (lastRow >= 0 && static_cast<uint64_t>(lastRow) < rowCount_) lineRowsEdge_[static_cast<size_t>(lastRow)] = edge;
      lastRow = static_cast<int64_t>(line->row());
      if (static_cast<uint64_t>(lastRow) < rowCount_) lineRowsIndex_[static_cast<size_t>(lastRow)] = line->index();
      edge = vertical ? DRTextRowEdge{rect.origin.x + rect.size.width, rect.origin.x}
                      : DRTextRowEdge{rect.origin.y, rect.origin.y + rect.size.height};
    }
    if (lastRow >= 0 && static_cast<uint64_t>(lastRow) < rowCount_) lineRowsEdge_[static_cast<size_t>(lastRow)] = edge;
    for (size_t i = 1; i < rowCount_; ++i) {
      const double m = (lineRowsEdge_[i - 1].foot + lineRowsEdge_[i].head) * 0.5;
      lineRowsEdge_[i - 1].foot = m;
      lineRowsEdge_[i].head = m;
    }
  }

  // Bounding size, measured from the container's origin.
  {
    gfx::Rect r = bounding;
    if (!containerPath) {
      r = gfx::Rect{{r.origin.x - insets.left, r.origin.y - insets.top},
                    {r.size.width + insets.left + insets.right, r.size.height + insets.top + insets.bottom}};
    } else if (c.pathLineWidth() > 0) {
      const double half = c.pathLineWidth() / 2;
      r = gfx::RectInset(r, -half, -half);
    }
    r = gfx::RectStandardize(r);
    if (vertical) r.origin.x = size.width - (r.origin.x + r.size.width);
    textBoundingSize_ = gfx::Size{std::max(0.0, r.origin.x + r.size.width), std::max(0.0, r.origin.y + r.size.height)};
  }
  textBoundingRect_ = bounding;

  visibleRange_ = frame_->visibleStringRange();
  if (lines_.empty()) visibleRange_.length = 0;
  if (needTruncation) {
    const auto& last = lines_.back();
    visibleRange_.length = last->range().end() - visibleRange_.location;
    if (c.truncationType() != DRTextTruncationTypeNone)
      truncatedLine_ = DRTextMakeTruncatedLine(*last, *text_, c.truncationToken(), c.truncationType(), frameEnd).line;
  }

  if (vertical) {
    for (const auto& line : lines_) DRTextComputeVerticalPlan(*line, text_->string());
    // The truncated line was made from its own text: the last line's characters and the token.
    if (truncatedLine_ && truncatedLine_->ownString())
      DRTextComputeVerticalPlan(*truncatedLine_, *truncatedLine_->ownString());
  }

  if (visibleRange_.length > 0) {
    needDrawText_ = true;
    noteAttributes(*text_, visibleRange_);
    // A cut at the start or in the middle shows characters past the visible range: the
    // truncated line's runs (the token's among them) are what it shows.
    if (truncatedLine_)
      for (const auto& run : truncatedLine_->CTLine()->glyphRuns())
        if (run->glyphCount()) noteAttributes(run->attributes());
  }

  for (const auto& line : lines_) {
    const auto& l = truncatedLine_ && truncatedLine_->index() == line->index() ? truncatedLine_ : line;
    if (l->attachments().empty()) continue;
    attachments_.insert(attachments_.end(), l->attachments().begin(), l->attachments().end());
    attachmentRanges_.insert(attachmentRanges_.end(), l->attachmentRanges().begin(), l->attachmentRanges().end());
    attachmentRects_.insert(attachmentRects_.end(), l->attachmentRects().begin(), l->attachmentRects().end());
    for (const auto& attachment : l->attachments())
      if (const auto& content = attachment->content()) attachmentContentsSet_->addObject(content);
  }
  return true;
}

void DRTextLayout::noteAttributes(const typeset::AttributedString& string, rt::Range range) {
  if (range.length == 0 || range.end() > string.length()) return;
  string.enumerateAttributes(range, typeset::AttributedStringEnumerationLongestEffectiveRangeNotRequired,
                             [this](const typeset::AttributedString::Attributes& attributes, rt::Range, bool&) {
                               noteAttributes(attributes);
                             });
}

void DRTextLayout::noteAttributes(const Ref<fd::Dictionary>& attributes) {
  if (!attributes) return;
  // Every attribute run is asked for each key: the keys are made once, and a flag already set
  // is not asked for again.
  struct Flag {
    rt::String key;
    bool DRTextLayout::*flag;
  };
  static const Flag flags[] = {
      {DRTextHighlightKey, &DRTextLayout::containsHighlight_},
      {DRTextBlockBorderKey, &DRTextLayout::needDrawBlockBorder_},
      {DRTextBackgroundBorderKey, &DRTextLayout::needDrawBackgroundBorder_},
      {DRTextShadowKey, &DRTextLayout::needDrawShadow_},
      {DRTextUnderlineKey, &DRTextLayout::needDrawUnderline_},
      {DRTextAttachmentKey, &DRTextLayout::needDrawAttachment_},
      {DRTextInnerShadowKey, &DRTextLayout::needDrawInnerShadow_},
      {DRTextStrikethroughKey, &DRTextLayout::needDrawStrikethrough_},
      {DRTextBorderKey, &DRTextLayout::needDrawBorder_},
  };
  for (const Flag& f : flags)
    if (!(this->*f.flag) && attributes->objectForKey(f.key)) this->*f.flag = true;
}

}  // namespace text
