// The emoji test: a quick rejection by character sets, then version-dependent sequences
// (keycap-less symbols with variation selector 16, national flags).
#include "base/foundation/String+DUDer.h"
#include "base/system/Device+DUDer.h"
#include "platform/foundation/text/RegularExpression.h"

namespace base {
namespace {

struct EmojiSets {
  rt::CharacterSet base, candidate, modern;
};

const EmojiSets& emojiSets() {
  static const EmojiSets sets = [] {
    static const char32_t ranges[][2] = {
        {0x2139, 0x2139},   {0x2194, 0x2199},   {0x21A9, 0x21AA},   {0x231A, 0x231B},   {0x23E9, 0x23EC},
        {0x23F0, 0x23F0},   {0x23F3, 0x23F3},   {0x24C2, 0x24C2},   {0x25AA, 0x25AB},   {0x25B6, 0x25B6},
        {0x25C0, 0x25C0},   {0x25FB, 0x25FE},   {0x2600, 0x2601},   {0x260E, 0x260E},   {0x2611, 0x2611},
        {0x2614, 0x2615},   {0x261D, 0x261D},   {0x263A, 0x263A},   {0x2648, 0x2653},   {0x2660, 0x2660},
        {0x2663, 0x2663},   {0x2665, 0x2666},   {0x2668, 0x2668},   {0x267B, 0x267B},   {0x267F, 0x267F},
        {0x2693, 0x2693},   {0x26A0, 0x26A1},   {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},
        {0x26CE, 0x26CE},   {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
        {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2702, 0x2702},   {0x2705, 0x2705},   {0x2708, 0x270C},
        {0x270F, 0x270F},   {0x2712, 0x2712},   {0x2714, 0x2714},   {0x2716, 0x2716},   {0x2728, 0x2728},
        {0x2733, 0x2734},   {0x2744, 0x2744},   {0x2747, 0x2747},   {0x274C, 0x274C},   {0x274E, 0x274E},
        {0x2753, 0x2755},   {0x2757, 0x2757},   {0x2764, 0x2764},   {0x2795, 0x2797},   {0x27A1, 0x27A1},
        {0x27B0, 0x27B0},   {0x27BF, 0x27BF},   {0x2934, 0x2935},   {0x2B05, 0x2B07},   {0x2B1B, 0x2B1C},
        {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x3030, 0x3030},   {0x303D, 0x303D},   {0x3297, 0x3297},
        {0x3299, 0x3299},   {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF}, {0x1F170, 0x1F171}, {0x1F17E, 0x1F17F},
        {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F201, 0x1F202}, {0x1F21A, 0x1F21A}, {0x1F22F, 0x1F22F},
        {0x1F232, 0x1F23A}, {0x1F250, 0x1F251}, {0x1F300, 0x1F320}, {0x1F330, 0x1F335}, {0x1F337, 0x1F37C},
        {0x1F380, 0x1F393}, {0x1F3A0, 0x1F3C4}, {0x1F3C6, 0x1F3CA}, {0x1F3E0, 0x1F3F0}, {0x1F400, 0x1F43E},
        {0x1F440, 0x1F440}, {0x1F442, 0x1F4F7}, {0x1F4F9, 0x1F4FC}, {0x1F500, 0x1F53D}, {0x1F550, 0x1F567},
        {0x1F5FB, 0x1F640}, {0x1F645, 0x1F64F}, {0x1F680, 0x1F6C5},
    };
    EmojiSets s;
    for (const auto& r : ranges) s.base.addCharactersInRange({r[0], size_t(r[1] - r[0] + 1)});
    s.candidate = s.base;
    s.candidate.addCharactersInRange({0x20E3, 1});
    s.candidate.addCharactersInRange({0xFE0F, 1});
    s.candidate.addCharactersInRange({0x1F1E6, 26});
    s.modern = s.base;
    s.modern.addCharactersInRange({0x1F3FB, 5});
    return s;
  }();
  return sets;
}

const char* const kFlagsBefore83 = "CN DE ES FR GB IT JP KR RU US";
const char* const kFlagsBefore9 =
    "AU AT BE BR CA CL CN CO DK FI FR DE HK IN ID IE IL IT JP KR MO MY MX NL NZ NO PH PL PT PR RU SA SG ZA ES SE CH "
    "TR GB US AE VN";
const char* const kFlagsFrom9 =
    "AF AX AL DZ AS AD AO AI AQ AG AR AM AW AU AT AZ BS BH BD BB BY BE BZ BJ BM BT BO BQ BA BW BV BR IO VG BN BG BF "
    "BI KH CM CA CV KY CF TD CL CN CX CC CO KM CG CD CK CR CI HR CU CW CY CZ DK DJ DM DO EC EG SV GQ ER EE ET FK FO "
    "FJ FI FR GF PF TF GA GM GE DE GH GI GR GL GD GP GU GT GG GN GW GY HT HM HN HK HU IS IN ID IR IQ IE IM IL IT JM "
    "JP JE JO KZ KE KI KW KG LA LV LB LS LR LY LI LT LU MO MK MG MW MY MV ML MT MH MQ MR MU YT MX FM MD MC MN ME MS "
    "MA MZ MM NA NR NP NL NC NZ NI NE NG NU NF MP KP NO OM PK PW PS PA PG PY PE PH PN PL PT PR QA RE RO RU RW BL SH "
    "KN LC MF VC WS SM ST SA SN RS SC SL SG SK SI SB SO ZA GS KR SS ES LK SD SR SJ SZ SE CH SY TW TJ TZ TH TL TG TK "
    "TO TT TN TR TM TC TV UG UA AE GB US UM VI UY UZ VU VA VE VN WF EH YE ZM ZW";

Ref<fd::RegularExpression> sequencePattern(const char* flags) {
  String pattern = u"(\u00A9\uFE0F|\u00AE\uFE0F|\u2122\uFE0F|\u3030\uFE0F";
  for (const char* p = flags;; p += 3) {
    pattern += "|";
    pattern.appendCodePoint(0x1F1E6 + char32_t(p[0] - 'A'));
    pattern.appendCodePoint(0x1F1E6 + char32_t(p[1] - 'A'));
    if (!p[2]) break;
  }
  pattern += ")";
  return fd::RegularExpression::create(pattern, 0);
}

struct EmojiPatterns {
  Ref<fd::RegularExpression> before83, before9, from9;
};

const EmojiPatterns& emojiPatterns() {
  static const EmojiPatterns patterns{sequencePattern(kFlagsBefore83), sequencePattern(kFlagsBefore9),
                                      sequencePattern(kFlagsFrom9)};
  return patterns;
}

}  // namespace

bool containsEmoji(const String& s) { return containsEmojiForSystemVersion(s, systemVersion()); }

bool containsEmojiForSystemVersion(const String& s, float version) {
  const auto& sets = emojiSets();
  if (s.rangeOfCharacterFromSet(sets.candidate).location == rt::NotFound) return false;
  bool modern = double(version) >= 8.3;
  if (s.rangeOfCharacterFromSet(modern ? sets.modern : sets.base).location != rt::NotFound) return true;
  const auto& patterns = emojiPatterns();
  const auto& regex = !modern ? patterns.before83 : version < 9.0f ? patterns.before9 : patterns.from9;
  return regex->rangeOfFirstMatchInString(s, 0, {0, s.length()}).location != rt::NotFound;
}

}  // namespace base
