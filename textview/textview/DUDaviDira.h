#pragma once
// The editable rich-text view: a scroll view that owns one attributed text (the inner text),
// lays it out in its own container and shows the layout through a container view, with the
// caret and selection drawn by a selection view in front. Property changes never lay out at
// once: they mark the view and the layout is rebuilt once, at the end of the run-loop turn.
// Text changes are kept as whole-text snapshots for undo and redo. Main thread only.
#include <optional>
#include <vector>

#include "platform/graphics/BezierPath.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/ParagraphStyle.h"
#include "platform/ui/alerts/AlertController.h"
#include "platform/ui/alerts/AlertView.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/input/detectors/DataDetector.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"
#include "platform/ui/input/text/TextInput.h"
#include "platform/ui/input/text/TextInputTokenizer.h"
#include "platform/ui/lists/ScrollView.h"
#include "text/layout/DRTextContainer.h"
#include "text/layout/DRTextLayout.h"
#include "text/layout/DRTextLinePositionModifier.h"
#include "text/model/DRTextDebugOption.h"
#include "text/model/DRTextPosition.h"
#include "text/parsers/DRTextParser.h"
#include "textview/container/DRTextContainerView.h"
#include "textview/keyboard/DRTextKeyboardTransitionRecord.h"
#include "textview/magnifier/DRTextMagnifier.h"
#include "textview/selection/DRTextSelectionView.h"
#include "textview/textview/DUDaviDiraDelegate.h"
#include "textview/textview/DUDaviDiraUndoHistory.h"
#include "textview/textview/DUDaviDiraUndoStrings.h"

namespace textview {

inline const rt::String DUDaviDiraTextDidBeginEditingNotification = "DUDaviDiraTextDidBeginEditing";
inline const rt::String DUDaviDiraTextDidChangeNotification = "DUDaviDiraTextDidChange";
inline const rt::String DUDaviDiraTextDidEndEditingNotification = "DUDaviDiraTextDidEndEditing";

/// The platform's data-detector bits, and the text-checking bits they stand for.
enum : uint64_t {
  DUDaviDiraDataDetectorPhoneNumber = 1 << 0,
  DUDaviDiraDataDetectorLink = 1 << 1,
  DUDaviDiraDataDetectorAddress = 1 << 2,
  DUDaviDiraDataDetectorCalendarEvent = 1 << 3,
};
enum : uint64_t {
  DUDaviDiraCheckingDate = 1 << 3,
  DUDaviDiraCheckingAddress = 1 << 4,
  DUDaviDiraCheckingLink = 1 << 5,
  DUDaviDiraCheckingPhoneNumber = 1 << 11,
};
/// Text-checking types for data-detector bits; bits with no counterpart are dropped.
uint64_t checkingTypesForDataDetectorTypes(uint64_t types);

/// The width along the lines a view of `boundsSize` offers its text: the insets' sums come off
/// each side, never below 0.
gfx::Size textViewVisibleSize(gfx::Size boundsSize, gfx::EdgeInsets contentInset);

class DUDaviDira : public ui::ScrollView,
                   public DUDaviDiraDelegate,
                   public text::DRTextDebugTarget,
                   public ui::TextInput {
  RT_CLASS(DUDaviDira, ui::ScrollView)
 public:
  static constexpr gfx::EdgeInsets kHorizontalInset{6, 4, 6, 4};
  static constexpr gfx::EdgeInsets kVerticalInset{4, 6, 4, 6};
  static constexpr uint64_t kDefaultMaximumUndoLevel = 20;
  static constexpr double kDefaultFontSize = 12;

  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  ~DUDaviDira() override;

  static Ref<typeset::Font> defaultFont();
  static Ref<gfx::Color> defaultTintColor();

  // ---- delegate (the scroll view's own delegate stays the text view)
  Weak<DUDaviDiraDelegate> textViewDelegate() const { return outerDelegate_; }
  void setTextViewDelegate(Weak<DUDaviDiraDelegate> delegate);
  /// A text-view delegate becomes the outer delegate; any scroll-view delegate hears the
  /// scroll calls passed on.
  void setDelegate(Weak<ui::ScrollViewDelegate> delegate) override;
  /// Multiple touch stays off, whatever is asked.
  void setMultipleTouchEnabled(bool on) override;

  // ---- text and its look
  const rt::String& text() const { return text_; }
  /// Asks the delegate first; a refusal changes nothing.
  void setText(const rt::String& text);
  const Ref<typeset::Font>& font() const { return font_; }
  void setFont(const Ref<typeset::Font>& font);
  const Ref<gfx::Color>& textColor() const { return textColor_; }
  void setTextColor(const Ref<gfx::Color>& color);
  typeset::TextAlignment textAlignment() const { return textAlignment_; }
  void setTextAlignment(typeset::TextAlignment alignment);
  int64_t textVerticalAlignment() const { return textVerticalAlignment_; }
  void setTextVerticalAlignment(int64_t alignment);
  uint64_t dataDetectorTypes() const { return dataDetectorTypes_; }
  void setDataDetectorTypes(uint64_t types);
  /// The text-checking types the detector looks for; 0 when there is no detector.
  uint64_t dataDetectorCheckingTypes() const { return dataDetectorCheckingTypes_; }
  const Ref<fd::Dictionary>& linkTextAttributes() const { return linkTextAttributes_; }
  void setLinkTextAttributes(const Ref<fd::Dictionary>& attributes);
  const Ref<fd::Dictionary>& highlightTextAttributes() const { return highlightTextAttributes_; }
  void setHighlightTextAttributes(const Ref<fd::Dictionary>& attributes);
  const Ref<fd::Dictionary>& typingAttributes() const { return typingAttributes_; }
  void setTypingAttributes(const Ref<fd::Dictionary>& attributes);
  const Ref<typeset::AttributedString>& attributedText() const { return attributedText_; }
  /// Asks the delegate first; a refusal changes nothing. A non-empty text ends up selected.
  void setAttributedText(const Ref<typeset::AttributedString>& text);
  const Ref<text::DRTextParser>& textParser() const { return textParser_; }
  void setTextParser(const Ref<text::DRTextParser>& parser);
  /// The current layout, brought up to date first.
  Ref<text::DRTextLayout> textLayout();

  // ---- placeholder
  const rt::String& placeholderText() const { return placeholderText_; }
  void setPlaceholderText(const rt::String& text);
  const Ref<typeset::Font>& placeholderFont() const { return placeholderFont_; }
  void setPlaceholderFont(const Ref<typeset::Font>& font);
  const Ref<gfx::Color>& placeholderTextColor() const { return placeholderTextColor_; }
  void setPlaceholderTextColor(const Ref<gfx::Color>& color);
  Ref<typeset::AttributedString> placeholderAttributedText() const { return placeholderAttributedText_; }
  void setPlaceholderAttributedText(const Ref<typeset::AttributedString>& text);

  // ---- container
  gfx::EdgeInsets textContainerInset() const { return textContainerInset_; }
  void setTextContainerInset(gfx::EdgeInsets inset);
  const std::vector<Ref<gfx::BezierPath>>& exclusionPaths() const { return exclusionPaths_; }
  void setExclusionPaths(const std::vector<Ref<gfx::BezierPath>>& paths);
  bool isVerticalForm() const { return verticalForm_; }
  void setVerticalForm(bool vertical);
  const Ref<text::DRTextLinePositionModifier>& linePositionModifier() const { return linePositionModifier_; }
  void setLinePositionModifier(const Ref<text::DRTextLinePositionModifier>& modifier);
  Ref<text::DRTextDebugOption> debugOption() const { return containerView_->debugOption(); }
  void setDebugOption(const Ref<text::DRTextDebugOption>& option) override;

  // ---- selection and behaviour
  rt::Range selectedRange() const { return selectedRange_; }
  /// Ignored while marked text exists; a range beyond the text is corrected first.
  void setSelectedRange(rt::Range range);
  bool clearsOnInsertion() const { return clearsOnInsertion_; }
  void setClearsOnInsertion(bool on);
  bool isSelectable() const { return selectable_; }
  void setSelectable(bool on);
  bool isHighlightable() const { return highlightable_; }
  void setHighlightable(bool on);
  bool isEditable() const { return editable_; }
  void setEditable(bool on);
  bool allowsPasteImage() const { return allowsPasteImage_; }
  void setAllowsPasteImage(bool on) { allowsPasteImage_ = on; }
  bool allowsPasteAttributedString() const { return allowsPasteAttributedString_; }
  void setAllowsPasteAttributedString(bool on) { allowsPasteAttributedString_ = on; }
  bool allowsCopyAttributedString() const { return allowsCopyAttributedString_; }
  void setAllowsCopyAttributedString(bool on) { allowsCopyAttributedString_ = on; }
  bool allowsUndoAndRedo() const { return history_.allowsUndoAndRedo(); }
  void setAllowsUndoAndRedo(bool on) { history_.setAllowsUndoAndRedo(on); }
  uint64_t maximumUndoLevel() const { return history_.maximumUndoLevel(); }
  void setMaximumUndoLevel(uint64_t level) { history_.setMaximumUndoLevel(level); }
  double extraAccessoryViewHeight() const { return extraAccessoryViewHeight_; }
  void setExtraAccessoryViewHeight(double height) { extraAccessoryViewHeight_ = height; }
  Ref<ui::View> inputView() const;
  void setInputView(const Ref<ui::View>& view);
  Ref<ui::View> inputAccessoryView() const;
  void setInputAccessoryView(const Ref<ui::View>& view);

  // ---- keyboard traits (platform enumerations, stored only)
  int64_t autocapitalizationType() const { return autocapitalizationType_; }
  void setAutocapitalizationType(int64_t type) { autocapitalizationType_ = type; }
  int64_t autocorrectionType() const { return autocorrectionType_; }
  void setAutocorrectionType(int64_t type) { autocorrectionType_ = type; }
  int64_t spellCheckingType() const { return spellCheckingType_; }
  void setSpellCheckingType(int64_t type) { spellCheckingType_ = type; }
  int64_t keyboardType() const { return keyboardType_; }
  void setKeyboardType(int64_t type) { keyboardType_ = type; }
  int64_t keyboardAppearance() const { return keyboardAppearance_; }
  void setKeyboardAppearance(int64_t appearance) { keyboardAppearance_ = appearance; }
  int64_t returnKeyType() const { return returnKeyType_; }
  void setReturnKeyType(int64_t type) { returnKeyType_ = type; }
  bool enablesReturnKeyAutomatically() const { return enablesReturnKeyAutomatically_; }
  void setEnablesReturnKeyAutomatically(bool on) { enablesReturnKeyAutomatically_ = on; }
  bool isSecureTextEntry() const { return secureTextEntry_; }
  void setSecureTextEntry(bool on) { secureTextEntry_ = on; }

  // ---- editing
  /// Replaces `range` of the text with `text` in the typing attributes, after asking the
  /// delegate; the caret ends after the new text. Posts the text-did-change notification.
  void replaceRange(rt::Range range, const rt::String& text);

  // ---- text input: editing (insert, delete, replace, marked text, selection)
  bool hasText() const override;
  /// Consecutive typing (the caret where the last typing left it) makes one undo step. While
  /// composing, the text replaces the composed characters and ends the composition.
  void insertText(const rt::String& text) override;
  /// One composed character (or bound range) before the caret, or the selection. A bound range
  /// that asks for confirmation is first selected, and goes with the next delete.
  void deleteBackward() override;
  /// "" when the range cannot be corrected.
  rt::String textInRange(const Ref<ui::TextRange>& range) const override;
  /// The one path by which typing, the setters and the edit actions change the text.
  void replaceRange(const Ref<ui::TextRange>& range, const rt::String& text) override;
  /// A DRTextRange.
  Ref<ui::TextRange> selectedTextRange() const override;
  void setSelectedTextRange(const Ref<ui::TextRange>& range) override;
  Ref<ui::TextRange> markedTextRange() const override;
  void setMarkedText(const rt::String& marked, rt::Range selected) override;
  void unmarkText() override;
  /// Within a batch, edits lay out and scroll to the caret once, when it ends.
  void beginBatchedInput() override { ++inputBatch_; }
  void endBatchedInput() override;
  Ref<fd::Dictionary> markedTextStyle() const override { return markedTextStyle_; }
  void setMarkedTextStyle(const Ref<fd::Dictionary>& style) override;
  /// Backward when the selection's end leans backward.
  ui::TextAffinity selectionAffinity() const;
  void setSelectionAffinity(ui::TextAffinity affinity);

  // ---- text input: positions, geometry, hit testing, styling, writing direction
  // Positions and ranges handed out are DRTextPosition and DRTextRange objects; those handed
  // in are corrected against the current text first.
  Ref<ui::TextPosition> beginningOfDocument() const override;
  Ref<ui::TextPosition> endOfDocument() const override;
  Ref<ui::TextRange> textRangeFromPosition(const Ref<ui::TextPosition>& from,
                                           const Ref<ui::TextPosition>& to) const override;
  /// Never inside a composed character or a bound range; null outside the text.
  Ref<ui::TextPosition> positionFromPosition(const Ref<ui::TextPosition>& p, int64_t offset) const override;
  Ref<ui::TextPosition> positionFromPosition(const Ref<ui::TextPosition>& p, ui::TextLayoutDirection direction,
                                             int64_t offset) const override;
  Ref<ui::TextPosition> positionWithinRange(const Ref<ui::TextRange>& range,
                                            ui::TextLayoutDirection farthest) const override;
  Ref<ui::TextPosition> positionWithinRange(const Ref<ui::TextRange>& range, int64_t characterOffset) const override;
  /// Counted from the range's start (from the text's start without a range).
  int64_t characterOffsetOfPosition(const Ref<ui::TextPosition>& p, const Ref<ui::TextRange>& range) const override;
  Ref<ui::TextRange> characterRangeByExtendingPosition(const Ref<ui::TextPosition>& p,
                                                       ui::TextLayoutDirection direction) const override;
  ui::WritingDirection baseWritingDirectionForPosition(const Ref<ui::TextPosition>& p,
                                                       ui::TextStorageDirection direction) const override;
  void setBaseWritingDirection(ui::WritingDirection direction, const Ref<ui::TextRange>& range) override;
  gfx::Rect firstRectForRange(const Ref<ui::TextRange>& range) const override;
  /// At least 2 points wide along the line, inside the bounds along the line, on whole pixels.
  gfx::Rect caretRectForPosition(const Ref<ui::TextPosition>& p) const override;
  std::vector<Ref<ui::TextSelectionRect>> selectionRectsForRange(const Ref<ui::TextRange>& range) const override;
  Ref<ui::TextPosition> closestPositionToPoint(gfx::Point point) const override;
  Ref<ui::TextPosition> closestPositionToPoint(gfx::Point point, const Ref<ui::TextRange>& range) const override;
  Ref<ui::TextRange> characterRangeAtPoint(gfx::Point point) const override;
  /// The attributes of the character the position leans on; the typing attributes on an
  /// empty text.
  Ref<fd::Dictionary> textStylingAtPosition(const Ref<ui::TextPosition>& p,
                                            ui::TextStorageDirection direction) const override;
  ui::TextInputTraits textInputTraits() const override;
  Weak<ui::TextInputDelegate> inputDelegate() const override { return inputDelegate_; }
  void setInputDelegate(Weak<ui::TextInputDelegate> delegate) override { inputDelegate_ = std::move(delegate); }
  Ref<ui::TextInputTokenizer> tokenizer() const override { return tokenizer_; }

  // ---- responder, edit actions, shake, scroll-view delegate
  /// Not while unselectable, read-only or told to ignore it; else as the delegate says.
  bool canBecomeFirstResponder() const override;
  /// Starts editing: detected data goes, the delegate and observers hear of it.
  bool becomeFirstResponder() override;
  bool canResignFirstResponder() const override;
  /// Ends editing; an open composition is kept as typed.
  bool resignFirstResponder() override;
  void reloadInputViews() override;
  /// Escape hides the edit menu.
  void pressesBegan(const ui::Press& press, ui::Event* event) override;
  /// The edit menu's choices for the current selection; looking words up is never offered.
  bool canPerformAction(rt::Selector action, const rt::Id& sender) const override;
  // The edit actions, registered as "cut:", "copy:", "paste:", "select:" and "selectAll:".
  void cutAction(const rt::Id& sender);
  void copyAction(const rt::Id& sender);
  void pasteAction(const rt::Id& sender);
  /// Selects the word at the caret.
  void selectAction(const rt::Id& sender);
  void selectAllAction(const rt::Id& sender);
  /// A shake offers undo and redo, except inside an application extension.
  void motionEnded(ui::EventSubtype motion, ui::Event* event) override;
  /// The undo alert where alert controllers are missing; null when neither step is possible.
  Ref<ui::AlertView> makeUndoRedoAlertView(const DUDaviDiraUndoStrings& strings);
  /// That alert's answer: acts on the button's position, never its title.
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, int64_t index);
  // Scroll-view delegate calls, passed on to the text-view delegate.
  void scrollViewDidScroll(ui::ScrollView& s) override;
  void scrollViewDidZoom(ui::ScrollView& s) override;
  void scrollViewWillBeginDragging(ui::ScrollView& s) override;
  void scrollViewWillEndDragging(ui::ScrollView& s, gfx::Point velocity, gfx::Point* targetContentOffset) override;
  void scrollViewDidEndDragging(ui::ScrollView& s, bool willDecelerate) override;
  void scrollViewWillBeginDecelerating(ui::ScrollView& s) override;
  void scrollViewDidEndDecelerating(ui::ScrollView& s) override;
  void scrollViewDidEndScrollingAnimation(ui::ScrollView& s) override;
  /// Null unless the delegate gives a view.
  std::optional<Ref<ui::View>> viewForZoomingInScrollView(ui::ScrollView& s) override;
  void scrollViewWillBeginZooming(ui::ScrollView& s, ui::View* view) override;
  void scrollViewDidEndZooming(ui::ScrollView& s, ui::View* view, double scale) override;
  /// Yes unless the delegate says otherwise.
  std::optional<bool> scrollViewShouldScrollToTop(ui::ScrollView& s) override;
  void scrollViewDidScrollToTop(ui::ScrollView& s) override;

  // ---- touches
  /// The touch state machine; touches go on to the scroll view unless the view keeps them.
  void touchesBegan(const ui::TouchSet& touches, ui::Event* event) override;
  void touchesMoved(const ui::TouchSet& touches, ui::Event* event) override;
  void touchesEnded(const ui::TouchSet& touches, ui::Event* event) override;
  void touchesCancelled(const ui::TouchSet& touches, ui::Event* event) override;
  /// Scrolls the corrected range into view, clearing the keyboard.
  void scrollRangeToVisible(rt::Range range);
  /// While the keyboard's insets are applied, this only changes what they give back.
  void setScrollIndicatorInsets(gfx::EdgeInsets inset) override;

  // ---- undo and redo
  const DUDaviDiraUndoHistory& undoHistory() const { return history_; }
  bool canUndo() const;
  bool canRedo() const;
  void undo();
  void redo();
  /// Records the current text for undo (nothing when it equals the newest record).
  void saveToUndoStack();
  /// The alert offering undo and/or redo in the application's language; null when neither is
  /// possible. Each button acts on its own action, never on its title.
  Ref<ui::AlertController> makeUndoRedoAlert();
  Ref<ui::AlertController> makeUndoRedoAlert(const DUDaviDiraUndoStrings& strings);
  /// Presents that alert from the application's root controller; false when nothing was shown.
  bool showUndoRedoAlert();

  // ---- view
  gfx::Size sizeThatFits(gfx::Size size) const override;
  void setFrame(gfx::Rect frame) override;
  void setBounds(gfx::Rect bounds) override;
  void setContentInset(gfx::EdgeInsets inset) override;
  void tintColorDidChange() override;
  /// The size the text may take: the bounds less the content insets.
  gfx::Size visibleSize() const;

  const Ref<text::DRTextContainer>& innerContainer() const { return innerContainer_; }
  const Ref<DRTextContainerView>& containerView() const { return containerView_; }
  const Ref<DRTextSelectionView>& selectionView() const { return selectionView_; }
  const Ref<ui::ImageView>& placeholderView() const { return placeholderView_; }
  const Ref<DRTextMagnifier>& caretMagnifier() const { return magnifierCaret_; }
  const Ref<DRTextMagnifier>& rangedMagnifier() const { return magnifierRanged_; }
  /// Layouts built since creation (for the update cycle's accounting).
  uint64_t layoutCount() const { return layoutCount_; }

  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  /// The placeholder, container and selection views are made again at set-up, not archived.
  std::vector<Ref<ui::View>> subviewsForCoding() const override;

  // Run-loop entry points (registered methods).
  void updateIfNeeded();
  void updatePlaceholderIfNeeded();
  void restoreFirstResponderAfterUndoAlert();

 private:
  struct State {
    unsigned trackingGrabber : 2;
    unsigned trackingCaret : 1;
    unsigned trackingPreSelect : 1;
    unsigned trackingTouch : 1;
    unsigned swallowTouch : 1;
    unsigned touchMoved : 3;
    unsigned selectedWithoutEdit : 1;
    unsigned deleteConfirm : 1;
    unsigned ignoreFirstResponder : 1;
    unsigned ignoreTouchBegan : 1;
    unsigned showingMagnifierCaret : 1;
    unsigned showingMagnifierRanged : 1;
    unsigned showingMenu : 1;
    unsigned showingHighlight : 1;
    unsigned typingAttributesOnce : 1;
    unsigned clearsOnInsertionOnce : 1;
    unsigned autoScrollTicked : 1;
    unsigned firstShowDot : 1;
    unsigned needUpdate : 1;
    unsigned placeholderNeedUpdate : 1;
    unsigned insideUndoBlock : 1;
    unsigned firstResponderBeforeUndoAlert : 1;
  };

  void initTextView();
  // update cycle
  void commitUpdate();
  void update();
  void updateLayout();
  void updateSelectionView();
  void updateInnerContainerSize();
  // After a frame or bounds change: the container follows the length along the lines.
  void sizeChangedFrom(gfx::Size before);
  void commitPlaceholderUpdate();
  void updatePlaceholder();
  // editing helpers
  bool delegateAllowsChange(rt::Range range, const rt::String& replacement);
  /// An edit from outside as one undoable step: the range grows to whole clusters, the
  /// delegate is asked, and only then is the history touched. `startsStep` takes a snapshot
  /// first (typing that goes on where the last left off does not); redo always goes.
  void editWithUndo(const Ref<text::DRTextRange>& range, const rt::String& text, bool startsStep);
  /// Whether typing at the selection goes on with the last undo step.
  bool continuesTyping() const;
  // grapheme clusters (see DUDaviDira+Clusters.cpp)
  /// Lone surrogates become U+FFFD.
  static rt::String withoutLoneSurrogates(const rt::String& text);
  static void replaceLoneSurrogates(typeset::MutableAttributedString& text);
  /// A not-found range, or one whose end overflows: no range at all.
  static bool isNoRange(rt::Range range);
  static bool isNoRange(const ui::TextRange& range);
  static uint64_t clusterStartAtOrBefore(const rt::String& text, uint64_t offset);
  static uint64_t clusterEndAtOrAfter(const rt::String& text, uint64_t offset);
  /// Clamped into `text`, then on its cluster boundaries: ends outward, a caret to its
  /// cluster's end.
  static rt::Range clusterAlignedRange(const rt::String& text, rt::Range range);
  rt::Range clusterAlignedRange(rt::Range range) const;
  Ref<text::DRTextRange> clusterAlignedTextRange(const Ref<text::DRTextRange>& range) const;
  /// The grapheme cluster that ends at (or holds the unit before) `caret`.
  rt::Range clusterBeforeCaret(uint64_t caret) const;
  /// The marked range after `replaced` became `inserted` characters: moved along, resized by
  /// an edit inside it, gone when the edit takes any of it away from outside.
  void adjustMarkedRangeForReplacement(rt::Range replaced, uint64_t inserted);
  /// Whether the parser changed the text.
  bool parseText();
  /// Publishes text, font, colour, alignment, selection, typing and attributed text.
  void updateOuterProperties();
  Ref<text::DRTextRange> correctedTextRange(rt::Range range) const;
  void resetUndoAndRedoStack();
  /// Puts back a snapshot's text and selection, leaving both stacks as they are.
  void restoreSnapshot(const DUDaviDiraUndoObject& snapshot);
  void applyExclusionPathsToContainer();
  // position and range validity, coordinate conversion
  friend struct DUDaviDiraTestAccess;
  /// Present, inside the text, and not leaning backward on either end of it.
  bool isTextPositionValid(const Ref<text::DRTextPosition>& position) const;
  bool isTextRangeValid(const Ref<text::DRTextRange>& range) const;
  /// The position itself when valid, else a forward one clamped into the text; null stays null.
  Ref<text::DRTextPosition> correctedTextPosition(const Ref<text::DRTextPosition>& position) const;
  Ref<text::DRTextRange> correctedTextRange(const Ref<text::DRTextRange>& range) const;
  // Between the view's coordinates and the layout's, which the vertical alignment and, in
  // vertical form, the container's far side shift apart.
  gfx::Point convertPointToLayout(gfx::Point point) const;
  gfx::Point convertPointFromLayout(gfx::Point point) const;
  gfx::Rect convertRectToLayout(gfx::Rect rect) const;
  gfx::Rect convertRectFromLayout(gfx::Rect rect) const;

  // editing core: replacement, typing attributes, detection, pasteboard
  /// Only with a detector, highlighting on, something to decorate with, and not while editing.
  bool shouldDetectText() const;
  /// Decorates the dates, addresses, links and phone numbers in `text`; true when any counted.
  bool detectText(typeset::MutableAttributedString& text) const;
  bool isPasteboardContainsValidValue() const;
  /// Rich or plain as `allowsCopyAttributedString` says; nothing when the selection is empty.
  void copySelectedTextToPasteboard();
  void pasteboardChanged();
  /// Calls pasteboardChanged on the main thread whenever the pasteboard changes.
  void observePasteboard();
  /// Replaces the characters and moves the selection with them; tells the input delegate when
  /// `notifyToDelegate`. Lays nothing out and records no undo.
  void replaceTextRange(const Ref<text::DRTextRange>& range, const rt::String& text, bool notifyToDelegate);
  /// The full replacement behind replaceRange; `delegateAsked` when the caller already asked.
  void replaceRangeWithText(const Ref<text::DRTextRange>& range, const rt::String& text, bool delegateAsked);
  /// The typing attributes follow the character before the selection's end.
  void updateAttributesHolder();
  void notifyInputDelegate(void (ui::TextInputDelegate::*message)(ui::TextInput*));
  /// What came in as a platform position or range, as this view's own kind.
  static Ref<text::DRTextPosition> textPositionFrom(const Ref<ui::TextPosition>& position);
  static Ref<text::DRTextRange> textRangeFrom(const Ref<ui::TextRange>& range);

  // tracking, magnifiers, timers, menu, highlight, scrolling, keyboard
  friend struct DUDaviDiraTrackingTestAccess;
  void updateTextRangeByTrackingCaret();
  void updateTextRangeByTrackingGrabber();
  void updateTextRangeByTrackingPreSelect();
  /// The position nearest the tracking point, held inside marked text while there is some.
  Ref<text::DRTextPosition> trackedCaretPosition() const;
  void showMagnifierCaret();
  void showMagnifierRanged();
  void updateMagnifier();
  void hideMagnifier();
  void startLongPressTimer();
  void endLongPressTimer();
  void trackDidLongPress();
  void startAutoScrollTimer();
  void endAutoScrollTimer();
  void trackDidTickAutoScroll();
  /// After an auto-scroll step: the tracked range and loupe of the gesture follow the text.
  void updateTrackingAfterAutoScroll();
  void endTouchTracking();
  void startSelectionDotFixTimer();
  void endSelectionDotFixTimer();
  void fixSelectionDot();
  void stopTrackingTimers();
  Ref<text::DRTextRange> getClosestTokenRangeAtPosition(const Ref<text::DRTextPosition>& position) const;
  Ref<text::DRTextRange> getClosestTokenRangeAtPoint(gfx::Point point) const;
  /// The word the tokenizer finds around `position` in `direction`; null without one.
  Ref<text::DRTextRange> tokenizerWordRange(const Ref<text::DRTextPosition>& position, int64_t direction) const;
  double getMagnifierRangedOffset() const;
  unsigned getMoveDirection() const;
  double getAutoscrollOffset() const;
  void showMenu();
  void hideMenu();
  void showHighlightAnimated(bool animated);
  void hideHighlightAnimated(bool animated);
  void removeHighlightAnimated(bool animated);
  Ref<text::DRTextHighlight> getHighlightAtPoint(gfx::Point point, rt::Range* range) const;
  /// The highlight's rectangle in the view; null without a layout.
  gfx::Rect highlightRect() const;
  void scrollSelectedRangeToVisible();
  void scrollRangeToVisible(const Ref<text::DRTextRange>& range);
  void restoreInsetsAnimated(bool animated);
  void keyboardChanged();
  void observeKeyboard();
  /// The keyboard's frame in this view while it is shown; else null.
  gfx::Rect visibleKeyboardFrame() const;
  /// Whether the keyboard may push this view's content: shown, in a window, editing, horizontal.
  bool keyboardAffectsView() const;

  // touches and responder
  /// Starts editing on the next turn of the main queue (the tap that asked is over by then).
  void becomeFirstResponderSoon();
  /// Keeps the composed characters as shown and ends the composition, as a change of the
  /// view's own (the input method hears of it and drops what it composed); a touch being
  /// tracked goes on.
  void endComposition();
  // Answers the legacy undo alert for the view that owns it.
  class UndoAlertViewDelegate : public ui::AlertViewDelegate {
   public:
    explicit UndoAlertViewDelegate(DUDaviDira& view) : view_(view) {}
    void alertViewClickedButtonAtIndex(ui::AlertView& alert, int64_t index) override;

   private:
    DUDaviDira& view_;
  };
  /// The pasteboard's picture as an attachment in the typing attributes; null when there is
  /// none or it is a point or less across.
  Ref<typeset::AttributedString> pastedAttachment(const ui::Pasteboard& pasteboard) const;
  /// Rich content in place of `range`, as one undoable step, the caret after it.
  void replaceSelectionWithAttributedText(rt::Range range, const Ref<typeset::AttributedString>& content);
  /// The selection the menu chose, told to the input delegate and the delegate.
  void changeSelectionFromMenu(const Ref<text::DRTextRange>& range);
  void updateAfterMenuSelection();

  // change-notifying setters
  void setTextNotifying(const rt::String& text);
  void setFontNotifying(const Ref<typeset::Font>& font);
  void setTextColorNotifying(const Ref<gfx::Color>& color);
  void setTextAlignmentNotifying(typeset::TextAlignment alignment);
  void setDataDetectorTypesNotifying(uint64_t types);
  void setLinkTextAttributesNotifying(const Ref<fd::Dictionary>& attributes);
  void setHighlightTextAttributesNotifying(const Ref<fd::Dictionary>& attributes);
  void setTextParserNotifying(const Ref<text::DRTextParser>& parser);
  void setAttributedTextNotifying(const Ref<typeset::AttributedString>& text);
  void setTextContainerInsetNotifying(gfx::EdgeInsets inset);
  void setExclusionPathsNotifying(const std::vector<Ref<gfx::BezierPath>>& paths);
  void setVerticalFormNotifying(bool vertical);
  void setLinePositionModifierNotifying(const Ref<text::DRTextLinePositionModifier>& modifier);
  void setSelectedRangeNotifying(rt::Range range);
  void setTypingAttributesNotifying(const Ref<fd::Dictionary>& attributes);

  State state_{};
  Ref<text::DRTextRange> selectedTextRange_;
  Ref<text::DRTextRange> markedTextRange_;
  Weak<DUDaviDiraDelegate> outerDelegate_;
  Weak<ui::ScrollViewDelegate> outerScrollDelegate_;  // the same, or a plain scroll-view delegate
  Ref<ui::ImageView> placeholderView_;
  Ref<typeset::MutableAttributedString> innerText_;
  Ref<text::DRTextContainer> innerContainer_;
  Ref<text::DRTextLayout> innerLayout_;
  Ref<DRTextContainerView> containerView_;
  Ref<DRTextSelectionView> selectionView_;
  Ref<DRTextMagnifier> magnifierCaret_;
  Ref<DRTextMagnifier> magnifierRanged_;
  Ref<typeset::MutableAttributedString> typingAttributesHolder_;
  uint64_t dataDetectorCheckingTypes_ = 0;
  DUDaviDiraUndoHistory history_;
  uint64_t layoutCount_ = 0;
  int inputBatch_ = 0;           // nested batches of waiting input under way
  bool changedInBatch_ = false;  // the text changed in the batch: lay out and scroll at its end

  bool enablesReturnKeyAutomatically_ = false;
  bool secureTextEntry_ = false;
  bool verticalForm_ = false;
  bool clearsOnInsertion_ = false;
  bool selectable_ = true;
  bool highlightable_ = true;
  bool editable_ = true;
  bool allowsPasteImage_ = false;
  bool allowsPasteAttributedString_ = false;
  bool allowsCopyAttributedString_ = true;
  int64_t autocapitalizationType_ = 2;
  int64_t autocorrectionType_ = 0;
  int64_t spellCheckingType_ = 0;
  int64_t keyboardType_ = 0;
  int64_t keyboardAppearance_ = 0;
  int64_t returnKeyType_ = 0;

  rt::String text_;
  Ref<typeset::Font> font_;
  Ref<gfx::Color> textColor_;
  typeset::TextAlignment textAlignment_ = typeset::TextAlignment::Natural;
  int64_t textVerticalAlignment_ = 0;
  uint64_t dataDetectorTypes_ = 0;
  Ref<fd::Dictionary> linkTextAttributes_;
  Ref<fd::Dictionary> highlightTextAttributes_;
  Ref<fd::Dictionary> typingAttributes_;
  Ref<typeset::AttributedString> attributedText_;
  Ref<text::DRTextParser> textParser_;
  rt::String placeholderText_;
  Ref<typeset::Font> placeholderFont_;
  Ref<gfx::Color> placeholderTextColor_;
  Ref<typeset::MutableAttributedString> placeholderAttributedText_;
  std::vector<Ref<gfx::BezierPath>> exclusionPaths_;
  Ref<text::DRTextLinePositionModifier> linePositionModifier_;
  mutable std::mutex inputViewsMutex_;  // the two input views are atomic properties
  Ref<ui::View> inputView_;
  Ref<ui::View> inputAccessoryView_;
  double extraAccessoryViewHeight_ = 0;
  rt::Range selectedRange_{0, 0};

  // editing core fields
  Ref<ui::DataDetector> dataDetector_;  // null when no detector type is set
  // The laid-out text (closing line break included) as detection decorated it; null when
  // nothing was found.
  Ref<typeset::MutableAttributedString> delectedText_;
  rt::Id pasteboardObserver_;
  Weak<ui::TextInputDelegate> inputDelegate_;
  Ref<ui::TextInputStringTokenizer> tokenizer_;
  Ref<fd::Dictionary> markedTextStyle_;

  // tracking fields
  Ref<text::DRTextRange> trackingRange_;
  gfx::Point trackingPoint_;
  gfx::Point touchBeganPoint_;
  double magnifierRangedOffset_ = 0;
  Ref<fd::Timer> longPressTimer_;
  Ref<fd::Timer> autoScrollTimer_;
  Ref<fd::Timer> selectionDotFixTimer_;
  double autoScrollOffset_ = 0;
  int64_t autoScrollAcceleration_ = 0;
  gfx::Point previousOriginInWindow_;
  Ref<text::DRTextHighlight> highlight_;
  Ref<text::DRTextLayout> highlightLayout_;
  rt::Range highlightRange_{0, 0};
  bool insetModifiedByKeyboard_ = false;
  gfx::EdgeInsets originalContentInset_;
  gfx::EdgeInsets originalScrollIndicatorInsets_;
  std::shared_ptr<DRTextKeyboardObserver> keyboardObserver_;

  // touches and responder fields
  double touchBeganTime_ = 0;
  double trackingTime_ = 0;
  std::vector<void (DUDaviDira::*)()> undoAlertSteps_;  // the legacy alert's buttons after cancel
  std::shared_ptr<UndoAlertViewDelegate> undoAlertDelegate_;

  gfx::EdgeInsets textContainerInset_ = kHorizontalInset;
};

}  // namespace textview
