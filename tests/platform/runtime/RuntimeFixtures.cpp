#include "tests/platform/runtime/RuntimeFixtures.h"

namespace rttest {

RT_IMPLEMENT(Widget) {
  c.property("title", &Widget::title);
  c.property("count", &Widget::count);
  c.property("enabled", &Widget::enabled).getterName("isEnabled");
  c.property("payload", &Widget::payload);
  c.property("child", &Widget::child);
  c.property("delegate", &Widget::delegate);
  c.property("action", &Widget::action);
  c.property("pair", &Widget::pair);
  c.property("doubled", &Widget::doubled);
  c.property("manual", &Widget::manual);
  c.method("version", &Widget::version);
  c.method("bump:", &Widget::bump);
  c.method("attach:", &Widget::attach);
  c.classMethod("kind", &Widget::kind);
  c.protocol("WidgetProtocol");
  c.manualNotification("manual");
}

RT_IMPLEMENT(Gadget) {
  c.property("weight", &Gadget::weight);
  c.property("summary", &Gadget::summary);
  c.dependentKeys("summary", {"count"});
}

RT_IMPLEMENT(Refuser) {}

RT_IMPLEMENT(Shape) { c.abstract(); }

}  // namespace rttest
