#include "app/screens/KDSetViewController.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "app/categories/Color+Category.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/cells/KDSetCell.h"
#include "app/screens/KDAboutUsViewController.h"
#include "app/screens/KDArticeFontSetViewController.h"
#include "app/utilities/UserDefaults.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/files/Paths.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"
#include "widgets/progress/PHProgressHUD.h"

namespace app {

RT_IMPLEMENT(KDSetViewController) {}

namespace fs = std::filesystem;

void KDSetViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  topBar_ = addTopBar(*this, "设置", true);

  contentView_ = rt::make<ui::TableView>(gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight}},
                                         ui::TableViewStyle::Grouped);
  contentView_->registerClassForCellReuseIdentifier<KDSetCell>(kIdentifier);
  contentView_->setSeparatorColor(customLineGreyColor());
  auto me = std::static_pointer_cast<KDSetViewController>(self());
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
  contentView_->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
  view()->addSubview(contentView_);
}

int64_t KDSetViewController::fileSizeAtPath(const fd::String& path) {
  // The entry itself, as its attributes describe it: a link is not followed.
  struct stat st {};
  if (::lstat(path.utf8().c_str(), &st) != 0) return 0;
  return static_cast<int64_t>(static_cast<double>(st.st_size) / 1024.0);
}

std::optional<int64_t> KDSetViewController::cachesSize() const {
  std::error_code ec;
  if (!fs::is_directory(fd::cachesDirectory().utf8(), ec)) return std::nullopt;
  return cacheCleaner().size() / 1024;
}

int64_t KDSetViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t) { return 3; }

Ref<ui::TableViewCell> KDSetViewController::tableViewCellForRowAtIndexPath(ui::TableView&,
                                                                           const Ref<fd::IndexPath>& indexPath) {
  auto cell = rt::make<KDSetCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  switch (indexPath->row()) {
    case 0:
      if (auto kb = cachesSize()) {
        cell->setTitle("清除缓存");
        cell->setContent(fd::String::format("%lld kb", static_cast<long long>(*kb)));
      } else {
        cell->setTitle("清理缓存");
      }
      break;
    case 1:
      cell->setTitle("正文字号");
      cell->setContent(UserDefaults::stringRead("artice_font_str").value_or(fd::String("标准")));
      break;
    case 2:
      cell->setTitle("关于我们");
      break;
    default:
      break;
  }
  return cell;
}

void KDSetViewController::tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& indexPath) {
  auto nav = navigationController();
  switch (indexPath->row()) {
    case 0:
      clearCache();
      break;
    case 1: {
      auto font = rt::make<KDArticeFontSetViewController>();
      Weak<ui::TableView> table = std::static_pointer_cast<ui::TableView>(tv.self());
      font->getFontsizecallback([table](const fd::String&) {
        if (auto t = table.lock()) t->reloadData();
      });
      if (nav) nav->pushViewController(font, true);
      break;
    }
    case 2:
      if (nav) nav->pushViewController(rt::make<KDAboutUsViewController>(), true);
      break;
    default:
      break;
  }
}

void KDSetViewController::clearCache() {
  KDCacheCleaner cleaner = cacheCleaner();
  Weak<KDSetViewController> weak = std::static_pointer_cast<KDSetViewController>(self());
  dispatch::globalQueue()->async([cleaner, weak] {
    int64_t removed = cleaner.clear();
    // Not waited for: a main thread that is leaving must not hold this worker up.
    dispatch::mainQueue()->async([weak, removed] {
      if (auto me = weak.lock()) me->clearCacheSuccess(removed);
    });
  });
}

void KDSetViewController::clearCacheSuccess(int64_t removedBytes) {
  sunString_ = fd::String::format("清除成功!总共清除%lld kb", static_cast<long long>(removedBytes / 1024));
  widgets::PHProgressHUD::showSuccessWithStatus(sunString_);
  contentView_->reloadData();
}

std::optional<double> KDSetViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                            const Ref<fd::IndexPath>&) {
  return 50.0;
}

std::optional<double> KDSetViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t) { return 0.1; }

std::optional<double> KDSetViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) { return 0.1; }

}  // namespace app
