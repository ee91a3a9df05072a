#include "tests/net/model/ModelFixtures.h"

namespace drtest {

RT_IMPLEMENT(DRTAuthor) {
  c.property("name", &DRTAuthor::name);
  c.property("books", &DRTAuthor::books);
}

namespace {
Ref<fd::Dictionary> allGenerics() {
  return fd::Dictionary::withStrings({{"authors", DRTAuthor::classObject()->self()},
                                      {"authorSet", fd::box(String("DRTAuthor"))},
                                      {"byName", DRTAuthor::classObject()->self()},
                                      {"list", fd::box(String("NoSuchClass"))}});
}
}  // namespace

RT_IMPLEMENT(DRTAll) {
  c.property("flag", &DRTAll::flag);
  c.property("i8", &DRTAll::i8);
  c.property("i32", &DRTAll::i32);
  c.property("i64", &DRTAll::i64);
  c.property("u64", &DRTAll::u64);
  c.property("f", &DRTAll::f);
  c.property("d", &DRTAll::d);
  c.property("text", &DRTAll::text);
  c.property("mutableText", &DRTAll::mutableText);
  c.property("number", &DRTAll::number);
  c.property("decimal", &DRTAll::decimal);
  c.property("data", &DRTAll::data);
  c.property("date", &DRTAll::date);
  c.property("url", &DRTAll::url);
  c.property("list", &DRTAll::list);
  c.property("authors", &DRTAll::authors);
  c.property("authorSet", &DRTAll::authorSet);
  c.property("plainSet", &DRTAll::plainSet);
  c.property("byName", &DRTAll::byName);
  c.property("author", &DRTAll::author);
  c.property("anything", &DRTAll::anything);
  c.property("kind", &DRTAll::kind);
  c.property("action", &DRTAll::action);
  c.property("frame", &DRTAll::frame);
  c.classMethod(net::dr_hooks::containerPropertyGenericClass, &allGenerics);
}

namespace {
Ref<fd::Dictionary> mappedKeys() {
  return fd::Dictionary::withStrings({{"identifier", fd::box(String("id"))},
                                      {"city", fd::box(String("address.city"))},
                                      {"title", fd::box(String("name"))},
                                      {"alias", fd::box(String("name"))},
                                      {"nobody", fd::box(String("ignored"))}});
}
Ref<fd::Array> mappedBlacklist() { return fd::Array::create({fd::box(String("hidden"))}); }
Ref<fd::Array> emptyList() { return fd::Array::create(); }
}  // namespace

RT_IMPLEMENT(DRTMapped) {
  c.property("identifier", &DRTMapped::identifier);
  c.property("city", &DRTMapped::city);
  c.property("title", &DRTMapped::title);
  c.property("alias", &DRTMapped::alias);
  c.property("hidden", &DRTMapped::hidden);
  c.property("transformed", &DRTMapped::transformed);
  c.property("rejectOutput", &DRTMapped::rejectOutput);
  c.classMethod(net::dr_hooks::customPropertyMapper, &mappedKeys);
  c.classMethod(net::dr_hooks::propertyBlacklist, &mappedBlacklist);
  c.methodImp(net::dr_hooks::customTransformFromDictionary,
              [](rt::Object* self, const std::vector<rt::Value>&) {
                static_cast<DRTMapped*>(self)->transformed = true;
                return rt::Value::ofBool(true);
              },
              rt::methodTypeEncoding("B", {"@"}));
  c.methodImp(net::dr_hooks::customTransformToDictionary,
              [](rt::Object* self, const std::vector<rt::Value>&) {
                return rt::Value::ofBool(!static_cast<DRTMapped*>(self)->rejectOutput);
              },
              rt::methodTypeEncoding("B", {"@"}));
}

RT_IMPLEMENT(DRTSub) {
  c.property("extra", &DRTSub::extra);
  c.property("title", &DRTSub::ownTitle).attributes("C,N");
}

RT_IMPLEMENT(DRTEmpty) {}
RT_IMPLEMENT(DRTLateMethods) {}

RT_IMPLEMENT(DRTWhitelisted) {
  c.property("a", &DRTWhitelisted::a);
  c.property("b", &DRTWhitelisted::b);
  c.classMethod(net::dr_hooks::propertyWhitelist, &emptyList);
}

RT_IMPLEMENT(DRTArchived) {
  c.property("title", &DRTArchived::title);
  c.property("count", &DRTArchived::count);
  c.property("ratio", &DRTArchived::ratio);
  c.property("items", &DRTArchived::items);
  c.property("point", &DRTArchived::point);
  c.property("frame", &DRTArchived::frame);
  c.protocol("NSCoding");
}

}  // namespace drtest
