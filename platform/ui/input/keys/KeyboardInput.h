#pragma once
// Hardware keyboard and input-method input for the first responder: typed and committed text
// become insertText, a composition becomes marked text, key presses go along the responder
// chain as presses and become editing commands on a responder that takes text (moves, Shift
// to extend the selection, Ctrl by word or to the ends, deletions) or actions sent along the
// chain (Ctrl+A/C/X/V/Z, Ctrl+Shift+Z and Ctrl+Y, Ctrl+Insert and Shift+Insert). It is the
// focused input's input delegate: when the input ends a composition on its own (a tap, a
// selection from its menu, losing focus), the desktop's input method is told to reset. One per
// host; main thread only.
#include <functional>
#include <memory>
#include <optional>

#include "platform/graphics/Geometry.h"
#include "platform/runtime/Ref.h"
#include "platform/runtime/String.h"
#include "platform/ui/input/keys/Key.h"
#include "platform/ui/input/text/TextPosition.h"

namespace ui {

class Responder;
class TextInput;
class View;
class Window;

class KeyboardInput {
 public:
  KeyboardInput();
  ~KeyboardInput();
  KeyboardInput(const KeyboardInput&) = delete;
  KeyboardInput& operator=(const KeyboardInput&) = delete;

  /// The responder that takes text: the first responder when it implements text input.
  static TextInput* focusedTextInput();
  /// Becomes the input delegate of the focused input (the host calls it as focus may move).
  void followFocus();
  /// Called when the desktop's input method must drop its composition: the input ended it on
  /// its own while the input method was still composing.
  void setInputMethodReset(std::function<void()> reset) { reset_ = std::move(reset); }
  /// Whether the input method has a composition under way (shown as marked text).
  bool isComposing() const { return composing_; }
  /// Committed text (typed, or the end of a composition).
  void typeText(const rt::String& text);
  /// The input method's current composition and its selected range (UTF-16 units within it);
  /// empty text ends the composition without typing anything.
  void compose(const rt::String& text, rt::Range selected);
  /// Input that was already waiting follows, until `endBatch`: the focused input (when it
  /// begins) may lay out once at the end. Does not nest.
  void beginBatch();
  void endBatch();
  /// A key press; `window` gets the shake. Answers whether it did anything beyond the press.
  bool press(const KeyPress& key, const Ref<Window>& window);

  /// Where the input method's candidates go: the caret (or the selection's first rectangle)
  /// of the focused input in screen coordinates; nothing without a focused input in a window.
  std::optional<gfx::Rect> caretRectOnScreen() const;

 private:
  bool edit(TextInput& input, const KeyPress& key);
  void moveOrExtend(TextInput& input, const KeyPress& key);
  Ref<TextPosition> target(TextInput& input, const Ref<TextPosition>& from, const KeyPress& key) const;
  bool sendAction(const char* name);
  void inputChangedOnItsOwn(TextInput* input);

  class Listener;
  std::shared_ptr<Listener> listener_;
  std::function<void()> reset_;
  bool composing_ = false;
  int feeding_ = 0;  // inside a call that hands the input method's text to the input

  // The responder a batch began on, and its text input.
  Ref<Responder> batched_;
  TextInput* batchedInput_ = nullptr;

  // The fixed end of a selection being extended, while the selection is the one we made.
  const TextInput* extending_ = nullptr;
  Ref<TextPosition> anchor_, focus_;
};

}  // namespace ui
