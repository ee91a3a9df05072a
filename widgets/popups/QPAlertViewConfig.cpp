#include "widgets/popups/QPAlertViewConfig.h"

#include "widgets/popups/Color+QPPopup.h"

namespace widgets {

RT_IMPLEMENT(QPAlertViewConfig) {}

void QPAlertViewConfig::init() {
  backgroundColor = qp_colorWithHex(0xFFFFFFFF);
  titleColor = qp_colorWithHex(0x333333FF);
  detailColor = qp_colorWithHex(0x333333FF);
  splitColor = qp_colorWithHex(0xCCCCCCFF);
  itemNormalColor = qp_colorWithHex(0x333333FF);
  itemHighlightColor = qp_colorWithHex(0xE76153FF);
  itemPressedColor = qp_colorWithHex(0xEFEDE7FF);
  defaultTextOK = u"好";
  defaultTextCancel = u"取消";
  defaultTextConfirm = u"确定";
}

const Ref<QPAlertViewConfig>& QPAlertViewConfig::globalConfig() {
  static const Ref<QPAlertViewConfig> shared = rt::make<QPAlertViewConfig>();
  return shared;
}

}  // namespace widgets
