#include "tools/sample-service/service/ContentService.h"

#include <algorithm>
#include <charconv>

#include "platform/foundation/values/Array.h"
#include "tools/sample-service/service/RecordJSON.h"

namespace sample {
namespace {

constexpr int kDefaultPageSize = 10;
constexpr int kMaxPageSize = 100;
// Far past any list; keeps page arithmetic clear of overflow.
constexpr int64_t kMaxPage = 1000000;

/// The parameter as a positive integer, or `fallback` when missing, malformed or below 1.
int64_t positive(const Parameters& p, const char* key, int64_t fallback) {
  auto it = p.find(key);
  if (it == p.end()) return fallback;
  int64_t value = 0;
  const auto& s = it->second;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || value < 1) return fallback;
  return value;
}

const std::string* text(const Parameters& p, const char* key) {
  auto it = p.find(key);
  return it == p.end() || it->second.empty() ? nullptr : &it->second;
}

Answer ok(const rt::Id& data) { return Answer{200, "application/json; charset=utf-8", jsonText(envelope(200, "成功", data))}; }

std::vector<std::string> split(const std::string& s, char separator) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    auto at = s.find(separator, start);
    out.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return out;
    start = at + 1;
  }
}

}  // namespace

Answer ContentService::failure(int status, const std::string& info) {
  return Answer{200, "application/json; charset=utf-8", jsonText(envelope(status, info, nullptr))};
}

Answer ContentService::answer(const std::string& endpoint, const Parameters& parameters) const {
  auto listOf = [](auto&& items, auto&& toJSON) {
    auto list = fd::MutableArray::create();
    for (const auto& item : items) list->addObject(toJSON(item));
    auto data = fd::MutableDictionary::create();
    data->setObjectForKey(list, "list");
    return data;
  };
  if (endpoint == "App/loading") return ok(listOf(catalog_.loadingPages(), loadingJSON));
  if (endpoint == "App/channel_list") return ok(listOf(catalog_.channels(), channelJSON));
  if (endpoint == "App/banner") return ok(listOf(catalog_.banners(), bannerJSON));
  if (endpoint == "App/article_list") return paged(parameters, true);
  if (endpoint == "App/board") return paged(parameters, false);
  if (endpoint == "App/juhe") return aggregated(parameters);
  if (endpoint == "App/article_info") return articleInfo(parameters);
  if (endpoint == "App/about_us") return ok(stringValue(catalog_.about()));
  auto a = failure(404, "接口不存在");
  a.httpStatus = 404;
  return a;
}

Answer ContentService::paged(const Parameters& parameters, bool withTotal) const {
  const auto* trs = text(parameters, "trs_id");
  if (!trs) return failure(400, "缺少参数trs_id");
  const auto* articles = catalog_.articlesOfChannel(*trs);
  if (!articles) return failure(404, "栏目不存在");
  int64_t size = std::min<int64_t>(positive(parameters, "page_size", kDefaultPageSize), kMaxPageSize);
  int64_t page = std::min(positive(parameters, "page", 1), kMaxPage);
  auto total = static_cast<int64_t>(articles->size());
  int64_t totalPages = (total + size - 1) / size;
  auto list = fd::MutableArray::create();
  for (int64_t i = (page - 1) * size; i < page * size && i < total; ++i) {
    list->addObject(articleItemJSON((*articles)[static_cast<size_t>(i)]));
  }
  auto data = fd::MutableDictionary::create();
  data->setObjectForKey(list, "list");
  data->setObjectForKey(stringValue(std::to_string(page)), "page");
  data->setObjectForKey(stringValue(std::to_string(totalPages)), "total_page");
  if (withTotal) data->setObjectForKey(stringValue(std::to_string(total)), "total");
  return ok(data);
}

Answer ContentService::aggregated(const Parameters& parameters) const {
  // "56@news_list@3|58@news_list@3": per entry a channel identifier and how many rows.
  const auto* info = text(parameters, "channel_info");
  if (!info) return failure(400, "缺少参数channel_info");
  auto groups = fd::MutableArray::create();
  for (const auto& entry : split(*info, '|')) {
    auto parts = split(entry, '@');
    int64_t rows = 0;
    if (parts.size() == 3 && parts[1] == "news_list") rows = positive({{"n", parts[2]}}, "n", 0);
    if (parts[0].empty() || rows < 1 || rows > kMaxPageSize) return failure(400, "参数channel_info格式错误");
    const auto* channel = catalog_.channelById(parts[0]);
    const auto* articles = channel ? catalog_.articlesOfChannel(channel->trs_channel_id) : nullptr;
    auto list = fd::MutableArray::create();
    size_t count = articles ? articles->size() : 0;
    for (size_t i = 0; i < count && i < static_cast<size_t>(rows); ++i) list->addObject(articleItemJSON((*articles)[i]));
    auto news = fd::MutableDictionary::create();
    news->setObjectForKey(stringValue(std::to_string(count)), "total");
    news->setObjectForKey(list, "rows");
    auto group = fd::MutableDictionary::create();
    group->setObjectForKey(stringValue(parts[0]), "channel_id");
    group->setObjectForKey(stringValue(channel ? channel->title : ""), "title");
    group->setObjectForKey(news, "news_list");
    groups->addObject(group);
  }
  auto data = fd::MutableDictionary::create();
  data->setObjectForKey(groups, "list");
  return ok(data);
}

Answer ContentService::articleInfo(const Parameters& parameters) const {
  const auto* id = text(parameters, "id");
  if (!id) return failure(400, "缺少参数id");
  const auto* article = catalog_.articleById(*id);
  if (!article) return failure(404, "文章不存在");
  return ok(articleDetailJSON(*article));
}

Answer ContentService::videoList(const Parameters& parameters) const {
  const auto* category = text(parameters, "id");
  const auto* videos = category ? catalog_.videosOfCategory(*category) : nullptr;
  int64_t page = std::min(positive(parameters, "pageNo", 1), kMaxPage);
  int64_t total = videos ? static_cast<int64_t>(videos->size()) : 0;
  auto rows = fd::MutableArray::create();
  for (int64_t i = (page - 1) * kVideoPageSize; i < page * kVideoPageSize && i < total; ++i) {
    rows->addObject(videoJSON((*videos)[static_cast<size_t>(i)]));
  }
  auto pageInfo = fd::MutableDictionary::create();
  pageInfo->setObjectForKey(numberValue(page), "currPage");
  pageInfo->setObjectForKey(numberValue((total + kVideoPageSize - 1) / kVideoPageSize), "totalPage");
  pageInfo->setObjectForKey(numberValue(kVideoPageSize), "pageSize");
  pageInfo->setObjectForKey(numberValue(total), "totalCount");
  auto body = fd::MutableDictionary::create();
  body->setObjectForKey(rows, "rows");
  body->setObjectForKey(pageInfo, "page");
  return Answer{200, "application/json; charset=utf-8", jsonText(body)};
}

}  // namespace sample
