#pragma once
// One page of the page container: a reusable cell that hosts a channel's page view and makes
// it fill the cell.
#include "platform/ui/view/View.h"

namespace widgets {

class CBRootScrollView;

class CBRootScrollViewCell : public ui::View {
  RT_CLASS(CBRootScrollViewCell, ui::View)
 public:
  using ui::View::init;
  /// A pooled "CELL" cell of the container, or a new yellow one.
  static Ref<CBRootScrollViewCell> cellWithRootScrollView(CBRootScrollView& rootScrollView);

  /// Replaces whatever the cell holds with `pageView` and lays it out at once.
  void setpageViewInCell(const Ref<ui::View>& pageView);
  void layoutSubviews() override;

  const rt::String& identifier() const { return identifier_; }
  void setIdentifier(const rt::String& identifier) { identifier_ = identifier; }

  static inline const rt::String kIdentifier{"CELL"};

 private:
  rt::String identifier_;
};

}  // namespace widgets
