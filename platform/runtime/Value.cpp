#include "platform/runtime/Value.h"

#include "platform/runtime/Exception.h"

namespace rt {

Boxing& boxing() {
  static Boxing b;
  return b;
}

void missingBoxing() {
  raise(InternalInconsistencyException, "value boxing is not installed: link the foundation layer");
}

Value Value::ofBool(bool b, const char* enc) {
  Value v;
  v.kind_ = Kind::Bool;
  v.encoding_ = enc;
  v.b_ = b;
  return v;
}
Value Value::ofInt(int64_t i, const char* enc) {
  Value v;
  v.kind_ = Kind::Int;
  v.encoding_ = enc;
  v.i_ = i;
  return v;
}
Value Value::ofUInt(uint64_t u, const char* enc) {
  Value v;
  v.kind_ = Kind::UInt;
  v.encoding_ = enc;
  v.u_ = u;
  return v;
}
Value Value::ofDouble(double d, const char* enc) {
  Value v;
  v.kind_ = Kind::Float;
  v.encoding_ = enc;
  v.d_ = d;
  return v;
}
Value Value::ofObject(Id o, std::string enc) {
  Value v;
  v.kind_ = Kind::Object;
  v.encoding_ = std::move(enc);
  v.object_ = std::move(o);
  return v;
}
Value Value::ofClass(const Class* c) {
  Value v;
  v.kind_ = Kind::Class;
  v.encoding_ = "#";
  v.cls_ = c;
  return v;
}
Value Value::ofSelector(Selector s) {
  Value v;
  v.kind_ = Kind::Selector;
  v.encoding_ = ":";
  v.sel_ = s;
  return v;
}
Value Value::ofPointer(void* p, const char* enc) {
  Value v;
  v.kind_ = Kind::Pointer;
  v.encoding_ = enc;
  v.ptr_ = p;
  return v;
}
Value Value::ofCString(const char* s) {
  Value v;
  v.kind_ = Kind::CString;
  v.encoding_ = "*";
  v.cstr_ = s;
  return v;
}
Value Value::ofStruct(const void* bytes, size_t size, std::string enc) {
  Value v;
  v.kind_ = Kind::Struct;
  v.encoding_ = std::move(enc);
  v.bytes_.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
  return v;
}

bool Value::boolValue() const {
  switch (kind_) {
    case Kind::Bool: return b_;
    case Kind::Int: return i_ != 0;
    case Kind::UInt: return u_ != 0;
    case Kind::Float: return d_ != 0;
    default: return false;
  }
}
int64_t Value::intValue() const {
  switch (kind_) {
    case Kind::Bool: return b_;
    case Kind::Int: return i_;
    case Kind::UInt: return static_cast<int64_t>(u_);
    case Kind::Float: return static_cast<int64_t>(d_);
    default: return 0;
  }
}
uint64_t Value::uintValue() const {
  switch (kind_) {
    case Kind::Bool: return b_;
    case Kind::Int: return static_cast<uint64_t>(i_);
    case Kind::UInt: return u_;
    case Kind::Float: return d_ < 0 ? static_cast<uint64_t>(static_cast<int64_t>(d_)) : static_cast<uint64_t>(d_);
    default: return 0;
  }
}
double Value::doubleValue() const {
  switch (kind_) {
    case Kind::Bool: return b_;
    case Kind::Int: return static_cast<double>(i_);
    case Kind::UInt: return static_cast<double>(u_);
    case Kind::Float: return d_;
    default: return 0;
  }
}

}  // namespace rt
