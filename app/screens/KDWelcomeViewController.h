#pragma once
// The welcome screen: the content service's loading pages side by side, a page control and a
// skip button. It ends (calls its completion block with "3") on the skip button, on a scroll
// past the last page, or 3 s after an answer with fewer than two pages or a failed request.
#include <functional>
#include <optional>
#include <vector>

#include "app/models/KDAPPLoadingModel.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/PageControl.h"
#include "platform/ui/lists/ScrollView.h"

namespace app {

class KDWelcomeViewController : public ui::ViewController, public ui::ScrollViewDelegate {
  RT_CLASS(KDWelcomeViewController, ui::ViewController)
 public:
  /// No argument does nothing; the welcome screen always passes "3".
  using Callback = std::function<void(const std::optional<fd::String>& argument)>;
  static constexpr double kShortWelcomeSeconds = 3.0;

  void init() {}
  void viewDidLoad() override;

  void getCallbackblock(Callback block) { callbackblock_ = std::move(block); }
  void setCallbackblock(Callback block) { callbackblock_ = std::move(block); }
  void refreshData();
  void setPage();
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;

  const Ref<ui::ScrollView>& contentView() const { return contentView_; }
  const std::vector<Ref<KDAPPLoadingModel>>& modelArray() const { return modelArray_; }
  const Ref<ui::PageControl>& page() const { return page_; }
  const Ref<ui::Button>& skipButton() const { return skip_; }

 private:
  void showPages(const std::vector<Ref<KDAPPLoadingModel>>& pages);
  void addSkipButton();
  void finish();
  void finishLater();

  Ref<ui::ScrollView> contentView_;
  std::vector<Ref<KDAPPLoadingModel>> modelArray_;
  Ref<ui::PageControl> page_;
  Ref<ui::Button> skip_;
  Callback callbackblock_;
};

}  // namespace app
