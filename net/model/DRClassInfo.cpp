#include "net/model/DRClassInfo.h"

#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/foundation/text/StringObject.h"

namespace net {

DRTypeWord DRParseTypeEncoding(const char* encoding) {
  if (!encoding || !*encoding) return 0;
  DRTypeWord qualifiers = 0;
  const char* p = encoding;
  for (;; ++p) {
    switch (*p) {
      case 'r': qualifiers |= DRTypeQualifierConst; continue;
      case 'n': qualifiers |= DRTypeQualifierIn; continue;
      case 'N': qualifiers |= DRTypeQualifierInout; continue;
      case 'o': qualifiers |= DRTypeQualifierOut; continue;
      case 'O': qualifiers |= DRTypeQualifierBycopy; continue;
      case 'R': qualifiers |= DRTypeQualifierByref; continue;
      case 'V': qualifiers |= DRTypeQualifierOneway; continue;
      default: break;
    }
    break;
  }
  if (!*p) return qualifiers;
  DRTypeWord kind = DRTypeKindUnknown;
  switch (*p) {
    case 'v': kind = DRTypeKindVoid; break;
    case 'B': kind = DRTypeKindBool; break;
    case 'c': kind = DRTypeKindInt8; break;
    case 'C': kind = DRTypeKindUInt8; break;
    case 's': kind = DRTypeKindInt16; break;
    case 'S': kind = DRTypeKindUInt16; break;
    case 'i': case 'l': kind = DRTypeKindInt32; break;
    case 'I': case 'L': kind = DRTypeKindUInt32; break;
    case 'q': kind = DRTypeKindInt64; break;
    case 'Q': kind = DRTypeKindUInt64; break;
    case 'f': kind = DRTypeKindFloat; break;
    case 'd': kind = DRTypeKindDouble; break;
    case 'D': kind = DRTypeKindLongDouble; break;
    case '#': kind = DRTypeKindClass; break;
    case ':': kind = DRTypeKindSelector; break;
    case '*': kind = DRTypeKindCString; break;
    case '^': kind = DRTypeKindPointer; break;
    case '[': kind = DRTypeKindCArray; break;
    case '(': kind = DRTypeKindUnion; break;
    case '{': kind = DRTypeKindStruct; break;
    case '@': kind = std::string_view(p) == "@?" ? DRTypeKindBlock : DRTypeKindObject; break;
    default: break;
  }
  return kind | qualifiers;
}

RT_IMPLEMENT(DRClassIvarInfo) {}
RT_IMPLEMENT(DRClassMethodInfo) {}
RT_IMPLEMENT(DRClassPropertyInfo) {}
RT_IMPLEMENT(DRClassInfo) {}

Ref<DRClassIvarInfo> DRClassIvarInfo::infoWithIvar(const rt::Ivar* ivar) {
  if (!ivar) return nullptr;
  auto info = rt::make<DRClassIvarInfo>();
  info->ivar_ = ivar;
  info->name_ = String(ivar->name);
  info->offset_ = static_cast<int64_t>(ivar->offset);
  if (!ivar->typeEncoding.empty()) {
    info->typeEncoding_ = String(ivar->typeEncoding);
    info->type_ = DRParseTypeEncoding(ivar->typeEncoding.c_str());
  }
  return info;
}

Ref<DRClassMethodInfo> DRClassMethodInfo::infoWithMethod(const rt::Method* method) {
  if (!method) return nullptr;
  auto info = rt::make<DRClassMethodInfo>();
  info->method_ = method;
  info->sel_ = method->selector;
  info->name_ = String(method->selector.name());
  info->typeEncoding_ = String(method->typeEncoding);
  info->returnTypeEncoding_ = String(method->returnType());
  size_t count = method->argumentCount();
  if (count > 0) {
    std::vector<rt::Id> args;
    args.reserve(count);
    for (size_t i = 0; i < count; ++i) args.push_back(fd::box(String(method->argumentType(i))));
    info->argumentTypeEncodings_ = fd::Array::create(std::move(args));
  }
  return info;
}

namespace {

// Splits the runtime's attribute string at the commas that separate attributes; a type may
// carry quoted class and protocol names and braced struct members.
std::vector<std::string_view> splitAttributes(std::string_view s) {
  std::vector<std::string_view> out;
  size_t start = 0;
  int depth = 0;
  bool quoted = false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') quoted = !quoted;
    else if (!quoted && (c == '{' || c == '(' || c == '[')) ++depth;
    else if (!quoted && (c == '}' || c == ')' || c == ']')) --depth;
    else if (!quoted && depth <= 0 && c == ',') {
      out.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < s.size()) out.push_back(s.substr(start));
  return out;
}

}  // namespace

Ref<DRClassPropertyInfo> DRClassPropertyInfo::infoWithProperty(const rt::Property* property) {
  if (!property) return nullptr;
  auto info = rt::make<DRClassPropertyInfo>();
  info->property_ = property;
  info->name_ = property->name;
  DRTypeWord type = 0;
  bool hasGetter = false, hasSetter = false;
  for (std::string_view attr : splitAttributes(property->attributes)) {
    if (attr.empty()) continue;
    std::string_view value = attr.substr(1);
    switch (attr[0]) {
      case 'T': {
        info->typeEncoding_ = String(std::string(value));
        type = DRParseTypeEncoding(std::string(value).c_str());
        // "@\"Name\"" names a class; "@\"Name<Protocol>\"" and "@\"<Protocol>\"" do not.
        if ((type & DRTypeKindMask) == DRTypeKindObject && value.size() >= 4 &&
            value.find('<') == std::string_view::npos) {
          info->cls_ = rt::Class::named(value.substr(2, value.size() - 3));
        }
        break;
      }
      case 'V': info->ivarName_ = String(std::string(value)); break;
      case 'R': type |= DRTypePropertyReadonly; break;
      case 'C': type |= DRTypePropertyCopy; break;
      case '&': type |= DRTypePropertyRetain; break;
      case 'N': type |= DRTypePropertyNonatomic; break;
      case 'W': type |= DRTypePropertyWeak; break;
      case 'D': type |= DRTypePropertyDynamic; break;
      case 'G':
        type |= DRTypePropertyCustomGetter;
        info->getter_ = String(std::string(value));
        hasGetter = true;
        break;
      case 'S':
        type |= DRTypePropertyCustomSetter;
        info->setter_ = String(std::string(value));
        hasSetter = true;
        break;
      default: break;
    }
  }
  info->type_ = type;
  if (!info->name_.isEmpty()) {
    if (!hasGetter) info->getter_ = info->name_;
    if (!hasSetter) info->setter_ = String(rt::detail::setterNameFor(info->name_.utf8()));
  }
  return info;
}

Ref<DRClassInfo> DRClassInfo::infoWithClass(const rt::Class* cls) {
  if (!cls) return nullptr;
  auto info = rt::make<DRClassInfo>();
  info->cls_ = cls;
  info->superCls_ = cls->superclass();
  info->isMeta_ = cls->isMetaClass();
  if (!info->isMeta_) info->metaCls_ = cls->metaclass();
  info->name_ = cls->name();
  info->update();
  info->superClassInfo_ = classInfoWithClass(info->superCls_);
  return info;
}

void DRClassInfo::update() {
  ivarInfos_ = nullptr;
  methodInfos_ = nullptr;
  propertyInfos_ = nullptr;
  auto methods = cls_->methods();
  if (!methods.empty()) {
    methodInfos_ = fd::MutableDictionary::create();
    for (const rt::Method* m : methods)
      if (auto info = DRClassMethodInfo::infoWithMethod(m)) methodInfos_->setObjectForKey(info, info->name());
  }
  if (!cls_->properties().empty()) {
    propertyInfos_ = fd::MutableDictionary::create();
    for (const rt::Property* p : cls_->properties())
      if (auto info = DRClassPropertyInfo::infoWithProperty(p)) propertyInfos_->setObjectForKey(info, info->name());
  }
  if (!cls_->ivars().empty()) {
    ivarInfos_ = fd::MutableDictionary::create();
    for (const rt::Ivar& iv : cls_->ivars())
      if (auto info = DRClassIvarInfo::infoWithIvar(&iv)) ivarInfos_->setObjectForKey(info, info->name());
  }
  needUpdate_ = false;
}

namespace {

struct ClassInfoCache {
  std::mutex lock;
  std::unordered_map<const rt::Class*, Ref<DRClassInfo>> classes;
  std::unordered_map<const rt::Class*, Ref<DRClassInfo>> metaclasses;
};

ClassInfoCache& cache() {
  static auto* c = new ClassInfoCache;  // lives for the process, like the descriptions
  return *c;
}

}  // namespace

Ref<DRClassInfo> DRClassInfo::classInfoWithClass(const rt::Class* cls) {
  if (!cls) return nullptr;
  auto& c = cache();
  {
    std::lock_guard guard(c.lock);
    auto& table = cls->isMetaClass() ? c.metaclasses : c.classes;
    auto it = table.find(cls);
    if (it != table.end()) {
      if (it->second->needUpdate_) it->second->update();
      return it->second;
    }
  }
  // Built outside the lock: describing a class describes its superclasses through the cache.
  auto info = infoWithClass(cls);
  if (!info) return nullptr;
  std::lock_guard guard(c.lock);
  (info->isMeta_ ? c.metaclasses : c.classes)[cls] = info;
  return info;
}

Ref<DRClassInfo> DRClassInfo::classInfoWithClassName(const String& name) {
  return classInfoWithClass(rt::Class::named(name.utf8()));
}

}  // namespace net
