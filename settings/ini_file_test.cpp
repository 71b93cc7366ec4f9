#include "settings/ini_file.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "settings/settings_test_util.h"

namespace zeldrium {
namespace {

using testing::FailingIO;
using testing::ScratchDir;

TInitFile FromText(std::string_view text) {
  TInitFile ini("", DiskSettingsIO());
  ini.SetText(text);
  return ini;
}

TEST(StrToIntStrictTest, AcceptsOnlyTheStrictForms) {
  struct Case {
    std::string text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"0", true, 0},
      {"+17", true, 17},
      {"-17", true, -17},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN},
      {"$ff", true, 255},
      {"$00000000FF", true, 255},
      {"$FFFFFFFF", true, -1},  // the 32-bit pattern
      {"$FF000008", true, static_cast<int32_t>(0xFF000008u)},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"99999999999999999999", false, 0},
      {"$100000000", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"$", false, 0},
      {" 1", false, 0},
      {"1 ", false, 0},
      {"12abc", false, 0},
      {"0x10", false, 0},
      {"-$1", false, 0},
      {"$G", false, 0},
      {std::string("1\0", 2), false, 0},
  };
  for (const Case& c : cases) {
    int32_t value = 12345;
    EXPECT_EQ(StrToIntStrict(c.text, &value), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.value : 12345) << c.text;
  }
}

TEST(InitFileTest, FindsKeysAsTheFileHoldsThem) {
  constexpr char kText[] =
      "\xEF\xBB\xBF"  // a UTF-8 byte-order mark must not hide the first key
      "First=1\r\n"
      "findcount=3\r"
      "FINDCOUNT=4\n"
      "Eq=a=b==\r\n"
      "no equals sign\r\n"
      "\x83\x61=lower\r\n"  // ヂ, trail byte is "a": not the same key as "\x83\x41" (ア)
      "Nul=x\0y\r\n"
      "Empty=\r\n"
      "Last=end";  // no line end at all
  TInitFile ini = FromText(std::string_view(kText, sizeof kText - 1));
  struct Case {
    std::string key;
    std::string value;
  } cases[] = {
      {"FIRST", "1"},
      {"FindCount", "3"},  // first line of a key wins, whatever its case
      {"EQ", "a=b=="},
      {"\x83\x61", "lower"},
      {"\x83\x41", "<absent>"},
      {"no equals sign", "<absent>"},
      {"Nul", std::string("x\0y", 3)},
      {"Empty", ""},
      {"Last", "end"},
      {"Missing", "<absent>"},
  };
  for (const Case& c : cases) EXPECT_EQ(ini.ReadString(c.key, "<absent>"), c.value) << c.key;
  EXPECT_EQ(ini.Lines().size(), 9u);
}

TEST(InitFileTest, WriteStringReplacesAppendsAndRemoves) {
  TInitFile ini = FromText("A=1\r\nb=2\r\nB=3\r\nC=4\r\n");
  ini.WriteString("A", "one");
  ini.WriteString("D", "new");
  ini.WriteString("B", "");  // removes the first B line; the second one is found from then on
  EXPECT_EQ(ini.ReadString("B", "?"), "3");
  ini.WriteString("B", "");
  ini.WriteString("E", "");  // nothing to remove
  ini.WriteString("C", "x\r\ny\nz\r");
  EXPECT_TRUE(ini.Modified());
  EXPECT_EQ(ini.GetText(), "A=one\r\nC=x  y z \r\nD=new\r\n");
  EXPECT_EQ(FromText(ini.GetText()).ReadString("C", "?"), "x  y z ");
}

// A key that is asked for one by one has to give the same answer as ReadNumbered, which only
// looks at the keys the file has.
TEST(InitFileTest, ReadNumberedEqualsAskingKeyByKey) {
  TInitFile ini = FromText(
      "P3=three\r\n"
      "p1=one\r\n"
      "P1=shadowed\r\n"
      "P01=leading zero\r\n"
      "P00=two zeros\r\n"
      "P0=zero\r\n"
      "P-1=minus\r\n"
      "P+2=plus\r\n"
      "P 2=blank\r\n"
      "P2 =blank after\r\n"
      "P10=ten\r\n"
      "PX=letter\r\n"
      "P=bare\r\n"
      "P4294967296=past 32 bits\r\n"
      "P99999999999=eleven digits\r\n"
      "P2147483646=last\r\n");
  for (int32_t count : {-5, 0, 1, 2, 4, 10, 11, 200}) {
    std::vector<std::pair<int32_t, std::string>> expected;
    for (int32_t i = 0; i < count; ++i) {
      std::string value = ini.ReadString("P" + std::to_string(i), "\x01");
      if (value != "\x01") expected.emplace_back(i, value);
    }
    EXPECT_EQ(ini.ReadNumbered("P", count), expected) << count;
  }
  std::vector<std::pair<int32_t, std::string>> all = {
      {0, "zero"}, {1, "one"}, {3, "three"}, {10, "ten"}, {2147483646, "last"}};
  EXPECT_EQ(ini.ReadNumbered("p", INT32_MAX), all);
}

TEST(InitFileTest, ReadWindowFallsBackWhole) {
  struct Case {
    std::string value;
    TWindowInfo info;
  } cases[] = {
      {"0,120,80,1052,560", {TWindowState::kNormal, {120, 80, 1052, 560}}},
      {"2, -8, -8, $10, 20", {TWindowState::kMaximized, {-8, -8, 16, 20}}},
      {"1,0,0,1,1", {TWindowState::kMinimized, {0, 0, 1, 1}}},
      {"7,1,2,3,4", {TWindowState::kNormal, {1, 2, 3, 4}}},  // unknown state
      {"0,1,2,3", {}},
      {"0,1,2,3,4,5", {}},
      {"0,1,2,3,4,", {TWindowState::kNormal, {1, 2, 3, 4}}},  // trailing comma adds no item
      {"0,1,2,3,4x", {}},
      {"0,1,2,\" 3\",4", {}},
      {"0,1,2,3,99999999999", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    TInitFile ini = FromText("WINDOWINFO=" + c.value);
    EXPECT_EQ(ini.ReadWindow("WINDOWINFO"), c.info) << c.value;
  }
  TInitFile ini("", DiskSettingsIO());
  ini.WriteWindow("W", TWindowState::kMaximized, {INT32_MIN, -1, 0, INT32_MAX});
  EXPECT_EQ(ini.ReadString("W", ""), "2,-2147483648,-1,0,2147483647");
}

TEST(InitFileTest, FontRoundTripAndFallback) {
  TFontDesc font;
  font.Name = "\x83\x5c\x95\x5c \"x\", y";  // ソ表, trail bytes are backslashes
  font.Charset = 128;
  font.Color = 0xFF000008;  // a system colour
  font.Style = kFontBold | kFontStrikeOut;
  font.Size = -12;
  font.Pitch = kPitchFixed;
  TInitFile ini("", DiskSettingsIO());
  ini.WriteFont("VIEWFONT", font);
  ini.WriteFont("DEFAULT", DefaultViewFont());
  EXPECT_EQ(ini.ReadString("DEFAULT", ""),
            "\"\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e\",128,$000000,0,9,0");
  TFontDesc back;
  ASSERT_TRUE(ini.ReadFont("VIEWFONT", &back));
  EXPECT_EQ(back, font);

  // Style bits are only ever added.
  TFontDesc italic;
  italic.Style = kFontItalic;
  ASSERT_TRUE(FromText("F=a,0,$FF,1,10,1").ReadFont("F", &italic));
  EXPECT_EQ(italic.Style, kFontItalic | kFontBold);
  EXPECT_EQ(italic.Color, 0xFFu);
  EXPECT_EQ(italic.Pitch, kPitchVariable);

  for (std::string bad : {"a,0,$0,0,9", "a,0,$0,0,9,0,0", "a,256,$0,0,9,0", "a,-1,$0,0,9,0",
                          "a,0,red,0,9,0", "a,0,$0,0,9pt,0", ""}) {
    TFontDesc unchanged = DefaultViewFont();
    EXPECT_FALSE(FromText("F=" + bad).ReadFont("F", &unchanged)) << bad;
    EXPECT_EQ(unchanged, DefaultViewFont()) << bad;
  }
}

TEST(InitFileTest, FlushWritesCrLfOnlyWhenModified) {
  ScratchDir dir;
  const std::string path = dir.Path("z.ini");
  dir.Put("z.ini", "A=1\nB=2\rC=3");
  TInitFile ini(path, DiskSettingsIO());
  std::string err;
  ASSERT_TRUE(ini.Flush(&err));
  EXPECT_EQ(dir.Get("z.ini"), "A=1\nB=2\rC=3");  // nothing written, nothing rewritten
  ini.WriteInteger("B", -7);
  ASSERT_TRUE(ini.Flush(&err)) << err;
  EXPECT_FALSE(ini.Modified());
  EXPECT_EQ(dir.Get("z.ini"), "A=1\r\nB=-7\r\nC=3\r\n");
  EXPECT_EQ(dir.Files(), std::vector<std::string>{"z.ini"});

  TInitFile missing(dir.Path("none.ini"), DiskSettingsIO());
  EXPECT_EQ(missing.ReadResult(), SettingsReadResult::kMissing);
  EXPECT_TRUE(missing.Lines().empty());
}

TEST(InitFileTest, FailedFlushLeavesTheOldFileAsItWas) {
  const std::string old_bytes = "OLD=\x83\x5c\r\nkept\n";  // ソ
  for (FailingIO::Step step :
       {FailingIO::kCreate, FailingIO::kWrite, FailingIO::kSync, FailingIO::kCommit}) {
    ScratchDir dir;
    dir.Put("z.ini", old_bytes);
    FailingIO io;
    io.fail_at = step;
    TInitFile ini(dir.Path("z.ini"), io, TInitFile::Start::kEmpty);
    ini.WriteString("NEW", std::string(100000, 'x'));
    std::string err;
    EXPECT_FALSE(ini.Flush(&err)) << step;
    EXPECT_NE(err.find("planted"), std::string::npos) << err;
    EXPECT_TRUE(ini.Modified()) << step;
    EXPECT_EQ(dir.Get("z.ini"), old_bytes) << step;
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"z.ini"}) << step;

    // The next try, on a disk that works again, goes through.
    io.fail_at = FailingIO::kNone;
    ASSERT_TRUE(ini.Flush(&err)) << err;
    EXPECT_EQ(dir.Get("z.ini"), "NEW=" + std::string(100000, 'x') + "\r\n");
  }
}

}  // namespace
}  // namespace zeldrium
