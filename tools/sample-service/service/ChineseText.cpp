#include "tools/sample-service/service/ChineseText.h"

namespace sample {
namespace {

using Pool = std::vector<std::string>;

const Pool& places() {
  static const Pool p = {"云岫街道", "东湖街道", "西塘社区", "南浦新村", "北苑社区", "临江路", "青石巷",
                         "望山镇", "柳岸村", "梅园小区", "禾岚老街", "滨河公园", "文化中心", "科创园区"};
  return p;
}
const Pool& subjects() {
  static const Pool p = {"区委区政府", "区文明办", "区教育局", "区卫健委", "区文旅局", "区住建局",
                         "区市场监管局", "区应急管理局", "区总工会", "团区委", "区妇联", "区融媒体中心"};
  return p;
}
const Pool& events() {
  static const Pool p = {"召开专题工作会议", "启动便民服务月活动", "开展安全生产大检查", "举办惠民文艺演出",
                         "推进老旧小区改造", "部署冬季防火工作", "举行志愿服务集中行动", "开展垃圾分类宣传",
                         "召开民生实事推进会", "举办科普进社区活动", "开展食品安全专项整治", "启动全民阅读季"};
  return p;
}
const Pool& noticeKinds() {
  static const Pool p = {"关于公开征求意见的公告", "政府信息公开年度报告", "招聘工作人员公告", "项目公示",
                         "财政预算执行情况说明", "行政许可结果公示", "重大事项社会稳定风险评估公示", "办事指南"};
  return p;
}
const Pool& activityKinds() {
  static const Pool p = {"邻里文化节", "亲子运动会", "书画作品展", "健步走活动", "非遗手作课堂",
                         "消防演练", "义诊进社区", "读书分享会", "摄影大赛", "趣味灯谜会"};
  return p;
}
const Pool& sights() {
  static const Pool p = {"云岫山", "禾岚古镇", "青溪湿地", "望江楼", "白鹭洲", "千年银杏", "石拱桥",
                         "梅花谷", "清风书院", "临湖栈道", "古窑遗址", "观星台"};
  return p;
}
const Pool& sightBadges() {
  static const Pool p = {"4A景区", "3A景区", "市级文保单位", "网红打卡地", "免费开放"};
  return p;
}
const Pool& foods() {
  static const Pool p = {"桂花糖藕", "蟹黄汤包", "酱香鸭", "荠菜馄饨", "酒酿圆子", "青团", "梅干菜烧饼",
                         "鲜肉月饼", "糟卤鸡爪", "虾仁小笼", "豆腐花", "葱油拌面"};
  return p;
}
const Pool& foodBadges() {
  static const Pool p = {"老字号", "人气小吃", "本帮菜", "早点推荐", "夜市必吃"};
  return p;
}
const Pool& scenes() {
  static const Pool p = {"晨雾中的老街", "雨后的石板路", "夕阳下的湖面", "灯火里的古镇", "初雪覆盖的院落",
                         "金秋银杏大道", "春日油菜花田", "渔舟唱晚", "市集烟火气", "孩子们的笑脸"};
  return p;
}
const Pool& historyTopics() {
  static const Pool p = {"古城墙的变迁", "书院里的读书声", "老字号的百年传承", "运河边的码头故事",
                         "先贤故居寻访", "地名由来考", "民间婚俗旧事", "老桥的前世今生", "祠堂里的家训"};
  return p;
}
const Pool& essayTopics() {
  static const Pool p = {"故乡的河", "外婆的灶台", "巷口的修鞋匠", "一封旧信", "窗外的梧桐", "冬夜听雨",
                         "老街茶馆", "父亲的自行车", "晒秋", "山居笔记"};
  return p;
}
const Pool& authors() {
  static const Pool p = {"禾岚融媒", "区新闻中心", "通讯员 李明", "记者 王晓燕", "记者 陈思远", "通讯员 周婷",
                         "区文旅局", "区档案馆"};
  return p;
}
const Pool& writers() {
  static const Pool p = {"林清", "苏念", "叶秋白", "沈墨", "顾小溪", "陆远山", "许青禾"};
  return p;
}
const Pool& sentences() {
  static const Pool p = {
      "活动现场气氛热烈，居民群众积极参与，纷纷表示收获满满。",
      "近年来，我区坚持以人民为中心的发展思想，持续提升公共服务水平。",
      "下一步，相关部门将进一步细化措施，确保各项工作落到实处。",
      "据了解，该项目总投资约三千万元，预计明年上半年完工。",
      "工作人员耐心解答群众咨询，并发放宣传资料两千余份。",
      "此次活动由街道党工委主办，多家共建单位协办。",
      "会议强调，要压实责任、强化协同，以钉钉子精神抓好落实。",
      "不少市民带着孩子前来体验，现场欢声笑语不断。",
      "志愿者们早早来到现场，帮助维持秩序、引导参观。",
      "截至目前，全区已累计完成改造面积十二万平方米。",
      "专家认为，这一做法为基层治理提供了可复制的经验。",
      "清晨的阳光洒在青石板上，整条街道显得格外宁静。",
      "老人们说，这里的一草一木都承载着几代人的记忆。",
      "随着季节变换，这里的景色也呈现出不同的韵味。",
      "店主介绍，这道点心的做法已经传承了三代人。",
  };
  return p;
}

std::string sentence(SeededRandom& r) { return r.pick(sentences()); }

std::vector<std::string> paragraphs(SeededRandom& r, const std::string& lead) {
  std::vector<std::string> out;
  out.push_back(lead);
  auto count = r.between(2, 5);
  for (int64_t i = 0; i < count; ++i) {
    std::string p;
    auto n = r.between(2, 4);
    for (int64_t j = 0; j < n; ++j) p += sentence(r);
    out.push_back(p);
  }
  return out;
}

}  // namespace

ArticleText makeArticleText(SeededRandom& r, TextStyle style) {
  ArticleText t;
  const auto& place = r.pick(places());
  switch (style) {
    case TextStyle::News:
      t.title = r.pick(subjects()) + r.pick(events());
      t.author = r.pick(authors());
      break;
    case TextStyle::Notice:
      t.title = r.pick(subjects()) + r.pick(noticeKinds());
      t.author = "禾岚区人民政府办公室";
      break;
    case TextStyle::Activity:
      t.title = place + r.pick(activityKinds()) + "圆满举行";
      t.author = r.pick(authors());
      break;
    case TextStyle::Sight:
      t.title = r.pick(sights());
      t.author = r.pick(sightBadges());
      t.subTitle = "禾岚区" + place + std::to_string(r.between(1, 299)) + "号";
      break;
    case TextStyle::Food:
      t.title = place + r.pick(foods());
      t.author = r.pick(foodBadges());
      t.subTitle = "禾岚区" + place + std::to_string(r.between(1, 299)) + "号";
      break;
    case TextStyle::Gallery:
      t.title = r.pick(scenes());
      t.author = "摄影 " + r.pick(writers());
      break;
    case TextStyle::History:
      t.title = r.pick(historyTopics());
      t.author = "区档案馆";
      break;
    case TextStyle::Magazine:
    case TextStyle::Supplement:
      t.title = r.pick(essayTopics());
      t.author = r.pick(writers());
      break;
    case TextStyle::Profile:
      t.title = "禾岚区" + std::string(r.chance(50) ? "区情概况" : "发展简介");
      t.author = "禾岚区人民政府";
      break;
  }
  t.abstract = place + "消息：" + sentence(r);
  t.keywords = "禾岚," + place;
  t.paragraphs = paragraphs(r, t.abstract);
  return t;
}

std::string makeHeadline(SeededRandom& r) {
  if (r.chance(50)) return r.pick(subjects()) + r.pick(events());
  return r.pick(places()) + r.pick(activityKinds());
}

std::string aboutText() {
  return "禾岚区融媒体中心出品。这里有禾岚新闻、信息公开与活动安排，有电视新闻与专题视频，"
         "有景点、美食与人文历史，还有云岫声副刊与季刊。欢迎您提出宝贵意见，联系电话：0571-88000000。";
}

}  // namespace sample
