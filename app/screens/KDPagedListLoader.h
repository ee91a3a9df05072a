#pragma once
// The paging of a one-channel article list, held by each screen that shows one: the pull-down
// header reloads page 1, the pull-up footer (present while more pages remain) appends the next
// page, and every answer ends the spinners and the progress display. The screen hands over its
// table and the channel; the rows land here and the screen reads them back for its cells.
#include <vector>

#include "app/models/KDAPPListModel.h"
#include "app/models/KDAppChannelParamsModel.h"
#include "platform/ui/lists/TableView.h"

namespace app {

class KDPagedListLoader : public rt::Object {
  RT_CLASS(KDPagedListLoader, rt::Object)
 public:
  void init() {}

  /// Page 1 of `trsId`, `pageSize` rows a page, shown in `table` (reloaded on every answer).
  void start(const Ref<ui::TableView>& table, const fd::String& trsId, int64_t pageSize);
  /// Whether a failed load also takes down the progress display (the client shows its message
  /// over it either way).
  void setDismissesProgressOnFailure(bool on) { dismissesProgressOnFailure_ = on; }

  void attachHeader(ui::TableView& table);
  void attachFooter(ui::TableView& table);
  void pulldown();
  void pullUp();
  void refreshData();

  const std::vector<Ref<KDAPPListModel>>& rows() const { return rows_; }
  const Ref<KDAppChannelParamsModel>& paramsModel() const { return paramsModel_; }

 private:
  void loaded(const std::vector<Ref<KDAPPListModel>>& items);
  void endRefreshing();

  std::vector<Ref<KDAPPListModel>> rows_;
  Ref<KDAppChannelParamsModel> paramsModel_;
  Ref<ui::TableView> table_;
  int64_t pageSize_ = 0;
  bool isPullUp_ = false;
  bool dismissesProgressOnFailure_ = false;
};

}  // namespace app
