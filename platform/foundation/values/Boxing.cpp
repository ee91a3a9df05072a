#include "platform/foundation/values/Boxing.h"

#include <mutex>
#include <string>

#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/runtime/Encoding.h"
#include "platform/runtime/Value.h"

namespace fd {

namespace {

using rt::EncodingKind;
using rt::Value;

Id boxString(const String& s) { return StringObject::create(s); }

bool unboxString(const Id& o, String& out) {
  auto* s = dynamic_cast<const StringObject*>(o.get());
  if (!s) return false;
  out = s->string();
  return true;
}

Id boxValue(const Value& v) {
  const EncodingKind k = rt::encodingKind(v.encoding());
  switch (v.kind()) {
    case Value::Kind::Void: return Null::null();
    case Value::Kind::Bool: return Number::numberWithBool(v.boolValue());
    case Value::Kind::Int:
      switch (k) {
        case EncodingKind::Bool: return Number::numberWithBool(v.intValue() != 0);
        case EncodingKind::Char: return Number::numberWithChar(static_cast<char>(v.intValue()));
        case EncodingKind::Short: return Number::numberWithShort(static_cast<int16_t>(v.intValue()));
        case EncodingKind::Int: return Number::numberWithInt(static_cast<int32_t>(v.intValue()));
        default: return Number::numberWithLongLong(v.intValue());
      }
    case Value::Kind::UInt:
      switch (k) {
        case EncodingKind::UChar: return Number::numberWithUnsignedChar(static_cast<unsigned char>(v.uintValue()));
        case EncodingKind::UShort: return Number::numberWithUnsignedShort(static_cast<uint16_t>(v.uintValue()));
        case EncodingKind::UInt: return Number::numberWithUnsignedInt(static_cast<uint32_t>(v.uintValue()));
        default: return Number::numberWithUnsignedLongLong(v.uintValue());
      }
    case Value::Kind::Float:
      if (k == EncodingKind::Float) return Number::numberWithFloat(static_cast<float>(v.doubleValue()));
      return Number::numberWithDouble(v.doubleValue());
    case Value::Kind::Object: return v.object();
    case Value::Kind::Class:
      if (!v.classValue()) return nullptr;
      return const_cast<Class*>(v.classValue())->self();
    case Value::Kind::Selector:
      if (v.selector().isNull()) return nullptr;
      return StringObject::create(String(v.selector().name()));
    case Value::Kind::Pointer: return ValueBox::valueWithPointer(v.pointer());
    case Value::Kind::CString:
      if (!v.cString()) return nullptr;
      return StringObject::create(String(v.cString()));
    case Value::Kind::Struct: return ValueBox::create(v.bytes().data(), v.bytes().size(), v.encoding());
  }
  return Null::null();
}

bool unboxNumber(const Number& n, EncodingKind k, const std::string& enc, Value& out) {
  const char* e = enc.c_str();
  switch (k) {
    case EncodingKind::Bool: out = Value::ofBool(n.boolValue(), e); return true;
    case EncodingKind::Char: out = Value::ofInt(n.charValue(), e); return true;
    case EncodingKind::Short: out = Value::ofInt(n.shortValue(), e); return true;
    case EncodingKind::Int: out = Value::ofInt(n.intValue(), e); return true;
    case EncodingKind::LongLong: out = Value::ofInt(n.longLongValue(), e); return true;
    case EncodingKind::UChar: out = Value::ofUInt(n.unsignedCharValue(), e); return true;
    case EncodingKind::UShort: out = Value::ofUInt(n.unsignedShortValue(), e); return true;
    case EncodingKind::UInt: out = Value::ofUInt(n.unsignedIntValue(), e); return true;
    case EncodingKind::ULongLong: out = Value::ofUInt(n.unsignedLongLongValue(), e); return true;
    case EncodingKind::Float: out = Value::ofDouble(n.floatValue(), e); return true;
    case EncodingKind::Double:
    case EncodingKind::LongDouble: out = Value::ofDouble(n.doubleValue(), e); return true;
    default: return false;
  }
}

bool unboxValue(const Id& o, std::string_view encoding, Value& out) {
  if (!o) return false;
  const std::string enc(encoding);
  const EncodingKind k = rt::encodingKind(encoding);
  switch (k) {
    case EncodingKind::Object:
    case EncodingKind::Block: out = Value::ofObject(o, enc); return true;
    case EncodingKind::Class: {
      auto* c = dynamic_cast<const Class*>(o.get());
      if (!c) return false;
      out = Value::ofClass(c);
      return true;
    }
    case EncodingKind::Selector: {
      auto* s = dynamic_cast<const StringObject*>(o.get());
      if (!s) return false;
      out = Value::ofSelector(rt::Selector::named(s->string().utf8()));
      return true;
    }
    case EncodingKind::Struct: {
      auto* v = dynamic_cast<const ValueBox*>(o.get());
      if (!v || dynamic_cast<const Number*>(v) || v->objCType() != encoding) return false;
      out = Value::ofStruct(v->bytes().data(), v->bytes().size(), enc);
      return true;
    }
    case EncodingKind::Pointer: {
      auto* v = dynamic_cast<const ValueBox*>(o.get());
      if (!v || rt::encodingKind(v->objCType()) != EncodingKind::Pointer) return false;
      out = Value::ofPointer(const_cast<void*>(v->pointerValue()), enc.c_str());
      return true;
    }
    default: break;
  }
  auto* n = dynamic_cast<const Number*>(o.get());
  return n && unboxNumber(*n, k, enc, out);
}

Id nullObject() { return Null::null(); }

// Installed during static initialisation of this library.
[[maybe_unused]] const bool installed = (installBoxing(), true);

}  // namespace

void installBoxing() {
  static std::once_flag once;
  std::call_once(once, [] {
    rt::Boxing& b = rt::boxing();
    b.boxString = &boxString;
    b.unboxString = &unboxString;
    b.box = &boxValue;
    b.unbox = &unboxValue;
    b.null = &nullObject;
  });
}

}  // namespace fd
