#pragma once
// The title store that links one channel bar's editor to its title bar: every change of the
// titles goes through it to both. Each editor has its own, so two bars alive together never
// share titles. Main thread only.
#include <vector>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"

namespace widgets {

class CBScrollNavBar;
class CBSortItemView;

class CBItemManager : public rt::Object {
  RT_CLASS(CBItemManager, rt::Object)
 public:
  void init() {}

  const std::vector<rt::String>& titles() const { return titles_; }
  void setTitles(std::vector<rt::String> titles) { titles_ = std::move(titles); }
  /// Stores the titles and hands them to the registered title bar and editor.
  void setItemTitles(std::vector<rt::String> titles);
  void removeTitle(const rt::String& title);
  /// Logs a line of asterisks, then one line per title.
  void printTitles() const;

  Ref<CBScrollNavBar> scrollNavBar() const { return scrollNavBar_.lock(); }
  void setScrollNavBar(const Ref<CBScrollNavBar>& bar) { scrollNavBar_ = bar; }
  Ref<CBSortItemView> sortItemView() const { return sortItemView_.lock(); }
  void setSortItemView(const Ref<CBSortItemView>& view) { sortItemView_ = view; }

 private:
  std::vector<rt::String> titles_;
  Weak<CBScrollNavBar> scrollNavBar_;
  Weak<CBSortItemView> sortItemView_;
};

}  // namespace widgets
