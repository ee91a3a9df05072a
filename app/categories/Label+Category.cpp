#include "app/categories/Label+Category.h"

#include "platform/foundation/values/Dictionary.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/StringDrawing.h"

namespace app {

double boundingRectWithSize(const ui::Label& label, gfx::Size size, float fontSize) {
  auto attributes = fd::MutableDictionary::dictionaryWithCapacity(1);
  attributes->setObjectForKey(typeset::Font::systemFontOfSize(fontSize), fd::String(typeset::FontAttributeName));
  uint32_t options = typeset::StringDrawingUsesLineFragmentOrigin | typeset::StringDrawingUsesFontLeading |
                     typeset::StringDrawingTruncatesLastVisibleLine;
  return typeset::boundingRectWithSize(label.text(), size, options, attributes).size.height;
}

}  // namespace app
