#include "widgets/popups/QPSheetViewConfig.h"

#include "widgets/popups/Color+QPPopup.h"

namespace widgets {

RT_IMPLEMENT(QPSheetViewConfig) {}

void QPSheetViewConfig::init() {
  backgroundColor = qp_colorWithHex(0xFFFFFFFF);
  titleColor = qp_colorWithHex(0x666666FF);
  splitColor = qp_colorWithHex(0xCCCCCCFF);
  itemNormalColor = qp_colorWithHex(0x333333FF);
  itemDisableColor = qp_colorWithHex(0xCCCCCCFF);
  itemHighlightColor = qp_colorWithHex(0xE76153FF);
  itemPressedColor = qp_colorWithHex(0xEFEDE7FF);
  defaultTextCancel = u"取消";
}

const Ref<QPSheetViewConfig>& QPSheetViewConfig::globalConfig() {
  static const Ref<QPSheetViewConfig> shared = rt::make<QPSheetViewConfig>();
  return shared;
}

}  // namespace widgets
