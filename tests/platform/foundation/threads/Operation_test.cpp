#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/Operation.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/threads/Thread.h"
#include "tests/platform/foundation/threads/RunLoopTestSupport.h"

namespace fd::testing {
namespace {

constexpr double kWait = 10;  // real seconds any bounded wait may take at most

class Log {
 public:
  void add(std::string s) {
    std::lock_guard<std::mutex> lock(m_);
    v_.push_back(std::move(s));
  }
  std::vector<std::string> get() const {
    std::lock_guard<std::mutex> lock(m_);
    return v_;
  }

 private:
  mutable std::mutex m_;
  std::vector<std::string> v_;
};

Ref<BlockOperation> logging(Log& log, std::string name) {
  auto op = BlockOperation::blockOperationWithBlock([&log, name] { log.add(name); });
  op->setName(name.c_str());
  return op;
}

TEST(OperationTest, StatesAreAnnouncedInOrderAndTheCompletionBlockRunsAfterFinish) {
  auto op = rt::make<BlockOperation>();
  Log log;
  op->addExecutionBlock([&] { log.add("main"); });
  for (const char* key : {"isExecuting", "isFinished", "isReady", "isCancelled"})
    op->observe(key, rt::KeyValueObservingOptionNew, [&log, key](Object*, const rt::KeyValueChange& c) {
      log.add(std::string(key) + "=" + (rt::as<Number>(c.newValue) && rt::as<Number>(c.newValue)->boolValue() ? "1" : "0"));
    });
  op->setCompletionBlock([&] { log.add("completion"); });
  EXPECT_TRUE(op->isReady());
  op->start();
  EXPECT_TRUE(op->isFinished());
  EXPECT_FALSE(op->isExecuting());
  ASSERT_TRUE(op->waitUntilFinished(kWait));
  EXPECT_EQ(log.get(), (std::vector<std::string>{"isExecuting=1", "main", "isExecuting=0", "isFinished=1", "completion"}));
  EXPECT_FALSE(op->completionBlock());
  EXPECT_THROW(op->start(), rt::Exception);
}

TEST(OperationTest, DependenciesGateReadinessAndCancellingMakesReady) {
  auto a = rt::make<Operation>(), b = rt::make<Operation>(), c = rt::make<Operation>();
  Log log;
  b->observe("isReady", 0, [&](Object*, const rt::KeyValueChange&) { log.add(b->isReady() ? "ready" : "not ready"); });
  b->addDependency(a);
  EXPECT_FALSE(b->isReady());
  EXPECT_THROW(b->start(), rt::Exception);
  a->start();
  EXPECT_TRUE(b->isReady());
  EXPECT_EQ(log.get(), (std::vector<std::string>{"not ready", "ready"}));

  c->addDependency(b);
  EXPECT_FALSE(c->isReady());
  c->cancel();
  EXPECT_TRUE(c->isCancelled());
  EXPECT_TRUE(c->isReady());
  c->start();  // a cancelled operation finishes without doing its work
  EXPECT_TRUE(c->isFinished());
  EXPECT_THROW(a->addDependency(a), rt::Exception);
  c->removeDependency(b);
  EXPECT_TRUE(c->dependencies().empty());
}

TEST(OperationTest, PrioritiesAreMovedToTheNamedValues) {
  struct Case { int64_t given; OperationQueuePriority stored; };
  const Case cases[] = {{-100, OperationQueuePriority::VeryLow}, {-8, OperationQueuePriority::VeryLow},
                        {-5, OperationQueuePriority::Low},      {-4, OperationQueuePriority::Low},
                        {0, OperationQueuePriority::Normal},    {3, OperationQueuePriority::Normal},
                        {4, OperationQueuePriority::High},      {8, OperationQueuePriority::VeryHigh},
                        {50, OperationQueuePriority::VeryHigh}};
  auto op = rt::make<Operation>();
  for (auto& c : cases) {
    op->setQueuePriority(static_cast<OperationQueuePriority>(c.given));
    EXPECT_EQ(op->queuePriority(), c.stored) << c.given;
  }
}

TEST(OperationQueueTest, OneSlotWithReversedDependenciesRunsLastAddedFirst) {
  auto queue = OperationQueue::create("lifo");
  queue->setMaxConcurrentOperationCount(1);
  Log log;
  auto a = logging(log, "A"), b = logging(log, "B"), c = logging(log, "C");
  a->addDependency(b);
  b->addDependency(c);
  queue->addOperation(a);
  queue->addOperation(b);
  queue->addOperation(c);
  ASSERT_TRUE(queue->waitUntilAllOperationsAreFinished(kWait));
  EXPECT_EQ(log.get(), (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_EQ(queue->operationCount(), 0u);
}

TEST(OperationQueueTest, HigherPriorityStartsFirstWhenSlotsAreScarce) {
  auto queue = OperationQueue::create();
  queue->setMaxConcurrentOperationCount(1);
  queue->setSuspended(true);
  Log log;
  struct Case { const char* name; OperationQueuePriority p; };
  const Case cases[] = {{"low", OperationQueuePriority::Low},
                        {"normal", OperationQueuePriority::Normal},
                        {"veryHigh", OperationQueuePriority::VeryHigh},
                        {"high", OperationQueuePriority::High},
                        {"normal2", OperationQueuePriority::Normal}};
  for (auto& c : cases) {
    auto op = logging(log, c.name);
    op->setQueuePriority(c.p);
    queue->addOperation(op);
  }
  EXPECT_EQ(queue->operationCount(), 5u);
  EXPECT_TRUE(log.get().empty());
  queue->setSuspended(false);
  ASSERT_TRUE(queue->waitUntilAllOperationsAreFinished(kWait));
  EXPECT_EQ(log.get(), (std::vector<std::string>{"veryHigh", "high", "normal", "normal2", "low"}));
}

TEST(OperationQueueTest, PriorityChangedWhileWaitingIsHonoured) {
  auto queue = OperationQueue::create();
  queue->setMaxConcurrentOperationCount(1);
  queue->setSuspended(true);
  Log log;
  std::map<std::string, Ref<Operation>> ops;
  for (const char* name : {"a", "b", "c", "d"}) {
    ops[name] = logging(log, name);
    queue->addOperation(ops[name]);
  }
  ops["c"]->setQueuePriority(OperationQueuePriority::High);
  ops["a"]->setQueuePriority(OperationQueuePriority::VeryLow);
  ops["d"]->setQueuePriority(OperationQueuePriority::High);  // ties keep the order added
  queue->setSuspended(false);
  ASSERT_TRUE(queue->waitUntilAllOperationsAreFinished(kWait));
  EXPECT_EQ(log.get(), (std::vector<std::string>{"c", "d", "b", "a"}));
}

TEST(OperationQueueTest, WidthIsReachedAndNeverExceeded) {
  auto queue = OperationQueue::create();
  queue->setMaxConcurrentOperationCount(3);
  std::mutex m;
  std::condition_variable cv;
  int running = 0, peak = 0, entered = 0;
  for (int i = 0; i < 9; ++i) {
    queue->addOperationWithBlock([&] {
      std::unique_lock<std::mutex> lock(m);
      ++running;
      ++entered;
      peak = std::max(peak, running);
      cv.notify_all();
      // The first three wait for each other, proving three run at once.
      cv.wait_for(lock, std::chrono::seconds(5), [&] { return entered >= 3; });
      --running;
    });
  }
  ASSERT_TRUE(queue->waitUntilAllOperationsAreFinished(kWait));
  EXPECT_EQ(peak, 3);
  EXPECT_EQ(entered, 9);
}

// A concurrent operation: it finishes when told to, from another thread, and announces it.
class ManualOperation : public Operation {
  RT_CLASS(ManualOperation, Operation)
 public:
  Log* log = nullptr;
  std::string name;
  bool isAsynchronous() const override { return true; }
  bool isExecuting() const override { return executing_.load(); }
  bool isFinished() const override { return finished_.load(); }
  void start() override {
    log->add(name + " start");
    willChangeValueForKey("isExecuting");
    executing_ = true;
    didChangeValueForKey("isExecuting");
  }
  void finish() {
    log->add(name + " finish");
    willChangeValueForKey("isExecuting");
    willChangeValueForKey("isFinished");
    executing_ = false;
    finished_ = true;
    didChangeValueForKey("isExecuting");
    didChangeValueForKey("isFinished");
  }

 private:
  std::atomic<bool> executing_{false}, finished_{false};
};
RT_IMPLEMENT(ManualOperation) {}

TEST(OperationQueueTest, AConcurrentOperationHoldsItsSlotUntilItAnnouncesFinished) {
  auto queue = OperationQueue::create();
  queue->setMaxConcurrentOperationCount(1);
  Log log;
  auto first = rt::make<ManualOperation>(), second = rt::make<ManualOperation>();
  first->log = second->log = &log;
  first->name = "1";
  second->name = "2";
  std::atomic<bool> completed{false};
  first->setCompletionBlock([&] { completed = true; });
  queue->addOperation(first);
  queue->addOperation(second);
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return first->isExecuting(); }, kWait));
  EXPECT_FALSE(second->isExecuting());
  EXPECT_EQ(queue->operationCount(), 2u);
  std::thread([&] { first->finish(); }).join();
  ASSERT_TRUE(first->waitUntilFinished(kWait));
  EXPECT_TRUE(completed.load());
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return second->isExecuting(); }, kWait));
  second->finish();
  ASSERT_TRUE(queue->waitUntilAllOperationsAreFinished(kWait));
  EXPECT_EQ(log.get(), (std::vector<std::string>{"1 start", "1 finish", "2 start", "2 finish"}));
}

TEST(OperationQueueTest, CancelAllFinishesPendingOperationsWithoutRunningThem) {
  auto queue = OperationQueue::create();
  queue->setSuspended(true);
  Log log;
  std::atomic<int> completions{0};
  for (int i = 0; i < 4; ++i) {
    auto op = logging(log, "op");
    op->setCompletionBlock([&] { completions.fetch_add(1); });
    queue->addOperation(op);
  }
  auto ops = queue->operations();
  queue->cancelAllOperations();
  for (auto& op : ops) EXPECT_TRUE(op->isCancelled());
  queue->setSuspended(false);
  ASSERT_TRUE(queue->waitUntilAllOperationsAreFinished(kWait));
  for (auto& op : ops) {
    EXPECT_TRUE(op->isFinished());
    EXPECT_TRUE(op->waitUntilFinished(kWait));
  }
  EXPECT_TRUE(log.get().empty());
  EXPECT_EQ(completions.load(), 4);
}

TEST(OperationQueueTest, AddingTwiceOrAfterFinishingRaises) {
  auto queue = OperationQueue::create();
  auto op = rt::make<Operation>();
  queue->setSuspended(true);
  queue->addOperation(op);
  EXPECT_THROW(queue->addOperation(op), rt::Exception);
  EXPECT_THROW(OperationQueue::create()->addOperation(op), rt::Exception);
  queue->setSuspended(false);
  op->waitUntilFinished();
  auto done = rt::make<Operation>();
  done->start();
  EXPECT_THROW(queue->addOperation(done), rt::Exception);
  EXPECT_THROW(queue->setMaxConcurrentOperationCount(-2), rt::Exception);
  EXPECT_EQ(queue->maxConcurrentOperationCount(), OperationQueue::DefaultMaxConcurrentOperationCount);
}

TEST(OperationQueueTest, BlockOperationRunsEveryBlockAndAddOperationsCanWait) {
  auto queue = OperationQueue::create();
  std::atomic<int> ran{0};
  auto op = BlockOperation::blockOperationWithBlock([&] { ran.fetch_add(1); });
  for (int i = 0; i < 5; ++i) op->addExecutionBlock([&] { ran.fetch_add(1); });
  auto other = BlockOperation::blockOperationWithBlock([&] { ran.fetch_add(10); });
  queue->addOperations({op, other}, true);
  EXPECT_EQ(ran.load(), 16);
  EXPECT_THROW(op->addExecutionBlock([] {}), rt::Exception);
}

TEST(OperationQueueTest, CurrentQueueAndTheMainQueue) {
  auto queue = OperationQueue::create("private");
  Ref<OperationQueue> seenOnPrivate;
  queue->addOperationWithBlock([&] { seenOnPrivate = OperationQueue::currentQueue(); });
  ASSERT_TRUE(queue->waitUntilAllOperationsAreFinished(kWait));
  EXPECT_EQ(seenOnPrivate, queue);
  EXPECT_EQ(OperationQueue::currentQueue(), OperationQueue::mainQueue());

  bool onMain = false;
  Ref<OperationQueue> seenOnMain;
  OperationQueue::mainQueue()->addOperationWithBlock([&] {
    onMain = Thread::isMainThread();
    seenOnMain = OperationQueue::currentQueue();
  });
  EXPECT_EQ(OperationQueue::mainQueue()->operationCount(), 1u);
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return OperationQueue::mainQueue()->operationCount() == 0; }, kWait));
  EXPECT_TRUE(onMain);
  EXPECT_EQ(seenOnMain, OperationQueue::mainQueue());
  EXPECT_EQ(OperationQueue::mainQueue()->maxConcurrentOperationCount(), 1);
}

}  // namespace
}  // namespace fd::testing
