#pragma once
// Single-line text fields: text or placeholder, side views, a clear button while editing,
// editing events and notifications. Text arrives through the text-input calls (the keyboard,
// an input method's marked text, the edit actions); the caret and the selection always sit
// between whole characters (grapheme clusters).
#include <optional>

#include "platform/runtime/Range.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/Line.h"
#include "platform/typeset/ParagraphStyle.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Control.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/input/text/TextInput.h"
#include "platform/ui/input/text/TextInputTokenizer.h"

namespace ui {

class TextField;

enum class TextBorderStyle : int64_t { None = 0, Line = 1, Bezel = 2, RoundedRect = 3 };
enum class TextFieldViewMode : int64_t { Never = 0, WhileEditing = 1, UnlessEditing = 2, Always = 3 };

inline constexpr const char* UITextFieldTextDidBeginEditingNotification = "UITextFieldTextDidBeginEditingNotification";
inline constexpr const char* UITextFieldTextDidChangeNotification = "UITextFieldTextDidChangeNotification";
inline constexpr const char* UITextFieldTextDidEndEditingNotification = "UITextFieldTextDidEndEditingNotification";

/// Optional operations; nullopt means "does not respond".
class TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;
  virtual std::optional<bool> textFieldShouldBeginEditing(TextField& f) { (void)f; return std::nullopt; }
  virtual void textFieldDidBeginEditing(TextField& f) { (void)f; }
  virtual std::optional<bool> textFieldShouldEndEditing(TextField& f) { (void)f; return std::nullopt; }
  virtual void textFieldDidEndEditing(TextField& f) { (void)f; }
  virtual std::optional<bool> shouldChangeCharactersInRange(TextField& f, rt::Range range, const rt::String& replacement) {
    (void)f; (void)range; (void)replacement; return std::nullopt;
  }
  virtual std::optional<bool> textFieldShouldClear(TextField& f) { (void)f; return std::nullopt; }
  virtual std::optional<bool> textFieldShouldReturn(TextField& f) { (void)f; return std::nullopt; }
};

class TextField : public Control, public TextInput {
  RT_CLASS_NAMED(TextField, Control, "UITextField")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);

  rt::String text() const { return text_; }
  /// Programmatic changes send no events and no notification, as on the platform.
  void setText(const rt::String& text);
  rt::String placeholder() const { return placeholder_; }
  void setPlaceholder(const rt::String& p) { placeholder_ = p; refresh(); }
  Ref<typeset::Font> font() const { return label_->font(); }
  void setFont(Ref<typeset::Font> f) { label_->setFont(std::move(f)); setNeedsLayout(); }
  Ref<gfx::Color> textColor() const { return textColor_; }
  void setTextColor(Ref<gfx::Color> c) { textColor_ = std::move(c); refresh(); }
  typeset::TextAlignment textAlignment() const { return label_->textAlignment(); }
  void setTextAlignment(typeset::TextAlignment a) { label_->setTextAlignment(a); }
  TextBorderStyle borderStyle() const { return borderStyle_; }
  void setBorderStyle(TextBorderStyle s);
  Weak<TextFieldDelegate> delegate() const { return delegate_; }
  void setDelegate(Weak<TextFieldDelegate> d) { delegate_ = std::move(d); }

  Ref<View> leftView() const { return leftView_; }
  void setLeftView(Ref<View> v);
  TextFieldViewMode leftViewMode() const { return leftViewMode_; }
  void setLeftViewMode(TextFieldViewMode m) { leftViewMode_ = m; setNeedsLayout(); }
  Ref<View> rightView() const { return rightView_; }
  void setRightView(Ref<View> v);
  TextFieldViewMode rightViewMode() const { return rightViewMode_; }
  void setRightViewMode(TextFieldViewMode m) { rightViewMode_ = m; setNeedsLayout(); }
  TextFieldViewMode clearButtonMode() const { return clearButtonMode_; }
  void setClearButtonMode(TextFieldViewMode m) { clearButtonMode_ = m; setNeedsLayout(); }
  /// Shown per the clear-button mode; a tap clears the text.
  const Ref<Button>& clearButton() const { return clearButton_; }

  bool isEditing() const { return editing_; }
  bool canBecomeFirstResponder() const override { return isEnabled(); }
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;
  bool canPerformAction(rt::Selector action, const rt::Id& sender) const override;

  // ---- editing shortcuts
  /// Return key: asks the delegate, then sends editing-did-end-on-exit.
  void returnKey();
  /// Clears as the clear button does (the delegate may refuse).
  void clear();
  rt::Range selectedRange() const { return selection_; }
  /// Clamped to the text and widened to whole characters.
  void setSelectedRange(rt::Range r);
  void selectAll();

  // ---- edit actions (sent along the responder chain)
  void cutAction(const rt::Id& sender);
  void copyAction(const rt::Id& sender);
  void pasteAction(const rt::Id& sender);
  void selectAction(const rt::Id& sender);
  void selectAllAction(const rt::Id& sender) { (void)sender; selectAll(); }
  void deleteAction(const rt::Id& sender);

  // ---- text input
  bool hasText() const override { return !text_.isEmpty(); }
  /// Commits marked text when there is some; a line break is the return key.
  void insertText(const rt::String& text) override;
  /// Deletes the selection, else the whole character before the caret.
  void deleteBackward() override;
  rt::String textInRange(const Ref<TextRange>& range) const override;
  void replaceRange(const Ref<TextRange>& range, const rt::String& text) override;
  Ref<TextRange> selectedTextRange() const override;
  void setSelectedTextRange(const Ref<TextRange>& range) override;
  Ref<TextRange> markedTextRange() const override;
  void setMarkedText(const rt::String& marked, rt::Range selected) override;
  void unmarkText() override;
  Ref<TextPosition> beginningOfDocument() const override { return rt::make<TextPosition>(0); }
  Ref<TextPosition> endOfDocument() const override { return rt::make<TextPosition>(int64_t(text_.length())); }
  /// Null when the result falls outside the text; never inside a character.
  Ref<TextPosition> positionFromPosition(const Ref<TextPosition>& p, int64_t offset) const override;
  /// Left and right by characters; up and down to the ends (one line).
  Ref<TextPosition> positionFromPosition(const Ref<TextPosition>& p, TextLayoutDirection direction,
                                         int64_t offset) const override;
  Ref<TextRange> characterRangeByExtendingPosition(const Ref<TextPosition>& p,
                                                   TextLayoutDirection direction) const override;
  WritingDirection baseWritingDirectionForPosition(const Ref<TextPosition>& p,
                                                   TextStorageDirection direction) const override;
  void setBaseWritingDirection(WritingDirection direction, const Ref<TextRange>& range) override;
  gfx::Rect firstRectForRange(const Ref<TextRange>& range) const override;
  gfx::Rect caretRectForPosition(const Ref<TextPosition>& p) const override;
  std::vector<Ref<TextSelectionRect>> selectionRectsForRange(const Ref<TextRange>& range) const override;
  using TextInput::closestPositionToPoint;
  Ref<TextPosition> closestPositionToPoint(gfx::Point point) const override;
  Ref<TextRange> characterRangeAtPoint(gfx::Point point) const override;
  Ref<fd::Dictionary> textStylingAtPosition(const Ref<TextPosition>& p, TextStorageDirection direction) const override;
  TextInputTraits textInputTraits() const override { return traits_; }
  /// Secure entry shows a dot for every character.
  void setTextInputTraits(const TextInputTraits& traits);
  Weak<TextInputDelegate> inputDelegate() const override { return inputDelegate_; }
  void setInputDelegate(Weak<TextInputDelegate> d) override { inputDelegate_ = std::move(d); }
  Ref<TextInputTokenizer> tokenizer() const override;

  gfx::Rect textRectForBounds(gfx::Rect bounds) const;
  gfx::Rect leftViewRectForBounds(gfx::Rect bounds) const;
  gfx::Rect rightViewRectForBounds(gfx::Rect bounds) const;
  gfx::Rect clearButtonRectForBounds(gfx::Rect bounds) const;
  gfx::Size intrinsicContentSize() const override;
  gfx::Size sizeThatFits(gfx::Size size) const override;
  void layoutSubviews() override;
  void touchesEnded(const TouchSet& touches, Event* event) override;

  /// The label that shows the text or the placeholder.
  const Ref<Label>& displayLabel() const { return label_; }

 private:
  bool shows(TextFieldViewMode mode) const;
  /// Asks the delegate, then edits; false when refused. Marked text ends unless `marking`.
  bool replace(rt::Range range, const rt::String& replacement, bool marking = false);
  /// The range within the text, on character boundaries; nothing for a null range.
  std::optional<rt::Range> corrected(const Ref<TextRange>& range) const;
  /// The nearest character boundary at or after (or before) `offset`, within the text.
  uint64_t snap(int64_t offset, bool forward) const;
  /// The x of the caret at `offset` in the field's coordinates.
  double caretX(uint64_t offset) const;
  rt::String displayedText() const;
  void tellInputDelegate(bool will);
  void textChangedByUser();
  void refresh();
  void post(const char* name);

  rt::String text_, placeholder_;
  Ref<gfx::Color> textColor_;
  TextBorderStyle borderStyle_ = TextBorderStyle::None;
  Weak<TextFieldDelegate> delegate_;
  Ref<View> leftView_, rightView_;
  TextFieldViewMode leftViewMode_ = TextFieldViewMode::Never;
  TextFieldViewMode rightViewMode_ = TextFieldViewMode::Never;
  TextFieldViewMode clearButtonMode_ = TextFieldViewMode::Never;
  Ref<Label> label_;
  Ref<Button> clearButton_;
  rt::Range selection_{0, 0};
  std::optional<rt::Range> marked_;
  TextInputTraits traits_;
  WritingDirection baseDirection_ = WritingDirection::Natural;
  Weak<TextInputDelegate> inputDelegate_;
  mutable Ref<TextInputStringTokenizer> tokenizer_;
  mutable Ref<typeset::Line> line_;  // the displayed text, set as one line, for geometry
  bool editing_ = false;
};

}  // namespace ui
