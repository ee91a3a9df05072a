#include "textview/textview/DUDaviDiraUndoHistory.h"

namespace textview {

RT_IMPLEMENT(DUDaviDiraUndoObject) {}

namespace {

Ref<typeset::AttributedString> snapshotOf(const typeset::AttributedString& text) {
  return rt::as<typeset::AttributedString>(text.copy());
}

}  // namespace

Ref<DUDaviDiraUndoObject> DUDaviDiraUndoObject::objectWithText(const Ref<typeset::AttributedString>& text,
                                                               rt::Range range) {
  auto object = rt::make<DUDaviDiraUndoObject>();
  object->text_ = text ? text : typeset::AttributedString::create(rt::String());
  object->selectedRange_ = range;
  return object;
}

void DUDaviDiraUndoHistory::reset(const typeset::AttributedString& text, rt::Range selection) {
  undo_.clear();
  redo_.clear();
  undo_.push_back(DUDaviDiraUndoObject::objectWithText(snapshotOf(text), selection));
  lastTypeRange_ = selection;
}

bool DUDaviDiraUndoHistory::save(Stack& stack, const typeset::AttributedString& text, rt::Range selection) {
  if (!allowsUndoAndRedo_) return false;
  if (!stack.empty() && stack.back()->text()->isEqualToAttributedString(text)) return false;
  stack.push_back(DUDaviDiraUndoObject::objectWithText(snapshotOf(text), selection));
  while (stack.size() > maximumUndoLevel_) stack.erase(stack.begin());
  return true;
}

void DUDaviDiraUndoHistory::saveToUndo(const typeset::AttributedString& text, rt::Range selection) {
  if (save(undo_, text, selection)) lastTypeRange_ = selection;
}

void DUDaviDiraUndoHistory::saveToRedo(const typeset::AttributedString& text, rt::Range selection) {
  (void)save(redo_, text, selection);
}

bool DUDaviDiraUndoHistory::canRestore(const Stack& stack, const typeset::AttributedString& text) {
  return !stack.empty() && !stack.back()->text()->isEqualToAttributedString(text);
}

Ref<DUDaviDiraUndoObject> DUDaviDiraUndoHistory::takeUndo(const typeset::AttributedString& text, rt::Range selection) {
  if (!canUndo(text)) return nullptr;
  saveToRedo(text, selection);
  auto snapshot = undo_.back();
  undo_.pop_back();
  return snapshot;
}

Ref<DUDaviDiraUndoObject> DUDaviDiraUndoHistory::takeRedo(const typeset::AttributedString& text, rt::Range selection) {
  if (!canRedo(text)) return nullptr;
  saveToUndo(text, selection);
  auto snapshot = redo_.back();
  redo_.pop_back();
  return snapshot;
}

}  // namespace textview
