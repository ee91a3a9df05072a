#include "tests/net/mapping/MappingModels.h"

namespace kmtest {

using net::km_hooks::objectClassInArray;
using net::km_hooks::replacedKeyFromPropertyName;

RT_IMPLEMENT(TMUser) {
  c.property("name", &TMUser::name);
  c.property("age", &TMUser::age);
  c.property("rank", &TMUser::rank);
  c.property("vip", &TMUser::vip);
  c.property("flag", &TMUser::flag);
  c.property("score", &TMUser::score);
  c.property("balance", &TMUser::balance);
  c.property("homepage", &TMUser::homepage);
  c.property("tags", &TMUser::tags);
  c.property("plainTags", &TMUser::plainTags);
  c.property("info", &TMUser::info);
  c.property("note", &TMUser::note);
  c.property("joined", &TMUser::joined);
  c.property("anything", &TMUser::anything);
  c.property("action", &TMUser::action);
  c.property("description", &TMUser::description_);
}

RT_IMPLEMENT(TMChapter) {
  c.property("title", &TMChapter::title);
  c.property("pages", &TMChapter::pages);
}

RT_IMPLEMENT(TMBook) {
  c.property("identifier", &TMBook::identifier);
  c.property("title", &TMBook::title);
  c.property("subtitle", &TMBook::subtitle);
  c.property("cover", &TMBook::cover);
  c.property("author", &TMBook::author);
  c.property("chapters", &TMBook::chapters);
  c.property("links", &TMBook::links);
  replacedKeyFromPropertyName(c, {{"identifier", {"id"}},
                                  {"subtitle", {"sub_title", "meta.subtitle"}},
                                  {"cover", {"images[0].url"}}});
  objectClassInArray(c, {{"chapters", TMChapter::classObject()}, {"links", fd::URL::classObject()}});
}

RT_IMPLEMENT(TMEBook) { c.property("format", &TMEBook::format); }

rt::Id TMHooked::replace(const rt::Id& oldValue, const Ref<net::KMProperty>& property) {
  if (property->name() == "computed") return fd::box(String("made by the hook"));
  return oldValue;
}

RT_IMPLEMENT(TMHooked) {
  c.property("kept", &TMHooked::kept);
  c.property("dropped", &TMHooked::dropped);
  c.property("secret", &TMHooked::secret);
  c.property("computed", &TMHooked::computed);
  c.property("finished", &TMHooked::finished);
  c.property("exported", &TMHooked::exported);
  net::km_hooks::allowedPropertyNames(c, {"kept", "secret", "computed"});
  net::km_hooks::ignoredPropertyNames(c, {"secret"});
  net::km_hooks::newValueFromOldValue(c, &TMHooked::replace);
  net::km_hooks::keyValuesDidFinishConvertingToObject(c, &TMHooked::didConvert);
  net::km_hooks::objectDidFinishConvertingToKeyValues(c, &TMHooked::didExport);
}

namespace {
Ref<fd::Dictionary> legacyKeys() { return fd::Dictionary::withStrings({{"identifier", fd::box(String("uid"))}}); }
// An element class may be named rather than given.
Ref<fd::Dictionary> legacyClasses() { return fd::Dictionary::withStrings({{"items", fd::box(String("TMChapter"))}}); }
}  // namespace

RT_IMPLEMENT(TMLegacy) {
  c.property("identifier", &TMLegacy::identifier);
  c.property("items", &TMLegacy::items);
  c.classMethod(net::km_selectors::legacyReplacedKeyFromPropertyName, &legacyKeys);
  c.classMethod(net::km_selectors::legacyObjectClassInArray, &legacyClasses);
}

RT_IMPLEMENT(TMSetupBase) {
  c.property("alpha", &TMSetupBase::alpha);
  c.property("beta", &TMSetupBase::beta);
  c.property("rows", &TMSetupBase::rows);
}
RT_IMPLEMENT(TMSetupChild) { c.property("gamma", &TMSetupChild::gamma); }

RT_IMPLEMENT(TMPlaced) {
  c.property("first", &TMPlaced::first);
  c.property("second", &TMPlaced::second);
  c.property("third", &TMPlaced::third);
  c.property("fourth", &TMPlaced::fourth);
  replacedKeyFromPropertyName(c, {{"first", {"a.b"}}, {"second", {"a.c"}}, {"third", {"list[2]"}},
                                  {"fourth", {"rows[1].name"}}});
}

RT_IMPLEMENT(TMRaising) {
  c.property("title", &TMRaising::title);
  net::km_hooks::replacedKeyFromPropertyName121(c, [](const String& name) -> rt::Id {
    rt::raise(rt::InternalInconsistencyException, "no key for " + name);
  });
}

RT_IMPLEMENT(TMRecord) { c.property("title", &TMRecord::title); }

RT_IMPLEMENT(TMArchived) {
  c.property("title", &TMArchived::title);
  c.property("count", &TMArchived::count);
  c.property("flag", &TMArchived::flag);
  c.property("ratio", &TMArchived::ratio);
  c.property("items", &TMArchived::items);
  c.property("skipped", &TMArchived::skipped);
  c.protocol("NSCoding");
  net::km_hooks::ignoredCodingPropertyNames(c, {"skipped"});
}

}  // namespace kmtest
