#pragma once
// The centred alert: optional bold title, detail and one-line input over a row (one or two
// items) or column (three or more) of buttons. It scales in over the dim and fades out.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TextField.h"
#include "widgets/popups/QPPopupItem.h"
#include "widgets/popups/QPPopupView.h"

namespace widgets {

/// Receives the input field's text.
using PopupInputHandler = std::function<void(const rt::String& text)>;

class QPAlertView : public QPPopupView {
  RT_CLASS(QPAlertView, QPPopupView)
 public:
  /// Cancel and confirm, both highlighted; confirm passes the text to `handler`.
  void initWithInputTitle(const rt::String& title, const rt::String& detail, const rt::String& placeholder,
                          PopupInputHandler handler);
  /// One highlighted "好" button.
  void initWithConfirmTitle(const rt::String& title, const rt::String& detail);
  void init(const rt::String& title, const rt::String& detail, std::vector<Ref<QPPopupItem>> items);
  static Ref<QPAlertView> alertWithInputTitle(const rt::String& title, const rt::String& detail,
                                              const rt::String& placeholder, PopupInputHandler handler);
  static Ref<QPAlertView> alertWithConfirmTitle(const rt::String& title, const rt::String& detail);
  void init(const rt::String& title, const rt::String& detail, std::vector<Ref<QPPopupItem>> items,
            const rt::String& inputPlaceholder, PopupInputHandler inputHandler);

  /// Longest input in UTF-16 units, cut at a composed-character boundary; 0 for no limit.
  uint64_t maxInputLength = 0;
  Ref<ui::Label> titleLabel, detailLabel;
  Ref<ui::TextField> inputView;
  Ref<ui::View> buttonView;
  std::vector<Ref<QPPopupItem>> actionItems;
  PopupInputHandler inputHandler;

  void actionButton(int64_t tag);
  void notifyTextChange(const Ref<fd::Notification>& notification);
  void showKeyboard() override;
  void hideKeyboard() override;
};

}  // namespace widgets
