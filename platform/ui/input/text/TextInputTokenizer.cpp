#include "platform/ui/input/text/TextInputTokenizer.h"

#include <cmath>

#include "platform/ui/input/text/TextBoundaries.h"
#include "platform/ui/input/text/TextInput.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(TextInputStringTokenizer) {}

template <class F> auto TextInputStringTokenizer::withBoundaries(F&& f) const {
  auto owner = owner_.lock();
  const TextInput* input = owner ? input_ : nullptr;
  rt::String text = input ? input->documentText() : rt::String();
  // A new line starts where the caret drops to a lower line inside a paragraph.
  TextBoundaries::LineWraps wraps;
  if (input) {
    wraps = [input](int64_t start, int64_t end) {
      std::vector<int64_t> cuts;
      double lastY = NAN;
      for (int64_t i = start; i < end; ++i) {
        gfx::Rect r = input->caretRectForPosition(rt::make<TextPosition>(i));
        double y = r.origin.y + r.size.height / 2;
        if (!std::isnan(lastY) && y > lastY + 0.5) cuts.push_back(i);
        lastY = y;
      }
      return cuts;
    };
  }
  TextBoundaries b(std::move(text), std::move(wraps));
  return f(input != nullptr, b);
}

Ref<TextRange> TextInputStringTokenizer::rangeEnclosingPosition(const Ref<TextPosition>& p, TextGranularity g,
                                                                TextDirection direction) const {
  if (!p) return nullptr;
  return withBoundaries([&](bool live, const TextBoundaries& b) -> Ref<TextRange> {
    if (!live) return nullptr;
    auto r = b.rangeEnclosing(p->offset(), g, isForward(direction));
    return r ? rt::make<TextRange>(*r) : nullptr;
  });
}

bool TextInputStringTokenizer::isPositionAtBoundary(const Ref<TextPosition>& p, TextGranularity g,
                                                    TextDirection direction) const {
  if (!p) return false;
  return withBoundaries([&](bool live, const TextBoundaries& b) {
    return live && b.isAtBoundary(p->offset(), g, isForward(direction));
  });
}

Ref<TextPosition> TextInputStringTokenizer::positionFromPositionToBoundary(const Ref<TextPosition>& p,
                                                                           TextGranularity g,
                                                                           TextDirection direction) const {
  if (!p) return nullptr;
  return withBoundaries([&](bool live, const TextBoundaries& b) -> Ref<TextPosition> {
    if (!live) return nullptr;
    auto at = b.toBoundary(p->offset(), g, isForward(direction));
    return at ? rt::make<TextPosition>(*at) : nullptr;
  });
}

bool TextInputStringTokenizer::isPositionWithinTextUnit(const Ref<TextPosition>& p, TextGranularity g,
                                                        TextDirection direction) const {
  if (!p) return false;
  return withBoundaries([&](bool live, const TextBoundaries& b) {
    return live && b.isWithinUnit(p->offset(), g, isForward(direction));
  });
}

}  // namespace ui
