#include "platform/ui/input/keys/KeyboardInput.h"

#include <utility>

#include "platform/ui/input/Event.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/input/text/TextInput.h"
#include "platform/ui/input/text/TextInputTokenizer.h"
#include "platform/ui/view/Responder.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/Window.h"

namespace ui {

namespace {

constexpr int64_t kPageLines = 10;

TextDirection forwardDir() { return textDirection(TextStorageDirection::Forward); }
TextDirection backwardDir() { return textDirection(TextStorageDirection::Backward); }

bool isForwardKey(Key k) { return k == Key::Right || k == Key::Down || k == Key::End || k == Key::PageDown; }

}  // namespace

/// Hears what the focused input changes on its own.
class KeyboardInput::Listener : public TextInputDelegate {
 public:
  explicit Listener(KeyboardInput& owner) : owner_(owner) {}
  void selectionDidChange(TextInput* input) override { owner_.inputChangedOnItsOwn(input); }
  void textDidChange(TextInput* input) override { owner_.inputChangedOnItsOwn(input); }
  const TextInput* input = nullptr;  // the input we were last made the delegate of

 private:
  KeyboardInput& owner_;
};

KeyboardInput::KeyboardInput() : listener_(std::make_shared<Listener>(*this)) {}
KeyboardInput::~KeyboardInput() = default;

TextInput* KeyboardInput::focusedTextInput() {
  return dynamic_cast<TextInput*>(Responder::currentFirstResponder().get());
}

void KeyboardInput::followFocus() {
  auto* input = focusedTextInput();
  if (input == listener_->input) return;
  listener_->input = input;
  // A composition belongs to the input it was started in.
  if (composing_) {
    composing_ = false;
    if (reset_) reset_();
  }
  if (input) input->setInputDelegate(listener_);
}

void KeyboardInput::inputChangedOnItsOwn(TextInput* input) {
  if (feeding_ || !composing_ || !input || input->markedTextRange()) return;
  composing_ = false;
  if (reset_) reset_();
}

void KeyboardInput::typeText(const rt::String& text) {
  if (auto* input = focusedTextInput()) {
    extending_ = nullptr;
    ++feeding_;
    input->insertText(text);
    --feeding_;
    composing_ = false;
  }
}

void KeyboardInput::beginBatch() {
  endBatch();
  batched_ = Responder::currentFirstResponder();
  batchedInput_ = dynamic_cast<TextInput*>(batched_.get());
  if (batchedInput_) batchedInput_->beginBatchedInput();
}

void KeyboardInput::endBatch() {
  // The input it began on, wherever the focus went meanwhile.
  Ref<Responder> held = std::move(batched_);
  TextInput* input = std::exchange(batchedInput_, nullptr);
  if (input) input->endBatchedInput();
}

void KeyboardInput::compose(const rt::String& text, rt::Range selected) {
  auto* input = focusedTextInput();
  // An empty composition with none under way is the input method tidying up, not a deletion.
  if (!input || (text.isEmpty() && !input->markedTextRange())) {
    if (text.isEmpty()) composing_ = false;
    return;
  }
  extending_ = nullptr;
  ++feeding_;
  input->setMarkedText(text, selected);
  --feeding_;
  composing_ = input->markedTextRange() != nullptr;
}

bool KeyboardInput::sendAction(const char* name) {
  auto first = Responder::currentFirstResponder();
  if (!first) return false;
  rt::Selector action = rt::Selector::named(name);
  auto to = first->targetForAction(action, nullptr);
  if (!to || !to->canPerformAction(action, nullptr)) return false;
  to->performSelector(action, {rt::Value::ofObject(nullptr)});
  return true;
}

bool KeyboardInput::press(const KeyPress& key, const Ref<Window>& window) {
  if (key.key == Key::Shake) {
    if (!window) return false;
    TouchInput(window).shake();
    return true;
  }
  auto first = Responder::currentFirstResponder();
  auto event = rt::make<Event>(EventType::Presses, EventSubtype::None);
  auto press = rt::make<Press>(key);
  if (first) first->pressesBegan(*press, event.get());
  bool done = false;
  if (key.key == Key::Character && key.control()) {
    switch (key.character) {
      case U'a': done = sendAction("selectAll:"); break;
      case U'c': done = sendAction("copy:"); break;
      case U'x': done = sendAction("cut:"); break;
      case U'v': done = sendAction("paste:"); break;
      case U'z': done = sendAction(key.shift() ? "redo:" : "undo:"); break;
      case U'y': done = sendAction("redo:"); break;
      default: break;
    }
  } else if (key.key == Key::Insert && (key.shift() || key.control())) {
    done = sendAction(key.shift() ? "paste:" : "copy:");
  } else if (auto* input = focusedTextInput()) {
    done = edit(*input, key);
  }
  if (first) first->pressesEnded(*press, event.get());
  return done;
}

Ref<TextPosition> KeyboardInput::target(TextInput& input, const Ref<TextPosition>& from, const KeyPress& key) const {
  auto tokenizer = input.tokenizer();
  switch (key.key) {
    case Key::Left:
    case Key::Right: {
      bool fwd = key.key == Key::Right;
      if (key.control() && tokenizer)
        return tokenizer->positionFromPositionToBoundary(from, TextGranularity::Word, fwd ? forwardDir() : backwardDir());
      return input.positionFromPosition(from, fwd ? TextLayoutDirection::Right : TextLayoutDirection::Left, 1);
    }
    case Key::Up: return input.positionFromPosition(from, TextLayoutDirection::Up, 1);
    case Key::Down: return input.positionFromPosition(from, TextLayoutDirection::Down, 1);
    case Key::PageUp: return input.positionFromPosition(from, TextLayoutDirection::Up, kPageLines);
    case Key::PageDown: return input.positionFromPosition(from, TextLayoutDirection::Down, kPageLines);
    case Key::Home:
    case Key::End: {
      bool fwd = key.key == Key::End;
      if (key.control() || !tokenizer) return fwd ? input.endOfDocument() : input.beginningOfDocument();
      // The line the caret shows on: where a line wraps, one offset ends a line and starts the
      // next, and the affinity says which of the two the caret stands on.
      bool endsLine = tokenizer->isPositionAtBoundary(from, TextGranularity::Line, forwardDir());
      bool startsLine = tokenizer->isPositionAtBoundary(from, TextGranularity::Line, backwardDir());
      bool onLineBefore = endsLine && (!startsLine || from->affinity() == TextAffinity::Backward);
      TextDirection side = onLineBefore ? backwardDir() : forwardDir();
      auto line = tokenizer->rangeEnclosingPosition(from, TextGranularity::Line, side);
      if (!line) line = tokenizer->rangeEnclosingPosition(from, TextGranularity::Line, onLineBefore ? forwardDir() : backwardDir());
      if (!line) return from;  // an empty line
      if (!fwd) return line->start();
      // A wrapped line's end is also the next line's start: the caret stays on this line.
      auto end = line->end();
      if (tokenizer->isPositionAtBoundary(end, TextGranularity::Line, backwardDir()))
        return rt::make<TextPosition>(end->offset(), TextAffinity::Backward);
      return end;
    }
    default: return from;
  }
}

void KeyboardInput::moveOrExtend(TextInput& input, const KeyPress& key) {
  auto sel = input.selectedTextRange();
  if (!sel) return;
  if (!key.shift()) {
    extending_ = nullptr;
    // Left or right over a selection collapses it to that side.
    if (!sel->isEmpty() && !key.control() && (key.key == Key::Left || key.key == Key::Right)) {
      auto at = key.key == Key::Left ? sel->start() : sel->end();
      input.setSelectedTextRange(rt::make<TextRange>(at, at));
      return;
    }
    auto from = isForwardKey(key.key) ? sel->end() : sel->start();
    auto to = target(input, from, key);
    if (to) input.setSelectedTextRange(rt::make<TextRange>(to, to));
    return;
  }
  // Extending: keep the anchor while the selection is still the one this made.
  bool ours = extending_ == &input && anchor_ && focus_ &&
              rt::make<TextRange>(anchor_, focus_)->asRange() == sel->asRange();
  if (!ours) {
    anchor_ = isForwardKey(key.key) ? sel->start() : sel->end();
    focus_ = isForwardKey(key.key) ? sel->end() : sel->start();
  }
  auto to = target(input, focus_, key);
  if (!to) return;
  focus_ = to;
  extending_ = &input;
  input.setSelectedTextRange(rt::make<TextRange>(anchor_, focus_));
}

bool KeyboardInput::edit(TextInput& input, const KeyPress& key) {
  switch (key.key) {
    case Key::Left:
    case Key::Right:
    case Key::Up:
    case Key::Down:
    case Key::Home:
    case Key::End:
    case Key::PageUp:
    case Key::PageDown:
      moveOrExtend(input, key);
      return true;
    case Key::Backspace:
    case Key::Delete: {
      extending_ = nullptr;
      auto sel = input.selectedTextRange();
      if (!sel) return false;
      bool back = key.key == Key::Backspace;
      if (!sel->isEmpty() || input.markedTextRange()) {
        if (back) input.deleteBackward();
        else input.replaceRange(sel, rt::String());
        return true;
      }
      if (back && !key.control()) {
        input.deleteBackward();
        return true;
      }
      Ref<TextPosition> to;
      auto tokenizer = input.tokenizer();
      if (key.control() && tokenizer)
        to = tokenizer->positionFromPositionToBoundary(sel->start(), TextGranularity::Word, back ? backwardDir() : forwardDir());
      else
        to = input.positionFromPosition(sel->start(), TextLayoutDirection::Right, 1);
      auto range = rt::make<TextRange>(sel->start(), to);
      if (range && !range->isEmpty()) input.replaceRange(range, rt::String());
      return true;
    }
    case Key::Return:
      typeText("\n");
      return true;
    case Key::Tab:
      typeText("\t");
      return true;
    case Key::Escape:
      // Escape drops a composition under way.
      if (!input.markedTextRange()) return false;
      input.setMarkedText(rt::String(), {0, 0});
      return true;
    case Key::Character:
      // Characters arrive as text from the desktop's input; only a host without one (a
      // script) types them from here.
      return false;
    default: return false;
  }
}

std::optional<gfx::Rect> KeyboardInput::caretRectOnScreen() const {
  auto first = Responder::currentFirstResponder();
  auto* input = dynamic_cast<TextInput*>(first.get());
  auto* view = dynamic_cast<View*>(first.get());
  if (!input || !view) return std::nullopt;
  auto window = view->window();
  if (!window) return std::nullopt;
  auto sel = input->selectedTextRange();
  if (!sel) return std::nullopt;
  gfx::Rect r = input->caretRectForPosition(sel->end());
  return window->convertRectToWindow(view->convertRectToView(r, nullptr), nullptr);
}

}  // namespace ui
