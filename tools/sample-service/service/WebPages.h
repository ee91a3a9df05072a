#pragma once
// The web pages the data set points to: published articles ("/web/article/ID.html"),
// navigation channels ("/web/channel/ID.html"), video pages ("/web/video/ID.html") and the
// radio programme ("/web/radio.html"), whose media elements point under "/media/".
#include <optional>
#include <string>

#include "tools/sample-service/service/Catalog.h"

namespace sample {

/// The HTML of `path` (the part after "/web/"), or nullopt when it names nothing.
std::optional<std::string> webPage(const Catalog& catalog, const std::string& path);

}  // namespace sample
