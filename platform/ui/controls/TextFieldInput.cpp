// The text field's side of text input: editing through the input calls, the edit actions,
// positions and geometry over its one line of text.
#include <algorithm>
#include <cmath>

#include "platform/foundation/values/Dictionary.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"

namespace ui {

namespace {

bool hasLoneSurrogate(const rt::String& s) {
  std::u16string_view v = s.view();
  for (size_t i = 0; i < v.size(); ++i) {
    char16_t c = v[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= v.size() || v[i + 1] < 0xDC00 || v[i + 1] > 0xDFFF) return true;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

/// One line: line breaks in typed or pasted text become spaces.
rt::String oneLine(const rt::String& s) {
  rt::String out = s.stringByReplacingOccurrencesOfString("\r\n", " ");
  for (const char* br : {"\r", "\n", "\u2028", "\u2029"}) out = out.stringByReplacingOccurrencesOfString(br, " ");
  return out;
}

constexpr double kCaretWidth = 2;

}  // namespace

// ---- corrections

uint64_t TextField::snap(int64_t offset, bool forward) const {
  int64_t n = static_cast<int64_t>(text_.length());
  if (offset <= 0) return 0;
  if (offset >= n) return static_cast<uint64_t>(n);
  rt::Range r = text_.rangeOfComposedCharacterSequenceAtIndex(static_cast<size_t>(offset));
  if (r.location == static_cast<uint64_t>(offset)) return r.location;
  return forward ? r.end() : r.location;
}

std::optional<rt::Range> TextField::corrected(const Ref<TextRange>& range) const {
  if (!range) return std::nullopt;
  uint64_t s = snap(range->start()->offset(), false);
  uint64_t e = std::max(s, snap(range->end()->offset(), true));
  return rt::Range{s, e - s};
}

void TextField::tellInputDelegate(bool will) {
  auto d = inputDelegate_.lock();
  if (!d) return;
  if (will) {
    d->textWillChange(this);
    d->selectionWillChange(this);
  } else {
    d->selectionDidChange(this);
    d->textDidChange(this);
  }
}

// ---- editing

bool TextField::replace(rt::Range range, const rt::String& replacement, bool marking) {
  if (hasLoneSurrogate(replacement)) return false;  // half a character from an input method
  uint64_t n = text_.length();
  if (range.location > n || range.length > n - range.location) return false;
  if (auto d = delegate_.lock())
    if (auto ok = d->shouldChangeCharactersInRange(*this, range, replacement); ok && !*ok) return false;
  text_ = text_.stringByReplacingCharactersInRange(range, replacement);
  if (!marking) marked_.reset();
  // Text put next to a combining mark may join it: the caret goes after the whole character.
  selection_ = {snap(static_cast<int64_t>(range.location + replacement.length()), true), 0};
  refresh();
  textChangedByUser();
  return true;
}

void TextField::insertText(const rt::String& text) {
  if (!editing_) return;
  // One line: a line break is the return key.
  if (text == "\n" || text == "\r") {
    if (marked_) unmarkText();
    return returnKey();
  }
  replace(marked_ ? *marked_ : selection_, oneLine(text));
}

void TextField::deleteBackward() {
  if (!editing_) return;
  rt::Range target = marked_ && marked_->length > 0 && selection_.length == 0 ? *marked_ : selection_;
  if (marked_ && target == *marked_) {
    // Inside a composition the input method normally deletes; without one, the last
    // character of the marked text goes.
    if (target.length == 0) return;
    rt::Range last = text_.rangeOfComposedCharacterSequenceAtIndex(target.end() - 1);
    rt::Range keep{target.location, last.location - target.location};
    if (!replace(last, rt::String(), true)) return;
    if (keep.length > 0) marked_ = keep;
    else marked_.reset();
    return;
  }
  if (selection_.length > 0) {
    replace(selection_, rt::String());
    return;
  }
  if (selection_.location == 0) return;
  // The whole character before the caret: a joined emoji, a letter with its marks, CR LF.
  rt::Range before = text_.rangeOfComposedCharacterSequenceAtIndex(selection_.location - 1);
  replace({before.location, selection_.location - before.location}, rt::String());
}

rt::String TextField::textInRange(const Ref<TextRange>& range) const {
  auto r = corrected(range);
  return r ? text_.substring(*r) : rt::String();
}

void TextField::replaceRange(const Ref<TextRange>& range, const rt::String& text) {
  auto r = corrected(range);
  if (!r || (r->length == 0 && text.isEmpty())) return;
  replace(*r, oneLine(text));
}

Ref<TextRange> TextField::selectedTextRange() const { return rt::make<TextRange>(selection_); }

void TextField::setSelectedTextRange(const Ref<TextRange>& range) {
  if (auto r = corrected(range)) setSelectedRange(*r);
}

void TextField::setSelectedRange(rt::Range r) {
  uint64_t n = text_.length();
  uint64_t loc = std::min<uint64_t>(r.location, n);
  uint64_t len = std::min<uint64_t>(r.length, n - loc);
  uint64_t s = snap(static_cast<int64_t>(loc), false);
  uint64_t e = std::max(s, snap(static_cast<int64_t>(loc + len), true));
  selection_ = {s, e - s};
  setNeedsLayout();
}

void TextField::selectAll() {
  selection_ = {0, text_.length()};
  setNeedsLayout();
}

Ref<TextRange> TextField::markedTextRange() const { return marked_ ? rt::make<TextRange>(*marked_) : nullptr; }

void TextField::setMarkedText(const rt::String& marked, rt::Range selected) {
  if (!editing_ || hasLoneSurrogate(marked)) return;
  rt::Range target = marked_ ? *marked_ : selection_;
  rt::String text = oneLine(marked);
  if (!replace(target, text, true)) return;
  if (text.isEmpty()) {
    marked_.reset();
    return;
  }
  marked_ = rt::Range{target.location, text.length()};
  uint64_t loc = std::min<uint64_t>(selected.location, text.length());
  uint64_t len = std::min<uint64_t>(selected.length, text.length() - loc);
  setSelectedRange({target.location + loc, len});
}

void TextField::unmarkText() { marked_.reset(); }

// ---- edit actions

void TextField::copyAction(const rt::Id&) {
  if (selection_.length == 0 || traits_.secureTextEntry) return;
  Pasteboard::generalPasteboard()->setString(text_.substring(selection_));
}

void TextField::cutAction(const rt::Id& sender) {
  if (selection_.length == 0 || traits_.secureTextEntry) return;
  copyAction(sender);
  replace(selection_, rt::String());
}

void TextField::pasteAction(const rt::Id&) {
  auto s = Pasteboard::generalPasteboard()->string();
  if (!s || s->isEmpty()) return;
  replace(marked_ ? *marked_ : selection_, oneLine(*s));
}

void TextField::selectAction(const rt::Id&) {
  if (text_.isEmpty()) return;
  // The word at the caret, or the one before it when the caret ends a word.
  auto t = tokenizer();
  auto caret = rt::make<TextPosition>(int64_t(selection_.location));
  auto word = t->rangeEnclosingPosition(caret, TextGranularity::Word, textDirection(TextStorageDirection::Forward));
  if (!word) word = t->rangeEnclosingPosition(caret, TextGranularity::Word, textDirection(TextStorageDirection::Backward));
  if (word) setSelectedTextRange(word);
}

void TextField::deleteAction(const rt::Id&) {
  if (selection_.length > 0) replace(selection_, rt::String());
}

// ---- positions

Ref<TextPosition> TextField::positionFromPosition(const Ref<TextPosition>& p, int64_t offset) const {
  if (!p) return nullptr;
  if (offset == 0) return p;
  int64_t at = p->offset() + offset;
  if (at < 0 || at > int64_t(text_.length())) return nullptr;
  return rt::make<TextPosition>(int64_t(snap(at, offset > 0)));
}

Ref<TextPosition> TextField::positionFromPosition(const Ref<TextPosition>& p, TextLayoutDirection direction,
                                                  int64_t offset) const {
  if (!p) return nullptr;
  int64_t at = static_cast<int64_t>(snap(p->offset(), false));
  if (direction == TextLayoutDirection::Up) return offset > 0 ? beginningOfDocument() : p;
  if (direction == TextLayoutDirection::Down) return offset > 0 ? endOfDocument() : p;
  bool right = direction == TextLayoutDirection::Right;
  if (offset < 0) right = !right, offset = -offset;
  int64_t n = static_cast<int64_t>(text_.length());
  for (int64_t i = 0; i < offset; ++i) {
    if (right ? at >= n : at <= 0) break;
    at = right ? int64_t(text_.rangeOfComposedCharacterSequenceAtIndex(size_t(at)).end())
               : int64_t(text_.rangeOfComposedCharacterSequenceAtIndex(size_t(at - 1)).location);
  }
  return rt::make<TextPosition>(at);
}

Ref<TextRange> TextField::characterRangeByExtendingPosition(const Ref<TextPosition>& p,
                                                            TextLayoutDirection direction) const {
  if (!p) return nullptr;
  auto to = positionFromPosition(p, direction, 1);
  return rt::make<TextRange>(rt::make<TextPosition>(int64_t(snap(p->offset(), false))), to);
}

WritingDirection TextField::baseWritingDirectionForPosition(const Ref<TextPosition>& p, TextStorageDirection) const {
  return p ? baseDirection_ : WritingDirection::Natural;
}

void TextField::setBaseWritingDirection(WritingDirection direction, const Ref<TextRange>& range) {
  // One paragraph: the direction holds for the whole text.
  if (range) baseDirection_ = direction;
}

// ---- geometry

rt::String TextField::displayedText() const {
  if (!traits_.secureTextEntry) return text_;
  rt::String dots;
  for (size_t i = 0, n = text_.composedCharacterCount(); i < n; ++i) dots.append("\u2022");
  return dots;
}

double TextField::caretX(uint64_t offset) const {
  gfx::Rect frame = label_->frame();
  if (text_.isEmpty()) {
    switch (textAlignment()) {
      case typeset::TextAlignment::Center: return frame.origin.x + frame.size.width / 2;
      case typeset::TextAlignment::Right: return frame.origin.x + frame.size.width;
      default: return frame.origin.x;
    }
  }
  if (!line_) {
    auto attrs = fd::Dictionary::withStrings({{typeset::FontAttributeName, label_->font()}});
    line_ = typeset::Line::createWithAttributedString(*typeset::AttributedString::create(displayedText(), attrs));
  }
  uint64_t index = offset;
  if (traits_.secureTextEntry) {
    // One dot per character: count the characters before the offset.
    uint64_t count = 0;
    text_.enumerateComposedCharacterSequences({0, offset}, [&](rt::Range, bool&) { ++count; });
    index = count;
  }
  double width = line_->typographicBounds(nullptr, nullptr, nullptr);
  double x = frame.origin.x + line_->offsetForStringIndex(int64_t(index));
  switch (textAlignment()) {
    case typeset::TextAlignment::Center: x += std::max(0.0, (frame.size.width - width) / 2); break;
    case typeset::TextAlignment::Right: x += std::max(0.0, frame.size.width - width); break;
    default: break;
  }
  return x;
}

gfx::Rect TextField::caretRectForPosition(const Ref<TextPosition>& p) const {
  if (!p) return gfx::RectZero;
  double h = std::ceil(label_->font()->lineHeight());
  gfx::Rect frame = label_->frame();
  double x = caretX(snap(p->offset(), false));
  x = std::clamp(x, 0.0, std::max(0.0, bounds().size.width - kCaretWidth));
  return {{x, frame.origin.y + (frame.size.height - h) / 2}, {kCaretWidth, h}};
}

gfx::Rect TextField::firstRectForRange(const Ref<TextRange>& range) const {
  auto r = corrected(range);
  if (!r) return gfx::RectZero;
  gfx::Rect caret = caretRectForPosition(rt::make<TextPosition>(int64_t(r->location)));
  if (r->length == 0) return caret;
  double x0 = caretX(r->location), x1 = caretX(r->end());
  return {{std::min(x0, x1), caret.origin.y}, {std::fabs(x1 - x0), caret.size.height}};
}

std::vector<Ref<TextSelectionRect>> TextField::selectionRectsForRange(const Ref<TextRange>& range) const {
  auto r = corrected(range);
  if (!r || r->length == 0) return {};
  auto piece = rt::make<TextSelectionRect>();
  piece->setRect(firstRectForRange(range));
  piece->setWritingDirection(WritingDirection::LeftToRight);
  piece->setContainsStart(true);
  piece->setContainsEnd(true);
  return {piece};
}

Ref<TextPosition> TextField::closestPositionToPoint(gfx::Point point) const {
  uint64_t best = 0;
  double bestDistance = INFINITY;
  auto consider = [&](uint64_t offset) {
    double d = std::fabs(caretX(offset) - point.x);
    if (d < bestDistance) bestDistance = d, best = offset;
  };
  consider(0);
  text_.enumerateComposedCharacterSequences({0, text_.length()}, [&](rt::Range r, bool&) { consider(r.end()); });
  return rt::make<TextPosition>(int64_t(best));
}

Ref<TextRange> TextField::characterRangeAtPoint(gfx::Point point) const {
  if (text_.isEmpty()) return nullptr;
  uint64_t at = static_cast<uint64_t>(closestPositionToPoint(point)->offset());
  // The character under the point: the one the nearest caret leans towards.
  if (at == text_.length() || (at > 0 && point.x < caretX(at))) {
    rt::Range r = text_.rangeOfComposedCharacterSequenceAtIndex(at - 1);
    return rt::make<TextRange>(r);
  }
  return rt::make<TextRange>(text_.rangeOfComposedCharacterSequenceAtIndex(at));
}

Ref<fd::Dictionary> TextField::textStylingAtPosition(const Ref<TextPosition>& p, TextStorageDirection) const {
  if (!p || p->offset() < 0 || p->offset() > int64_t(text_.length())) return nullptr;
  return fd::Dictionary::withStrings(
      {{typeset::FontAttributeName, label_->font()}, {typeset::ForegroundColorAttributeName, textColor_}});
}

void TextField::setTextInputTraits(const TextInputTraits& traits) {
  traits_ = traits;
  refresh();
}

Ref<TextInputTokenizer> TextField::tokenizer() const {
  if (!tokenizer_)
    tokenizer_ = rt::make<TextInputStringTokenizer>(this, Weak<const rt::Object>(self()));
  return tokenizer_;
}

}  // namespace ui
