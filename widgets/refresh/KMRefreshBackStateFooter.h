#pragma once
// The back footer with a title per state.
#include <map>
#include <optional>

#include "platform/ui/controls/Label.h"
#include "widgets/refresh/KMRefreshBackFooter.h"

namespace widgets {

class KMRefreshBackStateFooter : public KMRefreshBackFooter {
  RT_CLASS(KMRefreshBackStateFooter, KMRefreshBackFooter)
 public:
  Ref<ui::Label> stateLabel();
  void setTitle(const std::optional<rt::String>& title, KMRefreshComponentState state);
  std::optional<rt::String> titleForState(KMRefreshComponentState state) const;

  void setState(KMRefreshComponentState state) override;

 protected:
  void prepare() override;
  void placeSubviews() override;

 private:
  Weak<ui::Label> stateLabel_;
  std::map<KMRefreshComponentState, rt::String> stateTitles_;
};

}  // namespace widgets
