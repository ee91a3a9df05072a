#pragma once
// Section headers and footers of a table that can be reused like cells; the table also shows
// the data source's section titles through them.
#include "platform/ui/controls/Label.h"
#include "platform/ui/view/View.h"

namespace ui {

class TableViewHeaderFooterView : public View {
  RT_CLASS_NAMED(TableViewHeaderFooterView, View, "UITableViewHeaderFooterView")
 public:
  void init() { init(rt::String()); }
  void init(const rt::String& reuseIdentifier);

  rt::String reuseIdentifier() const { return reuseIdentifier_; }
  void setReuseIdentifier(rt::String id) { reuseIdentifier_ = std::move(id); }
  virtual void prepareForReuse() {}

  const Ref<View>& contentView() const { return contentView_; }
  /// Made on first use, in the content view.
  Ref<Label> textLabel();

  void layoutSubviews() override;

 private:
  rt::String reuseIdentifier_;
  Ref<View> contentView_;
  Ref<Label> textLabel_;
};

}  // namespace ui
