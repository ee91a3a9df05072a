#pragma once
// The action sheet: a full-width panel sliding up from the host's bottom with an optional
// title, a column of item buttons and a separate cancel button.
#include <vector>

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "widgets/popups/QPPopupItem.h"
#include "widgets/popups/QPPopupView.h"

namespace widgets {

class QPSheetView : public QPPopupView {
  RT_CLASS(QPSheetView, QPPopupView)
 public:
  void init(const rt::String& title, std::vector<Ref<QPPopupItem>> items);

  Ref<ui::View> titleView;
  Ref<ui::Label> titleLabel;
  Ref<ui::View> buttonView;
  Ref<ui::Button> cancelButton;
  std::vector<Ref<QPPopupItem>> actionItems;

  void actionButton(int64_t tag);
  void actionCancel() { hide(); }
};

}  // namespace widgets
