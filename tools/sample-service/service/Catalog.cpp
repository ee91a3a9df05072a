#include "tools/sample-service/service/Catalog.h"

#include <ctime>

#include "tools/sample-service/service/ChineseText.h"
#include "tools/sample-service/service/SeededRandom.h"

namespace sample {
namespace {

// Newest release time of the data set: 2026-12-01 10:00:00 UTC.
constexpr int64_t kNewest = 1796119200;

std::string formatTime(int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &tm);
  return buffer;
}

const char* const kExtensions[] = {"jpg", "png", "webp", "gif"};

struct ChannelPlan {
  const char* id;
  const char* parent;
  const char* title;
  const char* trs;
  bool webPage;  // the channel opens a web address instead of an article list
  int articles;
  TextStyle style;
};

// The channel tree the screens pick from: home channels, activities (parent 51) with the
// "all topics" entry 113, the travel guide (55 overview, 56 sights, 58 food, 101 navigation,
// 59 history with 5380 opening the history list of parent 64), the galleries 78-80, the
// quarterly issues (parent 81) and the literary supplement.
const ChannelPlan kChannels[] = {
    {"1", "0", "资讯", "11622", false, 0, TextStyle::News},
    {"11", "1", "禾岚新闻", "11623", false, 236, TextStyle::News},
    {"12", "1", "信息公开", "5661", false, 128, TextStyle::Notice},
    {"13", "1", "活动安排", "5670", false, 64, TextStyle::Activity},
    {"51", "0", "专题活动", "5671", false, 0, TextStyle::Activity},
    {"114", "51", "文明城区创建", "5672", false, 24, TextStyle::Activity},
    {"115", "51", "垃圾分类进社区", "5673", false, 18, TextStyle::Activity},
    {"116", "51", "全民健身月", "5674", false, 31, TextStyle::Activity},
    {"117", "51", "非遗文化周", "5675", false, 12, TextStyle::Activity},
    {"118", "51", "平安禾岚", "5676", false, 27, TextStyle::Activity},
    {"119", "51", "志愿服务在行动", "5677", false, 15, TextStyle::Activity},
    {"120", "51", "美丽乡村建设", "5678", false, 9, TextStyle::Activity},
    {"113", "0", "全部专题", "5679", false, 0, TextStyle::Activity},
    {"54", "0", "游走", "11614", false, 0, TextStyle::Sight},
    {"55", "54", "概况", "11613", false, 0, TextStyle::Profile},
    {"60", "55", "区情简介", "11615", false, 0, TextStyle::Profile},
    {"61", "55", "行政区划", "11624", false, 6, TextStyle::Profile},
    {"62", "55", "交通指南", "11625", false, 8, TextStyle::Profile},
    {"63", "55", "气候物产", "11626", false, 5, TextStyle::Profile},
    {"56", "54", "景点", "11616", false, 25, TextStyle::Sight},
    {"58", "54", "美食", "11617", false, 25, TextStyle::Food},
    {"57", "54", "游走轮播", "11618", false, 5, TextStyle::Gallery},
    {"101", "54", "导航", "11633", false, 0, TextStyle::Sight},
    {"102", "101", "游客中心", "11634", true, 0, TextStyle::Sight},
    {"103", "101", "停车指引", "11635", true, 0, TextStyle::Sight},
    {"104", "101", "公共厕所", "11636", true, 0, TextStyle::Sight},
    {"105", "101", "医疗服务", "11637", true, 0, TextStyle::Sight},
    {"59", "54", "人文历史", "11638", false, 0, TextStyle::History},
    {"65", "59", "历史沿革", "5380", false, 0, TextStyle::History},
    {"66", "59", "名人故里", "11627", false, 14, TextStyle::History},
    {"67", "59", "民间传说", "11628", false, 11, TextStyle::History},
    {"68", "59", "老街记忆", "11629", false, 16, TextStyle::History},
    {"64", "0", "人文历史栏目", "11639", false, 0, TextStyle::History},
    {"70", "64", "古迹遗存", "11630", false, 12, TextStyle::History},
    {"71", "64", "文化名人", "11631", false, 13, TextStyle::History},
    {"72", "64", "地方志", "11632", false, 7, TextStyle::History},
    {"77", "0", "图说禾岚", "11640", false, 0, TextStyle::Gallery},
    {"78", "77", "风貌", "11619", false, 42, TextStyle::Gallery},
    {"79", "77", "风情", "11620", false, 36, TextStyle::Gallery},
    {"80", "77", "风采", "11621", false, 30, TextStyle::Gallery},
    {"81", "0", "季刊", "11641", false, 0, TextStyle::Magazine},
    {"82", "81", "2025年春季刊", "11642", false, 12, TextStyle::Magazine},
    {"83", "81", "2025年夏季刊", "11643", false, 10, TextStyle::Magazine},
    {"84", "81", "2025年秋季刊", "11644", false, 14, TextStyle::Magazine},
    {"85", "81", "2025年冬季刊", "11645", false, 9, TextStyle::Magazine},
    {"86", "81", "2026年春季刊", "11646", false, 11, TextStyle::Magazine},
    {"87", "81", "2026年夏季刊", "11647", false, 13, TextStyle::Magazine},
    {"90", "0", "云岫声副刊", "11651", false, 48, TextStyle::Supplement},
};

// The one fixed article: the district profile that the overview channel opens directly.
constexpr const char* kProfileArticle = "134100";

std::string pictureURL(const std::string& base, const std::string& kind, const std::string& name,
                       const std::string& ext) {
  return base + "/pictures/" + kind + "/" + name + "." + ext;
}

const char* pictureKindFor(TextStyle style, const std::string& trs) {
  if (trs == "11618") return "banner";
  if (style == TextStyle::Gallery) return "photo";
  return "thumb";
}

std::string htmlBody(const ArticleText& text, const std::string& picture) {
  std::string html =
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
      "<style>p{color:#333333;text-indent:2em;}</style></head><body>";
  for (const auto& p : text.paragraphs) html += "<p style=\"font-size: 32px;\">" + p + "</p>";
  if (!picture.empty()) html += "<p style=\"text-align:center\"><img src=\"" + picture + "\" width=\"100%\"/></p>";
  html += "</body></html>";
  return html;
}

}  // namespace

Catalog::Catalog(uint64_t seed, std::string baseURL) : baseURL_(std::move(baseURL)), about_(aboutText()) {
  addChannels(seed);
  addBanners(seed);
  for (int i = 1; i <= 3; ++i) {
    auto ext = kExtensions[(i + 1) % 4];
    loadingPages_.push_back({pictureURL(baseURL_, "loading", "welcome" + std::to_string(i), ext)});
  }
  addVideos(seed, "1", 57);
  addVideos(seed, "8", 23);
}

void Catalog::addChannels(uint64_t seed) {
  int order = 0;
  for (const auto& plan : kChannels) {
    Channel c;
    c.id = plan.id;
    c.parent_id = plan.parent;
    c.title = plan.title;
    c.trs_channel_id = plan.trs;
    c.order_id = std::to_string(++order);
    const bool top = c.parent_id == "0";
    c.grade.assign(1, top ? '1' : '2');
    c.prefix = top ? std::string() : std::string("|-");
    c.image_id = std::to_string(9000 + order);
    bool cover = c.parent_id == "81";
    c.image = pictureURL(baseURL_, cover ? "cover" : "channel", "c" + c.id, kExtensions[order % 4]);
    c.create_time = formatTime(kNewest - 86400LL * 400 + order * 3600);
    c.des = c.title + "栏目";
    if (plan.webPage) c.url = baseURL_ + "/web/channel/" + c.id + ".html";
    channels_.push_back(c);
  }
  for (auto& c : channels_) {
    for (const auto& child : channels_) {
      if (child.parent_id == c.id) c.has_child = true;
    }
  }
  for (size_t i = 0; i < channels_.size(); ++i) {
    const auto& plan = kChannels[i];
    if (channels_[i].trs_channel_id == "11615") {
      SeededRandom r(seed, "profile");
      auto text = makeArticleText(r, TextStyle::Profile);
      Article a;
      a.docId = kProfileArticle;
      a.chnlId = "11615";
      a.chnlName = channels_[i].title;
      a.docTitle = "禾岚区区情简介";
      a.docAbstract = text.abstract;
      a.docAuthor = text.author;
      a.docKeyWords = text.keywords;
      a.docRelTime = formatTime(kNewest - 86400LL * 30);
      a.docType = "20";
      a.docPubUrl = baseURL_ + "/web/article/" + a.docId + ".html";
      a.docHtmlCon = htmlBody(text, pictureURL(baseURL_, "photo", "p" + a.docId, "jpg"));
      articleIndex_[a.docId] = {a.chnlId, 0};
      articles_[a.chnlId].push_back(std::move(a));
      continue;
    }
    addArticles(seed, channels_[i], plan.webPage ? 0 : plan.articles, plan.style);
  }
}

void Catalog::addArticles(uint64_t seed, const Channel& channel, int count, TextStyle style) {
  SeededRandom random(seed, "articles/" + channel.trs_channel_id);
  auto& list = articles_[channel.trs_channel_id];  // present even when empty: the channel exists
  int64_t time = kNewest - random.between(0, 6) * 3600;
  for (int i = 0; i < count; ++i) {
    auto text = makeArticleText(random, style);
    Article a;
    a.docId = std::to_string(nextDocId_++);
    a.chnlId = channel.trs_channel_id;
    a.chnlName = channel.title;
    a.docTitle = text.title;
    a.subTitle = text.subTitle;
    a.docAbstract = text.abstract;
    a.docAuthor = text.author;
    a.docKeyWords = text.keywords;
    a.docRelTime = formatTime(time);
    time -= random.between(3, 40) * 3600 + random.between(0, 59) * 60;
    bool webPage = channel.trs_channel_id == "11623" && i % 17 == 5;
    a.docType = webPage ? "30" : "20";
    a.docPubUrl = baseURL_ + "/web/article/" + a.docId + ".html";

    // Pictured lists always carry a picture; news has one on two articles of three.
    bool pictured = style == TextStyle::Gallery || style == TextStyle::Sight || style == TextStyle::Food ||
                    style == TextStyle::Magazine || i % 3 != 2;
    int pictures = pictured ? (i % 5 == 1 ? 2 : 1) : 0;
    std::string kind = pictureKindFor(style, channel.trs_channel_id);
    for (int n = 0; n < pictures; ++n) {
      PictureAttachment p;
      std::string ext = kExtensions[(nextDocId_ + n) % 4];
      std::string name = "a" + a.docId + "-" + std::to_string(n);
      p.absUrl = pictureURL(baseURL_, kind, name, ext);
      p.srcFile = "IMG_" + a.docId.substr(2) + std::to_string(n) + "." + ext;
      p.id = std::to_string(700000 + (nextDocId_ - 140001) * 2 + n);
      p.alt = text.title;
      p.file = name + "." + ext;
      p.fileExt = ext;
      p.flag = n == 0 ? "1" : "0";
      p.flagString = n == 0 ? "标题图" : "正文图";
      p.desc = text.title + "+" + text.author;
      p.docId = a.docId;
      a.picAttach.push_back(std::move(p));
    }
    a.docHtmlCon = htmlBody(text, pictures > 0 ? pictureURL(baseURL_, "photo", "b" + a.docId, "jpg") : "");
    articleIndex_[a.docId] = {a.chnlId, list.size()};
    list.push_back(std::move(a));
  }
}

void Catalog::addBanners(uint64_t seed) {
  SeededRandom random(seed, "banners");
  const auto& news = articles_.at("11623");
  for (int i = 0; i < 6; ++i) {
    Banner b;
    b.id = std::to_string(301 + i);
    b.parent_id = "11";
    b.order_id = std::to_string(i + 1);
    b.image_id = std::to_string(8001 + i);
    const auto& target = news[static_cast<size_t>(i * 7)];
    b.title = target.docTitle;
    b.image = pictureURL(baseURL_, "banner", "b" + b.id, kExtensions[i % 4]);
    // Half the banners open a web page, the others an article by its identifier.
    b.url = i % 2 == 0 ? target.docPubUrl : target.docId;
    b.start_time = formatTime(kNewest - 86400LL * random.between(1, 20));
    b.end_time = formatTime(kNewest + 86400LL * random.between(10, 60));
    b.create_time = b.start_time;
    banners_.push_back(std::move(b));
  }
}

void Catalog::addVideos(uint64_t seed, const std::string& category, int count) {
  SeededRandom random(seed, "videos/" + category);
  auto& list = videos_[category];
  int64_t time = kNewest - 3600 * random.between(1, 10);
  int base = category == "1" ? 5001 : 6001;
  for (int i = 0; i < count; ++i) {
    Video v;
    v.id = std::to_string(base + i);
    v.player = "html5";
    v.title = (category == "1" ? "禾岚新闻联播：" : "专题：") + makeHeadline(random);
    v.date = formatTime(time);
    time -= 86400 - random.between(0, 7200);
    std::string stem = "hl" + v.date.substr(0, 4) + v.date.substr(5, 2) + v.date.substr(8, 2) + "_" + v.id;
    v.fileName = stem + ".mp4";
    v.image = pictureURL(baseURL_, "poster", "v" + v.id, kExtensions[i % 4]);
    v.href = baseURL_ + "/web/video/" + v.id + ".html";
    // The stream addresses come in the forms the clients rewrite, and a few without one.
    switch (i % 5) {
      case 0: v.httpStreamUrl = baseURL_ + "/media/" + stem + "_200k.f4m"; break;
      case 1: v.httpStreamUrl = baseURL_ + "/media/" + stem + "_200K.F4M"; break;
      case 2: v.httpStreamUrl = baseURL_ + "/media/" + stem + "_800k.mp4"; break;
      case 3: v.httpStreamUrl = baseURL_ + "/media/" + stem + ".f4m"; break;
      default: v.httpStreamUrl = i % 10 == 9 ? "" : baseURL_ + "/media/" + stem + "_200k.mp4"; break;
    }
    list.push_back(std::move(v));
  }
}

const std::vector<Article>* Catalog::articlesOfChannel(const std::string& trsId) const {
  auto it = articles_.find(trsId);
  return it == articles_.end() ? nullptr : &it->second;
}

const Channel* Catalog::channelById(const std::string& id) const {
  for (const auto& c : channels_) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

const Article* Catalog::articleById(const std::string& docId) const {
  auto it = articleIndex_.find(docId);
  if (it == articleIndex_.end()) return nullptr;
  return &articles_.at(it->second.first)[it->second.second];
}

const std::vector<Video>* Catalog::videosOfCategory(const std::string& id) const {
  auto it = videos_.find(id);
  return it == videos_.end() ? nullptr : &it->second;
}

}  // namespace sample
