#pragma once
// A deterministic JSON document shaped like the content service's article-list answers, for
// benchmarks that must read the same bytes on every run and every machine.
#include <cstdint>
#include <string>

namespace bench_data {

/// Fixed-seed 64-bit generator (splitmix64): the same sequence everywhere.
class Sequence {
 public:
  explicit Sequence(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  uint64_t below(uint64_t n) { return next() % n; }

 private:
  uint64_t state_;
};

namespace detail {

inline const char* const kWords[] = {
    "新闻", "社区", "街道", "居民", "活动", "服务", "文化", "交通", "教育", "健康", "公园",
    "改造", "志愿者", "通知", "图书馆", "菜市场", "地铁", "学校", "医院", "环境", "安全",
    "district", "update", "weekend", "market", "library", "metro", "2024", "No.5", "A&B",
};
inline const char* const kAuthors[] = {"王小明", "李华", "Chen Wei", "张三", "Editor", "赵敏"};
inline const char* const kSources[] = {"区融媒体中心", "City Daily", "街道办", "新华社"};

inline void appendText(std::string& out, Sequence& rnd, int words) {
  for (int i = 0; i < words; ++i) {
    if (i > 0 && rnd.below(4) == 0) out += rnd.below(2) ? "，" : " ";
    out += kWords[rnd.below(sizeof(kWords) / sizeof(kWords[0]))];
  }
  if (rnd.below(5) == 0) out += "\\\"引用\\\"\\n";  // escapes appear in real answers too
}

inline void field(std::string& out, const char* name, const std::string& value, bool comma = true) {
  out += '"';
  out += name;
  out += "\":\"";
  out += value;
  out += comma ? "\"," : "\"";
}

inline void appendRecord(std::string& out, Sequence& rnd, uint64_t id) {
  std::string text;
  std::string sid = std::to_string(100000 + id);
  out += '{';
  field(out, "id", sid);
  text.clear();
  appendText(text, rnd, 4 + static_cast<int>(rnd.below(6)));
  field(out, "title", text);
  text.clear();
  appendText(text, rnd, 20 + static_cast<int>(rnd.below(30)));
  field(out, "desc", text);
  field(out, "thumb", "https://img.example.org/thumb/" + sid + "_" + std::to_string(rnd.below(1000)) + ".jpg");
  std::string day = std::to_string(10 + rnd.below(18));
  std::string time = "2024-03-" + day + " " + std::to_string(10 + rnd.below(14)) + ":" +
                     std::to_string(10 + rnd.below(50)) + ":" + std::to_string(10 + rnd.below(50));
  field(out, "addtime", time);
  field(out, "updatetime", time);
  field(out, "channel_id", std::to_string(1 + rnd.below(12)));
  field(out, "author", kAuthors[rnd.below(sizeof(kAuthors) / sizeof(kAuthors[0]))]);
  field(out, "source", kSources[rnd.below(sizeof(kSources) / sizeof(kSources[0]))]);
  field(out, "doctype", std::to_string(1 + rnd.below(3)));
  field(out, "url", "https://news.example.org/article/" + sid + ".html");
  field(out, "share_url", "https://m.example.org/s/" + sid + "?from=app");
  text.clear();
  appendText(text, rnd, 3);
  field(out, "keywords", text);
  field(out, "comments", std::to_string(rnd.below(500)));
  field(out, "tag", rnd.below(3) == 0 ? "热点" : "");
  out += "\"views\":" + std::to_string(rnd.below(200000)) + ",";
  out += "\"score\":" + std::to_string(rnd.below(50)) + "." + std::to_string(rnd.below(10)) + ",";
  out += std::string("\"is_top\":") + (rnd.below(10) == 0 ? "true" : "false") + ",";
  out += "\"images\":[";
  uint64_t images = rnd.below(4);
  for (uint64_t i = 0; i < images; ++i) {
    if (i) out += ',';
    out += "{\"src\":\"https://img.example.org/pic/" + sid + "_" + std::to_string(i) +
           ".jpg\",\"w\":640,\"h\":" + std::to_string(360 + rnd.below(200)) + "}";
  }
  out += "]}";
}

}  // namespace detail

/// A document of at least `minBytes` bytes: {"status":200,"info":"ok","data":{"list":[...],
/// "page":{...}}} with article records of Chinese and ASCII text.
inline std::string contentDocument(size_t minBytes = 1 << 20) {
  Sequence rnd(20240314);
  std::string out = "{\"status\":200,\"info\":\"ok\",\"data\":{\"list\":[";
  uint64_t id = 0;
  while (out.size() < minBytes) {
    if (id) out += ',';
    detail::appendRecord(out, rnd, id++);
  }
  out += "],\"page\":{\"page\":\"1\",\"total_page\":\"30\",\"total\":\"" + std::to_string(id) + "\"}}}";
  return out;
}

}  // namespace bench_data
