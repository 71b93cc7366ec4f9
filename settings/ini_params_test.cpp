#include "settings/ini_params.h"

#include <chrono>
#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "settings/settings_test_util.h"
#include "text/str_csv.h"
#include "text/str_libs.h"

namespace zeldrium {
namespace {

using testing::FailingIO;
using testing::ScratchDir;

struct RecordingWarning : WarningBox {
  std::vector<std::pair<std::string, std::string>> shown;
  void ShowWarning(std::string_view text, std::string_view caption) override {
    shown.emplace_back(text, caption);
  }
};

// A condition as its CSV form: name, one From row with keyword.
std::string Cond(const std::string& name, const std::string& keyword = "k") {
  TFindRec rec;
  rec.Name = name;
  rec.Opts[0].Target = kTargetFrom;
  rec.Opts[0].Keyword = keyword;
  return RecToCsv(rec);
}

// A named condition whose every row is inactive, which is never stored.
std::string Unused(const std::string& name) {
  TFindRec rec;
  rec.Name = name;
  return RecToCsv(rec);
}

std::vector<std::string> Names(const TInitParam& p) {
  std::vector<std::string> names;
  for (int i = 0; i < p.FindList.Count(); ++i) names.push_back(p.FindList.GetRec(i).Name);
  return names;
}

class InitParamTest : public ::testing::Test {
 protected:
  // Loads text as the settings file into a fresh object whose destructor will not save.
  std::unique_ptr<TInitParam> LoadText(const std::string& text) {
    dir_.Put("z.ini", text);
    auto p = std::make_unique<TInitParam>(&warning_);
    p->Load(dir_.Path("z.ini"));
    return p;
  }
  std::string SaveAndGet(TInitParam& p) {
    EXPECT_TRUE(p.Save());
    return dir_.Get("z.ini");
  }

  ScratchDir dir_;
  RecordingWarning warning_;
};

TEST_F(InitParamTest, NoFileGivesTheDefaults) {
  uint32_t before = DateToUnix(LocalNow());
  TInitParam p(&warning_);
  p.Load(dir_.Path("missing.ini"));
  uint32_t after = DateToUnix(LocalNow());
  EXPECT_EQ(p.WindowState, TWindowState::kNormal);
  EXPECT_EQ(p.WindowRect, TRect{});
  EXPECT_EQ(p.ColWidth, "400,200,150,150,0,");
  EXPECT_EQ(p.FindHistory, "");
  EXPECT_EQ(p.FindList.Count(), 0);
  EXPECT_FALSE(p.SubFolder || p.CommaAnd || p.CaseSensitive || p.WindowFit || p.MultiLineTab);
  EXPECT_EQ(p.ShowHotKey, 0);
  EXPECT_FALSE(p.UseDateLimit);
  EXPECT_GE(static_cast<uint32_t>(p.DateLimit), before);
  EXPECT_LE(static_cast<uint32_t>(p.DateLimit), after);
  EXPECT_EQ(p.ViewFont, DefaultViewFont());
  EXPECT_EQ(p.Scope, FolderScope::kCurrentFolder);
  EXPECT_TRUE(p.SearchWhileTyping);
}

TEST_F(InitParamTest, SavesEveryKeyInTableOrderAndDropsTheRest) {
  auto p = LoadText(
      "junk line\r\n"
      "datelimit=0,86400,\r\n"
      "optionset=1,0,0,0,0,\r\n"
      "findparam0=" +
      Cond("\x8c\xa9\x90\xcf", "\x8c\xa9\x90\xcf") +  // 見積
      "\r\n"
      "findcount=1\r\n"
      "Unknown=1\r\n"
      "findhistory=\x8c\xa9\x90\xcf,\x89\xef\x8b\x63\r\n"  // 見積,会議
      "colwidth=400,200,150,150,0\r\n"
      "viewfont=\"\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e\",128,$000000,0,9,"
      "0\r\n"
      "windowinfo=0,120,80,1052,560\r\n");
  EXPECT_EQ(SaveAndGet(*p),
            "WINDOWINFO=0,120,80,1052,560\r\n"
            "VIEWFONT=\"\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e\",128,"
            "$000000,0,9,0\r\n"
            "COLWIDTH=400,200,150,150,0\r\n"
            "FINDHISTORY=\x8c\xa9\x90\xcf,\x89\xef\x8b\x63\r\n"
            "FINDCOUNT=1\r\n"
            "SHOWHOTKEY=0\r\n"
            "FINDPARAM0=\x8c\xa9\x90\xcf,0,,0,0,0,0,\x8c\xa9\x90\xcf,0,-1,0,0,,0,-1,0,0,,0,-1,0,"
            "0,,0,-1,0,0,\r\n"
            "OPTIONSET=1,0,0,0,0,\r\n"
            "DATELIMIT=0,86400,\r\n");
  EXPECT_TRUE(warning_.shown.empty());
}

TEST_F(InitParamTest, SavedConditionsAreRenumberedWithoutGaps) {
  struct Case {
    std::string file;
    std::vector<std::string> names;
  } cases[] = {
      // FINDPARAM1 is missing and FINDPARAM3 is past the count.
      {"FINDCOUNT=3\r\nFINDPARAM0=" + Cond("a") + "\r\nFINDPARAM2=" + Cond("c") +
           "\r\nFINDPARAM3=" + Cond("d"),
       {"a", "c"}},
      // Without FINDCOUNT, FINDPARAM0 to FINDPARAM19 are read.
      {"FINDPARAM19=" + Cond("t") + "\r\nFINDPARAM20=" + Cond("u") + "\r\nFINDPARAM0=" + Cond("a"),
       {"a", "t"}},
      {"FINDCOUNT=zwei\r\nFINDPARAM5=" + Cond("f"), {"f"}},  // not a number: the default 20
      {"FINDCOUNT=-1\r\nFINDPARAM0=" + Cond("a"), {}},
      // Rejected entries (no name, no used row) and keys of another spelling leave no gap.
      {"FINDPARAM0=,0,,0,0,0,0,k\r\nFINDPARAM1=" + Unused("u") + "\r\nFINDPARAM02=" + Cond("z") +
           "\r\nFINDPARAM3=" + Cond("d"),
       {"d"}},
      // A huge count must only cost what the file holds.
      {"FINDCOUNT=2147483647\r\nFINDPARAM2147483646=" + Cond("last") +
           "\r\nFINDPARAM7=" + Cond("seven"),
       {"seven", "last"}},
  };
  for (const Case& c : cases) {
    auto start = std::chrono::steady_clock::now();
    auto p = LoadText(c.file);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(Names(*p), c.names) << c.file;
    std::string saved = SaveAndGet(*p);
    EXPECT_NE(saved.find("FINDCOUNT=" + std::to_string(c.names.size()) + "\r\n"),
              std::string::npos);
    for (size_t i = 0; i < c.names.size(); ++i) {
      EXPECT_NE(saved.find("FINDPARAM" + std::to_string(i) + "=" + Cond(c.names[i]) + "\r\n"),
                std::string::npos)
          << saved;
    }
  }
}

TEST_F(InitParamTest, RoundTripKeepsEverySetting) {
  TInitParam p(&warning_);
  p.Load(dir_.Path("z.ini"));
  p.WindowState = TWindowState::kMinimized;
  p.WindowRect = {-10, 20, 800, 600};
  p.ColWidth = "1,2,3,4,5";
  const std::string tricky = "a, \"b\" \x83\x5c\\\x95\x5c";  // ソ and 表: trail bytes are 0x5C
  p.FindHistory = WriteCommaList({tricky, "plain", "with blank", "\x8c\xa9\x90\xcf"});  // 見積
  for (const std::string& name : {tricky, std::string("\x94\x5c,\"x\""), std::string("n")}) {
    TFindRec rec;
    rec.Name = name;
    rec.SubFolder = true;
    rec.Folders = WriteCommaList({"Inbox\\", "\x97\x5c\\"});  // 予
    rec.Opts[0] = {kLogicOr, kTargetSubject, true, true, tricky};
    rec.Opts[3] = {kLogicNot, kTargetFromTo, false, true, name};
    ASSERT_TRUE(p.FindList.CsvToRec(p.FindList.Count(), RecToCsv(rec)));
  }
  p.ViewFont = {"\x83\x5c \"f\"", 1, 0x00123456, kFontItalic | kFontUnderline, 11, kPitchFixed};
  p.SubFolder = p.WindowFit = p.MultiLineTab = true;
  p.DateLimit = -86400;
  p.UseDateLimit = true;
  p.ShowHotKey = kHotKeyCtrl | kHotKeyAlt | 'K';
  p.Scope = FolderScope::kAllMailboxes;
  p.SearchWhileTyping = false;
  const std::string first = SaveAndGet(p);

  TInitParam q(&warning_);
  q.Load(dir_.Path("z.ini"));
  EXPECT_EQ(q.WindowState, p.WindowState);
  EXPECT_EQ(q.WindowRect, p.WindowRect);
  EXPECT_EQ(q.ColWidth, p.ColWidth);
  EXPECT_EQ(ReadCommaList(q.FindHistory),
            (std::vector<std::string>{tricky, "plain", "with blank", "\x8c\xa9\x90\xcf"}));
  ASSERT_EQ(q.FindList.Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(q.FindList.RecToCsv(i), p.FindList.RecToCsv(i));
  EXPECT_EQ(q.FindList.GetRec(0).Name, tricky);
  EXPECT_EQ(q.FindList.GetRec(0).Opts[0].Keyword, tricky);
  EXPECT_EQ(q.ViewFont, p.ViewFont);
  EXPECT_EQ(std::tie(q.SubFolder, q.CommaAnd, q.CaseSensitive, q.WindowFit, q.MultiLineTab),
            std::make_tuple(true, false, false, true, true));
  EXPECT_EQ(q.DateLimit, -86400);
  EXPECT_TRUE(q.UseDateLimit);
  EXPECT_EQ(q.ShowHotKey, p.ShowHotKey);
  EXPECT_EQ(q.Scope, FolderScope::kAllMailboxes);
  EXPECT_FALSE(q.SearchWhileTyping);
  EXPECT_EQ(SaveAndGet(q), first);
}

// The scope and the search while typing have keys of their own, written only when they differ
// from their defaults: a file without them (an older build's) reads as the defaults and is saved
// as that build saves it, and the keys they add leave every other setting as it reads without
// them, which is how a build that does not know them reads the file.
TEST_F(InitParamTest, FilesOfOlderAndNewerBuildsReadAlike) {
  const std::string older =
      "OPTIONSET=1,0,1,0,0,\r\nDATELIMIT=1,86400,\r\nFINDPARAM0=" + Cond("a") + "\r\n";
  auto old_file = LoadText(older);
  EXPECT_EQ(old_file->Scope, FolderScope::kCurrentFolder);
  EXPECT_TRUE(old_file->SearchWhileTyping);
  const std::string saved_by_older = SaveAndGet(*old_file);
  EXPECT_EQ(saved_by_older.find("FINDSCOPE"), std::string::npos);
  EXPECT_EQ(saved_by_older.find("FINDWHILETYPING"), std::string::npos);

  struct Case {
    std::string keys;
    FolderScope scope;
    bool typing;
  } cases[] = {
      {"FINDSCOPE=1\r\nFINDWHILETYPING=0\r\n", FolderScope::kCurrentMailbox, false},
      {"findscope=2\r\nfindwhiletyping=1\r\n", FolderScope::kAllMailboxes, true},
      // What does not convert, or names no scope, falls back to the default.
      {"FINDSCOPE=3\r\nFINDWHILETYPING=no\r\n", FolderScope::kCurrentFolder, true},
      {"FINDSCOPE=-1\r\nFINDWHILETYPING=\r\n", FolderScope::kCurrentFolder, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    auto newer = LoadText(c.keys + older);
    EXPECT_EQ(newer->Scope, c.scope);
    EXPECT_EQ(newer->SearchWhileTyping, c.typing);
    newer->Scope = FolderScope::kCurrentFolder;
    newer->SearchWhileTyping = true;
    EXPECT_EQ(SaveAndGet(*newer), saved_by_older);
  }
}

TEST_F(InitParamTest, ValuesThatDoNotConvertFallBack) {
  struct Case {
    std::string file;
    uint16_t hot_key;
    bool use_limit;
    bool limit_is_now;
    TWindowInfo window;
  } cases[] = {
      {"SHOWHOTKEY=$C04B", 0xC04B, false, true, {}},
      {"SHOWHOTKEY=12x\r\nWINDOWINFO=0,1,2,3", 0, false, true, {}},
      {"SHOWHOTKEY=-1\r\nWINDOWINFO=0,1,2,3,four", 0xFFFF, false, true, {}},
      {"SHOWHOTKEY=70000\r\nDATELIMIT=1,0", 70000 & 0xFFFF, true, true, {}},
      {"DATELIMIT=TRUE,86400,\r\nWINDOWINFO=2,1,2,3,4",
       0,
       true,
       false,
       {TWindowState::kMaximized, {1, 2, 3, 4}}},
  };
  for (const Case& c : cases) {
    uint32_t before = DateToUnix(LocalNow());
    auto p = LoadText(c.file);
    EXPECT_EQ(p->ShowHotKey, c.hot_key) << c.file;
    EXPECT_EQ(p->UseDateLimit, c.use_limit) << c.file;
    if (c.limit_is_now) {
      EXPECT_GE(static_cast<uint32_t>(p->DateLimit), before) << c.file;
    } else {
      EXPECT_EQ(p->DateLimit, 86400) << c.file;
    }
    EXPECT_EQ((TWindowInfo{p->WindowState, p->WindowRect}), c.window) << c.file;
  }
}

TEST_F(InitParamTest, HostileFilesLoadAndHealAtTheNextSave) {
  const std::string big(1 << 20, 'x');  // far beyond any line length a reader might assume
  const std::string files[] = {
      std::string("\xEF\xBB\xBF") + "FINDCOUNT=1\r\nFINDPARAM0=" + Cond("bom"),
      std::string("FINDCOUNT=1") + '\0' + "\r\nFINDPARAM0=" + Cond("nul") + std::string(2, '\0'),
      "FINDHISTORY=" + big + "\r\nFINDPARAM0=" + Cond("big"),
      big + "\r\nFINDPARAM0=" + Cond("big2"),
      "FINDPARAM0=" + Cond("lone cr") + "\rOPTIONSET=1\rVIEWFONT=\x83\r\x83",
      std::string("\0\0\0\xff\xfe", 5),
      // An empty value is never written, so it must read as the default, or the second save
      // would differ from the first (found by the fuzzer).
      "COLWIDTH=\r\nFINDHISTORY=\r\nDATELIMIT=\r\nFINDPARAM0=" + Cond("empty values"),
  };
  for (const std::string& file : files) {
    auto p = LoadText(file);
    std::string saved = SaveAndGet(*p);
    auto q = LoadText(saved);
    EXPECT_EQ(Names(*q), Names(*p));
    EXPECT_EQ(SaveAndGet(*q), saved);
    EXPECT_EQ(saved.substr(0, 11), "WINDOWINFO=");
  }
  EXPECT_EQ(Names(*LoadText(files[0])), std::vector<std::string>{"bom"});
  // FINDCOUNT=1\0 is not a number: the default 20 applies.
  EXPECT_EQ(Names(*LoadText(files[1])), std::vector<std::string>{"nul"});
  EXPECT_EQ(LoadText(files[2])->FindHistory.size(), big.size());
  EXPECT_TRUE(LoadText(files[4])->SubFolder);
  EXPECT_EQ(LoadText(files[6])->ColWidth, "400,200,150,150,0,");
}

TEST_F(InitParamTest, EmptyValuesWriteNoLine) {
  auto p = LoadText("FINDHISTORY=a\r\nCOLWIDTH=1");
  p->FindHistory.clear();
  p->ColWidth.clear();
  std::string saved = SaveAndGet(*p);
  EXPECT_EQ(saved.find("FINDHISTORY"), std::string::npos);
  EXPECT_EQ(saved.find("COLWIDTH"), std::string::npos);
  EXPECT_EQ(LoadText(saved)->ColWidth, "400,200,150,150,0,");
}

TEST_F(InitParamTest, FailedSaveWarnsAndKeepsTheOldFile) {
  const std::string old_bytes = "FINDCOUNT=1\r\nFINDPARAM0=" + Cond("old") + "\r\n";
  for (FailingIO::Step step :
       {FailingIO::kCreate, FailingIO::kWrite, FailingIO::kSync, FailingIO::kCommit}) {
    dir_.Put("z.ini", old_bytes);
    FailingIO io;
    RecordingWarning warning;
    TInitParam p(&warning, io);
    p.Load(dir_.Path("z.ini"));
    p.FindList.ClearAll();
    io.fail_at = step;
    EXPECT_FALSE(p.Save());
    EXPECT_EQ(dir_.Get("z.ini"), old_bytes) << step;
    EXPECT_EQ(dir_.Files(), std::vector<std::string>{"z.ini"}) << step;
    ASSERT_EQ(warning.shown.size(), 1u);
    EXPECT_EQ(warning.shown[0].first, "100:INI WRT ERROR");
    EXPECT_EQ(warning.shown[0].second, "\x8c\x78\x8d\x90");  // 警告
    EXPECT_EQ(p.FindList.Count(), 0);                        // memory is left as it is
    io.fail_at = FailingIO::kNone;
  }  // the destructor saves on a working disk
  EXPECT_EQ(dir_.Get("z.ini").find("FINDPARAM0"), std::string::npos);
}

TEST_F(InitParamTest, UnreadableFileIsNeverOverwritten) {
  dir_.Put("z.ini", "FINDPARAM0=" + Cond("precious"));
  FailingIO io;
  io.fail_at = FailingIO::kRead;
  RecordingWarning warning;
  {
    TInitParam p(&warning, io);
    p.Load(dir_.Path("z.ini"));
    EXPECT_EQ(p.FindList.Count(), 0);
    EXPECT_FALSE(p.Save());
    EXPECT_EQ(io.creates, 0);
  }
  EXPECT_EQ(warning.shown.size(), 2u);  // Save, then the destructor's
  EXPECT_EQ(dir_.Get("z.ini"), "FINDPARAM0=" + Cond("precious"));
}

TEST_F(InitParamTest, DestructorSavesOnlyWhenLoaded) {
  FailingIO io;
  { TInitParam never_loaded(&warning_, io); }
  EXPECT_EQ(io.creates, 0);
  {
    TInitParam p(&warning_, io);
    p.Load(dir_.Path("z.ini"));
    p.ShowHotKey = 0x4041;
  }
  EXPECT_NE(dir_.Get("z.ini").find("SHOWHOTKEY=16449\r\n"), std::string::npos);
}

class FakeWindow : public PlacedWindow {
 public:
  TWindowState state = TWindowState::kNormal;
  TRect bounds = {7, 7, 77, 77};
  std::vector<TRect> work_areas = std::vector<TRect>(1, TRect{0, 0, 1280, 1024});
  TWindowState GetState() const override { return state; }
  void SetState(TWindowState s) override { state = s; }
  TRect GetBounds() const override { return bounds; }
  void SetBounds(const TRect& b) override { bounds = b; }
  std::vector<TRect> WorkAreas() const override { return work_areas; }
};

TEST(RestoreWindowTest, KeepsTheWindowOnTheScreen) {
  const TRect designed = {7, 7, 77, 77};
  struct Case {
    TWindowState state;
    TRect stored;
    TRect expected;
  } cases[] = {
      {TWindowState::kNormal, {120, 80, 1052, 560}, {120, 80, 1052, 560}},
      {TWindowState::kMaximized, {120, 80, 1052, 560}, designed},
      {TWindowState::kNormal, {0, 0, 0, 0}, designed},        // nothing stored yet
      {TWindowState::kNormal, {500, 0, 400, 100}, designed},  // left not below right
      {TWindowState::kMinimized, {10, 10, 110, 110}, {10, 10, 110, 110}},
      {TWindowState::kNormal, {-50, -20, 150, 80}, {0, 0, 200, 100}},
      {TWindowState::kNormal, {1200, 1000, 1400, 1100}, {1080, 924, 1280, 1024}},
      {TWindowState::kNormal, {-100, -100, 3000, 2000}, {0, 0, 1280, 1024}},
      {TWindowState::kNormal, {10, 500, 110, 500}, {10, 500, 110, 841}},  // height 0: 1024 / 3
      {TWindowState::kNormal, {10, 500, 110, 400}, {10, 500, 110, 841}},  // negative height
      {TWindowState::kNormal, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 0, 1280, 1024}},
      {TWindowState::kNormal,
       {INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX - 1},
       {1279, 683, 1280, 1024}},
  };
  for (const Case& c : cases) {
    TInitParam p(nullptr);
    p.WindowState = c.state;
    p.WindowRect = c.stored;
    FakeWindow w;
    p.RestoreWindow(w);
    EXPECT_EQ(w.state, c.state);
    EXPECT_EQ(w.bounds, c.expected) << c.stored.Left << "," << c.stored.Top;
  }
}

// A primary monitor of 1920 x 1080 with the task bar at its bottom, and a larger one to its
// right, standing 200 pixels higher. Stored bounds are pixels of whichever monitor they lie on.
TEST(RestoreWindowTest, KeepsTheWindowOnTheMonitorItWasOnOrMovesItOntoTheNearest) {
  const std::vector<TRect> monitors = {{0, 0, 1920, 1040}, {1920, -200, 4480, 1240}};
  struct Case {
    TRect stored;
    TRect expected;
  } cases[] = {
      // Wholly on the second monitor, also above the primary's top: kept.
      {{2000, -150, 3400, 750}, {2000, -150, 3400, 750}},
      // Mostly on the second, across its right edge: moved back inside it.
      {{3800, 100, 4700, 500}, {3580, 100, 4480, 500}},
      // Across both, mostly on the primary: onto the primary.
      {{1300, 100, 2100, 500}, {1120, 100, 1920, 500}},
      // Over the task bar: above it.
      {{100, 900, 900, 1080}, {100, 860, 900, 1040}},
      // A monitor that is gone, right of the second: onto the second, its size kept.
      {{6000, 300, 6932, 699}, {3548, 300, 4480, 699}},
      // ...left of the primary: onto the primary.
      {{-2500, 300, -1568, 699}, {0, 300, 932, 699}},
      // Below the primary, where only its task bar is nearer than the second monitor.
      {{100, 1100, 600, 1300}, {100, 840, 600, 1040}},
      // Larger than the monitor it is on: cut to it.
      {{1900, -300, 5000, 2000}, {1920, -200, 4480, 1240}},
      // Height 0: a third of the height of the monitor it is on.
      {{2000, 0, 2500, 0}, {2000, 0, 2500, 480}},
  };
  for (const Case& c : cases) {
    TInitParam p(nullptr);
    p.WindowRect = c.stored;
    FakeWindow w;
    w.work_areas = monitors;
    p.RestoreWindow(w);
    EXPECT_EQ(w.bounds, c.expected) << c.stored.Left << "," << c.stored.Top;
  }
}

TEST_F(InitParamTest, MaximizedWindowKeepsItsNormalBoundsAcrossASave) {
  TInitParam p(&warning_);
  p.Load(dir_.Path("z.ini"));
  FakeWindow w;
  w.bounds = {100, 100, 500, 400};
  p.StoreWindow(w);
  w.state = TWindowState::kMaximized;
  w.bounds = {-8, -8, 1288, 1032};
  p.StoreWindow(w);
  EXPECT_NE(SaveAndGet(p).find("WINDOWINFO=2,100,100,500,400\r\n"), std::string::npos);

  TInitParam q(&warning_);
  q.Load(dir_.Path("z.ini"));
  FakeWindow restored;
  q.RestoreWindow(restored);
  EXPECT_EQ(restored.state, TWindowState::kMaximized);
  EXPECT_EQ(q.WindowRect, (TRect{100, 100, 500, 400}));
}

}  // namespace
}  // namespace zeldrium
