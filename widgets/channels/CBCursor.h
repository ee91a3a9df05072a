#pragma once
// The channel bar a screen with several channels puts at its top: a row of channel titles above
// a paged container with one page view per channel, and a channel editor that slides down over
// the pages from the "more" button. It builds its pieces lazily and wires them together; the
// title bar and the editor meet only through the shared title store. Main thread only.
#include <vector>

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/view/View.h"
#include "widgets/channels/CBRootScrollView.h"
#include "widgets/channels/CBScrollNavBar.h"
#include "widgets/channels/CBSortItemView.h"

namespace widgets {

class CBCursor : public ui::View {
  RT_CLASS(CBCursor, ui::View)
 public:
  void init();
  void init(std::vector<rt::String> titles, std::vector<Ref<ui::View>> pageViews);

  // ---- the pieces, built on first read
  const Ref<CBRootScrollView>& rootScrollView();
  const Ref<CBScrollNavBar>& scrollNavBar();
  const Ref<ui::Label>& tipsLabel();
  const Ref<ui::Button>& sortButton();
  const Ref<ui::Button>& confirmButton();
  const Ref<CBSortItemView>& sortItmView();

  // ---- content
  const std::vector<Ref<ui::View>>& pageViews() const { return pageViews_; }
  /// Hands the page views to the title bar and the bar to the page container.
  void setPageViews(std::vector<Ref<ui::View>> pageViews);
  const std::vector<rt::String>& titles() const { return titles_; }
  /// Titles are the keys of the bar's and the editor's buttons: a list with a title twice is
  /// refused (logged) and changes nothing.
  void setTitles(std::vector<rt::String> titles);
  static bool checkisHaveSameItem(const std::vector<rt::String>& titles);

  // ---- look, forwarded to the title bar
  Ref<gfx::Color> titleNormalColor() const { return titleNormalColor_; }
  void setTitleNormalColor(const Ref<gfx::Color>& color);
  Ref<gfx::Color> titleSelectedColor() const { return titleSelectedColor_; }
  void setTitleSelectedColor(const Ref<gfx::Color>& color);
  Ref<gfx::Image> backgroundImage() const { return backgroundImage_; }
  void setBackgroundImage(const Ref<gfx::Image>& image);
  bool isGraduallyChangColor() const { return graduallyColor_; }
  void setIsGraduallyChangColor(bool on);
  bool isGraduallyChangFont() const { return graduallyFont_; }
  void setIsGraduallyChangFont(bool on);
  int64_t minFontSize() const { return minFontSize_; }
  void setMinFontSize(int64_t size);
  int64_t maxFontSize() const { return maxFontSize_; }
  void setMaxFontSize(int64_t size);
  Ref<gfx::Color> navLineColor() const { return navLineColor_; }
  void setNavLineColor(Ref<gfx::Color> c) { navLineColor_ = std::move(c); }
  int64_t defFontSize() const { return defFontSize_; }
  void setDefFontSize(int64_t s) { defFontSize_ = s; }
  /// Keeps the view itself clear; the colour shows on the title bar and the "more" button.
  void setBackgroundColor(Ref<gfx::Color> color) override;

  // ---- geometry
  bool showSortbutton() const { return showSortbutton_; }
  void setShowSortbutton(bool on);
  double rootScrollViewHeight() const { return rootScrollViewHeight_; }
  /// The first call also makes the view taller by `height` (the title area's height is kept
  /// as `navBarH`); later calls change only the page container's height at the next layout.
  void setRootScrollViewHeight(double height);
  double navBarH() const { return navBarH_; }
  void setscrollNavBarFrame(gfx::Rect frame);
  bool isLayout() const { return isLayout_; }
  void layoutSubviews() override;
  void layoutWhenHiddenSortbutton();
  void layoutWhenShowSortbutton();

  // ---- the editor
  void hiddenSortItemViewSetting();
  void showSortItemViewSetting();
  void showSortItemView();
  void hiddenSortItemView();
  void sortButtonClick();
  void confirmButtonClick();

  /// Where the page container starts below the view's top.
  static constexpr double kPagesTop = 64;
  /// The editor's y while open.
  static constexpr double kEditorOpenY = -70;

 private:
  void setup();
  /// Frames of the "more" and confirm buttons, the caption and the editor; the animated x of
  /// the caption and y of the editor are kept once placed.
  void placeEditorControls();

  std::vector<Ref<ui::View>> pageViews_;
  std::vector<rt::String> titles_;
  Ref<gfx::Color> titleNormalColor_, titleSelectedColor_, navLineColor_;
  Ref<gfx::Image> backgroundImage_;
  Ref<CBRootScrollView> rootScrollView_;
  Ref<CBScrollNavBar> scrollNavBar_;
  Ref<ui::Label> tipsLabel_;
  Ref<ui::Button> sortButton_, confirmButton_;
  Ref<CBSortItemView> sortItmView_;
  int64_t minFontSize_ = 0, maxFontSize_ = 0, defFontSize_ = 0;
  double rootScrollViewHeight_ = 0, navBarH_ = 0;
  bool showSortbutton_ = false, graduallyColor_ = false, graduallyFont_ = false;
  bool isLayout_ = false, controlsPlaced_ = false;
};

}  // namespace widgets
