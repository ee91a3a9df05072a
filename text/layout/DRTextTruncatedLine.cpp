#include "text/layout/DRTextTruncatedLine.h"

#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/ShapedText.h"
#include "platform/typeset/Typesetter.h"
#include "text/model/DRTextAttribute.h"

namespace text {

Ref<typeset::AttributedString> DRTextDefaultTruncationToken(const DRTextLine& last) {
  const auto& runs = last.CTLine() ? last.CTLine()->glyphRuns() : std::vector<Ref<typeset::Run>>{};
  if (runs.empty()) return typeset::AttributedString::create(DRTextEllipsisString);
  const auto& run = runs.back();
  auto attributes = run->attributes() ? rt::as<fd::MutableDictionary>(run->attributes()->mutableCopy()) : nullptr;
  if (!attributes) attributes = fd::MutableDictionary::create();
  attributes->removeObjectForKey(rt::String(DRTextAttachmentKey));
  const double size = run->font() ? run->font()->pointSize() : 12;
  if (auto font = typeset::Font::systemFontOfSize(size * 0.9))
    attributes->setObjectForKey(font, rt::String(typeset::CTFontAttributeName));
  return typeset::AttributedString::create(DRTextEllipsisString, attributes);
}

DRTextTruncation DRTextMakeTruncatedLine(const DRTextLine& last, const typeset::AttributedString& text,
                                         const Ref<typeset::AttributedString>& containerToken, uint64_t type,
                                         uint64_t textEnd) {
  DRTextTruncation result;
  result.token = containerToken ? containerToken : DRTextDefaultTruncationToken(last);
  typeset::TruncationType mode = type == 1   ? typeset::TruncationType::Start
                                 : type == 3 ? typeset::TruncationType::Middle
                                             : typeset::TruncationType::End;
  rt::Range r = last.range();
  if (r.end() > text.length() || textEnd > text.length()) return result;
  // A cut at the start or in the middle shows what follows the last line, so it works on
  // the rest of that line's paragraph; the token then marks only the cut. Appending it as
  // well would show a second one at the end.
  rt::Range source = r;
  if (mode != typeset::TruncationType::End) {
    const rt::String& s = text.string();
    uint64_t end = r.location;
    while (end < textEnd && !typeset::isLineSeparator(s[end])) ++end;
    if (end > r.end()) source.length = end - r.location;
  }
  // When the paragraph ends with the last line, the token goes where the text was cut: before
  // it for a cut at the start, after it otherwise.
  const bool tokenFirst = mode == typeset::TruncationType::Start && source.length == r.length;
  if (mode == typeset::TruncationType::Middle && source.length == r.length) mode = typeset::TruncationType::End;
  const bool tokenJoined = tokenFirst || mode == typeset::TruncationType::End;
  auto whole = typeset::MutableAttributedString::create();
  if (tokenFirst) whole->appendAttributedString(*result.token);
  whole->appendAttributedString(*text.attributedSubstringFromRange(source));
  if (!tokenFirst) whole->appendAttributedString(*result.token);
  // Both lines come from the one string, so every run of the result, the token's too,
  // indexes the characters it shows.
  auto typesetter = typeset::Typesetter::create(*whole);
  const uint64_t tokenAt = tokenFirst ? 0 : source.length;
  auto tokenLine = result.token->length() ? typesetter->createLine(rt::Range{tokenAt, result.token->length()}) : nullptr;
  if (!tokenLine) return result;
  auto full = typesetter->createLine(tokenJoined ? rt::Range{0, whole->length()} : rt::Range{0, source.length});
  if (!full) return result;
  // Cut to the line's length along its own direction: a vertical line's bounds are only
  // one column wide.
  const double width = last.vertical() ? last.height() : last.width();
  auto cut = full->createTruncatedLine(width, mode, tokenLine);
  if (!cut) return result;
  result.line = DRTextLine::lineWithCTLine(cut, last.position(), last.vertical());
  result.line->setIndex(last.index());
  result.line->setRow(last.row());
  result.line->setOwnString(whole->string(), rt::Range{tokenFirst ? result.token->length() : 0, source.length},
                            source.location);
  return result;
}

}  // namespace text
