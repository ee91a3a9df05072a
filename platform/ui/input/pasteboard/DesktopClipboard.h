#pragma once
// The desktop's clipboard as the general pasteboard sees it: plain text only. The window host
// installs one while a window is open; without one the pasteboard stays in-process.
#include <optional>

#include "platform/runtime/String.h"

namespace ui {

class DesktopClipboard {
 public:
  virtual ~DesktopClipboard() = default;
  /// The clipboard's text; nullopt when it is empty or holds something other than text.
  virtual std::optional<rt::String> text() = 0;
  virtual void setText(const rt::String& text) = 0;
};

}  // namespace ui
