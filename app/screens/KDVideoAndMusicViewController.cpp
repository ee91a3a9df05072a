#include "app/screens/KDVideoAndMusicViewController.h"

#include <cmath>

#include "app/categories/Color+Category.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/cells/KDVideoCell.h"
#include "app/screens/KDVideoWebPlayViewController.h"
#include "app/service/KDRequest.h"
#include "app/service/ServiceConfig.h"
#include "app/utilities/QPUitools.h"
#include "net/http/NKNetworkReachabilityManager.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"
#include "widgets/popups/QPAlertView.h"
#include "widgets/popups/QPPopupItem.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshAutoFooter.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDVideoAndMusicViewController) {}

namespace {

constexpr size_t kVideoPages = 2;
constexpr size_t kRadioPage = 2;
// The video list service's categories, by page.
const char* const kCategories[kVideoPages] = {"1", "8"};

}  // namespace

void KDVideoAndMusicViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  isPullUp_ = false;
  modelArray_.clear();
  pageViews_.clear();
  paramsModel_ = rt::make<KDVideoParamsModel>();
  paramsModel_->id = kCategories[0];
  paramsModel_->pageNo = 1;
  currentIndex_ = 0;
  Weak<KDVideoAndMusicViewController> weak = std::static_pointer_cast<KDVideoAndMusicViewController>(self());
  dispatch::mainQueue()->after(kChannelBarDelay, [weak] {
    if (auto me = weak.lock()) me->initCBCursor();
  });
}

void KDVideoAndMusicViewController::initCBCursor() {
  double w = ui::Screen::mainScreen()->bounds().size.width;
  std::vector<rt::String> titles = {"电视新闻", "专题视频", "907调频"};
  view()->addSubview(rt::make<ui::View>());
  cursor_ = rt::make<widgets::CBCursor>();
  auto me = std::static_pointer_cast<KDVideoAndMusicViewController>(self());
  cursor_->rootScrollView()->setRootScrollViewDelegate(
      std::weak_ptr<widgets::CBRootScrollViewDelegate>(std::static_pointer_cast<widgets::CBRootScrollViewDelegate>(me)));
  cursor_->setFrame({{0, 0}, {w, 64}});
  cursor_->setTitles(titles);
  createPageViews();
  cursor_->setPageViews(pageViews_);
  cursor_->setRootScrollViewHeight(view()->bounds().size.height - 64);
  cursor_->setTitleNormalColor(customTitleColor());
  cursor_->setTitleSelectedColor(customSelectColor());
  cursor_->setShowSortbutton(false);
  cursor_->setMinFontSize(18);
  cursor_->setMaxFontSize(18);
  auto first = QPUitools::createUIViewForSupeView(*cursor_, customLineGreyColor());
  first->setFrame({{w / 3 + w * 0.0625 - 4, 34}, {1, 16}});
  auto second = QPUitools::createUIViewForSupeView(*cursor_, customLineGreyColor());
  second->setFrame({{2 * w / 3 - w * 0.0625 + 4, 34}, {1, 16}});
  cursor_->setscrollNavBarFrame({{w * 0.125, 20}, {w * 0.75, 44}});
  view()->addSubview(cursor_);
}

void KDVideoAndMusicViewController::createPageViews() {
  gfx::Rect bounds{{0, 0}, view()->bounds().size};
  auto me = std::static_pointer_cast<KDVideoAndMusicViewController>(self());
  for (size_t i = 0; i < kVideoPages; ++i) {
    auto table = rt::make<ui::TableView>(bounds, ui::TableViewStyle::Grouped);
    table->registerClassForCellReuseIdentifier<KDVideoCell>(kIdentifier);
    table->setSeparatorColor(gfx::Color::clearColor());
    table->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
    table->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
    pageViews_.push_back(table);
  }
  auto web = rt::make<ui::WebView>(bounds);
  web->setScalesPageToFit(true);
  web->setOpaque(false);
  web->setBackgroundColor(gfx::Color::whiteColor());
  web->loadRequest(fd::URLRequest::requestWithURL(fd::URL::URLWithString(ServiceConfig::shared().radioURL()),
                                                  fd::URLRequestCachePolicy::UseProtocolCachePolicy, kRadioTimeout));
  pageViews_.push_back(web);
}

Ref<ui::TableView> KDVideoAndMusicViewController::videoTable(size_t index) const {
  return index < kVideoPages && index < pageViews_.size() ? rt::as<ui::TableView>(pageViews_[index]) : nullptr;
}

Ref<ui::WebView> KDVideoAndMusicViewController::radioView() const {
  return kRadioPage < pageViews_.size() ? rt::as<ui::WebView>(pageViews_[kRadioPage]) : nullptr;
}

void KDVideoAndMusicViewController::rootScrollViewDidSelectAtIndex(widgets::CBRootScrollView& pages,
                                                                   uint64_t index) {
  // The container names a page as soon as its edge comes into view. The page changes only when
  // it really does: a swipe counts where it comes to rest (a drag that springs back changes
  // nothing), a tapped title at once. The bar's nudge of a point at its first layout is neither.
  if (pages.isDragging() || pages.isDecelerating()) {
    waitForRest();
    return;
  }
  double width = pages.bounds().size.width;
  bool inView = width > 0 && static_cast<uint64_t>(std::lround(pages.contentOffset().x / width)) == index;
  auto chosen = cursor_ ? cursor_->scrollNavBar()->currectItem() : nullptr;
  bool isChosen = chosen && chosen->tag() == static_cast<int64_t>(index);
  if (!inView && !isChosen) return;
  showPage(index);
}

void KDVideoAndMusicViewController::waitForRest() {
  if (waitingForRest_) return;
  waitingForRest_ = true;
  Weak<KDVideoAndMusicViewController> weak = std::static_pointer_cast<KDVideoAndMusicViewController>(self());
  dispatch::mainQueue()->after(kRestCheckInterval, [weak] {
    auto me = weak.lock();
    if (!me) return;
    me->waitingForRest_ = false;
    auto pages = me->cursor_ ? me->cursor_->rootScrollView() : nullptr;
    if (!pages) return;
    if (pages->isDragging() || pages->isDecelerating()) {
      me->waitForRest();
      return;
    }
    double width = pages->bounds().size.width;
    if (!(width > 0)) return;
    long rest = std::lround(pages->contentOffset().x / width);
    if (rest >= 0 && rest != me->currentIndex_ && static_cast<size_t>(rest) < me->pageViews_.size())
      me->showPage(static_cast<size_t>(rest));
  });
}

void KDVideoAndMusicViewController::showPage(size_t index) {
  currentIndex_ = static_cast<int64_t>(index);
  if (index >= kVideoPages) return;  // the radio page keeps its own state
  paramsModel_->id = kCategories[index];
  paramsModel_->pageNo = 1;
  isPullUp_ = false;
  refreshData();
}

void KDVideoAndMusicViewController::pullUp(const Ref<ui::TableView>& table) {
  // Only the page shown asks for its next page: the parameters and the rows are that page's.
  if (!table || table != videoTable(static_cast<size_t>(currentIndex_))) {
    if (table) endLoading(table);
    return;
  }
  isPullUp_ = true;
  load(table);
}

void KDVideoAndMusicViewController::setRefreshGroupbox(ui::TableView& table) {
  Weak<KDVideoAndMusicViewController> weak = std::static_pointer_cast<KDVideoAndMusicViewController>(self());
  Weak<ui::TableView> weakTable = std::static_pointer_cast<ui::TableView>(table.self());
  widgets::setKm_footer(table, widgets::KMRefreshFooter::footerWithRefreshingBlock<widgets::KMRefreshAutoFooter>(
                                   [weak, weakTable] {
                                     auto me = weak.lock();
                                     auto table = weakTable.lock();
                                     if (me && table) me->pullUp(table);
                                   }));
}

void KDVideoAndMusicViewController::refreshData() { load(videoTable(static_cast<size_t>(currentIndex_))); }

void KDVideoAndMusicViewController::load(const Ref<ui::TableView>& table) {
  // The radio page is no video table: nothing to load, so nothing to show loading either.
  if (!table) return;
  widgets::PHProgressHUD::showWithStatus("正在加载中...");
  uint64_t generation = ++generation_;
  Weak<KDVideoAndMusicViewController> weak = std::static_pointer_cast<KDVideoAndMusicViewController>(self());
  KDRequest::getVideoList(
      paramsModel_,
      [weak, table, generation](const Ref<KDPageInfo>& info) {
        auto me = weak.lock();
        if (!me || !info || generation != me->generation_) return;
        int64_t page = info->page.integerValue();
        if (page < info->total_page.integerValue()) {
          me->paramsModel_->pageNo = page + 1;
          me->setRefreshGroupbox(*table);
        } else if (auto footer = widgets::km_footer(*table)) {
          footer->removeFromSuperview();
        }
      },
      [weak, table, generation](const std::vector<Ref<KDAPPVideoModel>>& items) {
        auto me = weak.lock();
        if (!me) return;
        if (generation != me->generation_) {
          me->endLoading(table);
          return;
        }
        me->loaded(table, items);
      },
      [weak, table](const Ref<fd::Error>&) {
        // The client has shown the failure; a footer left loading would never load again.
        if (auto me = weak.lock()) me->endLoading(table);
      });
}

void KDVideoAndMusicViewController::loaded(const Ref<ui::TableView>& table,
                                           const std::vector<Ref<KDAPPVideoModel>>& items) {
  if (!isPullUp_) modelArray_.clear();
  modelArray_.insert(modelArray_.end(), items.begin(), items.end());
  table->reloadData();
  widgets::PHProgressHUD::dismiss();
  endLoading(table);
}

void KDVideoAndMusicViewController::endLoading(const Ref<ui::TableView>& table) {
  if (auto footer = widgets::km_footer(*table)) footer->endRefreshing();
}

int64_t KDVideoAndMusicViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t) {
  return static_cast<int64_t>(modelArray_.size());
}

Ref<ui::TableViewCell> KDVideoAndMusicViewController::tableViewCellForRowAtIndexPath(
    ui::TableView&, const Ref<fd::IndexPath>& indexPath) {
  // A new row every time: rows are never reused in the content lists.
  auto cell = rt::make<KDVideoCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  auto row = static_cast<size_t>(indexPath->row());
  if (row < modelArray_.size()) cell->setModel(modelArray_[row]);
  return cell;
}

void KDVideoAndMusicViewController::tableViewDidSelectRowAtIndexPath(ui::TableView&,
                                                                     const Ref<fd::IndexPath>& indexPath) {
  // Both tables show the one shared list; the other table may still show rows it has lost.
  auto row = static_cast<size_t>(indexPath->row());
  if (row >= modelArray_.size()) return;
  auto player = rt::make<KDVideoWebPlayViewController>();
  player->setVideoUrl(modelArray_[row]->httpStreamUrl);
  auto status = net::NKNetworkReachabilityManager::sharedManager()->networkReachabilityStatus();
  if (status == net::NKNetworkReachabilityStatus::NotReachable) {
    widgets::PHProgressHUD::showErrorWithStatus(kNoNetworkMessage);
    return;
  }
  if (status == net::NKNetworkReachabilityStatus::ReachableViaWiFi) {
    presentViewController(player, true);
    return;
  }
  Weak<KDVideoAndMusicViewController> weak = std::static_pointer_cast<KDVideoAndMusicViewController>(self());
  auto handler = [weak, player](int64_t index) {
    auto me = weak.lock();
    if (me && index == 0) me->presentViewController(player, true);
  };
  std::vector<Ref<widgets::QPPopupItem>> items;
  for (const char* title : {"确定", "取消"}) {
    auto item = rt::make<widgets::QPPopupItem>();
    item->title = title;
    item->handler = handler;
    items.push_back(item);
  }
  rt::make<widgets::QPAlertView>(rt::String("提示"), rt::String("您当前使用非wifi环境,继续播放?"), items)->show();
}

std::optional<double> KDVideoAndMusicViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                     const Ref<fd::IndexPath>&) {
  double w = ui::Screen::mainScreen()->bounds().size.width;
  return (w - 10) / 5 * 3 + 40 + 5;
}

std::optional<double> KDVideoAndMusicViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t) {
  return 0.1;
}

std::optional<double> KDVideoAndMusicViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) {
  return 0.1;
}

}  // namespace app
