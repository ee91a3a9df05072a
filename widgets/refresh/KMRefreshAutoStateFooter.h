#pragma once
// The automatic footer with a title per state; tapping the title while idle loads too.
#include <map>
#include <optional>

#include "platform/ui/controls/Label.h"
#include "widgets/refresh/KMRefreshAutoFooter.h"

namespace widgets {

class KMRefreshAutoStateFooter : public KMRefreshAutoFooter {
  RT_CLASS(KMRefreshAutoStateFooter, KMRefreshAutoFooter)
 public:
  Ref<ui::Label> stateLabel();
  /// When true the label shows no text while refreshing.
  bool isRefreshingTitleHidden() const { return refreshingTitleHidden_; }
  void setRefreshingTitleHidden(bool on) { refreshingTitleHidden_ = on; }

  void setTitle(const std::optional<rt::String>& title, KMRefreshComponentState state);
  std::optional<rt::String> titleForState(KMRefreshComponentState state) const;
  /// The tap on the title: loads when idle.
  void stateLabelClick();

  void setState(KMRefreshComponentState state) override;

 protected:
  void prepare() override;
  void placeSubviews() override;

 private:
  Weak<ui::Label> stateLabel_;
  std::map<KMRefreshComponentState, rt::String> stateTitles_;
  bool refreshingTitleHidden_ = false;
};

}  // namespace widgets
