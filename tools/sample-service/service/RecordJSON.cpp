#include "tools/sample-service/service/RecordJSON.h"

#include "platform/foundation/values/Array.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"

namespace sample {
namespace {

using Dict = Ref<fd::MutableDictionary>;

void put(const Dict& d, const char* key, const std::string& value) { d->setObjectForKey(stringValue(value), key); }

}  // namespace

rt::Id stringValue(const std::string& text) { return fd::StringObject::create(fd::String(text)); }

rt::Id numberValue(int64_t value) { return fd::Number::numberWithLongLong(value); }

Dict channelJSON(const Channel& c) {
  auto d = fd::MutableDictionary::create();
  put(d, "id", c.id);
  put(d, "parent_id", c.parent_id);
  d->setObjectForKey(fd::Number::numberWithBool(c.has_child), "_has_child");
  put(d, "url", c.url);
  put(d, "order_id", c.order_id);
  put(d, "_grade", c.grade);
  put(d, "title", c.title);
  put(d, "_prefix", c.prefix);
  put(d, "trs_channel_id", c.trs_channel_id);
  put(d, "image_id", c.image_id);
  put(d, "image", c.image);
  put(d, "create_time", c.create_time);
  put(d, "des", c.des);
  return d;
}

Dict articleItemJSON(const Article& a) {
  auto d = fd::MutableDictionary::create();
  put(d, "docId", a.docId);
  put(d, "docTitle", a.docTitle);
  put(d, "subTitle", a.subTitle);
  put(d, "docAbstract", a.docAbstract);
  put(d, "docRelTime", a.docRelTime);
  put(d, "docPubUrl", a.docPubUrl);
  put(d, "docType", a.docType);
  put(d, "docAuthor", a.docAuthor);
  auto pictures = fd::MutableArray::create();
  for (const auto& p : a.picAttach) {
    auto pd = fd::MutableDictionary::create();
    put(pd, "absUrl", p.absUrl);
    put(pd, "srcFile", p.srcFile);
    put(pd, "id", p.id);
    put(pd, "alt", p.alt);
    put(pd, "file", p.file);
    put(pd, "fileExt", p.fileExt);
    put(pd, "flag", p.flag);
    put(pd, "flagString", p.flagString);
    put(pd, "desc", p.desc);
    put(pd, "docId", p.docId);
    pictures->addObject(pd);
  }
  d->setObjectForKey(pictures, "picAttach");
  return d;
}

Dict articleDetailJSON(const Article& a) {
  auto d = fd::MutableDictionary::create();
  put(d, "docId", a.docId);
  put(d, "chnlId", a.chnlId);
  put(d, "chnlName", a.chnlName);
  put(d, "docTitle", a.docTitle);
  put(d, "subTitle", a.subTitle);
  put(d, "docAbstract", a.docAbstract);
  put(d, "docType", a.docType);
  put(d, "docKeyWords", a.docKeyWords);
  put(d, "docHtmlCon", a.docHtmlCon);
  put(d, "docRelTime", a.docRelTime);
  put(d, "docAuthor", a.docAuthor);
  put(d, "docPubUrl", a.docPubUrl);
  return d;
}

Dict bannerJSON(const Banner& b) {
  auto d = fd::MutableDictionary::create();
  put(d, "id", b.id);
  put(d, "parent_id", b.parent_id);
  put(d, "order_id", b.order_id);
  put(d, "image_id", b.image_id);
  put(d, "title", b.title);
  put(d, "image", b.image);
  put(d, "url", b.url);
  put(d, "start_time", b.start_time);
  put(d, "end_time", b.end_time);
  put(d, "create_time", b.create_time);
  return d;
}

Dict loadingJSON(const LoadingPage& page) {
  auto d = fd::MutableDictionary::create();
  put(d, "image", page.image);
  return d;
}

Dict videoJSON(const Video& v) {
  auto d = fd::MutableDictionary::create();
  put(d, "id", v.id);
  put(d, "player", v.player);
  put(d, "fileName", v.fileName);
  put(d, "title", v.title);
  put(d, "image", v.image);
  put(d, "href", v.href);
  put(d, "date", v.date);
  if (!v.httpStreamUrl.empty()) put(d, "httpStreamUrl", v.httpStreamUrl);
  return d;
}

Dict envelope(int status, const std::string& info, const rt::Id& data) {
  auto d = fd::MutableDictionary::create();
  d->setObjectForKey(numberValue(status), "status");
  put(d, "info", info);
  if (data) d->setObjectForKey(data, "data");
  return d;
}

std::string jsonText(const rt::Id& value) {
  Ref<fd::Error> error;
  auto data = fd::JSONSerialization::dataWithJSONObject(value, fd::JSONWritingWithoutEscapingSlashes, &error);
  // Only records built above reach this point; they are always valid JSON.
  return data ? std::string(data->view()) : std::string("{}");
}

}  // namespace sample
