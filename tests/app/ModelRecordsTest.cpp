#include <gtest/gtest.h>

#include <functional>

#include "app/models/KDAPPAticleDetailModel.h"
#include "app/models/KDAPPBannerModel.h"
#include "app/models/KDAPPListModel.h"
#include "app/models/KDAPPLoadingModel.h"
#include "app/models/KDAPPPicModel.h"
#include "app/models/KDAPPVideoModel.h"
#include "app/models/KDAppChannelParamsModel.h"
#include "app/models/KDAppchannelModel.h"
#include "app/models/KDVideoParamsModel.h"
#include "net/mapping/KMMapping.h"
#include "platform/foundation/Foundation.h"

namespace {

using fd::String;

Ref<fd::Dictionary> dict(std::vector<std::pair<String, rt::Id>> entries) {
  return fd::Dictionary::withStrings(std::move(entries));
}

struct RecordKind {
  const char* name;
  const rt::Class* cls;
  std::function<rt::Id(const rt::Id&)> fromDic;
};

const std::vector<RecordKind>& recordKinds() {
  static const std::vector<RecordKind> kinds = {
      {"loading", app::KDAPPLoadingModel::classObject(),
       [](const rt::Id& d) { return app::KDAPPLoadingModel::getModelWithDic(d); }},
      {"channel", app::KDAppchannelModel::classObject(),
       [](const rt::Id& d) { return app::KDAppchannelModel::getModelWithDic(d); }},
      {"list", app::KDAPPListModel::classObject(),
       [](const rt::Id& d) { return app::KDAPPListModel::getModelWithDic(d); }},
      {"picture", app::KDAPPPicModel::classObject(),
       [](const rt::Id& d) { return app::KDAPPPicModel::getModelWithDic(d); }},
      {"detail", app::KDAPPAticleDetailModel::classObject(),
       [](const rt::Id& d) { return app::KDAPPAticleDetailModel::getModelWithDic(d); }},
      {"banner", app::KDAPPBannerModel::classObject(),
       [](const rt::Id& d) { return app::KDAPPBannerModel::getModelWithDic(d); }},
      {"video", app::KDAPPVideoModel::classObject(),
       [](const rt::Id& d) { return app::KDAPPVideoModel::getModelWithDic(d); }},
  };
  return kinds;
}

bool isTextProperty(const rt::Property* p) { return p->typeEncoding.find("String") != std::string::npos; }

TEST(ModelRecords, EveryTextFieldIsFilledFromTheKeyOfItsOwnName) {
  for (const auto& kind : recordKinds()) {
    auto input = fd::MutableDictionary::create();
    size_t textFields = 0;
    for (const rt::Property* p : kind.cls->properties()) {
      if (!isTextProperty(p)) continue;
      input->setObjectForKey(fd::box(String("值-") + p->name), p->name);
      ++textFields;
    }
    input->setObjectForKey(fd::box(String("not a field")), String("unlisted_key"));
    auto record = kind.fromDic(input);
    ASSERT_TRUE(record) << kind.name;
    EXPECT_GT(textFields, 0u) << kind.name;
    for (const rt::Property* p : kind.cls->properties()) {
      if (!isTextProperty(p)) continue;
      EXPECT_TRUE(record->valueForKey(p->name)->isEqual(fd::box(String("值-") + p->name)))
          << kind.name << "." << p->name;
    }
    EXPECT_EQ(record->getClass(), kind.cls) << kind.name;
  }
}

TEST(ModelRecords, EmptyDictionaryLeavesEveryFieldEmptyAndNonDictionaryGivesNothing) {
  for (const auto& kind : recordKinds()) {
    auto record = kind.fromDic(fd::Dictionary::create());
    ASSERT_TRUE(record) << kind.name;
    for (const rt::Property* p : kind.cls->properties()) {
      rt::Id value = record->valueForKey(p->name);
      if (isTextProperty(p)) {
        auto s = rt::as<fd::StringObject>(value);
        EXPECT_TRUE(!s || s->string().isEmpty()) << kind.name << "." << p->name;
      } else if (auto n = rt::as<fd::Number>(value)) {
        EXPECT_EQ(n->integerValue(), 0) << kind.name << "." << p->name;
      } else {
        EXPECT_FALSE(value && !rt::as<fd::Null>(value)) << kind.name << "." << p->name;
      }
    }
    EXPECT_FALSE(kind.fromDic(fd::box(String("[1, 2]")))) << kind.name;
    EXPECT_FALSE(kind.fromDic(fd::Array::create())) << kind.name;
    EXPECT_FALSE(kind.fromDic(nullptr)) << kind.name;
  }
}

TEST(ModelRecords, ChannelTakesTheBooleanAndUnderscoreFields) {
  auto channel = app::KDAppchannelModel::getModelWithDic(dict({{"_has_child", fd::box(1)},
                                                               {"title", fd::box(String("文化旅游"))},
                                                               {"_grade", fd::box(String("2"))},
                                                               {"_prefix", fd::box(String("lv"))},
                                                               {"trs_channel_id", fd::box(String("5661"))},
                                                               {"children", fd::Array::create()}}));
  ASSERT_TRUE(channel);
  EXPECT_TRUE(channel->_has_child);
  EXPECT_EQ(channel->title, String("文化旅游"));
  EXPECT_EQ(channel->_grade, String("2"));
  EXPECT_EQ(channel->_prefix, String("lv"));
  EXPECT_EQ(channel->trs_channel_id, String("5661"));
  auto without = app::KDAppchannelModel::getModelWithDic(dict({{"_has_child", fd::box(0)}}));
  EXPECT_FALSE(without->_has_child);
}

TEST(ModelRecords, ListItemKeepsAttachmentsButNeverFillsClientFields) {
  auto attachment = dict({{"absUrl", fd::box(String("http://127.0.0.1/p/1.jpg"))}, {"docId", fd::box(String("9"))}});
  auto item = app::KDAPPListModel::getModelWithDic(dict({{"docTitle", fd::box(String("标题"))},
                                                         {"picAttach", fd::Array::create({attachment})},
                                                         {"picMode", attachment},
                                                         {"page", dict({{"page", fd::box(1)}})}}));
  ASSERT_TRUE(item);
  ASSERT_TRUE(item->picAttach);
  ASSERT_EQ(item->picAttach->count(), 1u);
  EXPECT_TRUE(item->picAttach->objectAtIndex(0)->isEqual(attachment));
  EXPECT_FALSE(item->picMode);
  EXPECT_FALSE(item->page);

  auto bare = app::KDAPPListModel::getModelWithDic(dict({{"docTitle", fd::box(String("无图"))}}));
  EXPECT_FALSE(bare->picAttach);
  EXPECT_FALSE(bare->picMode);
}

TEST(ModelRecords, ParameterRecordsBecomeFormDictionaries) {
  auto params = rt::make<app::KDAppChannelParamsModel>();
  params->trs_id = "5661";
  params->page = 3;
  params->page_size = 20;
  auto form = rt::as<fd::Dictionary>(net::km_keyValues(*params));
  ASSERT_TRUE(form);
  EXPECT_EQ(form->count(), 3u);
  EXPECT_TRUE(form->objectForKey("trs_id")->isEqual(fd::box(String("5661"))));
  ASSERT_TRUE(rt::as<fd::Number>(form->objectForKey("page")));
  EXPECT_EQ(rt::as<fd::Number>(form->objectForKey("page"))->integerValue(), 3);
  EXPECT_EQ(rt::as<fd::Number>(form->objectForKey("page_size"))->integerValue(), 20);

  auto video = rt::make<app::KDVideoParamsModel>();
  video->id = "31";
  video->pageNo = 2;
  auto query = rt::as<fd::Dictionary>(net::km_keyValues(*video));
  ASSERT_TRUE(query);
  EXPECT_TRUE(query->objectForKey("id")->isEqual(fd::box(String("31"))));
  EXPECT_EQ(rt::as<fd::Number>(query->objectForKey("pageNo"))->integerValue(), 2);
}

}  // namespace
