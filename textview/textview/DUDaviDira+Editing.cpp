// The editing core: the one primitive that replaces characters and carries the selection
// along, the full replacement every text change goes through (delegate, typing attributes,
// parser, publication, layout, notifications), the typing-attributes holder, the published
// properties and the parser pass.
#include <algorithm>

#include "platform/foundation/NotificationCenter.h"
#include "platform/typeset/AttributeNames.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/textview/DUDaviDira.h"

namespace textview {

namespace {

// Where a selection goes when `replaced` becomes `inserted` characters long.
rt::Range movedSelection(rt::Range selection, rt::Range replaced, uint64_t inserted) {
  const uint64_t s0 = selection.location, s1 = selection.end();
  const uint64_t r0 = replaced.location, r1 = replaced.end();
  const uint64_t i0 = std::max(s0, r0), i1 = std::min(s1, r1);
  const uint64_t overlap = i1 > i0 ? i1 - i0 : 0;
  if (overlap > 0) {
    if (overlap == selection.length) return {r0 + inserted, 0};  // the selection lies inside
    if (r0 >= s0 && r1 <= s1) return {s0, selection.length + inserted - replaced.length};
    return {r0 < s0 ? r0 + inserted : s0, selection.length - overlap};
  }
  if (r1 <= s0) return {s0 + inserted - replaced.length, selection.length};  // wholly before
  if (r0 >= s1) return selection;                                           // wholly after
  // Nothing shared, yet neither before nor after: a caret strictly inside the replaced
  // characters goes to the end of the new ones; an insertion strictly inside the selection
  // grows it.
  if (selection.length == 0) return {r0 + inserted, 0};
  return {s0, selection.length + inserted};
}

}  // namespace

Ref<text::DRTextPosition> DUDaviDira::textPositionFrom(const Ref<ui::TextPosition>& position) {
  if (!position) return nullptr;
  if (auto own = rt::as<text::DRTextPosition>(position)) return own;
  return text::DRTextPosition::positionWithOffset(position->offset(), position->affinity());
}

Ref<text::DRTextRange> DUDaviDira::textRangeFrom(const Ref<ui::TextRange>& range) {
  if (!range || isNoRange(*range)) return nullptr;
  if (auto own = rt::as<text::DRTextRange>(range)) return own;
  return text::DRTextRange::rangeWithStart(textPositionFrom(range->start()), textPositionFrom(range->end()));
}

void DUDaviDira::notifyInputDelegate(void (ui::TextInputDelegate::*message)(ui::TextInput*)) {
  if (auto delegate = inputDelegate_.lock()) (delegate.get()->*message)(this);
}

void DUDaviDira::replaceTextRange(const Ref<text::DRTextRange>& range, const rt::String& string, bool notify) {
  if (!range) return;
  auto tell = [&](void (ui::TextInputDelegate::*message)(ui::TextInput*)) {
    if (notify) notifyInputDelegate(message);
  };
  const rt::Range replaced = range->asRange();
  const rt::Range selection = selectedTextRange_->asRange();
  const uint64_t inserted = string.length();
  const rt::String after = innerText_->string().stringByReplacingCharactersInRange(replaced, string);
  // Characters swapped for as many others leave the selection alone, unless it has an end
  // among them: that end would then stand inside the new text, perhaps inside one character.
  const bool endInside = (selection.location > replaced.location && selection.location < replaced.end()) ||
                         (selection.end() > replaced.location && selection.end() < replaced.end());
  rt::Range next = selection;
  bool sameLength = false;
  if (replaced == selection) {
    next = {replaced.location + inserted, 0};
  } else if (replaced.length == inserted && !endInside) {
    sameLength = true;
  } else {
    next = movedSelection(selection, replaced, inserted);
  }
  // The new text may join what was around it into one character (a combining mark, the second
  // half of CR LF): the selection then takes in the whole of it.
  next = clusterAlignedRange(after, next);
  const bool selectionMoves = !sameLength || next != selection;
  if (selectionMoves) {
    tell(&ui::TextInputDelegate::selectionWillChange);
    selectedTextRange_ = text::DRTextRange::rangeWithRange(next);
    tell(&ui::TextInputDelegate::selectionDidChange);
  }
  tell(&ui::TextInputDelegate::textWillChange);
  innerText_->replaceCharactersInRange(replaced, string);
  // Attachments and other one-character attributes must not stretch over the new text.
  text::removeDiscontinuousAttributesInRange(*innerText_, {replaced.location, inserted});
  adjustMarkedRangeForReplacement(replaced, inserted);
  tell(&ui::TextInputDelegate::textDidChange);
}

void DUDaviDira::adjustMarkedRangeForReplacement(rt::Range replaced, uint64_t inserted) {
  if (!markedTextRange_) return;
  rt::Range marked = markedTextRange_->asRange();
  if (replaced.end() <= marked.location) {
    marked.location = marked.location + inserted - replaced.length;
  } else if (replaced.location >= marked.end()) {
    return;
  } else if (replaced.location >= marked.location && replaced.end() <= marked.end()) {
    marked.length = marked.length + inserted - replaced.length;
  } else {
    marked.length = 0;  // taken away in part from outside: the composition is over
  }
  markedTextRange_ = marked.length > 0 ? text::DRTextRange::rangeWithRange(marked) : nullptr;
}

void DUDaviDira::replaceRange(rt::Range range, const rt::String& string) {
  if (isNoRange(range)) return;
  auto given = text::DRTextRange::rangeWithRange(range);
  editWithUndo(given, string, !(continuesTyping() && given->asRange() == selectedTextRange_->asRange()));
}

void DUDaviDira::replaceRange(const Ref<ui::TextRange>& range, const rt::String& string) {
  auto given = textRangeFrom(range);
  if (!given) return;
  editWithUndo(given, string, !(continuesTyping() && given->asRange() == selectedTextRange_->asRange()));
}

bool DUDaviDira::continuesTyping() const { return selectedTextRange_->asRange() == history_.lastTypeRange(); }

void DUDaviDira::editWithUndo(const Ref<text::DRTextRange>& given, const rt::String& text, bool startsStep) {
  if (!given) return;
  const rt::String string = withoutLoneSurrogates(text);
  auto range = clusterAlignedTextRange(correctedTextRange(given));
  if (range->isEmpty() && string.length() == 0) return;
  // A refused edit changes nothing, the history included.
  if (!delegateAllowsChange(range->asRange(), string)) return;
  if (startsStep) saveToUndoStack();
  history_.resetRedo();
  replaceRangeWithText(range, string, true);
}

void DUDaviDira::replaceRangeWithText(const Ref<text::DRTextRange>& given, const rt::String& text,
                                      bool delegateAsked) {
  if (!given) return;
  const rt::String string = withoutLoneSurrogates(text);
  if (given->isEmpty() && string.length() == 0) return;
  auto range = correctedTextRange(given);
  const rt::Range replaced = range->asRange();
  if (!delegateAsked && !delegateAllowsChange(replaced, string)) return;

  // How the typing attributes apply to the new text.
  const bool wholeText = innerText_->length() == 0;
  if (!wholeText && replaced.location == 0 && replaced.length == innerText_->length() && string.length() == 0) {
    // Emptied: typing goes on in the look of the first character.
    auto first = innerText_->attributesAtIndex(0);
    auto kept = first ? rt::as<fd::MutableDictionary>(first->mutableCopy()) : fd::MutableDictionary::create();
    for (const auto& key : text::allDiscontinuousAttributeKeys()) kept->removeObjectForKey(key);
    typingAttributesHolder_->setAttributes(kept, {0, typingAttributesHolder_->length()});
  }
  bool once = false;
  if (state_.typingAttributesOnce) {
    state_.typingAttributesOnce = false;
    once = !wholeText && replaced.length == 0 && string.length() > 0;
  }

  state_.selectedWithoutEdit = false;
  state_.deleteConfirm = false;
  endTouchTracking();
  hideMenu();
  replaceTextRange(range, string, true);

  auto typing = typingAttributesHolder_->attributesAtIndex(0);
  if (wholeText && typing) {
    innerText_->setAttributes(typing, {0, innerText_->length()});
  } else if (once && typing) {
    typing->enumerateKeysAndObjects([&](const rt::Id& key, const rt::Id& value, bool&) {
      if (auto name = rt::as<fd::StringObject>(key))
        innerText_->addAttribute(name->string(), value, {replaced.location, string.length()});
    });
  }

  parseText();
  updateOuterProperties();
  if (inputBatch_ > 0) {
    // More input waits behind this edit: one layout for all of it (sooner if asked for).
    changedInBatch_ = true;
    commitUpdate();
  } else {
    update();
    if (isFirstResponder()) scrollRangeToVisible(selectedTextRange_);
  }
  if (auto delegate = outerDelegate_.lock()) {
    delegate->textViewDidChange(*this);
    delegate->textViewDidChangeSelection(*this);
  }
  history_.setLastTypeRange(selectedTextRange_->asRange());
  fd::NotificationCenter::defaultCenter()->post(DUDaviDiraTextDidChangeNotification, self());
}

void DUDaviDira::updateAttributesHolder() {
  if (innerText_->length() == 0) return;
  auto end = static_cast<uint64_t>(std::max<int64_t>(selectedTextRange_->end()->offset(), 0));
  uint64_t index = end > 0 ? end - 1 : 0;
  auto attributes = text::attributesAtIndex(*innerText_, index);
  rt::Range all{0, typingAttributesHolder_->length()};
  typingAttributesHolder_->setAttributes(attributes ? attributes : fd::Dictionary::create(), all);
  // Typing next to a bordered word must not extend its border.
  text::removeDiscontinuousAttributesInRange(*typingAttributesHolder_, all);
  typingAttributesHolder_->removeAttribute(rt::String(text::DRTextBorderKey), all);
  typingAttributesHolder_->removeAttribute(rt::String(text::DRTextBackgroundBorderKey), all);
}

void DUDaviDira::updateOuterProperties() {
  updateAttributesHolder();
  auto style = text::paragraphStyle(*innerText_);
  if (!style) style = text::paragraphStyle(*typingAttributesHolder_);
  if (!style) style = typeset::ParagraphStyle::defaultParagraphStyle();
  auto font = text::font(*innerText_);
  if (!font) font = text::font(*typingAttributesHolder_);
  if (!font) font = defaultFont();
  auto color = text::color(*innerText_);
  if (!color) color = text::color(*typingAttributesHolder_);
  if (!color) color = gfx::Color::blackColor();

  rt::Range all{0, innerText_->length()};
  setTextNotifying(text::plainTextForRange(*innerText_, all).value_or(rt::String()));
  setFontNotifying(font);
  setTextColorNotifying(color);
  setTextAlignmentNotifying(style->alignment());
  setSelectedRangeNotifying(selectedTextRange_->asRange());
  setTypingAttributesNotifying(typingAttributesHolder_->attributesAtIndex(0));
  setAttributedTextNotifying(innerText_);
}

bool DUDaviDira::parseText() {
  if (!textParser_) return false;
  rt::Range selection = selectedTextRange_->asRange();
  notifyInputDelegate(&ui::TextInputDelegate::textWillChange);
  bool changed = textParser_->parseText(*innerText_, &selection);
  notifyInputDelegate(&ui::TextInputDelegate::textDidChange);
  // A composition the parser rewrote around is over; what it composed stays.
  if (changed && markedTextRange_) markedTextRange_ = nullptr;
  auto corrected = clusterAlignedTextRange(correctedTextRange(selection));
  if (!corrected->isEqual(selectedTextRange_.get())) {
    notifyInputDelegate(&ui::TextInputDelegate::selectionWillChange);
    selectedTextRange_ = corrected;
    notifyInputDelegate(&ui::TextInputDelegate::selectionDidChange);
  }
  return changed;
}

void DUDaviDira::endBatchedInput() {
  if (inputBatch_ == 0 || --inputBatch_ > 0 || !changedInBatch_) return;
  changedInBatch_ = false;
  updateIfNeeded();
  if (isFirstResponder()) scrollRangeToVisible(selectedTextRange_);
}

}  // namespace textview
