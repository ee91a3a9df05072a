#include "text/layout/DRTextTruncatedLine.h"

#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
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
                                         const Ref<typeset::AttributedString>& containerToken, uint64_t type) {
  DRTextTruncation result;
  result.token = containerToken ? containerToken : DRTextDefaultTruncationToken(last);
  const typeset::TruncationType mode = type == 1   ? typeset::TruncationType::Start
                                       : type == 3 ? typeset::TruncationType::Middle
                                                   : typeset::TruncationType::End;
  rt::Range r = last.range();
  if (r.end() > text.length()) return result;
  auto whole = typeset::MutableAttributedString::create();
  whole->appendAttributedString(*text.attributedSubstringFromRange(r));
  whole->appendAttributedString(*result.token);
  // Both lines come from the one string, so every run of the result, the token's too,
  // indexes the characters it shows.
  auto typesetter = typeset::Typesetter::create(*whole);
  auto tokenLine = result.token->length() ? typesetter->createLine(rt::Range{r.length, result.token->length()}) : nullptr;
  if (!tokenLine) return result;
  auto full = typesetter->createLine(rt::Range{0, whole->length()});
  if (!full) return result;
  // Cut to the line's length along its own direction: a vertical line's bounds are only
  // one column wide.
  const double width = last.vertical() ? last.height() : last.width();
  auto cut = full->createTruncatedLine(width, mode, tokenLine);
  if (!cut) return result;
  result.line = DRTextLine::lineWithCTLine(cut, last.position(), last.vertical());
  result.line->setIndex(last.index());
  result.line->setRow(last.row());
  result.string = whole->string();
  return result;
}

}  // namespace text
