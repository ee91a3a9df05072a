#pragma once
// The channel bar's row of titles, one button per channel above the page container. It is the
// container's scroll delegate: while the pages move it blends the font size and colour of the
// two titles either side of the offset and selects where a swipe will rest; a tap on a title
// scrolls the pages there. It follows the channel editor through its notifications. Main
// thread only.
#include <cstdint>
#include <map>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/lists/ScrollView.h"
#include "widgets/channels/CBRootScrollView.h"
#include "widgets/channels/Color+RGBA.h"

namespace widgets {

class CBSortItemView;

/// Nothing the bar calls.
class CBScrollNavBarDelegate {
 public:
  virtual ~CBScrollNavBarDelegate() = default;
};

class CBScrollNavBar : public ui::ScrollView, public ui::ScrollViewDelegate {
  RT_CLASS(CBScrollNavBar, ui::ScrollView)
 public:
  // The scroll view's private frame step hides the view's frame getter from plain lookup.
  using ui::View::frame;
  void init();
  ~CBScrollNavBar() override;

  // ---- titles and pages
  const std::vector<rt::String>& itemKeys() const { return itemKeys_; }
  /// Keeps the titles; the first time also builds one button per title. Later calls only change
  /// the order and set: a title that was not among the first ones gets no button.
  void setItemKeys(std::vector<rt::String> keys);
  const std::vector<rt::String>& tmpKeys() const { return tmpKeys_; }
  const std::vector<Ref<ui::View>>& pageViews() const { return pageViews_; }
  void setPageViews(std::vector<Ref<ui::View>> pageViews) { pageViews_ = std::move(pageViews); }
  Ref<CBRootScrollView> rootScrollView() const { return rootScrollView_.lock(); }
  /// Becomes the container's scroll delegate and hands it the page views.
  void setRootScrollView(const Ref<CBRootScrollView>& rootScrollView);
  /// Page views by title, filled when the titles are first hidden for the editor.
  const std::map<rt::String, Ref<ui::View>>& tmpPageViewDic() const { return tmpPageViewDic_; }
  void setupTmpPageViewDic();
  const std::map<rt::String, Ref<ui::Button>>& itemsDic() const { return itemsDic_; }

  // ---- look
  Ref<gfx::Color> titleNormalColor() const { return titleNormalColor_; }
  void setTitleNormalColor(const Ref<gfx::Color>& color);
  Ref<gfx::Color> titleSelectedColor() const { return titleSelectedColor_; }
  void setTitleSelectedColor(const Ref<gfx::Color>& color);
  const RGBA& normalComponents() const { return normal_; }
  const RGBA& selectedComponents() const { return selected_; }
  bool isGraduallyChangColor() const { return graduallyColor_; }
  void setIsGraduallyChangColor(bool on);
  bool isGraduallyChangFont() const { return graduallyFont_; }
  void setIsGraduallyChangFont(bool on) { graduallyFont_ = on; }
  int64_t minFontSize() const { return minFontSize_; }
  /// Keeps the size and gives every title the bold font of it (16 when it is not above 0).
  void setMinFontSize(int64_t size);
  int64_t maxFontSize() const { return maxFontSize_; }
  /// Sizes of 10 and below mean 21.
  void setMaxFontSize(int64_t size);
  void setItemsFontWithFontSize(int64_t size);
  Ref<gfx::Image> backgroundImage() const { return backgroundImage_; }
  void setBackgroundImage(Ref<gfx::Image> image) { backgroundImage_ = std::move(image); }
  rt::String currentTitle() const { return currentTitle_; }
  void setCurrentTitle(rt::String title) { currentTitle_ = std::move(title); }

  // ---- state
  bool isShowSortButton() const { return showSortButton_; }
  void setIsShowSortButton(bool on) { showSortButton_ = on; setNeedsLayout(); }
  bool isItemHiddenAfterDelet() const { return itemHidden_; }
  void setIsItemHiddenAfterDelet(bool on) { itemHidden_ = on; }
  double itemW() const { return itemW_; }
  Ref<ui::Button> currectItem() const { return currectItem_.lock(); }
  Ref<ui::Button> oldItem() const { return oldItem_.lock(); }
  Ref<ui::Button> firstButton() const { return firstButton_.lock(); }
  Ref<ui::Button> secButton() const { return secButton_.lock(); }
  int64_t currctIndex() const { return currctIndex_; }
  Weak<CBScrollNavBarDelegate> navBardelegate() const { return navBarDelegate_; }
  void setNavBardelegate(Weak<CBScrollNavBarDelegate> d) { navBarDelegate_ = std::move(d); }

  // ---- items
  /// Index of the title in the item keys, or -1.
  int64_t getIndexWithKey(const rt::String& key) const;
  /// The button of title number `index` in display order, or null.
  Ref<ui::Button> getItemWithIndex(int64_t index) const;
  Ref<ui::Button> createItemWithTitle(const rt::String& title);
  void setupItems();
  void layoutButtons();
  void layoutSubviews() override;

  // ---- selection and blending
  /// A tap on a title: select it, bring it into view, scroll the pages to it.
  void buttonClick(const Ref<ui::Button>& button);
  void clickButtonWhenNotGraduallyChangFont(const Ref<ui::Button>& button);
  void selectItemWhenNotGraduallyChangFont(const Ref<ui::Button>& button) {
    clickButtonWhenNotGraduallyChangFont(button);
  }
  /// Selects title `index` and brings it into view without moving the pages.
  void setSelectItemWithIndex(int64_t index);
  void buttonMoveAnimationWithIndex(int64_t index);
  void setupNormalFontSizeItem();
  void setItemFontSizeWithFrontItem(const Ref<ui::Button>& front, const Ref<ui::Button>& back, double percent);
  void setItemFontColorWithFrontItem(const Ref<ui::Button>& front, const Ref<ui::Button>& back, double percent);
  /// Blends the titles either side of page offset `offsetX` for pages `width` wide.
  void changeButtonFontWithOffset(double offsetX, double width);
  /// Nudges the pages so that the first page's blending runs.
  void addOffset();

  // ---- following the editor
  /// Follows the announcements of `editor` only (none when null), in place of any editor
  /// followed before.
  void followEditor(const Ref<CBSortItemView>& editor);
  void hiddenAllItems();
  void showAllItems();
  void updatePageView(const Ref<fd::Notification>& notification);
  void updateTitles(const Ref<fd::Notification>& notification);
  void moveToSelectedItemAfterDelet(const Ref<fd::Notification>& notification);
  void moveToTopAfterDelet(const Ref<fd::Notification>& notification);

  // ---- the page container's scrolling
  void scrollViewDidScroll(ui::ScrollView& s) override;
  void scrollViewWillEndDragging(ui::ScrollView& s, gfx::Point velocity, gfx::Point* targetContentOffset) override;

  /// Width of an item when the titles do not fill the bar.
  static constexpr double kItemWidth = 75;

 private:
  void setup();
  /// Selection of a tapped or swiped-to item (the first step of a tap).
  void selectItem(const Ref<ui::Button>& button);
  double normalFontSize() const { return minFontSize_ > 0 ? static_cast<double>(minFontSize_) : 16; }

  std::vector<rt::String> itemKeys_, tmpKeys_;
  std::vector<Ref<ui::View>> pageViews_;
  Weak<CBRootScrollView> rootScrollView_;
  std::map<rt::String, Ref<ui::View>> tmpPageViewDic_;
  std::map<rt::String, Ref<ui::Button>> itemsDic_;
  Ref<gfx::Color> titleNormalColor_, titleSelectedColor_;
  Ref<gfx::Image> backgroundImage_;
  rt::String currentTitle_;
  RGBA normal_, selected_;
  Weak<ui::Button> currectItem_, oldItem_, firstButton_, secButton_;
  Weak<CBScrollNavBarDelegate> navBarDelegate_;
  int64_t minFontSize_ = 0, maxFontSize_ = 0;
  int64_t currctIndex_ = 0;
  double itemW_ = 0;
  bool graduallyColor_ = false, graduallyFont_ = false;
  bool showSortButton_ = false, itemHidden_ = false;
  bool isLayoutitems_ = false, isHiddenAllItem_ = false;
};

}  // namespace widgets
