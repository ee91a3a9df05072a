#pragma once
// Small registered classes shared by the runtime tests.
#include "platform/runtime/Class.h"

namespace rttest {

struct Pair {
  double a, b;
};

class Widget : public rt::Object {
  RT_CLASS(Widget, rt::Object)
 public:
  rt::String title;
  int64_t count = 0;
  bool enabled = false;
  rt::Id payload;
  rt::Ref<Widget> child;
  rt::Weak<rt::Object> delegate;
  std::function<void()> action;
  Pair pair{};
  int64_t doubled() const { return count * 2; }
  int64_t version() const { return 7; }
  void bump(int64_t by) { count += by; }
  void attach(rt::Id o) { payload = std::move(o); }
  static rt::String kind() { return "widget"; }
  // A key observed only through explicit will/did calls.
  rt::Id manual;
};

class Gadget : public Widget {
  RT_CLASS(Gadget, Widget)
 public:
  double weight = 0;
  // Depends on count: observers of "summary" hear about count changes.
  rt::Id summary;
};

class Refuser : public rt::Object {
  RT_CLASS(Refuser, rt::Object)
 public:
  bool init(bool ok) { return ok; }
};

class Shape : public rt::Object {
  RT_CLASS(Shape, rt::Object)
};

}  // namespace rttest

template <> struct rt::StructEncoding<rttest::Pair> {
  static constexpr const char* value = "{Pair=dd}";
};
