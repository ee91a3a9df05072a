// The edit menu's actions: cut, copy and paste (text, rich text and pictures) and the two
// selections. Cut and every kind of paste are one undoable step each.
#include "base/graphics/Geometry+DUDer.h"
#include "image/codec/DRImage.h"
#include "image/views/DRAnimatedImageView.h"
#include "platform/foundation/NotificationCenter.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/Pasteboard+DRText.h"
#include "textview/textview/DUDaviDira.h"

namespace textview {

namespace {

// The first picture the pasteboard holds, in order of preference: encoded animations and
// stills through the project's decoder, then whatever image the pasteboard can give.
Ref<gfx::Image> pastedImage(const ui::Pasteboard& pasteboard) {
  double scale = base::DRMainScreenScale();
  for (auto read : {&text::GIFData, &text::PNGData, &text::WEBPData})
    if (auto data = read(pasteboard); data && data->length() > 0)
      if (auto picture = image::DRImage::imageWithData(data, scale)) return picture;
  if (auto picture = pasteboard.image()) return picture;
  if (auto data = text::imageData(pasteboard); data && data->length() > 0)
    return gfx::Image::imageWithData(data, scale);
  return nullptr;
}

// What shows the picture inside the text: an animated view for frames to play, else the image.
rt::Id attachmentContent(const Ref<gfx::Image>& picture) {
  if (auto animated = dynamic_cast<image::DRAnimatedImage*>(picture.get());
      animated && animated->animatedImageFrameCount() >= 2)
    return rt::make<image::DRAnimatedImageView>(picture);
  if (picture->images().size() > 1) {
    auto view = rt::make<ui::ImageView>(picture);
    view->setFrame({{0, 0}, picture->size()});
    return view;
  }
  return picture;
}

}  // namespace

void DUDaviDira::cutAction(const rt::Id& sender) {
  (void)sender;
  endTouchTracking();
  rt::Range selection = selectedTextRange_->asRange();
  if (selection.length == 0) return;
  // Refused, a cut leaves the text, the history and the pasteboard as they were.
  if (!delegateAllowsChange(selection, rt::String())) return;
  copySelectedTextToPasteboard();
  saveToUndoStack();
  history_.resetRedo();
  replaceRangeWithText(selectedTextRange_, rt::String(), true);
}

void DUDaviDira::copyAction(const rt::Id& sender) {
  (void)sender;
  endTouchTracking();
  copySelectedTextToPasteboard();
}

Ref<typeset::AttributedString> DUDaviDira::pastedAttachment(const ui::Pasteboard& pasteboard) const {
  auto picture = pastedImage(pasteboard);
  // A picture of a point or less is taken for a spacer and left to the plain text.
  if (!picture || !(picture->size().width > 1 && picture->size().height > 1)) return nullptr;
  gfx::Size size = picture->size();
  auto attachment = text::attachmentStringWithContent(attachmentContent(picture), 0, size.width, size.height, 0);
  if (!attachment) return nullptr;
  if (auto typing = typingAttributesHolder_->attributesAtIndex(0))
    attachment->addAttributes(*typing, {0, attachment->length()});
  return attachment;
}

void DUDaviDira::pasteAction(const rt::Id& sender) {
  (void)sender;
  endTouchTracking();
  auto pasteboard = ui::Pasteboard::generalPasteboard();
  Ref<typeset::AttributedString> content;
  if (allowsPasteAttributedString_)
    if (auto rich = text::attributedString(*pasteboard); rich && rich->length() > 0) content = rich;
  if (!content && allowsPasteImage_) content = pastedAttachment(*pasteboard);
  rt::Range selection = selectedTextRange_->asRange();
  if (content) {
    replaceSelectionWithAttributedText(selection, content);
    return;
  }
  auto string = pasteboard->string();
  if (!string || string->length() == 0) return;
  editWithUndo(selectedTextRange_, *string, true);
}

void DUDaviDira::replaceSelectionWithAttributedText(rt::Range range, const Ref<typeset::AttributedString>& content) {
  // Like typed text: one undo step, the caret after the insertion, and the rest of the text
  // and its history left alone.
  range = clusterAlignedRange(range);
  auto sound = rt::as<typeset::MutableAttributedString>(content->mutableCopy());
  replaceLoneSurrogates(*sound);
  if (!delegateAllowsChange(range, sound->string())) return;
  saveToUndoStack();
  history_.resetRedo();
  state_.selectedWithoutEdit = false;
  state_.deleteConfirm = false;
  // As typing does: the menu would point at where the selection was.
  hideMenu();
  notifyInputDelegate(&ui::TextInputDelegate::selectionWillChange);
  selectedTextRange_ = text::DRTextRange::rangeWithRange(clusterAlignedRange(
      innerText_->string().stringByReplacingCharactersInRange(range, sound->string()),
      {range.location + sound->length(), 0}));
  notifyInputDelegate(&ui::TextInputDelegate::selectionDidChange);
  notifyInputDelegate(&ui::TextInputDelegate::textWillChange);
  // The content keeps its own attributes, attachments included.
  innerText_->replaceCharactersInRange(range, *sound);
  adjustMarkedRangeForReplacement(range, sound->length());
  notifyInputDelegate(&ui::TextInputDelegate::textDidChange);
  parseText();
  updateOuterProperties();
  update();
  if (auto delegate = outerDelegate_.lock()) {
    delegate->textViewDidChange(*this);
    delegate->textViewDidChangeSelection(*this);
  }
  history_.setLastTypeRange(selectedTextRange_->asRange());
  fd::NotificationCenter::defaultCenter()->post(DUDaviDiraTextDidChangeNotification, self());
}

void DUDaviDira::selectAction(const rt::Id& sender) {
  (void)sender;
  endComposition();
  endTouchTracking();
  if (!selectedTextRange_->isEmpty() || innerText_->length() == 0) return;
  auto word = getClosestTokenRangeAtPosition(selectedTextRange_->start());
  if (word && !word->isEmpty()) changeSelectionFromMenu(word);
  updateAfterMenuSelection();
}

void DUDaviDira::selectAllAction(const rt::Id& sender) {
  (void)sender;
  endComposition();
  trackingRange_ = nullptr;
  changeSelectionFromMenu(text::DRTextRange::rangeWithRange({0, innerText_->length()}));
  updateAfterMenuSelection();
}

void DUDaviDira::changeSelectionFromMenu(const Ref<text::DRTextRange>& range) {
  notifyInputDelegate(&ui::TextInputDelegate::selectionWillChange);
  selectedTextRange_ = clusterAlignedTextRange(range);
  notifyInputDelegate(&ui::TextInputDelegate::selectionDidChange);
  // Published first, so that the delegate reads the new selection from the view.
  updateOuterProperties();
  if (auto delegate = outerDelegate_.lock()) delegate->textViewDidChangeSelection(*this);
}

void DUDaviDira::updateAfterMenuSelection() {
  updateIfNeeded();
  updateOuterProperties();
  updateSelectionView();
  // The menu comes back with the choices for the new selection.
  hideMenu();
  showMenu();
}

}  // namespace textview
