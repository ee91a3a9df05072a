#pragma once
// Buttons: a control with a title label and an image view whose content (titles, colours,
// images, background images) is chosen per control state, falling back to the normal state.
#include <map>

#include "platform/ui/controls/Control.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"

namespace ui {

enum class ButtonType : int64_t { Custom = 0, System = 1, DetailDisclosure = 2, InfoLight = 3, InfoDark = 4, ContactAdd = 5 };

class Button : public Control {
  RT_CLASS_NAMED(Button, Control, "UIButton")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  static Ref<Button> buttonWithType(ButtonType type);
  ButtonType buttonType() const { return type_; }

  void setTitle(const rt::String& title, uint64_t state);
  rt::String titleForState(uint64_t state) const;
  void setAttributedTitle(const Ref<typeset::AttributedString>& title, uint64_t state);
  Ref<typeset::AttributedString> attributedTitleForState(uint64_t state) const;
  void setTitleColor(const Ref<gfx::Color>& color, uint64_t state);
  Ref<gfx::Color> titleColorForState(uint64_t state) const;
  void setImage(const Ref<gfx::Image>& image, uint64_t state);
  Ref<gfx::Image> imageForState(uint64_t state) const;
  void setBackgroundImage(const Ref<gfx::Image>& image, uint64_t state);
  Ref<gfx::Image> backgroundImageForState(uint64_t state) const;

  rt::String currentTitle() const { return titleForState(state()); }
  Ref<gfx::Color> currentTitleColor() const { return titleColorForState(state()); }
  Ref<gfx::Image> currentImage() const { return imageForState(state()); }
  Ref<gfx::Image> currentBackgroundImage() const { return backgroundImageForState(state()); }

  const Ref<Label>& titleLabel() const { return titleLabel_; }
  const Ref<ImageView>& imageView() const { return imageView_; }

  gfx::EdgeInsets contentEdgeInsets() const { return contentInsets_; }
  void setContentEdgeInsets(gfx::EdgeInsets e) { contentInsets_ = e; setNeedsLayout(); }
  gfx::EdgeInsets titleEdgeInsets() const { return titleInsets_; }
  void setTitleEdgeInsets(gfx::EdgeInsets e) { titleInsets_ = e; setNeedsLayout(); }
  gfx::EdgeInsets imageEdgeInsets() const { return imageInsets_; }
  void setImageEdgeInsets(gfx::EdgeInsets e) { imageInsets_ = e; setNeedsLayout(); }
  bool adjustsImageWhenHighlighted() const { return adjustsWhenHighlighted_; }
  void setAdjustsImageWhenHighlighted(bool on) { adjustsWhenHighlighted_ = on; refresh(); }
  bool adjustsImageWhenDisabled() const { return adjustsWhenDisabled_; }
  void setAdjustsImageWhenDisabled(bool on) { adjustsWhenDisabled_ = on; refresh(); }

  gfx::Size intrinsicContentSize() const override;
  gfx::Size sizeThatFits(gfx::Size size) const override;
  void layoutSubviews() override;
  void tintColorDidChange() override { refresh(); }

  /// Where the title and image go for content in `rect` (in bounds coordinates).
  virtual gfx::Rect titleRectForContentRect(gfx::Rect rect) const;
  virtual gfx::Rect imageRectForContentRect(gfx::Rect rect) const;

 protected:
  void stateDidChange() override { refresh(); }

 private:
  template <class T> static T pick(const std::map<uint64_t, T>& table, uint64_t state);
  gfx::Size titleSize() const;
  gfx::Size imageSize() const;
  void refresh();

  ButtonType type_ = ButtonType::Custom;
  Ref<Label> titleLabel_;
  Ref<ImageView> imageView_;
  Ref<ImageView> backgroundView_;
  std::map<uint64_t, rt::String> titles_;
  std::map<uint64_t, Ref<typeset::AttributedString>> attributedTitles_;
  std::map<uint64_t, Ref<gfx::Color>> titleColors_;
  std::map<uint64_t, Ref<gfx::Image>> images_;
  std::map<uint64_t, Ref<gfx::Image>> backgroundImages_;
  gfx::EdgeInsets contentInsets_, titleInsets_, imageInsets_;
  bool adjustsWhenHighlighted_ = true;
  bool adjustsWhenDisabled_ = true;
};

}  // namespace ui
