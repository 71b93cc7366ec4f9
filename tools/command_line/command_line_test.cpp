#include "command_line.h"

#include "gtest/gtest.h"

namespace zeldrium::cli {
namespace {

enum { kData, kCount, kLimit, kCase, kHelp };

constexpr Option kTable[] = {
    {kData, 'd', "data", "DIR", "the data folder"},
    {kCount, 'c', "count", nullptr, "only the number"},
    {kLimit, 'n', "limit", "N", "at most N\nof them"},
    {kCase, '\0', "case", nullptr, "keep case"},
    {kHelp, 'h', "help", nullptr, "this help"},
};

struct Want {
  std::vector<std::pair<int, std::string>> options;  // id, value
  std::vector<std::string> operands;
};

Want Got(const CommandLine& line) {
  Want w;
  for (const GivenOption& o : line.options) w.options.emplace_back(o.id, o.value);
  w.operands = line.operands;
  return w;
}

TEST(ParseCommandLineTest, LongShortBundledAndOperands) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::pair<int, std::string>> options;
    std::vector<std::string> operands;
  };
  const Case cases[] = {
      {{"--data", "x", "--count"}, {{kData, "x"}, {kCount, ""}}, {}},
      {{"--data=x=y", "--data="}, {{kData, "x=y"}, {kData, ""}}, {}},
      {{"-d", "x", "-dy", "-c"}, {{kData, "x"}, {kData, "y"}, {kCount, ""}}, {}},
      {{"-cn5"}, {{kCount, ""}, {kLimit, "5"}}, {}},
      {{"-cn", "5", "-c"}, {{kCount, ""}, {kLimit, "5"}, {kCount, ""}}, {}},
      // A value is taken as it comes, even when it looks like an option.
      {{"--data", "--count", "-d", "-c"}, {{kData, "--count"}, {kData, "-c"}}, {}},
      {{"a", "-c", "b"}, {{kCount, ""}}, {"a", "b"}},
      {{"-", "--", "-c", "--data", "--"}, {}, {"-", "-c", "--data", "--"}},
      {{"-d", "--", "--", "-c"}, {{kData, "--"}}, {"-c"}},  // "--" as a value ends nothing
      {{"-d\x83\x5c"}, {{kData, "\x83\x5c"}}, {}},  // ソ: an attached value, bytes as given
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(kTable, c.args);
    EXPECT_EQ(line.error, "") << c.args[0];
    const Want got = Got(line);
    EXPECT_EQ(got.options, c.options) << c.args[0];
    EXPECT_EQ(got.operands, c.operands) << c.args[0];
  }
}

TEST(ParseCommandLineTest, FirstProblemInOneLineAndTheRestStillRead) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const Case cases[] = {
      {{"--colour"}, "unknown option '--colour'"},
      {{"--colour=red"}, "unknown option '--colour'"},
      {{"-x"}, "unknown option '-x'"},
      {{"-cx"}, "unknown option '-x'"},
      {{"-\xe4\xbc\x9a"}, "unknown option '-\xe4\xbc\x9a'"},  // -会: shown whole, never cut
      {{"--dat", "x"}, "unknown option '--dat'"},             // no abbreviations
      {{"--count=yes"}, "--count takes no value"},
      {{"--data"}, "--data needs a value: --data DIR"},
      {{"-c", "-d"}, "-d needs a value: --data DIR"},
      {{"-cn"}, "-n needs a value: --limit N"},
      {{"--bad", "--worse"}, "unknown option '--bad'"},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(kTable, c.args);
    EXPECT_EQ(line.error, c.error) << c.args[0];
  }
  const CommandLine line = ParseCommandLine(kTable, {"--colour", "-h", "--", "--help"});
  EXPECT_TRUE(line.Has(kHelp));
  EXPECT_FALSE(line.Has(kCount));
  EXPECT_EQ(line.operands, std::vector<std::string>{"--help"});
}

TEST(FormatOptionsTest, OneAlignedEntryPerOption) {
  EXPECT_EQ(FormatOptions(kTable, 20),
            "  -d, --data DIR    the data folder\n"
            "  -c, --count       only the number\n"
            "  -n, --limit N     at most N\n"
            "                    of them\n"
            "      --case        keep case\n"
            "  -h, --help        this help\n");
  // A head too long for its column puts the help on a line of its own.
  EXPECT_EQ(FormatOptions({kTable, 1}, 12),
            "  -d, --data DIR\n"
            "            the data folder\n");
}

TEST(UsageErrorTextTest, ProblemThenHint) {
  EXPECT_EQ(UsageErrorText("prog", "unknown option '-x'"),
            "prog: unknown option '-x'\nTry 'prog --help' for more information.\n");
}

TEST(ParseDecimalTest, DigitsOnlyWithinBounds) {
  struct Case {
    const char* text;
    uint64_t min, max;
    bool ok;
    uint64_t value;
    const char* error;
  };
  const Case cases[] = {
      {"0", 0, 10, true, 0, ""},
      {"10", 0, 10, true, 10, ""},
      {"007", 1, 10, true, 7, ""},
      {"18446744073709551615", 0, UINT64_MAX, true, UINT64_MAX, ""},
      {"18446744073709551616", 0, UINT64_MAX, false, 0, "-n must be between 0 and"},
      {"11", 0, 10, false, 0, "-n must be between 0 and 10, not 11"},
      {"0", 1, 10, false, 0, "-n must be between 1 and 10, not 0"},
      {"", 0, 10, false, 0, "-n expects a decimal number, not ''"},
      {"-1", 0, 10, false, 0, "expects a decimal number"},
      {"+1", 0, 10, false, 0, "expects a decimal number"},
      {" 1", 0, 10, false, 0, "expects a decimal number"},
      {"1 ", 0, 10, false, 0, "expects a decimal number"},
      {"1e3", 0, 9999, false, 0, "expects a decimal number"},
      {"0x10", 0, 99, false, 0, "expects a decimal number"},
  };
  for (const Case& c : cases) {
    uint64_t v = 12345;
    std::string err;
    EXPECT_EQ(ParseDecimal("-n", c.text, c.min, c.max, &v, &err), c.ok) << c.text;
    EXPECT_EQ(v, c.ok ? c.value : 12345u) << c.text;
    EXPECT_NE(err.find(c.error), std::string::npos) << c.text << ": " << err;
  }
}

}  // namespace
}  // namespace zeldrium::cli
