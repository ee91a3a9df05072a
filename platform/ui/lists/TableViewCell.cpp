#include "platform/ui/lists/TableViewCell.h"

#include <algorithm>

#include "platform/graphics/ImageContext.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/Screen.h"

namespace ui {

namespace {

// The standard accessories, drawn: a chevron or a check mark in the tint colour.
class TableViewCellAccessoryMark : public View {
  RT_CLASS_NAMED(TableViewCellAccessoryMark, View, "UITableViewCellAccessoryMark")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame) {
    View::init(frame);
    setOpaque(false);
    setBackgroundColor(gfx::Color::clearColor());
    setUserInteractionEnabled(false);
  }
  void setType(TableViewCellAccessoryType t) {
    type_ = t;
    setNeedsDisplay();
  }
  void drawRect(gfx::Rect) override {
    auto ctx = gfx::currentContext();
    if (!ctx) return;
    gfx::Size s = bounds().size;
    double cx = s.width / 2, cy = s.height / 2;
    ctx->setLineWidth(2);
    ctx->beginPath();
    if (type_ == TableViewCellAccessoryType::Checkmark) {
      ctx->setStrokeColor(tintColor());
      ctx->moveToPoint(cx - 6, cy);
      ctx->addLineToPoint(cx - 2, cy + 4);
      ctx->addLineToPoint(cx + 6, cy - 5);
    } else {
      ctx->setStrokeColor(gfx::Color::colorWithWhite(0.78, 1));
      ctx->moveToPoint(cx - 3, cy - 6);
      ctx->addLineToPoint(cx + 3, cy);
      ctx->addLineToPoint(cx - 3, cy + 6);
    }
    ctx->strokePath();
  }

 private:
  TableViewCellAccessoryType type_ = TableViewCellAccessoryType::DisclosureIndicator;
};

constexpr double kMargin = 15;

double hairline() {
  auto screen = Screen::mainScreen();
  double scale = screen ? screen->scale() : 1;
  return 1 / std::max(1.0, scale);
}

}  // namespace

RT_IMPLEMENT_PLATFORM(TableViewCellAccessoryMark) {}

RT_IMPLEMENT_PLATFORM(TableViewCell) {
  c.property("reuseIdentifier", &TableViewCell::reuseIdentifier);
  c.property("contentView", &TableViewCell::contentView);
  c.property("selected", &TableViewCell::isSelected, static_cast<void (TableViewCell::*)(bool)>(&TableViewCell::setSelected))
      .getterName("isSelected");
  c.property("highlighted", &TableViewCell::isHighlighted,
             static_cast<void (TableViewCell::*)(bool)>(&TableViewCell::setHighlighted))
      .getterName("isHighlighted");
}

void TableViewCell::init(gfx::Rect frame) {
  init(TableViewCellStyle::Default, rt::String());
  setFrame(frame);
}

void TableViewCell::init(TableViewCellStyle style, const rt::String& reuseIdentifier) {
  View::init(gfx::RectMake(0, 0, 320, 44));
  style_ = style;
  reuseIdentifier_ = reuseIdentifier;
  setBackgroundColor(gfx::Color::whiteColor());
  contentView_ = rt::make<View>(bounds());
  addSubview(contentView_);
}

Ref<Label> TableViewCell::textLabel() {
  if (!textLabel_) {
    textLabel_ = rt::make<Label>();
    textLabel_->setFont(style_ == TableViewCellStyle::Value2 ? typeset::Font::boldSystemFontOfSize(12)
                                                            : typeset::Font::systemFontOfSize(17));
    if (style_ == TableViewCellStyle::Value2) {
      textLabel_->setTextAlignment(typeset::TextAlignment::Right);
      textLabel_->setTextColor(tintColor());
    }
    contentView_->addSubview(textLabel_);
    setNeedsLayout();
  }
  return textLabel_;
}

Ref<Label> TableViewCell::detailTextLabel() {
  if (style_ == TableViewCellStyle::Default) return nullptr;
  if (!detailTextLabel_) {
    detailTextLabel_ = rt::make<Label>();
    switch (style_) {
      case TableViewCellStyle::Value1:
        detailTextLabel_->setFont(typeset::Font::systemFontOfSize(17));
        detailTextLabel_->setTextColor(gfx::Color::colorWithWhite(0.56, 1));
        detailTextLabel_->setTextAlignment(typeset::TextAlignment::Right);
        break;
      case TableViewCellStyle::Value2: detailTextLabel_->setFont(typeset::Font::systemFontOfSize(15)); break;
      default: detailTextLabel_->setFont(typeset::Font::systemFontOfSize(12)); break;
    }
    contentView_->addSubview(detailTextLabel_);
    setNeedsLayout();
  }
  return detailTextLabel_;
}

Ref<ImageView> TableViewCell::imageView() {
  if (!imageView_) {
    imageView_ = rt::make<ImageView>();
    contentView_->addSubview(imageView_);
    setNeedsLayout();
  }
  return imageView_;
}

void TableViewCell::prepareForReuse() {
  setSelected(false, false);
  setHighlighted(false, false);
}

// ---- accessory

void TableViewCell::setAccessoryType(TableViewCellAccessoryType t) {
  accessoryType_ = t;
  updateAccessory();
}

void TableViewCell::setAccessoryView(Ref<View> v) {
  if (accessoryView_) accessoryView_->removeFromSuperview();
  accessoryView_ = std::move(v);
  updateAccessory();
}

void TableViewCell::updateAccessory() {
  if (standardAccessory_) standardAccessory_->removeFromSuperview();
  if (accessoryView_) {
    addSubview(accessoryView_);
  } else if (accessoryType_ != TableViewCellAccessoryType::None) {
    if (!standardAccessory_) standardAccessory_ = rt::make<TableViewCellAccessoryMark>();
    static_cast<TableViewCellAccessoryMark&>(*standardAccessory_).setType(accessoryType_);
    addSubview(standardAccessory_);
  }
  setNeedsLayout();
}

// ---- selection look

void TableViewCell::setSelectionStyle(TableViewCellSelectionStyle s) {
  selectionStyle_ = s;
  updateSelectionLook();
}

void TableViewCell::setBackgroundView(Ref<View> v) {
  if (backgroundView_) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(v);
  if (backgroundView_) {
    backgroundView_->setFrame({{0, 0}, bounds().size});
    insertSubviewAtIndex(backgroundView_, 0);
  }
}

Ref<View> TableViewCell::selectedBackgroundView() {
  if (!selectedBackgroundView_ && selectionStyle_ != TableViewCellSelectionStyle::None) {
    selectedBackgroundView_ = rt::make<View>();
    selectedBackgroundView_->setBackgroundColor(gfx::Color::colorWithWhite(0.85, 1));
  }
  return selectedBackgroundView_;
}

void TableViewCell::setSelectedBackgroundView(Ref<View> v) {
  if (selectedBackgroundView_) selectedBackgroundView_->removeFromSuperview();
  selectedBackgroundView_ = std::move(v);
  customSelectedBackground_ = selectedBackgroundView_ != nullptr;
  updateSelectionLook();
}

void TableViewCell::setSelected(bool on, bool animated) {
  (void)animated;
  if (selected_ == on) return;
  selected_ = on;
  updateSelectionLook();
}

void TableViewCell::setHighlighted(bool on, bool animated) {
  (void)animated;
  if (highlighted_ == on) return;
  highlighted_ = on;
  updateSelectionLook();
}

void TableViewCell::updateSelectionLook() {
  // A selection style of none shows no selection, unless the cell was given its own view.
  bool show = (selected_ || highlighted_) &&
              (selectionStyle_ != TableViewCellSelectionStyle::None || customSelectedBackground_);
  Ref<View> bg = show ? selectedBackgroundView() : selectedBackgroundView_;
  if (show && bg) {
    if (bg->superview().get() != this) {
      bg->setFrame({{0, 0}, bounds().size});
      insertSubviewBelow(bg, contentView_.get());
    }
  } else if (bg) {
    bg->removeFromSuperview();
  }
  for (auto& label : {textLabel_, detailTextLabel_}) {
    if (label) label->setHighlighted(show);
  }
  if (imageView_) imageView_->setHighlighted(show);
}

// ---- separator

void TableViewCell::setSeparatorInset(gfx::EdgeInsets in) {
  separatorInset_ = in;
  setNeedsLayout();
}

void TableViewCell::configureSeparator(TableViewCellSeparatorStyle style, const Ref<gfx::Color>& color) {
  separatorStyle_ = style;
  if (style == TableViewCellSeparatorStyle::None) {
    if (separatorView_) separatorView_->removeFromSuperview();
    separatorView_ = nullptr;
    return;
  }
  if (!separatorView_) {
    separatorView_ = rt::make<View>();
    separatorView_->setUserInteractionEnabled(false);
    addSubview(separatorView_);
  }
  separatorView_->setBackgroundColor(color ? color : gfx::Color::colorWithRed(0.78, 0.78, 0.8, 1));
  setNeedsLayout();
}

// ---- layout

void TableViewCell::layoutSubviews() {
  gfx::Size size = bounds().size;
  gfx::Rect whole{{0, 0}, size};
  if (backgroundView_) backgroundView_->setFrame(whole);
  if (selectedBackgroundView_) selectedBackgroundView_->setFrame(whole);

  double contentWidth = size.width;
  View* accessory = accessoryView_ ? accessoryView_.get() : (standardAccessory_ && standardAccessory_->superview() ? standardAccessory_.get() : nullptr);
  if (accessory) {
    gfx::Size a = accessory == standardAccessory_.get() ? gfx::SizeMake(20, 20) : accessory->frame().size;
    double x = size.width - kMargin - a.width;
    accessory->setFrame({{x, (size.height - a.height) / 2}, a});
    contentWidth = std::max(0.0, std::min(size.width - kAccessoryWidth, x - 5));
  }
  contentView_->setFrame({{0, 0}, {contentWidth, size.height}});
  layoutStandardViews({{0, 0}, {contentWidth, size.height}});

  if (separatorView_) {
    double h = hairline();
    double x = separatorInset_.left;
    separatorView_->setFrame({{x, size.height - h}, {std::max(0.0, size.width - x - separatorInset_.right), h}});
    bringSubviewToFront(separatorView_.get());
  }
}

void TableViewCell::layoutStandardViews(gfx::Rect content) {
  double h = content.size.height;
  double x = kMargin;
  if (imageView_ && imageView_->image()) {
    gfx::Size s = imageView_->image()->size();
    imageView_->setFrame({{kMargin, (h - s.height) / 2}, s});
    x += s.width + kMargin;
  }
  double right = content.size.width - kMargin;
  double width = std::max(0.0, right - x);
  switch (style_) {
    case TableViewCellStyle::Default:
      if (textLabel_) textLabel_->setFrame({{x, 0}, {width, h}});
      break;
    case TableViewCellStyle::Subtitle: {
      double t = textLabel_ ? textLabel_->sizeThatFits({width, h}).height : 0;
      double d = detailTextLabel_ ? detailTextLabel_->sizeThatFits({width, h}).height : 0;
      double y = (h - t - d) / 2;
      if (textLabel_) textLabel_->setFrame({{x, y}, {width, t}});
      if (detailTextLabel_) detailTextLabel_->setFrame({{x, y + t}, {width, d}});
      break;
    }
    case TableViewCellStyle::Value1: {
      double d = detailTextLabel_ ? std::min(width, detailTextLabel_->sizeThatFits({width, h}).width) : 0;
      if (detailTextLabel_) detailTextLabel_->setFrame({{right - d, 0}, {d, h}});
      if (textLabel_) textLabel_->setFrame({{x, 0}, {std::max(0.0, width - d - 8), h}});
      break;
    }
    case TableViewCellStyle::Value2: {
      constexpr double kTitleWidth = 67;
      if (textLabel_) textLabel_->setFrame({{x, 0}, {kTitleWidth, h}});
      double dx = x + kTitleWidth + 6;
      if (detailTextLabel_) detailTextLabel_->setFrame({{dx, 0}, {std::max(0.0, right - dx), h}});
      break;
    }
  }
}

}  // namespace ui
