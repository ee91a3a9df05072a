// The observer that hangs on a keyboard view: told of settings of the view's geometry, moved
// between views, and gone with the view it hangs on.
#include "textview/keyboard/DRTextKeyboardViewFrameObserver.h"

#include <gtest/gtest.h>

using textview::DRTextKeyboardViewFrameObserver;

namespace {

TEST(KeyboardViewFrameObserver, HangsOnOneViewAndReportsItsGeometry) {
  auto a = rt::make<ui::View>(gfx::RectMake(0, 0, 100, 50));
  auto b = rt::make<ui::View>(gfx::RectMake(0, 0, 100, 50));
  EXPECT_FALSE(DRTextKeyboardViewFrameObserver::observerForView(nullptr));
  EXPECT_FALSE(DRTextKeyboardViewFrameObserver::observerForView(a.get()));

  std::vector<ui::View*> seen;
  Weak<DRTextKeyboardViewFrameObserver> watch;
  {
    auto observer = rt::make<DRTextKeyboardViewFrameObserver>();
    observer->notifyBlock = [&](ui::View* v) { seen.push_back(v); };
    observer->addToKeyboardView(a);
    watch = observer;
  }
  // The view keeps it.
  auto observer = watch.lock();
  ASSERT_TRUE(observer);
  EXPECT_EQ(DRTextKeyboardViewFrameObserver::observerForView(a.get()), observer);
  EXPECT_EQ(observer->keyboardView(), a);

  a->setCenter({60, 30});
  a->setTransform(gfx::AffineTransformMakeScale(2, 2));
  a->setBounds(gfx::RectMake(0, 0, 80, 40));
  // Every setting of frame, centre, bounds or transform is reported, each one about this view.
  EXPECT_GE(seen.size(), 3u);
  for (auto* v : seen) EXPECT_EQ(v, a.get());

  // Moved: the old view is left alone.
  observer->addToKeyboardView(b);
  EXPECT_FALSE(DRTextKeyboardViewFrameObserver::observerForView(a.get()));
  EXPECT_EQ(DRTextKeyboardViewFrameObserver::observerForView(b.get()), observer);
  seen.clear();
  a->setFrame(gfx::RectMake(1, 2, 3, 4));
  EXPECT_TRUE(seen.empty());
  b->setFrame(gfx::RectMake(1, 2, 3, 4));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), b.get());

  // Gone with its view.
  observer.reset();
  b.reset();
  EXPECT_TRUE(watch.expired());
}

}  // namespace
