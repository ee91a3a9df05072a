#include "app/screens/KDArticeFontSetViewController.h"

#include "app/categories/Color+Category.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/cells/KDSetCell.h"
#include "app/utilities/UserDefaults.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"

namespace app {

RT_IMPLEMENT(KDArticeFontSetViewController) {}

const std::array<KDArticleFontSize, 4>& KDArticeFontSetViewController::sizes() {
  static const std::array<KDArticleFontSize, 4> table{{
      {"小号字体", "font-size:26px;line-height:1.8", "小号"},
      {"标准字体", "font-size:30px;line-height:1.7", "标准"},
      {"大号字体", "font-size:32px;line-height:1.6", "大号"},
      {"特大号字体", "font-size:36px;line-height:1.6", "特大"},
  }};
  return table;
}

void KDArticeFontSetViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  topBar_ = addTopBar(*this, "正文字号", true);

  contentView_ = rt::make<ui::TableView>(gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight}},
                                         ui::TableViewStyle::Grouped);
  contentView_->registerClassForCellReuseIdentifier<KDSetCell>(kIdentifier);
  contentView_->setSeparatorColor(customLineGreyColor());
  auto me = std::static_pointer_cast<KDArticeFontSetViewController>(self());
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
  contentView_->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
  view()->addSubview(contentView_);
}

int64_t KDArticeFontSetViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t) {
  return static_cast<int64_t>(sizes().size());
}

Ref<ui::TableViewCell> KDArticeFontSetViewController::tableViewCellForRowAtIndexPath(
    ui::TableView&, const Ref<fd::IndexPath>& indexPath) {
  auto cell = rt::make<KDSetCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  auto row = static_cast<size_t>(indexPath->row());
  if (row < sizes().size()) cell->setTitle(sizes()[row].title);
  return cell;
}

void KDArticeFontSetViewController::tableViewDidSelectRowAtIndexPath(ui::TableView&,
                                                                     const Ref<fd::IndexPath>& indexPath) {
  auto row = static_cast<size_t>(indexPath->row());
  if (row >= sizes().size()) return;
  const auto& chosen = sizes()[row];
  // Stored before anyone is told, so whoever rebuilds on the callback reads the new values.
  UserDefaults::userDefaultsWrite(fd::StringObject::create(chosen.label), kFontLabelKey);
  UserDefaults::userDefaultsWrite(fd::StringObject::create(chosen.css), kFontKey);
  if (callback_) callback_(chosen.label);
  if (auto nav = navigationController()) nav->popViewControllerAnimated(true);
}

std::optional<double> KDArticeFontSetViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                      const Ref<fd::IndexPath>&) {
  return 50.0;
}

std::optional<double> KDArticeFontSetViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t) {
  return 0.1;
}

std::optional<double> KDArticeFontSetViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) {
  return 0.1;
}

}  // namespace app
