#include <gtest/gtest.h>

#include "platform/runtime/Exception.h"
#include "platform/runtime/Invocation.h"
#include "platform/runtime/WeakProxy.h"
#include "tests/platform/runtime/RuntimeFixtures.h"

using namespace rttest;

TEST(WeakProxy, ForwardsWhileTheTargetLivesAndAnswersZeroAfter) {
  auto w = rt::make<Widget>();
  auto proxy = rt::WeakProxy::proxyWithTarget(w);
  EXPECT_TRUE(proxy->respondsToSelector("bump:"));
  EXPECT_TRUE(proxy->isKindOfClass(Widget::classObject()));
  EXPECT_EQ(proxy->getClass(), Widget::classObject());
  EXPECT_TRUE(proxy->conformsToProtocol("WidgetProtocol"));
  EXPECT_TRUE(proxy->isEqual(w.get()));
  EXPECT_EQ(proxy->hash(), w->hash());
  proxy->performSelector(rt::sel("bump:"), {rt::Value::of<int64_t>(3)});
  EXPECT_EQ(w->count, 3);
  int64_t version = 0;
  ASSERT_TRUE(proxy->performSelector(rt::sel("version")).get(version));
  EXPECT_EQ(version, 7);

  w.reset();  // the proxy never kept it alive
  EXPECT_EQ(proxy->target(), nullptr);
  EXPECT_FALSE(proxy->respondsToSelector("bump:"));
  EXPECT_FALSE(proxy->isKindOfClass(Widget::classObject()));
  rt::Value gone = proxy->performSelector(rt::sel("version"));
  version = 99;
  ASSERT_TRUE(gone.get(version));
  EXPECT_EQ(version, 0);
  rttest::Pair pair{1, 2};
  ASSERT_TRUE(gone.get(pair));
  EXPECT_EQ(pair.a, 0);
  rt::Id object = rt::make<rt::Object>();
  ASSERT_TRUE(gone.get(object));
  EXPECT_EQ(object, nullptr);
}

TEST(WeakProxy, OnlyAProxyAnswersYesToIsProxy) {
  auto w = rt::make<Widget>();
  auto proxy = rt::WeakProxy::proxyWithTarget(w);
  const rt::Object& asObject = *proxy;
  EXPECT_TRUE(asObject.isProxy());
  EXPECT_FALSE(w->isProxy());
  EXPECT_FALSE(rt::make<rt::Object>()->isProxy());
  w.reset();
  EXPECT_TRUE(asObject.isProxy());
}

TEST(WeakProxy, KeyValueCodingReachesTheTarget) {
  auto w = rt::make<Widget>();
  auto proxy = rt::WeakProxy::proxyWithTarget(w);
  auto payload = rt::make<rt::Object>();
  proxy->setValueForKey(payload, "payload");
  EXPECT_EQ(w->payload, payload);
  EXPECT_EQ(proxy->valueForKey("payload"), payload);
  w.reset();
  EXPECT_EQ(proxy->valueForKey("payload"), nullptr);
  proxy->setValueForKey(payload, "payload");  // nothing to set, nothing raised
}

// Once the target is gone, class, hash and descriptions are what a message to nothing answers.
TEST(WeakProxy, AGoneTargetLeavesNoClassNoHashAndNoDescription) {
  auto w = rt::make<Widget>();
  auto proxy = rt::WeakProxy::proxyWithTarget(w);
  EXPECT_EQ(proxy->description(), w->description());
  w.reset();
  EXPECT_EQ(proxy->getClass(), nullptr);
  EXPECT_FALSE(proxy->isMemberOfClass(rt::WeakProxy::classObject()));
  EXPECT_FALSE(proxy->isKindOfClass(rt::Object::classObject()));
  EXPECT_FALSE(proxy->conformsToProtocol("WidgetProtocol"));
  EXPECT_EQ(proxy->hash(), 0u);
  EXPECT_TRUE(proxy->description().isEmpty());
  EXPECT_TRUE(proxy->debugDescription().isEmpty());
  EXPECT_TRUE(proxy->className().isEmpty());
  EXPECT_FALSE(rt::Invocation::forTarget(proxy, rt::sel("version")));
}

TEST(Invocation, SignaturesAndCalls) {
  auto sig = rt::MethodSignature::fromEncoding("v24@0:8q16");
  ASSERT_TRUE(sig);
  EXPECT_EQ(sig->returnType(), "v");
  EXPECT_EQ(sig->numberOfArguments(), 3u);
  EXPECT_EQ(sig->argumentTypeAtIndex(2), "q");
  EXPECT_EQ(sig->methodReturnLength(), 0u);
  EXPECT_EQ(rt::MethodSignature::fromEncoding("{CGRect={CGPoint=dd}{CGSize=dd}}@:")->methodReturnLength(), 32u);
  EXPECT_FALSE(rt::MethodSignature::fromEncoding("v"));
  EXPECT_FALSE(rt::MethodSignature::fromEncoding("{broken"));

  auto w = rt::make<Widget>();
  auto inv = rt::Invocation::forTarget(w, rt::sel("bump:"));
  ASSERT_TRUE(inv);
  inv->setArgument(rt::Value::of<int64_t>(4), 2);
  EXPECT_THROW(inv->setArgument(rt::Value::of<int64_t>(4), 3), rt::Exception);
  inv->invoke();
  inv->invoke();
  EXPECT_EQ(w->count, 8);
  auto version = rt::Invocation::forTarget(w, rt::sel("version"));
  version->invoke();
  EXPECT_EQ(version->returnValue().intValue(), 7);
  EXPECT_FALSE(rt::Invocation::forTarget(w, rt::sel("fly")));
}

TEST(TypeIDs, StableAndUnknown) {
  uint64_t color = rt::registerTypeID("TestColorType");
  EXPECT_EQ(rt::registerTypeID("TestColorType"), color);
  EXPECT_NE(rt::registerTypeID("TestFontType"), color);
  EXPECT_EQ(rt::typeIDNamed("TestColorType"), color);
  EXPECT_EQ(rt::typeIDNamed("NeverRegistered"), rt::kUnknownTypeID);
}
