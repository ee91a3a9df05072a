#include <gtest/gtest.h>

#include "net/http/NKURLResponseSerialization.h"
#include "net/http/NKURLSessionManager.h"
#include "net/http/ui/NKAlertViewNetworking.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/ui/alerts/AlertView.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Window.h"
#include "tests/net/http/OperationTestSupport.h"
#include "tests/support/TestServer.h"

using namespace net;
using nettest::requestFor;
using nettest::waitUntil;
using testsupport::Reply;
using testsupport::TestServer;

namespace {

Ref<fd::Error> errorWith(std::vector<std::pair<const char*, const char*>> info) {
  std::vector<std::pair<fd::String, rt::Id>> entries;
  for (auto& [k, v] : info) entries.emplace_back(fd::String(k), fd::StringObject::create(fd::String(v)));
  return fd::Error::create("test.domain", 42, fd::Dictionary::withStrings(entries));
}

/// The alerts on screen now.
std::vector<Ref<ui::AlertView>> shownAlerts() {
  std::vector<Ref<ui::AlertView>> out;
  std::function<void(const Ref<ui::View>&)> walk = [&](const Ref<ui::View>& v) {
    if (auto a = rt::as<ui::AlertView>(v); a && a->isVisible()) out.push_back(a);
    for (auto& s : v->subviews()) walk(s);
  };
  for (auto& w : ui::Application::sharedApplication()->windows()) walk(w);
  return out;
}

}  // namespace

TEST(AlertOnFailure, TitleAndMessageFromTheError) {
  struct {
    const char* name;
    Ref<fd::Error> error;
    std::string title, message;
  } cases[] = {
      {"description only", errorWith({{fd::NSLocalizedDescriptionKey, "It broke"}}), "Error", "It broke"},
      {"with a failure reason",
       errorWith({{fd::NSLocalizedDescriptionKey, "It broke"}, {fd::NSLocalizedFailureReasonErrorKey, "Because"}}),
       "It broke", "Because"},
      {"with a suggestion and a reason",
       errorWith({{fd::NSLocalizedDescriptionKey, "It broke"},
                  {fd::NSLocalizedFailureReasonErrorKey, "Because"},
                  {"NSLocalizedRecoverySuggestion", "Try again"}}),
       "It broke", "Try again"},
      {"no description", errorWith({}), "Error", "test.domain Error: 42"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto [title, message] = alertTitleAndMessageForError(c.error);
    EXPECT_EQ(title.utf8(), c.title);
    EXPECT_EQ(message.utf8(), c.message);
  }
}

TEST(AlertOnFailure, OnlyAFailedTaskShowsAnAlert) {
  TestServer server;
  server.route("/ok", Reply::text("[]"));
  auto manager = NKURLSessionManager::create();
  manager->setResponseSerializer(NKHTTPResponseSerializer::serializer());
  std::atomic<bool> done{false};
  auto good = manager->dataTaskWithRequest(requestFor(server.url("/ok")), [&](auto&, auto&, auto&) { done = true; });
  showAlertViewForTaskWithErrorOnCompletion(good, {});
  good->resume();
  ASSERT_TRUE(waitUntil([&] { return done.load(); }));
  waitUntil([] { return false; }, 0.2);
  EXPECT_TRUE(shownAlerts().empty());

  done = false;
  auto bad = manager->dataTaskWithRequest(requestFor("http://127.0.0.1:1/"), [&](auto&, auto&, auto&) { done = true; });
  showAlertViewForTaskWithErrorOnCompletion(bad, {}, "Close", {"Retry"});
  bad->resume();
  ASSERT_TRUE(waitUntil([&] { return !shownAlerts().empty(); }));
  auto alert = shownAlerts().front();
  EXPECT_EQ(alert->buttonTitleAtIndex(alert->cancelButtonIndex()).utf8(), "Close");
  EXPECT_EQ(alert->numberOfButtons(), 2);
  EXPECT_FALSE(alert->title().utf8().empty());
  alert->dismissWithClickedButtonIndex(alert->cancelButtonIndex(), false);
}
