#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/runtime/Class.h"
#include "platform/runtime/Exception.h"
#include "tests/platform/runtime/RuntimeFixtures.h"

using namespace rttest;

TEST(Class, LookupAndHierarchy) {
  const rt::Class* widget = rt::Class::named("Widget");
  const rt::Class* gadget = rt::classFromString("Gadget");
  ASSERT_EQ(widget, Widget::classObject());
  ASSERT_EQ(gadget, Gadget::classObject());
  EXPECT_EQ(rt::Class::named("NoSuchClass"), nullptr);
  EXPECT_EQ(gadget->superclass(), widget);
  EXPECT_EQ(widget->superclass(), rt::Object::classObject());
  EXPECT_TRUE(rt::Object::classObject()->isRootClass());
  EXPECT_TRUE(rt::Object::classObject()->isPlatformClass());
  EXPECT_FALSE(widget->isPlatformClass());
  EXPECT_TRUE(gadget->isSubclassOfClass(widget));
  EXPECT_FALSE(widget->isSubclassOfClass(gadget));

  auto g = rt::make<Gadget>();
  EXPECT_TRUE(g->isKindOfClass(widget));
  EXPECT_TRUE(g->isMemberOfClass(gadget));
  EXPECT_FALSE(g->isMemberOfClass(widget));
  EXPECT_EQ(g->className(), "Gadget");
}

TEST(Class, Metaclasses) {
  const rt::Class* widget = Widget::classObject();
  const rt::Class* meta = widget->metaclass();
  ASSERT_NE(meta, nullptr);
  EXPECT_TRUE(meta->isMetaClass());
  EXPECT_FALSE(widget->isMetaClass());
  EXPECT_EQ(meta->name(), "Widget");
  EXPECT_EQ(widget->getClass(), meta);
  EXPECT_EQ(Gadget::classObject()->metaclass()->superclass(), meta);
  // The root metaclass's superclass is the root class; every metaclass's class is the root metaclass.
  const rt::Class* rootMeta = rt::Object::classObject()->metaclass();
  EXPECT_EQ(rootMeta->superclass(), rt::Object::classObject());
  EXPECT_EQ(meta->getClass(), rootMeta);
}

TEST(Class, PropertiesInDeclarationOrderWithAttributes) {
  const rt::Class* widget = Widget::classObject();
  std::vector<std::string> names;
  for (auto* p : widget->properties()) names.push_back(p->name.utf8());
  EXPECT_EQ(names, (std::vector<std::string>{"title", "count", "enabled", "payload", "child", "delegate",
                                             "action", "pair", "doubled", "manual"}));
  struct Case {
    const char* name;
    const char* encoding;
    const char* attributes;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"title", "@\"NSString\"", "T@\"NSString\",C,N,V_title"},
           {"count", "q", "Tq,N,V_count"},
           {"enabled", "B", "TB,N,GisEnabled,V_enabled"},
           {"payload", "@", "T@,&,N,V_payload"},
           {"child", "@\"Widget\"", "T@\"Widget\",&,N,V_child"},
           {"delegate", "@", "T@,W,N,V_delegate"},
           {"action", "@?", "T@?,C,N,V_action"},
           {"pair", "{Pair=dd}", "T{Pair=dd},N,V_pair"},
           {"doubled", "q", "Tq,R,N,V_doubled"},
       }) {
    const rt::Property* p = widget->propertyNamed(c.name);
    ASSERT_NE(p, nullptr) << c.name;
    EXPECT_EQ(p->typeEncoding, c.encoding) << c.name;
    EXPECT_EQ(p->attributes, c.attributes) << c.name;
  }
  // Subclasses find inherited properties through the same handle; own lists stay own.
  EXPECT_EQ(Gadget::classObject()->propertyNamed("count"), widget->propertyNamed("count"));
  EXPECT_EQ(Gadget::classObject()->properties().size(), 2u);
  EXPECT_EQ(widget->propertyNamed("weight"), nullptr);
  // Instance variables are recorded with stable, non-zero offsets.
  ASSERT_EQ(widget->ivars().size(), 10u);
  EXPECT_EQ(widget->ivars()[0].name, "_title");
  EXPECT_GT(widget->ivars()[0].offset, 0u);
  EXPECT_LT(widget->ivars()[0].offset, widget->ivars()[1].offset);
}

TEST(Class, MethodsEncodingsAndInvocation) {
  const rt::Class* widget = Widget::classObject();
  const rt::Method* bump = widget->instanceMethod(rt::sel("bump:"));
  ASSERT_NE(bump, nullptr);
  EXPECT_EQ(bump->typeEncoding, "v24@0:8q16");
  EXPECT_EQ(bump->returnType(), "v");
  EXPECT_EQ(bump->argumentCount(), 3u);
  EXPECT_EQ(bump->argumentType(2), "q");
  EXPECT_EQ(bump->argumentType(5), "");
  EXPECT_EQ(widget->instanceMethod(rt::sel("attach:"))->typeEncoding, "v24@0:8@16");
  EXPECT_EQ(widget->instanceMethod(rt::sel("setTitle:"))->typeEncoding, "v24@0:8@\"NSString\"16");
  EXPECT_EQ(widget->instanceMethod(rt::sel("isEnabled"))->typeEncoding, "B16@0:8");
  EXPECT_EQ(widget->instanceMethod(rt::sel("enabled")), nullptr);

  auto w = rt::make<Widget>();
  widget->invoke(w.get(), rt::sel("bump:"), {rt::Value::of<int64_t>(5)});
  EXPECT_EQ(w->count, 5);
  EXPECT_EQ(widget->invoke(w.get(), rt::sel("version")).intValue(), 7);
  w->performSelector(rt::sel("bump:"), {rt::Value::of<int64_t>(2)});
  EXPECT_EQ(w->count, 7);
  EXPECT_THROW(widget->invoke(w.get(), rt::sel("fly")), rt::Exception);

  EXPECT_TRUE(w->respondsToSelector("bump:"));
  EXPECT_TRUE(w->respondsToSelector("setCount:"));
  EXPECT_FALSE(w->respondsToSelector("setDoubled:"));
  EXPECT_FALSE(w->respondsToSelector("kind"));
  EXPECT_TRUE(widget->respondsToClassSelector(rt::sel("kind")));
  EXPECT_TRUE(widget->respondsToSelector("kind"));  // the class object answers class methods
  EXPECT_TRUE(Gadget::classObject()->instancesRespondToSelector(rt::sel("bump:")));
  EXPECT_EQ(widget->instanceMethod(rt::sel("kind")), nullptr) << "class methods live on the metaclass";
  EXPECT_EQ(widget->classMethod(rt::sel("kind"))->typeEncoding, "@\"NSString\"16@0:8");
}

TEST(Class, ExchangeAndAddMethods) {
  // Methods stay on the class for the life of the process: each run adds its own names, and
  // the counter outlives the run.
  static int run = 0;
  const std::string n = std::to_string(run++);
  const rt::Selector left = rt::sel(("left" + n).c_str()), right = rt::sel(("right" + n).c_str());
  auto* shape = Shape::classObject();
  auto calls = std::make_shared<int>(0);
  ASSERT_TRUE(shape->addMethod(left, [](rt::Object*, auto&) { return rt::Value::ofInt(1); }, "q16@0:8"));
  ASSERT_TRUE(shape->addMethod(right, [calls](rt::Object*, auto&) { ++*calls; return rt::Value::ofInt(2); }, "q16@0:8"));
  EXPECT_FALSE(shape->addMethod(left, nullptr, "v16@0:8"));
  rt::Class::exchangeImplementations(shape->instanceMethod(left), shape->instanceMethod(right));
  EXPECT_EQ(shape->invoke(nullptr, left).intValue(), 2);
  EXPECT_EQ(shape->invoke(nullptr, right).intValue(), 1);
  EXPECT_EQ(*calls, 1);
}

TEST(Class, CreationRules) {
  EXPECT_EQ(rt::make<Refuser>(false), nullptr);
  EXPECT_NE(rt::make<Refuser>(true), nullptr);
  // No default initialiser: instantiation from the class object yields no object.
  EXPECT_EQ(Refuser::classObject()->createInstance(), nullptr);
  auto made = Widget::classObject()->createInstance();
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->isMemberOfClass(Widget::classObject()));
  try {
    Shape::classObject()->createInstance();
    FAIL() << "abstract class instantiated";
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.name(), "Shape");
    EXPECT_EQ(e.reason(), "Attempting to instantiate an abstract class. Use a concrete subclass instead.");
  }
}

TEST(Class, ProtocolsAndSlots) {
  auto g = rt::make<Gadget>();
  EXPECT_TRUE(g->conformsToProtocol("WidgetProtocol"));
  EXPECT_FALSE(g->conformsToProtocol("NSCopying"));
  static const int key = 0;
  auto value = rt::make<rt::Object>();
  Widget::classObject()->setSlot(&key, value);
  EXPECT_EQ(Widget::classObject()->slot(&key), value);
  EXPECT_EQ(Gadget::classObject()->slot(&key), nullptr) << "slots are not inherited";
  Widget::classObject()->setSlot(&key, nullptr);
  EXPECT_EQ(Widget::classObject()->slot(&key), nullptr);
}

TEST(Class, DescriptionsAndCopyRefusal) {
  auto w = rt::make<Widget>();
  std::string d = w->description().utf8();
  EXPECT_EQ(d.rfind("<Widget: 0x", 0), 0u) << d;
  EXPECT_EQ(Widget::classObject()->description(), "Widget");
  EXPECT_THROW(w->copy(), rt::Exception);
}
