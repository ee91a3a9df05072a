#include "tests/tools/text-lab/TextLabShots.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/graphics/Image.h"
#include "platform/ui/alerts/AlertController.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/input/menu/MenuController.h"
#include "platform/ui/input/menu/MenuWindow.h"
#include "platform/ui/view/Screen.h"
#include "text/model/DRTextDebugOption.h"
#include "text/model/DRTextPosition.h"
#include "tools/text-lab/TLLabDelegate.h"
#include "tools/text-lab/TLLabRun.h"

namespace textlab_test {

namespace fs = std::filesystem;

namespace {

Rgb rgbOf(const Ref<gfx::Color>& color, Rgb otherwise) {
  if (!color) return otherwise;
  double r = 1, g = 1, b = 1, a = 1;
  if (!color->getRed(&r, &g, &b, &a)) return otherwise;
  return {int(std::lround(r * 255)), int(std::lround(g * 255)), int(std::lround(b * 255))};
}

// A view's rectangle in screen points: through its window, then the window's place.
gfx::Rect onScreen(ui::View& view, gfx::Rect rect) {
  gfx::Rect r = view.convertRectToView(rect, nullptr);
  if (auto w = view.window()) r = gfx::RectOffset(r, w->frame().origin.x, w->frame().origin.y);
  return r;
}

bool shown(ui::View& view) {
  if (!view.window()) return false;
  for (ui::View* v = &view; v; v = v->superview().get())
    if (v->isHidden() || v->alpha() <= 0.01) return false;
  return true;
}

template <class Visit>
size_t countPixels(const gfx::BitmapImage& picture, gfx::Rect rect, Visit visit) {
  const double scale = ui::Screen::mainScreen()->scale();
  if (gfx::RectIsNull(rect) || gfx::RectIsEmpty(rect)) return 0;
  const auto x0 = size_t(std::max(0.0, rect.origin.x * scale)), y0 = size_t(std::max(0.0, rect.origin.y * scale));
  const auto x1 = std::min(picture.width(), size_t(std::max(0.0, (rect.origin.x + rect.size.width) * scale)));
  const auto y1 = std::min(picture.height(), size_t(std::max(0.0, (rect.origin.y + rect.size.height) * scale)));
  size_t n = 0;
  for (size_t y = y0; y < y1; ++y)
    for (size_t x = x0; x < x1; ++x) {
      const uint32_t p = picture.pixel(x, y);
      n += visit(Rgb{int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff)});
    }
  return n;
}

ShotFacts factsNow(const std::string& path) {
  ShotFacts facts;
  auto image = gfx::Image::imageWithContentsOfFile(rt::String(path.c_str()));
  facts.picture = image ? rt::as<gfx::BitmapImage>(image->CGImage()) : nullptr;
  auto lab = textlab::TLLabDelegate::current();
  if (!lab) return facts;
  facts.selectedTab = int(lab->tabs()->selectedIndex());
  facts.debugOverlay = text::DRTextDebugOption::sharedDebugOption() != nullptr;
  if (auto& page = lab->labelPage(); page->isViewLoaded()) {
    facts.labelStatus = page->statusLabel()->text().utf8();
    if (facts.selectedTab == 0) {
      const gfx::Rect list = onScreen(*page->scrollView(), page->scrollView()->bounds());
      for (const auto& label : page->labels()) {
        gfx::Rect visible = gfx::RectIntersection(onScreen(*label, label->bounds()), list);
        if (gfx::RectIsNull(visible) || visible.size.height < 1) continue;
        facts.labels.push_back({visible, rgbOf(label->backgroundColor(), Rgb{})});
      }
      auto& label = *page->highlightLabel();
      if (auto layout = label.textLayout())
        for (const rt::Range& range : page->highlightRanges()) {
          gfx::Rect r = label.convertRectFromLayout(layout->rectForRange(text::DRTextRange::rangeWithRange(range)));
          facts.highlightPhrases.push_back(onScreen(label, r));
        }
    }
  }
  if (auto& page = lab->editorPage(); page->isViewLoaded()) {
    facts.editorStatus = page->statusLabel()->text().utf8();
    auto& view = *page->textView();
    facts.editorFrame = onScreen(view, view.bounds());
    facts.editorBackground = rgbOf(view.backgroundColor(), Rgb{});
    facts.editorText = view.text().utf8();
    facts.editorHasMarkedText = view.markedTextRange() != nullptr;
    facts.editorEditing = view.isFirstResponder();
    facts.editorVertical = view.isVerticalForm();
    auto& overlay = *view.selectionView();
    facts.tint = rgbOf(overlay.color(), Rgb{0, 0, 255});
    facts.caretShown = overlay.isCaretVisible() && shown(*overlay.caretView());
    facts.caretAlpha = overlay.caretView()->alpha();
    facts.caret = onScreen(overlay, overlay.caretRect());
    for (const auto& r : overlay.selectionRects())
      if (r->rect().size.width > 0 && r->rect().size.height > 0) facts.selectionRects.push_back(onScreen(overlay, r->rect()));
    for (const auto& grabber : {overlay.startGrabber(), overlay.endGrabber()})
      if (grabber && shown(*grabber)) facts.grabbers.push_back(onScreen(*grabber, grabber->bounds()));
    for (const auto& magnifier : {view.caretMagnifier(), view.rangedMagnifier()})
      if (magnifier && shown(*magnifier)) {
        facts.magnifierShown = true;
        facts.magnifierFrame = onScreen(*magnifier, magnifier->bounds());
      }
  }
  facts.keyboardVisible = ui::Keyboard::sharedKeyboard()->isVisible();
  facts.alertShown = rt::as<ui::AlertController>(lab->tabs()->presentedViewController()) != nullptr;
  auto menu = ui::MenuController::sharedMenuController();
  facts.menuVisible = menu->isMenuVisible();
  if (facts.menuVisible) facts.menuFrame = menu->menuFrame();
  return facts;
}

}  // namespace

std::map<std::string, ShotFacts> playTour(const std::string& script, std::string* error) {
  std::map<std::string, ShotFacts> shots;
  std::string text = script;
  if (text.empty()) {
    auto tour = textlab::labTourPath();
    if (!tour) {
      *error = "the tour is missing from the resources";
      return shots;
    }
    std::ifstream in(*tour);
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
  }
  if (!textlab::launchTextLab({})) {
    *error = "the lab's delegate could not be made";
    return shots;
  }
  const fs::path dir = fs::temp_directory_path() / ("text_lab_tour_" + std::to_string(getpid()));
  ui::HeadlessHost host;
  host.setShotObserver([&](const std::string& name, const std::string& path) {
    shots[name] = factsNow(path);
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      fs::copy_file(path, fs::path(artifacts) / ("text-lab-" + name + ".png"), fs::copy_options::overwrite_existing);
    }
  });
  if (!host.runScript(text, dir.string(), error)) shots.clear();
  std::error_code ec;
  fs::remove_all(dir, ec);
  return shots;
}

size_t pixelsUnlike(const gfx::BitmapImage& picture, gfx::Rect rect, Rgb background, int tolerance) {
  return countPixels(picture, rect, [&](Rgb p) {
    return std::abs(p.r - background.r) > tolerance || std::abs(p.g - background.g) > tolerance ||
           std::abs(p.b - background.b) > tolerance;
  });
}

size_t pixelsNear(const gfx::BitmapImage& picture, gfx::Rect rect, Rgb colour, int tolerance) {
  return countPixels(picture, rect, [&](Rgb p) {
    return std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance &&
           std::abs(p.b - colour.b) <= tolerance;
  });
}

}  // namespace textlab_test
