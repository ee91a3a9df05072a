#pragma once
// The content service client: one call per endpoint of the content service and one for the
// video list service. Each call reads the answer's envelope ("status" 200 is success, "info"
// the text of a failure), turns the items into records and calls the screen's blocks on the
// main queue. Failures are also shown to the user in the progress display, so a screen's
// failure block only has to end its loading state. Holds no state between calls.
#include <functional>
#include <vector>

#include "app/models/KDAPPAticleDetailModel.h"
#include "app/models/KDAPPBannerModel.h"
#include "app/models/KDAPPListModel.h"
#include "app/models/KDAPPLoadingModel.h"
#include "app/models/KDAPPVideoModel.h"
#include "app/models/KDAppChannelParamsModel.h"
#include "app/models/KDAppchannelModel.h"
#include "app/models/KDPageInfo.h"
#include "app/models/KDVideoParamsModel.h"
#include "platform/foundation/Error.h"

namespace app {

class KDRequest {
 public:
  template <class T>
  using ListSuccess = std::function<void(const std::vector<Ref<T>>& records)>;
  using GroupsSuccess = std::function<void(const std::vector<std::vector<Ref<KDAPPListModel>>>& groups)>;
  using DetailSuccess = std::function<void(const Ref<KDAPPAticleDetailModel>& detail)>;
  using ValueSuccess = std::function<void(const rt::Id& data)>;
  using PageInfoBlock = std::function<void(const Ref<KDPageInfo>& pageInfo)>;
  /// Hears the answer's "info", or "网络错误,稍后再试!" when the service was not reached.
  using Failure = std::function<void(const fd::String& message)>;
  using ErrorFailure = std::function<void(const Ref<fd::Error>& error)>;

  static constexpr const char* kNetworkErrorMessage = "网络错误,稍后再试!";
  static constexpr const char* kNoDataMessage = "数据获取失败!";

  /// "App/loading": the welcome pages; success also with none.
  static void getAppLoadingSuccess(ListSuccess<KDAPPLoadingModel> success, Failure failure);
  /// "App/loading" read as banners; success also with none.
  static void getApploadingSuccess(ListSuccess<KDAPPBannerModel> success, Failure failure);
  /// "App/channel_list": every channel; success also with none.
  static void getAppchannelSuccess(ListSuccess<KDAppchannelModel> success, Failure failure);
  /// "App/article_list": one page of a channel. The page block comes first; every row shares
  /// its record. A page without rows shows a network error and calls no success; a list that
  /// is null calls nothing and shows "数据获取失败!".
  static void getAppchannelList(const Ref<KDAppChannelParamsModel>& params, PageInfoBlock pageInfo,
                                ListSuccess<KDAPPListModel> success, Failure failure);
  /// "App/board": as the article list, without a total and without the rows' page record.
  static void getAppboardList(const Ref<KDAppChannelParamsModel>& params, PageInfoBlock pageInfo,
                              ListSuccess<KDAPPListModel> success, Failure failure);
  /// "App/juhe": one group of rows per "ID@news_list@N" entry of `channelInfo` ("|"-joined);
  /// each group's rows share a record whose `total_page` is the group's total.
  static void getAppAppjuhe(const fd::String& channelInfo, GroupsSuccess success, Failure failure);
  /// "App/banner": success only when there is at least one banner; a refusal reaches the
  /// failure block but is not shown.
  static void getAppbannerSuccess(ListSuccess<KDAPPBannerModel> success, Failure failure);
  /// "App/article_info": the detail of one article (null when "data" is no object).
  static void getAppArticleInfo(const fd::String& articleId, DetailSuccess success, Failure failure);
  /// "App/about_us": the "data" value as it came; a refusal calls and shows nothing.
  static void getAboutusSuccess(ValueSuccess success, Failure failure);
  /// The video list service (unsigned GET): success with the videos, whose stream addresses
  /// are rewritten to the MP4 800k form, then the page block. A transport failure is shown,
  /// then handed to `failure`.
  static void getVideoList(const Ref<KDVideoParamsModel>& params, PageInfoBlock pageInfo,
                           ListSuccess<KDAPPVideoModel> success, ErrorFailure failure);

  /// The stream address as the player wants it: ".f4m" (any case) becomes ".mp4", then, when
  /// the address has "_200k." in that exact case, every "_200k." (any case) becomes "_800k.".
  static fd::String rewrittenStreamURL(const fd::String& address);
};

}  // namespace app
