#pragma once
// How a property animation moves one quantity of one kind of object: a name, a block that
// reads the value into doubles, one that writes it from doubles, and the threshold under which
// two values count as equal. Fifty properties are built in (made before main); callers define
// others through an initializer block. Main thread, like the animations.
#include <functional>

#include "platform/runtime/Class.h"

namespace anim {

using rt::String;

class PXMutableAnimatableProperty;

class PXAnimatableProperty : public rt::Object {
  RT_CLASS(PXAnimatableProperty, rt::Object)
 public:
  using ReadBlock = std::function<void(const rt::Id& object, double values[])>;
  using WriteBlock = std::function<void(const rt::Id& object, const double values[])>;
  using Initializer = std::function<void(PXMutableAnimatableProperty& property)>;

  /// A built-in property (the same object every time), or, for another name with an
  /// initializer, a new immutable property the initializer set up (threshold 1 unless set);
  /// null otherwise.
  static Ref<PXAnimatableProperty> propertyWithName(const String& name, const Initializer& initializer = nullptr);
  /// The one shared object that stands in for the abstract class.
  static Ref<PXAnimatableProperty> placeholder();

  virtual String name() const { return String(); }
  virtual ReadBlock readBlock() const { return nullptr; }
  virtual WriteBlock writeBlock() const { return nullptr; }
  virtual double threshold() const { return 0; }

  /// A mutable property's copy is immutable; any other property is its own copy.
  rt::Id copy() const override;
  rt::Id mutableCopy() const override;
  String description() const override;
};

/// An immutable property set once.
class PXConcreteAnimatableProperty : public PXAnimatableProperty {
  RT_CLASS(PXConcreteAnimatableProperty, PXAnimatableProperty)
 public:
  void init() {}
  void init(String name, ReadBlock read, WriteBlock write, double threshold);
  String name() const override { return name_; }
  ReadBlock readBlock() const override { return read_; }
  WriteBlock writeBlock() const override { return write_; }
  double threshold() const override { return threshold_; }

 private:
  String name_;
  ReadBlock read_;
  WriteBlock write_;
  double threshold_ = 0;
};

class PXMutableAnimatableProperty : public PXAnimatableProperty {
  RT_CLASS(PXMutableAnimatableProperty, PXAnimatableProperty)
 public:
  String name() const override { return name_; }
  ReadBlock readBlock() const override { return read_; }
  WriteBlock writeBlock() const override { return write_; }
  double threshold() const override { return threshold_; }
  void setName(String name) { name_ = std::move(name); }
  void setReadBlock(ReadBlock b) { read_ = std::move(b); }
  void setWriteBlock(WriteBlock b) { write_ = std::move(b); }
  void setThreshold(double t) { threshold_ = t; }

 private:
  String name_;
  ReadBlock read_;
  WriteBlock write_;
  double threshold_ = 0;
};

}  // namespace anim
