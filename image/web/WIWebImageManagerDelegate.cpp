#include "image/web/WIWebImageManagerDelegate.h"

namespace image {

RT_IMPLEMENT(WIWebImageManagerDelegate) {}

void WIWebImageManagerDelegate::implement(rt::Class& cls, std::initializer_list<const char*> selectors) {
  for (const char* s : selectors)
    cls.addOwnMethod(rt::Selector::named(s), [](rt::Object*, const std::vector<rt::Value>&) { return rt::Value(); }, "v");
}

}  // namespace image
