#include "find_options.h"

#include "gtest/gtest.h"

namespace zeldrium::find {
namespace {

ParseStatus Parse(std::vector<std::string> args, FindOptions* o, std::string* err) {
  return ParseArgs(args, o, err);
}

TEST(ParseArgsTest, UsageErrorsNameTheProblem) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{}, "--data DIR is required"},
      {{"--subject", "x"}, "--data DIR is required"},
      {{"--data=", "--subject", "x"}, "--data DIR is required"},
      {{"--data", "d"}, "no condition"},
      {{"--data", "d", "--colour"}, "unknown option '--colour'"},
      {{"--data", "d", "--subject=x", "stray"}, "unexpected argument 'stray'"},
      {{"--data", "d", "--subject"}, "--subject needs a value: --subject TEXT"},
      {{"--data", "d", "--count=yes", "--subject", "x"}, "--count takes no value"},
      {{"--data", "d", "--data", "e", "--subject", "x"}, "--data is given twice"},
      {{"--data", "d", "--from", "a", "--subject", "b"}, "--from and --subject cannot be combined"},
      {{"--data", "d", "--subject", "a", "--subject", "b"}, "--subject is given twice"},
      {{"--data", "d", "--cond", "c", "--ini", "f", "--tab", "t"},
       "--cond and --ini cannot be combined"},
      {{"--data", "d", "--ini", "f"}, "--ini needs --tab NAME"},
      {{"--data", "d", "--tab", "t"}, "--tab needs --ini FILE"},
      {{"--data", "d", "--tab", "t", "--from", "x"}, "--tab needs --ini FILE"},
      {{"--data", "d", "--cond", "c", "--case"}, "--case applies only to a quick search"},
      {{"--data", "d", "--cond", "c", "--all-words"}, "--all-words applies only"},
      {{"--data", "d", "--from", "x", "--format", "xml"},
       "--format must be tsv, table or json, not 'xml'"},
      {{"--data", "d", "--from", "x", "--since", "2026-02-30"}, "'2026-02-30' is not a date"},
      {{"--data", "d", "--from", "x", "--folder", ""}, "--folder needs a folder ID"},
      {{"--data", "d", "--from", "x", "--current="}, "--current needs a folder ID"},
  };
  for (const Case& c : cases) {
    FindOptions o;
    std::string err;
    EXPECT_EQ(Parse(c.args, &o, &err), ParseStatus::kUsageError) << c.message;
    EXPECT_NE(err.find(c.message), std::string::npos) << "got: " << err;
    EXPECT_EQ(err.find('\n'), std::string::npos) << err;
  }
}

TEST(ParseArgsTest, HelpWinsOverEverythingElse) {
  FindOptions o;
  std::string err;
  EXPECT_EQ(Parse({"--colour", "-h"}, &o, &err), ParseStatus::kHelp);
  EXPECT_EQ(Parse({"--data", "d", "--help"}, &o, &err), ParseStatus::kHelp);
}

TEST(ParseArgsTest, QuickSearchTargetsAndFlags) {
  const std::pair<const char*, int32_t> targets[] = {
      {"--from", 0}, {"--to", 1}, {"--subject", 2}, {"--from-to", 3}};
  for (const auto& [option, target] : targets) {
    FindOptions o;
    std::string err;
    ASSERT_EQ(Parse({"--data", "d", option, "some text", "--case"}, &o, &err), ParseStatus::kRun)
        << err;
    EXPECT_EQ(o.quick_target, target) << option;
    EXPECT_EQ(o.quick_text, "some text");
    EXPECT_TRUE(o.case_sensitive);
    EXPECT_FALSE(o.all_words);
  }
}

TEST(ParseArgsTest, KeepsEverythingElseAsGiven) {
  FindOptions o;
  std::string err;
  ASSERT_EQ(Parse({"--data=/m/", "--ini", "z.ini", "--tab=a=b", "--folder", "x.mb\\In\\",
                   "--folder=y.mb", "--current", "c.mb\\", "--subfolders", "--since", "1970-01-02",
                   "--format=json", "--count", "--raw"},
                  &o, &err),
            ParseStatus::kRun)
      << err;
  EXPECT_EQ(o.data, "/m/");
  EXPECT_TRUE(o.has_ini);
  EXPECT_EQ(o.ini, "z.ini");
  EXPECT_EQ(o.tab, "a=b");  // only the first "=" separates
  EXPECT_EQ(o.folders, (std::vector<std::string>{"x.mb\\In\\", "y.mb"}));
  EXPECT_EQ(o.current, "c.mb\\");
  EXPECT_TRUE(o.subfolders);
  EXPECT_TRUE(o.has_since);
  EXPECT_EQ(o.since, 86400u);
  EXPECT_EQ(o.format, OutputFormat::kJson);
  EXPECT_TRUE(o.count);
  EXPECT_TRUE(o.raw);
  EXPECT_EQ(o.quick_target, -1);
}

TEST(ParseArgsTest, AValueMayLookLikeAnOption) {
  FindOptions o;
  std::string err;
  ASSERT_EQ(Parse({"--data", "d", "--subject", "--count"}, &o, &err), ParseStatus::kRun);
  EXPECT_EQ(o.quick_text, "--count");
  EXPECT_FALSE(o.count);
}

TEST(ParseSinceDateTest, DayAtMidnightWithoutTimeZone) {
  struct Case {
    const char* text;
    bool ok;
    uint32_t limit;
  };
  const Case cases[] = {
      {"1970-01-01", true, 0},          {"1970-01-02", true, 86400},
      {"2020-09-14", true, 1600041600}, {"2024-02-29", true, 1709164800},
      {"2038-01-19", true, 2147472000}, {"2100-01-01", true, 4102444800u},
      {"1969-12-31", true, 0},  // before 1970: nothing is dropped for it
      {"0001-01-01", true, 0},          {"2026-02-30", false, 0},
      {"2023-02-29", false, 0},         {"2020-13-01", false, 0},
      {"2020-00-10", false, 0},         {"0000-01-01", false, 0},
      {"2020-9-14", false, 0},          {"20200914", false, 0},
      {"2020/09/14", false, 0},         {"2020-09-14 ", false, 0},
      {"+020-09-14", false, 0},         {"", false, 0},
  };
  for (const Case& c : cases) {
    uint32_t limit = 12345;
    std::string err;
    EXPECT_EQ(ParseSinceDate(c.text, &limit, &err), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(limit, c.limit) << c.text;
    } else {
      EXPECT_EQ(limit, 12345u) << c.text;
      EXPECT_NE(err.find("YYYY-MM-DD"), std::string::npos) << err;
    }
  }
}

TEST(HelpTextTest, ListsEveryOptionOnce) {
  const std::string help = HelpText();
  for (const char* option :
       {"--data DIR", "--from TEXT", "--to TEXT", "--subject TEXT", "--from-to TEXT", "--case",
        "--all-words", "--cond CSV", "--ini FILE", "--tab NAME", "--folder ID", "--current ID",
        "--subfolders", "--since YYYY-MM-DD", "--format FORMAT", "--count", "--raw", "--help"}) {
    EXPECT_NE(help.find(std::string("\n  ") + option + " "), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace zeldrium::find
