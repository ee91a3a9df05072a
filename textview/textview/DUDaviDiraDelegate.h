#pragma once
// What the user of a text view may hear from it. Every call is optional: a question a delegate
// leaves unanswered (no override, so nullopt) counts as not asked, and the view goes on as if
// the answer were yes.
#include <optional>

#include "platform/ui/lists/ScrollView.h"
#include "text/model/DRTextHighlight.h"

namespace textview {

class DUDaviDira;

class DUDaviDiraDelegate : public ui::ScrollViewDelegate {
 public:
  virtual std::optional<bool> textViewShouldBeginEditing(DUDaviDira& view) { (void)view; return std::nullopt; }
  virtual std::optional<bool> textViewShouldEndEditing(DUDaviDira& view) { (void)view; return std::nullopt; }
  virtual void textViewDidBeginEditing(DUDaviDira& view) { (void)view; }
  virtual void textViewDidEndEditing(DUDaviDira& view) { (void)view; }
  /// Asked before any change of the text; false cancels it.
  virtual std::optional<bool> textViewShouldChangeTextInRange(DUDaviDira& view, rt::Range range,
                                                              const rt::String& replacement) {
    (void)view; (void)range; (void)replacement;
    return std::nullopt;
  }
  virtual void textViewDidChange(DUDaviDira& view) { (void)view; }
  virtual void textViewDidChangeSelection(DUDaviDira& view) { (void)view; }
  /// Asked when a tapped highlight has no tap action of its own.
  virtual std::optional<bool> textViewShouldTapHighlight(DUDaviDira& view, const Ref<text::DRTextHighlight>& highlight,
                                                         rt::Range range) {
    (void)view; (void)highlight; (void)range;
    return std::nullopt;
  }
  /// `rect` in the view's coordinates.
  virtual void textViewDidTapHighlight(DUDaviDira& view, const Ref<text::DRTextHighlight>& highlight, rt::Range range,
                                       gfx::Rect rect) {
    (void)view; (void)highlight; (void)range; (void)rect;
  }
  virtual std::optional<bool> textViewShouldLongPressHighlight(DUDaviDira& view,
                                                               const Ref<text::DRTextHighlight>& highlight,
                                                               rt::Range range) {
    (void)view; (void)highlight; (void)range;
    return std::nullopt;
  }
  /// Answers whether it handled the long press; when not, the press goes on as on plain text.
  virtual bool textViewDidLongPressHighlight(DUDaviDira& view, const Ref<text::DRTextHighlight>& highlight,
                                             rt::Range range, gfx::Rect rect) {
    (void)view; (void)highlight; (void)range; (void)rect;
    return false;
  }
};

}  // namespace textview
