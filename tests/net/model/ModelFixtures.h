#pragma once
// Model classes the model-mapping tests fill and write: every property kind, hooks, key paths,
// a subclass that redeclares, containers of models and an archivable record.
#include "net/model/NSObject+DRModel.h"
#include "platform/foundation/Foundation.h"
#include "platform/graphics/Geometry.h"

namespace drtest {

using fd::String;

class DRTAuthor : public rt::Object {
  RT_CLASS(DRTAuthor, rt::Object)
 public:
  String name;
  int64_t books = 0;
  size_t hash() const override { return net::modelHash(*this); }
  bool isEqual(const rt::Object* other) const override {
    return other && net::modelIsEqual(*this, std::const_pointer_cast<rt::Object>(other->self()));
  }
};

class DRTAll : public rt::Object {
  RT_CLASS(DRTAll, rt::Object)
 public:
  bool flag = false;
  int8_t i8 = 0;
  int32_t i32 = 0;
  int64_t i64 = 0;
  uint64_t u64 = 0;
  float f = 0;
  double d = 0;
  String text;
  Ref<fd::MutableStringObject> mutableText;
  Ref<fd::Number> number;
  Ref<fd::DecimalNumber> decimal;
  Ref<fd::Data> data;
  Ref<fd::Date> date;
  Ref<fd::URL> url;
  Ref<fd::Array> list;
  Ref<fd::MutableArray> authors;   // generic: DRTAuthor
  Ref<fd::Set> authorSet;          // generic: DRTAuthor
  Ref<fd::Set> plainSet;
  Ref<fd::Dictionary> byName;      // generic: DRTAuthor
  Ref<DRTAuthor> author;
  rt::Id anything;
  const rt::Class* kind = nullptr;
  rt::Selector action;
  gfx::Rect frame;
};

/// Renamed keys, a key path, two properties on one key, a black list and a transform.
class DRTMapped : public rt::Object {
  RT_CLASS(DRTMapped, rt::Object)
 public:
  String identifier;
  String city;     // "address.city"
  String title;    // "name"
  String alias;    // "name" too
  String hidden;   // black-listed
  bool transformed = false;
  bool rejectOutput = false;
};

class DRTSub : public DRTMapped {
  RT_CLASS(DRTSub, DRTMapped)
 public:
  String extra;
  String ownTitle;  // registered as "title" again
};

class DRTEmpty : public rt::Object {
  RT_CLASS(DRTEmpty, rt::Object)
};

/// Gains methods while the program runs (class information refreshed after a change).
class DRTLateMethods : public rt::Object {
  RT_CLASS(DRTLateMethods, rt::Object)
};

/// Only properties named by an empty white list: none take part.
class DRTWhitelisted : public rt::Object {
  RT_CLASS(DRTWhitelisted, rt::Object)
 public:
  String a;
  String b;
};

class DRTArchived : public rt::Object, public fd::Coding {
  RT_CLASS(DRTArchived, rt::Object)
 public:
  String title;
  int32_t count = 0;
  double ratio = 0;
  Ref<fd::Array> items;
  Ref<fd::ValueBox> point;  // value objects other than numbers are never archived
  gfx::Rect frame;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override { net::modelEncodeWithCoder(*this, &coder); }
  bool initWithCoder(fd::KeyedUnarchiver& coder) override {
    net::modelInitWithCoder(*this, &coder);
    return true;
  }
};

}  // namespace drtest
