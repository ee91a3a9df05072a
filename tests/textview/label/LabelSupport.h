#pragma once
// Fonts, texts and small helpers shared by the label tests. The faces are the ones the
// project's set-up installs, so geometry is stable from run to run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageData.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"
#include "text/layout/DRTextLayout.h"
#include "text/layout/DRTextLine.h"
#include "textview/label/DRLabel.h"

namespace label_test {

inline Ref<typeset::Font> latin(double size = 16) { return typeset::Font::fontWithName("DejaVu Sans", size); }
inline Ref<typeset::Font> cjk(double size = 16) { return typeset::Font::fontWithName("Noto Sans CJK SC", size); }

inline Ref<typeset::MutableAttributedString> styled(const rt::String& s, const Ref<typeset::Font>& font = latin()) {
  return typeset::MutableAttributedString::create(s, fd::Dictionary::withStrings({{typeset::FontAttributeName, font}}));
}

inline Ref<textview::DRLabel> makeLabel(gfx::Rect frame = gfx::RectMake(0, 0, 200, 40)) {
  return rt::make<textview::DRLabel>(frame);
}

/// Counts the layouts built with it, and whether any was built off the main thread. Copies
/// (containers copy their modifier) share the counters.
class CountingModifier : public rt::Object, public text::DRTextLinePositionModifier {
  RT_CLASS(CountingModifier, rt::Object)
 public:
  struct Counts {
    std::atomic<int> builds{0};
    std::atomic<int> offMain{0};
  };
  std::shared_ptr<Counts> counts = std::make_shared<Counts>();
  void modifyLines(std::vector<Ref<text::DRTextLine>>&, const Ref<typeset::AttributedString>&,
                   const Ref<text::DRTextContainer>&) const override {
    counts->builds++;
    if (!dispatch::isMainThread()) counts->offMain++;
  }
  rt::Id copy() const override {
    auto c = rt::make<CountingModifier>();
    c->counts = counts;
    return c;
  }
};

/// The bitmap a label's layer shows, or null.
inline Ref<gfx::BitmapImage> contentsOf(textview::DRLabel& label) {
  return rt::as<gfx::BitmapImage>(label.layer()->contents());
}

/// Pixels darker than `limit` in each channel inside `rect` (points) of a bitmap drawn at `scale`.
inline size_t inkIn(const gfx::BitmapImage& bitmap, gfx::Rect rect, double scale, int limit = 128) {
  size_t count = 0;
  const auto x0 = static_cast<size_t>(std::max(0.0, rect.origin.x * scale));
  const auto y0 = static_cast<size_t>(std::max(0.0, rect.origin.y * scale));
  const auto x1 = std::min(bitmap.width(), static_cast<size_t>((rect.origin.x + rect.size.width) * scale));
  const auto y1 = std::min(bitmap.height(), static_cast<size_t>((rect.origin.y + rect.size.height) * scale));
  for (size_t y = y0; y < y1; ++y)
    for (size_t x = x0; x < x1; ++x) {
      const uint32_t p = bitmap.pixel(x, y);
      const int a = int(p >> 24), r = int((p >> 16) & 0xff), g = int((p >> 8) & 0xff), b = int(p & 0xff);
      if (a > 128 && r < limit && g < limit && b < limit) ++count;
    }
  return count;
}

/// Writes a PNG into KD_ARTIFACT_DIR when it is set.
inline void writeArtifact(const Ref<gfx::Image>& image, const std::string& name) {
  const char* dir = std::getenv("KD_ARTIFACT_DIR");
  if (!dir || !image) return;
  std::filesystem::create_directories(dir);
  auto png = gfx::UIImagePNGRepresentation(image);
  ASSERT_TRUE(png);
  std::ofstream out(std::filesystem::path(dir) / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png->bytes()), static_cast<std::streamsize>(png->length()));
}

}  // namespace label_test
