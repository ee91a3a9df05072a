#pragma once
// Model classes the mapping tests convert: plain records, nested records, arrays of records,
// renamed keys and key paths, hooks, a subclass, and an archivable record.
#include "net/mapping/KMMapping.h"
#include "platform/foundation/Foundation.h"

namespace kmtest {

using fd::String;

/// Every kind of property the mapping classifies.
class TMUser : public rt::Object {
  RT_CLASS(TMUser, rt::Object)
 public:
  String name;
  int64_t age = 0;
  int32_t rank = 0;
  bool vip = false;
  char flag = 0;
  double score = 0;
  Ref<fd::Number> balance;
  Ref<fd::URL> homepage;
  Ref<fd::MutableArray> tags;
  Ref<fd::Array> plainTags;
  Ref<fd::Dictionary> info;
  Ref<fd::MutableStringObject> note;
  Ref<fd::Date> joined;
  rt::Id anything;
  rt::Selector action;
  String description_;  // registered under a name the mapping never touches
};

class TMChapter : public rt::Object {
  RT_CLASS(TMChapter, rt::Object)
 public:
  String title;
  int64_t pages = 0;
};

/// Renamed keys, key paths, element classes and a nested record, through the hook helpers.
class TMBook : public rt::Object {
  RT_CLASS(TMBook, rt::Object)
 public:
  String identifier;
  String title;
  String subtitle;
  String cover;
  Ref<TMUser> author;
  Ref<fd::Array> chapters;
  Ref<fd::MutableArray> links;
};

/// Lists its own properties before its superclass's and inherits its configuration.
class TMEBook : public TMBook {
  RT_CLASS(TMEBook, TMBook)
 public:
  String format;
};

/// Hooks on both sides: allowed and ignored names, a value replacement and a completion.
class TMHooked : public rt::Object {
  RT_CLASS(TMHooked, rt::Object)
 public:
  String kept;
  String dropped;
  String secret;
  String computed;
  int64_t finished = 0;
  int64_t exported = 0;
  rt::Id replace(const rt::Id& oldValue, const Ref<net::KMProperty>& property);
  void didConvert() { ++finished; }
  void didExport() { ++exported; }
};

/// Configured only through the older hook names.
class TMLegacy : public rt::Object {
  RT_CLASS(TMLegacy, rt::Object)
 public:
  String identifier;
  Ref<fd::Array> items;
};

/// Blank classes that tests configure with set-up blocks (each test its own class, since
/// settings are process-wide).
class TMSetupBase : public rt::Object {
  RT_CLASS(TMSetupBase, rt::Object)
 public:
  String alpha;
  String beta;
  Ref<fd::Array> rows;
};
class TMSetupChild : public TMSetupBase {
  RT_CLASS(TMSetupChild, TMSetupBase)
 public:
  String gamma;
};
class TMPlaced : public rt::Object {
  RT_CLASS(TMPlaced, rt::Object)
 public:
  String first;
  String second;
  String third;
  String fourth;
};

/// Its key hook raises: the mapping records the reason instead of raising.
class TMRaising : public rt::Object {
  RT_CLASS(TMRaising, rt::Object)
 public:
  String title;
};

/// A record of the persistent-store kind: a model class, not a platform one.
class TMRecord : public fd::ManagedObject {
  RT_CLASS(TMRecord, fd::ManagedObject)
 public:
  String title;
};

/// Archives itself through the mapping.
class TMArchived : public rt::Object, public fd::Coding {
  RT_CLASS(TMArchived, rt::Object)
 public:
  String title;
  int64_t count = 0;
  bool flag = false;
  double ratio = 0;
  Ref<fd::Array> items;
  String skipped;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override { net::km_encode(*this, coder); }
  bool initWithCoder(fd::KeyedUnarchiver& coder) override {
    net::km_decode(*this, coder);
    return true;
  }
};

}  // namespace kmtest
