#pragma once
// What the channel editor announces and the title bar follows. Posted on the main thread.
namespace widgets {

/// Object: the deleted title, or none after a reorder.
inline constexpr const char* CBScrollNavBarUpdateNotification = "scrollNavBarUpdate";
/// Object: the title of the channel shown.
inline constexpr const char* CBMoveToSelectedItemNotification = "moveToSelectedItem";
/// Object: the deleted title, when it was the channel shown.
inline constexpr const char* CBMoveToTopNotification = "moveToTop";

}  // namespace widgets
