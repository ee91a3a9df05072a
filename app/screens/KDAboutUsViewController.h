#pragma once
// The about page: the application's icon, the about text the content service returns and the
// version line, in a scroll view that grows with the text.
#include "app/shell/BaseViewController.h"
#include "app/shell/KDTopBar.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/ScrollView.h"

namespace app {

class KDAboutUsViewController : public BaseViewController {
  RT_CLASS(KDAboutUsViewController, BaseViewController)
 public:
  static constexpr const char* kVersionLine = "版本:V1.24";

  void init() {}
  void viewDidLoad() override;
  void viewDidLayoutSubviews() override;

  /// Asks the content service for the text; a failure leaves only the icon.
  void getAbontUs();
  /// The label's text for the service's answer.
  static fd::String aboutText(const rt::Id& data);

  const Ref<ui::ScrollView>& contentView() const { return contentView_; }
  const Ref<ui::ImageView>& iconView() const { return iconView_; }
  const Ref<ui::Label>& content() const { return content_; }
  const KDTopBar& topBar() const { return topBar_; }

 private:
  void showText(const fd::String& text);
  /// The scroll view's content reaches 10 points below the text.
  void fitContent();

  Ref<ui::ScrollView> contentView_;
  Ref<ui::ImageView> iconView_;
  Ref<ui::Label> content_;
  KDTopBar topBar_;
};

}  // namespace app
