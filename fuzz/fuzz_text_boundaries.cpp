// The text unit boundaries behind the tokenizer: every granularity and direction at every
// position of arbitrary text (lone surrogates, CR LF, marks), and the walk from one end to the
// other, which must move on every step and stay inside the text.
#include "fuzz/FuzzInput.h"
#include "platform/runtime/String.h"
#include "platform/ui/input/text/TextBoundaries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  // Odd selectors read the bytes as UTF-16 so that lone surrogates get in.
  rt::String text = (in.selector & 1) ? rt::String(reinterpret_cast<const char16_t*>(in.bytes), in.size / 2)
                                      : rt::String(in.text());
  int64_t n = static_cast<int64_t>(text.length());
  if (n > 4096) return 0;
  ui::TextBoundaries b(text, [](int64_t start, int64_t end) {
    return std::vector<int64_t>{start + (end - start) / 2};
  });
  for (int g = 0; g <= 5; ++g) {
    auto granularity = static_cast<ui::TextGranularity>(g);
    for (bool forward : {true, false}) {
      for (int64_t p = -1; p <= n + 1; p += 1 + n / 64) {
        if (auto r = b.rangeEnclosing(p, granularity, forward))
          if (r->end() > static_cast<uint64_t>(n) || r->length == 0) __builtin_trap();
        (void)b.isAtBoundary(p, granularity, forward);
      }
      int64_t p = forward ? 0 : n;
      for (int64_t steps = 0;; ++steps) {
        auto next = b.toBoundary(p, granularity, forward);
        if (!next) break;
        if (forward ? *next <= p : *next >= p) __builtin_trap();
        if (*next < 0 || *next > n || steps > n) __builtin_trap();
        p = *next;
      }
    }
  }
  return 0;
}
