#pragma once

namespace app {

// The names the district's tables and collections register their cells under.
inline constexpr const char* kIdentifier = "Identifier";
inline constexpr const char* kCollectionIdentifier = "collectionIdentifier";

}  // namespace app
