#include "tools/text-lab/TLPageHeader.h"

#include "platform/typeset/Font.h"

namespace textlab {

TLPageHeader addPageHeader(ui::View& view, double width, const rt::String& title, const rt::String& toggleCaption,
                           const rt::String& status) {
  TLPageHeader header;
  header.title = rt::make<ui::Label>(gfx::RectMake(12, 24, 160, 30));
  header.title->setFont(typeset::Font::boldSystemFontOfSize(20));
  header.title->setText(title);
  view.addSubview(header.title);

  header.toggle = rt::make<ui::Switch>(gfx::RectMake(width - 12 - ui::Switch::kWidth, 24, 0, 0));
  view.addSubview(header.toggle);
  auto caption = rt::make<ui::Label>(gfx::RectMake(width - 20 - ui::Switch::kWidth - 130, 24, 130, 31));
  caption->setFont(typeset::Font::systemFontOfSize(14));
  caption->setTextColor(gfx::Color::colorWithWhite(0.35, 1));
  caption->setTextAlignment(typeset::TextAlignment::Right);
  caption->setText(toggleCaption);
  view.addSubview(caption);

  header.status = rt::make<ui::Label>(gfx::RectMake(12, 60, width - 24, 20));
  header.status->setFont(typeset::Font::systemFontOfSize(13));
  header.status->setTextColor(gfx::Color::colorWithRed(0.1, 0.35, 0.75, 1));
  header.status->setText(status);
  view.addSubview(header.status);

  auto rule = rt::make<ui::View>(gfx::RectMake(0, kLabHeaderBottom - 0.5, width, 0.5));
  rule->setBackgroundColor(gfx::Color::colorWithWhite(0.8, 1));
  view.addSubview(rule);
  return header;
}

}  // namespace textlab
