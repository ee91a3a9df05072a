#include "widgets/popups/String+QPPopup.h"

namespace widgets {

rt::String qp_truncateByCharLength(const rt::String& text, size_t limit) {
  size_t total = 0;
  text.enumerateComposedCharacterSequences({0, text.length()}, [&](rt::Range r, bool& stop) {
    if (total + r.length <= limit) total += r.length;
    else stop = true;
  });
  return text.substringToIndex(total);
}

}  // namespace widgets
