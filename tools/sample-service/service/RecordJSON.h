#pragma once
// Records as JSON values (keys equal the clients' field names) and the answer texts built
// from them.
#include <string>

#include "platform/foundation/values/Dictionary.h"
#include "tools/sample-service/service/Records.h"

namespace sample {

Ref<fd::MutableDictionary> channelJSON(const Channel& channel);
Ref<fd::MutableDictionary> articleItemJSON(const Article& article);
Ref<fd::MutableDictionary> articleDetailJSON(const Article& article);
Ref<fd::MutableDictionary> bannerJSON(const Banner& banner);
Ref<fd::MutableDictionary> loadingJSON(const LoadingPage& page);
Ref<fd::MutableDictionary> videoJSON(const Video& video);

/// {"status": status, "info": info, "data": data}; data left out when null.
Ref<fd::MutableDictionary> envelope(int status, const std::string& info, const rt::Id& data);

/// UTF-8 JSON text of a container (slashes unescaped).
std::string jsonText(const rt::Id& value);

rt::Id stringValue(const std::string& text);
rt::Id numberValue(int64_t value);

}  // namespace sample
