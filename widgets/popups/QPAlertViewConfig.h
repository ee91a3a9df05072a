#pragma once
// The look of alerts: one shared settings object, read while an alert is built.
#include "platform/graphics/Color.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/String.h"

namespace widgets {

class QPAlertViewConfig : public rt::Object {
  RT_CLASS(QPAlertViewConfig, rt::Object)
 public:
  void init();
  /// Made on first use; alerts built afterwards see changes to it.
  static const Ref<QPAlertViewConfig>& globalConfig();

  double width = 275;
  double buttonHeight = 50;
  double innerMargin = 25;
  double cornerRadius = 5;
  double titleFontSize = 18;
  double detailFontSize = 14;
  double buttonFontSize = 17;
  Ref<gfx::Color> backgroundColor, titleColor, detailColor, splitColor;
  Ref<gfx::Color> itemNormalColor, itemHighlightColor, itemPressedColor;
  rt::String defaultTextOK, defaultTextCancel, defaultTextConfirm;
};

}  // namespace widgets
