#pragma once
// Selectors: interned method names, comparable and hashable by pointer.
#include <string_view>

namespace rt {

class Selector {
 public:
  constexpr Selector() = default;  // the null selector
  /// Interns `name`; the same name always gives the same selector.
  static Selector named(std::string_view name);
  const char* name() const { return name_ ? name_ : ""; }
  bool isNull() const { return name_ == nullptr; }
  explicit operator bool() const { return name_ != nullptr; }
  /// Number of arguments the name implies (one per colon).
  int argumentCount() const;
  const void* pointer() const { return name_; }
  friend bool operator==(Selector a, Selector b) { return a.name_ == b.name_; }

 private:
  explicit Selector(const char* n) : name_(n) {}
  const char* name_ = nullptr;
};

inline Selector sel(std::string_view name) { return Selector::named(name); }

}  // namespace rt

template <> struct std::hash<rt::Selector> {
  size_t operator()(rt::Selector s) const noexcept { return std::hash<const void*>()(s.pointer()); }
};
