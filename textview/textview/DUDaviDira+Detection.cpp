// Data detection: dates, addresses, links and phone numbers in the laid-out copy of the text
// get the highlight and link attributes. Only a view the user is not editing is decorated, so
// that typing never fights the decorations.
#include "text/model/DRTextHighlight.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/textview/DUDaviDira.h"

namespace textview {

namespace {

bool hasEntries(const Ref<fd::Dictionary>& attributes) { return attributes && attributes->count() > 0; }

bool isDecoratedType(ui::TextCheckingType type) {
  switch (type) {
    case ui::TextCheckingTypeDate:
    case ui::TextCheckingTypeAddress:
    case ui::TextCheckingTypeLink:
    case ui::TextCheckingTypePhoneNumber:
      return true;
  }
  return false;
}

}  // namespace

bool DUDaviDira::shouldDetectText() const {
  if (!dataDetector_ || !highlightable_) return false;
  if (!hasEntries(linkTextAttributes_) && !hasEntries(highlightTextAttributes_)) return false;
  return !isFirstResponder() && !containerView_->isFirstResponder();
}

bool DUDaviDira::detectText(typeset::MutableAttributedString& text) const {
  if (!shouldDetectText() || text.length() == 0) return false;
  bool highlight = hasEntries(highlightTextAttributes_), link = hasEntries(linkTextAttributes_);
  bool found = false;
  rt::String plain = text.string();
  dataDetector_->enumerateMatches(plain, {0, plain.length()}, [&](const ui::DataDetectorMatch& match, bool&) {
    if (!isDecoratedType(match.type)) return;
    found = true;
    if (highlight) text::setTextHighlight(text, text::DRTextHighlight::highlightWithAttributes(highlightTextAttributes_),
                                          match.range);
    if (link) text.addAttributes(*linkTextAttributes_, match.range);
  });
  return found;
}

}  // namespace textview
