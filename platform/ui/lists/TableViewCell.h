#pragma once
// Table rows: a content view holding the row's own views (the standard labels and image view
// of the cell's style among them), an accessory at the right edge, backgrounds for the normal
// and the selected look, and the separator line the table asks for.
#include <cstdint>

#include "platform/graphics/Color.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/view/View.h"

namespace ui {

enum class TableViewCellStyle : int64_t { Default = 0, Value1 = 1, Value2 = 2, Subtitle = 3 };
enum class TableViewCellSelectionStyle : int64_t { None = 0, Blue = 1, Gray = 2, Default = 3 };
enum class TableViewCellAccessoryType : int64_t {
  None = 0, DisclosureIndicator = 1, DetailDisclosureButton = 2, Checkmark = 3, DetailButton = 4,
};
enum class TableViewCellSeparatorStyle : int64_t { None = 0, SingleLine = 1, SingleLineEtched = 2 };

class TableViewCell : public View {
  RT_CLASS_NAMED(TableViewCell, View, "UITableViewCell")
 public:
  void init() { init(TableViewCellStyle::Default, rt::String()); }
  void init(gfx::Rect frame);
  void init(TableViewCellStyle style, const rt::String& reuseIdentifier);

  TableViewCellStyle style() const { return style_; }
  rt::String reuseIdentifier() const { return reuseIdentifier_; }
  void setReuseIdentifier(rt::String id) { reuseIdentifier_ = std::move(id); }
  /// Called before a queued cell is handed out again; subclasses clear per-row state.
  virtual void prepareForReuse();

  const Ref<View>& contentView() const { return contentView_; }
  /// Made on first use, in the content view.
  Ref<Label> textLabel();
  /// Null for the default style.
  Ref<Label> detailTextLabel();
  Ref<ImageView> imageView();

  TableViewCellAccessoryType accessoryType() const { return accessoryType_; }
  void setAccessoryType(TableViewCellAccessoryType t);
  /// Replaces the standard accessory when set.
  Ref<View> accessoryView() const { return accessoryView_; }
  void setAccessoryView(Ref<View> v);

  TableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
  void setSelectionStyle(TableViewCellSelectionStyle s);
  Ref<View> backgroundView() const { return backgroundView_; }
  void setBackgroundView(Ref<View> v);
  /// A plain grey view unless one was set; none with the selection style none.
  Ref<View> selectedBackgroundView();
  void setSelectedBackgroundView(Ref<View> v);

  bool isSelected() const { return selected_; }
  void setSelected(bool on) { setSelected(on, false); }
  virtual void setSelected(bool on, bool animated);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool on) { setHighlighted(on, false); }
  virtual void setHighlighted(bool on, bool animated);

  gfx::EdgeInsets separatorInset() const { return separatorInset_; }
  void setSeparatorInset(gfx::EdgeInsets in);
  /// Set by the table: how the line under the row looks (null colour: the default grey).
  void configureSeparator(TableViewCellSeparatorStyle style, const Ref<gfx::Color>& color);
  /// The line under the row, or null when the table draws none.
  Ref<View> separatorView() const { return separatorView_; }

  void layoutSubviews() override;

  /// Width kept for the standard accessory.
  static constexpr double kAccessoryWidth = 38;

 private:
  void updateSelectionLook();
  void updateAccessory();
  void layoutStandardViews(gfx::Rect content);

  TableViewCellStyle style_ = TableViewCellStyle::Default;
  rt::String reuseIdentifier_;
  Ref<View> contentView_;
  Ref<Label> textLabel_;
  Ref<Label> detailTextLabel_;
  Ref<ImageView> imageView_;
  TableViewCellAccessoryType accessoryType_ = TableViewCellAccessoryType::None;
  Ref<View> accessoryView_;
  Ref<View> standardAccessory_;
  TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::Default;
  Ref<View> backgroundView_;
  Ref<View> selectedBackgroundView_;
  bool customSelectedBackground_ = false;
  Ref<View> separatorView_;
  TableViewCellSeparatorStyle separatorStyle_ = TableViewCellSeparatorStyle::None;
  gfx::EdgeInsets separatorInset_{0, 15, 0, 0};
  bool selected_ = false;
  bool highlighted_ = false;
};

}  // namespace ui
