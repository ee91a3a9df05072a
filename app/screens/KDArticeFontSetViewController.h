#pragma once
// The article font size: four sizes, one tap stores the size's CSS for the article page and its
// label for the settings list, then returns.
#include <array>
#include <functional>

#include "app/shell/BaseViewController.h"
#include "app/shell/KDTopBar.h"
#include "platform/ui/lists/TableView.h"

namespace app {

struct KDArticleFontSize {
  const char* title;  // the row's text
  const char* css;    // stored under "artice_font"
  const char* label;  // stored under "artice_font_str"
};

class KDArticeFontSetViewController : public BaseViewController,
                                      public ui::TableViewDataSource,
                                      public ui::TableViewDelegate {
  RT_CLASS(KDArticeFontSetViewController, BaseViewController)
 public:
  using Callback = std::function<void(const fd::String& label)>;

  static constexpr const char* kFontKey = "artice_font";
  static constexpr const char* kFontLabelKey = "artice_font_str";
  static const std::array<KDArticleFontSize, 4>& sizes();

  void init() {}
  void viewDidLoad() override;

  /// Called with the chosen label once both values are stored.
  void getFontsizecallback(Callback callback) { callback_ = std::move(callback); }
  const Callback& callback() const { return callback_; }

  int64_t tableViewNumberOfRowsInSection(ui::TableView& tv, int64_t section) override;
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                        const Ref<fd::IndexPath>& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                         const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, int64_t section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, int64_t section) override;

  const Ref<ui::TableView>& contentView() const { return contentView_; }
  const KDTopBar& topBar() const { return topBar_; }

 private:
  Ref<ui::TableView> contentView_;
  KDTopBar topBar_;
  Callback callback_;
};

}  // namespace app
