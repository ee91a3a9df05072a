#pragma once
// The header with a title per state and, beneath it, the time of the last refresh.
#include <functional>
#include <map>

#include "platform/foundation/time/Calendar.h"
#include "platform/ui/controls/Label.h"
#include "widgets/refresh/KMRefreshHeader.h"

namespace widgets {

class KMRefreshStateHeader : public KMRefreshHeader {
  RT_CLASS(KMRefreshStateHeader, KMRefreshHeader)
 public:
  /// Turns the last-updated date (null when none) into the time label's text.
  using LastUpdatedTimeText = std::function<rt::String(const Ref<fd::Date>& lastUpdatedTime)>;

  const LastUpdatedTimeText& lastUpdatedTimeText() const { return lastUpdatedTimeText_; }
  void setLastUpdatedTimeText(LastUpdatedTimeText block) { lastUpdatedTimeText_ = std::move(block); }

  /// Made on first access and added as a subview; the hierarchy owns them.
  Ref<ui::Label> stateLabel();
  Ref<ui::Label> lastUpdatedTimeLabel();

  /// A null title is ignored; the label shows the title of the current state afterwards.
  void setTitle(const std::optional<rt::String>& title, KMRefreshComponentState state);
  std::optional<rt::String> titleForState(KMRefreshComponentState state) const;

  /// Gregorian.
  static Ref<fd::Calendar> currentCalendar();

  void setLastUpdatedTimeKey(const rt::String& key) override;
  void setState(KMRefreshComponentState state) override;

 protected:
  void prepare() override;
  void placeSubviews() override;

 private:
  void refreshTimeLabel();

  LastUpdatedTimeText lastUpdatedTimeText_;
  Weak<ui::Label> stateLabel_;
  Weak<ui::Label> lastUpdatedTimeLabel_;
  std::map<KMRefreshComponentState, rt::String> stateTitles_;
};

}  // namespace widgets
