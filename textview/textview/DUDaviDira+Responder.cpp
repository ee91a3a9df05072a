// Becoming and ceasing to be the first responder (editing starts and ends here), what the edit
// menu may offer, the shake that offers undo, and the legacy undo alert's answer.
#include <string_view>

#include "base/system/Application+DUDer.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/input/keys/Press.h"
#include "text/model/AttributedString+DRText.h"
#include "textview/textview/DUDaviDira.h"

namespace textview {

// ---- first responder

bool DUDaviDira::canBecomeFirstResponder() const {
  if (!selectable_ || !editable_ || state_.ignoreFirstResponder) return false;
  auto delegate = outerDelegate_.lock();
  if (!delegate) return true;
  return delegate->textViewShouldBeginEditing(const_cast<DUDaviDira&>(*this)).value_or(true);
}

bool DUDaviDira::becomeFirstResponder() {
  if (isFirstResponder()) return true;
  bool detected = shouldDetectText();
  if (!ui::ScrollView::becomeFirstResponder()) return false;
  endTouchTracking();
  hideMenu();
  state_.selectedWithoutEdit = false;
  // Detected data is shown only while not editing: lay out again without it.
  if (shouldDetectText() != detected) update();
  updateIfNeeded();
  updateSelectionView();
  Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());
  dispatch::MainQueue::shared().async([weak] {
    if (auto view = weak.lock()) view->scrollSelectedRangeToVisible();
  });
  if (auto delegate = outerDelegate_.lock()) delegate->textViewDidBeginEditing(*this);
  fd::NotificationCenter::defaultCenter()->post(DUDaviDiraTextDidBeginEditingNotification, self());
  return true;
}

bool DUDaviDira::canResignFirstResponder() const {
  if (!isFirstResponder()) return true;
  auto delegate = outerDelegate_.lock();
  if (!delegate) return true;
  return delegate->textViewShouldEndEditing(const_cast<DUDaviDira&>(*this)).value_or(true);
}

bool DUDaviDira::resignFirstResponder() {
  if (!isFirstResponder()) return true;
  if (!ui::ScrollView::resignFirstResponder()) return false;
  if (markedTextRange_) {
    // The composed characters stay as typed.
    markedTextRange_ = nullptr;
    parseText();
    setTextNotifying(text::plainTextForRange(*innerText_, {0, innerText_->length()}).value_or(rt::String()));
  }
  state_.selectedWithoutEdit = false;
  if (shouldDetectText()) update();
  endTouchTracking();
  hideMenu();
  updateIfNeeded();
  updateSelectionView();
  restoreInsetsAnimated(true);
  if (auto delegate = outerDelegate_.lock()) delegate->textViewDidEndEditing(*this);
  fd::NotificationCenter::defaultCenter()->post(DUDaviDiraTextDidEndEditingNotification, self());
  return true;
}

void DUDaviDira::reloadInputViews() {
  ui::ScrollView::reloadInputViews();
  if (markedTextRange_) unmarkText();
}

void DUDaviDira::endComposition() {
  if (!markedTextRange_) return;
  notifyInputDelegate(&ui::TextInputDelegate::textWillChange);
  markedTextRange_ = nullptr;
  if (parseText()) state_.needUpdate = true;
  updateIfNeeded();
  updateOuterProperties();
  updateSelectionView();
  notifyInputDelegate(&ui::TextInputDelegate::textDidChange);
}

void DUDaviDira::pressesBegan(const ui::Press& press, ui::Event* event) {
  if (press.key().key == ui::Key::Escape && state_.showingMenu) hideMenu();
  ui::ScrollView::pressesBegan(press, event);
}

// ---- edit menu

bool DUDaviDira::canPerformAction(rt::Selector action, const rt::Id& sender) const {
  (void)sender;
  std::string_view name = action.name();
  uint64_t length = innerText_->length();
  rt::Range selection = selectedTextRange_->asRange();
  if (selection.length == 0) {
    if (name == "select:" || name == "selectAll:") return length > 0;
    if (name == "paste:") return isPasteboardContainsValidValue();
    return false;
  }
  if (name == "cut:") return isFirstResponder() && editable_;
  if (name == "copy:") return true;
  if (name == "selectAll:") return selection.length < length;
  if (name == "paste:") return isFirstResponder() && editable_ && isPasteboardContainsValidValue();
  // Looking a word up needs a dictionary service this system does not have: never offered.
  return false;
}

// ---- shake

void DUDaviDira::motionEnded(ui::EventSubtype motion, ui::Event* event) {
  if (motion == ui::EventSubtype::MotionShake && allowsUndoAndRedo()) {
    if (!base::isAppExtension()) showUndoRedoAlert();
    return;
  }
  ui::ScrollView::motionEnded(motion, event);
}

// ---- the legacy undo alert

Ref<ui::AlertView> DUDaviDira::makeUndoRedoAlertView(const DUDaviDiraUndoStrings& strings) {
  bool undoable = canUndo(), redoable = canRedo();
  if (!undoable && !redoable) return nullptr;
  undoAlertSteps_.clear();
  std::vector<rt::String> others;
  if (undoable) {
    others.push_back(strings[DUDaviDiraUndoStringUndo]);
    undoAlertSteps_.push_back(&DUDaviDira::undo);
  }
  if (redoable) {
    others.push_back(undoable ? strings[DUDaviDiraUndoStringRedoTyping] : strings[DUDaviDiraUndoStringRedo]);
    undoAlertSteps_.push_back(&DUDaviDira::redo);
  }
  rt::String title = undoable ? strings[DUDaviDiraUndoStringUndoTyping] : strings[DUDaviDiraUndoStringRedoTyping];
  if (!undoAlertDelegate_) undoAlertDelegate_ = std::make_shared<UndoAlertViewDelegate>(*this);
  return rt::make<ui::AlertView>(title, rt::String(), undoAlertDelegate_, strings[DUDaviDiraUndoStringCancel], others);
}

void DUDaviDira::alertViewClickedButtonAtIndex(ui::AlertView& alert, int64_t index) {
  // By position, never by title: in some languages cancel and undo read the same.
  int64_t first = alert.firstOtherButtonIndex();
  if (index != alert.cancelButtonIndex() && first >= 0 && index >= first) {
    auto step = static_cast<size_t>(index - first);
    if (step < undoAlertSteps_.size()) (this->*undoAlertSteps_[step])();
  }
  undoAlertSteps_.clear();
  restoreFirstResponderAfterUndoAlert();
}

void DUDaviDira::UndoAlertViewDelegate::alertViewClickedButtonAtIndex(ui::AlertView& alert, int64_t index) {
  view_.alertViewClickedButtonAtIndex(alert, index);
}

}  // namespace textview
