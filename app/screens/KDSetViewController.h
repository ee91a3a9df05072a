#pragma once
// The settings list: the size of the caches with clearing on tap, the article font size (opens
// the font screen) and the about page.
#include <optional>

#include "app/shell/BaseViewController.h"
#include "app/shell/KDTopBar.h"
#include "app/utilities/KDCacheCleaner.h"
#include "platform/ui/lists/TableView.h"

namespace app {

class KDSetViewController : public BaseViewController,
                            public ui::TableViewDataSource,
                            public ui::TableViewDelegate {
  RT_CLASS(KDSetViewController, BaseViewController)
 public:
  void init() {}
  void viewDidLoad() override;

  int64_t tableViewNumberOfRowsInSection(ui::TableView& tv, int64_t section) override;
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                        const Ref<fd::IndexPath>& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                         const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, int64_t section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, int64_t section) override;

  /// Whole kilobytes of the path's own size, cut toward zero; 0 when it does not exist or
  /// cannot be read.
  static int64_t fileSizeAtPath(const fd::String& path);
  /// What row 0 offers to clear, in whole kilobytes: the bytes the caches it empties hold, as
  /// the clearing counts them, so the figure reaches 0 once they are empty whatever else lies
  /// in the caches folder. nullopt when the caches folder does not exist.
  std::optional<int64_t> cachesSize() const;

  /// Row 0's tap: empties the caches on a background queue, then `clearCacheSuccess`.
  void clearCache();
  /// On the main thread once the caches are empty: shows what was removed and rebuilds the rows.
  void clearCacheSuccess(int64_t removedBytes);
  /// The message of the last clearing.
  const fd::String& sunString() const { return sunString_; }

  /// The caches row 0 measures and empties; the application's own unless set.
  void setCacheCleaner(KDCacheCleaner cleaner) { cleaner_ = std::move(cleaner); }
  KDCacheCleaner cacheCleaner() const { return cleaner_ ? *cleaner_ : KDCacheCleaner::application(); }

  const Ref<ui::TableView>& contentView() const { return contentView_; }
  const KDTopBar& topBar() const { return topBar_; }

 private:
  Ref<ui::TableView> contentView_;
  KDTopBar topBar_;
  fd::String sunString_;
  std::optional<KDCacheCleaner> cleaner_;
};

}  // namespace app
