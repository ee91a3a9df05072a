#pragma once
// A row of the travel tab: a colour bar, the section's title, a more button (sights and food
// only) and a horizontally scrolling strip of channels or articles. Taps on items and on the
// more button push their screen on the navigation controller of the screen showing the row.
#include <vector>

#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/CollectionView.h"
#include "platform/ui/lists/CollectionViewFlowLayout.h"
#include "platform/ui/lists/TableViewCell.h"

namespace app {

class KDTourismCell : public ui::TableViewCell,
                      public ui::CollectionViewDataSource,
                      public ui::CollectionViewDelegateFlowLayout {
  RT_CLASS(KDTourismCell, ui::TableViewCell)
 public:
  void init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier);

  /// Appends `items` (channel or article records) to the strip and shows `title`.
  void setdata(const std::vector<rt::Id>& items, const fd::String& title);
  void initCollectionView();

  const Ref<fd::IndexPath>& IndexPath() const { return indexPath_; }
  void setIndexPath(const Ref<fd::IndexPath>& indexPath) { indexPath_ = indexPath; }

  /// Sections 1 and 2 (sights, food) show large pictures; the others small ones.
  static bool isLargeStrip(int64_t section);
  /// The screen an item opens from the strip of `section`; null for anything that is neither
  /// a channel nor an article.
  static Ref<ui::ViewController> screenForItem(const rt::Id& item, int64_t section);
  /// The list the more button opens from `section`; null where the row has no more button.
  static Ref<ui::ViewController> moreScreen(int64_t section);

  int64_t collectionViewNumberOfItemsInSection(ui::CollectionView& cv, int64_t section) override;
  Ref<ui::CollectionViewCell> collectionViewCellForItemAtIndexPath(ui::CollectionView& cv,
                                                                   const Ref<fd::IndexPath>& indexPath) override;
  void collectionViewDidSelectItemAtIndexPath(ui::CollectionView& cv, const Ref<fd::IndexPath>& indexPath) override;
  std::optional<gfx::EdgeInsets> collectionViewLayoutInsetForSectionAtIndex(ui::CollectionView& cv,
                                                                          ui::CollectionViewLayout& layout,
                                                                          int64_t section) override;

  const Ref<ui::View>& iconView() const { return iconView_; }
  const Ref<ui::Label>& titleLable() const { return titleLable_; }
  const Ref<ui::Button>& morebtn() const { return morebtn_; }
  const Ref<ui::CollectionView>& collectionview() const { return collectionview_; }
  const std::vector<rt::Id>& modelarray() const { return modelarray_; }

 private:
  int64_t section() const { return indexPath_ ? static_cast<int64_t>(indexPath_->section()) : 0; }
  void push(const Ref<ui::ViewController>& screen);

  Ref<ui::View> iconView_;
  Ref<ui::Label> titleLable_;
  Ref<ui::Button> morebtn_;
  Ref<ui::CollectionView> collectionview_;
  std::vector<rt::Id> modelarray_;
  Ref<fd::IndexPath> indexPath_;
};

}  // namespace app
