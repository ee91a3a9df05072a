#pragma once
// Moving through a text input's text by unit: characters, words, sentences, paragraphs,
// lines, the document. Directions are storage or layout directions; right and down count as
// forward. The string tokenizer reads the text from its input on every call (the text may
// have changed since) and finds lines from the input's caret rectangles.
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/input/text/TextInputTypes.h"
#include "platform/ui/input/text/TextPosition.h"

namespace ui {

class TextInput;

class TextInputTokenizer {
 public:
  virtual ~TextInputTokenizer() = default;
  /// The unit holding the character after (forward) or before the position; null when none.
  virtual Ref<TextRange> rangeEnclosingPosition(const Ref<TextPosition>& p, TextGranularity g,
                                                TextDirection direction) const = 0;
  virtual bool isPositionAtBoundary(const Ref<TextPosition>& p, TextGranularity g, TextDirection direction) const = 0;
  /// The next unit end (forward) or previous unit start; null at the text's end (start).
  virtual Ref<TextPosition> positionFromPositionToBoundary(const Ref<TextPosition>& p, TextGranularity g,
                                                           TextDirection direction) const = 0;
  virtual bool isPositionWithinTextUnit(const Ref<TextPosition>& p, TextGranularity g,
                                        TextDirection direction) const = 0;
};

class TextInputStringTokenizer : public rt::Object, public TextInputTokenizer {
  RT_CLASS_NAMED(TextInputStringTokenizer, rt::Object, "UITextInputStringTokenizer")
 public:
  /// `owner` is the object behind `input` (held weakly: the input owns its tokenizer); once it
  /// is gone every query answers nothing.
  void init(const TextInput* input, Weak<const rt::Object> owner) { input_ = input, owner_ = std::move(owner); }

  Ref<TextRange> rangeEnclosingPosition(const Ref<TextPosition>& p, TextGranularity g,
                                        TextDirection direction) const override;
  bool isPositionAtBoundary(const Ref<TextPosition>& p, TextGranularity g, TextDirection direction) const override;
  Ref<TextPosition> positionFromPositionToBoundary(const Ref<TextPosition>& p, TextGranularity g,
                                                   TextDirection direction) const override;
  bool isPositionWithinTextUnit(const Ref<TextPosition>& p, TextGranularity g, TextDirection direction) const override;

 private:
  template <class F> auto withBoundaries(F&& f) const;

  const TextInput* input_ = nullptr;
  Weak<const rt::Object> owner_;
};

}  // namespace ui
