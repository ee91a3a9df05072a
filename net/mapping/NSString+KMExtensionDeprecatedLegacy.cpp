#include "net/mapping/NSString+KMExtensionDeprecatedLegacy.h"

namespace net {

fd::String underlineFromCamel(const fd::String& s) { return km_underlineFromCamel(s); }
fd::String camelFromUnderline(const fd::String& s) { return km_camelFromUnderline(s); }
fd::String firstCharLower(const fd::String& s) { return km_firstCharLower(s); }
fd::String firstCharUpper(const fd::String& s) { return km_firstCharUpper(s); }
bool isPureInt(const fd::String& s) { return km_isPureInt(s); }
Ref<fd::URL> url(const fd::String& s) { return km_url(s); }

}  // namespace net
