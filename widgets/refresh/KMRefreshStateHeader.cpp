#include "widgets/refresh/KMRefreshStateHeader.h"

#include "platform/foundation/files/UserDefaults.h"
#include "platform/foundation/time/DateFormatter.h"
#include "widgets/refresh/Label+KMRefresh.h"
#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshStateHeader) {}

using S = KMRefreshComponentState;

Ref<ui::Label> KMRefreshStateHeader::stateLabel() {
  if (auto label = stateLabel_.lock()) return label;
  auto label = km_refreshLabel();
  addSubview(label);
  stateLabel_ = label;
  return label;
}

Ref<ui::Label> KMRefreshStateHeader::lastUpdatedTimeLabel() {
  if (auto label = lastUpdatedTimeLabel_.lock()) return label;
  auto label = km_refreshLabel();
  addSubview(label);
  lastUpdatedTimeLabel_ = label;
  return label;
}

void KMRefreshStateHeader::setTitle(const std::optional<rt::String>& title, KMRefreshComponentState state) {
  if (!title) return;
  stateTitles_[state] = *title;
  stateLabel()->setText(titleForState(this->state()).value_or(rt::String()));
}

std::optional<rt::String> KMRefreshStateHeader::titleForState(KMRefreshComponentState state) const {
  auto it = stateTitles_.find(state);
  if (it == stateTitles_.end()) return std::nullopt;
  return it->second;
}

Ref<fd::Calendar> KMRefreshStateHeader::currentCalendar() {
  if (auto gregorian = fd::Calendar::calendarWithIdentifier("gregorian")) return gregorian;
  return fd::Calendar::currentCalendar();
}

void KMRefreshStateHeader::setLastUpdatedTimeKey(const rt::String& key) {
  KMRefreshHeader::setLastUpdatedTimeKey(key);
  refreshTimeLabel();
}

void KMRefreshStateHeader::refreshTimeLabel() {
  auto label = lastUpdatedTimeLabel();
  if (label->isHidden()) return;
  auto date = rt::as<fd::Date>(fd::UserDefaults::standardUserDefaults()->objectForKey(lastUpdatedTimeKey()));
  if (lastUpdatedTimeText_) {
    label->setText(lastUpdatedTimeText_(date));
    return;
  }
  if (!date) {
    label->setText(rt::String("最后更新：无记录"));
    return;
  }
  auto calendar = currentCalendar();
  uint64_t units = fd::CalendarUnitYear | fd::CalendarUnitMonth | fd::CalendarUnitDay | fd::CalendarUnitHour |
                   fd::CalendarUnitMinute;
  fd::DateComponents then = calendar->components(units, date);
  fd::DateComponents now = calendar->components(units, fd::Date::date());
  auto formatter = fd::DateFormatter::create();
  if (then.year == now.year && then.month == now.month && then.day == now.day) {
    formatter->setDateFormat(rt::String("今天 HH:mm"));
  } else if (then.year == now.year) {
    formatter->setDateFormat("MM-dd HH:mm");
  } else {
    formatter->setDateFormat("yyyy-MM-dd HH:mm");
  }
  rt::String format = rt::String("最后更新：%@");
  label->setText(rt::String::format(format, formatter->stringFromDate(date)));
}

void KMRefreshStateHeader::prepare() {
  KMRefreshHeader::prepare();
  setTitle(rt::String("下拉可以刷新"), S::idle);
  setTitle(rt::String("松开立即刷新"), S::pulling);
  setTitle(rt::String("正在刷新数据中..."), S::refreshing);
}

void KMRefreshStateHeader::placeSubviews() {
  KMRefreshHeader::placeSubviews();
  auto state = stateLabel();
  if (state->isHidden()) return;
  auto time = lastUpdatedTimeLabel();
  gfx::Rect b = bounds();
  if (time->isHidden()) {
    if (!km_isConstrained(*state)) state->setFrame(b);
    return;
  }
  double half = b.size.height * 0.5;
  if (!km_isConstrained(*state)) state->setFrame({{0, 0}, {b.size.width, half}});
  if (!km_isConstrained(*time)) time->setFrame({{0, half}, {b.size.width, b.size.height - half}});
}

void KMRefreshStateHeader::setState(KMRefreshComponentState state) {
  if (state == this->state()) return;
  KMRefreshHeader::setState(state);
  stateLabel()->setText(titleForState(state).value_or(rt::String()));
  setLastUpdatedTimeKey(lastUpdatedTimeKey());
}

}  // namespace widgets
