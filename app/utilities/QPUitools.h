#pragma once
// The application's toolbox: view, label, button and image-view factories that add what they
// make to a superview; buttons carrying their tap action; navigation items; image, date,
// distance, JSON and colour helpers. Factories and taps are main-thread work; the
// conversions hold no state and may run on any thread.
#include <functional>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Data.h"
#include "platform/ui/controllers/NavigationItem.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"

namespace app {

class QPUitools {
 public:
  using BtnAction = std::function<void()>;

  static Ref<ui::View> createUIViewForSupeView(ui::View& superview, const Ref<gfx::Color>& backgroundColor);
  /// A separator line in the palette's line grey.
  static Ref<ui::View> createLineViewForSupeView(ui::View& superview);
  static Ref<ui::Label> createLabelForSupeView(ui::View& superview, float fontSize, const Ref<gfx::Color>& textColor);
  static Ref<ui::Label> createTitleLabelForSupeView(ui::View& superview);
  static Ref<ui::Label> createContentLabelWithSupeView(ui::View& superview, int64_t numberOfLines);
  static Ref<ui::ImageView> createImageViewForSupeView(ui::View& superview);
  /// Loads the address with the "placeimage" placeholder.
  static Ref<ui::ImageView> createImageViewForSupeView(ui::View& superview, const fd::String& imageUrl);
  static Ref<ui::ImageView> createImageViewForSupeView(ui::View& superview, const Ref<gfx::Image>& image);

  /// A custom button that runs `action` (may be empty) and then springs on every tap; it is
  /// not added to any view.
  static Ref<ui::Button> createButtonWithBtnAction(BtnAction action);
  static Ref<ui::Button> createButtonWithText(const fd::String& text, const Ref<gfx::Color>& textColor, float fontSize,
                                              BtnAction action);
  static Ref<ui::Button> createButtonWithText(const fd::String& text, const Ref<gfx::Color>& textColor, float fontSize,
                                              const Ref<gfx::Color>& backgroundColor, double cornerRadius,
                                              BtnAction action);
  static Ref<ui::Button> createButtonWithNormalImage(const Ref<gfx::Image>& normal, const Ref<gfx::Image>& selected,
                                                     BtnAction action);
  /// The tap handler of the factory buttons.
  static void btnAction(ui::Button& button);

  static void setBack(ui::NavigationItem& item);
  static void initNavigationItem(ui::NavigationItem& item, const fd::String& text, bool isRight, BtnAction action);

  static Ref<gfx::Image> scaleToSize(const Ref<gfx::Image>& image, gfx::Size size);
  static Ref<fd::Data> DataTransFormImage(const Ref<gfx::Image>& image);

  /// "yyyy年MM月dd日" of a Unix-seconds text, in the device's time zone.
  static fd::String DateTransForString(const fd::String& seconds);
  /// As above with 8 hours added first.
  static fd::String getDataStr(const fd::String& seconds);
  /// Now, in milliseconds since 1970, "%f".
  static fd::String GetDataCuo();
  static fd::String getData(const Ref<fd::Date>& date);
  /// Null when the text is not "yyyy-MM-dd".
  static Ref<fd::Date> getDateWith(const fd::String& text);
  /// Whole Unix seconds of `getDateWith`, "0" when it does not parse.
  static fd::String getDateCuoWith(const fd::String& text);
  static bool eqDateWithFirstDate(const Ref<fd::Date>& first, const Ref<fd::Date>& end);
  /// Great-circle distance in kilometres between two points given in degrees.
  static double distanceBetweenOrderBy(double lat1, double lat2, double lng1, double lng2);
  /// Null when the text is not valid JSON.
  static rt::Id parseJSONStringToNSDictionary(const fd::String& json);
  /// Black for anything but six hexadecimal digits (after "0X" and "#").
  static Ref<gfx::Color> hexStringToColor(const fd::String& text);
};

}  // namespace app
