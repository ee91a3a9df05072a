#include "anim/PXAnimatableProperty.h"

#include <mutex>
#include <unordered_map>

#include "anim/PXColor.h"
#include "anim/PXMatrix4x4.h"
#include "platform/foundation/values/Number.h"
#include "platform/ui/controllers/NavigationBar.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layer/ShapeLayer.h"
#include "platform/ui/lists/ScrollView.h"
#include "platform/ui/view/View.h"

namespace anim {

RT_IMPLEMENT(PXAnimatableProperty) {}
RT_IMPLEMENT(PXConcreteAnimatableProperty) {}
RT_IMPLEMENT(PXMutableAnimatableProperty) {}

void PXConcreteAnimatableProperty::init(String name, ReadBlock read, WriteBlock write, double threshold) {
  name_ = std::move(name);
  read_ = std::move(read);
  write_ = std::move(write);
  threshold_ = threshold;
}

namespace {

/// One row of the built-in table, pointed at by the static property objects.
class PXStaticAnimatableProperty : public PXAnimatableProperty {
  RT_CLASS(PXStaticAnimatableProperty, PXAnimatableProperty)
 public:
  String name() const override { return name_; }
  ReadBlock readBlock() const override { return read_; }
  WriteBlock writeBlock() const override { return write_; }
  double threshold() const override { return threshold_; }
  String name_;
  ReadBlock read_;
  WriteBlock write_;
  double threshold_ = 0;
};

}  // namespace

RT_IMPLEMENT(PXStaticAnimatableProperty) {}

namespace {

using ui::Layer;
template <class T> T* as(const rt::Id& o) { return dynamic_cast<T*>(o.get()); }

struct Entry {
  const char* name;
  PXAnimatableProperty::ReadBlock read;
  PXAnimatableProperty::WriteBlock write;
  double threshold;
};

// Typed helpers: the object is cast to the table's class; another kind of object reads zeros
// and takes no writes, as a message to nil would.
template <class T, class R> PXAnimatableProperty::ReadBlock reader(R r) {
  return [r](const rt::Id& o, double v[]) {
    if (T* t = as<T>(o)) r(*t, v);
  };
}
template <class T, class W> PXAnimatableProperty::WriteBlock writer(W w) {
  return [w](const rt::Id& o, const double v[]) {
    if (T* t = as<T>(o)) w(*t, v);
  };
}
template <class T, class G, class S> Entry colorEntry(const char* name, G get, S set) {
  return {name, reader<T>([get](T& t, double v[]) { PXRGBAFromCGColor(get(t), v); }),
          writer<T>([set](T& t, const double v[]) { set(t, PXCGColorFromRGBA(v)); }), 0.01};
}
template <class T, class G, class S> Entry scalarEntry(const char* name, G get, S set, double threshold) {
  return {name, reader<T>([get](T& t, double v[]) { v[0] = get(t); }),
          writer<T>([set](T& t, const double v[]) { set(t, v[0]); }), threshold};
}
Entry transformEntry(const char* name, bool sublayer, TransformComponent c, double threshold) {
  return {name, reader<Layer>([=](Layer& l, double v[]) { readTransformComponent(&l, sublayer, c, v); }),
          writer<Layer>([=](Layer& l, const double v[]) { writeTransformComponent(&l, sublayer, c, v); }), threshold};
}
Entry viewLayerEntry(const char* name, TransformComponent c) {
  return {name, reader<ui::View>([=](ui::View& view, double v[]) { readTransformComponent(view.layer().get(), false, c, v); }),
          writer<ui::View>([=](ui::View& view, const double v[]) { writeTransformComponent(view.layer().get(), false, c, v); }),
          0.005};
}

const std::vector<Entry>& table() {
  using TC = TransformComponent;
  using ui::ScrollView;
  using ui::ShapeLayer;
  using ui::View;
  static const auto* entries = new std::vector<Entry>{
      colorEntry<Layer>("backgroundColor", [](Layer& l) { return l.backgroundColor(); },
                        [](Layer& l, Ref<gfx::Color> c) { l.setBackgroundColor(c); }),
      {"bounds", reader<Layer>([](Layer& l, double v[]) {
         gfx::Rect b = l.bounds();
         v[0] = b.origin.x; v[1] = b.origin.y; v[2] = b.size.width; v[3] = b.size.height;
       }),
       writer<Layer>([](Layer& l, const double v[]) { l.setBounds({{v[0], v[1]}, {v[2], v[3]}}); }), 1.0},
      scalarEntry<Layer>("cornerRadius", [](Layer& l) { return l.cornerRadius(); },
                         [](Layer& l, double x) { l.setCornerRadius(x); }, 0.01),
      scalarEntry<Layer>("borderWidth", [](Layer& l) { return l.borderWidth(); },
                         [](Layer& l, double x) { l.setBorderWidth(x); }, 0.01),
      colorEntry<Layer>("borderColor", [](Layer& l) { return l.borderColor(); },
                        [](Layer& l, Ref<gfx::Color> c) { l.setBorderColor(c); }),
      {"position", reader<Layer>([](Layer& l, double v[]) { v[0] = l.position().x; v[1] = l.position().y; }),
       writer<Layer>([](Layer& l, const double v[]) { l.setPosition({v[0], v[1]}); }), 1.0},
      scalarEntry<Layer>("positionX", [](Layer& l) { return l.position().x; },
                         [](Layer& l, double x) { l.setPosition({x, l.position().y}); }, 1.0),
      scalarEntry<Layer>("positionY", [](Layer& l) { return l.position().y; },
                         [](Layer& l, double y) { l.setPosition({l.position().x, y}); }, 1.0),
      scalarEntry<Layer>("opacity", [](Layer& l) { return static_cast<double>(static_cast<float>(l.opacity())); },
                         [](Layer& l, double x) { l.setOpacity(static_cast<float>(x)); }, 0.01),
      transformEntry("scaleX", false, TC::ScaleX, 0.005),
      transformEntry("scaleY", false, TC::ScaleY, 0.005),
      transformEntry("scaleXY", false, TC::ScaleXY, 0.005),
      transformEntry("subscaleXY", true, TC::ScaleXY, 0.005),
      transformEntry("translationX", false, TC::TranslationX, 1.0),
      transformEntry("translationY", false, TC::TranslationY, 1.0),
      transformEntry("translationZ", false, TC::TranslationZ, 1.0),
      transformEntry("translationXY", false, TC::TranslationXY, 1.0),
      transformEntry("subtranslationX", true, TC::TranslationX, 1.0),
      transformEntry("subtranslationY", true, TC::TranslationY, 1.0),
      transformEntry("subtranslationZ", true, TC::TranslationZ, 1.0),
      transformEntry("subtranslationXY", true, TC::TranslationXY, 1.0),
      scalarEntry<Layer>("zPosition", [](Layer& l) { return l.zPosition(); },
                         [](Layer& l, double z) { l.setZPosition(z); }, 1.0),
      {"size", reader<Layer>([](Layer& l, double v[]) { v[0] = l.bounds().size.width; v[1] = l.bounds().size.height; }),
       writer<Layer>([](Layer& l, const double v[]) {
         if (v[0] < 0 || v[1] < 0) return;
         l.setBounds({l.bounds().origin, {v[0], v[1]}});
       }),
       1.0},
      transformEntry("rotation", false, TC::RotationZ, 0.01),
      transformEntry("rotationY", false, TC::RotationY, 0.01),
      transformEntry("rotationX", false, TC::RotationX, 0.01),
      colorEntry<Layer>("shadowColor", [](Layer& l) { return l.shadowColor(); },
                        [](Layer& l, Ref<gfx::Color> c) { l.setShadowColor(c); }),
      {"shadowOffset", reader<Layer>([](Layer& l, double v[]) { v[0] = l.shadowOffset().width; v[1] = l.shadowOffset().height; }),
       writer<Layer>([](Layer& l, const double v[]) { l.setShadowOffset({v[0], v[1]}); }), 0.01},
      scalarEntry<Layer>("shadowOpacity", [](Layer& l) { return static_cast<double>(static_cast<float>(l.shadowOpacity())); },
                         [](Layer& l, double x) { l.setShadowOpacity(static_cast<float>(x)); }, 0.01),
      scalarEntry<Layer>("shadowRadius", [](Layer& l) { return l.shadowRadius(); },
                         [](Layer& l, double x) { l.setShadowRadius(x); }, 0.01),
      scalarEntry<ShapeLayer>("shapeLayer.strokeStart", [](ShapeLayer& l) { return l.strokeStart(); },
                              [](ShapeLayer& l, double x) { l.setStrokeStart(x); }, 0.01),
      scalarEntry<ShapeLayer>("shapeLayer.strokeEnd", [](ShapeLayer& l) { return l.strokeEnd(); },
                              [](ShapeLayer& l, double x) { l.setStrokeEnd(x); }, 0.01),
      colorEntry<ShapeLayer>("shapeLayer.strokeColor", [](ShapeLayer& l) { return l.strokeColor(); },
                             [](ShapeLayer& l, Ref<gfx::Color> c) { l.setStrokeColor(c); }),
      colorEntry<ShapeLayer>("shapeLayer.fillColor", [](ShapeLayer& l) { return l.fillColor(); },
                             [](ShapeLayer& l, Ref<gfx::Color> c) { l.setFillColor(c); }),
      scalarEntry<ShapeLayer>("shapeLayer.lineWidth", [](ShapeLayer& l) { return l.lineWidth(); },
                              [](ShapeLayer& l, double x) { l.setLineWidth(x); }, 0.01),
      // Any object with a numeric "constant" property: layout constraints.
      {"layoutConstraint.constant",
       [](const rt::Id& o, double v[]) {
         if (!o) return;
         if (auto n = rt::as<fd::Number>(o->valueForKey("constant"))) v[0] = n->doubleValue();
       },
       [](const rt::Id& o, const double v[]) {
         if (o) o->setValueForKey(fd::Number::numberWithDouble(v[0]), "constant");
       },
       0.01},
      scalarEntry<View>("view.alpha", [](View& view) { return view.alpha(); }, [](View& view, double a) { view.setAlpha(a); },
                        0.01),
      colorEntry<View>("view.backgroundColor", [](View& view) { return view.backgroundColor(); },
                       [](View& view, Ref<gfx::Color> c) { view.setBackgroundColor(c); }),
      {"view.center", reader<View>([](View& view, double v[]) { v[0] = view.center().x; v[1] = view.center().y; }),
       writer<View>([](View& view, const double v[]) { view.setCenter({v[0], v[1]}); }), 1.0},
      {"view.frame", reader<View>([](View& view, double v[]) {
         gfx::Rect f = view.frame();
         v[0] = f.origin.x; v[1] = f.origin.y; v[2] = f.size.width; v[3] = f.size.height;
       }),
       writer<View>([](View& view, const double v[]) { view.setFrame({{v[0], v[1]}, {v[2], v[3]}}); }), 1.0},
      viewLayerEntry("view.scaleX", TC::ScaleX),
      viewLayerEntry("view.scaleY", TC::ScaleY),
      viewLayerEntry("view.scaleXY", TC::ScaleXY),
      colorEntry<View>("view.tintColor", [](View& view) { return view.tintColor(); },
                       [](View& view, Ref<gfx::Color> c) { view.setTintColor(c); }),
      {"scrollView.contentOffset",
       reader<ScrollView>([](ScrollView& s, double v[]) { v[0] = s.contentOffset().x; v[1] = s.contentOffset().y; }),
       writer<ScrollView>([](ScrollView& s, const double v[]) { s.setContentOffset({v[0], v[1]}, false); }), 1.0},
      {"scrollView.contentSize",
       reader<ScrollView>([](ScrollView& s, double v[]) { v[0] = s.contentSize().width; v[1] = s.contentSize().height; }),
       writer<ScrollView>([](ScrollView& s, const double v[]) { s.setContentSize({v[0], v[1]}); }), 1.0},
      scalarEntry<ScrollView>("scrollView.zoomScale", [](ScrollView& s) { return s.zoomScale(); },
                              [](ScrollView& s, double z) { s.setZoomScale(z); }, 0.005),
      {"scrollView.contentInset", reader<ScrollView>([](ScrollView& s, double v[]) {
         gfx::EdgeInsets i = s.contentInset();
         v[0] = i.top; v[1] = i.left; v[2] = i.bottom; v[3] = i.right;
       }),
       writer<ScrollView>([](ScrollView& s, const double v[]) { s.setContentInset({v[0], v[1], v[2], v[3]}); }), 1.0},
      colorEntry<ui::NavigationBar>("navigationBar.barTintColor", [](ui::NavigationBar& b) { return b.barTintColor(); },
                                    [](ui::NavigationBar& b, Ref<gfx::Color> c) { b.setBarTintColor(c); }),
      colorEntry<ui::Label>("label.textColor", [](ui::Label& l) { return l.textColor(); },
                            [](ui::Label& l, Ref<gfx::Color> c) { l.setTextColor(c); }),
  };
  return *entries;
}

// Built before main, as the engine's one static initializer.
[[maybe_unused]] const bool kTableBuilt = !table().empty();

}  // namespace

Ref<PXAnimatableProperty> PXAnimatableProperty::propertyWithName(const String& name, const Initializer& initializer) {
  static std::mutex lock;
  static auto* cache = new std::unordered_map<String, Ref<PXAnimatableProperty>>;
  {
    std::lock_guard guard(lock);
    auto it = cache->find(name);
    if (it != cache->end()) return it->second;
    for (const Entry& e : table()) {
      if (name != e.name) continue;
      auto p = rt::make<PXStaticAnimatableProperty>();
      p->name_ = e.name;
      p->read_ = e.read;
      p->write_ = e.write;
      p->threshold_ = e.threshold;
      (*cache)[name] = p;
      return p;
    }
  }
  if (!initializer) return nullptr;
  auto mutableProperty = rt::make<PXMutableAnimatableProperty>();
  mutableProperty->setName(name);
  mutableProperty->setThreshold(1.0);
  initializer(*mutableProperty);
  return rt::as<PXAnimatableProperty>(mutableProperty->copy());
}

Ref<PXAnimatableProperty> PXAnimatableProperty::placeholder() {
  static const Ref<PXAnimatableProperty> shared = rt::make<PXAnimatableProperty>();
  return shared;
}

rt::Id PXAnimatableProperty::copy() const {
  if (dynamic_cast<const PXMutableAnimatableProperty*>(this))
    return rt::make<PXConcreteAnimatableProperty>(name(), readBlock(), writeBlock(), threshold());
  return std::const_pointer_cast<rt::Object>(self());
}

rt::Id PXAnimatableProperty::mutableCopy() const {
  auto m = rt::make<PXMutableAnimatableProperty>();
  m->setName(name());
  m->setReadBlock(readBlock());
  m->setWriteBlock(writeBlock());
  m->setThreshold(threshold());
  return m;
}

String PXAnimatableProperty::description() const {
  return String::format("%@ name:%@ threshold:%f", rt::Object::description(), name(), threshold());
}

}  // namespace anim
