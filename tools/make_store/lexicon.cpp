#include "lexicon.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "cp932.h"

namespace zeldrium::make_store {
namespace {

struct NameSource {
  const char* text;
  const char* roman;
};

// 能登 and 十河 carry a 0x5C trail byte, 髙 lies in the IBM extension (0xFB 0xFC).
constexpr NameSource kJaFamily[] = {
    {"山田", "yamada"},    {"鈴木", "suzuki"},     {"佐藤", "sato"},      {"田中", "tanaka"},
    {"高橋", "takahashi"}, {"髙橋", "takahashi"},  {"伊藤", "ito"},       {"渡辺", "watanabe"},
    {"渡邊", "watanabe"},  {"中村", "nakamura"},   {"小林", "kobayashi"}, {"加藤", "kato"},
    {"吉田", "yoshida"},   {"能登", "noto"},       {"十河", "sogo"},      {"斎藤", "saito"},
    {"松本", "matsumoto"}, {"井上", "inoue"},      {"木村", "kimura"},    {"林", "hayashi"},
    {"清水", "shimizu"},   {"長谷川", "hasegawa"},
};
constexpr NameSource kJaGiven[] = {
    {"太郎", "taro"},   {"花子", "hanako"}, {"一郎", "ichiro"},  {"健", "ken"},
    {"美咲", "misaki"}, {"翔太", "shota"},  {"陽子", "yoko"},    {"誠", "makoto"},
    {"直樹", "naoki"},  {"由美", "yumi"},   {"大輔", "daisuke"}, {"恵", "megumi"},
    {"聡", "satoshi"},  {"彩", "aya"},      {"修", "osamu"},     {"真由美", "mayumi"},
};
constexpr NameSource kEnFirst[] = {
    {"John", "john"},       {"Mary", "mary"},   {"Robert", "robert"}, {"Linda", "linda"},
    {"Michael", "michael"}, {"Susan", "susan"}, {"David", "david"},   {"Karen", "karen"},
    {"James", "james"},     {"Emily", "emily"}, {"Peter", "peter"},   {"Laura", "laura"},
};
constexpr NameSource kEnLast[] = {
    {"Smith", "smith"},   {"Johnson", "johnson"}, {"Brown", "brown"}, {"Taylor", "taylor"},
    {"Miller", "miller"}, {"Wilson", "wilson"},   {"Moore", "moore"}, {"Anderson", "anderson"},
    {"Clark", "clark"},   {"O'Brien", "obrien"},  {"Lee", "lee"},     {"Davis", "davis"},
};

struct OrgSource {
  const char* name;
  const char* address;
};
constexpr OrgSource kOrganisations[] = {
    {"ＡＢＣ商事", "info@abc-shoji.example.co.jp"},
    {"株式会社サンプル 経理部", "keiri@sample.example.co.jp"},
    {"Example Store", "no-reply@store.example.com"},
    {"Build Bot", "buildbot@ci.example.org"},
    {"ｿﾌﾄｳｪｱ販売センター", "sales@soft.example.jp"},
    {"ニュースレター編集部", "news@example.jp"},
    {"サポートセンター", "support@example.ne.jp"},
    {"IT Helpdesk", "helpdesk@corp.example.com"},
};

constexpr const char* kDomains[] = {
    "example.co.jp", "example.ne.jp", "example.or.jp", "example.jp",
    "example.com",   "example.org",   "example.net",   "mail.example.co.jp",
};

constexpr const char* kJaTopics[] = {
    "会議の日程について",
    "{m}月度定例会議のご案内",
    "打ち合わせ議事録",
    "見積書送付のお願い",
    "お見積りの件（No.{n}）",
    "請求書（{m}月分）のご送付",
    "請求書再発行のお願い",
    "納品書を送付いたします",
    "ご注文ありがとうございます（注文番号 {n}）",
    "発注書の確認",
    "出張報告",
    "週報（第{n}週）",
    "来週の予定",
    "資料送付の件",
    "契約書のドラフト",
    "お問い合わせありがとうございます",
    "パスワード変更のお知らせ",
    "システムメンテナンスのお知らせ",
    "忘年会のご案内",
    "新年会の出欠確認",
    "夏季休暇について",
    "お疲れさまでした",
    "ご確認ください",
    "至急ご連絡ください",
    "障害報告：サーバ停止",
    "議事録を共有します",
    "お世話になっております",
    "明日の件",
    "写真送ります",
    "今週末の予定",
    "誕生日おめでとう！",
    "帰省の件",
    "年末年始の営業について",
    "アンケートご協力のお願い",
    "セミナー開催のご案内（{m}月）",
    "ソフトウェア更新のお知らせ",
    "表計算シートを添付します",
    "性能評価レポート",
    "予算申請書について",
    "十月の予定表",
    "機能追加の要望",
    "表示が崩れる不具合",
    "ソースコードレビュー依頼 #{n}",
    "①～③の件",
    "会議室予約の確認",
    "見積と請求書の件",
};

constexpr const char* kEnTopics[] = {
    "Meeting notes",
    "Project status update",
    "Invoice #{n}",
    "Your order #{n} has shipped",
    "Weekly newsletter - Issue {n}",
    "Monthly report for {m}/2019",
    "Q3 budget review",
    "Lunch on Friday?",
    "Action items from today's call",
    "Question about the API",
    "Build failed: trunk #{n}",
    "Your password will expire soon",
    "Welcome to the team!",
    "Slides for tomorrow",
    "Code review request: PR {n}",
    "Security notice",
    "Out of office",
    "Conference call at 10:00",
    "Happy birthday!",
    "Travel itinerary",
    "Draft contract v{n}",
    "Agenda: budget, hiring, office move",
    "Release notes {m}.{n}",
};

constexpr const char* kReplyPrefixes[] = {"Re: ", "RE: ", "Re: Re: ", "Re[2]: ", "返信: "};
constexpr const char* kOtherPrefixes[] = {"Fwd: ",    "FW: ",       "転送: ",   "【重要】",
                                          "【至急】", "【ご案内】", "[要確認] "};

constexpr const char* kBlankSubjects[] = {" ", "   ", "\t", " \t ", "      "};
// The ideographic space is a double-byte character: trimming must leave it alone.
constexpr const char* kWideBlankSubjects[] = {"　", "　　", " 　 "};
// Each ends in, or consists of, a character whose trail byte is 0x5C (a backslash).
constexpr const char* kBackslashTrailSubjects[] = {
    "予定表",     "新機能", "表",         "ソ",           "能",           "十",
    "表示テスト", "ソフト", "申請書の件", "会議の予定表", "見積表（改）", "性能―速度比較",
};
constexpr const char* kFullWidthSubjects[] = {
    "ＰＤＦ資料の送付",       "ＡＢＣプロジェクト進捗",
    "Ｒｅ：ＵＳＢメモリの件", "ＯＳアップデートのお知らせ",
    "ｅメール設定について",   "ＭＥＥＴＩＮＧ",
    "ｍｅｅｔｉｎｇ",         "Ｍｅｅｔｉｎｇの件",
};
// The same words in several cases, for searches with and without case.
constexpr const char* kCaseVariantSubjects[] = {
    "meeting reminder", "Meeting Reminder", "MEETING REMINDER", "MeEtInG reminder",
    "invoice attached", "Invoice Attached", "INVOICE ATTACHED", "report",
    "Report",           "REPORT",
};
constexpr const char* kQuoteCommaSubjects[] = {
    "\"Smith, John\" asked about the budget",
    "Re: \"見積書\", \"請求書\" の件",
    "Draft, final, and \"final-final\"",
    "Q&A: \"How do I search, exactly?\"",
    "見積書,請求書,納品書",
    "'single quotes' and \"double quotes\"",
    "\"\"",
    ",",
};
constexpr const char* kHalfWidthKanaSubjects[] = {
    "ｾｰﾙ開催中！最大50％OFF",
    "ｿﾌﾄｳｪｱ更新のご案内",
    "ﾒｰﾙﾏｶﾞｼﾞﾝ vol.12",
    "ｱﾝｹｰﾄのお願い",
};
// Headers some mailers leave encoded; the index keeps them as they came.
constexpr const char* kRawMimeSubjects[] = {
    "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=",
    "=?UTF-8?B?44OG44K544OI?=",
};

bool Convert(std::string_view utf8, std::string* out, std::string* err) {
  return Utf8ToCp932(utf8, out, err);
}

template <size_t N>
bool ConvertList(const char* const (&src)[N], std::vector<std::string>* out, std::string* err) {
  out->clear();
  for (const char* s : src) {
    std::string converted;
    if (!Convert(s, &converted, err)) return false;
    out->push_back(std::move(converted));
  }
  return true;
}

template <size_t N>
bool ConvertNames(const NameSource (&src)[N], std::vector<PersonName>* out, std::string* err) {
  out->clear();
  for (const NameSource& s : src) {
    PersonName name;
    if (!Convert(s.text, &name.text, err)) return false;
    name.roman = s.roman;
    out->push_back(std::move(name));
  }
  return true;
}

template <size_t N>
bool ConvertTemplates(const char* const (&src)[N], std::vector<Template>* out, std::string* err) {
  out->clear();
  for (std::string_view s : src) {
    Template t;
    for (;;) {
      size_t month = s.find("{m}");
      size_t number = s.find("{n}");
      size_t hole = std::min(month, number);
      std::string part;
      if (!Convert(s.substr(0, hole), &part, err)) return false;
      t.parts.push_back(std::move(part));
      if (hole == std::string_view::npos) {
        t.holes.push_back(Template::kNone);
        break;
      }
      t.holes.push_back(hole == month ? Template::kMonth : Template::kNumber);
      s.remove_prefix(hole + 3);
    }
    out->push_back(std::move(t));
  }
  return true;
}

}  // namespace

bool LoadLexicon(Lexicon* lex, std::string* err) {
  lex->organisations.clear();
  for (const OrgSource& o : kOrganisations) {
    Organisation org;
    if (!Convert(o.name, &org.name, err)) return false;
    org.address = o.address;
    lex->organisations.push_back(std::move(org));
  }
  lex->domains.assign(std::begin(kDomains), std::end(kDomains));
  return ConvertNames(kJaFamily, &lex->ja_family, err) &&
         ConvertNames(kJaGiven, &lex->ja_given, err) &&
         ConvertNames(kEnFirst, &lex->en_first, err) && ConvertNames(kEnLast, &lex->en_last, err) &&
         ConvertTemplates(kJaTopics, &lex->ja_topics, err) &&
         ConvertTemplates(kEnTopics, &lex->en_topics, err) &&
         ConvertList(kReplyPrefixes, &lex->reply_prefixes, err) &&
         ConvertList(kOtherPrefixes, &lex->other_prefixes, err) &&
         ConvertList(kBlankSubjects, &lex->blank_subjects, err) &&
         ConvertList(kWideBlankSubjects, &lex->wide_blank_subjects, err) &&
         ConvertList(kBackslashTrailSubjects, &lex->backslash_trail_subjects, err) &&
         ConvertList(kFullWidthSubjects, &lex->full_width_subjects, err) &&
         ConvertList(kCaseVariantSubjects, &lex->case_variant_subjects, err) &&
         ConvertList(kQuoteCommaSubjects, &lex->quote_comma_subjects, err) &&
         ConvertList(kHalfWidthKanaSubjects, &lex->half_width_kana_subjects, err) &&
         ConvertList(kRawMimeSubjects, &lex->raw_mime_subjects, err) &&
         Convert("　", &lex->ideographic_space, err);
}

}  // namespace zeldrium::make_store
