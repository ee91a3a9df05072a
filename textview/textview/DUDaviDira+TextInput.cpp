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

Ref<ui::TextRange> DUDaviDira::markedTextRange() const {
  // The composed characters, with whatever they joined into one character around them.
  return clusterAlignedTextRange(markedTextRange_);
}

void DUDaviDira::setMarkedTextStyle(const Ref<fd::Dictionary>& style) {
  markedTextStyle_ = style ? rt::as<fd::Dictionary>(style->copy()) : nullptr;
}

rt::String DUDaviDira::textInRange(const Ref<ui::TextRange>& range) const {
  auto corrected = correctedTextRange(textRangeFrom(range));
  if (!corrected) return rt::String();
  return innerText_->string().substring(corrected->asRange());
}

void DUDaviDira::insertText(const rt::String& given) {
  if (given.length() == 0) return;
  const rt::String string = withoutLoneSurrogates(given);
  if (!markedTextRange_) {
    editWithUndo(selectedTextRange_, string, !continuesTyping());
    return;
  }
  // Text typed while composing commits in place of the composed characters, which would
  // otherwise stay behind as well, and the caret goes after it.
  auto composed = correctedTextRange(markedTextRange_);
  if (!delegateAllowsChange(composed->asRange(), string)) return;
  if (!continuesTyping()) saveToUndoStack();
  history_.resetRedo();
  markedTextRange_ = nullptr;
  selectedTextRange_ = composed;
  replaceRangeWithText(composed, string, true);
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
      selectedTextRange_ = clusterAlignedTextRange(correctedTextRange(bound));
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
    // Exactly the character before the caret as a reader sees it, whatever the font draws as
    // one glyph; a bound range goes whole.
    rt::Range bound;
    if (rt::as<text::DRTextBinding>(innerText_->attributeAtIndex(rt::String(text::DRTextBindingKey),
                                                                 selection.location - 1, &bound,
                                                                 {0, innerText_->length()}))) {
      doomed = text::DRTextRange::rangeWithRange(clusterAlignedRange(bound));
    } else {
      doomed = text::DRTextRange::rangeWithRange(clusterBeforeCaret(selection.location));
    }
    if (doomed->isEmpty() || !isTextRangeValid(doomed)) return;
  }
  editWithUndo(doomed, rt::String(), !continuesTyping());
}

void DUDaviDira::setSelectedTextRange(const Ref<ui::TextRange>& given) {
  auto range = clusterAlignedTextRange(correctedTextRange(textRangeFrom(given)));
  if (!range) return;
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

void DUDaviDira::setMarkedText(const rt::String& given, rt::Range selected) {
  const rt::String marked = withoutLoneSurrogates(given);
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
    // The composition loses what was deleted of it, and nothing after it; the rest of it is
    // replaced below.
    auto composing = markedTextRange_;
    markedTextRange_ = nullptr;
    replaceRangeWithText(selectedTextRange_, rt::String(), true);
    if (composing) {
      rt::Range left = rangeAfterRemoval(composing->asRange(), selection);
      if (left.length > 0 || marked.length() > 0) markedTextRange_ = text::DRTextRange::rangeWithRange(left);
      // With nothing of it left, no character lends its look to the new composition (in an
      // empty view none at all): it takes the typing attributes as a new one would.
      if (left.length == 0) applyTyping = true;
    }
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
  selectedTextRange_ = text::DRTextRange::rangeWithRange(clusterAlignedRange({markedRange.location + from, to - from}));
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
