#pragma once
// Type identifiers a pasteboard item is keyed by, beyond the file types foundation knows.
#include "platform/foundation/files/TypeIdentifiers.h"

namespace ui {

using fd::kUTTypeGIF;
using fd::kUTTypeImage;
using fd::kUTTypeJPEG;
using fd::kUTTypePlainText;
using fd::kUTTypePNG;
using fd::kUTTypeWebP;
inline constexpr const char* kUTTypeUTF8PlainText = "public.utf8-plain-text";
inline constexpr const char* kUTTypeText = "public.text";
inline constexpr const char* kUTTypeRTF = "public.rtf";
inline constexpr const char* kUTTypeURL = "public.url";

/// Posted on the default centre, object the pasteboard, whenever its items change (by this
/// process or, for the general pasteboard, by the desktop's clipboard).
inline constexpr const char* UIPasteboardChangedNotification = "UIPasteboardChangedNotification";
inline constexpr const char* UIPasteboardNameGeneral = "general";
inline constexpr const char* UIPasteboardNameFind = "find";

}  // namespace ui
