#include <gtest/gtest.h>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/Transaction.h"

using namespace ui;

namespace {

class TransactionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    Transaction::flush();
  }
  void TearDown() override {
    Transaction::flush();
    fd::RunLoopDriver::reset();
  }
};

Ref<BasicAnimation> fade(double duration) {
  auto a = BasicAnimation::animationWithKeyPath("opacity");
  a->setFromValue(fd::Number::numberWithDouble(0));
  a->setDuration(duration);
  return a;
}

}  // namespace

TEST_F(TransactionTest, ImplicitTransactionCommitsBeforeTheLoopWaits) {
  EXPECT_EQ(Transaction::depth(), 0u);
  auto l = Layer::layer();
  l->setOpacity(0.5);
  EXPECT_EQ(Transaction::depth(), 1u);
  fd::RunLoopDriver::runOneTurn();
  EXPECT_EQ(Transaction::depth(), 0u);
}

TEST_F(TransactionTest, NestedFlagsAreSavedAndRestored) {
  EXPECT_FALSE(Transaction::disableActions());
  EXPECT_EQ(Transaction::animationDuration(), 0.25);
  Transaction::begin();
  Transaction::setDisableActions(true);
  Transaction::setAnimationDuration(0.4);
  Transaction::begin();
  EXPECT_TRUE(Transaction::disableActions());  // inherited
  Transaction::setDisableActions(false);
  EXPECT_FALSE(Transaction::disableActions());
  Transaction::commit();
  EXPECT_TRUE(Transaction::disableActions());
  EXPECT_EQ(Transaction::animationDuration(), 0.4);
  Transaction::commit();
  EXPECT_FALSE(Transaction::disableActions());
  Transaction::commit();  // unbalanced commits are ignored
  fd::RunLoopDriver::runOneTurn();
  EXPECT_EQ(Transaction::depth(), 0u);
}

TEST_F(TransactionTest, CompletionWaitsForTheTransactionsAnimations) {
  auto l = Layer::layer();
  int done = 0;
  Transaction::begin();
  Transaction::setCompletionBlock([&] { ++done; });
  l->addAnimation(fade(0.5), "a");
  l->addAnimation(fade(1.0), "b");
  Transaction::commit();
  fd::RunLoopDriver::runOneTurn();
  EXPECT_EQ(done, 0);
  fd::RunLoopDriver::advance(0.6);
  EXPECT_EQ(done, 0);
  fd::RunLoopDriver::advance(0.5);
  EXPECT_EQ(done, 1);
  // Without animations the block runs right after the commit.
  Transaction::begin();
  Transaction::setCompletionBlock([&] { ++done; });
  Transaction::commit();
  fd::RunLoopDriver::runOneTurn();
  EXPECT_EQ(done, 2);
  // A removed animation releases its hold too.
  Transaction::begin();
  Transaction::setCompletionBlock([&] { done += 10; });
  l->addAnimation(fade(5), "c");
  Transaction::commit();
  l->removeAnimationForKey("c");
  fd::RunLoopDriver::runOneTurn();
  EXPECT_EQ(done, 12);
}
