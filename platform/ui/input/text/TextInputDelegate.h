#pragma once
// Told by a text input around every change it makes on its own (not those it was asked to
// make through the input calls), so that an input method can drop what it assumed.
namespace ui {

class TextInput;

class TextInputDelegate {
 public:
  virtual ~TextInputDelegate() = default;
  virtual void selectionWillChange(TextInput* input) { (void)input; }
  virtual void selectionDidChange(TextInput* input) { (void)input; }
  virtual void textWillChange(TextInput* input) { (void)input; }
  virtual void textDidChange(TextInput* input) { (void)input; }
};

}  // namespace ui
