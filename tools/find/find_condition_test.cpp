#include "find_condition.h"

#include <map>

#include "gtest/gtest.h"
#include "query/find_class.h"

namespace zeldrium::find {
namespace {

// Settings files held in memory; counts every attempt to write one.
class MemorySettingsIO : public SettingsIO {
 public:
  std::map<std::string, std::string> files;
  std::string fail_read;  // a path whose reading fails
  int creates = 0;

  SettingsReadResult ReadFile(const std::string& path, std::string* contents,
                              std::string* err) override {
    if (path == fail_read) {
      *err = "planted read failure";
      return SettingsReadResult::kError;
    }
    auto it = files.find(path);
    if (it == files.end()) return SettingsReadResult::kMissing;
    *contents = it->second;
    return SettingsReadResult::kRead;
  }
  std::unique_ptr<SettingsTempFile> CreateTemp(const std::string& path, std::string* err) override {
    ++creates;
    *err = "no writing in this test";
    return nullptr;
  }
};

FindOptions Quick(int32_t target, std::string text) {
  FindOptions o;
  o.data = "d";
  o.quick_target = target;
  o.quick_text = std::move(text);
  return o;
}

TEST(MergeFoldersTest, AddsOnlyWhatIsNotListed) {
  struct Case {
    std::string csv;
    std::vector<std::string> extra;
    std::string want;
  };
  const Case cases[] = {
      {"", {}, ""},
      {"\"a.mb\\In box\\\"", {}, "\"a.mb\\In box\\\""},  // untouched when nothing is added
      {"", {"a.mb\\Inbox\\"}, "a.mb\\Inbox\\"},
      {"", {"a.mb\\Inbox"}, "a.mb\\Inbox\\"},
      {"", {"a.mb/Inbox/"}, "a.mb\\Inbox\\"},
      {"A.MB\\INBOX\\", {"a.mb\\inbox"}, "A.MB\\INBOX\\"},
      {"a.mb\\Inbox", {"a.mb\\Inbox\\"}, "a.mb\\Inbox"},
      {"x.mb\\", {"y.mb\\", "Y.mb\\", "z.mb\\"}, "x.mb\\,y.mb\\,z.mb\\"},
      {"", {"a.mb\\My Box\\"}, "\"a.mb\\My Box\\\""},
      // ソ ends in the byte of a backslash: the ID still needs its own.
      {"", {"a.mb\\\x83\x5c"}, "a.mb\\\x83\x5c\\"},
      {"a.mb\\\x83\x5c\\", {"a.mb\\\x83\x5c"}, "a.mb\\\x83\x5c\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MergeFolders(c.csv, c.extra), c.want) << c.csv;
  }
}

TEST(BuildRequestTest, QuickSearchIsTheWindowsOne) {
  MemorySettingsIO io;
  FindOptions o = Quick(0, "yamada@example.jp");
  o.all_words = true;
  o.subfolders = true;
  o.folders = {"m.mb\\"};
  SearchRequest r;
  std::string err;
  ASSERT_EQ(BuildRequest(o, io, &r, &err), BuildStatus::kOk) << err;
  EXPECT_EQ(r.condition.Name, "yamada");
  EXPECT_EQ(r.condition.Opts[0].Target, 0);
  EXPECT_EQ(r.condition.Opts[0].Logic, 0);
  EXPECT_EQ(r.condition.Opts[0].Keyword, "yamada@example.jp");
  EXPECT_TRUE(r.condition.Opts[0].CommaAnd);
  EXPECT_FALSE(r.condition.Opts[0].CaseSensitive);
  EXPECT_EQ(r.condition.Opts[1].Target, -1);
  EXPECT_TRUE(r.condition.SubFolder);
  EXPECT_EQ(r.condition.Folders, "m.mb\\");
  EXPECT_EQ(r.current_folder, "");

  o = Quick(2, "会議の議事録です");  // Subject: named after its first 8 bytes
  ASSERT_EQ(BuildRequest(o, io, &r, &err), BuildStatus::kOk) << err;
  EXPECT_EQ(r.condition.Name, "\x89\xef\x8b\x63\x82\xcc\x8b\x63...");  // 会議の議...
  EXPECT_EQ(r.condition.Opts[0].Keyword,
            "\x89\xef\x8b\x63\x82\xcc\x8b\x63\x8e\x96\x98\x5e\x82\xc5\x82\xb7");
}

TEST(BuildRequestTest, TextsThatMakeNoConditionAreUsageErrors) {
  MemorySettingsIO io;
  SearchRequest r;
  std::string err;
  EXPECT_EQ(BuildRequest(Quick(2, " \t "), io, &r, &err), BuildStatus::kUsageError);
  EXPECT_NE(err.find("--subject: the search text is empty"), std::string::npos) << err;
  EXPECT_EQ(BuildRequest(Quick(0, "caf\xc3\xa9"), io, &r, &err), BuildStatus::kUsageError);
  EXPECT_NE(err.find("code page 932"), std::string::npos) << err;

  FindOptions o;
  o.has_cond = true;
  // What the saved-condition reader refuses: no name, or no row with a target of 0 or more.
  for (const char* csv :
       {"", ",0,,0,2,0,0,x", "name,0,,0,-1,0,0,x,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,",
        "name,1,f\\,0,-1,0,0,a,0,-1,0,0,b,0,-1,0,0,c,0,-1,0,0,d,0,-1,0,0,e"}) {
    o.cond = csv;
    EXPECT_EQ(BuildRequest(o, io, &r, &err), BuildStatus::kUsageError) << csv;
    EXPECT_NE(err.find("--cond: not a saved condition"), std::string::npos) << err;
  }
}

TEST(BuildRequestTest, SavedConditionKeepsItsFlagsAndFolders) {
  MemorySettingsIO io;
  FindOptions o;
  o.has_cond = true;
  o.cond = "n,0,\"a.mb\\In\\,b.mb\\\",1,2,1,0,x,2,0,0,0,y";
  o.folders = {"B.MB", "c.mb\\"};
  o.has_current = true;
  o.current = "a.mb/In/";
  SearchRequest r;
  std::string err;
  ASSERT_EQ(BuildRequest(o, io, &r, &err), BuildStatus::kOk) << err;
  EXPECT_EQ(r.condition.Name, "n");
  EXPECT_FALSE(r.condition.SubFolder);
  EXPECT_EQ(r.condition.Folders, "a.mb\\In\\,b.mb\\,c.mb\\");
  EXPECT_EQ(r.condition.Opts[0].Logic, 1);
  EXPECT_TRUE(r.condition.Opts[0].CaseSensitive);
  EXPECT_EQ(r.condition.Opts[1].Logic, 2);
  EXPECT_EQ(r.current_folder, "a.mb\\In\\");

  o.subfolders = true;
  ASSERT_EQ(BuildRequest(o, io, &r, &err), BuildStatus::kOk) << err;
  EXPECT_TRUE(r.condition.SubFolder);
}

TEST(BuildRequestTest, PicksTheFirstConditionOfThatNameAndNeverWrites) {
  MemorySettingsIO io;
  io.files["z.ini"] =
      "FINDCOUNT=4\r\n"
      "FINDPARAM0=Work,0,,0,2,0,0,first\r\n"
      "FINDPARAM1=work,0,,0,2,0,0,lower\r\n"
      "FINDPARAM2=Work,1,,0,2,0,0,second\r\n"
      "FINDPARAM3=\x89\xc6\x91\xb0,0,,0,0,0,0,mother\r\n";  // 家族
  FindOptions o;
  o.has_ini = true;
  o.ini = "z.ini";
  SearchRequest r;
  std::string err;
  const std::pair<const char*, const char*> cases[] = {
      {"Work", "first"}, {"work", "lower"}, {"家族", "mother"}};
  for (const auto& [tab, keyword] : cases) {
    o.tab = tab;
    ASSERT_EQ(BuildRequest(o, io, &r, &err), BuildStatus::kOk) << err;
    EXPECT_EQ(r.condition.Opts[0].Keyword, keyword) << tab;
  }
  EXPECT_EQ(io.creates, 0);

  o.tab = "WORK";
  EXPECT_EQ(BuildRequest(o, io, &r, &err), BuildStatus::kUsageError);
  EXPECT_NE(err.find("no saved condition named 'WORK'"), std::string::npos) << err;

  o.ini = "missing.ini";
  EXPECT_EQ(BuildRequest(o, io, &r, &err), BuildStatus::kUsageError);
  EXPECT_NE(err.find("no settings file 'missing.ini'"), std::string::npos) << err;

  io.fail_read = "z.ini";
  o.ini = "z.ini";
  o.tab = "Work";
  EXPECT_EQ(BuildRequest(o, io, &r, &err), BuildStatus::kError);
  EXPECT_NE(err.find("planted read failure"), std::string::npos) << err;
  EXPECT_EQ(io.creates, 0);
}

}  // namespace
}  // namespace zeldrium::find
