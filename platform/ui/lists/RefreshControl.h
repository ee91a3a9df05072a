#pragma once
// The pull-to-refresh control: added to a scroll view it sits just above the content, fades in
// as the list is pulled down, and once pulled far enough turns to refreshing, sends its
// value-changed actions and keeps itself revealed (the scroll view's top inset grows by its
// height) until `endRefreshing`.
#include <cstdint>

#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/Control.h"

namespace ui {

class ScrollView;

class RefreshControl : public Control {
  RT_CLASS_NAMED(RefreshControl, Control, "UIRefreshControl")
 public:
  void init();
  ~RefreshControl() override;

  bool isRefreshing() const { return refreshing_; }
  /// Shows the refreshing state from code; no value-changed action is sent.
  void beginRefreshing();
  /// Back to rest: the scroll view's top inset shrinks back and the list slides up.
  void endRefreshing();

  const Ref<ActivityIndicatorView>& activityIndicator() const { return spinner_; }

  void willMoveToSuperview(View* newSuperview) override;
  void didMoveToSuperview() override;
  void layoutSubviews() override;

  static constexpr double kHeight = 60;
  /// How far past the top the list must be pulled to start a refresh.
  static constexpr double kPullThreshold = 80;

 private:
  Ref<ScrollView> scrollView() const;
  void scrollViewDidMove();
  void reveal(bool on);
  void place();

  Ref<ActivityIndicatorView> spinner_;
  Weak<ScrollView> observed_;
  uint64_t offsetToken_ = 0;
  double insetAdded_ = 0;
  bool refreshing_ = false;
  bool armed_ = true;  // a new pull may start a refresh once the last one has been let go
};

}  // namespace ui
