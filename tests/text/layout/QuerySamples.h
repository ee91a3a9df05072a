#pragma once
// Fixed layouts the query tests sweep: each stresses one way a caret could end up inside a
// cluster or on the wrong line, and checks hold for all of them alike.
#include <string>
#include <vector>

#include "tests/text/layout/LayoutSupport.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextBinding.h"

namespace layout_test {

struct QuerySample {
  std::string name;
  Ref<text::DRTextLayout> layout;
};

inline Ref<text::DRTextLayout> layoutIn(const Ref<typeset::AttributedString>& t, gfx::Size size,
                                        gfx::EdgeInsets insets = {}, bool vertical = false, uint64_t maxRows = 0) {
  auto c = text::DRTextContainer::containerWithSize(size, insets);
  c->setVerticalForm(vertical);
  if (maxRows) {
    c->setMaximumNumberOfRows(maxRows);
    c->setTruncationType(text::DRTextTruncationTypeEnd);
  }
  return text::DRTextLayout::layoutWithContainer(c, t);
}

inline void bind(const Ref<typeset::MutableAttributedString>& t, rt::Range r) {
  t->addAttribute(text::DRTextBindingKey, text::DRTextBinding::bindingWithDeleteConfirm(false), r);
}

// Hebrew and Arabic words; DejaVu Sans has both scripts.
inline const char16_t* kHebrew = u"\u05D7\u05D3\u05E9\u05D5\u05EA \u05D4\u05E2\u05D9\u05E8 \u05D4\u05D9\u05D5\u05DD";
inline const char16_t* kArabic = u"\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645";

inline std::vector<QuerySample> querySamples() {
  std::vector<QuerySample> out;
  const gfx::EdgeInsets insets{6, 8, 4, 10};
  out.push_back({"ltr", layoutIn(text(u"District news, updated daily.\nA second paragraph follows.", latin(16)), {300, 200}, insets)});
  out.push_back({"rtl", layoutIn(text(rt::String(kHebrew) + u"\n" + kArabic, latin(16)), {300, 200}, insets)});
  out.push_back({"mixed", layoutIn(text(rt::String(u"News ") + kHebrew + u" 2024 and " + kArabic + u" end of the story here.",
                                        latin(16)),
                                   {220, 300}, insets)});
  out.push_back({"crlf", layoutIn(text(u"First line\r\nSecond\r\n\r\nFourth\r\n", latin(16)), {300, 300}, insets)});
  out.push_back({"marks", layoutIn(text(u"Cafe\u0301 na\u0308ive x\u0301\u0302y re\u0301sume\u0301 \u1100\u1161\u11A8 end", latin(16)),
                                   {180, 200}, insets)});
  out.push_back({"emoji", layoutIn(text(u"Hi \U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466 family "
                                        u"\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7 flags \u2764\uFE0F heart \u263A\uFE0E "
                                        u"text \U0001F44D\U0001F3FD ok #\uFE0F\u20E3",
                                        latin(16)),
                                   {260, 300}, insets)});
  out.push_back({"vertical", layoutIn(text(u"区里的新闻每天更新。\nNews 读者\u2764\uFE0F可以切换\n频道", cjk(16)), {200, 180}, insets, true)});
  {
    auto t = text(u"Readers can follow @district_news and @city_hall for updates on buses, roads and the weather "
                  u"every morning, and share what they like with friends.",
                  latin(15));
    bind(t, rt::Range{19, 14});
    bind(t, rt::Range{38, 10});
    out.push_back({"rows", layoutIn(t, {150, 400}, insets)});
  }
  out.push_back({"truncated", layoutIn(text(u"The district news is updated every day, with pictures and video from local "
                                            u"reporters on the ground, and much more below.",
                                            latin(15)),
                                       {160, 400}, insets, false, 3)});
  return out;
}

}  // namespace layout_test
