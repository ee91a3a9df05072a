#pragma once
// Mixed Chinese and Latin news sentences, with paragraph ends, that the rich-text benchmarks
// repeat into documents of the size they measure.

namespace bench {

inline const char16_t* const kNewsSentences[] = {
    u"区政府今天宣布，新的公共交通计划将于明年春季开始实施。",
    u"The new bus routes connect the old town with the river district in under 15 minutes. ",
    u"市民可以通过手机应用查询实时到站信息，并在线购买月票。",
    u"Officials said the pilot, costing about 2.4 million, will be reviewed after 6 months. ",
    u"记者在现场看到，许多居民对这一变化表示欢迎，也有人担心施工带来的噪音。",
    u"Read more at the district news channel, updated every day at 08:00.\n",
};

}  // namespace bench
