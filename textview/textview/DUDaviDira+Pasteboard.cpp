// What the general pasteboard offers the text view, and copying the selection to it. A visible
// edit menu is refreshed whenever the pasteboard changes, so that "Paste" comes and goes with it.
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/input/menu/MenuController.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/Pasteboard+DRText.h"
#include "textview/textview/DUDaviDira.h"

namespace textview {

bool DUDaviDira::isPasteboardContainsValidValue() const {
  auto pasteboard = ui::Pasteboard::generalPasteboard();
  if (auto string = pasteboard->string(); string && string->length() > 0) return true;
  if (allowsPasteAttributedString_)
    if (auto rich = text::attributedString(*pasteboard); rich && rich->length() > 0) return true;
  if (pasteboard->image()) return allowsPasteImage_;
  if (auto data = text::imageData(*pasteboard); data && data->length() > 0) return allowsPasteImage_;
  return false;
}

void DUDaviDira::copySelectedTextToPasteboard() {
  rt::Range range = selectedTextRange_->asRange();
  auto pasteboard = ui::Pasteboard::generalPasteboard();
  if (allowsCopyAttributedString_) {
    auto selected = innerText_->attributedSubstringFromRange(range);
    if (selected && selected->length() > 0) text::setAttributedString(*pasteboard, *selected);
    return;
  }
  auto plain = text::plainTextForRange(*innerText_, range);
  if (plain && plain->length() > 0) pasteboard->setString(*plain);
}

void DUDaviDira::pasteboardChanged() {
  if (state_.showingMenu) ui::MenuController::sharedMenuController()->update();
}

void DUDaviDira::observePasteboard() {
  Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());
  // The pasteboard may change on any thread; the menu is the main thread's.
  pasteboardObserver_ = fd::NotificationCenter::defaultCenter()->addObserverForName(
      rt::String(ui::UIPasteboardChangedNotification), nullptr, nullptr, [weak](const Ref<fd::Notification>&) {
        if (dispatch::isMainThread()) {
          if (auto view = weak.lock()) view->pasteboardChanged();
          return;
        }
        dispatch::MainQueue::shared().async([weak] {
          if (auto view = weak.lock()) view->pasteboardChanged();
        });
      });
}

}  // namespace textview
