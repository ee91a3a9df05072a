// Mapping a content-service answer (an envelope around 50 article records with their picture
// attachments) from JSON bytes to model objects with each of the two mappings, against parsing
// the same bytes into dynamic values alone. The closing lines give the ratios.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "net/mapping/KMMapping.h"
#include "net/model/NSObject+DRModel.h"
#include "platform/foundation/Foundation.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "bench/RatioReporter.h"

namespace mapbench {

using fd::String;

class PageInfo : public rt::Object {
  RT_CLASS_NAMED(PageInfo, rt::Object, "MBPageInfo")
 public:
  String total_page, page, total;
};

class Picture : public rt::Object {
  RT_CLASS_NAMED(Picture, rt::Object, "MBPicture")
 public:
  String absUrl, srcFile, id, alt, file, fileExt, flag, flagString, desc, docId;
};

class Article : public rt::Object {
  RT_CLASS_NAMED(Article, rt::Object, "MBArticle")
 public:
  String docAbstract;
  Ref<fd::Array> picAttach;
  String docRelTime, docTitle, docPubUrl, docType, docId, docAuthor, subTitle;
  Ref<Picture> picMode;
  Ref<PageInfo> page;
};

class ListPage : public rt::Object {
  RT_CLASS_NAMED(ListPage, rt::Object, "MBListPage")
 public:
  Ref<fd::Array> list;
  String page, total_page, total;
};

class Envelope : public rt::Object {
  RT_CLASS_NAMED(Envelope, rt::Object, "MBEnvelope")
 public:
  int64_t status = 0;
  String info;
  Ref<ListPage> data;
};

RT_IMPLEMENT(PageInfo) {
  c.property("total_page", &PageInfo::total_page);
  c.property("page", &PageInfo::page);
  c.property("total", &PageInfo::total);
}

RT_IMPLEMENT(Picture) {
  c.property("absUrl", &Picture::absUrl);
  c.property("srcFile", &Picture::srcFile);
  c.property("id", &Picture::id);
  c.property("alt", &Picture::alt);
  c.property("file", &Picture::file);
  c.property("fileExt", &Picture::fileExt);
  c.property("flag", &Picture::flag);
  c.property("flagString", &Picture::flagString);
  c.property("desc", &Picture::desc);
  c.property("docId", &Picture::docId);
}

RT_IMPLEMENT(Article) {
  c.property("docAbstract", &Article::docAbstract);
  c.property("picAttach", &Article::picAttach);
  c.property("docRelTime", &Article::docRelTime);
  c.property("docTitle", &Article::docTitle);
  c.property("docPubUrl", &Article::docPubUrl);
  c.property("docType", &Article::docType);
  c.property("docId", &Article::docId);
  c.property("docAuthor", &Article::docAuthor);
  c.property("subTitle", &Article::subTitle);
  c.property("picMode", &Article::picMode);
  c.property("page", &Article::page);
}

namespace {
Ref<fd::Dictionary> listGenerics() { return fd::Dictionary::withStrings({{"list", Article::classObject()->self()}}); }
}  // namespace

RT_IMPLEMENT(ListPage) {
  c.property("list", &ListPage::list);
  c.property("page", &ListPage::page);
  c.property("total_page", &ListPage::total_page);
  c.property("total", &ListPage::total);
  net::km_hooks::objectClassInArray(c, {{"list", Article::classObject()}});
  c.classMethod(net::dr_hooks::containerPropertyGenericClass, &listGenerics);
}

RT_IMPLEMENT(Envelope) {
  c.property("status", &Envelope::status);
  c.property("info", &Envelope::info);
  c.property("data", &Envelope::data);
}

}  // namespace mapbench

namespace {

using mapbench::Article;

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::string picture(int article, int index) {
  std::string id = std::to_string(article * 10 + index);
  std::string name = "img_" + id + ".jpg";
  return "{\"absUrl\":" + quoted("http://img.kestrel-district.example/upload/2026/12/" + name) +
         ",\"srcFile\":" + quoted(name) + ",\"id\":" + quoted(id) + ",\"alt\":" + quoted("配图 " + id) +
         ",\"file\":" + quoted("W0" + id + ".jpg") + ",\"fileExt\":\".jpg\",\"flag\":\"0\",\"flagString\":\"普通\"" +
         ",\"desc\":" + quoted("图片说明 " + id) + ",\"docId\":" + quoted(std::to_string(40000 + article)) + "}";
}

std::string article(int i) {
  std::string pics;
  for (int p = 0; p < 1 + i % 3; ++p) {
    if (p) pics += ',';
    pics += picture(i, p);
  }
  return "{\"docAbstract\":" + quoted("区里今日发布第" + std::to_string(i) + "期社区通知，涉及道路养护、文化活动与便民服务等事项，请居民留意。") +
         ",\"picAttach\":[" + pics + "]" + ",\"docRelTime\":\"2026-12-09 08:" + std::to_string(10 + i % 50) + ":00\"" +
         ",\"docTitle\":" + quoted("社区新闻标题第" + std::to_string(i) + "条") +
         ",\"docPubUrl\":" + quoted("http://www.kestrel-district.example/news/2026/" + std::to_string(40000 + i) + ".html") +
         ",\"docType\":\"" + (i % 7 == 0 ? "30" : "20") + "\"" + ",\"docId\":" + quoted(std::to_string(40000 + i)) +
         ",\"docAuthor\":\"区融媒体中心\"" + ",\"subTitle\":" + quoted("副标题 " + std::to_string(i)) + "}";
}

const Ref<fd::Data>& answer() {
  static const Ref<fd::Data> bytes = [] {
    std::string list;
    for (int i = 0; i < 50; ++i) {
      if (i) list += ',';
      list += article(i);
    }
    std::string text = "{\"status\":200,\"info\":\"成功\",\"data\":{\"list\":[" + list +
                       "],\"page\":\"1\",\"total_page\":\"12\",\"total\":\"583\"}}";
    return fd::Data::create(std::string_view(text));
  }();
  return bytes;
}

void BM_ParseToDynamicValues(benchmark::State& state) {
  for (auto _ : state) {
    rt::Id v = fd::JSONSerialization::JSONObjectWithData(answer(), 0, nullptr);
    benchmark::DoNotOptimize(v);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * answer()->length()));
}

// What the content client does with a list answer: the envelope and its records in one
// mapping from the bytes, then each record's first attachment as a picture record.
void BM_MapToModelObjects(benchmark::State& state) {
  size_t articles = 0;
  for (auto _ : state) {
    auto envelope = net::km_objectWithKeyValues<mapbench::Envelope>(answer());
    for (const rt::Id& item : *envelope->data->list) {
      auto& a = static_cast<Article&>(*item);
      if (a.picAttach && a.picAttach->count() > 0)
        a.picMode = net::km_objectWithKeyValues<mapbench::Picture>(a.picAttach->objectAtIndex(0));
    }
    articles = envelope->data->list->count();
    benchmark::DoNotOptimize(envelope);
  }
  state.counters["articles"] = static_cast<double>(articles);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * answer()->length()));
}

// The same work through the reflection-driven model mapping.
void BM_ModelMapToModelObjects(benchmark::State& state) {
  size_t articles = 0;
  for (auto _ : state) {
    auto envelope = net::modelWithJSON<mapbench::Envelope>(answer());
    for (const rt::Id& item : *envelope->data->list) {
      auto& a = static_cast<Article&>(*item);
      if (a.picAttach && a.picAttach->count() > 0)
        a.picMode = net::modelWithJSON<mapbench::Picture>(a.picAttach->objectAtIndex(0));
    }
    articles = envelope->data->list->count();
    benchmark::DoNotOptimize(envelope);
  }
  state.counters["articles"] = static_cast<double>(articles);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * answer()->length()));
}

BENCHMARK(BM_ParseToDynamicValues)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MapToModelObjects)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ModelMapToModelObjects)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double parse = reporter.realSecondsFor("BM_ParseToDynamicValues");
  double map = reporter.realSecondsFor("BM_MapToModelObjects");
  double model = reporter.realSecondsFor("BM_ModelMapToModelObjects");
  if (parse > 0 && map > 0)
    std::printf("mapping %.1f us, parse %.1f us, mapping / parse = %.2f (%zu bytes)\n", map * 1e6, parse * 1e6,
                map / parse, answer()->length());
  if (parse > 0 && model > 0 && map > 0)
    std::printf("model mapping %.1f us, model mapping / parse = %.2f, model mapping / mapping = %.2f\n",
                model * 1e6, model / parse, model / map);
  benchmark::Shutdown();
  return 0;
}
