#pragma once
// The views a collection view reuses: supplementary views (headers, footers) and cells. A
// cell holds its content in `contentView`, above an optional background and the background
// shown while it is selected or highlighted.
#include "platform/ui/lists/CollectionViewLayout.h"
#include "platform/ui/view/View.h"

namespace ui {

class CollectionReusableView : public View {
  RT_CLASS_NAMED(CollectionReusableView, View, "UICollectionReusableView")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame) { View::init(frame); }

  rt::String reuseIdentifier() const { return reuseIdentifier_; }
  void setReuseIdentifier(rt::String id) { reuseIdentifier_ = std::move(id); }
  /// Called before a queued view is handed out again; subclasses clear per-item state.
  virtual void prepareForReuse() {}
  /// Takes the frame, alpha, order and visibility the layout chose.
  virtual void applyLayoutAttributes(const CollectionViewLayoutAttributes& attributes);

 private:
  rt::String reuseIdentifier_;
};

class CollectionViewCell : public CollectionReusableView {
  RT_CLASS_NAMED(CollectionViewCell, CollectionReusableView, "UICollectionViewCell")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);

  const Ref<View>& contentView() const { return contentView_; }
  Ref<View> backgroundView() const { return backgroundView_; }
  void setBackgroundView(Ref<View> v);
  Ref<View> selectedBackgroundView() const { return selectedBackgroundView_; }
  void setSelectedBackgroundView(Ref<View> v);
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool on);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool on);

  void prepareForReuse() override;
  void layoutSubviews() override;

 private:
  void updateSelectionLook();
  Ref<View> contentView_;
  Ref<View> backgroundView_;
  Ref<View> selectedBackgroundView_;
  bool selected_ = false;
  bool highlighted_ = false;
};

}  // namespace ui
