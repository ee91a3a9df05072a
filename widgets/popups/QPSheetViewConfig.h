#pragma once
// The look of action sheets: one shared settings object, read while a sheet is built.
#include "platform/graphics/Color.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/String.h"

namespace widgets {

class QPSheetViewConfig : public rt::Object {
  RT_CLASS(QPSheetViewConfig, rt::Object)
 public:
  void init();
  static const Ref<QPSheetViewConfig>& globalConfig();

  double buttonHeight = 50;
  double innerMargin = 19;
  double titleFontSize = 14;
  double buttonFontSize = 17;
  Ref<gfx::Color> backgroundColor, titleColor, splitColor;
  Ref<gfx::Color> itemNormalColor, itemDisableColor, itemHighlightColor, itemPressedColor;
  rt::String defaultTextCancel;
};

}  // namespace widgets
