#include "platform/ui/lists/TableViewHeaderFooterView.h"

#include "platform/typeset/Font.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(TableViewHeaderFooterView) {
  c.property("reuseIdentifier", &TableViewHeaderFooterView::reuseIdentifier);
  c.property("contentView", &TableViewHeaderFooterView::contentView);
}

void TableViewHeaderFooterView::init(const rt::String& reuseIdentifier) {
  View::init(gfx::RectZero);
  reuseIdentifier_ = reuseIdentifier;
  contentView_ = rt::make<View>();
  addSubview(contentView_);
}

Ref<Label> TableViewHeaderFooterView::textLabel() {
  if (!textLabel_) {
    textLabel_ = rt::make<Label>();
    textLabel_->setFont(typeset::Font::systemFontOfSize(13));
    textLabel_->setTextColor(gfx::Color::colorWithWhite(0.43, 1));
    contentView_->addSubview(textLabel_);
    setNeedsLayout();
  }
  return textLabel_;
}

void TableViewHeaderFooterView::layoutSubviews() {
  gfx::Rect b{{0, 0}, bounds().size};
  contentView_->setFrame(b);
  if (textLabel_) textLabel_->setFrame(gfx::RectInset(b, 15, 0));
}

}  // namespace ui
