#include "text/model/ParagraphStyle+DRText.h"

namespace text {

using typeset::MutableParagraphStyle;
using typeset::ParagraphStyle;
using Specifier = typeset::ParagraphStyleSpecifier;

namespace {

enum class Kind { Real, Alignment, LineBreakMode, WritingDirection };

struct Entry {
  Specifier specifier;
  Kind kind;
  double (ParagraphStyle::*get)() const;
  void (MutableParagraphStyle::*set)(double);
};

// The order in which both directions handle the settings.
constexpr Entry kTable[] = {
    {Specifier::LineSpacing, Kind::Real, &ParagraphStyle::lineSpacing, &MutableParagraphStyle::setLineSpacing},
    {Specifier::ParagraphSpacing, Kind::Real, &ParagraphStyle::paragraphSpacing,
     &MutableParagraphStyle::setParagraphSpacing},
    {Specifier::Alignment, Kind::Alignment, nullptr, nullptr},
    {Specifier::FirstLineHeadIndent, Kind::Real, &ParagraphStyle::firstLineHeadIndent,
     &MutableParagraphStyle::setFirstLineHeadIndent},
    {Specifier::HeadIndent, Kind::Real, &ParagraphStyle::headIndent, &MutableParagraphStyle::setHeadIndent},
    {Specifier::TailIndent, Kind::Real, &ParagraphStyle::tailIndent, &MutableParagraphStyle::setTailIndent},
    {Specifier::LineBreakMode, Kind::LineBreakMode, nullptr, nullptr},
    {Specifier::MinimumLineHeight, Kind::Real, &ParagraphStyle::minimumLineHeight,
     &MutableParagraphStyle::setMinimumLineHeight},
    {Specifier::MaximumLineHeight, Kind::Real, &ParagraphStyle::maximumLineHeight,
     &MutableParagraphStyle::setMaximumLineHeight},
    {Specifier::BaseWritingDirection, Kind::WritingDirection, nullptr, nullptr},
    {Specifier::LineHeightMultiple, Kind::Real, &ParagraphStyle::lineHeightMultiple,
     &MutableParagraphStyle::setLineHeightMultiple},
    {Specifier::ParagraphSpacingBefore, Kind::Real, &ParagraphStyle::paragraphSpacingBefore,
     &MutableParagraphStyle::setParagraphSpacingBefore},
};

}  // namespace

std::unique_ptr<DRTextParagraphSettings> paragraphSettings(const ParagraphStyle& style) {
  auto out = std::make_unique<DRTextParagraphSettings>();
  size_t reals = 0;
  for (const Entry& e : kTable) {
    switch (e.kind) {
      case Kind::Real:
        out->doubles[reals] = (style.*e.get)();
        out->settings.push_back({e.specifier, sizeof(double), &out->doubles[reals]});
        ++reals;
        break;
      case Kind::Alignment:
        out->bytes[0] = static_cast<uint8_t>(typeset::TextAlignmentToCTTextAlignment(style.alignment()));
        out->settings.push_back({e.specifier, sizeof(uint8_t), &out->bytes[0]});
        break;
      case Kind::LineBreakMode:
        out->bytes[1] = static_cast<uint8_t>(style.lineBreakMode());
        out->settings.push_back({e.specifier, sizeof(uint8_t), &out->bytes[1]});
        break;
      case Kind::WritingDirection:
        out->direction = static_cast<int8_t>(style.baseWritingDirection());
        out->settings.push_back({e.specifier, sizeof(int8_t), &out->direction});
        break;
    }
  }
  // Tab stops go over as new tabs of the converted alignment, location and options.
  for (const auto& tab : style.tabStops())
    out->tabs.push_back(typeset::TextTab::create(tab->alignment(), tab->location(), tab->options()));
  if (!out->tabs.empty()) out->settings.push_back({Specifier::TabStops, sizeof(out->tabs), &out->tabs});
  out->doubles[reals] = style.defaultTabInterval();
  out->settings.push_back({Specifier::DefaultTabInterval, sizeof(double), &out->doubles[reals]});
  return out;
}

Ref<ParagraphStyle> CTStyle(const ParagraphStyle& style) {
  auto settings = paragraphSettings(style);
  return ParagraphStyle::createWithSettings(settings->settings.data(), settings->settings.size());
}

Ref<MutableParagraphStyle> styleWithCTStyle(const Ref<ParagraphStyle>& ctStyle) {
  if (!ctStyle) return nullptr;
  auto style = rt::as<MutableParagraphStyle>(ParagraphStyle::defaultParagraphStyle()->mutableCopy());
  for (const Entry& e : kTable) {
    switch (e.kind) {
      case Kind::Real: {
        double v = 0;
        if (ctStyle->getValueForSpecifier(e.specifier, sizeof v, &v)) (style.get()->*e.set)(v);
        break;
      }
      case Kind::Alignment: {
        uint8_t v = 0;
        if (ctStyle->getValueForSpecifier(e.specifier, sizeof v, &v))
          style->setAlignment(typeset::TextAlignmentFromCTTextAlignment(static_cast<typeset::CTTextAlignment>(v)));
        break;
      }
      case Kind::LineBreakMode: {
        uint8_t v = 0;
        if (ctStyle->getValueForSpecifier(e.specifier, sizeof v, &v))
          style->setLineBreakMode(static_cast<typeset::LineBreakMode>(v));
        break;
      }
      case Kind::WritingDirection: {
        int8_t v = 0;
        if (ctStyle->getValueForSpecifier(e.specifier, sizeof v, &v))
          style->setBaseWritingDirection(static_cast<typeset::WritingDirection>(v));
        break;
      }
    }
  }
  std::vector<Ref<typeset::TextTab>> ctTabs;
  if (ctStyle->getValueForSpecifier(Specifier::TabStops, sizeof ctTabs, &ctTabs)) {
    std::vector<Ref<typeset::TextTab>> tabs;
    for (const auto& tab : ctTabs)
      if (tab) tabs.push_back(typeset::TextTab::create(tab->alignment(), tab->location(), tab->options()));
    if (!tabs.empty()) style->setTabStops(std::move(tabs));
  }
  double interval = 0;
  if (ctStyle->getValueForSpecifier(Specifier::DefaultTabInterval, sizeof interval, &interval))
    style->setDefaultTabInterval(interval);
  return style;
}

}  // namespace text
