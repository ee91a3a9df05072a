#include "app/utilities/QPUitools.h"

#include <cmath>

#include "anim/PXAnimator.h"
#include "anim/PXSpringAnimation.h"
#include "app/categories/Color+Category.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/time/DateFormatter.h"
#include "platform/foundation/time/Locale.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageData.h"
#include "platform/typeset/Font.h"
#include "platform/ui/controllers/BarButtonItem.h"

namespace app {

namespace {

// The one key every factory button stores its action under.
const char kBtnActionKey = 0;

// The stored action; immutable, so a copy is the object itself.
class QPButtonAction : public rt::Object {
  RT_CLASS(QPButtonAction, rt::Object)
 public:
  void init(QPUitools::BtnAction action) { action_ = std::move(action); }
  rt::Id copy() const override { return std::const_pointer_cast<rt::Object>(self()); }
  const QPUitools::BtnAction& action() const { return action_; }

 private:
  QPUitools::BtnAction action_;
};

Ref<fd::DateFormatter> formatter(const char* format) {
  auto f = fd::DateFormatter::create();
  f->setDateFormat(format);
  return f;
}

}  // namespace

RT_IMPLEMENT(QPButtonAction) {}

Ref<ui::View> QPUitools::createUIViewForSupeView(ui::View& superview, const Ref<gfx::Color>& backgroundColor) {
  auto v = rt::make<ui::View>();
  v->setBackgroundColor(backgroundColor);
  superview.addSubview(v);
  return v;
}

Ref<ui::View> QPUitools::createLineViewForSupeView(ui::View& superview) {
  return createUIViewForSupeView(superview, customLineGreyColor());
}

Ref<ui::Label> QPUitools::createLabelForSupeView(ui::View& superview, float fontSize, const Ref<gfx::Color>& textColor) {
  auto label = rt::make<ui::Label>();
  label->setFont(typeset::Font::systemFontOfSize(fontSize));
  label->setTextColor(textColor);
  superview.addSubview(label);
  return label;
}

Ref<ui::Label> QPUitools::createTitleLabelForSupeView(ui::View& superview) {
  return createLabelForSupeView(superview, 16, customTitleColor());
}

Ref<ui::Label> QPUitools::createContentLabelWithSupeView(ui::View& superview, int64_t numberOfLines) {
  auto label = createLabelForSupeView(superview, 13, customContentColor());
  label->setNumberOfLines(numberOfLines);
  return label;
}

Ref<ui::ImageView> QPUitools::createImageViewForSupeView(ui::View& superview) {
  auto v = rt::make<ui::ImageView>();
  superview.addSubview(v);
  return v;
}

Ref<ui::ImageView> QPUitools::createImageViewForSupeView(ui::View& superview, const fd::String& imageUrl) {
  auto v = createImageViewForSupeView(superview);
  image::wi_setImageWithURL(*v, fd::URL::URLWithString(imageUrl), gfx::Image::imageNamed("placeimage"));
  return v;
}

Ref<ui::ImageView> QPUitools::createImageViewForSupeView(ui::View& superview, const Ref<gfx::Image>& image) {
  auto v = createImageViewForSupeView(superview);
  v->setImage(image);
  return v;
}

Ref<ui::Button> QPUitools::createButtonWithBtnAction(BtnAction action) {
  auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
  button->setAssociatedObject(&kBtnActionKey, rt::make<QPButtonAction>(std::move(action)),
                              rt::AssociationPolicy::CopyNonatomic);
  button->addTarget(nullptr, [](ui::Control& sender, ui::Event*) { btnAction(static_cast<ui::Button&>(sender)); },
                    ui::ControlEventTouchUpInside);
  return button;
}

Ref<ui::Button> QPUitools::createButtonWithText(const fd::String& text, const Ref<gfx::Color>& textColor, float fontSize,
                                                BtnAction action) {
  auto button = createButtonWithBtnAction(std::move(action));
  button->setTitle(text, ui::ControlStateNormal);
  button->setTitleColor(textColor, ui::ControlStateNormal);
  button->titleLabel()->setFont(typeset::Font::systemFontOfSize(fontSize));
  return button;
}

Ref<ui::Button> QPUitools::createButtonWithText(const fd::String& text, const Ref<gfx::Color>& textColor, float fontSize,
                                                const Ref<gfx::Color>& backgroundColor, double cornerRadius,
                                                BtnAction action) {
  auto button = createButtonWithText(text, textColor, fontSize, std::move(action));
  button->setBackgroundColor(backgroundColor);
  button->layer()->setCornerRadius(cornerRadius);
  button->layer()->setMasksToBounds(true);
  return button;
}

Ref<ui::Button> QPUitools::createButtonWithNormalImage(const Ref<gfx::Image>& normal, const Ref<gfx::Image>& selected,
                                                       BtnAction action) {
  auto button = createButtonWithBtnAction(std::move(action));
  button->setImage(normal, ui::ControlStateNormal);
  button->setImage(selected, ui::ControlStateSelected);
  return button;
}

void QPUitools::btnAction(ui::Button& button) {
  if (auto stored = std::dynamic_pointer_cast<QPButtonAction>(button.associatedObject(&kBtnActionKey)))
    if (stored->action()) stored->action()();
  auto spring = anim::PXSpringAnimation::animationWithPropertyNamed("subscaleXY");
  spring->setVelocity(fd::ValueBox::valueWith(gfx::Size{5, 5}));
  spring->setToValue(fd::ValueBox::valueWith(gfx::Size{1, 1}));
  spring->setSpringBounciness(18);
  anim::px_addAnimation(button.layer(), spring, "layerScaleSpringAnimation");
}

void QPUitools::setBack(ui::NavigationItem& item) {
  auto back = rt::make<ui::BarButtonItem>();
  back->setTitle("");
  item.setBackBarButtonItem(back);
}

void QPUitools::initNavigationItem(ui::NavigationItem& item, const fd::String& text, bool isRight, BtnAction action) {
  auto button = createButtonWithText(text, gfx::Color::whiteColor(), 16, std::move(action));
  button->setFrame({{0, 0}, {44, 44}});
  button->setContentHorizontalAlignment(ui::ControlContentHorizontalAlignment::Center);
  auto barItem = rt::make<ui::BarButtonItem>(Ref<ui::View>(button));
  if (isRight) item.setRightBarButtonItem(barItem);
  else item.setLeftBarButtonItem(barItem);
}

Ref<gfx::Image> QPUitools::scaleToSize(const Ref<gfx::Image>& image, gfx::Size size) {
  gfx::beginImageContextWithOptions(size, false, 1);
  if (image) image->drawInRect({{0, 0}, size});
  auto scaled = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return scaled;
}

Ref<fd::Data> QPUitools::DataTransFormImage(const Ref<gfx::Image>& image) {
  return gfx::UIImageJPEGRepresentation(image, 1.0);
}

fd::String QPUitools::DateTransForString(const fd::String& seconds) {
  return formatter("yyyy年MM月dd日")->stringFromDate(fd::Date::dateWithTimeIntervalSince1970(seconds.doubleValue()));
}

fd::String QPUitools::getDataStr(const fd::String& seconds) {
  return formatter("yyyy年MM月dd日")
      ->stringFromDate(fd::Date::dateWithTimeIntervalSince1970(seconds.doubleValue() + 28800));
}

fd::String QPUitools::GetDataCuo() {
  return fd::String::format("%f", fd::Date::date()->timeIntervalSince1970() * 1000);
}

fd::String QPUitools::getData(const Ref<fd::Date>& date) {
  auto text = formatter("yyyy-MM-dd")->stringFromDate(date);
  fd::NSLog("%s(%d): newData  %@", "+[QPUitools getData:]", 252, text);
  return text;
}

Ref<fd::Date> QPUitools::getDateWith(const fd::String& text) {
  auto f = formatter("yyyy-MM-dd");
  f->setLocale(fd::Locale::localeWithLocaleIdentifier("en_US"));
  return f->dateFromString(text);
}

fd::String QPUitools::getDateCuoWith(const fd::String& text) {
  auto date = getDateWith(text);
  long seconds = date ? static_cast<long>(date->timeIntervalSince1970()) : 0;
  return fd::String::format("%ld", seconds);
}

bool QPUitools::eqDateWithFirstDate(const Ref<fd::Date>& first, const Ref<fd::Date>& end) {
  if (!first || !end) return false;
  return first->timeIntervalSince1970() > end->timeIntervalSince1970();
}

double QPUitools::distanceBetweenOrderBy(double lat1, double lat2, double lng1, double lng2) {
  constexpr double kRad = 0.017453292519943295;
  double p1 = lat1 * kRad, p2 = lat2 * kRad, l1 = lng1 * kRad, l2 = lng2 * kRad;
  double chord2 = 2 - 2 * std::cos(p1) * std::cos(p2) * std::cos(l1 - l2) - 2 * std::sin(p1) * std::sin(p2);
  // Rounding can push the square a hair below zero for identical points.
  double c = std::sqrt(std::max(0.0, chord2));
  return std::asin(c * 0.5) * 12742008 / 1000;
}

rt::Id QPUitools::parseJSONStringToNSDictionary(const fd::String& json) {
  auto data = fd::Data::create(json.utf8());
  Ref<fd::Error> error;
  return fd::JSONSerialization::JSONObjectWithData(data, fd::JSONReadingMutableLeaves, &error);
}

Ref<gfx::Color> QPUitools::hexStringToColor(const fd::String& text) {
  std::string utf8 = text.utf8();
  if (hexColorDigits(utf8).empty()) return gfx::Color::blackColor();
  return colorWithHexString(utf8, 1);
}

}  // namespace app
