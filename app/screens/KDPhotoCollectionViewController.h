#pragma once
// The gallery viewer: a gallery's album pictures on black, one page each, swiped sideways,
// with the album's title and its position ("3 / 10") at the bottom; a tap on the picture
// goes back.
#include <vector>

#include "app/models/KDAPPListModel.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/CollectionViewFlowLayout.h"

namespace app {

class KDPhotoCollectionViewController : public ui::ViewController,
                                        public ui::CollectionViewDataSource,
                                        public ui::CollectionViewDelegateFlowLayout {
  RT_CLASS(KDPhotoCollectionViewController, ui::ViewController)
 public:
  void init() {}
  void viewDidLoad() override;
  void refreshData();
  /// Shows the title and position of the page `currentselect`.
  void settextdata();

  int64_t collectionViewNumberOfItemsInSection(ui::CollectionView& cv, int64_t section) override;
  Ref<ui::CollectionViewCell> collectionViewCellForItemAtIndexPath(ui::CollectionView& cv,
                                                                  const Ref<fd::IndexPath>& indexPath) override;
  void collectionViewDidSelectItemAtIndexPath(ui::CollectionView&, const Ref<fd::IndexPath>&) override {}
  void scrollViewDidEndDecelerating(ui::ScrollView& s) override;

  ui::StatusBarStyle preferredStatusBarStyle() const override { return ui::StatusBarStyle::LightContent; }
  bool prefersStatusBarHidden() const override { return false; }

  /// The album shown first; set before the screen is pushed.
  int64_t currentInteger() const { return currentInteger_; }
  void setCurrentInteger(int64_t index) { currentInteger_ = index; }
  /// The gallery channel; set before the screen is pushed.
  const fd::String& trs_id() const { return trs_id_; }
  void setTrs_id(const fd::String& trs) { trs_id_ = trs; }

  int64_t currentselect() const { return currentselect_; }
  const std::vector<Ref<KDAPPListModel>>& modelArray() const { return modelArray_; }
  const Ref<ui::CollectionView>& PhotoCollectionView() const { return photoCollectionView_; }
  const Ref<ui::Label>& textLable() const { return textLable_; }
  const Ref<ui::Label>& countLable() const { return countLable_; }

 private:
  int64_t currentInteger_ = 0;
  fd::String trs_id_;
  Ref<ui::CollectionView> photoCollectionView_;
  Ref<ui::CollectionViewFlowLayout> flowLayout_;
  std::vector<Ref<KDAPPListModel>> modelArray_;
  Ref<ui::Label> textLable_;
  Ref<ui::Label> countLable_;
  int64_t currentselect_ = 0;
};

}  // namespace app
