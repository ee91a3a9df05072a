// Undo and redo swap the whole text for a snapshot; the alert offering them; and the setters
// that publish the derived properties, notifying observers only on a real change.
#include "base/system/Application+DUDer.h"
#include "base/system/Device+DUDer.h"
#include "base/ui/View+DUDer.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Window.h"
#include "textview/textview/DUDaviDira.h"
#include "textview/textview/DUDaviDiraUndoStrings.h"

namespace textview {

namespace {

// Stores `value` into `slot` between the will- and did-change notifications of `key`, only
// when `same` says it differs.
template <class T, class Same> void storeNotifying(rt::Object& object, const char* key, T& slot, T value, Same same) {
  if (same(slot, value)) return;
  rt::String k(key);
  object.willChangeValueForKey(k);
  slot = std::move(value);
  object.didChangeValueForKey(k);
}

bool sameObject(const rt::Object* a, const rt::Object* b) { return rt::equalObjects(a, b); }

template <class T> Ref<T> copyOf(const Ref<T>& object) { return object ? rt::as<T>(object->copy()) : nullptr; }

// Modifiers are objects that copy themselves; one that cannot is kept as given.
Ref<text::DRTextLinePositionModifier> copyOfModifier(const Ref<text::DRTextLinePositionModifier>& modifier) {
  auto object = std::dynamic_pointer_cast<rt::Object>(modifier);
  if (!object) return modifier;
  auto copy = std::dynamic_pointer_cast<text::DRTextLinePositionModifier>(object->copy());
  return copy ? copy : modifier;
}

bool samePaths(const std::vector<Ref<gfx::BezierPath>>& a, const std::vector<Ref<gfx::BezierPath>>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!sameObject(a[i].get(), b[i].get())) return false;
  return true;
}

// The controller to present from: the key window's root, else the first window's, else the
// view's own; followed along what it presents until one is on screen.
Ref<ui::ViewController> presentingController(const ui::View& view) {
  Ref<ui::ViewController> controller;
  if (auto app = base::sharedExtensionApplication()) {
    if (auto key = app->keyWindow()) controller = rt::as<ui::ViewController>(key->rootViewController());
    if (!controller) {
      auto windows = app->windows();
      if (!windows.empty() && windows.front()) controller = rt::as<ui::ViewController>(windows.front()->rootViewController());
    }
  }
  if (!controller) controller = base::viewController(view);
  while (controller && !(controller->isViewLoaded() && controller->view()->window()))
    controller = controller->presentedViewController();
  return controller;
}

}  // namespace

// ---- change-notifying setters

void DUDaviDira::setTextNotifying(const rt::String& value) {
  storeNotifying(*this, "text", text_, value, [](const rt::String& a, const rt::String& b) { return a == b; });
  setAccessibilityLabel(text_);
}

void DUDaviDira::setFontNotifying(const Ref<typeset::Font>& value) {
  storeNotifying(*this, "font", font_, value, [](const auto& a, const auto& b) { return sameObject(a.get(), b.get()); });
}

void DUDaviDira::setTextColorNotifying(const Ref<gfx::Color>& value) {
  storeNotifying(*this, "textColor", textColor_, value,
                 [](const auto& a, const auto& b) { return sameObject(a.get(), b.get()); });
}

void DUDaviDira::setTextAlignmentNotifying(typeset::TextAlignment value) {
  storeNotifying(*this, "textAlignment", textAlignment_, value, [](auto a, auto b) { return a == b; });
}

void DUDaviDira::setDataDetectorTypesNotifying(uint64_t value) {
  storeNotifying(*this, "dataDetectorTypes", dataDetectorTypes_, value, [](auto a, auto b) { return a == b; });
}

void DUDaviDira::setLinkTextAttributesNotifying(const Ref<fd::Dictionary>& value) {
  storeNotifying(*this, "linkTextAttributes", linkTextAttributes_, copyOf(value),
                 [](const auto& a, const auto& b) { return sameObject(a.get(), b.get()); });
}

void DUDaviDira::setHighlightTextAttributesNotifying(const Ref<fd::Dictionary>& value) {
  storeNotifying(*this, "highlightTextAttributes", highlightTextAttributes_, copyOf(value),
                 [](const auto& a, const auto& b) { return sameObject(a.get(), b.get()); });
}

void DUDaviDira::setTextParserNotifying(const Ref<text::DRTextParser>& value) {
  storeNotifying(*this, "textParser", textParser_, value, [](const auto& a, const auto& b) { return a == b; });
}

void DUDaviDira::setAttributedTextNotifying(const Ref<typeset::AttributedString>& value) {
  if (attributedText_ == value || sameObject(attributedText_.get(), value.get())) return;
  storeNotifying(*this, "attributedText", attributedText_, copyOf(value),
                 [](const auto&, const auto&) { return false; });
}

void DUDaviDira::setTextContainerInsetNotifying(gfx::EdgeInsets value) {
  storeNotifying(*this, "textContainerInset", textContainerInset_, value, [](auto a, auto b) { return a == b; });
}

void DUDaviDira::setExclusionPathsNotifying(const std::vector<Ref<gfx::BezierPath>>& value) {
  if (samePaths(exclusionPaths_, value)) return;
  std::vector<Ref<gfx::BezierPath>> copies;
  for (const auto& path : value)
    if (path) copies.push_back(copyOf(path));
  storeNotifying(*this, "exclusionPaths", exclusionPaths_, std::move(copies),
                 [](const auto&, const auto&) { return false; });
}

void DUDaviDira::setVerticalFormNotifying(bool value) {
  storeNotifying(*this, "verticalForm", verticalForm_, value, [](auto a, auto b) { return a == b; });
}

void DUDaviDira::setLinePositionModifierNotifying(const Ref<text::DRTextLinePositionModifier>& value) {
  if (linePositionModifier_ == value) return;
  storeNotifying(*this, "linePositionModifier", linePositionModifier_, copyOfModifier(value),
                 [](const auto&, const auto&) { return false; });
}

void DUDaviDira::setSelectedRangeNotifying(rt::Range value) {
  storeNotifying(*this, "selectedRange", selectedRange_, value, [](auto a, auto b) { return a == b; });
}

void DUDaviDira::setTypingAttributesNotifying(const Ref<fd::Dictionary>& value) {
  storeNotifying(*this, "typingAttributes", typingAttributes_, copyOf(value),
                 [](const auto& a, const auto& b) { return sameObject(a.get(), b.get()); });
}

// ---- undo and redo

void DUDaviDira::saveToUndoStack() {
  // The inner text, not the published copy, which the look setters leave behind until the
  // next refresh.
  history_.saveToUndo(*innerText_, selectedTextRange_->asRange());
}

bool DUDaviDira::canUndo() const { return history_.canUndo(*innerText_); }

bool DUDaviDira::canRedo() const { return history_.canRedo(*innerText_); }

void DUDaviDira::undo() {
  // An open composition is committed first: it is part of what the redo brings back.
  if (markedTextRange_) unmarkText();
  auto snapshot = history_.takeUndo(*innerText_, selectedTextRange_->asRange());
  if (snapshot) restoreSnapshot(*snapshot);
}

void DUDaviDira::redo() {
  if (markedTextRange_) unmarkText();
  auto snapshot = history_.takeRedo(*innerText_, selectedTextRange_->asRange());
  if (snapshot) restoreSnapshot(*snapshot);
}

void DUDaviDira::restoreSnapshot(const DUDaviDiraUndoObject& snapshot) {
  state_.insideUndoBlock = true;
  setAttributedText(snapshot.text());
  setSelectedRange(snapshot.selectedRange());
  state_.insideUndoBlock = false;
  // The selection restored is the one kept, published and drawn, whatever the setters skipped.
  rt::Range range = clusterAlignedRange(snapshot.selectedRange());
  if (selectedTextRange_->asRange() != range) selectedTextRange_ = text::DRTextRange::rangeWithRange(range);
  updateOuterProperties();
  updateSelectionView();
  if (isFirstResponder()) scrollRangeToVisible(selectedTextRange_);
  // Those shown the new text with the whole of it selected hear where the selection ended up.
  if (auto delegate = outerDelegate_.lock()) delegate->textViewDidChangeSelection(*this);
  // Whatever is typed next is a step of its own, and the redo stack goes with it.
  history_.setLastTypeRange(rt::NotFoundRange);
}

Ref<ui::AlertController> DUDaviDira::makeUndoRedoAlert() { return makeUndoRedoAlert(localizedUndoStrings()); }

Ref<ui::AlertController> DUDaviDira::makeUndoRedoAlert(const DUDaviDiraUndoStrings& strings) {
  bool undoable = canUndo(), redoable = canRedo();
  if (!undoable && !redoable) return nullptr;
  rt::String title = undoable ? strings[DUDaviDiraUndoStringUndoTyping] : strings[DUDaviDiraUndoStringRedoTyping];
  auto alert = ui::AlertController::alertControllerWithTitle(title, rt::String(), ui::AlertControllerStyle::Alert);
  Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());
  // Each action carries what it does: in some languages cancel and undo share one title.
  auto act = [weak](void (DUDaviDira::*step)()) {
    return [weak, step](ui::AlertAction&) {
      auto view = weak.lock();
      if (!view) return;
      if (step) (view.get()->*step)();
      view->restoreFirstResponderAfterUndoAlert();
    };
  };
  if (undoable)
    alert->addAction(ui::AlertAction::actionWithTitle(strings[DUDaviDiraUndoStringUndo], ui::AlertActionStyle::Default,
                                                      act(&DUDaviDira::undo)));
  if (redoable)
    alert->addAction(ui::AlertAction::actionWithTitle(
        undoable ? strings[DUDaviDiraUndoStringRedoTyping] : strings[DUDaviDiraUndoStringRedo],
        ui::AlertActionStyle::Default, act(&DUDaviDira::redo)));
  alert->addAction(ui::AlertAction::actionWithTitle(strings[DUDaviDiraUndoStringCancel], ui::AlertActionStyle::Cancel,
                                                    act(nullptr)));
  return alert;
}

bool DUDaviDira::showUndoRedoAlert() {
  state_.firstResponderBeforeUndoAlert = isFirstResponder();
  if (base::systemVersion() < 8) {
    auto legacy = makeUndoRedoAlertView(localizedUndoStrings());
    if (!legacy) return false;
    legacy->show();
    return true;
  }
  auto alert = makeUndoRedoAlert();
  if (!alert) return false;
  auto presenter = presentingController(*this);
  if (!presenter) return false;
  presenter->presentViewController(alert, true);
  return true;
}

void DUDaviDira::restoreFirstResponderAfterUndoAlert() {
  if (!state_.firstResponderBeforeUndoAlert) return;
  Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());
  dispatch::MainQueue::shared().async([weak] {
    if (auto view = weak.lock()) view->becomeFirstResponder();
  });
}

}  // namespace textview
