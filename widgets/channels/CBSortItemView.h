#pragma once
// The channel editor that slides over the pages: a grid of channel buttons over placeholder
// tiles. A long press picks a button up and drops it on another's place; in delete mode the
// buttons shake and a tap deletes one. Every change goes to the editor's own title store and is
// announced, with the editor as sender, for the title bar that opened it. Main thread only.
#include <map>
#include <vector>

#include "platform/ui/input/LongPressGestureRecognizer.h"
#include "platform/ui/view/View.h"
#include "widgets/channels/CBItemManager.h"
#include "widgets/channels/CBSortButton.h"

namespace widgets {

class CBSortItemView : public ui::View {
  RT_CLASS(CBSortItemView, ui::View)
 public:
  void init();

  // ---- titles
  /// This editor's title store, made on first use.
  const Ref<CBItemManager>& itemManager();
  const std::vector<rt::String>& itemKeys() const { return itemKeys_; }
  /// Keeps the titles; the first time also builds the grid from them.
  void setItemKeys(std::vector<rt::String> keys);
  /// The working order; on first read a copy of the item keys.
  const std::vector<rt::String>& tmpKeys();
  void setupPositionViewsAndItemsWithKeys(const std::vector<rt::String>& keys);
  rt::String selectButtonTitle() const { return selectButtonTitle_; }
  /// Marks the channel shown: its button's title turns red, every other white.
  void setSelectButtonTitle(const rt::String& title);

  // ---- buttons and tiles
  const std::vector<Ref<ui::View>>& positionViews() const { return positionViews_; }
  const std::map<rt::String, Ref<CBSortButton>>& itemsDic() const { return itemsDic_; }
  Ref<CBSortButton> getSortButtonWithTitle(const rt::String& title) const;
  Ref<CBSortButton> getSortButtonWithKeyIndex(int64_t index) const;
  Ref<CBSortButton> selectButton() const { return selectButton_.lock(); }
  Ref<CBSortButton> otherButton() const { return otherButton_.lock(); }
  const Ref<ui::LongPressGestureRecognizer>& longPressRecognizer() const { return longPress_; }

  // ---- state
  bool isScareing() const { return scareing_; }
  bool isMoving() const { return moving_; }
  gfx::Rect oldItemFrame() const { return oldItemFrame_; }
  gfx::Rect tmpRect() const { return tmpRect_; }

  // ---- editing
  /// Deletes the button's channel; the last channel is never deleted.
  void layoutItemsAfterDeletItem(const Ref<CBSortButton>& button);
  void longPress(ui::GestureRecognizer& recognizer);
  /// Shifts the buttons between dragged index `selectIndex` and target `otherIndex` and moves
  /// the dragged title there in the working order.
  void animationBetweenSelectItemIndex(int64_t selectIndex, int64_t otherIndex);
  /// Delete mode: every button shakes and shows its badge.
  void itemsScare();
  void itemsStopScare();
  void itemClick(const Ref<CBSortButton>& button);

  /// Four columns of 50 x 30 buttons with five equal gaps, rows 55 apart from y 135.
  void layoutSubviews() override;
  static gfx::Rect gridFrame(size_t index, double width);

  static constexpr double kMoveDuration = 0.3;
  static constexpr double kDeleteStagger = 0.02;

 private:
  void setup();
  void finishDrag();
  std::vector<Ref<CBSortButton>> buttonsInOrder();
  void post(const char* name, const rt::String& title);

  Ref<CBItemManager> itemManager_;
  std::vector<rt::String> itemKeys_, tmpKeys_;
  bool tmpKeysMade_ = false;
  rt::String selectButtonTitle_;
  std::vector<Ref<ui::View>> positionViews_;
  std::map<rt::String, Ref<CBSortButton>> itemsDic_;
  Weak<CBSortButton> selectButton_, otherButton_;
  Ref<ui::LongPressGestureRecognizer> longPress_;
  gfx::Rect oldItemFrame_, newItemFrame_, tmpRect_;
  bool scareing_ = false, moving_ = false, isSetItemkey_ = false;
};

}  // namespace widgets
