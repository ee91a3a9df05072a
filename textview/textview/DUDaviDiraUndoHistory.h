#pragma once
// The text view's undo history: two stacks (oldest first) of whole-text snapshots, each the
// entire attributed text and the selected range at that moment.
#include <vector>

#include "platform/typeset/AttributedString.h"

namespace textview {

class DUDaviDiraUndoObject : public rt::Object {
  RT_CLASS_NAMED(DUDaviDiraUndoObject, rt::Object, "_DUDaviDiraUndoObject")
 public:
  void init() {}
  /// A null text is kept as an empty one.
  static Ref<DUDaviDiraUndoObject> objectWithText(const Ref<typeset::AttributedString>& text, rt::Range range);
  const Ref<typeset::AttributedString>& text() const { return text_; }
  void setText(Ref<typeset::AttributedString> text) { text_ = std::move(text); }
  rt::Range selectedRange() const { return selectedRange_; }
  void setSelectedRange(rt::Range range) { selectedRange_ = range; }

 private:
  Ref<typeset::AttributedString> text_;
  rt::Range selectedRange_{0, 0};
};

class DUDaviDiraUndoHistory {
 public:
  using Stack = std::vector<Ref<DUDaviDiraUndoObject>>;

  const Stack& undoStack() const { return undo_; }
  const Stack& redoStack() const { return redo_; }
  rt::Range lastTypeRange() const { return lastTypeRange_; }
  void setLastTypeRange(rt::Range range) { lastTypeRange_ = range; }
  bool allowsUndoAndRedo() const { return allowsUndoAndRedo_; }
  void setAllowsUndoAndRedo(bool on) { allowsUndoAndRedo_ = on; }
  uint64_t maximumUndoLevel() const { return maximumUndoLevel_; }
  void setMaximumUndoLevel(uint64_t level) { maximumUndoLevel_ = level; }

  /// Empties both stacks and starts the undo stack with the current state, allowed or not.
  void reset(const typeset::AttributedString& text, rt::Range selection);
  void resetRedo() { redo_.clear(); }
  /// Pushes the current state unless it equals the newest snapshot; drops the oldest beyond
  /// the maximum level.
  void saveToUndo(const typeset::AttributedString& text, rt::Range selection);
  void saveToRedo(const typeset::AttributedString& text, rt::Range selection);
  bool canUndo(const typeset::AttributedString& text) const { return canRestore(undo_, text); }
  bool canRedo(const typeset::AttributedString& text) const { return canRestore(redo_, text); }
  /// The snapshot to restore for an undo (the current state goes onto the redo stack), or null
  /// when there is nothing to undo.
  Ref<DUDaviDiraUndoObject> takeUndo(const typeset::AttributedString& text, rt::Range selection);
  Ref<DUDaviDiraUndoObject> takeRedo(const typeset::AttributedString& text, rt::Range selection);

 private:
  static bool canRestore(const Stack& stack, const typeset::AttributedString& text);
  /// Whether a snapshot was pushed.
  bool save(Stack& stack, const typeset::AttributedString& text, rt::Range selection);

  Stack undo_;
  Stack redo_;
  rt::Range lastTypeRange_{0, 0};
  bool allowsUndoAndRedo_ = true;
  uint64_t maximumUndoLevel_ = 20;
};

}  // namespace textview
