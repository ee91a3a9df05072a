// Data detection over arbitrary text with every type: matches stay inside the text, in order
// and apart, and each kind carries its value (a phone number as written).
#include "fuzz/FuzzInput.h"
#include "platform/runtime/String.h"
#include "platform/ui/input/detectors/DataDetector.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  rt::String text = (in.selector & 1) ? rt::String(reinterpret_cast<const char16_t*>(in.bytes), in.size / 2)
                                      : rt::String(in.text());
  static const Ref<ui::DataDetector> detector = ui::DataDetector::dataDetectorWithTypes(ui::kDataDetectorAllTypes);
  uint64_t end = 0;
  for (const auto& m : detector->matchesInString(text)) {
    if (m.range.location < end || m.range.end() > text.length() || m.range.length == 0) __builtin_trap();
    end = m.range.end();
    if (m.type == ui::TextCheckingTypeLink && !m.url) __builtin_trap();
    if (m.type == ui::TextCheckingTypeDate && (!m.date || !m.timeZone)) __builtin_trap();
    if (m.type == ui::TextCheckingTypePhoneNumber && m.phoneNumber != text.substring(m.range)) __builtin_trap();
  }
  return 0;
}
