#pragma once
// One parsed page: the engine's document over its container, laid out at a width and drawn
// into any rectangle of it. A fitted page is laid out at the desktop width and drawn scaled
// down to the view; a page that asks for the device width is laid out at the view's width.
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/web/HTMLDocumentContainer.h"

namespace ui {

class HTMLPage {
 public:
  /// The width a page without a device-width viewport is laid out at when fitted.
  static constexpr int kDesktopWidth = 980;

  /// Parses `html` (malformed markup parses as far as it goes). `baseURL` may be null.
  HTMLPage(const std::string& html, Ref<fd::URL> baseURL, HTMLDocumentContainer::Hooks hooks);
  ~HTMLPage();
  HTMLPage(const HTMLPage&) = delete;
  HTMLPage& operator=(const HTMLPage&) = delete;

  /// Lays the page out for a view `viewWidth` x `viewHeight` points wide.
  void layOut(double viewWidth, double viewHeight, bool scalesPageToFit);
  /// Lays out again at the last width (after a picture arrived).
  void layOutAgain();
  /// Points per CSS pixel.
  double scale() const { return scale_; }
  /// The laid-out page in points.
  gfx::Size size() const;
  /// Draws the page's part `rect` (points, page coordinates) with its top left at the
  /// context's origin.
  void draw(gfx::Context& ctx, gfx::Rect rect);

  /// A tap at `point` (page points): follows a link through the container's hook; answers
  /// the media element there when there is one (its box in page points to `box`).
  const HTMLMediaBox* tap(gfx::Point point, gfx::Rect* box);

  /// The first media element marked to play by itself, with its box in page points.
  const HTMLMediaBox* autoplayMedia(gfx::Rect* box) const;

  HTMLDocumentContainer& container() { return *container_; }
  bool wantsDeviceWidth() const { return deviceWidth_; }
  const std::string& title() const { return container_->title(); }

 private:
  std::unique_ptr<HTMLDocumentContainer> container_;
  std::unique_ptr<litehtml::context> context_;
  std::shared_ptr<litehtml::document> document_;
  bool deviceWidth_ = false;
  const HTMLMediaBox* mediaOf(const litehtml::element::ptr& el, gfx::Rect* box) const;
  int layoutWidth_ = 0;
  double scale_ = 1;
};

}  // namespace ui
