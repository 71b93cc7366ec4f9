#include "find_options.h"

#include "gtest/gtest.h"
#include "zeldrium_version.h"

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
      {{"-d", "d", "-x", "-s", "x"}, "unknown option '-x'"},
      {{"-d", "d", "-s", "a", "-s", "b"}, "--subject is given twice"},
      {{"-d", "d", "-s", "a", "-f", "b"}, "--subject and --from cannot be combined"},
      {{"-d", "d", "-s", "x", "--", "-"}, ""},  // "-" is a folder ID here: no problem
      {{"-d", "d", "-s", "x", ""}, "an empty argument is no folder ID"},
      {{"-d", "d", "-s", "x", "--until", "2026-02-30"}, "--until: '2026-02-30' is not a date"},
      {{"-d", "d", "-s", "x", "--since", "2020-01-02", "--until", "2020-01-01"},
       "--until is before --since"},
      {{"-d", "d", "-s", "x", "--since=1", "--since=2"}, "--since: '1' is not a date"},
      {{"-d", "d", "-s", "x", "-n", "0"}, "--limit must be between 1 and 4294967295, not 0"},
      {{"-d", "d", "-s", "x", "-n", "4294967296"}, "--limit must be between 1 and"},
      {{"-d", "d", "-s", "x", "-n", "ten"}, "--limit expects a decimal number, not 'ten'"},
      {{"-d", "d", "-s", "x", "-n", "1", "--limit", "2"}, "--limit is given twice"},
      {{"-d", "d", "-s", "x", "-cn", "5"}, "--limit cannot be combined with --count"},
      {{"-d", "d", "-s", "x", "-c", "--oldest-first"},
       "--oldest-first cannot be combined with --count"},
      {{"-d", "d", "-s", "x", "--color", "red"},
       "--color must be auto, always or never, not 'red'"},
      {{"-d", "d", "-s", "x", "--raw", "--format", "json"},
       "--raw cannot be combined with --format json"},
      {{"-d", "d", "--list-folders", "-s", "x"},
       "--list-folders lists the folders of DIR and searches nothing: --subject cannot be"},
      {{"-d", "d", "--list-folders", "-n", "1"}, "--limit cannot be combined with it"},
      {{"-d", "d", "--list-folders", "a.mb"}, "a folder argument cannot be combined with it"},
      {{"-d", "d", "--list-folders", "--format", "table"}, "tsv or json, not a table"},
      {{"-d", "d", "--list-folders", "--raw", "--format", "json"}, "--raw cannot be combined"},
  };
  for (const Case& c : cases) {
    FindOptions o;
    std::string err;
    if (c.message.empty()) {
      EXPECT_EQ(Parse(c.args, &o, &err), ParseStatus::kRun) << err;
      continue;
    }
    EXPECT_EQ(Parse(c.args, &o, &err), ParseStatus::kUsageError) << c.message;
    EXPECT_NE(err.find(c.message), std::string::npos) << "got: " << err;
    EXPECT_EQ(err.find('\n'), std::string::npos) << err;
  }
}

TEST(ParseArgsTest, HelpAndVersionWinOverEverythingElse) {
  FindOptions o;
  std::string err;
  EXPECT_EQ(Parse({"--colour", "-h"}, &o, &err), ParseStatus::kHelp);
  EXPECT_EQ(Parse({"--data", "d", "--help"}, &o, &err), ParseStatus::kHelp);
  EXPECT_EQ(Parse({"--version", "--help"}, &o, &err), ParseStatus::kHelp);
  EXPECT_EQ(Parse({"-n", "0", "--version"}, &o, &err), ParseStatus::kVersion);
  // After "--" they are folder IDs, and a value is a value.
  EXPECT_EQ(Parse({"-d", "d", "-s", "x", "--", "--help"}, &o, &err), ParseStatus::kRun);
  EXPECT_EQ(Parse({"-d", "d", "-s", "--version"}, &o, &err), ParseStatus::kRun);
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
  ASSERT_EQ(Parse({"z.mb",         "--data=/m/", "--ini",         "z.ini",         "--tab=a=b",
                   "--folder",     "x.mb\\In\\", "--folder=y.mb", "--current",     "c.mb\\",
                   "--subfolders", "--since",    "1970-01-02",    "--until",       "1970-01-02",
                   "--format=tsv", "--count",    "--raw",         "--color=never", "--keep-going",
                   "--",           "-w.mb"},
                  &o, &err),
            ParseStatus::kRun)
      << err;
  EXPECT_EQ(o.data, "/m/");
  EXPECT_TRUE(o.has_ini);
  EXPECT_EQ(o.ini, "z.ini");
  EXPECT_EQ(o.tab, "a=b");  // only the first "=" separates
  // --folder first, then the operands.
  EXPECT_EQ(o.folders, (std::vector<std::string>{"x.mb\\In\\", "y.mb", "z.mb", "-w.mb"}));
  EXPECT_EQ(o.current, "c.mb\\");
  EXPECT_TRUE(o.subfolders);
  EXPECT_TRUE(o.has_since);
  EXPECT_EQ(o.since, 86400u);
  EXPECT_TRUE(o.has_until);
  EXPECT_EQ(o.until_end, 2 * 86400);
  EXPECT_EQ(o.format, OutputFormat::kTsv);
  EXPECT_TRUE(o.count);
  EXPECT_TRUE(o.raw);
  EXPECT_EQ(o.color, ColorMode::kNever);
  EXPECT_TRUE(o.keep_going);
  EXPECT_EQ(o.quick_target, -1);
  EXPECT_EQ(o.limit, 0u);
  EXPECT_FALSE(o.list_folders);

  FindOptions s;
  ASSERT_EQ(Parse({"-d", "/m", "-s", "x", "-n5", "--oldest-first", "--format", "json"}, &s, &err),
            ParseStatus::kRun)
      << err;
  EXPECT_EQ(s.limit, 5u);
  EXPECT_TRUE(s.oldest_first);
  EXPECT_EQ(s.color, ColorMode::kAuto);

  FindOptions l;
  ASSERT_EQ(Parse({"--list-folders", "-d", "/m", "--keep-going", "--format=json"}, &l, &err),
            ParseStatus::kRun)
      << err;
  EXPECT_TRUE(l.list_folders);
  EXPECT_EQ(l.quick_target, -1);
}

TEST(ParseArgsTest, ShortFormsOfTheCommonOptions) {
  const std::pair<const char*, int32_t> targets[] = {{"-f", 0}, {"-t", 1}, {"-s", 2}};
  for (const auto& [option, target] : targets) {
    FindOptions o;
    std::string err;
    ASSERT_EQ(Parse({"-d", "dir", option, "text", "-c"}, &o, &err), ParseStatus::kRun) << err;
    EXPECT_EQ(o.data, "dir");
    EXPECT_EQ(o.quick_target, target) << option;
    EXPECT_EQ(o.quick_text, "text");
    EXPECT_TRUE(o.count);
  }
}

TEST(ParseArgsTest, AValueMayLookLikeAnOption) {
  FindOptions o;
  std::string err;
  ASSERT_EQ(Parse({"--data", "d", "--subject", "--count"}, &o, &err), ParseStatus::kRun);
  EXPECT_EQ(o.quick_text, "--count");
  EXPECT_FALSE(o.count);
}

TEST(ParseUntilDateTest, TheDayIncluded) {
  struct Case {
    const char* text;
    int64_t end;
  };
  const Case cases[] = {
      {"1970-01-01", 86400},
      {"2020-09-14", 1600041600 + 86400},
      {"2106-02-07", int64_t{4294944000} + 86400},  // past what 32 bits hold: nothing is cut
      {"1969-12-31", 0},
      {"1969-12-30", -86400},
  };
  for (const Case& c : cases) {
    int64_t end = 0;
    std::string err;
    EXPECT_TRUE(ParseUntilDate(c.text, &end, &err)) << c.text;
    EXPECT_EQ(end, c.end) << c.text;
  }
  int64_t end = 7;
  std::string err;
  EXPECT_FALSE(ParseUntilDate("2020-02-30", &end, &err));
  EXPECT_EQ(end, 7);
  EXPECT_EQ(err, "--until: '2020-02-30' is not a date of the form YYYY-MM-DD");
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

TEST(HelpTextTest, ListsEveryOptionOnceAndTheWholeStoreDefault) {
  const std::string help = HelpText();
  for (const char* option :
       {"-d, --data DIR",     "-f, --from TEXT",        "-t, --to TEXT",
        "-s, --subject TEXT", "    --from-to TEXT",     "    --case",
        "    --all-words",    "    --cond CSV",         "    --ini FILE",
        "    --tab NAME",     "    --folder ID",        "    --current ID",
        "    --subfolders",   "    --since YYYY-MM-DD", "    --until YYYY-MM-DD",
        "-n, --limit N",      "    --oldest-first",     "    --format FORMAT",
        "-c, --count",        "    --color WHEN",       "    --raw",
        "    --keep-going",   "    --list-folders",     "-h, --help",
        "    --version"}) {
    const std::string line = std::string("\n  ") + option + " ";
    const size_t at = help.find(line);
    EXPECT_NE(at, std::string::npos) << option;
    EXPECT_EQ(help.find(line, at + 1), std::string::npos) << option;
  }
  EXPECT_NE(help.find("With none of them, the whole store is\nsearched"), std::string::npos);
  EXPECT_EQ(VersionText(), std::string("zeldrium-find ") + ZELDRIUM_VERSION + "\n");
}

}  // namespace
}  // namespace zeldrium::find
