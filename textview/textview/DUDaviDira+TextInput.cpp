// The text-input entry points that change the text or the selection: typing, backward
// delete, marked (still composing) text and selection moves. Undo snapshots are taken here,
// one per run of typing.
#include <algorithm>

#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextBinding.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/textview/DUDaviDira.h"

namespace textview {

namespace {

// Where `range` is once the characters of `removed` are gone.
rt::Range rangeAfterRemoval(rt::Range range, rt::Range removed) {
  auto shift = [&](uint64_t offset) {
    if (offset <= removed.location) return offset;
    return offset >= removed.end() ? offset - removed.length : removed.location;
  };
  uint64_t start = shift(range.location), end = shift(range.end());
  return {start, end - start};
}

}  // namespace

bool DUDaviDira::hasText() const { return innerText_->length() > 0; }

Ref<ui::TextRange> DUDaviDira::selectedTextRange() const { return selectedTextRange_; }

Ref<ui::TextRange> DUDaviDira::markedTextRange() const { return markedTextRange_; }

void DUDaviDira::setMarkedTextStyle(const Ref<fd::Dictionary>& style) {
  markedTextStyle_ = style ? rt::as<fd::Dictionary>(style->copy()) : nullptr;
}

rt::String DUDaviDira::textInRange(const Ref<ui::TextRange>& range) const {
  auto corrected = correctedTextRange(textRangeFrom(range));
  if (!corrected) return rt::String();
  return innerText_->string().substring(corrected->asRange());
}

void DUDaviDira::insertText(const rt::String& string) {
  if (string.length() == 0) return;
  if (selectedTextRange_->asRange() != history_.lastTypeRange()) {
    saveToUndoStack();
    history_.resetRedo();
  }
  if (markedTextRange_) {
    // Text typed while composing commits in place of the composed characters, which would
    // otherwise stay behind as well.
    auto composed = correctedTextRange(markedTextRange_);
    markedTextRange_ = nullptr;
    replaceRange(composed, string);
    return;
  }
  replaceRange(selectedTextRange_, string);
}

void DUDaviDira::deleteBackward() {
  updateIfNeeded();
  rt::Range selection = selectedTextRange_->asRange();
  if (selection.location == 0 && selection.length == 0) return;
  state_.typingAttributesOnce = false;

  if (selection.length == 0 && !state_.deleteConfirm) {
    // A bound range that asks first is selected whole; the next delete removes it.
    rt::Range bound;
    auto binding = rt::as<text::DRTextBinding>(innerText_->attributeAtIndex(
        rt::String(text::DRTextBindingKey), selection.location - 1, &bound, {0, innerText_->length()}));
    if (binding && binding->deleteConfirm()) {
      state_.deleteConfirm = true;
      notifyInputDelegate(&ui::TextInputDelegate::selectionWillChange);
      selectedTextRange_ = correctedTextRange(bound);
      notifyInputDelegate(&ui::TextInputDelegate::selectionDidChange);
      updateOuterProperties();
      updateSelectionView();
      if (auto delegate = outerDelegate_.lock()) delegate->textViewDidChangeSelection(*this);
      return;
    }
  }
  state_.deleteConfirm = false;

  Ref<text::DRTextRange> doomed = selectedTextRange_;
  if (selection.length == 0) {
    // Back along the line: in vertical form left is the next line over, not the previous
    // character.
    auto back = verticalForm_ ? ui::TextLayoutDirection::Up : ui::TextLayoutDirection::Left;
    doomed = innerLayout_ ? innerLayout_->textRangeByExtendingPosition(selectedTextRange_->end(), back, 1) : nullptr;
    if (!isTextRangeValid(doomed)) return;
  }
  if (selection != history_.lastTypeRange()) {
    saveToUndoStack();
    history_.resetRedo();
  }
  replaceRange(doomed, rt::String());
}

void DUDaviDira::setSelectedTextRange(const Ref<ui::TextRange>& given) {
  if (!given) return;
  auto range = correctedTextRange(textRangeFrom(given));
  if (range->isEqual(selectedTextRange_.get())) return;
  updateIfNeeded();
  endTouchTracking();
  hideMenu();
  state_.typingAttributesOnce = false;
  state_.deleteConfirm = false;
  notifyInputDelegate(&ui::TextInputDelegate::selectionWillChange);
  selectedTextRange_ = range;
  notifyInputDelegate(&ui::TextInputDelegate::selectionDidChange);
  updateOuterProperties();
  updateSelectionView();
  if (isFirstResponder()) scrollRangeToVisible(selectedTextRange_);
  if (auto delegate = outerDelegate_.lock()) delegate->textViewDidChangeSelection(*this);
}

ui::TextAffinity DUDaviDira::selectionAffinity() const {
  return selectedTextRange_->end()->affinity() != ui::TextAffinity::Forward ? ui::TextAffinity::Backward
                                                                          : ui::TextAffinity::Forward;
}

void DUDaviDira::setSelectionAffinity(ui::TextAffinity affinity) {
  auto side = affinity != ui::TextAffinity::Forward ? ui::TextAffinity::Backward : ui::TextAffinity::Forward;
  selectedTextRange_ = text::DRTextRange::rangeWithRange(selectedTextRange_->asRange(), side);
  updateSelectionView();
}

void DUDaviDira::setMarkedText(const rt::String& marked, rt::Range selected) {
  updateIfNeeded();
  endTouchTracking();
  hideMenu();
  rt::Range asked = markedTextRange_ ? markedTextRange_->asRange()
                                     : rt::Range{selectedTextRange_->asRange().end(), 0};
  if (!delegateAllowsChange(asked, marked)) return;
  if (selectedTextRange_->asRange() != history_.lastTypeRange()) {
    saveToUndoStack();
    history_.resetRedo();
  }
  bool applyTyping = true;
  if (innerText_->length() > 0 && markedTextRange_) {
    updateAttributesHolder();
    applyTyping = false;
  }
  rt::Range selection = selectedTextRange_->asRange();
  if (selection.length > 0) {
    replaceRange(selectedTextRange_, rt::String());
    // The composition loses what was deleted of it, and nothing after it.
    if (markedTextRange_) markedTextRange_ = text::DRTextRange::rangeWithRange(
        rangeAfterRemoval(markedTextRange_->asRange(), selection));
  }

  notifyInputDelegate(&ui::TextInputDelegate::textWillChange);
  notifyInputDelegate(&ui::TextInputDelegate::selectionWillChange);
  rt::Range markedRange;
  if (markedTextRange_) {
    rt::Range old = correctedTextRange(markedTextRange_)->asRange();
    innerText_->replaceCharactersInRange(old, marked);
    markedRange = {old.location, marked.length()};
  } else {
    markedRange = {selectedTextRange_->asRange().end(), marked.length()};
    innerText_->replaceCharactersInRange({markedRange.location, 0}, marked);
  }
  // The selection lies within the composed characters, whatever the input method asked.
  uint64_t from = std::min<uint64_t>(selected.location, marked.length());
  uint64_t to = std::max(from, std::min<uint64_t>(selected.location + std::min(selected.length, marked.length()),
                                                  marked.length()));
  selectedTextRange_ = correctedTextRange(rt::Range{markedRange.location + from, to - from});
  markedRange = correctedTextRange(markedRange)->asRange();
  if (markedRange.length > 0) {
    markedTextRange_ = text::DRTextRange::rangeWithRange(markedRange);
    auto typing = typingAttributesHolder_->attributesAtIndex(0);
    if (applyTyping && typing) innerText_->setAttributes(typing, markedRange);
    text::removeDiscontinuousAttributesInRange(*innerText_, markedRange);
  } else {
    markedTextRange_ = nullptr;
  }
  notifyInputDelegate(&ui::TextInputDelegate::selectionDidChange);
  notifyInputDelegate(&ui::TextInputDelegate::textDidChange);

  updateOuterProperties();
  updateLayout();
  updateSelectionView();
  scrollRangeToVisible(selectedTextRange_);
  if (auto delegate = outerDelegate_.lock()) {
    delegate->textViewDidChange(*this);
    delegate->textViewDidChangeSelection(*this);
  }
  history_.setLastTypeRange(selectedTextRange_->asRange());
}

void DUDaviDira::unmarkText() {
  markedTextRange_ = nullptr;
  endTouchTracking();
  hideMenu();
  if (parseText()) state_.needUpdate = true;
  updateIfNeeded();
  updateOuterProperties();
  updateSelectionView();
  scrollRangeToVisible(selectedTextRange_);
}

}  // namespace textview
