#include "platform/ui/web/HTMLPage.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/ui/web/HTMLMasterStyle.h"

namespace ui {
namespace {

/// Whether the page's viewport declaration asks for the device's width.
bool asksForDeviceWidth(const std::string& html) {
  std::string lower(html.size(), '\0');
  std::transform(html.begin(), html.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  size_t at = lower.find("name=\"viewport\"");
  if (at == std::string::npos) at = lower.find("name=viewport");
  if (at == std::string::npos) return false;
  size_t tagStart = lower.rfind('<', at), tagEnd = lower.find('>', at);
  if (tagStart == std::string::npos || tagEnd == std::string::npos) return false;
  return lower.substr(tagStart, tagEnd - tagStart).find("device-width") != std::string::npos;
}

}  // namespace

HTMLPage::HTMLPage(const std::string& html, Ref<fd::URL> baseURL, HTMLDocumentContainer::Hooks hooks)
    : container_(std::make_unique<HTMLDocumentContainer>(std::move(hooks))),
      context_(std::make_unique<litehtml::context>()) {
  container_->setBaseURL(std::move(baseURL));
  context_->load_master_stylesheet(htmlMasterStyleSheet());
  deviceWidth_ = asksForDeviceWidth(html);
  document_ = litehtml::document::createFromUTF8(html.c_str(), container_.get(), context_.get());
}

HTMLPage::~HTMLPage() {
  // The document calls back into the container while it goes.
  document_.reset();
}

void HTMLPage::layOut(double viewWidth, double viewHeight, bool scalesPageToFit) {
  int width = std::max(1, static_cast<int>(std::lround(viewWidth)));
  scale_ = 1;
  layoutWidth_ = width;
  if (scalesPageToFit && !deviceWidth_ && width < kDesktopWidth) {
    layoutWidth_ = kDesktopWidth;
    scale_ = viewWidth / kDesktopWidth;
  }
  container_->setViewport(layoutWidth_, static_cast<int>(std::lround(viewHeight / scale_)));
  if (document_) {
    document_->media_changed();
    document_->render(layoutWidth_);
  }
}

void HTMLPage::layOutAgain() {
  if (document_ && layoutWidth_ > 0) document_->render(layoutWidth_);
}

gfx::Size HTMLPage::size() const {
  if (!document_) return {0, 0};
  double w = std::max(layoutWidth_, document_->width()) * scale_;
  return {w, document_->height() * scale_};
}

void HTMLPage::draw(gfx::Context& ctx, gfx::Rect rect) {
  if (!document_) return;
  ctx.saveGState();
  ctx.clipToRect(gfx::RectMake(0, 0, rect.size.width, rect.size.height));
  ctx.scaleCTM(scale_, scale_);
  ctx.translateCTM(-rect.origin.x / scale_, -rect.origin.y / scale_);
  litehtml::position clip(static_cast<int>(std::floor(rect.origin.x / scale_)),
                          static_cast<int>(std::floor(rect.origin.y / scale_)),
                          static_cast<int>(std::ceil(rect.size.width / scale_)) + 1,
                          static_cast<int>(std::ceil(rect.size.height / scale_)) + 1);
  document_->draw(reinterpret_cast<litehtml::uint_ptr>(&ctx), 0, 0, &clip);
  ctx.restoreGState();
}

const HTMLMediaBox* HTMLPage::mediaOf(const litehtml::element::ptr& el, gfx::Rect* box) const {
  const char* tag = el->get_tagName();
  if (!tag || (std::string(tag) != "video" && std::string(tag) != "audio")) return nullptr;
  const char* src = el->get_attr("src");
  auto url = src ? container_->resolve(src) : nullptr;
  const HTMLMediaBox* media = url ? container_->mediaBox(url->absoluteString().utf8()) : nullptr;
  if (media && box) {
    litehtml::position p = el->get_placement();
    *box = gfx::RectMake(p.x * scale_, p.y * scale_, p.width * scale_, p.height * scale_);
  }
  return media;
}

const HTMLMediaBox* HTMLPage::tap(gfx::Point point, gfx::Rect* box) {
  if (!document_ || !document_->root()) return nullptr;
  int x = static_cast<int>(point.x / scale_), y = static_cast<int>(point.y / scale_);
  for (auto el = document_->root()->get_element_by_point(x, y, x, y); el; el = el->parent()) {
    const char* tag = el->get_tagName();
    if (!tag || (std::string(tag) != "video" && std::string(tag) != "audio")) continue;
    return mediaOf(el, box);
  }
  litehtml::position::vector redraw;
  document_->on_lbutton_down(x, y, x, y, redraw);
  document_->on_lbutton_up(x, y, x, y, redraw);
  return nullptr;
}

const HTMLMediaBox* HTMLPage::autoplayMedia(gfx::Rect* box) const {
  if (!document_ || !document_->root()) return nullptr;
  std::vector<litehtml::element::ptr> stack{document_->root()};
  while (!stack.empty()) {
    auto el = stack.back();
    stack.pop_back();
    if (el->get_attr("autoplay")) {
      if (const HTMLMediaBox* media = mediaOf(el, box)) return media;
    }
    for (size_t i = el->get_children_count(); i > 0; --i) stack.push_back(el->get_child(static_cast<int>(i - 1)));
  }
  return nullptr;
}

}  // namespace ui
