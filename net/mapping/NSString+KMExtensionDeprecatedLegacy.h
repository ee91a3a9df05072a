#pragma once
// The string helpers under their older names.
#include "net/mapping/NSString+KMExtension.h"

namespace net {

fd::String underlineFromCamel(const fd::String& s);
fd::String camelFromUnderline(const fd::String& s);
fd::String firstCharLower(const fd::String& s);
fd::String firstCharUpper(const fd::String& s);
bool isPureInt(const fd::String& s);
Ref<fd::URL> url(const fd::String& s);

}  // namespace net
