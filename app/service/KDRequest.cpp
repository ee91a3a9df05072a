#include "app/service/KDRequest.h"

#include "app/service/Request.h"
#include "app/service/ServiceConfig.h"
#include "net/mapping/KMMapping.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "widgets/progress/PHProgressHUD.h"

namespace app {
namespace {

void showError(const fd::String& message) { widgets::PHProgressHUD::showErrorWithStatus(message); }

fd::String describe(const rt::Id& object) { return object ? object->description() : fd::String("(null)"); }

rt::Id valueAt(const rt::Id& container, const char* key) {
  auto dictionary = rt::as<fd::Dictionary>(container);
  return dictionary ? dictionary->objectForKey(key) : nullptr;
}

/// A JSON string "200" is not success: only the number counts.
bool succeeded(const rt::Id& answer) {
  auto status = rt::as<fd::Number>(valueAt(answer, "status"));
  return status && !status->isBool() && status->doubleValue() == 200;
}

/// A value as the text the records keep: strings as they are, numbers in decimal, anything
/// else (missing, null) empty.
fd::String textOf(const rt::Id& value) {
  if (auto s = rt::as<fd::StringObject>(value)) return s->string();
  if (auto n = rt::as<fd::Number>(value)) return n->stringValue();
  return fd::String();
}

fd::String infoOf(const rt::Id& answer) {
  rt::Id info = valueAt(answer, "info");
  if (!info || rt::as<fd::Null>(info)) return fd::String();
  if (auto s = rt::as<fd::StringObject>(info)) return s->string();
  return info->description();
}

/// The dictionaries of an array value; anything else contributes nothing.
std::vector<Ref<fd::Dictionary>> objectsIn(const rt::Id& value) {
  std::vector<Ref<fd::Dictionary>> out;
  if (auto array = rt::as<fd::Array>(value)) {
    for (const rt::Id& item : *array) {
      if (auto dictionary = rt::as<fd::Dictionary>(item)) out.push_back(dictionary);
    }
  }
  return out;
}

template <class T>
std::vector<Ref<T>> recordsIn(const rt::Id& list) {
  std::vector<Ref<T>> records;
  for (const auto& item : objectsIn(list)) {
    if (auto record = T::getModelWithDic(item)) records.push_back(record);
  }
  return records;
}

/// A list row with the answer's page record and its first attachment as a picture record.
Ref<KDAPPListModel> listRecord(const Ref<fd::Dictionary>& item, const Ref<KDPageInfo>& page) {
  auto record = KDAPPListModel::getModelWithDic(item);
  if (!record) return nullptr;
  record->page = page;
  if (record->picAttach && record->picAttach->count() > 0) {
    record->picMode = KDAPPPicModel::getModelWithDic(record->picAttach->objectAtIndex(0));
  }
  return record;
}

fd::String endpoint(const char* path) { return ServiceConfig::shared().contentBaseURL() + path; }

rt::Id formOf(const rt::Object* params) { return params ? net::km_keyValues(*params) : nullptr; }

/// The transport failure every content call shares.
Request::MessageFailure networkFailure(KDRequest::Failure failure) {
  return [failure = std::move(failure)](const fd::String&) {
    if (failure) failure(KDRequest::kNetworkErrorMessage);
    showError(KDRequest::kNetworkErrorMessage);
  };
}

/// A page the client cannot show: the failure block hears the message too, so the screen can
/// end its spinners (the message alone would leave them turning).
void unusable(const fd::String& message, const KDRequest::Failure& failure) {
  if (failure) failure(message);
  showError(message);
}

/// A refusal: the failure block hears "info", then the user sees it.
void refuse(const rt::Id& answer, const KDRequest::Failure& failure) {
  fd::String info = infoOf(answer);
  if (failure) failure(info);
  showError(info);
}

template <class T>
void simpleList(const char* path, bool logAnswer, const char* caller, KDRequest::ListSuccess<T> success,
                KDRequest::Failure failure) {
  fd::String function(caller);
  Request::post(
      endpoint(path), nullptr,
      [success, failure, logAnswer, function](const rt::Id& answer) {
        if (logAnswer) fd::NSLog("%s(%d): object ----%@", function.utf8().c_str(), __LINE__, describe(answer));
        if (!succeeded(answer)) return refuse(answer, failure);
        auto records = recordsIn<T>(valueAt(valueAt(answer, "data"), "list"));
        if (success) success(records);
      },
      networkFailure(failure));
}

/// The article list and the board share their reading of a page; the board's record has no
/// total and its rows carry no page record.
void pagedList(const char* path, const char* caller, const Ref<KDAppChannelParamsModel>& params, bool isBoard,
               KDRequest::PageInfoBlock pageInfo, KDRequest::ListSuccess<KDAPPListModel> success,
               KDRequest::Failure failure) {
  rt::Id form = formOf(params.get());
  fd::NSLog("%s(%d): parmas  %@", caller, __LINE__, describe(form));
  Request::post(
      endpoint(path), form,
      [pageInfo, success, failure, isBoard](const rt::Id& answer) {
        if (!succeeded(answer)) return refuse(answer, failure);
        rt::Id data = valueAt(answer, "data");
        rt::Id list = valueAt(data, "list");
        if (rt::as<fd::Null>(list)) return unusable(KDRequest::kNoDataMessage, failure);
        auto page = rt::make<KDPageInfo>();
        page->page = textOf(valueAt(data, "page"));
        page->total_page = textOf(valueAt(data, "total_page"));
        if (!isBoard) page->total = textOf(valueAt(data, "total"));
        if (pageInfo) pageInfo(page);
        std::vector<Ref<KDAPPListModel>> rows;
        for (const auto& item : objectsIn(list)) {
          if (auto row = listRecord(item, isBoard ? nullptr : page)) rows.push_back(row);
        }
        if (rows.empty()) return unusable(KDRequest::kNetworkErrorMessage, failure);
        if (success) success(rows);
      },
      networkFailure(failure));
}

}  // namespace

void KDRequest::getAppLoadingSuccess(ListSuccess<KDAPPLoadingModel> success, Failure failure) {
  simpleList<KDAPPLoadingModel>("App/loading", true, __func__, std::move(success), std::move(failure));
}

void KDRequest::getApploadingSuccess(ListSuccess<KDAPPBannerModel> success, Failure failure) {
  simpleList<KDAPPBannerModel>("App/loading", false, __func__, std::move(success), std::move(failure));
}

void KDRequest::getAppchannelSuccess(ListSuccess<KDAppchannelModel> success, Failure failure) {
  simpleList<KDAppchannelModel>("App/channel_list", true, __func__, std::move(success), std::move(failure));
}

void KDRequest::getAppchannelList(const Ref<KDAppChannelParamsModel>& params, PageInfoBlock pageInfo,
                                  ListSuccess<KDAPPListModel> success, Failure failure) {
  pagedList("App/article_list", __func__, params, false, std::move(pageInfo), std::move(success), std::move(failure));
}

void KDRequest::getAppboardList(const Ref<KDAppChannelParamsModel>& params, PageInfoBlock pageInfo,
                                ListSuccess<KDAPPListModel> success, Failure failure) {
  pagedList("App/board", __func__, params, true, std::move(pageInfo), std::move(success), std::move(failure));
}

void KDRequest::getAppAppjuhe(const fd::String& channelInfo, GroupsSuccess success, Failure failure) {
  auto params = fd::Dictionary::withStrings({{"channel_info", fd::box(channelInfo)}});
  fd::NSLog("%s(%d): params---  %@", __func__, __LINE__, params);
  Request::post(
      endpoint("App/juhe"), params,
      [success = std::move(success), failure](const rt::Id& answer) {
        if (!succeeded(answer)) return refuse(answer, failure);
        std::vector<std::vector<Ref<KDAPPListModel>>> groups;
        for (const auto& group : objectsIn(valueAt(valueAt(answer, "data"), "list"))) {
          rt::Id news = group->objectForKey("news_list");
          auto page = rt::make<KDPageInfo>();
          // A group's page record carries its total item count, when the group has one.
          if (rt::Id total = valueAt(news, "total")) page->total_page = textOf(total);
          std::vector<Ref<KDAPPListModel>> rows;
          for (const auto& item : objectsIn(valueAt(news, "rows"))) {
            if (auto row = listRecord(item, page)) rows.push_back(row);
          }
          groups.push_back(std::move(rows));
        }
        if (success) success(groups);
      },
      networkFailure(failure));
}

void KDRequest::getAppbannerSuccess(ListSuccess<KDAPPBannerModel> success, Failure failure) {
  Request::post(
      endpoint("App/banner"), nullptr,
      [success = std::move(success), failure](const rt::Id& answer) {
        if (!succeeded(answer)) {
          if (failure) failure(infoOf(answer));
          return;
        }
        auto banners = recordsIn<KDAPPBannerModel>(valueAt(valueAt(answer, "data"), "list"));
        if (!banners.empty() && success) success(banners);
      },
      networkFailure(failure));
}

void KDRequest::getAppArticleInfo(const fd::String& articleId, DetailSuccess success, Failure failure) {
  auto params = fd::Dictionary::withStrings({{"id", fd::box(articleId)}});
  fd::NSLog("%s(%d): 新闻详情params ---- %@", __func__, __LINE__, params);
  Request::post(
      endpoint("App/article_info"), params,
      [success = std::move(success), failure](const rt::Id& answer) {
        if (!succeeded(answer)) return refuse(answer, failure);
        auto detail = KDAPPAticleDetailModel::getModelWithDic(valueAt(answer, "data"));
        if (success) success(detail);
      },
      networkFailure(failure));
}

void KDRequest::getAboutusSuccess(ValueSuccess success, Failure failure) {
  Request::post(
      endpoint("App/about_us"), nullptr,
      [success = std::move(success)](const rt::Id& answer) {
        if (succeeded(answer) && success) success(valueAt(answer, "data"));
      },
      networkFailure(std::move(failure)));
}

fd::String KDRequest::rewrittenStreamURL(const fd::String& address) {
  fd::String out = address.stringByReplacingOccurrencesOfString(".f4m", ".mp4", rt::CaseInsensitiveSearch);
  if (out.contains("_200k."))
    out = out.stringByReplacingOccurrencesOfString("_200k.", "_800k.", rt::CaseInsensitiveSearch);
  return out;
}

void KDRequest::getVideoList(const Ref<KDVideoParamsModel>& params, PageInfoBlock pageInfo,
                             ListSuccess<KDAPPVideoModel> success, ErrorFailure failure) {
  Request::getVide(
      ServiceConfig::shared().videoListURL(), formOf(params.get()),
      [pageInfo = std::move(pageInfo), success = std::move(success)](const rt::Id& answer) {
        std::vector<Ref<KDAPPVideoModel>> videos = recordsIn<KDAPPVideoModel>(valueAt(answer, "rows"));
        for (const auto& video : videos) video->httpStreamUrl = rewrittenStreamURL(video->httpStreamUrl);
        if (success) success(videos);
        rt::Id pageValue = valueAt(answer, "page");
        auto page = rt::make<KDPageInfo>();
        page->page = textOf(valueAt(pageValue, "currPage"));
        page->total_page = textOf(valueAt(pageValue, "totalPage"));
        if (pageInfo) pageInfo(page);
      },
      [failure = std::move(failure)](const Ref<fd::Error>& error) {
        fd::NSLog("%s(%d): error  %@", __func__, __LINE__, describe(error));
        showError(KDRequest::kNetworkErrorMessage);
        // After the message, so the screen can end its loading state.
        if (failure) failure(error);
      });
}

}  // namespace app
