#include "widgets/channels/CBCursor.h"

#include <cmath>
#include <set>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Log.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/ViewAnimation.h"
#include "widgets/channels/CBAnimationTool.h"
#include "widgets/channels/CBIcons.h"
#include "widgets/channels/CBItemManager.h"
#include "widgets/channels/View+CBFrame.h"

namespace widgets {

RT_IMPLEMENT(CBCursor) {
  c.property("rootScrollViewHeight", &CBCursor::rootScrollViewHeight, &CBCursor::setRootScrollViewHeight);
  c.property("navBarH", &CBCursor::navBarH);
}

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCaptionWidth = 120;
constexpr double kConfirmWidth = 70, kConfirmHeight = 26;

// A control action that reaches the cursor only while it lives.
template <class F> ui::Control::Action weakAction(const Ref<CBCursor>& cursor, F f) {
  Weak<CBCursor> weak = cursor;
  return [weak, f](ui::Control&, ui::Event*) {
    if (auto c = weak.lock()) f(*c);
  };
}

}  // namespace

void CBCursor::init() {
  ui::View::init();
  setup();
}

void CBCursor::init(std::vector<rt::String> titles, std::vector<Ref<ui::View>> pageViews) {
  ui::View::init();
  setTitles(std::move(titles));
  setPageViews(std::move(pageViews));
  setup();
}

void CBCursor::setup() {
  addSubview(rootScrollView());
  addSubview(sortItmView());
  addSubview(scrollNavBar());
  addSubview(sortButton());
  addSubview(confirmButton());
  addSubview(tipsLabel());
  setClipsToBounds(true);
  setUserInteractionEnabled(true);
  if (!backgroundColor()) setBackgroundColor(gfx::Color::whiteColor());
}

// ---- the pieces

const Ref<CBRootScrollView>& CBCursor::rootScrollView() {
  if (!rootScrollView_) {
    rootScrollView_ = rt::make<CBRootScrollView>();
    rootScrollView_->setPagingEnabled(true);
    rootScrollView_->setBackgroundColor(gfx::Color::colorWithRed(245 / 255.0, 245 / 255.0, 245 / 255.0, 1));
    rootScrollView_->layer()->setBorderWidth(1);
    rootScrollView_->layer()->setBorderColor(gfx::Color::colorWithRed(220 / 255.0, 220 / 255.0, 220 / 255.0, 1));
  }
  return rootScrollView_;
}

const Ref<CBScrollNavBar>& CBCursor::scrollNavBar() {
  if (!scrollNavBar_) {
    scrollNavBar_ = rt::make<CBScrollNavBar>();
    scrollNavBar_->setBackgroundColor(gfx::Color::redColor());
  }
  return scrollNavBar_;
}

const Ref<ui::Button>& CBCursor::sortButton() {
  if (!sortButton_) {
    sortButton_ = rt::make<ui::Button>();
    sortButton_->setAdjustsImageWhenDisabled(false);
    sortButton_->setImage(CBIconImage("icon_more.png"), ui::ControlStateNormal);
    sortButton_->addTarget(self(), weakAction(std::static_pointer_cast<CBCursor>(self()),
                                              [](CBCursor& c) { c.sortButtonClick(); }),
                           ui::ControlEventTouchUpInside);
    sortButton_->setHidden(true);
  }
  return sortButton_;
}

const Ref<CBSortItemView>& CBCursor::sortItmView() {
  if (!sortItmView_) {
    sortItmView_ = rt::make<CBSortItemView>();
    sortItmView_->setHidden(true);
    sortItmView_->setUserInteractionEnabled(true);
    sortItmView_->setBackgroundColor(gfx::Color::colorWithWhite(0, 0.4));
    scrollNavBar()->followEditor(sortItmView_);
  }
  return sortItmView_;
}

const Ref<ui::Button>& CBCursor::confirmButton() {
  if (!confirmButton_) {
    confirmButton_ = rt::make<ui::Button>();
    confirmButton_->layer()->setCornerRadius(5);
    confirmButton_->setAlpha(0);
    confirmButton_->setAdjustsImageWhenDisabled(false);
    confirmButton_->layer()->setBorderWidth(1);
    confirmButton_->layer()->setBorderColor(gfx::Color::lightGrayColor());
    confirmButton_->titleLabel()->setFont(typeset::Font::boldSystemFontOfSize(12));
    confirmButton_->setBackgroundColor(gfx::Color::grayColor());
    confirmButton_->setTitle("排序删除", ui::ControlStateNormal);
    confirmButton_->setTitle("完成", ui::ControlStateSelected);
    confirmButton_->addTarget(self(), weakAction(std::static_pointer_cast<CBCursor>(self()),
                                                 [](CBCursor& c) { c.confirmButtonClick(); }),
                              ui::ControlEventTouchUpInside);
  }
  return confirmButton_;
}

const Ref<ui::Label>& CBCursor::tipsLabel() {
  if (!tipsLabel_) {
    tipsLabel_ = rt::make<ui::Label>();
    tipsLabel_->setText("栏目切换");
    tipsLabel_->setTextColor(gfx::Color::whiteColor());
    tipsLabel_->setFont(typeset::Font::systemFontOfSize(22));
    tipsLabel_->setTextAlignment(typeset::TextAlignment::Center);
    tipsLabel_->setHidden(true);
  }
  return tipsLabel_;
}

// ---- content

void CBCursor::setPageViews(std::vector<Ref<ui::View>> pageViews) {
  pageViews_ = std::move(pageViews);
  scrollNavBar()->setPageViews(pageViews_);
  scrollNavBar()->setRootScrollView(rootScrollView());
}

bool CBCursor::checkisHaveSameItem(const std::vector<rt::String>& titles) {
  std::set<rt::String> seen;
  for (const auto& t : titles)
    if (!seen.insert(t).second) return true;
  return false;
}

void CBCursor::setTitles(std::vector<rt::String> titles) {
  if (checkisHaveSameItem(titles)) {
    fd::NSLog("CBCursor: refused channel titles that repeat a title; titles must be unique");
    return;
  }
  titles_ = std::move(titles);
  auto manager = sortItmView()->itemManager();
  manager->setScrollNavBar(scrollNavBar());
  manager->setSortItemView(sortItmView());
  manager->setItemTitles(titles_);
}

// ---- look

void CBCursor::setTitleNormalColor(const Ref<gfx::Color>& color) {
  titleNormalColor_ = color;
  scrollNavBar()->setTitleNormalColor(color);
}
void CBCursor::setTitleSelectedColor(const Ref<gfx::Color>& color) {
  titleSelectedColor_ = color;
  scrollNavBar()->setTitleSelectedColor(color);
}
void CBCursor::setBackgroundImage(const Ref<gfx::Image>& image) {
  backgroundImage_ = image;
  scrollNavBar()->setBackgroundImage(image);
}
void CBCursor::setIsGraduallyChangColor(bool on) {
  graduallyColor_ = on;
  scrollNavBar()->setIsGraduallyChangColor(on);
}
void CBCursor::setIsGraduallyChangFont(bool on) {
  graduallyFont_ = on;
  scrollNavBar()->setIsGraduallyChangFont(on);
}
void CBCursor::setMinFontSize(int64_t size) {
  minFontSize_ = size;
  scrollNavBar()->setMinFontSize(size);
}
void CBCursor::setMaxFontSize(int64_t size) {
  maxFontSize_ = size;
  scrollNavBar()->setMaxFontSize(size);
}

void CBCursor::setBackgroundColor(Ref<gfx::Color> color) {
  ui::View::setBackgroundColor(gfx::Color::clearColor());
  scrollNavBar()->setBackgroundColor(color);
  sortButton()->setBackgroundColor(color);
}

// ---- geometry

void CBCursor::setShowSortbutton(bool on) {
  showSortbutton_ = on;
  scrollNavBar()->setIsShowSortButton(on);
  sortButton()->setHidden(!on);
}

void CBCursor::setRootScrollViewHeight(double height) {
  rootScrollViewHeight_ = height;
  gfx::Rect f = frame();
  if (navBarH_ == 0) {
    navBarH_ = f.size.height;
    f.size.height += height;
  }
  fd::NSLog("%s(%d): frameChanged  %@", __func__, __LINE__, gfx::StringFromRect(f));
  setFrame(f);
}

void CBCursor::setscrollNavBarFrame(gfx::Rect frame) { scrollNavBar()->setFrame(frame); }

void CBCursor::layoutSubviews() {
  ui::View::layoutSubviews();
  rootScrollView()->setFrame(gfx::RectMake(0, kPagesTop, bounds().size.width, rootScrollViewHeight_));
  if (!isLayout_) {
    rootScrollView()->reloadPageViews();
    isLayout_ = true;
  }
  if (showSortbutton_) {
    layoutWhenShowSortbutton();
  } else {
    layoutWhenHiddenSortbutton();
  }
}

void CBCursor::layoutWhenHiddenSortbutton() { placeEditorControls(); }
void CBCursor::layoutWhenShowSortbutton() { placeEditorControls(); }

void CBCursor::placeEditorControls() {
  double W = bounds().size.width;
  gfx::Rect bar = scrollNavBar()->frame();
  double h = bar.size.height;
  double right = gfx::RectGetMaxX(bar);
  sortButton()->setFrame(gfx::RectMake(right - h, bar.origin.y, h, h));
  confirmButton()->setFrame(
      gfx::RectMake(right - h - kConfirmWidth - 8, bar.origin.y + (h - kConfirmHeight) / 2, kConfirmWidth, kConfirmHeight));
  gfx::Rect caption = tipsLabel()->frame();
  double captionX = controlsPlaced_ ? caption.origin.x : -2 * kCaptionWidth;
  tipsLabel()->setFrame(gfx::RectMake(captionX, bar.origin.y, kCaptionWidth, h));
  double editorY = controlsPlaced_ ? sortItmView()->frame().origin.y : navBarH_ * 0.5 - 360;
  // Tall enough to cover the pages from its open place.
  sortItmView()->setFrame(gfx::RectMake(0, editorY, W, kPagesTop - kEditorOpenY + rootScrollViewHeight_));
  controlsPlaced_ = true;
}

// ---- the editor

void CBCursor::hiddenSortItemViewSetting() {
  sortItmView()->setHidden(false);
  confirmButton()->setHidden(false);
  tipsLabel()->setHidden(false);
  rootScrollView()->setUserInteractionEnabled(false);
  scrollNavBar()->setUserInteractionEnabled(false);
  scrollNavBar()->setIsItemHiddenAfterDelet(true);
  scrollNavBar()->hiddenAllItems();
}

void CBCursor::showSortItemViewSetting() {
  sortItmView()->setHidden(true);
  sortButton()->setEnabled(true);
  confirmButton()->setHidden(true);
  tipsLabel()->setHidden(true);
  rootScrollView()->setUserInteractionEnabled(true);
  scrollNavBar()->setUserInteractionEnabled(true);
}

void CBCursor::showSortItemView() {
  hiddenSortItemViewSetting();
  auto editor = sortItmView();
  auto more = sortButton();
  Weak<CBCursor> weak = std::static_pointer_cast<CBCursor>(self());
  CBAnimationTool::springAnimateWithAnimations(
      [editor, more] {
        cbframe::setY(*editor, kEditorOpenY);
        more->imageView()->setTransform(gfx::AffineTransformMakeRotation(kPi));
      },
      [weak](bool) {
        auto self = weak.lock();
        if (!self) return;
        self->sortButton()->setEnabled(true);
        auto confirm = self->confirmButton();
        CBAnimationTool::animateWithAnimations([confirm] { confirm->setAlpha(1); });
        auto caption = self->tipsLabel();
        double x = 0.1 * self->bounds().size.width;
        CBAnimationTool::springAnimateWithAnimations([caption, x] { cbframe::setX(*caption, x); }, nullptr);
      });
}

void CBCursor::hiddenSortItemView() {
  if (sortItmView()->isScareing()) {
    sortItmView()->itemsStopScare();
    confirmButton()->setSelected(!confirmButton()->isSelected());
  }
  scrollNavBar()->setIsItemHiddenAfterDelet(false);
  auto confirm = confirmButton();
  CBAnimationTool::animateWithAnimations([confirm] { confirm->setAlpha(0); });
  auto caption = tipsLabel();
  CBAnimationTool::springAnimateWithAnimations([caption] { cbframe::setX(*caption, -2 * cbframe::width(*caption)); },
                                               nullptr);
  Weak<CBScrollNavBar> bar = scrollNavBar();
  dispatch::mainQueue()->after(0.1, [bar] {
    if (auto b = bar.lock()) b->showAllItems();
  });
  auto editor = sortItmView();
  auto more = sortButton();
  double closedY = navBarH_ * 0.5 - 360;
  Weak<CBCursor> weak = std::static_pointer_cast<CBCursor>(self());
  CBAnimationTool::springAnimateWithAnimations(
      [editor, more, closedY] {
        cbframe::setY(*editor, closedY);
        more->imageView()->setTransform(gfx::AffineTransformIdentity);
      },
      [weak](bool) {
        if (auto self = weak.lock()) self->showSortItemViewSetting();
      });
}

void CBCursor::sortButtonClick() {
  auto more = sortButton();
  more->setEnabled(false);
  rt::String shown;
  if (auto item = scrollNavBar()->currectItem()) shown = item->titleLabel()->text();
  sortItmView()->setSelectButtonTitle(shown);
  if (more->isSelected()) {
    hiddenSortItemView();
  } else {
    showSortItemView();
  }
  more->setSelected(!more->isSelected());
}

void CBCursor::confirmButtonClick() {
  auto confirm = confirmButton();
  if (confirm->isSelected()) {
    sortItmView()->itemsStopScare();
  } else {
    sortItmView()->itemsScare();
  }
  confirm->setSelected(!confirm->isSelected());
}

}  // namespace widgets
