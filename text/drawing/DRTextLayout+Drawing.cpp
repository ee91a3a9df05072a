#include "text/drawing/DRTextLayout+Drawing.h"

#include "base/graphics/Geometry+DUDer.h"
#include "platform/graphics/Image.h"
#include "platform/typeset/AttributeNames.h"
#include "text/drawing/DRTextDrawingPasses.h"

namespace text {

namespace {

double verticalOffsetFor(const DRTextLayout& layout, gfx::Size size) {
  const auto& c = *layout.container();
  return c.isVerticalForm() ? size.width - c.size().width : 0;
}

void drawAttachments(const DRTextLayout& layout, gfx::Context* context, gfx::Size size, gfx::Point point,
                     const Ref<ui::View>& host, const Ref<ui::Layer>& hostLayer, const DRTextDrawCancel& cancel) {
  const bool vertical = layout.container()->isVerticalForm();
  const double verticalOffset = verticalOffsetFor(layout, size);
  const double scale = base::DRMainScreenScale();
  const auto& attachments = layout.attachments();
  const auto& rects = layout.attachmentRects();
  for (size_t i = 0; i < attachments.size() && i < rects.size(); ++i) {
    const auto& attachment = attachments[i];
    if (!attachment || !attachment->content()) continue;
    const auto image = rt::as<gfx::Image>(attachment->content());
    const auto view = rt::as<ui::View>(attachment->content());
    const auto layer = rt::as<ui::Layer>(attachment->content());
    gfx::Size contentSize;
    if (image && context) contentSize = image->size();
    else if (view && host) contentSize = view->frame().size;
    else if (layer && hostLayer) contentSize = layer->frame().size;
    else continue;
    if (cancel && cancel()) return;
    const gfx::Rect box = DRTextRectRemovingInsets(rects[i], attachment->contentInsets(), vertical);
    gfx::Rect rect = base::DRFitRectByContentMode(box, contentSize, static_cast<ui::ViewContentMode>(attachment->contentMode()));
    rect = gfx::RectStandardize(DRTextPixelRoundRect(rect, scale));
    rect = gfx::RectOffset(rect, point.x + verticalOffset, point.y);
    if (image) {
      const auto& bitmap = image->CGImage();
      if (!bitmap) continue;
      context->saveGState();
      context->translateCTM(0, gfx::RectGetMaxY(rect) + gfx::RectGetMinY(rect));
      context->scaleCTM(1, -1);
      context->drawImage(rect, *bitmap);
      context->restoreGState();
    } else if (view) {
      view->setFrame(rect);
      host->addSubview(view);
    } else {
      layer->setFrame(rect);
      hostLayer->addSublayer(layer);
    }
  }
}

}  // namespace

DRTextDrawArea::DRTextDrawArea(const DRTextLayout& layout, gfx::Context& context, gfx::Size size, gfx::Point point,
                               const DRTextDrawCancel& cancel)
    : layout(layout),
      context(context),
      size(size),
      point(point),
      cancel(cancel),
      scale(base::DRMainScreenScale()),
      vertical(layout.container()->isVerticalForm()),
      verticalOffset(verticalOffsetFor(layout, size)) {}

const DRTextLine& DRTextDrawArea::lineAt(size_t i) const { return DRTextLineAtIndex(layout, i); }

const DRTextLine& DRTextLineAtIndex(const DRTextLayout& layout, size_t i) {
  const auto& line = layout.lines()[i];
  const auto& truncated = layout.truncatedLine();
  return truncated && truncated->index() == line->index() ? *truncated : *line;
}

Ref<gfx::Color> DRTextRunForegroundColor(const typeset::Run& run) {
  // Text styled through the platform's key alone (a parser's, say) has its colour only there.
  if (auto color = DRTextRunAttribute<gfx::Color>(run, typeset::CTForegroundColorAttributeName)) return color;
  return DRTextRunAttribute<gfx::Color>(run, typeset::ForegroundColorAttributeName);
}

double DRTextRunFirstGlyphX(const typeset::Run& run) {
  return run.glyphCount() > 0 ? run.positions().front().x : 0;
}

const rt::String& DRTextLineCharacters(const DRTextLayout& layout, const DRTextLine& line) {
  const rt::String* own = line.ownString();
  return own ? *own : layout.text()->string();
}

bool DRTextRunRangeIsValid(const DRTextLayout& layout, const DRTextLine& line, const typeset::Run& run) {
  const uint64_t textLength = DRTextLineCharacters(layout, line).length();
  const rt::Range r = run.stringRange();
  return r.location != rt::NotFound && r.length > 0 && r.location + r.length <= textLength;
}

gfx::Rect DRTextRunRect(const DRTextLine& line, const typeset::Run& run, bool vertical, double verticalOffset) {
  double ascent = 0, descent = 0;
  const double width = run.typographicBounds(typeset::Range{0, 0}, &ascent, &descent, nullptr);
  const gfx::Point p = line.position();
  const double along = DRTextRunFirstGlyphX(run);
  if (vertical) return gfx::RectMake(verticalOffset + p.x - descent, p.y + along, ascent + descent, width);
  return gfx::RectMake(p.x + along, p.y - ascent, width, ascent + descent);
}

void drawInContext(const DRTextLayout& layout, gfx::Context* context, gfx::Size size, gfx::Point point,
                   const Ref<ui::View>& view, const Ref<ui::Layer>& layer, const Ref<DRTextDebugOption>& debug,
                   const DRTextDrawCancel& cancel) {
  if (!layout.container()) return;
  auto stop = [&] { return cancel && cancel(); };
  if (context) {
    const DRTextDrawArea area(layout, *context, size, point, cancel);
    if (layout.needDrawBlockBorder()) {
      if (stop()) return;
      DRTextDrawBlockBorders(area);
    }
    if (layout.needDrawBackgroundBorder()) {
      if (stop()) return;
      DRTextDrawBorders(area, DRTextBorderPass::Background);
    }
    if (layout.needDrawShadow()) {
      if (stop()) return;
      DRTextDrawShadows(area);
    }
    if (layout.needDrawUnderline()) {
      if (stop()) return;
      DRTextDrawDecorations(area, DRTextDecorationType::Underline);
    }
    if (layout.needDrawText()) {
      if (stop()) return;
      DRTextDrawText(area);
    }
  }
  if (layout.needDrawAttachment() && (context || view || layer)) {
    if (stop()) return;
    drawAttachments(layout, context, size, point, view, layer, cancel);
  }
  if (!context) return;
  const DRTextDrawArea area(layout, *context, size, point, cancel);
  if (layout.needDrawInnerShadow()) {
    if (stop()) return;
    DRTextDrawInnerShadows(area);
  }
  if (layout.needDrawStrikethrough()) {
    if (stop()) return;
    DRTextDrawDecorations(area, DRTextDecorationType::Strikethrough);
  }
  if (layout.needDrawBorder()) {
    if (stop()) return;
    DRTextDrawBorders(area, DRTextBorderPass::Border);
  }
  if (debug && debug->needDrawDebug()) {
    if (stop()) return;
    DRTextDrawDebug(area, *debug);
  }
}

void drawInContext(const DRTextLayout& layout, gfx::Context* context, gfx::Size size,
                   const Ref<DRTextDebugOption>& debug) {
  drawInContext(layout, context, size, gfx::Point{}, nullptr, nullptr, debug, nullptr);
}

void addAttachmentToView(const DRTextLayout& layout, const Ref<ui::View>& view, const Ref<ui::Layer>& layer) {
  // The container's own size as the area: a zero area would move vertical text a whole
  // container width to the left.
  const gfx::Size size = layout.container() ? layout.container()->size() : gfx::Size{};
  drawInContext(layout, nullptr, size, gfx::Point{}, view, layer, nullptr, nullptr);
}

void removeAttachmentFromViewAndLayer(const DRTextLayout& layout) {
  for (const auto& attachment : layout.attachments()) {
    if (!attachment) continue;
    if (auto view = rt::as<ui::View>(attachment->content())) view->removeFromSuperview();
    else if (auto layer = rt::as<ui::Layer>(attachment->content())) layer->removeFromSuperlayer();
  }
}

}  // namespace text
