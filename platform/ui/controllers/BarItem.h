#pragma once
// Bar items: what navigation bars and tab bars show for an entry (title, image, enabled state)
// and the title's text attributes per control state.
#include <cstdint>
#include <map>

#include "platform/foundation/values/Dictionary.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/runtime/Class.h"

namespace ui {

class BarItem : public rt::Object {
  RT_CLASS_NAMED(BarItem, rt::Object, "UIBarItem")
 public:
  void init() {}

  rt::String title() const { return title_; }
  virtual void setTitle(const rt::String& title);
  Ref<gfx::Image> image() const { return image_; }
  virtual void setImage(const Ref<gfx::Image>& image);
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool on);
  int64_t tag() const { return tag_; }
  void setTag(int64_t tag) { tag_ = tag; }
  gfx::EdgeInsets imageInsets() const { return imageInsets_; }
  void setImageInsets(gfx::EdgeInsets e);

  /// Attributes (font, foreground colour) for the title in a control state; null when none
  /// were set for that state.
  void setTitleTextAttributes(const Ref<fd::Dictionary>& attributes, uint64_t state);
  Ref<fd::Dictionary> titleTextAttributesForState(uint64_t state) const;

 protected:
  /// Something the bar shows changed; the bar showing the item redraws.
  virtual void itemDidChange() {}

 private:
  rt::String title_;
  Ref<gfx::Image> image_;
  gfx::EdgeInsets imageInsets_;
  std::map<uint64_t, Ref<fd::Dictionary>> attributes_;
  int64_t tag_ = 0;
  bool enabled_ = true;
};

}  // namespace ui
