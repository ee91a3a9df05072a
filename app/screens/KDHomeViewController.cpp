#include "app/screens/KDHomeViewController.h"

#include "app/categories/Color+Category.h"
#include "app/categories/ScrollView+PullDown.h"
#include "app/cells/KDActivitCell.h"
#include "app/cells/KDHomeNewsCell.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/screens/KDActiveListViewController.h"
#include "app/screens/KDActivitListViewController.h"
#include "app/screens/KDArticleOpener.h"
#include "app/screens/KDArticleDetailViewController.h"
#include "app/screens/KDSetViewController.h"
#include "app/screens/KDWebViewController.h"
#include "app/service/KDRequest.h"
#include "app/util/NSString+Category.h"
#include "app/utilities/QPUitools.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/Font.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshAutoNormalFooter.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDHomeViewController) {}

namespace {

const char* const kActivitIdentifier = "Activit";
const char* const kLoadingStatus = "正在加载中...";

struct Channel {
  const char* title;
  const char* trsId;
};
constexpr Channel kChannels[] = {
    {"禾岚新闻", "11623"},
    {"信息公开", "5661"},
    {"活动安排", "5670"},
};

template <class T>
const T* at(const std::vector<T>& list, int64_t index) {
  return index >= 0 && static_cast<size_t>(index) < list.size() ? &list[static_cast<size_t>(index)] : nullptr;
}

}  // namespace

fd::String KDHomeViewController::channelIdOfPage(size_t index) {
  return index < std::size(kChannels) ? fd::String(kChannels[index].trsId) : fd::String();
}

void KDHomeViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  isPullUp_ = false;
  rows_.assign(std::size(kChannels), {});
  bannerModelArray_.clear();
  bannerImageArray_.clear();
  bannerTitleArray_.clear();
  bannerpushArray_.clear();
  activityArray_.clear();
  ourBannerarray_.clear();
  activetyImagearray_.clear();
  activetytitlearray_.clear();
  pageViews_.clear();
  paramsModel_ = rt::make<KDAppChannelParamsModel>();
  paramsModel_->trs_id = kChannels[0].trsId;
  paramsModel_->page = 1;
  paramsModel_->page_size = kPageSize;
  currentIndex_ = 0;

  Weak<KDHomeViewController> weak = std::static_pointer_cast<KDHomeViewController>(self());
  dispatch::mainQueue()->after(kStartDelay, [weak] {
    if (auto me = weak.lock()) {
      me->initCBCursor();
      me->getOurSearvicesBanner();
    }
  });
}

void KDHomeViewController::initCBCursor() {
  auto size = ui::Screen::mainScreen()->bounds().size;
  double W = size.width;
  std::vector<rt::String> titles;
  for (const auto& channel : kChannels) titles.emplace_back(channel.title);

  cursor_ = rt::make<widgets::CBCursor>();
  // An empty view first, beneath everything the screen adds.
  view()->addSubview(rt::make<ui::View>());
  auto me = std::static_pointer_cast<KDHomeViewController>(self());
  cursor_->rootScrollView()->setRootScrollViewDelegate(
      std::weak_ptr<widgets::CBRootScrollViewDelegate>(std::static_pointer_cast<widgets::CBRootScrollViewDelegate>(me)));
  cursor_->setFrame(gfx::RectMake(0, 0, W, 64));
  cursor_->setTitles(titles);
  createPageViews();
  std::vector<Ref<ui::View>> pages(pageViews_.begin(), pageViews_.end());
  cursor_->setPageViews(pages);
  cursor_->setRootScrollViewHeight(view()->bounds().size.height - 64);
  cursor_->setTitleNormalColor(customTitleColor());
  cursor_->setTitleSelectedColor(customSelectColor());
  cursor_->setShowSortbutton(false);
  cursor_->setMinFontSize(18);
  cursor_->setMaxFontSize(18);
  // One title size leaves nothing to blend; blending would also nudge the pages by a point at
  // the first layout, which prepares page 1 and would load its channel over the page shown.
  cursor_->setIsGraduallyChangFont(false);

  separators_.clear();
  for (double x : {W / 3 + W / 16 - 4, 2 * W / 3 - W / 16 + 4}) {
    auto line = QPUitools::createUIViewForSupeView(*cursor_, customLineGreyColor());
    line->setFrame(gfx::RectMake(x, 34, 1, 16));
    separators_.push_back(line);
  }
  cursor_->setscrollNavBarFrame(gfx::RectMake(W / 8, 20, 3 * W / 4, 44));
  view()->addSubview(cursor_);

  Weak<KDHomeViewController> weak = me;
  auto icon = gfx::Image::imageNamed("set_icon");
  settingsButton_ = QPUitools::createButtonWithNormalImage(icon, icon, [weak] {
    auto me = weak.lock();
    if (me) me->push(rt::make<KDSetViewController>());
  });
  view()->addSubview(settingsButton_);
  auto root = view();
  widgets::lc_makeConstraints(*settingsButton_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root).offset(30);
    make.right.equalTo(root).offset(-15);
  });
}

void KDHomeViewController::createPageViews() {
  auto size = ui::Screen::mainScreen()->bounds().size;
  auto me = std::static_pointer_cast<KDHomeViewController>(self());
  for (size_t i = 0; i < std::size(kChannels); ++i) {
    auto table = rt::make<ui::TableView>(gfx::Rect{{0, 0}, size}, ui::TableViewStyle::Grouped);
    table->registerClassForCellReuseIdentifier<KDHomeNewsCell>(kIdentifier);
    table->registerClassForCellReuseIdentifier<KDActivitCell>(kActivitIdentifier);
    table->setSeparatorColor(customLineGreyColor());
    table->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
    table->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
    setRefreshHeadGroupbox(*table);
    pageViews_.push_back(table);
  }
  setTableViewHeadView1();
  setTableViewHeadView2();
  setTableViewHeadView3();
}

void KDHomeViewController::setTableViewHeadView(size_t page) {
  double W = ui::Screen::mainScreen()->bounds().size.width;
  auto header = rt::make<ui::View>(gfx::RectMake(10, 0, W - 20, 2 * W / 5 + 45));
  header->setBackgroundColor(gfx::Color::whiteColor());
  auto carousel = widgets::WICycleScrollView::cycleScrollViewWithFrame(gfx::RectMake(10, 10, W - 20, 2 * W / 5 + 30),
                                                                       std::vector<rt::String>{});
  carousel->setPageControlAliment(0);
  auto me = std::static_pointer_cast<KDHomeViewController>(self());
  carousel->setDelegate(std::weak_ptr<widgets::WICycleScrollViewDelegate>(
      std::static_pointer_cast<widgets::WICycleScrollViewDelegate>(me)));
  carousel->setPageControlStyle(0);
  carousel->setPlaceholderImage(gfx::Image::imageNamed("placeimage"));
  carousel->setAutoScrollTimeInterval(5.0);
  carousel->setTitleLabelTextFont(typeset::Font::systemFontOfSize(19));
  carousel->setTitleLabelBackgroundColor(gfx::Color::clearColor());
  carousel->setTitleLabelHeight(40);
  header->addSubview(carousel);
  (page == 0 ? cycleScrollView1_ : page == 1 ? cycleScrollView2_ : cycleScrollView3_) = carousel;
  if (page < pageViews_.size()) pageViews_[page]->setTableHeaderView(header);
}

void KDHomeViewController::setRefreshHeadGroupbox(ui::TableView& table) {
  addPullDownHeader(table, *this, &KDHomeViewController::pulldown);
}

void KDHomeViewController::setRefreshFootGroupbox(ui::TableView& table) {
  Weak<KDHomeViewController> weak = std::static_pointer_cast<KDHomeViewController>(self());
  widgets::setKm_footer(table, widgets::KMRefreshFooter::footerWithRefreshingBlock<widgets::KMRefreshAutoNormalFooter>([weak] {
    if (auto me = weak.lock()) me->pullUp();
  }));
}

const std::vector<Ref<KDAPPListModel>>& KDHomeViewController::rowsOfPage(int64_t index) const {
  static const std::vector<Ref<KDAPPListModel>> none;
  const auto* rows = at(rows_, index);
  return rows ? *rows : none;
}

int64_t KDHomeViewController::pageOfTable(const ui::TableView& table) const {
  for (size_t i = 0; i < pageViews_.size(); ++i)
    if (pageViews_[i].get() == &table) return static_cast<int64_t>(i);
  return -1;
}

std::vector<Ref<KDAPPListModel>>* KDHomeViewController::rowsOf(const ui::TableView& table) {
  int64_t page = pageOfTable(table);
  return page >= 0 && static_cast<size_t>(page) < rows_.size() ? &rows_[static_cast<size_t>(page)] : nullptr;
}

void KDHomeViewController::rootScrollViewDidSelectAtIndex(widgets::CBRootScrollView&, uint64_t index) {
  currentIndex_ = static_cast<int64_t>(index);
  if (index >= std::size(kChannels)) return;
  if (index == 2) getActivit();
  paramsModel_->trs_id = kChannels[index].trsId;
  paramsModel_->page = 1;
  isPullUp_ = false;
  refreshData();
}

void KDHomeViewController::pulldown() {
  isPullUp_ = false;
  if (currentIndex_ < 0 || static_cast<size_t>(currentIndex_) >= std::size(kChannels)) return;
  if (currentIndex_ == 2) getActivit();
  paramsModel_->trs_id = kChannels[currentIndex_].trsId;
  paramsModel_->page = 1;
  refreshData();
}

void KDHomeViewController::pullUp() {
  isPullUp_ = true;
  refreshData();
}

void KDHomeViewController::refreshData() {
  // Answers go to the table shown now, even when the user has moved on by then.
  const auto* table = at(pageViews_, currentIndex_);
  if (!table) return;
  loadPage(false, *table);
}

void KDHomeViewController::getAppboard() {
  if (pageViews_.size() < 2) return;
  loadPage(true, pageViews_[1]);
}

void KDHomeViewController::loadPage(bool fromBoard, const Ref<ui::TableView>& table) {
  widgets::PHProgressHUD::showWithStatus(kLoadingStatus);
  Weak<KDHomeViewController> weak = std::static_pointer_cast<KDHomeViewController>(self());
  Weak<ui::TableView> weakTable = table;
  // What the answer is for is fixed now: the user may have moved to another channel by then.
  bool append = isPullUp_;
  fd::String channel = paramsModel_->trs_id;
  auto pageInfo = [weak, weakTable, channel](const Ref<KDPageInfo>& info) {
    auto me = weak.lock();
    auto table = weakTable.lock();
    if (!me || !table || !info) return;
    int64_t page = info->page.integerValue();
    if (page < info->total_page.integerValue()) {
      // The next page is the shown channel's to ask for; a late answer of another leaves it.
      if (me->paramsModel_->trs_id != channel) return;
      me->paramsModel_->page = page + 1;
      me->setRefreshFootGroupbox(*table);
    } else if (auto footer = widgets::km_footer(*table)) {
      footer->removeFromSuperview();
    }
  };
  auto success = [weak, weakTable, fromBoard, append](const std::vector<Ref<KDAPPListModel>>& items) {
    auto me = weak.lock();
    auto table = weakTable.lock();
    if (me && table) me->pageArrived(items, table, fromBoard, append);
  };
  auto failure = [weakTable, fromBoard](const fd::String&) {
    // The client shows the failure right after this; what is left is to stop the spinners,
    // which would otherwise turn until the next successful load.
    widgets::PHProgressHUD::dismiss();
    if (auto table = weakTable.lock()) endRefreshing(*table, !fromBoard);
  };
  if (fromBoard) {
    KDRequest::getAppboardList(paramsModel_, pageInfo, success, failure);
  } else {
    KDRequest::getAppchannelList(paramsModel_, pageInfo, success, failure);
  }
}

void KDHomeViewController::pageArrived(const std::vector<Ref<KDAPPListModel>>& items, const Ref<ui::TableView>& table,
                                       bool fromBoard, bool append) {
  if (fromBoard) fd::NSLog("%s(%d): modelarray  %@", __func__, __LINE__, fd::Array::of(items));
  if (auto* rows = rowsOf(*table)) {
    if (!append) rows->clear();
    rows->insert(rows->end(), items.begin(), items.end());
    if (!fromBoard) getBanner(*rows);
  }
  table->reloadData();
  if (fromBoard) {
    dispatch::mainQueue()->after(2.0, [] { widgets::PHProgressHUD::dismiss(); });
  } else {
    widgets::PHProgressHUD::dismiss();
  }
  endRefreshing(*table, !fromBoard);
}

void KDHomeViewController::endRefreshing(ui::TableView& table, bool header) {
  if (auto footer = widgets::km_footer(table)) footer->endRefreshing();
  if (!header) return;
  if (auto head = widgets::km_header(table)) head->endRefreshing();
}

void KDHomeViewController::getBanner(const std::vector<Ref<KDAPPListModel>>& rows) {
  if (!bannerModelArray_.empty()) return;
  for (const auto& item : rows) {
    if (bannerModelArray_.size() >= kMaxPicturedArticles) break;
    if (item->picMode) bannerModelArray_.push_back(item);
  }
  fillBannerCarousels();
}

void KDHomeViewController::fillBannerCarousels() {
  // Built afresh on every pass: until a page yields a pictured article the banners alone are
  // shown, once, and not once more for every further page.
  bannerImageArray_.clear();
  bannerTitleArray_.clear();
  bannerpushArray_.clear();
  // Picture addresses follow the rows' rule: a bare path is the content host's.
  for (const auto& banner : ourBannerarray_) {
    if (bannerImageArray_.size() >= kMaxBanners) break;
    bannerImageArray_.push_back(KDHomeNewsCell::pictureAddress(banner->image));
    bannerTitleArray_.push_back(banner->title);
    bannerpushArray_.push_back(banner->url);
  }
  for (const auto& item : bannerModelArray_) {
    bannerImageArray_.push_back(KDHomeNewsCell::pictureAddress(item->picMode->absUrl));
    bannerTitleArray_.push_back(item->docTitle);
    bannerpushArray_.push_back(item->docId);
  }
  for (const auto& carousel : {cycleScrollView1_, cycleScrollView2_}) {
    if (!carousel) continue;
    carousel->setImageURLStringsGroup(bannerImageArray_);
    carousel->setTitlesGroup(bannerTitleArray_);
  }
}

void KDHomeViewController::getOurSearvicesBanner() {
  Weak<KDHomeViewController> weak = std::static_pointer_cast<KDHomeViewController>(self());
  KDRequest::getAppbannerSuccess(
      [weak](const std::vector<Ref<KDAPPBannerModel>>& banners) {
        auto me = weak.lock();
        if (!me) return;
        fd::NSLog("%s(%d): success----   %@", __func__, __LINE__, fd::Array::of(banners));
        me->ourBannerarray_ = banners;
        // The first article page may have filled the carousels before the banners came; the
        // banners lead them, so they are filled again with the banners in front, whichever
        // answer came first.
        me->fillBannerCarousels();
      },
      [](const fd::String&) {});
}

void KDHomeViewController::getActivit() {
  Weak<KDHomeViewController> weak = std::static_pointer_cast<KDHomeViewController>(self());
  KDRequest::getAppchannelSuccess(
      [weak](const std::vector<Ref<KDAppchannelModel>>& channels) {
        if (auto me = weak.lock()) me->activitiesArrived(channels);
      },
      [](const fd::String&) {});
}

void KDHomeViewController::activitiesArrived(const std::vector<Ref<KDAppchannelModel>>& channels) {
  activityArray_.clear();
  activetyImagearray_.clear();
  activetytitlearray_.clear();
  for (const auto& channel : channels) {
    if (activityArray_.size() >= kMaxActivities) break;
    if (channel->parent_id != kActivityParentId) continue;
    activityArray_.push_back(channel);
    activetyImagearray_.push_back(KDHomeNewsCell::pictureAddress(channel->image));
    activetytitlearray_.push_back(channel->title);
  }
  for (const auto& channel : channels) {
    if (channel->id != kAllTopicsChannelId) continue;
    activetyImagearray_.push_back(KDHomeNewsCell::pictureAddress(channel->image));
    activetytitlearray_.emplace_back(kAllTopicsTitle);
  }
  // Given every time, so that what the carousel shows always matches the lists its taps read.
  if (cycleScrollView3_) {
    cycleScrollView3_->setImageURLStringsGroup(activetyImagearray_);
    cycleScrollView3_->setTitlesGroup(activetytitlearray_);
  }
}

void KDHomeViewController::cycleScrollViewDidSelectItemAtIndex(widgets::WICycleScrollView& view, int64_t index) {
  if (&view == cycleScrollView3_.get()) {
    const auto* title = at(activetytitlearray_, index);
    if (!title) return;
    if (*title == kAllTopicsTitle) {
      push(rt::make<KDActivitListViewController>());
    } else if (const auto* channel = at(activityArray_, index)) {
      auto list = rt::make<KDActiveListViewController>();
      list->setModel(*channel);
      push(list);
    }
    return;
  }
  const auto* target = at(bannerpushArray_, index);
  const auto* title = at(bannerTitleArray_, index);
  if (!target || !title) return;
  // A web address has a scheme ("http:", "https:"); anything else is an article id.
  if (hasURLScheme(*target)) {
    auto web = rt::make<KDWebViewController>();
    web->setWebUrl(*target);
    web->setTitle(*title);
    push(web);
  } else {
    auto model = rt::make<KDAPPListModel>();
    model->docTitle = *title;
    model->docId = *target;
    auto detail = rt::make<KDArticleDetailViewController>();
    detail->setModel(model);
    push(detail);
  }
}

void KDHomeViewController::push(const Ref<ui::ViewController>& controller) {
  if (auto nav = navigationController()) nav->pushViewController(controller, true);
}

void KDHomeViewController::openArticle(const Ref<KDAPPListModel>& item) {
  if (auto screen = screenForArticle(item, false)) push(screen);
}

int64_t KDHomeViewController::tableViewNumberOfRowsInSection(ui::TableView& tv, int64_t) {
  const auto* rows = rowsOf(tv);
  return rows ? static_cast<int64_t>(rows->size()) : 0;
}

Ref<ui::TableViewCell> KDHomeViewController::tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                                            const Ref<fd::IndexPath>& indexPath) {
  // A new row every time: rows are never reused in the content lists.
  auto cell = rt::make<KDHomeNewsCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  cell->setisShowContent(false);
  if (const auto* rows = rowsOf(tv))
    if (const auto* item = at(*rows, indexPath->row())) cell->setModel(*item);
  return cell;
}

void KDHomeViewController::tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& indexPath) {
  if (const auto* rows = rowsOf(tv))
    if (const auto* item = at(*rows, indexPath->row())) openArticle(*item);
}

std::optional<double> KDHomeViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                             const Ref<fd::IndexPath>&) {
  return kRowHeight;
}

std::optional<double> KDHomeViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t) {
  return 0.1;
}

std::optional<double> KDHomeViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) {
  return 0.1;
}

}  // namespace app
